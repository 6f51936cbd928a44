// Lines: end point exclusion, the rounding rule, raster operations, XOR
// reversibility, styles, wide pens, clipping, pixels and curves.
#include <cstdlib>

#include "test_gdi_support.h"

using namespace gditest;

namespace {

class GdiLines : public TCanvasTest {};

}  // namespace

// ---------------------------------------------------------------------------

struct TLineCase {
    int X0, Y0, X1, Y1;
};

TEST_F(GdiLines, EndPointExcludedStartIncludedOnePixelPerStep) {
    const TLineCase cases[] = {{50, 50, 80, 50}, {50, 50, 20, 50}, {50, 50, 50, 90}, {50, 50, 50, 10},
                               {50, 50, 80, 70}, {50, 50, 20, 35}, {50, 50, 61, 90}, {50, 50, 45, 5},
                               {50, 50, 70, 70}, {50, 50, 30, 70}, {50, 50, 51, 50}, {50, 50, 50, 51}};
    for (const TLineCase& c : cases) {
        Clear(White);
        MoveToEx(DC, c.X0, c.Y0, nullptr);
        ASSERT_TRUE(LineTo(DC, c.X1, c.Y1));
        SCOPED_TRACE(testing::Message() << c.X0 << "," << c.Y0 << " -> " << c.X1 << "," << c.Y1);
        EXPECT_EQ(Px(c.X0, c.Y0), Black);
        EXPECT_EQ(Px(c.X1, c.Y1), White);
        EXPECT_EQ(Count(Black), std::max(std::abs(c.X1 - c.X0), std::abs(c.Y1 - c.Y0)));
        TPoint cp;
        GetCurrentPositionEx(DC, &cp);
        EXPECT_EQ(cp, Point(c.X1, c.Y1));
    }
}

TEST_F(GdiLines, ZeroLengthLineDrawsNothing) {
    MoveToEx(DC, 10, 10, nullptr);
    EXPECT_TRUE(LineTo(DC, 10, 10));
    EXPECT_EQ(Count(Black), 0);
}

// Pixel choice: one pixel per column (x-major), the nearest row, ties going to
// the smaller coordinate.  A line and its reverse light the same pixels apart
// from the excluded end points.
TEST_F(GdiLines, RoundingRuleAndReverseSymmetry) {
    MoveToEx(DC, 0, 0, nullptr);
    LineTo(DC, 4, 2);
    // t = 0.5 at x = 1 and 1.5 at x = 3: ties go up (smaller y).
    EXPECT_EQ(Px(0, 0), Black);
    EXPECT_EQ(Px(1, 0), Black);
    EXPECT_EQ(Px(2, 1), Black);
    EXPECT_EQ(Px(3, 1), Black);
    EXPECT_EQ(Count(Black), 4);

    const TLineCase cases[] = {{5, 5, 95, 37}, {5, 5, 37, 95}, {90, 10, 10, 43}, {10, 90, 77, 11}, {3, 50, 96, 51}};
    for (const TLineCase& c : cases) {
        Clear(White);
        MoveToEx(DC, c.X0, c.Y0, nullptr);
        LineTo(DC, c.X1, c.Y1);
        SetPx(c.X0, c.Y0, White);
        const auto forward = Snapshot();
        Clear(White);
        MoveToEx(DC, c.X1, c.Y1, nullptr);
        LineTo(DC, c.X0, c.Y0);
        SetPx(c.X1, c.Y1, White);
        EXPECT_EQ(Snapshot(), forward) << c.X0 << "," << c.Y0 << " <-> " << c.X1 << "," << c.Y1;
    }
}

