#include <gtest/gtest.h>

#include <cmath>

#include "CvLed.h"
#include "DisplayTestProbe.h"
#include "Exceptions.h"
#include "ExtCtrls.h"

using namespace corvane;
using corvane::testing::Rgb;

namespace {

struct LedTest : corvane::testing::DisplayForm {
    TCvLed* Led = nullptr;
    void SetUp() override {
        DisplayForm::SetUp();
        Led = new TCvLed(Form);
        Led->SetParent(Form);
        Led->SetBounds(10, 10, 50, 50);
    }
    // A point on the ellipse inscribed in (L, T, R, B) at Degrees
    // (counter-clockwise from 3 o'clock), moved Inset pixels towards its
    // centre.
    static vcl::TPoint OnEllipse(double L, double T, double R, double B, double Degrees, double Inset = 0) {
        const double cx = (L + R) / 2, cy = (T + B) / 2, rx = (R - L) / 2 - Inset, ry = (B - T) / 2 - Inset;
        const double a = Degrees * M_PI / 180;
        return {int32_t(std::floor(cx + rx * std::cos(a))), int32_t(std::floor(cy - ry * std::sin(a)))};
    }
};

}  // namespace

TEST_F(LedTest, ConstructedValues) {
    TCvBlinkingLed blink(nullptr);
    EXPECT_EQ(blink.Width(), 50);
    EXPECT_EQ(blink.Height(), 50);
    EXPECT_EQ(blink.HighColor(), vcl::clGreen);
    EXPECT_EQ(blink.LowColor(), vcl::clRed);
    EXPECT_EQ(blink.BorderHighColor(), vcl::clWhite);
    EXPECT_EQ(blink.BorderLowColor(), vcl::clGray);
    EXPECT_TRUE(blink.Highlighted());
    EXPECT_EQ(blink.BorderWidth(), 3);
    EXPECT_FALSE(blink.Blinking());
    EXPECT_EQ(blink.BlinkInterval(), 100);
    EXPECT_FALSE(blink.BlinkTimer()->Enabled());
    EXPECT_EQ(blink.BlinkTimer()->Interval(), 100u);
    EXPECT_EQ(blink.About(), 0);
    // No declared stream defaults: every colour and state is written.
    for (const char* name : {"HighColor", "LowColor", "BorderHighColor", "BorderLowColor", "Highlighted", "BorderWidth",
                             "Blinking", "BlinkInterval", "About"}) {
        const vcl::TPropInfo* p = blink.ClassType().FindProperty(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_FALSE(p->OrdDefault.has_value()) << name;
    }
}

TEST_F(LedTest, SettersAndTheirRules) {
    Led->SetColor(1, vcl::clLime);
    Led->SetColor(2, vcl::clMaroon);
    Led->SetColor(3, vcl::clYellow);
    Led->SetColor(4, vcl::clNavy);
    EXPECT_EQ(Led->HighColor(), vcl::clLime);
    EXPECT_EQ(Led->LowColor(), vcl::clMaroon);
    EXPECT_EQ(Led->BorderHighColor(), vcl::clYellow);
    EXPECT_EQ(Led->BorderLowColor(), vcl::clNavy);
    EXPECT_THROW(Led->SetColor(0, vcl::clRed), vcl::ERangeError);
    EXPECT_THROW(Led->SetColor(5, vcl::clRed), vcl::ERangeError);
    EXPECT_EQ(Led->HighColor(), vcl::clLime);
    Led->SetBorder(0);
    EXPECT_EQ(Led->BorderWidth(), 0);
    Led->SetBorder(-4);
    EXPECT_EQ(Led->BorderWidth(), 0) << "a negative width is not stored";
}

TEST_F(LedTest, BodyBevelHalvesAndHighlight) {
    ShowForm();
    const uint32_t face = Rgb(vcl::clBtnFace);
    // Body: lit colour in the middle.
    EXPECT_EQ(PixelOf(Led, 25, 25), Rgb(vcl::clGreen));
    EXPECT_EQ(PixelOf(Led, 30, 36), Rgb(vcl::clGreen));
    // Corners outside the ellipse show the parent's face.
    EXPECT_EQ(PixelOf(Led, 1, 1), face);
    EXPECT_EQ(PixelOf(Led, 48, 48), face);
    // The bevel (pen width 3 on the box 3..47): white upper left, grey lower right.
    const vcl::TPoint ul = OnEllipse(3, 3, 47, 47, 135), lr = OnEllipse(3, 3, 47, 47, 315);
    const vcl::TPoint ur = OnEllipse(3, 3, 47, 47, 100), ll = OnEllipse(3, 3, 47, 47, 260);
    EXPECT_EQ(PixelOf(Led, ul.X, ul.Y), Rgb(vcl::clWhite));
    EXPECT_EQ(PixelOf(Led, ur.X, ur.Y), Rgb(vcl::clWhite));
    EXPECT_EQ(PixelOf(Led, lr.X, lr.Y), Rgb(vcl::clGray));
    EXPECT_EQ(PixelOf(Led, ll.X, ll.Y), Rgb(vcl::clGray));
    // The highlight: a 1-pixel white arc on the inner box 15..35, upper-left only.
    const vcl::TPoint hi = OnEllipse(15, 15, 35, 35, 135);
    const vcl::TPoint hiLow = OnEllipse(15, 15, 35, 35, 315);
    bool found = false;
    for (int dy = -1; dy <= 1 && !found; ++dy)
        for (int dx = -1; dx <= 1 && !found; ++dx) found = PixelOf(Led, hi.X + dx, hi.Y + dy) == Rgb(vcl::clWhite);
    EXPECT_TRUE(found) << "highlight near " << hi.X << "," << hi.Y;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) EXPECT_EQ(PixelOf(Led, hiLow.X + dx, hiLow.Y + dy), Rgb(vcl::clGreen));
    Save("led_lit");
    // Unlit: the body turns to LowColor at once.
    Led->SetHigh(false);
    EXPECT_EQ(PixelOf(Led, 25, 25), Rgb(vcl::clRed));
    EXPECT_EQ(PixelOf(Led, lr.X, lr.Y), Rgb(vcl::clGray));
    Save("led_unlit");
}

