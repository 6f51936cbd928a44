// TCvAdvancedTrigger on virtual time with German date and time texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "CvAdvTrigger.h"
#include "CvProcs.h"
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
    std::string Due;  // datetimetolstr of ExactTime
    bool Old;
    bool operator==(const Alarm&) const = default;
};

class AdvTriggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = vcl::FormatSettings();
        vcl::FormatSettings() = vcl::GermanFormatSettings();
        vcl::Clock::UseVirtualTime(true);
        vcl::Clock::SetVirtualDateTime(At(2026, 12, 9, 13, 45, 12, 250));
        T = std::make_unique<TCvAdvancedTrigger>(nullptr);
        T->SetOnAlarm([this](vcl::TObject* s, int32_t i, const std::string& d, const std::string& ext,
                             uint16_t l, uint16_t h, uint16_t x, vcl::TDateTime exact,
                             vcl::TDateTime event, bool old) {
            EXPECT_EQ(s, T.get());
            EXPECT_EQ(ext, d + "-ext");
            EXPECT_EQ(l + h + x, 6);
            EXPECT_DOUBLE_EQ(event, vcl::Now());
            Alarms.push_back({i, d, datetimetolstr(exact), old});
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
    bool Add(const std::string& date, const std::string& time, vcl::TDateTime start, const std::string& desc) {
        return T->Add(date, time, start, desc, desc + "-ext", 1, 2, 3);
    }
    std::string Due(int32_t i) const { return datetimetolstr(T->Items(i).Due); }
    static void SetClock(vcl::TDateTime t) { vcl::Clock::SetVirtualDateTime(t); }

    vcl::TFormatSettings FSaved;
    std::unique_ptr<TCvAdvancedTrigger> T;
    std::vector<Alarm> Alarms;
    int TimeChanges = 0;
    int DateChanges = 0;
};

}  // namespace

TEST_F(AdvTriggerTest, ConstructedValuesAndStreamDefaults) {
    TCvAdvancedTrigger t(nullptr);
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_FALSE(t.Timer()->Enabled());
    t.SetInterval(500);
    EXPECT_EQ(t.Timer()->Interval(), 500u);
    t.SetName("AdvancedTrigger1");
    const std::string text = vcl::ComponentToString(&t);
    EXPECT_NE(text.find("About = 0"), std::string::npos) << text;
    EXPECT_NE(text.find("Enabled = False"), std::string::npos) << text;
    EXPECT_NE(text.find("Interval = 500"), std::string::npos) << text;
    EXPECT_EQ(text.find("TTimer"), std::string::npos) << text;
}

TEST_F(AdvTriggerTest, AddValidatesThePatterns) {
    struct Case {
        const char* Date;
        const char* Time;
        bool Accepted;
    } cases[] = {
        {"??.??.????", "??:??:00", false},  // test year 1111
        {"??.??.2???", "??:??:00", true},
        {"??.??.20??", "??:??:00", true},
        {"??.??.20?", "??:??:00", false},    // 9 characters
        {"??.??.20??", "??:??:0", false},    // 7 characters
        {"??.??.20??", "??:61:00", false},   // no time
        {"x?.??.20??", "??:??:00", false},   // no digit at a digit position
        {"??.??.20??", "??:??:x0", false},
    };
    for (const Case& c : cases) {
        TCvAdvancedTrigger t(nullptr);
        EXPECT_EQ(t.Add(c.Date, c.Time, 0, "d", "", 0, 0, 0), c.Accepted) << c.Date << " " << c.Time;
        EXPECT_EQ(t.Count(), c.Accepted ? 1 : 0) << c.Date << " " << c.Time;
    }
    TCvAdvancedTrigger t(nullptr);
    EXPECT_THROW(t.Add("??.13.20??", "??:??:00", 0, "d", "", 0, 0, 0), vcl::EConvertError);
    EXPECT_EQ(t.Count(), 0);
}

