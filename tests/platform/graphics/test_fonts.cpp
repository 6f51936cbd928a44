// Tests of Fonts.h and TextEngine.h: face-name resolution, metrics, extents,
// run drawing (opaque cells, clipping, decorations, escapement) and the
// DrawText layout (line breaking, alignment, prefixes, ellipses, tabs).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Fonts.h"
#include "GdiTypes.h"
#include "TextEngine.h"

using namespace vcl;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A white canvas of pixels.
struct TCanvas {
    std::vector<uint32_t> Pixels;
    TPixelView View;
    TCanvas(int32_t W, int32_t H, COLORREF Fill = kWhite) : Pixels(size_t(W) * H, PixelFromColorRef(Fill)) {
        View = TPixelView{Pixels.data(), W, H, W};
    }
    TRect Bounds() const { return TRect{0, 0, View.Width, View.Height}; }
    uint32_t At(int32_t X, int32_t Y) const { return Pixels[size_t(Y) * View.Width + X]; }
    // The bounding box of the pixels of one colour inside R (empty if none).
    TRect Ink(COLORREF C, TRect R = TRect{0, 0, 1 << 30, 1 << 30}) const {
        R.Right = std::min(R.Right, View.Width);
        R.Bottom = std::min(R.Bottom, View.Height);
        TRect B{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
        const uint32_t P = PixelFromColorRef(C);
        for (int32_t Y = std::max(0, R.Top); Y < R.Bottom; ++Y)
            for (int32_t X = std::max(0, R.Left); X < R.Right; ++X)
                if (At(X, Y) == P) {
                    B.Left = std::min(B.Left, X);
                    B.Top = std::min(B.Top, Y);
                    B.Right = std::max(B.Right, X + 1);
                    B.Bottom = std::max(B.Bottom, Y + 1);
                }
        return B.IsEmpty() ? TRect{} : B;
    }
    int Count(COLORREF C) const {
        const uint32_t P = PixelFromColorRef(C);
        return int(std::count(Pixels.begin(), Pixels.end(), P));
    }
};

TFontRequest Request(const std::string& Face, int32_t Height, int32_t Weight = 400, bool Italic = false) {
    TFontRequest S;
    S.FaceName = Face;
    S.Height = Height;
    S.Weight = Weight;
    S.Italic = Italic;
    return S;
}

std::shared_ptr<TFontFace> Font(const std::string& Face = "Arial", int32_t Height = -13) {
    return ResolveFont(Request(Face, Height));
}

int32_t Width(const TFontFace& F, std::string_view S) { return GetTextExtent(F, S).cx; }

// Lays out without drawing; returns the rectangle and the text as shown.
struct TCalc {
    TRect R;
    int32_t Height;
    std::string Shown;
};
TCalc Calc(const TFontFace& F, std::string_view S, uint32_t Format, int32_t MaxWidth = 1000) {
    TCalc C;
    C.R = TRect{5, 7, 5 + MaxWidth, 7 + 500};
    C.Height = DrawTextLayout(TPixelView{}, TRect{}, F, S, C.R, Format | DT_CALCRECT, kBlack, false, kWhite, &C.Shown);
    return C;
}

int Lines(const std::string& Shown) { return int(std::count(Shown.begin(), Shown.end(), '\n')) + 1; }

// ---------------------------------------------------------------------------
// Resolution
// ---------------------------------------------------------------------------

struct TAliasCase {
    const char* Asked;
    const char* Family;
};

TEST(FontResolution, AliasesMapOntoInstalledFamilies) {
    const TAliasCase Cases[] = {
        {"MS Sans Serif", "Liberation Sans"}, {"Arial", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},     {"Times New Roman", "Liberation Serif"},
        {"MS Serif", "Liberation Serif"},     {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},       {"Small Fonts", "DejaVu Sans"},
        {"Tahoma", "DejaVu Sans"},            {"Verdana", "DejaVu Sans"},
        {"System", "DejaVu Sans"},            {"Wingdings", "DejaVu Sans"},
        {"  aRiAl ", "Liberation Sans"},      {"", "Liberation Sans"},
    };
    for (const TAliasCase& C : Cases) {
        SCOPED_TRACE(C.Asked);
        EXPECT_EQ(ResolveFamilyName(C.Asked), C.Family);
        auto F = ResolveFont(Request(C.Asked, -12));
        EXPECT_EQ(F->FamilyName(), C.Family);
        EXPECT_FALSE(F->FileName().empty());
        // Bold and italic requests keep the family.
        EXPECT_EQ(ResolveFont(Request(C.Asked, -12, 700, true))->FamilyName(), C.Family);
    }
}

TEST(FontResolution, SystemIsBoldAndWingdingsIsRemapped) {
    auto Sys = Font("System", -13);
    EXPECT_GE(Sys->Metrics().tmWeight, 700);
    EXPECT_TRUE(Sys->StyleName().find("Bold") != std::string::npos || Sys->SyntheticBold()) << Sys->StyleName();
    EXPECT_GT(Width(*Sys, "Hello"), Width(*Font("DejaVu Sans", -13), "Hello"));
    EXPECT_TRUE(Font("Wingdings")->IsSymbolRemapped());
    EXPECT_FALSE(Font("Arial")->IsSymbolRemapped());
}

TEST(FontResolution, OtherNamesGoThroughFontconfig) {
    // An installed family that is no alias is used as it is.
    EXPECT_EQ(Font("DejaVu Serif")->FamilyName(), "DejaVu Serif");
    EXPECT_EQ(Font("dejavu sans mono")->FamilyName(), "DejaVu Sans Mono");
    // An unknown name still gives a usable font.
    auto F = Font("No Such Typeface Qwertz", -14);
    EXPECT_FALSE(F->FamilyName().empty());
    EXPECT_GT(F->Glyph(U'A').Width, 0);
    EXPECT_GT(Width(*F, "Abc"), 0);
}

TEST(FontResolution, FacesAreCachedBySpec) {
    auto A = ResolveFont(Request("Arial", -13));
    auto B = ResolveFont(Request("arial", -13));
    EXPECT_EQ(A.get(), B.get());
    EXPECT_NE(A.get(), ResolveFont(Request("Arial", -14)).get());
    EXPECT_NE(A.get(), ResolveFont(Request("Arial", -13, 700)).get());
    // The glyph cache hands out the same rendering again.
    EXPECT_EQ(&A->Glyph(U'x'), &A->Glyph(U'x'));
    EXPECT_EQ(&A->Glyph(U'\u20AC'), &A->Glyph(U'\u20AC'));
    TrimFontCache();  // A and B still hold the face
    EXPECT_EQ(ResolveFont(Request("Arial", -13)).get(), A.get());
}

TEST(FontResolution, BadSizesAreRefused) {
    EXPECT_THROW(ResolveFont(Request("Arial", -(MaxFontEmHeight + 1))), EFontError);
    EXPECT_THROW(ResolveFont(Request("Arial", 1000000)), EFontError);
    TFontRequest S = Request("Arial", -12);
    S.Width = 100000;
    EXPECT_THROW(ResolveFont(S), EFontError);
    EXPECT_NO_THROW(ResolveFont(Request("Arial", -MaxFontEmHeight)));
}

TEST(FontResolution, PointsToHeight) {
    struct TCase {
        int32_t Points, Dpi, Height;
    };
    const TCase Cases[] = {{8, 96, -11},  {9, 96, -12},   {10, 96, -13}, {12, 96, -16}, {8, 120, -13},
                           {3, 84, -4},   {-3, 84, 4},    {0, 96, 0},    {72, 72, -72}, {1, 96, -1},
                           {7, 96, -9},   {11, 96, -15}};
    for (const TCase& C : Cases) EXPECT_EQ(PointsToHeight(C.Points, C.Dpi), C.Height) << C.Points << "pt " << C.Dpi;
    EXPECT_EQ(PointsToHeight(8), -11);
}

// ---------------------------------------------------------------------------
// Metrics and extents
// ---------------------------------------------------------------------------

TEST(FontMetrics, ConsistentForCellAndEmHeights) {
    const char* Faces[] = {"Arial", "Times New Roman", "Courier New", "Tahoma", "Wingdings"};
    const int32_t Heights[] = {-6, -8, -11, -12, -13, -16, -24, -40, 0, 8, 13, 16, 21, 33, 60};
    for (const char* Face : Faces)
        for (int32_t H : Heights) {
            SCOPED_TRACE(std::string(Face) + " " + std::to_string(H));
            auto F = Font(Face, H);
            const TTextMetric M = GetTextMetrics(*F);
            EXPECT_EQ(M.tmHeight, M.tmAscent + M.tmDescent);
            EXPECT_GT(M.tmAscent, 0);
            EXPECT_GE(M.tmDescent, 0);
            EXPECT_EQ(M.tmInternalLeading, M.tmHeight - F->EmHeight());
            EXPECT_GE(M.tmInternalLeading, 0);
            EXPECT_GT(M.tmAveCharWidth, 0);
            EXPECT_GE(M.tmMaxCharWidth, M.tmAveCharWidth);
            if (H < 0) {
                EXPECT_EQ(F->EmHeight(), -H);
            } else if (H > 0) {
                EXPECT_EQ(M.tmHeight, H);
            } else {
                EXPECT_EQ(F->EmHeight(), 12);
            }
            EXPECT_EQ(GetTextExtent(*F, "Ag").cy, M.tmHeight);
        }
}

TEST(FontMetrics, LargerFontsAreLargerAndMonoIsFixedPitch) {
    int32_t Prev = 0;
    for (int32_t H : {-9, -12, -16, -24, -36}) {
        auto F = Font("Arial", H);
        EXPECT_GT(F->Metrics().tmHeight, Prev);
        Prev = F->Metrics().tmHeight;
    }
    auto Mono = Font("Courier New", -13);
    EXPECT_TRUE(Mono->Metrics().tmFixedPitch);
    EXPECT_EQ(Width(*Mono, "iiii"), Width(*Mono, "WWWW"));
    EXPECT_FALSE(Font("Arial")->Metrics().tmFixedPitch);
    // A requested average width narrows or widens the font.
    TFontRequest Narrow = Request("Arial", -16);
    Narrow.Width = 4;
    TFontRequest Wide = Request("Arial", -16);
    Wide.Width = 14;
    EXPECT_LT(Width(*ResolveFont(Narrow), "Hello World"), Width(*Font("Arial", -16), "Hello World"));
    EXPECT_GT(Width(*ResolveFont(Wide), "Hello World"), Width(*Font("Arial", -16), "Hello World"));
    EXPECT_NEAR(ResolveFont(Wide)->Metrics().tmAveCharWidth, 14, 1);
}

TEST(TextExtent, GrowsWithTheTextAndIsAdditive) {
    for (const char* Face : {"Arial", "Times New Roman", "Courier New"}) {
        SCOPED_TRACE(Face);
        auto F = Font(Face, -13);
        EXPECT_EQ(GetTextExtent(*F, "").cx, 0);
        EXPECT_EQ(GetTextExtent(*F, "").cy, F->Metrics().tmHeight);
        int32_t Prev = 0;
        std::string S;
        for (int I = 0; I < 8; ++I) {
            S += "ab";
            int32_t W = Width(*F, S);
            EXPECT_GT(W, Prev);
            Prev = W;
        }
        EXPECT_EQ(Width(*F, "Hello, ") + Width(*F, "World!"), Width(*F, "Hello, World!"));
        EXPECT_EQ(Width(*F, "AV") , Width(*F, "A") + Width(*F, "V"));  // no kerning
        EXPECT_EQ(Width(*F, "\xC3\xA4\xE2\x82\xAC"), Width(*F, "\xC3\xA4") + Width(*F, "\xE2\x82\xAC"));
    }
}

TEST(TextExtent, BoldIsAtLeastAsWide) {
    for (const char* Face : {"Arial", "Times New Roman", "Courier New", "Tahoma", "MS Sans Serif"})
        for (int32_t H : {-11, -13, -20}) {
            SCOPED_TRACE(std::string(Face) + " " + std::to_string(H));
            auto R = Font(Face, H);
            auto B = ResolveFont(Request(Face, H, 700));
            EXPECT_GE(Width(*B, "Hello World 123"), Width(*R, "Hello World 123"));
            EXPECT_GE(B->Metrics().tmWeight, 600);
        }
}

TEST(TextExtent, ExPointFitAndPartialExtents) {
    auto F = Font();
    std::vector<int32_t> P;
    const std::string S = "W\xC3\xA9iter";  // 6 code points
    int32_t Fit = GetTextExtentEx(*F, S, -1, &P);
    ASSERT_EQ(P.size(), 6u);
    EXPECT_EQ(Fit, 6);
    EXPECT_EQ(P.back(), Width(*F, S));
    EXPECT_EQ(P[1], Width(*F, "W\xC3\xA9"));
    EXPECT_EQ(GetTextExtentEx(*F, S, P[2]), 3);
    EXPECT_EQ(GetTextExtentEx(*F, S, P[2] - 1), 2);
    EXPECT_EQ(GetTextExtentEx(*F, S, 0), 0);
}

// A family whose italic (or bold) has to be made up: fonts-dejavu-core ships
// DejaVu Sans without an oblique face; where the extra faces are installed,
// the math family has only an upright regular face.
TEST(TextExtent, SyntheticStylesSlantAndEmbolden) {
    std::shared_ptr<TFontFace> It, Up;
    for (const char* Face : {"DejaVu Math TeX Gyre", "DejaVu Sans"}) {
        auto F = ResolveFont(Request(Face, -40, 400, true));
        if (F->SyntheticItalic()) {
            It = F;
            Up = ResolveFont(Request(Face, -40));
            break;
        }
    }
    if (!It) GTEST_SKIP() << "every candidate family has an italic face here";
    // An upright bar is vertical; slanted, its top lies to the right of its bottom.
    TCanvas A(200, 100), B(200, 100);
    DrawTextRun(A.View, A.Bounds(), 50, 10, *Up, "|", kBlack, false, kWhite);
    DrawTextRun(B.View, B.Bounds(), 50, 10, *It, "|", kBlack, false, kWhite);
    auto RowSpan = [](const TCanvas& C, int32_t Y) {
        int32_t L = -1;
        for (int32_t X = 0; X < C.View.Width; ++X)
            if (C.At(X, Y) == PixelFromColorRef(kBlack)) {
                L = X;
                break;
            }
        return L;
    };
    TRect IA = A.Ink(kBlack), IB = B.Ink(kBlack);
    ASSERT_FALSE(IA.IsEmpty());
    ASSERT_FALSE(IB.IsEmpty());
    EXPECT_EQ(RowSpan(A, IA.Top + 1), RowSpan(A, IA.Bottom - 2));
    EXPECT_GT(RowSpan(B, IB.Top + 1), RowSpan(B, IB.Bottom - 2) + 3);

    auto Bold = ResolveFont(Request(It->FamilyName(), -40, 700, true));
    EXPECT_GE(Width(*Bold, "Hello"), Width(*It, "Hello"));
    if (Bold->SyntheticBold()) {
        EXPECT_GT(Width(*Bold, "Hello"), Width(*It, "Hello"));
    }
}

// ---------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------

TEST(TextUtf8, InvalidBytesBecomeReplacementCharacters) {
    struct TCase {
        std::string In;
        std::u32string Out;
    };
    const TCase Cases[] = {
        {"abc", U"abc"},
        {"\xE2\x82\xAC", U"\u20AC"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xFF", U"\uFFFD"},
        {"a\xC3", U"a\uFFFD"},                         // cut short
        {"\xC0\xAF", U"\uFFFD\uFFFD"},                 // overlong
        {"\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},       // overlong
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},       // surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\x80x", U"\uFFFDx"},                          // stray continuation
        {"\xE2\x82" "A", U"\uFFFD\uFFFD" "A"},
        {std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
    };
    for (const TCase& C : Cases) EXPECT_EQ(DecodeUtf8(C.In), C.Out);
}

TEST(TextUtf8, InvalidTextIsMeasuredAndDrawn) {
    auto F = Font("Arial", -16);
    const std::string Bad = "A\xFF\xC3(B";
    EXPECT_EQ(Width(*F, Bad), Width(*F, "A\xEF\xBF\xBD\xEF\xBF\xBD(B"));
    EXPECT_GT(F->Glyph(0xFFFD).Width, 0);  // taken from the fallback family if need be
    TCanvas C(200, 40);
    DrawTextRun(C.View, C.Bounds(), 2, 2, *F, Bad, kBlack, false, kWhite);
    EXPECT_GT(C.Count(kBlack), 20);
}

// ---------------------------------------------------------------------------
// Runs
// ---------------------------------------------------------------------------

TEST(TextRun, OpaqueFillsExactlyTheCell) {
    for (int Quality : {DEFAULT_QUALITY, ANTIALIASED_QUALITY}) {
        SCOPED_TRACE(Quality);
        TFontRequest S = Request("Arial", -15);
        S.Quality = Quality;
        auto F = ResolveFont(S);
        TCanvas C(200, 60);
        const std::string T = "Hi there, gjy";
        const int32_t W = DrawTextRun(C.View, C.Bounds(), 20, 15, *F, T, kBlack, true, kRed);
        const int32_t H = F->Metrics().tmHeight;
        EXPECT_EQ(W, Width(*F, T));
        const TRect Box{20, 15, 20 + W, 15 + H};
        for (int32_t Y = 0; Y < C.View.Height; ++Y)
            for (int32_t X = 0; X < C.View.Width; ++X) {
                const uint32_t P = C.At(X, Y);
                if (!Box.Contains(Point(X, Y)))
                    ASSERT_EQ(P, PixelFromColorRef(kWhite)) << X << "," << Y;
                else if (Quality == DEFAULT_QUALITY)
                    ASSERT_TRUE(P == PixelFromColorRef(kRed) || P == PixelFromColorRef(kBlack)) << X << "," << Y;
                else
                    ASSERT_EQ(P & 0xFF00FFFFu, 0xFF000000u) << X << "," << Y;  // between red and black
            }
        EXPECT_EQ(C.Ink(kRed), Box);  // the corners of the cell are background
    }
}

TEST(TextRun, TransparentLeavesTheBackgroundAndAntialiasingBlends) {
    auto Mono = Font("Arial", -16);
    TFontRequest S = Request("Arial", -16);
    S.Quality = ANTIALIASED_QUALITY;
    auto AA = ResolveFont(S);
    EXPECT_TRUE(AA->Antialiased());
    EXPECT_FALSE(Mono->Antialiased());
    TCanvas A(200, 40), B(200, 40);
    DrawTextRun(A.View, A.Bounds(), 5, 5, *Mono, "Sample gray", kBlack, false, kWhite);
    DrawTextRun(B.View, B.Bounds(), 5, 5, *AA, "Sample gray", kBlack, false, kWhite);
    int Grey = 0;
    for (uint32_t P : A.Pixels) EXPECT_TRUE(P == PixelFromColorRef(kWhite) || P == PixelFromColorRef(kBlack));
    for (uint32_t P : B.Pixels)
        if (P != PixelFromColorRef(kWhite) && P != PixelFromColorRef(kBlack)) {
            ++Grey;
            EXPECT_EQ(P >> 24, 0xFFu);
            EXPECT_TRUE((P & 0xFF) == ((P >> 8) & 0xFF) && (P & 0xFF) == ((P >> 16) & 0xFF));
        }
    EXPECT_GT(Grey, 10);
    EXPECT_GT(A.Count(kBlack), 30);
}

TEST(TextRun, ClippedToTheClipRectanglesAndTheView) {
    auto F = Font("Arial", -20);
    const std::string T = "Clipping WWW";
    TCanvas Full(300, 60);
    DrawTextRun(Full.View, Full.Bounds(), 10, 10, *F, T, kBlack, true, kRed);

    const TRect Clips[] = {{0, 0, 40, 60}, {70, 20, 300, 26}};
    TCanvas C(300, 60);
    DrawTextRun(C.View, std::span<const TRect>(Clips), 10, 10, *F, T, kBlack, true, kRed);
    int Inside = 0;
    for (int32_t Y = 0; Y < 60; ++Y)
        for (int32_t X = 0; X < 300; ++X) {
            bool In = Clips[0].Contains(Point(X, Y)) || Clips[1].Contains(Point(X, Y));
            if (In) {
                ASSERT_EQ(C.At(X, Y), Full.At(X, Y)) << X << "," << Y;
                Inside += C.At(X, Y) == PixelFromColorRef(kBlack);
            } else {
                ASSERT_EQ(C.At(X, Y), PixelFromColorRef(kWhite)) << X << "," << Y;
            }
        }
    EXPECT_GT(Inside, 5);

    // Partly or wholly outside the view, and an empty clip list.
    TCanvas D(50, 20);
    DrawTextRun(D.View, TRect{-100, -100, 1000, 1000}, -30, -8, *F, T, kBlack, true, kRed);
    DrawTextRun(D.View, TRect{-100, -100, 1000, 1000}, 5000, 5000, *F, T, kBlack, true, kRed);
    DrawTextRun(D.View, TRect{-100, -100, 1000, 1000}, -5000, 10, *F, T, kBlack, true, kRed);
    EXPECT_GT(D.Count(kRed), 0);
    TCanvas E(50, 20);
    DrawTextRun(E.View, std::span<const TRect>(), 0, 0, *F, T, kBlack, true, kRed);
    EXPECT_EQ(E.Count(kWhite), 50 * 20);
    DrawTextRun(TPixelView{}, TRect{0, 0, 100, 100}, 0, 0, *F, T, kBlack, true, kRed);  // no pixels at all
}

TEST(TextRun, ExtremeCoordinatesAndSpacingDoNoHarm) {
    auto F = Font("Arial", -13);
    TCanvas C(60, 30);
    const int32_t Big = 2147483647, Small = -2147483647 - 1;
    const int32_t Dx[] = {Big, Big, Small};
    DrawTextRun(C.View, C.Bounds(), Big - 5, Big - 5, *F, "abc", kBlack, true, kRed);
    DrawTextRun(C.View, C.Bounds(), Small, Small, *F, "abc", kBlack, true, kRed);
    DrawTextRun(C.View, C.Bounds(), 0, 0, *F, "abc", kBlack, false, kWhite, Dx);
    EXPECT_EQ(C.Count(kRed), 0);
    TRect Huge{Small, Small, Big, Big};
    EXPECT_EQ(DrawTextLayout(C.View, C.Bounds(), *F, "Wide\nopen", Huge, DT_CENTER | DT_WORDBREAK, kBlack, true, kRed),
              2 * F->Metrics().tmHeight);
    TRect Calc = Huge;
    DrawTextLayout(C.View, C.Bounds(), *F, "x", Calc, DT_CALCRECT | DT_SINGLELINE, kBlack, false, kWhite);
    EXPECT_EQ(Calc.Left, Small);
    TRect Bottom{0, Small, 60, Big};
    DrawTextLayout(C.View, C.Bounds(), *F, "low", Bottom, DT_SINGLELINE | DT_VCENTER, kBlack, true, kRed);
    DrawTextLayout(C.View, C.Bounds(), *F, "low", Bottom, DT_SINGLELINE | DT_BOTTOM, kBlack, true, kRed);
}

TEST(TextRun, SpacingArrayPlacesEachCharacter) {
    auto F = Font("Courier New", -16);
    const int32_t Dx[] = {30, 30, 30};
    TCanvas C(200, 40);
    const int32_t W = DrawTextRun(C.View, C.Bounds(), 10, 5, *F, "|||", kBlack, true, kRed, Dx);
    EXPECT_EQ(W, 90);
    EXPECT_EQ(C.Ink(kRed).Right, 100);
    // Three bars 30 pixels apart.
    TRect A = C.Ink(kBlack, TRect{0, 0, 40, 40}), B = C.Ink(kBlack, TRect{40, 0, 70, 40}),
          D = C.Ink(kBlack, TRect{70, 0, 100, 40});
    ASSERT_FALSE(A.IsEmpty());
    EXPECT_EQ(B.Left - A.Left, 30);
    EXPECT_EQ(D.Left - A.Left, 60);
    // A short array: the rest use their own advances.
    const int32_t Short[] = {50};
    EXPECT_EQ(DrawTextRun(C.View, C.Bounds(), 0, 0, *F, "ab", kBlack, false, kWhite, Short),
              50 + F->CharAdvance(U'b'));
}

TEST(TextRun, UnderlineAndStrikeOutSpanTheRun) {
    TFontRequest S = Request("Times New Roman", -20);
    S.Underline = true;
    S.StrikeOut = true;
    auto F = ResolveFont(S);
    EXPECT_TRUE(F->Metrics().tmUnderlined);
    const std::string T = "wave";
    TCanvas C(200, 50);
    const int32_t X = 10, Y = 10;
    const int32_t W = DrawTextRun(C.View, C.Bounds(), X, Y, *F, T, kBlue, false, kWhite);
    const int32_t Base = Y + F->Metrics().tmAscent;
    auto FullRow = [&](int32_t Row) {
        for (int32_t I = X; I < X + W; ++I)
            if (C.At(I, Row) != PixelFromColorRef(kBlue)) return false;
        return C.At(X - 1, Row) == PixelFromColorRef(kWhite) && C.At(X + W, Row) == PixelFromColorRef(kWhite);
    };
    EXPECT_GT(F->UnderlineOffset(), 0);
    EXPECT_LT(F->StrikeOutOffset(), 0);
    for (int32_t I = 0; I < F->UnderlineThickness(); ++I) EXPECT_TRUE(FullRow(Base + F->UnderlineOffset() + I));
    for (int32_t I = 0; I < F->StrikeOutThickness(); ++I) EXPECT_TRUE(FullRow(Base + F->StrikeOutOffset() + I));
    EXPECT_LE(Base + F->UnderlineOffset() + F->UnderlineThickness(), Y + F->Metrics().tmHeight);
    // Without the decorations these rows are not solid.
    TCanvas P(200, 50);
    DrawTextRun(P.View, P.Bounds(), X, Y, *Font("Times New Roman", -20), T, kBlue, false, kWhite);
    EXPECT_EQ(P.Ink(kBlue, TRect{0, Base + F->UnderlineOffset(), 200, Base + F->UnderlineOffset() + 1}), TRect{});
}

TEST(TextRun, AlignmentOfTheReferencePoint) {
    auto F = Font("Arial", -16);
    const TTextMetric& M = F->Metrics();
    struct TCase {
        uint32_t Align;
        TPoint Expected;
    };
    const int32_t W = 41;
    const TCase Cases[] = {
        {TA_LEFT | TA_TOP, {100, 50}},
        {TA_RIGHT | TA_TOP, {100 - W, 50}},
        {TA_CENTER | TA_TOP, {100 - W / 2, 50}},
        {TA_LEFT | TA_BASELINE, {100, 50 - M.tmAscent}},
        {TA_LEFT | TA_BOTTOM, {100, 50 - M.tmHeight}},
        {TA_CENTER | TA_BASELINE, {100 - W / 2, 50 - M.tmAscent}},
        {TA_RIGHT | TA_BOTTOM | TA_UPDATECP, {100 - W, 50 - M.tmHeight}},
    };
    for (const TCase& C : Cases) EXPECT_EQ(AlignTextOrigin(*F, 100, 50, C.Align, W), C.Expected) << C.Align;

    // Turned by 90 degrees: "down" points to the right, the run goes up.
    TFontRequest S = Request("Arial", -16);
    S.Escapement = 900;
    auto R = ResolveFont(S);
    EXPECT_EQ(AlignTextOrigin(*R, 100, 50, TA_BASELINE, W), (TPoint{100 - M.tmAscent, 50}));
    EXPECT_EQ(AlignTextOrigin(*R, 100, 50, TA_RIGHT, W), (TPoint{100, 50 + W}));
}

TEST(TextRun, EscapementTurnsTheRun) {
    struct TCase {
        int32_t Escapement;
        // Where the ink must lie relative to the reference point (X, Y), given
        // the run width W and the cell height H.
        TRect (*Area)(int32_t X, int32_t Y, int32_t W, int32_t H);
    };
    const TCase Cases[] = {
        {0, [](int32_t X, int32_t Y, int32_t W, int32_t H) { return TRect{X, Y, X + W, Y + H}; }},
        {900, [](int32_t X, int32_t Y, int32_t W, int32_t H) { return TRect{X, Y - W, X + H, Y}; }},
        {2700, [](int32_t X, int32_t Y, int32_t W, int32_t H) { return TRect{X - H, Y, X, Y + W}; }},
        {1800, [](int32_t X, int32_t Y, int32_t W, int32_t H) { return TRect{X - W, Y - H, X, Y}; }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Escapement);
        TFontRequest S = Request("Arial", -16);
        S.Escapement = C.Escapement;
        auto F = ResolveFont(S);
        TCanvas Can(300, 300);
        const int32_t W = DrawTextRun(Can.View, Can.Bounds(), 150, 150, *F, "Turned Text", kBlack, true, kRed);
        const TRect Cell = C.Area(150, 150, W, F->Metrics().tmHeight);
        EXPECT_EQ(Can.Ink(kRed).Left >= Cell.Left - 1 && Can.Ink(kRed).Right <= Cell.Right + 1, true);
        TRect Ink = Can.Ink(kBlack);
        ASSERT_FALSE(Ink.IsEmpty());
        EXPECT_GE(Ink.Left, Cell.Left - 1);
        EXPECT_GE(Ink.Top, Cell.Top - 1);
        EXPECT_LE(Ink.Right, Cell.Right + 1);
        EXPECT_LE(Ink.Bottom, Cell.Bottom + 1);
        EXPECT_GT(Ink.Width() * Ink.Height(), Cell.Width() * Cell.Height() / 4);
    }
    // Any angle: 45 degrees goes up and to the right.
    TFontRequest S = Request("Arial", -16);
    S.Escapement = 450;
    auto F = ResolveFont(S);
    TCanvas Can(300, 300);
    const int32_t W = DrawTextRun(Can.View, Can.Bounds(), 50, 250, *F, "Diagonal", kBlack, false, kWhite);
    TRect Ink = Can.Ink(kBlack);
    EXPECT_GT(Ink.Width(), W / 2);
    EXPECT_GT(Ink.Height(), W / 2);
    EXPECT_LT(Ink.Top, 250 - W / 2);
}

// ---------------------------------------------------------------------------
// DrawText layout
// ---------------------------------------------------------------------------

TEST(DrawTextLayout, CalcRectSingleLine) {
    auto F = Font("Arial", -13);
    const int32_t LH = F->Metrics().tmHeight;
    TCalc C = Calc(*F, "Single line of text", DT_SINGLELINE, 50);
    EXPECT_EQ(C.R, (TRect{5, 7, 5 + Width(*F, "Single line of text"), 7 + LH}));
    EXPECT_EQ(C.Height, LH);
    // Line breaks do not count with DT_SINGLELINE.
    TCalc D = Calc(*F, "two\nlines", DT_SINGLELINE);
    EXPECT_EQ(D.R.Height(), LH);
    EXPECT_EQ(D.R.Width(), Width(*F, "twolines"));
    // External leading is added per line when asked for.
    TCalc E = Calc(*F, "a\nb", DT_EXTERNALLEADING);
    EXPECT_EQ(E.Height, 2 * (LH + F->Metrics().tmExternalLeading));
    // Empty text.
    TCalc Z = Calc(*F, "", DT_SINGLELINE);
    EXPECT_EQ(Z.R.Width(), 0);
    EXPECT_EQ(Z.R.Height(), LH);
    EXPECT_EQ(Calc(*F, "", 0).R.Height(), 0);
}

TEST(DrawTextLayout, LineBreaksAndWordWrap) {
    auto F = Font("Arial", -13);
    const int32_t LH = F->Metrics().tmHeight;
    struct TCase {
        const char* Text;
        uint32_t Format;
        int32_t Limit;  // -1: exactly the width of "xx xx"; -2: one less
        const char* Shown;
    };
    const TCase Cases[] = {
        {"one\ntwo\r\nthree\rfour", 0, 1000, "one\ntwo\nthree\nfour"},
        {"end\n", 0, 1000, "end"},
        {"a\n\nb", 0, 1000, "a\n\nb"},
        {"xx xx xx xx xx", DT_WORDBREAK, -1, "xx xx\nxx xx\nxx"},
        {"xx xx xx xx xx", DT_WORDBREAK, -2, "xx\nxx\nxx\nxx\nxx"},
        {"xx    xx xx", DT_WORDBREAK, -1, "xx\nxx xx"},
        {"xx xx\nxx xx xx", DT_WORDBREAK, -1, "xx xx\nxx xx\nxx"},
        {"  xx xx", DT_WORDBREAK, 1000, "  xx xx"},
        {"xx xx xx", DT_WORDBREAK | DT_SINGLELINE, -2, "xx xx xx"},
    };
    const int32_t Pair = Width(*F, "xx xx");
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        const int32_t Limit = C.Limit == -1 ? Pair : C.Limit == -2 ? Pair - 1 : C.Limit;
        TCalc R = Calc(*F, C.Text, C.Format, Limit);
        EXPECT_EQ(R.Shown, C.Shown);
        EXPECT_EQ(R.R.Height(), Lines(C.Shown) * LH);
        EXPECT_EQ(R.Height, R.R.Height());
        if ((C.Format & DT_WORDBREAK) && !(C.Format & DT_SINGLELINE)) {
            EXPECT_LE(R.R.Width(), Limit);
        }
    }
}

TEST(DrawTextLayout, WordBreakRespectsTheWidth) {
    auto F = Font("Times New Roman", -15);
    const std::string T = "The quick brown fox jumps over the lazy dog and keeps running far away";
    for (int32_t Limit : {60, 90, 150, 240}) {
        SCOPED_TRACE(Limit);
        TCalc R = Calc(*F, T, DT_WORDBREAK, Limit);
        EXPECT_LE(R.R.Width(), Limit);
        EXPECT_GT(R.R.Width(), Limit / 3);
        size_t Start = 0;
        int N = 0;
        while (Start <= R.Shown.size()) {
            size_t E = R.Shown.find('\n', Start);
            if (E == std::string::npos) E = R.Shown.size();
            EXPECT_LE(Width(*F, R.Shown.substr(Start, E - Start)), Limit);
            ++N;
            Start = E + 1;
        }
        EXPECT_EQ(R.R.Height(), N * F->Metrics().tmHeight);
        EXPECT_GE(N, Width(*F, T) / Limit);
    }
    // A word longer than the width stands alone and overhangs...
    TCalc Long = Calc(*F, "a Supercalifragilistic b", DT_WORDBREAK, 40);
    EXPECT_EQ(Long.Shown, "a\nSupercalifragilistic\nb");
    EXPECT_EQ(Long.R.Width(), Width(*F, "Supercalifragilistic"));
    // ...unless the edit-control rules break it.
    TCalc Broken = Calc(*F, "a Supercalifragilistic b", DT_WORDBREAK | DT_EDITCONTROL, 40);
    EXPECT_LE(Broken.R.Width(), 40);
    EXPECT_GT(Lines(Broken.Shown), 3);
    std::string Joined = Broken.Shown;
    Joined.erase(std::remove(Joined.begin(), Joined.end(), '\n'), Joined.end());
    EXPECT_EQ(Joined, "aSupercalifragilisticb");
}

TEST(DrawTextLayout, HorizontalAlignmentByInk) {
    auto F = Font("Arial", -16);
    const std::string T = "Aligned";
    const int32_t W = Width(*F, T);
    const TRect Box{10, 10, 211, 50};
    auto InkLeft = [&](uint32_t Format) {
        TCanvas C(240, 60);
        TRect R = Box;
        DrawTextLayout(C.View, C.Bounds(), *F, T, R, Format | DT_SINGLELINE, kBlack, false, kWhite);
        EXPECT_EQ(R, Box);  // drawing leaves the rectangle alone
        return C.Ink(kBlack).Left;
    };
    const int32_t L = InkLeft(DT_LEFT);
    EXPECT_GE(L, Box.Left);
    EXPECT_LE(L, Box.Left + 3);
    EXPECT_EQ(InkLeft(DT_CENTER) - L, (Box.Width() - W) / 2);
    EXPECT_EQ(InkLeft(DT_RIGHT) - L, Box.Width() - W);
}

TEST(DrawTextLayout, VerticalAlignmentSingleLineOnly) {
    auto F = Font("Arial", -16);
    const int32_t LH = F->Metrics().tmHeight;
    const TRect Box{10, 10, 210, 91};
    struct TCase {
        uint32_t Format;
        int32_t Shift;   // of the ink against DT_TOP
        int32_t Result;  // return value
    };
    const TCase Cases[] = {
        {DT_SINGLELINE | DT_TOP, 0, LH},
        {DT_SINGLELINE | DT_VCENTER, (Box.Height() - LH) / 2, (Box.Height() - LH) / 2 + LH},
        {DT_SINGLELINE | DT_BOTTOM, Box.Height() - LH, Box.Height()},
        {DT_VCENTER, 0, LH},  // ignored without DT_SINGLELINE
        {DT_BOTTOM, 0, LH},
    };
    int32_t Top = -1;
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Format);
        TCanvas Can(240, 120);
        TRect R = Box;
        EXPECT_EQ(DrawTextLayout(Can.View, Can.Bounds(), *F, "Middle", R, C.Format, kBlack, false, kWhite), C.Result);
        const int32_t InkTop = Can.Ink(kBlack).Top;
        if (Top < 0) Top = InkTop;
        EXPECT_EQ(InkTop - Top, C.Shift);
    }
}

