#include "fileops/CInputDlg.h"

#include "fileops/ModalDialogDriver.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <vector>

namespace {

constexpr int kEditId = 1028;

wxTextCtrl* EditOf(CInputDlg& dialog)
{
    return static_cast<wxTextCtrl*>(dialog.FindWindow(kEditId));
}

std::string ShownText(CInputDlg& dialog)
{
    return ToUtf8(EditOf(dialog)->GetValue());
}

TEST(CInputDlg, OpensWithTheCaptionTheTextAndTheFocusOnOk)
{
    CInputDlg dialog;
    dialog.caption = "Rename";
    dialog.text = "old name.txt";
    std::string title, shown;
    bool focusOnOk = false;
    ShowAndPress(dialog, wxID_CANCEL, [&] {
        title = ToUtf8(dialog.GetTitle());
        shown = ShownText(dialog);
        focusOnOk = wxWindow::FindFocus() == dialog.FindWindow(wxID_OK);
    });
    EXPECT_EQ(title, "Rename");
    EXPECT_EQ(shown, "old name.txt");
    EXPECT_TRUE(focusOnOk);
}

TEST(CInputDlg, OkIsTheDefaultAndTheTabOrderIsOkCancelEdit)
{
    CInputDlg dialog;
    EXPECT_EQ(dialog.GetDefaultItem(), dialog.FindWindow(wxID_OK));
    std::vector<int> order;
    for (wxWindow* child : dialog.GetChildren())
        order.push_back(child->GetId());
    EXPECT_EQ(order, (std::vector<int>{wxID_OK, wxID_CANCEL, kEditId}));
}

TEST(CInputDlg, OkStoresTheEditAndAnswersIdOk)
{
    CInputDlg dialog;
    dialog.caption = "Enter New Directory";
    const int answer = ShowAndPress(dialog, wxID_OK, [&] { EditOf(dialog)->SetValue("  New Folder "); });
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(dialog.text, "  New Folder ");
}

TEST(CInputDlg, CancelLeavesTheTextAsItWas)
{
    CInputDlg dialog;
    dialog.text = "keep me";
    const int answer = ShowAndPress(dialog, wxID_CANCEL, [&] { EditOf(dialog)->SetValue("typed over"); });
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(dialog.text, "keep me");
}

TEST(CInputDlg, EachShowingStartsFromTheCurrentText)
{
    CInputDlg dialog;
    dialog.caption = "Rename";
    dialog.text = "a.txt";
    ShowAndPress(dialog, wxID_OK, [&] { EditOf(dialog)->SetValue("rejected.txt"); });

    std::string shownAgain;
    ShowAndPress(dialog, wxID_CANCEL, [&] { shownAgain = ShownText(dialog); });
    EXPECT_EQ(shownAgain, "rejected.txt");

    dialog.text = "changed by the caller";
    std::string shownThird;
    ShowAndPress(dialog, wxID_CANCEL, [&] { shownThird = ShownText(dialog); });
    EXPECT_EQ(shownThird, "changed by the caller");
}

TEST(CInputDlg, KeepsUtf8TextAndCaptionIntact)
{
    CInputDlg dialog;
    dialog.caption = "Umbenennen \xC3\xBC";
    dialog.text = "\xC3\x9C" "bersicht \xE2\x82\xAC.txt";
    std::string title;
    ShowAndPress(dialog, wxID_OK, [&] { title = ToUtf8(dialog.GetTitle()); });
    EXPECT_EQ(title, "Umbenennen \xC3\xBC");
    EXPECT_EQ(dialog.text, "\xC3\x9C" "bersicht \xE2\x82\xAC.txt");
}

} // namespace
