// Tests of DateTime.h: encoding and decoding, FormatDateTime, the parsers and
// the locale settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Clock.h"
#include "DateTime.h"
#include "Exceptions.h"

using namespace vcl;

namespace {

struct TYmd {
    Word Y, M, D;
};

TYmd DecodedDate(TDateTime V) {
    TYmd R{};
    DecodeDate(V, R.Y, R.M, R.D);
    return R;
}

struct THmsz {
    Word H, N, S, Z;
};

THmsz DecodedTime(TDateTime V) {
    THmsz R{};
    DecodeTime(V, R.H, R.N, R.S, R.Z);
    return R;
}

// Checks that Fn raises EConvertError with exactly the message Text.
template <class F>
void ExpectConvertError(F Fn, const std::string& Text) {
    try {
        Fn();
        ADD_FAILURE() << "no EConvertError, expected: " << Text;
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), Text);
    }
}

// 2001-03-05 (a Monday) 14:07:09.045
TDateTime Sample() { return EncodeDate(2001, 3, 5) + EncodeTime(14, 7, 9, 45); }

// Runs a test on virtual time and puts the clock back afterwards.
class DateTimeVirtualClock : public testing::Test {
protected:
    void SetUp() override {
        FWasVirtual = Clock::IsVirtual();
        if (FWasVirtual) FSaved = Clock::NowDateTime();
        Clock::UseVirtualTime(true);
    }
    void TearDown() override {
        if (FWasVirtual)
            Clock::SetVirtualDateTime(FSaved);
        else
            Clock::UseVirtualTime(false);
    }
    static void SetToday(Word Year, Word Month, Word Day) {
        Clock::SetVirtualDateTime(EncodeDate(Year, Month, Day) + EncodeTime(10, 0, 0, 0));
    }

private:
    bool FWasVirtual = false;
    double FSaved = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Encoding and decoding

TEST(DateTimeEncode, KnownDayNumbers) {
    const struct {
        Word Y, M, D;
        double Serial;
    } Cases[] = {
        {1899, 12, 30, 0},     {1899, 12, 31, 1},     {1899, 12, 29, -1},    {1900, 1, 1, 2},
        {1900, 2, 28, 60},     {1900, 3, 1, 61},      {2000, 2, 29, 36585},  {2000, 3, 1, 36586},
        {2001, 3, 5, 36955},   {1800, 1, 1, -36522},  {1600, 2, 29, -109512}, {1, 1, 1, -693593},
        {9999, 12, 31, 2958465},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Y << "-" << C.M << "-" << C.D);
        EXPECT_EQ(EncodeDate(C.Y, C.M, C.D), C.Serial);
        const TYmd R = DecodedDate(C.Serial);
        EXPECT_EQ(R.Y, C.Y);
        EXPECT_EQ(R.M, C.M);
        EXPECT_EQ(R.D, C.D);
    }
}

TEST(DateTimeEncode, EveryDayRoundTripsAndFollowsTheLastOne) {
    double Expected = EncodeDate(1, 1, 1);
    for (int Y = 1; Y <= 9999; ++Y)
        for (int M = 1; M <= 12; ++M)
            for (int D = 1; D <= MonthDays[IsLeapYear(static_cast<Word>(Y))][M]; ++D) {
                const double V = EncodeDate(static_cast<Word>(Y), static_cast<Word>(M),
                                            static_cast<Word>(D));
                const TYmd R = DecodedDate(V);
                if (V != Expected || R.Y != Y || R.M != M || R.D != D) {
                    ADD_FAILURE() << Y << "-" << M << "-" << D << " encoded as " << V
                                  << ", decoded as " << R.Y << "-" << R.M << "-" << R.D;
                    return;
                }
                Expected += 1;
            }
    EXPECT_EQ(Expected - 1, 2958465);
}

TEST(DateTimeEncode, LeapYears) {
    const struct {
        Word Year;
        bool Leap;
    } Cases[] = {{1900, false}, {2000, true}, {2001, false}, {2004, true},
                 {2100, false}, {2400, true}, {1600, true},  {4, true}};
    for (const auto& C : Cases) EXPECT_EQ(IsLeapYear(C.Year), C.Leap) << C.Year;
    EXPECT_EQ(MonthDays[0][2], 28);
    EXPECT_EQ(MonthDays[1][2], 29);
    EXPECT_EQ(MonthDays[0][12], 31);
}

