#include "CvCalendar.h"

#include <algorithm>

#include "Gdi.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvCalendar, vcl::TCustomGrid) {
    auto notStored = [](const TObject&) { return false; };
    B.Property("About", &TCvCalendar::About, &TCvCalendar::SetAbout);
    B.Property("Alignment", &TCvCalendar::Alignment, &TCvCalendar::SetAlignment);
    B.Property("HeaderFont", &TCvCalendar::HeaderFont, &TCvCalendar::SetHeaderFont);
    B.Property("HeaderType", &TCvCalendar::HeaderType, &TCvCalendar::SetHeaderType);
    B.Property("GrayedColor", &TCvCalendar::GrayedColor, &TCvCalendar::SetGrayedColor).Idents(ColorIdents());
    B.Property("SelectSunday", &TCvCalendar::SelectSunday, &TCvCalendar::SetSelectSunday);
    B.Property("ShowOther", &TCvCalendar::ShowOther, &TCvCalendar::SetShowOther);
    B.Property("SelectOther", &TCvCalendar::SelectOther, &TCvCalendar::SetSelectOther);
    B.Property("Align", &TCvCalendar::Align, &TCvCalendar::SetAlign).Default(alNone);
    B.Property("BorderStyle", &TCvCalendar::BorderStyle, &TCvCalendar::SetBorderStyle).Default(bsSingle);
    B.Property("Color", &TCvCalendar::Color, &TCvCalendar::SetColor).Default(clWindow).Idents(ColorIdents());
    B.Property("Ctl3D", &TCvCalendar::Ctl3D, &TCvCalendar::SetCtl3D);
    B.Property("Day", &TCvCalendar::Day, &TCvCalendar::SetDay).Stored(notStored);
    B.Property("Enabled", &TCvCalendar::Enabled, &TCvCalendar::SetEnabled).Default(1);
    B.Property("Font", &TCvCalendar::Font, &TCvCalendar::SetFont);
    B.Property("GridLineWidth", &TCvCalendar::GridLineWidth, &TCvCalendar::SetGridLineWidth).Default(1);
    B.Property("Month", &TCvCalendar::Month, &TCvCalendar::SetMonth).Stored(notStored);
    B.Property("ParentColor", &TCvCalendar::ParentColor, &TCvCalendar::SetParentColor).Default(0);
    B.Property("ParentFont", &TCvCalendar::ParentFont, &TCvCalendar::SetParentFont).Default(1);
    B.Property("ReadOnly", &TCvCalendar::ReadOnly, &TCvCalendar::SetReadOnly).Default(0);
    B.Property("ShowHint", &TCvCalendar::ShowHint, &TCvCalendar::SetShowHint);
    B.Property("StartOfWeek", &TCvCalendar::StartOfWeek, &TCvCalendar::SetStartOfWeek);
    B.Property("TabOrder", &TCvCalendar::TabOrder, &TCvCalendar::SetTabOrder).Default(-1);
    B.Property("TabStop", &TCvCalendar::TabStop, &TCvCalendar::SetTabStop).Default(1);
    B.Property("UseCurrentDate", &TCvCalendar::UseCurrentDate, &TCvCalendar::SetUseCurrentDate).Default(1);
    B.Property("Visible", &TCvCalendar::Visible, &TCvCalendar::SetVisible).Default(1);
    B.Property("Year", &TCvCalendar::Year, &TCvCalendar::SetYear).Stored(notStored);
}

namespace {

int32_t MonthOf(TDateTime D) {
    Word y, m, d;
    DecodeDate(D, y, m, d);
    return m;
}

// The first character (code point) of a UTF-8 text.
std::string FirstChar(const std::string& S) {
    if (S.empty()) return S;
    size_t n = 1;
    const auto lead = static_cast<unsigned char>(S[0]);
    if (lead >= 0xF0)
        n = 4;
    else if (lead >= 0xE0)
        n = 3;
    else if (lead >= 0xC0)
        n = 2;
    return S.substr(0, std::min(n, S.size()));
}

}  // namespace