TEST(DrawTextLayout, PrefixUnderlinesTheAccelerator) {
    auto F = Font("Arial", -16);
    const TTextMetric& M = F->Metrics();
    auto Draw = [&](const char* T, uint32_t Format, std::string* Shown) {
        auto C = std::make_unique<TCanvas>(200, 40);
        TRect R{10, 5, 190, 35};
        DrawTextLayout(C->View, C->Bounds(), *F, T, R, Format | DT_SINGLELINE, kBlue, false, kWhite, Shown);
        return C;
    };
    const int32_t Row = 5 + M.tmAscent + F->UnderlineOffset();
    const int32_t FW = F->CharAdvance(U'F');
    auto UnderlineAt = [&](const TCanvas& C, int32_t X0, int32_t X1) {
        for (int32_t X = X0; X < X1; ++X)
            if (C.At(X, Row) != PixelFromColorRef(kBlue)) return false;
        return true;
    };
    std::string Shown;
    auto A = Draw("&File", 0, &Shown);
    EXPECT_EQ(Shown, "File");
    EXPECT_TRUE(UnderlineAt(*A, 10, 10 + FW));
    EXPECT_EQ(A->Ink(kBlue, TRect{10 + FW, Row, 200, Row + 1}), TRect{});  // only under the F

    // In the middle of a word, the underline sits under that letter only.
    auto B = Draw("Fi&le", 0, &Shown);
    EXPECT_EQ(Shown, "File");
    const int32_t L0 = 10 + Width(*F, "Fi"), L1 = L0 + F->CharAdvance(U'l');
    EXPECT_TRUE(UnderlineAt(*B, L0, L1));
    EXPECT_EQ(B->Ink(kBlue, TRect{0, Row, L0, Row + 1}), TRect{});
    EXPECT_EQ(B->Ink(kBlue, TRect{L1, Row, 200, Row + 1}), TRect{});

    struct TCase {
        const char* Text;
        uint32_t Format;
        const char* Shown;
    };
    const TCase NoLine[] = {
        {"&&File", 0, "&File"},
        {"&File", DT_NOPREFIX, "&File"},
        {"&File", DT_HIDEPREFIX, "File"},
        {"Save &", 0, "Save &"},
    };
    for (const TCase& C : NoLine) {
        SCOPED_TRACE(C.Text);
        auto Can = Draw(C.Text, C.Format, &Shown);
        EXPECT_EQ(Shown, C.Shown);
        EXPECT_EQ(Can->Ink(kBlue, TRect{0, Row, 200, Row + 1}), TRect{});
        EXPECT_GT(Can->Count(kBlue), 20);
    }
    // Only the underline.
    auto P = Draw("&File", DT_PREFIXONLY, &Shown);
    EXPECT_TRUE(UnderlineAt(*P, 10, 10 + FW));
    EXPECT_EQ(P->Ink(kBlue), (TRect{10, Row, 10 + FW, Row + F->UnderlineThickness()}));
    // The prefix is measured as the shown text.
    EXPECT_EQ(Calc(*F, "&File", DT_SINGLELINE).R.Width(), Width(*F, "File"));
    EXPECT_EQ(Calc(*F, "&&File", DT_SINGLELINE).R.Width(), Width(*F, "&File"));
}

