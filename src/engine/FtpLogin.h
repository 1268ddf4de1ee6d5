#pragma once
#include "engine/FtpReplyRules.h"
#include "engine/TlsTypes.h"

#include <memory>

class FtpControlChannel;
struct FtpReply;
struct FtpServerNotes;
class TlsLayer;

// What the server's FEAT listed, as far as the session uses it.
struct FtpFeatures {
    bool mlsd = false;
    bool utf8 = false;
    bool tlsOffered = false;
    bool size = false;  // SIZE, which the check after a binary transfer asks
    HashCommand hash = HashCommand::None;  // the strongest listed
};

// The login on a connected control channel: implicit TLS first when asked,
// the greeting, FEAT before USER (so that TLS is chosen before the password
// goes out) unless TLS is a given, AUTH TLS as the request's policy says,
// USER and PASS, and, encrypted, PBSZ 0 and PROT P.
class FtpLogin {
public:
    // `notes`: what an earlier login learned of the server. A server known
    // to speak TLS gets AUTH TLS at once, and one that no longer takes it is
    // left before the user name goes out.
    FtpLogin(FtpControlChannel& channel, const FtpLoginRequest& request, const FtpServerNotes& notes);

    // False when the login failed; the channel holds why, and `outcome`
    // describes a certificate that did not verify.
    bool Run(FtpLoginOutcome& outcome);

    const FtpFeatures& Features() const { return features; }
    // The login's TLS layer; null for a login in clear.
    std::unique_ptr<TlsLayer> TakeTls();

private:
    bool ReadGreeting();
    bool SendUser();
    // False when the server wants a login first (530).
    bool ReadFeatures();
    void TakeFeatures(const FtpReply& reply);
    bool NegotiateTls(FtpLoginOutcome& outcome);
    bool StartTls(FtpLoginOutcome& outcome);
    bool ProtectData();

    bool ExpectsTls() const;
    bool TlsFirst() const;
    bool RefuseDowngrade(const FtpReply& reply);

    FtpControlChannel& channel;
    const FtpLoginRequest& request;
    const FtpServerNotes& notes;
    FtpFeatures features;
    std::unique_ptr<TlsLayer> tls;
};
