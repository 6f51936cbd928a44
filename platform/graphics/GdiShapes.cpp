// GdiShapes.cpp - filled shapes: rectangles, ellipses, rounded rectangles,
// arcs, pies, chords and polygons; rectangle fills, frames, focus
// rectangles, flood fills and coverage masks.
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "GdiShapes.h"

namespace vcl {
namespace gdi {

namespace {

// ---------------------------------------------------------------------------
// Row shapes: a figure that covers one run [L, R] (inclusive) per row.

struct TRectRows {
    TRect Box;
    bool Row(int32_t Y, int32_t& L, int32_t& R) const {
        if (Y < Box.Top || Y >= Box.Bottom || Box.Right <= Box.Left) return false;
        L = Box.Left;
        R = Box.Right - 1;
        return true;
    }
};

// The pixels (x, y) of an ellipse in Box whose centres satisfy, in doubled
// coordinates around the centre C2 = (Left + Right - 1, Top + Bottom - 1),
// (dx / W)^2 + (dy / H)^2 <= 1: the ellipse through the outermost pixel
// centres widened by half a pixel, so it reaches every side of the box.
struct TEllipseRows {
    TRect Box;
    int64_t W = 0, H = 0, C2x = 0, C2y = 0;
    explicit TEllipseRows(const TRect& B) : Box(B) {
        W = int64_t(B.Right) - B.Left;
        H = int64_t(B.Bottom) - B.Top;
        C2x = int64_t(B.Left) + B.Right - 1;
        C2y = int64_t(B.Top) + B.Bottom - 1;
    }
    bool Row(int32_t Y, int32_t& L, int32_t& R) const {
        if (W <= 0 || H <= 0 || Y < Box.Top || Y >= Box.Bottom) return false;
        const __int128 dy2 = __int128(2) * Y - C2y;
        const __int128 lim = __int128(W) * W * (__int128(H) * H - dy2 * dy2);
        const __int128 hh = __int128(H) * H;
        int64_t d = int64_t(std::sqrt(double(lim)) / double(H));
        while (__int128(d + 1) * (d + 1) * hh <= lim) ++d;
        while (d > 0 && __int128(d) * d * hh > lim) --d;
        if (((d ^ C2x) & 1) != 0) --d;
        if (d < 0) return false;
        L = int32_t((C2x - d) / 2);
        R = int32_t((C2x + d) / 2);
        return true;
    }
};

struct TRoundRectRows {
    TRect Box;
    TEllipseRows Corner;
    int32_t CH;
    bool Plain;
    TRoundRectRows(const TRect& B, int32_t EW, int32_t EH)
        : Box(B),
          Corner(TRect{0, 0, int32_t(std::min<int64_t>(std::llabs(EW), B.Right - B.Left)),
                       int32_t(std::min<int64_t>(std::llabs(EH), B.Bottom - B.Top))}) {
        CH = Corner.Box.Bottom;
        Plain = Corner.Box.Right < 2 || Corner.Box.Bottom < 2;
    }
    bool Row(int32_t Y, int32_t& L, int32_t& R) const {
        if (Y < Box.Top || Y >= Box.Bottom || Box.Right <= Box.Left) return false;
        int32_t inset = 0;
        if (!Plain) {
            const int32_t k = std::min(Y - Box.Top, Box.Bottom - 1 - Y);
            if (k < (CH + 1) / 2) {
                int32_t cl, cr;
                if (!Corner.Row(k, cl, cr)) return false;
                inset = cl;
            }
        }
        L = Box.Left + inset;
        R = Box.Right - 1 - inset;
        return L <= R;
    }
};

template <class Rows>
void FillRows(const Rows& S, int32_t Y0, int32_t Y1, TSpanList& Out) {
    for (int32_t y = Y0; y < Y1; ++y) {
        int32_t l, r;
        if (S.Row(y, l, r)) Out.push_back(TSpan{y, l, r + 1});
    }
}

// Splits a row shape into its one-pixel outline (pixels with a 4-neighbour
// outside) and its interior.
template <class Rows>
void RingRows(const Rows& S, int32_t Y0, int32_t Y1, TSpanList* Outline, TSpanList* Interior) {
    int32_t pl = 0, pr = 0, cl = 0, cr = 0, nl = 0, nr = 0;
    bool hp = S.Row(Y0 - 1, pl, pr), hc = S.Row(Y0, cl, cr), hn = false;
    for (int32_t y = Y0; y < Y1; ++y) {
        hn = S.Row(y + 1, nl, nr);
        if (hc) {
            int32_t il = cl + 1, ir = cr - 1;
            bool inner = hp && hn;
            if (inner) {
                il = std::max({il, pl, nl});
                ir = std::min({ir, pr, nr});
                inner = il <= ir;
            }
            if (!inner) {
                if (Outline) Outline->push_back(TSpan{y, cl, cr + 1});
            } else {
                if (Outline) {
                    if (il > cl) Outline->push_back(TSpan{y, cl, il});
                    if (ir < cr) Outline->push_back(TSpan{y, ir + 1, cr + 1});
                }
                if (Interior) Interior->push_back(TSpan{y, il, ir + 1});
            }
        }
        pl = cl;
        pr = cr;
        hp = hc;
        cl = nl;
        cr = nr;
        hc = hn;
    }
}

// A styled outline takes its dash phase from the whole figure when the
// figure is of a sane size; a giant one is styled from its visible part.
inline bool WholeOutline(const TRect& Box) { return Box.Width() <= 65536 && Box.Height() <= 65536; }

TSpanList ClipSpansX(const TSpanList& In, const TRect& Box) {
    TSpanList out;
    for (const TSpan& s : In) {
        const int32_t a = std::max(s.X0, Box.Left - 1), b = std::min(s.X1, Box.Right + 1);
        if (a < b) out.push_back(TSpan{s.Y, a, b});
    }
    return out;
}

// Rows of the clip box that a box can touch.
inline void RowRange(const TRect& Box, const TTarget& T, int32_t& Y0, int32_t& Y1) {
    Y0 = std::max(Box.Top, T.Box.Top);
    Y1 = std::min(Box.Bottom, T.Box.Bottom);
}

TRect NormBox(TDCObj* DC, int L, int T, int R, int B) {
    TRect r{DC->DevX(L), DC->DevY(T), DC->DevX(R), DC->DevY(B)};
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

// A wide PS_INSIDEFRAME pen draws inside the box: the path moves in so the
// stroke's outer edge meets the box.
TRect InsideFrameBox(const TRect& B, int Width) {
    TRect r{B.Left + Width / 2, B.Top + Width / 2, B.Right - (Width - 1) / 2, B.Bottom - (Width - 1) / 2};
    if (r.Right <= r.Left) r.Right = r.Left + 1;
    if (r.Bottom <= r.Top) r.Bottom = r.Top + 1;
    return r;
}

// The area a figure fills without a pen: its box less the right column and
// bottom row, the pixels the outline would have drawn on.
TRect NullPenBox(const TRect& B) { return TRect{B.Left, B.Top, B.Right - 1, B.Bottom - 1}; }

// ---------------------------------------------------------------------------
// Sectors and half-planes in doubled coordinates around C2.

struct TVec {
    int64_t X, Y;
};
// Cross product with y up: positive when B lies counter-clockwise of A.
inline int64_t Ccw(TVec A, TVec B) { return A.Y * B.X - A.X * B.Y; }

struct TInterval {
    int64_t L, R;  // inclusive
};
constexpr int64_t Inf = int64_t(1) << 40;

// The x with A * x >= C.
TInterval HalfRow(int64_t A, int64_t C) {
    if (A > 0) return TInterval{-FloorDiv(-C, A), Inf};
    if (A < 0) return TInterval{-Inf, FloorDiv(-C, -A)};
    return C <= 0 ? TInterval{-Inf, Inf} : TInterval{1, 0};
}

struct TSector {
    int64_t C2x, C2y;
    TVec S, E;  // start and end directions, counter-clockwise from S to E
    int Kind;   // 0 full, 1 at most half a turn (intersection), 2 more (union)
    TSector(int64_t cx, int64_t cy, TVec s, TVec e) : C2x(cx), C2y(cy), S(s), E(e) {
        if (S.X == 0 && S.Y == 0) S = TVec{1, 0};
        if (E.X == 0 && E.Y == 0) E = TVec{1, 0};
        const int64_t c = Ccw(S, E);
        const int64_t dot = S.X * E.X + S.Y * E.Y;
        Kind = (c == 0 && dot > 0) ? 0 : ((c > 0 || (c == 0 && dot < 0)) ? 1 : 2);
    }
    bool Contains(int64_t X, int64_t Y) const {
        const TVec v{2 * X - C2x, 2 * Y - C2y};
        if (Kind == 0) return true;
        const bool a = Ccw(S, v) >= 0, b = Ccw(v, E) >= 0;
        return Kind == 1 ? (a && b) : (a || b);
    }
    // The runs of row Y inside the sector (at most two).
    int Row(int32_t Y, TInterval* Out) const {
        if (Kind == 0) {
            Out[0] = TInterval{-Inf, Inf};
            return 1;
        }
        const int64_t vy = 2 * int64_t(Y) - C2y;
        // Ccw(S, v) >= 0:  2 S.Y x >= S.Y C2x + S.X vy
        const TInterval a = HalfRow(2 * S.Y, S.Y * C2x + S.X * vy);
        // Ccw(v, E) >= 0:  -2 E.Y x >= -E.Y C2x - E.X vy
        const TInterval b = HalfRow(-2 * E.Y, -E.Y * C2x - E.X * vy);
        if (Kind == 1) {
            const TInterval r{std::max(a.L, b.L), std::min(a.R, b.R)};
            if (r.L > r.R) return 0;
            Out[0] = r;
            return 1;
        }
        int n = 0;
        if (a.L <= a.R) Out[n++] = a;
        if (b.L <= b.R) Out[n++] = b;
        if (n == 2) {
            if (Out[1].L < Out[0].L) std::swap(Out[0], Out[1]);
            if (Out[1].L <= Out[0].R + 1) {
                Out[0].R = std::max(Out[0].R, Out[1].R);
                n = 1;
            }
        }
        return n;
    }
};

// Keeps the parts of spans inside the runs a row function gives.
template <class RowFn>
TSpanList ClipSpansByRows(const TSpanList& In, RowFn&& Fn) {
    TSpanList out;
    TInterval iv[2];
    int32_t lastY = INT32_MIN;
    int n = 0;
    for (const TSpan& s : In) {
        if (s.Y != lastY) {
            n = Fn(s.Y, iv);
            lastY = s.Y;
        }
        for (int i = 0; i < n; ++i) {
            const int64_t a = std::max<int64_t>(s.X0, iv[i].L), b = std::min<int64_t>(s.X1, iv[i].R + 1);
            if (a < b) out.push_back(TSpan{s.Y, int32_t(a), int32_t(b)});
        }
    }
    return out;
}

// Expands spans into pixels ordered counter-clockwise by angle around C2,
// starting at direction Start (clockwise when Reverse).
std::vector<TPoint> OrderByAngle(const TSpanList& Spans, int64_t C2x, int64_t C2y, TVec Start, bool Reverse) {
    struct TItem {
        double A;
        TPoint P;
    };
    std::vector<TItem> items;
    const double a0 = std::atan2(-double(Start.Y), double(Start.X));
    for (const TSpan& s : Spans)
        for (int32_t x = s.X0; x < s.X1; ++x) {
            double a = std::atan2(-double(2 * int64_t(s.Y) - C2y), double(2 * int64_t(x) - C2x)) - a0;
            if (Reverse) a = -a;
            a = std::fmod(a, 2 * std::numbers::pi);
            if (a < 0) a += 2 * std::numbers::pi;
            items.push_back(TItem{a, TPoint{x, s.Y}});
        }
    std::stable_sort(items.begin(), items.end(), [](const TItem& a, const TItem& b) { return a.A < b.A; });
    std::vector<TPoint> out;
    out.reserve(items.size());
    for (const TItem& i : items) out.push_back(i.P);
    return out;
}

// Paths for wide pens, through the centres of the outermost pixels.
int FullSegments(double A, double B) {
    return std::clamp(4 * int(std::ceil(2.5 * std::sqrt(std::max({A, B, 1.0})))), 16, 4096);
}

void EllipseArcPath(const TRect& Box, double T0, double Sweep, std::vector<TDPoint>& Out) {
    const double cx = (double(Box.Left) + Box.Right - 1) / 2, cy = (double(Box.Top) + Box.Bottom - 1) / 2;
    const double a = (double(Box.Right) - Box.Left - 1) / 2, b = (double(Box.Bottom) - Box.Top - 1) / 2;
    const double turn = 2 * std::numbers::pi, quarter = std::numbers::pi / 2;
    const int n = std::max(1, int(std::ceil(FullSegments(a, b) * std::fabs(Sweep) / turn - 1e-6)));
    // Even steps, plus the ends of the axes the arc passes, so that a wide
    // outline reaches exactly as far as the figure does.
    std::vector<double> ts;
    ts.reserve(size_t(n) + 6);
    for (int i = 0; i <= n; ++i) ts.push_back(double(i) / n);
    const double lo = std::min(T0, T0 + Sweep), hi = std::max(T0, T0 + Sweep);
    for (double k = std::ceil(lo / quarter); k * quarter <= hi; k += 1) ts.push_back((k * quarter - T0) / Sweep);
    std::sort(ts.begin(), ts.end());
    for (size_t i = 0; i < ts.size(); ++i) {
        if (i > 0 && ts[i] - ts[i - 1] < 1e-9) continue;
        const double t = T0 + Sweep * ts[i];
        // Exact values on the axes.
        const double q = t / quarter, qr = std::round(q);
        double c = std::cos(t), s = std::sin(t);
        if (std::fabs(q - qr) < 1e-9) {
            const int k = ((int(qr) % 4) + 4) % 4;
            c = k == 0 ? 1 : (k == 2 ? -1 : 0);
            s = k == 1 ? 1 : (k == 3 ? -1 : 0);
        }
        Out.push_back(TDPoint{cx + a * c, cy - b * s});
    }
}

void RoundRectPath(const TRect& Box, int32_t EW, int32_t EH, std::vector<TDPoint>& Out) {
    const double w = std::min<double>(std::fabs(double(EW)), Box.Right - Box.Left);
    const double h = std::min<double>(std::fabs(double(EH)), Box.Bottom - Box.Top);
    const double a = std::max(0.0, (w - 1) / 2), b = std::max(0.0, (h - 1) / 2);
    const double l = Box.Left + a, r = Box.Right - 1 - a, t = Box.Top + b, bt = Box.Bottom - 1 - b;
    const int n = std::max(2, FullSegments(a, b) / 4);
    const double cxs[4] = {r, l, l, r}, cys[4] = {t, t, bt, bt};
    for (int q = 0; q < 4; ++q)
        for (int i = 0; i <= n; ++i) {
            const double th = std::numbers::pi / 2 * (q + double(i) / n);
            Out.push_back(TDPoint{cxs[q] + a * std::cos(th), cys[q] - b * std::sin(th)});
        }
}

void RectPath(const TRect& B, std::vector<TDPoint>& Out) {
    Out.push_back(TDPoint{double(B.Left), double(B.Top)});
    Out.push_back(TDPoint{double(B.Right - 1), double(B.Top)});
    Out.push_back(TDPoint{double(B.Right - 1), double(B.Bottom - 1)});
    Out.push_back(TDPoint{double(B.Left), double(B.Bottom - 1)});
}

// Paints brush and pen parts that are already disjoint, or composes them.
void PaintParts(const TTarget& T, const TSpanList& Brush, const TPaint* BrushPaint, const TSpanList& PenFg,
                const TSpanList& PenBg, const TPenInfo& Pen, bool Disjoint) {
    if (Disjoint && PenBg.empty()) {
        if (BrushPaint) PaintSpans(T, Brush, *BrushPaint);
        if (!Pen.Null) PaintSpans(T, PenFg, Pen.Fg);
        return;
    }
    PaintFigure(T, Brush, BrushPaint, PenFg, PenBg, Pen);
}

// The common frame of the box figures (rectangle, ellipse, rounded
// rectangle): Rows builds the row shape for a box.
template <class MakeRows>
void DrawBoxFigure(TDCObj* DC, const TTarget& T, TRect Box, MakeRows&& Make,
                   void (*Path)(const TRect&, const void*, std::vector<TDPoint>&), const void* PathArg) {
    const TPenInfo pen = GetPenInfo(DC, T);
    TPattern pat;
    TPaint brushPaint;
    const bool hasBrush = MakeBrushPaint(DC, T, DC->S.Brush, DC->S.Rop2, pat, brushPaint);
    if (pen.Wide && pen.InsideFrame) Box = InsideFrameBox(Box, pen.Width);
    int32_t y0, y1;
    TSpanList brush, fg, bg;
    if (pen.Null || pen.Wide) {
        const TRect nb = NullPenBox(Box);
        if (hasBrush) {
            RowRange(nb, T, y0, y1);
            FillRows(Make(nb), y0, y1, brush);
        }
        if (pen.Wide) {
            std::vector<TDPoint> path;
            Path(Box, PathArg, path);
            WideStrokeSpans(path.data(), int(path.size()), true, pen.Width, T.Box.Top, T.Box.Bottom, fg);
        }
        PaintParts(T, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen, false);
        return;
    }
    const auto rows = Make(Box);
    if (!pen.Period) {
        RowRange(Box, T, y0, y1);
        RingRows(rows, y0, y1, &fg, hasBrush ? &brush : nullptr);
        PaintParts(T, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen, true);
        return;
    }
    // A styled outline: its pixels in order around the figure.
    TSpanList outline;
    if (WholeOutline(Box)) {
        RingRows(rows, Box.Top, Box.Bottom, &outline, nullptr);
    } else {
        RowRange(Box, T, y0, y1);
        RingRows(rows, y0, y1, &outline, nullptr);
        outline = ClipSpansX(outline, T.Box);
    }
    if (hasBrush) {
        RowRange(Box, T, y0, y1);
        RingRows(rows, y0, y1, nullptr, &brush);
    }
    const int64_t c2x = int64_t(Box.Left) + Box.Right - 1, c2y = int64_t(Box.Top) + Box.Bottom - 1;
    const std::vector<TPoint> seq = OrderByAngle(outline, c2x, c2y, TVec{1, 0}, false);
    std::vector<uint64_t> kf, kb;
    int phase = 0;
    CollectSequenceKeys(pen, seq, phase, kf, kb);
    KeysToSpans(kf, fg);
    KeysToSpans(kb, bg);
    PaintParts(T, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen, false);
}

void EllipsePathOf(const TRect& B, const void*, std::vector<TDPoint>& Out) {
    EllipseArcPath(B, 0, 2 * std::numbers::pi, Out);
    Out.pop_back();
}
void RectPathOf(const TRect& B, const void*, std::vector<TDPoint>& Out) { RectPath(B, Out); }
void RoundRectPathOf(const TRect& B, const void* Arg, std::vector<TDPoint>& Out) {
    const int32_t* wh = static_cast<const int32_t*>(Arg);
    RoundRectPath(B, wh[0], wh[1], Out);
}

// ---------------------------------------------------------------------------
// Arcs, pies and chords

enum TArcKind { akArc, akPie, akChord };

// The point where the radial through direction V (doubled) meets the path
// ellipse, as a pixel.
TPoint RadialPoint(const TEllipseRows& E, TVec V) {
    const double a = std::max(double(E.W - 1), 1e-9), b = std::max(double(E.H - 1), 1e-9);
    const double vx = double(V.X), vy = double(V.Y);
    const double n = std::sqrt((vx / a) * (vx / a) + (vy / b) * (vy / b));
    const double t = n > 0 ? 1 / n : 0;
    const double px = (double(E.C2x) + t * vx) / 2, py = (double(E.C2y) + t * vy) / 2;
    return TPoint{ClampCoord(int64_t(std::floor(px + 0.5))), ClampCoord(int64_t(std::floor(py + 0.5)))};
}

// The parametric angle (y up) of the path ellipse point on radial V.
double ParamAngle(const TRect& Box, TVec V) {
    const double a = std::max((double(Box.Right) - Box.Left - 1) / 2, 1e-9);
    const double b = std::max((double(Box.Bottom) - Box.Top - 1) / 2, 1e-9);
    return std::atan2(-double(V.Y) * a, double(V.X) * b);
}

struct TArcFigure {
    TRect Box;
    TPoint StartPt, EndPt;  // device
    bool Clockwise;
};

inline TVec DirOf(const TRect& Box, TPoint P) {
    return TVec{2 * int64_t(P.X) - (int64_t(Box.Left) + Box.Right - 1), 2 * int64_t(P.Y) - (int64_t(Box.Top) + Box.Bottom - 1)};
}

// The sector from the start radial counter-clockwise to the end radial
// (swapped for clockwise arcs).
TSector SectorOf(const TRect& Box, const TArcFigure& A) {
    TVec s = DirOf(Box, A.StartPt), e = DirOf(Box, A.EndPt);
    if (A.Clockwise) std::swap(s, e);
    return TSector(int64_t(Box.Left) + Box.Right - 1, int64_t(Box.Top) + Box.Bottom - 1, s, e);
}

// The chord's half plane: the side of the line from the (counter-clockwise)
// start point to the end point where the arc lies.
struct TChordSide {
    TVec P, D;  // doubled point and direction
    bool Valid;
    bool Contains(int64_t X, int64_t Y) const {
        if (!Valid) return true;
        return Ccw(D, TVec{2 * X - P.X, 2 * Y - P.Y}) < 0;
    }
    int Row(int32_t Y, TInterval* Out) const {
        if (!Valid) {
            Out[0] = TInterval{-Inf, Inf};
            return 1;
        }
        // Ccw(D, v) < 0  <=>  D.Y vx - D.X vy < 0, vx = 2x - P.X, vy = 2Y - P.Y
        //  <=>  -2 D.Y x >= -D.Y P.X - D.X vy + 1
        const int64_t vy = 2 * int64_t(Y) - P.Y;
        const TInterval r = HalfRow(-2 * D.Y, -D.Y * P.X - D.X * vy + 1);
        if (r.L > r.R) return 0;
        Out[0] = r;
        return 1;
    }
};

TChordSide ChordSideOf(TPoint S, TPoint E, bool Clockwise) {
    if (Clockwise) std::swap(S, E);
    TChordSide c;
    c.P = TVec{2 * int64_t(S.X), 2 * int64_t(S.Y)};
    c.D = TVec{2 * (int64_t(E.X) - S.X), 2 * (int64_t(E.Y) - S.Y)};
    c.Valid = c.D.X != 0 || c.D.Y != 0;
    return c;
}

void DrawArcFigure(TDCObj* DC, const TTarget& T, TArcKind Kind, TArcFigure A, const TPoint* LeadFrom) {
    const TPenInfo pen = GetPenInfo(DC, T);
    TPattern pat;
    TPaint brushPaint;
    const bool hasBrush = Kind != akArc && MakeBrushPaint(DC, T, DC->S.Brush, DC->S.Rop2, pat, brushPaint);
    if (pen.Wide && pen.InsideFrame) A.Box = InsideFrameBox(A.Box, pen.Width);
    const TEllipseRows rows(A.Box);
    const TSector sector = SectorOf(A.Box, A);
    const TVec sDir = DirOf(A.Box, A.StartPt), eDir = DirOf(A.Box, A.EndPt);
    const TPoint ps = RadialPoint(rows, sDir), pe = RadialPoint(rows, eDir);
    const TPoint centre{int32_t(FloorDiv(rows.C2x, 2)), int32_t(FloorDiv(rows.C2y, 2))};
    int32_t y0, y1;

    // The interior a brush fills, for a box.
    auto brushFor = [&](const TRect& Box, TSpanList& Out) {
        const TEllipseRows r(Box);
        RowRange(Box, T, y0, y1);
        TSpanList all;
        FillRows(r, y0, y1, all);
        if (Kind == akPie) {
            const TSector sec = SectorOf(Box, A);
            Out = ClipSpansByRows(all, [&](int32_t y, TInterval* iv) { return sec.Row(y, iv); });
        } else {
            const TChordSide side = ChordSideOf(ps, pe, A.Clockwise);
            Out = ClipSpansByRows(all, [&](int32_t y, TInterval* iv) { return side.Row(y, iv); });
        }
    };

    TSpanList brush, fg, bg;
    if (pen.Null || pen.Wide) {
        if (hasBrush) brushFor(NullPenBox(A.Box), brush);
        if (pen.Wide) {
            std::vector<TDPoint> path;
            if (LeadFrom) path.push_back(TDPoint{double(LeadFrom->X), double(LeadFrom->Y)});
            double t0 = ParamAngle(A.Box, sDir), t1 = ParamAngle(A.Box, eDir);
            double sweep;
            if (sector.Kind == 0) {
                sweep = 2 * std::numbers::pi;
            } else if (!A.Clockwise) {
                sweep = t1 - t0;
                while (sweep <= 0) sweep += 2 * std::numbers::pi;
            } else {
                sweep = t1 - t0;
                while (sweep >= 0) sweep -= 2 * std::numbers::pi;
            }
            EllipseArcPath(A.Box, t0, sweep, path);
            if (Kind == akPie) path.push_back(TDPoint{(double(rows.C2x)) / 2, double(rows.C2y) / 2});
            WideStrokeSpans(path.data(), int(path.size()), Kind != akArc, pen.Width, T.Box.Top, T.Box.Bottom, fg);
        }
        PaintParts(T, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen, false);
        return;
    }

    // Cosmetic: the outline pixels of the ellipse inside the sector, plus
    // the radials or the chord.
    // A styled outline needs all of itself for its phase (within reason).
    const bool styled = pen.Period != 0;
    TSpanList ring;
    if (styled && WholeOutline(A.Box)) {
        RingRows(rows, A.Box.Top, A.Box.Bottom, &ring, nullptr);
    } else {
        RowRange(A.Box, T, y0, y1);
        RingRows(rows, y0, y1, &ring, nullptr);
        ring = ClipSpansX(ring, T.Box);
    }
    const TSpanList arc = ClipSpansByRows(ring, [&](int32_t y, TInterval* iv) { return sector.Row(y, iv); });
    std::vector<uint64_t> kf, kb;
    int phase = 0;
    const TRect everywhere{-CoordLimit, -CoordLimit, CoordLimit, CoordLimit};
    const TRect& lineBox = styled && WholeOutline(A.Box) ? everywhere : T.Box;
    if (LeadFrom) CollectLineKeys(pen, *LeadFrom, ps, false, phase, lineBox, kf, kb);
    if (styled) {
        const std::vector<TPoint> seq = OrderByAngle(arc, rows.C2x, rows.C2y, sDir, A.Clockwise);
        CollectSequenceKeys(pen, seq, phase, kf, kb);
    } else {
        TSpanList tmp = arc;
        for (const TSpan& s : tmp)
            for (int32_t x = s.X0; x < s.X1; ++x) kf.push_back(PixelKey(x, s.Y));
    }
    if (Kind == akPie) {
        CollectLineKeys(pen, pe, centre, false, phase, lineBox, kf, kb);
        CollectLineKeys(pen, centre, ps, true, phase, lineBox, kf, kb);
    } else if (Kind == akChord) {
        CollectLineKeys(pen, pe, ps, true, phase, lineBox, kf, kb);
    }
    KeysToSpans(kf, fg);
    KeysToSpans(kb, bg);
    if (hasBrush) brushFor(A.Box, brush);
    PaintParts(T, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen, false);
}

bool ArcCommon(HDC DC, TArcKind Kind, int Left, int Top, int Right, int Bottom, int XS, int YS, int XE, int YE,
               bool To) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    TArcFigure a;
    a.Box = NormBox(dc, Left, Top, Right, Bottom);
    a.StartPt = TPoint{dc->DevX(XS), dc->DevY(YS)};
    a.EndPt = TPoint{dc->DevX(XE), dc->DevY(YE)};
    a.Clockwise = dc->S.ArcDirection == AD_CLOCKWISE;
    const TPoint lead{dc->DevX(dc->S.CurPos.X), dc->DevY(dc->S.CurPos.Y)};
    if (To) {
        // The current position moves to the end of the arc.
        const TEllipseRows rows(a.Box);
        const TPoint pe = RadialPoint(rows, DirOf(a.Box, a.EndPt));
        dc->S.CurPos = TPoint{ClampCoord(int64_t(pe.X) - dc->OffX()), ClampCoord(int64_t(pe.Y) - dc->OffY())};
    }
    if (a.Box.IsEmpty()) return true;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    DrawArcFigure(dc, t, Kind, a, To ? &lead : nullptr);
    return true;
}

}  // namespace

void EllipseSpans(const TRect& Box, int32_t YMin, int32_t YMax, TSpanList& Out) {
    FillRows(TEllipseRows(Box), std::max(YMin, Box.Top), std::min(YMax, Box.Bottom), Out);
}

void RoundRectSpans(const TRect& Box, int32_t EllipseWidth, int32_t EllipseHeight, int32_t YMin, int32_t YMax,
                    TSpanList& Out) {
    if (Box.IsEmpty()) return;
    FillRows(TRoundRectRows(Box, EllipseWidth, EllipseHeight), std::max(YMin, Box.Top), std::min(YMax, Box.Bottom),
             Out);
}

namespace {

// Scan conversion with integer edge stepping: each active edge keeps the
// first pixel centre at or right of its crossing, C = ceil(x), and the
// remainder Rem = C * DY - (y - YTop) * DX (0 <= Rem < DY).
template <class Sink>
void ScanPolygon(const TPoint* P, const int* Counts, int N, int FillMode, int32_t YMin, int32_t YMax, Sink&& Emit) {
    struct TScanEdge {
        int32_t YTop, YBot;
        int64_t XTop, DX, DY;
        int Dir;
        int64_t C, Rem, QS, RS;
    };
    std::vector<TScanEdge> edges;
    int32_t minY = INT32_MAX, maxY = INT32_MIN;
    size_t at = 0;
    for (int poly = 0; poly < N; ++poly) {
        const int n = Counts[poly];
        for (int i = 0; i < n; ++i) {
            const TPoint a = P[at + size_t(i)], b = P[at + size_t((i + 1) % n)];
            if (a.Y == b.Y) continue;
            TScanEdge e{};
            if (a.Y < b.Y)
                e = TScanEdge{a.Y, b.Y, a.X, int64_t(b.X) - a.X, int64_t(b.Y) - a.Y, 1, 0, 0, 0, 0};
            else
                e = TScanEdge{b.Y, a.Y, b.X, int64_t(a.X) - b.X, int64_t(a.Y) - b.Y, -1, 0, 0, 0, 0};
            e.QS = FloorDiv(e.DX, e.DY);
            e.RS = e.DX - e.QS * e.DY;
            minY = std::min(minY, e.YTop);
            maxY = std::max(maxY, e.YBot);
            edges.push_back(e);
        }
        at += size_t(n);
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const TScanEdge& a, const TScanEdge& b) { return a.YTop < b.YTop; });
    const int32_t y0 = std::max(YMin, minY), y1 = std::min(YMax, maxY);
    std::vector<TScanEdge*> active;
    struct TCross {
        int64_t X;
        int Dir;
    };
    std::vector<TCross> xs;
    size_t next = 0;
    for (int32_t y = y0; y < y1; ++y) {
        // Step the edges already active, then add the new ones.
        size_t keep = 0;
        for (TScanEdge* e : active) {
            if (e->YBot <= y) continue;
            e->C += e->QS;
            e->Rem -= e->RS;
            if (e->Rem < 0) {
                ++e->C;
                e->Rem += e->DY;
            }
            active[keep++] = e;
        }
        active.resize(keep);
        while (next < edges.size() && edges[next].YTop <= y) {
            TScanEdge& e = edges[next++];
            if (e.YBot <= y) continue;
            const int64_t num = int64_t(y - e.YTop) * e.DX;
            e.C = -FloorDiv(-num, e.DY);
            e.Rem = e.C * e.DY - num;
            active.push_back(&e);
        }
        // The list stays in order of x from row to row, so an insertion
        // sort over it is one pass with the odd swap.
        for (size_t k = 1; k < active.size(); ++k) {
            TScanEdge* e = active[k];
            const int64_t x = e->XTop + e->C;
            size_t m = k;
            while (m > 0 && active[m - 1]->XTop + active[m - 1]->C > x) {
                active[m] = active[m - 1];
                --m;
            }
            active[m] = e;
        }
        xs.clear();
        for (const TScanEdge* e : active) xs.push_back(TCross{e->XTop + e->C, e->Dir});
        if (FillMode == WINDING) {
            int wind = 0;
            int64_t start = 0;
            for (const TCross& c : xs) {
                const int before = wind;
                wind += c.Dir;
                if (before == 0 && wind != 0)
                    start = c.X;
                else if (before != 0 && wind == 0 && c.X > start)
                    Emit(y, ClampCoord(start), ClampCoord(c.X));
            }
        } else {
            for (size_t i = 0; i + 1 < xs.size(); i += 2)
                if (xs[i + 1].X > xs[i].X) Emit(y, ClampCoord(xs[i].X), ClampCoord(xs[i + 1].X));
        }
    }
}

}  // namespace

void PolygonSpans(const TPoint* P, const int* Counts, int N, int FillMode, int32_t YMin, int32_t YMax, TSpanList& Out) {
    ScanPolygon(P, Counts, N, FillMode, YMin, YMax,
                [&](int32_t y, int32_t x0, int32_t x1) { Out.push_back(TSpan{y, x0, x1}); });
    NormalizeSpans(Out);
}

}  // namespace gdi

