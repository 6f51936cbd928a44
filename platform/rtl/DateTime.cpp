// DateTime.cpp - TDateTime arithmetic, locale settings, FormatDateTime and
// the date and time parsers.
#include "DateTime.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "Clock.h"
#include "Exceptions.h"

namespace vcl {

namespace {

constexpr int64_t MSecsPerDay = 86400000;
constexpr int64_t MinDay = -693593;          // 0001-01-01
constexpr int64_t MaxDay = 2958465;          // 9999-12-31
constexpr int64_t DaysFrom1970 = 25569;      // 1970-01-01 as a day number

const char* const SDateEncodeError = "Invalid argument to date encode";
const char* const STimeEncodeError = "Invalid argument to time encode";

// ---------------------------------------------------------------------------
// Calendar arithmetic (proleptic Gregorian calendar)

// Days since 1970-01-01 of a civil date.
int64_t DaysFromCivil(int64_t Y, unsigned M, unsigned D) {
    Y -= M <= 2;
    const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
    const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
    const unsigned Doy = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
    const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
    return Era * 146097 + static_cast<int64_t>(Doe) - 719468;
}

// The civil date of a count of days since 1970-01-01.
void CivilFromDays(int64_t Z, int64_t& Y, unsigned& M, unsigned& D) {
    Z += 719468;
    const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
    const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
    const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
    const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
    const unsigned Mp = (5 * Doy + 2) / 153;
    D = Doy - (153 * Mp + 2) / 5 + 1;
    M = Mp < 10 ? Mp + 3 : Mp - 9;
    Y = static_cast<int64_t>(Yoe) + Era * 400 + (M <= 2);
}

// A TDateTime split into its day and its time of day in milliseconds, the
// time rounded to the nearest millisecond with a carry into the day.
struct TDayTime {
    int64_t Day = 0;
    int64_t MSec = 0;
};

bool SplitDateTime(TDateTime Value, TDayTime& Result) {
    if (!std::isfinite(Value)) return false;
    const double Whole = std::trunc(Value);
    if (Whole < static_cast<double>(MinDay - 1) || Whole > static_cast<double>(MaxDay + 1))
        return false;
    int64_t MSec = std::llround(std::fabs(Value - Whole) * static_cast<double>(MSecsPerDay));
    int64_t Day = static_cast<int64_t>(Whole);
    if (MSec >= MSecsPerDay) {
        MSec -= MSecsPerDay;
        ++Day;
    }
    if (Day < MinDay || Day > MaxDay) return false;
    Result.Day = Day;
    Result.MSec = MSec;
    return true;
}

std::string FloatText(double Value) {
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%.15g", Value);
    return Buf;
}

TDayTime SplitOrRaise(TDateTime Value) {
    TDayTime Result;
    if (!SplitDateTime(Value, Result))
        throw EConvertError("'" + FloatText(Value) + "' is not a valid date and time");
    return Result;
}

void DecodeDay(int64_t Day, Word& Year, Word& Month, Word& DayOfMonth) {
    int64_t Y;
    unsigned M, D;
    CivilFromDays(Day - DaysFrom1970, Y, M, D);
    Year = static_cast<Word>(Y);
    Month = static_cast<Word>(M);
    DayOfMonth = static_cast<Word>(D);
}

void DecodeMSec(int64_t MSec, Word& Hour, Word& Min, Word& Sec, Word& MS) {
    Hour = static_cast<Word>(MSec / 3600000);
    Min = static_cast<Word>(MSec / 60000 % 60);
    Sec = static_cast<Word>(MSec / 1000 % 60);
    MS = static_cast<Word>(MSec % 1000);
}

Word DayOfWeekOfDay(int64_t Day) {
    // Day 0 (1899-12-30) was a Saturday.
    return static_cast<Word>(((Day % 7) + 7 + 6) % 7 + 1);
}

bool CurrentYear(int& Year) {
    TDayTime Now;
    if (!SplitDateTime(Clock::NowDateTime(), Now)) return false;
    Word Y, M, D;
    DecodeDay(Now.Day, Y, M, D);
    Year = Y;
    return true;
}

// ---------------------------------------------------------------------------
// Characters

bool IsAsciiLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
char Upper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

// True when Text continues at Pos with Word, ignoring ASCII case.
bool MatchesAt(const std::string& Text, size_t Pos, const char* Word) {
    const size_t Len = std::strlen(Word);
    if (Len == 0 || Pos + Len > Text.size()) return false;
    for (size_t i = 0; i < Len; ++i)
        if (Upper(Text[Pos + i]) != Upper(Word[i])) return false;
    return true;
}

// The order of the day, month and year fields in a picture format, as a
// permutation of "DMY"; fields the format lacks follow in the order M, D, Y.
std::string DateFieldOrder(const std::string& Format) {
    std::string Order;
    for (size_t i = 0; i < Format.size(); ++i) {
        const char C = Format[i];
        if (C == '\'' || C == '"') {
            const size_t End = Format.find(C, i + 1);
            if (End == std::string::npos) break;
            i = End;
            continue;
        }
        const char U = Upper(C);
        if ((U == 'D' || U == 'M' || U == 'Y') && Order.find(U) == std::string::npos) Order += U;
    }
    for (char F : {'M', 'D', 'Y'})
        if (Order.find(F) == std::string::npos) Order += F;
    return Order;
}

// ---------------------------------------------------------------------------
// FormatDateTime

class TDateTimeWriter {
public:
    TDateTimeWriter(TDateTime Value, const TFormatSettings& Settings)
        : FValue(Value), FSettings(Settings) {}

