#include "CvPlacement.h"

#include <algorithm>

#include "Exceptions.h"
#include "Registry.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvPlacement, TComponent) {
    using C = TCvPlacement;
    B.Property("About", &C::About, &C::SetAbout);
    B.Property("RootKey", &C::RootKey, &C::SetRootKey);
    B.Property("Section", &C::Section, &C::SetSection);
    B.Property("AutoRead", &C::AutoRead, &C::SetAutoRead);
    B.Property("AutoWrite", &C::AutoWrite, &C::SetAutoWrite);
}

// The close handler AutoWrite puts into the form.  While its component
// lives it runs OnWrite; after, it only forwards to the handler it
// replaced (somebody may have chained onto it).
struct TCvPlacement::TCloseLink {
    TCvPlacement* Owner = nullptr;
    TCloseEvent Saved;
};

namespace {

struct TCloseHandler {
    std::shared_ptr<TCvPlacement::TCloseLink> Link;
    void operator()(TObject* Sender, TCloseAction& Action) const {
        // Keep the link while the handler runs: the form may get another
        // close handler from inside.
        std::shared_ptr<TCvPlacement::TCloseLink> link = Link;
        if (link->Owner)
            link->Owner->OnWrite(Sender, Action);
        else if (link->Saved)
            link->Saved(Sender, Action);
    }
};

bool IsOurs(const TCloseEvent& Handler, const std::shared_ptr<TCvPlacement::TCloseLink>& Link) {
    const TCloseHandler* h = Handler.target<TCloseHandler>();
    return h && Link && h->Link == Link;
}

// A rectangle that lies entirely off the screen is moved onto it (as far
// as it fits); one that shows at least partly stays as it is.
TRect OntoScreen(TRect R) {
    TRect area;
    if (!SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0))
        area = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const bool overlaps = R.Left < area.Right && R.Right > area.Left && R.Top < area.Bottom && R.Bottom > area.Top;
    if (overlaps) return R;
    const int32_t w = R.Width(), h = R.Height();
    const int32_t x = std::max(area.Left, std::min(R.Left, area.Right - w));
    const int32_t y = std::max(area.Top, std::min(R.Top, area.Bottom - h));
    return TRect{x, y, x + w, y + h};
}

}  // namespace

TCvPlacement::TCvPlacement(TComponent* AOwner) : TComponent(AOwner) {
    if (FSection.empty() && AOwner) FSection = AOwner->Name();
}

TCvPlacement::~TCvPlacement() {
    if (!FCloseLink) return;
    TCustomForm* form = Form();
    // Give the form its own handler back when ours is still the one in
    // place; otherwise ours stays in the chain as a plain forwarder.
    if (form && IsOurs(form->OnClose(), FCloseLink)) form->SetOnClose(FCloseLink->Saved);
    FCloseLink->Owner = nullptr;
}

TCustomForm* TCvPlacement::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

void TCvPlacement::SetAutoRead(bool Value) {
    if (Value == FAutoRead) return;
    FAutoRead = Value;
    if (Value && !IsDesigning()) Read();
}

void TCvPlacement::SetAutoWrite(bool Value) {
    if (Value == FAutoWrite) return;
    FAutoWrite = Value;
    if (!Value || IsDesigning()) return;
    TCustomForm* form = Form();
    if (!form) return;
    // Switched off and on again with our handler still in place: chaining
    // onto it would make it call itself.
    if (IsOurs(form->OnClose(), FCloseLink)) return;
    // An earlier handler of ours that is no longer the form's only forwards.
    if (FCloseLink) FCloseLink->Owner = nullptr;
    FCloseLink = std::make_shared<TCloseLink>();
    FCloseLink->Owner = this;
    FCloseLink->Saved = form->OnClose();
    form->SetOnClose(TCloseHandler{FCloseLink});
}

void TCvPlacement::OnWrite(TObject* Sender, TCloseAction& Action) {
    Write();
    // Copy: the handler may replace the form's handlers.
    TCloseEvent saved = FCloseLink ? FCloseLink->Saved : TCloseEvent();
    if (saved) saved(Sender, Action);
}

