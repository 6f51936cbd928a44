// Gdi.h - the platform's drawing interface: device contexts over 32-bit
// pixel surfaces, GDI objects behind handles, and a rasteriser that follows
// the classic GDI's pixel rules.
//
// Conventions, as in the classic API:
// - Coordinates are logical; device = logical + viewport origin - window
//   origin (translation only, MM_TEXT).  Clip regions are in device units.
// - Rectangles exclude their right and bottom edges; LineTo excludes its end
//   point; filled shapes cover the pixels whose centres lie inside, with the
//   left and top edges in and the right and bottom edges out.
// - Every function fails harmlessly on a null or dead handle: it returns 0,
//   false, nullptr, CLR_INVALID or ERROR and changes nothing.
// - Handles are never reused: a deleted handle stays dead for good.
// - Stock objects and the system colour brushes cannot be deleted;
//   DeleteObject returns true and leaves them alone.  DeleteObject refuses
//   (returns false) an object that is selected into a device context,
//   including one kept by SaveDC.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "GdiTypes.h"
#include "TextEngine.h"

namespace vcl {

class TSurface;

// ---------------------------------------------------------------------------
// Handles

struct HDC__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HBITMAP__;
struct HRGN__;
using HGDIOBJ = void*;
using HDC = HDC__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HBITMAP = HBITMAP__*;
using HRGN = HRGN__*;

// ---------------------------------------------------------------------------
// Constants

// Object types (GetObjectType, GetCurrentObject).
constexpr int OBJ_PEN = 1;
constexpr int OBJ_BRUSH = 2;
constexpr int OBJ_DC = 3;
constexpr int OBJ_FONT = 6;
constexpr int OBJ_BITMAP = 7;
constexpr int OBJ_REGION = 8;
constexpr int OBJ_MEMDC = 10;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;
constexpr int DEFAULT_BITMAP = 21;  // the 1 x 1 monochrome bitmap of a new memory DC

// Binary raster operations (SetROP2).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Ternary raster operations (BitBlt, StretchBlt, PatBlt).  Any code whose
// bits 16..23 hold a truth table over pattern, source and destination works.
using DWORD = uint32_t;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD MAKEROP4(DWORD Fore, DWORD Back) { return ((Back << 8) & 0xFF000000u) | Fore; }

// Background modes, fill modes, arc directions, stretch modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
constexpr int AD_COUNTERCLOCKWISE = 1;
constexpr int AD_CLOCKWISE = 2;
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;
constexpr int MM_TEXT = 1;

// Text alignment (TA_*), DrawText formats (DT_*) and font qualities
// (*_QUALITY) come from TextEngine.h and Fonts.h.

// Pens.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_STYLE_MASK = 0x0F;

// Brushes.
constexpr unsigned BS_SOLID = 0;
constexpr unsigned BS_NULL = 1;
constexpr unsigned BS_HOLLOW = BS_NULL;
constexpr unsigned BS_HATCHED = 2;
constexpr unsigned BS_PATTERN = 3;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Regions.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Flood fill.
constexpr unsigned FLOODFILLBORDER = 0;
constexpr unsigned FLOODFILLSURFACE = 1;

// Device capabilities (GetDeviceCaps).
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// Fonts.
constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_HEAVY = 900;
constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t SYMBOL_CHARSET = 2;
constexpr uint8_t OEM_CHARSET = 255;

// DrawEdge.
constexpr unsigned BDR_RAISEDOUTER = 0x0001;
constexpr unsigned BDR_SUNKENOUTER = 0x0002;
constexpr unsigned BDR_RAISEDINNER = 0x0004;
constexpr unsigned BDR_SUNKENINNER = 0x0008;
constexpr unsigned BDR_OUTER = 0x0003;
constexpr unsigned BDR_INNER = 0x000C;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x0001;
constexpr unsigned BF_TOP = 0x0002;
constexpr unsigned BF_RIGHT = 0x0004;
constexpr unsigned BF_BOTTOM = 0x0008;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr unsigned BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x0800;
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;
constexpr unsigned BF_FLAT = 0x4000;
constexpr unsigned BF_MONO = 0x8000;

// DrawFrameControl.
constexpr unsigned DFC_CAPTION = 1;
constexpr unsigned DFC_MENU = 2;
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFC_BUTTON = 4;
constexpr unsigned DFCS_CAPTIONCLOSE = 0x0000;
constexpr unsigned DFCS_CAPTIONMIN = 0x0001;
constexpr unsigned DFCS_CAPTIONMAX = 0x0002;
constexpr unsigned DFCS_CAPTIONRESTORE = 0x0003;
constexpr unsigned DFCS_CAPTIONHELP = 0x0004;
constexpr unsigned DFCS_SCROLLUP = 0x0000;
constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
constexpr unsigned DFCS_SCROLLLEFT = 0x0002;
constexpr unsigned DFCS_SCROLLRIGHT = 0x0003;
constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
constexpr unsigned DFCS_BUTTON3STATE = 0x0008;
constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
constexpr unsigned DFCS_INACTIVE = 0x0100;
constexpr unsigned DFCS_PUSHED = 0x0200;
constexpr unsigned DFCS_CHECKED = 0x0400;
constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
constexpr unsigned DFCS_FLAT = 0x4000;
constexpr unsigned DFCS_MONO = 0x8000;

// ---------------------------------------------------------------------------
// Object descriptions (GetObject)

struct LOGPEN {
    unsigned lopnStyle = PS_SOLID;
    TPoint lopnWidth;  // X holds the width
    COLORREF lopnColor = 0;
};

struct LOGBRUSH {
    unsigned lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    intptr_t lbHatch = 0;  // hatch style, or for BS_PATTERN the bitmap handle's value at creation
};

// A font request; the text engine renders from it.
struct LOGFONT {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = FW_NORMAL;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = DEFAULT_CHARSET;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = DEFAULT_QUALITY;
    uint8_t lfPitchAndFamily = 0;
    std::string lfFaceName;
    bool operator==(const LOGFONT&) const = default;
};

struct BITMAP {
    int32_t bmType = 0;
    int32_t bmWidth = 0;
    int32_t bmHeight = 0;
    int32_t bmWidthBytes = 0;  // bytes per row of GetBitmapBits' format
    uint16_t bmPlanes = 1;
    uint16_t bmBitsPixel = 0;  // 1 or 32
    void* bmBits = nullptr;    // the pixels of a surface bitmap, else null
};

// ---------------------------------------------------------------------------
// Arithmetic

// a * b / c with a 64-bit intermediate, rounded half away from zero.  Returns
// -1 when c is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// ---------------------------------------------------------------------------
// Objects

int GetObjectType(HGDIOBJ Obj);
HGDIOBJ GetStockObject(int Index);
bool DeleteObject(HGDIOBJ Obj);
// Fills the description of a pen, brush, font or bitmap.  The generic form
// copies into Buffer (which must hold a constructed LOGPEN, LOGBRUSH, LOGFONT
// or BITMAP) when Size matches, and returns the size of the description
// (with Buffer null, the size needed); 0 on failure.
int GetObject(HGDIOBJ Obj, int Size, void* Buffer);
bool GetObject(HPEN Pen, LOGPEN* Out);
bool GetObject(HBRUSH Brush, LOGBRUSH* Out);
bool GetObject(HFONT Font, LOGFONT* Out);
bool GetObject(HBITMAP Bitmap, BITMAP* Out);

HPEN CreatePen(int Style, int Width, COLORREF Color);
HPEN CreatePenIndirect(const LOGPEN& Pen);
HBRUSH CreateSolidBrush(COLORREF Color);
HBRUSH CreateHatchBrush(int Hatch, COLORREF Color);
// An 8 x 8 pattern from the top-left corner of the bitmap (smaller bitmaps
// repeat).  A monochrome bitmap's brush draws 0 bits in the text colour and
// 1 bits in the background colour of the DC it paints on.
HBRUSH CreatePatternBrush(HBITMAP Bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH& Brush);
HFONT CreateFontIndirect(const LOGFONT& Font);
HFONT CreateFont(int Height, int Width, int Escapement, int Orientation, int Weight, unsigned Italic,
                 unsigned Underline, unsigned StrikeOut, unsigned CharSet, unsigned OutPrecision,
                 unsigned ClipPrecision, unsigned Quality, unsigned PitchAndFamily, const std::string& FaceName);

// Bitmaps.  CreateBitmap makes 1- or 32-bit bitmaps (Planes must be 1);
// Bits, when given, holds rows in GetBitmapBits' format: 1 bit per pixel with
// the most significant bit leftmost and rows padded to 16 bits, or 4 bytes
// per pixel (B, G, R, x).  New bitmaps without bits are black.
HBITMAP CreateBitmap(int Width, int Height, unsigned Planes, unsigned BitsPerPixel, const void* Bits);
// A bitmap like the DC's: monochrome when a monochrome bitmap is selected
// into it, else 32-bit.  A null DC stands for the screen.  A size of 0 gives
// a 1 x 1 monochrome bitmap.
HBITMAP CreateCompatibleBitmap(HDC DC, int Width, int Height);
// A 32-bit bitmap whose pixels the caller may read and write through View.
HBITMAP CreateSurfaceBitmap(int Width, int Height, TPixelView* View = nullptr);
// The pixels of a bitmap (1-bit bitmaps hold 0xFF000000 and 0xFFFFFFFF
// only); false for a dead handle.  The view lasts until the bitmap is
// resized or deleted.
bool GetBitmapView(HBITMAP Bitmap, TPixelView* View);
// The surface behind a bitmap, for the classes that own bitmaps (resizing it
// is allowed; DCs pick up the new size).  Null for a dead handle.
TSurface* GetBitmapSurface(HBITMAP Bitmap);
long GetBitmapBits(HBITMAP Bitmap, long Count, void* Bits);
long SetBitmapBits(HBITMAP Bitmap, uint32_t Count, const void* Bits);

// ---------------------------------------------------------------------------
// Device contexts

// A memory DC with the 1 x 1 monochrome default bitmap selected; the DC
// argument (a DC or null for the screen) only has to be valid when given.
HDC CreateCompatibleDC(HDC DC);
// A DC that draws straight into pixels owned by someone else (a window's part
// of a surface).  Origin is where the view's (0, 0) lies on the underlying
// surface (GetDCOrgEx).  The pixels must outlive the DC.
HDC CreateSurfaceDC(const TPixelView& View, TPoint Origin = TPoint{});
// Points a surface DC at other pixels (after its window was resized).
bool SetSurfaceDCView(HDC DC, const TPixelView& View, TPoint Origin);
// Limits a surface DC to a region in device units on top of its clip region
// (the window manager's visible region).  A null region removes the limit.
bool SetDCVisibleRegion(HDC DC, HRGN Region);
bool DeleteDC(HDC DC);
bool GetDCOrgEx(HDC DC, TPoint* Origin);
int GetDeviceCaps(HDC DC, int Index);
int SaveDC(HDC DC);             // the new level, 0 on failure
bool RestoreDC(HDC DC, int Level);  // Level > 0 absolute, < 0 relative
HGDIOBJ SelectObject(HDC DC, HGDIOBJ Obj);
HGDIOBJ GetCurrentObject(HDC DC, int Type);

int SetROP2(HDC DC, int Mode);  // previous mode, 0 on failure
int GetROP2(HDC DC);
int SetBkMode(HDC DC, int Mode);
int GetBkMode(HDC DC);
COLORREF SetBkColor(HDC DC, COLORREF Color);  // previous colour, CLR_INVALID on failure
COLORREF GetBkColor(HDC DC);
COLORREF SetTextColor(HDC DC, COLORREF Color);
COLORREF GetTextColor(HDC DC);
COLORREF SetDCBrushColor(HDC DC, COLORREF Color);
COLORREF GetDCBrushColor(HDC DC);
COLORREF SetDCPenColor(HDC DC, COLORREF Color);
COLORREF GetDCPenColor(HDC DC);
int SetPolyFillMode(HDC DC, int Mode);
int GetPolyFillMode(HDC DC);
int SetArcDirection(HDC DC, int Direction);
int GetArcDirection(HDC DC);
int SetStretchBltMode(HDC DC, int Mode);
int GetStretchBltMode(HDC DC);
unsigned SetTextAlign(HDC DC, unsigned Align);  // previous, or 0xFFFFFFFF (GDI_ERROR)
unsigned GetTextAlign(HDC DC);
int SetTextCharacterExtra(HDC DC, int Extra);  // previous, or 0x80000000 on failure
int GetTextCharacterExtra(HDC DC);
int SetMapMode(HDC DC, int Mode);  // only MM_TEXT
int GetMapMode(HDC DC);
bool SetBrushOrgEx(HDC DC, int X, int Y, TPoint* Old);  // device units
bool GetBrushOrgEx(HDC DC, TPoint* Org);
bool SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old);
bool GetViewportOrgEx(HDC DC, TPoint* Org);
bool OffsetViewportOrgEx(HDC DC, int DX, int DY, TPoint* Old);
bool SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old);
bool GetWindowOrgEx(HDC DC, TPoint* Org);
bool OffsetWindowOrgEx(HDC DC, int DX, int DY, TPoint* Old);
bool LPtoDP(HDC DC, TPoint* Points, int Count);
bool DPtoLP(HDC DC, TPoint* Points, int Count);

