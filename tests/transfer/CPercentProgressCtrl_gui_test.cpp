#include "transfer/CPercentProgressCtrl.h"
#include "transfer/TextContrast.h"

#include "support/GuiTestHelpers.h"

#include <atk/atk.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

constexpr int kBarWidth = 200;
constexpr int kBarHeight = 24;

// A shown bar 200 pixels wide that counts its paints.
class PercentProgressCtrlTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "bar", wxDefaultPosition, wxSize(300, 100));
        // On a panel, so the frame does not stretch its only child.
        wxPanel* panel = new wxPanel(frame);
        bar = new CPercentProgressCtrl(panel, 1070, wxPoint(0, 0), wxSize(kBarWidth, kBarHeight));
        bar->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
            ++paints;
            event.Skip();
        });
        frame->Show();
        ASSERT_TRUE(PumpUntil([this] { return paints > 0; }));
        PumpEvents();
        paints = 0;
    }

    void TearDown() override
    {
        frame->Destroy();
        PumpEvents();
    }

    // Paints that follow from what was requested so far.
    int PaintsAfterPumping()
    {
        PumpUntil([] { return false; }, 0.2);
        return paints;
    }

    wxFrame* frame = nullptr;
    CPercentProgressCtrl* bar = nullptr;
    int paints = 0;
};

TEST(PercentProgressCtrlNoWindowTest, SetPosWithoutAWindowChangesNothing)
{
    CPercentProgressCtrl bar;
    EXPECT_EQ(-1, bar.SetPos(5));
    EXPECT_EQ(0, bar.GetPos());
    EXPECT_EQ(-1, bar.GetBarWidth());
}

TEST_F(PercentProgressCtrlTest, SetPosReturnsThePreviousPosition)
{
    bar->SetRange(0, 1000);
    EXPECT_EQ(0, bar->SetPos(333));
    EXPECT_EQ(333, bar->SetPos(1500));
    EXPECT_EQ(1500, bar->SetPos(0));
    EXPECT_EQ(0, bar->GetPos());
}

TEST_F(PercentProgressCtrlTest, PositionsOfHugeFilesAreKept)
{
    bar->SetRange(0, 5000000000LL);
    bar->SetPos(4000000000LL);
    EXPECT_EQ(4000000000LL, bar->SetPos(4500000000LL));
    EXPECT_EQ(180, bar->GetBarWidth());
}

TEST_F(PercentProgressCtrlTest, RepaintsAtOnceOnlyWhenTheFilledWidthChanges)
{
    bar->SetRange(0, 1000);
    bar->SetPos(333);
    EXPECT_EQ(66, bar->GetBarWidth());
    EXPECT_EQ(1, paints) << "the paint runs before SetPos returns";
    bar->SetPos(334);
    EXPECT_EQ(66, bar->GetBarWidth());
    EXPECT_EQ(1, PaintsAfterPumping());
    bar->SetPos(340);
    EXPECT_EQ(68, bar->GetBarWidth());
    EXPECT_EQ(2, paints);
}

// A file larger than its listing reports far past the end of the range, as
// often as every 1000 bytes: the full bar must not repaint for each.
TEST_F(PercentProgressCtrlTest, PastTheEndOnlyAChangedPercentageRepaints)
{
    bar->SetRange(0, 1000);
    bar->SetText(" ");
    PumpEvents();
    paints = 0;
    bar->SetPos(1000);
    EXPECT_EQ(kBarWidth, bar->GetBarWidth());
    for (long long position = 2000; position <= 200000; position += 1000)
        bar->SetPos(position);
    EXPECT_EQ(1, PaintsAfterPumping());
    bar->SetText("");
    PumpEvents();
    paints = 0;
    bar->SetPos(250000);  // "25000%"
    EXPECT_EQ(1, paints);
    bar->SetPos(250001);
    EXPECT_EQ(1, PaintsAfterPumping());
}