TEST(DateTimeEncode, ImpossibleDatesAreRejected) {
    const TYmd Cases[] = {{1900, 2, 29}, {2000, 2, 30}, {2001, 4, 31}, {2001, 13, 1},
                          {2001, 0, 1},  {2001, 1, 0},  {0, 1, 1},     {10000, 1, 1}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Y << "-" << C.M << "-" << C.D);
        TDateTime V = 123;
        EXPECT_FALSE(TryEncodeDate(C.Y, C.M, C.D, V));
        ExpectConvertError([&] { EncodeDate(C.Y, C.M, C.D); }, "Invalid argument to date encode");
    }
}

TEST(DateTimeEncode, Times) {
    EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), (86400000.0 - 1) / 86400000.0);
    const THmsz Bad[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
    for (const auto& C : Bad) {
        TDateTime V;
        EXPECT_FALSE(TryEncodeTime(C.H, C.N, C.S, C.Z, V));
        ExpectConvertError([&] { EncodeTime(C.H, C.N, C.S, C.Z); }, "Invalid argument to time encode");
    }
}

TEST(DateTimeDecode, EveryMillisecondOfSampleSecondsRoundTrips) {
    const double Day = EncodeDate(2001, 3, 5);
    for (Word H = 0; H < 24; ++H)
        for (Word N = 0; N < 60; ++N)
            for (Word S = 0; S < 60; ++S)
                for (Word Z : {0, 1, 499, 500, 998, 999}) {
                    const THmsz R = DecodedTime(Day + EncodeTime(H, N, S, Z));
                    ASSERT_TRUE(R.H == H && R.N == N && R.S == S && R.Z == Z)
                        << H << ":" << N << ":" << S << "." << Z << " decoded as " << R.H << ":"
                        << R.N << ":" << R.S << "." << R.Z;
                }
}

TEST(DateTimeDecode, RoundsToTheMillisecondAndCarriesIntoTheNextDay) {
    const double Day = EncodeDate(2001, 12, 31);
    // 23:59:59.9996 is nearer to midnight than to 23:59:59.999.
    const double NearlyMidnight = Day + 86399999.6 / 86400000.0;
    const THmsz T = DecodedTime(NearlyMidnight);
    EXPECT_EQ(T.H, 0);
    EXPECT_EQ(T.N, 0);
    EXPECT_EQ(T.S, 0);
    EXPECT_EQ(T.Z, 0);
    const TYmd D = DecodedDate(NearlyMidnight);
    EXPECT_EQ(D.Y, 2002);
    EXPECT_EQ(D.M, 1);
    EXPECT_EQ(D.D, 1);
    EXPECT_EQ(DayOfWeek(NearlyMidnight), DayOfWeek(Day + 1));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", NearlyMidnight), "2002-01-01 00:00:00.000");

    const double JustBefore = Day + 86399999.4 / 86400000.0;
    const THmsz B = DecodedTime(JustBefore);
    EXPECT_EQ(B.H, 23);
    EXPECT_EQ(B.N, 59);
    EXPECT_EQ(B.S, 59);
    EXPECT_EQ(B.Z, 999);
    EXPECT_EQ(DecodedDate(JustBefore).D, 31);
    EXPECT_EQ(FormatDateTime("c", JustBefore), "12/31/2001 23:59:59");

    // 10:00:00 minus a hair must not show as 09:59:59.
    const THmsz Ten = DecodedTime(Day + 10.0 / 24.0 - 1e-12);
    EXPECT_EQ(Ten.H, 10);
    EXPECT_EQ(Ten.N, 0);
    EXPECT_EQ(Ten.S, 0);
    EXPECT_EQ(Ten.Z, 0);
}

TEST(DateTimeDecode, NegativeValuesCountTheTimeForwardFromMidnight) {
    // -1.25 is 1899-12-29 06:00.
    const TYmd D = DecodedDate(-1.25);
    EXPECT_EQ(D.Y, 1899);
    EXPECT_EQ(D.M, 12);
    EXPECT_EQ(D.D, 29);
    const THmsz T = DecodedTime(-1.25);
    EXPECT_EQ(T.H, 6);
    EXPECT_EQ(T.N, 0);

    const double Day = EncodeDate(1800, 1, 1);
    const double V = ComposeDateTime(Day, EncodeTime(18, 30, 0, 0));
    EXPECT_DOUBLE_EQ(V, Day - 0.7708333333333334);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", V), "1800-01-01 18:30");

    // Rounding up near midnight of 1899-12-29 moves forward to 1899-12-30.
    const double Carry = -1.0 - 86399999.7 / 86400000.0;
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Carry), "1899-12-30 00:00:00.000");

    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", EncodeDate(1, 1, 1) - 0.5), "0001-01-01");
}

