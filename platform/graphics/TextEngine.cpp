// TextEngine.cpp - measuring, laying out and drawing text into pixels.
#include "TextEngine.h"

#include <algorithm>
#include <cmath>

namespace vcl {

// ---------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------

std::u32string DecodeUtf8(std::string_view S) {
    std::u32string Out;
    Out.reserve(S.size());
    const size_t N = S.size();
    size_t I = 0;
    auto Cont = [&](size_t K, uint8_t Lo = 0x80, uint8_t Hi = 0xBF) {
        if (K >= N) return false;
        uint8_t C = uint8_t(S[K]);
        return C >= Lo && C <= Hi;
    };
    while (I < N) {
        uint8_t B = uint8_t(S[I]);
        if (B < 0x80) {
            Out.push_back(B);
            ++I;
        } else if (B >= 0xC2 && B <= 0xDF && Cont(I + 1)) {
            Out.push_back(char32_t(B & 0x1F) << 6 | (uint8_t(S[I + 1]) & 0x3F));
            I += 2;
        } else if (B >= 0xE0 && B <= 0xEF &&
                   Cont(I + 1, B == 0xE0 ? 0xA0 : 0x80, B == 0xED ? 0x9F : 0xBF) && Cont(I + 2)) {
            Out.push_back(char32_t(B & 0x0F) << 12 | char32_t(uint8_t(S[I + 1]) & 0x3F) << 6 |
                          (uint8_t(S[I + 2]) & 0x3F));
            I += 3;
        } else if (B >= 0xF0 && B <= 0xF4 &&
                   Cont(I + 1, B == 0xF0 ? 0x90 : 0x80, B == 0xF4 ? 0x8F : 0xBF) && Cont(I + 2) &&
                   Cont(I + 3)) {
            Out.push_back(char32_t(B & 0x07) << 18 | char32_t(uint8_t(S[I + 1]) & 0x3F) << 12 |
                          char32_t(uint8_t(S[I + 2]) & 0x3F) << 6 | (uint8_t(S[I + 3]) & 0x3F));
            I += 4;
        } else {
            Out.push_back(0xFFFD);
            ++I;
        }
    }
    return Out;
}

namespace {

void AppendUtf8(std::string& Out, char32_t C) {
    if (C < 0x80) {
        Out += char(C);
    } else if (C < 0x800) {
        Out += char(0xC0 | (C >> 6));
        Out += char(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        Out += char(0xE0 | (C >> 12));
        Out += char(0x80 | ((C >> 6) & 0x3F));
        Out += char(0x80 | (C & 0x3F));
    } else {
        Out += char(0xF0 | (C >> 18));
        Out += char(0x80 | ((C >> 12) & 0x3F));
        Out += char(0x80 | ((C >> 6) & 0x3F));
        Out += char(0x80 | (C & 0x3F));
    }
}

// ---------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------

// Keeps coordinate arithmetic on extreme input inside the int32_t range.
constexpr int64_t CoordLimit = int64_t(1) << 30;
inline int32_t Sat(int64_t V) { return int32_t(std::clamp<int64_t>(V, -CoordLimit, CoordLimit)); }
inline double SatD(double V) { return std::clamp(V, double(-CoordLimit), double(CoordLimit)); }

TRect Intersect(const TRect& A, const TRect& B) {
    TRect R{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
            std::min(A.Bottom, B.Bottom)};
    return R;
}

// The clip rectangles cut to the view; empty ones dropped.
std::vector<TRect> EffectiveClips(TPixelView Dst, std::span<const TRect> Clip) {
    std::vector<TRect> R;
    if (!Dst.Bits || Dst.Width <= 0 || Dst.Height <= 0) return R;
    TRect View{0, 0, Dst.Width, Dst.Height};
    for (const TRect& C : Clip) {
        TRect I = Intersect(C, View);
        if (!I.IsEmpty()) R.push_back(I);
    }
    return R;
}

inline uint32_t Blend(uint32_t D, uint32_t S, uint32_t A) {
    if (A >= 255) return S;
    if (A == 0) return D;
    const uint32_t IA = 255 - A;
    auto Ch = [&](int Shift) {
        uint32_t Sc = (S >> Shift) & 0xFF, Dc = (D >> Shift) & 0xFF;
        return ((Sc * A + Dc * IA + 127) / 255) << Shift;
    };
    uint32_t Da = D >> 24;
    uint32_t Ra = Da + ((255 - Da) * A + 127) / 255;
    return (Ra << 24) | Ch(16) | Ch(8) | Ch(0);
}

void FillRect(TPixelView Dst, const std::vector<TRect>& Clips, const TRect& R, uint32_t Pixel) {
    for (const TRect& C : Clips) {
        TRect I = Intersect(C, R);
        if (I.IsEmpty()) continue;
        for (int32_t Y = I.Top; Y < I.Bottom; ++Y) std::fill(Dst.Row(Y) + I.Left, Dst.Row(Y) + I.Right, Pixel);
    }
}

struct TPt {
    double X, Y;
};

// Fills a convex quadrilateral: the pixels whose centres lie inside it
// (left and top edges in, right and bottom edges out).
void FillQuad(TPixelView Dst, const std::vector<TRect>& Clips, const TPt (&Q)[4], uint32_t Pixel) {
    const TPt P[4] = {{SatD(Q[0].X), SatD(Q[0].Y)}, {SatD(Q[1].X), SatD(Q[1].Y)},
                      {SatD(Q[2].X), SatD(Q[2].Y)}, {SatD(Q[3].X), SatD(Q[3].Y)}};
    bool AxisAligned = P[0].Y == P[1].Y && P[1].X == P[2].X && P[2].Y == P[3].Y && P[3].X == P[0].X;
    if (AxisAligned && P[0].X == std::floor(P[0].X) && P[0].Y == std::floor(P[0].Y) &&
        P[2].X == std::floor(P[2].X) && P[2].Y == std::floor(P[2].Y)) {
        TRect R{int32_t(std::min(P[0].X, P[2].X)), int32_t(std::min(P[0].Y, P[2].Y)),
                int32_t(std::max(P[0].X, P[2].X)), int32_t(std::max(P[0].Y, P[2].Y))};
        FillRect(Dst, Clips, R, Pixel);
        return;
    }
    double MinY = P[0].Y, MaxY = P[0].Y;
    for (const TPt& Q : P) MinY = std::min(MinY, Q.Y), MaxY = std::max(MaxY, Q.Y);
    int32_t Y0 = int32_t(std::ceil(MinY - 0.5)), Y1 = int32_t(std::ceil(MaxY - 0.5));
    for (const TRect& C : Clips) {
        for (int32_t Y = std::max(Y0, C.Top); Y < std::min(Y1, C.Bottom); ++Y) {
            double Cy = Y + 0.5;
            double XL = 1e300, XR = -1e300;
            for (int K = 0; K < 4; ++K) {
                const TPt& A = P[K];
                const TPt& B = P[(K + 1) & 3];
                if ((A.Y <= Cy && Cy < B.Y) || (B.Y <= Cy && Cy < A.Y)) {
                    double X = A.X + (Cy - A.Y) * (B.X - A.X) / (B.Y - A.Y);
                    XL = std::min(XL, X);
                    XR = std::max(XR, X);
                }
            }
            if (XL > XR) continue;
            int32_t X0 = std::max<int32_t>(C.Left, int32_t(std::ceil(XL - 0.5)));
            int32_t X1 = std::min<int32_t>(C.Right, int32_t(std::ceil(XR - 0.5)));
            if (X0 < X1) std::fill(Dst.Row(Y) + X0, Dst.Row(Y) + X1, Pixel);
        }
    }
}

void BlitGlyph(TPixelView Dst, const std::vector<TRect>& Clips, const TGlyph& G, int32_t PenX, int32_t PenY,
               uint32_t Pixel) {
    if (G.Width <= 0 || G.Height <= 0) return;
    if (PenX < -CoordLimit || PenX > CoordLimit || PenY < -CoordLimit || PenY > CoordLimit) return;  // far off
    TRect Box{PenX + G.Left, PenY - G.Top, PenX + G.Left + G.Width, PenY - G.Top + G.Height};
    for (const TRect& C : Clips) {
        TRect I = Intersect(C, Box);
        if (I.IsEmpty()) continue;
        for (int32_t Y = I.Top; Y < I.Bottom; ++Y) {
            const uint8_t* Src = G.Coverage.get() + size_t(Y - Box.Top) * G.Width + (I.Left - Box.Left);
            uint32_t* D = Dst.Row(Y) + I.Left;
            for (int32_t X = I.Left; X < I.Right; ++X, ++Src, ++D) {
                uint8_t A = *Src;
                if (A == 255)
                    *D = Pixel;
                else if (A)
                    *D = Blend(*D, Pixel, A);
            }
        }
    }
}

// Geometry of a run: the cell's top-left corner, the baseline direction and
// the "down" direction across it.
struct TFrame {
    double OX, OY;  // cell top-left
    double DX, DY;  // along the baseline
    double NX, NY;  // down
    TPt At(double Along, double Down) const {
        return TPt{OX + Along * DX + Down * NX, OY + Along * DY + Down * NY};
    }
};

TFrame FrameOf(const TFontFace& F, int32_t X, int32_t Y) {
    TFrame Fr;
    Fr.OX = X;
    Fr.OY = Y;
    Fr.DX = F.DirX();
    Fr.DY = F.DirY();
    Fr.NX = -Fr.DY;
    Fr.NY = Fr.DX;
    return Fr;
}

void FillBand(TPixelView Dst, const std::vector<TRect>& Clips, const TFrame& Fr, double Along0, double Along1,
              double Down0, double Down1, uint32_t Pixel) {
    if (Along1 <= Along0 || Down1 <= Down0) return;
    TPt Q[4] = {Fr.At(Along0, Down0), Fr.At(Along1, Down0), Fr.At(Along1, Down1), Fr.At(Along0, Down1)};
    FillQuad(Dst, Clips, Q, Pixel);
}

// Draws code points with the given advances. Returns the run width.
int32_t DrawChars(TPixelView Dst, const std::vector<TRect>& Clips, int32_t X, int32_t Y, const TFontFace& F,
                  const char32_t* Chars, const int32_t* Advances, size_t Count, COLORREF TextColor, bool Opaque,
                  COLORREF BkColor, bool DrawGlyphs = true) {
    int64_t Sum = 0;
    for (size_t I = 0; I < Count; ++I) Sum += Advances[I];
    const int32_t Width = Sat(Sum);
    if (Clips.empty()) return Width;
    const TTextMetric& M = F.Metrics();
    const TFrame Fr = FrameOf(F, X, Y);
    if (Opaque) FillBand(Dst, Clips, Fr, std::min(0, Width), std::max(0, Width), 0, M.tmHeight, PixelFromColorRef(BkColor));
    const uint32_t Pixel = PixelFromColorRef(TextColor);
    if (DrawGlyphs) {
        std::vector<const TGlyph*> Gs(Count);
        F.Glyphs(Chars, Count, Gs.data());
        const TPt Base = Fr.At(0, M.tmAscent);
        int64_t S = 0;
        for (size_t I = 0; I < Count; ++I) {
            int32_t PX = int32_t(std::lround(SatD(Base.X + double(S) * Fr.DX)));
            int32_t PY = int32_t(std::lround(SatD(Base.Y + double(S) * Fr.DY)));
            BlitGlyph(Dst, Clips, *Gs[I], PX, PY, Pixel);
            S += Advances[I];
        }
    }
    const double Base = M.tmAscent;
    const int32_t L0 = std::min(0, Width), L1 = std::max(0, Width);
    if (F.Request().Underline)
        FillBand(Dst, Clips, Fr, L0, L1, Base + F.UnderlineOffset(), Base + F.UnderlineOffset() + F.UnderlineThickness(),
                 Pixel);
    if (F.Request().StrikeOut)
        FillBand(Dst, Clips, Fr, L0, L1, Base + F.StrikeOutOffset(), Base + F.StrikeOutOffset() + F.StrikeOutThickness(),
                 Pixel);
    return Width;
}

std::vector<int32_t> NaturalAdvances(const TFontFace& F, const std::u32string& Cs) {
    std::vector<const TGlyph*> Gs(Cs.size());
    F.Glyphs(Cs.data(), Cs.size(), Gs.data());
    std::vector<int32_t> A(Cs.size());
    for (size_t I = 0; I < Cs.size(); ++I) A[I] = Gs[I]->Advance;
    return A;
}

}  // namespace

// ---------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------

TTextMetric GetTextMetrics(const TFontFace& Font) { return Font.Metrics(); }

TSize GetTextExtent(const TFontFace& Font, std::string_view Utf8) {
    std::u32string Cs = DecodeUtf8(Utf8);
    int32_t W = 0;
    for (int32_t A : NaturalAdvances(Font, Cs)) W += A;
    return TSize{W, Font.Metrics().tmHeight};
}

int32_t GetTextExtentEx(const TFontFace& Font, std::string_view Utf8, int32_t MaxExtent,
                        std::vector<int32_t>* Partial) {
    std::u32string Cs = DecodeUtf8(Utf8);
    std::vector<int32_t> A = NaturalAdvances(Font, Cs);
    if (Partial) Partial->assign(A.size(), 0);
    int32_t Fit = 0, W = 0;
    bool Fitting = true;
    for (size_t I = 0; I < A.size(); ++I) {
        W += A[I];
        if (Partial) (*Partial)[I] = W;
        if (Fitting && (MaxExtent < 0 || W <= MaxExtent))
            ++Fit;
        else
            Fitting = false;
    }
    return Fit;
}

TPoint AlignTextOrigin(const TFontFace& Font, int32_t X, int32_t Y, uint32_t Align, int32_t RunWidth) {
    double Along = 0, Down = 0;
    if ((Align & TA_CENTER) == TA_CENTER)
        Along = -(RunWidth / 2);
    else if (Align & TA_RIGHT)
        Along = -RunWidth;
    if ((Align & TA_BASELINE) == TA_BASELINE)
        Down = -Font.Metrics().tmAscent;
    else if (Align & TA_BOTTOM)
        Down = -Font.Metrics().tmHeight;
    TFrame Fr = FrameOf(Font, X, Y);
    TPt P = Fr.At(Along, Down);
    return TPoint{int32_t(std::lround(SatD(P.X))), int32_t(std::lround(SatD(P.Y)))};
}

// ---------------------------------------------------------------------------
// Runs
// ---------------------------------------------------------------------------

int32_t DrawTextRun(TPixelView Dst, std::span<const TRect> Clip, int32_t X, int32_t Y, const TFontFace& Font,
                    std::string_view Utf8, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                    std::span<const int32_t> Dx) {
    std::u32string Cs = DecodeUtf8(Utf8);
    std::vector<int32_t> A = NaturalAdvances(Font, Cs);
    for (size_t I = 0; I < A.size() && I < Dx.size(); ++I) A[I] = Dx[I];
    return DrawChars(Dst, EffectiveClips(Dst, Clip), X, Y, Font, Cs.data(), A.data(), Cs.size(), TextColor, Opaque,
                     BkColor);
}

int32_t DrawTextRun(TPixelView Dst, const TRect& Clip, int32_t X, int32_t Y, const TFontFace& Font,
                    std::string_view Utf8, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                    std::span<const int32_t> Dx) {
    return DrawTextRun(Dst, std::span<const TRect>(&Clip, 1), X, Y, Font, Utf8, TextColor, Opaque, BkColor, Dx);
}

// ---------------------------------------------------------------------------
// DrawText layout
// ---------------------------------------------------------------------------

namespace {

struct TItem {
    char32_t Ch;
    int32_t Adv;
    bool Prefix;  // underlined as the accelerator
};
using TLine = std::vector<TItem>;

inline bool IsBlank(char32_t C) { return C == U' ' || C == U'\t'; }

int32_t LineWidth(const TLine& L) {
    int64_t W = 0;
    for (const TItem& I : L) W += I.Adv;
    return Sat(W);
}

class TLayout {
public:
    TLayout(const TFontFace& F, uint32_t Format, int32_t MaxWidth, int32_t TabChars)
        : FFont(F), FFormat(Format), FMax(MaxWidth), FTabWidth(TabChars * F.Metrics().tmAveCharWidth) {}