TEST_F(AdvTriggerTest, WorkedExampleFiresLateOnceThenEveryMinute) {
    ASSERT_TRUE(Add("??.??.20??", "??:??:00", At(2026, 12, 9, 13, 45, 12), "m"));
    EXPECT_EQ(Due(0), "09.12.2026 13:45:00");
    EXPECT_TRUE(!T->Items(0).Fired);
    T->Tick();  // 13:45:12.250
    ASSERT_EQ(Alarms, (std::vector<Alarm>{{0, "m", "09.12.2026 13:45:00", true}}));
    EXPECT_EQ(Due(0), "09.12.2026 13:46:00");
    SetClock(At(2026, 12, 9, 13, 45, 59, 999));
    T->Tick();
    EXPECT_EQ(Alarms.size(), 1u);
    SetClock(At(2026, 12, 9, 13, 46, 0));
    T->Tick();  // exactly on time: not old
    EXPECT_EQ(Alarms.back(), (Alarm{0, "m", "09.12.2026 13:46:00", false}));
    EXPECT_EQ(Due(0), "09.12.2026 13:47:00");
    EXPECT_EQ(TimeChanges, 3);  // every tick
}

TEST_F(AdvTriggerTest, StepTable) {
    struct Case {
        const char* Date;
        const char* Time;
        const char* First;  // due time from the start 09.12.2026 13:45:12
        const char* Second;
    } cases[] = {
        {"??.??.20??", "??:??:??", "09.12.2026 13:45:12", "09.12.2026 13:45:13"},
        {"??.??.20??", "??:??:?5", "09.12.2026 13:45:15", "09.12.2026 13:45:25"},
        {"??.??.20??", "??:??:00", "09.12.2026 13:45:00", "09.12.2026 13:46:00"},
        {"??.??.20??", "??:?0:00", "09.12.2026 13:40:00", "09.12.2026 13:50:00"},
        {"??.??.20??", "??:00:00", "09.12.2026 13:00:00", "09.12.2026 14:00:00"},
        {"??.??.20??", "?5:30:00", "09.12.2026 15:30:00", "10.12.2026 05:30:00"},
        {"??.??.20??", "08:00:00", "09.12.2026 08:00:00", "10.12.2026 08:00:00"},
        {"?5.??.20??", "08:00:00", "05.12.2026 08:00:00", "15.12.2026 08:00:00"},
        {"15.??.20??", "08:00:00", "15.12.2026 08:00:00", "15.01.2027 08:00:00"},
        {"15.?1.20??", "08:00:00", "15.11.2026 08:00:00", "15.01.2027 08:00:00"},
        {"24.12.20??", "18:00:00", "24.12.2026 18:00:00", "24.12.2027 18:00:00"},
    };
    for (const Case& c : cases) {
        TCvAdvancedTrigger t(nullptr);
        ASSERT_TRUE(t.Add(c.Date, c.Time, At(2026, 12, 9, 13, 45, 12), "d", "", 0, 0, 0)) << c.Date << c.Time;
        EXPECT_EQ(datetimetolstr(t.Items(0).Due), c.First) << c.Date << " " << c.Time;
        t.Next(0);
        EXPECT_EQ(datetimetolstr(t.Items(0).Due), c.Second) << c.Date << " " << c.Time;
    }
}

TEST_F(AdvTriggerTest, DailyEntryFiresOncePerDay) {
    ASSERT_TRUE(Add("??.??.20??", "08:00:00", At(2026, 12, 10, 0, 0, 0), "daily"));
    EXPECT_EQ(Due(0), "10.12.2026 08:00:00");
    T->Tick();
    EXPECT_TRUE(Alarms.empty());
    SetClock(At(2026, 12, 10, 8, 0, 0, 400));
    T->Tick();
    T->Tick();
    ASSERT_EQ(Alarms.size(), 1u);
    EXPECT_EQ(Due(0), "11.12.2026 08:00:00");
    EXPECT_EQ(DateChanges, 1);
}

