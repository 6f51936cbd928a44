// The mouse components: the target areas, the pointer after activation by
// the program (not after a click), and the pointer confinement.
#include <gtest/gtest.h>

#include "CvMouseClip.h"
#include "CvMousePosition.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinBackend.h"

using namespace vcl;
using namespace corvane;

namespace {

TPoint Cursor() {
    TPoint p;
    GetCursorPos(&p);
    return p;
}

TRect ScreenRect() { return TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

TRect Clip() {
    TRect r;
    GetClipCursor(&r);
    return r;
}

struct MouseFixture : ::testing::Test {
    TForm* Form = nullptr;
    TForm* Other = nullptr;
    void SetUp() override {
        ClipCursor(nullptr);
        SetCursorPos(5, 5);
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 400, 300);
        Other = new TForm(nullptr);
        Other->SetBounds(600, 100, 200, 200);
    }
    void TearDown() override {
        delete Other;
        delete Form;
        ClipCursor(nullptr);
    }
    void ShowBoth() {
        Form->Show();
        Other->Show();  // Other is active now
        Application()->ProcessMessages();
    }
    void Activate(TForm* F) {
        SetActiveWindow(F->Handle());
        Application()->ProcessMessages();
    }
    TPoint Client(int X, int Y) { return Form->ClientToScreen(TPoint{X, Y}); }
};

}  // namespace

TEST_F(MouseFixture, ConstructedValues) {
    auto* mp = new TCvMousePosition(Form);
    EXPECT_TRUE(mp->AutoPosition());
    EXPECT_EQ(mp->Position(), poMCenter);
    EXPECT_EQ(mp->Control(), nullptr);
    EXPECT_EQ(mp->Style(), msClientArea);
    EXPECT_TRUE(mp->Hooked());
    auto* clip = new TCvMouseClip(Form);
    EXPECT_TRUE(clip->AutoPosition());
    EXPECT_EQ(clip->Control(), nullptr);
    EXPECT_EQ(clip->Style(), msClientArea);
    EXPECT_TRUE(clip->Hooked());
}

TEST_F(MouseFixture, PositionsOnTheClientArea) {
    auto* mp = new TCvMousePosition(Form);
    Form->Show();
    Application()->ProcessMessages();
    const int w = Form->ClientWidth(), h = Form->ClientHeight();
    struct Case {
        TCvMousePositionPos Pos;
        int X, Y;
    } cases[] = {
        {poLTop, 0, 0},     {poLCenter, 0, h / 2},     {poLBottom, 0, h},
        {poMTop, w / 2, 0}, {poMCenter, w / 2, h / 2}, {poMBottom, w / 2, h},
        {poRTop, w, 0},     {poRCenter, w, h / 2},     {poRBottom, w, h},
    };
    for (const Case& c : cases) {
        mp->SetPosition(c.Pos);
        mp->SetMouseCursor();
        EXPECT_EQ(Cursor(), Client(c.X, c.Y)) << int(c.Pos);
    }
    mp->SetStyle(msControl);
    mp->SetMouseAt(7, 9);
    EXPECT_EQ(mp->Style(), msClientArea);
    EXPECT_EQ(Cursor(), Client(7, 9));
}

TEST_F(MouseFixture, ActivationByTheProgramMovesThePointerAClickDoesNot) {
    auto* mp = new TCvMousePosition(Form);
    mp->SetPosition(poRBottom);
    ShowBoth();
    SetCursorPos(5, 5);
    Activate(Form);
    // The bottom-right corner point: one beyond the last client pixel.
    EXPECT_EQ(Cursor(), Client(Form->ClientWidth(), Form->ClientHeight()));

    Activate(Other);
    const TPoint click = Client(30, 40);
    FeedMouseButton(mbLeftButton, true, click.X, click.Y);
    FeedMouseButton(mbLeftButton, false, click.X, click.Y);
    Application()->ProcessMessages();
    ASSERT_EQ(GetActiveWindow(), Form->Handle());
    EXPECT_EQ(Cursor(), click);

    mp->SetAutoPosition(false);
    Activate(Other);
    SetCursorPos(5, 5);
    Activate(Form);
    EXPECT_EQ(Cursor(), (TPoint{5, 5}));
}

