// Text through device contexts: the DC's font, colours, background mode,
// alignment, current position and clipping.
#include "test_gdi_support.h"

using namespace gditest;

namespace {

class DCText : public TCanvasTest {
protected:
    void SetUp() override {
        Make(200, 60);
        LOGFONT lf;
        lf.lfFaceName = "Arial";
        lf.lfHeight = -16;
        Font = CreateFontIndirect(lf);
        SelectObject(DC, Font);
        SetTextColor(DC, Black);
        SetBkColor(DC, Red);
        SetBkMode(DC, TRANSPARENT);
    }
    void TearDown() override {
        Free();
        EXPECT_TRUE(DeleteObject(Font));
    }
    TSize Extent(std::string_view s) {
        TSize sz;
        EXPECT_TRUE(GetTextExtentPoint32(DC, s, &sz));
        return sz;
    }
    HFONT Font = nullptr;
};

}  // namespace

TEST_F(DCText, MetricsAndExtentsComeFromTheSelectedFont) {
    TTextMetric tm;
    ASSERT_TRUE(GetTextMetrics(DC, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 16);
    const TSize one = Extent("Wm"), two = Extent("WmWm");
    EXPECT_EQ(two.cx, 2 * one.cx);
    EXPECT_EQ(one.cy, tm.tmHeight);
    std::string face;
    EXPECT_EQ(GetTextFace(DC, &face), 5);
    EXPECT_EQ(face, "Arial");
    SetTextCharacterExtra(DC, 3);
    EXPECT_EQ(Extent("Wm").cx, one.cx + 6);
}

TEST_F(DCText, AlignmentPlacesTheInkAroundTheReferencePoint) {
    const int width = Extent("Hello").cx;
    struct Case {
        unsigned Align;
        int Left;  // where the cell starts for a reference point at x = 100
    } cases[] = {{TA_LEFT, 100}, {TA_RIGHT, 100 - width}, {TA_CENTER, 100 - width / 2}};
    for (const Case& c : cases) {
        Clear(White);
        SetTextAlign(DC, c.Align);
        ASSERT_TRUE(TextOut(DC, 100, 10, "Hello"));
        const TRect ink = BoundsNot(White);
        ASSERT_FALSE(ink.IsEmpty());
        EXPECT_GE(ink.Left, c.Left) << c.Align;
        EXPECT_LE(ink.Right, c.Left + width) << c.Align;
        EXPECT_LE(ink.Left, c.Left + 3) << c.Align;  // H starts near the cell's edge
    }
}

TEST_F(DCText, OpaqueModeFillsTheCellAndEtoOpaqueTheRectangle) {
    SetBkMode(DC, OPAQUE);
    TextOut(DC, 10, 10, "ab");
    const TSize sz = Extent("ab");
    EXPECT_EQ(BoundsNot(White), (TRect{10, 10, 10 + sz.cx, 10 + sz.cy}));

    Clear(White);
    SetBkMode(DC, TRANSPARENT);
    const TRect r{5, 5, 150, 50};
    ExtTextOut(DC, 10, 10, ETO_OPAQUE, &r, "ab");
    EXPECT_EQ(Px(5, 5), Red);
    EXPECT_EQ(Px(149, 49), Red);
    EXPECT_EQ(Px(150, 50), White);
}

TEST_F(DCText, ClippingByRectangleRegionAndViewport) {
    const TRect clip{0, 0, 20, 60};
    ExtTextOut(DC, 10, 10, ETO_CLIPPED, &clip, "WWWW");
    EXPECT_LE(BoundsNot(White).Right, 20);

    Clear(White);
    HRGN rgn = CreateRectRgn(50, 0, 200, 60);
    SelectClipRgn(DC, rgn);
    DeleteObject(rgn);
    TextOut(DC, 30, 10, "WWWWWW");
    EXPECT_GE(BoundsNot(White).Left, 50);
    SelectClipRgn(DC, nullptr);

    Clear(White);
    SetViewportOrgEx(DC, 40, 5, nullptr);
    TextOut(DC, 0, 0, "W");
    const TRect ink = BoundsNot(White);
    EXPECT_GE(ink.Left, 40);
    EXPECT_GE(ink.Top, 5);
}

TEST_F(DCText, UpdateCurrentPositionAdvancesByTheRun) {
    MoveToEx(DC, 10, 10, nullptr);
    SetTextAlign(DC, TA_UPDATECP);
    TextOut(DC, 999, 999, "abc");
    TPoint p;
    MoveToEx(DC, 0, 0, &p);
    EXPECT_EQ(p, (TPoint{10 + Extent("abc").cx, 10}));
}

TEST_F(DCText, DrawTextMeasuresAndDrawsInLogicalCoordinates) {
    SetViewportOrgEx(DC, 20, 0, nullptr);
    TRect calc{0, 0, 1000, 0};
    const int h = DrawText(DC, "one two", &calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(calc.Left, 0);
    EXPECT_EQ(calc.Right, Extent("one two").cx);
    EXPECT_EQ(h, calc.Bottom);
    TRect r{0, 0, 160, 60};
    DrawText(DC, "x", &r, DT_RIGHT | DT_SINGLELINE);
    const TRect ink = BoundsNot(White);
    EXPECT_LE(ink.Right, 180);
    EXPECT_GE(ink.Left, 180 - Extent("x").cx);
}

TEST(DCTextDead, DeadOrNullDCsFailHarmlessly) {
    HDC dc = CreateCompatibleDC(nullptr);
    DeleteDC(dc);
    TSize s;
    TTextMetric tm;
    TRect r{0, 0, 10, 10};
    EXPECT_FALSE(TextOut(dc, 0, 0, "x"));
    EXPECT_FALSE(GetTextExtentPoint32(dc, "x", &s));
    EXPECT_FALSE(GetTextMetrics(nullptr, &tm));
    EXPECT_EQ(DrawText(dc, "x", &r, 0), 0);
    EXPECT_EQ(GetDCFontFace(dc), nullptr);
}
