// TextEngine.h - measuring, laying out and drawing text into pixels.
//
// Works on a TPixelView, a list of clip rectangles and explicit colours; the
// device context maps its state (selected font, text colour, background mode,
// alignment, clip region) onto these calls.
//
// Text is UTF-8. Invalid bytes are taken as U+FFFD, one per byte that does not
// start a valid sequence. Counts and spacing arrays are per code point.
// Control characters (U+0000..U+001F, U+007F) draw nothing and have no width,
// apart from tabs that DrawTextLayout expands with DT_EXPANDTABS.
//
// Clip lists: the rectangles of a region, which must not overlap; the view's
// bounds are always applied as well. An empty list draws nothing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Fonts.h"
#include "GdiTypes.h"

namespace vcl {

// Text alignment of a text run relative to its reference point.
constexpr uint32_t TA_NOUPDATECP = 0;
constexpr uint32_t TA_UPDATECP = 1;   // the DC's business: the run starts at the current position
constexpr uint32_t TA_LEFT = 0;
constexpr uint32_t TA_RIGHT = 2;
constexpr uint32_t TA_CENTER = 6;
constexpr uint32_t TA_TOP = 0;
constexpr uint32_t TA_BOTTOM = 8;
constexpr uint32_t TA_BASELINE = 24;
constexpr uint32_t TA_RTLREADING = 256;  // accepted, no effect

// Formatting flags of DrawTextLayout.
constexpr uint32_t DT_TOP = 0x00000000;
constexpr uint32_t DT_LEFT = 0x00000000;
constexpr uint32_t DT_CENTER = 0x00000001;
constexpr uint32_t DT_RIGHT = 0x00000002;
constexpr uint32_t DT_VCENTER = 0x00000004;        // with DT_SINGLELINE only
constexpr uint32_t DT_BOTTOM = 0x00000008;         // with DT_SINGLELINE only
constexpr uint32_t DT_WORDBREAK = 0x00000010;
constexpr uint32_t DT_SINGLELINE = 0x00000020;
constexpr uint32_t DT_EXPANDTABS = 0x00000040;
constexpr uint32_t DT_TABSTOP = 0x00000080;        // bits 8..15 hold the tab length in characters
constexpr uint32_t DT_NOCLIP = 0x00000100;
constexpr uint32_t DT_EXTERNALLEADING = 0x00000200;
constexpr uint32_t DT_CALCRECT = 0x00000400;
constexpr uint32_t DT_NOPREFIX = 0x00000800;
constexpr uint32_t DT_INTERNAL = 0x00001000;       // accepted, no effect
constexpr uint32_t DT_EDITCONTROL = 0x00002000;
constexpr uint32_t DT_PATH_ELLIPSIS = 0x00004000;
constexpr uint32_t DT_END_ELLIPSIS = 0x00008000;
constexpr uint32_t DT_MODIFYSTRING = 0x00010000;   // see DrawTextLayout's Shown parameter
constexpr uint32_t DT_RTLREADING = 0x00020000;     // accepted, no effect
constexpr uint32_t DT_WORD_ELLIPSIS = 0x00040000;
constexpr uint32_t DT_NOFULLWIDTHCHARBREAK = 0x00080000;  // accepted, no effect
constexpr uint32_t DT_HIDEPREFIX = 0x00100000;
constexpr uint32_t DT_PREFIXONLY = 0x00200000;

// UTF-8 to code points; every byte that does not start a valid, shortest-form
// sequence of a scalar value becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view Utf8);

TTextMetric GetTextMetrics(const TFontFace& Font);

// The size of a run: cx the sum of the advances (no kerning), cy the cell height.
TSize GetTextExtent(const TFontFace& Font, std::string_view Utf8);

// Advances summed up to each code point: Partial[i] is the extent of the first
// i + 1 code points. Returns how many code points fit into MaxExtent (all when
// MaxExtent < 0).
int32_t GetTextExtentEx(const TFontFace& Font, std::string_view Utf8, int32_t MaxExtent,
                        std::vector<int32_t>* Partial = nullptr);

// The top-left corner of the text cell (the point DrawTextRun takes) for a run
// of RunWidth pixels whose reference point is (X, Y) under the TA_ alignment
// flags. Escapement is honoured: the offsets turn with the baseline.
TPoint AlignTextOrigin(const TFontFace& Font, int32_t X, int32_t Y, uint32_t Align, int32_t RunWidth);

// Draws a run whose cell has its top-left corner at (X, Y) (turned with the
// escapement about that point). Opaque fills the cell box, run width by cell
// height, with BkColor first. Dx, when given, holds the advance of each code
// point (missing entries use the natural advance). Underline and strike-out of
// the font are drawn in the text colour across the run. Returns the run width.
int32_t DrawTextRun(TPixelView Dst, std::span<const TRect> Clip, int32_t X, int32_t Y, const TFontFace& Font,
                    std::string_view Utf8, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                    std::span<const int32_t> Dx = {});
int32_t DrawTextRun(TPixelView Dst, const TRect& Clip, int32_t X, int32_t Y, const TFontFace& Font,
                    std::string_view Utf8, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                    std::span<const int32_t> Dx = {});

// Formats text into Rect with the DT_ flags and draws it (nothing is drawn with
// DT_CALCRECT, which sets Rect.Right and Rect.Bottom to bound the text instead;
// Dst may then be empty). Returns the height of the text, or with DT_VCENTER or
// DT_BOTTOM the offset from Rect.Top to the bottom of the drawn text.
//  - Lines break at CR, LF and CR LF unless DT_SINGLELINE.
//  - DT_WORDBREAK breaks lines between words at Rect's width; a word longer than
//    the width stands alone on its line (DT_EDITCONTROL breaks it instead and
//    leaves out a partly visible last line).
//  - "&x" underlines x, "&&" shows "&", unless DT_NOPREFIX; DT_HIDEPREFIX hides
//    the underline, DT_PREFIXONLY draws only the underline.
//  - DT_EXPANDTABS: tab stops every 8 average character widths from the line's
//    start (DT_TABSTOP takes the count from bits 8..15 of Format).
//  - DT_END_ELLIPSIS, DT_WORD_ELLIPSIS, DT_PATH_ELLIPSIS shorten a line that is
//    wider than Rect with "...". If Shown is given, it receives the text as
//    drawn (lines joined with "\n", prefixes resolved).
//  - Opaque fills each line's cell with BkColor.
//  - Unless DT_NOCLIP, drawing is clipped to Rect as well.
int32_t DrawTextLayout(TPixelView Dst, std::span<const TRect> Clip, const TFontFace& Font, std::string_view Utf8,
                       TRect& Rect, uint32_t Format, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                       std::string* Shown = nullptr);
int32_t DrawTextLayout(TPixelView Dst, const TRect& Clip, const TFontFace& Font, std::string_view Utf8,
                       TRect& Rect, uint32_t Format, COLORREF TextColor, bool Opaque, COLORREF BkColor,
                       std::string* Shown = nullptr);

}  // namespace vcl