TEST_F(GdiLines, EveryBinaryRasterOperation) {
    const COLORREF d = RGB(0x0F, 0x55, 0xAA), p = RGB(0x33, 0x66, 0xC3);
    struct TCase {
        int Mode;
        uint32_t (*Fn)(uint32_t P, uint32_t D);
    };
    const TCase cases[] = {
        {R2_BLACK, [](uint32_t, uint32_t) { return 0u; }},
        {R2_NOTMERGEPEN, [](uint32_t P, uint32_t D) { return ~(P | D); }},
        {R2_MASKNOTPEN, [](uint32_t P, uint32_t D) { return D & ~P; }},
        {R2_NOTCOPYPEN, [](uint32_t P, uint32_t) { return ~P; }},
        {R2_MASKPENNOT, [](uint32_t P, uint32_t D) { return P & ~D; }},
        {R2_NOT, [](uint32_t, uint32_t D) { return ~D; }},
        {R2_XORPEN, [](uint32_t P, uint32_t D) { return P ^ D; }},
        {R2_NOTMASKPEN, [](uint32_t P, uint32_t D) { return ~(P & D); }},
        {R2_MASKPEN, [](uint32_t P, uint32_t D) { return P & D; }},
        {R2_NOTXORPEN, [](uint32_t P, uint32_t D) { return ~(P ^ D); }},
        {R2_NOP, [](uint32_t, uint32_t D) { return D; }},
        {R2_MERGENOTPEN, [](uint32_t P, uint32_t D) { return D | ~P; }},
        {R2_COPYPEN, [](uint32_t P, uint32_t) { return P; }},
        {R2_MERGEPENNOT, [](uint32_t P, uint32_t D) { return P | ~D; }},
        {R2_MERGEPEN, [](uint32_t P, uint32_t D) { return P | D; }},
        {R2_WHITE, [](uint32_t, uint32_t) { return 0xFFFFFFu; }},
    };
    UsePen(PS_SOLID, 1, p);
    UseSolidBrush(p);
    for (const TCase& c : cases) {
        Clear(d);
        EXPECT_EQ(SetROP2(DC, c.Mode) > 0, true);
        EXPECT_EQ(GetROP2(DC), c.Mode);
        const COLORREF want = c.Fn(p, d) & 0xFFFFFF;
        MoveToEx(DC, 10, 10, nullptr);
        LineTo(DC, 20, 10);
        EXPECT_EQ(Px(10, 10), want) << "line, mode " << c.Mode;
        EXPECT_EQ(Px(20, 10), d) << "end point, mode " << c.Mode;
        Rectangle(DC, 30, 30, 40, 40);  // the brush uses the same mode
        EXPECT_EQ(Px(35, 35), want) << "brush, mode " << c.Mode;
        EXPECT_EQ(Px(30, 30), want) << "outline, mode " << c.Mode;
        EXPECT_EQ(FView.Row(10)[10] >> 24, 0xFFu);  // alpha stays opaque
    }
    EXPECT_EQ(SetROP2(DC, 0), 0);
    EXPECT_EQ(SetROP2(DC, 17), 0);
}

TEST_F(GdiLines, XorDrawnTwiceRestores) {
    Scramble();
    const auto before = Snapshot();
    SetROP2(DC, R2_XORPEN);
    UsePen(PS_SOLID, 1, RGB(0x5A, 0xC3, 0x3C));
    const TPoint zig[] = {{5, 5}, {95, 60}, {5, 90}, {70, 3}, {70, 97}, {5, 5}, {50, 50}, {50, 50}, {20, 80}};
    for (int pass = 0; pass < 2; ++pass) {
        MoveToEx(DC, 3, 97, nullptr);
        LineTo(DC, 97, 4);
        Polyline(DC, zig, 9);
        PolylineTo(DC, zig, 5);
        Rectangle(DC, 10, 10, 60, 40);
        Ellipse(DC, 20, 30, 90, 95);
    }
    EXPECT_EQ(Snapshot(), before);
    SetROP2(DC, R2_NOT);
    for (int pass = 0; pass < 2; ++pass) Polyline(DC, zig, 9);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GdiLines, PolylineTouchesEachPixelOnceEvenWhereItCrosses) {
    SetROP2(DC, R2_NOT);
    const TPoint x[] = {{10, 10}, {50, 50}, {50, 10}, {10, 50}, {10, 10}};
    Polyline(DC, x, 5);
    // The crossing at (30, 30) and the shared vertices are inverted once.
    EXPECT_EQ(Px(30, 30), Black);
    EXPECT_EQ(Px(50, 50), Black);
    EXPECT_EQ(Px(50, 10), Black);
    EXPECT_EQ(Px(10, 50), Black);
    EXPECT_EQ(Px(10, 10), Black);  // the start, while the equal last point is excluded ...
    const TPoint closed[] = {{60, 60}, {90, 60}, {90, 90}, {60, 90}, {60, 60}, {90, 60}};
    Polyline(DC, closed, 6);  // ... and a retraced segment is not inverted back
    EXPECT_EQ(Px(75, 60), Black);
    EXPECT_EQ(Px(60, 60), Black);
}

