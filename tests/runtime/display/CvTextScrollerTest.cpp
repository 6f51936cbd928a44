#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "CvTextScroller.h"
#include "DisplayTestProbe.h"
#include "Exceptions.h"
#include "ExtCtrls.h"
#include "Filer.h"
#include "Lists.h"

using namespace corvane;
using corvane::testing::Rgb;

namespace {

struct ScrollerTest : corvane::testing::DisplayForm {
    TCvTextScroller* S = nullptr;
    int Begins = 0, Steps = 0, Ends = 0;
    std::vector<int32_t> StepsSeen;
    void SetUp() override {
        DisplayForm::SetUp();
        S = new TCvTextScroller(Form);
        S->SetParent(Form);
        S->SetBounds(10, 10, 400, 60);
        S->SetOnBegin([this](vcl::TObject* Sender) {
            EXPECT_EQ(Sender, S);
            ++Begins;
        });
        S->SetOnStep([this](vcl::TObject* Sender) {
            EXPECT_EQ(Sender, S);
            ++Steps;
            StepsSeen.push_back(S->CurrentStep());
        });
        S->SetOnEnd([this](vcl::TObject*) { ++Ends; });
    }
    // The bounding box of the pixels of Color inside the scroller.
    vcl::TRect Find(uint32_t Color) {
        vcl::TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = 0; y < S->Height(); ++y)
            for (int x = 0; x < S->Width(); ++x)
                if (PixelOf(S, x, y) == Color) {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x + 1);
                    box.Bottom = std::max(box.Bottom, y + 1);
                }
        return box;
    }
    // Puts the scroller at Step without running it, then paints.
    void ShowStep(int32_t Step) {
        S->Stop();
        S->Start(Step);
        S->Stop();
        S->Invalidate();
    }
};

}  // namespace

TEST_F(ScrollerTest, ConstructedValuesAndStreamDefaults) {
    TCvTextScroller s(nullptr);
    EXPECT_EQ(s.Width(), 200);
    EXPECT_EQ(s.Height(), 20);
    EXPECT_EQ(s.Steps(), 80);
    EXPECT_EQ(s.Speed(), 100);
    EXPECT_EQ(s.Color(), vcl::clBtnFace);
    EXPECT_TRUE(s.Repeated());
    EXPECT_EQ(s.TextStyle(), cvtsNormal);
    EXPECT_EQ(s.Alignment(), vcl::taCenter);
    EXPECT_EQ(s.Depth(), 1);
    EXPECT_EQ(s.ScrollDirection(), cvsdRightToLeft);
    ASSERT_EQ(s.Items()->Count(), 1);
    EXPECT_EQ(s.Items()->Strings(0), "TextScroller");
    EXPECT_EQ(s.Font()->Name(), "Arial");
    EXPECT_EQ(s.Font()->Size(), 10);
    EXPECT_EQ(s.Font()->Color(), vcl::clBlack);
    EXPECT_FALSE(s.ControlStyle().Contains(vcl::csOpaque));
    EXPECT_TRUE(s.Running()) << "a new scroller moves at once";
    EXPECT_EQ(s.Timer()->Interval(), 100u);
    EXPECT_EQ(s.CurrentStep(), 0);
}

TEST_F(ScrollerTest, StoredStepsAndSpeedSurviveAReload) {
    struct Case {
        int32_t Steps, Speed;
    };
    for (Case c : {Case{66, 200}, Case{80, 100}, Case{1, 1000}}) {
        TCvTextScroller a(nullptr);
        a.SetName("Scroller1");
        a.SetSteps(c.Steps);
        a.SetSpeed(c.Speed);
        const std::string text = vcl::ComponentToString(&a);
        TCvTextScroller b(nullptr);
        b.SetSteps(5);
        b.SetSpeed(7);
        vcl::StringToComponent(text, &b);
        if (c.Steps == 80) {
            EXPECT_EQ(text.find("Steps"), std::string::npos) << "the constructed value is the default";
            EXPECT_EQ(b.Steps(), 5) << "not written, so the reader leaves it";
        } else {
            EXPECT_EQ(b.Steps(), c.Steps) << text;
            EXPECT_EQ(b.Speed(), c.Speed) << text;
        }
    }
}

TEST_F(ScrollerTest, SetterRules) {
    struct Case {
        int32_t In, Out;
    };
    for (Case c : {Case{0, 1}, Case{-5, 1}, Case{1, 1}, Case{1000, 1000}, Case{1001, 1000}, Case{250, 250}}) {
        S->SetSpeed(c.In);
        EXPECT_EQ(S->Speed(), c.Out) << c.In;
        EXPECT_EQ(S->Timer()->Interval(), uint32_t(c.Out)) << c.In;
    }
    EXPECT_THROW(S->SetSteps(0), vcl::ERangeError);
    EXPECT_THROW(S->SetSteps(-3), vcl::ERangeError);
    EXPECT_EQ(S->Steps(), 80) << "a refused value keeps the old one";
    S->SetSteps(1);
    EXPECT_EQ(S->Steps(), 1);
}