TEST(DrawTextLayout, Ellipses) {
    auto F = Font("Arial", -13);
    const std::string T = "This is a rather long caption for a label";
    const int32_t Limit = Width(*F, "This is a rather");
    TCalc End = Calc(*F, T, DT_SINGLELINE | DT_END_ELLIPSIS, Limit);
    EXPECT_LE(End.R.Width(), Limit);
    ASSERT_GE(End.Shown.size(), 4u);
    EXPECT_EQ(End.Shown.substr(End.Shown.size() - 3), "...");
    const std::string Kept = End.Shown.substr(0, End.Shown.size() - 3);
    EXPECT_EQ(T.compare(0, Kept.size(), Kept), 0);
    EXPECT_GT(Kept.size(), 8u);
    // Nothing to do when the text fits.
    EXPECT_EQ(Calc(*F, "Short", DT_SINGLELINE | DT_END_ELLIPSIS, Limit).Shown, "Short");

    TCalc Word = Calc(*F, T, DT_SINGLELINE | DT_WORD_ELLIPSIS, Limit);
    EXPECT_LE(Word.R.Width(), Limit);
    ASSERT_GE(Word.Shown.size(), 4u);
    const std::string WordKept = Word.Shown.substr(0, Word.Shown.size() - 3);
    EXPECT_EQ(T.compare(0, WordKept.size(), WordKept), 0);
    EXPECT_EQ(T[WordKept.size()], ' ');  // cut at a word's end

    const std::string Path = "C:\\Program Files\\Corvane\\Demo\\gallery.exe";
    const int32_t PathLimit = Width(*F, "C:\\Program\\gallery.exe");
    TCalc P = Calc(*F, Path, DT_SINGLELINE | DT_PATH_ELLIPSIS, PathLimit);
    EXPECT_LE(P.R.Width(), PathLimit);
    EXPECT_EQ(P.Shown.substr(P.Shown.size() - 12), "\\gallery.exe");
    EXPECT_NE(P.Shown.find("..."), std::string::npos);
    EXPECT_EQ(P.Shown.compare(0, 3, "C:\\"), 0);

    // Drawn: the ink stays inside the rectangle.
    TCanvas C(300, 40);
    TRect R{10, 5, 10 + Limit, 30};
    DrawTextLayout(C.View, C.Bounds(), *F, T, R, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP, kBlack, false, kWhite);
    EXPECT_LE(C.Ink(kBlack).Right, 10 + Limit);
}

