// GdiLines.cpp - pixels, cosmetic and wide lines, polylines and Bezier
// curves.
#include <cmath>

#include "GdiShapes.h"

namespace vcl {
namespace gdi {

namespace {

// Classic cosmetic styles in pixels: on, off, on, off ...
struct TStyleDef {
    uint8_t Count;
    uint8_t Len[6];
};
constexpr TStyleDef Styles[5] = {
    {0, {}},                        // PS_SOLID
    {2, {18, 6}},                   // PS_DASH
    {2, {3, 3}},                    // PS_DOT
    {4, {9, 6, 3, 6}},              // PS_DASHDOT
    {6, {9, 3, 3, 3, 3, 3}},        // PS_DASHDOTDOT
};

inline void PlotPixel(const TTarget& T, int32_t X, int32_t Y, const TPaint& P) {
    if (!TargetContains(T, X, Y)) return;
    uint32_t& px = T.V.Row(Y)[X];
    px = P.Rop2 == R2_COPYPEN ? P.Color : ApplyRop2(P.Rop2, P.Color, px);
}

}  // namespace

TPenInfo GetPenInfo(TDCObj* DC, const TTarget& T) {
    TPenInfo pi;
    TPenObj* p = DC->S.Pen;
    if (!p || p->Style == PS_NULL) return pi;
    pi.Null = false;
    pi.Width = p->Width;
    pi.Wide = p->Width > 1;
    pi.InsideFrame = p->Style == PS_INSIDEFRAME;
    pi.Fg = MakePenPaint(DC, T, PenColor(DC));
    if (!pi.Wide && p->Style >= PS_DASH && p->Style <= PS_DASHDOTDOT) {
        const TStyleDef& s = Styles[p->Style];
        int pos = 0;
        for (int i = 0; i < s.Count; ++i) {
            if ((i & 1) == 0)
                for (int k = 0; k < s.Len[i]; ++k) pi.StyleMask |= 1u << (pos + k);
            pos += s.Len[i];
        }
        pi.Period = pos;
        if (DC->S.BkMode == OPAQUE) {
            pi.HasBg = true;
            pi.Bg = MakePenPaint(DC, T, DC->S.BkColor);
        }
    }
    return pi;
}

void CollectLineKeys(const TPenInfo& Pen, TPoint A, TPoint B, bool IncludeEnd, int& Phase, const TRect& Box,
                     std::vector<uint64_t>& Fg, std::vector<uint64_t>& Bg) {
    const int64_t n = LineSteps(A, B);
    WalkLine(A.X, A.Y, B.X, B.Y, Box, [&](int32_t x, int32_t y, int64_t k) {
        if (Pen.StyleOn(Phase + k))
            Fg.push_back(PixelKey(x, y));
        else if (Pen.HasBg)
            Bg.push_back(PixelKey(x, y));
    });
    if (IncludeEnd) {
        if (Pen.StyleOn(Phase + n))
            Fg.push_back(PixelKey(B.X, B.Y));
        else if (Pen.HasBg)
            Bg.push_back(PixelKey(B.X, B.Y));
    }
    Phase = int((Phase + n) % (Pen.Period ? Pen.Period : 1));
}

void CollectSequenceKeys(const TPenInfo& Pen, const std::vector<TPoint>& Seq, int& Phase, std::vector<uint64_t>& Fg,
                         std::vector<uint64_t>& Bg) {
    int64_t k = 0;
    for (const TPoint& p : Seq) {
        if (Pen.StyleOn(Phase + k))
            Fg.push_back(PixelKey(p.X, p.Y));
        else if (Pen.HasBg)
            Bg.push_back(PixelKey(p.X, p.Y));
        ++k;
    }
    Phase = int((Phase + k) % (Pen.Period ? Pen.Period : 1));
}

void DrawCosmeticPolyline(const TTarget& T, const TPenInfo& Pen, const TPoint* P, int N, bool Closed, int& Phase) {
    if (N < 2 || Pen.Null) return;
    const int segments = Closed ? N : N - 1;
    const bool exact = segments > 1 && (!Rop2Idempotent(Pen.Fg.Rop2) || (Pen.HasBg && Pen.Fg.Rop2 != R2_COPYPEN));
    if (!exact) {
        for (int i = 0; i < segments; ++i) {
            const TPoint a = P[i], b = P[(i + 1) % N];
            const int phase = Phase;
            if (!Pen.Period) {
                if (Pen.Fg.Rop2 == R2_COPYPEN && T.Simple) {
                    const uint32_t c = Pen.Fg.Color;
                    const TRect box = T.Box;
                    WalkLine(a.X, a.Y, b.X, b.Y, box, [&](int32_t x, int32_t y, int64_t) {
                        if (x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom) T.V.Row(y)[x] = c;
                    });
                } else {
                    WalkLine(a.X, a.Y, b.X, b.Y, T.Box, [&](int32_t x, int32_t y, int64_t) { PlotPixel(T, x, y, Pen.Fg); });
                }
            } else {
                WalkLine(a.X, a.Y, b.X, b.Y, T.Box, [&](int32_t x, int32_t y, int64_t k) {
                    if (Pen.StyleOn(phase + k))
                        PlotPixel(T, x, y, Pen.Fg);
                    else if (Pen.HasBg)
                        PlotPixel(T, x, y, Pen.Bg);
                });
                Phase = int((Phase + LineSteps(a, b)) % Pen.Period);
            }
        }
        return;
    }
    std::vector<uint64_t> fg, bg;
    for (int i = 0; i < segments; ++i) CollectLineKeys(Pen, P[i], P[(i + 1) % N], false, Phase, T.Box, fg, bg);
    TSpanList sf, sb;
    KeysToSpans(fg, sf);
    KeysToSpans(bg, sb);
    PaintFigure(T, TSpanList{}, nullptr, sf, sb, Pen);
}

// ---------------------------------------------------------------------------
// Wide strokes

namespace {

// Row sampling point offsets: a pixel is in when its centre, nudged right
// and down by less than any real distance, lies inside.  Boundaries through
// centres then fall like the fill convention: left and top in.
constexpr double NudgeY = 1.0 / 1024;
constexpr double NudgeX = 1.0 / 2048;

void Widen(double Lo, double Hi, double& L, double& H) {
    L = std::min(L, Lo);
    H = std::max(H, Hi);
}

// Adds the x-interval at height Y of the disc (C, R) to [L, H].
void DiscRow(double CX, double CY, double R, double Y, double& L, double& H) {
    const double d = Y - CY;
    if (d <= -R || d >= R) return;
    const double h = std::sqrt(R * R - d * d);
    Widen(CX - h, CX + h, L, H);
}

// Interval of x with Lo <= A x + C <= Hi intersected into [L, H].
bool Constrain(double A, double C, double Lo, double Hi, double& L, double& H) {
    if (std::fabs(A) < 1e-12) return C >= Lo && C <= Hi;
    double a = (Lo - C) / A, b = (Hi - C) / A;
    if (a > b) std::swap(a, b);
    L = std::max(L, a);
    H = std::min(H, b);
    return L < H;
}

void CapsuleSpans(TDPoint A, TDPoint B, double R, int32_t YMin, int32_t YMax, TSpanList& Out) {
    const double top = std::min(A.Y, B.Y) - R, bottom = std::max(A.Y, B.Y) + R;
    const int64_t y0 = std::max<int64_t>(YMin, int64_t(std::floor(top)) - 1);
    const int64_t y1 = std::min<int64_t>(YMax, int64_t(std::ceil(bottom)) + 1);
    const double dx = B.X - A.X, dy = B.Y - A.Y;
    const double len = std::sqrt(dx * dx + dy * dy);
    const double ux = len > 0 ? dx / len : 0, uy = len > 0 ? dy / len : 0;
    for (int64_t y = y0; y < y1; ++y) {
        const double yy = double(y) + NudgeY;
        double lo = INFINITY, hi = -INFINITY;
        DiscRow(A.X, A.Y, R, yy, lo, hi);
        DiscRow(B.X, B.Y, R, yy, lo, hi);
        if (len > 0) {
            // The band: 0 <= (q - A).u <= len and |(q - A).n| <= R, n = (-uy, ux).
            double bl = -INFINITY, bh = INFINITY;
            const double ry = yy - A.Y;
            if (Constrain(ux, -A.X * ux + ry * uy, 0, len, bl, bh) &&
                Constrain(-uy, A.X * uy + ry * ux, -R, R, bl, bh) && bl < bh)
                Widen(bl, bh, lo, hi);
        }
        if (!(lo < hi)) continue;
        const double xs = std::ceil(lo - NudgeX), xe = std::ceil(hi - NudgeX);
        if (xs < xe)
            Out.push_back(TSpan{int32_t(y), ClampCoord(int64_t(xs)), ClampCoord(int64_t(xe))});
    }
}

}  // namespace

void WideStrokeSpans(const TDPoint* P, int N, bool Closed, double Width, int32_t YMin, int32_t YMax, TSpanList& Out) {
    if (N <= 0) return;
    const double r = Width / 2;
    bool any = false;
    const int segments = Closed ? N : N - 1;
    for (int i = 0; i < segments; ++i) {
        const TDPoint a = P[i], b = P[(i + 1) % N];
        if (a.X == b.X && a.Y == b.Y) continue;
        CapsuleSpans(a, b, r, YMin, YMax, Out);
        any = true;
    }
    if (!any) CapsuleSpans(P[0], P[0], r, YMin, YMax, Out);
    NormalizeSpans(Out);
}

void PaintFigure(const TTarget& T, const TSpanList& Brush, const TPaint* BrushPaint, const TSpanList& PenFg,
                 const TSpanList& PenBg, const TPenInfo& Pen) {
    if (BrushPaint && !Brush.empty()) {
        if (PenFg.empty() && PenBg.empty()) {
            PaintSpans(T, Brush, *BrushPaint);
        } else {
            TSpanList pen = PenFg;
            pen.insert(pen.end(), PenBg.begin(), PenBg.end());
            NormalizeSpans(pen);
            PaintSpans(T, SubtractSpans(Brush, pen), *BrushPaint);
        }
    }
    if (!Pen.Null) {
        PaintSpans(T, PenFg, Pen.Fg);
        if (Pen.HasBg && !PenBg.empty()) PaintSpans(T, PenFg.empty() ? PenBg : SubtractSpans(PenBg, PenFg), Pen.Bg);
    }
}

namespace {

TDPoint ToD(TPoint P) { return TDPoint{double(P.X), double(P.Y)}; }

// Draws a device-space polyline with the DC's pen.
void StrokePolyline(TDCObj* DC, const TTarget& T, const TPoint* P, int N, bool Closed, int& Phase) {
    const TPenInfo pen = GetPenInfo(DC, T);
    if (pen.Null || N < 2) return;
    if (!pen.Wide) {
        DrawCosmeticPolyline(T, pen, P, N, Closed, Phase);
        return;
    }
    std::vector<TDPoint> d(static_cast<size_t>(N));
    for (int i = 0; i < N; ++i) d[size_t(i)] = ToD(P[i]);
    TSpanList spans;
    WideStrokeSpans(d.data(), N, Closed, pen.Width, T.Box.Top, T.Box.Bottom, spans);
    PaintSpans(T, spans, pen.Fg);
}

std::vector<TPoint> ToDevice(TDCObj* DC, const TPoint* P, int N) {
    std::vector<TPoint> d(static_cast<size_t>(N));
    for (int i = 0; i < N; ++i) d[size_t(i)] = TPoint{DC->DevX(P[i].X), DC->DevY(P[i].Y)};
    return d;
}

// Flattens cubic Bezier segments (device space) into a polyline.
void FlattenBezier(const TPoint* P, int Segments, std::vector<TPoint>& Out) {
    Out.push_back(P[0]);
    for (int s = 0; s < Segments; ++s) {
        const TPoint* c = P + 3 * s;
        double len = 0;
        for (int i = 0; i < 3; ++i) len += std::hypot(double(c[i + 1].X) - c[i].X, double(c[i + 1].Y) - c[i].Y);
        const int steps = std::clamp(int(std::sqrt(len) * 2), 1, 1024);
        for (int i = 1; i <= steps; ++i) {
            const double t = double(i) / steps, u = 1 - t;
            const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
            const double x = b0 * c[0].X + b1 * c[1].X + b2 * c[2].X + b3 * c[3].X;
            const double y = b0 * c[0].Y + b1 * c[1].Y + b2 * c[2].Y + b3 * c[3].Y;
            const TPoint p{ClampCoord(int64_t(std::floor(x + 0.5))), ClampCoord(int64_t(std::floor(y + 0.5)))};
            if (!(p == Out.back())) Out.push_back(p);
        }
    }
}

}  // namespace
}  // namespace gdi

using namespace gdi;

COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color) {
    TDCObj* dc = LookupDC(DC);
    TTarget t;
    if (!dc || !MakeTarget(dc, t)) return CLR_INVALID;
    const int32_t x = dc->DevX(X), y = dc->DevY(Y);
    if (!TargetContains(t, x, y)) return CLR_INVALID;
    const uint32_t p = DevicePixel(Color, t.Mono);
    t.V.Row(y)[x] = p;
    return ColorRefFromPixel(p);
}

