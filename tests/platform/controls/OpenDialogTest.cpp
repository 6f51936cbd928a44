// TOpenDialog: the form it shows, the choice taken from the file-name edit,
// the checks of the options (with the message shown and the dialog kept
// open), filters, folders, several files and the masks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Forms.h"
#include "Grids.h"
#include "Lists.h"
#include "StdCtrls.h"
#include "WinBackend.h"
#include "Windows.h"

using namespace vcl;
namespace fs = std::filesystem;

namespace {

// A folder with a few files (one hidden, one in a sub-folder), the texts
// shown recorded afresh, and every message box answered with OK and kept.
class OpenDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = fs::path(CORVANE_TEST_TMP) / ("opendialog_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir / "sub");
        for (const char* name : {"a.txt", "b.TXT", "c.log", ".hidden.txt", "with space.txt", "sub/d.txt"})
            std::ofstream(FDir / name) << "x";
        Application()->ClearShownTexts();
    }
    void TearDown() override {
        Application()->ProcessMessages();
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }

    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }

    // Runs Execute with Script as the modal script; message boxes answer
    // Answer and are collected in Boxes.
    bool Run(TOpenDialog& Dialog, std::function<void(TCustomForm&)> Script, int32_t Answer = mrOk) {
        TScriptScope scope(std::move(Script), [this, Answer](const TMessageBoxRequest& R) {
            Boxes.push_back(R);
            return Answer;
        });
        return Dialog.Execute();
    }

    fs::path FDir;
    std::vector<TMessageBoxRequest> Boxes;
};

template <class T>
T* Find(TCustomForm& Form, const char* Name) {
    auto* c = dynamic_cast<T*>(Form.FindComponent(Name));
    EXPECT_NE(c, nullptr) << Name;
    return c;
}

std::vector<std::string> ListRows(TCustomForm& Form, const char* Name = "Files") {
    std::vector<std::string> rows;
    if (auto* grid = Find<TStringGrid>(Form, Name))
        for (int32_t r = 0; r < grid->RowCount(); ++r) rows.push_back(grid->Cells(0, r));
    return rows;
}

// Sets the edit and presses OK the way the script of a user would.
std::function<void(TCustomForm&)> Choose(const std::string& Text) {
    return [Text](TCustomForm& F) {
        Find<TEdit>(F, "FileName")->SetTextProp(Text);
        F.SetModalResult(mrOk);
    };
}

}  // namespace

