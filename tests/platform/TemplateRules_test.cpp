#include "platform/TemplateRules.h"

#include <gtest/gtest.h>
#include <wx/defs.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

namespace {

void ExpectPair(const std::string& text, int x, int y, bool dialogUnits)
{
    const std::optional<TemplatePair> pair = ParseTemplatePair(text);
    ASSERT_TRUE(pair) << text;
    EXPECT_EQ(x, pair->x) << text;
    EXPECT_EQ(y, pair->y) << text;
    EXPECT_EQ(dialogUnits, pair->dialogUnits) << text;
}

TEST(TemplatePairs, NumbersInDialogUnitsOrPixels)
{
    ExpectPair("35,7d", 35, 7, true);
    ExpectPair("820,627", 820, 627, false);
    ExpectPair("-1,12d", -1, 12, true);
    ExpectPair("0,0", 0, 0, false);
}

TEST(TemplatePairs, AnythingElseIsRefused)
{
    for (const char* text : {"", "d", "35", "35d", "35,", ",7d", "35,7dd", "3 5,7d", "35, 7", "a,b", "35,7,9",
                             "35;7d", "1.5,2d", "99999999999,1"})
        EXPECT_FALSE(ParseTemplatePair(text)) << text;
}

TEST(TemplateLengths, ANumberWithOrWithoutTheUnitMark)
{
    const std::optional<TemplateLength> units = ParseTemplateLength("139d");
    ASSERT_TRUE(units);
    EXPECT_EQ(139, units->value);
    EXPECT_TRUE(units->dialogUnits);
    const std::optional<TemplateLength> pixels = ParseTemplateLength("200");
    ASSERT_TRUE(pixels);
    EXPECT_EQ(200, pixels->value);
    EXPECT_FALSE(pixels->dialogUnits);
    for (const char* text : {"", "d", "1.5d", "12px", "1,2d"})
        EXPECT_FALSE(ParseTemplateLength(text)) << text;
}

TEST(TemplateStyles, NamesJoinedByBarsAddUp)
{
    EXPECT_EQ(0L, ParseTemplateStyle(""));
    EXPECT_EQ(long(wxST_NO_AUTORESIZE), ParseTemplateStyle("wxST_NO_AUTORESIZE"));
    EXPECT_EQ(long(wxTE_READONLY | wxBORDER_SUNKEN), ParseTemplateStyle("wxTE_READONLY|wxBORDER_SUNKEN"));
    EXPECT_EQ(long(wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
              ParseTemplateStyle("wxCAPTION|wxSYSTEM_MENU|wxMINIMIZE_BOX|wxCLOSE_BOX"));
}

TEST(TemplateStyles, AnUnknownOrEmptyNameRefusesTheWholeStyle)
{
    for (const char* text : {"wxRESIZE_BORDER", "wxCAPTION|wxRESIZE_BORDER", "wxCAPTION|", "|wxCAPTION",
                             "wxCAPTION||wxCLOSE_BOX", "wxCAPTION | wxCLOSE_BOX", "wxcaption"})
        EXPECT_FALSE(ParseTemplateStyle(text)) << text;
}

TEST(TemplateLabels, UnderscoresMarkMnemonicsAndBackslashesEscape)
{
    EXPECT_EQ("&File", TemplateLabel("_File"));
    EXPECT_EQ("Help&Popup", TemplateLabel("Help_Popup"));
    EXPECT_EQ("_init_", TemplateLabel("__init__"));
    EXPECT_EQ("trailing_", TemplateLabel("trailing_"));
    EXPECT_EQ("&About Vantrel...", TemplateLabel("&About Vantrel..."));
    EXPECT_EQ("Port\n(21)", TemplateLabel("Port\\n(21)"));
    EXPECT_EQ("Exit\tAlt+F4", TemplateLabel("Exit\\tAlt+F4"));
    EXPECT_EQ("a\rb", TemplateLabel("a\\rb"));
    EXPECT_EQ("C:\\temp", TemplateLabel("C:\\\\temp"));
    EXPECT_EQ("\\x stays", TemplateLabel("\\x stays"));
    EXPECT_EQ("ends\\", TemplateLabel("ends\\"));
    EXPECT_EQ("", TemplateLabel(""));
}

TEST(DialogUnits, FourToACharacterAcrossAndEightDownRoundedToTheNearestPixel)
{
    EXPECT_EQ(5, DialogUnitsToPixels(3, 7, DialogAxis::Horizontal));   // 5.25
    EXPECT_EQ(11, DialogUnitsToPixels(6, 7, DialogAxis::Horizontal));  // 10.5 rounds up
    EXPECT_EQ(820, DialogUnitsToPixels(328, 10, DialogAxis::Horizontal));
    EXPECT_EQ(627, DialogUnitsToPixels(264, 19, DialogAxis::Vertical));
    EXPECT_EQ(2, DialogUnitsToPixels(1, 19, DialogAxis::Vertical));    // 2.375
    EXPECT_EQ(0, DialogUnitsToPixels(0, 19, DialogAxis::Vertical));
    EXPECT_EQ(-1, DialogUnitsToPixels(-1, 19, DialogAxis::Vertical));  // the toolkit's "default" stays
    EXPECT_EQ(-5, DialogUnitsToPixels(-2, 10, DialogAxis::Horizontal));
}

} // namespace
