#include "platform/Resources.h"
#include "platform/TemplateBuilder.h"
#include "platform/Text.h"
#include "support/GuiTestHelpers.h"

#include <gtest/gtest.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/mstream.h>
#include <wx/stattext.h>
#include <wx/xml/xml.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A template of our own, so each rule is checked on a dialog built for it.
class TemplateBuilderTest : public testing::Test {
protected:
    void TearDown() override
    {
        dialog->Destroy();
        PumpEvents();
    }

    bool Build(const std::string& objects, const std::string& dialogSettings = kDialogSettings)
    {
        const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><resource version=\"2.5.3.0\">"
                                "<object class=\"wxDialog\" name=\"900\">" +
                                dialogSettings + objects + "</object></resource>";
        wxMemoryInputStream stream(xml.data(), xml.size());
        if (!document.Load(stream))
            return false;
        return TemplateBuilder(dialog).Build(nullptr, *document.GetRoot()->GetChildren());
    }

    wxPoint Pixels(int x, int y) const { return dialog->ConvertDialogToPixels(wxPoint(x, y)); }

    static constexpr const char* kDialogSettings =
        "<title>Test _dialog</title><size>201,97d</size><style>wxCAPTION|wxSYSTEM_MENU</style>"
        "<font><size>12</size><face>No Such Face,Liberation Mono</face></font>";

    wxXmlDocument document;
    wxDialog* dialog = new wxDialog;
};

TEST_F(TemplateBuilderTest, ControlsSitWhereTheTemplateSaysInUnitsOfTheDialogFont)
{
    ASSERT_TRUE(Build("<object class=\"wxButton\" name=\"1006\"><pos>11,211d</pos><size>37,13d</size>"
                      "<label>Login</label></object>"
                      "<object class=\"wxTextCtrl\" name=\"1002\"><pos>35,26d</pos><size>71,12d</size></object>"
                      "<object class=\"wxStaticText\" name=\"note\"><pos>5,7</pos><size>40,19</size>"
                      "<label>pixels</label><style>wxST_NO_AUTORESIZE</style></object>"));
    EXPECT_EQ("Test &dialog", ToUtf8(dialog->GetTitle()));
    EXPECT_EQ(long(wxCAPTION | wxSYSTEM_MENU), dialog->GetWindowStyleFlag() & (wxCAPTION | wxSYSTEM_MENU));
    EXPECT_EQ("Liberation Mono", ToUtf8(dialog->GetFont().GetFaceName()));
    EXPECT_EQ(12, dialog->GetFont().GetPointSize());
    EXPECT_EQ(dialog->ConvertDialogToPixels(wxSize(201, 97)), dialog->GetClientSize());

    wxWindow* login = dialog->FindWindow(1006);
    ASSERT_TRUE(login);
    EXPECT_EQ(Pixels(11, 211), login->GetPosition());
    EXPECT_EQ(dialog->ConvertDialogToPixels(wxSize(37, 13)), login->GetSize());
    EXPECT_EQ(dialog->GetFont(), login->GetFont());
    wxWindow* edit = dialog->FindWindow(1002);
    ASSERT_TRUE(edit);
    EXPECT_EQ(Pixels(35, 26), edit->GetPosition());
    EXPECT_EQ(dialog->ConvertDialogToPixels(wxSize(71, 12)), edit->GetSize());
    wxWindow* note = dialog->FindWindowByName("note");
    ASSERT_TRUE(note);
    EXPECT_EQ(wxPoint(5, 7), note->GetPosition());
    EXPECT_EQ(wxSize(40, 19), note->GetSize());
}

TEST_F(TemplateBuilderTest, NumberedNamesBecomeIdsInTemplateOrder)
{
    ASSERT_TRUE(Build("<object class=\"wxButton\" name=\"1\"><label>OK</label><default>1</default></object>"
                      "<object class=\"wxButton\" name=\"2\"><label>Cancel</label></object>"
                      "<object class=\"wxCheckBox\" name=\"1016\"><label>_Hide</label></object>"
                      "<object class=\"wxStaticBox\" name=\"group\"><label>File</label></object>"
                      "<object class=\"wxStaticText\" name=\"port\"><label>Port\\n(21)</label></object>"));
    std::vector<std::string> names;
    for (const wxWindow* child : dialog->GetChildren())
        names.push_back(ToUtf8(child->GetName()));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "1016", "group", "port"}), names);
    EXPECT_TRUE(dialog->FindWindow(wxID_OK));
    EXPECT_TRUE(dialog->FindWindow(wxID_CANCEL));
    EXPECT_EQ(dialog->FindWindow(wxID_OK), dialog->GetDefaultItem());
    EXPECT_EQ("&Hide", ToUtf8(dialog->FindWindow(1016)->GetLabel()));
    EXPECT_EQ("Port\n(21)", ToUtf8(dialog->FindWindowByName("port")->GetLabel()));
    // Names that are no numbers leave the id to the toolkit.
    EXPECT_LT(dialog->FindWindowByName("group")->GetId(), 0);
}