TEST_F(AdvTriggerTest, ExactEntryInThePastFiresOnceAsOld) {
    ASSERT_TRUE(T->AddExact(At(2026, 12, 9, 10, 0, 0), "x", "x-ext", 3, 2, 1));
    EXPECT_FALSE(T->AddExact(std::numeric_limits<double>::infinity(), "inf", "", 0, 0, 0));
    T->Tick();
    T->Tick();
    EXPECT_EQ(Alarms, (std::vector<Alarm>{{0, "x", "09.12.2026 10:00:00", true}}));
    EXPECT_EQ(T->Count(), 1);  // stays in the list, silent
    EXPECT_TRUE(T->Items(0).Fired);
}

TEST_F(AdvTriggerTest, LateRecurringEntryCatchesUpOnePerTick) {
    ASSERT_TRUE(Add("??.??.20??", "??:??:00", At(2026, 12, 9, 13, 42, 30), "late"));
    for (int i = 0; i < 6; ++i) T->Tick();
    ASSERT_EQ(Alarms, (std::vector<Alarm>{{0, "late", "09.12.2026 13:42:00", true},
                                          {0, "late", "09.12.2026 13:43:00", true},
                                          {0, "late", "09.12.2026 13:44:00", true},
                                          {0, "late", "09.12.2026 13:45:00", true}}));
    EXPECT_EQ(Due(0), "09.12.2026 13:46:00");
}

TEST_F(AdvTriggerTest, FirstComputationIsPerEntry) {
    // Each entry's first due time comes from its own start, whatever was
    // added before it.
    ASSERT_TRUE(Add("??.??.20??", "08:00:00", At(2026, 12, 9, 7, 0, 0), "a"));
    ASSERT_TRUE(Add("??.??.20??", "08:00:00", At(2026, 12, 9, 7, 0, 0), "b"));
    EXPECT_EQ(Due(0), "09.12.2026 08:00:00");
    EXPECT_EQ(Due(1), "09.12.2026 08:00:00");
}

TEST_F(AdvTriggerTest, PatternWithoutStepWildcardIsAOneShot) {
    ASSERT_TRUE(Add("09.12.2026", "13:45:00", 0, "fixed"));
    EXPECT_TRUE(T->Items(0).OneShot);
    for (int i = 0; i < 3; ++i) T->Tick();
    EXPECT_EQ(Alarms.size(), 1u) << "an entry that cannot advance must not fire on every tick";
}

TEST_F(AdvTriggerTest, DueTimeNeverStaysPutOrMovesBackward) {
    // Year step with a fixed last digit: 2025 + 1 -> 2026, written back as 2025.
    ASSERT_TRUE(Add("01.01.20?5", "00:00:00", At(2024, 6, 1, 0, 0, 0), "stays"));
    // Day step into a fixed tens digit: 19.12 + 1 day -> 20.12, written back as 10.12.
    ASSERT_TRUE(Add("1?.??.20??", "00:00:00", At(2026, 12, 19, 0, 0, 0), "back"));
    EXPECT_EQ(Due(0), "01.01.2025 00:00:00");
    EXPECT_EQ(Due(1), "19.12.2026 00:00:00");
    for (int i = 0; i < 5; ++i) T->Tick();
    EXPECT_EQ(Alarms.size(), 1u);  // "stays" fired once; "back" is not due yet
    EXPECT_TRUE(T->Items(0).OneShot);
    EXPECT_EQ(Due(0), "01.01.2025 00:00:00");
    SetClock(At(2026, 12, 19, 0, 0, 1));
    for (int i = 0; i < 5; ++i) T->Tick();
    EXPECT_EQ(Alarms.size(), 2u);
    EXPECT_TRUE(T->Items(1).OneShot);
    EXPECT_EQ(Due(1), "19.12.2026 00:00:00");
}