TEST(DateTimeDecode, DayOfWeek) {
    const struct {
        double Value;
        Word Day;
    } Cases[] = {
        {0, 7},                            // 1899-12-30, a Saturday
        {1, 1},                            // Sunday
        {-1, 6},                           // Friday
        {-1.25, 6},                        // still that Friday
        {EncodeDate(2001, 3, 5) + 0.9, 2},  // Monday
        {EncodeDate(2000, 1, 1), 7},
        {EncodeDate(1, 1, 1), 2},
        {EncodeDate(9999, 12, 31), 6},
    };
    for (const auto& C : Cases) EXPECT_EQ(DayOfWeek(C.Value), C.Day) << C.Value;
}

TEST(DateTimeDecode, ValuesOutsideTheCalendarRaise) {
    const double Cases[] = {std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            2958466.0,
                            -693594.0,
                            1e300};
    for (double V : Cases) {
        Word A, B, C, D;
        EXPECT_THROW(DecodeDate(V, A, B, C), EConvertError) << V;
        EXPECT_THROW(DecodeTime(V, A, B, C, D), EConvertError) << V;
        EXPECT_THROW(DayOfWeek(V), EConvertError) << V;
        EXPECT_THROW(FormatDateTime("dd", V), EConvertError) << V;
    }
    ExpectConvertError([] { DayOfWeek(2958466.0); }, "'2958466' is not a valid date and time");
    // A format without date or time codes does not need a valid value.
    EXPECT_EQ(FormatDateTime("'text'", std::numeric_limits<double>::quiet_NaN()), "text");
}

TEST(DateTimeCalendar, IncMonth) {
    const double Time = EncodeTime(14, 7, 0, 0);
    const struct {
        TYmd From;
        int Months;
        TYmd To;
    } Cases[] = {
        {{2001, 1, 31}, 1, {2001, 2, 28}},  {{2000, 1, 31}, 1, {2000, 2, 29}},
        {{2001, 3, 31}, -1, {2001, 2, 28}}, {{2001, 11, 15}, 3, {2002, 2, 15}},
        {{2001, 1, 15}, -13, {1999, 12, 15}}, {{2001, 5, 31}, 0, {2001, 5, 31}},
        {{1899, 12, 29}, 1, {1900, 1, 29}}, {{1900, 1, 29}, -1, {1899, 12, 29}},
        {{9999, 11, 30}, 1, {9999, 12, 30}}, {{1, 2, 1}, -1, {1, 1, 1}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.From.Y << "-" << C.From.M << "-" << C.From.D << " "
                                        << C.Months);
        const double From = ComposeDateTime(EncodeDate(C.From.Y, C.From.M, C.From.D), Time);
        const double To = IncMonth(From, C.Months);
        const TYmd R = DecodedDate(To);
        EXPECT_EQ(R.Y, C.To.Y);
        EXPECT_EQ(R.M, C.To.M);
        EXPECT_EQ(R.D, C.To.D);
        EXPECT_EQ(FormatDateTime("hh:nn", To), "14:07");
    }
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
    EXPECT_THROW(IncMonth(EncodeDate(1, 1, 31), -1), EConvertError);
    EXPECT_THROW(IncMonth(EncodeDate(2001, 1, 1), -2000000000), EConvertError);
}

TEST(DateTimeCalendar, ReplaceDateAndTime) {
    double V = EncodeDate(2001, 3, 5) + EncodeTime(14, 7, 9, 0);
    ReplaceDate(V, ComposeDateTime(EncodeDate(1850, 6, 1), 0.75));  // its time is dropped
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", V), "1850-06-01 14:07:09");
    ReplaceTime(V, EncodeDate(2010, 1, 1) + EncodeTime(6, 30, 0, 0));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", V), "1850-06-01 06:30:00");
    ReplaceDate(V, EncodeDate(2020, 2, 29));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", V), "2020-02-29 06:30:00");
}

