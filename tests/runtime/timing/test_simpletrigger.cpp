// TCvSimpleTrigger on virtual time with German date and time texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Clock.h"
#include "CvSimpleTrigger.h"
#include "DateTime.h"
#include "ExtCtrls.h"
#include "Filer.h"

using namespace corvane;

namespace {

vcl::TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return vcl::EncodeDate(y, mo, d) + vcl::EncodeTime(h, mi, s, ms);
}

class SimpleTriggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = vcl::FormatSettings();
        vcl::FormatSettings() = vcl::GermanFormatSettings();
        vcl::Clock::UseVirtualTime(true);
        vcl::Clock::SetVirtualDateTime(At(2026, 12, 9, 13, 45, 12, 250));
    }
    void TearDown() override {
        SetDesignMessageProc({});
        vcl::Clock::UseVirtualTime(false);
        vcl::FormatSettings() = FSaved;
    }
    static void AdvanceMs(uint64_t ms) { vcl::Clock::Advance(ms * 1000000ULL); }

    vcl::TFormatSettings FSaved;
};

}  // namespace

TEST_F(SimpleTriggerTest, NewTriggerHoldsTheCurrentSecondAndAnIdleTimer) {
    TCvSimpleTrigger t(nullptr);
    EXPECT_EQ(t.TriggerDate(), "09.12.2026");
    EXPECT_EQ(t.TriggerTime(), "13:45:12");
    EXPECT_DOUBLE_EQ(t.TriggerMoment(), At(2026, 12, 9, 13, 45, 12));
    EXPECT_FALSE(t.Enabled());
    ASSERT_NE(t.Timer(), nullptr);
    EXPECT_EQ(t.Timer()->Owner(), &t);
    EXPECT_EQ(t.Timer()->Interval(), 750u);
    EXPECT_FALSE(t.Timer()->Enabled());
    t.SetEnabled(true);
    EXPECT_TRUE(t.Timer()->Enabled());
    t.SetEnabled(false);
    EXPECT_FALSE(t.Timer()->Enabled());
}

TEST_F(SimpleTriggerTest, StreamWritesAboutDateAndTimeAlwaysAndEnabledOnlyWhenSet) {
    TCvSimpleTrigger t(nullptr);
    t.SetName("SimpleTrigger1");
    std::string text = vcl::ComponentToString(&t);
    EXPECT_NE(text.find("About = 0"), std::string::npos) << text;
    EXPECT_NE(text.find("TriggerDate = '09.12.2026'"), std::string::npos) << text;
    EXPECT_NE(text.find("TriggerTime = '13:45:12'"), std::string::npos) << text;
    EXPECT_EQ(text.find("Enabled"), std::string::npos) << text;
    EXPECT_EQ(text.find("TTimer"), std::string::npos) << "the owned timer is not streamed:\n" << text;
    t.SetEnabled(true);
    text = vcl::ComponentToString(&t);
    EXPECT_NE(text.find("Enabled = True"), std::string::npos) << text;

    // Read back into another trigger.
    TCvSimpleTrigger u(nullptr);
    t.SetTriggerDate("01.02.2027");
    t.SetTriggerTime("06:07:08");
    vcl::StringToComponent(vcl::ComponentToString(&t), &u);
    EXPECT_TRUE(u.Enabled());
    EXPECT_DOUBLE_EQ(u.TriggerMoment(), At(2027, 2, 1, 6, 7, 8));
}

TEST_F(SimpleTriggerTest, FiresOnceInTheMatchingSecond) {
    TCvSimpleTrigger t(nullptr);
    int fired = 0;
    vcl::TObject* sender = nullptr;
    t.SetOnSimpleTrigger([&](vcl::TObject* s) { ++fired; sender = s; });
    t.SetTriggerTime("13:45:14");
    t.SetEnabled(true);
    t.Tick();  // 13:45:12.250
    AdvanceMs(750);
    t.Tick();  // 13:45:13.000
    EXPECT_EQ(fired, 0);
    AdvanceMs(750);
    t.Tick();  // 13:45:13.750
    AdvanceMs(750);
    t.Tick();  // 13:45:14.500
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(sender, &t);
    EXPECT_TRUE(t.Fired());
    AdvanceMs(250);
    t.Tick();  // 13:45:14.750, same second: silent
    EXPECT_EQ(fired, 1);
}

