// GdiRegions.cpp - regions as y-banded rectangle lists: combining, testing,
// and the region functions of the GDI interface.
#include <algorithm>
#include <climits>

#include "GdiInternal.h"
#include "GdiShapes.h"

namespace vcl {
namespace gdi {

// ---------------------------------------------------------------------------
// Span lists

void NormalizeSpans(TSpanList& Spans) {
    if (Spans.empty()) return;
    bool sorted = true;
    for (size_t i = 1; i < Spans.size() && sorted; ++i) {
        const TSpan& a = Spans[i - 1];
        const TSpan& b = Spans[i];
        sorted = a.Y < b.Y || (a.Y == b.Y && a.X0 <= b.X0);
    }
    if (!sorted)
        std::sort(Spans.begin(), Spans.end(),
                  [](const TSpan& a, const TSpan& b) { return a.Y < b.Y || (a.Y == b.Y && a.X0 < b.X0); });
    size_t out = 0;
    for (size_t i = 0; i < Spans.size(); ++i) {
        const TSpan s = Spans[i];
        if (s.X1 <= s.X0) continue;
        if (out > 0 && Spans[out - 1].Y == s.Y && s.X0 <= Spans[out - 1].X1) {
            Spans[out - 1].X1 = std::max(Spans[out - 1].X1, s.X1);
        } else {
            Spans[out++] = s;
        }
    }
    Spans.resize(out);
}

TSpanList SubtractSpans(const TSpanList& A, const TSpanList& B) {
    TSpanList out;
    out.reserve(A.size() + 4);
    size_t j = 0;
    for (const TSpan& a : A) {
        while (j < B.size() && (B[j].Y < a.Y || (B[j].Y == a.Y && B[j].X1 <= a.X0))) ++j;
        int32_t x = a.X0;
        size_t k = j;
        while (k < B.size() && B[k].Y == a.Y && B[k].X0 < a.X1) {
            if (B[k].X0 > x) out.push_back({a.Y, x, B[k].X0});
            x = std::max(x, B[k].X1);
            ++k;
        }
        if (x < a.X1) out.push_back({a.Y, x, a.X1});
    }
    return out;
}

void KeysToSpans(std::vector<uint64_t>& Keys, TSpanList& Out) {
    std::sort(Keys.begin(), Keys.end());
    Keys.erase(std::unique(Keys.begin(), Keys.end()), Keys.end());
    for (size_t i = 0; i < Keys.size();) {
        const int32_t y = int32_t(uint32_t(Keys[i] >> 32) ^ 0x80000000u);
        const int32_t x = int32_t(uint32_t(Keys[i]) ^ 0x80000000u);
        size_t j = i + 1;
        while (j < Keys.size() && Keys[j] == Keys[j - 1] + 1) ++j;
        Out.push_back({y, x, x + int32_t(j - i)});
        i = j;
    }
}

// ---------------------------------------------------------------------------
// TRegion

int TRegion::Type() const {
    if (FBands.empty()) return NULLREGION;
    return FSpans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void TRegion::Clear() {
    FBands.clear();
    FSpans.clear();
    FBox = TRect{};
}

void TRegion::SetRect(const TRect& R) {
    Clear();
    if (R.IsEmpty()) return;
    const TXSpan s{R.Left, R.Right};
    AppendBand(R.Top, R.Bottom, &s, 1);
    FinishBuild();
}

void TRegion::Offset(int32_t DX, int32_t DY) {
    if (FBands.empty()) return;
    for (TBand& b : FBands) {
        b.Top = ClampCoord(int64_t(b.Top) + DY);
        b.Bottom = ClampCoord(int64_t(b.Bottom) + DY);
    }
    for (TXSpan& s : FSpans) {
        s.X0 = ClampCoord(int64_t(s.X0) + DX);
        s.X1 = ClampCoord(int64_t(s.X1) + DX);
    }
    // Clamping at the coordinate limit can flatten bands or spans; rebuild
    // only then.
    bool degenerate = false;
    for (const TBand& b : FBands) degenerate |= b.Bottom <= b.Top;
    for (const TXSpan& s : FSpans) degenerate |= s.X1 <= s.X0;
    if (degenerate) {
        TRegion r;
        for (const TBand& b : FBands) {
            if (b.Bottom <= b.Top) continue;
            std::vector<TXSpan> sp;
            for (uint32_t i = 0; i < b.Count; ++i)
                if (FSpans[b.First + i].X1 > FSpans[b.First + i].X0) sp.push_back(FSpans[b.First + i]);
            if (!sp.empty()) r.AppendBand(b.Top, b.Bottom, sp.data(), sp.size());
        }
        r.FinishBuild();
        *this = std::move(r);
        return;
    }
    FinishBuild();
}

int TRegion::FindBand(int32_t Y, size_t& Hint) const {
    const size_t n = FBands.size();
    if (n == 0) return -1;
    if (Hint < n) {
        const TBand& b = FBands[Hint];
        if (Y >= b.Top && Y < b.Bottom) return int(Hint);
        if (Y >= b.Bottom && Hint + 1 < n && Y >= FBands[Hint + 1].Top && Y < FBands[Hint + 1].Bottom)
            return int(++Hint);
    }
    size_t lo = 0, hi = n;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (FBands[mid].Bottom <= Y)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < n && FBands[lo].Top <= Y) {
        Hint = lo;
        return int(lo);
    }
    return -1;
}

bool TRegion::Contains(int32_t X, int32_t Y) const {
    if (!FBox.Contains(TPoint{X, Y})) return false;
    size_t hint = 0;
    const int b = FindBand(Y, hint);
    if (b < 0) return false;
    const TXSpan* s = Spans(FBands[b]);
    const uint32_t n = FBands[b].Count;
    // Binary search for the last span starting at or before X.
    uint32_t lo = 0, hi = n;
    while (lo < hi) {
        const uint32_t mid = (lo + hi) / 2;
        if (s[mid].X0 <= X)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo > 0 && X < s[lo - 1].X1;
}

bool TRegion::IntersectsRect(const TRect& R) const {
    if (R.IsEmpty() || FBands.empty()) return false;
    if (R.Right <= FBox.Left || R.Left >= FBox.Right || R.Bottom <= FBox.Top || R.Top >= FBox.Bottom) return false;
    for (const TBand& b : FBands) {
        if (b.Bottom <= R.Top) continue;
        if (b.Top >= R.Bottom) break;
        const TXSpan* s = Spans(b);
        for (uint32_t i = 0; i < b.Count; ++i) {
            if (s[i].X0 >= R.Right) break;
            if (s[i].X1 > R.Left) return true;
        }
    }
    return false;
}

void TRegion::GetRects(std::vector<TRect>& Out) const {
    Out.clear();
    Out.reserve(FSpans.size());
    for (const TBand& b : FBands)
        for (uint32_t i = 0; i < b.Count; ++i) {
            const TXSpan& s = FSpans[b.First + i];
            Out.push_back(TRect{s.X0, b.Top, s.X1, b.Bottom});
        }
}

bool TRegion::operator==(const TRegion& O) const {
    if (FBands.size() != O.FBands.size() || FSpans.size() != O.FSpans.size()) return false;
    for (size_t i = 0; i < FBands.size(); ++i) {
        const TBand& a = FBands[i];
        const TBand& b = O.FBands[i];
        if (a.Top != b.Top || a.Bottom != b.Bottom || a.Count != b.Count) return false;
        if (!std::equal(Spans(a), Spans(a) + a.Count, O.Spans(b))) return false;
    }
    return true;
}

void TRegion::AppendBand(int32_t Top, int32_t Bottom, const TXSpan* S, size_t N) {
    if (N == 0 || Bottom <= Top) return;
    if (!FBands.empty()) {
        TBand& last = FBands.back();
        if (last.Bottom == Top && last.Count == N && std::equal(S, S + N, FSpans.data() + last.First)) {
            last.Bottom = Bottom;
            return;
        }
    }
    FBands.push_back(TBand{Top, Bottom, uint32_t(FSpans.size()), uint32_t(N)});
    FSpans.insert(FSpans.end(), S, S + N);
}

void TRegion::FinishBuild() {
    if (FBands.empty()) {
        FBox = TRect{};
        return;
    }
    int32_t l = INT32_MAX, r = INT32_MIN;
    for (const TBand& b : FBands) {
        l = std::min(l, FSpans[b.First].X0);
        r = std::max(r, FSpans[b.First + b.Count - 1].X1);
    }
    FBox = TRect{l, FBands.front().Top, r, FBands.back().Bottom};
}

namespace {

inline bool ApplyOp(int Mode, bool A, bool B) {
    switch (Mode) {
        case RGN_AND: return A && B;
        case RGN_OR: return A || B;
        case RGN_XOR: return A != B;
        case RGN_DIFF: return A && !B;
        default: return A;
    }
}

void CombineSpans(const TXSpan* A, size_t NA, const TXSpan* B, size_t NB, int Mode, std::vector<TXSpan>& Out) {
    Out.clear();
    size_t ia = 0, ib = 0;  // boundary indices: 2 per span
    bool inA = false, inB = false, cur = false;
    int32_t start = 0;
    const size_t ea = 2 * NA, eb = 2 * NB;
    while (ia < ea || ib < eb) {
        const int64_t xa = ia < ea ? ((ia & 1) ? A[ia / 2].X1 : A[ia / 2].X0) : INT64_MAX;
        const int64_t xb = ib < eb ? ((ib & 1) ? B[ib / 2].X1 : B[ib / 2].X0) : INT64_MAX;
        const int64_t x = std::min(xa, xb);
        if (xa == x) {
            inA = !inA;
            ++ia;
        }
        if (xb == x) {
            inB = !inB;
            ++ib;
        }
        const bool now = ApplyOp(Mode, inA, inB);
        if (now != cur) {
            if (now)
                start = int32_t(x);
            else
                Out.push_back(TXSpan{start, int32_t(x)});
            cur = now;
        }
    }
}

}  // namespace

TRegion TRegion::Combine(const TRegion& A, const TRegion& B, int Mode) {
    if (Mode == RGN_COPY) return A;
    TRegion r;
    // Quick answers.
    if (Mode == RGN_AND && (A.Empty() || B.Empty())) return r;
    if ((Mode == RGN_DIFF && (A.Empty() || B.Empty())) ) return A;
    if ((Mode == RGN_OR || Mode == RGN_XOR) && B.Empty()) return A;
    if ((Mode == RGN_OR || Mode == RGN_XOR) && A.Empty()) return B;
    if (Mode == RGN_AND && A.Type() == SIMPLEREGION && B.Type() == SIMPLEREGION) {
        const TRect& a = A.FBox;
        const TRect& b = B.FBox;
        r.SetRect(TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                        std::min(a.Bottom, b.Bottom)});
        return r;
    }

    std::vector<TXSpan> spans;
    const auto& ba = A.FBands;
    const auto& bb = B.FBands;
    size_t ia = 0, ib = 0;
    int64_t y = INT64_MAX;
    if (!ba.empty()) y = ba[0].Top;
    if (!bb.empty()) y = std::min<int64_t>(y, bb[0].Top);
    while (true) {
        while (ia < ba.size() && ba[ia].Bottom <= y) ++ia;
        while (ib < bb.size() && bb[ib].Bottom <= y) ++ib;
        if (ia >= ba.size() && ib >= bb.size()) break;
        const bool aCov = ia < ba.size() && ba[ia].Top <= y;
        const bool bCov = ib < bb.size() && bb[ib].Top <= y;
        const int64_t na = ia < ba.size() ? (aCov ? ba[ia].Bottom : ba[ia].Top) : INT64_MAX;
        const int64_t nb = ib < bb.size() ? (bCov ? bb[ib].Bottom : bb[ib].Top) : INT64_MAX;
        const int64_t next = std::min(na, nb);
        if (aCov || bCov) {
            CombineSpans(aCov ? A.Spans(ba[ia]) : nullptr, aCov ? ba[ia].Count : 0, bCov ? B.Spans(bb[ib]) : nullptr,
                         bCov ? bb[ib].Count : 0, Mode, spans);
            r.AppendBand(int32_t(y), int32_t(next), spans.data(), spans.size());
        }
        y = next;
    }
    r.FinishBuild();
    return r;
}

TRegion TRegion::FromSpans(const TSpanList& Spans) {
    TRegion r;
    std::vector<TXSpan> row;
    for (size_t i = 0; i < Spans.size();) {
        const int32_t y = Spans[i].Y;
        row.clear();
        while (i < Spans.size() && Spans[i].Y == y) {
            row.push_back(TXSpan{Spans[i].X0, Spans[i].X1});
            ++i;
        }
        r.AppendBand(y, y + 1, row.data(), row.size());
    }
    r.FinishBuild();
    return r;
}

namespace {

TRegion* LookupRgn(HRGN H) {
    TRegionObj* o = Lookup<TRegionObj>(H, OBJ_REGION);
    return o ? &o->Rgn : nullptr;
}

HRGN NewRegion(TRegion R) {
    auto o = std::make_unique<TRegionObj>();
    o->Type = OBJ_REGION;
    o->Rgn = std::move(R);
    return reinterpret_cast<HRGN>(static_cast<uintptr_t>(RegisterObject(std::move(o), false)));
}

TRect NormRect(int32_t L, int32_t T, int32_t R, int32_t B) {
    L = ClampCoord(L);
    T = ClampCoord(T);
    R = ClampCoord(R);
    B = ClampCoord(B);
    if (L > R) std::swap(L, R);
    if (T > B) std::swap(T, B);
    return TRect{L, T, R, B};
}

}  // namespace
}  // namespace gdi

using namespace gdi;

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom) {
    TRegion r;
    r.SetRect(NormRect(Left, Top, Right, Bottom));
    return NewRegion(std::move(r));
}

