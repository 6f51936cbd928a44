// Dialogs.h - message dialogs: ShowMessage, MessageDlg and the dialog form
// behind them.
//
// Headless, ShowMessage and MessageDlg first ask the application's
// message-box script (Application()->AnswerMessageBox); the form is built
// and shown modally only when nobody answered.  Every text shown is
// recorded with Application()->RecordShown.
#pragma once

#include <cstdint>
#include <string>

#include "Forms.h"

namespace vcl {

VCL_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
VCL_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp)
using TMsgDlgButtons = Set<TMsgDlgBtn>;

inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline const TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// The modal result a button gives (mrYes...; mbHelp gives mrNone).
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button);
// The caption of a dialog of the type ("Warning", ...; the application's
// title for mtCustom).
std::string MsgDlgCaption(TMsgDlgType DlgType);

// Builds the dialog form (not shown; the caller owns it): bsDialog, the
// type's caption, its icon at the left, the message in a label named
// "Message", the buttons in a centred row, named "Yes", "No", "OK",
// "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll",
// "Help", each with its ModalResult.  OK (else Yes) is the default button,
// Cancel (else No, else OK) the cancel button.  No buttons at all gives an
// OK button.
TForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);

// Shows Msg with an OK button under the application's title.
void ShowMessage(const std::string& Msg);
// Shows Msg in a dialog of the type with the buttons; returns the modal
// result of the button pressed (mrCancel when the dialog is closed
// otherwise).  HelpCtx is kept for the help system (there is none, so the
// Help button closes nothing and does nothing).
int32_t MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx);

}  // namespace vcl
