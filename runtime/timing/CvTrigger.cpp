#include "CvTrigger.h"

#include "DateTime.h"
#include "Exceptions.h"
#include "ExtCtrls.h"
#include "SysUtils.h"

namespace corvane {

VCL_PUBLISHED(TCvTrigger, vcl::TComponent) {
    B.Property("About", &TCvTrigger::About, &TCvTrigger::SetAbout);
    B.Property("Enabled", &TCvTrigger::Enabled, &TCvTrigger::SetEnabled);
    B.Property("Interval", &TCvTrigger::Interval, &TCvTrigger::SetInterval);
}

namespace {

constexpr int kPatternLength = 8;

// Splits a UTF-8 text into its code points (each kept as its bytes).
std::vector<std::string> CodePoints(const std::string& S) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < S.size()) {
        const size_t start = pos;
        vcl::Utf8Decode(S, pos);
        if (pos == start) ++pos;  // never stall on a broken byte
        out.push_back(S.substr(start, pos - start));
    }
    return out;
}

std::string Join(const std::vector<std::string>& Parts) {
    std::string s;
    for (const std::string& p : Parts) s += p;
    return s;
}

// The second of a date and time, counted from day 0; false for a value that
// is no date.
bool SecondOf(vcl::TDateTime T, int64_t& Second) {
    vcl::Word y, mo, d, h, mi, s, ms;
    try {
        vcl::DecodeDate(T, y, mo, d);
        vcl::DecodeTime(T, h, mi, s, ms);
    } catch (const vcl::EConvertError&) {
        return false;
    }
    const auto day = static_cast<int64_t>(vcl::EncodeDate(y, mo, d));
    Second = day * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

}  // namespace

struct TCvTrigger::TEntry {
    uint64_t Id = 0;
    TCvTimeObject Object;
    int64_t ExactSecond = 0;
};

TCvTrigger::TCvTrigger(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {
    FTimer = new vcl::TTimer(this);
    FInterval = 1000;
    FDateText = vcl::DateToStr(vcl::Now());
    FLastTimeText.clear();
    FEnabled = false;
    FTimer->SetOnTimer([this](vcl::TObject*) { Tick(); });
    FTimer->SetEnabled(FEnabled);
    FTimer->SetInterval(FInterval);
}

TCvTrigger::~TCvTrigger() {
    delete FTimer;
    FTimer = nullptr;
    FEntries.clear();
}

void TCvTrigger::GetChildren(const std::function<void(vcl::TComponent*)>&, vcl::TComponent*) {}

void TCvTrigger::SetEnabled(bool Value) {
    FEnabled = Value;
    FTimer->SetEnabled(Value);
}

void TCvTrigger::SetInterval(uint32_t Value) {
    FInterval = Value;
    FTimer->SetInterval(Value);
}

bool TCvTrigger::Add(const std::string& Pattern, const std::string& Desc) {
    std::vector<std::string> chars = CodePoints(Pattern);
    if (chars.size() > kPatternLength) chars.resize(kPatternLength);
    std::vector<std::string> test = chars;
    for (std::string& c : test)
        if (c == "?") c = "1";
    vcl::TDateTime parsed;
    if (!vcl::TryStrToTime(Join(test), parsed)) return false;
    auto e = std::make_unique<TEntry>();
    e->Id = FNextId++;
    e->Object.Exact = false;
    e->Object.TimePattern = Join(chars);
    e->Object.Desc = Desc;
    FEntries.push_back(std::move(e));
    return true;
}

bool TCvTrigger::AddExact(vcl::TDateTime ExactTime, const std::string& Desc) {
    int64_t second;
    if (!SecondOf(ExactTime, second)) return false;
    auto e = std::make_unique<TEntry>();
    e->Id = FNextId++;
    e->Object.Exact = true;
    e->Object.ExactTime = ExactTime;
    e->Object.Desc = Desc;
    e->ExactSecond = second;
    FEntries.push_back(std::move(e));
    return true;
}

void TCvTrigger::Delete(int32_t Index) {
    if (Index < 0) throw vcl::EListError("List index out of bounds (" + std::to_string(Index) + ")");
    if (Index >= Count()) return;
    FEntries.erase(FEntries.begin() + Index);
}

void TCvTrigger::DeleteByDesc(const std::string& Desc) {
    std::erase_if(FEntries, [&](const std::unique_ptr<TEntry>& e) { return e->Object.Desc == Desc; });
}

const TCvTimeObject& TCvTrigger::Items(int32_t Index) const {
    if (Index < 0 || Index >= Count())
        throw vcl::EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FEntries[Index]->Object;
}

int32_t TCvTrigger::IndexOfId(uint64_t Id) const {
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i]->Id == Id) return static_cast<int32_t>(i);
    return -1;
}

void TCvTrigger::DoAlarm(int32_t Index, const std::string& Desc) {
    if (FOnAlarm) {
        TCvAlarmEvent handler = FOnAlarm;
        handler(this, Index, Desc);
    }
}

void TCvTrigger::DoDate() {
    if (FOnDateChange) {
        vcl::TNotifyEvent handler = FOnDateChange;
        handler(this);
    }
}

void TCvTrigger::DoTime() {
    if (FOnTimeChange) {
        vcl::TNotifyEvent handler = FOnTimeChange;
        handler(this);
    }
}

void TCvTrigger::Tick() {
    if (!FEnabled || IsDesigning()) return;
    const vcl::TDateTime now = vcl::Now();  // the one reading of this tick
    std::vector<std::string> current = CodePoints(vcl::TimeToStr(now));
    if (current.size() > kPatternLength) current.resize(kPatternLength);
    const std::string currentText = Join(current);
    if (currentText == FLastTimeText) return;
    FLastTimeText = currentText;
    int64_t nowSecond = 0;
    const bool haveSecond = SecondOf(now, nowSecond);
    const bool catchUp = haveSecond && FHaveLastSecond && nowSecond > FLastSecond;
    const int64_t lastSecond = FLastSecond;
    FHaveLastSecond = haveSecond;
    FLastSecond = nowSecond;

    // The entries of this tick, by identity: a handler may add or delete
    // entries; added ones wait for the next tick, deleted ones stay silent.
    std::vector<uint64_t> ids;
    ids.reserve(FEntries.size());
    for (const auto& e : FEntries) ids.push_back(e->Id);
    for (uint64_t id : ids) {
        const int32_t index = IndexOfId(id);
        if (index < 0) continue;
        const TEntry& e = *FEntries[index];
        bool due;
        if (e.Object.Exact) {
            due = haveSecond && (catchUp ? e.ExactSecond > lastSecond && e.ExactSecond <= nowSecond
                                         : e.ExactSecond == nowSecond);
        } else {
            std::vector<std::string> candidate = CodePoints(e.Object.TimePattern);
            for (size_t i = 0; i < candidate.size(); ++i)
                if (candidate[i] == "?" && i < current.size()) candidate[i] = current[i];
            due = candidate == current;
        }
        if (due) {
            const std::string desc = e.Object.Desc;  // the handler may delete the entry
            DoAlarm(index, desc);
        }
    }
    DoTime();
    const std::string dateText = vcl::DateToStr(now);
    if (dateText != FDateText) {
        FDateText = dateText;
        DoDate();
    }
}

}  // namespace corvane