TEST(DrawTextLayout, TabExpansion) {
    auto F = Font("Arial", -13);
    const int32_t Tab = 8 * F->Metrics().tmAveCharWidth;
    const int32_t X = F->CharAdvance(U'X');
    struct TCase {
        const char* Text;
        uint32_t Format;
        int32_t Width;
    };
    const TCase Cases[] = {
        {"a\tX", DT_EXPANDTABS, Tab + X},
        {"\tX", DT_EXPANDTABS, Tab + X},
        {"a\t\tX", DT_EXPANDTABS, 2 * Tab + X},
        {"a\tX", 0, F->CharAdvance(U'a') + X},  // not expanded: no width
        {"a\tX\nb\tX", DT_EXPANDTABS, Tab + X},  // stops restart on each line
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(Calc(*F, C.Text, C.Format).R.Width(), C.Width);
    }
    // Drawn: X starts at the tab stop.
    TCanvas A(300, 30), B(300, 30);
    TRect R1{10, 5, 290, 25}, R2{10, 5, 290, 25};
    DrawTextLayout(A.View, A.Bounds(), *F, "\tX", R1, DT_EXPANDTABS | DT_SINGLELINE, kBlack, false, kWhite);
    DrawTextLayout(B.View, B.Bounds(), *F, "X", R2, DT_SINGLELINE, kBlack, false, kWhite);
    EXPECT_EQ(A.Ink(kBlack).Left - B.Ink(kBlack).Left, Tab);
    // DT_TABSTOP takes the tab length from bits 8..15 (which then are no flags).
    TCanvas D(300, 30);
    TRect R3{10, 5, 290, 25};
    DrawTextLayout(D.View, D.Bounds(), *F, "\tX", R3, DT_EXPANDTABS | DT_TABSTOP | DT_SINGLELINE | (4u << 8), kBlack,
                   false, kWhite);
    EXPECT_EQ(D.Ink(kBlack).Left - B.Ink(kBlack).Left, 4 * F->Metrics().tmAveCharWidth);
}

