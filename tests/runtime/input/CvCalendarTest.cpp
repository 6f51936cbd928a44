// TCvCalendar: cell and date arithmetic across months and leap years,
// stepping, the selection rules and their vetoes, OnChange, sizing from the
// client area, the events, and the painted cells.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "CvCalendar.h"
#include "DateTime.h"
#include "Forms.h"
#include "Gdi.h"
#include "WinBackend.h"
#include "Windows.h"

using namespace vcl;
using corvane::TCvCalendar;
using namespace corvane;

namespace {

TDateTime D(int Y, int M, int Dd) { return EncodeDate(Word(Y), Word(M), Word(Dd)); }

class CalendarFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        Form = new TForm(nullptr);
        Form->SetBounds(30, 30, 320, 200);
        Cal = new TCvCalendar(Form);
        Cal->HeaderFont()->SetSize(8);
        Cal->SetParent(Form);
        Cal->SetBounds(8, 8, 268, 112);  // client area 264 x 108
        Cal->SetOnChange([this](TObject*) { ++Changes; });
        Form->Show();
        Pump();
        Cal->SetFocus();
        Pump();
    }
    void TearDown() override {
        delete Form;
        Pump();
        Clock::UseVirtualTime(false);
    }
    static void Pump() { Application()->ProcessMessages(); }
    void ClickCell(int32_t ACol, int32_t ARow) {
        Clock::Advance(2000ull * 1000000);
        const TRect r = Cal->CellRect(ACol, ARow);
        const TPoint p = Cal->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        FeedMouseButton(mbLeftButton, true, p.X, p.Y);
        FeedMouseButton(mbLeftButton, false, p.X, p.Y);
        Pump();
    }
    void Key(int VirtKey) {
        FeedKey(VirtKey, true);
        FeedKey(VirtKey, false);
        Pump();
    }
    // Sets the date without counting the change.
    void Show(TDateTime Date) {
        Cal->SetCalendarDate(Date);
        Changes = 0;
    }
    TDateTime CurrentCellDate() const { return Cal->GetCellDate(Cal->Col(), Cal->Row()); }
    COLORREF Pixel(int32_t X, int32_t Y) {
        Cal->Repaint();
        HDC dc = GetDC(Cal->Handle());
        COLORREF c = GetPixel(dc, X, Y);
        ReleaseDC(Cal->Handle(), dc);
        return c;
    }
    // The pixels of a cell that are not Background, with their bounding box.
    int Ink(const TRect& R, COLORREF Background, TRect* Box = nullptr, COLORREF* Some = nullptr) {
        Cal->Repaint();
        HDC dc = GetDC(Cal->Handle());
        int n = 0;
        TRect box{R.Right, R.Bottom, R.Left, R.Top};
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) {
                const COLORREF c = GetPixel(dc, x, y);
                if (c == Background) continue;
                ++n;
                if (Some) *Some = c;
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
        ReleaseDC(Cal->Handle(), dc);
        if (Box) *Box = box;
        return n;
    }
    static COLORREF Rgb(TColor C) { return ColorToColorRef(C); }
    // The cell showing a date of the current layout.
    std::pair<int, int> CellOf(TDateTime Date) const {
        for (int r = 1; r < 7; ++r)
            for (int c = 0; c < 7; ++c)
                if (Cal->GetCellDate(c, r) == Date) return {c, r};
        ADD_FAILURE() << "date not shown";
        return {-1, -1};
    }

    TForm* Form = nullptr;
    TCvCalendar* Cal = nullptr;
    int Changes = 0;
};

}  // namespace

