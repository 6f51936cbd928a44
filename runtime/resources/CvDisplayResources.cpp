// CvDisplayResources.cpp - draws the display controls' pictures and
// registers them in the resource store.  Nothing here is read from a file:
// segments, lamps and the hand are drawn pixel by pixel, so the bytes are
// the same on every run and on every machine.
#include "CvDisplayResources.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "ImageCodecs.h"
#include "Resources.h"

namespace corvane {

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kGrey = 0xFF808080u;
constexpr uint32_t kSilver = 0xFFC0C0C0u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kCyan = 0xFF00FFFFu;
constexpr uint32_t kTeal = 0xFF008080u;
constexpr uint32_t kNavy = 0xFF000080u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kYellow = 0xFFFFFF00u;

// The sixteen colours of a 4-bit picture, in the customary order, so that
// every 16-colour bitmap of the package carries the same colour table.
const std::vector<uint32_t>& StandardPalette() {
    static const std::vector<uint32_t> p = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return p;
}

vcl::TDibImage NewImage(int W, int H, uint32_t Fill) {
    vcl::TDibImage img;
    img.Width = W;
    img.Height = H;
    img.Pixels.assign(size_t(W) * size_t(H), Fill);
    return img;
}

void Put(vcl::TDibImage& Img, int X, int Y, uint32_t C) {
    if (X >= 0 && Y >= 0 && X < Img.Width && Y < Img.Height) Img.Pixels[size_t(Y) * size_t(Img.Width) + size_t(X)] = C;
}

// ---------------------------------------------------------------------------
// Seven-segment digits
//
// Each segment is a bar of thickness 2 * Half along a centre line between
// two corner points.  Where two segments meet at an outer corner of the
// digit, both ends are cut at 45 degrees towards the inside, the outer edge
// being the longer one; where segments meet at the middle, their ends are
// pointed.  Every end stays off its corner point, so neighbouring segments
// never touch, not even diagonally.  Pixel (x, y) covers [x, x+1) x
// [y, y+1) and belongs to a segment when its centre lies inside it.

enum Segment { segA, segB, segC, segD, segE, segF, segG };

// Bit i set: segment i (a top, b top right, c bottom right, d bottom,
// e bottom left, f top left, g middle) is lit.
constexpr uint8_t kDigitSegments[10] = {
    0x3F,  // 0: a b c d e f
    0x06,  // 1: b c
    0x5B,  // 2: a b d e g
    0x4F,  // 3: a b c d g
    0x66,  // 4: b c f g
    0x6D,  // 5: a c d f g
    0x7D,  // 6: a c d e f g
    0x07,  // 7: a b c
    0x7F,  // 8: all
    0x6F,  // 9: a b c d f g
};

struct DigitGeometry {
    double Left, Right;         // centre lines of the vertical segments
    double Top, Middle, Bottom; // centre lines of the horizontal segments
    double Half;                // half the thickness
    double Gap;                 // how far an end stays off an outer corner
    double TipGap;              // the same for a vertical segment's pointed end at the middle
    double MiddleGap;           // the same for the pointed ends of the middle segment
};

// Whether the point (Px, Py) lies in segment S.
bool InSegment(const DigitGeometry& G, int S, double Px, double Py) {
    double across, inward, along, from, to;
    switch (S) {
        case segA: across = Py - G.Top; inward = across; along = Px; from = G.Left; to = G.Right; break;
        case segD: across = Py - G.Bottom; inward = -across; along = Px; from = G.Left; to = G.Right; break;
        case segG: across = Py - G.Middle; inward = 0; along = Px; from = G.Left; to = G.Right; break;
        case segF: across = Px - G.Left; inward = across; along = Py; from = G.Top; to = G.Middle; break;
        case segE: across = Px - G.Left; inward = across; along = Py; from = G.Middle; to = G.Bottom; break;
        case segB: across = Px - G.Right; inward = -across; along = Py; from = G.Top; to = G.Middle; break;
        default:   across = Px - G.Right; inward = -across; along = Py; from = G.Middle; to = G.Bottom; break;
    }
    const double d = std::fabs(across);
    if (d >= G.Half) return false;
    // The cut of each end: mitred at an outer corner, pointed at the middle.
    const double mitre = G.Gap + inward, tip = G.TipGap + d;
    double start, stop;
    switch (S) {
        case segA: case segD: start = mitre; stop = mitre; break;
        case segG: start = stop = G.MiddleGap + d; break;
        case segF: case segB: start = mitre; stop = tip; break;
        default: start = tip; stop = mitre; break;
    }
    return along >= from + start && along <= to - stop;
}

// Draws the segments of Mask (bit per segment) at (X0, Y0): lit ones in
// Lit, the others in Unlit, or as a checkerboard of Unlit and black when
// Dither is set.
void DrawDigit(vcl::TDibImage& Img, int X0, int Y0, int W, int H, const DigitGeometry& G, uint8_t Mask,
               uint32_t Lit, uint32_t Unlit, bool Dither) {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            for (int s = segA; s <= segG; ++s) {
                if (!InSegment(G, s, x + 0.5, y + 0.5)) continue;
                uint32_t c;
                if (Mask & (1u << s))
                    c = Lit;
                else
                    c = (!Dither || ((X0 + x + Y0 + y) & 1) == 0) ? Unlit : kBlack;
                Put(Img, X0 + x, Y0 + y, c);
                break;
            }
        }
    }
}