    void Append(const std::string& Format, int Level);
    std::string& Result() { return FOut; }

private:
    void NeedDate() {
        if (FHaveDate) return;
        const TDayTime Split = SplitOrRaise(FValue);
        DecodeDay(Split.Day, FYear, FMonth, FDay);
        FDayOfWeek = DayOfWeekOfDay(Split.Day);
        FHaveDate = true;
    }
    void NeedTime() {
        if (FHaveTime) return;
        const TDayTime Split = SplitOrRaise(FValue);
        DecodeMSec(Split.MSec, FHour, FMin, FSec, FMSec);
        FHaveTime = true;
    }
    void AppendNumber(unsigned Value, int Digits) {
        char Buf[16];
        std::snprintf(Buf, sizeof Buf, "%0*u", Digits, Value);
        FOut += Buf;
    }
    void AppendNested(const std::string& Format, int Level) {
        // Formats that name other formats nest at most two levels deep, so a
        // format that names itself cannot recurse without end.
        if (Level < 2) Append(Format, Level + 1);
    }
    static bool TwelveHourClockFollows(const std::string& Format, size_t Pos);

    TDateTime FValue;
    const TFormatSettings& FSettings;
    std::string FOut;
    bool FHaveDate = false, FHaveTime = false;
    Word FYear = 0, FMonth = 0, FDay = 0, FDayOfWeek = 0;
    Word FHour = 0, FMin = 0, FSec = 0, FMSec = 0;
};

// True when an am/pm, a/p or ampm code follows Pos before the next hour code.
bool TDateTimeWriter::TwelveHourClockFollows(const std::string& Format, size_t Pos) {
    char Quote = 0;
    for (size_t i = Pos; i < Format.size(); ++i) {
        const char C = Format[i];
        if (Quote) {
            if (C == Quote) Quote = 0;
        } else if (C == '\'' || C == '"') {
            Quote = C;
        } else if (C == 'h' || C == 'H') {
            return false;
        } else if ((C == 'a' || C == 'A') &&
                   (MatchesAt(Format, i, "AM/PM") || MatchesAt(Format, i, "A/P") ||
                    MatchesAt(Format, i, "AMPM"))) {
            return true;
        }
    }
    return false;
}

void TDateTimeWriter::Append(const std::string& Format, int Level) {
    const size_t Len = Format.size();
    char LastToken = ' ';
    size_t i = 0;
    while (i < Len) {
        const char C = Format[i];
        char Token = Upper(C);
        if (IsAsciiLetter(C)) {
            if (Token == 'M' && LastToken == 'H') Token = 'N';
            LastToken = Token;
        }
        const size_t Start = i++;
        // The length of the run of the same letter that starts at Start.
        auto Count = [&]() {
            while (i < Len && Upper(Format[i]) == Upper(C)) ++i;
            return static_cast<int>(i - Start);
        };
        switch (Token) {
        case 'Y': {
            const int N = Count();
            NeedDate();
            if (N <= 2)
                AppendNumber(FYear % 100, 2);
            else
                AppendNumber(FYear, 4);
            break;
        }
        case 'M': {
            const int N = Count();
            NeedDate();
            if (N <= 2)
                AppendNumber(FMonth, N);
            else if (N == 3)
                FOut += FSettings.ShortMonthNames[FMonth - 1];
            else
                FOut += FSettings.LongMonthNames[FMonth - 1];
            break;
        }
        case 'D': {
            const int N = Count();
            if (N <= 4) NeedDate();
            switch (N) {
            case 1:
            case 2: AppendNumber(FDay, N); break;
            case 3: FOut += FSettings.ShortDayNames[FDayOfWeek - 1]; break;
            case 4: FOut += FSettings.LongDayNames[FDayOfWeek - 1]; break;
            case 5: AppendNested(FSettings.ShortDateFormat, Level); break;
            default: AppendNested(FSettings.LongDateFormat, Level); break;
            }
            break;
        }
        case 'H': {
            const int N = Count();
            NeedTime();
            unsigned H = FHour;
            if (TwelveHourClockFollows(Format, i)) {
                if (H == 0)
                    H = 12;
                else if (H > 12)
                    H -= 12;
            }
            AppendNumber(H, N > 2 ? 2 : N);
            break;
        }
        case 'N': {
            const int N = Count();
            NeedTime();
            AppendNumber(FMin, N > 2 ? 2 : N);
            break;
        }
        case 'S': {
            const int N = Count();
            NeedTime();
            AppendNumber(FSec, N > 2 ? 2 : N);
            break;
        }
        case 'Z': {
            const int N = Count();
            NeedTime();
            AppendNumber(FMSec, N > 3 ? 3 : N);
            break;
        }
        case 'T': {
            const int N = Count();
            AppendNested(N == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, Level);
            break;
        }
        case 'C': {
            Count();
            AppendNested(FSettings.ShortDateFormat, Level);
            NeedTime();
            if (FHour != 0 || FMin != 0 || FSec != 0 || FMSec != 0) {
                FOut += ' ';
                AppendNested(FSettings.LongTimeFormat, Level);
            }
            break;
        }
        case 'A': {
            if (MatchesAt(Format, Start, "AM/PM")) {
                NeedTime();
                FOut.append(Format, FHour >= 12 ? Start + 3 : Start, 2);
                i = Start + 5;
            } else if (MatchesAt(Format, Start, "A/P")) {
                NeedTime();
                FOut += Format[FHour >= 12 ? Start + 2 : Start];
                i = Start + 3;
            } else if (MatchesAt(Format, Start, "AMPM")) {
                NeedTime();
                FOut += FHour >= 12 ? FSettings.TimePMString : FSettings.TimeAMString;
                i = Start + 4;
            } else {
                FOut += C;
            }
            break;
        }
        case '/':
            FOut += FSettings.DateSeparator;
            break;
        case ':':
            FOut += FSettings.TimeSeparator;
            break;
        case '\'':
        case '"': {
            const size_t End = Format.find(C, i);
            const size_t Stop = End == std::string::npos ? Len : End;
            FOut.append(Format, i, Stop - i);
            i = End == std::string::npos ? Len : End + 1;
            break;
        }
        default:
            FOut += C;
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Parsing

class TDateTimeScanner {
public:
    TDateTimeScanner(const std::string& Text, const TFormatSettings& Settings)
        : FText(Text), FSettings(Settings) {}

    bool AtEnd() const { return FPos >= FText.size(); }
    void Restart() { FPos = 0; }
    bool ScanDate(TDateTime& Value);
    bool ScanTime(TDateTime& Value);

private:
    void ScanBlanks() {
        while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t')) ++FPos;
    }
    // An unsigned number of up to 9999 after optional blanks; Digits is the
    // number of digits written.
    bool ScanNumber(int& Value, int& Digits) {
        ScanBlanks();
        const size_t Start = FPos;
        long N = 0;
        while (FPos < FText.size() && IsDigit(FText[FPos])) {
            N = N * 10 + (FText[FPos] - '0');
            if (N > 9999) return false;
            ++FPos;
        }
        if (FPos == Start) return false;
        Value = static_cast<int>(N);
        Digits = static_cast<int>(FPos - Start);
        return true;
    }
    bool ScanChar(char C) {
        const size_t Start = FPos;
        ScanBlanks();
        if (C == ' ' || C == '\t') return FPos > Start;
        if (FPos < FText.size() && FText[FPos] == C) {
            ++FPos;
            return true;
        }
        return false;
    }
    bool ScanString(const std::string& Symbol) {
        if (Symbol.empty()) return false;
        ScanBlanks();
        if (!MatchesAt(FText, FPos, Symbol.c_str())) return false;
        FPos += Symbol.size();
        return true;
    }
    // 0 after an AM mark, 12 after a PM mark, -1 when there is none.
    int ScanAmPm() {
        if (ScanString(FSettings.TimeAMString) || ScanString("AM")) return 0;
        if (ScanString(FSettings.TimePMString) || ScanString("PM")) return 12;
        return -1;
    }

    const std::string& FText;
    const TFormatSettings& FSettings;
    size_t FPos = 0;
};

bool TDateTimeScanner::ScanDate(TDateTime& Value) {
    int N[3] = {0, 0, 0};
    int Digits[3] = {0, 0, 0};
    if (!ScanNumber(N[0], Digits[0]) || !ScanChar(FSettings.DateSeparator) ||
        !ScanNumber(N[1], Digits[1]))
        return false;
    const size_t AfterSecond = FPos;
    int Fields = 2;
    if (ScanChar(FSettings.DateSeparator)) {
        if (!ScanNumber(N[2], Digits[2])) return false;
        Fields = 3;
    } else {
        FPos = AfterSecond;
    }

    std::string Order = DateFieldOrder(FSettings.ShortDateFormat);
    int Year = 0, Month = 0, Day = 0, YearDigits = 0;
    if (Fields == 2) Order.erase(Order.find('Y'), 1);
    for (int f = 0; f < Fields; ++f) {
        switch (Order[f]) {
        case 'Y': Year = N[f]; YearDigits = Digits[f]; break;
        case 'M': Month = N[f]; break;
        default: Day = N[f]; break;
        }
    }
    if (Fields == 2) {
        if (!CurrentYear(Year)) return false;
    } else if (YearDigits <= 2) {
        // Place the year in the hundred years that begin Window years ago.
        int ThisYear;
        if (!CurrentYear(ThisYear)) return false;
        const int Window = FSettings.TwoDigitYearCenturyWindow;
        int Base = ThisYear - Window;
        if (Base < 0) Base = 0;
        Year += Base / 100 * 100;
        if (Window > 0 && Year < Base) Year += 100;
    }
    ScanBlanks();
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return false;
    return TryEncodeDate(static_cast<Word>(Year), static_cast<Word>(Month), static_cast<Word>(Day),
                         Value);
}

bool TDateTimeScanner::ScanTime(TDateTime& Value) {
    int BaseHour = ScanAmPm();
    int Hour = 0, Min = 0, Sec = 0, MSec = 0, Digits = 0;
    if (!ScanNumber(Hour, Digits)) return false;
    if (ScanChar(FSettings.TimeSeparator)) {
        if (!ScanNumber(Min, Digits)) return false;
        if (ScanChar(FSettings.TimeSeparator)) {
            if (!ScanNumber(Sec, Digits)) return false;
            if (FPos < FText.size() && FText[FPos] == FSettings.DecimalSeparator) {
                // A decimal fraction of the second; digits past the
                // millisecond are read and dropped.
                ++FPos;
                const size_t Start = FPos;
                int Scale = 100;
                while (FPos < FText.size() && IsDigit(FText[FPos])) {
                    MSec += (FText[FPos] - '0') * Scale;
                    Scale /= 10;
                    ++FPos;
                }
                if (FPos == Start) return false;
            }
        }
    }
    if (BaseHour < 0) BaseHour = ScanAmPm();
    if (BaseHour >= 0) {
        if (Hour == 0 || Hour > 12) return false;
        if (Hour == 12) Hour = 0;
        Hour += BaseHour;
    }
    ScanBlanks();
    if (Hour > 23 || Min > 59 || Sec > 59) return false;
    return TryEncodeTime(static_cast<Word>(Hour), static_cast<Word>(Min), static_cast<Word>(Sec),
                         static_cast<Word>(MSec), Value);
}

// ---------------------------------------------------------------------------
// POSIX locales

// Replaces the composite strftime conversions by their parts.
std::string ExpandPosixFormat(const std::string& Format, int Depth = 0) {
    std::string Out;
    for (size_t i = 0; i < Format.size(); ++i) {
        if (Format[i] != '%' || i + 1 >= Format.size()) {
            Out += Format[i];
            continue;
        }
        const char* Part = nullptr;
        switch (Format[i + 1]) {
        case 'D': Part = "%m/%d/%y"; break;
        case 'F': Part = "%Y-%m-%d"; break;
        case 'T': Part = "%H:%M:%S"; break;
        case 'R': Part = "%H:%M"; break;
        case 'r': Part = "%I:%M:%S %p"; break;
        default: break;
        }
        if (Part && Depth == 0) {
            Out += ExpandPosixFormat(Part, Depth + 1);
        } else {
            Out += Format[i];
            Out += Format[i + 1];
        }
        ++i;
    }
    return Out;
}

// Skips a strftime conversion that starts with '%' at Pos; returns the
// position of its conversion character (or Format.size()) and reports
// whether a '-' flag asked for no padding.
size_t SkipConversionPrefix(const std::string& Format, size_t Pos, bool& NoPad) {
    NoPad = false;
    size_t i = Pos + 1;
    while (i < Format.size() && std::strchr("-_0^#", Format[i])) {
        if (Format[i] == '-') NoPad = true;
        ++i;
    }
    while (i < Format.size() && IsDigit(Format[i])) ++i;
    if (i < Format.size() && (Format[i] == 'E' || Format[i] == 'O')) ++i;
    return i;
}

// The first literal ASCII punctuation or blank in a strftime format.
char FindSeparator(const std::string& Format) {
    for (size_t i = 0; i < Format.size(); ++i) {
        const char C = Format[i];
        if (C == '%') {
            bool NoPad;
            i = SkipConversionPrefix(Format, i, NoPad);
            continue;
        }
        const unsigned char U = static_cast<unsigned char>(C);
        if (U < 0x80 && !IsAsciiLetter(C) && !IsDigit(C) && C != '\'' && C != '"' && U >= 0x20)
            return C;
    }
    return '\0';
}

// A strftime time format without its seconds (and the separator before them).
std::string WithoutSeconds(const std::string& Format, char TimeSeparator) {
    for (size_t i = 0; i < Format.size(); ++i) {
        if (Format[i] != '%') continue;
        bool NoPad;
        const size_t Conv = SkipConversionPrefix(Format, i, NoPad);
        if (Conv < Format.size() && Format[Conv] == 'S') {
            size_t From = i;
            if (From > 0 && TimeSeparator && Format[From - 1] == TimeSeparator) --From;
            return Format.substr(0, From) + Format.substr(Conv + 1);
        }
        i = Conv;
    }
    return Format;
}

bool IsUtf8Codeset(const std::string& Codeset) {
    std::string U;
    for (char C : Codeset)
        if (C != '-' && C != '_') U += Upper(C);
    return U == "UTF8";
}

// Reads the nl_langinfo items of a locale as UTF-8.
class TLocaleReader {
public:
    explicit TLocaleReader(const char* Name) {
        const char* LocaleName = Name ? Name : "";
        FLocale = newlocale(LC_CTYPE_MASK | LC_TIME_MASK | LC_NUMERIC_MASK | LC_MONETARY_MASK,
                            LocaleName, static_cast<locale_t>(0));
        if (!FLocale)
            throw EConvertError(std::string("Locale '") + LocaleName + "' is not available");
        const std::string Codeset = nl_langinfo_l(CODESET, FLocale);
        if (!IsUtf8Codeset(Codeset)) FConv = iconv_open("UTF-8", Codeset.c_str());
    }
    ~TLocaleReader() {
        if (FConv != reinterpret_cast<iconv_t>(-1)) iconv_close(FConv);
        freelocale(FLocale);
    }
    TLocaleReader(const TLocaleReader&) = delete;
    TLocaleReader& operator=(const TLocaleReader&) = delete;

    std::string Get(nl_item Item) const {
        const char* Raw = nl_langinfo_l(Item, FLocale);
        return Raw ? ToUtf8(Raw) : std::string();
    }

private:
    std::string ToUtf8(const std::string& Text) const {
        bool Ascii = true;
        for (char C : Text)
            if (static_cast<unsigned char>(C) >= 0x80) Ascii = false;
        if (Ascii) return Text;
        if (FConv == reinterpret_cast<iconv_t>(-1)) {
            if (!IsUtf8Codeset(nl_langinfo_l(CODESET, FLocale))) {
                // No converter for this code set: keep the ASCII part.
                std::string Out;
                for (char C : Text) Out += static_cast<unsigned char>(C) < 0x80 ? C : '?';
                return Out;
            }
            return Text;
        }
        std::string In = Text;
        std::string Out(In.size() * 4 + 16, '\0');
        char* InPtr = In.data();
        size_t InLeft = In.size();
        char* OutPtr = Out.data();
        size_t OutLeft = Out.size();
        iconv(FConv, nullptr, nullptr, nullptr, nullptr);
        if (iconv(FConv, &InPtr, &InLeft, &OutPtr, &OutLeft) == static_cast<size_t>(-1)) {
            std::string Safe;
            for (char C : Text) Safe += static_cast<unsigned char>(C) < 0x80 ? C : '?';
            return Safe;
        }
        Out.resize(Out.size() - OutLeft);
        return Out;
    }

    locale_t FLocale = static_cast<locale_t>(0);
    iconv_t FConv = reinterpret_cast<iconv_t>(-1);
};

}  // namespace

// ---------------------------------------------------------------------------
// Settings

TFormatSettings& FormatSettings() {
    static TFormatSettings Settings;
    return Settings;
}

TFormatSettings EnglishFormatSettings() { return TFormatSettings(); }

TFormatSettings GermanFormatSettings() {
    TFormatSettings S;
    S.DateSeparator = '.';
    S.TimeSeparator = ':';
    S.DecimalSeparator = ',';
    S.ThousandSeparator = '.';
    S.ListSeparator = ';';
    S.ShortDateFormat = "dd.mm.yyyy";
    S.LongDateFormat = "dddd, d. mmmm yyyy";
    S.ShortTimeFormat = "hh:nn";
    S.LongTimeFormat = "hh:nn:ss";
    S.TimeAMString = "";
    S.TimePMString = "";
    S.CurrencyString = "€";
    S.CurrencyFormat = 3;
    S.NegCurrFormat = 8;
    S.CurrencyDecimals = 2;
    S.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    S.LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                      "Donnerstag", "Freitag", "Samstag"};
    S.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                         "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    S.LongMonthNames = {"Januar", "Februar",   "März",    "April",    "Mai",      "Juni",
                        "Juli",   "August",    "September", "Oktober", "November", "Dezember"};
    S.TwoDigitYearCenturyWindow = 50;
    return S;
}

std::string PosixFormatToPicture(const std::string& PosixFormat, char DateSeparator,
                                 char TimeSeparator) {
    const std::string Format = ExpandPosixFormat(PosixFormat);
    std::string Out;
    std::string Pending;  // literal characters that need quotes
    auto Flush = [&]() {
        if (Pending.empty()) return;
        const char Quote = Pending.find('"') == std::string::npos ? '"' : '\'';
        Out += Quote;
        Out += Pending;
        Out += Quote;
        Pending.clear();
    };
    auto Code = [&](const char* Text) {
        Flush();
        Out += Text;
    };
    for (size_t i = 0; i < Format.size(); ++i) {
        const char C = Format[i];
        if (C == '%' && i + 1 < Format.size()) {
            bool NoPad;
            i = SkipConversionPrefix(Format, i, NoPad);
            if (i >= Format.size()) break;
            switch (Format[i]) {
            case 'd': Code(NoPad ? "d" : "dd"); break;
            case 'e': Code("d"); break;
            case 'm': Code(NoPad ? "m" : "mm"); break;
            case 'y': Code("yy"); break;
            case 'Y':
            case 'G': Code("yyyy"); break;
            case 'b':
            case 'h': Code("mmm"); break;
            case 'B': Code("mmmm"); break;
            case 'a': Code("ddd"); break;
            case 'A': Code("dddd"); break;
            case 'H':
            case 'I': Code(NoPad ? "h" : "hh"); break;
            case 'k':
            case 'l': Code("h"); break;
            case 'M': Code(NoPad ? "n" : "nn"); break;
            case 'S': Code(NoPad ? "s" : "ss"); break;
            case 'p':
            case 'P': Code("ampm"); break;
            case 'n':
            case 't': Flush(); Out += ' '; break;
            case '%': Flush(); Out += '%'; break;
            default: break;  // time zones, week numbers, eras: not pictured
            }
            continue;
        }
        if (DateSeparator && C == DateSeparator) {
            Code("/");
        } else if (TimeSeparator && C == TimeSeparator) {
            Code(":");
        } else if (IsAsciiLetter(C) || C == '/' || C == ':' || C == '\'' || C == '"') {
            if ((C == '"' || C == '\'') && !Pending.empty() &&
                Pending.find(C == '"' ? '\'' : '"') != std::string::npos)
                Flush();  // one run cannot hold both kinds of quote
            Pending += C;
        } else {
            Flush();
            Out += C;
        }
    }
    Flush();
    return Out;
}

TFormatSettings LocaleFormatSettings(const char* LocaleName) {
    const TLocaleReader Locale(LocaleName);
    TFormatSettings S;

    for (int i = 0; i < 7; ++i) {
        const std::string Long = Locale.Get(DAY_1 + i);
        const std::string Short = Locale.Get(ABDAY_1 + i);
        if (!Long.empty()) S.LongDayNames[i] = Long;
        if (!Short.empty()) S.ShortDayNames[i] = Short;
    }
    for (int i = 0; i < 12; ++i) {
        const std::string Long = Locale.Get(MON_1 + i);
        const std::string Short = Locale.Get(ABMON_1 + i);
        if (!Long.empty()) S.LongMonthNames[i] = Long;
        if (!Short.empty()) S.ShortMonthNames[i] = Short;
    }

    const std::string DateFormat = ExpandPosixFormat(Locale.Get(D_FMT));
    if (!DateFormat.empty()) {
        const char Sep = FindSeparator(DateFormat);
        if (Sep) S.DateSeparator = Sep;
        S.ShortDateFormat = PosixFormatToPicture(DateFormat, Sep, '\0');
        const std::string Order = DateFieldOrder(S.ShortDateFormat);
        if (Order[0] == 'D')
            S.LongDateFormat = Sep == '.' ? "dddd, d. mmmm yyyy" : "dddd, d mmmm yyyy";
        else if (Order[0] == 'Y')
            S.LongDateFormat = "yyyy mmmm d, dddd";
        else
            S.LongDateFormat = "dddd, mmmm d, yyyy";
    }

    const std::string TimeFormat = ExpandPosixFormat(Locale.Get(T_FMT));
    if (!TimeFormat.empty()) {
        const char Sep = FindSeparator(TimeFormat);
        if (Sep) S.TimeSeparator = Sep;
        S.LongTimeFormat = PosixFormatToPicture(TimeFormat, '\0', Sep);
        S.ShortTimeFormat = PosixFormatToPicture(WithoutSeconds(TimeFormat, Sep), '\0', Sep);
    }
    S.TimeAMString = Locale.Get(AM_STR);
    S.TimePMString = Locale.Get(PM_STR);

    const std::string Radix = Locale.Get(RADIXCHAR);
    if (Radix.size() == 1) S.DecimalSeparator = Radix[0];
    const std::string Thousands = Locale.Get(THOUSEP);
    if (Thousands.size() == 1)
        S.ThousandSeparator = Thousands[0];
    else if (Thousands.size() > 1)
        S.ThousandSeparator = ' ';  // a wide space: the nearest single character
    if (S.ThousandSeparator == S.DecimalSeparator)
        S.ThousandSeparator = S.DecimalSeparator == ',' ? '.' : ',';
    S.ListSeparator = S.DecimalSeparator == ',' ? ';' : ',';

    // "-$": the symbol goes before the amount, "+EUR": after it.
    const std::string Currency = Locale.Get(CRNCYSTR);
    if (Currency.size() > 1 && (Currency[0] == '-' || Currency[0] == '+')) {
        S.CurrencyString = Currency.substr(1);
        S.CurrencyFormat = Currency[0] == '-' ? 0 : 3;
        S.NegCurrFormat = Currency[0] == '-' ? 1 : 8;
    }
    return S;
}

void LoadLocaleFormatSettings(const char* LocaleName) {
    TFormatSettings S = LocaleFormatSettings(LocaleName);
    FormatSettings() = std::move(S);
}

// ---------------------------------------------------------------------------
// Encoding and decoding

const Word MonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
        Day > MonthDays[IsLeapYear(Year)][Month])
        return false;
    Date = static_cast<TDateTime>(DaysFromCivil(Year, Month, Day) + DaysFrom1970);
    return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
    TDateTime Result;
    if (!TryEncodeDate(Year, Month, Day, Result)) throw EConvertError(SDateEncodeError);
    return Result;
}