// ---------------------------------------------------------------------------
// Pixels, lines and curves

COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color);  // the colour set, or CLR_INVALID
bool SetPixelV(HDC DC, int X, int Y, COLORREF Color);
COLORREF GetPixel(HDC DC, int X, int Y);  // CLR_INVALID outside the surface or the clip region

bool MoveToEx(HDC DC, int X, int Y, TPoint* Old);
bool GetCurrentPositionEx(HDC DC, TPoint* Pos);
bool LineTo(HDC DC, int X, int Y);
bool Polyline(HDC DC, const TPoint* Points, int Count);
bool PolylineTo(HDC DC, const TPoint* Points, int Count);
bool PolyPolyline(HDC DC, const TPoint* Points, const uint32_t* Counts, int Polylines);
// Cubic Bezier curves: Count = 1 + 3 n points (PolyBezierTo: 3 n, starting at
// the current position).
bool PolyBezier(HDC DC, const TPoint* Points, int Count);
bool PolyBezierTo(HDC DC, const TPoint* Points, int Count);
bool Arc(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
bool ArcTo(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);

// ---------------------------------------------------------------------------
// Filled shapes: the interior with the brush, the outline with the pen.

bool Rectangle(HDC DC, int Left, int Top, int Right, int Bottom);
bool RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
bool Ellipse(HDC DC, int Left, int Top, int Right, int Bottom);
bool Pie(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
bool Chord(HDC DC, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
bool Polygon(HDC DC, const TPoint* Points, int Count);
bool PolyPolygon(HDC DC, const TPoint* Points, const int* Counts, int Polygons);

// A brush handle may also be a system colour index + 1, as (HBRUSH)(COLOR_WINDOW + 1).
int FillRect(HDC DC, const TRect& R, HBRUSH Brush);
int FrameRect(HDC DC, const TRect& R, HBRUSH Brush);
bool InvertRect(HDC DC, const TRect& R);
// A dotted frame drawn with XOR on every other pixel: drawing it twice
// restores the pixels.
bool DrawFocusRect(HDC DC, const TRect& R);
bool PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop);
// Fills the area around (X, Y) bounded by Color (FLOODFILLBORDER) or made of
// Color (FLOODFILLSURFACE) with the brush.
bool ExtFloodFill(HDC DC, int X, int Y, COLORREF Color, unsigned Type);
bool FloodFill(HDC DC, int X, int Y, COLORREF Color);

// Paints Color into the DC through an 8-bit coverage mask (255: the colour,
// 0: untouched, between: blended) at logical (X, Y), clipped like any other
// drawing; Binary treats coverage >= 128 as full and the rest as none.  The
// text engine draws glyphs with it; the raster operation does not apply.
bool DrawCoverageMask(HDC DC, int X, int Y, const uint8_t* Mask, int Width, int Height, int Stride,
                      COLORREF Color, bool Binary);

// ---------------------------------------------------------------------------
// Regions (coordinates as given: logical for the painting functions, device
// units for clipping)

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRectRgnIndirect(const TRect& R);
HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateEllipticRgnIndirect(const TRect& R);
HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
HRGN CreatePolygonRgn(const TPoint* Points, int Count, int FillMode);
HRGN CreatePolyPolygonRgn(const TPoint* Points, const int* Counts, int Polygons, int FillMode);
bool SetRectRgn(HRGN Rgn, int Left, int Top, int Right, int Bottom);
int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode);
int OffsetRgn(HRGN Rgn, int DX, int DY);
bool PtInRegion(HRGN Rgn, int X, int Y);
bool RectInRegion(HRGN Rgn, const TRect& R);
bool EqualRgn(HRGN A, HRGN B);
int GetRgnBox(HRGN Rgn, TRect* Box);
// The rectangles of a region, top to bottom and left to right within bands.
int GetRegionRects(HRGN Rgn, std::vector<TRect>& Rects);
bool FillRgn(HDC DC, HRGN Rgn, HBRUSH Brush);
bool FrameRgn(HDC DC, HRGN Rgn, HBRUSH Brush, int Width, int Height);
bool InvertRgn(HDC DC, HRGN Rgn);
bool PaintRgn(HDC DC, HRGN Rgn);

int SelectClipRgn(HDC DC, HRGN Rgn);  // a copy; null removes the clip region
int ExtSelectClipRgn(HDC DC, HRGN Rgn, int Mode);
int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
int OffsetClipRgn(HDC DC, int DX, int DY);
int GetClipBox(HDC DC, TRect* R);  // logical units
int GetClipRgn(HDC DC, HRGN Rgn);  // 1 copied, 0 no clip region, -1 error
bool PtVisible(HDC DC, int X, int Y);
bool RectVisible(HDC DC, const TRect& R);

// ---------------------------------------------------------------------------
// Blits.  A monochrome source paints its 0 bits in the destination's text
// colour and its 1 bits in its background colour; a colour source blitted to
// a monochrome destination gives 1 where the pixel equals the source DC's
// background colour and 0 elsewhere.  Negative widths or heights mirror.

bool BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, DWORD Rop);
bool StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, DWORD Rop);
// Copies the source except the pixels of colour Transparent.
bool TransparentBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                    int SrcHeight, COLORREF Transparent);
// Where the monochrome Mask has 1 bits the foreground raster operation of
// Rop (MAKEROP4) applies, where it has 0 bits the background one.
bool MaskBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, HBITMAP Mask,
             int XMask, int YMask, DWORD Rop);

