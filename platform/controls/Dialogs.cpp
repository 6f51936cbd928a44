#include "Dialogs.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "Gdi.h"
#include "StdCtrls.h"

namespace vcl {

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kButtonWidth = 75;
constexpr int32_t kButtonHeight = 25;
constexpr int32_t kButtonSpacing = 8;
constexpr int32_t kTextMaxWidth = 320;

struct TButtonInfo {
    const char* Caption;
    const char* Name;
    TModalResult Result;
};

const TButtonInfo kButtons[] = {
    {"&Yes", "Yes", mrYes},          {"&No", "No", mrNo},
    {"OK", "OK", mrOk},              {"Cancel", "Cancel", mrCancel},
    {"&Abort", "Abort", mrAbort},    {"&Retry", "Retry", mrRetry},
    {"&Ignore", "Ignore", mrIgnore}, {"&All", "All", mrAll},
    {"N&o to All", "NoToAll", mrNoToAll}, {"Yes to &All", "YesToAll", mrYesToAll},
    {"&Help", "Help", mrNone},
};

// The dialog's icon: a system icon drawn at its own size.
class TDialogIcon : public TGraphicControl {
public:
    TDialogIcon(TComponent* AOwner, HICON Icon) : TGraphicControl(AOwner), FIcon(Icon) {
        TSize s{32, 32};
        if (Icon) GetIconSize(Icon, &s);
        SetBounds(0, 0, s.cx, s.cy);
    }

protected:
    void Paint() override {
        if (FIcon) DrawIcon(Canvas()->Handle(), 0, 0, FIcon);
    }

private:
    HICON FIcon;
};


// Builds the dialog form from its parts.  Default and Cancel name the
// results of the default and the cancel button (mrNone: none).
TForm* BuildDialog(const std::string& Caption, const std::string& Msg, const char* IconId,
                   const std::vector<const TButtonInfo*>& Buttons, TModalResult Default, TModalResult Cancel) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetCaption(Caption);

    int32_t textLeft = kMargin, iconBottom = 0;
    if (IconId) {
        auto* icon = new TDialogIcon(form.get(), LoadIcon(nullptr, IconId));
        icon->SetName("Image");
        icon->SetParent(form.get());
        icon->SetBounds(kMargin, kMargin, icon->Width(), icon->Height());
        textLeft = icon->Left() + icon->Width() + kMargin;
        iconBottom = icon->Top() + icon->Height();
    }

    auto* label = new TLabel(form.get());
    label->SetName("Message");
    label->SetParent(form.get());
    label->SetShowAccelChar(false);
    label->SetCaption(Msg);  // single line first: its natural width
    if (label->Width() > kTextMaxWidth) {
        label->SetWordWrap(true);
        label->SetWidth(kTextMaxWidth);
        label->AdjustBounds();
    }
    int32_t textTop = kMargin;
    if (iconBottom > 0 && label->Height() < iconBottom - kMargin)
        textTop = kMargin + (iconBottom - kMargin - label->Height()) / 2;  // centred beside the icon
    label->SetBounds(textLeft, textTop, label->Width(), label->Height());

    // Buttons wide enough for their captions, all of one width.
    int32_t bw = kButtonWidth;
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, form->Font()->Handle());
        for (const TButtonInfo* b : Buttons) {
            TRect r{0, 0, 0, 0};
            DrawText(dc, b->Caption, &r, DT_SINGLELINE | DT_CALCRECT);
            bw = std::max(bw, r.Right + 16);
        }
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    int32_t n = static_cast<int32_t>(Buttons.size());
    int32_t rowWidth = n * bw + std::max(n - 1, 0) * kButtonSpacing;
    int32_t clientWidth = std::max(label->Left() + label->Width() + kMargin, rowWidth + 2 * kMargin);
    int32_t rowTop = std::max(label->Top() + label->Height(), iconBottom) + kMargin + 4;
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(rowTop + kButtonHeight + kMargin);

    int32_t x = (clientWidth - rowWidth) / 2;
    TButton* defaultButton = nullptr;
    for (const TButtonInfo* b : Buttons) {
        auto* button = new TButton(form.get());
        button->SetName(b->Name);
        button->SetParent(form.get());
        button->SetCaption(b->Caption);
        button->SetModalResult(b->Result);
        button->SetBounds(x, rowTop, bw, kButtonHeight);
        if (b->Result != mrNone && b->Result == Default) {
            button->SetDefault(true);
            defaultButton = button;
        }
        if (b->Result != mrNone && b->Result == Cancel) button->SetCancel(true);
        x += bw + kButtonSpacing;
    }
    if (defaultButton) form->SetActiveControl(defaultButton);
    return form.release();
}

const char* IconOfType(TMsgDlgType DlgType) {
    switch (DlgType) {
        case mtWarning: return IDI_EXCLAMATION;
        case mtError: return IDI_HAND;
        case mtInformation: return IDI_ASTERISK;
        case mtConfirmation: return IDI_QUESTION;
        default: return nullptr;
    }
}

