// CvPlacement.h - TCvPlacement: remembers where its owner form was on the
// screen and puts it back at the next start.
//
// The values live in the registry of the current user below the key
// RootKey, in the subkey Section (the owner's name unless set).  The main
// form keeps its whole window placement (normal rectangle, minimized and
// maximized positions, show state); other forms their position and, unless
// they have a dialog border, their size.  AutoRead restores the placement
// as soon as it is switched on (while the form is read from its file, before
// it shows); AutoWrite stores it when the form closes, before the form's
// own close handler runs.
//
//     auto* p = new corvane::TCvPlacement(form);
//     p->SetRootKey("Software\\MyCompany\\MyApp");
//     p->SetAutoRead(true);
//     p->SetAutoWrite(true);
#pragma once

#include <memory>
#include <string>

#include "Classes.h"
#include "Forms.h"

namespace corvane {

class TCvPlacement : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvPlacement)
public:
    explicit TCvPlacement(vcl::TComponent* AOwner);
    ~TCvPlacement() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    // The key below HKEY_CURRENT_USER; empty: nothing is read or written.
    const std::string& RootKey() const { return FRootKey; }
    void SetRootKey(const std::string& Value) { FRootKey = Value; }
    const std::string& Section() const { return FSection; }
    void SetSection(const std::string& Value) { FSection = Value; }
    bool AutoRead() const { return FAutoRead; }
    void SetAutoRead(bool Value);
    bool AutoWrite() const { return FAutoWrite; }
    void SetAutoWrite(bool Value);

    // Restores the stored placement.  Values that are missing keep the
    // form's current ones; a rectangle that would lie off the screen is
    // moved onto it.
    virtual void Read();
    // Stores the placement.  vcl::EAbort "Unable to retrieve window
    // placement" when the platform cannot give it.
    virtual void Write();
    // The close handler installed by AutoWrite: Write, then the close
    // handler the form had before.
    void OnWrite(vcl::TObject* Sender, vcl::TCloseAction& Action);

    struct TCloseLink;

private:
    vcl::TCustomForm* Form() const;

    uint8_t FAbout = 0;
    std::string FRootKey;
    std::string FSection;
    bool FAutoRead = false;
    bool FAutoWrite = false;
    // The close handler in the form while AutoWrite chains onto it; it
    // outlives the component when somebody chained onto it in turn.
    std::shared_ptr<TCloseLink> FCloseLink;
};

}  // namespace corvane