HRGN CreateRectRgnIndirect(const TRect& R) { return CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom); }

HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom) {
    const TRect box = NormRect(Left, Top, Right, Bottom);
    TSpanList spans;
    EllipseSpans(box, box.Top, box.Bottom, spans);
    return NewRegion(TRegion::FromSpans(spans));
}

HRGN CreateEllipticRgnIndirect(const TRect& R) { return CreateEllipticRgn(R.Left, R.Top, R.Right, R.Bottom); }

HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
    const TRect box = NormRect(Left, Top, Right, Bottom);
    TSpanList spans;
    RoundRectSpans(box, EllipseWidth, EllipseHeight, box.Top, box.Bottom, spans);
    return NewRegion(TRegion::FromSpans(spans));
}

HRGN CreatePolyPolygonRgn(const TPoint* Points, const int* Counts, int Polygons, int FillMode) {
    if (!Points || !Counts || Polygons <= 0 || (FillMode != ALTERNATE && FillMode != WINDING)) return nullptr;
    std::vector<TPoint> pts;
    std::vector<int> counts;
    size_t at = 0;
    for (int i = 0; i < Polygons; ++i) {
        if (Counts[i] < 0) return nullptr;
        for (int k = 0; k < Counts[i]; ++k)
            pts.push_back(TPoint{ClampCoord(Points[at + k].X), ClampCoord(Points[at + k].Y)});
        counts.push_back(Counts[i]);
        at += size_t(Counts[i]);
    }
    TSpanList spans;
    PolygonSpans(pts.data(), counts.data(), int(counts.size()), FillMode, -CoordLimit, CoordLimit, spans);
    return NewRegion(TRegion::FromSpans(spans));
}