bool SetPixelV(HDC DC, int X, int Y, COLORREF Color) { return SetPixel(DC, X, Y, Color) != CLR_INVALID; }

COLORREF GetPixel(HDC DC, int X, int Y) {
    TDCObj* dc = LookupDC(DC);
    TTarget t;
    if (!dc || !MakeTarget(dc, t)) return CLR_INVALID;
    const int32_t x = dc->DevX(X), y = dc->DevY(Y);
    if (!TargetContains(t, x, y)) return CLR_INVALID;
    return ColorRefFromPixel(t.V.Row(y)[x]);
}

bool LineTo(HDC DC, int X, int Y) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const TPoint from = dc->S.CurPos;
    dc->S.CurPos = TPoint{ClampCoord(X), ClampCoord(Y)};
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    const TPoint pts[2] = {TPoint{dc->DevX(from.X), dc->DevY(from.Y)}, TPoint{dc->DevX(X), dc->DevY(Y)}};
    StrokePolyline(dc, t, pts, 2, false, dc->StylePhase);
    return true;
}

bool Polyline(HDC DC, const TPoint* Points, int Count) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Points || Count < 2) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    const std::vector<TPoint> d = ToDevice(dc, Points, Count);
    int phase = 0;
    StrokePolyline(dc, t, d.data(), Count, false, phase);
    return true;
}

