// TCvTrigger on virtual time with German date and time texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Clock.h"
#include "CvTrigger.h"
#include "DateTime.h"
#include "ExtCtrls.h"
#include "Filer.h"

using namespace corvane;

namespace {

vcl::TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return vcl::EncodeDate(y, mo, d) + vcl::EncodeTime(h, mi, s, ms);
}

struct Alarm {
    int32_t Index;
    std::string Desc;
    bool operator==(const Alarm&) const = default;
};

class TriggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = vcl::FormatSettings();
        vcl::FormatSettings() = vcl::GermanFormatSettings();
        vcl::Clock::UseVirtualTime(true);
        vcl::Clock::SetVirtualDateTime(At(2026, 12, 9, 13, 45, 12, 250));
        T = std::make_unique<TCvTrigger>(nullptr);
        T->SetOnAlarm([this](vcl::TObject* s, int32_t i, const std::string& d) {
            EXPECT_EQ(s, T.get());
            Alarms.push_back({i, d});
        });
        T->SetOnTimeChange([this](vcl::TObject*) { ++TimeChanges; });
        T->SetOnDateChange([this](vcl::TObject*) { ++DateChanges; });
        T->SetEnabled(true);
    }
    void TearDown() override {
        T.reset();
        vcl::Clock::UseVirtualTime(false);
        vcl::FormatSettings() = FSaved;
    }
    static void AdvanceMs(uint64_t ms) { vcl::Clock::Advance(ms * 1000000ULL); }
    // Ticks once per second for n seconds, starting with the current one.
    void TickSeconds(int n) {
        for (int i = 0; i < n; ++i) {
            T->Tick();
            AdvanceMs(1000);
        }
    }

    vcl::TFormatSettings FSaved;
    std::unique_ptr<TCvTrigger> T;
    std::vector<Alarm> Alarms;
    int TimeChanges = 0;
    int DateChanges = 0;
};

}  // namespace

TEST_F(TriggerTest, ConstructedValuesAndStreamDefaults) {
    TCvTrigger t(nullptr);
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_EQ(t.Timer()->Interval(), 1000u);
    EXPECT_FALSE(t.Timer()->Enabled());
    t.SetInterval(250);
    t.SetEnabled(true);
    EXPECT_EQ(t.Timer()->Interval(), 250u);
    EXPECT_TRUE(t.Timer()->Enabled());
    t.SetInterval(1000);
    t.SetEnabled(false);
    t.SetName("Trigger1");
    const std::string text = vcl::ComponentToString(&t);
    // No property declares a default: all three are written.
    EXPECT_NE(text.find("About = 0"), std::string::npos) << text;
    EXPECT_NE(text.find("Enabled = False"), std::string::npos) << text;
    EXPECT_NE(text.find("Interval = 1000"), std::string::npos) << text;
    EXPECT_EQ(text.find("TTimer"), std::string::npos) << text;
}

TEST_F(TriggerTest, AddAcceptsPatternsThatReadAsTimes) {
    struct Case {
        const char* Pattern;
        bool Accepted;
        const char* Stored;
    } cases[] = {
        {"??:??:00", true, "??:??:00"},
        {"??:??:??", true, "??:??:??"},
        {"12:00:00", true, "12:00:00"},
        {"??:30:00 extra", true, "??:30:00"},  // cut to 8 characters
        {"??:61:00", false, ""},               // reads as 11:61:00
        {"2?:00:00", true, "2?:00:00"},
        {"", false, ""},
        {"abc", false, ""},
        {"?", true, "?"},  // reads as 1 o'clock; a short pattern
    };
    for (const Case& c : cases) {
        TCvTrigger t(nullptr);
        EXPECT_EQ(t.Add(c.Pattern, "d"), c.Accepted) << c.Pattern;
        ASSERT_EQ(t.Count(), c.Accepted ? 1 : 0) << c.Pattern;
        if (c.Accepted) {
            EXPECT_EQ(t.Items(0).TimePattern, c.Stored);
            EXPECT_FALSE(t.Items(0).Exact);
            EXPECT_EQ(t.Items(0).Desc, "d");
        }
    }
}

TEST_F(TriggerTest, WildcardsMatchTheCurrentSecond) {
    T->Add("??:??:15", "second 15");   // 0
    T->Add("??:??:??", "every second");  // 1
    T->Add("13:46:00", "fixed");         // 2
    T->Add("??:4?:1?", "tens");          // 3
    TickSeconds(50);                     // 13:45:12 .. 13:46:01
    auto count = [&](int32_t i) {
        int n = 0;
        for (const Alarm& a : Alarms) n += a.Index == i;
        return n;
    };
    EXPECT_EQ(count(0), 1);
    EXPECT_EQ(count(1), 50);
    EXPECT_EQ(count(2), 1);
    EXPECT_EQ(count(3), 8);  // 13:45:12 .. 13:45:19
    EXPECT_EQ(TimeChanges, 50);
}

TEST_F(TriggerTest, OneTimeChangeAndOneAlarmPerSecond) {
    T->Add("??:??:??", "s");
    T->Tick();  // .250
    AdvanceMs(300);
    T->Tick();  // .550
    AdvanceMs(300);
    T->Tick();  // .850
    EXPECT_EQ(TimeChanges, 1);
    EXPECT_EQ(Alarms.size(), 1u);
    AdvanceMs(300);
    T->Tick();  // next second
    EXPECT_EQ(TimeChanges, 2);
    EXPECT_EQ(Alarms.size(), 2u);
}