void DecodeDate(TDateTime DateTime, Word& Year, Word& Month, Word& Day) {
    DecodeDay(SplitOrRaise(DateTime).Day, Year, Month, Day);
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
    if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
    const int64_t MS = ((static_cast<int64_t>(Hour) * 60 + Min) * 60 + Sec) * 1000 + MSec;
    Time = static_cast<double>(MS) / static_cast<double>(MSecsPerDay);
    return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
    TDateTime Result;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, Result)) throw EConvertError(STimeEncodeError);
    return Result;
}

void DecodeTime(TDateTime DateTime, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
    DecodeMSec(SplitOrRaise(DateTime).MSec, Hour, Min, Sec, MSec);
}

TDateTime ComposeDateTime(TDateTime Date, TDateTime Time) {
    const double Day = std::trunc(Date);
    const double Fraction = std::fabs(Time - std::trunc(Time));
    return Day < 0 ? Day - Fraction : Day + Fraction;
}

Word DayOfWeek(TDateTime DateTime) { return DayOfWeekOfDay(SplitOrRaise(DateTime).Day); }

TDateTime Now() { return Clock::NowDateTime(); }

TDateTime Date() { return static_cast<TDateTime>(SplitOrRaise(Now()).Day); }

TDateTime Time() {
    return static_cast<double>(SplitOrRaise(Now()).MSec) / static_cast<double>(MSecsPerDay);
}

TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths) {
    const TDayTime Split = SplitOrRaise(DateTime);
    Word Year, Month, Day;
    DecodeDay(Split.Day, Year, Month, Day);
    const int64_t Total = static_cast<int64_t>(Year) * 12 + (Month - 1) + NumberOfMonths;
    const int64_t NewYear = Total / 12;  // Total >= 0 whenever the result is valid
    if (Total < 12 || NewYear > 9999) throw EConvertError(SDateEncodeError);
    const Word NewMonth = static_cast<Word>(Total % 12 + 1);
    const bool Leap = IsLeapYear(static_cast<Word>(NewYear));
    if (Day > MonthDays[Leap][NewMonth]) Day = MonthDays[Leap][NewMonth];
    const TDateTime NewDate = EncodeDate(static_cast<Word>(NewYear), NewMonth, Day);
    return ComposeDateTime(NewDate,
                           static_cast<double>(Split.MSec) / static_cast<double>(MSecsPerDay));
}

void ReplaceDate(TDateTime& DateTime, TDateTime NewDate) {
    DateTime = ComposeDateTime(NewDate, DateTime);
}

void ReplaceTime(TDateTime& DateTime, TDateTime NewTime) {
    DateTime = ComposeDateTime(DateTime, NewTime);
}

// ---------------------------------------------------------------------------
// Text

