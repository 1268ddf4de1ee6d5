#include "ftp/CertificateQuestion.h"

#include "platform/Text.h"

#include <wx/msgdlg.h>

std::string CertificateQuestionText(const ServerCertificate& certificate, const std::string& host,
                                    std::uint16_t port, CertificateHistory history, TlsPolicy policy)
{
    std::string text;
    if (history == CertificateHistory::Changed)
        text = "WARNING: the certificate of " + host + " port " + std::to_string(port) +
               " is not the one you trusted before. Someone may be listening in, or the server got a new "
               "certificate.\n\n";
    text += "The certificate of " + host + " port " + std::to_string(port) + " could not be verified: " +
            certificate.problem + ".\n\n";
    text += "Subject: " + certificate.subject + "\nIssuer: " + certificate.issuer + "\nValid from " +
            certificate.notBefore + " to " + certificate.notAfter + "\nSHA-256 fingerprint:\n" +
            certificate.fingerprint + "\n\n";
    text += "Trust it only if the server's owner confirms this fingerprint. Trust remembers it for this host "
            "and port.";
    if (policy == TlsPolicy::WhenOffered)
        text += " Without encryption logs in in clear text, password included.";
    return text;
}

CertificateAnswer AskAboutCertificate(wxWindow* owner, const ServerCertificate& certificate, const std::string& host,
                                      std::uint16_t port, CertificateHistory history, TlsPolicy policy)
{
    const bool clearOffered = policy == TlsPolicy::WhenOffered;
    wxMessageDialog box(owner, FromUtf8(CertificateQuestionText(certificate, host, port, history, policy)),
                        "Certificate",
                        (clearOffered ? wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT : wxYES_NO | wxNO_DEFAULT) |
                            wxICON_WARNING);
    if (clearOffered)
        box.SetYesNoCancelLabels("Trust", "Without encryption", "Cancel");
    else
        box.SetYesNoLabels("Trust", "Cancel");
    switch (box.ShowModal()) {
    case wxID_YES: return CertificateAnswer::Trust;
    case wxID_NO: return clearOffered ? CertificateAnswer::GoOnInClear : CertificateAnswer::Cancel;
    default: return CertificateAnswer::Cancel;
    }
}
