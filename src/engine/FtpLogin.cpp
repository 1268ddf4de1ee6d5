#include "engine/FtpLogin.h"

#include "engine/FtpControlChannel.h"
#include "engine/FtpReplyRules.h"
#include "engine/FtpServerNotes.h"
#include "engine/TlsLayer.h"

#include <algorithm>
#include <string>
#include <vector>

FtpLogin::FtpLogin(FtpControlChannel& channel, const FtpLoginRequest& request, const FtpServerNotes& notes)
    : channel(channel), request(request), notes(notes)
{
}

// A plain domain whose server spoke TLS before: anything less now is a
// downgrade, which someone in the path can arrange.
bool FtpLogin::ExpectsTls() const
{
    return request.tls == TlsPolicy::WhenOffered && notes.spokeTls;
}

// AUTH TLS is the first command: ftpes://, or a server known to speak TLS.
bool FtpLogin::TlsFirst() const
{
    return request.tls == TlsPolicy::Demanded || ExpectsTls();
}

std::unique_ptr<TlsLayer> FtpLogin::TakeTls()
{
    return std::move(tls);
}

bool FtpLogin::Run(FtpLoginOutcome& outcome)
{
    if (request.tls == TlsPolicy::Implicit && !StartTls(outcome))
        return false;
    if (!ReadGreeting())
        return false;
    // FEAT before USER tells whether to encrypt; where TLS is a given it is
    // asked once encrypted, or not at all when it is known, which saves a
    // round trip.
    const bool featuresRead = !TlsFirst() && ReadFeatures();
    if (!channel.IsOpen() || !NegotiateTls(outcome) || !SendUser())
        return false;
    if (tls && !ProtectData())
        return false;
    if (!featuresRead && TlsFirst() && notes.features)
        features = *notes.features;
    else if (!featuresRead)
        ReadFeatures();
    FtpReply reply;
    if (features.utf8)
        channel.Exchange("OPTS UTF8 ON", reply);  // names travel as bytes either way
    return true;
}

bool FtpLogin::NegotiateTls(FtpLoginOutcome& outcome)
{
    if (request.tls == TlsPolicy::Declined || request.tls == TlsPolicy::Implicit ||
        (request.tls == TlsPolicy::WhenOffered && !features.tlsOffered && !ExpectsTls()))
        return true;
    FtpReply reply;
    if (!channel.Exchange("AUTH TLS", reply))
        return false;
    if (reply.code != 234 && ExpectsTls())
        return RefuseDowngrade(reply);
    // Stock pure-ftpd lists AUTH TLS without a certificate and refuses it: for a
    // plain domain a refusal before any handshake byte is the same as no offer.
    const bool refused = reply.Class() == ReplyClass::Transient || reply.Class() == ReplyClass::Permanent;
    if (refused && request.tls == TlsPolicy::WhenOffered)
        return true;
    if (reply.code != 234) {
        const std::string why = request.tls == TlsPolicy::Demanded
                                    ? "The server does not offer TLS, which a site written ftpes:// requires; "
                                      "nothing else was sent. It answered AUTH TLS with: "
                                    : "The server answered AUTH TLS with neither a go-ahead nor a refusal: ";
        return channel.Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR, why + reply.text);
    }
    return StartTls(outcome);
}

bool FtpLogin::RefuseDowngrade(const FtpReply& reply)
{
    const std::string where = request.host + " port " + std::to_string(request.port);
    return channel.Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                         "The server at " + where + " spoke TLS at earlier logins, and now answers AUTH TLS with: " +
                             reply.text + "\n\nNothing else was sent: someone in between may be trying to read "
                             "the password. To log in in clear on purpose, write ftp://" + request.host +
                             " in the Domain box; that also forgets that this server spoke TLS.");
}

// The handshake, and the certificate's verdict before anything else is sent.
bool FtpLogin::StartTls(FtpLoginOutcome& outcome)
{
    std::string loadError;
    tls = MakeTlsLayer(request.host, request.trustedFingerprint, channel.Timeouts().handshake, loadError);
    if (!tls)
        return channel.Break(ERROR_INTERNET_INTERNAL_ERROR, "The TLS module could not be loaded: " + loadError);
    if (!channel.StartTls(*tls))
        return false;
    if (tls->Verdict() != TlsLayer::Trust::Untrusted)
        return true;
    outcome.certificateState = FtpLoginOutcome::Certificate::Untrusted;
    outcome.certificate = tls->Certificate();
    return channel.Break(ERROR_INTERNET_INVALID_CA,
                         "The server's certificate is not trusted: " + tls->Certificate().problem);
}

// Data connections in TLS as well; a server that will not is left before a
// byte of a file goes in clear.
bool FtpLogin::ProtectData()
{
    FtpReply reply;
    if (!channel.Exchange("PBSZ 0", reply))
        return false;
    if (reply.Class() == ReplyClass::Complete && !channel.Exchange("PROT P", reply))
        return false;
    if (reply.Class() != ReplyClass::Complete)
        return channel.Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                             "The server refused to encrypt the data connections: " + reply.text);
    return true;
}

bool FtpLogin::ReadGreeting()
{
    FtpReply reply;
    do {
        if (!channel.ReadReply(reply))
            return false;
    } while (reply.Class() == ReplyClass::Preliminary);  // 120: ready in a while
    return channel.Expect(reply, ReplyClass::Complete);
}

bool FtpLogin::SendUser()
{
    FtpReply reply;
    if (!channel.Exchange("USER " + request.user, reply))
        return false;
    if (reply.Class() == ReplyClass::Complete)
        return true;
    if (reply.code != 331)
        return channel.FailWithReply(reply);  // also 332: accounts are not supported
    return channel.Exchange("PASS " + request.password, reply) && channel.Expect(reply, ReplyClass::Complete);
}

bool FtpLogin::ReadFeatures()
{
    FtpReply reply;
    if (!channel.Exchange("FEAT", reply))
        return true;
    // Servers without FEAT are fine: they get LIST and no UTF-8 option.
    if (reply.Class() == ReplyClass::Complete)
        TakeFeatures(reply);
    return reply.code != 530;
}

void FtpLogin::TakeFeatures(const FtpReply& reply)
{
    const std::vector<std::string> names = FeatureNames(reply.text);
    const auto lists = [&names](const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); };
    // MLST implies MLSD (RFC 3659), and most servers list only MLST.
    features.mlsd = lists("MLSD") || lists("MLST");
    features.utf8 = lists("UTF8");
    features.tlsOffered = FeaturesOfferTls(reply.text);
    features.size = lists("SIZE");
    features.hash = BestHashCommand(reply.text);
}
