#include "CvSimpleTrigger.h"

#include "DateTime.h"
#include "Exceptions.h"
#include "ExtCtrls.h"

namespace corvane {

VCL_PUBLISHED(TCvSimpleTrigger, vcl::TComponent) {
    B.Property("About", &TCvSimpleTrigger::About, &TCvSimpleTrigger::SetAbout);
    B.Property("Enabled", &TCvSimpleTrigger::Enabled, &TCvSimpleTrigger::SetEnabled).Default(0);
    B.Property("TriggerDate", &TCvSimpleTrigger::TriggerDate, &TCvSimpleTrigger::SetTriggerDate);
    B.Property("TriggerTime", &TCvSimpleTrigger::TriggerTime, &TCvSimpleTrigger::SetTriggerTime);
}

namespace {
TCvDesignMessageProc& DesignProc() {
    static TCvDesignMessageProc proc;
    return proc;
}
}  // namespace

void SetDesignMessageProc(TCvDesignMessageProc Proc) { DesignProc() = std::move(Proc); }
const TCvDesignMessageProc& DesignMessageProc() { return DesignProc(); }

TCvSimpleTrigger::TCvSimpleTrigger(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {
    FTimer = new vcl::TTimer(this);
    FTimer->SetOnTimer([this](vcl::TObject*) { Tick(); });
    FTimer->SetEnabled(false);
    FTimer->SetInterval(TimerInterval);
    // A new trigger holds the current date and second (one clock reading).
    const vcl::TDateTime now = vcl::Now();
    SetTriggerDate(vcl::DateToStr(now));
    SetTriggerTime(vcl::TimeToStr(now));
}

TCvSimpleTrigger::~TCvSimpleTrigger() {
    // The timer is owned by this component; free it first so that no tick
    // can reach a half-destroyed trigger.
    delete FTimer;
    FTimer = nullptr;
}

void TCvSimpleTrigger::GetChildren(const std::function<void(vcl::TComponent*)>&, vcl::TComponent*) {}

void TCvSimpleTrigger::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    FTimer->SetEnabled(Value);
    FFired = false;
}

std::string TCvSimpleTrigger::TriggerDate() const { return vcl::DateToStr(FMoment); }
std::string TCvSimpleTrigger::TriggerTime() const { return vcl::TimeToStr(FMoment); }

void TCvSimpleTrigger::ConversionFailed(const char* DesignText) {
    FMoment = FSavedMoment;
    if (IsDesigning() && DesignMessageProc()) {
        DesignMessageProc()(DesignText);
        return;
    }
    throw;  // re-raised to the caller (called only from a catch block)
}

void TCvSimpleTrigger::SetTriggerDate(const std::string& Value) {
    if (Value == TriggerDate()) return;
    FFired = false;
    FSavedMoment = FMoment;
    try {
        FMoment = vcl::ComposeDateTime(vcl::StrToDate(Value), vcl::StrToTime(TriggerTime()));
    } catch (const vcl::EConvertError&) {
        ConversionFailed("Ungültiges Datumsformat!!");
    }
}

void TCvSimpleTrigger::SetTriggerTime(const std::string& Value) {
    if (Value == TriggerTime()) return;
    FFired = false;
    FSavedMoment = FMoment;
    try {
        FMoment = vcl::ComposeDateTime(vcl::StrToDate(TriggerDate()), vcl::StrToTime(Value));
    } catch (const vcl::EConvertError&) {
        ConversionFailed("Ungültiges Uhrzeitformat!!");
    }
}

void TCvSimpleTrigger::Tick() {
    if (!FEnabled || IsDesigning() || FFired || !FOnSimpleTrigger) return;
    // One reading of the clock for both texts: two readings could straddle
    // midnight and match the old date with the new day's time.
    const vcl::TDateTime now = vcl::Now();
    if (vcl::DateToStr(now) != TriggerDate()) return;
    if (vcl::TimeToStr(now) != TriggerTime()) return;
    FFired = true;
    vcl::TNotifyEvent handler = FOnSimpleTrigger;  // the handler may replace itself
    handler(this);
}

}  // namespace corvane
