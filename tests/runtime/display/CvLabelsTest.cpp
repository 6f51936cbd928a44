#include <gtest/gtest.h>

#include <climits>

#include "CvLinkLabel.h"
#include "CvOfficeLabel.h"
#include "DisplayTestProbe.h"
#include "Graphics.h"
#include "ShellApi.h"

using namespace corvane;
using corvane::testing::Rgb;

namespace {

struct OfficeLabelTest : corvane::testing::DisplayForm {
    TCvOfficeLabel* L = nullptr;
    void SetUp() override {
        DisplayForm::SetUp();
        L = new TCvOfficeLabel(Form);
        L->SetParent(Form);
        L->SetLeft(20);
        L->SetTop(20);
    }
    // The leftmost column of dark text pixels right of the lamp.
    int32_t TextLeft() {
        for (int x = 20; x < L->Width(); ++x)
            for (int y = 0; y < L->Height(); ++y)
                if (PixelOf(L, x, y) == 0) return x;
        return INT_MAX;
    }
    // True when the control shows the lamp picture Name (yellow key pixels
    // show the form's face).
    bool ShowsLamp(const std::string& Name) {
        vcl::TBitmap lamp;
        lamp.LoadFromResourceName(Name);
        for (int y = 0; y < lamp.Height(); ++y)
            for (int x = 0; x < lamp.Width(); ++x) {
                uint32_t want = uint32_t(lamp.Canvas()->Pixels(x, y)) & 0xFFFFFFu;
                if (want == Rgb(vcl::clYellow)) want = Rgb(vcl::clBtnFace);
                if (PixelOf(L, x, y) != want) return false;
            }
        return true;
    }
    bool DottedFrame() {
        // The frame's left edge runs 3 pixels left of the text rectangle.
        int dark = 0;
        for (int y = 0; y < L->Height(); ++y) dark += PixelOf(L, 22, y) == 0;
        return dark >= 3;
    }
    vcl::TPoint At(int X, int Y) { return L->ClientToScreen({X, Y}); }
};

}  // namespace

TEST_F(OfficeLabelTest, NewLabelShowsTheUnlitRoundLampAndItsCaption) {
    EXPECT_EQ(L->Width(), 100);
    EXPECT_EQ(L->Height(), 16);
    EXPECT_EQ(L->Caption(), "OfficeLabel");
    EXPECT_EQ(L->LEDType(), cvltRound);
    EXPECT_EQ(L->LampName(), "OFFRND");
    ShowForm();
    EXPECT_TRUE(ShowsLamp("OFFRND"));
    EXPECT_GE(TextLeft(), 25);
    EXPECT_LE(TextLeft(), 27) << "the text starts 25 pixels in (plus the glyph's bearing)";
    Save("officelabel_off");
}

TEST_F(OfficeLabelTest, TriangleUpKeepsTheTextPlace) {
    ShowForm();
    const int32_t roundLeft = TextLeft();
    L->SetLEDType(cvltTriangleUp);
    EXPECT_EQ(L->LampName(), "OFF3UP");
    EXPECT_TRUE(ShowsLamp("OFF3UP"));
    EXPECT_EQ(TextLeft(), roundLeft);
    L->SetLEDType(cvltTriangleDown);
    EXPECT_TRUE(ShowsLamp("OFF3DWN"));
}

TEST_F(OfficeLabelTest, LampFollowsTheMouse) {
    ShowForm();
    const vcl::TPoint in = At(40, 8), out = Form->ClientToScreen({300, 150});
    vcl::FeedMouseMove(out.X, out.Y);
    corvane::testing::Pump();
    vcl::FeedMouseMove(in.X, in.Y);
    corvane::testing::Pump();
    EXPECT_TRUE(L->Hover());
    EXPECT_TRUE(ShowsLamp("ONRND"));
    EXPECT_FALSE(DottedFrame());
    Save("officelabel_hover");
    vcl::FeedMouseButton(vcl::mbLeftButton, true, in.X, in.Y);
    corvane::testing::Pump();
    EXPECT_TRUE(L->Pressed());
    EXPECT_TRUE(ShowsLamp("DOWNRND"));
    EXPECT_TRUE(DottedFrame());
    Save("officelabel_pressed");
    // Dragging out: unlit, no frame, still pressed.
    vcl::FeedMouseMove(out.X, out.Y);
    corvane::testing::Pump();
    EXPECT_FALSE(L->Hover());
    EXPECT_TRUE(L->Pressed());
    EXPECT_TRUE(ShowsLamp("OFFRND"));
    EXPECT_FALSE(DottedFrame());
    // Back in with the button held: pressed again.
    vcl::FeedMouseMove(in.X, in.Y);
    corvane::testing::Pump();
    EXPECT_TRUE(ShowsLamp("DOWNRND"));
    vcl::FeedMouseButton(vcl::mbLeftButton, false, in.X, in.Y);
    corvane::testing::Pump();
    EXPECT_FALSE(L->Pressed());
    EXPECT_TRUE(ShowsLamp("ONRND"));
}

TEST(OfficeLabelLamps, ResourceNamesOfShapesAndStates) {
    struct Case {
        TCvLEDType Type;
        bool Hover, Pressed;
        const char* Name;
    };
    const Case cases[] = {
        {cvltRound, false, true, "OFFRND"},      {cvltRound, true, false, "ONRND"},
        {cvltRound, true, true, "DOWNRND"},      {cvltTriangleDown, false, false, "OFF3DWN"},
        {cvltTriangleDown, true, true, "DOWN3DWN"}, {cvltTriangleUp, true, false, "ON3UP"},
    };
    for (const Case& c : cases) EXPECT_EQ(TCvOfficeLabel::LampResource(c.Type, c.Hover, c.Pressed), c.Name);
}

