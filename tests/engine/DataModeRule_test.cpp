// The data-connection mode a login tries first, from the control
// connection's two addresses.
#include "engine/DataModeRule.h"

#include <gtest/gtest.h>

namespace {

TEST(DataModeRule, PassiveOnlyFromAPrivateNetworkToAnotherOne)
{
    struct Case {
        const char* local;
        const char* peer;
        DataMode expected;
    };
    const Case cases[] = {
        {"127.0.0.1", "127.0.0.1", DataMode::Active},
        {"127.0.0.1", "127.0.0.2", DataMode::Active},
        {"::1", "::1", DataMode::Active},
        {"192.168.1.20", "192.168.1.1", DataMode::Active},   // both on the home network
        {"10.0.0.5", "172.16.0.9", DataMode::Active},        // both private
        {"203.0.113.7", "198.51.100.1", DataMode::Active},   // a public address of ours
        {"203.0.113.7", "10.0.0.1", DataMode::Active},
        {"192.168.1.20", "198.51.100.1", DataMode::Passive},
        {"10.255.255.255", "198.51.100.1", DataMode::Passive},
        {"172.16.0.1", "198.51.100.1", DataMode::Passive},
        {"172.31.255.1", "198.51.100.1", DataMode::Passive},
        {"172.32.0.1", "198.51.100.1", DataMode::Active},    // just past 172.16/12
        {"172.15.255.1", "198.51.100.1", DataMode::Active},
        {"100.64.0.1", "198.51.100.1", DataMode::Passive},   // carrier-grade NAT
        {"100.128.0.1", "198.51.100.1", DataMode::Active},
        {"169.254.3.4", "198.51.100.1", DataMode::Passive},
        {"192.168.1.20", "127.0.0.1", DataMode::Passive},
        {"fd12:3456::1", "2001:db8::1", DataMode::Passive},
        {"fc00::1", "2001:db8::1", DataMode::Passive},
        {"fe80::1", "2001:db8::1", DataMode::Passive},
        {"febf::1", "2001:db8::1", DataMode::Passive},
        {"fec0::1", "2001:db8::1", DataMode::Active},        // past fe80::/10
        {"fd12:3456::1", "fd00::2", DataMode::Active},
        {"2001:db8::5", "2001:db8::1", DataMode::Active},
        {"::ffff:192.168.0.2", "::ffff:198.51.100.1", DataMode::Passive},
        {"::ffff:198.51.100.2", "::ffff:192.168.0.1", DataMode::Active},
        {"not an address", "198.51.100.1", DataMode::Active},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseDataMode(c.local, c.peer), c.expected) << c.local << " to " << c.peer;
}

}  // namespace
