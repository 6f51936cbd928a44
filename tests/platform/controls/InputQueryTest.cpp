// InputQuery and InputBox driven by the modal script through real keys.
#include <gtest/gtest.h>

#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinBackend.h"

using namespace vcl;

namespace {
void Key(int Vk) {
    FeedKey(Vk, true);
    FeedKey(Vk, false);
    Application()->ProcessMessages();
}
}  // namespace

TEST(InputQuery, TypedTextAndEnterGiveTheValue) {
    std::string prompt;
    TScriptScope scope(
        [&](TCustomForm& F) {
            prompt = static_cast<TLabel*>(F.FindComponent("Prompt"))->Caption();
            // The edit has the focus with its text selected: typing replaces it.
            for (char32_t c : std::u32string(U"Grüße")) FeedChar(c);
            Application()->ProcessMessages();
            Key(VK_RETURN);
        },
        nullptr);
    std::string value = "old";
    EXPECT_TRUE(InputQuery("Greeting", "Say something:", value));
    EXPECT_EQ(value, "Grüße");
    EXPECT_EQ(prompt, "Say something:");
}

TEST(InputQuery, EscapeOrNobodyLeavesTheValue) {
    std::string value = "kept";
    {
        TScriptScope scope(
            [](TCustomForm&) {
                FeedChar(U'x');
                Application()->ProcessMessages();
                Key(VK_ESCAPE);
            },
            nullptr);
        EXPECT_FALSE(InputQuery("Q", "P", value));
    }
    EXPECT_EQ(value, "kept");
    // Headless without a script the dialog is cancelled.
    EXPECT_EQ(InputBox("Q", "P", "fallback"), "fallback");
}