HRGN CreatePolygonRgn(const TPoint* Points, int Count, int FillMode) {
    if (Count < 0) return nullptr;
    return CreatePolyPolygonRgn(Points, &Count, 1, FillMode);
}

bool SetRectRgn(HRGN Rgn, int Left, int Top, int Right, int Bottom) {
    TRegion* r = LookupRgn(Rgn);
    if (!r) return false;
    r->SetRect(NormRect(Left, Top, Right, Bottom));
    return true;
}

int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode) {
    TRegion* d = LookupRgn(Dest);
    TRegion* a = LookupRgn(Src1);
    if (!d || !a || Mode < RGN_AND || Mode > RGN_COPY) return ERROR;
    if (Mode == RGN_COPY) {
        if (d != a) *d = *a;
        return d->Type();
    }
    TRegion* b = LookupRgn(Src2);
    if (!b) return ERROR;
    TRegion r = TRegion::Combine(*a, *b, Mode);
    *d = std::move(r);
    return d->Type();
}

int OffsetRgn(HRGN Rgn, int DX, int DY) {
    TRegion* r = LookupRgn(Rgn);
    if (!r) return ERROR;
    r->Offset(DX, DY);
    return r->Type();
}

bool PtInRegion(HRGN Rgn, int X, int Y) {
    TRegion* r = LookupRgn(Rgn);
    return r && r->Contains(X, Y);
}