constexpr int kLargeW = 15, kLargeH = 22;
constexpr int kSmallW = 11, kSmallH = 17;
// Three pixels thick, one free column left and right, one row at the bottom
// of each cell: digits in adjacent cells keep a two pixel gap.
constexpr DigitGeometry kLarge = {2.5, 12.5, 1.5, 10.5, 19.5, 1.5, 1.5, 1.5, 0.5};
// Two pixels thick.
constexpr DigitGeometry kSmall = {2.0, 9.0, 1.0, 8.0, 15.0, 1.0, 1.5, 1.0, 1.25};

std::vector<uint8_t> DigitBitmap(int W, int H, const DigitGeometry& G, int Digit) {
    vcl::TDibImage img = NewImage(W, H, kBlack);
    DrawDigit(img, 0, 0, W, H, G, Digit < 0 ? 0 : kDigitSegments[Digit], kCyan, kGrey, true);
    return vcl::WriteBmp(img, 24);
}

// The strip: ten digits and a blank one of 16 columns each, then the lit
// and the unlit decimal point.
constexpr int kStripW = 188, kStripH = 32;
constexpr DigitGeometry kStrip = {2.5, 12.5, 2.5, 15.5, 28.5, 1.5, 1.5, 1.5, 0.5};

std::vector<uint8_t> StripBitmap() {
    vcl::TDibImage img = NewImage(kStripW, kStripH, kBlack);
    for (int d = 0; d <= 10; ++d)
        DrawDigit(img, 16 * d, 0, 15, kStripH, kStrip, d < 10 ? kDigitSegments[d] : 0, kCyan, kTeal, false);
    // The points sit on the bottom segment's rows.
    for (int y = 27; y <= 29; ++y) {
        for (int x = 0; x < 3; ++x) {
            Put(img, 177 + x, y, kCyan);
            Put(img, 183 + x, y, kTeal);
        }
    }
    img.Palette = StandardPalette();
    return vcl::WriteBmp(img, 4);
}

// ---------------------------------------------------------------------------
// Lamps: a shape with a one pixel grey rim, filled with the state's colour,
// on the yellow key.  The lit lamp has a small white highlight, the pressed
// one a brighter, larger glint.

enum LampState { lampOff, lampOn, lampDown };
enum LampShape { shapeRound, shapeDown, shapeUp };