using namespace gdi;

bool Rectangle(HDC DC, int Left, int Top, int Right, int Bottom) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const TRect box = NormBox(dc, Left, Top, Right, Bottom);
    TTarget t;
    if (box.IsEmpty() || !MakeTarget(dc, t)) return true;
    const TPenInfo pen = GetPenInfo(dc, t);
    if (!pen.Wide && !pen.Period) {
        // Border and interior are disjoint rectangles: paint them directly.
        TPattern pat;
        TPaint brush;
        const bool hasBrush = MakeBrushPaint(dc, t, dc->S.Brush, dc->S.Rop2, pat, brush);
        if (pen.Null) {
            if (hasBrush) PaintRect(t, NullPenBox(box), brush);
            return true;
        }
        if (hasBrush) PaintRect(t, TRect{box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1}, brush);
        PaintRect(t, TRect{box.Left, box.Top, box.Right, box.Top + 1}, pen.Fg);
        if (box.Bottom - 1 > box.Top) PaintRect(t, TRect{box.Left, box.Bottom - 1, box.Right, box.Bottom}, pen.Fg);
        PaintRect(t, TRect{box.Left, box.Top + 1, box.Left + 1, box.Bottom - 1}, pen.Fg);
        if (box.Right - 1 > box.Left)
            PaintRect(t, TRect{box.Right - 1, box.Top + 1, box.Right, box.Bottom - 1}, pen.Fg);
        return true;
    }
    DrawBoxFigure(dc, t, box, [](const TRect& b) { return TRectRows{b}; }, &RectPathOf, nullptr);
    return true;
}

