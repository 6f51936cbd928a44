// The shared procedures: calendar steps, string splitting and shortening,
// the fixed date-time text and the free-resource query.
#include <gtest/gtest.h>

#include <cmath>

#include "Classes.h"
#include "CvProcs.h"
#include "SysResources.h"
#include "SysUtils.h"

using namespace corvane;
using vcl::EncodeDate;
using vcl::TDateTime;

namespace {

std::string Ymd(TDateTime d) {
    uint16_t y, m, dd;
    vcl::DecodeDate(d, y, m, dd);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", y, m, dd);
    return buf;
}

struct StepCase {
    const char* Name;
    TDateTime (*Step)(TDateTime);
    TDateTime From;
    const char* Expected;
};

}  // namespace

TEST(CalendarProcs, DaysPerMonthAndLeapYears) {
    EXPECT_EQ(DaysPerMonth(EncodeDate(2000, 2, 10)), 29);
    EXPECT_EQ(DaysPerMonth(EncodeDate(1900, 2, 10)), 28);
    EXPECT_EQ(DaysPerMonth(EncodeDate(2023, 2, 1)), 28);
    EXPECT_EQ(DaysPerMonth(EncodeDate(2023, 4, 30)), 30);
    EXPECT_EQ(DaysPerMonth(EncodeDate(2023, 12, 31)), 31);
    EXPECT_TRUE(IsLeapYear(EncodeDate(2024, 7, 1)));
    EXPECT_FALSE(IsLeapYear(EncodeDate(2100, 7, 1)));
    EXPECT_TRUE(IsLeapYear(EncodeDate(2000, 1, 1)));
}

TEST(CalendarProcs, MonthAndYearSteps) {
    const StepCase cases[] = {
        {"NextMonth 31 Jan 2023", NextMonth, EncodeDate(2023, 1, 31), "2023-02-28"},
        {"NextMonth 31 Jan 2024", NextMonth, EncodeDate(2024, 1, 31), "2024-02-29"},
        {"PrevMonth 31 Mar 2023", PrevMonth, EncodeDate(2023, 3, 31), "2023-02-28"},
        {"NextMonth 15 Dec 2023", NextMonth, EncodeDate(2023, 12, 15), "2024-01-15"},
        {"PrevMonth 15 Jan 2024", PrevMonth, EncodeDate(2024, 1, 15), "2023-12-15"},
        {"NextYear 29 Feb 2024", NextYear, EncodeDate(2024, 2, 29), "2025-02-28"},
        {"PrevYear 29 Feb 2024", PrevYear, EncodeDate(2024, 2, 29), "2023-02-28"},
        {"NextYear 28 Feb 2023", NextYear, EncodeDate(2023, 2, 28), "2024-02-28"},
    };
    for (const StepCase& c : cases) EXPECT_EQ(Ymd(c.Step(c.From)), c.Expected) << c.Name;
}

TEST(CalendarProcs, MoveMonthDropsTheTimeAndKeepsTheDay) {
    const TDateTime noon = EncodeDate(2023, 5, 17) + 0.5;
    EXPECT_EQ(MoveMonth(noon, 0), EncodeDate(2023, 5, 17));
    EXPECT_EQ(NextMonth(noon), EncodeDate(2023, 6, 17));
    // 28 days from the end of May is still June; -28 from the start of May is April.
    EXPECT_EQ(Ymd(MoveMonth(EncodeDate(2023, 5, 31), 28)), "2023-06-30");
    EXPECT_EQ(Ymd(MoveMonth(EncodeDate(2023, 5, 31), -28)), "2023-04-30");
}

TEST(CalendarProcs, StepsBeyondTheCalendarRaiseConversionErrors) {
    EXPECT_THROW(NextYear(EncodeDate(9999, 6, 1)), vcl::EConvertError);
    EXPECT_THROW(NextMonth(EncodeDate(9999, 12, 1)), vcl::EConvertError);
}