TEST_F(DateTimeVirtualClock, NowDateAndTimeReadThePlatformClock) {
    const double Moment = EncodeDate(2025, 7, 14) + EncodeTime(9, 30, 0, 250);
    Clock::SetVirtualDateTime(Moment);
    EXPECT_EQ(Now(), Moment);
    EXPECT_EQ(Date(), EncodeDate(2025, 7, 14));
    EXPECT_EQ(Time(), EncodeTime(9, 30, 0, 250));

    // Within half a millisecond of midnight both already show the next day.
    Clock::SetVirtualDateTime(EncodeDate(2025, 7, 14) + 86399999.8 / 86400000.0);
    EXPECT_EQ(Date(), EncodeDate(2025, 7, 15));
    EXPECT_EQ(Time(), 0.0);
}

// ---------------------------------------------------------------------------
// FormatDateTime

struct TFormatCase {
    const char* Format;
    const char* English;
    const char* German;
};

TEST(DateTimeFormat, PictureCodesInEnglishAndGerman) {
    const TFormatCase Cases[] = {
        {"d", "5", "5"},
        {"dd", "05", "05"},
        {"ddd", "Mon", "Mo"},
        {"dddd", "Monday", "Montag"},
        {"ddddd", "03/05/2001", "05.03.2001"},
        {"dddddd", "Monday, March 05, 2001", "Montag, 5. März 2001"},
        {"m", "3", "3"},
        {"mm", "03", "03"},
        {"mmm", "Mar", "Mär"},
        {"mmmm", "March", "März"},
        {"yy", "01", "01"},
        {"yyyy", "2001", "2001"},
        {"y", "01", "01"},
        {"yyy", "2001", "2001"},
        {"h", "14", "14"},
        {"hh", "14", "14"},
        {"n", "7", "7"},
        {"nn", "07", "07"},
        {"s", "9", "9"},
        {"ss", "09", "09"},
        {"z", "45", "45"},
        {"zz", "45", "45"},
        {"zzz", "045", "045"},
        {"t", "14:07", "14:07"},
        {"tt", "14:07:09", "14:07:09"},
        {"c", "03/05/2001 14:07:09", "05.03.2001 14:07:09"},
        {"", "03/05/2001 14:07:09", "05.03.2001 14:07:09"},
        {"hh:mm", "14:07", "14:07"},       // m after h is the minute
        {"h:m:s", "14:7:9", "14:7:9"},
        {"hh:nn dd/mm", "14:07 05/03", "14:07 05.03"},  // ... but not after d
        {"DD/MM/YYYY HH:NN", "05/03/2001 14:07", "05.03.2001 14:07"},
        {"dd.mm.yyyy hh:nn:ss", "05.03.2001 14:07:09", "05.03.2001 14:07:09"},
        {"yyyy-mm-dd", "2001-03-05", "2001-03-05"},
        {"hh:nn am/pm", "02:07 pm", "02:07 pm"},
        {"h:nn AM/PM", "2:07 PM", "2:07 PM"},
        {"h:nn a/p", "2:07 p", "2:07 p"},
        {"h:nn A/P", "2:07 P", "2:07 P"},
        {"h:nn ampm", "2:07 PM", "2:07 "},
        {"'day' d", "day 5", "day 5"},
        {"\"at\" hh 'o''clock'", "at 14 oclock", "at 14 oclock"},
        {"'yyyy' yyyy", "yyyy 2001", "yyyy 2001"},
        {"'unterminated", "unterminated", "unterminated"},
        {"d. mmmm – yyyy", "5. March – 2001", "5. März – 2001"},
        {"x#!,", "x#!,", "x#!,"},
        {"dddd, a", "Monday, a", "Montag, a"},
    };
    const TFormatSettings English = EnglishFormatSettings();
    const TFormatSettings German = GermanFormatSettings();
    for (const auto& C : Cases) {
        EXPECT_EQ(FormatDateTime(C.Format, Sample(), English), C.English) << C.Format;
        EXPECT_EQ(FormatDateTime(C.Format, Sample(), German), C.German) << C.Format;
    }
}

TEST(DateTimeFormat, TwelveHourClock) {
    const struct {
        Word Hour;
        const char* Text;
    } Cases[] = {{0, "12 AM"}, {1, "1 AM"}, {11, "11 AM"}, {12, "12 PM"}, {13, "1 PM"}, {23, "11 PM"}};
    for (const auto& C : Cases) {
        EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(C.Hour, 0, 0, 0)), C.Text);
        // Without a marker after it the hour stays on the 24-hour clock, and a
        // marker only counts for the hours before it.
        EXPECT_EQ(FormatDateTime("h", EncodeTime(C.Hour, 0, 0, 0)), std::to_string(C.Hour));
        EXPECT_EQ(FormatDateTime("h 'ampm'", EncodeTime(C.Hour, 0, 0, 0)),
                  std::to_string(C.Hour) + " ampm");
    }
    EXPECT_EQ(FormatDateTime("hh:nn a/p hh", EncodeTime(15, 0, 0, 0)), "03:00 p 15");
}

