// Tests of the image codecs (ImageCodecs.h): BMP, ICO/CUR and PNG.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "ImageCodecs.h"

using namespace vcl;

namespace {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------
// Little helpers for building files by hand

void Put8(Bytes& B, uint32_t V) { B.push_back(uint8_t(V)); }
void Put16(Bytes& B, uint32_t V) {
    Put8(B, V);
    Put8(B, V >> 8);
}
void Put32(Bytes& B, uint32_t V) {
    Put16(B, V & 0xFFFF);
    Put16(B, V >> 16);
}
void Poke32(Bytes& B, size_t At, uint32_t V) {
    for (int i = 0; i < 4; ++i) B[At + i] = uint8_t(V >> (8 * i));
}
uint32_t Peek32(const Bytes& B, size_t At) {
    return uint32_t(B[At]) | (uint32_t(B[At + 1]) << 8) | (uint32_t(B[At + 2]) << 16) | (uint32_t(B[At + 3]) << 24);
}
uint16_t Peek16(const Bytes& B, size_t At) { return uint16_t(B[At] | (B[At + 1] << 8)); }

// The fields of a DIB written by hand.
struct DibLayout {
    uint32_t HeaderSize = 40;
    int32_t Width = 1;
    int32_t Height = 1;
    uint16_t Planes = 1;
    uint16_t BitCount = 24;
    uint32_t Compression = 0;
    uint32_t SizeImage = 0;
    uint32_t ClrUsed = 0;
    std::vector<uint32_t> Masks;    // after a 40-byte header, or inside a bigger one
    std::vector<uint32_t> Palette;  // 0x00RRGGBB; 3-byte entries with a 12-byte header
    Bytes Bits;
};

Bytes MakeDib(const DibLayout& S) {
    Bytes B;
    Put32(B, S.HeaderSize);
    if (S.HeaderSize == 12) {
        Put16(B, uint32_t(S.Width));
        Put16(B, uint32_t(S.Height));
        Put16(B, S.Planes);
        Put16(B, S.BitCount);
    } else {
        Put32(B, uint32_t(S.Width));
        Put32(B, uint32_t(S.Height));
        Put16(B, S.Planes);
        Put16(B, S.BitCount);
        Put32(B, S.Compression);
        Put32(B, S.SizeImage);
        Put32(B, 2835);
        Put32(B, 2835);
        Put32(B, S.ClrUsed);
        Put32(B, 0);
        if (S.HeaderSize > 40) {
            for (size_t i = 0; i < 4; ++i) Put32(B, i < S.Masks.size() ? S.Masks[i] : 0);
            B.resize(S.HeaderSize, 0);
        } else {
            for (uint32_t M : S.Masks) Put32(B, M);
        }
    }
    for (uint32_t C : S.Palette) {
        Put8(B, C);
        Put8(B, C >> 8);
        Put8(B, C >> 16);
        if (S.HeaderSize != 12) Put8(B, 0);
    }
    B.insert(B.end(), S.Bits.begin(), S.Bits.end());
    return B;
}

// A BMP file; OffBits < 0 points the bits right after the colour table.
Bytes MakeBmp(const DibLayout& S, int64_t OffBits = -1) {
    const Bytes Dib = MakeDib(S);
    Bytes B = {'B', 'M'};
    Put32(B, uint32_t(14 + Dib.size()));
    Put32(B, 0);
    Put32(B, uint32_t(OffBits >= 0 ? OffBits : int64_t(14 + Dib.size() - S.Bits.size())));
    B.insert(B.end(), Dib.begin(), Dib.end());
    return B;
}

TDibImage Bmp(const Bytes& B) { return ReadBmp(B.data(), B.size()); }

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;

// A distinct colour for every index.
uint32_t Colour(uint32_t I) { return 0xFF000000u | ((I * 0x9E3779B1u) >> 8); }

// An image with long runs, short runs, lone pixels and some solid rows, in at
// most Colours colours (0: every pixel its own colour), alpha varying on demand.
TDibImage Pattern(int32_t W, int32_t H, uint32_t Colours, bool Alpha) {
    TDibImage Img;
    Img.Width = W;
    Img.Height = H;
    Img.Pixels.resize(size_t(W) * H);
    for (int32_t Y = 0; Y < H; ++Y) {
        for (int32_t X = 0; X < W; ++X) {
            uint32_t I;
            if (Y % 4 == 3) I = uint32_t(Y);                       // a solid row
            else if ((X / 7 + Y) % 3 == 0) I = uint32_t(X * X + 3 * Y);  // noise
            else I = uint32_t(Y + X / 5);                          // runs of five
            uint32_t P = Colours ? Colour(I % Colours) : (0xFF000000u | ((uint32_t(X) * 7919u + uint32_t(Y) * 104729u) & 0xFFFFFF));
            if (Alpha) P = (P & 0xFFFFFF) | (uint32_t((X * 37 + Y * 11) & 0xFF) << 24);
            Img.Pixels[size_t(Y) * W + X] = P;
        }
    }
    Img.HasAlpha = Alpha;
    return Img;
}

// Runs F and expects EInvalidGraphic whose message starts with Prefix and
// contains Fragment.
template <class F>
void ExpectInvalid(F&& Fn, const std::string& Prefix, const std::string& Fragment) {
    try {
        Fn();
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& E) {
        EXPECT_EQ(E.Message().rfind(Prefix, 0), 0u) << E.Message();
        EXPECT_NE(E.Message().find(Fragment), std::string::npos) << E.Message();
    }
}

// Lowers the pixel limit for one test.
class PixelLimit {
public:
    explicit PixelLimit(uint64_t L) : FOld(MaxImagePixels()) { SetMaxImagePixels(L); }
    ~PixelLimit() { SetMaxImagePixels(FOld); }

private:
    uint64_t FOld;
};

// ---------------------------------------------------------------------------
// BMP: writing and reading back

struct RoundTripCase {
    const char* Name;
    int BitCount;
    bool Rle;
    uint32_t Colours;
    bool Alpha;
    int32_t W, H;
};

class CodecBmpRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(CodecBmpRoundTrip, ReadsBackWhatWasWritten) {
    const RoundTripCase& C = GetParam();
    const TDibImage Img = Pattern(C.W, C.H, C.Colours, C.Alpha);
    const Bytes File = WriteBmp(Img, C.BitCount, C.Rle);
    ASSERT_GE(File.size(), 54u);
    EXPECT_EQ(File[0], 'B');
    EXPECT_EQ(Peek32(File, 2), File.size());
    EXPECT_EQ(Peek16(File, 28), C.BitCount);
    EXPECT_EQ(Peek32(File, 30), C.Rle ? (C.BitCount == 8 ? 1u : 2u) : 0u);

    const TDibImage Back = Bmp(File);
    EXPECT_EQ(Back.Width, C.W);
    EXPECT_EQ(Back.Height, C.H);
    EXPECT_EQ(Back.BitCount, C.BitCount);
    EXPECT_EQ(Back.HasAlpha, C.Alpha);
    std::vector<uint32_t> Expected = Img.Pixels;
    if (!C.Alpha)
        for (uint32_t& P : Expected) P |= 0xFF000000u;
    EXPECT_EQ(Back.Pixels, Expected);
    if (C.BitCount <= 8) {
        std::set<uint32_t> Used;
        for (uint32_t P : Img.Pixels) Used.insert(P & 0xFFFFFF);
        // Built from the colours, in ascending order.
        EXPECT_EQ(Back.Palette, std::vector<uint32_t>(Used.begin(), Used.end()));
    } else {
        EXPECT_TRUE(Back.Palette.empty());
    }

