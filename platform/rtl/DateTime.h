// DateTime.h - TDateTime arithmetic, the locale settings, and the conversions
// between dates, times and text.
//
// A TDateTime counts days since 1899-12-30; its fraction is the time of day.
// For values before that day the fraction still counts forward from midnight
// of the day: -1.25 is 1899-12-29 06:00.  Decoding rounds to the nearest
// millisecond first; a time that rounds up to midnight belongs to the next day.
#pragma once

#include <array>
#include <string>

#include "System.h"

namespace vcl {

// The conventions for writing and reading dates, times and numbers.  The
// defaults are neutral and the same on every machine: English names, '/'
// and ':' as separators, month before day.
struct TFormatSettings {
    char DateSeparator = '/';   // stands for '/' in a picture format
    char TimeSeparator = ':';   // stands for ':' in a picture format
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char ListSeparator = ',';
    std::string ShortDateFormat = "mm/dd/yyyy";
    std::string LongDateFormat = "dddd, mmmm dd, yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string CurrencyString = "$";
    Byte CurrencyFormat = 0;    // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    Byte NegCurrFormat = 0;     // 0 "($1)", 1 "-$1" ... 8 "-1 $", numbered as in TNumberFormatSettings
    Byte CurrencyDecimals = 2;
    // Indexed 0 = Sunday .. 6 = Saturday, that is DayOfWeek() - 1.
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    // Indexed 0 = January .. 11 = December.
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
    // A two-digit year is placed in the hundred years that begin this many
    // years before the current year; 0 places it in the current century.
    Word TwoDigitYearCenturyWindow = 50;

    bool operator==(const TFormatSettings&) const = default;
};

// The settings that the conversions without a settings argument use.  They
// start as the neutral defaults; an application may change them.
TFormatSettings& FormatSettings();
// The neutral defaults (English names, "mm/dd/yyyy", "hh:nn:ss").
TFormatSettings EnglishFormatSettings();
// German names and conventions ("dd.mm.yyyy", "Montag", "März").
TFormatSettings GermanFormatSettings();
// The settings of a POSIX locale ("" = the one the environment selects, "C",
// "de_DE.UTF-8"): names, separators and formats come from nl_langinfo.
// Raises EConvertError when the locale is not installed.
TFormatSettings LocaleFormatSettings(const char* LocaleName = "");
// Replaces FormatSettings() by LocaleFormatSettings(LocaleName).  Never
// called implicitly; FormatSettings() stays unchanged when it fails.
void LoadLocaleFormatSettings(const char* LocaleName = "");
// Translates a strftime-style format ("%d.%m.%Y", "%I:%M %p") into a picture
// format for FormatDateTime.  Literal characters equal to DateSeparator or
// TimeSeparator (when not '\0') become the '/' and ':' codes; any other
// character that a picture would read as a code is quoted.
std::string PosixFormatToPicture(const std::string& PosixFormat, char DateSeparator = '\0',
                                 char TimeSeparator = '\0');

// Days of each month, indexed [IsLeapYear(Year)][Month] with Month 1..12
// (entry 0 is unused and 0).
extern const Word MonthDays[2][13];

bool IsLeapYear(Word Year);

// Dates from 0001-01-01 to 9999-12-31.  EncodeDate raises EConvertError
// ("Invalid argument to date encode") for a date that does not exist.
TDateTime EncodeDate(Word Year, Word Month, Word Day);
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
// DecodeDate, DecodeTime and DayOfWeek raise EConvertError for a value that
// is not a date in that range (NaN, infinity, too large or too small).
void DecodeDate(TDateTime DateTime, Word& Year, Word& Month, Word& Day);
// EncodeTime raises EConvertError ("Invalid argument to time encode") unless
// Hour < 24, Min < 60, Sec < 60 and MSec < 1000.
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
void DecodeTime(TDateTime DateTime, Word& Hour, Word& Min, Word& Sec, Word& MSec);
// The value of Date's day at Time's time of day, right for days before
// 1899-12-30 too (where the time is subtracted).
TDateTime ComposeDateTime(TDateTime Date, TDateTime Time);
// 1 = Sunday .. 7 = Saturday.
Word DayOfWeek(TDateTime DateTime);

// The platform clock: Now() is the date and time, Date() its day, Time() its
// time of day (both to the millisecond, as DecodeDate/DecodeTime see Now()).
TDateTime Now();
TDateTime Date();
TDateTime Time();

// The same time of day NumberOfMonths months later (earlier when negative);
// the day is cut back to the last day of a shorter month.
TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths = 1);
// Keeps the time of day of DateTime and takes the day of NewDate.
void ReplaceDate(TDateTime& DateTime, TDateTime NewDate);
// Keeps the day of DateTime and takes the time of day of NewTime.
void ReplaceTime(TDateTime& DateTime, TDateTime NewTime);