TCvCalendar::TCvCalendar(TComponent* AOwner) : TCustomGrid(AOwner), FHeaderFont(std::make_unique<TFont>()) {
    SetFixedCols(0);
    SetFixedRows(1);
    SetColCount(7);
    SetRowCount(7);
    SetScrollBars(ssNone);
    TGridOptions o = Options();
    o.Exclude(goRangeSelect);
    o.Exclude(goRowSizing);
    o.Exclude(goColSizing);
    o.Exclude(goRowMoving);
    o.Include(goDrawFocusSelected);
    SetOptions(o);
    FDate = vcl::Date();
    FHeaderFont->SetOnChange([this](TObject*) { HeaderFontChanged(); });
    // Our own layout step: an override in a descendant is not reached from
    // the constructor.
    TCvCalendar::UpdateCalendar();
}

TCvCalendar::~TCvCalendar() { FHeaderFont->SetOnChange(nullptr); }

// ----- date arithmetic

bool TCvCalendar::IsLeapYear(int32_t AYear) const {
    return AYear % 4 == 0 && (AYear % 100 != 0 || AYear % 400 == 0);
}

int32_t TCvCalendar::DaysPerMonth(int32_t AYear, int32_t AMonth) const {
    static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (AMonth < 1 || AMonth > 12) throw EConvertError("Invalid month " + std::to_string(AMonth));
    int32_t n = kDays[AMonth - 1];
    if (AMonth == 2 && IsLeapYear(AYear)) ++n;
    return n;
}

int32_t TCvCalendar::DaysThisMonth() const { return DaysPerMonth(Year(), Month()); }

int32_t TCvCalendar::GetDateElement(int32_t Index) const {
    Word y, m, d;
    DecodeDate(FDate, y, m, d);
    switch (Index) {
        case 1: return y;
        case 2: return m;
        case 3: return d;
        default: return -1;
    }
}

void TCvCalendar::SetDateElement(int32_t Index, int32_t Value) {
    if (Value < 1) return;
    Word y, m, d;
    DecodeDate(FDate, y, m, d);
    int32_t Y = y, M = m, D = d;
    switch (Index) {
        case 1:
            if (Value == Y) return;
            // Beyond the date range: raise rather than wrap to another year.
            if (Value > 9999) throw EConvertError("Invalid argument to date encode");
            Y = Value;
            break;
        case 2:
            if (Value > 12 || Value == M) return;
            M = Value;
            break;
        case 3:
            if (Value > DaysThisMonth() || Value == D) return;
            D = Value;
            break;
        default: return;
    }
    const TDateTime date = EncodeDate(static_cast<Word>(Y), static_cast<Word>(M), static_cast<Word>(D));
    FDate = date;
    FUseCurrentDate = false;
    UpdateCalendar();
    Change();
}

TDateTime TCvCalendar::GetCellDate(int32_t ACol, int32_t ARow) const {
    if (ARow == 0) return 0;
    Word y, m, d;
    DecodeDate(FDate, y, m, d);
    return EncodeDate(y, m, 1) + FCellOffset + ACol + 7 * (ARow - 1) - 1;
}

void TCvCalendar::SetCalendarDate(TDateTime Value) {
    Word y, m, d;
    DecodeDate(Value, y, m, d);  // raises for a value that is no date
    FDate = Value;
    UpdateCalendar();
    Change();
}

void TCvCalendar::ChangeMonth(int32_t Delta) {
    Word y, m, d;
    DecodeDate(FDate, y, m, d);
    TDateTime edge = Delta > 0 ? EncodeDate(y, m, static_cast<Word>(DaysPerMonth(y, m))) : EncodeDate(y, m, 1);
    Word ny, nm, nd;
    DecodeDate(edge + Delta, ny, nm, nd);
    const int32_t days = DaysPerMonth(ny, nm);
    const int32_t day = d < days ? d : days;
    SetCalendarDate(EncodeDate(ny, nm, static_cast<Word>(day)));
}

