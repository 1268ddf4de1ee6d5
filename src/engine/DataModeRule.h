#pragma once
#include <string>

// Which way a data connection is made.
enum class DataMode {
    Active,   // we listen, the server connects (EPRT, PORT)
    Passive,  // the server listens, we connect (EPSV, PASV)
};

DataMode OtherMode(DataMode mode);
const char* ModeName(DataMode mode);  // "active", "passive"

// The mode a login tries first, from the control connection's numeric local
// and peer addresses: passive when we sit on a private, link-local or shared
// network and the server does not (a NAT would drop its connection back to
// us); active otherwise, so loopback, a private network on both ends and a
// public address of ours keep the old behaviour. An address that does not
// parse counts as public.
DataMode ChooseDataMode(const std::string& localAddress, const std::string& peerAddress);