// What a screen reader gets from the bar: its role, a 0..100 range, and
// the value and text as they change, held in range past the end.
TEST_F(PercentProgressCtrlTest, ScreenReadersReadTheShareAndTheText)
{
    AtkObject* accessible = gtk_widget_get_accessible(static_cast<GtkWidget*>(bar->GetHandle()));
    ASSERT_TRUE(ATK_IS_VALUE(accessible));
    EXPECT_EQ(ATK_ROLE_PROGRESS_BAR, atk_object_get_role(accessible));
    AtkRange* range = atk_value_get_range(ATK_VALUE(accessible));
    EXPECT_EQ(0.0, atk_range_get_lower_limit(range));
    EXPECT_EQ(100.0, atk_range_get_upper_limit(range));
    atk_range_free(range);

    struct Step {
        long long pos;
        const char* text;
        double value;
        std::string heard;
    };
    bar->SetRange(0, 1000);
    for (const Step& step : {Step{425, "", 42, "42%"}, Step{425, "Downlaod a.bin", 42, "Downlaod a.bin"},
             Step{5000, "", 100, "500%"}}) {
        bar->SetText(step.text);
        bar->SetPos(step.pos);
        double value = -1;
        gchar* text = nullptr;
        atk_value_get_value_and_text(ATK_VALUE(accessible), &value, &text);
        EXPECT_EQ(step.value, value) << step.heard;
        EXPECT_EQ(step.heard, text);
        EXPECT_EQ(step.heard, atk_object_get_name(accessible));
        g_free(text);
    }
}

TEST_F(PercentProgressCtrlTest, SetRangeAloneDoesNotRepaint)
{
    bar->SetRange(0, 5);
    EXPECT_EQ(0, PaintsAfterPumping());
}

TEST_F(PercentProgressCtrlTest, SetTextRepaintsOnlyWhenTheTextDiffers)
{
    bar->SetText(" ");
    EXPECT_EQ(1, PaintsAfterPumping());
    bar->SetText(" ");
    EXPECT_EQ(1, PaintsAfterPumping());
    bar->SetText("Downlaod   a   remaining 3 sec");
    EXPECT_EQ(2, PaintsAfterPumping());
    bar->SetText("downlaod   a   remaining 3 sec");
    EXPECT_EQ(3, PaintsAfterPumping());
    EXPECT_EQ("downlaod   a   remaining 3 sec", bar->GetText());
}

TEST_F(PercentProgressCtrlTest, ResizeMakesTheNextSetPosRepaint)
{
    bar->SetRange(0, 1000);
    bar->SetPos(500);
    EXPECT_EQ(100, bar->GetBarWidth());
    bar->SetSize(wxSize(100, kBarHeight));
    PumpEvents();
    EXPECT_EQ(-1, bar->GetBarWidth());
    paints = 0;
    bar->SetPos(500);
    EXPECT_EQ(50, bar->GetBarWidth());
    EXPECT_EQ(1, paints);
}

TEST_F(PercentProgressCtrlTest, EmptyRangeStillPaints)
{
    bar->SetRange(0, 0);
    bar->SetText("uplaoding empty.txt");
    EXPECT_EQ(1, PaintsAfterPumping());
    bar->SetPos(0);
    EXPECT_EQ(0, bar->GetBarWidth());
}

TEST_F(PercentProgressCtrlTest, StepItAdvancesByTheStepSize)
{
    bar->SetRange(0, 100);
    EXPECT_EQ(1, bar->SetStep(10));
    EXPECT_EQ(0, bar->StepIt());
    EXPECT_EQ(10, bar->StepIt());
    EXPECT_EQ(20, bar->GetPos());
}

// What the bar draws, rendered into a bitmap.
class PercentProgressRenderTest : public PercentProgressCtrlTest {
protected:
    wxImage Picture() const
    {
        wxBitmap bitmap(kBarWidth, kBarHeight);
        {
            wxMemoryDC dc(bitmap);
            bar->Render(dc, wxSize(kBarWidth, kBarHeight));
        }
        return bitmap.ConvertToImage();
    }

    static wxColour At(const wxImage& image, int x, int y)
    {
        return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
    }

    static int Distance(const wxColour& a, const wxColour& b)
    {
        return std::abs(a.Red() - b.Red()) + std::abs(a.Green() - b.Green()) + std::abs(a.Blue() - b.Blue());
    }

    // Pixels in columns [from, to) nearer to `ink` than to `paper`.
    static int InkPixels(const wxImage& image, int from, int to, const wxColour& ink, const wxColour& paper)
    {
        int count = 0;
        for (int x = from; x < to; ++x) {
            for (int y = 0; y < image.GetHeight(); ++y) {
                const wxColour pixel = At(image, x, y);
                if (Distance(pixel, ink) < Distance(pixel, paper))
                    ++count;
            }
        }
        return count;
    }
};

TEST_F(PercentProgressRenderTest, ColoursComeFromTheSystem)
{
    EXPECT_EQ(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), bar->GetBarColor());
    EXPECT_EQ(wxSystemSettings::GetColour(wxSYS_COLOUR_MENU), bar->GetBackColor());
    EXPECT_NE(bar->GetBarColor(), bar->GetBackColor());
    EXPECT_NE(bar->GetBarColor(), bar->GetTextOnBarColor());
}