TEST_F(TriggerTest, DisabledOrDesigningDoesNothing) {
    T->Add("??:??:??", "s");
    T->SetEnabled(false);
    T->Tick();
    T->SetEnabled(true);
    T->SetDesigning(true);
    T->Tick();
    EXPECT_EQ(TimeChanges, 0);
    EXPECT_TRUE(Alarms.empty());
}

TEST_F(TriggerTest, DateChangeOnceOnTheFirstTickOfTheNewDay) {
    vcl::Clock::SetVirtualDateTime(At(2026, 12, 9, 23, 59, 58, 500));
    TickSeconds(5);
    EXPECT_EQ(DateChanges, 1);
    EXPECT_EQ(TimeChanges, 5);
}

TEST_F(TriggerTest, ShortPatternsMatchOnlyTheirOwnLengthSafely) {
    // A pattern shorter than the positions it is read at never reads past
    // its end; it cannot equal an 8-character time text.
    ASSERT_TRUE(T->Add("?", "short"));
    ASSERT_TRUE(T->Add("1?:4", "short2"));  // reads as 11:4
    TickSeconds(3);
    EXPECT_TRUE(Alarms.empty());
    // A time text shorter than the pattern (format "h:nn:ss" before 10 o'clock).
    vcl::FormatSettings().LongTimeFormat = "h:nn:ss";
    vcl::Clock::SetVirtualDateTime(At(2026, 12, 9, 9, 5, 0, 100));
    TCvTrigger t(nullptr);
    std::vector<std::string> got;
    t.SetOnAlarm([&](vcl::TObject*, int32_t, const std::string& d) { got.push_back(d); });
    t.Add("?:05:00", "seven");
    t.Add("??:05:00", "eight");
    t.Add("9:05:0?", "nine");
    t.SetEnabled(true);
    t.Tick();
    EXPECT_EQ(got, (std::vector<std::string>{"seven", "nine"}));
}

TEST_F(TriggerTest, ExactEntriesFireOnceEvenWhenTheirSecondIsSkipped) {
    T->AddExact(At(2026, 12, 9, 13, 45, 14, 600), "exact");      // 0: its second is seen
    T->AddExact(At(2026, 12, 9, 13, 45, 16), "skipped second");  // 1: ticks jump over it
    T->AddExact(At(2026, 12, 9, 13, 45, 0), "past");             // 2: before the first tick
    EXPECT_FALSE(T->AddExact(std::numeric_limits<double>::quiet_NaN(), "nan"));
    EXPECT_EQ(T->Count(), 3);
    EXPECT_TRUE(T->Items(0).Exact);
    TickSeconds(3);  // 12, 13, 14
    ASSERT_EQ(Alarms, (std::vector<Alarm>{{0, "exact"}}));
    AdvanceMs(2000);  // the clock stands at 15.250; the next tick comes at 17.250
    T->Tick();        // seconds 15 and 16 were never seen
    EXPECT_EQ(Alarms, (std::vector<Alarm>{{0, "exact"}, {1, "skipped second"}}));
    TickSeconds(5);
    EXPECT_EQ(Alarms.size(), 2u);
}

TEST_F(TriggerTest, DeleteAndDeleteByDesc) {
    for (const char* d : {"a", "b", "b", "c", "b"}) T->Add("??:??:??", d);
    T->Delete(99);  // at or above the count: nothing
    EXPECT_EQ(T->Count(), 5);
    EXPECT_THROW(T->Delete(-1), vcl::EListError);
    EXPECT_THROW(T->Items(5), vcl::EListError);
    T->DeleteByDesc("B");  // case-sensitive: nothing
    EXPECT_EQ(T->Count(), 5);
    T->DeleteByDesc("b");
    ASSERT_EQ(T->Count(), 2);
    EXPECT_EQ(T->Items(0).Desc, "a");
    EXPECT_EQ(T->Items(1).Desc, "c");
    T->Delete(0);
    ASSERT_EQ(T->Count(), 1);
    EXPECT_EQ(T->Items(0).Desc, "c");
}

TEST_F(TriggerTest, HandlerMayAddAndDeleteEntriesDuringTheAlarmLoop) {
    for (const char* d : {"a", "b", "c", "d"}) T->Add("??:??:??", d);
    std::vector<Alarm> seen;
    T->SetOnAlarm([&](vcl::TObject*, int32_t i, const std::string& d) {
        seen.push_back({i, d});
        if (d == "a") {
            T->DeleteByDesc("a");  // itself
            T->DeleteByDesc("c");  // a later one
            T->Add("??:??:??", "new");
        }
        if (d == "b") T->Delete(0);  // itself, now at index 0
    });
    T->Tick();
    // "c" was deleted before its turn, "new" waits for the next tick; the
    // index reported is the entry's index at the time of its alarm.
    EXPECT_EQ(seen, (std::vector<Alarm>{{0, "a"}, {0, "b"}, {0, "d"}}));
    ASSERT_EQ(T->Count(), 2);
    seen.clear();
    AdvanceMs(1000);
    T->Tick();
    EXPECT_EQ(seen, (std::vector<Alarm>{{0, "d"}, {1, "new"}}));
}

TEST_F(TriggerTest, EntriesAreFreedWithTheComponent) {
    auto form = std::make_unique<vcl::TComponent>(nullptr);
    auto* t = new TCvTrigger(form.get());
    for (int i = 0; i < 100; ++i) t->Add("??:??:??", std::string(100, 'x'));
    form.reset();  // leak-checked under the sanitizer build
}
