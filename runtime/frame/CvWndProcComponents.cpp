#include "CvWndProcComponents.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "ExceptionHook.h"
#include "Forms.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvWndProcComponent, TComponent) {
    B.Property("About", &TCvWndProcComponent::About, &TCvWndProcComponent::SetAbout);
}

// One hook in a window's chain.  The procedure (Thunk) belongs to the link,
// not to the component: when a hook cannot be taken out of the chain (a
// procedure it does not know was installed after it), the link stays and
// forwards to its predecessor after its component is gone.
struct TCvWndProcComponent::TLink {
    TCvWndProcComponent* Owner = nullptr;
    HWND Wnd = nullptr;
    WNDPROC Old = nullptr;
    WNDPROC Thunk = nullptr;
    bool Installed = false;
    ~TLink() {
        if (Thunk) FreeObjectInstance(Thunk);
    }
};

namespace {

using TLink = TCvWndProcComponent::TLink;

// The installed links of every hooked window, and the links that had to
// stay in a chain after their component went.
std::vector<std::shared_ptr<TLink>>& InstalledLinks() {
    static std::vector<std::shared_ptr<TLink>> links;
    return links;
}

void Forget(const std::shared_ptr<TLink>& Link) {
    auto& links = InstalledLinks();
    links.erase(std::remove(links.begin(), links.end(), Link), links.end());
}

// Forwarders left behind on windows that are gone are dropped.
void PruneDeadLinks() {
    auto& links = InstalledLinks();
    links.erase(std::remove_if(links.begin(), links.end(),
                               [](const std::shared_ptr<TLink>& l) { return !l->Owner && !IsWindow(l->Wnd); }),
                links.end());
}

}  // namespace

// A link with its procedure: the most-derived WndProc of Owner while it has
// one, a plain forward to the predecessor after.
std::shared_ptr<TCvWndProcComponent::TLink> TCvWndProcComponent::MakeLink(TCvWndProcComponent* Owner) {
    auto link = std::make_shared<TLink>();
    link->Owner = Owner;
    std::weak_ptr<TLink> weak = link;
    link->Thunk = MakeObjectInstance([weak](TMessage& Message) {
        std::shared_ptr<TLink> l = weak.lock();
        if (!l) return;
        if (l->Owner) {
            try {
                l->Owner->WndProc(Message);
            } catch (...) {
                HandleApplicationException(l->Owner);
            }
        } else {
            Message.Result = CallWindowProc(l->Old, l->Wnd, Message.Msg, Message.WParam, Message.LParam);
        }
    });
    return link;
}

TCvWndProcComponent::TCvWndProcComponent(TComponent* AOwner)
    : TComponent(AOwner), FOwnerForm(dynamic_cast<TCustomForm*>(AOwner)), FLink(MakeLink(this)) {}

TCvWndProcComponent::~TCvWndProcComponent() {
    RestoreWndProc();
    FLink->Owner = nullptr;
    // A link still in a chain is kept alive by the installed list.
}

WNDPROC TCvWndProcComponent::OldWndProc() const { return FLink->Old; }
WNDPROC TCvWndProcComponent::NewWndProc() const { return FLink->Thunk; }

void TCvWndProcComponent::WndProc(TMessage& Message) {
    Message.Result = CallWindowProc(FLink->Old, FHookedWindow, Message.Msg, Message.WParam, Message.LParam);
}

void TCvWndProcComponent::SetNewWndProc() {
    if (!FOwnerForm) return;
    HWND target = nullptr;
    if (FUseClientWindow) {
        FOwnerForm->HandleNeeded();
        target = FOwnerForm->ClientHandle();
    } else {
        target = FOwnerForm->Handle();
    }
    if (!target || !IsWindow(target)) return;
    if (FHooked) {
        // Installing the procedure a second time would make it its own
        // predecessor.
        if (target == FHookedWindow) return;
        RestoreWndProc();
    }
    PruneDeadLinks();
    FHookedWindow = target;
    FLink->Wnd = target;
    FLink->Old = LongToWndProc(SetWindowLong(target, GWL_WNDPROC, WndProcToLong(FLink->Thunk)));
    FLink->Installed = true;
    InstalledLinks().push_back(FLink);
    FHooked = true;
}

void TCvWndProcComponent::RestoreWndProc() {
    if (!FHooked) return;
    FHooked = false;
    if (!FOwnerForm || !FLink->Installed) return;
    HWND wnd = FHookedWindow;
    std::shared_ptr<TLink> link = FLink;
    if (!IsWindow(wnd)) {
        link->Installed = false;
        Forget(link);
        return;
    }
    if (LongToWndProc(GetWindowLong(wnd, GWL_WNDPROC)) == link->Thunk) {
        // The normal case: this hook is the last one installed.
        SetWindowLong(wnd, GWL_WNDPROC, WndProcToLong(link->Old));
        link->Installed = false;
        Forget(link);
        return;
    }
    // Hooked after: the hook whose predecessor is this one takes this one's
    // predecessor, and the chain closes over the gap.
    for (const auto& other : InstalledLinks())
        if (other != link && other->Wnd == wnd && other->Installed && other->Old == link->Thunk) {
            other->Old = link->Old;
            link->Installed = false;
            Forget(link);
            return;
        }
    // Somebody unknown hooked after this one: the link stays in the chain
    // as a plain forwarder to its predecessor, so that nobody calls a freed
    // procedure.  The component takes a fresh link for any later hook.
    link->Owner = nullptr;
    FLink = MakeLink(this);
}

}  // namespace corvane
