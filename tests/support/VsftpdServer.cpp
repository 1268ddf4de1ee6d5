#include "support/VsftpdServer.h"

#include "support/LoopbackPort.h"
#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr const char* kProgram = "/usr/sbin/vsftpd";
// Debian's anonymous account; vsftpd locks it into the root when it can.
constexpr const char* kAnonymousAccount = "ftp";

// vsftpd can chroot the anonymous user only when it starts as root and the
// anonymous account exists; otherwise it runs as the launching user and
// serves the root by its real path.
bool CanLockIntoRoot()
{
    return ::geteuid() == 0 && ::getpwnam(kAnonymousAccount) != nullptr;
}

void Run(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

}  // namespace

VsftpdServer::VsftpdServer(VsftpdUploads uploads, VsftpdDataMode dataMode, VsftpdSecurity security, int idleSeconds)
    : uploads(uploads), dataMode(dataMode), security(security), idleSeconds(idleSeconds)
{
    if (::access(kProgram, X_OK) != 0)
        throw std::runtime_error(std::string(kProgram) + " is not installed");
    directory = MakeServerFolder("vsftpd");
    root = directory + "/root";
    configuration = directory + "/vsftpd.conf";
    serverRoot = CanLockIntoRoot() ? "/" : root;
    try {
        // The anonymous account must be able to read the root, and vsftpd
        // refuses a root that account could write.
        ::chmod(directory.c_str(), 0755);
        std::filesystem::create_directory(root);
        ::chmod(root.c_str(), 0755);
        if (uploads == VsftpdUploads::Accepted)
            MakeUploadFolder();
        port = UnusedLoopbackPort();
        if (security != VsftpdSecurity::Clear)
            MakeCertificate();
        WriteConfiguration();
        Start();
    } catch (...) {
        std::filesystem::remove_all(directory);
        throw;
    }
}

VsftpdServer::~VsftpdServer()
{
    StopServer(process, directory);
}

void VsftpdServer::WriteConfiguration() const
{
    std::ofstream out(configuration);
    out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << port << "\n"
        << "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
        << (uploads == VsftpdUploads::Accepted
                ? "write_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\nanon_umask=022\n"
                : "write_enable=NO\n")
        << "anon_root=" << root << "\n"
        // Active mode from an unprivileged source port, or passive mode only.
        << (dataMode == VsftpdDataMode::ActiveOnly ? "port_enable=YES\npasv_enable=NO\n"
                                                   : "port_enable=NO\npasv_enable=YES\n")
        << "connect_from_port_20=NO\n"
        << "seccomp_sandbox=NO\nbackground=NO\nxferlog_enable=NO\nuse_localtime=NO\n";
    if (idleSeconds > 0)
        out << "idle_session_timeout=" << idleSeconds << "\n";
    if (security != VsftpdSecurity::Clear)
        out << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
            << "force_local_logins_ssl=YES\nforce_local_data_ssl=YES\nrequire_ssl_reuse=YES\n"
            << "ssl_tlsv1=YES\nssl_sslv2=NO\nssl_sslv3=NO\n"
            << "rsa_cert_file=" << directory << "/server.pem\nrsa_private_key_file=" << directory << "/server.key\n"
            << (security == VsftpdSecurity::ImplicitTls ? "implicit_ssl=YES\n" : "");
    if (CanLockIntoRoot())
        out << "ftp_username=" << kAnonymousAccount << "\nnopriv_user=" << kAnonymousAccount << "\n";
    else
        out << "run_as_launching_user=YES\n";
    if (!out)
        throw std::runtime_error("cannot write " + configuration);
}

// A CA and a server certificate it signs, or a server certificate signed by
// itself; both name 127.0.0.1 and localhost, unless made for another name.
void VsftpdServer::MakeCertificate()
{
    const std::string at = directory + "/";
    const std::string names = security == VsftpdSecurity::TlsForAnotherName
                                  ? "-addext 'subjectAltName=DNS:elsewhere.test'"
                                  : "-addext 'subjectAltName=IP:127.0.0.1,DNS:localhost'";
    if (security == VsftpdSecurity::TlsSelfSigned) {
        Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Vantrel self-signed test' " + names +
            " -keyout " + at + "server.key -out " + at + "server.pem");
        return;
    }
    caFile = at + "ca.pem";
    Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Vantrel test CA' -keyout " + at +
        "ca.key -out " + caFile);
    Run("openssl req -newkey rsa:2048 -nodes -subj '/CN=127.0.0.1' " + names + " -keyout " + at +
        "server.key -out " + at + "server.csr");
    Run("openssl x509 -req -days 2 -in " + at + "server.csr -CA " + caFile + " -CAkey " + at +
        "ca.key -CAcreateserial -copy_extensions copyall -out " + at + "server.pem");
}

// vsftpd reads its certificate once, so it starts again on the same port.
void VsftpdServer::ReplaceCertificate()
{
    EndServerProcess(process);
    MakeCertificate();
    Start();
}

void VsftpdServer::KillSessions() const
{
    KillSessionsOf(process);
}

void VsftpdServer::MakeUploadFolder() const
{
    const std::string folder = PathOf(UploadFolder);
    std::filesystem::create_directory(folder);
    // Locked into the root, vsftpd writes as the anonymous account.
    if (const passwd* account = CanLockIntoRoot() ? ::getpwnam(kAnonymousAccount) : nullptr) {
        if (::chown(folder.c_str(), account->pw_uid, account->pw_gid) != 0)
            throw std::runtime_error("cannot hand " + folder + " to the anonymous account");
    }
}

void VsftpdServer::Start()
{
    process = ::fork();
    if (process < 0)
        throw std::runtime_error("cannot start vsftpd");
    if (process == 0) {
        ::execl(kProgram, kProgram, configuration.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    WaitUntilListening();
}

void VsftpdServer::WaitUntilListening()
{
    WaitForListener(process, port, "vsftpd");
}

void VsftpdServer::WriteFile(const std::string& relative, const std::string& contents) const
{
    WriteServerFile(root, relative, contents);
}

void VsftpdServer::MakeDirectory(const std::string& relative) const
{
    std::filesystem::create_directories(PathOf(relative));
}
