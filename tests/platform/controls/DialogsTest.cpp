// Message dialogs: the scripted answers, the headless defaults, what is
// recorded, and the dialog form's layout and keys.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinBackend.h"
#include "Windows.h"

using namespace vcl;

namespace {

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application()->ClearShownTexts();
        std::filesystem::create_directories(CORVANE_TEST_TMP);
    }
    void TearDown() override { Application()->ProcessMessages(); }
};

std::vector<TButton*> ButtonsOf(TForm* F) {
    std::vector<TButton*> list;
    for (int i = 0; i < F->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TButton*>(F->Controls(i))) list.push_back(b);
    return list;
}

TEST_F(DialogsTest, MessageDlgAskedTheScriptAndRecordsTheAnswer) {
    std::vector<TMessageBoxRequest> asked;
    TScriptScope scope(nullptr, [&](const TMessageBoxRequest& R) {
        asked.push_back(R);
        return int32_t(mrNo);
    });
    EXPECT_EQ(MessageDlg("Save changes?", mtConfirmation, mbYesNoCancel, 0), mrNo);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Kind, "MessageDlg");
    EXPECT_EQ(asked[0].Caption, "Confirm");
    EXPECT_EQ(asked[0].Text, "Save changes?");
    EXPECT_EQ(asked[0].Buttons, (std::vector<int32_t>{mrYes, mrNo, mrCancel}));
    EXPECT_EQ(asked[0].DefaultButton, mrYes);
    ASSERT_EQ(Application()->ShownTexts().size(), 1u);
    const TShownText& t = Application()->ShownTexts().back();
    EXPECT_EQ(t.Kind, "MessageDlg");
    EXPECT_EQ(t.Caption, "Confirm");
    EXPECT_EQ(t.Text, "Save changes?");
    EXPECT_EQ(t.Result, mrNo);
}

TEST_F(DialogsTest, HeadlessWithoutScriptGivesTheDefaultButton) {
    TScriptScope scope(nullptr, nullptr);
    struct TCase {
        TMsgDlgButtons Buttons;
        int32_t Expected;
    };
    const TCase cases[] = {
        {TMsgDlgButtons{mbOK}, mrOk},
        {mbOKCancel, mrOk},
        {TMsgDlgButtons{mbYes, mbNo}, mrYes},
        {TMsgDlgButtons{mbNo, mbCancel}, mrNo},
        {mbAbortRetryIgnore, mrAbort},
        {TMsgDlgButtons{}, mrOk},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(MessageDlg("m", mtWarning, c.Buttons, 0), c.Expected);
        EXPECT_EQ(Application()->ShownTexts().back().Caption, "Warning");
        EXPECT_EQ(Application()->ShownTexts().back().Result, c.Expected);
    }
}

TEST_F(DialogsTest, ShowMessageUsesTheTitleAndIsRecorded) {
    std::string oldTitle = Application()->Title();
    Application()->SetTitle("My Program");
    std::string kind;
    {
        TScriptScope scope(nullptr, [&](const TMessageBoxRequest& R) {
            kind = R.Kind;
            EXPECT_EQ(R.Buttons, (std::vector<int32_t>{mrOk}));
            return int32_t(mrOk);
        });
        ShowMessage("Done.");
    }
    Application()->SetTitle(oldTitle);
    EXPECT_EQ(kind, "ShowMessage");
    const TShownText& t = Application()->ShownTexts().back();
    EXPECT_EQ(t.Kind, "ShowMessage");
    EXPECT_EQ(t.Caption, "My Program");
    EXPECT_EQ(t.Text, "Done.");
}

TEST_F(DialogsTest, DialogCaptionsPerType) {
    struct TCase {
        TMsgDlgType Type;
        const char* Caption;
    };
    const TCase cases[] = {{mtWarning, "Warning"},
                           {mtError, "Error"},
                           {mtInformation, "Information"},
                           {mtConfirmation, "Confirm"},
                           {mtCustom, nullptr}};
    for (const TCase& c : cases) {
        std::unique_ptr<TForm> f(CreateMessageDialog("x", c.Type, TMsgDlgButtons{mbOK}));
        EXPECT_EQ(f->Caption(), c.Caption ? std::string(c.Caption) : Application()->Title());
        EXPECT_EQ(f->BorderStyle(), bsDialog);
        // An icon for every type but the custom one.
        EXPECT_EQ(f->FindComponent("Image") != nullptr, c.Type != mtCustom);
    }
}

