// Segment LCD: setters and their rules, published defaults, the character
// to cell mapping read back from the pixels (alignment, long text, points
// and colons on cell boundaries), full and quick repaints, multi-line rows,
// small grids, a display without a window, mouse events, and pictures of
// several configurations.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CvLcd.h"
#include "Filer.h"
#include "Forms.h"
#include "Gdi.h"
#include "Lists.h"
#include "WinBackend.h"
#include "Windows.h"

using namespace vcl;
using namespace corvane;

namespace {

// Distinct colours, so that a probe tells lit, unlit, outline and
// background apart.
constexpr TColor kBack = 0x400000;    // dark blue
constexpr TColor kHi = clLime;
constexpr TColor kHiLine = clYellow;
constexpr TColor kLow = 0x303030;
constexpr TColor kLowLine = clGreen;
constexpr TColor kScribble = clRed;

class LcdTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 720, 560);
        Form->Show();
        Pump();
    }
    void TearDown() override { delete Form; }

    static void Pump() { Application()->ProcessMessages(); }

    template <class T>
    T* Make(int32_t W, int32_t H, int32_t X = 10, int32_t Y = 10) {
        auto* l = new T(Form);
        l->SetBounds(X, Y, W, H);
        l->SetBackgroundColor(kBack);
        l->SetHiColor(kHi);
        l->SetHiLineColor(kHiLine);
        l->SetLowColor(kLow);
        l->SetLowLineColor(kLowLine);
        l->SetParent(Form);
        Pump();
        return l;
    }

    static TColor Px(TWinControl* C, int32_t X, int32_t Y) {
        HDC dc = GetDC(C->Handle());
        COLORREF c = GetPixel(dc, X, Y);
        ReleaseDC(C->Handle(), dc);
        return static_cast<TColor>(c);
    }
    static void Scribble(TWinControl* C, int32_t X, int32_t Y) {
        HDC dc = GetDC(C->Handle());
        SetPixel(dc, X, Y, static_cast<COLORREF>(kScribble));
        ReleaseDC(C->Handle(), dc);
    }
    static std::vector<TColor> Picture(TWinControl* C) {
        std::vector<TColor> out;
        HDC dc = GetDC(C->Handle());
        for (int32_t y = 0; y < C->Height(); ++y)
            for (int32_t x = 0; x < C->Width(); ++x) out.push_back(static_cast<TColor>(GetPixel(dc, x, y)));
        ReleaseDC(C->Handle(), dc);
        return out;
    }

    // Reads the segment mask of the cell whose top-left corner is (X, Y) by
    // probing the middle of each of the fourteen segments.
    static uint16_t ReadCell(TCustomCvLcd* L, int32_t X, int32_t Y) {
        const int32_t W = L->LCDBarWidth(), h = W / 2;
        const int32_t CW = L->CellWidth(), CH = L->CellHeight();
        const int32_t left = X + L->LeftRightSpace(), right = X + CW - L->LeftRightSpace();
        const int32_t top = Y + L->TopBottomSpace(), bottom = Y + CH - L->TopBottomSpace();
        const int32_t xm = X + CW / 2, ym = Y + CH / 2;
        const int32_t upperY = (top + h + ym) / 2, lowerY = (ym + bottom - h) / 2;
        const int32_t diagLeftX = (left + h + left + W + xm + xm - h) / 4;
        const int32_t diagRightX = (right - h + right - W + xm + xm + h) / 4;
        const std::array<std::pair<uint16_t, TPoint>, 14> probes{{
            {0x0001, {xm, top + h}},
            {0x0002, {left + h, upperY}},
            {0x0004, {right - W + h, upperY}},
            {0x0008, {xm, (top + W + ym - h) / 2}},
            {0x0010, {diagLeftX, upperY}},
            {0x0020, {diagRightX, upperY}},
            {0x0040, {xm, bottom - W + h}},
            {0x0080, {left + h, lowerY}},
            {0x0100, {right - W + h, lowerY}},
            {0x0200, {xm, (ym + h + bottom - W) / 2}},
            {0x0400, {diagLeftX, lowerY}},
            {0x0800, {diagRightX, lowerY}},
            {0x1000, {(left + h + xm) / 2, ym}},
            {0x2000, {(xm + right - h) / 2, ym}},
        }};
        uint16_t mask = 0;
        for (const auto& [bit, p] : probes) {
            const TColor c = Px(L, p.X, p.Y);
            if (c == L->HiColor())
                mask |= bit;
            else if (c != L->LowColor())
                ADD_FAILURE() << "segment 0x" << std::hex << bit << " at (" << std::dec << p.X << ", " << p.Y
                              << ") has colour 0x" << std::hex << c;
        }
        return mask;
    }
    static int32_t XOffset(TCustomCvLcd* L) { return ((L->Width() - 2) % L->Cols()) / 2; }
    // The masks of a row's cells, left to right.
    static std::vector<uint16_t> ReadRow(TCustomCvLcd* L, int32_t Y) {
        std::vector<uint16_t> out;
        for (int32_t k = 0; k < L->Cols(); ++k) out.push_back(ReadCell(L, k * L->CellWidth() + XOffset(L), Y));
        return out;
    }
    static std::vector<uint16_t> Masks(const std::u32string& Chars) {
        std::vector<uint16_t> out;
        for (char32_t ch : Chars) out.push_back(LcdCharMask(ch));
        return out;
    }
    // True when a decimal point is lit on the boundary left of cell k.
    static bool PointAt(TCustomCvLcd* L, int32_t K, int32_t Y) {
        const int32_t x = K * L->CellWidth() + XOffset(L);
        return Px(L, x, Y + L->CellHeight() - L->TopBottomSpace() - 2) == L->HiColor();
    }
    static bool ColonAt(TCustomCvLcd* L, int32_t K, int32_t Y) {
        const int32_t x = K * L->CellWidth() + XOffset(L), CH = L->CellHeight(), TB = L->TopBottomSpace();
        const bool upper = Px(L, x, Y + TB + CH / 4) == L->HiColor();
        const bool lower = Px(L, x, Y + CH - TB - CH / 4) == L->HiColor();
        EXPECT_EQ(upper, lower) << "half a colon at boundary " << K;
        return upper && lower;
    }

    TForm* Form = nullptr;
};