// Classic styles in pixels along the major axis: dash 18/6, dot 3/3,
// dash-dot 9/6/3/6, dash-dot-dot 9/3/3/3/3/3.
TEST_F(GdiLines, StylePatterns) {
    struct TCase {
        int Style;
        std::vector<int> Runs;  // on, off, on, off ... for one period
    };
    const TCase cases[] = {{PS_DASH, {18, 6}}, {PS_DOT, {3, 3}}, {PS_DASHDOT, {9, 6, 3, 6}}, {PS_DASHDOTDOT, {9, 3, 3, 3, 3, 3}}};
    const COLORREF bk = RGB(255, 255, 0);
    for (const TCase& c : cases) {
        for (int mode : {OPAQUE, TRANSPARENT}) {
            Clear(White);
            SetBkMode(DC, mode);
            SetBkColor(DC, bk);
            UsePen(c.Style, 1, Blue);
            MoveToEx(DC, 0, 5, nullptr);
            LineTo(DC, 99, 5);
            std::vector<bool> on;
            while (on.size() < 100)
                for (size_t k = 0; k < c.Runs.size(); ++k)
                    for (int j = 0; j < c.Runs[k]; ++j) on.push_back(k % 2 == 0);
            for (int x = 0; x < 99; ++x) {
                const COLORREF want = on[size_t(x)] ? Blue : (mode == OPAQUE ? bk : White);
                ASSERT_EQ(Px(x, 5), want) << "style " << c.Style << " mode " << mode << " x " << x;
            }
        }
    }
}

TEST_F(GdiLines, StyleContinuesAcrossPolylineAndLineToChain) {
    SetBkMode(DC, TRANSPARENT);
    UsePen(PS_DASH, 1, Blue);
    // 10 pixels right, then down: the dash (18 on) carries on for 8 more.
    const TPoint pts[] = {{10, 10}, {20, 10}, {20, 40}};
    Polyline(DC, pts, 3);
    for (int y = 10; y < 18; ++y) EXPECT_EQ(Px(20, y), Blue) << y;
    for (int y = 18; y < 24; ++y) EXPECT_EQ(Px(20, y), White) << y;
    EXPECT_EQ(Px(20, 24), Blue);
    // The same with LineTo calls; MoveToEx starts the pattern afresh.
    MoveToEx(DC, 50, 10, nullptr);
    LineTo(DC, 60, 10);
    LineTo(DC, 60, 40);
    for (int y = 18; y < 24; ++y) EXPECT_EQ(Px(60, y), White) << y;
    MoveToEx(DC, 70, 10, nullptr);
    LineTo(DC, 70, 40);
    for (int y = 10; y < 28; ++y) EXPECT_EQ(Px(70, y), Blue) << y;
}

TEST_F(GdiLines, WidthOneAndZeroAreTheSame) {
    UsePen(PS_SOLID, 0, Black);
    MoveToEx(DC, 3, 7, nullptr);
    LineTo(DC, 90, 60);
    const auto zero = Snapshot();
    Clear(White);
    UsePen(PS_SOLID, 1, Black);
    MoveToEx(DC, 3, 7, nullptr);
    LineTo(DC, 90, 60);
    EXPECT_EQ(Snapshot(), zero);
}

// A wide pen is centred on the path: a horizontal line of width w covers
// rows y - w/2 .. y + (w-1)/2, with round caps reaching w/2 beyond the ends.
TEST_F(GdiLines, WidePenExtents) {
    for (int w = 2; w <= 11; ++w) {
        Clear(White);
        UsePen(PS_SOLID, w, Black);
        MoveToEx(DC, 30, 50, nullptr);
        LineTo(DC, 70, 50);
        const TRect b = BoundsNot(White);
        EXPECT_EQ(b.Top, 50 - w / 2) << w;
        EXPECT_EQ(b.Bottom - 1, 50 + (w - 1) / 2) << w;
        EXPECT_EQ(b.Left, 30 - w / 2) << w;
        EXPECT_EQ(b.Right - 1, 70 + (w - 1) / 2) << w;
        // Round caps: the corners of the bounding box stay clear for w >= 4.
        if (w >= 4) {
            EXPECT_EQ(Px(b.Left, b.Top), White) << w;
        }
        // A full column in the middle.
        for (int y = b.Top; y < b.Bottom; ++y) EXPECT_EQ(Px(50, y), Black) << w;
    }
}