TEST_F(ScrollerTest, StartStopAndReverse) {
    S->SetSteps(10);
    S->Stop();
    EXPECT_FALSE(S->Running());
    S->Start(4);
    EXPECT_TRUE(S->Running());
    EXPECT_EQ(S->CurrentStep(), 4);
    S->Start(7);
    EXPECT_EQ(S->CurrentStep(), 4) << "Start while running changes nothing";
    for (int32_t bad : {-1, 11}) {
        S->Stop();
        S->Start(bad);
        EXPECT_TRUE(S->Running()) << bad;
        EXPECT_EQ(S->CurrentStep(), 4) << bad;
    }
    S->Start(3);  // running: ignored
    S->Stop();
    S->Start(3);
    S->Reverse();
    EXPECT_EQ(S->CurrentStep(), 7);
    EXPECT_EQ(S->ScrollDirection(), cvsdLeftToRight);
    S->SetDirection(cvsdTopToBottom);
    S->Reverse();
    EXPECT_EQ(S->CurrentStep(), 3);
    EXPECT_EQ(S->ScrollDirection(), cvsdBottomToTop);
    S->SetDirection(cvsdStatic);
    EXPECT_FALSE(S->Running());
    S->Reverse();
    EXPECT_EQ(S->CurrentStep(), 3);
    EXPECT_EQ(S->ScrollDirection(), cvsdStatic);
}