bool RectInRegion(HRGN Rgn, const TRect& R) {
    TRegion* r = LookupRgn(Rgn);
    if (!r) return false;
    return r->IntersectsRect(NormRect(R.Left, R.Top, R.Right, R.Bottom));
}

bool EqualRgn(HRGN A, HRGN B) {
    TRegion* a = LookupRgn(A);
    TRegion* b = LookupRgn(B);
    return a && b && *a == *b;
}

int GetRgnBox(HRGN Rgn, TRect* Box) {
    TRegion* r = LookupRgn(Rgn);
    if (!r || !Box) return ERROR;
    *Box = r->Box();
    return r->Type();
}

int GetRegionRects(HRGN Rgn, std::vector<TRect>& Rects) {
    TRegion* r = LookupRgn(Rgn);
    if (!r) {
        Rects.clear();
        return ERROR;
    }
    r->GetRects(Rects);
    return r->Type();
}

namespace {

bool FillRegionWith(HDC DC, HRGN Rgn, TBrushObj* Brush, int Rop2) {
    TDCObj* dc = LookupDC(DC);
    TRegion* r = LookupRgn(Rgn);
    if (!dc || !r || !Brush) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    TPattern pat;
    TPaint paint;
    if (!MakeBrushPaint(dc, t, Brush, Rop2, pat, paint)) return true;
    PaintRegion(t, *r, dc->OffX(), dc->OffY(), paint);
    return true;
}

}  // namespace

