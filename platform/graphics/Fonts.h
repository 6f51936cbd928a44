// Fonts.h - font resolution and the glyph cache of the drawing layer.
//
// A TFontRequest describes a font the way a logical font does (face name, cell or
// em height, weight, italic, underline, strike-out, escapement, quality).
// ResolveFont maps it through a fixed alias table and fontconfig onto an
// installed font file, loads it with FreeType at the requested pixel size and
// hands out a shared, immutable TFontFace. Faces are cached by request, so a request
// asks fontconfig only the first time it is resolved; every face keeps the
// glyph bitmaps it has rendered, so repeated text costs a table look-up per
// character. Faces and the cache are safe to use from several threads.
//
// Face-name aliases (compared without regard to case and outer blanks):
//
//   asked for                          installed family         notes
//   ---------------------------------  -----------------------  -----------------
//   MS Sans Serif, MS Shell Dlg,       Liberation Sans
//   Arial, Helvetica, (empty name)
//   Times New Roman, Times, MS Serif   Liberation Serif
//   Courier New, Courier               Liberation Mono
//   Fixedsys, Terminal, Lucida Console DejaVu Sans Mono
//   Small Fonts                        DejaVu Sans
//   Tahoma, Verdana, MS Shell Dlg 2,   DejaVu Sans
//   Segoe UI
//   System                             DejaVu Sans              always bold
//   Wingdings                          DejaVu Sans              symbol codes remapped
//
// Every alias falls back to "DejaVu Sans" when its family is not installed. Any
// other name is looked up as it is: fontconfig's best match for the name, then
// "DejaVu Sans". Glyphs missing from the resolved font are taken from DejaVu Sans
// at the same size (so U+FFFD, arrows and the like always show).
//
// Wingdings: a character code c of the symbol font arrives either as the code
// point U+00c or as U+F0c (the private-use form). The codes below are drawn as
// the Unicode characters listed; where two are listed, the first is used when
// the font has it, the second otherwise. Codes not in the table are drawn as
// the code point itself.
//
//   0x4A smiling face U+263A            0x4C frowning face U+2639
//   0x6C black circle U+25CF            0x6E black square U+25A0
//   0x6F white square U+25A1            0xA1 white circle U+25CB
//   0xA8 white medium square U+25FB
//   0xD5 erase left U+232B              0xD6 erase right U+2326
//   0xD7 left arrowhead  U+2B98 / U+25C0   0xD8 right arrowhead U+2B9A / U+25B6
//   0xD9 up arrowhead    U+2B99 / U+25B2   0xDA down arrowhead  U+2B9B / U+25BC
//   0xDB circled left    U+2B88 / U+2B05   0xDC circled right   U+2B8A / U+27A1
//   0xDD circled up      U+2B89 / U+2B06   0xDE circled down    U+2B8B / U+2B07
//   0xDF left arrow      U+1F868 / U+2190  0xE0 right arrow     U+1F86A / U+2192
//   0xE1 up arrow        U+1F869 / U+2191  0xE2 down arrow      U+1F86B / U+2193
//   0xE3 up-left arrow   U+1F86C / U+2196  0xE4 up-right arrow  U+1F86D / U+2197
//   0xE5 down-left arrow U+1F86F / U+2199  0xE6 down-right arrow U+1F86E / U+2198
//   0xE7 heavy left      U+1F878 / U+2B05  0xE8 heavy right     U+1F87A / U+27A1
//   0xE9 heavy up        U+1F879 / U+2B06  0xEA heavy down      U+1F87B / U+2B07
//   0xEB heavy up-left   U+1F87C / U+2B09  0xEC heavy up-right  U+1F87D / U+2B08
//   0xED heavy down-left U+1F87F / U+2B0B  0xEE heavy down-right U+1F87E / U+2B0A
//   0xEF white left  U+21E6   0xF0 white right U+21E8   0xF1 white up U+21E7
//   0xF2 white down  U+21E9   0xF3 white left-right U+2B04   0xF4 white up-down U+21F3
//   0xF5 white up-left U+2B01  0xF6 white up-right U+2B00
//   0xF7 white down-left U+2B03  0xF8 white down-right U+2B02
//   0xF9 white rectangle U+25AD  0xFA white small square U+25AB
//   0xFB ballot x U+2717  0xFC check mark U+2713  0xFD ballot box with x U+2612
//   0xFE ballot box with check U+2611
//
// Sizes follow the logical-font rules: a positive Height is the cell height
// (ascent + descent) in pixels, a negative Height the em height, 0 a default em
// of 12 pixels. Weight 0 means 400; a weight of 600 or more selects a bold face,
// or emboldens the regular one when the family has no bold face. Italic selects
// an italic or oblique face, or slants the upright one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Exceptions.h"
#include "GdiTypes.h"

