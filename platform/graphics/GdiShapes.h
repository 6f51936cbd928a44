// GdiShapes.h - the drawing layer's geometry, shared by the Gdi*.cpp files:
// the line walker, pens, wide strokes and the span sets of filled shapes.
// Not for use outside platform/graphics.
#pragma once

#include <cstdint>
#include <vector>

#include "GdiInternal.h"

namespace vcl::gdi {

struct TDPoint {
    double X, Y;
};

// Visits the pixels of the cosmetic line from (X0, Y0) to (X1, Y1), end
// point excluded: one pixel per step along the major axis, the minor
// coordinate rounded to the nearest pixel, a tie going to the smaller
// coordinate (the pixel whose diamond the line leaves).  The rule depends on
// position only, so a line and its reverse share their pixels.  Only steps
// that may fall inside Box (widened by one) are visited; Fn(x, y, step).
template <class F>
void WalkLine(int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, const TRect& Box, F&& Fn) {
    const int64_t dx = int64_t(X1) - X0, dy = int64_t(Y1) - Y0;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;
    const bool xMajor = adx >= ady;
    const int64_t amaj = xMajor ? adx : ady, amin = xMajor ? ady : adx;
    const int smaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int smin = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t maj0 = xMajor ? X0 : Y0, min0 = xMajor ? Y0 : X0;
    const int64_t majLo = int64_t(xMajor ? Box.Left : Box.Top) - 1, majHi = xMajor ? Box.Right : Box.Bottom;
    const int64_t minLo = int64_t(xMajor ? Box.Top : Box.Left) - 1, minHi = xMajor ? Box.Bottom : Box.Right;
    int64_t k0, k1;
    if (smaj > 0) {
        k0 = majLo - maj0;
        k1 = majHi - maj0;
    } else {
        k0 = maj0 - majHi;
        k1 = maj0 - majLo;
    }
    if (amin > 0) {
        int64_t mLo, mHi;
        if (smin > 0) {
            mLo = minLo - min0;
            mHi = minHi - min0;
        } else {
            mLo = min0 - minHi;
            mHi = min0 - minLo;
        }
        k0 = std::max(k0, FloorDiv((mLo - 1) * amaj, amin) - 1);
        k1 = std::min(k1, FloorDiv((mHi + 1) * amaj, amin) + 1);
    } else if (min0 < minLo || min0 > minHi) {
        return;
    }
    k0 = std::max<int64_t>(k0, 0);
    k1 = std::min<int64_t>(k1, amaj - 1);
    if (k0 > k1) return;
    const bool tieUp = smin < 0;
    int64_t m = tieUp ? FloorDiv(2 * k0 * amin + amaj, 2 * amaj) : -FloorDiv(amaj - 2 * k0 * amin, 2 * amaj);
    int64_t e = 2 * k0 * amin - (2 * m + 1) * amaj;
    for (int64_t k = k0; k <= k1; ++k) {
        if (k > k0) {
            e += 2 * amin;
            if (tieUp ? e >= 0 : e > 0) {
                ++m;
                e -= 2 * amaj;
            }
        }
        const int64_t a = maj0 + smaj * k, b = min0 + smin * m;
        if (xMajor)
            Fn(int32_t(a), int32_t(b), k);
        else
            Fn(int32_t(b), int32_t(a), k);
    }
}

// Number of pixels (steps) of a cosmetic line, end point excluded.
inline int64_t LineSteps(TPoint A, TPoint B) {
    const int64_t dx = std::abs(int64_t(B.X) - A.X), dy = std::abs(int64_t(B.Y) - A.Y);
    return std::max(dx, dy);
}

// The pen of a drawing call.
struct TPenInfo {
    bool Null = true;
    bool Wide = false;  // width > 1: a solid geometric pen, round ends and joins
    int Width = 0;
    bool InsideFrame = false;
    uint32_t StyleMask = 0;  // bit i: on at position i of the period; 0 = solid
    int Period = 0;
    TPaint Fg, Bg;
    bool HasBg = false;  // styled, OPAQUE: the gaps in the background colour
    bool StyleOn(int64_t Pos) const {
        if (!Period) return true;
        int64_t p = Pos % Period;
        if (p < 0) p += Period;
        return (StyleMask >> p) & 1;
    }
};
TPenInfo GetPenInfo(TDCObj* DC, const TTarget& T);

// Cosmetic pens.  DrawCosmeticPolyline paints directly, each pixel once per
// call even for XOR-like modes.  The key collectors add the pixels of a
// figure's outline for exact composition; Phase advances by the steps.
void DrawCosmeticPolyline(const TTarget& T, const TPenInfo& Pen, const TPoint* P, int N, bool Closed, int& Phase);
void CollectLineKeys(const TPenInfo& Pen, TPoint A, TPoint B, bool IncludeEnd, int& Phase, const TRect& Box,
                     std::vector<uint64_t>& Fg, std::vector<uint64_t>& Bg);
// Splits an ordered sequence of outline pixels by the pen's style.
void CollectSequenceKeys(const TPenInfo& Pen, const std::vector<TPoint>& Seq, int& Phase, std::vector<uint64_t>& Fg,
                         std::vector<uint64_t>& Bg);

// The pixels whose centres lie within Width / 2 of the path (round ends and
// joins), rows [YMin, YMax) only; normalized.
void WideStrokeSpans(const TDPoint* P, int N, bool Closed, double Width, int32_t YMin, int32_t YMax, TSpanList& Out);

// Shape fills.  An ellipse or rounded rectangle inscribed in Box (right and
// bottom excluded): the pixels a one-pixel outline and its interior cover.
void EllipseSpans(const TRect& Box, int32_t YMin, int32_t YMax, TSpanList& Out);
void RoundRectSpans(const TRect& Box, int32_t EllipseWidth, int32_t EllipseHeight, int32_t YMin, int32_t YMax,
                    TSpanList& Out);
// Polygon interiors: pixel centres inside by the fill mode, left and top
// edges in, right and bottom edges out.
void PolygonSpans(const TPoint* P, const int* Counts, int N, int FillMode, int32_t YMin, int32_t YMax, TSpanList& Out);

// Paints a figure: the brush on Brush less the pen pixels, the pen's
// foreground on PenFg, its background on PenBg less PenFg.  Each pixel is
// painted once.
void PaintFigure(const TTarget& T, const TSpanList& Brush, const TPaint* BrushPaint, const TSpanList& PenFg,
                 const TSpanList& PenBg, const TPenInfo& Pen);

}  // namespace vcl::gdi