TEST(DrawTextLayout, OpaqueLinesAndClipping) {
    auto F = Font("Arial", -13);
    const int32_t LH = F->Metrics().tmHeight;
    TCanvas C(300, 100);
    TRect R{20, 10, 120, 90};
    const std::string T = "First line\nSecond line is much longer than the box";
    EXPECT_EQ(DrawTextLayout(C.View, C.Bounds(), *F, T, R, DT_LEFT, kBlack, true, kRed), 2 * LH);
    // Each line's cell is filled, cut at the rectangle; nothing outside it.
    EXPECT_EQ(C.Ink(kRed, TRect{0, 10, 300, 10 + LH}), (TRect{20, 10, 20 + Width(*F, "First line"), 10 + LH}));
    EXPECT_EQ(C.Ink(kRed, TRect{0, 10 + LH, 300, 10 + 2 * LH}).Right, 120);
    EXPECT_EQ(C.Ink(kRed, TRect{0, 10 + 2 * LH, 300, 100}), TRect{});
    for (int32_t Y = 0; Y < 100; ++Y)
        for (int32_t X = 0; X < 300; ++X)
            if (!R.Contains(Point(X, Y))) {
                ASSERT_EQ(C.At(X, Y), PixelFromColorRef(kWhite));
            }
    // DT_NOCLIP lets the long line run on.
    TCanvas D(400, 100);
    TRect R2{20, 10, 120, 90};
    DrawTextLayout(D.View, D.Bounds(), *F, T, R2, DT_NOCLIP, kBlack, false, kWhite);
    EXPECT_GT(D.Ink(kBlack).Right, 150);
    // DT_EDITCONTROL leaves out a last line that would be cut.
    TCanvas E(300, 100);
    TRect R3{20, 10, 200, 10 + LH + LH / 2};
    DrawTextLayout(E.View, E.Bounds(), *F, "one\ntwo", R3, DT_EDITCONTROL, kBlack, false, kWhite);
    EXPECT_EQ(E.Ink(kBlack, TRect{0, 10 + LH, 300, 100}), TRect{});
    TCanvas G(300, 100);
    TRect R4 = R3;
    DrawTextLayout(G.View, G.Bounds(), *F, "one\ntwo", R4, 0, kBlack, false, kWhite);
    EXPECT_NE(G.Ink(kBlack, TRect{0, 10 + LH, 300, 100}), TRect{});
}

