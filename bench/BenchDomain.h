#pragma once
#include "engine/TlsTypes.h"
#include "sites/SiteAddress.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// The bench tools reach the server named by BENCH_DOMAIN, written as in the
// window's Domain box ("ftpes://host", "ftp://host", a bare host); unset or
// empty, 127.0.0.1. The text goes through the window's own parsing, so a
// scheme the window learns works here as it is.
inline std::string BenchDomain()
{
    const char* domain = std::getenv("BENCH_DOMAIN");
    return domain && *domain ? domain : "127.0.0.1";
}

// The login request the window makes of BENCH_DOMAIN and these fields.
inline FtpLoginRequest BenchLoginRequest(std::uint16_t port, const std::string& user, const std::string& password)
{
    return LoginRequestFor(BenchDomain(), port, user, password);
}