// ---------------------------------------------------------------------------
// The classic 3D look

bool DrawEdge(HDC DC, TRect* R, unsigned Edge, unsigned Flags);
bool DrawFrameControl(HDC DC, TRect* R, unsigned Type, unsigned State);

// ---------------------------------------------------------------------------
// Text, through the DC's selected font, text colour, background mode and
// colour, text alignment (TA_*) and clipping.  Text is UTF-8.

constexpr unsigned ETO_OPAQUE = 0x0002;
constexpr unsigned ETO_CLIPPED = 0x0004;

bool TextOut(HDC DC, int X, int Y, std::string_view Text);
// ETO_OPAQUE fills Rect with the background colour first (whatever the
// background mode); ETO_CLIPPED clips the text to Rect.  Dx, when given,
// holds the advance of each character.
bool ExtTextOut(HDC DC, int X, int Y, unsigned Options, const TRect* Rect, std::string_view Text,
                const int32_t* Dx = nullptr, size_t DxCount = 0);
// Formats Text into *Rect with the DT_ flags (see DrawTextLayout); returns
// the height of the text, 0 on failure.  DT_CALCRECT adjusts *Rect only.
int DrawText(HDC DC, std::string_view Text, TRect* Rect, unsigned Format);
bool GetTextMetrics(HDC DC, TTextMetric* Metrics);
bool GetTextExtentPoint32(HDC DC, std::string_view Text, TSize* Size);
inline bool GetTextExtentPoint(HDC DC, std::string_view Text, TSize* Size) {
    return GetTextExtentPoint32(DC, Text, Size);
}
// The face name of the DC's font as asked for; 0 on failure, else its length.
int GetTextFace(HDC DC, std::string* Face);
// The resolved face of the DC's font (nullptr for a dead DC).
std::shared_ptr<TFontFace> GetDCFontFace(HDC DC);
// The resolved face of a logical font.
std::shared_ptr<TFontFace> ResolveLogFont(const LOGFONT& Font);

}  // namespace vcl
