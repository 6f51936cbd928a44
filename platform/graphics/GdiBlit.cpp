// GdiBlit.cpp - PatBlt, BitBlt, StretchBlt, TransparentBlt and MaskBlt: the
// ternary raster operations over pattern, source and destination.
#include <cstring>

#include "GdiInternal.h"

namespace vcl {
namespace gdi {

namespace {

// Ternary operation code c: bit (P << 2 | S << 1 | D) gives the result bit.
inline uint32_t Rop3(uint8_t c, uint32_t p, uint32_t s, uint32_t d) {
    switch (c) {
        case 0xCC: return s;
        case 0xEE: return s | d;
        case 0x88: return s & d;
        case 0x66: return s ^ d;
        case 0x44: return s & ~d;
        case 0x33: return ~s;
        case 0x11: return ~(s | d);
        case 0xC0: return p & s;
        case 0xBB: return ~s | d;
        case 0xF0: return p;
        case 0x5A: return p ^ d;
        case 0x55: return ~d;
        case 0x00: return 0;
        case 0xFF: return 0xFFFFFFFFu;
        default: break;
    }
    uint32_t r = 0;
    if (c & 0x01) r |= ~p & ~s & ~d;
    if (c & 0x02) r |= ~p & ~s & d;
    if (c & 0x04) r |= ~p & s & ~d;
    if (c & 0x08) r |= ~p & s & d;
    if (c & 0x10) r |= p & ~s & ~d;
    if (c & 0x20) r |= p & ~s & d;
    if (c & 0x40) r |= p & s & ~d;
    if (c & 0x80) r |= p & s & d;
    return r;
}

inline bool UsesS(uint8_t c) { return ((c >> 2) & 0x33) != (c & 0x33); }
inline bool UsesP(uint8_t c) { return ((c >> 4) & 0x0F) != (c & 0x0F); }

// The binary mode equal to a code that ignores the source.
inline int Rop2Of(uint8_t c) {
    const int t = (c & 1) | (((c >> 1) & 1) << 1) | (((c >> 4) & 1) << 2) | (((c >> 5) & 1) << 3);
    return t + 1;
}

struct TColumn {
    int32_t Lo, Hi;  // source columns [Lo, Hi) (Hi = Lo + 1 unless shrinking with a combining mode)
};

// Maps dest index i (0..A-1) of an extent A onto a source extent SA, nearest
// pixel by centres; Combine gives the whole range of source pixels when
// shrinking.
inline TColumn MapIndex(int64_t I, int64_t A, int64_t SA, bool Flip, bool Combine) {
    if (A == SA) return Flip ? TColumn{int32_t(A - 1 - I), int32_t(A - I)} : TColumn{int32_t(I), int32_t(I + 1)};
    int64_t lo, hi;
    if (Combine && SA > A) {
        lo = I * SA / A;
        hi = std::max(lo + 1, (I + 1) * SA / A);
    } else {
        lo = ((2 * I + 1) * SA) / (2 * A);
        hi = lo + 1;
    }
    if (Flip) {
        const int64_t l = SA - hi, h = SA - lo;
        lo = l;
        hi = h;
    }
    return TColumn{int32_t(lo), int32_t(hi)};
}

struct TBlitArgs {
    TDCObj* Dst = nullptr;
    int X = 0, Y = 0, W = 0, H = 0;
    TDCObj* Src = nullptr;
    int XS = 0, YS = 0, SW = 0, SH = 0;
    uint8_t Fore = 0xCC, Back = 0xCC;
    TBitmapObj* Mask = nullptr;
    int XM = 0, YM = 0;
    bool Transparent = false;
    uint32_t Key = 0;  // 24-bit source colour
};

bool Overlaps(const TPixelView& A, const TPixelView& B) {
    if (!A.Bits || !B.Bits) return false;
    const uint32_t* a0 = A.Bits;
    const uint32_t* a1 = A.Bits + size_t(A.Stride) * size_t(A.Height);
    const uint32_t* b0 = B.Bits;
    const uint32_t* b1 = B.Bits + size_t(B.Stride) * size_t(B.Height);
    return a0 < b1 && b0 < a1;
}

bool DoBlit(const TBlitArgs& A) {
    TDCObj* dc = A.Dst;
    const bool needS = UsesS(A.Fore) || UsesS(A.Back) || A.Transparent;
    const bool needP = UsesP(A.Fore) || UsesP(A.Back);
    if (needS && !A.Src) return false;
    if (A.W == 0 || A.H == 0) return true;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;

    // Destination extent in device units.
    const int64_t dx0 = dc->DevX(A.X), dy0 = dc->DevY(A.Y);
    const int64_t aw = A.W < 0 ? -int64_t(A.W) : A.W, ah = A.H < 0 ? -int64_t(A.H) : A.H;
    const int64_t dLeft = A.W < 0 ? dx0 + A.W : dx0, dTop = A.H < 0 ? dy0 + A.H : dy0;

    // Source.
    TPixelView sv{};
    bool srcMono = false;
    uint32_t srcBk = 0;
    int64_t asw = aw, ash = ah, sLeft = 0, sTop = 0;
    bool flipX = false, flipY = false;
    TSurface copy;
    if (needS) {
        TDCObj* s = A.Src;
        sv = s->View();
        if (!sv.Bits || sv.Width <= 0 || sv.Height <= 0) return true;
        srcMono = s->Mono();
        srcBk = PixelFromColorRef(s->S.BkColor) & 0xFFFFFF;
        if (A.SW == 0 || A.SH == 0) return true;
        const int64_t sx0 = s->DevX(A.XS), sy0 = s->DevY(A.YS);
        asw = A.SW < 0 ? -int64_t(A.SW) : A.SW;
        ash = A.SH < 0 ? -int64_t(A.SH) : A.SH;
        sLeft = A.SW < 0 ? sx0 + A.SW : sx0;
        sTop = A.SH < 0 ? sy0 + A.SH : sy0;
        flipX = (A.W < 0) != (A.SW < 0);
        flipY = (A.H < 0) != (A.SH < 0);
        if (Overlaps(sv, t.V)) {
            // Reading and writing the same pixels: read from a copy.
            copy = TSurface(sv.Width, sv.Height);
            for (int32_t y = 0; y < sv.Height; ++y)
                std::memcpy(copy.Bits() + size_t(y) * sv.Width, sv.Row(y), size_t(sv.Width) * 4);
            sv = copy.View();
        }
    }
    const int mode = dc->S.StretchMode;
    const bool combine = (mode == BLACKONWHITE || mode == WHITEONBLACK) && !A.Transparent;
    const bool andMode = (mode == BLACKONWHITE) != srcMono;  // keep black (colour) or the 0 bits (mono)

    // The visible destination columns and rows.
    const int64_t i0 = std::max<int64_t>(0, t.Box.Left - dLeft), i1 = std::min<int64_t>(aw, t.Box.Right - dLeft);
    const int64_t j0 = std::max<int64_t>(0, t.Box.Top - dTop), j1 = std::min<int64_t>(ah, t.Box.Bottom - dTop);
    if (i0 >= i1 || j0 >= j1) return true;
    // The common case: an unscaled copy in one format into a rectangular
    // clip, row by row with no column map.
    if (needS && A.Fore == 0xCC && !A.Mask && !A.Transparent && asw == aw && ash == ah && !flipX && !flipY &&
        srcMono == t.Mono && t.Simple) {
        const int64_t a = std::max<int64_t>(i0, -sLeft), b = std::min<int64_t>(i1, sv.Width - sLeft);
        const int64_t c = std::max<int64_t>(j0, -sTop), d = std::min<int64_t>(j1, sv.Height - sTop);
        for (int64_t j = c; j < d && a < b; ++j)
            CopyOpaque32(t.V.Row(int32_t(dTop + j)) + (dLeft + a), sv.Row(int32_t(sTop + j)) + (sLeft + a), size_t(b - a));
        return true;
    }
    std::vector<TColumn> cols(size_t(i1 - i0));
    for (int64_t i = i0; i < i1; ++i) {
        TColumn c = needS ? MapIndex(i, aw, asw, flipX, combine) : TColumn{0, 1};
        if (needS) {
            c.Lo = int32_t(std::max<int64_t>(c.Lo + sLeft, 0));
            c.Hi = int32_t(std::min<int64_t>(c.Hi + sLeft, sv.Width));
        }
        cols[size_t(i - i0)] = c;
    }

    // Visible columns that have a source: the mapping is monotonic, so they
    // form one run [va, vb).
    int64_t va = i0, vb = i1;
    if (needS) {
        while (va < vb && cols[size_t(va - i0)].Lo >= cols[size_t(va - i0)].Hi) ++va;
        while (vb > va && cols[size_t(vb - 1 - i0)].Lo >= cols[size_t(vb - 1 - i0)].Hi) --vb;
        if (va >= vb) return true;
    }
    bool single = true;  // one source pixel per destination pixel across
    for (int64_t i = va; i < vb && single; ++i) single = cols[size_t(i - i0)].Hi - cols[size_t(i - i0)].Lo == 1;
    const bool identity = single && !flipX && asw == aw;

    // Pattern.
    TPattern pat;
    TPaint brush;
    bool hasBrush = false;
    if (needP) hasBrush = MakeBrushPaint(dc, t, dc->S.Brush, R2_COPYPEN, pat, brush);

    // Mask.
    TPixelView mv{};
    if (A.Mask) mv = A.Mask->Surface.View();

    const uint32_t dstText = DevicePixel(dc->S.TextColor, t.Mono), dstBk = DevicePixel(dc->S.BkColor, t.Mono);
    const bool plainCopy = needS && A.Fore == 0xCC && !A.Mask && !A.Transparent;

    // The source pixels of the visible columns, converted to the
    // destination's format; rebuilt only when the source rows change.
    std::vector<uint32_t> sbuf;
    std::vector<uint8_t> keyed(A.Transparent ? size_t(vb - va) : 0);
    int32_t lastLo = -1, lastHi = -1;
    auto buildRow = [&](TColumn r) {
        const size_t n = size_t(vb - va);
        sbuf.resize(n);
        if (single && r.Hi - r.Lo == 1) {
            const uint32_t* srow = sv.Row(r.Lo);
            if (identity) {
                std::memcpy(sbuf.data(), srow + cols[size_t(va - i0)].Lo, n * 4);
            } else {
                const TColumn* c = cols.data() + (va - i0);
                for (size_t i = 0; i < n; ++i) sbuf[i] = srow[c[i].Lo];
            }
        } else {
            for (size_t i = 0; i < n; ++i) {
                const TColumn& c = cols[size_t(va - i0) + i];
                uint32_t raw = sv.Row(r.Lo)[c.Lo];
                for (int32_t sy = r.Lo; sy < r.Hi; ++sy)
                    for (int32_t sx = c.Lo; sx < c.Hi; ++sx)
                        raw = andMode ? (raw & sv.Row(sy)[sx]) : (raw | sv.Row(sy)[sx]);
                sbuf[i] = raw;
            }
        }
        if (A.Transparent)
            for (size_t i = 0; i < n; ++i) keyed[i] = (sbuf[i] & 0xFFFFFF) == A.Key;
        if (srcMono && !t.Mono) {
            for (size_t i = 0; i < n; ++i) sbuf[i] = (sbuf[i] & 0xFFFFFF) == 0xFFFFFF ? dstBk : dstText;
        } else if (!srcMono && t.Mono) {
            for (size_t i = 0; i < n; ++i) sbuf[i] = (sbuf[i] & 0xFFFFFF) == srcBk ? 0xFFFFFFFFu : 0xFF000000u;
        }
    };

    for (int64_t j = j0; j < j1; ++j) {
        const int32_t y = int32_t(dTop + j);
        if (needS) {
            TColumn r = MapIndex(j, ah, ash, flipY, combine);
            const int64_t lo = std::max<int64_t>(r.Lo + sTop, 0), hi = std::min<int64_t>(r.Hi + sTop, sv.Height);
            if (lo >= hi) continue;
            if (lo != lastLo || hi != lastHi) {
                if (!(plainCopy && identity && hi - lo == 1 && srcMono == t.Mono))
                    buildRow(TColumn{int32_t(lo), int32_t(hi)});
                lastLo = int32_t(lo);
                lastHi = int32_t(hi);
            }
        }
        // An unscaled copy in one format goes straight from the source row.
        const uint32_t* direct = nullptr;
        if (plainCopy && identity && lastHi - lastLo == 1 && srcMono == t.Mono)
            direct = sv.Row(lastLo) + cols[size_t(va - i0)].Lo;
        const uint32_t* patRow = nullptr;
        if (hasBrush && !brush.Solid) patRow = brush.Pat->Px[(y - brush.Pat->OrgY) & 7];
        const uint32_t solidP = hasBrush && brush.Solid ? brush.Color : 0xFF000000u;
        uint32_t* drow = t.V.Row(y);

        auto visit = [&](int32_t xa, int32_t xb) {
            const int64_t a = std::max<int64_t>(xa, dLeft + va), b = std::min<int64_t>(xb, dLeft + vb);
            if (a >= b) return;
            const int64_t base = dLeft + va;  // destination x of sbuf[0]
            if (direct) {
                CopyOpaque32(drow + a, direct + (a - base), size_t(b - a));
                return;
            }
            if (plainCopy) {
                CopyOpaque32(drow + a, sbuf.data() + (a - base), size_t(b - a));
                return;
            }
            for (int64_t x = a; x < b; ++x) {
                uint32_t sp = 0;
                if (needS) {
                    if (A.Transparent && keyed[size_t(x - base)]) continue;
                    sp = sbuf[size_t(x - base)];
                }
                uint8_t code = A.Fore;
                if (A.Mask) {
                    const int64_t mx = int64_t(A.XM) + (x - dLeft), my = int64_t(A.YM) + j;
                    const bool bit = mx >= 0 && my >= 0 && mx < mv.Width && my < mv.Height &&
                                     (mv.Row(int32_t(my))[mx] & 0xFFFFFF) != 0;
                    code = bit ? A.Fore : A.Back;
                }
                const uint32_t p = patRow ? patRow[x & 7] : solidP;
                drow[x] = Rop3(code, p, sp, drow[x]) | 0xFF000000u;
            }
        };

        if (t.Simple) {
            visit(t.Box.Left, t.Box.Right);
        } else {
            const int b = t.Clip->FindBand(y, t.BandHint);
            if (b < 0) continue;
            const TRegion::TBand& band = t.Clip->Bands()[size_t(b)];
            const TXSpan* sp = t.Clip->Spans(band);
            for (uint32_t k = 0; k < band.Count; ++k) visit(sp[k].X0, sp[k].X1);
        }
    }
    return true;
}

}  // namespace
}  // namespace gdi

using namespace gdi;

bool PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const uint8_t code = uint8_t(Rop >> 16);
    if (UsesS(code)) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    int64_t x0 = int64_t(X), y0 = int64_t(Y), x1 = x0 + Width, y1 = y0 + Height;
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    const TRect r{dc->DevX(x0), dc->DevY(y0), dc->DevX(x1), dc->DevY(y1)};
    const int rop2 = Rop2Of(code);
    TPattern pat;
    TPaint p;
    if (UsesP(code)) {
        if (!MakeBrushPaint(dc, t, dc->S.Brush, rop2, pat, p)) return true;
    } else {
        p.Rop2 = rop2;
    }
    PaintRect(t, r, p);
    return true;
}