void TCvCalendar::NextYear() {
    if (IsLeapYear(Year()) && Month() == 2 && Day() == 29) SetDay(28);
    SetYear(Year() + 1);
}

void TCvCalendar::PrevYear() {
    if (IsLeapYear(Year()) && Month() == 2 && Day() == 29) SetDay(28);
    SetYear(Year() - 1);
}

void TCvCalendar::UpdateCalendar() {
    struct TFlag {
        bool& F;
        explicit TFlag(bool& f) : F(f) { F = true; }
        ~TFlag() { F = false; }
    } flag(FUpdating);
    Word y, m, d;
    DecodeDate(FDate, y, m, d);
    const TDateTime first = EncodeDate(y, m, 1);
    const int32_t k = (static_cast<int32_t>(DayOfWeek(first)) - static_cast<int32_t>(FStartOfWeek) + 7) % 7;
    FCellOffset = 2 - k;
    if (FCellOffset == 2) FCellOffset = -5;
    const int32_t n = static_cast<int32_t>(d) - FCellOffset;
    MoveColRow(n % 7, n / 7 + 1, false, false);
    Invalidate();
}

void TCvCalendar::Change() {
    vcl::CallEvent(FOnChange, this);
}

// ----- properties

void TCvCalendar::SetAlignment(TCvCalAlignment Value) {
    FAlignment = Value;
    UpdateCalendar();
    Invalidate();
}

void TCvCalendar::SetHeaderFont(const TFont* Value) {
    if (Value) FHeaderFont->Assign(Value);
    HeaderFontChanged();
}

void TCvCalendar::SetHeaderType(TCvCalHeaderType Value) {
    FHeaderType = Value;
    Invalidate();
}

void TCvCalendar::SetGrayedColor(TColor Value) {
    FGrayedColor = Value;
    Invalidate();
}

void TCvCalendar::SetShowOther(bool Value) {
    FShowOther = Value;
    Invalidate();
}

void TCvCalendar::SetStartOfWeek(TCvDayOfWeek Value) {
    if (Value == FStartOfWeek) return;
    FStartOfWeek = Value;
    UpdateCalendar();
}

void TCvCalendar::SetUseCurrentDate(bool Value) {
    if (Value == FUseCurrentDate) return;
    FUseCurrentDate = Value;
    if (Value) {
        FDate = vcl::Date();
        UpdateCalendar();
    }
}

// ----- sizing

void TCvCalendar::ApplySize(int32_t W, int32_t H) {
    // Every width and height stays >= 0 however small the client area; the
    // six inner grid lines take GridLineWidth pixels each.
    const int32_t lines = 6 * GridLineWidth();
    const int32_t colWidth = std::max(0, (W - lines) / 7);
    const int32_t rowHeight = std::max(0, (H - lines - 2 * FHeaderFont->Size()) / 6);
    SetDefaultColWidth(colWidth);
    SetDefaultRowHeight(rowHeight);
    SetRowHeights(0, std::max(0, H - lines - 6 * rowHeight));
    SetColWidths(6, std::max(0, W - lines - 6 * colWidth));
}

void TCvCalendar::HeaderFontChanged() {
    Invalidate();
    ApplySize(ClientWidth(), ClientHeight());
}

void TCvCalendar::WndProc(TMessage& Message) {
    if (Message.Msg == WM_SIZE) {
        // Laid out here; the grid does not see the message.
        ApplySize(LOWORD(uintptr_t(Message.LParam)), HIWORD(uintptr_t(Message.LParam)));
        return;
    }
    TCustomGrid::WndProc(Message);
}

// ----- selection