std::vector<const TButtonInfo*> ButtonList(TMsgDlgButtons Buttons) {
    if (Buttons.Empty()) Buttons = TMsgDlgButtons{mbOK};
    std::vector<const TButtonInfo*> list;
    for (int b = mbYes; b <= mbHelp; ++b)
        if (Buttons.Contains(static_cast<TMsgDlgBtn>(b))) list.push_back(&kButtons[b]);
    return list;
}

TModalResult DefaultOf(TMsgDlgButtons Buttons) {
    if (Buttons.Empty() || Buttons.Contains(mbOK)) return mrOk;
    if (Buttons.Contains(mbYes)) return mrYes;
    for (const TButtonInfo* b : ButtonList(Buttons))
        if (b->Result != mrNone) return b->Result;
    return mrNone;
}

TModalResult CancelOf(TMsgDlgButtons Buttons) {
    if (Buttons.Contains(mbCancel)) return mrCancel;
    if (Buttons.Contains(mbNo)) return mrNo;
    if (Buttons.Empty() || Buttons.Contains(mbOK)) return mrOk;
    return mrNone;
}

}  // namespace

TModalResult MsgDlgButtonResult(TMsgDlgBtn Button) { return kButtons[Button].Result; }

std::string MsgDlgCaption(TMsgDlgType DlgType) {
    switch (DlgType) {
        case mtWarning: return "Warning";
        case mtError: return "Error";
        case mtInformation: return "Information";
        case mtConfirmation: return "Confirm";
        default: return Application()->Title();
    }
}

TForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    return BuildDialog(MsgDlgCaption(DlgType), Msg, IconOfType(DlgType), ButtonList(Buttons), DefaultOf(Buttons),
                       CancelOf(Buttons));
}

int32_t MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx) {
    (void)HelpCtx;
    TMessageBoxRequest req;
    req.Kind = "MessageDlg";
    req.Caption = MsgDlgCaption(DlgType);
    req.Text = Msg;
    for (const TButtonInfo* b : ButtonList(Buttons))
        if (b->Result != mrNone) req.Buttons.push_back(b->Result);
    req.DefaultButton = DefaultOf(Buttons);
    bool answered = false;
    int32_t result = Application()->AnswerMessageBox(req, answered);
    if (!answered) {
        std::unique_ptr<TForm> form(CreateMessageDialog(Msg, DlgType, Buttons));
        result = form->ShowModal();
    }
    Application()->RecordShown(TShownText{req.Kind, req.Caption, req.Text, result});
    return result;
}

void ShowMessage(const std::string& Msg) {
    TMessageBoxRequest req;
    req.Kind = "ShowMessage";
    req.Caption = Application()->Title();
    req.Text = Msg;
    req.Buttons = {mrOk};
    req.DefaultButton = mrOk;
    bool answered = false;
    int32_t result = Application()->AnswerMessageBox(req, answered);
    if (!answered) {
        std::unique_ptr<TForm> form(CreateMessageDialog(Msg, mtCustom, TMsgDlgButtons{mbOK}));
        result = form->ShowModal();
    }
    Application()->RecordShown(TShownText{req.Kind, req.Caption, req.Text, result});
}

int32_t ShowMessageBoxForm(const TMessageBoxRequest& Request) {
    const char* icon = nullptr;
    switch (Request.Flags & MB_ICONMASK) {
        case MB_ICONHAND: icon = IDI_HAND; break;
        case MB_ICONQUESTION: icon = IDI_QUESTION; break;
        case MB_ICONEXCLAMATION: icon = IDI_EXCLAMATION; break;
        case MB_ICONASTERISK: icon = IDI_ASTERISK; break;
        default: break;
    }
    // The IDs of the message box's buttons are the modal results.
    std::vector<const TButtonInfo*> buttons;
    for (int32_t id : Request.Buttons)
        for (const TButtonInfo& b : kButtons)
            if (b.Result == id && b.Result != mrNone) buttons.push_back(&b);
    if (buttons.empty()) buttons.push_back(&kButtons[mbOK]);
    auto has = [&](TModalResult R) {
        return std::any_of(buttons.begin(), buttons.end(), [R](const TButtonInfo* b) { return b->Result == R; });
    };
    TModalResult def = has(Request.DefaultButton) ? Request.DefaultButton : buttons.front()->Result;
    // Escape works where the box has a Cancel button or only one button.
    TModalResult cancel = has(IDCANCEL) ? IDCANCEL : buttons.size() == 1 ? buttons.front()->Result : mrNone;
    std::unique_ptr<TForm> form(BuildDialog(Request.Caption, Request.Text, icon, buttons, def, cancel));
    TModalResult r = form->ShowModal();
    // Closed without a button: the Escape button's answer, else the default.
    if (!has(r)) r = cancel != mrNone ? cancel : def;
    return r;
}

}  // namespace vcl