// ---------------------------------------------------------------------------
// Wingdings
// ---------------------------------------------------------------------------

TEST(Wingdings, ArrowsMapOntoUnicodeArrows) {
    auto W = Font("Wingdings", -20);
    auto Plain = Font("Tahoma", -20);
    for (char32_t Code = 0xD7; Code <= 0xF8; ++Code) {
        SCOPED_TRACE(int(Code));
        const char32_t M = W->MapChar(Code);
        EXPECT_NE(M, Code);
        EXPECT_GE(M, 0x2190u);
        EXPECT_EQ(W->MapChar(0xF000 + Code), M);  // private-use form
        const TGlyph& G = W->Glyph(Code);
        EXPECT_GT(G.Width, 2);
        EXPECT_GT(G.Height, 2);
        EXPECT_GT(G.Advance, 0);
    }
    // The plain arrows of the table, where the font lacks the preferred ones.
    EXPECT_TRUE(W->MapChar(0xE0) == 0x2192 || W->MapChar(0xE0) == 0x1F86A);
    EXPECT_TRUE(W->MapChar(0xDF) == 0x2190 || W->MapChar(0xDF) == 0x1F868);
    EXPECT_EQ(W->MapChar(0xF0), 0x21E8u);
    EXPECT_EQ(W->MapChar(0xFC), 0x2713u);
    EXPECT_EQ(W->MapChar(U'A'), U'A');  // outside the table
    EXPECT_EQ(Plain->MapChar(0xE0), 0xE0u);
    // Left and right arrows differ, and a Wingdings arrow is drawn like the
    // Unicode arrow it stands for.
    TCanvas L(60, 40), R(60, 40), U(60, 40);
    DrawTextRun(L.View, L.Bounds(), 5, 5, *W, "\xC3\x9F", kBlack, false, kWhite);   // U+00DF
    DrawTextRun(R.View, R.Bounds(), 5, 5, *W, "\xC3\xA0", kBlack, false, kWhite);   // U+00E0
    std::string Uni;
    const char32_t Right = W->MapChar(0xE0);
    Uni = Right == 0x2192 ? "\xE2\x86\x92" : "\xF0\x9F\xA1\xAA";
    DrawTextRun(U.View, U.Bounds(), 5, 5, *W, Uni, kBlack, false, kWhite);
    EXPECT_NE(L.Pixels, R.Pixels);
    EXPECT_EQ(R.Pixels, U.Pixels);
    EXPECT_GT(R.Count(kBlack), 10);
}