// The two parts of one status line as drawn, each against the pixels around
// it, in the light theme and in the dark one (CTest runs this under both).
TEST_F(PercentProgressRenderTest, TheTextReadsOnBothPartsAsDrawn)
{
    const char* theme = std::getenv("GTK_THEME");
    const bool dark = theme && std::string(theme).ends_with(":dark");
    EXPECT_EQ(dark, ContrastRatio(bar->GetBackColor(), *wxBLACK) < ContrastRatio(bar->GetBackColor(), *wxWHITE))
        << "the theme is not the one asked for";
    bar->SetRange(0, 100);
    bar->SetText("Not encrypted: the password went in clear text");
    bar->SetPos(50);
    const wxImage image = Picture();
    for (const auto& [from, to] : {std::pair{0, kBarWidth / 2}, std::pair{kBarWidth / 2, kBarWidth}}) {
        const wxColour paper = At(image, from, 0);
        double strongest = 1;
        for (int x = from; x < to; ++x) {
            for (int y = 0; y < kBarHeight; ++y)
                strongest = std::max(strongest, ContrastRatio(At(image, x, y), paper));
        }
        EXPECT_GE(strongest, kReadableContrast) << "columns " << from << " to " << to;
    }
}

TEST_F(PercentProgressRenderTest, FillsSplitAtTheFilledWidth)
{
    bar->SetRange(0, 1000);
    bar->SetPos(333);
    bar->SetShowText(false);
    const wxImage image = Picture();
    for (int x = 0; x < kBarWidth; ++x) {
        const wxColour expected = x < 66 ? bar->GetBarColor() : bar->GetBackColor();
        ASSERT_EQ(expected, At(image, x, 0)) << "column " << x;
        ASSERT_EQ(expected, At(image, x, kBarHeight - 1)) << "column " << x;
        ASSERT_EQ(expected, At(image, x, kBarHeight / 2)) << "column " << x << " holds no text";
    }
}

TEST_F(PercentProgressRenderTest, TextChangesColourExactlyAtTheEdge)
{
    bar->SetRange(0, 1000);
    bar->SetPos(500);
    bar->SetText("MMMMMMMMMMMMMMMM");
    const wxImage image = Picture();
    // The string straddles the edge: the part over the fill shows in the
    // on-bar colour, the rest in the text colour.
    EXPECT_GT(InkPixels(image, 0, 100, bar->GetTextOnBarColor(), bar->GetBarColor()), 0);
    EXPECT_GT(InkPixels(image, 100, kBarWidth, bar->GetTextColor(), bar->GetBackColor()), 0);
    EXPECT_EQ(bar->GetBarColor(), At(image, 99, 0));
    EXPECT_EQ(bar->GetBackColor(), At(image, 100, 0));
}

TEST_F(PercentProgressRenderTest, EmptyTextShowsThePercentage)
{
    bar->SetRange(0, 1000);
    bar->SetPos(0);
    const wxImage noText = [this] {
        bar->SetShowText(false);
        wxImage image = Picture();
        bar->SetShowText(true);
        return image;
    }();
    const wxImage percent = Picture();
    EXPECT_EQ(0, InkPixels(noText, 0, kBarWidth, bar->GetTextColor(), bar->GetBackColor()));
    EXPECT_GT(InkPixels(percent, 0, kBarWidth, bar->GetTextColor(), bar->GetBackColor()), 0);
}

TEST_F(PercentProgressRenderTest, PositionPastTheEndFillsTheWholeBar)
{
    bar->SetRange(0, 1000);
    bar->SetPos(1500);
    bar->SetShowText(false);
    const wxImage image = Picture();
    EXPECT_EQ(bar->GetBarColor(), At(image, 0, 0));
    EXPECT_EQ(bar->GetBarColor(), At(image, kBarWidth - 1, kBarHeight - 1));
}

TEST_F(PercentProgressRenderTest, EmptyRangeDrawsAnEmptyBarWithTheText)
{
    bar->SetRange(0, 0);
    bar->SetText("uplaoding empty.txt");
    const wxImage image = Picture();
    EXPECT_EQ(bar->GetBackColor(), At(image, 0, 0));
    EXPECT_GT(InkPixels(image, 0, kBarWidth, bar->GetTextColor(), bar->GetBackColor()), 0);
}

} // namespace