TEST_F(AdvTriggerTest, ImpossibleDatesAreSkipped) {
    struct Case {
        const char* Date;
        const char* Time;
        vcl::TDateTime Start;
        const char* First;
        const char* Second;
    } cases[] = {
        {"31.0?.20??", "12:00:00", At(2026, 1, 15, 0, 0, 0), "31.01.2026 12:00:00", "31.03.2026 12:00:00"},
        {"31.0?.20??", "12:00:00", At(2026, 4, 15, 0, 0, 0), "31.05.2026 12:00:00", "31.07.2026 12:00:00"},
        {"29.?2.20??", "12:00:00", At(2027, 6, 1, 0, 0, 0), "29.02.2028 12:00:00", "29.12.2028 12:00:00"},
        {"29.?2.20??", "12:00:00", At(2026, 12, 30, 0, 0, 0), "29.12.2026 12:00:00", "29.12.2027 12:00:00"},
        {"31.0?.20??", "??:??:?0", At(2026, 2, 15, 9, 0, 0), "31.03.2026 00:00:00", "31.03.2026 00:00:10"},
        {"3?.0?.20??", "12:00:00", At(2026, 2, 1, 0, 0, 0), "31.03.2026 12:00:00", "30.04.2026 12:00:00"},
        {"??.??.20??", "2?:00:00", At(2026, 2, 1, 4, 0, 0), "01.02.2026 20:00:00", "01.02.2026 21:00:00"},
    };
    for (const Case& c : cases) {
        TCvAdvancedTrigger t(nullptr);
        ASSERT_TRUE(t.Add(c.Date, c.Time, c.Start, "d", "", 0, 0, 0)) << c.Date << " " << c.Time;
        EXPECT_EQ(datetimetolstr(t.Items(0).Due), c.First) << c.Date << " " << c.Time;
        t.Next(0);
        EXPECT_EQ(datetimetolstr(t.Items(0).Due), c.Second) << c.Date << " " << c.Time;
        EXPECT_FALSE(t.Items(0).OneShot);
    }
}

TEST_F(AdvTriggerTest, FailedFirstComputationLeavesNoEntry) {
    EXPECT_FALSE(Add("??.??.20??", "??:??:00", 1e9, "out of range"));
    EXPECT_FALSE(Add("??.??.20??", "??:??:00", std::numeric_limits<double>::quiet_NaN(), "nan"));
    EXPECT_EQ(T->Count(), 0);
}

TEST_F(AdvTriggerTest, HandlerMayAddAndDeleteEntriesDuringTheAlarmLoop) {
    for (const char* d : {"a", "b", "c"}) ASSERT_TRUE(Add("??.??.20??", "??:??:??", 0, d));
    std::vector<std::string> seen;
    T->SetOnAlarm([&](vcl::TObject*, int32_t i, const std::string& d, const std::string&, uint16_t, uint16_t,
                      uint16_t, vcl::TDateTime, vcl::TDateTime, bool) {
        seen.push_back(std::to_string(i) + d);
        if (d == "a") {
            T->Delete(i);          // itself: no Next afterwards
            T->DeleteByDesc("c");  // a later one
            T->Add("??.??.20??", "??:??:??", 0, "new", "", 0, 0, 0);
        }
    });
    T->Tick();
    EXPECT_EQ(seen, (std::vector<std::string>{"0a", "0b"}));
    ASSERT_EQ(T->Count(), 2);
    EXPECT_EQ(T->Items(0).Desc, "b");
    EXPECT_EQ(T->Items(1).Desc, "new");
    EXPECT_THROW(T->Next(2), vcl::EListError);
    EXPECT_THROW(T->Delete(-1), vcl::EListError);
}

TEST_F(AdvTriggerTest, DateChangeOnceAfterMidnight) {
    SetClock(At(2026, 12, 9, 23, 59, 59, 0));
    T->Tick();
    vcl::Clock::Advance(1500000000ULL);
    T->Tick();
    T->Tick();
    EXPECT_EQ(DateChanges, 1);
    EXPECT_EQ(TimeChanges, 3);
}

TEST_F(AdvTriggerTest, WritesNothingIntoItsOwner) {
    vcl::TComponent form(nullptr);
    form.SetName("Form1");
    auto* t = new TCvAdvancedTrigger(&form);
    ASSERT_TRUE(t->Add("??.??.20??", "??:??:00", 0, "d", "", 0, 0, 0));
    t->Next(0);
    EXPECT_EQ(form.Name(), "Form1");
}