bool PolylineTo(HDC DC, const TPoint* Points, int Count) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Points || Count < 1) return false;
    std::vector<TPoint> all;
    all.reserve(size_t(Count) + 1);
    all.push_back(dc->S.CurPos);
    all.insert(all.end(), Points, Points + Count);
    dc->S.CurPos = TPoint{ClampCoord(Points[Count - 1].X), ClampCoord(Points[Count - 1].Y)};
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    const std::vector<TPoint> d = ToDevice(dc, all.data(), int(all.size()));
    StrokePolyline(dc, t, d.data(), int(d.size()), false, dc->StylePhase);
    return true;
}

bool PolyPolyline(HDC DC, const TPoint* Points, const uint32_t* Counts, int Polylines) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Points || !Counts || Polylines <= 0) return false;
    for (int i = 0; i < Polylines; ++i)
        if (Counts[i] < 2) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    size_t at = 0;
    for (int i = 0; i < Polylines; ++i) {
        const std::vector<TPoint> d = ToDevice(dc, Points + at, int(Counts[i]));
        int phase = 0;
        StrokePolyline(dc, t, d.data(), int(d.size()), false, phase);
        at += Counts[i];
    }
    return true;
}

bool PolyBezier(HDC DC, const TPoint* Points, int Count) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Points || Count < 4 || (Count - 1) % 3 != 0) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    const std::vector<TPoint> d = ToDevice(dc, Points, Count);
    std::vector<TPoint> flat;
    FlattenBezier(d.data(), (Count - 1) / 3, flat);
    int phase = 0;
    if (flat.size() >= 2) StrokePolyline(dc, t, flat.data(), int(flat.size()), false, phase);
    return true;
}

bool PolyBezierTo(HDC DC, const TPoint* Points, int Count) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Points || Count < 3 || Count % 3 != 0) return false;
    std::vector<TPoint> all;
    all.push_back(dc->S.CurPos);
    all.insert(all.end(), Points, Points + Count);
    dc->S.CurPos = TPoint{ClampCoord(Points[Count - 1].X), ClampCoord(Points[Count - 1].Y)};
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    const std::vector<TPoint> d = ToDevice(dc, all.data(), int(all.size()));
    std::vector<TPoint> flat;
    FlattenBezier(d.data(), Count / 3, flat);
    if (flat.size() >= 2) StrokePolyline(dc, t, flat.data(), int(flat.size()), false, dc->StylePhase);
    return true;
}

}  // namespace vcl
