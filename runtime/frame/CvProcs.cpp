#include "CvProcs.h"

#include <cmath>
#include <memory>

#include "Classes.h"
#include "SysResources.h"
#include "SysUtils.h"

namespace corvane {

uint16_t GetFreeSystemResources(uint16_t Kind) {
    switch (Kind) {
        case 0: {
            uint64_t total = 0, avail = 0;
            if (!vcl::GetMemoryStatus(total, avail) || total == 0)
                throw vcl::Exception("Can't load USER.EXE!");
            if (avail >= total) return 100;
            return static_cast<uint16_t>((avail * 100) / total);
        }
        case 1:
            return vcl::ResourceTableFreePercent(vcl::rtGDI);
        case 2:
            return vcl::ResourceTableFreePercent(vcl::rtUSER);
        default:
            throw vcl::Exception("Can't get address of GetFreeSystemResources!");
    }
}

int32_t BreakApart(const std::string& Text, const std::string& Delimiter, vcl::TStrings& Parts) {
    Parts.BeginUpdate();
    try {
        Parts.Clear();
        int32_t count = 0;
        if (Delimiter.empty()) {
            Parts.Add(Text);
            count = 1;
        } else {
            std::string::size_type start = 0;
            for (;;) {
                const auto p = Text.find(Delimiter, start);
                if (p == std::string::npos) {
                    Parts.Add(Text.substr(start));
                    ++count;
                    break;
                }
                Parts.Add(Text.substr(start, p - start));
                ++count;
                start = p + Delimiter.size();
            }
        }
        Parts.EndUpdate();
        return count;
    } catch (...) {
        Parts.EndUpdate();
        throw;
    }
}

namespace {

// Characters up to the first NUL.
int64_t MeasuredLength(const std::string& S) {
    const auto nul = S.find('\0');
    return static_cast<int64_t>(vcl::Utf8Length(nul == std::string::npos ? S : S.substr(0, nul)));
}

std::string Join(const vcl::TStrings& Parts, const std::string& Delimiter) {
    std::string r;
    for (int i = 0; i < Parts.Count(); ++i) {
        if (i > 0) r += Delimiter;
        r += Parts.Strings(i);
    }
    return r;
}

}  // namespace

std::string CompressString(const std::string& Text, const std::string& Delimiter,
                           const std::string& Replacement, int32_t MaxLength) {
    std::string result = Text;
    if (MeasuredLength(result) <= MaxLength) return result;
    auto parts = std::make_unique<vcl::TStringList>();
    BreakApart(Text, Delimiter, *parts);
    if (parts->Count() < 3) return result;
    parts->SetStrings(1, Replacement);
    result = Join(*parts, Delimiter);
    while (MeasuredLength(result) > MaxLength && parts->Count() > 3) {
        parts->Delete(2);
        result = Join(*parts, Delimiter);
    }
    return result;
}

bool IsLeapYear(vcl::TDateTime Date) {
    uint16_t y, m, d;
    vcl::DecodeDate(Date, y, m, d);
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int32_t DaysPerMonth(vcl::TDateTime Date) {
    static const int32_t Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    uint16_t y, m, d;
    vcl::DecodeDate(Date, y, m, d);
    int32_t n = Days[m - 1];
    if (m == 2 && IsLeapYear(Date)) ++n;
    return n;
}

vcl::TDateTime MoveMonth(vcl::TDateTime Date, int32_t Count) {
    uint16_t y, m, d;
    vcl::DecodeDate(Date, y, m, d);
    const uint16_t day = d;
    const uint16_t anchor = Count > 0 ? static_cast<uint16_t>(DaysPerMonth(Date)) : uint16_t{1};
    const vcl::TDateTime moved = vcl::EncodeDate(y, m, anchor) + Count;
    vcl::DecodeDate(moved, y, m, d);
    const int32_t last = DaysPerMonth(moved);
    const uint16_t newDay = day < last ? day : static_cast<uint16_t>(last);
    return vcl::EncodeDate(y, m, newDay);
}

vcl::TDateTime PrevMonth(vcl::TDateTime Date) { return MoveMonth(Date, -1); }
vcl::TDateTime NextMonth(vcl::TDateTime Date) { return MoveMonth(Date, 1); }

namespace {
vcl::TDateTime StepYear(vcl::TDateTime Date, int Delta) {
    uint16_t y, m, d;
    vcl::DecodeDate(Date, y, m, d);
    if (IsLeapYear(Date) && m == 2 && d == 29) d = 28;
    return vcl::EncodeDate(static_cast<uint16_t>(y + Delta), m, d);
}
}  // namespace

vcl::TDateTime NextYear(vcl::TDateTime Date) { return StepYear(Date, 1); }
vcl::TDateTime PrevYear(vcl::TDateTime Date) { return StepYear(Date, -1); }

std::string datetimetolstr(vcl::TDateTime Date) { return vcl::FormatDateTime("dd.mm.yyyy hh:mm:ss", Date); }

}  // namespace corvane
