// GdiRaster.cpp - the span painter: raster operations on runs of pixels,
// clipped to the DC's region, and the paints of pens and brushes.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "GdiInternal.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vcl::gdi {

namespace {

#if defined(__x86_64__) || defined(__i386__)
// Unaligned loads, aligned stores: the destination is brought to a 32-byte
// boundary first so that no store straddles two cache lines.
__attribute__((target("avx2"))) void CopyOpaqueAvx2(uint32_t* Dst, const uint32_t* Src, size_t N) {
    size_t i = 0;
    while (i < N && (reinterpret_cast<uintptr_t>(Dst + i) & 31) != 0) {
        Dst[i] = Src[i] | 0xFF000000u;
        ++i;
    }
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    for (; i + 16 <= N; i += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + i + 8));
        _mm256_store_si256(reinterpret_cast<__m256i*>(Dst + i), _mm256_or_si256(a, alpha));
        _mm256_store_si256(reinterpret_cast<__m256i*>(Dst + i + 8), _mm256_or_si256(b, alpha));
    }
    for (; i < N; ++i) Dst[i] = Src[i] | 0xFF000000u;
}

void CopyOpaqueSse2(uint32_t* Dst, const uint32_t* Src, size_t N) {
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    size_t i = 0;
    for (; i + 8 <= N; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_or_si128(a, alpha));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i + 4), _mm_or_si128(b, alpha));
    }
    for (; i < N; ++i) Dst[i] = Src[i] | 0xFF000000u;
}

const bool HaveAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

void CopyOpaque32(uint32_t* Dst, const uint32_t* Src, size_t N) {
#if defined(__x86_64__) || defined(__i386__)
    if (HaveAvx2)
        CopyOpaqueAvx2(Dst, Src, N);
    else
        CopyOpaqueSse2(Dst, Src, N);
#else
    for (size_t i = 0; i < N; ++i) Dst[i] = Src[i] | 0xFF000000u;
#endif
}

