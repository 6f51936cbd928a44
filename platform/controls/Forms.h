// Forms.h - forms, the application and the screen.
//
// A form is a top-level windowed control with a caption and a border.  The
// application runs the message loop of the main thread, owns the forms it
// creates, handles the exceptions nobody caught and shows message boxes.
// The screen knows the forms, the active form and control, the cursors and
// the size of the desktop.
//
// Headless runs (tests, the showcase) have nobody to click: a program
// installs a modal script, which runs when a form is shown modally and may
// set its controls and close it with a result, and a message-box script,
// which answers message boxes.  Every text the application shows is
// recorded (ShownTexts).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "ExceptionHook.h"
#include "Graphics.h"

namespace vcl {

class TCustomForm;
class TApplication;
class TScreen;

VCL_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = Set<TBorderIcon>;
VCL_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
VCL_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
         poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
VCL_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
VCL_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
VCL_ENUM(TFormStateFlag, fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated)
using TFormState = Set<TFormStateFlag>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
    VCL_DECLARE_CLASS(TCustomForm)
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // The border.
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TIcon* Icon() const { return FIcon.get(); }
    void SetIcon(const TIcon* Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    TFormState FormState() const { return FFormState; }
    TCanvas* Canvas() const { return FCanvas.get(); }

    // Showing and closing.
    void Show();
    void Hide();
    // Closes as the close box does: asks CloseQuery, runs OnClose and does
    // what its action says; a modal form gets mrCancel instead.
    void Close();
    virtual bool CloseQuery();
    // Shows the form modally: the other forms are disabled and a nested
    // message loop runs until ModalResult is set (or Close is called).
    TModalResult ShowModal();
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    // Frees the form once the messages already queued are handled.
    void Release();

    // Focus.
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    // Makes Control the active control and gives its window the focus.
    void FocusControl(TWinControl* Control);
    // The focus went to Control's window: OnExit and OnEnter follow.
    void FocusChanged(TWinControl* Control);
    // A windowed control left the form.
    void ControlRemoved(TWinControl* Control);
    bool Active() const { return FActive; }
    bool SetFocusedControl(TWinControl* Control);

    // MDI.
    HWND ClientHandle() const { return FClientHandle; }
    int MDIChildCount() const;
    TCustomForm* MDIChildren(int Index) const;
    TCustomForm* ActiveMDIChild() const;

    TRect ClientRect() const override;
    void WndProc(TMessage& Message) override;
    void SetParent(TWinControl* AParent) override;

    const TNotifyEvent& OnCreate() const { return FOnCreate; }
    void SetOnCreate(TNotifyEvent H) { FOnCreate = std::move(H); }
    const TNotifyEvent& OnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(TNotifyEvent H) { FOnDestroy = std::move(H); }
    const TNotifyEvent& OnShow() const { return FOnShow; }
    void SetOnShow(TNotifyEvent H) { FOnShow = std::move(H); }
    const TNotifyEvent& OnHide() const { return FOnHide; }
    void SetOnHide(TNotifyEvent H) { FOnHide = std::move(H); }
    const TCloseEvent& OnClose() const { return FOnClose; }
    void SetOnClose(TCloseEvent H) { FOnClose = std::move(H); }
    const TCloseQueryEvent& OnCloseQuery() const { return FOnCloseQuery; }
    void SetOnCloseQuery(TCloseQueryEvent H) { FOnCloseQuery = std::move(H); }
    const TNotifyEvent& OnActivate() const { return FOnActivate; }
    void SetOnActivate(TNotifyEvent H) { FOnActivate = std::move(H); }
    const TNotifyEvent& OnDeactivate() const { return FOnDeactivate; }
    void SetOnDeactivate(TNotifyEvent H) { FOnDeactivate = std::move(H); }
    const TNotifyEvent& OnPaint() const { return FOnPaint; }
    void SetOnPaint(TNotifyEvent H) { FOnPaint = std::move(H); }

    // Runs OnCreate; TApplication::CreateForm and the form reader call it
    // once the form is fully constructed.
    virtual void DoCreate();
    void Loaded() override;
    // Saves the window's picture (frame included) as a PNG file.
    bool SaveToPng(const std::string& Path);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void DestroyWnd() override;
    void PaintWindow(HDC DC) override;
    virtual void Activate();
    virtual void Deactivate();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    void VisibleChanging() override;
    void BoundsChanged() override;

private:
    friend class TApplication;
    void UpdateVisible();
    void PlaceOnFirstShow();
    void CloseModal();
    bool DialogKey(uint16_t Key);
    // Sends Msg to the visible, enabled controls, outer ones first, until
    // one answers nonzero; true when one did.
    bool Broadcast(UINT Msg, WPARAM WParam);
    void SetWindowIcon();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    std::unique_ptr<TIcon> FIcon;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    TFormState FFormState;
    TModalResult FModalResult = mrNone;
    TWinControl* FActiveControl = nullptr;
    bool FActive = false;
    bool FPlaced = false;
    HWND FClientHandle = nullptr;
    std::unique_ptr<TControlCanvas> FCanvas;
    TNotifyEvent FOnCreate, FOnDestroy, FOnShow, FOnHide, FOnActivate, FOnDeactivate, FOnPaint;
    TCloseEvent FOnClose;
    TCloseQueryEvent FOnCloseQuery;
    std::shared_ptr<bool> FFormAlive;
};

// The form class to derive application forms from; publishes the form's
// properties.
class TForm : public TCustomForm {
    VCL_DECLARE_CLASS(TForm)
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// ---------------------------------------------------------------------------
// Headless scripting

// A message box about to be shown.
struct TMessageBoxRequest {
    std::string Kind;     // "MessageBox", "ShowMessage", "MessageDlg"
    std::string Caption;
    std::string Text;
    uint32_t Flags = 0;             // MB_* flags (MessageBox), 0 otherwise
    std::vector<int32_t> Buttons;   // the results its buttons give, in order
    int32_t DefaultButton = 0;      // the result of the default button
};

// A text the application showed.
struct TShownText {
    std::string Kind;     // as in TMessageBoxRequest, or "ShowModal", "Exception"
    std::string Caption;
    std::string Text;
    int32_t Result = 0;   // what the user (or the script) answered
};

// Runs when Form is shown modally, inside its modal loop: set the controls,
// then set Form's ModalResult (or close it).  A form the script leaves open
// is closed with mrCancel once the loop has nothing more to do.
using TModalScript = std::function<void(TCustomForm& Form)>;
// Returns the result of the button the user presses (IDOK, mrYes...).
using TMessageBoxScript = std::function<int32_t(const TMessageBoxRequest& Request)>;

// ---------------------------------------------------------------------------
// TApplication

using TExceptionEvent = std::function<void(TObject* Sender, std::exception_ptr E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

class TApplication : public TComponent {
    VCL_DECLARE_CLASS(TApplication)
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Creates a form owned by the application; the first one becomes the
    // main form.  OnCreate runs once the form is fully constructed.
    template <class F>
    F* CreateForm() {
        F* form = new F(this);
        AddForm(form);
        return form;
    }
    void Initialize() {}
    // Shows the main form and runs the message loop until Terminate.
    void Run();
    // Handles the messages waiting now, then returns.
    void ProcessMessages();
    // Handles one message, waiting for one when there is none (idle
    // processing first).
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    TIcon* Icon() const { return FIcon.get(); }
    void SetIcon(const TIcon* Value);
    // The application's hidden window.
    HWND Handle() const { return FHandle; }
    // The modal form nesting depth.
    int ModalLevel() const { return FModalLevel; }

    // The handler for exceptions nobody caught: OnException when assigned,
    // else ShowException (EAbort is silent).
    void HandleException(TObject* Sender);
    void HandleException(TObject* Sender, std::exception_ptr E);
    void ShowException(const std::exception& E);
    const TExceptionEvent& OnException() const { return FOnException; }
    void SetOnException(TExceptionEvent H) { FOnException = std::move(H); }
    const TIdleEvent& OnIdle() const { return FOnIdle; }
    void SetOnIdle(TIdleEvent H) { FOnIdle = std::move(H); }
    const TMessageEvent& OnMessage() const { return FOnMessage; }
    void SetOnMessage(TMessageEvent H) { FOnMessage = std::move(H); }

    // A message box with Text, Caption (the title when empty) and the MB_*
    // flags; returns the ID of the button pressed (IDOK...).
    int32_t MessageBox(const std::string& Text, const std::string& Caption = "", uint32_t Flags = MB_OK);

    // Headless scripting (see the top of this file).  Each setter returns
    // the previous script.
    TModalScript SetModalScript(TModalScript Script);
    TMessageBoxScript SetMessageBoxScript(TMessageBoxScript Script);
    const std::vector<TShownText>& ShownTexts() const { return FShownTexts; }
    void ClearShownTexts() { FShownTexts.clear(); }
    // Records a text shown (message boxes and dialogs call this).
    void RecordShown(TShownText Text);
    // Asks the message-box script (or, headless without one, takes the
    // default button).  The dialogs of the platform call this.
    int32_t AnswerMessageBox(const TMessageBoxRequest& Request, bool& Answered);

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TCustomForm;
    void AddForm(TCustomForm* Form);
    static std::string ParamTitle();
    void Idle();
    bool ProcessMessage(MSG& Msg);
    void RunModalScript(TCustomForm& Form);
    void WndProc(TMessage& Message);

    HWND FHandle = nullptr;
    TCustomForm* FMainForm = nullptr;
    std::string FTitle;
    std::unique_ptr<TIcon> FIcon;
    bool FTerminated = false;
    int FModalLevel = 0;
    TExceptionEvent FOnException;
    TIdleEvent FOnIdle;
    TMessageEvent FOnMessage;
    TModalScript FModalScript;
    TMessageBoxScript FMessageBoxScript;
    std::vector<TShownText> FShownTexts;
    TApplicationExceptionHandler FPreviousHandler;
};

// Installs scripts for a scope and restores the previous ones after it.
class TScriptScope {
public:
    TScriptScope(TModalScript Modal, TMessageBoxScript MessageBox);
    ~TScriptScope();
    TScriptScope(const TScriptScope&) = delete;
    TScriptScope& operator=(const TScriptScope&) = delete;

private:
    TModalScript FModal;
    TMessageBoxScript FMessageBox;
};

// ---------------------------------------------------------------------------
// TScreen

class TScreen : public TComponent {
    VCL_DECLARE_CLASS(TScreen)
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int Index) const;
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const { return FActiveForm ? FActiveForm->ActiveControl() : nullptr; }

    // The cursor shown everywhere while not crDefault (crHourGlass while
    // busy...).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // The cursor handle of a cursor number: the stock shapes, the
    // application's own cursors; unknown numbers give the arrow.
    HCURSOR Cursors(int Index) const;
    // Installs (or with nullptr removes) the application's own cursor.
    void SetCursors(int Index, HCURSOR Handle);

    int32_t Width() const;
    int32_t Height() const;
    TRect DesktopRect() const;
    TRect WorkAreaRect() const;
    int MonitorCount() const { return 1; }

    // Called by forms.
    void AddForm(TCustomForm* Form);
    void RemoveForm(TCustomForm* Form);
    void SetActiveForm(TCustomForm* Form);

    const TNotifyEvent& OnActiveFormChange() const { return FOnActiveFormChange; }
    void SetOnActiveFormChange(TNotifyEvent H) { FOnActiveFormChange = std::move(H); }

private:
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TCursor FCursor = crDefault;
    std::vector<std::pair<int, HCURSOR>> FCustomCursors;
    TNotifyEvent FOnActiveFormChange;
};

// Shows a message box as a modal dialog form (Dialogs.cpp); used when a
// display can answer it.  Returns the result of the button pressed.
int32_t ShowMessageBoxForm(const TMessageBoxRequest& Request);

// The application and the screen of the process, made on first use.
TApplication* Application();
TScreen* Screen();

// Clears the mouse control when the pointer left every control (the
// application's idle processing calls it).
void CheckMouseControl();

}  // namespace vcl
