// Dialogs.h - message dialogs: ShowMessage, MessageDlg and the dialog form
// behind them; the file-open dialog TOpenDialog.
//
// Headless, ShowMessage and MessageDlg first ask the application's
// message-box script (Application()->AnswerMessageBox); the form is built
// and shown modally only when nobody answered.  Every text shown is
// recorded with Application()->RecordShown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// Asks for one line of text in a small modal dialog: Prompt above an edit
// (named "Value") that starts with Value, OK and Cancel.  On OK the text
// goes into Value and the result is true; Value stays as it was otherwise.
// Headless, the modal script fills the edit and sets the ModalResult.
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);
// The same, returning the text, or Default when cancelled.
std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default);

// ---------------------------------------------------------------------------
// TOpenDialog

VCL_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
         ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware,
         ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog,
         ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing)
using TOpenOptions = Set<TOpenOption>;

class TStringList;
class TStrings;

// The dialog that lets the user choose a file to open.  Execute shows a
// modal form (caption Title, else "Open"): the folder's path, a list of its
// sub-folders and of the files that match the current filter, a file-name
// edit named "FileName", a list of the filters named "Filter", an "Open as
// read-only" check box named "ReadOnly" (unless ofHideReadOnly) and the
// buttons "OK" and "Cancel".  Headless, the modal script sets the edit and
// sets the form's ModalResult to mrOk, exactly what OK does.
//
// Filter holds pairs "description|patterns", the pairs separated by '|' as
// well, the patterns of one pair by ';': "Text (*.txt)|*.txt|All|*.*".
// Patterns use '*' and '?' and ignore case; "*.*" matches every name.
// FilterIndex counts the pairs from 1 (out of range: the first).
//
// The folder shown first is InitialDir, else the folder of FileName, else
// the working directory.  A double click on a folder (or "..") opens it; a
// double click on a file chooses it.  On OK the edit's text is taken: a
// name relative to the folder shown is made absolute; the name of a folder
// opens that folder; a text with '*' or '?' becomes the filter of the list;
// a name without an extension gets DefaultExt.  Then the options are
// checked: ofPathMustExist (and ofFileMustExist) want an existing folder,
// ofFileMustExist an existing file, ofCreatePrompt asks before a name that
// does not exist is taken; a failed check shows a message box and the
// dialog stays open.  On success FileName is the chosen file's absolute
// path, Files all chosen paths (with ofAllowMultiSelect the edit may hold
// several names in double quotes, "a.txt" "b.txt"), FilterIndex the filter
// shown last, ofReadOnly the check box's state and ofExtensionDifferent
// whether the extension differs from DefaultExt.  Cancel changes nothing.
// The process's working directory is never changed (ofNoChangeDir is the
// only behaviour there is).
class TOpenDialog : public TComponent {
    VCL_DECLARE_CLASS(TOpenDialog)
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& Value) { FFilter = Value; }
    int32_t FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int32_t Value) { FFilterIndex = Value; }
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    // Without a leading dot ("txt"); a leading dot is dropped.
    const std::string& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& Value);
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }
    // The paths chosen by the last confirmed Execute.
    TStrings* Files() const;

    // Shows the dialog; true when the user confirmed a choice.
    virtual bool Execute();

    // The patterns of a filter pair ("*.txt;*.log" -> two) and whether a
    // name matches one of them (case ignored, "*.*" matches all).
    static std::vector<std::string> SplitPatterns(const std::string& Patterns);
    static bool MatchesMask(const std::string& Name, const std::string& Pattern);

private:
    std::string FFileName;
    std::string FFilter;
    int32_t FFilterIndex = 1;
    std::string FInitialDir;
    std::string FTitle;
    std::string FDefaultExt;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
    std::unique_ptr<TStringList> FFiles;
};

}  // namespace vcl
