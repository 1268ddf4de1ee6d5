#include "ftp/SshQuestions.h"

#include "platform/Text.h"

#include <wx/msgdlg.h>
#include <wx/textdlg.h>

std::string HostKeyQuestionText(const ServerHostKey& key, const std::string& host, std::uint16_t port)
{
    return "The authenticity of host " + host + " port " + std::to_string(port) + " can't be established.\n\n" +
           "Its " + key.type + " key fingerprint is\n" + key.fingerprint + "\n\n" +
           "This key is not known by any other names. Trust it only if the server's owner confirms this "
           "fingerprint. Trust adds it to your ~/.ssh/known_hosts, as ssh does, and logs in.";
}

HostKeyAnswer AskAboutHostKey(wxWindow* owner, const ServerHostKey& key, const std::string& host,
                              std::uint16_t port)
{
    wxMessageDialog box(owner, FromUtf8(HostKeyQuestionText(key, host, port)), "Host Key",
                        wxYES_NO | wxNO_DEFAULT | wxICON_WARNING);
    box.SetYesNoLabels("Trust", "Cancel");
    return box.ShowModal() == wxID_YES ? HostKeyAnswer::Trust : HostKeyAnswer::Cancel;
}

bool AskPassphrase(wxWindow* owner, const std::string& prompt, std::string& answer)
{
    wxPasswordEntryDialog box(owner, FromUtf8(prompt), "Login");
    if (box.ShowModal() != wxID_OK)
        return false;
    answer = ToUtf8(box.GetValue());
    return true;
}