bool InLamp(LampShape Shape, int X, int Y) {
    const double px = X + 0.5, py = Y + 0.5;
    switch (Shape) {
        case shapeRound: {
            // A disc of radius 6 around (10, 8).
            const double dx = px - 10.0, dy = py - 8.0;
            return dx * dx + dy * dy <= 6.0 * 6.0;
        }
        case shapeDown:
        case shapeUp: {
            // Rows 2..8: half width 7 at the base down to 1 at the tip.
            const int row = Shape == shapeDown ? Y : 10 - Y;
            if (row < 2 || row > 8) return false;
            const double half = 9 - row;
            return std::fabs(px - 10.0) < half;
        }
    }
    return false;
}

std::vector<uint8_t> LampBitmap(LampShape Shape, LampState State) {
    const int w = 20, h = Shape == shapeRound ? 16 : 11;
    vcl::TDibImage img = NewImage(w, h, kYellow);
    const uint32_t fill = State == lampOff ? kNavy : State == lampOn ? kTeal : kCyan;
    auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && InLamp(Shape, x, y); };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!inside(x, y)) continue;
            const bool rim = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            Put(img, x, y, rim ? kGrey : fill);
        }
    }
    // Highlight: up and left of the centre of the shape's body.
    int hx = 0, hy = 0;
    switch (Shape) {
        case shapeRound: hx = 6; hy = 4; break;
        case shapeDown: hx = 7; hy = 3; break;
        case shapeUp: hx = 7; hy = 6; break;
    }
    if (State == lampOn) {
        Put(img, hx, hy, kWhite);
        Put(img, hx + 1, hy, kSilver);
        Put(img, hx, hy + 1, kSilver);
    } else if (State == lampDown) {
        Put(img, hx, hy, kWhite);
        Put(img, hx + 1, hy, kWhite);
        Put(img, hx, hy + 1, kWhite);
        Put(img, hx + 1, hy + 1, kSilver);
        // The pressed lamp glows: its rim turns blue.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (img.Pixels[size_t(y) * w + x] == kGrey) Put(img, x, y, kBlue);
    }
    img.Palette = StandardPalette();
    return vcl::WriteBmp(img, 4);
}

// ---------------------------------------------------------------------------
// The hand cursor
//
// The outline is drawn as a closed line; everything it encloses is filled
// white, found as what a flood fill from the border cannot reach.  Rows are
// 32 wide and top down; 'X' is outline.

const char* const kHandOutline[] = {
    "      XX                        ",  // 0: the fingertip, hot spot (6, 0)
    "     X..X                       ",
    "     X..X                       ",
    "     X..X                       ",
    "     X..X                       ",
    "     X..XXX                     ",
    "     X..X..XXX                  ",
    "     X..X..X..XX                ",
    "     X..X..X..X.X               ",
    " XX  X..X..X..X..X              ",
    "X..X X...........X              ",
    "X...XX...........X              ",
    " X...X...........X              ",
    " X...............X              ",
    "  X..............X              ",
    "  X.............X               ",
    "   X............X               ",
    "   X...........X                ",
    "    X..........X                ",
    "    X..........X                ",
    "     X.........X                ",
    "     XXXXXXXXXXX                ",
};
constexpr int kCursorSize = 32;
constexpr int kHotX = 6, kHotY = 0;

