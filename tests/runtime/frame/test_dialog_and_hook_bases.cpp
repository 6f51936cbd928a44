// The dialog-component base with its inspector row, and the window-hook
// base: chaining, unwinding in and out of order, MDI client hooks.
#include <gtest/gtest.h>

#include "CorvaneReg.h"
#include "CvDialogs.h"
#include "CvWndProcComponents.h"
#include "DesignerHost.h"
#include "Filer.h"
#include "Forms.h"

using namespace vcl;
using namespace corvane;

namespace {

class TCvProbeDialog : public TCvDialogComponent {
    VCL_DECLARE_CLASS(TCvProbeDialog)
public:
    explicit TCvProbeDialog(TComponent* Owner) : TCvDialogComponent(Owner) {}
    int Runs = 0;
    bool Execute() override {
        ++Runs;
        return true;
    }
};
VCL_IMPLEMENT_CLASS(TCvProbeDialog, TCvDialogComponent)

constexpr UINT kProbeMsg = WM_USER + 77;
constexpr UINT kSwallowMsg = WM_USER + 78;

// A hook that records what it sees, swallows one message and lets the rest
// through.
class TProbeHook : public TCvWndProcComponent {
public:
    TProbeHook(TComponent* Owner, std::vector<std::string>* Log, std::string Tag, bool Client = false)
        : TCvWndProcComponent(Owner), FLog(Log), FTag(std::move(Tag)) {
        SetUseClientWindow(Client);
    }
    void Hook() { SetNewWndProc(); }
    void Unhook() { RestoreWndProc(); }

protected:
    void WndProc(TMessage& M) override {
        if (M.Msg == kProbeMsg || M.Msg == kSwallowMsg) FLog->push_back(FTag);
        if (M.Msg == kSwallowMsg && FTag == "swallow") {
            M.Result = 99;
            return;
        }
        TCvWndProcComponent::WndProc(M);
    }

private:
    std::vector<std::string>* FLog;
    std::string FTag;
};

// The form answers the probe message itself, last in the chain.
class TProbeForm : public TForm {
public:
    explicit TProbeForm(TComponent* Owner) : TForm(Owner) {}
    std::vector<std::string>* Log = nullptr;
    void WndProc(TMessage& M) override {
        if (M.Msg == kProbeMsg) {
            if (Log) Log->push_back("form");
            M.Result = 42;
            return;
        }
        TForm::WndProc(M);
    }
};

LONG_PTR ProcOf(HWND W) { return GetWindowLong(W, GWL_WNDPROC); }

}  // namespace

TEST(DialogBase, InspectorRowShowsClassAndRunsTheDialog) {
    CorvaneReg::Register();
    auto* form = new TForm(nullptr);
    auto* dialog = new TCvProbeDialog(form);
    dialog->SetName("ProbeDialog1");
    {
        TDesignerHost host(form);
        host.Select({dialog});
        EXPECT_EQ(host.RowValue("DesignShow"), "[ TCvProbeDialog ]");
        auto editor = host.RowEditor("DesignShow");
        ASSERT_NE(dynamic_cast<TCvDialogShowProperty*>(editor.get()), nullptr);
        EXPECT_EQ(editor->GetAttributes(), (TPropertyAttributes{paDialog, paMultiSelect, paReadOnly}));
        host.EditRow("DesignShow");
        EXPECT_EQ(dialog->Runs, 1);
        EXPECT_FALSE(dialog->DesignShow());  // nothing writes the flag
    }
    // DesignShow is written as a plain Boolean and read back.
    dialog->SetDesignShow(true);
    EXPECT_NE(ComponentToString(dialog).find("DesignShow = True"), std::string::npos);
    delete form;
}

struct HookFixture : ::testing::Test {
    TProbeForm* Form = nullptr;
    std::vector<std::string> Log;
    void SetUp() override {
        Form = new TProbeForm(nullptr);
        Form->Log = &Log;
        Form->HandleNeeded();
    }
    void TearDown() override { delete Form; }
    LRESULT Probe() { return SendMessage(Form->Handle(), kProbeMsg, 0, 0); }
};

TEST_F(HookFixture, ConstructionDoesNotHookAndHooksChainNewestFirst) {
    LONG_PTR original = ProcOf(Form->Handle());
    auto* a = new TProbeHook(Form, &Log, "a");
    EXPECT_FALSE(a->Hooked());
    EXPECT_EQ(ProcOf(Form->Handle()), original);
    EXPECT_EQ(a->OwnerForm(), Form);
    a->Hook();
    auto* b = new TProbeHook(Form, &Log, "b");
    b->Hook();
    EXPECT_TRUE(a->Hooked());
    EXPECT_EQ(a->HookedWindow(), Form->Handle());
    EXPECT_EQ(b->OldWndProc(), a->NewWndProc());
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(Log, (std::vector<std::string>{"b", "a", "form"}));
    // Reverse order: exactly the procedure the form had.
    delete b;
    delete a;
    EXPECT_EQ(ProcOf(Form->Handle()), original);
}

