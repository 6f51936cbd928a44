#include "Dialogs.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "Gdi.h"
#include "Grids.h"
#include "Lists.h"
#include "StdCtrls.h"
#include "SysUtils.h"

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

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBorderStyle(bsDialog);
    form->SetCaption(Caption);
    form->SetPosition(poScreenCenter);
    form->SetClientWidth(300);
    form->SetClientHeight(104);
    auto* prompt = new TLabel(form.get());
    prompt->SetName("Prompt");
    prompt->SetParent(form.get());
    prompt->SetCaption(Prompt);
    prompt->SetBounds(8, 8, 284, 16);
    auto* edit = new TEdit(form.get());
    edit->SetName("Value");
    edit->SetParent(form.get());
    edit->SetBounds(8, 28, 284, 22);
    edit->SetText(Value);
    edit->SelectAll();
    prompt->SetFocusControl(edit);
    auto* ok = new TButton(form.get());
    ok->SetName("OK");
    ok->SetParent(form.get());
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    ok->SetBounds(136, 68, 75, 25);
    auto* cancel = new TButton(form.get());
    cancel->SetName("Cancel");
    cancel->SetParent(form.get());
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetBounds(217, 68, 75, 25);
    form->SetActiveControl(edit);
    if (form->ShowModal() != mrOk) return false;
    Value = edit->Text();
    return true;
}