TEST_F(LedTest, NoBorderFillsTheClientArea) {
    Led->SetBorder(0);
    ShowForm();
    // Only the body: it reaches the edges' middles, and no bevel colour anywhere on the diagonal.
    EXPECT_EQ(PixelOf(Led, 25, 1), Rgb(vcl::clGreen));
    EXPECT_EQ(PixelOf(Led, 1, 25), Rgb(vcl::clGreen));
    EXPECT_EQ(PixelOf(Led, 48, 25), Rgb(vcl::clGreen));
    for (int i = 8; i < 42; ++i) {
        EXPECT_EQ(PixelOf(Led, i, i), Rgb(vcl::clGreen)) << i;
    }
    EXPECT_EQ(PixelOf(Led, 0, 0), Rgb(vcl::clBtnFace));
}

TEST_F(LedTest, NonSquareControlDrawsAnEllipse) {
    Led->SetBounds(10, 10, 120, 40);
    Led->SetColor(2, vcl::clBlue);
    Led->SetHigh(false);
    ShowForm();
    // A circle would end at x = 80; the ellipse reaches across the width.
    EXPECT_EQ(PixelOf(Led, 100, 20), Rgb(vcl::clBlue));
    EXPECT_EQ(PixelOf(Led, 60, 20), Rgb(vcl::clBlue));
    EXPECT_EQ(PixelOf(Led, 2, 2), Rgb(vcl::clBtnFace));
    EXPECT_EQ(PixelOf(Led, 60, 3), Rgb(vcl::clWhite)) << "top of the bevel";
    EXPECT_EQ(PixelOf(Led, 60, 36), Rgb(vcl::clGray)) << "bottom of the bevel";
    Save("led_elliptic");
}

TEST_F(LedTest, BlinkingOnVirtualTime) {
    auto* blink = new TCvBlinkingLed(Form);
    blink->SetParent(Form);
    blink->SetBounds(100, 10, 40, 40);
    ShowForm();
    blink->SetInterval(49);
    EXPECT_EQ(blink->BlinkInterval(), 100) << "49 is ignored";
    blink->SetInterval(50);
    EXPECT_EQ(blink->BlinkInterval(), 50);
    EXPECT_EQ(blink->BlinkTimer()->Interval(), 50u);
    AdvanceMs(200);
    EXPECT_TRUE(blink->Highlighted()) << "not blinking yet";
    blink->SetBlink(true);
    EXPECT_TRUE(blink->BlinkTimer()->Enabled());
    AdvanceMs(50);
    EXPECT_FALSE(blink->Highlighted());
    EXPECT_EQ(PixelOf(blink, 20, 20), Rgb(vcl::clRed));
    AdvanceMs(50);
    EXPECT_TRUE(blink->Highlighted());
    EXPECT_EQ(PixelOf(blink, 20, 20), Rgb(vcl::clGreen));
    AdvanceMs(50);
    blink->SetBlink(false);
    EXPECT_FALSE(blink->Highlighted());
    AdvanceMs(500);
    EXPECT_FALSE(blink->Highlighted()) << "stopping keeps the last state";
}

TEST_F(LedTest, BlinkingInTheDesignerKeepsTheStoredState) {
    TCvBlinkingLed blink(nullptr);
    blink.SetDesigning(true);
    blink.SetBlink(true);
    EXPECT_TRUE(blink.BlinkTimer()->Enabled()) << "the timer is enabled in the designer too";
    blink.Timer(blink.BlinkTimer());
    blink.Timer(blink.BlinkTimer());
    blink.Timer(blink.BlinkTimer());
    EXPECT_TRUE(blink.Highlighted());
    blink.SetDesigning(false);
    blink.Timer(blink.BlinkTimer());
    EXPECT_FALSE(blink.Highlighted());
}