// ---------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------

TEST(FontThreads, ConcurrentResolutionMeasuringAndDrawing) {
    // The threads resolve and fill the glyph cache of faces nobody used yet;
    // the results are compared with one thread's afterwards.
    const std::string T = "Concurrent \xC3\xA9\xE2\x82\xAC text 0123456789 \xE2\x86\x90 \xE2\x87\xA6";
    constexpr int N = 4, Rounds = 12;
    std::vector<std::vector<uint32_t>> Pictures(N);
    std::vector<std::vector<int32_t>> Widths(N);
    std::vector<std::thread> Threads;
    for (int I = 0; I < N; ++I)
        Threads.emplace_back([&, I] {
            for (int K = 0; K < Rounds; ++K) {
                auto F = ResolveFont(Request(K % 2 ? "Verdana" : "tahoma", -23 - (K % 3)));
                Widths[I].push_back(Width(*F, T));
            }
            auto G = ResolveFont(Request("Verdana", -23));
            TCanvas C(400, 40);
            DrawTextRun(C.View, C.Bounds(), 2, 2, *G, T, kBlack, false, kWhite);
            Pictures[I] = C.Pixels;
        });
    for (auto& Th : Threads) Th.join();
    auto G = ResolveFont(Request("Verdana", -23));
    TCanvas Want(400, 40);
    DrawTextRun(Want.View, Want.Bounds(), 2, 2, *G, T, kBlack, false, kWhite);
    EXPECT_GT(Want.Count(kBlack), 100);
    for (int I = 0; I < N; ++I) {
        EXPECT_EQ(Pictures[I], Want.Pixels);
        ASSERT_EQ(Widths[I].size(), size_t(Rounds));
        for (int K = 0; K < Rounds; ++K)
            EXPECT_EQ(Widths[I][K], Width(*ResolveFont(Request("Verdana", -23 - (K % 3))), T));
    }
}