bool StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, DWORD Rop) {
    TBlitArgs a;
    a.Dst = LookupDC(Dest);
    if (!a.Dst) return false;
    a.Fore = a.Back = uint8_t(Rop >> 16);
    if (UsesS(a.Fore)) {
        a.Src = LookupDC(Src);
        if (!a.Src) return false;
    }
    a.X = X;
    a.Y = Y;
    a.W = Width;
    a.H = Height;
    a.XS = XSrc;
    a.YS = YSrc;
    a.SW = SrcWidth;
    a.SH = SrcHeight;
    return DoBlit(a);
}

bool BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, DWORD Rop) {
    return StretchBlt(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Width, Height, Rop);
}

bool TransparentBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                    int SrcHeight, COLORREF Transparent) {
    TBlitArgs a;
    a.Dst = LookupDC(Dest);
    a.Src = LookupDC(Src);
    if (!a.Dst || !a.Src || Width < 0 || Height < 0 || SrcWidth < 0 || SrcHeight < 0) return false;
    a.X = X;
    a.Y = Y;
    a.W = Width;
    a.H = Height;
    a.XS = XSrc;
    a.YS = YSrc;
    a.SW = SrcWidth;
    a.SH = SrcHeight;
    a.Transparent = true;
    a.Key = PixelFromColorRef(Transparent) & 0xFFFFFF;
    // Colour keys compare whole pixels: no combining of shrunk pixels.
    const int saved = a.Dst->S.StretchMode;
    a.Dst->S.StretchMode = COLORONCOLOR;
    const bool ok = DoBlit(a);
    a.Dst->S.StretchMode = saved;
    return ok;
}

bool MaskBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, HBITMAP Mask, int XMask,
             int YMask, DWORD Rop) {
    TBlitArgs a;
    a.Dst = LookupDC(Dest);
    if (!a.Dst) return false;
    a.Fore = uint8_t(Rop >> 16);
    a.Back = uint8_t(Rop >> 24);
    if (Mask) {
        a.Mask = Lookup<TBitmapObj>(Mask, OBJ_BITMAP);
        if (!a.Mask || a.Mask->Bpp != 1) return false;
    } else {
        a.Back = a.Fore;
    }
    if (UsesS(a.Fore) || UsesS(a.Back)) {
        a.Src = LookupDC(Src);
        if (!a.Src) return false;
    }
    if (Width < 0 || Height < 0) return false;
    a.X = X;
    a.Y = Y;
    a.W = Width;
    a.H = Height;
    a.XS = XSrc;
    a.YS = YSrc;
    a.SW = Width;
    a.SH = Height;
    a.XM = XMask;
    a.YM = YMask;
    const int saved = a.Dst->S.StretchMode;
    a.Dst->S.StretchMode = COLORONCOLOR;
    const bool ok = DoBlit(a);
    a.Dst->S.StretchMode = saved;
    return ok;
}

}  // namespace vcl
