// CvWndProcComponents.h - the base of the non-visual components that extend
// the form they are dropped on by putting their own window procedure in
// front of the form's.
#pragma once

#include <memory>

#include "Classes.h"
#include "Messages.h"
#include "Windows.h"

namespace vcl {
class TCustomForm;
}

namespace corvane {

// A component that hooks the window procedure of its owner form (or of the
// form's MDI client window when UseClientWindow is set).  Its WndProc sees
// every message first and passes on what it does not consume.
//
// Several hooks on one window chain.  They normally unwind in the reverse
// order of hooking (the form frees its components the last created first);
// a hook removed out of that order unlinks itself from the middle of the
// chain, so the hooks after it keep working and nothing calls a freed
// procedure.
class TCvWndProcComponent : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvWndProcComponent)
public:
    explicit TCvWndProcComponent(vcl::TComponent* AOwner);
    ~TCvWndProcComponent() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    bool Hooked() const { return FHooked; }
    vcl::HWND HookedWindow() const { return FHookedWindow; }
    // The procedure that was installed before this component's.
    vcl::WNDPROC OldWndProc() const;
    // This component's procedure (made at construction).
    vcl::WNDPROC NewWndProc() const;
    vcl::TCustomForm* OwnerForm() const { return FOwnerForm; }

protected:
    // Passes the message on to the previous procedure and keeps its result.
    virtual void WndProc(vcl::TMessage& Message);
    // Installs NewWndProc on the owner form's window (its MDI client window
    // with UseClientWindow), creating the window when needed.  Hooking again
    // while hooked changes nothing; a form without the window asked for
    // (no MDI client) is not hooked.
    void SetNewWndProc();
    // Puts the previous procedure back; clears Hooked in every case.
    void RestoreWndProc();
    bool UseClientWindow() const { return FUseClientWindow; }
    void SetUseClientWindow(bool Value) { FUseClientWindow = Value; }

public:
    struct TLink;

private:
    static std::shared_ptr<TLink> MakeLink(TCvWndProcComponent* Owner);

    uint8_t FAbout = 0;
    bool FHooked = false;
    vcl::HWND FHookedWindow = nullptr;
    bool FUseClientWindow = false;
    vcl::TCustomForm* FOwnerForm = nullptr;
    std::shared_ptr<TLink> FLink;
};

}  // namespace corvane