TEST_F(CalendarFixture, ConstructionSettings) {
    TCvCalendar c(nullptr);
    EXPECT_EQ(c.ColCount(), 7);
    EXPECT_EQ(c.RowCount(), 7);
    EXPECT_EQ(c.FixedCols(), 0);
    EXPECT_EQ(c.FixedRows(), 1);
    EXPECT_EQ(c.ScrollBars(), ssNone);
    const TGridOptions o = c.Options();
    EXPECT_FALSE(o.Contains(goRangeSelect));
    EXPECT_FALSE(o.Contains(goColSizing));
    EXPECT_FALSE(o.Contains(goRowSizing));
    EXPECT_FALSE(o.Contains(goRowMoving));
    EXPECT_TRUE(o.Contains(goDrawFocusSelected));
    EXPECT_EQ(c.CalendarDate(), vcl::Date());
    EXPECT_TRUE(c.UseCurrentDate());
    EXPECT_EQ(c.StartOfWeek(), cvdSunday);
    EXPECT_EQ(c.HeaderType(), cvchLongNames);
    EXPECT_EQ(c.GrayedColor(), clGray);
    EXPECT_FALSE(c.SelectSunday());
    EXPECT_EQ(c.GetDateElement(4), -1);
    EXPECT_EQ(c.GetCellDate(3, 0), 0);
}

// ----- layout of a month