TEST(BreakApart, PartsAndCounts) {
    struct Case {
        const char* Text;
        const char* Delimiter;
        std::vector<std::string> Parts;
    } cases[] = {
        {"abc", ",", {"abc"}},
        {"a,b,", ",", {"a", "b", ""}},
        {"a,,b", ",", {"a", "", "b"}},
        {"", ",", {""}},
        {",", ",", {"", ""}},
        // A longer delimiter is removed whole.
        {"a::b::c", "::", {"a", "b", "c"}},
        {"a:b", "::", {"a:b"}},
        // An empty delimiter splits nothing.
        {"a,b", "", {"a,b"}},
    };
    vcl::TStringList parts;
    parts.Add("left over");
    for (const Case& c : cases) {
        const int32_t n = BreakApart(c.Text, c.Delimiter, parts);
        ASSERT_EQ(n, static_cast<int32_t>(c.Parts.size())) << c.Text;
        ASSERT_EQ(parts.Count(), n) << c.Text;
        for (int i = 0; i < n; ++i) EXPECT_EQ(parts.Strings(i), c.Parts[static_cast<size_t>(i)]) << c.Text;
    }
}

TEST(CompressString, ShortensInnerParts) {
    const std::string path = "C:\\Programme\\Firma\\Werkzeuge\\Daten\\Datei.txt";
    EXPECT_EQ(CompressString(path, "\\", "...", 20), "C:\\...\\Datei.txt");
    // Exactly the maximum length stays as it is.
    EXPECT_EQ(CompressString(path, "\\", "...", static_cast<int32_t>(path.size())), path);
    // Only two parts: nothing to replace.
    EXPECT_EQ(CompressString("C:\\averyveryverylongfilename.txt", "\\", "...", 10),
              "C:\\averyveryverylongfilename.txt");
    // First and last part always stay, so the result may remain too long.
    EXPECT_EQ(CompressString("first\\middle\\last", "\\", "...", 3), "first\\...\\last");
    // Lengths count characters, not bytes.
    EXPECT_EQ(CompressString("ä\\ö\\ü", "\\", "...", 5), "ä\\ö\\ü");
    // The browse dialog's status line.
    const std::string status = CompressString("/home/user/projekte/corvane/runtime/frame/CvProcs.cpp", "/", "...", 35);
    EXPECT_EQ(status, "/.../runtime/frame/CvProcs.cpp");
}

TEST(DateTimeText, FixedFormatWithTheUsersTimeSeparator) {
    const TDateTime t = EncodeDate(2001, 3, 5) + vcl::EncodeTime(14, 7, 9, 0);
    vcl::TFormatSettings saved = vcl::FormatSettings();
    vcl::FormatSettings().TimeSeparator = ':';
    vcl::FormatSettings().DateSeparator = '/';
    EXPECT_EQ(datetimetolstr(t), "05.03.2001 14:07:09");
    vcl::FormatSettings().TimeSeparator = '-';
    EXPECT_EQ(datetimetolstr(t), "05.03.2001 14-07-09");
    vcl::FormatSettings() = saved;
    EXPECT_EQ(datetimetolstr(EncodeDate(1999, 12, 31) + vcl::EncodeTime(23, 59, 59, 0)).size(), 19u);
}

class FreeResources : public ::testing::Test {
protected:
    void TearDown() override { vcl::SetMemoryStatusProvider(nullptr); }
};

TEST_F(FreeResources, SystemMemoryFromTheKernelFigures) {
    const uint16_t live = GetFreeSystemResources(0);
    EXPECT_LE(live, 100);
    vcl::SetMemoryStatusProvider([](uint64_t& total, uint64_t& avail) {
        total = 8000;
        avail = 2000;
        return true;
    });
    EXPECT_EQ(GetFreeSystemResources(0), 25);
    vcl::SetMemoryStatusProvider([](uint64_t&, uint64_t&) { return false; });
    try {
        GetFreeSystemResources(0);
        FAIL() << "no exception";
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Can't load USER.EXE!");
    }
}

TEST_F(FreeResources, ObjectTablesAndUnknownKinds) {
    const uint16_t before = GetFreeSystemResources(1);
    for (uint32_t i = 0; i < vcl::ResourceTableCapacity / 2; ++i) vcl::AddResourceObject(vcl::rtGDI);
    EXPECT_EQ(GetFreeSystemResources(1), before - 50);
    for (uint32_t i = 0; i < vcl::ResourceTableCapacity / 2; ++i) vcl::RemoveResourceObject(vcl::rtGDI);
    EXPECT_EQ(GetFreeSystemResources(1), before);
    EXPECT_LE(GetFreeSystemResources(2), 100);
    try {
        GetFreeSystemResources(3);
        FAIL() << "no exception";
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Can't get address of GetFreeSystemResources!");
    }
}