// ---------------------------------------------------------------------------

namespace {

struct LinkLabelTest : corvane::testing::DisplayForm {
    std::vector<std::vector<std::string>> Launched;
    vcl::TShellLauncher Saved;
    void SetUp() override {
        DisplayForm::SetUp();
        Saved = vcl::SetShellLauncher([this](const std::vector<std::string>& Argv) {
            Launched.push_back(Argv);
            return true;
        });
    }
    void TearDown() override {
        vcl::SetShellLauncher(Saved);
        DisplayForm::TearDown();
    }
};

}  // namespace

TEST_F(LinkLabelTest, ConstructedLook) {
    TCvLinkLabel l(nullptr);
    EXPECT_EQ(l.Protocol(), Http);
    EXPECT_EQ(l.Link(), "");
    EXPECT_TRUE(l.Font()->Style().Contains(vcl::fsUnderline));
    EXPECT_EQ(l.Font()->Color(), vcl::clBlue);
    EXPECT_EQ(l.Cursor(), 2);
    EXPECT_TRUE(l.AutoSize());
    EXPECT_FALSE(l.WordWrap());
}

TEST_F(LinkLabelTest, TheHandIsInstalledBeforeAnyLabelExists) {
    vcl::HCURSOR hand = vcl::Screen()->Cursors(crHandLink);
    ASSERT_NE(hand, nullptr);
    EXPECT_NE(hand, vcl::LoadCursor(nullptr, vcl::IDC_ARROW));
    EXPECT_EQ(hand, InstallLinkCursor());
    EXPECT_EQ(hand, vcl::LoadCursor(nullptr, "crHand")) << "the store's cursor, shared";
    vcl::ICONINFO info;
    ASSERT_TRUE(vcl::GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 0u);
    vcl::DeleteObject(info.hbmMask);
    if (info.hbmColor) vcl::DeleteObject(info.hbmColor);
    vcl::TSize size;
    ASSERT_TRUE(vcl::GetIconSize(hand, &size));
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 32);
}

TEST_F(LinkLabelTest, ClickOpensPrefixAndLink) {
    struct Case {
        TCvLinkProtocol Protocol;
        const char* Link;
        const char* Url;
    };
    const Case cases[] = {
        {FTP, "ftp.example.org/pub", "ftp://ftp.example.org/pub"},
        {Gopher, "gopher.example.org", "gopher://gopher.example.org"},
        {Http, "www.example.org/a b;$(x)", "http://www.example.org/a b;$(x)"},
        {News, "comp.lang.c", "news:comp.lang.c"},
        {Wais, "host.example.org", "telnet:host.example.org"},
        {Mail, "info@example.org", "mailto:info@example.org"},
        {Other, "://odd", "wais://odd"},
        {Mail, "", "mailto:"},
    };
    auto* l = new TCvLinkLabel(Form);
    l->SetParent(Form);
    l->SetBounds(20, 20, 10, 10);
    l->SetCaption("Corvane on the web");
    int clicks = 0;
    l->SetOnClick([&](vcl::TObject*) {
        EXPECT_EQ(Launched.size(), size_t(clicks)) << "OnClick runs before the shell call";
        ++clicks;
    });
    ShowForm();
    Save("linklabel");
    for (const Case& c : cases) {
        Launched.clear();
        clicks = 0;
        l->SetProtocol(c.Protocol);
        l->SetLink(c.Link);
        EXPECT_EQ(l->Url(), c.Url);
        const vcl::TPoint p = l->ClientToScreen({3, 3});
        vcl::FeedMouseButton(vcl::mbLeftButton, true, p.X, p.Y);
        vcl::FeedMouseButton(vcl::mbLeftButton, false, p.X, p.Y);
        corvane::testing::Pump();
        EXPECT_EQ(clicks, 1) << c.Url;
        ASSERT_EQ(Launched.size(), 1u) << c.Url;
        EXPECT_EQ(Launched[0], (std::vector<std::string>{"xdg-open", c.Url}));
    }
}

TEST_F(LinkLabelTest, FailingShellIsIgnored) {
    vcl::SetShellLauncher([](const std::vector<std::string>&) { return false; });
    TCvLinkLabel l(nullptr);
    l.SetLink("example.org");
    EXPECT_NO_THROW(l.Click());
}

TEST_F(LinkLabelTest, LabelIsUnderlinedBlueText) {
    auto* l = new TCvLinkLabel(Form);
    l->SetParent(Form);
    l->SetLeft(20);
    l->SetTop(20);
    l->SetCaption("Corvane");
    ShowForm();
    EXPECT_GT(l->Width(), 20) << "AutoSize fits the text";
    int blue = 0;
    for (int y = 0; y < l->Height(); ++y)
        for (int x = 0; x < l->Width(); ++x) blue += PixelOf(l, x, y) == Rgb(vcl::clBlue);
    EXPECT_GT(blue, 20);
    // The underline: a row of blue across most of the width.
    int bestRow = 0;
    for (int y = 0; y < l->Height(); ++y) {
        int n = 0;
        for (int x = 0; x < l->Width(); ++x) n += PixelOf(l, x, y) == Rgb(vcl::clBlue);
        bestRow = std::max(bestRow, n);
    }
    EXPECT_GE(bestRow, l->Width() - 2);
}