bool Ellipse(HDC DC, int Left, int Top, int Right, int Bottom) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const TRect box = NormBox(dc, Left, Top, Right, Bottom);
    TTarget t;
    if (box.IsEmpty() || !MakeTarget(dc, t)) return true;
    DrawBoxFigure(dc, t, box, [](const TRect& b) { return TEllipseRows(b); }, &EllipsePathOf, nullptr);
    return true;
}

bool RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const TRect box = NormBox(dc, Left, Top, Right, Bottom);
    TTarget t;
    if (box.IsEmpty() || !MakeTarget(dc, t)) return true;
    const int32_t wh[2] = {EllipseWidth, EllipseHeight};
    DrawBoxFigure(
        dc, t, box, [&](const TRect& b) { return TRoundRectRows(b, EllipseWidth, EllipseHeight); }, &RoundRectPathOf,
        wh);
    return true;
}

bool Arc(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd) {
    return ArcCommon(DC, akArc, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd, false);
}

bool ArcTo(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd) {
    return ArcCommon(DC, akArc, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd, true);
}

bool Pie(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd) {
    return ArcCommon(DC, akPie, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd, false);
}

bool Chord(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd) {
    return ArcCommon(DC, akChord, Left, Top, Right, Bottom, XStart, YStart, XEnd, YEnd, false);
}