TEST_F(CalendarFixture, CellsMapToDatesForEveryStartOfWeek) {
    Cal->SetSelectSunday(true);
    struct Case {
        TCvDayOfWeek Start;
        TDateTime Date;
        int FirstCol;           // column of the first of the month in row 1
        TDateTime TopLeft;      // the date in cell (0, 1)
    };
    const Case cases[] = {
        {cvdSunday, D(2024, 9, 1), 0, D(2024, 9, 1)},     // first on the start: no previous days
        {cvdMonday, D(2024, 9, 1), 6, D(2024, 8, 26)},    // first the day before the start: six previous days
        {cvdSunday, D(2024, 6, 15), 6, D(2024, 5, 26)},
        {cvdSunday, D(2024, 2, 29), 4, D(2024, 1, 28)},   // leap February
        {cvdThuesday, D(2023, 2, 28), 1, D(2023, 1, 31)},
        {cvdSaturday, D(2000, 1, 1), 0, D(2000, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DateToStr(c.Date, EnglishFormatSettings()));
        Cal->SetStartOfWeek(c.Start);
        Cal->SetCalendarDate(c.Date);
        Word y, m, d;
        DecodeDate(c.Date, y, m, d);
        EXPECT_EQ(Cal->GetCellDate(c.FirstCol, 1), D(y, m, 1));
        EXPECT_EQ(Cal->GetCellDate(0, 1), c.TopLeft);
        EXPECT_EQ(Cal->GetCellDate(6, 6), c.TopLeft + 41);
        EXPECT_EQ(CurrentCellDate(), c.Date);
        // Column 0 shows the start weekday.
        EXPECT_EQ(DayOfWeek(Cal->GetCellDate(0, 3)) - 1, static_cast<int>(c.Start));
    }
}

TEST_F(CalendarFixture, LeapYearRules) {
    struct Case {
        int Year;
        bool Leap;
    } cases[] = {{1900, false}, {2000, true}, {2023, false}, {2024, true}, {2100, false}, {2400, true}};
    for (auto c : cases) {
        EXPECT_EQ(Cal->IsLeapYear(c.Year), c.Leap) << c.Year;
        EXPECT_EQ(Cal->DaysPerMonth(c.Year, 2), c.Leap ? 29 : 28) << c.Year;
    }
    EXPECT_EQ(Cal->DaysPerMonth(2023, 4), 30);
    EXPECT_EQ(Cal->DaysPerMonth(2023, 12), 31);
}

// ----- stepping

TEST_F(CalendarFixture, MonthSteppingClampsTheDay) {
    struct Case {
        TDateTime From;
        int Delta;
        TDateTime To;
    };
    const Case cases[] = {
        {D(2023, 1, 31), +1, D(2023, 2, 28)}, {D(2024, 1, 31), +1, D(2024, 2, 29)},
        {D(2023, 3, 31), -1, D(2023, 2, 28)}, {D(2024, 3, 31), -1, D(2024, 2, 29)},
        {D(2023, 12, 15), +1, D(2024, 1, 15)}, {D(2024, 1, 10), -1, D(2023, 12, 10)},
        {D(2024, 5, 31), -1, D(2024, 4, 30)},
    };
    for (const Case& c : cases) {
        Show(c.From);
        if (c.Delta > 0)
            Cal->NextMonth();
        else
            Cal->PrevMonth();
        EXPECT_EQ(Cal->CalendarDate(), c.To) << DateToStr(c.From, EnglishFormatSettings());
        EXPECT_EQ(Changes, 1);
    }
}

TEST_F(CalendarFixture, YearSteppingOnLeapDayFiresTwice) {
    Show(D(2000, 2, 29));
    Cal->NextYear();
    EXPECT_EQ(Cal->CalendarDate(), D(2001, 2, 28));
    EXPECT_EQ(Changes, 2);  // the day goes to 28 first, then the year
    Show(D(2024, 2, 29));
    Cal->PrevYear();
    EXPECT_EQ(Cal->CalendarDate(), D(2023, 2, 28));
    Show(D(1, 5, 5));
    Cal->PrevYear();  // year 0 does not exist: nothing happens
    EXPECT_EQ(Cal->CalendarDate(), D(1, 5, 5));
    EXPECT_EQ(Changes, 0);
}

TEST_F(CalendarFixture, DatePartsAndTheirEdgeCases) {
    Show(D(2023, 1, 31));
    Cal->SetUseCurrentDate(false);
    Cal->SetUseCurrentDate(true);  // back to today, no OnChange
    EXPECT_EQ(Changes, 0);
    Show(D(2023, 1, 31));
    ASSERT_TRUE(Cal->UseCurrentDate());
    // Ignored values change nothing and fire nothing.
    for (auto [index, value] : std::vector<std::pair<int, int>>{{2, 13}, {2, 0}, {3, 0}, {3, 32}, {1, 2023}, {5, 1}})
        Cal->SetDateElement(index, value);
    EXPECT_EQ(Changes, 0);
    EXPECT_TRUE(Cal->UseCurrentDate());
    // A month without the day raises; nothing changes.
    EXPECT_THROW(Cal->SetMonth(4), EConvertError);
    EXPECT_EQ(Cal->CalendarDate(), D(2023, 1, 31));
    EXPECT_TRUE(Cal->UseCurrentDate());
    EXPECT_EQ(CurrentCellDate(), D(2023, 1, 31));
    EXPECT_EQ(Changes, 0);
    Show(D(2000, 2, 29));
    EXPECT_THROW(Cal->SetYear(2001), EConvertError);
    EXPECT_EQ(Cal->CalendarDate(), D(2000, 2, 29));
    EXPECT_THROW(Cal->SetYear(70000), EConvertError);  // no wrap-around into another year
    EXPECT_THROW(Cal->SetCalendarDate(1e9), EConvertError);
    EXPECT_EQ(Cal->CalendarDate(), D(2000, 2, 29));

    Cal->SetDay(10);
    Cal->SetMonth(7);
    Cal->SetYear(2010);
    EXPECT_EQ(Cal->CalendarDate(), D(2010, 7, 10));
    EXPECT_FALSE(Cal->UseCurrentDate());
    EXPECT_EQ(Changes, 3);
    EXPECT_EQ(CurrentCellDate(), D(2010, 7, 10));
}

// ----- selection

TEST_F(CalendarFixture, SundaysAndOtherMonthsAreRefusedByDefault) {
    Show(D(2024, 9, 10));  // a Tuesday
    const auto start = std::make_pair(Cal->Col(), Cal->Row());
    Cal->SetCalendarDate(D(2024, 9, 15));  // a Sunday: the date moves, the cell does not
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 9, 15));
    EXPECT_EQ(std::make_pair(Cal->Col(), Cal->Row()), start);
    Show(D(2024, 9, 10));
    auto [sc, sr] = CellOf(D(2024, 9, 8));  // Sunday
    ClickCell(sc, sr);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 9, 10));
    auto [oc, orow] = CellOf(D(2024, 10, 2));  // next month
    ClickCell(oc, orow);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 9, 10));
    EXPECT_EQ(Changes, 0);

    Cal->SetSelectOther(true);  // refused while ShowOther is off
    EXPECT_FALSE(Cal->SelectOther());
    Cal->SetShowOther(true);
    Cal->SetSelectOther(true);
    Cal->SetShowOther(false);  // keeps SelectOther
    EXPECT_TRUE(Cal->SelectOther());
}