void TCvPlacement::Read() {
    if (FRootKey.empty()) return;
    TCustomForm* form = Form();
    if (!form) return;
    TCustomForm* mainForm = Application()->MainForm();
    const bool isMain = !mainForm || mainForm == form;
    const std::string section = FSection.empty() ? form->Name() : FSection;
    vcl::TRegIniFile ini(FRootKey);
    if (isMain) {
        WINDOWPLACEMENT wp;
        wp.length = sizeof(WINDOWPLACEMENT);
        wp.flags = UINT(ini.ReadInteger(section, "PlaceFlags", 0));
        wp.showCmd = UINT(ini.ReadInteger(section, "PlaceShowCmd", 1));
        wp.ptMinPosition.X = ini.ReadInteger(section, "PlaceMinPosX", 0);
        wp.ptMinPosition.Y = ini.ReadInteger(section, "PlaceMinPosY", 0);
        wp.ptMaxPosition.X = ini.ReadInteger(section, "PlaceMaxPosX", 0);
        wp.ptMaxPosition.Y = ini.ReadInteger(section, "PlaceMaxPosY", 0);
        TRect& r = wp.rcNormalPosition;
        r.Left = ini.ReadInteger(section, "PlaceNormPosL", 0);
        r.Top = ini.ReadInteger(section, "PlaceNormPosT", 0);
        r.Right = ini.ReadInteger(section, "PlaceNormPosR", 0);
        r.Bottom = ini.ReadInteger(section, "PlaceNormPosB", 0);
        // Nothing stored yet (or no width): the form stays where it is.
        if (r.Right <= r.Left) return;
        // A missing or empty height keeps the form's own.
        if (r.Bottom <= r.Top) r.Bottom = r.Top + form->Height();
        r = OntoScreen(r);
        SetWindowPlacement(form->Handle(), &wp);
        return;
    }
    if (!ini.KeyExists(section)) return;
    int32_t left = ini.ReadInteger(section, "PlaceNormPosL", form->Left());
    int32_t top = ini.ReadInteger(section, "PlaceNormPosT", form->Top());
    int32_t width = form->Width(), height = form->Height();
    if (form->BorderStyle() != bsDialog) {
        width = ini.ReadInteger(section, "PlaceNormPosR", width);
        height = ini.ReadInteger(section, "PlaceNormPosB", height);
        if (width <= 0) width = form->Width();
        if (height <= 0) height = form->Height();
    }
    if (!form->Parent() && form->FormStyle() != fsMDIChild) {
        const TRect r = OntoScreen(TRect{left, top, left + width, top + height});
        left = r.Left;
        top = r.Top;
    }
    form->SetBounds(left, top, width, height);
}

void TCvPlacement::Write() {
    if (FRootKey.empty()) return;
    TCustomForm* form = Form();
    if (!form) return;
    WINDOWPLACEMENT wp;
    wp.length = sizeof(WINDOWPLACEMENT);
    if (!GetWindowPlacement(form->Handle(), &wp)) throw EAbort("Unable to retrieve window placement");
    const std::string section = FSection.empty() ? form->Name() : FSection;
    vcl::TRegIniFile ini(FRootKey);
    if (Application()->MainForm() == form) {
        ini.WriteInteger(section, "PlaceFlags", int32_t(wp.flags));
        ini.WriteInteger(section, "PlaceShowCmd", int32_t(wp.showCmd));
        ini.WriteInteger(section, "PlaceMinPosX", wp.ptMinPosition.X);
        ini.WriteInteger(section, "PlaceMinPosY", wp.ptMinPosition.Y);
        ini.WriteInteger(section, "PlaceMaxPosX", wp.ptMaxPosition.X);
        ini.WriteInteger(section, "PlaceMaxPosY", wp.ptMaxPosition.Y);
        ini.WriteInteger(section, "PlaceNormPosL", wp.rcNormalPosition.Left);
        ini.WriteInteger(section, "PlaceNormPosT", wp.rcNormalPosition.Top);
        ini.WriteInteger(section, "PlaceNormPosR", wp.rcNormalPosition.Right);
        ini.WriteInteger(section, "PlaceNormPosB", wp.rcNormalPosition.Bottom);
        return;
    }
    ini.WriteInteger(section, "PlaceNormPosL", form->Left());
    ini.WriteInteger(section, "PlaceNormPosT", form->Top());
    if (form->BorderStyle() != bsDialog) {
        ini.WriteInteger(section, "PlaceNormPosR", form->Width());
        ini.WriteInteger(section, "PlaceNormPosB", form->Height());
    }
}

}  // namespace corvane
