// Fuzz target of the icon reader: the bytes are read as an ICO/CUR file and
// as a single icon image. Anything but EInvalidGraphic escaping is a fault,
// and so is an icon that does not survive being written and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Exceptions.h"
#include "ImageCodecs.h"

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

void CheckImage(const vcl::TIconImage& Ic) {
    Check(Ic.Width > 0 && Ic.Height > 0);
    Check(Ic.Pixels.size() == size_t(Ic.Width) * size_t(Ic.Height));
    Check(Ic.Mask.size() == Ic.Pixels.size());
}

// What 32 bits give back: the pixels themselves when their alpha varies,
// otherwise the colours with alpha from the mask.
std::vector<uint32_t> Expected(const vcl::TIconImage& Ic) {
    bool AnyNonZero = false, AnyNotFull = false;
    for (uint32_t P : Ic.Pixels) {
        AnyNonZero |= (P >> 24) != 0;
        AnyNotFull |= (P >> 24) != 0xFF;
    }
    if (AnyNonZero && AnyNotFull) return Ic.Pixels;
    std::vector<uint32_t> E(Ic.Pixels.size());
    for (size_t i = 0; i < E.size(); ++i) E[i] = (Ic.Pixels[i] & 0xFFFFFF) | (Ic.Mask[i] ? 0u : 0xFF000000u);
    return E;
}

void CheckRoundTrip(const std::vector<vcl::TIconImage>& Images, vcl::TIconKind Kind) {
    size_t Total = 0;
    for (const vcl::TIconImage& Ic : Images) {
        CheckImage(Ic);
        if (Ic.Width > 256 || Ic.Height > 256) return;
        Total += Ic.Pixels.size();
    }
    if (Total > (1u << 18)) return;
    const std::vector<uint8_t> File = vcl::WriteIco(Images, 32, Kind);
    vcl::TIconKind BackKind = vcl::TIconKind::Icon;
    const std::vector<vcl::TIconImage> Back = vcl::ReadIco(File.data(), File.size(), &BackKind);
    Check(BackKind == Kind);
    Check(Back.size() == Images.size());
    for (size_t i = 0; i < Images.size(); ++i) {
        Check(Back[i].Width == Images[i].Width && Back[i].Height == Images[i].Height);
        Check(Back[i].Mask == Images[i].Mask);
        Check(Back[i].Pixels == Expected(Images[i]));
        if (Kind == vcl::TIconKind::Cursor)
            Check(Back[i].HotSpotX == Images[i].HotSpotX && Back[i].HotSpotY == Images[i].HotSpotY);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vcl::SetMaxImagePixels(1u << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    try {
        vcl::TIconKind Kind = vcl::TIconKind::Icon;
        const std::vector<vcl::TIconImage> Images = vcl::ReadIco(Data, Size, &Kind);
        CheckRoundTrip(Images, Kind);
    } catch (const vcl::EInvalidGraphic&) {
    }
    try {
        const vcl::TIconImage Ic = vcl::ReadIconImage(Data, Size);
        CheckImage(Ic);
    } catch (const vcl::EInvalidGraphic&) {
    }
    return 0;
}
