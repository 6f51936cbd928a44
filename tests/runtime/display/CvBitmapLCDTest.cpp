#include <gtest/gtest.h>

#include "CvBitmapLCD.h"
#include "CvBitmapLCD2.h"
#include "DisplayTestProbe.h"
#include "Graphics.h"

using namespace corvane;

namespace {

struct BitmapLcdTest : corvane::testing::DisplayForm {
    // True when the control shows Bitmap's pixels (Source) at (X, 0).
    ::testing::AssertionResult Shows(const vcl::TControl* C, int32_t X, const vcl::TBitmap* Bitmap,
                                     vcl::TRect Source) {
        for (int32_t y = Source.Top; y < Source.Bottom; ++y)
            for (int32_t x = Source.Left; x < Source.Right; ++x) {
                const uint32_t want = uint32_t(Bitmap->Canvas()->Pixels(x, y)) & 0xFFFFFFu;
                const uint32_t got = PixelOf(C, X + x - Source.Left, y - Source.Top);
                if (want != got)
                    return ::testing::AssertionFailure() << "source (" << x << "," << y << ") " << std::hex << want
                                                         << " shown " << got;
            }
        return ::testing::AssertionSuccess();
    }
};

}  // namespace

TEST_F(BitmapLcdTest, CellsShowTheDigitBitmaps) {
    auto* lcd = new TCvBitmapLCD(Form);
    lcd->SetParent(Form);
    lcd->SetLeft(10);
    lcd->SetTop(10);
    EXPECT_EQ(lcd->Width(), 150);
    EXPECT_EQ(lcd->Height(), 22);
    EXPECT_EQ(lcd->Digits(), 10);
    lcd->SetDigits(4);
    EXPECT_EQ(lcd->Width(), 60);
    lcd->SetValue("12a4");
    ShowForm();
    EXPECT_EQ(lcd->Display(), "12 4") << "the paint blanks the letter in Display itself";
    const vcl::TRect cell{0, 0, 15, 22};
    EXPECT_TRUE(Shows(lcd, 0, lcd->DigitBitmap(1, false), cell));
    EXPECT_TRUE(Shows(lcd, 15, lcd->DigitBitmap(2, false), cell));
    EXPECT_TRUE(Shows(lcd, 30, lcd->DigitBitmap(10, false), cell));
    EXPECT_TRUE(Shows(lcd, 45, lcd->DigitBitmap(4, false), cell));
    EXPECT_FALSE(Shows(lcd, 30, lcd->DigitBitmap(4, false), cell)) << "the probe tells digits apart";
    Save("bitmaplcd_large");
}

TEST_F(BitmapLcdTest, DigitsAlignmentAndSmallCells) {
    auto* lcd = new TCvBitmapLCD(Form);
    lcd->SetParent(Form);
    for (int32_t bad : {0, 51, -1}) {
        lcd->SetDigits(bad);
        EXPECT_EQ(lcd->Digits(), 10) << bad;
    }
    lcd->SetAlignment(vcl::taCenter);
    EXPECT_EQ(lcd->Alignment(), vcl::taLeftJustify);
    lcd->SetDigits(5);
    lcd->SetAlignment(vcl::taRightJustify);
    lcd->SetValue("42");
    EXPECT_EQ(lcd->ShownText(), "   42");
    lcd->SetAlignment(vcl::taLeftJustify);
    EXPECT_EQ(lcd->ShownText(), "42   ");
    lcd->SetValue("1234567");
    EXPECT_EQ(lcd->ShownText(), "12345");
    lcd->SetAlignment(vcl::taRightJustify);
    EXPECT_EQ(lcd->ShownText(), "34567");
    lcd->SetOn(false);
    EXPECT_EQ(lcd->ShownText(), "     ");
    lcd->SetOn(true);
    lcd->SetDigits(8);
    lcd->SetSmall(true);
    lcd->SetValue("2026");
    ShowForm();
    EXPECT_EQ(lcd->Width(), 88);
    EXPECT_EQ(lcd->Height(), 17);
    const vcl::TRect cell{0, 0, 11, 17};
    EXPECT_TRUE(Shows(lcd, 0, lcd->DigitBitmap(10, true), cell));
    EXPECT_TRUE(Shows(lcd, 44, lcd->DigitBitmap(2, true), cell));
    EXPECT_TRUE(Shows(lcd, 77, lcd->DigitBitmap(6, true), cell));
    Save("bitmaplcd_small_right");
}

TEST_F(BitmapLcdTest, StripDisplayWidthsAndSourceRectangles) {
    auto* lcd = new TCvBitmapLCD2(Form);
    lcd->SetParent(Form);
    lcd->SetBounds(10, 60, 120, 32);
    EXPECT_EQ(lcd->Display(), "123.45.67");
    lcd->SetDisplay("12.5");
    ShowForm();
    EXPECT_EQ(lcd->Width(), 52);
    EXPECT_EQ(lcd->Height(), 32);
    const std::vector<vcl::TRect> lit = lcd->SourceRects();
    ASSERT_EQ(lit.size(), 4u);
    EXPECT_EQ(lit[0], (vcl::TRect{16, 0, 32, 32}));
    EXPECT_EQ(lit[1], (vcl::TRect{32, 0, 48, 32}));
    EXPECT_EQ(lit[2], (vcl::TRect{177, 0, 181, 32}));
    EXPECT_EQ(lit[3], (vcl::TRect{80, 0, 96, 32}));
    const vcl::TBitmap* strip = TCvBitmapLCD2::Strip();
    int32_t x = 0;
    for (const vcl::TRect& r : lit) {
        EXPECT_TRUE(Shows(lcd, x, strip, r)) << r.Left;
        x += r.Right - r.Left;
    }
    Save("bitmaplcd2_on");
    lcd->SetEnabled(false);
    const std::vector<vcl::TRect> off = lcd->SourceRects();
    ASSERT_EQ(off.size(), 4u);
    for (size_t i : {0u, 1u, 3u}) EXPECT_EQ(off[i], (vcl::TRect{160, 0, 176, 32})) << i;
    EXPECT_EQ(off[2], (vcl::TRect{183, 0, 187, 32}));
    EXPECT_TRUE(Shows(lcd, 32, strip, off[2]));
    Save("bitmaplcd2_off");
    lcd->SetDisplay("");
    ShowForm();
    EXPECT_EQ(lcd->Width(), 25);
}

TEST_F(BitmapLcdTest, StripIsSharedAndFreedWithTheLastInstance) {
    const int32_t before = TCvBitmapLCD2::StripUsers();
    auto a = std::make_unique<TCvBitmapLCD2>(nullptr);
    auto b = std::make_unique<TCvBitmapLCD2>(nullptr);
    ASSERT_NE(TCvBitmapLCD2::Strip(), nullptr);
    const vcl::TBitmap* strip = TCvBitmapLCD2::Strip();
    EXPECT_EQ(strip->Width(), 188);
    EXPECT_EQ(strip->Height(), 32);
    a.reset();
    EXPECT_EQ(TCvBitmapLCD2::Strip(), strip) << "the other instance keeps the strip";
    EXPECT_EQ(TCvBitmapLCD2::StripUsers(), before + 1);
    b.reset();
    if (before == 0) {
        EXPECT_EQ(TCvBitmapLCD2::Strip(), nullptr);
    }
}