TEST_F(CalendarFixture, ClickingANextMonthDayLaysOutThatMonth) {
    Cal->SetShowOther(true);
    Cal->SetSelectOther(true);
    Show(D(2024, 9, 10));
    auto [c, r] = CellOf(D(2024, 10, 3));
    ClickCell(c, r);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 10, 3));
    EXPECT_EQ(Cal->Month(), 10);
    EXPECT_EQ(CurrentCellDate(), D(2024, 10, 3));
    EXPECT_EQ(Changes, 1);
    // The keyboard moves by days.
    Key(VK_RIGHT);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 10, 4));
    Key(VK_DOWN);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 10, 11));
    EXPECT_EQ(Changes, 3);
}

TEST_F(CalendarFixture, OnDateSelectDecidesLastAndReadOnlyBlocksTheUser) {
    Show(D(2024, 9, 10));
    std::vector<TDateTime> asked;
    Cal->SetOnDateSelect([&](TObject* s, TCvDayOfWeek day, TDateTime d, bool& can) {
        EXPECT_EQ(s, Cal);
        EXPECT_EQ(static_cast<int>(day), DayOfWeek(d) - 1);
        asked.push_back(d);
        if (day == cvdSunday) can = true;   // allows what the rules refused
        if (day == cvdFriday) can = false;  // refuses what they allowed
    });
    auto [sc, sr] = CellOf(D(2024, 9, 8));
    ClickCell(sc, sr);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 9, 8));
    auto [fc, fr] = CellOf(D(2024, 9, 13));
    ClickCell(fc, fr);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 9, 8));
    EXPECT_EQ(Changes, 1);

    Cal->SetReadOnly(true);
    asked.clear();
    auto [tc, tr] = CellOf(D(2024, 9, 11));
    ClickCell(tc, tr);
    Key(VK_RIGHT);
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 9, 8));
    EXPECT_TRUE(asked.empty());
    Cal->NextMonth();  // code still works
    EXPECT_EQ(Cal->CalendarDate(), D(2024, 10, 8));
    EXPECT_EQ(CurrentCellDate(), D(2024, 10, 8));
}

// ----- sizing

TEST_F(CalendarFixture, SizingFromTheClientArea) {
    ASSERT_EQ(Cal->ClientWidth(), 264);
    ASSERT_EQ(Cal->ClientHeight(), 108);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(Cal->ColWidths(c), 36) << c;
    EXPECT_EQ(Cal->ColWidths(6), 42);
    EXPECT_EQ(Cal->RowHeights(0), 18);
    for (int r = 1; r < 7; ++r) EXPECT_EQ(Cal->RowHeights(r), 14) << r;

    // The line width counts everywhere: the columns and lines fill the width.
    struct Case {
        int Line, W, H;
    } cases[] = {{2, 300, 160}, {3, 250, 140}, {1, 10, 8}, {2, 3, 3}, {0, 140, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.W);
        Cal->SetGridLineWidth(c.Line);
        Cal->SetBounds(8, 8, c.W + 4, c.H + 4);
        Pump();
        int w = 6 * c.Line, h = 6 * c.Line;
        for (int i = 0; i < 7; ++i) {
            EXPECT_GE(Cal->ColWidths(i), 0);
            EXPECT_GE(Cal->RowHeights(i), 0);
            w += Cal->ColWidths(i);
            h += Cal->RowHeights(i);
        }
        if (c.W >= 6 * c.Line) {
            EXPECT_EQ(w, c.W);
        }
        if (c.H >= 6 * c.Line + 16) {
            EXPECT_EQ(h, c.H);
        }
    }
    // A larger header font takes its rows from the date rows.
    Cal->SetGridLineWidth(1);
    Cal->SetBounds(8, 8, 268, 112);
    Pump();
    Cal->HeaderFont()->SetSize(14);
    EXPECT_EQ(Cal->RowHeights(1), (108 - 6 - 28) / 6);
    EXPECT_EQ(Cal->RowHeights(0), 108 - 6 - 6 * Cal->RowHeights(1));
}

