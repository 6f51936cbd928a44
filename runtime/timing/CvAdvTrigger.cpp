#include "CvAdvTrigger.h"

#include <cmath>

#include "DateTime.h"
#include "Exceptions.h"
#include "ExtCtrls.h"
#include "SysUtils.h"

namespace corvane {

VCL_PUBLISHED(TCvAdvancedTrigger, vcl::TComponent) {
    B.Property("About", &TCvAdvancedTrigger::About, &TCvAdvancedTrigger::SetAbout);
    B.Property("Enabled", &TCvAdvancedTrigger::Enabled, &TCvAdvancedTrigger::SetEnabled);
    B.Property("Interval", &TCvAdvancedTrigger::Interval, &TCvAdvancedTrigger::SetInterval);
}

namespace {

// The step an entry advances by, chosen by its lowest wildcard position.
enum TStep { stSec1, stSec10, stMin1, stMin10, stHour1, stHour10, stDay1, stDay10, stMonth, stYear, stNone };

constexpr int64_t kStepSeconds[] = {1, 10, 60, 600, 3600, 36000, 86400, 864000};
// Bound on the candidates tried for one due time; enough to skip from any
// day to the next 29 February of a wildcard year by whole days.
constexpr int kMaxAttempts = 20000;

struct TFields {
    int Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0;
};

bool IsDigitOrWild(char c) { return c == '?' || (c >= '0' && c <= '9'); }

bool ValidDate(const TFields& F) {
    if (F.Y < 1 || F.Y > 9999 || F.Mo < 1 || F.Mo > 12 || F.D < 1) return false;
    return F.D <= vcl::MonthDays[vcl::IsLeapYear(static_cast<vcl::Word>(F.Y)) ? 1 : 0][F.Mo];
}
bool ValidTime(const TFields& F) { return F.H < 24 && F.Mi < 60 && F.S < 60; }

// Seconds from day 0 of a valid date and time.
int64_t KeyOf(const TFields& F) {
    const auto day = static_cast<int64_t>(vcl::EncodeDate(F.Y, F.Mo, F.D));
    return day * 86400 + F.H * 3600 + F.Mi * 60 + F.S;
}

TFields FromKey(int64_t Key) {
    int64_t day = Key / 86400, sec = Key % 86400;
    if (sec < 0) {
        sec += 86400;
        --day;
    }
    vcl::Word y, mo, d;
    vcl::DecodeDate(static_cast<double>(day), y, mo, d);
    return {y, mo, d, static_cast<int>(sec / 3600), static_cast<int>(sec / 60 % 60), static_cast<int>(sec % 60)};
}

TFields FromDateTime(vcl::TDateTime T) {
    vcl::Word y, mo, d, h, mi, s, ms;
    vcl::DecodeDate(T, y, mo, d);
    vcl::DecodeTime(T, h, mi, s, ms);
    return {y, mo, d, h, mi, s};
}

vcl::TDateTime ToDateTime(const TFields& F) {
    return vcl::EncodeDate(F.Y, F.Mo, F.D) + vcl::EncodeTime(F.H, F.Mi, F.S, 0);
}

// Writes the fixed digits of the patterns over the fields.
TFields Apply(TFields F, const std::string& Date, const std::string& Time) {
    auto put = [](int& field, const std::string& p, int pos, int width) {
        for (int i = 0; i < width; ++i) {
            const char c = p[pos + i];
            if (c == '?') continue;
            int weight = 1;
            for (int k = i + 1; k < width; ++k) weight *= 10;
            const int old = field / weight % 10;
            field += (c - '0' - old) * weight;
        }
    };
    put(F.D, Date, 0, 2);
    put(F.Mo, Date, 3, 2);
    put(F.Y, Date, 6, 4);
    put(F.H, Time, 0, 2);
    put(F.Mi, Time, 3, 2);
    put(F.S, Time, 6, 2);
    return F;
}

TStep StepOf(const std::string& Date, const std::string& Time) {
    if (Time[7] == '?') return stSec1;
    if (Time[6] == '?') return stSec10;
    if (Time[4] == '?') return stMin1;
    if (Time[3] == '?') return stMin10;
    if (Time[1] == '?') return stHour1;
    if (Time[0] == '?') return stHour10;
    if (Date[1] == '?') return stDay1;
    if (Date[0] == '?') return stDay10;
    if (Date[4] == '?' || Date[3] == '?') return stMonth;
    if (Date[8] == '?' || Date[9] == '?') return stYear;
    return stNone;
}

// Advances the working fields by one step; false when the step cannot move
// them (no wildcard for it, or past the year 9999).
bool Advance(TFields& F, TStep Step, const std::string& Date) {
    switch (Step) {
        case stMonth: {
            const bool units = Date[4] == '?';
            F.Mo += units ? 1 : 10;
            if (F.Mo > 12 || (F.Mo > 9 && units && Date[3] != '?')) {
                F.Mo = 1;
                ++F.Y;
            }
            return F.Y <= 9999;
        }
        case stYear:
            ++F.Y;
            return F.Y <= 9999;
        case stNone:
            return false;
        default:
            if (!ValidDate(F)) return false;
            F = FromKey(KeyOf(F) + kStepSeconds[Step]);
            return F.Y <= 9999;
    }
}

}  // namespace

struct TCvAdvancedTrigger::TEntry {
    uint64_t Id = 0;
    TCvAdvTimeObject Object;
    bool FirstPending = true;  // the first computation applies the patterns only
};

TCvAdvancedTrigger::TCvAdvancedTrigger(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {
    FTimer = new vcl::TTimer(this);
    FInterval = 1000;
    FDateText = vcl::DateToStr(vcl::Now());
    FEnabled = false;
    FTimer->SetOnTimer([this](vcl::TObject*) { Tick(); });
    FTimer->SetEnabled(FEnabled);
    FTimer->SetInterval(FInterval);
}

TCvAdvancedTrigger::~TCvAdvancedTrigger() {
    delete FTimer;
    FTimer = nullptr;
    FEntries.clear();
}

void TCvAdvancedTrigger::GetChildren(const std::function<void(vcl::TComponent*)>&, vcl::TComponent*) {}

void TCvAdvancedTrigger::SetEnabled(bool Value) {
    FEnabled = Value;
    FTimer->SetEnabled(Value);
}

void TCvAdvancedTrigger::SetInterval(uint32_t Value) {
    FInterval = Value;
    FTimer->SetInterval(Value);
}

bool TCvAdvancedTrigger::Add(const std::string& DatePattern, const std::string& TimePattern,
                             vcl::TDateTime Start, const std::string& Desc, const std::string& ExtText,
                             uint16_t lParam, uint16_t hParam, uint16_t xParam) {
    if (vcl::Utf8Length(TimePattern) != 8 || vcl::Utf8Length(DatePattern) != 10) return false;
    if (TimePattern.size() != 8 || DatePattern.size() != 10) return false;  // not plain ASCII
    for (int i : {0, 1, 3, 4, 6, 7})
        if (!IsDigitOrWild(TimePattern[i])) return false;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!IsDigitOrWild(DatePattern[i])) return false;
    std::string dateTest = DatePattern, timeTest = TimePattern;
    for (char& c : dateTest)
        if (c == '?') c = '1';
    for (char& c : timeTest)
        if (c == '?') c = '1';
    if (vcl::StrToDate(dateTest) < 2.0) return false;  // raises for no date at all

    auto e = std::make_unique<TEntry>();
    e->Id = FNextId++;
    TCvAdvTimeObject& o = e->Object;
    o.Exact = false;
    o.Due = Start == 0.0 ? 2.0 : Start;
    o.TimePattern = TimePattern;
    o.DatePattern = DatePattern;
    o.Desc = Desc;
    o.ExtText = ExtText;
    o.lParam = lParam;
    o.hParam = hParam;
    o.xParam = xParam;
    o.Fired = true;
    // A pattern without any wildcard at a step position can never advance.
    o.OneShot = StepOf(DatePattern, TimePattern) == stNone;
    vcl::TDateTime parsed;
    if (!vcl::TryStrToTime(timeTest, parsed)) return false;
    try {
        if (!Compute(*e)) return false;  // no due time: nothing is left behind
    } catch (const vcl::Exception&) {
        return false;
    }
    FEntries.push_back(std::move(e));
    return true;
}

bool TCvAdvancedTrigger::AddExact(vcl::TDateTime ExactTime, const std::string& Desc,
                                  const std::string& ExtText, uint16_t lParam, uint16_t hParam,
                                  uint16_t xParam) {
    if (!std::isfinite(ExactTime)) return false;
    auto e = std::make_unique<TEntry>();
    e->Id = FNextId++;
    e->FirstPending = false;
    TCvAdvTimeObject& o = e->Object;
    o.Exact = true;
    o.Due = ExactTime;
    o.Fired = false;
    o.Desc = Desc;
    o.ExtText = ExtText;
    o.lParam = lParam;
    o.hParam = hParam;
    o.xParam = xParam;
    FEntries.push_back(std::move(e));
    return true;
}

// The due-time rule.  Returns false, changing nothing, when no valid due
// time can be found or when an advance would not move the due time forward.
bool TCvAdvancedTrigger::Compute(TEntry& E) {
    TCvAdvTimeObject& o = E.Object;
    const std::string& date = o.DatePattern;
    const std::string& time = o.TimePattern;
    const TStep step = StepOf(date, time);
    const bool first = E.FirstPending;
    TFields f = FromDateTime(o.Due);
    TFields candidate;
    bool found = false;
    bool moved = first;  // the first computation does not advance
    for (int attempt = 0; attempt < kMaxAttempts && !found; ++attempt) {
        if (!moved && !Advance(f, step, date)) return false;
        moved = false;
        candidate = Apply(f, date, time);
        if (ValidDate(candidate) && ValidTime(candidate)) {
            found = true;
        } else if (step <= stHour10 && ValidDate(f)) {
            // Skip an impossible date (or hour) by whole days (hours) instead
            // of stepping through it second by second.
            const int64_t key = KeyOf(f);
            const int64_t unit = ValidDate(candidate) ? 3600 : 86400;
            f = FromKey((key / unit + 1) * unit);
            moved = true;
        }
    }
    if (!found) return false;
    const vcl::TDateTime due = ToDateTime(candidate);
    if (!first && !(due > o.Due)) return false;
    o.Due = due;
    o.Fired = false;
    E.FirstPending = false;
    return true;
}

void TCvAdvancedTrigger::Next(int32_t Index) {
    TEntry& e = EntryAt(Index);
    if (e.Object.Exact) return;
    if (!Compute(e)) e.Object.OneShot = true;
}

TCvAdvancedTrigger::TEntry& TCvAdvancedTrigger::EntryAt(int32_t Index) const {
    if (Index < 0 || Index >= Count())
        throw vcl::EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return *FEntries[Index];
}

const TCvAdvTimeObject& TCvAdvancedTrigger::Items(int32_t Index) const { return EntryAt(Index).Object; }

void TCvAdvancedTrigger::Delete(int32_t Index) {
    if (Index < 0) throw vcl::EListError("List index out of bounds (" + std::to_string(Index) + ")");
    if (Index >= Count()) return;
    FEntries.erase(FEntries.begin() + Index);
}

void TCvAdvancedTrigger::DeleteByDesc(const std::string& Desc) {
    std::erase_if(FEntries, [&](const std::unique_ptr<TEntry>& e) { return e->Object.Desc == Desc; });
}

int32_t TCvAdvancedTrigger::IndexOfId(uint64_t Id) const {
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i]->Id == Id) return static_cast<int32_t>(i);
    return -1;
}

