// CvSimpleTrigger.h - TCvSimpleTrigger: fires OnSimpleTrigger once when the
// clock shows a chosen date and second.
//
//     auto* t = new TCvSimpleTrigger(Form);
//     t->SetTriggerDate("24.12.2026");     // platform short date text
//     t->SetTriggerTime("18:00:00");       // platform long time text
//     t->SetOnSimpleTrigger([](vcl::TObject*) { ... });
//     t->SetEnabled(true);
//
// An owned window-message timer polls the clock every 750 ms, so each second
// of the clock sees at least one tick.  Date and time are compared as the
// platform's date and time texts of one clock reading.  Once fired, the
// trigger stays silent until Enabled, TriggerDate or TriggerTime changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Classes.h"

namespace vcl {
class TTimer;
}

namespace corvane {

// Shows a message in the form designer.  The design-time package installs
// it; while none is installed, a bad value typed in the designer raises the
// conversion error as at run time, so the message is never lost.
using TCvDesignMessageProc = std::function<void(const std::string& Text)>;
void SetDesignMessageProc(TCvDesignMessageProc Proc);
const TCvDesignMessageProc& DesignMessageProc();

class TCvSimpleTrigger : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvSimpleTrigger)
public:
    static constexpr uint32_t TimerInterval = 750;

    explicit TCvSimpleTrigger(vcl::TComponent* AOwner);
    ~TCvSimpleTrigger() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    // The trigger moment's date text (DateToStr) and time text (TimeToStr).
    // A text the platform cannot read leaves the moment as it was and raises
    // vcl::EConvertError (in the designer: shows "Ungültiges Datumsformat!!"
    // or "Ungültiges Uhrzeitformat!!" through the design message procedure).
    std::string TriggerDate() const;
    void SetTriggerDate(const std::string& Value);
    std::string TriggerTime() const;
    void SetTriggerTime(const std::string& Value);
    // The trigger moment itself (whole seconds as read from the texts).
    vcl::TDateTime TriggerMoment() const { return FMoment; }

    const vcl::TNotifyEvent& OnSimpleTrigger() const { return FOnSimpleTrigger; }
    void SetOnSimpleTrigger(vcl::TNotifyEvent Handler) { FOnSimpleTrigger = std::move(Handler); }

    // True once the trigger has fired and until it is re-armed.
    bool Fired() const { return FFired; }

    // One poll of the clock; the owned timer calls it every 750 ms while
    // Enabled.  Does nothing while disabled or in the designer.
    void Tick();

    // The owned timer (an internal part, not streamed).
    vcl::TTimer* Timer() const { return FTimer; }

    // The timer is an internal part: nothing is written for it.
    void GetChildren(const std::function<void(vcl::TComponent*)>& Proc, vcl::TComponent* Root) override;

private:
    void ConversionFailed(const char* DesignText);

    uint8_t FAbout = 0;
    bool FEnabled = false;
    bool FFired = false;
    vcl::TDateTime FMoment = 0;
    vcl::TDateTime FSavedMoment = 0;
    vcl::TTimer* FTimer = nullptr;
    vcl::TNotifyEvent FOnSimpleTrigger;
};

}  // namespace corvane
