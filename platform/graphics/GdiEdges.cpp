// GdiEdges.cpp - DrawEdge and DrawFrameControl: the classic 3D look in the
// system colours.
#include "GdiShapes.h"
#include "SysColors.h"

namespace vcl {
namespace gdi {

namespace {

struct TPainter {
    TDCObj* DC;
    TTarget T;
    bool Ok;
    explicit TPainter(TDCObj* dc) : DC(dc) { Ok = MakeTarget(dc, T); }
    // Logical rectangle -> device.
    TRect Dev(const TRect& R) const {
        return TRect{DC->DevX(R.Left), DC->DevY(R.Top), DC->DevX(R.Right), DC->DevY(R.Bottom)};
    }
    TPaint Solid(int SysIndex) const {
        TPaint p;
        p.Rop2 = R2_COPYPEN;
        p.Color = DevicePixel(GetSysColor(SysIndex), T.Mono);
        return p;
    }
    void Fill(const TRect& DevR, int SysIndex) const {
        if (Ok && !DevR.IsEmpty()) PaintRect(T, DevR, Solid(SysIndex));
    }
    void Pixel(int32_t X, int32_t Y, const TPaint& P) const {
        if (Ok) PaintSpan(T, Y, X, X + 1, P);
    }
};

// The colours of one ring: top-left and bottom-right, -1 for none.
struct TRing {
    int LT = -1, RB = -1;
};

void DrawRing(const TPainter& P, TRect& R, const TRing& Ring, unsigned Flags) {
    if (Ring.LT < 0 && Ring.RB < 0) return;
    const bool l = Flags & BF_LEFT, t = Flags & BF_TOP, r = Flags & BF_RIGHT, b = Flags & BF_BOTTOM;
    if (Ring.LT >= 0) {
        if (t) P.Fill(TRect{R.Left, R.Top, R.Right - (r ? 1 : 0), R.Top + 1}, Ring.LT);
        if (l) P.Fill(TRect{R.Left, R.Top, R.Left + 1, R.Bottom - (b ? 1 : 0)}, Ring.LT);
    }
    if (Ring.RB >= 0) {
        if (b) P.Fill(TRect{R.Left, R.Bottom - 1, R.Right, R.Bottom}, Ring.RB);
        if (r) P.Fill(TRect{R.Right - 1, R.Top, R.Right, R.Bottom - (b ? 1 : 0)}, Ring.RB);
    }
    if (l) ++R.Left;
    if (t) ++R.Top;
    if (r) --R.Right;
    if (b) --R.Bottom;
}

// Draws an edge on a device rectangle and returns its interior.
TRect EdgeDev(const TPainter& P, TRect R, unsigned Edge, unsigned Flags) {
    TRing outer, inner;
    const bool soft = Flags & BF_SOFT;
    if (Flags & BF_MONO) {
        if (Edge & BDR_OUTER) outer = TRing{COLOR_WINDOWFRAME, COLOR_WINDOWFRAME};
        if (Edge & BDR_INNER) inner = TRing{COLOR_WINDOW, COLOR_WINDOW};
    } else if (Flags & BF_FLAT) {
        if (Edge & BDR_OUTER) outer = TRing{COLOR_BTNSHADOW, COLOR_BTNSHADOW};
        if (Edge & BDR_INNER) inner = TRing{COLOR_BTNFACE, COLOR_BTNFACE};
    } else {
        if (Edge & BDR_RAISEDOUTER)
            outer = TRing{soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
        else if (Edge & BDR_SUNKENOUTER)
            outer = TRing{soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
        if (Edge & BDR_RAISEDINNER)
            inner = TRing{soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
        else if (Edge & BDR_SUNKENINNER)
            inner = TRing{soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    }
    DrawRing(P, R, outer, Flags);
    DrawRing(P, R, inner, Flags);
    if (Flags & BF_MIDDLE) P.Fill(R, (Flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE);
    return R;
}

// A pixel shape drawn relative to an origin.
void DrawPoints(const TPainter& P, const std::vector<TPoint>& Pts, int32_t X, int32_t Y, int SysIndex) {
    const TPaint p = P.Solid(SysIndex);
    for (const TPoint& q : Pts) P.Pixel(X + q.X, Y + q.Y, p);
}

// Draws a glyph in the text colour, or embossed when inactive.
void DrawGlyph(const TPainter& P, const std::vector<TPoint>& Pts, int32_t X, int32_t Y, bool Inactive, int Color) {
    if (Inactive) {
        DrawPoints(P, Pts, X + 1, Y + 1, COLOR_BTNHIGHLIGHT);
        DrawPoints(P, Pts, X, Y, COLOR_BTNSHADOW);
    } else {
        DrawPoints(P, Pts, X, Y, Color);
    }
}

std::vector<TPoint> FromPicture(const char* const* Rows, int N) {
    std::vector<TPoint> pts;
    for (int y = 0; y < N; ++y)
        for (int x = 0; Rows[y][x]; ++x)
            if (Rows[y][x] == '#') pts.push_back(TPoint{x, y});
    return pts;
}

void DrawCheckBox(const TPainter& P, TRect R, unsigned State) {
    const int32_t n = std::min(R.Width(), R.Height());
    if (n <= 0) return;
    R = TRect{R.Left + (R.Width() - n) / 2, R.Top + (R.Height() - n) / 2, 0, 0};
    R.Right = R.Left + n;
    R.Bottom = R.Top + n;
    const unsigned flags = BF_RECT | (State & DFCS_FLAT ? BF_FLAT : 0) | (State & DFCS_MONO ? BF_MONO : 0);
    const TRect in = EdgeDev(P, R, EDGE_SUNKEN, flags);
    P.Fill(in, (State & (DFCS_PUSHED | DFCS_INACTIVE)) ? COLOR_BTNFACE : COLOR_WINDOW);
    if (!(State & DFCS_CHECKED)) return;
    static const char* const Mark[] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};
    static const std::vector<TPoint> mark = FromPicture(Mark, 7);
    const int color = (State & DFCS_INACTIVE) || (State & DFCS_BUTTON3STATE) ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT;
    const int32_t x = in.Left + (in.Width() - 7) / 2, y = in.Top + (in.Height() - 7) / 2;
    const TPaint paint = P.Solid(color);
    for (const TPoint& q : mark) {
        const int32_t px = x + q.X, py = y + q.Y;
        if (in.Contains(TPoint{px, py})) P.Pixel(px, py, paint);
    }
}

void DrawRadio(const TPainter& P, TRect R, unsigned State) {
    const int32_t n = std::min(R.Width(), R.Height());
    if (n <= 0) return;
    const TRect b0{R.Left + (R.Width() - n) / 2, R.Top + (R.Height() - n) / 2, 0, 0};
    const TRect box{b0.Left, b0.Top, b0.Left + n, b0.Top + n};
    const TRect box1{box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1};
    const TRect box2{box.Left + 2, box.Top + 2, box.Right - 2, box.Bottom - 2};
    TSpanList f0, f1, f2;
    EllipseSpans(box, box.Top, box.Bottom, f0);
    if (!box1.IsEmpty()) EllipseSpans(box1, box1.Top, box1.Bottom, f1);
    if (!box2.IsEmpty()) EllipseSpans(box2, box2.Top, box2.Bottom, f2);
    const TSpanList ring0 = SubtractSpans(f0, f1), ring1 = SubtractSpans(f1, f2);
    const int64_t c2x = int64_t(box.Left) + box.Right - 1, c2y = int64_t(box.Top) + box.Bottom - 1;
    const bool flat = State & DFCS_FLAT, mono = State & DFCS_MONO;
    auto paintRing = [&](const TSpanList& Ring, int UL, int BR) {
        const TPaint ul = P.Solid(UL), br = P.Solid(BR);
        for (const TSpan& s : Ring)
            for (int32_t x = s.X0; x < s.X1; ++x)
                P.Pixel(x, s.Y, (2 * int64_t(x) - c2x) + (2 * int64_t(s.Y) - c2y) < 0 ? ul : br);
    };
    if (mono) {
        paintRing(ring0, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
        paintRing(ring1, COLOR_WINDOW, COLOR_WINDOW);
    } else if (flat) {
        paintRing(ring0, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
        paintRing(ring1, COLOR_WINDOW, COLOR_WINDOW);
    } else {
        paintRing(ring0, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
        paintRing(ring1, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    }
    if (P.Ok) PaintSpans(P.T, f2, P.Solid((State & (DFCS_PUSHED | DFCS_INACTIVE)) ? COLOR_BTNFACE : COLOR_WINDOW));
    if (State & DFCS_CHECKED) {
        const int32_t k = std::max(2, n / 3);
        const TRect dot{box.Left + k, box.Top + k, box.Right - k, box.Bottom - k};
        if (!dot.IsEmpty()) {
            TSpanList fd;
            EllipseSpans(dot, dot.Top, dot.Bottom, fd);
            if (P.Ok) PaintSpans(P.T, fd, P.Solid((State & DFCS_INACTIVE) ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT));
        }
    }
}

// A button face for scroll arrows and caption buttons; returns the glyph
// offset (1 when pushed).
int DrawButtonFace(const TPainter& P, const TRect& R, unsigned State) {
    if (State & DFCS_FLAT) {
        EdgeDev(P, R, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_FLAT);
        return (State & DFCS_PUSHED) ? 1 : 0;
    }
    if (State & DFCS_PUSHED) {
        EdgeDev(P, R, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_FLAT);
        return 1;
    }
    EdgeDev(P, R, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    return 0;
}

void DrawScrollArrow(const TPainter& P, const TRect& R, unsigned State) {
    const int off = DrawButtonFace(P, R, State);
    const unsigned kind = State & 0xFF;
    const int32_t s = std::min(R.Width(), R.Height());
    int32_t base = std::max(1, (s - 2) / 2);
    if ((base & 1) == 0) base = std::max(1, base - 1);
    const int32_t height = (base + 1) / 2;
    std::vector<TPoint> pts;
    // An upward triangle: row k has 2k + 1 pixels.
    for (int32_t k = 0; k < height; ++k)
        for (int32_t x = -k; x <= k; ++x) {
            switch (kind) {
                case DFCS_SCROLLUP: pts.push_back(TPoint{x, k - height / 2}); break;
                case DFCS_SCROLLLEFT: pts.push_back(TPoint{k - height / 2, x}); break;
                case DFCS_SCROLLRIGHT: pts.push_back(TPoint{height - 1 - k - height / 2, x}); break;
                default: pts.push_back(TPoint{x, height - 1 - k - height / 2}); break;  // down, combo box
            }
        }
    const int32_t cx = R.Left + (R.Width() - 1) / 2 + off, cy = R.Top + (R.Height() - 1) / 2 + off;
    DrawGlyph(P, pts, cx, cy, State & DFCS_INACTIVE, COLOR_BTNTEXT);
}

void DrawCaptionButton(const TPainter& P, const TRect& R, unsigned State) {
    const int off = (State & DFCS_PUSHED) ? 1 : 0;
    if (State & DFCS_FLAT)
        EdgeDev(P, R, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_FLAT);
    else
        EdgeDev(P, R, (State & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | ((State & DFCS_PUSHED) ? 0 : BF_SOFT));
    const int32_t g = std::max(3, std::min(R.Width(), R.Height()) - 6);
    std::vector<TPoint> pts;
    auto box = [&](int32_t x0, int32_t y0, int32_t w, int32_t h) {
        for (int32_t x = x0; x < x0 + w; ++x) {
            pts.push_back(TPoint{x, y0});
            pts.push_back(TPoint{x, y0 + 1});
            pts.push_back(TPoint{x, y0 + h - 1});
        }
        for (int32_t y = y0 + 2; y < y0 + h - 1; ++y) {
            pts.push_back(TPoint{x0, y});
            pts.push_back(TPoint{x0 + w - 1, y});
        }
    };
    int32_t gw = g + 1, gh = g;
    switch (State & 0xFF) {
        case DFCS_CAPTIONCLOSE:
            for (int32_t i = 0; i < g; ++i) {
                pts.push_back(TPoint{i, i});
                pts.push_back(TPoint{i + 1, i});
                pts.push_back(TPoint{g - i, i});
                pts.push_back(TPoint{g - 1 - i, i});
            }
            break;
        case DFCS_CAPTIONMIN: {
            const int32_t w = std::max(2, g * 3 / 4);
            for (int32_t x = 0; x < w; ++x) {
                pts.push_back(TPoint{x, g - 2});
                pts.push_back(TPoint{x, g - 1});
            }
            gw = w;
            break;
        }
        case DFCS_CAPTIONMAX: box(0, 0, g + 1, g); break;
        case DFCS_CAPTIONRESTORE: {
            const int32_t w = std::max(4, (g + 1) * 3 / 4), h = std::max(4, g * 3 / 4);
            box(g + 1 - w, 0, w, h);
            std::vector<TPoint> back;
            back.swap(pts);
            box(0, g - h, w, h);
            // The front box hides the back one where they overlap.
            for (const TPoint& q : back)
                if (!(q.X >= 0 && q.X < w && q.Y >= g - h && q.Y < g)) pts.push_back(q);
            break;
        }
        case DFCS_CAPTIONHELP: {
            static const char* const Help[] = {".####.", "##..##", "....##", "...##.", "..##..", "..##..", "......",
                                               "..##..", "..##.."};
            pts = FromPicture(Help, 9);
            gw = 6;
            gh = 9;
            break;
        }
        default: return;
    }
    const int32_t x = R.Left + (R.Width() - gw) / 2 + off, y = R.Top + (R.Height() - gh) / 2 + off;
    DrawGlyph(P, pts, x, y, State & DFCS_INACTIVE, COLOR_BTNTEXT);
}

}  // namespace
}  // namespace gdi

using namespace gdi;

bool DrawEdge(HDC DC, TRect* R, unsigned Edge, unsigned Flags) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !R) return false;
    const TPainter p(dc);
    const TRect in = EdgeDev(p, p.Dev(*R), Edge, Flags);
    if (Flags & BF_ADJUST) *R = TRect{in.Left - dc->OffX(), in.Top - dc->OffY(), in.Right - dc->OffX(), in.Bottom - dc->OffY()};
    return true;
}

bool DrawFrameControl(HDC DC, TRect* R, unsigned Type, unsigned State) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !R) return false;
    const TPainter p(dc);
    const TRect r = p.Dev(*R);
    switch (Type) {
        case DFC_BUTTON:
            if (State & DFCS_BUTTONPUSH) {
                if (State & DFCS_FLAT) {
                    EdgeDev(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_FLAT);
                } else if (State & (DFCS_PUSHED | DFCS_CHECKED)) {
                    const TRect in = EdgeDev(p, r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
                    if ((State & DFCS_CHECKED) && !(State & DFCS_PUSHED) && p.Ok) {
                        // A checked, released button: a dither of highlight and face.
                        const TPaint hi = p.Solid(COLOR_BTNHIGHLIGHT);
                        for (int32_t y = in.Top; y < in.Bottom; ++y)
                            for (int32_t x = in.Left + ((in.Left + y) & 1); x < in.Right; x += 2) p.Pixel(x, y, hi);
                    }
                } else {
                    EdgeDev(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
                }
                if (State & DFCS_ADJUSTRECT) {
                    R->Left += 2;
                    R->Top += 2;
                    R->Right -= 2;
                    R->Bottom -= 2;
                }
            } else if (State & DFCS_BUTTONRADIO) {
                DrawRadio(p, r, State);
            } else {
                DrawCheckBox(p, r, State);
            }
            return true;
        case DFC_SCROLL: {
            const unsigned kind = State & 0xFF;
            if (kind != DFCS_SCROLLUP && kind != DFCS_SCROLLDOWN && kind != DFCS_SCROLLLEFT &&
                kind != DFCS_SCROLLRIGHT && kind != DFCS_SCROLLCOMBOBOX)
                return false;
            DrawScrollArrow(p, r, State);
            return true;
        }
        case DFC_CAPTION:
            if ((State & 0xFF) > DFCS_CAPTIONHELP) return false;
            DrawCaptionButton(p, r, State);
            return true;
        default: return false;
    }
}

}  // namespace vcl