bool TCvCalendar::SelectCell(int32_t ACol, int32_t ARow) {
    const TDateTime d = GetCellDate(ACol, ARow);
    bool result;
    if (!FUpdating && FReadOnly)
        result = false;
    else if (!FSelectSunday && DayOfWeek(d) == 1)
        result = false;
    else if (!FSelectOther && MonthOf(d) != Month())
        result = false;
    else
        result = TCustomGrid::SelectCell(ACol, ARow);
    if (FOnDateSelect && !FReadOnly)
        FOnDateSelect(this, static_cast<TCvDayOfWeek>(DayOfWeek(d) - 1), d, result);
    return result;
}

void TCvCalendar::Click() {
    TCustomGrid::Click();
    const TDateTime d = GetCellDate(Col(), Row());
    Word y1, m1, d1, y2, m2, d2;
    DecodeDate(d, y1, m1, d1);
    DecodeDate(FDate, y2, m2, d2);
    const bool otherMonth = y1 != y2 || m1 != m2;
    FDate = d;
    if (otherMonth) UpdateCalendar();
    Change();
}

// ----- painting

void TCvCalendar::DrawCell(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) {
    if (ARow == 0)
        DrawHeading(ACol, ARect);
    else
        DrawDate(ACol, ARow, ARect, AState);
}

void TCvCalendar::DrawHeading(int32_t ACol, const TRect& ARect) {
    const int32_t w = (ACol + static_cast<int32_t>(FStartOfWeek)) % 7;
    if (FOnDrawHeading) {
        FOnDrawHeading(this, ARect, static_cast<TCvDayOfWeek>(w));
        return;
    }
    const TFormatSettings& fs = FormatSettings();
    std::string text;
    switch (FHeaderType) {
        case cvchLongNames: text = fs.LongDayNames[w]; break;
        case cvchShortNames: text = fs.ShortDayNames[w]; break;
        case cvchSingleChar: text = FirstChar(fs.ShortDayNames[w]); break;
    }
    TCanvas* cv = Canvas();
    cv->SetFont(FHeaderFont.get());
    const TSize ext = cv->TextExtent(text);
    const int32_t x = ARect.Left + (ARect.Right - ARect.Left - ext.cx) / 2;
    const int32_t y = ARect.Top + (ARect.Bottom - ARect.Top - ext.cy) / 2;
    cv->TextRect(ARect, x, y, text);
}

void TCvCalendar::DrawDate(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) {
    TCanvas* cv = Canvas();
    cv->SetFont(Font());
    const TDateTime d = GetCellDate(ACol, ARow);
    const bool inMonth = MonthOf(d) == Month();
    if (!inMonth) cv->Font()->SetColor(FGrayedColor);
    const auto day = static_cast<TCvDayOfWeek>(DayOfWeek(d) - 1);
    if (AState.Contains(gdSelected) || AState.Contains(gdFocused)) {
        cv->Brush()->SetColor(clHighlight);
        cv->Font()->SetColor(clHighlightText);
    } else {
        cv->Brush()->SetColor(Color());
    }
    TColor color = cv->Brush()->Color();
    TColor fontColor = cv->Font()->Color();
    if (FOnGetDateColor) FOnGetDateColor(this, AState, day, d, color, fontColor);
    cv->Brush()->SetColor(color);
    cv->Pen()->SetColor(color);
    cv->Font()->SetColor(fontColor);
    cv->FillRect(ARect);
    unsigned format = 0;
    switch (FAlignment) {
        case cvcaCenter: format = DT_CENTER | DT_VCENTER | DT_SINGLELINE; break;
        case cvcaLeftTop: format = DT_LEFT; break;
        case cvcaMiddleTop: format = DT_CENTER; break;
        case cvcaRightTop: format = DT_RIGHT; break;
    }
    if (inMonth || FShowOther) {
        Word y, m, dd;
        DecodeDate(d, y, m, dd);
        TRect r = ARect;
        DrawText(cv->Handle(), std::to_string(dd), &r, format);
    }
    if (FOnDrawDate) FOnDrawDate(this, ARect, AState, day, d);
}

}  // namespace corvane