std::vector<uint8_t> HandCursor() {
    const int n = kCursorSize;
    // 0 outside, 1 outline, 2 fill.
    std::vector<uint8_t> kind(size_t(n) * n, 2);
    const int rows = int(sizeof(kHandOutline) / sizeof(kHandOutline[0]));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < n && kHandOutline[y][x]; ++x)
            if (kHandOutline[y][x] == 'X') kind[size_t(y) * n + x] = 1;
    // Flood the outside from every border pixel.
    std::vector<int> stack;
    auto push = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= n || y >= n) return;
        uint8_t& k = kind[size_t(y) * n + x];
        if (k != 2) return;
        k = 0;
        stack.push_back(y * n + x);
    };
    for (int i = 0; i < n; ++i) {
        push(i, 0);
        push(i, n - 1);
        push(0, i);
        push(n - 1, i);
    }
    while (!stack.empty()) {
        const int p = stack.back();
        stack.pop_back();
        const int x = p % n, y = p / n;
        push(x - 1, y);
        push(x + 1, y);
        push(x, y - 1);
        push(x, y + 1);
    }

    // A CUR file with one 1-bit image: colour table black, white; the XOR
    // bitmap (white where filled) and the AND mask (1 where transparent),
    // both bottom up, rows padded to 4 bytes.
    const int stride = 4;
    const uint32_t planeSize = uint32_t(stride * n);
    const uint32_t imageSize = 40 + 8 + 2 * planeSize;
    std::vector<uint8_t> out;
    auto put16 = [&](uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put16(0);  // reserved
    put16(2);  // cursor
    put16(1);  // one image
    out.push_back(uint8_t(n));
    out.push_back(uint8_t(n));
    out.push_back(2);  // colours
    out.push_back(0);
    put16(kHotX);
    put16(kHotY);
    put32(imageSize);
    put32(22);  // offset of the image
    put32(40);
    put32(uint32_t(n));
    put32(uint32_t(2 * n));  // colour bitmap and mask
    put16(1);
    put16(1);
    put32(0);  // uncompressed
    put32(2 * planeSize);
    put32(0);
    put32(0);
    put32(2);
    put32(0);
    put32(0x000000);
    put32(0xFFFFFF);
    for (int plane = 0; plane < 2; ++plane) {
        for (int y = n - 1; y >= 0; --y) {
            uint8_t row[stride] = {0, 0, 0, 0};
            for (int x = 0; x < n; ++x) {
                const uint8_t k = kind[size_t(y) * n + x];
                const bool bit = plane == 0 ? k == 2 : k == 0;
                if (bit) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
            out.insert(out.end(), row, row + stride);
        }
    }
    return out;
}

void RegisterAll() {
    using vcl::RT_BITMAP;
    for (int d = 0; d <= 10; ++d) {
        vcl::RegisterResource(RT_BITMAP, 100 + d, DigitBitmap(kLargeW, kLargeH, kLarge, d < 10 ? d : -1));
        vcl::RegisterResource(RT_BITMAP, 200 + d, DigitBitmap(kSmallW, kSmallH, kSmall, d < 10 ? d : -1));
    }
    vcl::RegisterResource(RT_BITMAP, "LEDS", StripBitmap());
    static const struct {
        const char* Name;
        LampShape Shape;
        LampState State;
    } lamps[] = {
        {"OFFRND", shapeRound, lampOff},   {"ONRND", shapeRound, lampOn},   {"DOWNRND", shapeRound, lampDown},
        {"OFF3DWN", shapeDown, lampOff},   {"ON3DWN", shapeDown, lampOn},   {"DOWN3DWN", shapeDown, lampDown},
        {"OFF3UP", shapeUp, lampOff},      {"ON3UP", shapeUp, lampOn},      {"DOWN3UP", shapeUp, lampDown},
    };
    for (const auto& l : lamps) vcl::RegisterResource(RT_BITMAP, l.Name, LampBitmap(l.Shape, l.State));
    vcl::RegisterResource(vcl::RT_GROUP_CURSOR, "crHand", HandCursor());
}

std::once_flag GRegisterOnce;

// Registers the pictures when the package is loaded.  A failure here (a
// clash with resources registered before) must not end the process while
// it loads; it is raised again from the display unit's own call.
const bool GRegisteredAtLoad = [] {
    try {
        RegisterDisplayResources();
        return true;
    } catch (...) {
        return false;
    }
}();

}  // namespace

void RegisterDisplayResources() { std::call_once(GRegisterOnce, RegisterAll); }

}  // namespace corvane
