// ImageCodecs.cpp - device-independent bitmaps (BMP files and bare DIBs) and
// icons (ICO/CUR files and single icon images). PNG lives in PngCodec.cpp.
//
// Every reader treats its input as hostile: each field is read through
// bounds-checked helpers, sizes are computed in 64 bits, the pixel count is
// limited before anything is allocated, and an RLE stream is walked once
// without writing anything before the image is allocated and decoded.
#include "ImageCodecs.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "Exceptions.h"

namespace vcl {

namespace {

constexpr const char* kBitmapInvalid = "Bitmap image is not valid";
constexpr const char* kIconInvalid = "Icon image is not valid";
constexpr const char* kBitmapWrite = "Cannot write the bitmap";
constexpr const char* kIconWrite = "Cannot write the icon";

constexpr int64_t kMaxSide = 65535;
constexpr uint64_t kDefaultMaxPixels = uint64_t(1) << 28;
constexpr uint64_t kWriteMaxPixels = uint64_t(1) << 28;

std::atomic<uint64_t> GMaxPixels{kDefaultMaxPixels};

// Compression codes of the DIB header.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;
constexpr uint32_t kBiAlphaBitFields = 6;

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

[[noreturn]] void Invalid(const std::string& What, const std::string& Detail) {
    throw EInvalidGraphic(What + ": " + Detail);
}

[[noreturn]] void CannotWrite(const char* What, const std::string& Detail) {
    throw EInvalidGraphicOperation(std::string(What) + ": " + Detail);
}

uint16_t U16(const uint8_t* P) { return uint16_t(P[0] | (P[1] << 8)); }
uint32_t U32(const uint8_t* P) {
    return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}
int32_t I32(const uint8_t* P) { return static_cast<int32_t>(U32(P)); }

void Put16(std::vector<uint8_t>& Out, uint32_t V) {
    Out.push_back(uint8_t(V));
    Out.push_back(uint8_t(V >> 8));
}
void Put32(std::vector<uint8_t>& Out, uint32_t V) {
    Put16(Out, V & 0xFFFF);
    Put16(Out, V >> 16);
}
void Poke32(std::vector<uint8_t>& Out, size_t At, uint32_t V) {
    for (int i = 0; i < 4; ++i) Out[At + i] = uint8_t(V >> (8 * i));
}

// ---------------------------------------------------------------------------
// DIB header

struct DibHeader {
    uint32_t HeaderSize = 0;
    bool Core = false;          // BITMAPCOREHEADER: 16-bit sizes, 3-byte colour entries
    int32_t Width = 0;
    int32_t RawHeight = 0;      // negative: top-down rows
    int BitCount = 0;
    uint32_t Compression = kBiRgb;
    uint32_t SizeImage = 0;
    uint32_t ClrUsed = 0;
    uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (bit fields)
    size_t TableStart = 0;      // the colour table follows the header and the masks
    size_t EntrySize = 4;
};

DibHeader ParseDibHeader(const uint8_t* D, size_t N, const std::string& What) {
    DibHeader H;
    if (N < 4) Invalid(What, "the header is truncated");
    H.HeaderSize = U32(D);
    uint16_t Planes = 0;
    if (H.HeaderSize == 12) {
        if (N < 12) Invalid(What, "the header is truncated");
        H.Core = true;
        H.EntrySize = 3;
        H.Width = U16(D + 4);
        H.RawHeight = U16(D + 6);
        Planes = U16(D + 8);
        H.BitCount = U16(D + 10);
    } else if (H.HeaderSize == 40 || H.HeaderSize == 52 || H.HeaderSize == 56 ||
               H.HeaderSize == 64 || H.HeaderSize == 108 || H.HeaderSize == 124) {
        if (N < H.HeaderSize) Invalid(What, "the header is truncated");
        H.Width = I32(D + 4);
        H.RawHeight = I32(D + 8);
        Planes = U16(D + 12);
        H.BitCount = U16(D + 14);
        H.Compression = U32(D + 16);
        H.SizeImage = U32(D + 20);
        H.ClrUsed = U32(D + 32);
    } else {
        Invalid(What, "the header size " + std::to_string(H.HeaderSize) + " is not supported");
    }
    if (Planes != 1) Invalid(What, "the number of colour planes is " + std::to_string(Planes) + ", not 1");

    const int Bc = H.BitCount;
    if (Bc != 1 && Bc != 4 && Bc != 8 && Bc != 16 && Bc != 24 && Bc != 32)
        Invalid(What, "the bit count " + std::to_string(Bc) + " is not supported");
    switch (H.Compression) {
    case kBiRgb:
        break;
    case kBiRle8:
        if (Bc != 8) Invalid(What, "RLE8 compression needs 8 bits per pixel");
        break;
    case kBiRle4:
        if (Bc != 4) Invalid(What, "RLE4 compression needs 4 bits per pixel");
        break;
    case kBiBitFields:
    case kBiAlphaBitFields:
        // In the 64-byte OS/2 header, code 3 means Huffman coding.
        if (H.HeaderSize == 64) Invalid(What, "the compression 3 of this header is not supported");
        if (Bc != 16 && Bc != 32) Invalid(What, "bit fields need 16 or 32 bits per pixel");
        break;
    default:
        Invalid(What, "the compression " + std::to_string(H.Compression) + " is not supported");
    }

    size_t Pos = H.HeaderSize;
    if (H.Compression == kBiBitFields || H.Compression == kBiAlphaBitFields) {
        const int Count = H.Compression == kBiAlphaBitFields ? 4 : 3;
        if (H.HeaderSize >= 52) {
            for (int i = 0; i < 3; ++i) H.Masks[i] = U32(D + 40 + 4 * i);
            if (H.HeaderSize >= 56) H.Masks[3] = U32(D + 52);
            else if (Count == 4) Invalid(What, "the alpha mask is missing");
        } else {
            if (N - Pos < size_t(4 * Count)) Invalid(What, "the colour masks are truncated");
            for (int i = 0; i < Count; ++i) H.Masks[i] = U32(D + Pos + 4 * i);
            Pos += 4 * Count;
        }
        if (Bc == 16) {
            for (uint32_t M : H.Masks)
                if (M >> 16) Invalid(What, "the colour masks do not fit 16 bits per pixel");
        }
    }
    H.TableStart = Pos;
    return H;
}

void CheckDimensions(int64_t W, int64_t H, const std::string& What) {
    if (W <= 0) Invalid(What, "the width " + std::to_string(W) + " is not positive");
    if (H <= 0) Invalid(What, "the height is zero");
    if (W > kMaxSide || H > kMaxSide || uint64_t(W) * uint64_t(H) > GMaxPixels.load(std::memory_order_relaxed))
        Invalid(What, "the image is too large (" + std::to_string(W) + " x " + std::to_string(H) + ")");
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;
    explicit Channel(uint32_t M) : Mask(M) {
        if (!M) return;
        while (!((M >> Shift) & 1)) ++Shift;
        Max = M >> Shift;
    }
    uint32_t operator()(uint32_t V) const {
        if (!Max) return 0;
        const uint64_t X = (V & Mask) >> Shift;
        return uint32_t((X * 255 + Max / 2) / Max);
    }
};

// Walks an RLE8/RLE4 stream. With Out null it only checks the stream; with
// Out it also writes the pixels (already filled with the background).
void RunRle(const uint8_t* S, size_t Len, int Bc, int64_t W, int64_t H, bool TopDown,
            const uint32_t* Lut, uint32_t* Out, const std::string& What) {
    size_t P = 0;
    int64_t X = 0, Y = 0;
    auto Row = [&]() { return Out + (TopDown ? Y : H - 1 - Y) * W; };
    for (;;) {
        if (Len - P < 2) {
            if (Y >= H) return;  // every row done; the end-of-bitmap mark is missing
            Invalid(What, "the RLE data ends before the end of the bitmap");
        }
        const uint8_t C = S[P], V = S[P + 1];
        P += 2;
        if (C) {
            // Encoded run: C pixels of one index (RLE8) or of two alternating
            // indices, high nibble first (RLE4).
            if (Y >= H || X + C > W) Invalid(What, "RLE data runs past the image");
            if (Out) {
                uint32_t* R = Row() + X;
                if (Bc == 8) {
                    std::fill(R, R + C, Lut[V]);
                } else {
                    for (int i = 0; i < C; ++i) R[i] = Lut[(i & 1) ? (V & 15) : (V >> 4)];
                }
            }
            X += C;
            continue;
        }
        switch (V) {
        case 0:  // end of line
            if (Y >= H) Invalid(What, "RLE data runs past the image");
            X = 0;
            ++Y;
            break;
        case 1:  // end of bitmap
            return;
        case 2: {  // delta: move right and up (in file order) without drawing
            if (Len - P < 2) Invalid(What, "the RLE data is truncated");
            X += S[P];
            Y += S[P + 1];
            P += 2;
            if (X > W || Y > H || (Y == H && X > 0)) Invalid(What, "an RLE delta moves past the image");
            break;
        }
        default: {  // absolute run of V pixels, padded to a 16-bit boundary
            const size_t Count = V;
            const size_t Bytes = Bc == 8 ? Count : (Count + 1) / 2;
            if (Len - P < Bytes) Invalid(What, "the RLE data is truncated");
            if (Y >= H || X + int64_t(Count) > W) Invalid(What, "RLE data runs past the image");
            if (Out) {
                uint32_t* R = Row() + X;
                const uint8_t* Src = S + P;
                for (size_t i = 0; i < Count; ++i)
                    R[i] = Lut[Bc == 8 ? Src[i] : ((i & 1) ? (Src[i / 2] & 15) : (Src[i / 2] >> 4))];
            }
            X += int64_t(Count);
            P += Bytes;
            if ((Bytes & 1) && P < Len) ++P;
            break;
        }
        }
    }
}

// Decodes the colour table and the pixel bits of a DIB whose header has been
// parsed. OffBits is the offset of the bits within D (0: right after the
// colour table). BitsEnd, when given, receives where the bits end (rows with
// their padding), which may lie past N.
TDibImage DecodeDib(const uint8_t* D, size_t N, const DibHeader& Hd, int64_t W, int64_t H, bool TopDown,
                    size_t OffBits, const std::string& What, uint64_t* BitsEnd) {
    CheckDimensions(W, H, What);
    const int Bc = Hd.BitCount;
    if (Hd.TableStart > N) Invalid(What, "the header is truncated");

    // The colour table: entries for <= 8 bits; an optional table of a
    // deeper image is skipped.
    uint64_t Entries = Hd.ClrUsed;
    if (Bc <= 8) {
        if (Entries > 256) Invalid(What, "the colour table has " + std::to_string(Entries) + " entries");
        if (Entries == 0) Entries = uint64_t(1) << Bc;
    }
    uint64_t BitsOff;
    if (OffBits) {
        if (OffBits < Hd.TableStart) Invalid(What, "the pixel data starts inside the header");
        if (OffBits >= N) Invalid(What, "the pixel data offset is past the end of the data");
        // Some writers store fewer colours than the header declares and
        // start the pixel data right after them.
        Entries = std::min<uint64_t>(Entries, (OffBits - Hd.TableStart) / Hd.EntrySize);
        BitsOff = OffBits;
    } else {
        const uint64_t TableBytes = Entries * Hd.EntrySize;
        if (TableBytes > N - Hd.TableStart) Invalid(What, "the colour table runs past the end of the data");
        BitsOff = Hd.TableStart + TableBytes;
    }

    TDibImage Img;
    Img.Width = int32_t(W);
    Img.Height = int32_t(H);
    Img.BitCount = Bc;
    uint32_t Lut[256];
    std::fill(std::begin(Lut), std::end(Lut), kOpaqueBlack);
    if (Bc <= 8) {
        const size_t Used = size_t(std::min<uint64_t>(Entries, uint64_t(1) << Bc));
        Img.Palette.resize(Used);
        for (size_t i = 0; i < Used; ++i) {
            const uint8_t* E = D + Hd.TableStart + i * Hd.EntrySize;
            const uint32_t C = (uint32_t(E[2]) << 16) | (uint32_t(E[1]) << 8) | E[0];
            Img.Palette[i] = C;
            Lut[i] = kOpaqueBlack | C;
        }
    }

    const size_t Count = size_t(W) * size_t(H);
    if (Hd.Compression == kBiRle8 || Hd.Compression == kBiRle4) {
        if (BitsOff >= N) Invalid(What, "the pixel data offset is past the end of the data");
        uint64_t Len = N - BitsOff;
        if (Hd.SizeImage && Hd.SizeImage < Len) Len = Hd.SizeImage;
        const uint8_t* S = D + BitsOff;
        RunRle(S, size_t(Len), Bc, W, H, TopDown, Lut, nullptr, What);
        Img.Pixels.assign(Count, kOpaqueBlack);
        RunRle(S, size_t(Len), Bc, W, H, TopDown, Lut, Img.Pixels.data(), What);
        if (BitsEnd) *BitsEnd = N;
        return Img;
    }

    const uint64_t Stride = (uint64_t(W) * Bc + 31) / 32 * 4;
    const uint64_t RowBytes = (uint64_t(W) * Bc + 7) / 8;
    // The padding of the last row may be missing.
    const uint64_t Need = Stride * uint64_t(H - 1) + RowBytes;
    if (BitsOff > N || Need > N - BitsOff) Invalid(What, "the pixel data is truncated");
    if (BitsEnd) *BitsEnd = BitsOff + Stride * uint64_t(H);

    Img.Pixels.resize(Count);
    const bool Fields = Hd.Compression == kBiBitFields || Hd.Compression == kBiAlphaBitFields;
    uint32_t Masks[4] = {0, 0, 0, 0};
    if (Fields) {
        std::copy(std::begin(Hd.Masks), std::end(Hd.Masks), Masks);
    } else if (Bc == 16) {
        Masks[0] = 0x7C00;
        Masks[1] = 0x03E0;
        Masks[2] = 0x001F;
    }
    const Channel R(Masks[0]), G(Masks[1]), B(Masks[2]), A(Masks[3]);
    // Alpha comes from the fourth byte of 32-bit BI_RGB pixels or from an
    // alpha mask; it counts only when it varies.
    const bool AlphaSource = (Bc == 32 && !Fields) || (Fields && Masks[3] != 0);
    bool AnyNonZero = false, AnyNotFull = false;

    for (int64_t Rw = 0; Rw < H; ++Rw) {
        const uint8_t* Src = D + BitsOff + uint64_t(Rw) * Stride;
        uint32_t* Dst = Img.Pixels.data() + (TopDown ? Rw : H - 1 - Rw) * W;
        switch (Bc) {
        case 1:
            for (int64_t X = 0; X < W; ++X) Dst[X] = Lut[(Src[X >> 3] >> (7 - (X & 7))) & 1];
            break;
        case 4:
            for (int64_t X = 0; X < W; ++X) Dst[X] = Lut[(Src[X >> 1] >> ((X & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            for (int64_t X = 0; X < W; ++X) Dst[X] = Lut[Src[X]];
            break;
        case 24:
            for (int64_t X = 0; X < W; ++X) {
                const uint8_t* P = Src + 3 * X;
                Dst[X] = kOpaqueBlack | (uint32_t(P[2]) << 16) | (uint32_t(P[1]) << 8) | P[0];
            }
            break;
        case 32:
            if (!Fields) {
                for (int64_t X = 0; X < W; ++X) {
                    const uint32_t V = U32(Src + 4 * X);
                    const uint32_t Al = V >> 24;
                    AnyNonZero |= Al != 0;
                    AnyNotFull |= Al != 0xFF;
                    Dst[X] = V;
                }
                break;
            }
            [[fallthrough]];
        case 16:
            for (int64_t X = 0; X < W; ++X) {
                const uint32_t V = Bc == 16 ? U16(Src + 2 * X) : U32(Src + 4 * X);
                uint32_t Al = 0xFF;
                if (AlphaSource) {
                    Al = A(V);
                    AnyNonZero |= Al != 0;
                    AnyNotFull |= Al != 0xFF;
                }
                Dst[X] = (Al << 24) | (R(V) << 16) | (G(V) << 8) | B(V);
            }
            break;
        }
    }
    Img.HasAlpha = AlphaSource && AnyNonZero && AnyNotFull;
    if (AlphaSource && !Img.HasAlpha)
        for (uint32_t& P : Img.Pixels) P |= kOpaqueBlack;
    return Img;
}

TDibImage ReadDibAt(const uint8_t* D, size_t N, size_t OffBits, const std::string& What) {
    const DibHeader Hd = ParseDibHeader(D, N, What);
    if (Hd.RawHeight == INT32_MIN) Invalid(What, "the height is out of range");
    const bool TopDown = Hd.RawHeight < 0;
    const int64_t H = TopDown ? -int64_t(Hd.RawHeight) : int64_t(Hd.RawHeight);
    return DecodeDib(D, N, Hd, Hd.Width, H, TopDown, OffBits, What, nullptr);
}

// ---------------------------------------------------------------------------
// Writing

void CheckWritable(int64_t W, int64_t H, size_t PixelCount, const char* What) {
    if (W <= 0 || H <= 0) CannotWrite(What, "the image is empty");
    if (W > kMaxSide || H > kMaxSide || uint64_t(W) * uint64_t(H) > kWriteMaxPixels)
        CannotWrite(What, "the image is too large");
    if (PixelCount != size_t(W) * size_t(H)) CannotWrite(What, "the pixel count does not match the size");
}

// A colour table and the index of every pixel in it.
struct Indexed {
    std::vector<uint32_t> Palette;
    std::vector<uint8_t> Index;
};

Indexed IndexPixels(const uint32_t* Px, size_t Count, int Bc, const std::vector<uint32_t>* Preferred,
                    const char* What) {
    const size_t Limit = size_t(1) << Bc;
    Indexed Res;
    Res.Index.resize(Count);
    std::unordered_map<uint32_t, uint8_t> Map;
    auto MapAll = [&]() {
        uint32_t Last = 0xFFFFFFFFu;
        uint8_t LastIndex = 0;
        for (size_t i = 0; i < Count; ++i) {
            const uint32_t C = Px[i] & 0xFFFFFF;
            if (C != Last) {
                auto It = Map.find(C);
                if (It == Map.end()) return false;
                Last = C;
                LastIndex = It->second;
            }
            Res.Index[i] = LastIndex;
        }
        return true;
    };
    if (Preferred && !Preferred->empty() && Preferred->size() <= Limit) {
        for (size_t i = 0; i < Preferred->size(); ++i) Map.emplace((*Preferred)[i] & 0xFFFFFF, uint8_t(i));
        if (MapAll()) {
            Res.Palette.reserve(Preferred->size());
            for (uint32_t C : *Preferred) Res.Palette.push_back(C & 0xFFFFFF);
            return Res;
        }
        Map.clear();
    }
    std::unordered_set<uint32_t> Seen;
    for (size_t i = 0; i < Count; ++i) {
        if (Seen.insert(Px[i] & 0xFFFFFF).second && Seen.size() > Limit)
            CannotWrite(What, "the image has more than " + std::to_string(Limit) + " colours for " +
                                  std::to_string(Bc) + " bits per pixel");
    }
    Res.Palette.assign(Seen.begin(), Seen.end());
    std::sort(Res.Palette.begin(), Res.Palette.end());
    for (size_t i = 0; i < Res.Palette.size(); ++i) Map.emplace(Res.Palette[i], uint8_t(i));
    MapAll();
    return Res;
}

void PutAbsolute(std::vector<uint8_t>& Out, const uint8_t* S, size_t N, int Bc) {
    Out.push_back(0);
    Out.push_back(uint8_t(N));
    size_t Bytes;
    if (Bc == 8) {
        Out.insert(Out.end(), S, S + N);
        Bytes = N;
    } else {
        Bytes = (N + 1) / 2;
        for (size_t i = 0; i < N; i += 2) Out.push_back(uint8_t((S[i] << 4) | (i + 1 < N ? S[i + 1] : 0)));
    }
    if (Bytes & 1) Out.push_back(0);
}

// Encodes one row of palette indices with RLE8.
void EncodeRle8Row(std::vector<uint8_t>& Out, const uint8_t* S, size_t W) {
    auto Starts3 = [&](size_t j) { return j + 2 < W && S[j] == S[j + 1] && S[j] == S[j + 2]; };
    size_t I = 0;
    while (I < W) {
        size_t Run = 1;
        while (I + Run < W && Run < 255 && S[I + Run] == S[I]) ++Run;
        if (Run >= 2) {
            Out.push_back(uint8_t(Run));
            Out.push_back(S[I]);
            I += Run;
            continue;
        }
        size_t J = I + 1;
        while (J < W && J - I < 255 && !Starts3(J)) ++J;
        const size_t N = J - I;
        if (N >= 3) {
            PutAbsolute(Out, S + I, N, 8);
        } else {
            for (size_t k = 0; k < N; ++k) {
                Out.push_back(1);
                Out.push_back(S[I + k]);
            }
        }
        I = J;
    }
}

// Encodes one row of 4-bit indices with RLE4: runs of one or two alternating
// colours, literal stretches in absolute mode.
void EncodeRle4Row(std::vector<uint8_t>& Out, const uint8_t* S, size_t W) {
    auto AltRun = [&](size_t i, size_t Cap) {
        size_t Run = 1;
        while (i + Run < W && Run < Cap && S[i + Run] == S[i + (Run & 1)]) ++Run;
        return Run;
    };
    size_t I = 0;
    while (I < W) {
        const size_t Run = AltRun(I, 255);
        if (Run >= 4 || I + Run == W) {
            Out.push_back(uint8_t(Run));
            Out.push_back(uint8_t((S[I] << 4) | (Run > 1 ? S[I + 1] : S[I])));
            I += Run;
            continue;
        }
        size_t J = I + 1;
        while (J < W && J - I < 255 && AltRun(J, 4) < 4) ++J;
        size_t N = J - I;
        if (N >= 3) {
            PutAbsolute(Out, S + I, N, 4);
        } else {
            // One or two pixels: an encoded run holds them.
            Out.push_back(uint8_t(N));
            Out.push_back(uint8_t((S[I] << 4) | (N > 1 ? S[I + 1] : S[I])));
        }
        I = J;
    }
}

struct EncodedDib {
    std::vector<uint8_t> Bytes;
    size_t BitsOffset = 0;
    size_t BitsSize = 0;
};

// Writes BITMAPINFOHEADER, colour table and bottom-up bits. FullTable
// stores 2^BitCount colour entries (as icons expect) instead of the used ones.
EncodedDib EncodeDib(const uint32_t* Px, int32_t W, int32_t H, const std::vector<uint32_t>* Preferred, int Bc,
                     bool Rle, bool KeepAlpha, bool FullTable, const char* What) {
    if (Bc != 1 && Bc != 4 && Bc != 8 && Bc != 24 && Bc != 32)
        CannotWrite(What, "the bit count " + std::to_string(Bc) + " is not supported");
    if (Rle && Bc != 4 && Bc != 8) CannotWrite(What, "RLE compression needs 4 or 8 bits per pixel");

    const size_t Count = size_t(W) * size_t(H);
    Indexed Ix;
    if (Bc <= 8) {
        Ix = IndexPixels(Px, Count, Bc, Preferred, What);
        if (FullTable) Ix.Palette.resize(size_t(1) << Bc, 0);
    }
    EncodedDib Res;
    std::vector<uint8_t>& Out = Res.Bytes;
    const uint64_t Stride = (uint64_t(W) * Bc + 31) / 32 * 4;
    if (!Rle) Out.reserve(40 + Ix.Palette.size() * 4 + Stride * uint64_t(H));
    Put32(Out, 40);
    Put32(Out, uint32_t(W));
    Put32(Out, uint32_t(H));
    Put16(Out, 1);
    Put16(Out, uint32_t(Bc));
    Put32(Out, Rle ? (Bc == 8 ? kBiRle8 : kBiRle4) : kBiRgb);
    Put32(Out, 0);  // size of the bits, set below
    Put32(Out, 3780);  // 96 dots per inch
    Put32(Out, 3780);
    Put32(Out, FullTable ? 0 : uint32_t(Ix.Palette.size()));
    Put32(Out, 0);
    for (uint32_t C : Ix.Palette) Put32(Out, C & 0xFFFFFF);
    Res.BitsOffset = Out.size();

    for (int64_t Rw = 0; Rw < H; ++Rw) {
        const int64_t Y = H - 1 - Rw;
        const uint32_t* Src = Px + Y * W;
        const uint8_t* Idx = Bc <= 8 ? Ix.Index.data() + Y * W : nullptr;
        if (Rle) {
            if (Bc == 8) EncodeRle8Row(Out, Idx, size_t(W));
            else EncodeRle4Row(Out, Idx, size_t(W));
            Out.push_back(0);
            Out.push_back(Rw + 1 < H ? 0 : 1);  // end of line, or end of bitmap after the last row
            continue;
        }
        const size_t Start = Out.size();
        Out.resize(Start + Stride, 0);
        uint8_t* Dst = Out.data() + Start;
        switch (Bc) {
        case 1:
            for (int64_t X = 0; X < W; ++X) Dst[X >> 3] |= uint8_t(Idx[X] << (7 - (X & 7)));
            break;
        case 4:
            for (int64_t X = 0; X < W; ++X) Dst[X >> 1] |= uint8_t(Idx[X] << ((X & 1) ? 0 : 4));
            break;
        case 8:
            std::copy(Idx, Idx + W, Dst);
            break;
        case 24:
            for (int64_t X = 0; X < W; ++X) {
                Dst[3 * X] = uint8_t(Src[X]);
                Dst[3 * X + 1] = uint8_t(Src[X] >> 8);
                Dst[3 * X + 2] = uint8_t(Src[X] >> 16);
            }
            break;
        case 32:
            for (int64_t X = 0; X < W; ++X) {
                const uint32_t V = KeepAlpha ? Src[X] : (Src[X] | kOpaqueBlack);
                for (int k = 0; k < 4; ++k) Dst[4 * X + k] = uint8_t(V >> (8 * k));
            }
            break;
        }
    }
    Res.BitsSize = Out.size() - Res.BitsOffset;
    if (Res.BitsSize > 0xFFFFFFFFu - 14 - Res.BitsOffset) CannotWrite(What, "the image is too large");
    Poke32(Out, 20, uint32_t(Res.BitsSize));
    return Res;
}

// ---------------------------------------------------------------------------
// Icons

bool IsPng(const uint8_t* D, size_t N) {
    static const uint8_t Sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return N >= 8 && std::memcmp(D, Sig, 8) == 0;
}

// Decodes one icon image. EntryHeight is the height the directory gives (0
// when unknown); it tells a header height that does not count the mask.
TIconImage DecodeIconImage(const uint8_t* D, size_t N, int64_t EntryHeight, const std::string& What) {
    TIconImage Ic;
    if (IsPng(D, N)) {
        TDibImage Png;
        try {
            Png = ReadPng(D, N);
        } catch (const EInvalidGraphic& E) {
            Invalid(What, E.Message());
        }
        Ic.Width = Png.Width;
        Ic.Height = Png.Height;
        Ic.BitCount = 32;
        Ic.Pixels = std::move(Png.Pixels);
        Ic.Mask.resize(Ic.Pixels.size());
        for (size_t i = 0; i < Ic.Pixels.size(); ++i) Ic.Mask[i] = (Ic.Pixels[i] >> 24) == 0;
        return Ic;
    }

    const DibHeader Hd = ParseDibHeader(D, N, What);
    if (Hd.Compression != kBiRgb && Hd.Compression != kBiBitFields && Hd.Compression != kBiAlphaBitFields)
        Invalid(What, "compressed icon bitmaps are not supported");
    if (Hd.RawHeight == INT32_MIN) Invalid(What, "the height is out of range");
    const bool TopDown = Hd.RawHeight < 0;
    const int64_t Raw = TopDown ? -int64_t(Hd.RawHeight) : int64_t(Hd.RawHeight);
    int64_t H;
    if (EntryHeight > 0 && Raw == EntryHeight) {
        H = Raw;  // a header that does not count the mask
    } else {
        if (Raw & 1) Invalid(What, "the bitmap height " + std::to_string(Raw) + " does not count the mask");
        H = Raw / 2;
    }
    uint64_t BitsEnd = 0;
    TDibImage Img = DecodeDib(D, N, Hd, Hd.Width, H, TopDown, 0, What, &BitsEnd);
    const int64_t W = Img.Width;
    Ic.Width = Img.Width;
    Ic.Height = Img.Height;
    Ic.BitCount = Img.BitCount;
    Ic.Pixels = std::move(Img.Pixels);
    Ic.Mask.assign(Ic.Pixels.size(), 0);

    const uint64_t MaskStride = (uint64_t(W) + 31) / 32 * 4;
    const uint64_t MaskNeed = MaskStride * uint64_t(H - 1) + (uint64_t(W) + 7) / 8;
    if (BitsEnd <= N && MaskNeed <= N - BitsEnd) {
        for (int64_t Rw = 0; Rw < H; ++Rw) {
            const uint8_t* Src = D + BitsEnd + uint64_t(Rw) * MaskStride;
            uint8_t* Dst = Ic.Mask.data() + (TopDown ? Rw : H - 1 - Rw) * W;
            for (int64_t X = 0; X < W; ++X) Dst[X] = (Src[X >> 3] >> (7 - (X & 7))) & 1;
        }
    } else if (Img.HasAlpha) {
        // A 32-bit image with alpha says everything without the mask.
        for (size_t i = 0; i < Ic.Pixels.size(); ++i) Ic.Mask[i] = (Ic.Pixels[i] >> 24) == 0;
        return Ic;
    } else {
        Invalid(What, "the AND mask is missing or truncated");
    }
    if (!Img.HasAlpha) {
        for (size_t i = 0; i < Ic.Pixels.size(); ++i)
            Ic.Pixels[i] = (Ic.Pixels[i] & 0xFFFFFF) | (Ic.Mask[i] ? 0u : kOpaqueBlack);
    }
    return Ic;
}

void CheckIconImage(const TIconImage& Ic, int Bc, const char* What) {
    if (Bc != 4 && Bc != 8 && Bc != 24 && Bc != 32)
        CannotWrite(What, "the bit count " + std::to_string(Bc) + " is not supported (4, 8, 24 or 32)");
    if (Ic.Width < 1 || Ic.Height < 1 || Ic.Width > 256 || Ic.Height > 256)
        CannotWrite(What, "an icon image must be 1 to 256 pixels on a side");
    const size_t Count = size_t(Ic.Width) * size_t(Ic.Height);
    if (Ic.Pixels.size() != Count) CannotWrite(What, "the pixel count does not match the size");
    if (!Ic.Mask.empty() && Ic.Mask.size() != Count) CannotWrite(What, "the mask does not match the size");
}

std::vector<uint8_t> EncodeIconImage(const TIconImage& Ic, int Bc, const char* What) {
    CheckIconImage(Ic, Bc, What);
    const int64_t W = Ic.Width, H = Ic.Height;
    EncodedDib Dib = EncodeDib(Ic.Pixels.data(), Ic.Width, Ic.Height, nullptr, Bc, false, Bc == 32, true, What);
    std::vector<uint8_t>& Out = Dib.Bytes;
    const uint64_t MaskStride = (uint64_t(W) + 31) / 32 * 4;
    Poke32(Out, 8, uint32_t(2 * H));
    Poke32(Out, 20, uint32_t(Dib.BitsSize + MaskStride * uint64_t(H)));
    for (int64_t Rw = 0; Rw < H; ++Rw) {
        const int64_t Y = H - 1 - Rw;
        const size_t Start = Out.size();
        Out.resize(Start + MaskStride, 0);
        for (int64_t X = 0; X < W; ++X) {
            const size_t I = size_t(Y * W + X);
            const bool Transparent = Ic.Mask.empty() ? (Ic.Pixels[I] >> 24) == 0 : Ic.Mask[I] != 0;
            if (Transparent) Out[Start + (X >> 3)] |= uint8_t(0x80 >> (X & 7));
        }
    }
    return Out;
}

}  // namespace

uint64_t MaxImagePixels() { return GMaxPixels.load(std::memory_order_relaxed); }

void SetMaxImagePixels(uint64_t Limit) { GMaxPixels.store(Limit, std::memory_order_relaxed); }

TDibImage ReadBmp(const uint8_t* Data, size_t Size) {
    const std::string What = kBitmapInvalid;
    if (!Data || Size < 14) Invalid(What, "the file header is truncated");
    if (Data[0] != 'B' || Data[1] != 'M') Invalid(What, "the file does not start with BM");
    const uint32_t OffBits = U32(Data + 10);
    // The info header starts after the 14-byte file header; the offset of the
    // bits counts from the start of the file.
    if (OffBits != 0 && OffBits <= 14) Invalid(What, "the pixel data starts inside the header");
    return ReadDibAt(Data + 14, Size - 14, OffBits ? OffBits - 14 : 0, What);
}

TDibImage ReadDib(const uint8_t* Data, size_t Size) {
    if (!Data) Size = 0;
    return ReadDibAt(Data, Size, 0, kBitmapInvalid);
}

std::vector<uint8_t> WriteDib(const TDibImage& Img, int BitCount, bool Rle) {
    CheckWritable(Img.Width, Img.Height, Img.Pixels.size(), kBitmapWrite);
    return EncodeDib(Img.Pixels.data(), Img.Width, Img.Height, &Img.Palette, BitCount, Rle, Img.HasAlpha, false,
                     kBitmapWrite)
        .Bytes;
}

std::vector<uint8_t> WriteBmp(const TDibImage& Img, int BitCount, bool Rle) {
    CheckWritable(Img.Width, Img.Height, Img.Pixels.size(), kBitmapWrite);
    EncodedDib Dib = EncodeDib(Img.Pixels.data(), Img.Width, Img.Height, &Img.Palette, BitCount, Rle, Img.HasAlpha,
                               false, kBitmapWrite);
    std::vector<uint8_t> Out;
    Out.reserve(14 + Dib.Bytes.size());
    Out.push_back('B');
    Out.push_back('M');
    Put32(Out, uint32_t(14 + Dib.Bytes.size()));
    Put32(Out, 0);
    Put32(Out, uint32_t(14 + Dib.BitsOffset));
    Out.insert(Out.end(), Dib.Bytes.begin(), Dib.Bytes.end());
    return Out;
}

TIconImage ReadIconImage(const uint8_t* Data, size_t Size) {
    if (!Data) Size = 0;
    return DecodeIconImage(Data, Size, 0, kIconInvalid);
}

std::vector<uint8_t> WriteIconImage(const TIconImage& Image, int BitCount) {
    return EncodeIconImage(Image, BitCount, kIconWrite);
}

std::vector<TIconImage> ReadIco(const uint8_t* Data, size_t Size, TIconKind* Kind) {
    const std::string What = kIconInvalid;
    if (!Data || Size < 6) Invalid(What, "the header is truncated");
    if (U16(Data) != 0) Invalid(What, "the reserved field is not zero");
    const uint16_t Type = U16(Data + 2);
    if (Type != 1 && Type != 2) Invalid(What, "the resource type " + std::to_string(Type) + " is neither icon nor cursor");
    const size_t Count = U16(Data + 4);
    if (Count == 0) Invalid(What, "the file holds no images");
    const size_t DirEnd = 6 + 16 * Count;
    if (DirEnd > Size) Invalid(What, "the directory is truncated");

    // Entries may share their data, so the pixels of all images together are
    // held to the limit of one image.
    const uint64_t Budget = MaxImagePixels();
    uint64_t Total = 0;
    std::vector<TIconImage> Images;
    Images.reserve(Count);
    for (size_t i = 0; i < Count; ++i) {
        const uint8_t* E = Data + 6 + 16 * i;
        const std::string Where = What + ": image " + std::to_string(i + 1);
        const uint32_t Bytes = U32(E + 8);
        const uint32_t Offset = U32(E + 12);
        if (Bytes == 0) Invalid(Where, "the image is empty");
        if (Offset < DirEnd) Invalid(Where, "the image overlaps the directory");
        if (Offset >= Size || Bytes > Size - Offset) Invalid(Where, "the image runs past the end of the file");
        const int64_t EntryHeight = E[1] ? E[1] : 256;
        TIconImage Ic = DecodeIconImage(Data + Offset, Bytes, EntryHeight, Where);
        Total += Ic.Pixels.size();
        if (Total > Budget) Invalid(Where, "the images are too large together");
        if (Type == 2) {
            Ic.HotSpotX = U16(E + 4);
            Ic.HotSpotY = U16(E + 6);
        }
        Images.push_back(std::move(Ic));
    }
    if (Kind) *Kind = Type == 2 ? TIconKind::Cursor : TIconKind::Icon;
    return Images;
}

std::vector<uint8_t> WriteIco(const std::vector<TIconImage>& Images, int BitCount, TIconKind Kind) {
    if (Images.empty()) CannotWrite(kIconWrite, "there are no images");
    if (Images.size() > 0xFFFF) CannotWrite(kIconWrite, "there are too many images");
    const bool Cursor = Kind == TIconKind::Cursor;
    std::vector<std::vector<uint8_t>> Parts;
    Parts.reserve(Images.size());
    for (const TIconImage& Ic : Images) {
        if (Cursor && (Ic.HotSpotX < 0 || Ic.HotSpotX > 0xFFFF || Ic.HotSpotY < 0 || Ic.HotSpotY > 0xFFFF))
            CannotWrite(kIconWrite, "the hot spot is out of range");
        Parts.push_back(EncodeIconImage(Ic, BitCount, kIconWrite));
    }
    std::vector<uint8_t> Out;
    Put16(Out, 0);
    Put16(Out, Cursor ? 2 : 1);
    Put16(Out, uint32_t(Images.size()));
    uint64_t Offset = 6 + 16 * uint64_t(Images.size());
    for (size_t i = 0; i < Images.size(); ++i) {
        const TIconImage& Ic = Images[i];
        if (Offset + Parts[i].size() > 0xFFFFFFFFu) CannotWrite(kIconWrite, "the file would be too large");
        Out.push_back(uint8_t(Ic.Width == 256 ? 0 : Ic.Width));
        Out.push_back(uint8_t(Ic.Height == 256 ? 0 : Ic.Height));
        Out.push_back(uint8_t(BitCount < 8 ? 1 << BitCount : 0));
        Out.push_back(0);
        if (Cursor) {
            Put16(Out, uint32_t(Ic.HotSpotX));
            Put16(Out, uint32_t(Ic.HotSpotY));
        } else {
            Put16(Out, 1);
            Put16(Out, uint32_t(BitCount));
        }
        Put32(Out, uint32_t(Parts[i].size()));
        Put32(Out, uint32_t(Offset));
        Offset += Parts[i].size();
    }
    for (const auto& P : Parts) Out.insert(Out.end(), P.begin(), P.end());
    return Out;
}

}  // namespace vcl