std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default) {
    std::string value = Default;
    InputQuery(Caption, Prompt, value);
    return value;
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


// ---------------------------------------------------------------------------
// TOpenDialog

namespace {

namespace fs = std::filesystem;

struct TFilterEntry {
    std::string Description;
    std::vector<std::string> Patterns;
};

// "desc|pat;pat|desc|pat" -> the pairs.  A description without patterns at
// the end stands for every file.
std::vector<TFilterEntry> ParseFilter(const std::string& Filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    if (!Filter.empty()) {
        for (;;) {
            const size_t bar = Filter.find('|', start);
            parts.push_back(Filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
    }
    std::vector<TFilterEntry> entries;
    for (size_t i = 0; i < parts.size(); i += 2) {
        TFilterEntry e;
        e.Description = parts[i];
        e.Patterns = TOpenDialog::SplitPatterns(i + 1 < parts.size() ? parts[i + 1] : "*");
        if (e.Patterns.empty()) e.Patterns.push_back("*");
        if (e.Description.empty()) e.Description = i + 1 < parts.size() ? parts[i + 1] : "*";
        entries.push_back(std::move(e));
    }
    return entries;
}

std::string TrimBlanks(const std::string& S) {
    const size_t b = S.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return S.substr(b, S.find_last_not_of(" \t") - b + 1);
}

bool HasWildcard(const std::string& S) { return S.find_first_of("*?") != std::string::npos; }

// The names typed into the edit: one name, or with multi-selection several
// names in double quotes.  An unclosed quote runs to the end.
std::vector<std::string> SplitNames(const std::string& Text, bool Multi) {
    const std::string text = TrimBlanks(Text);
    if (!Multi || text.empty() || text.front() != '"') return text.empty() ? std::vector<std::string>{}
                                                                           : std::vector<std::string>{text};
    std::vector<std::string> names;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            const size_t close = text.find('"', i + 1);
            std::string name = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            if (!TrimBlanks(name).empty()) names.push_back(name);
            if (close == std::string::npos) break;
            i = close + 1;
        } else if (text[i] == ' ' || text[i] == '\t') {
            ++i;
        } else {
            const size_t end = text.find_first_of(" \t\"", i);
            names.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? text.size() : end;
        }
    }
    return names;
}

// The code points of S, folded to lower case.
std::u32string FoldedCodePoints(const std::string& S) {
    std::u32string out;
    size_t pos = 0;
    while (pos < S.size()) out.push_back(UnicodeLowerCase(Utf8Decode(S, pos)));
    return out;
}

bool IsDirectory(const fs::path& P) {
    std::error_code ec;
    return fs::is_directory(P, ec);
}

bool Exists(const fs::path& P) {
    std::error_code ec;
    return fs::exists(P, ec);
}

constexpr int32_t kDlgMargin = 8;
constexpr int32_t kLabelWidth = 78;
constexpr int32_t kListRowHeight = 18;

// The dialog's form.  The rows of the file list stand for Entries (the
// folders first, ".." on top unless at the root, then the matching files).
class TOpenDialogForm : public TForm {
public:
    struct TEntry {
        std::string Name;
        bool Folder = false;
    };

    TOpenDialogForm(const TOpenDialog& Dialog, const fs::path& Folder, std::vector<TFilterEntry> Filters,
                    int32_t FilterIndex, const std::string& EditText)
        : TForm(nullptr), FDialog(Dialog), FFilters(std::move(Filters)), FFilterIndex(FilterIndex) {
        const TOpenOptions options = Dialog.Options();
        FMulti = options.Contains(ofAllowMultiSelect);
        SetBorderStyle(options.Contains(ofEnableSizing) ? bsSizeable : bsDialog);
        SetPosition(poScreenCenter);
        SetCaption(Dialog.Title().empty() ? "Open" : Dialog.Title());
        SetClientWidth(440);
        const bool readOnlyBox = !options.Contains(ofHideReadOnly);
        SetClientHeight(readOnlyBox ? 346 : 322);
        const int32_t inner = 440 - 2 * kDlgMargin;

        auto* lookIn = new TLabel(this);
        lookIn->SetParent(this);
        lookIn->SetCaption("Look in:");
        lookIn->SetBounds(kDlgMargin, 12, kLabelWidth, 16);
        FFolderLabel = new TLabel(this);
        FFolderLabel->SetName("Folder");
        FFolderLabel->SetParent(this);
        FFolderLabel->SetShowAccelChar(false);
        FFolderLabel->SetAutoSize(false);
        FFolderLabel->SetBounds(kDlgMargin + kLabelWidth, 12, inner - kLabelWidth, 16);

        FList = MakeList("Files", kDlgMargin, 34, inner, 190);
        FList->SetOptions(FMulti ? TGridOptions{goRowSelect, goRangeSelect} : TGridOptions{goRowSelect});
        FList->SetOnClick([this](TObject*) { ListClicked(); });
        FList->SetOnDblClick([this](TObject*) { ListDoubleClicked(); });

        const int32_t fieldLeft = kDlgMargin + kLabelWidth;
        const int32_t buttonWidth = 80;
        const int32_t fieldWidth = inner - kLabelWidth - buttonWidth - kDlgMargin;
        const int32_t buttonLeft = fieldLeft + fieldWidth + kDlgMargin;
        auto* nameLabel = new TLabel(this);
        nameLabel->SetParent(this);
        nameLabel->SetCaption("File &name:");
        nameLabel->SetBounds(kDlgMargin, 238, kLabelWidth, 16);
        FEdit = new TEdit(this);
        FEdit->SetName("FileName");
        FEdit->SetParent(this);
        FEdit->SetBounds(fieldLeft, 234, fieldWidth, 23);
        FEdit->SetTextProp(EditText);

        auto* ok = new TButton(this);
        ok->SetName("OK");
        ok->SetParent(this);
        ok->SetCaption("OK");
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);  // checked in CloseQuery
        ok->SetBounds(buttonLeft, 233, buttonWidth, 25);

        auto* typeLabel = new TLabel(this);
        typeLabel->SetParent(this);
        typeLabel->SetCaption("Files of &type:");
        typeLabel->SetBounds(kDlgMargin, 268, kLabelWidth, 16);
        FFilterList = MakeList("Filter", fieldLeft, 266, fieldWidth, 2 * kListRowHeight + 4 + 4);
        FFilterList->SetOptions(TGridOptions{goRowSelect});
        FillFilterList();
        FFilterList->SetOnClick([this](TObject*) {
            if (FFilters.empty()) return;
            FFilterIndex = FFilterList->Row() + 1;
            FTypedPatterns.clear();
            FillFiles();
        });

        auto* cancel = new TButton(this);
        cancel->SetName("Cancel");
        cancel->SetParent(this);
        cancel->SetCaption("Cancel");
        cancel->SetCancel(true);
        cancel->SetModalResult(mrCancel);
        cancel->SetBounds(buttonLeft, 265, buttonWidth, 25);

        if (readOnlyBox) {
            FReadOnly = new TCheckBox(this);
            FReadOnly->SetName("ReadOnly");
            FReadOnly->SetParent(this);
            FReadOnly->SetCaption("Open as &read-only");
            FReadOnly->SetChecked(options.Contains(ofReadOnly));
            FReadOnly->SetBounds(fieldLeft, 318, fieldWidth, 20);
        }

        ShowFolder(Folder);
        SetActiveControl(FEdit);
    }

    // What the dialog hands back after OK.
    std::vector<std::string> Chosen;
    int32_t ChosenFilterIndex() const { return FFilterIndex; }
    bool ReadOnlyChecked() const { return FReadOnly && FReadOnly->Checked(); }

    bool CloseQuery() override {
        if (!TForm::CloseQuery()) return false;
        if (ModalResult() != mrOk) return true;
        return Accept();
    }

private:
    TStringGrid* MakeList(const char* Name, int32_t X, int32_t Y, int32_t W, int32_t H) {
        auto* grid = new TStringGrid(this);
        grid->SetName(Name);
        grid->SetParent(this);
        grid->SetFixedCols(0);
        grid->SetFixedRows(0);
        grid->SetColCount(1);
        grid->SetRowCount(1);
        grid->SetDefaultRowHeight(kListRowHeight);
        grid->SetScrollBars(ssVertical);
        grid->SetBounds(X, Y, W, H);
        // One column as wide as the list without its border and scroll bar.
        grid->SetDefaultColWidth(std::max(W - 4 - GetSystemMetrics(SM_CXVSCROLL), 16));
        return grid;
    }

    void FillFilterList() {
        if (FFilters.empty()) {
            FFilterList->SetCells(0, 0, "All files (*)");
            return;
        }
        if (FFilterIndex < 1 || FFilterIndex > static_cast<int32_t>(FFilters.size())) FFilterIndex = 1;
        FFilterList->SetRowCount(static_cast<int32_t>(FFilters.size()));
        for (size_t i = 0; i < FFilters.size(); ++i)
            FFilterList->SetCells(0, static_cast<int32_t>(i), FFilters[i].Description);
        FFilterList->MoveColRow(0, FFilterIndex - 1, true, true);
    }

    const std::vector<std::string>& Patterns() const {
        static const std::vector<std::string> all{"*"};
        if (!FTypedPatterns.empty()) return FTypedPatterns;
        if (FFilters.empty()) return all;
        return FFilters[static_cast<size_t>(FFilterIndex - 1)].Patterns;
    }

    bool Matches(const std::string& Name) const {
        for (const std::string& p : Patterns())
            if (TOpenDialog::MatchesMask(Name, p)) return true;
        return false;
    }

    void ShowFolder(const fs::path& Folder) {
        std::error_code ec;
        fs::path abs = fs::absolute(Folder, ec);
        if (ec) abs = Folder;
        FFolder = abs.lexically_normal();
        if (FFolder.has_filename() == false && FFolder != FFolder.root_path())
            FFolder = FFolder.parent_path();  // no trailing separator
        FFolderLabel->SetCaption(FFolder.string());
        FillFiles();
    }

    void FillFiles() {
        FEntries.clear();
        std::vector<TEntry> folders, files;
        std::error_code ec;
        for (fs::directory_iterator it(FFolder, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.empty() || name[0] == '.') continue;  // hidden
            std::error_code typeError;
            if (it->is_directory(typeError))
                folders.push_back({name, true});
            else if (Matches(name))
                files.push_back({name, false});
        }
        auto byName = [](const TEntry& A, const TEntry& B) {
            const int c = AnsiCompareText(A.Name, B.Name);
            return c != 0 ? c < 0 : A.Name < B.Name;
        };
        std::sort(folders.begin(), folders.end(), byName);
        std::sort(files.begin(), files.end(), byName);
        if (FFolder != FFolder.root_path()) FEntries.push_back({"..", true});
        FEntries.insert(FEntries.end(), folders.begin(), folders.end());
        FEntries.insert(FEntries.end(), files.begin(), files.end());
        FList->SetRowCount(std::max<int32_t>(1, static_cast<int32_t>(FEntries.size())));
        FList->SetCells(0, 0, "");
        for (size_t i = 0; i < FEntries.size(); ++i)
            FList->SetCells(0, static_cast<int32_t>(i), FEntries[i].Folder ? FEntries[i].Name + "/" : FEntries[i].Name);
        // The entry named in the edit is the current row.
        int32_t current = 0;
        for (size_t i = 0; i < FEntries.size(); ++i)
            if (!FEntries[i].Folder && FEntries[i].Name == FEdit->Text()) current = static_cast<int32_t>(i);
        FList->MoveColRow(0, current, true, true);
    }

    const TEntry* EntryAt(int32_t Row) const {
        return Row >= 0 && Row < static_cast<int32_t>(FEntries.size()) ? &FEntries[static_cast<size_t>(Row)] : nullptr;
    }

    void ListClicked() {
        const TGridRect sel = FList->Selection();
        std::vector<std::string> names;
        for (int32_t r = sel.Top; r <= sel.Bottom; ++r)
            if (const TEntry* e = EntryAt(r); e && !e->Folder) names.push_back(e->Name);
        if (names.empty()) return;
        if (names.size() == 1) {
            FEdit->SetTextProp(names.front());
        } else {
            std::string text;
            for (const std::string& n : names) text += (text.empty() ? "\"" : " \"") + n + "\"";
            FEdit->SetTextProp(text);
        }
    }

    void ListDoubleClicked() {
        const TEntry* e = EntryAt(FList->Row());
        if (!e) return;
        if (e->Folder) {
            ShowFolder(e->Name == ".." ? FFolder.parent_path() : FFolder / e->Name);
            return;
        }
        FEdit->SetTextProp(e->Name);
        SetModalResult(mrOk);
    }

    fs::path Resolve(const std::string& Name) const {
        fs::path p(Name);
        return (p.is_absolute() ? p : FFolder / p).lexically_normal();
    }

    bool Warn(const std::string& Text) {
        MessageDlg(Text, mtWarning, TMsgDlgButtons{mbOK}, 0);
        return false;
    }

    // OK was pressed: true when the edit names acceptable files.
    bool Accept() {
        const TOpenOptions options = FDialog.Options();
        const std::vector<std::string> names = SplitNames(FEdit->Text(), FMulti);
        if (names.empty()) return false;
        if (names.size() == 1) {
            const std::string& name = names.front();
            if (HasWildcard(name)) {  // a pattern typed in: list what it matches
                const fs::path p = Resolve(name);
                FTypedPatterns = TOpenDialog::SplitPatterns(p.filename().string());
                if (p.parent_path() != FFolder && IsDirectory(p.parent_path()))
                    ShowFolder(p.parent_path());
                else
                    FillFiles();
                return false;
            }
            if (const fs::path p = Resolve(name); IsDirectory(p)) {  // a folder: open it
                ShowFolder(p);
                FEdit->SetTextProp("");
                return false;
            }
        }
        std::vector<std::string> chosen;
        for (std::string name : names) {
            fs::path p = Resolve(name);
            if (!FDialog.DefaultExt().empty() && !p.has_extension() && p.has_filename())
                p += "." + FDialog.DefaultExt();
            const fs::path folder = p.parent_path();
            if ((options.Contains(ofPathMustExist) || options.Contains(ofFileMustExist)) && !IsDirectory(folder))
                return Warn("The folder \"" + folder.string() +
                            "\" does not exist.\nCheck the path and try again.");
            if (IsDirectory(p))
                return Warn("\"" + p.string() + "\" is a folder, not a file.\nChoose a file.");
            if (!Exists(p)) {
                if (options.Contains(ofFileMustExist))
                    return Warn("The file \"" + p.string() +
                                "\" was not found.\nCheck the file name and try again.");
                if (options.Contains(ofCreatePrompt) &&
                    MessageDlg("The file \"" + p.string() + "\" does not exist.\nDo you want to create it?",
                               mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
                    return false;
            }
            chosen.push_back(p.string());
        }
        Chosen = std::move(chosen);
        return true;
    }

    const TOpenDialog& FDialog;
    std::vector<TFilterEntry> FFilters;
    int32_t FFilterIndex;
    std::vector<std::string> FTypedPatterns;
    bool FMulti = false;
    fs::path FFolder;
    std::vector<TEntry> FEntries;
    TLabel* FFolderLabel = nullptr;
    TStringGrid* FList = nullptr;
    TStringGrid* FFilterList = nullptr;
    TEdit* FEdit = nullptr;
    TCheckBox* FReadOnly = nullptr;
};

}  // namespace

VCL_PUBLISHED(TOpenDialog, TComponent) {
    B.Property("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
    B.Property("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
    B.Property("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
    B.Property("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    B.Property("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
    B.Property("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions)
        .Default(static_cast<int64_t>(TOpenOptions{ofHideReadOnly, ofEnableSizing}.Bits()));
    B.Property("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

void TOpenDialog::SetDefaultExt(const std::string& Value) {
    FDefaultExt = !Value.empty() && Value.front() == '.' ? Value.substr(1) : Value;
}

TStrings* TOpenDialog::Files() const { return FFiles.get(); }

std::vector<std::string> TOpenDialog::SplitPatterns(const std::string& Patterns) {
    std::vector<std::string> list;
    size_t start = 0;
    for (;;) {
        const size_t semi = Patterns.find(';', start);
        std::string p = TrimBlanks(Patterns.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (!p.empty()) list.push_back(std::move(p));
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return list;
}

bool TOpenDialog::MatchesMask(const std::string& Name, const std::string& Pattern) {
    if (Pattern == "*.*" || Pattern == "*") return true;
    // Compared by code point, case folded; '*' any run, '?' one code point.
    const std::u32string name = FoldedCodePoints(Name);
    const std::u32string mask = FoldedCodePoints(Pattern);
    size_t n = 0, m = 0, starM = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::u32string::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') ++m;
    return m == mask.size();
}

bool TOpenDialog::Execute() {
    // The folder shown first and the text of the edit.
    fs::path folder;
    std::string editText = FFileName;
    if (!FInitialDir.empty() && IsDirectory(FInitialDir)) folder = FInitialDir;
    if (!FFileName.empty()) {
        const fs::path given(FFileName);
        const fs::path parent = given.parent_path();
        if (!parent.empty() && IsDirectory(parent)) {
            if (folder.empty()) folder = parent;
            // The edit shows the bare name when it lies in the folder shown.
            std::error_code ec;
            if (fs::equivalent(parent, folder, ec)) editText = given.filename().string();
        }
    }
    if (folder.empty()) {
        std::error_code ec;
        folder = fs::current_path(ec);
        if (ec) folder = "/";
    }
    std::unique_ptr<TOpenDialogForm> form(
        new TOpenDialogForm(*this, folder, ParseFilter(FFilter), FFilterIndex, editText));
    if (form->ShowModal() != mrOk || form->Chosen.empty()) return false;
    FFiles->Clear();
    for (const std::string& path : form->Chosen) FFiles->Add(path);
    FFileName = form->Chosen.front();
    FFilterIndex = form->ChosenFilterIndex();
    if (form->ReadOnlyChecked())
        FOptions.Include(ofReadOnly);
    else
        FOptions.Exclude(ofReadOnly);
    FOptions.Exclude(ofExtensionDifferent);
    if (!FDefaultExt.empty()) {
        const std::string ext = fs::path(FFileName).extension().string();
        if (AnsiCompareText(ext.empty() ? ext : ext.substr(1), FDefaultExt) != 0) FOptions.Include(ofExtensionDifferent);
    }
    return true;
}

}  // namespace vcl