TEST_F(HookFixture, ConsumedMessageStopsAtTheHook) {
    auto* s = new TProbeHook(Form, &Log, "swallow");
    s->Hook();
    EXPECT_EQ(SendMessage(Form->Handle(), kSwallowMsg, 0, 0), 99);
    EXPECT_EQ(Log, (std::vector<std::string>{"swallow"}));
}

TEST_F(HookFixture, RemovingAHookOutOfOrderKeepsTheLaterOnesWorking) {
    LONG_PTR original = ProcOf(Form->Handle());
    auto* a = new TProbeHook(Form, &Log, "a");
    auto* b = new TProbeHook(Form, &Log, "b");
    auto* c = new TProbeHook(Form, &Log, "c");
    a->Hook();
    b->Hook();
    c->Hook();
    b->Unhook();  // from the middle
    EXPECT_FALSE(b->Hooked());
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(Log, (std::vector<std::string>{"c", "a", "form"}));
    delete a;  // the first one, while c stays
    Log.clear();
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(Log, (std::vector<std::string>{"c", "form"}));
    // b hooks again on top; everything unwinds to the original.
    b->Hook();
    Log.clear();
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(Log, (std::vector<std::string>{"b", "c", "form"}));
    delete c;
    delete b;
    EXPECT_EQ(ProcOf(Form->Handle()), original);
}

TEST_F(HookFixture, HookingTwiceDoesNotMakeAProcedureItsOwnPredecessor) {
    auto* a = new TProbeHook(Form, &Log, "a");
    a->Hook();
    a->Hook();
    EXPECT_NE(a->OldWndProc(), a->NewWndProc());
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(Log, (std::vector<std::string>{"a", "form"}));
}

TEST_F(HookFixture, UnknownSubclassAfterAHookSurvivesTheHooksRemoval) {
    auto* a = new TProbeHook(Form, &Log, "a");
    a->Hook();
    // Somebody else subclasses the window after the hook, with a procedure
    // of its own that forwards to what was there.
    static WNDPROC previous = nullptr;
    static int seen = 0;
    seen = 0;
    WNDPROC foreign = [](HWND W, UINT M, WPARAM WP, LPARAM LP) -> LRESULT {
        if (M == kProbeMsg) ++seen;
        return CallWindowProc(previous, W, M, WP, LP);
    };
    previous = LongToWndProc(SetWindowLong(Form->Handle(), GWL_WNDPROC, WndProcToLong(foreign)));
    delete a;  // cannot unlink itself: stays as a forwarder
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(Log, (std::vector<std::string>{"form"}));
    SetWindowLong(Form->Handle(), GWL_WNDPROC, WndProcToLong(previous));
}

TEST(HookBase, ClientWindowHookGoesOnTheMdiClientAndRestoresItsProcedure) {
    auto* frame = new TForm(nullptr);
    frame->SetFormStyle(fsMDIForm);
    frame->HandleNeeded();
    ASSERT_NE(frame->ClientHandle(), nullptr);
    LONG_PTR formProc = ProcOf(frame->Handle()), clientProc = ProcOf(frame->ClientHandle());
    std::vector<std::string> log;
    auto* hook = new TProbeHook(frame, &log, "client", true);
    hook->Hook();
    EXPECT_EQ(hook->HookedWindow(), frame->ClientHandle());
    EXPECT_EQ(ProcOf(frame->Handle()), formProc);
    SendMessage(frame->ClientHandle(), kProbeMsg, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"client"}));
    delete hook;
    EXPECT_EQ(ProcOf(frame->ClientHandle()), clientProc);
    EXPECT_EQ(ProcOf(frame->Handle()), formProc);
    // A form that is no MDI frame has no client window to hook.
    auto* plain = new TForm(nullptr);
    auto* none = new TProbeHook(plain, &log, "none", true);
    none->Hook();
    EXPECT_FALSE(none->Hooked());
    delete plain;
    delete frame;
}

TEST(HookBase, FreeingTheFormUnwindsItsHooksOnALivingWindow) {
    auto* form = new TProbeForm(nullptr);
    std::vector<std::string> log;
    form->Log = &log;
    form->HandleNeeded();
    for (const char* tag : {"a", "b", "c"}) (new TProbeHook(form, &log, tag))->Hook();
    HWND wnd = form->Handle();
    delete form;  // the last created hook is removed first, then the window goes
    EXPECT_FALSE(IsWindow(wnd));
    // A hook whose owner is no form never hooks.
    TComponent owner(nullptr);
    auto* orphan = new TProbeHook(&owner, &log, "o");
    orphan->Hook();
    EXPECT_FALSE(orphan->Hooked());
}
