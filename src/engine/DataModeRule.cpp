#include "engine/DataModeRule.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

struct Prefix {
    std::uint8_t bytes[4];
    unsigned bits;
};

bool InPrefix(const std::uint8_t* address, const Prefix& prefix)
{
    const unsigned whole = prefix.bits / 8;
    if (std::memcmp(address, prefix.bytes, whole) != 0)
        return false;
    const unsigned rest = prefix.bits % 8;
    if (rest == 0)
        return true;
    const std::uint8_t mask = static_cast<std::uint8_t>(0xff << (8 - rest));
    return (address[whole] & mask) == (prefix.bytes[whole] & mask);
}

// Addresses a server on the Internet cannot connect back to.
constexpr std::array<Prefix, 5> unreachableV4{{
    {{10, 0, 0, 0}, 8},
    {{172, 16, 0, 0}, 12},
    {{192, 168, 0, 0}, 16},
    {{100, 64, 0, 0}, 10},   // shared address space of carrier-grade NAT
    {{169, 254, 0, 0}, 16},
}};
constexpr std::array<Prefix, 2> unreachableV6{{
    {{0xfc, 0x00, 0, 0}, 7},   // unique local
    {{0xfe, 0x80, 0, 0}, 10},  // link-local
}};

template <std::size_t N>
bool InAny(const std::uint8_t* address, const std::array<Prefix, N>& prefixes)
{
    return std::any_of(prefixes.begin(), prefixes.end(), [address](const Prefix& p) { return InPrefix(address, p); });
}

bool IsUnreachable(const std::string& text)
{
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return InAny(reinterpret_cast<const std::uint8_t*>(&v4), unreachableV4);
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) != 1)
        return false;
    const std::uint8_t* bytes = v6.s6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6))
        return InAny(bytes + 12, unreachableV4);
    return InAny(bytes, unreachableV6);
}

}  // namespace

DataMode OtherMode(DataMode mode)
{
    return mode == DataMode::Active ? DataMode::Passive : DataMode::Active;
}

const char* ModeName(DataMode mode)
{
    return mode == DataMode::Active ? "active" : "passive";
}

DataMode ChooseDataMode(const std::string& localAddress, const std::string& peerAddress)
{
    return IsUnreachable(localAddress) && !IsUnreachable(peerAddress) ? DataMode::Passive : DataMode::Active;
}
