// Tests of the display controls' pictures: sizes, bit depths, the digit
// segments, the strip layout, the lamps and the hand cursor, all loaded
// through the platform as the controls load them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "CvDisplayResources.h"
#include "Graphics.h"
#include "ImageCodecs.h"
#include "Resources.h"

using namespace vcl;

namespace {

// Taken while the test program starts, before any test calls
// RegisterDisplayResources: the package registers its pictures on loading.
const bool GRegisteredAtLoad = FindResource(RT_BITMAP, 100) && FindResource(RT_BITMAP, "LEDS") &&
                               FindResource(RT_GROUP_CURSOR, "crHand");

constexpr uint32_t kBlack = 0x000000, kGrey = 0x808080, kCyan = 0x00FFFF, kTeal = 0x008080,
                   kYellow = 0xFFFF00, kNavy = 0x000080, kWhite = 0xFFFFFF;

uint32_t Rgb(const TBitmap& B, int X, int Y) { return B.ScanLine(Y)[X] & 0xFFFFFF; }

class DisplayResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { corvane::RegisterDisplayResources(); }
};

// Segments a..g in the usual order and which of them each digit lights.
const char* const kLit[10] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"};

struct Probe {
    int X, Y;  // a pixel in the segment's middle; (X + 1, Y) lies in it too
};
// Middles of the segments a..g of a large digit, a small one and a strip digit.
const Probe kLargeProbes[7] = {{7, 1}, {12, 6}, {12, 15}, {7, 19}, {2, 15}, {2, 6}, {7, 10}};
const Probe kSmallProbes[7] = {{5, 0}, {8, 4}, {8, 11}, {5, 15}, {1, 11}, {1, 4}, {5, 7}};
const Probe kStripProbes[7] = {{7, 2}, {12, 8}, {12, 22}, {7, 28}, {2, 22}, {2, 8}, {7, 15}};

bool Lit(int Digit, int Segment) {
    return Digit >= 0 && std::string(kLit[Digit]).find(char('a' + Segment)) != std::string::npos;
}

TEST(DisplayResourcesLoadTest, RegisteredWhenPackageIsLoaded) { EXPECT_TRUE(GRegisteredAtLoad); }

TEST_F(DisplayResourcesTest, DigitBitmapsShowTheRightSegments) {
    const struct {
        int Base, Width, Height;
        const Probe* Probes;
    } sizes[] = {{100, 15, 22, kLargeProbes}, {200, 11, 17, kSmallProbes}};
    for (const auto& s : sizes) {
        for (int i = 0; i <= 10; ++i) {
            const int digit = i < 10 ? i : -1;
            SCOPED_TRACE("resource " + std::to_string(s.Base + i));
            TBitmap b;
            b.LoadFromResourceID(s.Base + i);
            ASSERT_EQ(b.Width(), s.Width);
            ASSERT_EQ(b.Height(), s.Height);
            EXPECT_EQ(b.PixelFormat(), pf24bit);
            for (int seg = 0; seg < 7; ++seg) {
                SCOPED_TRACE(std::string("segment ") + char('a' + seg));
                const Probe p = s.Probes[seg];
                const uint32_t c0 = Rgb(b, p.X, p.Y), c1 = Rgb(b, p.X + 1, p.Y);
                if (Lit(digit, seg)) {
                    EXPECT_EQ(c0, kCyan);
                    EXPECT_EQ(c1, kCyan);
                } else {
                    // The checkerboard: grey and black side by side.
                    EXPECT_TRUE((c0 == kGrey && c1 == kBlack) || (c0 == kBlack && c1 == kGrey)) << std::hex << c0 << " " << c1;
                }
            }
            // Nothing but the three colours, and the corners are background.
            for (int y = 0; y < s.Height; ++y)
                for (int x = 0; x < s.Width; ++x) {
                    const uint32_t c = Rgb(b, x, y);
                    ASSERT_TRUE(c == kBlack || c == kGrey || c == kCyan) << x << "," << y;
                }
            EXPECT_EQ(Rgb(b, 0, 0), kBlack);
            EXPECT_EQ(Rgb(b, s.Width - 1, s.Height - 1), kBlack);
        }
    }
}