bool FillRgn(HDC DC, HRGN Rgn, HBRUSH Brush) {
    TBrushObj* b = ResolveBrush(Brush);
    if (!b) return false;
    return FillRegionWith(DC, Rgn, b, R2_COPYPEN);
}

bool PaintRgn(HDC DC, HRGN Rgn) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    return FillRegionWith(DC, Rgn, dc->S.Brush, dc->S.Rop2);
}

bool InvertRgn(HDC DC, HRGN Rgn) {
    TDCObj* dc = LookupDC(DC);
    TRegion* r = LookupRgn(Rgn);
    if (!dc || !r) return false;
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    TPaint p;
    p.Rop2 = R2_NOT;
    PaintRegion(t, *r, dc->OffX(), dc->OffY(), p);
    return true;
}

bool FrameRgn(HDC DC, HRGN Rgn, HBRUSH Brush, int Width, int Height) {
    TDCObj* dc = LookupDC(DC);
    TRegion* r = LookupRgn(Rgn);
    TBrushObj* b = ResolveBrush(Brush);
    if (!dc || !r || !b || Width <= 0 || Height <= 0) return false;
    // The frame is the region less its erosion by Width across and Height
    // down: a pixel stays inside when every pixel within that reach does.
    Width = std::min(Width, 4096);
    Height = std::min(Height, 4096);
    TRegion eroded = *r;
    for (int i = 1; i <= Width && !eroded.Empty(); ++i) {
        TRegion s = *r;
        s.Offset(i, 0);
        eroded = TRegion::Combine(eroded, s, RGN_AND);
        s = *r;
        s.Offset(-i, 0);
        eroded = TRegion::Combine(eroded, s, RGN_AND);
    }
    for (int i = 1; i <= Height && !eroded.Empty(); ++i) {
        TRegion s = *r;
        s.Offset(0, i);
        eroded = TRegion::Combine(eroded, s, RGN_AND);
        s = *r;
        s.Offset(0, -i);
        eroded = TRegion::Combine(eroded, s, RGN_AND);
    }
    const TRegion frame = TRegion::Combine(*r, eroded, RGN_DIFF);
    TTarget t;
    if (!MakeTarget(dc, t)) return true;
    TPattern pat;
    TPaint paint;
    if (!MakeBrushPaint(dc, t, b, R2_COPYPEN, pat, paint)) return true;
    PaintRegion(t, frame, dc->OffX(), dc->OffY(), paint);
    return true;
}

}  // namespace vcl