TEST_F(GdiLines, WideStyledPensDrawSolidAndXorOnce) {
    UsePen(PS_DASH, 3, Black);
    MoveToEx(DC, 10, 50, nullptr);
    LineTo(DC, 90, 50);
    for (int x = 10; x < 90; ++x) EXPECT_EQ(Px(x, 50), Black) << x;
    // A wide polyline in XOR mode inverts its overlapping joins once.
    Clear(White);
    SetROP2(DC, R2_NOT);
    UsePen(PS_SOLID, 7, Black);
    const TPoint pts[] = {{10, 10}, {80, 10}, {80, 80}, {20, 20}};
    Polyline(DC, pts, 4);
    EXPECT_EQ(Px(80, 10), Black);
    EXPECT_EQ(Px(50, 50), Black);
    EXPECT_EQ(Px(79, 11), Black);
}

TEST_F(GdiLines, ClippedToTheSurfaceEvenFromHugeCoordinates) {
    MoveToEx(DC, -50, -50, nullptr);
    LineTo(DC, 200, 200);
    for (int k = 0; k < 100; ++k) EXPECT_EQ(Px(k, k), Black) << k;
    EXPECT_EQ(Count(Black), 100);
    Clear(White);
    // Only the visible steps are walked: 2^31-pixel lines finish at once.
    MoveToEx(DC, -2000000000, 50, nullptr);
    LineTo(DC, 2000000000, 50);
    MoveToEx(DC, -1000000000, -999999950, nullptr);
    LineTo(DC, 1000000000, 1000000050);
    UsePen(PS_SOLID, 5, Black);
    MoveToEx(DC, 50, -2000000000, nullptr);
    LineTo(DC, 50, 2000000000);
    EXPECT_EQ(Px(10, 50), Black);
    EXPECT_EQ(Px(50, 10), Black);
}

TEST_F(GdiLines, PixelsIgnoreTheRasterOperationAndReportOutside) {
    SetROP2(DC, R2_XORPEN);
    EXPECT_EQ(SetPixel(DC, 5, 5, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(Px(5, 5), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(DC, 5, 5), RGB(1, 2, 3));
    EXPECT_TRUE(SetPixelV(DC, 6, 5, Red));
    EXPECT_EQ(GetPixel(DC, 100, 5), CLR_INVALID);
    EXPECT_EQ(GetPixel(DC, -1, 5), CLR_INVALID);
    EXPECT_EQ(SetPixel(DC, 5, 100, Red), CLR_INVALID);
    IntersectClipRect(DC, 0, 0, 10, 10);
    EXPECT_EQ(GetPixel(DC, 20, 20), CLR_INVALID);
    EXPECT_EQ(SetPixel(DC, 20, 20, Red), CLR_INVALID);
    EXPECT_EQ(Px(20, 20), White);
}

TEST_F(GdiLines, BezierPassesThroughItsEndsAndMiddle) {
    const TPoint pts[] = {{10, 80}, {10, 10}, {90, 10}, {90, 80}};
    ASSERT_TRUE(PolyBezier(DC, pts, 4));
    EXPECT_EQ(Px(10, 80), Black);
    // B(1/2) = (50, 27.5): a pixel at x = 50 near row 27 or 28.
    EXPECT_TRUE(Px(50, 27) == Black || Px(50, 28) == Black);
    EXPECT_EQ(Count(Black) > 100, true);
    EXPECT_FALSE(PolyBezier(DC, pts, 3));
    MoveToEx(DC, 10, 90, nullptr);
    const TPoint to[] = {{30, 60}, {60, 60}, {90, 90}};
    EXPECT_TRUE(PolyBezierTo(DC, to, 3));
    TPoint cp;
    GetCurrentPositionEx(DC, &cp);
    EXPECT_EQ(cp, Point(90, 90));
}

TEST_F(GdiLines, ViewportOriginTranslates) {
    SetViewportOrgEx(DC, 20, 30, nullptr);
    MoveToEx(DC, 0, 0, nullptr);
    LineTo(DC, 10, 0);
    EXPECT_EQ(Px(20, 30), Black);
    EXPECT_EQ(Px(29, 30), Black);
    TPoint old;
    OffsetViewportOrgEx(DC, 5, 5, &old);
    EXPECT_EQ(old, Point(20, 30));
    EXPECT_EQ(GetPixel(DC, 0, 0), White);
    SetPixel(DC, 0, 0, Red);
    EXPECT_EQ(Px(25, 35), Red);
    TPoint p{1, 2};
    LPtoDP(DC, &p, 1);
    EXPECT_EQ(p, Point(26, 37));
    DPtoLP(DC, &p, 1);
    EXPECT_EQ(p, Point(1, 2));
}