// ----- painting

TEST_F(CalendarFixture, HeadingsAreCentredAndUseTheLocaleNames) {
    Cal->SetHeaderType(cvchShortNames);
    for (int c : {0, 3, 6}) {
        const TRect cell = Cal->CellRect(c, 0);
        TRect box;
        ASSERT_GT(Ink(TRect{cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1}, Rgb(clBtnFace), &box), 5);
        const int dx = (box.Left - cell.Left) - (cell.Right - box.Right);
        EXPECT_LE(std::abs(dx), 3) << c;
    }
    const TRect cell = Cal->CellRect(1, 0);
    const TRect inner{cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1};
    TRect shortBox, singleBox;
    Ink(inner, Rgb(clBtnFace), &shortBox);
    Cal->SetHeaderType(cvchSingleChar);
    Ink(inner, Rgb(clBtnFace), &singleBox);
    EXPECT_LT(singleBox.Right - singleBox.Left, shortBox.Right - shortBox.Left);
    // The names come from the locale settings.
    TFormatSettings saved = FormatSettings();
    FormatSettings().ShortDayNames[1] = "";
    EXPECT_EQ(Ink(inner, Rgb(clBtnFace)), 0);
    FormatSettings() = saved;
}

TEST_F(CalendarFixture, OtherMonthDaysAreGreyOrEmptyAndTheCurrentCellHighlighted) {
    Show(D(2024, 9, 10));  // August days fill the end of the last rows? no: October days do
    auto [c, r] = CellOf(D(2024, 10, 2));
    const TRect other = Cal->CellRect(c, r);
    EXPECT_EQ(Ink(other, Rgb(clWindow)), 0);  // ShowOther off: filled, no number
    Cal->SetShowOther(true);
    COLORREF some = 0;
    EXPECT_GT(Ink(other, Rgb(clWindow), nullptr, &some), 3);
    EXPECT_EQ(some, Rgb(clGray) & 0xFFFFFF) << std::hex << some;
    auto [ic, ir] = CellOf(D(2024, 9, 12));
    COLORREF inMonth = 0;
    Ink(Cal->CellRect(ic, ir), Rgb(clWindow), nullptr, &inMonth);
    EXPECT_EQ(inMonth, Rgb(clWindowText));
    const TRect cur = Cal->CellRect(Cal->Col(), Cal->Row());
    EXPECT_EQ(Pixel(cur.Left + 1, cur.Top + 1), Rgb(clHighlight));
    EXPECT_GT(Ink(cur, Rgb(clHighlight)), 3);  // the number on it
}