TEST_F(DisplayResourcesTest, LitSegmentsNeverTouchEachOther) {
    // In an 8 every segment is lit; flood each cyan region: there must be
    // exactly seven, one per segment.
    for (int id : {108, 208}) {
        SCOPED_TRACE(id);
        TBitmap b;
        b.LoadFromResourceID(id);
        const int w = b.Width(), h = b.Height();
        std::vector<int> seen(size_t(w) * h, 0);
        int regions = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (seen[size_t(y) * w + x] || Rgb(b, x, y) != kCyan) continue;
                ++regions;
                std::vector<std::pair<int, int>> stack = {{x, y}};
                seen[size_t(y) * w + x] = 1;
                while (!stack.empty()) {
                    auto [px, py] = stack.back();
                    stack.pop_back();
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = px + dx, ny = py + dy;
                            if (nx < 0 || ny < 0 || nx >= w || ny >= h || seen[size_t(ny) * w + nx]) continue;
                            if (Rgb(b, nx, ny) != kCyan) continue;
                            seen[size_t(ny) * w + nx] = 1;
                            stack.push_back({nx, ny});
                        }
                }
            }
        EXPECT_EQ(regions, 7);
    }
}

TEST_F(DisplayResourcesTest, StripFollowsItsLayout) {
    TBitmap b;
    b.LoadFromResourceName("LEDS");
    ASSERT_EQ(b.Width(), 188);
    ASSERT_EQ(b.Height(), 32);
    EXPECT_EQ(b.PixelFormat(), pf4bit);
    for (int i = 0; i <= 10; ++i) {
        const int digit = i < 10 ? i : -1;
        SCOPED_TRACE("strip digit at " + std::to_string(16 * i));
        for (int seg = 0; seg < 7; ++seg) {
            const Probe p = kStripProbes[seg];
            const uint32_t want = Lit(digit, seg) ? kCyan : kTeal;
            EXPECT_EQ(Rgb(b, 16 * i + p.X, p.Y), want) << "segment " << char('a' + seg);
            EXPECT_EQ(Rgb(b, 16 * i + p.X + 1, p.Y), want) << "segment " << char('a' + seg);
        }
        for (int y = 0; y < 32; ++y) ASSERT_EQ(Rgb(b, 16 * i + 15, y), kBlack) << "gap column, row " << y;
    }
    // The points: lit at 177..179, unlit at 183..185, black around them.
    for (int x = 176; x < 188; ++x) {
        const uint32_t want = (x >= 177 && x <= 179) ? kCyan : (x >= 183 && x <= 185) ? kTeal : kBlack;
        EXPECT_EQ(Rgb(b, x, 28), want) << "x " << x;
        EXPECT_EQ(Rgb(b, x, 15), kBlack) << "x " << x;
    }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 188; ++x) {
            const uint32_t c = Rgb(b, x, y);
            ASSERT_TRUE(c == kBlack || c == kTeal || c == kCyan) << x << "," << y;
        }
}

TEST_F(DisplayResourcesTest, LampsHaveShapeStateColourAndYellowKey) {
    const struct {
        const char* Name;
        int Height;
        uint32_t Fill;
        int Shape;  // 0 round, 1 pointing down, 2 pointing up
    } lamps[] = {
        {"OFFRND", 16, kNavy, 0},   {"ONRND", 16, kTeal, 0},   {"DOWNRND", 16, kCyan, 0},
        {"OFF3DWN", 11, kNavy, 1},  {"ON3DWN", 11, kTeal, 1},  {"DOWN3DWN", 11, kCyan, 1},
        {"off3up", 11, kNavy, 2},   {"ON3UP", 11, kTeal, 2},   {"DOWN3UP", 11, kCyan, 2},
    };
    for (const auto& l : lamps) {
        SCOPED_TRACE(l.Name);
        TBitmap b;
        b.LoadFromResourceName(l.Name);
        ASSERT_EQ(b.Width(), 20);
        ASSERT_EQ(b.Height(), l.Height);
        EXPECT_EQ(b.PixelFormat(), pf4bit);
        for (auto [x, y] : {std::pair{0, 0}, {19, 0}, {0, l.Height - 1}, {19, l.Height - 1}})
            EXPECT_EQ(Rgb(b, x, y), kYellow);
        const int cy = l.Shape == 0 ? 8 : l.Shape == 1 ? 4 : 6;
        EXPECT_EQ(Rgb(b, 10, cy), l.Fill);
        // The shape's width row by row: a disc is widest in the middle, a
        // triangle widest at its base.
        std::vector<int> width(size_t(l.Height), 0);
        for (int y = 0; y < l.Height; ++y)
            for (int x = 0; x < 20; ++x) width[size_t(y)] += Rgb(b, x, y) != kYellow;
        if (l.Shape == 0) {
            EXPECT_GT(width[8], width[3]);
            EXPECT_GT(width[8], width[13]);
        } else {
            const int base = l.Shape == 1 ? 2 : 8, tip = l.Shape == 1 ? 8 : 2;
            EXPECT_GT(width[size_t(base)], 3 * width[size_t(tip)]);
            EXPECT_GT(width[size_t(tip)], 0);
        }
        // The lit and pressed lamps carry a white highlight, the dark one none.
        bool highlight = false;
        for (int y = 0; y < l.Height; ++y)
            for (int x = 0; x < 20; ++x) highlight |= Rgb(b, x, y) == kWhite;
        EXPECT_EQ(highlight, l.Fill != kNavy);
    }
}

