// The palette: pages, their order and the order of the classes on them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Classes.h"
#include "CorvaneDBComponents.h"
#include "CorvaneDialogs.h"
#include "CorvaneNVComponents.h"
#include "CorvaneReg.h"
#include "CorvaneVComponents.h"
#include "DesignIntf.h"

using namespace corvane;

namespace {

struct ExpectedPage {
    std::string Page;
    std::vector<std::string> Classes;
};

// The palette as the pack defines it, every class in its place.
const std::vector<ExpectedPage>& ExpectedPalette() {
    static const std::vector<ExpectedPage> pages = {
        {"Corvane-Vis1",
         {"TCvAnimation", "TCvAnimation95", "TCvBitmapLCD", "TCvBitmapLCD2", "TCvButton95", "TCvButtonEdit",
          "TCvBwccCheckbox", "TCvBwccRadioButton", "TCvCalendar", "TCvCheckListBox", "TCvCheckBox95",
          "TCvRadioButton95", "TCvColorButton", "TCvColorComboBox", "TCvDateEdit", "TCvDirTreeView",
          "TCvExtButtonEdit", "TCvFontComboBox", "TCvExtFontComboBox", "TCvFileListView", "TCvFramedListbox"}},
        {"Corvane-Vis2",
         {"TCvHotSpot", "TCvIconComboBox", "TCvIconListBox", "TCvLCD", "TCvMultiLineLCD", "TCvOfficeButton",
          "TCvOfficeLabel", "TCvPolyHotSpot", "TCvRepeatedSpeedButton", "TCvRepeatedButton", "TCvRepeatedBitBtn",
          "TCvRichedit", "TCvRichLabel", "TCvRuler", "TCvSplitter", "TCvTextScroller", "TCvWizard",
          "TCvLinkLabel", "TCvLed", "TCvBlinkingLed"}},
        {"Corvane-NoVis1",
         {"TCvApplication", "TCvLockApp", "TCvTaskbar", "TCvFastTimer", "TCvCGIConnect", "TCvDragDrop",
          "TCvSystemInfo", "TCvDriveInfo", "TCvFileInfo", "TCvFileVersionInfo", "TCvShellFileOperation",
          "TCvWatchDir", "TCvJoystick", "TCvMathParser"}},
        {"Corvane-NoVis2",
         {"TCvSimpleTrigger", "TCvTrigger", "TCvAdvancedTrigger", "TCvHotkey", "TCvSingleInstance",
          "TCvStringListComponent", "TCvMouseClip", "TCvMousePosition", "TCvAudioVolume", "TCvMenu",
          "TCvPopupMenu", "TCvMenuItem", "TCvAdvMenuItem", "TCvOwnerDrawMenuItem", "TCvExitWindows",
          "TCvWavePlayer", "TCvSharedMem", "TCvExecuteApp", "TCvThreadedTimer", "TCvFormExtender",
          "TCvFormCaptionExtender", "TCvBackgroundFill", "TCvPlacement", "TCvFileCRC"}},
        {"Corvane-Database",
         {"TCvDBButtonEdit", "TCvDBDateEdit", "TCvDBFramedListbox", "TCvDBImage", "TCvDBLed", "TCvDBNavigator",
          "TCvDBRichEdit", "TCvDBCheckBox95", "TCvDBLCD"}},
        {"Corvane-Dialogs",
         {"TCvAboutDialog", "TCvBrowseFolderDialog", "TCvCalendarDialog", "TCvCalendarPopup", "TCvInfoDialog",
          "TCvMessageDialog", "TCvNetConnectDialog", "TCvNetDisConnectDialog", "TCvPageSetupDialog",
          "TCvPasswordDialog", "TCvShellAboutDialog", "TCvSimpleInputDialog", "TCvTipsDialog",
          "TCvWindowListDialog", "TCvRichTextDialog"}},
    };
    return pages;
}

std::vector<TCvPalettePage> UnitLayouts() {
    std::vector<TCvPalettePage> all;
    for (const auto* unit : {&CorvaneVComponents::Pages(), &CorvaneNVComponents::Pages(),
                             &CorvaneDBComponents::Pages(), &CorvaneDialogs::Pages()})
        all.insert(all.end(), unit->begin(), unit->end());
    return all;
}

class Palette : public ::testing::Test {
protected:
    void SetUp() override {
        vcl::ClearPalette();
        CorvaneReg::Register();
    }
    void TearDown() override { vcl::ClearPalette(); }
};

}  // namespace

