#include "support/GuiTestHelpers.h"

#include "platform/Text.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>

int ExpectMessageBox::OnInvoked(wxMessageDialog* dialog) const
{
    EXPECT_EQ(text, ToUtf8(dialog->GetMessage()));
    EXPECT_EQ(caption, ToUtf8(dialog->GetCaption()));
    EXPECT_EQ(icon, dialog->GetMessageDialogStyle() & wxICON_MASK)
        << "box \"" << text << "\"";
    return answer;
}

void PumpEvents()
{
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (loop) {
        while (loop->Pending())
            loop->Dispatch();
    }
    if (wxTheApp)
        wxTheApp->ProcessPendingEvents();
    wxYield();
}