TEST_F(TemplateBuilderTest, PicturesTipsAndWrapping)
{
    ASSERT_TRUE(Build("<object class=\"wxBitmapButton\" name=\"1037\"><bitmap>email_u.png</bitmap>"
                      "<pressed>email_d.png</pressed><tooltip>email</tooltip></object>"
                      "<object class=\"wxStaticText\" name=\"info\"><size>40,30d</size><wrap>40d</wrap>"
                      "<label>Select an application for viewing a hilighted server file.</label></object>"));
    auto* email = dynamic_cast<wxBitmapButton*>(dialog->FindWindow(1037));
    ASSERT_TRUE(email);
    EXPECT_TRUE(email->GetBitmapLabel().IsOk());
    EXPECT_TRUE(email->GetBitmapPressed().IsOk());
    EXPECT_EQ("email", ToUtf8(email->GetToolTipText()));
    const wxString wrapped = dialog->FindWindowByName("info")->GetLabel();
    EXPECT_TRUE(wrapped.Contains("\n")) << ToUtf8(wrapped);
}

TEST_F(TemplateBuilderTest, AnUnknownControlLeavesAPlaceTheProgramFills)
{
    ASSERT_TRUE(Build("<object class=\"unknown\" name=\"1040\"><pos>7,39d</pos><size>50,40d</size></object>"));
    wxWindow* place = dialog->FindWindowByName("1040_container");
    ASSERT_TRUE(place);
    EXPECT_EQ(Pixels(7, 39), place->GetPosition());
    auto* list = new wxStaticText(dialog, wxID_ANY, "stand-in");
    ASSERT_TRUE(AttachToTemplatePlace(dialog, "1040", list));
    EXPECT_EQ(place, list->GetParent());
    EXPECT_EQ(1040, list->GetId());
    EXPECT_EQ("1040", ToUtf8(list->GetName()));
    EXPECT_EQ(place->GetClientSize(), list->GetSize());
    EXPECT_FALSE(AttachToTemplatePlace(dialog, "1070", new wxStaticText(dialog, wxID_ANY, "no place")));
}

// What the builder does not understand fails the build instead of making a
// window the template did not describe.
TEST_F(TemplateBuilderTest, AnythingNotUnderstoodFailsTheBuild)
{
    const char* const refused[] = {
        "<object class=\"wxSlider\" name=\"1\"/>",
        "<object class=\"wxButton\" name=\"1\"><style>wxBU_EXACTFIT</style></object>",
        "<object class=\"wxButton\" name=\"1\"><hidden>1</hidden></object>",
        "<object class=\"wxButton\" name=\"1\"><pos>1;2d</pos></object>",
        "<object class=\"wxButton\" name=\"1\"><size>12d</size></object>",
        "<object class=\"wxButton\" name=\"1\"><wrap>12d</wrap></object>",
        "<object class=\"wxStaticBox\" name=\"1\"><object class=\"wxButton\" name=\"2\"/></object>",
    };
    for (const char* objects : refused) {
        dialog->Destroy();
        dialog = new wxDialog;
        EXPECT_FALSE(Build(objects)) << objects;
    }
    dialog->Destroy();
    dialog = new wxDialog;
    EXPECT_FALSE(Build("", "<style>wxRESIZE_BORDER</style>"));
    dialog->Destroy();
    dialog = new wxDialog;
    EXPECT_FALSE(Build("", "<size>big</size>"));
}

TEST(Templates, EveryTemplateOfTheProgramBuildsAndOtherNamesDoNot)
{
    for (const char* name : {"100", "102", "129", "140", "141"}) {
        auto* dialog = new wxDialog;
        EXPECT_TRUE(LoadDialogTemplate(dialog, nullptr, name)) << name;
        EXPECT_FALSE(dialog->GetChildren().empty()) << name;
        dialog->Destroy();
    }
    for (const char* name : {"999", "137"}) {
        auto* dialog = new wxDialog;
        EXPECT_FALSE(LoadDialogTemplate(dialog, nullptr, name)) << name;
        delete dialog;
    }
    PumpEvents();
}

} // namespace