std::string PngDir() {
    std::string dir = "/tmp/lcd";
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

// ---------------------------------------------------------------------------
// Tables, construction, setters, streaming

TEST(LcdTables, MasksOfDigitsLettersAndSigns) {
    EXPECT_EQ(LCD_NRField[0], 0x01C7);
    EXPECT_EQ(LCD_NRField[8], 0x31C7);
    EXPECT_EQ(LCD_CharField[0], 0x3187);   // A
    EXPECT_EQ(LCD_CharField[25], 0x0461);  // Z
    EXPECT_EQ(LcdCharMask(U'7'), 0x0105);
    EXPECT_EQ(LcdCharMask(U'M'), 0x01B6);
    EXPECT_EQ(LcdCharMask(U'+'), 0x3208);
    EXPECT_EQ(LcdCharMask(U'-'), 0x3000);
    for (char32_t ch : {U' ', U'%', U'*', U'a', U'z', U'\u00C4', U'\u20AC'}) EXPECT_EQ(LcdCharMask(ch), 0) << static_cast<uint32_t>(ch);
}

TEST(LcdProperties, ConstructedValues) {
    TCvLCD l(nullptr);
    EXPECT_EQ(l.About(), 0);
    EXPECT_EQ(l.Width(), 200);
    EXPECT_EQ(l.Height(), 75);
    EXPECT_EQ(l.Alignment(), taRightJustify);
    EXPECT_EQ(l.BackgroundColor(), clBlack);
    EXPECT_EQ(l.HiColor(), clLime);
    EXPECT_EQ(l.HiLineColor(), clBlack);
    EXPECT_EQ(l.LowColor(), clBlack);
    EXPECT_EQ(l.LowLineColor(), clGreen);
    EXPECT_EQ(l.Cols(), 5);
    EXPECT_EQ(l.LCDBarWidth(), 8);
    EXPECT_EQ(l.TopBottomSpace(), 2);
    EXPECT_EQ(l.LeftRightSpace(), 2);
    EXPECT_EQ(l.LineWidth(), 1);
    EXPECT_EQ(l.Text(), "");
    EXPECT_TRUE(l.FullRepaint());

    TCvMultiLineLCD m(nullptr);
    EXPECT_EQ(m.Width(), 200);
    EXPECT_EQ(m.Height(), 150);
    EXPECT_EQ(m.Cols(), 5);
    EXPECT_EQ(m.Rows(), 2);
    EXPECT_EQ(m.Items()->Count(), 0);
}

TEST(LcdProperties, SetterRules) {
    TCvLCD l(nullptr);
    struct Case {
        const char* What;
        std::function<void(TCvLCD&)> Set;
        std::function<int32_t(const TCvLCD&)> Get;
        int32_t Expected;
    };
    const std::vector<Case> cases = {
        {"Cols 0 ignored", [](TCvLCD& x) { x.SetCols(0); }, [](const TCvLCD& x) { return x.Cols(); }, 5},
        {"Cols 65 ignored", [](TCvLCD& x) { x.SetCols(65); }, [](const TCvLCD& x) { return x.Cols(); }, 5},
        {"Cols -3 ignored", [](TCvLCD& x) { x.SetCols(-3); }, [](const TCvLCD& x) { return x.Cols(); }, 5},
        {"Cols 64", [](TCvLCD& x) { x.SetCols(64); }, [](const TCvLCD& x) { return x.Cols(); }, 64},
        {"Cols 1", [](TCvLCD& x) { x.SetCols(1); }, [](const TCvLCD& x) { return x.Cols(); }, 1},
        {"LineWidth 0 ignored", [](TCvLCD& x) { x.SetLineWidth(0); },
         [](const TCvLCD& x) { return x.LineWidth(); }, 1},
        {"LineWidth -2 ignored", [](TCvLCD& x) { x.SetLineWidth(-2); },
         [](const TCvLCD& x) { return x.LineWidth(); }, 1},
        {"LineWidth 3", [](TCvLCD& x) { x.SetLineWidth(3); }, [](const TCvLCD& x) { return x.LineWidth(); }, 3},
        {"LCDBarWidth 7 -> 8", [](TCvLCD& x) { x.SetBarWidth(7); },
         [](const TCvLCD& x) { return x.LCDBarWidth(); }, 8},
        {"LCDBarWidth 5 -> 6", [](TCvLCD& x) { x.SetBarWidth(5); },
         [](const TCvLCD& x) { return x.LCDBarWidth(); }, 6},
        {"LCDBarWidth 12", [](TCvLCD& x) { x.SetBarWidth(12); },
         [](const TCvLCD& x) { return x.LCDBarWidth(); }, 12},
        // 255 cannot be raised within a byte: the widest even width stays.
        {"LCDBarWidth 255 -> 254", [](TCvLCD& x) { x.SetBarWidth(255); },
         [](const TCvLCD& x) { return x.LCDBarWidth(); }, 254},
        {"TopBottomSpace", [](TCvLCD& x) { x.SetTBSpace(5); },
         [](const TCvLCD& x) { return x.TopBottomSpace(); }, 5},
        {"LeftRightSpace", [](TCvLCD& x) { x.SetLRSpace(4); },
         [](const TCvLCD& x) { return x.LeftRightSpace(); }, 4},
    };
    for (const Case& c : cases) {
        TCvLCD fresh(nullptr);
        c.Set(fresh);
        EXPECT_EQ(c.Get(fresh), c.Expected) << c.What;
    }

    TCvMultiLineLCD m(nullptr);
    for (int32_t bad : {0, 33, -1}) {
        m.setrows(bad);
        EXPECT_EQ(m.Rows(), 2) << bad;
    }
    m.setrows(32);
    EXPECT_EQ(m.Rows(), 32);
    m.setrows(1);
    EXPECT_EQ(m.Rows(), 1);

    l.SetText("Ab12.5x");
    EXPECT_EQ(l.Text(), "AB12.5X");
    l.SetText("\xC3\xA4q");  // only a to z change
    EXPECT_EQ(l.Text(), "\xC3\xA4Q");

    EXPECT_THROW(l.SetColor(0, clRed), ERangeError);
    EXPECT_THROW(l.SetColor(6, clRed), ERangeError);
    l.SetColor(2, clRed);
    EXPECT_EQ(l.HiColor(), clRed);
}

TEST(LcdProperties, StreamsEveryPropertyWithoutDefault) {
    TCvLCD l(nullptr);
    l.SetName("Lcd1");
    l.SetText("12:30");
    l.SetCols(6);
    l.SetHiColor(clRed);
    const std::string text = ComponentToString(&l);
    // None of the display's own properties has a stream default: each is
    // written, also with its constructed value.
    for (const char* line : {"About = 0", "Alignment = taRightJustify", "BackgroundColor = clBlack",
                             "HiColor = clRed", "HiLineColor = clBlack", "LowColor = clBlack",
                             "LowLineColor = clGreen", "Cols = 6", "LCDBarWidth = 8", "TopBottomSpace = 2",
                             "LeftRightSpace = 2", "LineWidth = 1", "Text = '12:30'"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    // The controls' own properties keep their defaults.
    for (const char* name : {"Cursor", "ShowHint", "Align", "Hint"})
        EXPECT_EQ(text.find(std::string(name) + " ="), std::string::npos) << name;

    TCvLCD back(nullptr);
    StringToComponent(text, &back);
    EXPECT_EQ(back.Text(), "12:30");
    EXPECT_EQ(back.Cols(), 6);
    EXPECT_EQ(back.HiColor(), clRed);

    TCvMultiLineLCD m(nullptr);
    m.SetName("Multi1");
    m.Items()->Add("one");
    m.Items()->Add("Two");
    m.setrows(3);
    const std::string mtext = ComponentToString(&m);
    EXPECT_NE(mtext.find("Rows = 3"), std::string::npos) << mtext;
    TCvMultiLineLCD mback(nullptr);
    StringToComponent(mtext, &mback);
    EXPECT_EQ(mback.Rows(), 3);
    ASSERT_EQ(mback.Items()->Count(), 2);
    EXPECT_EQ(mback.Items()->Strings(1), "Two");  // the list keeps its case
}

// A display without a window (no parent, or a parent not shown yet) takes
// the text and paints nothing; the first paint shows it.
TEST(LcdProperties, QuickRepaintWithoutWindowDoesNothing) {
    TCvLCD l(nullptr);
    EXPECT_NO_THROW(l.SetText("12"));
    EXPECT_FALSE(l.HandleAllocated());
    EXPECT_EQ(l.Text(), "12");

    TCvMultiLineLCD m(nullptr);
    EXPECT_NO_THROW(m.setrows(4));
    EXPECT_NO_THROW(m.SetHiColor(clRed));
    EXPECT_FALSE(m.HandleAllocated());
}

// ---------------------------------------------------------------------------
// Characters to cells

TEST_F(LcdTest, FirstPaintShowsTextSetBeforeTheWindow) {
    auto* l = new TCvLCD(Form);
    l->SetText("42");
    l->SetBounds(10, 10, 200, 75);
    l->SetHiColor(kHi);
    l->SetLowColor(kLow);
    l->SetParent(Form);
    Pump();
    EXPECT_EQ(ReadRow(l, 1), Masks(U"   42"));
}

TEST_F(LcdTest, TextToCells) {
    struct Case {
        const char* Text;
        TAlignment Align;
        std::u32string Cells;             // left to right
        std::vector<int32_t> Points;      // boundaries (left of cell k) with a point
        std::vector<int32_t> Colons;
    };
    const std::vector<Case> cases = {
        {"12.5", taRightJustify, U"  125", {4}, {}},
        {"12.", taRightJustify, U"   12", {}, {}},  // a point at the right edge is not drawn
        {"12:30", taRightJustify, U" 1230", {}, {3}},
        {"ABCDEFG", taRightJustify, U"CDEFG", {}, {}},
        {"1.2.3.4.5.6", taRightJustify, U"23456", {1, 2, 3, 4}, {}},
        {"AB", taLeftJustify, U"AB   ", {}, {}},
        {"AB", taCenter, U"  AB ", {}, {}},
        {"AB", taRightJustify, U"   AB", {}, {}},
        {"1.5", taLeftJustify, U"15   ", {1}, {}},
        {"ABCDEFG", taLeftJustify, U"CDEFG", {}, {}},
        {"-7+", taCenter, U" -7+ ", {}, {}},  // (5 - 3) div 2 = 1 blank appended
        {"ab", taRightJustify, U"   AB", {}, {}},
        {"%*", taRightJustify, U"   %*", {}, {}},
        {"", taRightJustify, U"     ", {}, {}},
        {"\xE2\x82\xAC" "1", taLeftJustify, U"\u20AC1   ", {}, {}},  // one cell per code point
    };
    auto* l = Make<TCvLCD>(200, 75);
    for (const Case& c : cases) {
        l->SetAlignment(c.Align);
        l->SetText(c.Text);  // a quick repaint over the previous case
        SCOPED_TRACE(std::string("text \"") + c.Text + "\", alignment " + std::to_string(c.Align));
        EXPECT_EQ(ReadRow(l, 1), Masks(c.Cells));
        for (int32_t k = 1; k < l->Cols(); ++k) {
            const bool point = std::find(c.Points.begin(), c.Points.end(), k) != c.Points.end();
            const bool colon = std::find(c.Colons.begin(), c.Colons.end(), k) != c.Colons.end();
            EXPECT_EQ(PointAt(l, k, 1), point) << "point at boundary " << k;
            EXPECT_EQ(ColonAt(l, k, 1), colon) << "colon at boundary " << k;
        }
        // Nothing at the right edge, where the trailing point would go.
        EXPECT_EQ(Px(l, l->Cols() * l->CellWidth() + XOffset(l), 1 + l->CellHeight() - 4), kBack);
        // The quick repaint over the previous text left no point or colon
        // of it behind: it shows what a full repaint shows.
        const std::vector<TColor> quick = Picture(l);
        l->Refresh();
        EXPECT_EQ(quick, Picture(l));
    }
}

TEST_F(LcdTest, GridAndSegmentGeometry) {
    // 203 - 2 = 201 = 6 * 33 + 3: cells of 33, one pixel of offset.
    auto* l = Make<TCvLCD>(203, 80);
    l->SetCols(6);
    l->SetText("8");
    EXPECT_EQ(l->CellWidth(), 33);
    EXPECT_EQ(l->CellHeight(), 78);
    const int32_t X = 5 * 33 + 1, Y = 1, CH = 78;
    EXPECT_EQ(ReadCell(l, X, Y), LcdCharMask(U'8'));
    // Lit outlines in HiLineColor, unlit ones in LowLineColor: the top edge
    // of the top bar and the upper centre bar's left edge.
    EXPECT_EQ(Px(l, X + 33 / 2, Y + 2), kHiLine);
    EXPECT_EQ(Px(l, X + 33 / 2 - 4, Y + CH / 2 - 12), kLowLine);
    // The space between a cell's edge and its bars is background.
    EXPECT_EQ(Px(l, X + 1, Y + CH / 2), kBack);
    EXPECT_EQ(Px(l, X + 16, Y + 1), kBack);
    // Wider spaces move the bars in.
    l->SetLRSpace(5);
    l->SetTBSpace(6);
    EXPECT_EQ(Px(l, X + 4, Y + CH / 4), kBack);
    EXPECT_EQ(Px(l, X + 5 + 4, Y + CH / 4), kHi);  // the upper left bar, moved in
    EXPECT_EQ(Px(l, X + 16, Y + 5), kBack);
    EXPECT_EQ(Px(l, X + 16, Y + 6 + 4), kHi);       // the top bar, moved down
    // Thinner bars: the top bar's lower edge is now six pixels below its
    // top edge (where the upper centre bar starts).
    l->SetBarWidth(6);
    EXPECT_EQ(Px(l, X + 33 / 2, Y + 6 + 5), kHi);
    EXPECT_EQ(Px(l, X + 12, Y + 6 + 6), kHiLine);
    EXPECT_EQ(Px(l, X + 33 / 2, Y + 6 + 6), kLowLine);
}

TEST_F(LcdTest, EveryLetterAndDigitReadsBack) {
    auto* l = Make<TCvLCD>(330, 90);
    l->SetCols(6);
    const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+-";
    for (size_t i = 0; i < all.size(); i += 6) {
        const std::string chunk = all.substr(i, 6);
        l->SetAlignment(taLeftJustify);
        l->SetText(chunk);
        std::u32string cells(chunk.begin(), chunk.end());
        cells.resize(6, U' ');
        EXPECT_EQ(ReadRow(l, 1), Masks(cells)) << chunk;
    }
}

// ---------------------------------------------------------------------------
// Repaint modes

TEST_F(LcdTest, FullAndQuickRepaint) {
    auto* l = Make<TCvLCD>(200, 75);
    l->SetText("88888");
    struct Case {
        const char* What;
        std::function<void()> Act;
        bool Cleared;  // a full repaint paints the background over the scribble
    };
    const std::vector<Case> cases = {
        {"SetText repaints quickly", [&] { l->SetText("12"); }, false},
        {"same text again, quickly", [&] { l->SetText("12"); }, false},
        {"same colour repaints fully", [&] { l->SetHiColor(l->HiColor()); }, true},
        {"BackgroundColor", [&] { l->SetBackgroundColor(kBack); }, true},
        {"LowLineColor", [&] { l->SetLowLineColor(kLowLine); }, true},
        {"Alignment changed", [&] { l->SetAlignment(taLeftJustify); }, true},
        {"Alignment unchanged", [&] { l->SetAlignment(taLeftJustify); }, false},
        {"Cols changed", [&] { l->SetCols(4); }, true},
        {"Cols unchanged", [&] { l->SetCols(4); }, false},
        {"Cols out of range", [&] { l->SetCols(65); }, false},
        {"LCDBarWidth 7 when 8", [&] { l->SetBarWidth(7); }, true},
        {"LineWidth changed", [&] { l->SetLineWidth(2); }, true},
        {"LineWidth 0", [&] { l->SetLineWidth(0); }, false},
        {"TopBottomSpace", [&] { l->SetTBSpace(3); }, true},
        {"LeftRightSpace", [&] { l->SetLRSpace(3); }, true},
    };
    for (const Case& c : cases) {
        Scribble(l, 0, 0);
        ASSERT_EQ(Px(l, 0, 0), kScribble);
        c.Act();
        EXPECT_EQ(Px(l, 0, 0), c.Cleared ? kBack : kScribble) << c.What;
    }
    // The quick repaint draws the new text at once and leaves the flag set.
    l->SetAlignment(taRightJustify);
    l->SetCols(5);
    l->SetLineWidth(1);
    l->SetText("7");
    EXPECT_EQ(ReadRow(l, 1), Masks(U"    7"));
    EXPECT_TRUE(l->FullRepaint());
}

TEST_F(LcdTest, QuickRepaintPaintsOverEveryCell) {
    auto* l = Make<TCvLCD>(200, 75);
    l->SetText("88888");
    // A stray pixel on an unlit segment of the leftmost cell is painted over
    // by the quick repaint, which draws every segment of every cell.
    l->SetText("1");
    const int32_t X = XOffset(l), xm = X + l->CellWidth() / 2;
    Scribble(l, xm, 1 + 2 + 4);  // inside the top bar
    l->SetText("1");
    EXPECT_EQ(Px(l, xm, 7), kLow);
}

TEST_F(LcdTest, WindowPaintDrawsEverything) {
    auto* l = Make<TCvLCD>(200, 75);
    l->SetText("12:30");
    Scribble(l, 0, 0);
    InvalidateRect(l->Handle(), nullptr, TRUE);
    Pump();
    EXPECT_EQ(Px(l, 0, 0), kBack);
    EXPECT_EQ(ReadRow(l, 1), Masks(U" 1230"));
    EXPECT_TRUE(ColonAt(l, 3, 1));
}

// ---------------------------------------------------------------------------
// Multi-line

TEST_F(LcdTest, MultiLineRows) {
    auto* m = Make<TCvMultiLineLCD>(200, 151);  // 149 = 2 * 74 + 1
    auto lines = std::make_unique<TStringList>();
    lines->Add("ab.1");
    TStringList* src = lines.get();
    m->SetItems(src);
    EXPECT_EQ(m->Items()->Strings(0), "ab.1");  // kept as given
    EXPECT_EQ(m->CellHeight(), 74);
    const int32_t yo = 0;
    EXPECT_EQ(ReadRow(m, yo), Masks(U"  AB1"));
    EXPECT_TRUE(PointAt(m, 4, yo));
    EXPECT_EQ(ReadRow(m, 74 + yo), Masks(U"     "));  // no line: a blank row

    // Editing the list in place does not repaint; assigning it does.
    m->Items()->Add("-42");
    EXPECT_EQ(ReadRow(m, 74), Masks(U"     "));
    src->Assign(*m->Items());
    m->SetItems(src);
    EXPECT_EQ(ReadRow(m, 74), Masks(U"  -42"));
}

TEST_F(LcdTest, MultiLineRowOffsets) {
    auto* m = Make<TCvMultiLineLCD>(200, 157);  // 155 = 3 * 51 + 2: offset 1
    m->setrows(3);
    m->Items()->Add("1");
    m->Items()->Add("2");
    m->Items()->Add("3");
    m->Refresh();
    EXPECT_EQ(m->CellHeight(), 51);
    for (int32_t r = 0; r < 3; ++r) {
        std::u32string expected = U"    ";
        expected += char32_t(U'1' + r);
        EXPECT_EQ(ReadRow(m, r * 51 + 1), Masks(expected)) << r;
    }
}

// Rows changes the cell height: the old cells must not stay behind.
TEST_F(LcdTest, RowsChangeRepaintsFully) {
    auto* a = Make<TCvMultiLineLCD>(200, 150, 10, 10);
    auto* b = Make<TCvMultiLineLCD>(200, 150, 250, 10);
    for (auto* m : {a, b}) {
        m->Items()->Add("88888");
        m->Items()->Add("8.8:8");
        m->Items()->Add("XXXXX");
    }
    a->Refresh();
    b->setrows(3);
    b->Refresh();
    a->setrows(3);  // a showed two rows until now
    EXPECT_EQ(Picture(a), Picture(b));
}

// ---------------------------------------------------------------------------
// Small grids

TEST_F(LcdTest, TooSmallGridPaintsBackgroundOnly) {
    struct Case {
        int32_t W, H, Cols, Rows;
    };
    for (const Case& c : std::vector<Case>{{6, 40, 5, 2}, {40, 3, 5, 2}, {65, 40, 64, 2}, {200, 30, 5, 32},
                                           {1, 1, 1, 1}, {0, 0, 5, 2}}) {
        auto* m = Make<TCvMultiLineLCD>(c.W, c.H);
        m->SetCols(c.Cols);
        m->setrows(c.Rows);
        m->Items()->Add("88888");
        EXPECT_NO_THROW(m->Refresh());
        for (TColor px : Picture(m)) ASSERT_EQ(px, kBack) << c.W << "x" << c.H;
        delete m;
    }
    auto* l = Make<TCvLCD>(6, 20);  // Cols 5 needs a width of 7
    l->SetText("8");
    Scribble(l, 0, 0);
    l->SetText("88");  // even the quick repaint shows the background only
    for (TColor px : Picture(l)) ASSERT_EQ(px, kBack);
    l->SetWidth(7);  // the smallest width with cells of one pixel
    l->Refresh();
    EXPECT_EQ(l->CellWidth(), 1);
}

// ---------------------------------------------------------------------------
// Events

TEST_F(LcdTest, MouseEvents) {
    auto* l = Make<TCvLCD>(200, 75);
    int clicks = 0, downs = 0;
    TPoint at{};
    l->SetOnClick([&](TObject* Sender) {
        EXPECT_EQ(Sender, l);
        ++clicks;
    });
    l->SetOnMouseDown([&](TObject*, TMouseButton B, TShiftState, int32_t X, int32_t Y) {
        EXPECT_EQ(B, mbLeft);
        at = {X, Y};
        ++downs;
    });
    const TPoint p = l->ClientToScreen({30, 20});
    FeedMouseButton(mbLeftButton, true, p.X, p.Y);
    FeedMouseButton(mbLeftButton, false, p.X, p.Y);
    Pump();
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(at.X, 30);
    EXPECT_EQ(at.Y, 20);
}

// ---------------------------------------------------------------------------
// Pictures

TEST_F(LcdTest, Pictures) {
    Form->SetColor(clBtnFace);
    auto* clock = Make<TCvLCD>(220, 80, 10, 10);
    clock->SetBackgroundColor(clBlack);
    clock->SetHiColor(clLime);
    clock->SetHiLineColor(clBlack);
    clock->SetLowColor(clBlack);
    clock->SetLowLineColor(0x003000);
    clock->SetText("12:30");

    auto* amber = Make<TCvLCD>(300, 80, 240, 10);
    amber->SetCols(7);
    amber->SetBackgroundColor(0x101010);
    amber->SetHiColor(0x00A0FF);
    amber->SetHiLineColor(0x0060C0);
    amber->SetLowColor(0x181818);
    amber->SetLowLineColor(0x202838);
    amber->SetText("-3.1416");

    auto* lcdGreen = Make<TCvLCD>(300, 60, 10, 100);
    lcdGreen->SetCols(10);
    lcdGreen->SetBarWidth(4);
    lcdGreen->SetBackgroundColor(0x70B8A0);
    lcdGreen->SetHiColor(0x203020);
    lcdGreen->SetHiLineColor(0x203020);
    lcdGreen->SetLowColor(0x68B098);
    lcdGreen->SetLowLineColor(0x60A890);
    lcdGreen->SetAlignment(taLeftJustify);
    lcdGreen->SetText("HELLO 42");

    auto* centred = Make<TCvLCD>(300, 60, 320, 100);
    centred->SetCols(8);
    centred->SetBarWidth(6);
    centred->SetBackgroundColor(0x200000);
    centred->SetHiColor(0xFFC040);
    centred->SetHiLineColor(0x804000);
    centred->SetLowColor(0x300800);
    centred->SetLowLineColor(0x502000);
    centred->SetLineWidth(1);
    centred->SetAlignment(taCenter);
    centred->SetText("WXYZ+K");

    auto* multi = Make<TCvMultiLineLCD>(400, 200, 10, 180);
    multi->SetCols(12);
    multi->setrows(4);
    multi->SetBarWidth(4);
    multi->SetHiColor(clRed);
    multi->SetHiLineColor(0x000040);
    multi->SetLowColor(0x000018);
    multi->SetLowLineColor(0x000040);
    multi->SetBackgroundColor(0x000008);
    auto lines = std::make_unique<TStringList>();
    for (const char* s : {"Corvane", "v1.5.0:80", "abcdefghijklmnopqrstuvwxyz", "-+%*0123"}) lines->Add(s);
    multi->SetItems(lines.get());

    auto* tiny = Make<TCvLCD>(100, 36, 430, 180);
    tiny->SetBarWidth(2);
    tiny->SetTBSpace(1);
    tiny->SetLRSpace(1);
    tiny->SetBackgroundColor(clBlack);
    tiny->SetHiLineColor(clBlack);
    tiny->SetLowColor(0x002000);
    tiny->SetLowLineColor(0x002000);
    tiny->SetText("09.45");
    Pump();

    const std::string path = PngDir() + "/lcd_pictures.png";
    ASSERT_TRUE(Form->SaveToPng(path));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
    // The picture agrees with the probes.
    EXPECT_EQ(ReadRow(clock, 1), Masks(U" 1230"));
    EXPECT_EQ(ReadRow(amber, 1), Masks(U" -31416"));
    EXPECT_TRUE(PointAt(amber, 3, 1));
}

TEST_F(LcdTest, BigMultiLinePicture) {
    Form->SetBounds(0, 0, 1000, 560);
    auto* m = Make<TCvMultiLineLCD>(962, 514, 5, 5);  // 64 x 32 cells of 15 x 16
    m->SetCols(64);
    m->setrows(32);
    m->SetBarWidth(2);
    m->SetTBSpace(1);
    m->SetLRSpace(1);
    auto lines = std::make_unique<TStringList>();
    for (int r = 0; r < 32; ++r) {
        std::string s;
        for (int k = 0; k < 64; ++k) s += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+-"[(r * 7 + k) % 38];
        lines->Add(s);
    }
    m->SetItems(lines.get());
    EXPECT_EQ(m->CellWidth(), 15);
    EXPECT_EQ(m->CellHeight(), 16);
    ASSERT_TRUE(SaveWindowToPng(m->Handle(), PngDir() + "/lcd_64x32.png"));
}