TEST_F(DialogsTest, DialogLayoutButtonsCentredBelowTheText) {
    std::unique_ptr<TForm> f(
        CreateMessageDialog("A message that is long enough to need a few lines of text in the dialog box, "
                            "so that word wrapping is needed.",
                            mtInformation, TMsgDlgButtons{mbYes, mbNo, mbCancel, mbYesToAll, mbNoToAll}));
    f->HandleNeeded();
    auto* label = dynamic_cast<TLabel*>(f->FindComponent("Message"));
    auto* icon = dynamic_cast<TControl*>(f->FindComponent("Image"));
    ASSERT_NE(label, nullptr);
    ASSERT_NE(icon, nullptr);
    TLabel one(nullptr);
    one.SetCaption("x");
    EXPECT_GE(label->Height(), 2 * one.Height());  // wrapped onto several lines
    EXPECT_LE(label->Width(), 400);
    EXPECT_GE(label->Left(), icon->Left() + icon->Width());

    std::vector<TButton*> buttons = ButtonsOf(f.get());
    ASSERT_EQ(buttons.size(), 5u);
    // In the order of the button set.
    const char* captions[] = {"&Yes", "&No", "Cancel", "N&o to All", "Yes to &All"};
    const TModalResult results[] = {mrYes, mrNo, mrCancel, mrNoToAll, mrYesToAll};
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->Caption(), captions[i]);
        EXPECT_EQ(buttons[i]->ModalResult(), results[i]);
        EXPECT_EQ(buttons[i]->Top(), buttons[0]->Top());
        EXPECT_GE(buttons[i]->Top(), label->Top() + label->Height());
        if (i > 0) {
            EXPECT_GT(buttons[i]->Left(), buttons[i - 1]->Left() + buttons[i - 1]->Width());
        }
        EXPECT_LE(buttons[i]->Top() + buttons[i]->Height(), f->ClientHeight());
    }
    int32_t left = buttons.front()->Left(), right = buttons.back()->Left() + buttons.back()->Width();
    EXPECT_LE(std::abs((left + right) - f->ClientWidth()), 1);
    EXPECT_TRUE(buttons[0]->Default());   // Yes without OK
    EXPECT_TRUE(buttons[2]->Cancel());    // Cancel
    EXPECT_FALSE(buttons[1]->Cancel());
    f->Show();
    Application()->ProcessMessages();
    EXPECT_TRUE(f->SaveToPng(std::string(CORVANE_TEST_TMP) + "/dialog.png"));
}

TEST_F(DialogsTest, DialogKeysAndClicksGiveTheButtonsResults) {
    struct TCase {
        TMsgDlgButtons Buttons;
        int Key;  // 0: click the button named Click
        const char* Click;
        TModalResult Expected;
    };
    const TCase cases[] = {
        {mbYesNoCancel, VK_RETURN, nullptr, mrYes},
        {mbYesNoCancel, VK_ESCAPE, nullptr, mrCancel},
        {TMsgDlgButtons{mbYes, mbNo}, VK_ESCAPE, nullptr, mrNo},
        {mbOKCancel, VK_RETURN, nullptr, mrOk},
        {mbAbortRetryIgnore, 0, "Retry", mrRetry},
        {TMsgDlgButtons{mbOK, mbHelp}, 0, "OK", mrOk},
    };
    for (const TCase& c : cases) {
        std::unique_ptr<TForm> f(CreateMessageDialog("Proceed?", mtConfirmation, c.Buttons));
        TScriptScope scope(
            [&](TCustomForm& Form) {
                if (c.Key) {
                    FeedKey(c.Key, true);
                    FeedKey(c.Key, false);
                    return;
                }
                auto* b = dynamic_cast<TControl*>(Form.FindComponent(c.Click));
                ASSERT_NE(b, nullptr);
                TPoint s = b->ClientToScreen({10, 10});
                FeedMouseButton(mbLeftButton, true, s.X, s.Y);
                FeedMouseButton(mbLeftButton, false, s.X, s.Y);
            },
            nullptr);
        EXPECT_EQ(f->ShowModal(), c.Expected) << c.Key << " " << (c.Click ? c.Click : "");
    }
}

TEST_F(DialogsTest, MessageBoxFormAnswersWithTheButtonId) {
    TMessageBoxRequest req;
    req.Kind = "MessageBox";
    req.Caption = "Question";
    req.Text = "Really?";
    req.Flags = MB_OKCANCEL | MB_ICONQUESTION;
    req.Buttons = {IDOK, IDCANCEL};
    req.DefaultButton = IDCANCEL;
    std::string caption;
    bool hasIcon = false;
    int key = VK_RETURN;
    TScriptScope scope(
        [&](TCustomForm& Form) {
            caption = Form.Caption();
            hasIcon = Form.FindComponent("Image") != nullptr;
            FeedKey(key, true);
            FeedKey(key, false);
        },
        nullptr);
    EXPECT_EQ(ShowMessageBoxForm(req), IDCANCEL);  // Enter: the default button
    EXPECT_EQ(caption, "Question");
    EXPECT_TRUE(hasIcon);
    // Escape without a Cancel button does nothing; the box closed without a
    // button answers with its default.
    req.Flags = MB_YESNO;
    req.Buttons = {IDYES, IDNO};
    req.DefaultButton = IDNO;
    key = VK_ESCAPE;
    EXPECT_EQ(ShowMessageBoxForm(req), IDNO);
}

}  // namespace