bool PolyPolygon(HDC DC, const TPoint* Points, const int* Counts, int Polygons) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Points || !Counts || Polygons <= 0) return false;
    size_t total = 0;
    for (int i = 0; i < Polygons; ++i) {
        if (Counts[i] < 2) return false;
        total += size_t(Counts[i]);
    }
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    std::vector<TPoint> d(total);
    for (size_t i = 0; i < total; ++i) d[i] = TPoint{dc->DevX(Points[i].X), dc->DevY(Points[i].Y)};
    const TPenInfo pen = GetPenInfo(dc, t);
    TPattern pat;
    TPaint brushPaint;
    const bool hasBrush = MakeBrushPaint(dc, t, dc->S.Brush, dc->S.Rop2, pat, brushPaint);
    // The brush straight from the scan converter where nothing has to be
    // taken out of it.
    const bool overwrite = !pen.Wide && !Rop2ReadsDest(pen.Fg.Rop2) && (!hasBrush || !Rop2ReadsDest(brushPaint.Rop2));
    TSpanList brush;
    if (hasBrush) {
        if (pen.Null || overwrite)
            ScanPolygon(d.data(), Counts, Polygons, dc->S.PolyFillMode, t.Box.Top, t.Box.Bottom,
                        [&](int32_t y, int32_t x0, int32_t x1) { PaintSpan(t, y, x0, x1, brushPaint); });
        else
            PolygonSpans(d.data(), Counts, Polygons, dc->S.PolyFillMode, t.Box.Top, t.Box.Bottom, brush);
    }
    if (pen.Null) return true;
    TSpanList fg, bg;
    if (pen.Wide) {
        size_t at = 0;
        for (int i = 0; i < Polygons; ++i) {
            std::vector<TDPoint> path;
            for (int k = 0; k < Counts[i]; ++k) path.push_back(TDPoint{double(d[at + k].X), double(d[at + k].Y)});
            WideStrokeSpans(path.data(), int(path.size()), true, pen.Width, t.Box.Top, t.Box.Bottom, fg);
            at += size_t(Counts[i]);
        }
        NormalizeSpans(fg);
        PaintFigure(t, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen);
        return true;
    }
    // Cosmetic outline.  When neither paint reads the destination the brush
    // can go first and the pen over it.
    if (overwrite) {
        size_t at = 0;
        for (int i = 0; i < Polygons; ++i) {
            int phase = 0;
            DrawCosmeticPolyline(t, pen, d.data() + at, Counts[i], true, phase);
            at += size_t(Counts[i]);
        }
        return true;
    }
    std::vector<uint64_t> kf, kb;
    size_t at = 0;
    for (int i = 0; i < Polygons; ++i) {
        int phase = 0;
        for (int k = 0; k < Counts[i]; ++k)
            CollectLineKeys(pen, d[at + size_t(k)], d[at + size_t((k + 1) % Counts[i])], false, phase, t.Box, kf, kb);
        at += size_t(Counts[i]);
    }
    KeysToSpans(kf, fg);
    KeysToSpans(kb, bg);
    PaintFigure(t, brush, hasBrush ? &brushPaint : nullptr, fg, bg, pen);
    return true;
}