namespace vcl {

// Raised when no font can be loaded at all or a size is out of range.
VCL_DECLARE_EXCEPTION(EFontError, Exception)

// Output quality of a logical font.
constexpr int DEFAULT_QUALITY = 0;         // the classic aliased look
constexpr int DRAFT_QUALITY = 1;           // aliased
constexpr int PROOF_QUALITY = 2;           // aliased
constexpr int NONANTIALIASED_QUALITY = 3;  // aliased
constexpr int ANTIALIASED_QUALITY = 4;     // grey levels blended over the destination
constexpr int CLEARTYPE_QUALITY = 5;       // drawn as ANTIALIASED_QUALITY
constexpr int CLEARTYPE_NATURAL_QUALITY = 6;  // drawn as ANTIALIASED_QUALITY

// The largest em height, in pixels, a font can be resolved at.
constexpr int32_t MaxFontEmHeight = 2048;

struct TFontRequest {
    std::string FaceName;
    int32_t Height = 0;       // >0 cell height, <0 em height, 0 default (em 12 px)
    int32_t Width = 0;        // average character width in pixels; 0 = natural
    int32_t Weight = 400;     // 0 = 400; >= 600 is bold
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int32_t Escapement = 0;   // direction of the baseline, tenths of a degree counter-clockwise
    int Quality = DEFAULT_QUALITY;
    bool operator==(const TFontRequest&) const = default;
};

// Text metrics with the meaning of the logical-font API: Height = Ascent +
// Descent; InternalLeading = Height - em height.
struct TTextMetric {
    int32_t tmHeight = 0;
    int32_t tmAscent = 0;
    int32_t tmDescent = 0;
    int32_t tmInternalLeading = 0;
    int32_t tmExternalLeading = 0;
    int32_t tmAveCharWidth = 0;
    int32_t tmMaxCharWidth = 0;
    int32_t tmWeight = 0;
    int32_t tmOverhang = 0;
    bool tmItalic = false;
    bool tmUnderlined = false;
    bool tmStruckOut = false;
    bool tmFixedPitch = false;  // true for a monospaced font
};

// A rendered glyph: Coverage holds Width * Height bytes, row by row, 0 =
// background, 255 = ink (aliased glyphs use only 0 and 255). The bitmap's
// top-left pixel lies at (pen.X + Left, pen.Y - Top), where pen is the point on
// the baseline where the glyph starts. Advance is the distance to the next pen
// position along the baseline, in whole pixels.
struct TGlyph {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Advance = 0;
    std::unique_ptr<uint8_t[]> Coverage;
};

// A resolved font at one pixel size. Immutable apart from its glyph cache;
// every member may be called from any thread.
class TFontFace {
public:
    ~TFontFace();
    TFontFace(const TFontFace&) = delete;
    TFontFace& operator=(const TFontFace&) = delete;

    const TFontRequest& Request() const;
    const std::string& FamilyName() const;  // the installed family used
    const std::string& StyleName() const;   // its style, e.g. "Bold Italic"
    const std::string& FileName() const;
    bool SyntheticBold() const;
    bool SyntheticItalic() const;
    bool Antialiased() const;
    bool IsSymbolRemapped() const;          // Wingdings codes are remapped
    int32_t EmHeight() const;               // pixels per em, vertically
    const TTextMetric& Metrics() const;
    // Underline and strike-out lines: offset of their top row from the
    // baseline (positive = below it) and their thickness, in pixels.
    int32_t UnderlineOffset() const;
    int32_t UnderlineThickness() const;
    int32_t StrikeOutOffset() const;
    int32_t StrikeOutThickness() const;
    // Escapement as a unit vector along the baseline, in screen coordinates
    // (y grows downwards): (1, 0) for horizontal text.
    double DirX() const;
    double DirY() const;

    // The glyph of a code point (after symbol remapping). Control characters
    // (U+0000..U+001F, U+007F) have an empty glyph with no advance. The
    // reference stays valid as long as the face lives.
    const TGlyph& Glyph(char32_t Ch) const;
    // The glyphs of Count code points in one go (one lock for the lot).
    void Glyphs(const char32_t* Chars, size_t Count, const TGlyph** Out) const;
    int32_t CharAdvance(char32_t Ch) const { return Glyph(Ch).Advance; }
    // The code point actually drawn for Ch (the symbol remapping applied).
    char32_t MapChar(char32_t Ch) const;

    struct TImpl;

private:
    friend std::shared_ptr<TFontFace> ResolveFont(const TFontRequest& Request);
    explicit TFontFace(std::unique_ptr<TImpl> Impl);
    std::unique_ptr<TImpl> FImpl;
};

// Resolves a request to a (cached) face. Throws EFontError when the size is out of
// range or no font at all can be loaded.
std::shared_ptr<TFontFace> ResolveFont(const TFontRequest& Request);

// The installed family a face name resolves to for the given weight and slant,
// without loading the font at a size (cached like ResolveFont).
std::string ResolveFamilyName(const std::string& FaceName, int32_t Weight = 400, bool Italic = false);

// Points to a (negative, em) logical height: -MulDiv(Points, Dpi, 72), the
// division rounding half away from zero.
int32_t PointsToHeight(int32_t Points, int32_t Dpi = 96);

// Forgets the cached faces nobody holds any more (the resolution of names is
// kept). Mainly for tests and long-running programs that used many sizes.
void TrimFontCache();

}  // namespace vcl