    // The bare DIB carries the same image.
    const Bytes Dib = WriteDib(Img, C.BitCount, C.Rle);
    EXPECT_TRUE(std::equal(Dib.begin(), Dib.end(), File.begin() + 14, File.end()));
    EXPECT_EQ(ReadDib(Dib.data(), Dib.size()).Pixels, Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CodecBmpRoundTrip,
    ::testing::Values(RoundTripCase{"Mono", 1, false, 2, false, 37, 13},
                      RoundTripCase{"Bits4", 4, false, 16, false, 37, 13},
                      RoundTripCase{"Rle4", 4, true, 16, false, 37, 13},
                      RoundTripCase{"Rle4FewColours", 4, true, 3, false, 301, 9},
                      RoundTripCase{"Bits8", 8, false, 256, false, 37, 13},
                      RoundTripCase{"Rle8", 8, true, 200, false, 37, 13},
                      RoundTripCase{"Rle8WideRows", 8, true, 5, false, 600, 8},
                      RoundTripCase{"Bits24", 24, false, 0, false, 37, 13},
                      RoundTripCase{"Bits32", 32, false, 0, false, 37, 13},
                      RoundTripCase{"Bits32Alpha", 32, false, 0, true, 37, 13},
                      RoundTripCase{"OnePixel", 8, true, 1, false, 1, 1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(CodecBmp, RleShrinksLongRuns) {
    TDibImage Img;
    Img.Width = 1000;
    Img.Height = 4;
    Img.Pixels.assign(4000, kRed);
    for (int Bc : {4, 8}) {
        const Bytes File = WriteBmp(Img, Bc, true);
        EXPECT_LT(File.size(), 14u + 40u + 64u + 4u * 12u) << Bc;
        EXPECT_EQ(Bmp(File).Pixels, Img.Pixels) << Bc;
    }
}

TEST(CodecBmp, KeepsTheImagePaletteWhenItFits) {
    TDibImage Img;
    Img.Width = 3;
    Img.Height = 1;
    Img.Palette = {0x0000FF, 0xFF0000, 0x00FF00, 0x123456};
    Img.Pixels = {kRed, kGreen, kBlue};
    const TDibImage Back = Bmp(WriteBmp(Img, 8));
    EXPECT_EQ(Back.Palette, Img.Palette);
    EXPECT_EQ(Back.Pixels, Img.Pixels);

    // A colour missing from the palette: the table is built from the colours.
    Img.Pixels[2] = kWhite;
    const TDibImage Built = Bmp(WriteBmp(Img, 8));
    EXPECT_EQ(Built.Palette, (std::vector<uint32_t>{0x00FF00, 0xFF0000, 0xFFFFFF}));
    EXPECT_EQ(Built.Pixels, Img.Pixels);

    // A palette bigger than the bit count allows: built from the colours too.
    Img.Palette.resize(20, 0x777777);
    EXPECT_EQ(Bmp(WriteBmp(Img, 4)).Pixels, Img.Pixels);
}

TEST(CodecBmp, WriterRefusesWhatItCannotWrite) {
    TDibImage Img = Pattern(8, 8, 3, false);
    const struct {
        const char* Name;
        std::function<void()> Fn;
    } Cases[] = {
        {"too many colours for 1 bit", [&] { WriteBmp(Img, 1); }},
        {"bit count 16", [&] { WriteBmp(Img, 16); }},
        {"bit count 2", [&] { WriteBmp(Img, 2); }},
        {"RLE with 24 bits", [&] { WriteBmp(Img, 24, true); }},
        {"RLE with 1 bit", [&] { WriteDib(Img, 1, true); }},
        {"pixel count", [&] {
             TDibImage Bad = Img;
             Bad.Pixels.pop_back();
             WriteBmp(Bad, 24);
         }},
        {"empty", [&] { WriteBmp(TDibImage{}, 24); }},
        {"negative height", [&] {
             TDibImage Bad = Img;
             Bad.Height = -8;
             WriteBmp(Bad, 24);
         }},
    };
    for (const auto& C : Cases) EXPECT_THROW(C.Fn(), EInvalidGraphicOperation) << C.Name;
}

// ---------------------------------------------------------------------------
// BMP: reading the variants

TEST(CodecBmp, ReadsBottomUpAndTopDownRows) {
    // 3 x 2 pixels, 24 bits, rows padded to 12 bytes; file row 0 is red/green/blue.
    DibLayout S;
    S.Width = 3;
    S.Height = 2;
    S.Bits = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,            // red green blue
              255, 255, 255, 0, 0, 0, 0x56, 0x34, 0x12, 0, 0, 0};  // white black #123456
    const TDibImage Up = Bmp(MakeBmp(S));
    EXPECT_EQ(Up.Pixels, (std::vector<uint32_t>{kWhite, kBlack, 0xFF123456u, kRed, kGreen, kBlue}));
    S.Height = -2;
    const TDibImage Down = Bmp(MakeBmp(S));
    EXPECT_EQ(Down.Height, 2);
    EXPECT_EQ(Down.Pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite, kBlack, 0xFF123456u}));
}

TEST(CodecBmp, ReadsCoreHeaders) {
    DibLayout S;
    S.HeaderSize = 12;
    S.Width = 10;
    S.Height = 2;
    S.BitCount = 1;
    S.Palette = {0x000000, 0xFFFFFF};
    S.Bits = {0b10100000, 0b01000000, 0, 0, 0xFF, 0xC0, 0, 0};  // bottom row, then top row
    const TDibImage Img = Bmp(MakeBmp(S));
    ASSERT_EQ(Img.Pixels.size(), 20u);
    EXPECT_EQ(Img.Palette, S.Palette);
    for (int X = 0; X < 10; ++X) EXPECT_EQ(Img.Pixels[X], kWhite) << X;
    const uint32_t Bottom[10] = {kWhite, kBlack, kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kWhite};
    for (int X = 0; X < 10; ++X) EXPECT_EQ(Img.Pixels[10 + X], Bottom[X]) << X;

    DibLayout T;
    T.HeaderSize = 12;
    T.Width = 1;
    T.Height = 1;
    T.BitCount = 24;
    T.Bits = {0x33, 0x22, 0x11, 0};
    EXPECT_EQ(Bmp(MakeBmp(T)).Pixels, std::vector<uint32_t>{0xFF112233u});
}

TEST(CodecBmp, ReadsBareDibsWithShortColourTables) {
    DibLayout S;
    S.Width = 4;
    S.Height = 1;
    S.BitCount = 8;
    S.ClrUsed = 3;
    S.Palette = {0xFF0000, 0x00FF00, 0x0000FF};
    S.Bits = {2, 1, 0, 7};  // index 7 lies beyond the table: black
    const Bytes Dib = MakeDib(S);
    const TDibImage Img = ReadDib(Dib.data(), Dib.size());
    EXPECT_EQ(Img.Palette, S.Palette);
    EXPECT_EQ(Img.Pixels, (std::vector<uint32_t>{kBlue, kGreen, kRed, kBlack}));
}

TEST(CodecBmp, ColourTableCutShortByThePixelOffset) {
    // 256 colours declared (ClrUsed 0), four stored, the bits right after them.
    DibLayout S;
    S.Width = 4;
    S.Height = 1;
    S.BitCount = 8;
    S.Palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    S.Bits = {3, 2, 1, 200};
    const Bytes File = MakeBmp(S);
    const TDibImage Img = Bmp(File);
    EXPECT_EQ(Img.Palette.size(), 4u);
    EXPECT_EQ(Img.Pixels, (std::vector<uint32_t>{kBlue, kGreen, kRed, kBlack}));
}

struct FieldCase {
    const char* Name;
    uint32_t HeaderSize;
    uint32_t Compression;
    uint16_t BitCount;
    std::vector<uint32_t> Masks;
    std::vector<uint32_t> Raw;  // one row of pixel values
    std::vector<uint32_t> Expected;
    bool HasAlpha;
};

class CodecBmpFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(CodecBmpFields, DecodesMasks) {
    const FieldCase& C = GetParam();
    DibLayout S;
    S.HeaderSize = C.HeaderSize;
    S.Width = int32_t(C.Raw.size());
    S.Height = 1;
    S.BitCount = C.BitCount;
    S.Compression = C.Compression;
    S.Masks = C.Masks;
    for (uint32_t V : C.Raw) {
        if (C.BitCount == 16) Put16(S.Bits, V);
        else Put32(S.Bits, V);
    }
    S.Bits.resize((S.Bits.size() + 3) / 4 * 4, 0);
    const TDibImage Img = Bmp(MakeBmp(S));
    EXPECT_EQ(Img.BitCount, C.BitCount);
    EXPECT_EQ(Img.Pixels, C.Expected);
    EXPECT_EQ(Img.HasAlpha, C.HasAlpha);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, CodecBmpFields,
    ::testing::Values(
        FieldCase{"Rgb555", 40, 0, 16, {}, {0x7C00, 0x03E0, 0x001F, 0x4210, 0x7FFF},
                  {kRed, kGreen, kBlue, 0xFF848484u, kWhite}, false},
        FieldCase{"Fields565", 40, 3, 16, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0x0841, 0x8410},
                  {kRed, kGreen, kBlue, 0xFF080808u, 0xFF848284u}, false},
        FieldCase{"V5Argb1555", 124, 3, 16, {0x7C00, 0x03E0, 0x001F, 0x8000}, {0xFC00, 0x001F, 0x83E0},
                  {kRed, 0x000000FFu, kGreen}, true},
        FieldCase{"V4Fields565", 108, 3, 16, {0xF800, 0x07E0, 0x001F, 0}, {0xFFFF}, {kWhite}, false},
        FieldCase{"AlphaFields32Abgr", 40, 6, 32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                  {0x80332211u, 0xFF000000u}, {0x80112233u, 0xFF000000u}, true},
        FieldCase{"Fields32NoAlpha", 40, 3, 32, {0x00FF0000, 0x0000FF00, 0x000000FF}, {0x00123456u, 0xAB654321u},
                  {0xFF123456u, 0xFF654321u}, false},
        FieldCase{"Rgb32ReservedZero", 40, 0, 32, {}, {0x00123456u, 0x00FFFFFFu}, {0xFF123456u, kWhite}, false},
        FieldCase{"Rgb32AllOpaque", 40, 0, 32, {}, {0xFF123456u, 0xFF000000u}, {0xFF123456u, kBlack}, false},
        FieldCase{"Rgb32Alpha", 40, 0, 32, {}, {0x00123456u, 0x80FFFFFFu}, {0x00123456u, 0x80FFFFFFu}, true}),
    [](const auto& Info) { return std::string(Info.param.Name); });

std::vector<uint32_t> Palette16() {
    std::vector<uint32_t> P;
    for (uint32_t i = 0; i < 16; ++i) P.push_back(Colour(i) & 0xFFFFFF);
    return P;
}

TEST(CodecBmp, Rle8Escapes) {
    // 6 x 4, palette white, red, green, blue. File rows go bottom up.
    DibLayout S;
    S.Width = 6;
    S.Height = 4;
    S.BitCount = 8;
    S.Compression = 1;
    S.ClrUsed = 4;
    S.Palette = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
    S.Bits = {3, 1,                   // row 0: three red
              0, 2, 2, 1,             // delta: to x 5 of row 1
              1, 2,                   // one green
              0, 0,                   // end of line: row 2
              0, 3, 3, 2, 1, 0,       // absolute run of three, padded
              0, 0,                   // row 3
              0, 5, 1, 2, 3, 1, 2, 0, // absolute run of five, padded
              0, 1};                  // end of bitmap
    const uint32_t K = kBlack;
    const std::vector<uint32_t> Expected = {
        kRed, kGreen, kBlue, kRed, kGreen, K,  // row 3 (top)
        kBlue, kGreen, kRed, K, K, K,          // row 2
        K, K, K, K, K, kGreen,                 // row 1: skipped pixels are black
        kRed, kRed, kRed, K, K, K};            // row 0 (bottom)
    const TDibImage Img = Bmp(MakeBmp(S));
    EXPECT_EQ(Img.Pixels, Expected);
    EXPECT_EQ(Img.BitCount, 8);

    // Without the end-of-bitmap mark the stream may end once every row is done.
    DibLayout T = S;
    T.Height = 1;
    T.Bits = {6, 1, 0, 0};
    EXPECT_EQ(Bmp(MakeBmp(T)).Pixels, std::vector<uint32_t>(6, kRed));
    // A delta may move to the very end of a row.
    T.Bits = {2, 1, 0, 2, 4, 0, 0, 0};
    EXPECT_EQ(Bmp(MakeBmp(T)).Pixels, (std::vector<uint32_t>{kRed, kRed, K, K, K, K}));
    // SizeImage bounds the stream; what follows it is ignored.
    T.Bits = {6, 2, 0, 1, 0xEE, 0xEE};
    T.SizeImage = 4;
    EXPECT_EQ(Bmp(MakeBmp(T)).Pixels, std::vector<uint32_t>(6, kGreen));
}

TEST(CodecBmp, Rle4Escapes) {
    const std::vector<uint32_t> Pal = Palette16();
    auto C = [&](int I) { return 0xFF000000u | Pal[size_t(I)]; };
    DibLayout S;
    S.Width = 7;
    S.Height = 3;
    S.BitCount = 4;
    S.Compression = 2;
    S.Palette = Pal;
    S.Bits = {5, 0x12,                    // row 0: 1 2 1 2 1
              0, 0,                       // end of line
              0, 3, 0x34, 0x50,           // row 1: absolute 3 4 5 (two bytes, no padding)
              0, 2, 2, 0,                 // delta to x 5
              2, 0x66,                    // 6 6
              0, 0,                       // end of line
              0, 5, 0x78, 0x9A, 0xB0, 0,  // row 2: absolute 7 8 9 A B, padded
              0, 1};
    const uint32_t K = kBlack;
    const std::vector<uint32_t> Expected = {
        C(7), C(8), C(9), C(10), C(11), K, K,  // row 2 (top)
        C(3), C(4), C(5), K, K, C(6), C(6),    // row 1
        C(1), C(2), C(1), C(2), C(1), K, K};   // row 0
    EXPECT_EQ(Bmp(MakeBmp(S)).Pixels, Expected);
}

// ---------------------------------------------------------------------------
// BMP: hostile input

struct HostileBmp {
    const char* Name;
    Bytes File;
    const char* Fragment;
};

DibLayout Small8() {
    DibLayout S;
    S.Width = 4;
    S.Height = 2;
    S.BitCount = 8;
    S.ClrUsed = 2;
    S.Palette = {0x000000, 0xFFFFFF};
    S.Bits = Bytes(8, 1);
    return S;
}

DibLayout SmallRle() {
    DibLayout S = Small8();
    S.Compression = 1;
    S.Bits = {4, 1, 0, 0, 4, 0, 0, 1};
    return S;
}

std::vector<HostileBmp> HostileBmps() {
    std::vector<HostileBmp> V;
    auto Add = [&](const char* Name, Bytes B, const char* Fragment) { V.push_back({Name, std::move(B), Fragment}); };
    auto With = [](auto Change) {
        DibLayout S = Small8();
        Change(S);
        return MakeBmp(S);
    };
    auto WithRle = [](auto Change) {
        DibLayout S = SmallRle();
        Change(S);
        return MakeBmp(S);
    };
    const Bytes Good = MakeBmp(Small8());
    Add("empty", {}, "file header is truncated");
    Add("truncated file header", Bytes(Good.begin(), Good.begin() + 10), "file header is truncated");
    {
        Bytes B = Good;
        B[0] = 'X';
        Add("wrong signature", B, "BM");
    }
    Add("truncated info header", Bytes(Good.begin(), Good.begin() + 30), "header is truncated");
    Add("header size 20", With([](DibLayout& S) { S.HeaderSize = 20; }), "header size 20");
    Add("width over 65535", With([](DibLayout& S) { S.Width = 70000; }), "too large");
    Add("more than 2^28 pixels", WithRle([](DibLayout& S) {
            S.Width = 20000;
            S.Height = 20000;
            S.Bits = {0, 1};
        }),
        "too large");
    Add("negative width", With([](DibLayout& S) { S.Width = -4; }), "width -4");
    Add("zero width", With([](DibLayout& S) { S.Width = 0; }), "width 0");
    Add("zero height", With([](DibLayout& S) { S.Height = 0; }), "height is zero");
    Add("lowest height", With([](DibLayout& S) { S.Height = INT32_MIN; }), "height is out of range");
    Add("zero planes", With([](DibLayout& S) { S.Planes = 0; }), "planes is 0");
    Add("bit count 7", With([](DibLayout& S) { S.BitCount = 7; }), "bit count 7");
    Add("bit count 0", With([](DibLayout& S) { S.BitCount = 0; }), "bit count 0");
    Add("RLE8 with 4 bits", With([](DibLayout& S) {
            S.BitCount = 4;
            S.Compression = 1;
        }),
        "RLE8");
    Add("bit fields with 24 bits", With([](DibLayout& S) {
            S.BitCount = 24;
            S.Compression = 3;
            S.Masks = {0xFF0000, 0xFF00, 0xFF};
        }),
        "bit fields");
    Add("16-bit masks too wide", With([](DibLayout& S) {
            S.BitCount = 16;
            S.Compression = 3;
            S.ClrUsed = 0;
            S.Palette.clear();
            S.Masks = {0xFF0000, 0xFF00, 0xFF};
        }),
        "masks do not fit");
    {
        DibLayout S = Small8();
        S.BitCount = 16;
        S.Compression = 3;
        S.ClrUsed = 0;
        S.Palette.clear();
        S.Bits.clear();
        Bytes B = MakeBmp(S, 0);
        Add("masks truncated", B, "masks are truncated");
    }
    Add("JPEG compression", With([](DibLayout& S) { S.Compression = 4; }), "compression 4");
    {
        // Colour table declared bigger than the data, no pixel offset given.
        DibLayout S = Small8();
        S.ClrUsed = 200;
        Add("palette beyond the file", MakeBmp(S, 0), "colour table runs past");
    }
    Add("palette count absurd", With([](DibLayout& S) { S.ClrUsed = 0x40000000; }), "colour table has");
    {
        DibLayout S = Small8();
        Add("offset past the end", MakeBmp(S, int64_t(MakeBmp(S).size()) + 100), "offset is past the end");
        Add("offset inside the header", MakeBmp(S, 20), "starts inside the header");
        Add("offset at the header", MakeBmp(S, 14), "starts inside the header");
    }
    Add("pixel data truncated", With([](DibLayout& S) { S.Bits.resize(7); }), "pixel data is truncated");
    Add("RLE run past the row", WithRle([](DibLayout& S) { S.Bits = {5, 1, 0, 1}; }), "runs past the image");
    Add("RLE runs past the last row", WithRle([](DibLayout& S) { S.Bits = {4, 1, 0, 0, 4, 1, 0, 0, 1, 1, 0, 1}; }),
        "runs past the image");
    Add("RLE absolute run past the row", WithRle([](DibLayout& S) { S.Bits = {0, 5, 1, 1, 1, 1, 1, 0, 0, 1}; }),
        "runs past the image");
    Add("RLE delta past the image", WithRle([](DibLayout& S) { S.Bits = {0, 2, 1, 5, 0, 1}; }), "delta");
    Add("RLE delta past the row", WithRle([](DibLayout& S) { S.Bits = {2, 1, 0, 2, 3, 0, 0, 1}; }), "delta");
    Add("RLE without end", WithRle([](DibLayout& S) { S.Bits = {4, 1, 0, 0}; }), "ends before");
    Add("RLE absolute run truncated", WithRle([](DibLayout& S) { S.Bits = {0, 4, 1, 1}; }), "truncated");
    Add("RLE delta truncated", WithRle([](DibLayout& S) { S.Bits = {0, 2, 1}; }), "truncated");
    Add("RLE with no data", WithRle([](DibLayout& S) { S.Bits.clear(); }), "offset is past the end");
    return V;
}

TEST(CodecBmp, HostileFilesRaiseInvalidGraphic) {
    for (const HostileBmp& C : HostileBmps()) {
        SCOPED_TRACE(C.Name);
        ExpectInvalid([&] { Bmp(C.File); }, "Bitmap image is not valid: ", C.Fragment);
    }
    ExpectInvalid([] { ReadBmp(nullptr, 100); }, "Bitmap image is not valid: ", "truncated");
    ExpectInvalid([] { ReadDib(nullptr, 100); }, "Bitmap image is not valid: ", "truncated");
}

// Every prefix of a valid file is either refused or (when only padding is
// missing) read exactly as the whole file.
TEST(CodecBmp, EveryTruncationIsRefusedOrHarmless) {
    std::vector<Bytes> Files = {
        WriteBmp(Pattern(13, 5, 2, false), 1),       WriteBmp(Pattern(13, 5, 16, false), 4, true),
        WriteBmp(Pattern(13, 5, 50, false), 8, true), WriteBmp(Pattern(13, 5, 0, false), 24),
        WriteBmp(Pattern(13, 5, 0, true), 32),
    };
    DibLayout Fields;
    Fields.HeaderSize = 124;
    Fields.Width = 3;
    Fields.Height = 2;
    Fields.BitCount = 16;
    Fields.Compression = 3;
    Fields.Masks = {0xF800, 0x07E0, 0x001F};
    Fields.Bits = Bytes(16, 0x5A);
    Files.push_back(MakeBmp(Fields));
    for (const Bytes& F : Files) {
        const TDibImage Whole = Bmp(F);
        for (size_t N = 0; N < F.size(); ++N) {
            try {
                const TDibImage Part = ReadBmp(F.data(), N);
                EXPECT_EQ(Part.Pixels, Whole.Pixels) << N << " of " << F.size();
                EXPECT_GE(N + 4, F.size());
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

// Deterministic byte mutations of valid files never escape as anything but
// EInvalidGraphic (run under the sanitizers, this also checks every access).
TEST(CodecBmp, MutatedFilesFailCleanly) {
    PixelLimit Limit(1 << 16);
    const std::vector<Bytes> Seeds = {WriteBmp(Pattern(9, 7, 16, false), 4, true),
                                      WriteBmp(Pattern(9, 7, 60, false), 8, true),
                                      WriteBmp(Pattern(9, 7, 2, false), 1), WriteBmp(Pattern(9, 7, 0, true), 32)};
    uint32_t Seed = 12345;
    auto Next = [&] { return Seed = Seed * 1103515245u + 12345u, Seed >> 8; };
    int Read = 0, Refused = 0;
    for (const Bytes& S : Seeds) {
        for (int Round = 0; Round < 600; ++Round) {
            Bytes M = S;
            const int Flips = 1 + int(Next() % 4);
            for (int k = 0; k < Flips; ++k) M[Next() % M.size()] = uint8_t(Next());
            try {
                const TDibImage Img = Bmp(M);
                EXPECT_EQ(Img.Pixels.size(), size_t(Img.Width) * size_t(Img.Height));
                ++Read;
            } catch (const EInvalidGraphic&) {
                ++Refused;
            }
        }
    }
    EXPECT_GT(Read, 0);
    EXPECT_GT(Refused, 0);
}

TEST(CodecBmp, PixelLimitCanBeLowered) {
    const Bytes File = WriteBmp(Pattern(100, 100, 0, false), 24);
    EXPECT_EQ(Bmp(File).Pixels.size(), 10000u);
    {
        PixelLimit Limit(9999);
        EXPECT_EQ(MaxImagePixels(), 9999u);
        ExpectInvalid([&] { Bmp(File); }, "Bitmap image is not valid: ", "too large (100 x 100)");
    }
    EXPECT_EQ(Bmp(File).Pixels.size(), 10000u);
}

// ---------------------------------------------------------------------------
// ICO and CUR

TIconImage IconPattern(int32_t W, int32_t H, uint32_t Colours, bool Alpha) {
    TIconImage Ic;
    Ic.Width = W;
    Ic.Height = H;
    const TDibImage Img = Pattern(W, H, Colours, Alpha);
    Ic.Pixels = Img.Pixels;
    Ic.Mask.resize(Ic.Pixels.size());
    for (int32_t Y = 0; Y < H; ++Y) {
        for (int32_t X = 0; X < W; ++X) {
            const size_t I = size_t(Y) * W + X;
            Ic.Mask[I] = (X + 2 * Y) % 5 == 0;
            if (Ic.Mask[I]) Ic.Pixels[I] = 0;  // transparent: black, no alpha
            else if (!Alpha) Ic.Pixels[I] |= 0xFF000000u;
        }
    }
    return Ic;
}

std::vector<TIconImage> Ico(const Bytes& B, TIconKind* Kind = nullptr) { return ReadIco(B.data(), B.size(), Kind); }

class CodecIcoRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(CodecIcoRoundTrip, MasksAndColoursSurvive) {
    const int Bc = GetParam();
    // 20 pixels: neither the XOR rows nor the mask rows end on a boundary.
    const TIconImage Ic = IconPattern(20, 12, Bc == 4 ? 15 : Bc == 8 ? 100 : 0, Bc == 32);
    const Bytes File = WriteIco({Ic}, Bc);
    EXPECT_EQ(Peek16(File, 2), 1);
    EXPECT_EQ(File[6], 20);
    EXPECT_EQ(File[7], 12);
    EXPECT_EQ(Peek16(File, 6 + 6), Bc);
    TIconKind Kind = TIconKind::Cursor;
    const std::vector<TIconImage> Back = Ico(File, &Kind);
    EXPECT_EQ(Kind, TIconKind::Icon);
    ASSERT_EQ(Back.size(), 1u);
    EXPECT_EQ(Back[0].Width, 20);
    EXPECT_EQ(Back[0].Height, 12);
    EXPECT_EQ(Back[0].BitCount, Bc);
    EXPECT_EQ(Back[0].Mask, Ic.Mask);
    EXPECT_EQ(Back[0].Pixels, Ic.Pixels);
    size_t Transparent = 0;
    for (size_t i = 0; i < Ic.Mask.size(); ++i) {
        if (Ic.Mask[i]) {
            ++Transparent;
            EXPECT_EQ(Back[0].Pixels[i] >> 24, 0u) << i;
        }
    }
    EXPECT_GT(Transparent, 0u);
}

INSTANTIATE_TEST_SUITE_P(BitCounts, CodecIcoRoundTrip, ::testing::Values(4, 8, 24, 32));

TEST(CodecIco, SeveralImagesInOrder) {
    std::vector<TIconImage> Images = {IconPattern(16, 16, 0, true), IconPattern(32, 32, 0, true),
                                      IconPattern(256, 256, 0, true), IconPattern(48, 24, 0, true)};
    const Bytes File = WriteIco(Images, 32);
    EXPECT_EQ(Peek16(File, 4), 4);
    EXPECT_EQ(File[6 + 2 * 16], 0);  // 256 is written as 0
    EXPECT_EQ(File[6 + 2 * 16 + 1], 0);
    const std::vector<TIconImage> Back = Ico(File);
    ASSERT_EQ(Back.size(), Images.size());
    for (size_t i = 0; i < Images.size(); ++i) {
        EXPECT_EQ(Back[i].Width, Images[i].Width) << i;
        EXPECT_EQ(Back[i].Height, Images[i].Height) << i;
        EXPECT_EQ(Back[i].Pixels, Images[i].Pixels) << i;
        EXPECT_EQ(Back[i].Mask, Images[i].Mask) << i;
    }
}

TEST(CodecIco, CursorsKeepTheirHotSpots) {
    TIconImage A = IconPattern(32, 32, 2, false), B = IconPattern(16, 16, 2, false);
    A.HotSpotX = 3;
    A.HotSpotY = 29;
    B.HotSpotX = 15;
    B.HotSpotY = 0;
    const Bytes File = WriteIco({A, B}, 4, TIconKind::Cursor);
    EXPECT_EQ(Peek16(File, 2), 2);
    TIconKind Kind = TIconKind::Icon;
    const std::vector<TIconImage> Back = Ico(File, &Kind);
    EXPECT_EQ(Kind, TIconKind::Cursor);
    ASSERT_EQ(Back.size(), 2u);
    EXPECT_EQ(Back[0].HotSpotX, 3);
    EXPECT_EQ(Back[0].HotSpotY, 29);
    EXPECT_EQ(Back[1].HotSpotX, 15);
    EXPECT_EQ(Back[1].HotSpotY, 0);
    EXPECT_EQ(Back[0].Pixels, A.Pixels);
    // An icon has no hot spots.
    A.HotSpotX = 7;
    EXPECT_EQ(Ico(WriteIco({A}, 4))[0].HotSpotX, 0);
}

TEST(CodecIco, MaskDerivedFromAlphaWhenNotGiven) {
    TIconImage Ic = IconPattern(9, 9, 0, true);
    const std::vector<uint8_t> Mask = Ic.Mask;
    Ic.Mask.clear();
    for (size_t i = 0; i < Ic.Pixels.size(); ++i) {
        // Alpha 0 exactly where the mask would be set.
        if (Mask[i]) Ic.Pixels[i] &= 0x00FFFFFF;
        else Ic.Pixels[i] |= 0x01000000;
    }
    for (int Bc : {8, 32}) {
        const std::vector<TIconImage> Back = Ico(WriteIco({Ic}, Bc));
        EXPECT_EQ(Back[0].Mask, Mask) << Bc;
        EXPECT_EQ(Back[0].BitCount, Bc);
    }
}

TEST(CodecIco, ThirtyTwoBitsWithoutAlphaTakeTheMask) {
    TIconImage Ic = IconPattern(8, 8, 0, false);
    for (uint32_t& P : Ic.Pixels) P &= 0x00FFFFFF;  // alpha all zero: an old-style image
    const TIconImage Back = Ico(WriteIco({Ic}, 32))[0];
    for (size_t i = 0; i < Ic.Pixels.size(); ++i)
        EXPECT_EQ(Back.Pixels[i], (Ic.Pixels[i] & 0xFFFFFF) | (Ic.Mask[i] ? 0u : 0xFF000000u)) << i;
}

TEST(CodecIco, SingleIconImages) {
    const TIconImage Ic = IconPattern(24, 24, 12, false);
    const Bytes Dib = WriteIconImage(Ic, 4);
    EXPECT_EQ(Peek32(Dib, 8), 48u);  // the height counts the mask
    const TIconImage Back = ReadIconImage(Dib.data(), Dib.size());
    EXPECT_EQ(Back.Pixels, Ic.Pixels);
    EXPECT_EQ(Back.Mask, Ic.Mask);

    // A 32-bit image with alpha whose mask is cut off: alpha tells the mask.
    const TIconImage Al = IconPattern(8, 8, 0, true);
    Bytes Cut = WriteIconImage(Al, 32);
    Cut.resize(Cut.size() - 8 * 4);
    const TIconImage FromAlpha = ReadIconImage(Cut.data(), Cut.size());
    EXPECT_EQ(FromAlpha.Pixels, Al.Pixels);
    for (size_t i = 0; i < Al.Pixels.size(); ++i) EXPECT_EQ(FromAlpha.Mask[i], (Al.Pixels[i] >> 24) == 0) << i;
    // Without alpha the mask cannot be missing.
    Bytes Cut8 = WriteIconImage(Ic, 8);
    Cut8.resize(Cut8.size() - 24 * 4);
    ExpectInvalid([&] { ReadIconImage(Cut8.data(), Cut8.size()); }, "Icon image is not valid: ", "AND mask");
}

// An ICO directory around ready-made image data.
Bytes IcoAround(const std::vector<Bytes>& Parts, const std::vector<std::pair<int, int>>& Sizes) {
    Bytes B;
    Put16(B, 0);
    Put16(B, 1);
    Put16(B, uint32_t(Parts.size()));
    uint32_t Offset = uint32_t(6 + 16 * Parts.size());
    for (size_t i = 0; i < Parts.size(); ++i) {
        Put8(B, uint32_t(Sizes[i].first & 0xFF));
        Put8(B, uint32_t(Sizes[i].second & 0xFF));
        Put8(B, 0);
        Put8(B, 0);
        Put16(B, 1);
        Put16(B, 32);
        Put32(B, uint32_t(Parts[i].size()));
        Put32(B, Offset);
        Offset += uint32_t(Parts[i].size());
    }
    for (const Bytes& P : Parts) B.insert(B.end(), P.begin(), P.end());
    return B;
}

TEST(CodecIco, PngCompressedEntries) {
    const TIconImage Src = IconPattern(24, 20, 0, true);
    std::vector<uint32_t> Px = Src.Pixels;
    TPixelView View{Px.data(), 24, 20, 24};
    const Bytes Png = EncodePng(View, true);
    const TIconImage Dib = IconPattern(16, 16, 5, false);
    const Bytes File = IcoAround({WriteIconImage(Dib, 8), Png}, {{16, 16}, {24, 20}});
    const std::vector<TIconImage> Back = Ico(File);
    ASSERT_EQ(Back.size(), 2u);
    EXPECT_EQ(Back[0].Pixels, Dib.Pixels);
    EXPECT_EQ(Back[1].Width, 24);
    EXPECT_EQ(Back[1].Height, 20);
    EXPECT_EQ(Back[1].BitCount, 32);
    EXPECT_EQ(Back[1].Pixels, Src.Pixels);
    for (size_t i = 0; i < Src.Pixels.size(); ++i) EXPECT_EQ(Back[1].Mask[i], (Src.Pixels[i] >> 24) == 0) << i;
}

TEST(CodecIco, HeaderHeightThatDoesNotCountTheMask) {
    // Some writers put the plain height into the header; the directory tells.
    const TIconImage Ic = IconPattern(16, 16, 10, false);
    Bytes Dib = WriteIconImage(Ic, 8);
    Poke32(Dib, 8, 16);
    const std::vector<TIconImage> Back = Ico(IcoAround({Dib}, {{16, 16}}));
    EXPECT_EQ(Back[0].Height, 16);
    EXPECT_EQ(Back[0].Mask, Ic.Mask);
}

TEST(CodecIco, WriterRefusesWhatItCannotWrite) {
    const TIconImage Good = IconPattern(16, 16, 0, true);
    const struct {
        const char* Name;
        std::function<void()> Fn;
    } Cases[] = {
        {"no images", [] { WriteIco({}, 32); }},
        {"bit count 1", [&] { WriteIco({Good}, 1); }},
        {"bit count 16", [&] { WriteIco({Good}, 16); }},
        {"too many colours", [&] { WriteIco({Good}, 4); }},
        {"257 wide", [] { WriteIco({IconPattern(257, 1, 0, false)}, 32); }},
        {"empty image", [] { WriteIco({TIconImage{}}, 32); }},
        {"mask size", [&] {
             TIconImage Bad = Good;
             Bad.Mask.pop_back();
             WriteIco({Bad}, 32);
         }},
        {"pixel count", [&] {
             TIconImage Bad = Good;
             Bad.Pixels.pop_back();
             WriteIconImage(Bad, 32);
         }},
        {"hot spot", [&] {
             TIconImage Bad = Good;
             Bad.HotSpotX = -1;
             WriteIco({Bad}, 32, TIconKind::Cursor);
         }},
    };
    for (const auto& C : Cases) EXPECT_THROW(C.Fn(), EInvalidGraphicOperation) << C.Name;
}

struct HostileIco {
    const char* Name;
    Bytes File;
    const char* Fragment;
};

std::vector<HostileIco> HostileIcos() {
    std::vector<HostileIco> V;
    auto Add = [&](const char* Name, Bytes B, const char* Fragment) { V.push_back({Name, std::move(B), Fragment}); };
    const Bytes Good = WriteIco({IconPattern(16, 16, 10, false)}, 8);
    auto Patched = [&](size_t At, uint32_t Value, int Width) {
        Bytes B = Good;
        if (Width == 2) {
            B[At] = uint8_t(Value);
            B[At + 1] = uint8_t(Value >> 8);
        } else {
            Poke32(B, At, Value);
        }
        return B;
    };
    const size_t Image = Peek32(Good, 18);
    Add("empty", {}, "header is truncated");
    Add("header only", Bytes(Good.begin(), Good.begin() + 5), "header is truncated");
    Add("reserved field", Patched(0, 1, 2), "reserved");
    Add("type 3", Patched(2, 3, 2), "type 3");
    Add("no images", Patched(4, 0, 2), "no images");
    Add("directory truncated", Patched(4, 0xFFFF, 2), "directory is truncated");
    Add("empty entry", Patched(14, 0, 4), "image is empty");
    Add("offset past the end", Patched(18, uint32_t(Good.size()) + 10, 4), "past the end of the file");
    Add("size past the end", Patched(14, uint32_t(Good.size()), 4), "past the end of the file");
    Add("offset and size wrap around", [&] {
        Bytes B = Patched(18, 0xFFFFFFF0u, 4);
        Poke32(B, 14, 0x20);
        return B;
    }(), "past the end of the file");
    Add("overlaps the directory", Patched(18, 4, 4), "overlaps the directory");
    Add("DIB header truncated", [&] {
        Bytes B = Good;
        Poke32(B, 14, 20);
        return B;
    }(), "header is truncated");
    Add("odd height", Patched(Image + 8, 31, 4), "does not count the mask");
    Add("bit count 7", Patched(Image + 14, 7, 2), "bit count 7");
    Add("zero planes", Patched(Image + 12, 0, 2), "planes");
    Add("RLE in an icon", Patched(Image + 16, 1, 4), "compressed icon");
    Add("huge palette", Patched(Image + 32, 5000, 4), "colour table has");
    Add("mask cut off", [&] {
        Bytes B = Good;
        B.resize(B.size() - 40);
        Poke32(B, 14, uint32_t(B.size() - Image));
        return B;
    }(), "AND mask");
    {
        std::vector<uint32_t> Px(64, 0xFF336699u);
        Bytes Png = EncodePng(TPixelView{Px.data(), 8, 8, 8}, false);
        Png[Png.size() / 2] ^= 0x55;  // breaks a checksum or the compressed data
        Add("corrupt PNG entry", IcoAround({Png}, {{8, 8}}), "PNG image is not valid");
        Bytes Short = EncodePng(TPixelView{Px.data(), 8, 8, 8}, false);
        Short.resize(30);
        Add("truncated PNG entry", IcoAround({Short}, {{8, 8}}), "PNG image is not valid");
    }
    return V;
}

TEST(CodecIco, HostileFilesRaiseInvalidGraphic) {
    for (const HostileIco& C : HostileIcos()) {
        SCOPED_TRACE(C.Name);
        ExpectInvalid([&] { Ico(C.File); }, "Icon image is not valid: ", C.Fragment);
    }
    ExpectInvalid([] { ReadIco(nullptr, 50); }, "Icon image is not valid: ", "truncated");
}

TEST(CodecIco, SharedEntriesAreHeldToThePixelLimit) {
    // 100 entries all pointing at one 16 x 16 image: 25600 pixels together.
    const Bytes Dib = WriteIconImage(IconPattern(16, 16, 0, true), 32);
    Bytes B;
    Put16(B, 0);
    Put16(B, 1);
    Put16(B, 100);
    for (int i = 0; i < 100; ++i) {
        Put32(B, 0x00001010);
        Put16(B, 1);
        Put16(B, 32);
        Put32(B, uint32_t(Dib.size()));
        Put32(B, 6 + 1600);
    }
    B.insert(B.end(), Dib.begin(), Dib.end());
    EXPECT_EQ(Ico(B).size(), 100u);
    PixelLimit Limit(20000);
    ExpectInvalid([&] { Ico(B); }, "Icon image is not valid: image 79: ", "too large together");
}

TEST(CodecIco, EveryTruncationIsRefused) {
    const Bytes Files[] = {WriteIco({IconPattern(13, 7, 10, false), IconPattern(5, 5, 0, true)}, 8),
                           WriteIco({IconPattern(13, 7, 0, true)}, 32)};
    for (const Bytes& F : Files) {
        const std::vector<TIconImage> Whole = Ico(F);
        for (size_t N = 0; N < F.size(); ++N) {
            try {
                const std::vector<TIconImage> Part = ReadIco(F.data(), N);
                ADD_FAILURE() << "read " << Part.size() << " images from " << N << " of " << F.size() << " bytes";
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

// ---------------------------------------------------------------------------
// PNG

// A private folder under $CORVANE_TEST_TMP (or /tmp), removed afterwards.
class CodecPngFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const char* Base = std::getenv("CORVANE_TEST_TMP");
        std::string Root = (Base && *Base) ? Base : "/tmp";
        std::filesystem::create_directories(Root);
        std::string Pattern = Root + "/codecs-XXXXXX";
        ASSERT_NE(mkdtemp(Pattern.data()), nullptr) << std::strerror(errno);
        FDir = Pattern;
    }
    void TearDown() override {
        if (!FDir.empty()) std::filesystem::remove_all(FDir);
    }
    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }
    static Bytes Load(const std::string& P) {
        std::ifstream F(P, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>());
    }
    size_t Entries() const {
        return size_t(std::distance(std::filesystem::directory_iterator(FDir), std::filesystem::directory_iterator()));
    }

    std::string FDir;
};

TEST(CodecPng, EncodedPixelsReadBackIdentical) {
    // A view into a wider buffer: the stride must be honoured.
    const TDibImage Img = Pattern(31, 17, 0, true);
    std::vector<uint32_t> Buffer(40 * 17, 0xDEADBEEFu);
    for (int Y = 0; Y < 17; ++Y)
        std::copy_n(Img.Pixels.begin() + Y * 31, 31, Buffer.begin() + Y * 40);
    const TPixelView View{Buffer.data(), 31, 17, 40};

    const Bytes Rgba = EncodePng(View, true);
    const TDibImage A = ReadPng(Rgba.data(), Rgba.size());
    EXPECT_EQ(A.Width, 31);
    EXPECT_EQ(A.Height, 17);
    EXPECT_TRUE(A.HasAlpha);
    EXPECT_EQ(A.BitCount, 32);
    EXPECT_EQ(A.Pixels, Img.Pixels);

    const Bytes Rgb = EncodePng(View, false);
    const TDibImage B = ReadPng(Rgb.data(), Rgb.size());
    EXPECT_FALSE(B.HasAlpha);
    EXPECT_EQ(B.BitCount, 24);
    std::vector<uint32_t> Opaque = Img.Pixels;
    for (uint32_t& P : Opaque) P |= 0xFF000000u;
    EXPECT_EQ(B.Pixels, Opaque);

    // A bottom-up view (negative stride) is written top row first.
    const TPixelView Flipped{Buffer.data() + 16 * 40, 31, 17, -40};
    const Bytes F = EncodePng(Flipped, true);
    const TDibImage C = ReadPng(F.data(), F.size());
    EXPECT_TRUE(std::equal(C.Pixels.begin(), C.Pixels.begin() + 31, Img.Pixels.begin() + 16 * 31));
}

TEST(CodecPng, EncoderRefusesEmptyViews) {
    uint32_t Px = 0;
    EXPECT_THROW(EncodePng(TPixelView{}), EInvalidGraphicOperation);
    EXPECT_THROW(EncodePng(TPixelView{&Px, 0, 1, 1}), EInvalidGraphicOperation);
    EXPECT_THROW(EncodePng(TPixelView{&Px, 2, 1, 1}), EInvalidGraphicOperation);
}

TEST_F(CodecPngFiles, SavedFilesReadBack) {
    const TDibImage Img = Pattern(20, 10, 0, false);
    std::vector<uint32_t> Px = Img.Pixels;
    const TPixelView View{Px.data(), 20, 10, 20};
    const std::string P = Path("a.png");
    ASSERT_TRUE(SavePixelsToPng(View, P));
    const Bytes File = Load(P);
    const TDibImage Back = ReadPng(File.data(), File.size());
    EXPECT_EQ(Back.Pixels, Img.Pixels);
    EXPECT_EQ(Entries(), 1u);  // no temporary file left behind

    // Saving again replaces the file.
    std::fill(Px.begin(), Px.end(), kRed);
    ASSERT_TRUE(SavePixelsToPng(View, P));
    const Bytes Again = Load(P);
    EXPECT_EQ(ReadPng(Again.data(), Again.size()).Pixels, std::vector<uint32_t>(200, kRed));
}

TEST_F(CodecPngFiles, FailedSavesReportFalseAndKeepWhatWasThere) {
    std::vector<uint32_t> Px(4, kBlue);
    const TPixelView View{Px.data(), 2, 2, 2};
    EXPECT_FALSE(SavePixelsToPng(View, Path("missing/folder/a.png")));
    EXPECT_FALSE(SavePixelsToPng(TPixelView{}, Path("empty.png")));
    EXPECT_FALSE(std::filesystem::exists(Path("empty.png")));
    // The target is a folder: nothing replaces it, nothing is left over.
    std::filesystem::create_directory(Path("dir.png"));
    std::ofstream(Path("dir.png/keep")) << "x";
    EXPECT_FALSE(SavePixelsToPng(View, Path("dir.png")));
    EXPECT_TRUE(std::filesystem::exists(Path("dir.png/keep")));
    EXPECT_EQ(Entries(), 1u);
}

// A minimal PNG writer for the colour types the encoder never produces:
// stored (uncompressed) deflate blocks, real checksums.
uint32_t Crc32(const uint8_t* P, size_t N, uint32_t C = 0) {
    C = ~C;
    for (size_t i = 0; i < N; ++i) {
        C ^= P[i];
        for (int k = 0; k < 8; ++k) C = (C >> 1) ^ (0xEDB88320u & (0u - (C & 1)));
    }
    return ~C;
}

void PutBe32(Bytes& B, uint32_t V) {
    for (int i = 3; i >= 0; --i) B.push_back(uint8_t(V >> (8 * i)));
}

void Chunk(Bytes& Png, const char* Type, const Bytes& Data) {
    PutBe32(Png, uint32_t(Data.size()));
    Bytes Body(Type, Type + 4);
    Body.insert(Body.end(), Data.begin(), Data.end());
    Png.insert(Png.end(), Body.begin(), Body.end());
    PutBe32(Png, Crc32(Body.data(), Body.size()));
}

Bytes HandPng(uint32_t W, uint32_t H, uint8_t Depth, uint8_t ColorType, const Bytes& Raw /* filtered rows */,
              const Bytes& Plte = {}, const Bytes& Trns = {}) {
    Bytes Png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes Ihdr;
    PutBe32(Ihdr, W);
    PutBe32(Ihdr, H);
    Ihdr.insert(Ihdr.end(), {Depth, ColorType, 0, 0, 0});
    Chunk(Png, "IHDR", Ihdr);
    if (!Plte.empty()) Chunk(Png, "PLTE", Plte);
    if (!Trns.empty()) Chunk(Png, "tRNS", Trns);
    Bytes Z = {0x78, 0x01, 0x01, uint8_t(Raw.size()), uint8_t(Raw.size() >> 8), uint8_t(~Raw.size()),
               uint8_t(~Raw.size() >> 8)};
    Z.insert(Z.end(), Raw.begin(), Raw.end());
    uint32_t A = 1, B = 0;
    for (uint8_t V : Raw) {
        A = (A + V) % 65521;
        B = (B + A) % 65521;
    }
    PutBe32(Z, (B << 16) | A);
    Chunk(Png, "IDAT", Z);
    Chunk(Png, "IEND", {});
    return Png;
}

TEST(CodecPng, ReadsOtherColourTypes) {
    const struct {
        const char* Name;
        Bytes Png;
        std::vector<uint32_t> Expected;
        bool HasAlpha;
    } Cases[] = {
        {"gray 8", HandPng(3, 1, 8, 0, {0, 0, 128, 255}), {kBlack, 0xFF808080u, kWhite}, false},
        {"gray 1", HandPng(3, 1, 1, 0, {0, 0b10100000}), {kWhite, kBlack, kWhite}, false},
        {"gray alpha", HandPng(2, 1, 8, 4, {0, 10, 0, 200, 255}), {0x000A0A0Au, 0xFFC8C8C8u}, true},
        {"palette 2 bits with transparency",
         HandPng(4, 1, 2, 3, {0, 0b00011011}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}, {0, 128}),
         {0x00FF0000u, 0x8000FF00u, kBlue, 0xFF090909u}, true},
        {"rgb 16", HandPng(1, 2, 16, 2, {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0, 0xFF, 0xFF, 0, 0, 0, 0}),
         {0xFF12569Au, 0xFFFF0000u}, false},
        {"rgb with transparent colour",
         HandPng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}, {}, {0, 1, 0, 2, 0, 3}), {0x00010203u, 0xFF040506u}, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TDibImage Img = ReadPng(C.Png.data(), C.Png.size());
        EXPECT_EQ(Img.Pixels, C.Expected);
        EXPECT_EQ(Img.HasAlpha, C.HasAlpha);
        EXPECT_TRUE(Img.Palette.empty());
    }
}

TEST(CodecPng, HostileDataRaisesInvalidGraphic) {
    std::vector<uint32_t> Px(16 * 16, kGreen);
    const Bytes Good = EncodePng(TPixelView{Px.data(), 16, 16, 16}, true);
    ASSERT_EQ(ReadPng(Good.data(), Good.size()).Pixels, Px);

    ExpectInvalid([] { ReadPng(nullptr, 0); }, "PNG image is not valid: ", "signature");
    const Bytes Bmp = WriteBmp(Pattern(2, 2, 0, false), 24);
    ExpectInvalid([&] { ReadPng(Bmp.data(), Bmp.size()); }, "PNG image is not valid: ", "signature");
    // Every prefix up to the end of the image data fails; only the closing
    // chunk may be missing.
    for (size_t N = 0; N + 12 < Good.size(); ++N)
        EXPECT_THROW(ReadPng(Good.data(), N), EInvalidGraphic) << N;
    Bytes Crc = Good;
    Crc[29] ^= 1;  // the IHDR checksum
    ExpectInvalid([&] { ReadPng(Crc.data(), Crc.size()); }, "PNG image is not valid: ", "CRC");
    ExpectInvalid([] {
        const Bytes Wide = HandPng(100000, 1, 8, 0, {0, 0});
        ReadPng(Wide.data(), Wide.size());
    }, "PNG image is not valid: ", "IHDR");
    ExpectInvalid([] {
        const Bytes Depth = HandPng(1, 1, 3, 0, {0, 0});
        ReadPng(Depth.data(), Depth.size());
    }, "PNG image is not valid: ", "");
    ExpectInvalid([] {
        const Bytes Short = HandPng(4, 4, 8, 0, {0, 1, 2, 3, 4});  // one row of four
        ReadPng(Short.data(), Short.size());
    }, "PNG image is not valid: ", "");
    {
        PixelLimit Limit(255);
        ExpectInvalid([&] { ReadPng(Good.data(), Good.size()); }, "PNG image is not valid: ", "too large (16 x 16)");
    }
}

}  // namespace
