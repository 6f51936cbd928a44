#include "CvFormCaptionExtender.h"

#include <cmath>
#include <cstdlib>

#include "Exceptions.h"
#include "Forms.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvFormCaptionExtender, TCvWndProcComponent) {
    using C = TCvFormCaptionExtender;
    B.Property("Font", &C::Font, &C::SetFont);
    B.Property("Gradientcolors", &C::Gradientcolors, &C::SetGradientcolors);
    B.Property("ActiveLeftColor", &C::ActiveLeftColor, &C::SetActiveLeftColor).Idents(ColorIdents());
    B.Property("InActiveLeftColor", &C::InActiveLeftColor, &C::SetInActiveLeftColor).Idents(ColorIdents());
    B.Property("ActiveGradient", &C::ActiveGradient, &C::SetActiveGradient);
    B.Property("InActiveGradient", &C::InActiveGradient, &C::SetInActiveGradient);
}

namespace {

int32_t Rnd(double V) { return static_cast<int32_t>(vcl::Round(V)); }

// The window DC of a window and a canvas on it, both given back on every
// way out (the canvas first, then the DC).
class TWindowDCCanvas {
public:
    explicit TWindowDCCanvas(HWND Wnd) : FWnd(Wnd), FDC(GetWindowDC(Wnd)) {
        if (FDC) FCanvas.SetHandle(FDC);
    }
    ~TWindowDCCanvas() {
        FCanvas.SetHandle(nullptr);
        if (FDC) ReleaseDC(FWnd, FDC);
    }
    TWindowDCCanvas(const TWindowDCCanvas&) = delete;
    TWindowDCCanvas& operator=(const TWindowDCCanvas&) = delete;
    bool Valid() const { return FDC != nullptr; }
    TCanvas& Canvas() { return FCanvas; }
    HDC DC() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
    TCanvas FCanvas;
};

}  // namespace

TColor GradientColor(TColor C1, TColor C2, int32_t Steps, int32_t Index) {
    if (Steps < 1) throw ERangeError("GradientColor: the number of steps must be at least 1");
    if (Index < 0) Index = 0;
    if (Index > Steps) Index = Steps;
    const COLORREF a = ColorToColorRef(C1), b = ColorToColorRef(C2);
    auto channel = [&](int shift) -> uint32_t {
        const int32_t x = int32_t((a >> shift) & 0xFF), y = int32_t((b >> shift) & 0xFF);
        const int32_t d = std::abs(x - y);
        const int32_t s = Rnd(double(d) / double(Steps) * double(Index));
        return uint32_t(x > y ? x - s : x + s) & 0xFF;
    };
    return TColor(channel(0) | (channel(8) << 8) | (channel(16) << 16));
}

TCvFormCaptionExtender::TCvFormCaptionExtender(TComponent* AOwner)
    : TCvWndProcComponent(AOwner), FFont(std::make_unique<TFont>()) {
    FFont->SetName("MS Sans Serif");
    FFont->SetSize(8);
    FFont->SetColor(clWhite);
    // Also while designing, so that the designer shows the gradient.
    SetNewWndProc();
}

TCvFormCaptionExtender::~TCvFormCaptionExtender() = default;