// Writes a date and time by a picture format (codes are case-insensitive):
//   c       ShortDateFormat, then ' ' and LongTimeFormat unless the time is 0
//   d dd    day without / with leading zero; ddd dddd short / long day name
//   ddddd   ShortDateFormat; dddddd LongDateFormat
//   m mm    month without / with leading zero (minutes right after h or hh)
//   mmm mmmm  short / long month name
//   yy yyyy two-digit / four-digit year
//   h hh    hour; n nn minute; s ss second; z zzz millisecond
//   t tt    ShortTimeFormat / LongTimeFormat
//   am/pm a/p  "am"/"pm" or "a"/"p" in the case written; ampm TimeAMString
//           or TimePMString; with any of them after h or hh the hour is 1..12
//   /  :    DateSeparator, TimeSeparator
//   'x' "x" literal text; every other character stands for itself
// An empty format is the same as "c".
std::string FormatDateTime(const std::string& Format, TDateTime DateTime);
std::string FormatDateTime(const std::string& Format, TDateTime DateTime,
                           const TFormatSettings& Settings);
std::string DateToStr(TDateTime DateTime);  // ShortDateFormat
std::string DateToStr(TDateTime DateTime, const TFormatSettings& Settings);
std::string TimeToStr(TDateTime DateTime);  // LongTimeFormat
std::string TimeToStr(TDateTime DateTime, const TFormatSettings& Settings);
std::string DateTimeToStr(TDateTime DateTime);  // as "c"
std::string DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings);

// Reads a date in the order of ShortDateFormat (day, month, year), fields
// divided by DateSeparator.  A year of one or two digits is placed by
// TwoDigitYearCenturyWindow; without a year the current year is taken.
// Raises EConvertError "'<S>' is not a valid date".
TDateTime StrToDate(const std::string& S);
TDateTime StrToDate(const std::string& S, const TFormatSettings& Settings);
bool TryStrToDate(const std::string& S, TDateTime& Value);
bool TryStrToDate(const std::string& S, TDateTime& Value, const TFormatSettings& Settings);
// Reads "h", "h:n", "h:n:s" or "h:n:s<DecimalSeparator>fraction", with
// TimeAMString/TimePMString (or AM/PM) before or after it.
// Raises EConvertError "'<S>' is not a valid time".
TDateTime StrToTime(const std::string& S);
TDateTime StrToTime(const std::string& S, const TFormatSettings& Settings);
bool TryStrToTime(const std::string& S, TDateTime& Value);
bool TryStrToTime(const std::string& S, TDateTime& Value, const TFormatSettings& Settings);
// Reads a date, a date followed by a time, or a time alone (on day 0).
// Raises EConvertError "'<S>' is not a valid date and time".
TDateTime StrToDateTime(const std::string& S);
TDateTime StrToDateTime(const std::string& S, const TFormatSettings& Settings);
bool TryStrToDateTime(const std::string& S, TDateTime& Value);
bool TryStrToDateTime(const std::string& S, TDateTime& Value, const TFormatSettings& Settings);

}  // namespace vcl
