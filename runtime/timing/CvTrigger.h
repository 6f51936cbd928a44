// CvTrigger.h - TCvTrigger: a list of alarms, each a time-of-day pattern
// with '?' wildcards or an exact date and time, checked by an owned timer.
//
//     auto* t = new TCvTrigger(Form);
//     t->Add("??:??:00", "every minute");
//     t->Add("12:00:00", "noon");
//     t->SetOnAlarm([](vcl::TObject*, int32_t Index, const std::string& Desc) { ... });
//     t->SetEnabled(true);
//
// Patterns are written in the platform's long time format ("hh:mm:ss" with
// German settings); each '?' matches any character at its position of the
// current time text.  OnTimeChange fires once for each new second a tick
// sees, OnDateChange on the first tick of a new day.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"

namespace vcl {
class TTimer;
}

namespace corvane {

using TCvAlarmEvent = std::function<void(vcl::TObject* Sender, int32_t Index, const std::string& Desc)>;

// One alarm entry of TCvTrigger.
struct TCvTimeObject {
    bool Exact = false;
    vcl::TDateTime ExactTime = 0;  // when Exact
    std::string TimePattern;       // when not Exact: at most 8 characters
    std::string Desc;
};

class TCvTrigger : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvTrigger)
public:
    explicit TCvTrigger(vcl::TComponent* AOwner);
    ~TCvTrigger() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds between two polls (1000 when constructed; 0 stops the timer).
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t Value);

    const vcl::TNotifyEvent& OnDateChange() const { return FOnDateChange; }
    void SetOnDateChange(vcl::TNotifyEvent Handler) { FOnDateChange = std::move(Handler); }
    const vcl::TNotifyEvent& OnTimeChange() const { return FOnTimeChange; }
    void SetOnTimeChange(vcl::TNotifyEvent Handler) { FOnTimeChange = std::move(Handler); }
    const TCvAlarmEvent& OnAlarm() const { return FOnAlarm; }
    void SetOnAlarm(TCvAlarmEvent Handler) { FOnAlarm = std::move(Handler); }

    // Adds a pattern entry: the first 8 characters of Pattern, '?' standing
    // for any character.  False (nothing added) when the pattern with every
    // '?' read as '1' is no time.
    bool Add(const std::string& Pattern, const std::string& Desc);
    // Adds an entry that fires once, on the first tick that sees the second
    // of ExactTime (or a later one, when the ticks skipped that second).
    // False for a value that is no date and time.
    bool AddExact(vcl::TDateTime ExactTime, const std::string& Desc);
    // Removes the entry at Index; an index at or above Count does nothing,
    // a negative one raises vcl::EListError.
    void Delete(int32_t Index);
    // Removes every entry whose description is Desc (case-sensitive).
    void DeleteByDesc(const std::string& Desc);

    int32_t Count() const { return static_cast<int32_t>(FEntries.size()); }
    // The entry at Index (0 <= Index < Count, else vcl::EListError).
    const TCvTimeObject& Items(int32_t Index) const;

    void DoAlarm(int32_t Index, const std::string& Desc);
    void DoDate();
    void DoTime();

    // One poll of the clock; the owned timer calls it every Interval ms while
    // Enabled.  Does nothing while disabled or in the designer.
    void Tick();

    vcl::TTimer* Timer() const { return FTimer; }
    void GetChildren(const std::function<void(vcl::TComponent*)>& Proc, vcl::TComponent* Root) override;

private:
    struct TEntry;
    int32_t IndexOfId(uint64_t Id) const;

    uint8_t FAbout = 0;
    bool FEnabled = false;
    uint32_t FInterval = 1000;
    vcl::TTimer* FTimer = nullptr;
    std::vector<std::unique_ptr<TEntry>> FEntries;
    uint64_t FNextId = 1;
    std::string FDateText;      // date text of the last day seen
    std::string FLastTimeText;  // time text of the last second seen
    bool FHaveLastSecond = false;
    int64_t FLastSecond = 0;    // that second, counted from day 0
    vcl::TNotifyEvent FOnDateChange;
    vcl::TNotifyEvent FOnTimeChange;
    TCvAlarmEvent FOnAlarm;
};

}  // namespace corvane