bool Polygon(HDC DC, const TPoint* Points, int Count) { return PolyPolygon(DC, Points, &Count, 1); }

// ---------------------------------------------------------------------------
// Rectangle fills

namespace {

TRect DevRect(TDCObj* dc, const TRect& R) {
    return TRect{dc->DevX(R.Left), dc->DevY(R.Top), dc->DevX(R.Right), dc->DevY(R.Bottom)};
}

// The one-pixel frame of a device rectangle as spans.
void FrameSpans(const TRect& R, TSpanList& Out) {
    if (R.IsEmpty()) return;
    Out.push_back(TSpan{R.Top, R.Left, R.Right});
    for (int32_t y = R.Top + 1; y < R.Bottom - 1; ++y) {
        Out.push_back(TSpan{y, R.Left, R.Left + 1});
        if (R.Right - 1 > R.Left) Out.push_back(TSpan{y, R.Right - 1, R.Right});
    }
    if (R.Bottom - 1 > R.Top) Out.push_back(TSpan{R.Bottom - 1, R.Left, R.Right});
}

}  // namespace

int FillRect(HDC DC, const TRect& R, HBRUSH Brush) {
    TDCObj* dc = LookupDC(DC);
    TBrushObj* b = ResolveBrush(Brush);
    if (!dc || !b) return 0;
    TTarget t;
    if (!MakeTarget(dc, t)) return 1;
    TPattern pat;
    TPaint p;
    if (MakeBrushPaint(dc, t, b, R2_COPYPEN, pat, p)) PaintRect(t, DevRect(dc, R), p);
    return 1;
}