void TCvFormCaptionExtender::InvalidateForm() {
    if (IsDesigning() || !OwnerForm() || !OwnerForm()->HandleAllocated()) return;
    // The caption is part of the frame: invalidate that too.
    RedrawWindow(OwnerForm()->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void TCvFormCaptionExtender::SetCols(int32_t Value) {
    if (Value < 1 || Value > 64) return;
    FGradientColors = Value;
    InvalidateForm();
}

void TCvFormCaptionExtender::SetFont(const TFont* Value) {
    if (Value) FFont->Assign(Value);
    InvalidateForm();
}

void TCvFormCaptionExtender::SetLCol(int Index, TColor Value) {
    if (Index == 1)
        FActiveLeftColor = Value;
    else if (Index == 2)
        FInActiveLeftColor = Value;
    else
        return;
    InvalidateForm();
}

void TCvFormCaptionExtender::WndProc(TMessage& Message) {
    // The form draws its standard frame first.
    TCvWndProcComponent::WndProc(Message);
    switch (Message.Msg) {
        case WM_NCPAINT:
            if (WantsGradient()) NCPaint();
            break;
        case WM_NCACTIVATE:
            FActive = (Message.WParam & 0xFF) != 0;
            if (WantsGradient()) NCPaint();
            break;
        case WM_SETTEXT:
        case WM_SETICON:
            // The platform redraws the caption bar directly for these.
            if (WantsGradient()) NCPaint();
            break;
        default: break;
    }
}

TRect TCvFormCaptionExtender::CalcRect(bool& IconMark) const {
    IconMark = false;
    TCustomForm* form = OwnerForm();
    if (!form || !form->HandleAllocated()) return TRect{};
    const HWND wnd = form->WindowHandleOrNull();
    const LONG_PTR style = GetWindowLong(wnd, GWL_STYLE);
    if ((style & WS_CAPTION) != WS_CAPTION || IsIconic(wnd)) return TRect{};
    const TFormBorderStyle border = form->BorderStyle();
    int32_t l = GetSystemMetrics(SM_CXFRAME);
    int32_t t = GetSystemMetrics(SM_CYFRAME);
    int32_t b = GetSystemMetrics(SM_CYCAPTION) + t - 1;
    bool icon = border == bsSizeable;
    if (border == bsToolWindow || border == bsSizeToolWin) {
        b = GetSystemMetrics(SM_CYSMCAPTION) + t - 1;
        if (border == bsToolWindow) {
            l -= GetSystemMetrics(SM_CXBORDER);
            t -= GetSystemMetrics(SM_CYBORDER);
            b -= GetSystemMetrics(SM_CYBORDER);
        }
    }
    if (border == bsDialog) b -= 1;
    if (border == bsSingle) b -= GetSystemMetrics(SM_CYBORDER);
    l -= GetSystemMetrics(SM_CXBORDER);
    t -= GetSystemMetrics(SM_CYBORDER);
    b -= GetSystemMetrics(SM_CYBORDER);
    TRect wr;
    GetWindowRect(wnd, &wr);
    const int32_t r = wr.Width() - l - 3 * GetSystemMetrics(SM_CXSIZE);
    // Every frame shows the icon in the band.
    icon = true;
    IconMark = icon;
    return TRect{l, t, r, b};
}

void TCvFormCaptionExtender::NCPaint() {
    TCustomForm* form = OwnerForm();
    if (!form || !form->HandleAllocated()) return;
    const HWND wnd = form->WindowHandleOrNull();
    if (!IsWindow(wnd) || !IsWindowVisible(wnd)) return;
    bool iconMark = false;
    TRect band = CalcRect(iconMark);
    if (band.Right <= band.Left || band.Bottom <= band.Top) return;
    TWindowDCCanvas paint(wnd);
    if (!paint.Valid()) return;
    TCanvas& canvas = paint.Canvas();
    int32_t l = band.Left;
    const int32_t t = band.Top, r = band.Right, b = band.Bottom;

    const TColor base = ColorToRGB(FActive ? clActiveCaption : clInactiveCaption);
    canvas.Pen()->SetColor(base);
    canvas.Brush()->SetColor(base);
    canvas.Rectangle(l, t, r, b);

    const TColor left = FActive ? FActiveLeftColor : FInActiveLeftColor;
    const int32_t n = FGradientColors;
    for (int32_t i = 0; i < n; ++i) {
        const TColor c = GradientColor(left, base, n, i);
        canvas.Pen()->SetColor(c);
        canvas.Brush()->SetColor(c);
        const int32_t x1 = Rnd(l + double(i) * (r - l) / n);
        const int32_t x2 = Rnd(l + double(i + 1) * (r - l) / n);
        canvas.Rectangle(x1, t, x2, b);
    }

    if (iconMark) {
        HICON icon = nullptr;
        if (form->Icon() && !form->Icon()->Empty())
            icon = form->Icon()->Handle();
        else if (Application()->Icon() && !Application()->Icon()->Empty())
            icon = Application()->Icon()->Handle();
        else
            // Neither has one: the icon the platform shows for the window.
            icon = reinterpret_cast<HICON>(SendMessage(wnd, WM_GETICON, ICON_SMALL2, 0));
        if (icon) {
            DrawIconEx(canvas.Handle(), l + 1, t + 1, icon, GetSystemMetrics(SM_CXSMICON),
                       GetSystemMetrics(SM_CYSMICON), 0, nullptr, DI_NORMAL);
            l += GetSystemMetrics(SM_CXSMICON) + 5;
        }
    }

    canvas.SetFont(FFont.get());
    const HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);
    TRect text{l, t, r, b};
    if (text.Right > text.Left) {
        const std::string caption = form->Caption();
        DrawText(dc, caption, &text, DT_VCENTER | DT_SINGLELINE | DT_LEFT | DT_NOPREFIX);
    }
}

}  // namespace corvane