TEST_F(SimpleTriggerTest, ReArmingRules) {
    TCvSimpleTrigger t(nullptr);
    int fired = 0;
    t.SetOnSimpleTrigger([&](vcl::TObject*) { ++fired; });
    t.SetEnabled(true);
    t.Tick();
    ASSERT_EQ(fired, 1);
    // The same text is no change: the trigger stays fired.
    t.SetTriggerTime("13:45:12");
    t.SetTriggerDate("09.12.2026");
    t.Tick();
    EXPECT_EQ(fired, 1);
    // Enabled off and on re-arms it.
    t.SetEnabled(false);
    t.Tick();
    EXPECT_EQ(fired, 1) << "a disabled trigger never fires";
    t.SetEnabled(true);
    t.Tick();
    EXPECT_EQ(fired, 2);
    // A new time re-arms it too.
    t.SetTriggerTime("13:45:13");
    AdvanceMs(1000);
    t.Tick();
    EXPECT_EQ(fired, 3);
}

TEST_F(SimpleTriggerTest, EnablingAfterTheSecondNeverFires) {
    TCvSimpleTrigger t(nullptr);
    int fired = 0;
    t.SetOnSimpleTrigger([&](vcl::TObject*) { ++fired; });
    AdvanceMs(1000);
    t.SetEnabled(true);
    for (int i = 0; i < 10; ++i) {
        t.Tick();
        AdvanceMs(750);
    }
    EXPECT_EQ(fired, 0);
}

TEST_F(SimpleTriggerTest, MatchesTheDateToo) {
    TCvSimpleTrigger t(nullptr);
    int fired = 0;
    t.SetOnSimpleTrigger([&](vcl::TObject*) { ++fired; });
    t.SetTriggerDate("10.12.2026");
    t.SetEnabled(true);
    t.Tick();  // right second, wrong day
    EXPECT_EQ(fired, 0);
    vcl::Clock::SetVirtualDateTime(At(2026, 12, 10, 13, 45, 12, 500));
    t.Tick();
    EXPECT_EQ(fired, 1);
}

TEST_F(SimpleTriggerTest, UnreadableTextsKeepTheMomentAndRaise) {
    TCvSimpleTrigger t(nullptr);
    const vcl::TDateTime before = t.TriggerMoment();
    for (const char* bad : {"31.02.2026", "kein Datum", ""}) {
        EXPECT_THROW(t.SetTriggerDate(bad), vcl::EConvertError) << bad;
        EXPECT_DOUBLE_EQ(t.TriggerMoment(), before) << bad;
    }
    for (const char* bad : {"25:00:00", "12:60:00", "Mittag"}) {
        EXPECT_THROW(t.SetTriggerTime(bad), vcl::EConvertError) << bad;
        EXPECT_DOUBLE_EQ(t.TriggerMoment(), before) << bad;
    }
}

TEST_F(SimpleTriggerTest, DesignerShowsTheMessageInsteadOfRaising) {
    TCvSimpleTrigger t(nullptr);
    t.SetDesigning(true);
    const vcl::TDateTime before = t.TriggerMoment();
    // Without a design message procedure the error still reaches the caller.
    EXPECT_THROW(t.SetTriggerDate("xx"), vcl::EConvertError);
    std::string shown;
    SetDesignMessageProc([&](const std::string& text) { shown = text; });
    EXPECT_NO_THROW(t.SetTriggerDate("xx"));
    EXPECT_EQ(shown, "Ungültiges Datumsformat!!");
    EXPECT_NO_THROW(t.SetTriggerTime("yy"));
    EXPECT_EQ(shown, "Ungültiges Uhrzeitformat!!");
    EXPECT_DOUBLE_EQ(t.TriggerMoment(), before);
    // In the designer the trigger never fires.
    int fired = 0;
    t.SetOnSimpleTrigger([&](vcl::TObject*) { ++fired; });
    t.SetEnabled(true);
    t.Tick();
    EXPECT_EQ(fired, 0);
}

TEST_F(SimpleTriggerTest, FormFileWithABadTimeRaisesWhileLoading) {
    vcl::RegisterClass(TCvSimpleTrigger::StaticClass());
    TCvSimpleTrigger t(nullptr);
    EXPECT_THROW(vcl::StringToComponent("object SimpleTrigger1: TCvSimpleTrigger\n"
                                        "  TriggerDate = '09.12.2026'\n"
                                        "  TriggerTime = '99:99:99'\nend\n",
                                        &t),
                 vcl::Exception);
}

TEST_F(SimpleTriggerTest, OwnedByAFormAndFreedWithIt) {
    auto form = std::make_unique<vcl::TComponent>(nullptr);
    auto* t = new TCvSimpleTrigger(form.get());
    EXPECT_EQ(form->ComponentCount(), 1);
    EXPECT_EQ(t->ComponentCount(), 1);  // the timer
    form.reset();                        // frees trigger and timer (checked by ASan/valgrind)
}