std::string FormatDateTime(const std::string& Format, TDateTime DateTime,
                           const TFormatSettings& Settings) {
    TDateTimeWriter Writer(DateTime, Settings);
    Writer.Append(Format.empty() ? std::string("c") : Format, 0);
    return std::move(Writer.Result());
}

std::string FormatDateTime(const std::string& Format, TDateTime DateTime) {
    return FormatDateTime(Format, DateTime, FormatSettings());
}

std::string DateToStr(TDateTime DateTime, const TFormatSettings& Settings) {
    return FormatDateTime("ddddd", DateTime, Settings);
}
std::string DateToStr(TDateTime DateTime) { return DateToStr(DateTime, FormatSettings()); }

std::string TimeToStr(TDateTime DateTime, const TFormatSettings& Settings) {
    return FormatDateTime("tt", DateTime, Settings);
}
std::string TimeToStr(TDateTime DateTime) { return TimeToStr(DateTime, FormatSettings()); }

std::string DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings) {
    return FormatDateTime("c", DateTime, Settings);
}
std::string DateTimeToStr(TDateTime DateTime) { return DateTimeToStr(DateTime, FormatSettings()); }

bool TryStrToDate(const std::string& S, TDateTime& Value, const TFormatSettings& Settings) {
    TDateTimeScanner Scanner(S, Settings);
    TDateTime Result;
    if (!Scanner.ScanDate(Result) || !Scanner.AtEnd()) return false;
    Value = Result;
    return true;
}
bool TryStrToDate(const std::string& S, TDateTime& Value) {
    return TryStrToDate(S, Value, FormatSettings());
}
TDateTime StrToDate(const std::string& S, const TFormatSettings& Settings) {
    TDateTime Result;
    if (!TryStrToDate(S, Result, Settings)) throw EConvertError("'" + S + "' is not a valid date");
    return Result;
}
TDateTime StrToDate(const std::string& S) { return StrToDate(S, FormatSettings()); }