TEST(DateTimeFormat, SeparatorsComeFromTheSettings) {
    TFormatSettings S = EnglishFormatSettings();
    S.DateSeparator = '-';
    S.TimeSeparator = '.';
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", Sample(), S), "2001-03-05 14.07.09");
    EXPECT_EQ(FormatDateTime("c", Sample(), S), "03-05-2001 14.07.09");
    // Quoted separators are text.
    EXPECT_EQ(FormatDateTime("hh':'nn\"/\"", Sample(), S), "14:07/");
}

TEST(DateTimeFormat, TimeOfDayShownByCOnlyWhenNotMidnight) {
    const double Day = EncodeDate(2001, 3, 5);
    EXPECT_EQ(FormatDateTime("c", Day), "03/05/2001");
    EXPECT_EQ(FormatDateTime("c", Day + EncodeTime(0, 0, 0, 1)), "03/05/2001 00:00:00");
    EXPECT_EQ(DateTimeToStr(Day), "03/05/2001");
    EXPECT_EQ(DateTimeToStr(Day + EncodeTime(0, 0, 1, 0)), "03/05/2001 00:00:01");
}

TEST(DateTimeFormat, FormatsThatNameThemselvesStop) {
    TFormatSettings S = EnglishFormatSettings();
    S.ShortDateFormat = "[ddddd]";
    S.LongTimeFormat = "<c>";
    EXPECT_EQ(FormatDateTime("ddddd", Sample(), S), "[[]]");
    EXPECT_EQ(FormatDateTime("tt", Sample(), S), "<[] < >>");
}

class DateTimeGlobalSettings : public testing::Test {
protected:
    void SetUp() override { FSaved = FormatSettings(); }
    void TearDown() override { FormatSettings() = FSaved; }

private:
    TFormatSettings FSaved;
};

TEST_F(DateTimeGlobalSettings, ConversionsWithoutSettingsUseTheGlobalOnes) {
    EXPECT_EQ(FormatSettings(), EnglishFormatSettings());
    EXPECT_EQ(DateToStr(Sample()), "03/05/2001");
    EXPECT_EQ(TimeToStr(Sample()), "14:07:09");
    EXPECT_EQ(DateTimeToStr(Sample()), "03/05/2001 14:07:09");
    EXPECT_EQ(StrToDate("03/05/2001"), EncodeDate(2001, 3, 5));

    FormatSettings() = GermanFormatSettings();
    EXPECT_EQ(DateToStr(Sample()), "05.03.2001");
    EXPECT_EQ(FormatDateTime("dddd", Sample()), "Montag");
    EXPECT_EQ(DateTimeToStr(Sample()), "05.03.2001 14:07:09");
    EXPECT_EQ(StrToDate("05.03.2001"), EncodeDate(2001, 3, 5));
    EXPECT_EQ(StrToDateTime("05.03.2001 14:07:09,045"), Sample());

    FormatSettings().TimeSeparator = '.';
    EXPECT_EQ(TimeToStr(Sample()), "14.07.09");
    EXPECT_EQ(StrToTime("14.07"), EncodeTime(14, 7, 0, 0));
}

// ---------------------------------------------------------------------------
// Parsing