int FrameRect(HDC DC, const TRect& R, HBRUSH Brush) {
    TDCObj* dc = LookupDC(DC);
    TBrushObj* b = ResolveBrush(Brush);
    if (!dc || !b) return 0;
    TTarget t;
    if (!MakeTarget(dc, t)) return 1;
    TPattern pat;
    TPaint p;
    if (!MakeBrushPaint(dc, t, b, R2_COPYPEN, pat, p)) return 1;
    TSpanList spans;
    FrameSpans(DevRect(dc, R), spans);
    PaintSpans(t, spans, p);
    return 1;
}

bool InvertRect(HDC DC, const TRect& R) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    TPaint p;
    p.Rop2 = R2_NOT;
    PaintRect(t, DevRect(dc, R), p);
    return true;
}

bool DrawFocusRect(HDC DC, const TRect& R) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    TPattern pat;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) pat.Px[y][x] = 0xFFFFFFFFu;
        pat.Mask[y] = (y & 1) ? 0xAA : 0x55;
    }
    pat.OrgY = 0;
    TPaint p;
    p.Rop2 = R2_XORPEN;
    p.Solid = false;
    p.Pat = &pat;
    TSpanList spans;
    FrameSpans(DevRect(dc, R), spans);
    PaintSpans(t, spans, p);
    return true;
}