TEST_F(ScrollerTest, OnePassFiresBeginStepsAndEnd) {
    ShowForm();
    S->SetSteps(5);
    S->SetSpeed(10);
    S->SetContinuous(false);
    S->Stop();
    S->Start(0);
    AdvanceMs(10 * 20);
    EXPECT_EQ(Begins, 1);
    EXPECT_EQ(Steps, 6);
    EXPECT_EQ(Ends, 1);
    EXPECT_EQ(StepsSeen, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(S->Running());
    EXPECT_EQ(S->CurrentStep(), 0);
    // Repeated: the next pass follows at once.
    S->SetContinuous(true);
    EXPECT_TRUE(S->Running()) << "changing Repeated restarts a moving scroller";
    AdvanceMs(10 * 12);
    EXPECT_EQ(Begins, 3);
    EXPECT_EQ(Ends, 3);
}

TEST_F(ScrollerTest, BlockOriginsFollowTheDirection) {
    S->Stop();
    S->SetSteps(10);
    const int32_t bw = S->BlockWidth(), bh = S->BlockHeight(), w = S->Width(), h = S->Height();
    ASSERT_GT(bw, 0);
    ASSERT_GT(bh, 0);
    const int32_t cx = (w - bw) / 2, cy = (h - bh) / 2;
    struct Case {
        TcvScrollDirection Dir;
        int32_t Step;
        vcl::TPoint Expected;
    };
    const Case cases[] = {
        {cvsdRightToLeft, 0, {w, cy}},   {cvsdRightToLeft, 10, {-bw, cy}}, {cvsdLeftToRight, 0, {-bw, cy}},
        {cvsdLeftToRight, 10, {w, cy}},  {cvsdTopToBottom, 0, {cx, -bh}},  {cvsdTopToBottom, 10, {cx, h}},
        {cvsdBottomToTop, 0, {cx, h}},   {cvsdBottomToTop, 10, {cx, -bh}}, {cvsdStatic, 3, {cx, cy}},
    };
    for (const Case& c : cases) {
        S->SetDirection(c.Dir);
        S->Stop();
        S->Start(c.Step);
        S->Stop();
        EXPECT_EQ(S->BlockOrigin().X, c.Expected.X) << c.Dir << " step " << c.Step;
        EXPECT_EQ(S->BlockOrigin().Y, c.Expected.Y) << c.Dir << " step " << c.Step;
    }
    // Half way: a tie rounds to the even neighbour.
    S->SetDirection(cvsdLeftToRight);
    S->Stop();
    S->Start(5);
    S->Stop();
    const int32_t span = bw + w;
    int32_t half = span / 2;
    if (span % 2 != 0 && half % 2 != 0) ++half;
    EXPECT_EQ(S->BlockOrigin().X, half - bw);
    // In the designer the text stands in the middle whatever the step.
    S->SetDesigning(true);
    S->SetDirection(cvsdRightToLeft);
    EXPECT_EQ(S->BlockOrigin().X, half - bw);
    S->SetDesigning(false);
}

TEST_F(ScrollerTest, WideBlockIsLeftAlignedWhenStaticOrVertical) {
    S->Items()->Clear();
    S->Items()->Add(std::string(80, 'W'));
    S->SetDirection(cvsdStatic);
    ASSERT_GT(S->BlockWidth(), S->Width());
    EXPECT_EQ(S->BlockOrigin().X, 0);
    S->SetDirection(cvsdTopToBottom);
    S->Stop();
    EXPECT_EQ(S->BlockOrigin().X, 0);
}

TEST_F(ScrollerTest, FrameAtAStepShowsTheBlockWhereItBelongs) {
    S->SetDirection(cvsdRightToLeft);
    S->SetSteps(10);
    S->Items()->Clear();
    S->Items()->Add("Corvane");
    S->Items()->Add("scrolls");
    S->SetColor(vcl::clWhite);
    ShowForm();
    ShowStep(0);
    EXPECT_EQ(Find(0x000000u).Left, INT_MAX) << "step 0: the block waits outside the right edge";
    ShowStep(4);
    const vcl::TPoint o = S->BlockOrigin();
    const vcl::TRect ink = Find(0x000000u);
    ASSERT_NE(ink.Left, INT_MAX);
    EXPECT_GE(ink.Left, o.X);
    EXPECT_LE(ink.Right, o.X + S->BlockWidth());
    EXPECT_GE(ink.Top, o.Y);
    EXPECT_LE(ink.Bottom, o.Y + S->BlockHeight());
    EXPECT_GT(ink.Bottom - ink.Top, S->LineHeight()) << "two lines";
    EXPECT_EQ(PixelOf(S, 1, 1), 0xFFFFFFu) << "background in Color";
    Save("scroller_step4");
    // Raised: highlight copy up-left, shadow copy down-right of the text.
    vcl::TFont f;
    f.SetName("Arial");
    f.SetSize(20);
    f.SetStyle(vcl::TFontStyles{vcl::fsBold});
    f.SetColor(vcl::clNavy);
    S->SetFont(&f);
    S->SetTextStyle(cvtsRaised);
    S->SetDepth(2);
    S->SetColor(vcl::clSilver);
    S->SetDirection(cvsdStatic);
    S->SetHeight(90);
    const vcl::TRect text = Find(Rgb(vcl::clNavy));
    const vcl::TRect light = Find(Rgb(vcl::clBtnHighlight));
    const vcl::TRect shadow = Find(Rgb(vcl::clBtnShadow));
    ASSERT_NE(text.Left, INT_MAX);
    ASSERT_NE(light.Left, INT_MAX);
    ASSERT_NE(shadow.Left, INT_MAX);
    EXPECT_EQ(light.Left, text.Left - 2);
    EXPECT_EQ(light.Top, text.Top - 2);
    EXPECT_EQ(shadow.Right, text.Right + 2);
    EXPECT_EQ(shadow.Bottom, text.Bottom + 2);
    Save("scroller_raised_static");
}

TEST_F(ScrollerTest, EmptyItemsPaintOnlyTheBackground) {
    S->Items()->Clear();
    S->SetColor(vcl::clYellow);
    S->SetDirection(cvsdStatic);
    ShowForm();
    EXPECT_EQ(S->BlockHeight(), 0);
    const vcl::TRect other = Find(Rgb(vcl::clYellow));
    EXPECT_EQ(other, (vcl::TRect{0, 0, S->Width(), S->Height()}));
    for (int y = 0; y < S->Height(); y += 7)
        for (int x = 0; x < S->Width(); x += 13) EXPECT_EQ(PixelOf(S, x, y), Rgb(vcl::clYellow));
}

TEST_F(ScrollerTest, WithoutAParentTicksCountButDoNotPaint) {
    TCvTextScroller s(nullptr);
    int steps = 0;
    s.SetOnStep([&](vcl::TObject*) { ++steps; });
    s.SetSpeed(10);
    AdvanceMs(50);
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(s.CurrentStep(), 5);
}

TEST_F(ScrollerTest, HandlerThatFreesTheScrollerEndsTheTickSafely) {
    ShowForm();
    for (const char* event : {"OnBegin", "OnStep", "OnEnd"}) {
        auto* s = new TCvTextScroller(Form);
        s->SetParent(Form);
        s->SetSteps(2);
        s->SetSpeed(10);
        bool freed = false;
        vcl::TNotifyEvent killer = [&](vcl::TObject* Sender) {
            delete static_cast<TCvTextScroller*>(Sender);
            freed = true;
        };
        const std::string e = event;
        if (e == "OnBegin") s->SetOnBegin(killer);
        if (e == "OnStep") s->SetOnStep(killer);
        if (e == "OnEnd") s->SetOnEnd(killer);
        AdvanceMs(100);
        EXPECT_TRUE(freed) << event;
        AdvanceMs(100);  // the next tick must find nothing of it
        EXPECT_EQ(Form->ControlCount(), 1) << event << ": only the fixture's scroller is left";
    }
}
