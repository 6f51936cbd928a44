// CvCalendar.h - TCvCalendar, a month calendar drawn as a 7 x 7 grid.
//
// Row 0 holds the weekday names; rows 1 to 6 show 42 consecutive days that
// contain the whole displayed month, its first day in row 1 in the column
// of its weekday counted from StartOfWeek.  The calendar holds one date: its
// month is the displayed month and its cell is the current cell.  The user
// moves the current cell as in any grid; the calendar decides which cells
// may be selected (SelectSunday, SelectOther, ReadOnly, OnDateSelect),
// takes the date of the cell the user chose and lays out the next or
// previous month when that date lies outside the displayed one.  Painting
// of every cell can be coloured (OnGetDateColor) or taken over
// (OnDrawHeading, OnDrawDate).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "DateTime.h"
#include "Grids.h"

namespace corvane {

VCL_ENUM(TCvDayOfWeek, cvdSunday, cvdMonday, cvdThuesday, cvdWednesday, cvdfThursday, cvdFriday, cvdSaturday)
VCL_ENUM(TCvCalAlignment, cvcaCenter, cvcaLeftTop, cvcaMiddleTop, cvcaRightTop)
VCL_ENUM(TCvCalHeaderType, cvchLongNames, cvchShortNames, cvchSingleChar)

using TCvCalDrawHeading = std::function<void(vcl::TObject* Sender, const vcl::TRect& ARect, TCvDayOfWeek ADay)>;
using TCvCalDrawDate = std::function<void(vcl::TObject* Sender, const vcl::TRect& ARect, vcl::TGridDrawState AState,
                                          TCvDayOfWeek ADay, vcl::TDateTime ADate)>;
using TCvCalDateColor = std::function<void(vcl::TObject* Sender, vcl::TGridDrawState AState, TCvDayOfWeek ADay,
                                           vcl::TDateTime ADate, vcl::TColor& AColor, vcl::TColor& AFontColor)>;
using TCvCalDateSelect =
    std::function<void(vcl::TObject* Sender, TCvDayOfWeek ADay, vcl::TDateTime ADate, bool& CanSelect)>;

class TCvCalendar : public vcl::TCustomGrid {
    VCL_DECLARE_CLASS(TCvCalendar)
public:
    explicit TCvCalendar(vcl::TComponent* AOwner);
    ~TCvCalendar() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    // The date; writing it lays out its month and fires OnChange (an
    // invalid date raises EConvertError and changes nothing).
    vcl::TDateTime CalendarDate() const { return FDate; }
    void SetCalendarDate(vcl::TDateTime Value);
    // Parts of the date.  Values below 1, months above 12 and days beyond
    // the month are ignored; a month or year that leaves the day invalid
    // (31 January -> April) raises EConvertError and changes nothing.
    int32_t Year() const { return GetDateElement(1); }
    void SetYear(int32_t Value) { SetDateElement(1, Value); }
    int32_t Month() const { return GetDateElement(2); }
    void SetMonth(int32_t Value) { SetDateElement(2, Value); }
    int32_t Day() const { return GetDateElement(3); }
    void SetDay(int32_t Value) { SetDateElement(3, Value); }
    // 1 year, 2 month, 3 day; -1 for other indices.
    int32_t GetDateElement(int32_t Index) const;
    void SetDateElement(int32_t Index, int32_t Value);
    // The date shown in a cell; 0 for the heading row.
    vcl::TDateTime GetCellDate(int32_t ACol, int32_t ARow) const;

    // Steps by a month or a year, keeping the day where the new month has
    // it and taking its last day otherwise.
    void PrevMonth() { ChangeMonth(-1); }
    void NextMonth() { ChangeMonth(+1); }
    void PrevYear();
    void NextYear();

    virtual int32_t DaysPerMonth(int32_t AYear, int32_t AMonth) const;
    virtual int32_t DaysThisMonth() const;
    virtual bool IsLeapYear(int32_t AYear) const;
    // Lays out the displayed month and moves the current cell onto the date.
    virtual void UpdateCalendar();

    TCvCalAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TCvCalAlignment Value);
    vcl::TFont* HeaderFont() const { return FHeaderFont.get(); }
    void SetHeaderFont(const vcl::TFont* Value);
    TCvCalHeaderType HeaderType() const { return FHeaderType; }
    void SetHeaderType(TCvCalHeaderType Value);
    vcl::TColor GrayedColor() const { return FGrayedColor; }
    void SetGrayedColor(vcl::TColor Value);
    bool SelectSunday() const { return FSelectSunday; }
    void SetSelectSunday(bool Value) { FSelectSunday = Value; }
    bool ShowOther() const { return FShowOther; }
    void SetShowOther(bool Value);
    // Can be True only while ShowOther is True.
    bool SelectOther() const { return FSelectOther; }
    void SetSelectOther(bool Value) { FSelectOther = FShowOther ? Value : false; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    TCvDayOfWeek StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TCvDayOfWeek Value);
    bool UseCurrentDate() const { return FUseCurrentDate; }
    void SetUseCurrentDate(bool Value);

    const vcl::TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(vcl::TNotifyEvent H) { FOnChange = std::move(H); }
    const TCvCalDrawHeading& OnDrawHeading() const { return FOnDrawHeading; }
    void SetOnDrawHeading(TCvCalDrawHeading H) { FOnDrawHeading = std::move(H); }
    const TCvCalDrawDate& OnDrawDate() const { return FOnDrawDate; }
    void SetOnDrawDate(TCvCalDrawDate H) { FOnDrawDate = std::move(H); }
    const TCvCalDateColor& OnGetDateColor() const { return FOnGetDateColor; }
    void SetOnGetDateColor(TCvCalDateColor H) { FOnGetDateColor = std::move(H); }
    const TCvCalDateSelect& OnDateSelect() const { return FOnDateSelect; }
    void SetOnDateSelect(TCvCalDateSelect H) { FOnDateSelect = std::move(H); }

    void Click() override;
    void WndProc(vcl::TMessage& Message) override;

protected:
    virtual void Change();
    virtual void DrawHeading(int32_t ACol, const vcl::TRect& ARect);
    virtual void DrawDate(int32_t ACol, int32_t ARow, const vcl::TRect& ARect, vcl::TGridDrawState AState);
    void DrawCell(int32_t ACol, int32_t ARow, const vcl::TRect& ARect, vcl::TGridDrawState AState) override;
    bool SelectCell(int32_t ACol, int32_t ARow) override;

private:
    void ChangeMonth(int32_t Delta);
    // Spreads a client area of W x H over the 7 x 7 cells.
    void ApplySize(int32_t W, int32_t H);
    void HeaderFontChanged();

    uint8_t FAbout = 0;
    vcl::TDateTime FDate = 0;
    int32_t FCellOffset = 0;  // 1 - column of the first of the month
    vcl::TNotifyEvent FOnChange;
    bool FReadOnly = false;
    TCvDayOfWeek FStartOfWeek = cvdSunday;
    bool FUpdating = false;
    bool FUseCurrentDate = true;
    TCvCalDrawHeading FOnDrawHeading;
    TCvCalDrawDate FOnDrawDate;
    TCvCalDateColor FOnGetDateColor;
    TCvCalDateSelect FOnDateSelect;
    TCvCalAlignment FAlignment = cvcaCenter;
    std::unique_ptr<vcl::TFont> FHeaderFont;
    TCvCalHeaderType FHeaderType = cvchLongNames;
    vcl::TColor FGrayedColor = vcl::clGray;
    bool FSelectSunday = false;
    bool FShowOther = false;
    bool FSelectOther = false;
};

}  // namespace corvane
