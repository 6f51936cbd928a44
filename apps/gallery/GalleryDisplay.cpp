// The display controls and the calendar on forms of their palette pages.
#include <cstdio>

#include "CvBitmapLCD.h"
#include "CvBitmapLCD2.h"
#include "CvCalendar.h"
#include "CvLcd.h"
#include "CvLed.h"
#include "CvLinkLabel.h"
#include "CvOfficeLabel.h"
#include "CvTextScroller.h"
#include "DateTime.h"
#include "Forms.h"
#include "Gallery.h"
#include "StdCtrls.h"
#include "WinBackend.h"

namespace gallery {

using namespace vcl;
using namespace corvane;

namespace {

TForm* NewPageForm(const std::string& Caption, int W, int H) {
    auto* form = new TForm(nullptr);
    form->SetCaption(Caption);
    form->SetBounds(20, 20, W, H);
    form->SetBorderStyle(bsSingle);
    return form;
}

void Caption(TForm* Form, int X, int Y, const std::string& Text) {
    auto* l = new TLabel(Form);
    l->SetParent(Form);
    l->SetCaption(Text);
    l->SetLeft(X);
    l->SetTop(Y);
}

void Save(TForm* Form, const std::filesystem::path& Dir, const std::string& File, const std::string& What,
          std::vector<TPicture>& Out) {
    Application()->ProcessMessages();
    if (Form->SaveToPng((Dir / File).string()))
        Out.push_back({File, What});
    else
        std::fprintf(stderr, "corvane-gallery: cannot write %s\n", File.c_str());
}

TCvLCD* Lcd(TForm* Form, int X, int Y, int W, int H, int Cols, const std::string& Text, TColor Back, TColor Hi,
            TColor Low, TAlignment Align = taRightJustify) {
    auto* lcd = new TCvLCD(Form);
    lcd->SetParent(Form);
    lcd->SetBounds(X, Y, W, H);
    lcd->SetCols(Cols);
    lcd->SetBackgroundColor(Back);
    lcd->SetHiColor(Hi);
    lcd->SetHiLineColor(Hi);
    lcd->SetLowColor(Low);
    lcd->SetLowLineColor(Low);
    lcd->SetAlignment(Align);
    lcd->SetText(Text);
    return lcd;
}

}  // namespace

std::vector<TPicture> Vis2Pictures(const std::filesystem::path& Dir) {
    std::vector<TPicture> out;
    TForm* form = NewPageForm("Corvane-Vis2: LCDs, LEDs, ticker and labels", 640, 440);

    Caption(form, 12, 8, "TCvLCD");
    Lcd(form, 12, 26, 190, 70, 5, "12:30", RGB(0, 24, 0), RGB(60, 255, 60), RGB(0, 48, 0));
    Lcd(form, 214, 26, 220, 70, 7, "-3.1416", RGB(24, 12, 0), RGB(255, 176, 0), RGB(56, 28, 0));
    auto* reflective = Lcd(form, 446, 26, 180, 70, 6, "CORV", RGB(150, 170, 130), RGB(20, 30, 20),
                           RGB(140, 160, 120), taLeftJustify);
    reflective->SetLCDBarWidth(3);

    Caption(form, 12, 104, "TCvMultiLineLCD");
    auto* multi = new TCvMultiLineLCD(form);
    multi->SetParent(form);
    multi->SetBounds(12, 122, 300, 110);
    multi->SetCols(12);
    multi->setrows(3);
    multi->SetBackgroundColor(RGB(0, 0, 40));
    multi->SetHiColor(RGB(120, 200, 255));
    multi->SetHiLineColor(RGB(120, 200, 255));
    multi->SetLowColor(RGB(0, 0, 70));
    multi->SetLowLineColor(RGB(0, 0, 70));
    TStringList lines;
    lines.Add("CORVANE");
    lines.Add("TEMP 21.5");
    lines.Add("RH 45");
    multi->SetItems(&lines);

    Caption(form, 330, 104, "TCvLed, TCvBlinkingLed");
    struct LedSpec {
        TColor Hi, Lo;
        bool On;
        int Size;
    } leds[] = {{clLime, clGreen, true, 40}, {clLime, clGreen, false, 40}, {clRed, clMaroon, true, 40},
                {clYellow, clOlive, true, 28}, {clAqua, clTeal, true, 56}};
    int x = 330;
    for (const LedSpec& s : leds) {
        auto* led = new TCvLed(form);
        led->SetParent(form);
        led->SetBounds(x, 126 + (56 - s.Size) / 2, s.Size, s.Size);
        led->SetHighColor(s.Hi);
        led->SetLowColor(s.Lo);
        led->SetHigh(s.On);
        x += s.Size + 12;
    }
    auto* blinking = new TCvBlinkingLed(form);
    blinking->SetParent(form);
    blinking->SetBounds(x, 134, 40, 40);

    Caption(form, 12, 244, "TCvTextScroller (a frame in the middle of its pass)");
    auto* scroller = new TCvTextScroller(form);
    scroller->SetParent(form);
    scroller->SetBounds(12, 262, 400, 60);
    TStringList news;
    news.Add("Corvane for Linux - components for C++ forms");
    scroller->SetItems(&news);
    scroller->SetTextStyle(cvtsRaised);
    scroller->SetColor(clNavy);
    TFont big;
    big.SetName("Arial");
    big.SetSize(16);
    big.SetStyle({fsBold});
    big.SetColor(clYellow);
    scroller->SetFont(&big);
    // A new scroller runs at once; the picture shows one step of its pass.
    scroller->Stop();
    scroller->Start(scroller->Steps() / 3);
    scroller->Stop();

    Caption(form, 12, 336, "TCvOfficeLabel (dark, under the mouse) and TCvLinkLabel");
    auto* office1 = new TCvOfficeLabel(form);
    office1->SetParent(form);
    office1->SetBounds(12, 358, 160, 16);
    office1->SetCaption("Open the document");
    auto* office2 = new TCvOfficeLabel(form);
    office2->SetParent(form);
    office2->SetBounds(12, 380, 160, 16);
    office2->SetCaption("Print the document");
    office2->SetLEDType(cvltTriangleDown);
    auto* link = new TCvLinkLabel(form);
    link->SetParent(form);
    link->SetBounds(200, 358, 200, 16);
    link->SetCaption("www.example.org");
    link->SetLink("www.example.org");

    form->Show();
    Application()->ProcessMessages();
    TPoint over = office2->ClientToScreen({30, 8});
    FeedMouseMove(over.X, over.Y);
    Application()->ProcessMessages();
    Save(form, Dir, "Corvane-Vis2-display.png",
         "Segment LCDs in three colour schemes, a three-line LCD, LEDs lit and unlit in several colours and "
         "sizes, a text scroller, office labels (the second under the mouse) and a link label",
         out);
    delete form;
    Application()->ProcessMessages();
    return out;
}

std::vector<TPicture> Vis1Pictures(const std::filesystem::path& Dir) {
    std::vector<TPicture> out;
    {
        TForm* form = NewPageForm("Corvane-Vis1: bitmap LCDs", 420, 230);
        Caption(form, 12, 8, "TCvBitmapLCD (large, left; small, right)");
        auto* big = new TCvBitmapLCD(form);
        big->SetParent(form);
        big->SetLeft(12);
        big->SetTop(28);
        big->SetDigits(8);
        big->SetValue("20261211");
        auto* small = new TCvBitmapLCD(form);
        small->SetParent(form);
        small->SetLeft(12);
        small->SetTop(60);
        small->SetSmall(true);
        small->SetDigits(6);
        small->SetAlignment(taRightJustify);
        small->SetValue("42");
        Caption(form, 12, 92, "TCvBitmapLCD2 (on, off)");
        auto* strip = new TCvBitmapLCD2(form);
        strip->SetParent(form);
        strip->SetLeft(12);
        strip->SetTop(112);
        strip->SetDisplay("3.14159");
        auto* dark = new TCvBitmapLCD2(form);
        dark->SetParent(form);
        dark->SetLeft(12);
        dark->SetTop(150);
        dark->SetDisplay("12.5");
        dark->SetEnabled(false);
        form->Show();
        Save(form, Dir, "Corvane-Vis1-bitmaplcd.png", "Bitmap LCDs built from the pack's digit pictures", out);
        delete form;
    }
    {
        // Seven months, each starting on another weekday.
        TForm* form = NewPageForm("Corvane-Vis1: TCvCalendar", 1000, 520);
        const struct {
            int Year, Month;
        } months[] = {{2026, 2}, {2026, 6}, {2026, 9}, {2026, 4}, {2026, 1}, {2026, 5}, {2026, 8}};
        int i = 0;
        for (const auto& m : months) {
            int col = i % 4, row = i / 4;
            const int x = 12 + col * 245, y = 8 + row * 250;
            TDateTime first = EncodeDate(uint16_t(m.Year), uint16_t(m.Month), 1);
            Caption(form, x, y, FormatDateTime("mmmm yyyy", first) + " starts on " +
                                    FormatSettings().LongDayNames[size_t(DayOfWeek(first) - 1)]);
            auto* cal = new TCvCalendar(form);
            cal->SetParent(form);
            cal->SetBounds(x, y + 18, 236, 200);
            cal->SetHeaderType(i == 6 ? cvchSingleChar : cvchShortNames);
            cal->SetSelectSunday(true);
            cal->SetCalendarDate(EncodeDate(uint16_t(m.Year), uint16_t(m.Month), 11));
            if (i % 2 == 1) cal->SetStartOfWeek(cvdMonday);
            if (i % 3 != 2) cal->SetShowOther(true);
            cal->SetOnGetDateColor(
                [](TObject*, TGridDrawState State, TCvDayOfWeek Day, TDateTime, TColor&, TColor& Font) {
                    if (State.Contains(gdSelected)) return;
                    if (Day == cvdSunday) Font = clRed;
                    if (Day == cvdSaturday) Font = clBlue;
                });
            ++i;
        }
        form->Show();
        Save(form, Dir, "Corvane-Vis1-calendar.png",
             "Calendars of seven months that start on each weekday (Sunday or Monday first; short and "
             "one-letter day names), other-month days greyed where shown, weekends coloured through "
             "OnGetDateColor, the 11th selected",
             out);
        delete form;
    }
    Application()->ProcessMessages();
    return out;
}

}  // namespace gallery