TEST(DateTimeParse, DatesFollowTheOrderOfTheShortDateFormat) {
    TFormatSettings Iso = EnglishFormatSettings();
    Iso.DateSeparator = '-';
    Iso.ShortDateFormat = "yyyy-mm-dd";
    TFormatSettings Odd = EnglishFormatSettings();
    Odd.ShortDateFormat = "'m' yyyy/dd/mm";  // quoted text does not count
    const struct {
        const char* Text;
        const TFormatSettings Settings;
        TYmd Expected;
    } Cases[] = {
        {"03/05/2001", EnglishFormatSettings(), {2001, 3, 5}},
        {"3/5/2001", EnglishFormatSettings(), {2001, 3, 5}},
        {"  3 / 5 / 2001  ", EnglishFormatSettings(), {2001, 3, 5}},
        {"12/31/9999", EnglishFormatSettings(), {9999, 12, 31}},
        {"02/29/2000", EnglishFormatSettings(), {2000, 2, 29}},
        {"05.03.2001", GermanFormatSettings(), {2001, 3, 5}},
        {"5.3.2001", GermanFormatSettings(), {2001, 3, 5}},
        {"29.02.2000", GermanFormatSettings(), {2000, 2, 29}},
        {"01.01.0050", GermanFormatSettings(), {50, 1, 1}},  // four digits: no window
        {"2001-03-05", Iso, {2001, 3, 5}},
        {"2001/05/03", Odd, {2001, 3, 5}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        const TYmd R = DecodedDate(StrToDate(C.Text, C.Settings));
        EXPECT_EQ(R.Y, C.Expected.Y);
        EXPECT_EQ(R.M, C.Expected.M);
        EXPECT_EQ(R.D, C.Expected.D);
    }
}

TEST_F(DateTimeVirtualClock, DateWithoutYearTakesTheCurrentYear) {
    SetToday(2025, 7, 14);
    EXPECT_EQ(StrToDate("3/5"), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate(" 5 . 3 ", GermanFormatSettings()), EncodeDate(2025, 3, 5));
    TFormatSettings Iso = EnglishFormatSettings();
    Iso.ShortDateFormat = "yyyy/mm/dd";
    EXPECT_EQ(StrToDate("3/5", Iso), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDateTime("3/5 14:07"), EncodeDate(2025, 3, 5) + EncodeTime(14, 7, 0, 0));
    SetToday(2024, 12, 31);
    EXPECT_EQ(StrToDate("2/29"), EncodeDate(2024, 2, 29));
    SetToday(2025, 1, 1);
    EXPECT_FALSE([] { TDateTime V; return TryStrToDate("2/29", V); }());
}

TEST_F(DateTimeVirtualClock, TwoDigitYearsFollowTheCenturyWindow) {
    const struct {
        Word ThisYear, Window;
        const char* Text;
        Word Year;
    } Cases[] = {
        {2025, 50, "01.01.75", 1975}, {2025, 50, "01.01.74", 2074}, {2025, 50, "01.01.25", 2025},
        {2025, 50, "01.01.00", 2000}, {2025, 50, "01.01.99", 1999}, {2025, 50, "1.1.5", 2005},
        {2025, 10, "01.01.15", 2015}, {2025, 10, "01.01.14", 2114}, {2025, 0, "01.01.99", 2099},
        {2025, 0, "01.01.00", 2000},  {2050, 50, "01.01.00", 2000}, {2050, 50, "01.01.99", 2099},
        {2051, 50, "01.01.00", 2100}, {1999, 30, "01.01.69", 1969}, {1999, 30, "01.01.68", 2068},
        {2025, 99, "01.01.26", 1926}, {2025, 99, "01.01.25", 2025}, {2025, 50, "01.01.2074", 2074},
        {30, 50, "01.01.29", 29},     {30, 50, "01.01.31", 31},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.ThisYear << " window " << C.Window << " " << C.Text);
        SetToday(C.ThisYear, 6, 1);
        TFormatSettings S = GermanFormatSettings();
        S.TwoDigitYearCenturyWindow = C.Window;
        EXPECT_EQ(DecodedDate(StrToDate(C.Text, S)).Y, C.Year);
    }
}

TEST(DateTimeParse, BadDatesRaiseWithTheText) {
    const char* Cases[] = {"",           "   ",         "abc",        "13/01/2001", "02/30/2001",
                           "02/29/1900", "03/05/2001x", "03/05/2001 14:00", "1/2/3/4",
                           "03//2001",   "03/05/",      "03-05-2001", "00/05/2001", "03/00/2001",
                           "03/05/10000", "03/05/0000", "99999/1/1",  "-3/5/2001", "3/5/2001."};
    for (const char* C : Cases) {
        SCOPED_TRACE(C);
        TDateTime V = 42;
        EXPECT_FALSE(TryStrToDate(C, V));
        EXPECT_EQ(V, 42);
        ExpectConvertError([&] { StrToDate(C); }, std::string("'") + C + "' is not a valid date");
    }
}