// ---------------------------------------------------------------------------
// A sample sheet: every alias, styles, sizes and DrawText alignments. Written
// as a PPM to the test folder so a person can look at it.
// ---------------------------------------------------------------------------

TEST(FontSampleSheet, RendersEveryAliasAndLayout) {
    TCanvas C(760, 700, RGB(240, 240, 240));
    int32_t Y = 6;
    const char* Faces[] = {"MS Sans Serif", "Arial", "Times New Roman", "Courier New", "Small Fonts",
                           "System", "Tahoma", "Verdana", "MS Serif", "Unknown Face"};
    for (const char* Face : Faces) {
        auto F = Font(Face, Face == std::string("Small Fonts") ? -9 : -13);
        const std::string Line = std::string(Face) + " -> " + F->FamilyName() +
                                 ": The quick brown fox 0123 \xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC";
        const int Before = C.Count(kBlack);
        DrawTextRun(C.View, C.Bounds(), 8, Y, *F, Line, kBlack, false, kWhite);
        EXPECT_GT(C.Count(kBlack), Before + 40) << Face;
        Y += F->Metrics().tmHeight + 2;
    }
    struct TStyle {
        const char* Label;
        int32_t Weight;
        bool Italic, Underline, StrikeOut;
        int Quality;
    };
    const TStyle Styles[] = {{"Bold", 700, false, false, false, 0},     {"Italic", 400, true, false, false, 0},
                             {"Bold Italic", 700, true, false, false, 0}, {"Underline", 400, false, true, false, 0},
                             {"StrikeOut", 400, false, false, true, 0},  {"Antialiased", 400, false, false, false, 4}};
    int32_t X = 8;
    for (const TStyle& S : Styles) {
        TFontRequest Sp = Request("Arial", -15, S.Weight, S.Italic);
        Sp.Underline = S.Underline;
        Sp.StrikeOut = S.StrikeOut;
        Sp.Quality = S.Quality;
        auto F = ResolveFont(Sp);
        X += DrawTextRun(C.View, C.Bounds(), X, Y, *F, S.Label, kBlue, true, RGB(255, 255, 200)) + 10;
    }
    Y += 24;
    X = 8;
    for (int32_t H : {-8, -10, -12, -16, -20, -28, -40}) {
        auto F = Font("Times New Roman", H);
        X += DrawTextRun(C.View, C.Bounds(), X, Y, *F, "Ag" + std::to_string(-H), kBlack, false, kWhite) + 8;
    }
    Y += 50;
    auto Wing = Font("Wingdings", -24);
    std::string Arrows;
    for (char32_t Code = 0xD5; Code <= 0xFE; ++Code) {
        Arrows += char(0xC3);
        Arrows += char(0x80 + (Code - 0xC0));
    }
    DrawTextRun(C.View, C.Bounds(), 8, Y, *Wing, Arrows, RGB(128, 0, 0), false, kWhite);
    Y += 34;
    // DrawText boxes: three horizontal by three vertical alignments.
    auto F = Font("MS Sans Serif", -11);
    const uint32_t H[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    const uint32_t V[] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
    for (int I = 0; I < 3; ++I)
        for (int J = 0; J < 3; ++J) {
            TRect R = Bounds(8 + I * 130, Y + J * 44, 120, 40);
            for (int32_t K = R.Left; K < R.Right; ++K) C.Pixels[size_t(R.Top) * 760 + K] = PixelFromColorRef(kRed);
            for (int32_t K = R.Left; K < R.Right; ++K)
                C.Pixels[size_t(R.Bottom - 1) * 760 + K] = PixelFromColorRef(kRed);
            DrawTextLayout(C.View, C.Bounds(), *F, "&Align me", R, H[I] | V[J] | DT_SINGLELINE, kBlack, false, kWhite);
        }
    TRect Wrap = Bounds(410, Y, 160, 130);
    DrawTextLayout(C.View, C.Bounds(), *F,
                   "Word wrapped text in a box of 160 pixels, with a tab\there and a very long "
                   "Donaudampfschifffahrtsgesellschaft word.",
                   Wrap, DT_WORDBREAK | DT_EXPANDTABS, kBlack, true, RGB(200, 230, 255));
    TRect Ell = Bounds(580, Y, 170, 20);
    DrawTextLayout(C.View, C.Bounds(), *F, "An end ellipsis cuts this rather long text short", Ell,
                   DT_SINGLELINE | DT_END_ELLIPSIS, kBlack, true, RGB(220, 255, 220));
    TRect PathR = Bounds(580, Y + 24, 170, 20);
    DrawTextLayout(C.View, C.Bounds(), *F, "C:\\Program Files\\Corvane\\Demo\\gallery.exe", PathR,
                   DT_SINGLELINE | DT_PATH_ELLIPSIS, kBlack, true, RGB(220, 255, 220));
    Y += 140;
    const int32_t Escapements[] = {0, 450, 900, 1800, 2700};
    for (int I = 0; I < 5; ++I) {
        TFontRequest S = Request("Arial", -14);
        S.Escapement = Escapements[I];
        auto RF = ResolveFont(S);
        const int32_t PX = 60 + I * 140, PY = Y + 80;
        DrawTextRun(C.View, C.Bounds(), PX, PY, *RF, "Esc " + std::to_string(Escapements[I]), kBlack, true,
                    RGB(255, 220, 220));
        C.Pixels[size_t(PY) * 760 + PX] = PixelFromColorRef(kRed);  // the reference point
    }
    EXPECT_GT(C.Count(kBlack), 3000);
#ifdef CORVANE_TEST_TMP
    const std::string Path = std::string(CORVANE_TEST_TMP) + "/font_sample_sheet.ppm";
    if (FILE* Out = std::fopen(Path.c_str(), "wb")) {
        std::fprintf(Out, "P6\n%d %d\n255\n", C.View.Width, C.View.Height);
        for (uint32_t P : C.Pixels) {
            const unsigned char Rgb[3] = {uint8_t(P >> 16), uint8_t(P >> 8), uint8_t(P)};
            std::fwrite(Rgb, 1, 3, Out);
        }
        std::fclose(Out);
    }
#endif
}

}  // namespace