void TCvAdvancedTrigger::DoAlarm(int32_t Index, bool Old, vcl::TDateTime EventTime) {
    TEntry& e = EntryAt(Index);
    e.Object.Fired = true;
    const uint64_t id = e.Id;
    const TCvAdvTimeObject copy = e.Object;  // the handler may delete the entry
    if (FOnAlarm) {
        TCvAdvAlarmEvent handler = FOnAlarm;
        handler(this, Index, copy.Desc, copy.ExtText, copy.lParam, copy.hParam, copy.xParam, copy.Due,
                EventTime, Old);
    }
    const int32_t now = IndexOfId(id);
    if (now >= 0 && !FEntries[now]->Object.Exact && !FEntries[now]->Object.OneShot) Next(now);
}

void TCvAdvancedTrigger::DoDate() {
    if (FOnDateChange) {
        vcl::TNotifyEvent handler = FOnDateChange;
        handler(this);
    }
}

void TCvAdvancedTrigger::DoTime() {
    if (FOnTimeChange) {
        vcl::TNotifyEvent handler = FOnTimeChange;
        handler(this);
    }
}

void TCvAdvancedTrigger::Tick() {
    if (!FEnabled || IsDesigning()) return;
    const vcl::TDateTime eventTime = vcl::Now();
    std::vector<uint64_t> ids;
    ids.reserve(FEntries.size());
    for (const auto& e : FEntries) ids.push_back(e->Id);
    for (uint64_t id : ids) {
        const int32_t index = IndexOfId(id);
        if (index < 0) continue;
        const TCvAdvTimeObject& o = FEntries[index]->Object;
        if (o.Due > eventTime) continue;
        if ((o.Exact || o.OneShot) && o.Fired) continue;
        DoAlarm(index, o.Due < eventTime, eventTime);
    }
    DoTime();
    const std::string dateText = vcl::DateToStr(eventTime);
    if (dateText != FDateText) {
        FDateText = dateText;
        DoDate();
    }
}

}  // namespace corvane