TEST(PaletteLayout, UnitsHoldEveryClassInPlace) {
    const auto layouts = UnitLayouts();
    const auto& expected = ExpectedPalette();
    ASSERT_EQ(layouts.size(), expected.size());
    size_t total = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(layouts[i].Page, expected[i].Page);
        ASSERT_EQ(layouts[i].Slots.size(), expected[i].Classes.size()) << expected[i].Page;
        for (size_t j = 0; j < expected[i].Classes.size(); ++j) {
            EXPECT_EQ(layouts[i].Slots[j].ClassName, expected[i].Classes[j]);
            // A slot that has its class has the right one.
            if (layouts[i].Slots[j].Class) {
                EXPECT_EQ(layouts[i].Slots[j].Class().ClassName(), expected[i].Classes[j]);
            }
        }
        total += expected[i].Classes.size();
    }
    EXPECT_EQ(total, 103u);
    EXPECT_EQ(expected[2].Classes.size(), 14u);
}

TEST_F(Palette, SixPagesInRegistrationOrder) {
    const std::vector<std::string> pages = vcl::PalettePages();
    const std::vector<std::string> want = {"Corvane-Vis1",   "Corvane-Vis2",     "Corvane-NoVis1",
                                           "Corvane-NoVis2", "Corvane-Database", "Corvane-Dialogs"};
    EXPECT_EQ(pages, want);
}

TEST_F(Palette, RegisteredClassesFollowTheLayoutOrder) {
    std::set<const vcl::TMetaClass*> seen;
    size_t registered = 0;
    for (const ExpectedPage& page : ExpectedPalette()) {
        std::vector<std::string> existing;  // the expected names whose class is in the build
        for (const std::string& name : page.Classes)
            if (vcl::GetClass(name)) existing.push_back(name);
        std::vector<std::string> got;
        for (const vcl::TMetaClass* c : vcl::PaletteClasses(page.Page)) {
            got.push_back(c->ClassName());
            EXPECT_TRUE(seen.insert(c).second) << c->ClassName() << " is on two pages";
        }
        EXPECT_EQ(got, existing) << page.Page;
        registered += got.size();
    }
    // Every component built so far is on its page.
    EXPECT_GE(registered, 1u);
    EXPECT_EQ(vcl::PaletteOf(*vcl::GetClass("TCvMathParser")), "Corvane-NoVis1");
}

TEST_F(Palette, RegisteringAgainChangesNothingAndAnotherPageIsRefused) {
    const auto before = vcl::PaletteClasses("Corvane-NoVis1");
    CorvaneReg::Register();
    EXPECT_EQ(vcl::PaletteClasses("Corvane-NoVis1"), before);
    const vcl::TMetaClass* parser = vcl::GetClass("TCvMathParser");
    ASSERT_NE(parser, nullptr);
    EXPECT_THROW(vcl::RegisterComponents("Corvane-Vis1", {parser}), vcl::EComponentError);
    EXPECT_EQ(vcl::PaletteOf(*parser), "Corvane-NoVis1");
}

// Every registered component publishes the About byte, without a stream
// default, except the three classes that do without it.
TEST_F(Palette, EveryComponentPublishesAbout) {
    const std::set<std::string> without = {"TCvIconListBox", "TCvWavePlayer", "TCvRichTextDialog"};
    for (const std::string& page : vcl::PalettePages()) {
        for (const vcl::TMetaClass* c : vcl::PaletteClasses(page)) {
            const vcl::TPropInfo* about = c->FindProperty("About");
            if (without.count(c->ClassName())) {
                EXPECT_EQ(about, nullptr) << c->ClassName();
                continue;
            }
            ASSERT_NE(about, nullptr) << c->ClassName();
            EXPECT_EQ(about->Kind, vcl::tkInteger);
            EXPECT_EQ(about->OrdType, vcl::otUByte);
            EXPECT_FALSE(about->OrdDefault.has_value());
            vcl::TComponent* instance = c->Create(nullptr);
            EXPECT_EQ(about->GetOrd(*instance), 0) << c->ClassName();
            delete instance;
        }
    }
}