TEST_F(MouseFixture, DefaultButtonTargetsTheLastOneCreated) {
    auto* first = new TButton(Form);
    first->SetParent(Form);
    first->SetBounds(10, 10, 80, 24);
    first->SetDefault(true);
    auto* plain = new TButton(Form);
    plain->SetParent(Form);
    plain->SetBounds(10, 50, 80, 24);
    auto* second = new TButton(Form);
    second->SetParent(Form);
    second->SetBounds(200, 100, 80, 30);
    second->SetDefault(true);
    auto* mp = new TCvMousePosition(Form);
    mp->SetStyle(msDefaultButton);
    mp->SetPosition(poMCenter);
    ShowBoth();
    Activate(Form);
    EXPECT_EQ(Cursor(), Client(240, 115));
}

TEST_F(MouseFixture, ControlTargetAndItsRemoval) {
    auto* button = new TButton(Form);
    button->SetParent(Form);
    button->SetBounds(20, 30, 100, 40);
    auto* mp = new TCvMousePosition(Form);
    auto* clip = new TCvMouseClip(Form);
    clip->SetAutoPosition(false);
    mp->SetStyle(msControl);
    mp->SetControl(button);
    clip->SetStyle(msControl);
    clip->SetControl(button);
    mp->SetPosition(poLTop);
    Form->Show();
    Application()->ProcessMessages();
    mp->SetMouseCursor();
    EXPECT_EQ(Cursor(), Client(20, 30));
    delete button;
    EXPECT_EQ(mp->Control(), nullptr);
    EXPECT_EQ(clip->Control(), nullptr);
    SetCursorPos(5, 5);
    mp->SetMouseCursor();  // no target: nothing happens
    clip->StartClip();
    EXPECT_EQ(Cursor(), (TPoint{5, 5}));
    EXPECT_EQ(Clip(), ScreenRect());

    // A control without a parent is nowhere on the form.
    auto* loose = new TButton(Form);
    loose->SetBounds(20, 30, 100, 40);
    mp->SetControl(loose);
    mp->SetMouseCursor();
    EXPECT_EQ(Cursor(), (TPoint{5, 5}));
}

TEST_F(MouseFixture, ClipRectConfinesAndCentres) {
    auto* clip = new TCvMouseClip(Form);
    clip->SetStyle(msControl);
    Form->Show();
    Application()->ProcessMessages();
    clip->StartClipRect(TRect{10, 20, 110, 70});
    EXPECT_EQ(clip->Style(), msClientArea);
    const TPoint o = Client(10, 20);
    EXPECT_EQ(Clip(), (TRect{o.X, o.Y, o.X + 100, o.Y + 50}));
    EXPECT_EQ(Cursor(), Client(60, 45));
    SetCursorPos(0, 0);
    EXPECT_EQ(Cursor(), o);
    clip->StopClip();
    EXPECT_EQ(Clip(), ScreenRect());
}

TEST_F(MouseFixture, ActivationConfinesToTheClientAreaAClickDoesNot) {
    auto* clip = new TCvMouseClip(Form);
    ShowBoth();
    Activate(Form);
    const TPoint o = Client(0, 0);
    EXPECT_EQ(Clip(), (TRect{o.X, o.Y, o.X + Form->ClientWidth(), o.Y + Form->ClientHeight()}));
    EXPECT_EQ(Cursor(), Client(Form->ClientWidth() / 2, Form->ClientHeight() / 2));
    // Deactivating keeps the confinement.
    Activate(Other);
    EXPECT_NE(Clip(), ScreenRect());
    clip->StopClip();
    const TPoint click = Client(30, 40);
    FeedMouseButton(mbLeftButton, true, click.X, click.Y);
    FeedMouseButton(mbLeftButton, false, click.X, click.Y);
    Application()->ProcessMessages();
    ASSERT_EQ(GetActiveWindow(), Form->Handle());
    EXPECT_EQ(Clip(), ScreenRect());
}

TEST_F(MouseFixture, DestroyingTheComponentReleasesItsConfinement) {
    auto* clip = new TCvMouseClip(Form);
    Form->Show();
    Application()->ProcessMessages();
    clip->StartClipRect(TRect{0, 0, 50, 50});
    ASSERT_NE(Clip(), ScreenRect());
    delete clip;
    EXPECT_EQ(Clip(), ScreenRect());
    // A confinement somebody else set since is not touched.
    clip = new TCvMouseClip(Form);
    clip->StartClipRect(TRect{0, 0, 50, 50});
    const TRect theirs{200, 200, 300, 300};
    ClipCursor(&theirs);
    delete clip;
    EXPECT_EQ(Clip(), theirs);
}
