// Fuzz target of the bitmap reader: the bytes are read as a BMP file and as a
// bare DIB. Anything but EInvalidGraphic escaping is a fault, and so is an
// image that does not survive being written and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Exceptions.h"
#include "ImageCodecs.h"

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

void CheckRoundTrip(const vcl::TDibImage& Img) {
    Check(Img.Width > 0 && Img.Height > 0);
    Check(Img.Pixels.size() == size_t(Img.Width) * size_t(Img.Height));
    Check(Img.BitCount > 8 || Img.Palette.size() <= (size_t(1) << Img.BitCount));
    if (Img.Pixels.size() > (1u << 16)) return;

    // 32 bits hold every decoded image exactly.
    const std::vector<uint8_t> File = vcl::WriteBmp(Img, 32);
    const vcl::TDibImage Back = vcl::ReadBmp(File.data(), File.size());
    Check(Back.Width == Img.Width && Back.Height == Img.Height);
    Check(Back.HasAlpha == Img.HasAlpha);
    Check(Back.Pixels == Img.Pixels);

    // A paletted image at its own depth, plain and compressed, as long as
    // its colours fit (an index beyond a full table reads as black).
    if (Img.BitCount == 1 || Img.BitCount == 4 || Img.BitCount == 8) {
        for (bool Rle : {false, true}) {
            if (Rle && Img.BitCount == 1) continue;
            std::vector<uint8_t> Again;
            try {
                Again = vcl::WriteBmp(Img, Img.BitCount, Rle);
            } catch (const vcl::EInvalidGraphicOperation&) {
                continue;
            }
            const vcl::TDibImage Copy = vcl::ReadBmp(Again.data(), Again.size());
            Check(Copy.Pixels == Img.Pixels);
            Check(Copy.BitCount == Img.BitCount);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Keep single inputs fast: a few bytes of RLE may describe a huge image.
    vcl::SetMaxImagePixels(1u << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    for (int Bare = 0; Bare < 2; ++Bare) {
        try {
            const vcl::TDibImage Img = Bare ? vcl::ReadDib(Data, Size) : vcl::ReadBmp(Data, Size);
            CheckRoundTrip(Img);
        } catch (const vcl::EInvalidGraphic&) {
        }
    }
    return 0;
}
