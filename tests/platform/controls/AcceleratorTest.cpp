// Alt with a caption's accelerator letter: labels focus their control,
// buttons click, check boxes toggle.
#include <gtest/gtest.h>

#include "Forms.h"
#include "StdCtrls.h"
#include "WinBackend.h"

using namespace vcl;

namespace {
void AltKey(int Vk) {
    FeedKey(VK_MENU, true);
    FeedKey(Vk, true);
    FeedKey(Vk, false);
    FeedKey(VK_MENU, false);
    Application()->ProcessMessages();
}
}  // namespace

TEST(Accelerators, CaptionLettersTable) {
    const struct {
        const char* Caption;
        char32_t Key;
        bool Hit;
    } cases[] = {{"&File", U'f', true},     {"&File", U'F', true},  {"F&ile", U'f', false},
                 {"Save && &Quit", U'q', true}, {"Save &&Quit", U'q', false}, {"&Ärger", U'ä', true},
                 {"No accel", U'n', false}, {"Trailing &", U'&', false}};
    for (const auto& c : cases) EXPECT_EQ(IsAccel(c.Key, c.Caption), c.Hit) << c.Caption;
}

TEST(Accelerators, AltLetterFocusesClicksAndToggles) {
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 300, 200);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("&Name:");
    label->SetBounds(10, 10, 60, 16);
    auto* name = new TEdit(form);
    name->SetParent(form);
    name->SetBounds(80, 8, 120, 22);
    label->SetFocusControl(name);
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(80, 40, 120, 22);
    auto* apply = new TButton(form);
    apply->SetParent(form);
    apply->SetCaption("&Apply");
    apply->SetBounds(10, 80, 80, 24);
    int clicks = 0;
    apply->SetOnClick([&](TObject*) { ++clicks; });
    auto* remember = new TCheckBox(form);
    remember->SetParent(form);
    remember->SetCaption("&Remember");
    remember->SetBounds(10, 120, 120, 20);
    form->Show();
    Application()->ProcessMessages();
    other->SetFocus();
    ASSERT_TRUE(other->Focused());

    AltKey('N');
    EXPECT_TRUE(name->Focused());
    AltKey('A');
    EXPECT_EQ(clicks, 1);
    AltKey('R');
    EXPECT_TRUE(remember->Checked());
    AltKey('R');
    EXPECT_FALSE(remember->Checked());
    // A letter no caption marks changes nothing; a disabled button is skipped.
    apply->SetEnabled(false);
    AltKey('A');
    AltKey('Z');
    EXPECT_EQ(clicks, 1);
    delete form;
}