bool ExtFloodFill(HDC DC, int X, int Y, COLORREF Color, unsigned Type) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || (Type != FLOODFILLBORDER && Type != FLOODFILLSURFACE)) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return false;
    const int32_t sx = dc->DevX(X), sy = dc->DevY(Y);
    if (!TargetContains(t, sx, sy)) return false;
    const uint32_t key = DevicePixel(Color, t.Mono) & 0xFFFFFF;
    const TRect box = t.Box;
    const int32_t w = box.Width(), h = box.Height();
    auto inside = [&](int32_t x, int32_t y) {
        if (!TargetContains(t, x, y)) return false;
        const uint32_t p = t.V.Row(y)[x] & 0xFFFFFF;
        return Type == FLOODFILLSURFACE ? p == key : p != key;
    };
    if (!inside(sx, sy)) return false;
    std::vector<uint8_t> seen(size_t(w) * size_t(h), 0);
    auto mark = [&](int32_t x, int32_t y) -> uint8_t& { return seen[size_t(y - box.Top) * size_t(w) + size_t(x - box.Left)]; };
    TSpanList spans;
    std::vector<TPoint> stack{TPoint{sx, sy}};
    while (!stack.empty()) {
        const TPoint p = stack.back();
        stack.pop_back();
        if (mark(p.X, p.Y) || !inside(p.X, p.Y)) continue;
        int32_t l = p.X, r = p.X;
        while (l - 1 >= box.Left && !mark(l - 1, p.Y) && inside(l - 1, p.Y)) --l;
        while (r + 1 < box.Right && !mark(r + 1, p.Y) && inside(r + 1, p.Y)) ++r;
        for (int32_t x = l; x <= r; ++x) mark(x, p.Y) = 1;
        spans.push_back(TSpan{p.Y, l, r + 1});
        for (int dy = -1; dy <= 1; dy += 2) {
            const int32_t ny = p.Y + dy;
            if (ny < box.Top || ny >= box.Bottom) continue;
            bool run = false;
            for (int32_t x = l; x <= r; ++x) {
                const bool ok = !mark(x, ny) && inside(x, ny);
                if (ok && !run) stack.push_back(TPoint{x, ny});
                run = ok;
            }
        }
    }
    NormalizeSpans(spans);
    TPattern pat;
    TPaint paint;
    if (MakeBrushPaint(dc, t, dc->S.Brush, R2_COPYPEN, pat, paint)) PaintSpans(t, spans, paint);
    return true;
}