TEST(DateTimeParse, Times) {
    const struct {
        const char* Text;
        THmsz Expected;
    } Cases[] = {
        {"14:07:09", {14, 7, 9, 0}},     {"14:07", {14, 7, 0, 0}},       {"14", {14, 0, 0, 0}},
        {" 9:5:3 ", {9, 5, 3, 0}},       {"2:07 PM", {14, 7, 0, 0}},    {"2:07pm", {14, 7, 0, 0}},
        {"2:07 am", {2, 7, 0, 0}},       {"12:00 AM", {0, 0, 0, 0}},    {"12:00 PM", {12, 0, 0, 0}},
        {"12:30:15 am", {0, 30, 15, 0}}, {"PM 2:07", {14, 7, 0, 0}},    {"am 11:59", {11, 59, 0, 0}},
        {"14:07:09.5", {14, 7, 9, 500}}, {"14:07:09.045", {14, 7, 9, 45}},
        {"14:07:09.12345", {14, 7, 9, 123}}, {"23:59:59.999", {23, 59, 59, 999}},
        {"0:00", {0, 0, 0, 0}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        const TDateTime V = StrToTime(C.Text);
        EXPECT_GE(V, 0.0);
        EXPECT_LT(V, 1.0);
        const THmsz R = DecodedTime(V);
        EXPECT_EQ(R.H, C.Expected.H);
        EXPECT_EQ(R.N, C.Expected.N);
        EXPECT_EQ(R.S, C.Expected.S);
        EXPECT_EQ(R.Z, C.Expected.Z);
    }
}

TEST(DateTimeParse, TimesWithLocaleMarksAndSeparators) {
    TFormatSettings S = GermanFormatSettings();
    S.TimeSeparator = '.';
    S.TimeAMString = "vorm.";
    S.TimePMString = "nachm.";
    EXPECT_EQ(StrToTime("2.07 nachm.", S), EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToTime("2.07 VORM.", S), EncodeTime(2, 7, 0, 0));
    EXPECT_EQ(StrToTime("2.07 PM", S), EncodeTime(14, 7, 0, 0));  // the English marks always work
    EXPECT_EQ(StrToTime("14.07.09,25", S), EncodeTime(14, 7, 9, 250));
    EXPECT_FALSE([&] { TDateTime V; return TryStrToTime("14:07", V, S); }());
}

TEST(DateTimeParse, BadTimesRaiseWithTheText) {
    const char* Cases[] = {"",      "abc",      "24:00",     "13:00 PM",    "0:30 AM",
                           "14:60", "14:07:60", "14:07:09:01", "14:07 XM",  "14:07:09.",
                           "14:",   ":07",      "1 2",        "14:07:09.5x", "PM",
                           "99999", "-1:00"};
    for (const char* C : Cases) {
        SCOPED_TRACE(C);
        TDateTime V = 42;
        EXPECT_FALSE(TryStrToTime(C, V));
        EXPECT_EQ(V, 42);
        ExpectConvertError([&] { StrToTime(C); }, std::string("'") + C + "' is not a valid time");
    }
}

TEST(DateTimeParse, DatesAndTimesTogether) {
    EXPECT_EQ(StrToDateTime("03/05/2001 14:07:09"), EncodeDate(2001, 3, 5) + EncodeTime(14, 7, 9, 0));
    EXPECT_EQ(StrToDateTime("03/05/2001 2:07:09 pm"), EncodeDate(2001, 3, 5) + EncodeTime(14, 7, 9, 0));
    EXPECT_EQ(StrToDateTime("03/05/2001"), EncodeDate(2001, 3, 5));
    EXPECT_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));  // on day 0
    EXPECT_EQ(StrToDateTime("12/29/1899 06:00"), -1.25);         // before day 0
    EXPECT_EQ(StrToDateTime("05.03.2001 14:07:09", GermanFormatSettings()),
              EncodeDate(2001, 3, 5) + EncodeTime(14, 7, 9, 0));
    const char* Bad[] = {"03/05/2001 25:00", "03/05/2001 14:07 junk", "03/05/2001 x", "",
                         "02/30/2001 14:00", "14:07 03/05/2001"};
    for (const char* C : Bad) {
        SCOPED_TRACE(C);
        TDateTime V = 42;
        EXPECT_FALSE(TryStrToDateTime(C, V));
        EXPECT_EQ(V, 42);
        ExpectConvertError([&] { StrToDateTime(C); },
                           std::string("'") + C + "' is not a valid date and time");
    }
}

TEST(DateTimeParse, WrittenValuesReadBack) {
    const double Values[] = {
        EncodeDate(2001, 3, 5) + EncodeTime(14, 7, 9, 0),
        EncodeDate(2000, 2, 29),
        ComposeDateTime(EncodeDate(1850, 6, 1), EncodeTime(23, 59, 59, 0)),
        EncodeDate(9999, 12, 31) + EncodeTime(0, 0, 1, 0),
    };
    for (const TFormatSettings& S : {EnglishFormatSettings(), GermanFormatSettings()})
        for (double V : Values) {
            const std::string Text = DateTimeToStr(V, S);
            EXPECT_DOUBLE_EQ(StrToDateTime(Text, S), V) << Text;
        }
}

