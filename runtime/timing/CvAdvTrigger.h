// CvAdvTrigger.h - TCvAdvancedTrigger: recurring alarms given by a date
// pattern "dd.mm.yyyy" and a time pattern "hh:mm:ss" with '?' wildcards,
// plus exact one-shot alarms.  Each entry carries its next due time; after
// an alarm it advances by one step chosen from the lowest wildcard position
// (seconds, ten seconds, minutes, ten minutes, hours, ten hours, days, ten
// days, months, years).  Alarms the ticks were late for are still delivered,
// one per entry and tick, with old = true.
//
//     t->Add("??.??.20??", "08:00:00", Now(), "daily", "", 0, 0, 0);
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

using TCvAdvAlarmEvent = std::function<void(
    vcl::TObject* Sender, int32_t Index, const std::string& Desc, const std::string& ExtText,
    uint16_t lParam, uint16_t hParam, uint16_t xParam, vcl::TDateTime ExactTime,
    vcl::TDateTime EventTime, bool old)>;

// One entry of TCvAdvancedTrigger.
struct TCvAdvTimeObject {
    bool Exact = false;
    vcl::TDateTime Due = 0;  // the next moment at which the entry fires
    bool Fired = false;
    std::string TimePattern;  // "hh:mm:ss", digits or '?'; empty when Exact
    std::string DatePattern;  // "dd.mm.yyyy", digits or '?'; empty when Exact
    std::string Desc;
    std::string ExtText;
    uint16_t lParam = 0, hParam = 0, xParam = 0;
    // A recurring entry whose patterns cannot give a later due time fires
    // once more and then stays silent, like an exact entry.
    bool OneShot = false;
};

class TCvAdvancedTrigger : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvAdvancedTrigger)
public:
    explicit TCvAdvancedTrigger(vcl::TComponent* AOwner);
    ~TCvAdvancedTrigger() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t Value);

    const vcl::TNotifyEvent& OnDateChange() const { return FOnDateChange; }
    void SetOnDateChange(vcl::TNotifyEvent Handler) { FOnDateChange = std::move(Handler); }
    const vcl::TNotifyEvent& OnTimeChange() const { return FOnTimeChange; }
    void SetOnTimeChange(vcl::TNotifyEvent Handler) { FOnTimeChange = std::move(Handler); }
    const TCvAdvAlarmEvent& OnAlarm() const { return FOnAlarm; }
    void SetOnAlarm(TCvAdvAlarmEvent Handler) { FOnAlarm = std::move(Handler); }

    // Adds a recurring entry.  False for patterns of the wrong length, with
    // a character other than a digit or '?' at a digit position, whose test
    // date (every '?' read as '1') lies before 1900, whose test time is no
    // time, or for which no due time exists; a date pattern whose test date
    // is no date raises vcl::EConvertError.  Start 0 stands for 01.01.1900.
    // The first due time applies the patterns to Start.
    bool Add(const std::string& DatePattern, const std::string& TimePattern, vcl::TDateTime Start,
             const std::string& Desc, const std::string& ExtText, uint16_t lParam, uint16_t hParam,
             uint16_t xParam);
    // Adds an entry that fires once, at ExactTime (late when that is past).
    bool AddExact(vcl::TDateTime ExactTime, const std::string& Desc, const std::string& ExtText,
                  uint16_t lParam, uint16_t hParam, uint16_t xParam);
    // Advances the entry's due time by one step and applies its patterns.
    // A result that would not lie after the old due time, or no valid date
    // at all, turns the entry into a one-shot.  Index out of range:
    // vcl::EListError.
    void Next(int32_t Index);
    void Delete(int32_t Index);
    void DeleteByDesc(const std::string& Desc);

    int32_t Count() const { return static_cast<int32_t>(FEntries.size()); }
    const TCvAdvTimeObject& Items(int32_t Index) const;

    void DoAlarm(int32_t Index, bool Old, vcl::TDateTime EventTime);
    void DoDate();
    void DoTime();

    void Tick();

    vcl::TTimer* Timer() const { return FTimer; }
    void GetChildren(const std::function<void(vcl::TComponent*)>& Proc, vcl::TComponent* Root) override;

private:
    struct TEntry;
    int32_t IndexOfId(uint64_t Id) const;
    TEntry& EntryAt(int32_t Index) const;
    bool Compute(TEntry& E);

    uint8_t FAbout = 0;
    bool FEnabled = false;
    uint32_t FInterval = 1000;
    vcl::TTimer* FTimer = nullptr;
    std::vector<std::unique_ptr<TEntry>> FEntries;
    uint64_t FNextId = 1;
    std::string FDateText;
    vcl::TNotifyEvent FOnDateChange;
    vcl::TNotifyEvent FOnTimeChange;
    TCvAdvAlarmEvent FOnAlarm;
};

}  // namespace corvane