bool FloodFill(HDC DC, int X, int Y, COLORREF Color) { return ExtFloodFill(DC, X, Y, Color, FLOODFILLBORDER); }

bool DrawCoverageMask(HDC DC, int X, int Y, const uint8_t* Mask, int Width, int Height, int Stride, COLORREF Color,
                      bool Binary) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Mask || Width < 0 || Height < 0 || Stride < Width) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    const int64_t x0 = int64_t(X) + dc->OffX(), y0 = int64_t(Y) + dc->OffY();
    const uint32_t c = DevicePixel(Color, t.Mono);
    const uint32_t cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
    for (int my = 0; my < Height; ++my) {
        const int64_t y = y0 + my;
        if (y < t.Box.Top || y >= t.Box.Bottom) continue;
        const uint8_t* m = Mask + size_t(my) * size_t(Stride);
        uint32_t* row = t.V.Row(int32_t(y));
        const int64_t xa = std::max<int64_t>(x0, t.Box.Left), xb = std::min<int64_t>(x0 + Width, t.Box.Right);
        for (int64_t x = xa; x < xb; ++x) {
            unsigned a = m[x - x0];
            if (a == 0) continue;
            if (!t.Simple && !t.Clip->Contains(int32_t(x), int32_t(y))) continue;
            if (Binary || t.Mono) a = a >= 128 ? 255 : 0;
            if (a == 0) continue;
            if (a == 255) {
                row[x] = c;
                continue;
            }
            const uint32_t d = row[x];
            const unsigned ia = 255 - a;
            const uint32_t r = (cr * a + ((d >> 16) & 0xFF) * ia + 127) / 255;
            const uint32_t g = (cg * a + ((d >> 8) & 0xFF) * ia + 127) / 255;
            const uint32_t b = (cb * a + (d & 0xFF) * ia + 127) / 255;
            row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    return true;
}

}  // namespace vcl