// ---------------------------------------------------------------------------
// Locale settings

TEST(DateTimeLocale, PosixFormatsBecomePictures) {
    const struct {
        const char* Posix;
        char DateSep, TimeSep;
        const char* Picture;
    } Cases[] = {
        {"%d.%m.%Y", '.', 0, "dd/mm/yyyy"},
        {"%Y-%m-%d", '-', 0, "yyyy/mm/dd"},
        {"%m/%d/%y", '/', 0, "mm/dd/yy"},
        {"%D", '/', 0, "mm/dd/yy"},
        {"%F", '-', 0, "yyyy/mm/dd"},
        {"%-d.%-m.%Y", '.', 0, "d/m/yyyy"},
        {"%e %B %Y", 0, 0, "d mmmm yyyy"},
        {"%a %d %b", 0, 0, "ddd dd mmm"},
        {"%Y年%m月%d日", 0, 0, "yyyy年mm月dd日"},
        {"%d/%m/%Y", '.', 0, "dd\"/\"mm\"/\"yyyy"},
        {"%H:%M:%S", 0, ':', "hh:nn:ss"},
        {"%T", 0, ':', "hh:nn:ss"},
        {"%I:%M:%S %p", 0, ':', "hh:nn:ss ampm"},
        {"%r", 0, ':', "hh:nn:ss ampm"},
        {"%Hh%M", 0, 0, "hh\"h\"nn"},
        {"%H.%M Uhr", 0, '.', "hh:nn \"Uhr\""},
        {"%H:%M %Z", 0, ':', "hh:nn "},
        {"100%% %H", 0, 0, "100% hh"},
        {"%H'%M\"", 0, 0, "hh\"'\"nn'\"'"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(PosixFormatToPicture(C.Posix, C.DateSep, C.TimeSep), C.Picture) << C.Posix;

    // The quoted literals print as themselves.
    TFormatSettings German = GermanFormatSettings();
    EXPECT_EQ(FormatDateTime(PosixFormatToPicture("%d/%m/%Y", '.'), Sample(), German), "05/03/2001");
    EXPECT_EQ(FormatDateTime(PosixFormatToPicture("%H'%M\""), Sample()), "14'07\"");
}

TEST(DateTimeLocale, TheCLocale) {
    const TFormatSettings S = LocaleFormatSettings("C");
    EXPECT_EQ(S.LongDayNames[0], "Sunday");
    EXPECT_EQ(S.ShortDayNames[6], "Sat");
    EXPECT_EQ(S.LongMonthNames[11], "December");
    EXPECT_EQ(S.ShortMonthNames[0], "Jan");
    EXPECT_EQ(S.DateSeparator, '/');
    EXPECT_EQ(S.ShortDateFormat, "mm/dd/yy");
    EXPECT_EQ(S.LongDateFormat, "dddd, mmmm d, yyyy");
    EXPECT_EQ(S.TimeSeparator, ':');
    EXPECT_EQ(S.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(S.ShortTimeFormat, "hh:nn");
    EXPECT_EQ(S.TimeAMString, "AM");
    EXPECT_EQ(S.TimePMString, "PM");
    EXPECT_EQ(S.DecimalSeparator, '.');
    EXPECT_EQ(FormatDateTime("c", Sample(), S), "03/05/01 14:07:09");
    EXPECT_EQ(StrToDate("03/05/2001", S), EncodeDate(2001, 3, 5));
}

TEST_F(DateTimeGlobalSettings, LoadingALocaleReplacesTheGlobalSettings) {
    FormatSettings() = GermanFormatSettings();
    LoadLocaleFormatSettings("POSIX");
    EXPECT_EQ(FormatSettings(), LocaleFormatSettings("C"));
    EXPECT_EQ(DateToStr(Sample()), "03/05/01");

    FormatSettings() = GermanFormatSettings();
    ExpectConvertError([] { LoadLocaleFormatSettings("xx_NOWHERE.UTF-8"); },
                       "Locale 'xx_NOWHERE.UTF-8' is not available");
    EXPECT_EQ(FormatSettings(), GermanFormatSettings());
}