TEST_F(CalendarFixture, EventsColourAndTakeOverCells) {
    Show(D(2024, 9, 10));
    Cal->SetOnGetDateColor([&](TObject* s, TGridDrawState st, TCvDayOfWeek day, TDateTime, TColor& bg, TColor& fg) {
        EXPECT_EQ(s, Cal);
        if (!st.Contains(gdSelected) && !st.Contains(gdFocused) && (day == cvdSunday || day == cvdSaturday)) {
            bg = clInfoBk;
            fg = clRed;
        }
    });
    auto [sc, sr] = CellOf(D(2024, 9, 14));  // Saturday
    const TRect sat = Cal->CellRect(sc, sr);
    EXPECT_EQ(Pixel(sat.Left + 1, sat.Top + 1), Rgb(clInfoBk));
    COLORREF ink = 0;
    EXPECT_GT(Ink(sat, Rgb(clInfoBk), nullptr, &ink), 3);
    EXPECT_EQ(ink, Rgb(clRed));
    auto [wc, wr] = CellOf(D(2024, 9, 11));
    EXPECT_EQ(Pixel(Cal->CellRect(wc, wr).Left + 1, Cal->CellRect(wc, wr).Top + 1), Rgb(clWindow));

    int headings = 0;
    std::vector<TCvDayOfWeek> days;
    Cal->SetStartOfWeek(cvdMonday);
    Cal->SetOnDrawHeading([&](TObject*, const TRect&, TCvDayOfWeek d) {
        ++headings;
        days.push_back(d);
    });
    int dates = 0;
    Cal->SetOnDrawDate([&](TObject*, const TRect& R, TGridDrawState, TCvDayOfWeek, TDateTime) {
        ++dates;
        Cal->Canvas()->Brush()->SetColor(clLime);
        Cal->Canvas()->FillRect(R);  // painted last: over the calendar's cell
    });
    const TRect head = Cal->CellRect(2, 0);
    EXPECT_EQ(Ink(TRect{head.Left + 1, head.Top + 1, head.Right - 1, head.Bottom - 1}, Rgb(clBtnFace)), 0);
    EXPECT_EQ(headings % 7, 0);
    ASSERT_GE(days.size(), 7u);
    EXPECT_EQ(days[0], cvdMonday);
    EXPECT_EQ(days[6], cvdSunday);
    EXPECT_EQ(dates % 42, 0);
    EXPECT_EQ(Pixel(sat.Left + 3, sat.Top + 3), Rgb(clLime));
}

TEST_F(CalendarFixture, PictureOfMonthsStartingOnEachWeekday) {
    // Months of 2024 whose first falls on Sunday, Monday ... Saturday.
    const int months[7] = {9, 1, 10, 5, 2, 3, 6};
    auto* sheet = new TForm(nullptr);
    sheet->SetCaption("Calendars");
    sheet->SetBounds(0, 0, 3 * 284 + 24, 3 * 130 + 50);
    for (int i = 0; i < 7; ++i) {
        auto* c = new TCvCalendar(sheet);
        c->SetParent(sheet);
        c->SetBounds(8 + (i % 3) * 284, 8 + (i / 3) * 130, 268, 112);
        c->SetHeaderType(i % 2 ? cvchShortNames : cvchLongNames);
        c->SetShowOther(i >= 4);
        c->SetStartOfWeek(i == 3 ? cvdMonday : cvdSunday);
        c->SetCalendarDate(D(2024, months[i], 10 + i));
        if (i >= 4)
            c->SetOnGetDateColor([](TObject*, TGridDrawState st, TCvDayOfWeek day, TDateTime, TColor& bg, TColor& fg) {
                if (!st.Contains(gdSelected) && (day == cvdSunday || day == cvdSaturday)) {
                    bg = clInfoBk;
                    fg = clGray;
                }
            });
        EXPECT_EQ(c->GetCellDate(i == 3 ? (i + 6) % 7 : i, 1), D(2024, months[i], 1));
    }
    sheet->Show();
    Pump();
    std::filesystem::create_directories(CORVANE_TEST_TMP);
    const std::string path = std::string(CORVANE_TEST_TMP) + "/calendars.png";
    EXPECT_TRUE(sheet->SaveToPng(path));
    EXPECT_TRUE(std::filesystem::exists(path));
    delete sheet;
}