TEST_F(DisplayResourcesTest, HandCursorIsMonochromeWithHotSpotAtFingertip) {
    TResourceData d = LoadResource(RT_GROUP_CURSOR, "CRHAND");
    TIconKind kind = TIconKind::Icon;
    const std::vector<TIconImage> images = ReadIco(d->data(), d->size(), &kind);
    EXPECT_EQ(kind, TIconKind::Cursor);
    ASSERT_EQ(images.size(), 1u);
    const TIconImage& c = images[0];
    ASSERT_EQ(c.Width, 32);
    ASSERT_EQ(c.Height, 32);
    EXPECT_EQ(c.BitCount, 1);
    EXPECT_EQ(c.HotSpotX, 6);
    EXPECT_EQ(c.HotSpotY, 0);
    auto at = [&](int x, int y) { return size_t(y) * 32 + size_t(x); };
    // The hot spot is the black outline of the fingertip, white just below.
    EXPECT_EQ(c.Mask[at(6, 0)], 0);
    EXPECT_EQ(c.Pixels[at(6, 0)] & 0xFFFFFF, kBlack);
    EXPECT_EQ(c.Mask[at(6, 2)], 0);
    EXPECT_EQ(c.Pixels[at(6, 2)] & 0xFFFFFF, kWhite);
    // Nothing above or beside the tip on the first row is drawn.
    EXPECT_EQ(c.Mask[at(4, 0)], 1);
    EXPECT_EQ(c.Mask[at(9, 0)], 1);
    int black = 0, white = 0;
    for (size_t i = 0; i < c.Pixels.size(); ++i) {
        if (c.Mask[i]) continue;
        const uint32_t p = c.Pixels[i] & 0xFFFFFF;
        ASSERT_TRUE(p == kBlack || p == kWhite);
        (p == kBlack ? black : white)++;
    }
    // A hand, not a speck: a sizeable white fill inside a black outline.
    EXPECT_GT(white, 150);
    EXPECT_GT(black, 50);
    // Every white pixel is enclosed: its four neighbours are drawn.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (c.Mask[at(x, y)] || (c.Pixels[at(x, y)] & 0xFFFFFF) != kWhite) continue;
            ASSERT_TRUE(x > 0 && y > 0 && x < 31 && y < 31);
            EXPECT_FALSE(c.Mask[at(x - 1, y)] || c.Mask[at(x + 1, y)] || c.Mask[at(x, y - 1)] || c.Mask[at(x, y + 1)])
                << x << "," << y;
        }
}

TEST_F(DisplayResourcesTest, RegisteringAgainFromManyThreadsIsHarmless) {
    const TResourceData before = FindResource(RT_BITMAP, "LEDS");
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) threads.emplace_back([] { corvane::RegisterDisplayResources(); });
    for (auto& t : threads) t.join();
    EXPECT_NO_THROW(corvane::RegisterDisplayResources());
    const TResourceData after = FindResource(RT_BITMAP, "LEDS");
    ASSERT_TRUE(after);
    EXPECT_EQ(*before, *after);
}

}  // namespace