bool TryStrToTime(const std::string& S, TDateTime& Value, const TFormatSettings& Settings) {
    TDateTimeScanner Scanner(S, Settings);
    TDateTime Result;
    if (!Scanner.ScanTime(Result) || !Scanner.AtEnd()) return false;
    Value = Result;
    return true;
}
bool TryStrToTime(const std::string& S, TDateTime& Value) {
    return TryStrToTime(S, Value, FormatSettings());
}
TDateTime StrToTime(const std::string& S, const TFormatSettings& Settings) {
    TDateTime Result;
    if (!TryStrToTime(S, Result, Settings)) throw EConvertError("'" + S + "' is not a valid time");
    return Result;
}
TDateTime StrToTime(const std::string& S) { return StrToTime(S, FormatSettings()); }

bool TryStrToDateTime(const std::string& S, TDateTime& Value, const TFormatSettings& Settings) {
    TDateTimeScanner Scanner(S, Settings);
    TDateTime DatePart = 0, TimePart = 0;
    if (Scanner.ScanDate(DatePart) &&
        (Scanner.AtEnd() || (Scanner.ScanTime(TimePart) && Scanner.AtEnd()))) {
        Value = ComposeDateTime(DatePart, TimePart);
        return true;
    }
    // A time alone stands for that time on day 0.
    Scanner.Restart();
    if (Scanner.ScanTime(TimePart) && Scanner.AtEnd()) {
        Value = TimePart;
        return true;
    }
    return false;
}
bool TryStrToDateTime(const std::string& S, TDateTime& Value) {
    return TryStrToDateTime(S, Value, FormatSettings());
}
TDateTime StrToDateTime(const std::string& S, const TFormatSettings& Settings) {
    TDateTime Result;
    if (!TryStrToDateTime(S, Result, Settings))
        throw EConvertError("'" + S + "' is not a valid date and time");
    return Result;
}
TDateTime StrToDateTime(const std::string& S) { return StrToDateTime(S, FormatSettings()); }

}  // namespace vcl