namespace {

// R2 mode m has the truth table m - 1 over (pen, destination): bit
// (P << 1 | D) gives the result bit.
template <int R2>
inline uint32_t R2Op(uint32_t p, uint32_t d) {
    constexpr int t = R2 - 1;
    uint32_t r = 0;
    if constexpr ((t & 1) != 0) r |= ~p & ~d;
    if constexpr ((t & 2) != 0) r |= ~p & d;
    if constexpr ((t & 4) != 0) r |= p & ~d;
    if constexpr ((t & 8) != 0) r |= p & d;
    return r | 0xFF000000u;
}

template <int R2>
constexpr bool ReadsDest() {
    constexpr int t = R2 - 1;
    return ((t & 1) != 0) != ((t & 2) != 0) || ((t & 4) != 0) != ((t & 8) != 0);
}

using TSolidFn = void (*)(uint32_t* row, int32_t x0, int32_t x1, uint32_t c);
using TPatFn = void (*)(uint32_t* row, int32_t x0, int32_t x1, const uint32_t* pat, uint8_t mask);

template <int R2>
void SolidRun(uint32_t* row, int32_t x0, int32_t x1, uint32_t c) {
    if constexpr (R2 == R2_NOP) {
        return;
    } else if constexpr (!ReadsDest<R2>()) {
        Fill32(row + x0, size_t(x1 - x0), R2Op<R2>(c, 0));
    } else {
        for (int32_t x = x0; x < x1; ++x) row[x] = R2Op<R2>(c, row[x]);
    }
}

template <int R2>
void PatternRun(uint32_t* row, int32_t x0, int32_t x1, const uint32_t* pat, uint8_t mask) {
    if constexpr (R2 == R2_NOP) {
        return;
    } else {
        if (mask == 0xFF) {
            if constexpr (!ReadsDest<R2>()) {
                // Eight pixels, then copies of them.
                const int32_t head = std::min(x1, x0 + 8);
                for (int32_t x = x0; x < head; ++x) row[x] = R2Op<R2>(pat[x & 7], 0);
                // Copies of the first eight, in doubling blocks.
                int32_t done = head - x0;
                while (x0 + done < x1) {
                    const int32_t n = std::min(done - (done % 8), x1 - (x0 + done));
                    std::memcpy(row + x0 + done, row + x0, size_t(n) * 4);
                    done += n;
                }
            } else {
                for (int32_t x = x0; x < x1; ++x) row[x] = R2Op<R2>(pat[x & 7], row[x]);
            }
        } else {
            for (int32_t x = x0; x < x1; ++x)
                if ((mask >> (x & 7)) & 1) row[x] = R2Op<R2>(pat[x & 7], row[x]);
        }
    }
}

template <int... I>
constexpr auto SolidTable(std::integer_sequence<int, I...>) {
    return std::array<TSolidFn, sizeof...(I)>{{&SolidRun<I + 1>...}};
}
template <int... I>
constexpr auto PatternTable(std::integer_sequence<int, I...>) {
    return std::array<TPatFn, sizeof...(I)>{{&PatternRun<I + 1>...}};
}

constexpr auto SolidFns = SolidTable(std::make_integer_sequence<int, 16>{});
constexpr auto PatternFns = PatternTable(std::make_integer_sequence<int, 16>{});

inline void Run(const TPixelView& V, int32_t Y, int32_t X0, int32_t X1, const TPaint& P) {
    uint32_t* row = V.Row(Y);
    if (P.Solid) {
        if (P.Rop2 == R2_COPYPEN)
            Fill32(row + X0, size_t(X1 - X0), P.Color);
        else
            SolidFns[size_t(P.Rop2 - 1)](row, X0, X1, P.Color);
    } else {
        const int ry = (Y - P.Pat->OrgY) & 7;
        PatternFns[size_t(P.Rop2 - 1)](row, X0, X1, P.Pat->Px[ry], P.Pat->Mask[ry]);
    }
}

// Hatch patterns, one byte per row, bit 7 leftmost.
constexpr uint8_t HatchBits[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL  (\)
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL  (/)
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

}  // namespace

uint32_t DevicePixel(COLORREF C, bool Mono) {
    if (Mono) {
        const unsigned lum = GetRValue(C) * 30u + GetGValue(C) * 59u + GetBValue(C) * 11u;
        return lum >= 128u * 100u ? 0xFFFFFFFFu : 0xFF000000u;
    }
    return PixelFromColorRef(C);
}

bool Rop2ReadsDest(int Rop2) {
    const int t = Rop2 - 1;
    return ((t & 1) != 0) != ((t & 2) != 0) || ((t & 4) != 0) != ((t & 8) != 0);
}

uint32_t ApplyRop2(int Rop2, uint32_t P, uint32_t D) {
    const int t = Rop2 - 1;
    uint32_t r = 0;
    if (t & 1) r |= ~P & ~D;
    if (t & 2) r |= ~P & D;
    if (t & 4) r |= P & ~D;
    if (t & 8) r |= P & D;
    return r | 0xFF000000u;
}

bool Rop2Idempotent(int Rop2) {
    for (uint32_t p = 0; p < 2; ++p)
        for (uint32_t d = 0; d < 2; ++d) {
            const uint32_t once = ApplyRop2(Rop2, p, d) & 1;
            if ((ApplyRop2(Rop2, p, once) & 1) != once) return false;
        }
    return true;
}

bool MakeTarget(TDCObj* DC, TTarget& T) {
    if (!DC) return false;
    T.V = DC->View();
    if (!T.V.Bits || T.V.Width <= 0 || T.V.Height <= 0) return false;
    const TRegion& c = DC->Clip();
    if (c.Empty()) return false;
    T.Clip = &c;
    T.Box = c.Box();
    T.Simple = c.RectCount() == 1;
    T.Mono = DC->Mono();
    T.BandHint = 0;
    return true;
}

bool TargetContains(const TTarget& T, int32_t X, int32_t Y) {
    if (!T.Box.Contains(TPoint{X, Y})) return false;
    return T.Simple || T.Clip->Contains(X, Y);
}

void PaintSpan(const TTarget& T, int32_t Y, int32_t X0, int32_t X1, const TPaint& P) {
    if (Y < T.Box.Top || Y >= T.Box.Bottom) return;
    if (T.Simple) {
        X0 = std::max(X0, T.Box.Left);
        X1 = std::min(X1, T.Box.Right);
        if (X0 < X1) Run(T.V, Y, X0, X1, P);
        return;
    }
    const int b = T.Clip->FindBand(Y, T.BandHint);
    if (b < 0) return;
    const TRegion::TBand& band = T.Clip->Bands()[size_t(b)];
    const TXSpan* s = T.Clip->Spans(band);
    for (uint32_t i = 0; i < band.Count; ++i) {
        if (s[i].X0 >= X1) break;
        const int32_t a = std::max(X0, s[i].X0), e = std::min(X1, s[i].X1);
        if (a < e) Run(T.V, Y, a, e, P);
    }
}

void PaintSpans(const TTarget& T, const TSpanList& Spans, const TPaint& P) {
    for (const TSpan& s : Spans) PaintSpan(T, s.Y, s.X0, s.X1, P);
}

void PaintRect(const TTarget& T, const TRect& R, const TPaint& P) {
    const int32_t top = std::max(R.Top, T.Box.Top), bottom = std::min(R.Bottom, T.Box.Bottom);
    const int32_t left = std::max(R.Left, T.Box.Left), right = std::min(R.Right, T.Box.Right);
    if (left >= right) return;
    if (T.Simple) {
        for (int32_t y = top; y < bottom; ++y) Run(T.V, y, left, right, P);
        return;
    }
    for (int32_t y = top; y < bottom; ++y) PaintSpan(T, y, left, right, P);
}

void PaintRegion(const TTarget& T, const TRegion& R, int32_t DX, int32_t DY, const TPaint& P) {
    for (const TRegion::TBand& b : R.Bands()) {
        const int32_t top = std::max<int64_t>(int64_t(b.Top) + DY, T.Box.Top);
        const int32_t bottom = std::min<int64_t>(int64_t(b.Bottom) + DY, T.Box.Bottom);
        const TXSpan* s = R.Spans(b);
        for (int32_t y = top; y < bottom; ++y)
            for (uint32_t i = 0; i < b.Count; ++i)
                PaintSpan(T, y, ClampCoord(int64_t(s[i].X0) + DX), ClampCoord(int64_t(s[i].X1) + DX), P);
    }
}

COLORREF PenColor(TDCObj* DC) {
    TPenObj* p = DC->S.Pen;
    if (!p) return 0;
    return p->DCPen ? DC->S.DCPenColor : p->Color;
}

TPaint MakePenPaint(TDCObj* DC, const TTarget& T, COLORREF Color) {
    TPaint p;
    p.Rop2 = DC->S.Rop2;
    p.Solid = true;
    p.Color = DevicePixel(Color, T.Mono);
    return p;
}

bool MakeBrushPaint(TDCObj* DC, const TTarget& T, TBrushObj* Brush, int Rop2, TPattern& Storage, TPaint& Out) {
    if (!Brush || Brush->Style == BS_NULL) return false;
    Out.Rop2 = Rop2;
    if (Brush->Style == BS_SOLID) {
        Out.Solid = true;
        Out.Color = DevicePixel(Brush->DCBrush ? DC->S.DCBrushColor : Brush->Color, T.Mono);
        Out.Pat = nullptr;
        return true;
    }
    // An 8 x 8 source pattern, then aligned to the brush origin.
    uint32_t src[8][8];
    uint8_t mask[8];
    if (Brush->Style == BS_HATCHED) {
        const uint32_t fg = DevicePixel(Brush->Color, T.Mono);
        const uint32_t bg = DevicePixel(DC->S.BkColor, T.Mono);
        const bool opaque = DC->S.BkMode == OPAQUE;
        for (int y = 0; y < 8; ++y) {
            uint8_t m = 0;
            for (int x = 0; x < 8; ++x) {
                const bool on = (HatchBits[Brush->Hatch][y] >> (7 - x)) & 1;
                src[y][x] = on ? fg : bg;
                if (on || opaque) m |= uint8_t(1 << x);
            }
            mask[y] = m;
        }
    } else {
        const uint32_t fg = DevicePixel(DC->S.TextColor, T.Mono);
        const uint32_t bg = DevicePixel(DC->S.BkColor, T.Mono);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const uint32_t p = Brush->Pattern[y * 8 + x];
                if (Brush->MonoPattern)
                    src[y][x] = (p & 0xFFFFFF) == 0xFFFFFF ? bg : fg;
                else
                    src[y][x] = T.Mono ? DevicePixel(ColorRefFromPixel(p), true) : (p | 0xFF000000u);
            }
            mask[y] = 0xFF;
        }
    }
    const int32_t ox = DC->S.BrushOrg.X;
    for (int y = 0; y < 8; ++y) {
        uint8_t m = 0;
        for (int x = 0; x < 8; ++x) {
            const int sx = (x - ox) & 7;
            Storage.Px[y][x] = src[y][sx];
            if ((mask[y] >> sx) & 1) m |= uint8_t(1 << x);
        }
        Storage.Mask[y] = m;
    }
    Storage.OrgY = DC->S.BrushOrg.Y;
    Out.Solid = false;
    Out.Pat = &Storage;
    return true;
}

}  // namespace vcl::gdi