TEST_F(OpenDialogTest, ShowsTheFolderAndTakesTheTypedName) {
    TOpenDialog dlg(nullptr);
    EXPECT_EQ(dlg.Options(), (TOpenOptions{ofHideReadOnly, ofEnableSizing}));
    dlg.SetTitle("Pick a text");
    dlg.SetFilter("Text (*.txt)|*.txt|Logs|*.log|All|*.*");
    dlg.SetFileName(Path("a.txt"));
    std::string caption, edit, folder;
    std::vector<std::string> files, filters;
    bool readOnlyBox = true;
    ASSERT_TRUE(Run(dlg, [&](TCustomForm& F) {
        caption = F.Caption();
        edit = Find<TEdit>(F, "FileName")->Text();
        folder = Find<TLabel>(F, "Folder")->Caption();
        files = ListRows(F);
        filters = ListRows(F, "Filter");
        readOnlyBox = F.FindComponent("ReadOnly") != nullptr;
        EXPECT_NE(F.FindComponent("OK"), nullptr);
        EXPECT_NE(F.FindComponent("Cancel"), nullptr);
        Find<TEdit>(F, "FileName")->SetTextProp("with space.txt");
        F.SetModalResult(mrOk);
    }));
    EXPECT_EQ(caption, "Pick a text");
    EXPECT_EQ(edit, "a.txt");  // the folder is shown, the edit holds the name
    EXPECT_EQ(folder, FDir.string());
    // Folders first, hidden entries left out, the filter's files in name
    // order whatever their case.
    EXPECT_EQ(files, (std::vector<std::string>{"../", "sub/", "a.txt", "b.TXT", "with space.txt"}));
    EXPECT_EQ(filters, (std::vector<std::string>{"Text (*.txt)", "Logs", "All"}));
    EXPECT_FALSE(readOnlyBox);
    EXPECT_EQ(dlg.FileName(), Path("with space.txt"));
    ASSERT_EQ(dlg.Files()->Count(), 1);
    EXPECT_EQ(dlg.Files()->Strings(0), Path("with space.txt"));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(OpenDialogTest, CancelAndNoAnswerChangeNothing) {
    TOpenDialog dlg(nullptr);
    dlg.SetInitialDir(FDir.string());
    dlg.SetFileName("keep.me");
    EXPECT_FALSE(Run(dlg, [](TCustomForm& F) {
        Find<TEdit>(F, "FileName")->SetTextProp("a.txt");
        F.SetModalResult(mrCancel);
    }));
    EXPECT_FALSE(Run(dlg, nullptr));  // headless and nobody answers
    EXPECT_FALSE(Run(dlg, Choose("   ")));  // OK with an empty name does not close
    EXPECT_EQ(dlg.FileName(), "keep.me");
    EXPECT_EQ(dlg.Files()->Count(), 0);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(OpenDialogTest, OptionChecksWarnAndKeepTheDialogOpen) {
    struct TCase {
        const char* Name;
        TOpenOptions Options;
        const char* Typed;
        bool Accepted;
        const char* Message;  // part of the warning, "" for none
    } cases[] = {
        {"missing file", {ofFileMustExist}, "nothing.txt", false, "was not found"},
        {"missing file, no check", {}, "nothing.txt", true, ""},
        {"missing folder", {ofPathMustExist}, "nowhere/x.txt", false, "does not exist"},
        {"missing folder, file check", {ofFileMustExist}, "nowhere/x.txt", false, "does not exist"},
        {"missing folder, no check", {}, "nowhere/x.txt", true, ""},
        {"existing file", {ofPathMustExist, ofFileMustExist}, "sub/d.txt", true, ""},
        {"absolute path", {ofFileMustExist}, nullptr, true, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Boxes.clear();
        TOpenDialog dlg(nullptr);
        dlg.SetInitialDir(FDir.string());
        dlg.SetOptions(c.Options);
        const std::string typed = c.Typed ? c.Typed : Path("c.log");
        bool stillOpen = false;
        const bool ok = Run(dlg, [&](TCustomForm& F) {
            Find<TEdit>(F, "FileName")->SetTextProp(typed);
            F.SetModalResult(mrOk);
            stillOpen = !F.CloseQuery();  // what OK asks before closing
            if (!stillOpen) F.SetModalResult(mrOk);
        });
        EXPECT_EQ(ok, c.Accepted);
        EXPECT_EQ(stillOpen, !c.Accepted);
        if (*c.Message) {
            ASSERT_FALSE(Boxes.empty());
            EXPECT_EQ(Boxes.front().Kind, "MessageDlg");
            EXPECT_NE(Boxes.front().Text.find(c.Message), std::string::npos) << Boxes.front().Text;
            EXPECT_NE(Boxes.front().Text.find((FDir / fs::path(typed)).parent_path().filename().string()),
                      std::string::npos);
            EXPECT_EQ(dlg.FileName(), "");
        } else {
            EXPECT_TRUE(Boxes.empty());
            EXPECT_EQ(dlg.FileName(), fs::path(typed).is_absolute() ? typed : Path(typed));
        }
    }
}

TEST_F(OpenDialogTest, CreatePromptAsksBeforeANewName) {
    for (int32_t answer : {int32_t(mrYes), int32_t(mrNo)}) {
        Boxes.clear();
        TOpenDialog dlg(nullptr);
        dlg.SetInitialDir(FDir.string());
        dlg.SetOptions(TOpenOptions{ofCreatePrompt});
        EXPECT_EQ(Run(dlg, Choose("new.txt"), answer), answer == mrYes);
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_NE(Boxes[0].Text.find("new.txt"), std::string::npos);
        EXPECT_FALSE(fs::exists(FDir / "new.txt"));  // asking creates nothing
        Boxes.clear();
        EXPECT_TRUE(Run(dlg, Choose("a.txt"), answer));  // an existing file is not asked about
        EXPECT_TRUE(Boxes.empty());
    }
}

TEST_F(OpenDialogTest, FiltersChooseTheFilesListed) {
    TOpenDialog dlg(nullptr);
    dlg.SetInitialDir(FDir.string());
    dlg.SetFilter("Text|*.txt; *.LOG|Logs|*.log|All|*.*");
    dlg.SetFilterIndex(2);
    std::vector<std::string> shown, afterClick, afterPattern;
    EXPECT_TRUE(Run(dlg, [&](TCustomForm& F) {
        shown = ListRows(F);
        // A click on the first filter lists what it matches.
        auto* filters = Find<TStringGrid>(F, "Filter");
        const TRect r = filters->CellRect(0, 0);
        const TPoint p = filters->ClientToScreen({r.Left + 4, r.Top + 4});
        FeedMouseButton(mbLeftButton, true, p.X, p.Y);
        FeedMouseButton(mbLeftButton, false, p.X, p.Y);
        Application()->ProcessMessages();
        afterClick = ListRows(F);
        // A pattern typed and confirmed lists what it matches.
        Find<TEdit>(F, "FileName")->SetTextProp("*.log");
        F.SetModalResult(mrOk);
        EXPECT_FALSE(F.CloseQuery());
        afterPattern = ListRows(F);
        Find<TEdit>(F, "FileName")->SetTextProp("c.log");
    }));
    EXPECT_EQ(shown, (std::vector<std::string>{"../", "sub/", "c.log"}));
    EXPECT_EQ(afterClick, (std::vector<std::string>{"../", "sub/", "a.txt", "b.TXT", "c.log", "with space.txt"}));
    EXPECT_EQ(afterPattern, (std::vector<std::string>{"../", "sub/", "c.log"}));
    EXPECT_EQ(dlg.FilterIndex(), 1);
    EXPECT_EQ(dlg.FileName(), Path("c.log"));
}

TEST_F(OpenDialogTest, FoldersOpenByDoubleClickAndByName) {
    TOpenDialog dlg(nullptr);
    dlg.SetInitialDir(FDir.string());
    dlg.SetOptions(TOpenOptions{ofFileMustExist});
    std::vector<std::string> inSub, upAgain;
    std::string folder;
    EXPECT_TRUE(Run(dlg, [&](TCustomForm& F) {
        F.Show();
        Application()->ProcessMessages();
        auto* files = Find<TStringGrid>(F, "Files");
        ASSERT_EQ(files->Cells(0, 1), "sub/");
        const TRect r = files->CellRect(0, 1);
        const TPoint p = files->ClientToScreen({r.Left + 4, r.Top + 4});
        for (int i = 0; i < 2; ++i) {
            FeedMouseButton(mbLeftButton, true, p.X, p.Y);
            FeedMouseButton(mbLeftButton, false, p.X, p.Y);
        }
        Application()->ProcessMessages();
        inSub = ListRows(F);
        folder = Find<TLabel>(F, "Folder")->Caption();
        // ".." typed and confirmed goes back up; the edit is emptied.
        Find<TEdit>(F, "FileName")->SetTextProp("..");
        F.SetModalResult(mrOk);
        EXPECT_FALSE(F.CloseQuery());
        EXPECT_EQ(Find<TEdit>(F, "FileName")->Text(), "");
        upAgain = ListRows(F);
        // A name is taken relative to the folder shown.
        Find<TEdit>(F, "FileName")->SetTextProp("sub/d.txt");
    }));
    EXPECT_EQ(inSub, (std::vector<std::string>{"../", "d.txt"}));
    EXPECT_EQ(folder, (FDir / "sub").string());
    EXPECT_EQ(upAgain.size(), 6u);
    EXPECT_EQ(dlg.FileName(), Path("sub/d.txt"));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(OpenDialogTest, SeveralFilesWithMultiSelect) {
    TOpenDialog dlg(nullptr);
    dlg.SetInitialDir(FDir.string());
    dlg.SetOptions(TOpenOptions{ofAllowMultiSelect, ofFileMustExist});
    ASSERT_TRUE(Run(dlg, Choose("\"c.log\" \"with space.txt\" \"sub/d.txt\"")));
    ASSERT_EQ(dlg.Files()->Count(), 3);
    EXPECT_EQ(dlg.Files()->Strings(0), Path("c.log"));
    EXPECT_EQ(dlg.Files()->Strings(1), Path("with space.txt"));
    EXPECT_EQ(dlg.Files()->Strings(2), Path("sub/d.txt"));
    EXPECT_EQ(dlg.FileName(), Path("c.log"));
    // One missing name refuses the whole choice.
    EXPECT_FALSE(Run(dlg, Choose("\"a.txt\" \"gone.txt\"")));
    EXPECT_EQ(dlg.Files()->Count(), 3);
    // Without the option the quotes are part of one name.
    dlg.SetOptions(TOpenOptions{});
    ASSERT_TRUE(Run(dlg, Choose("\"a.txt\" \"b.TXT\"")));
    EXPECT_EQ(dlg.Files()->Count(), 1);
}

TEST_F(OpenDialogTest, DefaultExtensionAndReadOnlyBox) {
    TOpenDialog dlg(nullptr);
    dlg.SetInitialDir(FDir.string());
    dlg.SetDefaultExt(".txt");
    EXPECT_EQ(dlg.DefaultExt(), "txt");
    dlg.SetOptions(TOpenOptions{ofFileMustExist});  // the read-only box is shown
    ASSERT_TRUE(Run(dlg, [](TCustomForm& F) {
        Find<TCheckBox>(F, "ReadOnly")->SetChecked(true);
        Find<TEdit>(F, "FileName")->SetTextProp("a");
        F.SetModalResult(mrOk);
    }));
    EXPECT_EQ(dlg.FileName(), Path("a.txt"));
    EXPECT_TRUE(dlg.Options().Contains(ofReadOnly));
    EXPECT_FALSE(dlg.Options().Contains(ofExtensionDifferent));
    // The box starts as ofReadOnly says.
    bool startsChecked = false;
    ASSERT_TRUE(Run(dlg, [&](TCustomForm& F) {
        auto* box = Find<TCheckBox>(F, "ReadOnly");
        startsChecked = box->Checked();
        box->SetChecked(false);
        Choose("c.log")(F);
    }));
    EXPECT_TRUE(startsChecked);
    EXPECT_FALSE(dlg.Options().Contains(ofReadOnly));
    EXPECT_TRUE(dlg.Options().Contains(ofExtensionDifferent));
    ASSERT_TRUE(Run(dlg, Choose("b.TXT")));  // the extension compared without case
    EXPECT_FALSE(dlg.Options().Contains(ofExtensionDifferent));
}

TEST(OpenDialogMask, MatchesLikeAFileDialog) {
    struct TCase {
        const char* Name;
        const char* Mask;
        bool Match;
    } cases[] = {
        {"photo.jpg", "*.JPG", true},   {"PHOTO.JPG", "*.jpg", true}, {"photo.jpeg", "*.jpg", false},
        {"noext", "*.*", true},         {"noext", "*", true},         {"a.b.c", "*.c", true},
        {"abc", "a?c", true},           {"ac", "a?c", false},         {"\xC3\x84rger.TXT", "\xC3\xA4*.txt", true},
        {"\xC3\xA9", "?", true},        {"x.jif", "*.JIF", true},     {"", "*", true},
        {"a", "", false},               {"aaab", "*a*b", true},       {"aaac", "*a*b", false},
    };
    for (const TCase& c : cases) EXPECT_EQ(TOpenDialog::MatchesMask(c.Name, c.Mask), c.Match) << c.Name << " " << c.Mask;
    EXPECT_EQ(TOpenDialog::SplitPatterns(" *.JPG;*.JIF ;;"), (std::vector<std::string>{"*.JPG", "*.JIF"}));
}
