#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The rules of an SFTP session that need no server, shared by the SFTP
// module and its tests.

// Downloads keep many read requests in flight; the window starts small and
// grows by one with each answered request, so a slow link is not flooded
// and a fast one soon runs at the full window.
inline constexpr std::uint32_t kSftpReadRequestBytes = 64 * 1024;
inline constexpr std::size_t kSftpFirstReadWindow = 8;
inline constexpr std::size_t kSftpMaxReadWindow = 64;
// One write request's bytes. libssh 0.10 waits for each write's answer
// before the next; on loopback 128 KiB served best (256 MiB: a median of
// about 190 MB/s, against 110 for 255 KiB, near OpenSSH's largest, and less
// at 64 KiB and below).
inline constexpr std::size_t kSftpWriteRequestBytes = 128 * 1024;

// `name` taken from `folder` as the server names it: an absolute name as it
// is, a relative one below the folder.
std::string SftpPath(const std::string& folder, const std::string& name);

// The warning of a login refused because the server's host key is not the
// one a known_hosts file holds for it; `where` says where that one is
// ("/root/.ssh/known_hosts:3"), or is empty when unknown.
std::string ChangedHostKeyWarning(const std::string& host, std::uint16_t port, const std::string& keyType,
                                  const std::string& fingerprint, const std::string& where);

// The failure of a login that no method got through: which methods the
// server offered and which were tried, in words.
std::string AuthenticationFailure(const std::vector<std::string>& offered, const std::vector<std::string>& tried);

// A host as ssh writes it in known_hosts and its messages: a port other than
// 22 puts it in brackets ("[127.0.0.1]:2222").
std::string SshHostAndPort(const std::string& host, std::uint16_t port);

// The first line of `file` that `matches`, as "file:number", or empty when
// none does.
std::string WhereLineIs(const std::string& file, const std::function<bool(const std::string&)>& matches);
