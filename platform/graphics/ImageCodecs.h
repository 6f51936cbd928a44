// ImageCodecs.h - reading and writing the image formats of the drawing layer:
// device-independent bitmaps (BMP files and bare DIBs), icons and cursors
// (ICO/CUR files and single icon images), and PNG through libpng.
//
// The codecs work on plain pixel containers; TBitmap and TIcon convert from
// and to them. Every reader treats its input as untrusted: sizes, offsets,
// colour tables and compressed streams are checked against the data, and
// anything that does not fit raises EInvalidGraphic with a message naming
// the fault ("Bitmap image is not valid: RLE data runs past the image").
// Writers raise EInvalidGraphicOperation for an image they cannot write.
//
// Pixels are 32-bit values 0xAARRGGBB, rows top down, Width*Height of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "GdiTypes.h"

namespace vcl {

// A decoded device-independent bitmap.
struct TDibImage {
    int32_t Width = 0;
    int32_t Height = 0;
    int BitCount = 32;               // the file's bit count: 1, 4, 8, 16, 24 or 32
    std::vector<uint32_t> Palette;   // 0x00RRGGBB entries, for <= 8 bits per pixel
    std::vector<uint32_t> Pixels;    // Width*Height, top down, 0xAARRGGBB
    bool HasAlpha = false;           // the pixels carry alpha; otherwise every alpha is 0xFF
};

// The readers refuse images with a side over 65535 pixels or with more
// pixels than this limit (default 2^28). A program that decodes untrusted
// images may lower it; the setting is shared by all threads.
uint64_t MaxImagePixels();
void SetMaxImagePixels(uint64_t Limit);

// Reads a BMP file: BITMAPFILEHEADER followed by a BITMAPINFOHEADER (or its
// V4/V5 extensions) or a BITMAPCOREHEADER. Bit counts 1, 4, 8, 16, 24 and 32;
// uncompressed, RLE8, RLE4 and bit fields; bottom-up and top-down rows.
//  - 16 bits without bit fields are 5-5-5.
//  - 32 bits: the fourth byte is alpha when its values vary; when it is 0 or
//    0xFF throughout, the image is opaque (HasAlpha false, alpha 0xFF).
//  - Pixels an RLE stream skips with a delta or an early end of line or end
//    of bitmap are opaque black.
//  - A palette index beyond the colour table reads as opaque black.
TDibImage ReadBmp(const uint8_t* Data, size_t Size);
// The same for a DIB without the file header (as kept in resources and on
// the clipboard): the pixel bits follow the colour table directly.
TDibImage ReadDib(const uint8_t* Data, size_t Size);

// Writes a BMP file (bottom-up, BITMAPINFOHEADER) with 1, 4, 8, 24 or 32 bits
// per pixel; Rle compresses 8 bits with RLE8 and 4 bits with RLE4 (invalid for
// other bit counts). For <= 8 bits the colour table is the image's Palette
// when it fits and holds every colour of the image; otherwise it is built
// from the image's colours in ascending order, and an image with more
// colours than the bit count allows is refused. Nothing is approximated:
// what is written reads back as the same colours. 32 bits keep the alpha of
// an image with HasAlpha and write 0xFF otherwise; fewer bits drop alpha.
std::vector<uint8_t> WriteBmp(const TDibImage& Img, int BitCount, bool Rle = false);
// The same without the file header.
std::vector<uint8_t> WriteDib(const TDibImage& Img, int BitCount, bool Rle = false);

// One image of an icon or cursor.
struct TIconImage {
    int32_t Width = 0;
    int32_t Height = 0;
    // Width*Height, top down, 0xAARRGGBB. Alpha comes from the image's own
    // alpha channel (32 bits) or from the AND mask (0 where transparent).
    // Transparent pixels keep the colour of the XOR bitmap, normally black.
    std::vector<uint32_t> Pixels;
    // Width*Height, 1 = transparent (the AND mask). Writers derive it from
    // alpha (transparent where alpha is 0) when it is empty.
    std::vector<uint8_t> Mask;
    int BitCount = 32;               // the stored bit count (32 for a PNG entry)
    int32_t HotSpotX = 0;            // cursors only
    int32_t HotSpotY = 0;
};

enum class TIconKind { Icon, Cursor };

// Reads an ICO or CUR file: every image in directory order, DIB images with
// XOR bitmap and AND mask as well as PNG-compressed ones. A cursor's hot
// spots are kept in its images. Kind, when given, receives the file's kind.
std::vector<TIconImage> ReadIco(const uint8_t* Data, size_t Size, TIconKind* Kind = nullptr);

// Writes an ICO (or, with TIconKind::Cursor, a CUR file with each image's hot
// spot) whose images are DIBs of 4, 8, 24 or 32 bits with an AND mask. Each
// image must be 1..256 pixels on a side. At 4 and 8 bits the colour table is
// built from the image's colours (an image with too many is refused); 32 bits
// keep the pixels' alpha.
std::vector<uint8_t> WriteIco(const std::vector<TIconImage>& Images, int BitCount,
                              TIconKind Kind = TIconKind::Icon);

// Reads one icon image as stored in an ICO entry or an icon resource: a DIB
// whose header height counts the XOR bitmap and the AND mask, or a PNG.
TIconImage ReadIconImage(const uint8_t* Data, size_t Size);
// Writes one icon image as a DIB with its AND mask (4, 8, 24 or 32 bits).
std::vector<uint8_t> WriteIconImage(const TIconImage& Image, int BitCount);

// Encodes the pixels of a view as an 8-bit RGB PNG, or RGBA with WithAlpha.
// Raises EInvalidGraphicOperation for an empty view.
std::vector<uint8_t> EncodePng(const TPixelView& View, bool WithAlpha = false);

// Saves the pixels of a view as a PNG file. Returns true when the file was
// written completely; on any failure (an empty view, a folder that does not
// exist, no permission, a full disk) it returns false, never throws, and
// leaves an existing file at Path as it was (the new file is written beside
// it and renamed over it).
bool SavePixelsToPng(const TPixelView& View, const std::string& Path, bool WithAlpha = false);

// Reads a PNG: any colour type and bit depth, interlaced or not. Samples are
// taken as stored (no gamma correction) and reduced to 8 bits. BitCount is
// 32 when the image has alpha (an alpha channel or a transparency chunk),
// 24 otherwise; Palette stays empty.
TDibImage ReadPng(const uint8_t* Data, size_t Size);

}  // namespace vcl