    std::vector<TLine> Run(const std::u32string& Text) {
        std::vector<TLine> Hard = SplitHard(Text);
        std::vector<TLine> Lines;
        for (TLine& H : Hard) Wrap(H, Lines);
        if (FFormat & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
            for (TLine& L : Lines)
                if (LineWidth(L) > FMax) Ellipsify(L);
        return Lines;
    }

private:
    const TFontFace& FFont;
    uint32_t FFormat;
    int32_t FMax;
    int32_t FTabWidth = 0;

    int32_t Advance(char32_t C, int32_t Pos) const {
        if (C == U'\t' && (FFormat & DT_EXPANDTABS)) {
            if (FTabWidth <= 0) return 0;
            return FTabWidth - (Pos % FTabWidth);
        }
        return FFont.CharAdvance(C);
    }

    // Prefix characters resolved and the text cut at its line breaks.
    std::vector<TLine> SplitHard(const std::u32string& T) const {
        const bool Prefixes = !(FFormat & DT_NOPREFIX);
        const bool Single = FFormat & DT_SINGLELINE;
        std::vector<TLine> Out(1);
        bool NextPrefix = false;
        for (size_t I = 0; I < T.size(); ++I) {
            char32_t C = T[I];
            if (Prefixes && C == U'&' && I + 1 < T.size()) {
                if (T[I + 1] == U'&') {
                    Out.back().push_back({U'&', 0, NextPrefix});
                    NextPrefix = false;
                    ++I;
                } else {
                    NextPrefix = true;
                }
                continue;
            }
            if (!Single && (C == U'\r' || C == U'\n')) {
                if (C == U'\r' && I + 1 < T.size() && T[I + 1] == U'\n') ++I;
                Out.emplace_back();
                NextPrefix = false;
                continue;
            }
            Out.back().push_back({C, 0, NextPrefix});
            NextPrefix = false;
        }
        // A final line break ends the last line; it does not open another one.
        if (Out.size() > 1 && Out.back().empty()) Out.pop_back();
        return Out;
    }

    void Measure(TLine& L) const {
        int32_t Pos = 0;
        for (TItem& I : L) {
            I.Adv = Advance(I.Ch, Pos);
            Pos += I.Adv;
        }
    }

    void Wrap(TLine& H, std::vector<TLine>& Out) const {
        if (!(FFormat & DT_WORDBREAK) || (FFormat & DT_SINGLELINE)) {
            Measure(H);
            Out.push_back(std::move(H));
            return;
        }
        const bool BreakWords = FFormat & DT_EDITCONTROL;
        size_t Start = 0;
        const size_t N = H.size();
        if (N == 0) {
            Out.emplace_back();
            return;
        }
        while (Start < N) {
            int32_t Pos = 0;
            size_t BreakAt = SIZE_MAX;  // first blank of the last blank run after some word
            bool Content = false, Overflow = false;
            size_t End = N, Next = N;
            for (size_t I = Start; I < N; ++I) {
                const char32_t C = H[I].Ch;
                const int32_t A = Advance(C, Pos);
                if (IsBlank(C)) {
                    if (Overflow) {  // the long word ends here
                        End = I;
                        Next = I;
                        break;
                    }
                    if (Content && (I == Start || !IsBlank(H[I - 1].Ch))) BreakAt = I;
                } else {
                    if (Pos + A > FMax && Content) {
                        if (BreakAt != SIZE_MAX) {
                            End = BreakAt;
                            Next = BreakAt;
                            break;
                        }
                        if (BreakWords) {
                            End = I;
                            Next = I;
                            break;
                        }
                        Overflow = true;
                    }
                    Content = true;
                }
                Pos += A;
            }
            if (Next < N)
                while (Next < N && IsBlank(H[Next].Ch)) ++Next;
            TLine L(H.begin() + std::ptrdiff_t(Start), H.begin() + std::ptrdiff_t(End));
            Measure(L);
            Out.push_back(std::move(L));
            if (Next == Start) ++Next;  // always make progress
            Start = Next;
        }
    }

    TLine Dots() const {
        TLine D;
        for (int I = 0; I < 3; ++I) D.push_back({U'.', FFont.CharAdvance(U'.'), false});
        return D;
    }

    // The longest head of L (measured from the line start) no wider than Width.
    size_t HeadThatFits(const TLine& L, int32_t Width, bool AtWordEnd) const {
        int32_t W = 0;
        size_t Fit = 0, WordFit = 0;
        for (size_t I = 0; I < L.size(); ++I) {
            if (W + L[I].Adv > Width) break;
            W += L[I].Adv;
            Fit = I + 1;
            if (I + 1 < L.size() && IsBlank(L[I + 1].Ch) && !IsBlank(L[I].Ch)) WordFit = I + 1;
        }
        if (AtWordEnd && WordFit > 0) return WordFit;
        return Fit;
    }

    void Ellipsify(TLine& L) const {
        const TLine D = Dots();
        const int32_t DW = LineWidth(D);
        if (FFormat & DT_PATH_ELLIPSIS) {
            size_t Sep = SIZE_MAX;
            for (size_t I = L.size(); I-- > 0;)
                if (L[I].Ch == U'\\' || L[I].Ch == U'/') {
                    Sep = I;
                    break;
                }
            if (Sep != SIZE_MAX && Sep > 0) {
                TLine Tail(L.begin() + std::ptrdiff_t(Sep), L.end());
                TLine Head(L.begin(), L.begin() + std::ptrdiff_t(Sep));
                const int32_t TW = LineWidth(Tail);
                size_t Keep = FMax - DW - TW >= 0 ? HeadThatFits(Head, FMax - DW - TW, false) : 0;
                TLine R(Head.begin(), Head.begin() + std::ptrdiff_t(Keep));
                R.insert(R.end(), D.begin(), D.end());
                R.insert(R.end(), Tail.begin(), Tail.end());
                L = std::move(R);
                Measure(L);
                if (LineWidth(L) <= FMax || !(FFormat & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))) return;
                // Even ".../name" is too wide: shorten that at its end as well.
            }
            // Without a folder part the line is shortened at its end.
        }
        const bool AtWord = (FFormat & DT_WORD_ELLIPSIS) && !(FFormat & DT_END_ELLIPSIS);
        size_t Keep = FMax - DW > 0 ? HeadThatFits(L, FMax - DW, AtWord) : 0;
        L.resize(Keep);
        while (!L.empty() && IsBlank(L.back().Ch) && AtWord) L.pop_back();
        L.insert(L.end(), D.begin(), D.end());
        Measure(L);
    }
};

}  // namespace

int32_t DrawTextLayout(TPixelView Dst, std::span<const TRect> Clip, const TFontFace& Font, std::string_view Utf8,
                       TRect& Rect, uint32_t Format, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                       std::string* Shown) {
    int32_t TabChars = 8;
    if (Format & DT_TABSTOP) {  // bits 8..15 are the tab length, not flags
        TabChars = int32_t((Format >> 8) & 0xFF);
        if (TabChars == 0) TabChars = 8;
        Format &= ~uint32_t(0xFF00);
    }
    const TTextMetric& M = Font.Metrics();
    const int32_t LH = M.tmHeight + ((Format & DT_EXTERNALLEADING) ? M.tmExternalLeading : 0);
    const bool Single = Format & DT_SINGLELINE;
    const std::u32string Text = DecodeUtf8(Utf8);

    if (Shown) Shown->clear();
    if (Text.empty()) {
        if (Format & DT_CALCRECT) {
            Rect.Right = Rect.Left;
            Rect.Bottom = Sat(int64_t(Rect.Top) + (Single ? LH : 0));
        }
        return LH;
    }

    const int32_t RectW = Sat(int64_t(Rect.Right) - Rect.Left);
    const int32_t RectH = Sat(int64_t(Rect.Bottom) - Rect.Top);
    TLayout Layout(Font, Format, RectW, TabChars);
    std::vector<TLine> Lines = Layout.Run(Text);

    if (Shown) {
        for (size_t I = 0; I < Lines.size(); ++I) {
            if (I) *Shown += '\n';
            for (const TItem& It : Lines[I]) AppendUtf8(*Shown, It.Ch);
        }
    }

    const int32_t Total = Sat(int64_t(Lines.size()) * LH);
    if (Format & DT_CALCRECT) {
        int32_t MaxW = 0;
        for (const TLine& L : Lines) MaxW = std::max(MaxW, LineWidth(L));
        Rect.Right = Sat(int64_t(Rect.Left) + MaxW);
        Rect.Bottom = Sat(int64_t(Rect.Top) + Total);
        return Total;
    }

    int64_t Y = Rect.Top;
    if (Single) {
        if (Format & DT_VCENTER)
            Y = Rect.Top + (int64_t(RectH) - LH) / 2;
        else if (Format & DT_BOTTOM)
            Y = int64_t(Rect.Bottom) - LH;
    }
    const int32_t Result = Single && (Format & (DT_VCENTER | DT_BOTTOM)) ? Sat(Y + LH - Rect.Top) : Total;

    std::vector<TRect> Clips = EffectiveClips(Dst, Clip);
    if (!(Format & DT_NOCLIP)) {
        std::vector<TRect> Cut;
        for (const TRect& C : Clips) {
            TRect I = Intersect(C, Rect);
            if (!I.IsEmpty()) Cut.push_back(I);
        }
        Clips = std::move(Cut);
    }
    if (Clips.empty()) return Result;

    const bool PrefixOnly = Format & DT_PREFIXONLY;
    const bool ShowPrefix = !(Format & DT_HIDEPREFIX) && !(Format & DT_NOPREFIX);
    const uint32_t Pixel = PixelFromColorRef(TextColor);
    // Lines of an upright font outside the clip's rows need no work.
    const bool Upright = Font.DirX() == 1.0 && !Font.Request().Italic;
    int64_t ClipTop = Clips.front().Top, ClipBottom = Clips.front().Bottom;
    for (const TRect& C : Clips) ClipTop = std::min<int64_t>(ClipTop, C.Top), ClipBottom = std::max<int64_t>(ClipBottom, C.Bottom);
    std::u32string Cs;
    std::vector<int32_t> Adv;
    for (size_t LI = 0; LI < Lines.size(); ++LI, Y += LH) {
        if ((Format & DT_EDITCONTROL) && LI > 0 && Y + LH > Rect.Bottom) break;
        if (Y >= CoordLimit) break;
        if (Y < -CoordLimit) continue;
        if (Upright && (Y + LH + M.tmHeight <= ClipTop || Y - M.tmHeight >= ClipBottom)) continue;
        const TLine& L = Lines[LI];
        const int32_t W = LineWidth(L);
        int64_t X = Rect.Left;
        if (Format & DT_CENTER)
            X = Rect.Left + (int64_t(RectW) - W) / 2;
        else if (Format & DT_RIGHT)
            X = int64_t(Rect.Right) - W;
        Cs.clear();
        Adv.clear();
        for (const TItem& It : L) {
            Cs.push_back(It.Ch);
            Adv.push_back(It.Adv);
        }
        if (!PrefixOnly)
            DrawChars(Dst, Clips, Sat(X), Sat(Y), Font, Cs.data(), Adv.data(), Cs.size(), TextColor, Opaque, BkColor);
        if (ShowPrefix || PrefixOnly) {
            const TFrame Fr = FrameOf(Font, Sat(X), Sat(Y));
            const double Down = M.tmAscent + Font.UnderlineOffset();
            int64_t Along = 0;
            for (const TItem& It : L) {
                if (It.Prefix)
                    FillBand(Dst, Clips, Fr, double(Along), double(Along + It.Adv), Down, Down + Font.UnderlineThickness(), Pixel);
                Along += It.Adv;
            }
        }
    }
    return Result;
}

int32_t DrawTextLayout(TPixelView Dst, const TRect& Clip, const TFontFace& Font, std::string_view Utf8,
                       TRect& Rect, uint32_t Format, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                       std::string* Shown) {
    return DrawTextLayout(Dst, std::span<const TRect>(&Clip, 1), Font, Utf8, Rect, Format, TextColor, Opaque,
                          BkColor, Shown);
}

}  // namespace vcl
