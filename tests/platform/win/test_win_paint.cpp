// Update regions, WM_PAINT, BeginPaint clipping and erasing, window DCs and
// their visible regions, the non-client frame and caption pixels, PNG output
// and the backend notifications.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "Graphics.h"
#include "ImageCodecs.h"
#include "test_win_support.h"

using namespace wintest;

namespace {

class WinPaint : public TWinTest {};

const COLORREF Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255), Green = RGB(0, 255, 0), Yellow = RGB(255, 255, 0);

// A handler that paints its whole client area in one colour through
// BeginPaint, recording what BeginPaint reported.
struct TPainter {
    explicit TPainter(COLORREF C) : Color(C) {}
    COLORREF Color;
    std::vector<TRect> Paints;
    std::vector<BOOL> Erase;
    THandler Handler() {
        return [this](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
            if (m != WM_PAINT) return false;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            Paints.push_back(ps.rcPaint);
            Erase.push_back(ps.fErase);
            TRect c;
            GetClientRect(h, &c);
            HBRUSH b = CreateSolidBrush(Color);
            FillRect(dc, c, b);
            DeleteObject(b);
            EndPaint(h, &ps);
            r = 0;
            return true;
        };
    }
};

TEST_F(WinPaint, UpdateRegionsAndASingleWmPaint) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
    Pump();
    TRect u;
    EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
    const TRect r1{10, 10, 20, 20}, r2{50, 50, 60, 70};
    InvalidateRect(h, &r1, FALSE);
    InvalidateRect(h, &r2, FALSE);
    ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
    EXPECT_EQ(u, (TRect{10, 10, 60, 70}));
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetUpdateRgn(h, rgn, FALSE), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(rgn, 15, 15));
    EXPECT_FALSE(PtInRegion(rgn, 30, 30));
    DeleteObject(rgn);
    Log().clear();
    Pump();
    EXPECT_EQ(Count(h, WM_PAINT), 1u);
    Pump();
    EXPECT_EQ(Count(h, WM_PAINT), 1u) << "painted once, validated";
    // Validation takes parts away; a hidden window keeps nothing.
    InvalidateRect(h, &r1, FALSE);
    ValidateRect(h, &r1);
    EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
    ShowWindow(h, SW_HIDE);
    InvalidateRect(h, nullptr, TRUE);
    EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
    Pump();
    EXPECT_EQ(Count(h, WM_PAINT), 1u);
}

TEST_F(WinPaint, PaintRanksBelowPostedMessages) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 50, 50));
    InvalidateRect(h, nullptr, TRUE);
    PostMessage(h, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT) << "WM_PAINT stays until the window is validated";
    DispatchMessage(&m);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WinPaint, BeginPaintClipsToTheUpdateRegion) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
    UpdateWindow(h);
    EXPECT_EQ(Pixel(h, 50, 50), RGB(255, 255, 255)) << "erased with the class brush";
    TPainter red(Red);
    SetHandler(h, red.Handler());
    const TRect r{10, 20, 30, 40};
    InvalidateRect(h, &r, FALSE);
    Pump();
    ASSERT_EQ(red.Paints.size(), 1u);
    EXPECT_EQ(red.Paints[0], r);
    EXPECT_FALSE(red.Erase[0]);
    EXPECT_EQ(Pixel(h, 10, 20), Red);
    EXPECT_EQ(Pixel(h, 29, 39), Red);
    EXPECT_EQ(Pixel(h, 30, 39), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(h, 9, 20), RGB(255, 255, 255));
}

TEST_F(WinPaint, EraseWithTheClassBrush) {
    WNDCLASS wc;
    wc.lpfnWndProc = LogProc;
    wc.hbrBackground = CreateSolidBrush(Green);
    wc.lpszClassName = "WinPaintGreen";
    RegisterClass(&wc);
    HWND h = CreateWindowEx(0, "WinPaintGreen", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 60, 60, nullptr, nullptr,
                            nullptr, nullptr);
    UpdateWindow(h);
    EXPECT_EQ(Pixel(h, 30, 30), Green);
    EXPECT_EQ(Pixel(h, 1, 1), Green);
    EXPECT_EQ(Pixel(h, 0, 0), GetSysColor(COLOR_WINDOWFRAME)) << "the border is not the client";
    // A handler that leaves the erasing to WM_PAINT makes fErase TRUE.
    TPainter blue(Blue);
    SetHandler(h, [&](HWND w, UINT m, WPARAM wp, LPARAM lp, LRESULT& r) {
        if (m == WM_ERASEBKGND) {
            r = 0;
            return true;
        }
        return blue.Handler()(w, m, wp, lp, r);
    });
    InvalidateRect(h, nullptr, TRUE);
    Pump();
    ASSERT_EQ(blue.Erase.size(), 1u);
    EXPECT_TRUE(blue.Erase[0]);
    EXPECT_EQ(Pixel(h, 30, 30), Blue);
    DestroyWindow(h);
    UnregisterClass("WinPaintGreen", nullptr);
    DeleteObject(wc.hbrBackground);
}

TEST_F(WinPaint, ClipChildrenKeepsTheParentOffItsChildren) {
    for (bool clip : {true, false}) {
        SCOPED_TRACE(clip);
        HWND p = MakeWindow(WS_POPUP | WS_VISIBLE | (clip ? WS_CLIPCHILDREN : 0), 0, Bounds(0, 0, 200, 200));
        HWND c = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(50, 50, 50, 50), p);
        TPainter blue(Blue);
        SetHandler(c, blue.Handler());
        UpdateWindow(p);
        EXPECT_EQ(Pixel(p, 75, 75), Blue);
        // Invalidating the parent takes the children along only without
        // WS_CLIPCHILDREN.
        InvalidateRect(p, nullptr, TRUE);
        TRect u;
        EXPECT_EQ(GetUpdateRect(c, &u, FALSE) != FALSE, !clip);
        UpdateWindow(p);
        EXPECT_EQ(Pixel(p, 75, 75), Blue);
        HDC dc = GetDC(p);
        HBRUSH red = CreateSolidBrush(Red);
        FillRect(dc, TRect{0, 0, 200, 200}, red);
        DeleteObject(red);
        ReleaseDC(p, dc);
        EXPECT_EQ(Pixel(p, 75, 75), clip ? Blue : Red);
        EXPECT_EQ(Pixel(p, 10, 10), Red);
        DestroyWindow(p);
    }
}

TEST_F(WinPaint, ClipSiblingsKeepsAWindowOffTheOnesAbove) {
    for (bool clip : {true, false}) {
        SCOPED_TRACE(clip);
        HWND p = MakeWindow(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, Bounds(0, 0, 200, 200));
        HWND a = MakeWindow(WS_CHILD | WS_VISIBLE | (clip ? WS_CLIPSIBLINGS : 0), 0, Bounds(0, 0, 60, 60), p);
        HWND b = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(30, 30, 60, 60), p);  // above a
        TPainter blue(Blue);
        SetHandler(b, blue.Handler());
        UpdateWindow(p);
        HDC dc = GetDC(a);
        HBRUSH y = CreateSolidBrush(Yellow);
        FillRect(dc, TRect{0, 0, 60, 60}, y);
        DeleteObject(y);
        ReleaseDC(a, dc);
        EXPECT_EQ(Pixel(p, 10, 10), Yellow);
        EXPECT_EQ(Pixel(p, 45, 45), clip ? Blue : Yellow);
        DestroyWindow(p);
    }
}

TEST_F(WinPaint, ChildDrawingStaysInsideTheParentsClientArea) {
    HWND p = MakeWindow(WS_POPUP | WS_VISIBLE | WS_BORDER, 0, Bounds(0, 0, 100, 100));
    HWND out = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(60, 60, 80, 80), p);
    HWND neg = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(-20, -20, 40, 40), p);
    UpdateWindow(p);
    for (auto [w, color] : {std::pair<HWND, COLORREF>{out, Red}, std::pair<HWND, COLORREF>{neg, Green}}) {
        HDC dc = GetDC(w);
        TPoint org;
        GetDCOrgEx(dc, &org);
        HBRUSH b = CreateSolidBrush(color);
        FillRect(dc, TRect{-100, -100, 200, 200}, b);
        DeleteObject(b);
        ReleaseDC(w, dc);
    }
    EXPECT_EQ(Pixel(p, 98, 98), Red);
    EXPECT_EQ(Pixel(p, 99, 99), GetSysColor(COLOR_WINDOWFRAME)) << "the parent's border is outside its client area";
    EXPECT_EQ(Pixel(p, 61, 61), Red);
    EXPECT_EQ(Pixel(p, 1, 1), Green);
    EXPECT_EQ(Pixel(p, 20, 20), Green);
    EXPECT_EQ(Pixel(p, 21, 21), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(p, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(Pixel(p, 0, 50), GetSysColor(COLOR_WINDOWFRAME));
}

struct TProbe {
    const char* Name;
    int X, Y;
    int SysColor;
};

TEST_F(WinPaint, FrameAndCaptionPixels) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, WS_EX_CLIENTEDGE, Bounds(0, 0, 300, 200), nullptr,
                        "Caption text");
    UpdateWindow(h);
    ASSERT_EQ(GetActiveWindow(), h);
    // Thick frame 4: raised edge (light, highlight / dark shadow, shadow), two
    // rows of the border colour; caption rows 4..20, its line at 21; client
    // edge at 22..23 (shadow, dark shadow) and the client from 24.
    const TProbe probes[] = {
        {"OuterTopLeft", 0, 100, COLOR_3DLIGHT},          {"InnerTopLeft", 1, 100, COLOR_BTNHIGHLIGHT},
        {"OuterBottomRight", 299, 100, COLOR_3DDKSHADOW}, {"InnerBottomRight", 298, 100, COLOR_BTNSHADOW},
        {"TopOuter", 150, 0, COLOR_3DLIGHT},              {"BottomOuter", 150, 199, COLOR_3DDKSHADOW},
        {"Border", 2, 100, COLOR_ACTIVEBORDER},           {"Border2", 3, 100, COLOR_ACTIVEBORDER},
        {"CaptionStart", 4, 12, COLOR_ACTIVECAPTION},     {"CaptionEnd", 295, 12, COLOR_GRADIENTACTIVECAPTION},
        {"CaptionLine", 150, 21, COLOR_3DFACE},           {"ClientEdgeOuter", 150, 22, COLOR_BTNSHADOW},
        {"ClientEdgeInner", 150, 23, COLOR_3DDKSHADOW},   {"ClientEdgeInnerRight", 294, 100, COLOR_3DLIGHT},
        {"ClientEdgeOuterRight", 295, 100, COLOR_BTNHIGHLIGHT}, {"Client", 150, 100, COLOR_WINDOW},
        {"CloseButtonFace", 281, 8, COLOR_3DFACE},
    };
    for (const TProbe& p : probes) EXPECT_EQ(Pixel(h, p.X, p.Y), GetSysColor(p.SysColor)) << p.Name;
    // The gradient runs between the two.
    const COLORREF mid = Pixel(h, 150, 4);
    EXPECT_GT(GetBValue(mid), GetBValue(GetSysColor(COLOR_ACTIVECAPTION)));
    EXPECT_LT(GetBValue(mid), GetBValue(GetSysColor(COLOR_GRADIENTACTIVECAPTION)));
    // The title is drawn in the caption text colour, the close glyph in black.
    auto count = [&](TRect r, COLORREF c) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) n += Pixel(h, x, y) == c;
        return n;
    };
    EXPECT_GT(count(TRect{24, 4, 240, 21}, GetSysColor(COLOR_CAPTIONTEXT)), 20);
    EXPECT_GT(count(TRect{278, 6, 294, 20}, GetSysColor(COLOR_BTNTEXT)), 10);
    // The small icon sits left of the title.
    EXPECT_GT(count(TRect{6, 5, 22, 21}, RGB(255, 255, 255)), 20);
    // Without a title there is no caption text; without gradients the bar is flat.
    SetWindowText(h, "");
    EXPECT_EQ(count(TRect{24, 4, 240, 21}, GetSysColor(COLOR_CAPTIONTEXT)), 0);
    SystemParametersInfo(SPI_SETGRADIENTCAPTIONS, FALSE, nullptr, 0);
    RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Pixel(h, 150, 4), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(Pixel(h, 295, 12), GetSysColor(COLOR_ACTIVECAPTION));
}

TEST_F(WinPaint, TheCaptionShowsTheWindowsIcon) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 200), nullptr, "");
    UpdateWindow(h);
    // An icon of the drawing layer (as a TIcon holds): 16 x 16, solid red.
    TIconImage img;
    img.Width = img.Height = 16;
    img.Pixels.assign(256, 0xFFFF0000u);
    HICON icon = CreateIconFromImage(img);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SendMessage(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)), 0);
    // The icon box: two pixels into the bar (x 6..21), rows 5..20.
    EXPECT_EQ(Pixel(h, 6, 5), Red);
    EXPECT_EQ(Pixel(h, 21, 20), Red);
    EXPECT_NE(Pixel(h, 22, 12), Red) << "right of the icon is the bar";
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(h, WM_GETICON, ICON_SMALL, 0)), icon);
    // Without an icon of its own a window shows the application icon.
    SendMessage(h, WM_SETICON, ICON_SMALL, 0);
    EXPECT_NE(Pixel(h, 10, 10), Red);
    DestroyIconImage(icon);
}

TEST_F(WinPaint, DeactivationRepaintsTheCaption) {
    HWND a = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    UpdateWindow(a);
    EXPECT_EQ(Pixel(a, 4, 12), GetSysColor(COLOR_ACTIVECAPTION));
    HWND b = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(400, 0, 300, 200));
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(Pixel(a, 4, 12), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(Pixel(a, 295, 12), GetSysColor(COLOR_GRADIENTINACTIVECAPTION));
    // A tool window's small caption, and a dialog frame.
    HWND t = MakeWindow(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_EX_TOOLWINDOW, Bounds(0, 300, 200, 100));
    UpdateWindow(t);
    EXPECT_EQ(Pixel(t, 3, 10), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(Pixel(t, 100, 3 + 14), GetSysColor(COLOR_3DFACE)) << "the line under a 15 pixel caption";
    EXPECT_EQ(Pixel(t, 2, 50), GetSysColor(COLOR_3DFACE)) << "the third ring of a dialog frame";
    EXPECT_EQ(Pixel(t, 0, 50), GetSysColor(COLOR_3DLIGHT));
}

TEST_F(WinPaint, RedrawWindowFlags) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 200, 150));
    Pump();
    Log().clear();
    RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(MessagesOf(h, {WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_PAINT, WM_NCPAINT}))
        << "WM_PAINT at once; its BeginPaint sends WM_NCPAINT";
    Log().clear();
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
    EXPECT_EQ(MessagesOf(h, {WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_ERASEBKGND}));
    Pump();
    EXPECT_EQ(MessagesOf(h, {WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_ERASEBKGND, WM_PAINT}));
    Log().clear();
    TPainter p(Red);
    SetHandler(h, p.Handler());
    RedrawWindow(h, nullptr, nullptr, RDW_INTERNALPAINT);
    Pump();
    ASSERT_EQ(p.Paints.size(), 1u);
    EXPECT_TRUE(p.Paints[0].IsEmpty()) << "an internal paint has nothing to update";
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE);
    RedrawWindow(h, nullptr, nullptr, RDW_VALIDATE);
    Pump();
    EXPECT_EQ(p.Paints.size(), 1u);
}

TEST_F(WinPaint, WindowDcsFollowTheirWindow) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 50, 50));
    UpdateWindow(h);
    HDC dc = GetDC(h);
    EXPECT_EQ(WindowFromDC(dc), h);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 50);
    SetWindowPos(h, nullptr, 0, 0, 200, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
    HBRUSH b = CreateSolidBrush(Blue);
    FillRect(dc, TRect{190, 110, 200, 120}, b);
    DeleteObject(b);
    EXPECT_EQ(Pixel(h, 195, 115), Blue);
    EXPECT_EQ(ReleaseDC(h, dc), 1);
    EXPECT_EQ(ReleaseDC(h, dc), 0);
    // A window going away takes its DCs with it.
    HDC left = GetDC(h);
    DestroyWindow(h);
    EXPECT_EQ(GetObjectType(left), 0);
    // CS_OWNDC windows keep one DC.
    WNDCLASS wc;
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "WinPaintOwnDC";
    RegisterClass(&wc);
    HWND o = CreateWindowEx(0, "WinPaintOwnDC", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    HDC d1 = GetDC(o);
    SetTextColor(d1, Red);
    ReleaseDC(o, d1);
    HDC d2 = GetDC(o);
    EXPECT_EQ(d1, d2);
    EXPECT_EQ(GetTextColor(d2), Red) << "its state lasts";
    ReleaseDC(o, d2);
    DestroyWindow(o);
    UnregisterClass("WinPaintOwnDC", nullptr);
    // The screen DC.
    HDC s = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(s, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetDeviceCaps(s, BITSPIXEL), 32);
    HBITMAP bm = CreateCompatibleBitmap(s, 4, 4);
    BITMAP info;
    ASSERT_TRUE(GetObject(bm, &info));
    EXPECT_EQ(info.bmBitsPixel, 32) << "bitmaps compatible with the screen are in colour";
    DeleteObject(bm);
    EXPECT_EQ(ReleaseDC(nullptr, s), 1);
}

TEST_F(WinPaint, IconsDrawThroughTheirMask) {
    // A 4 x 4 icon: red with a transparent column and a half-transparent one.
    uint32_t px[16];
    for (int i = 0; i < 16; ++i) px[i] = (i % 4 == 0) ? 0x00000000u : (i % 4 == 1) ? 0x7FFF0000u : 0xFFFF0000u;
    TPixelView v{px, 4, 4, 4};
    HICON icon = CreateIconFromPixels(v);
    ASSERT_NE(icon, nullptr);
    TSize size;
    ASSERT_TRUE(GetIconSize(icon, &size));
    EXPECT_EQ(size, (TSize{4, 4}));
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 40, 40));
    UpdateWindow(h);
    HDC dc = GetDC(h);
    ASSERT_TRUE(DrawIconEx(dc, 10, 10, icon, 8, 8, 0, nullptr, DI_NORMAL));  // stretched twice
    ReleaseDC(h, dc);
    EXPECT_EQ(Pixel(h, 10, 10), RGB(255, 255, 255)) << "transparent";
    EXPECT_EQ(Pixel(h, 12, 10), RGB(255, 255, 255)) << "alpha below one half is transparent";
    EXPECT_EQ(Pixel(h, 14, 10), Red);
    EXPECT_EQ(Pixel(h, 17, 17), Red);
    EXPECT_EQ(Pixel(h, 18, 18), RGB(255, 255, 255));
    // The bitmaps of an icon make the same icon again.
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info));
    HICON again = CreateIconIndirect(&info);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    ASSERT_NE(again, nullptr);
    dc = GetDC(h);
    DrawIconEx(dc, 20, 20, again, 0, 0, 0, nullptr, DI_NORMAL);
    ReleaseDC(h, dc);
    EXPECT_EQ(Pixel(h, 20, 20), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(h, 22, 20), Red);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_TRUE(DestroyIcon(again));
    // The predefined ones are shared and stay.
    HICON app = LoadIcon(nullptr, IDI_APPLICATION);
    EXPECT_EQ(LoadIcon(nullptr, IDI_APPLICATION), app);
    EXPECT_TRUE(DestroyIcon(app));
    ASSERT_TRUE(GetIconSize(app, &size));
    EXPECT_EQ(size, (TSize{32, 32}));
    EXPECT_NE(LoadIcon(nullptr, IDI_ERROR), app);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(1)), nullptr);
    EXPECT_FALSE(DrawIconEx(nullptr, 0, 0, app, 0, 0, 0, nullptr, DI_NORMAL));
}

class TRecordingBackend : public IWindowBackend {
public:
    std::vector<std::string> Events;
    std::vector<TRect> Painted;
    void TopLevelCreated(HWND) override { Events.push_back("created"); }
    void TopLevelDestroyed(HWND) override { Events.push_back("destroyed"); }
    void TopLevelMoved(HWND, const TRect&) override { Events.push_back("moved"); }
    void TopLevelResized(HWND, const TRect&) override { Events.push_back("resized"); }
    void TopLevelShown(HWND, bool V) override { Events.push_back(V ? "shown" : "hidden"); }
    void SurfacePainted(HWND, const TRect& R) override { Painted.push_back(R); }
};

TEST_F(WinPaint, TheBackendHearsAboutTopLevelWindows) {
    TRecordingBackend rec;
    IWindowBackend* old = SetWindowBackend(&rec);
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 50, 50));
    HWND c = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 10, 10), h);
    ASSERT_NE(c, nullptr);
    ShowWindow(h, SW_SHOWNA);
    MoveWindow(h, 5, 5, 50, 50, TRUE);
    MoveWindow(h, 5, 5, 60, 60, TRUE);
    UpdateWindow(h);
    ShowWindow(h, SW_HIDE);
    DestroyWindow(h);
    SetWindowBackend(old);
    EXPECT_EQ(rec.Events, (std::vector<std::string>{"created", "shown", "moved", "resized", "hidden", "destroyed"}))
        << "children are no business of the backend";
    ASSERT_FALSE(rec.Painted.empty());
    for (const TRect& r : rec.Painted) {
        EXPECT_GE(r.Left, 0);
        EXPECT_LE(r.Right, 60);
    }
}

TEST_F(WinPaint, WindowPictureToPng) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, WS_EX_CLIENTEDGE, Bounds(40, 40, 320, 220), nullptr,
                        "Corvane window");
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1));
    wc.lpszClassName = "WinPaintPanel";
    RegisterClass(&wc);
    HWND panel = CreateWindowEx(WS_EX_CLIENTEDGE, "WinPaintPanel", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 20, 150,
                                100, h, nullptr, nullptr, nullptr);
    HWND tool = CreateWindowEx(WS_EX_TOOLWINDOW, "WinPaintPanel", "Tool", WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
                               180, 30, 110, 80, h, nullptr, nullptr, nullptr);
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(tool, nullptr);
    UpdateWindow(h);
    const char* env = std::getenv("CORVANE_TEST_TMP");
    const std::string path = std::string(env ? env : "/tmp") + "/win_window.png";
    ASSERT_TRUE(SaveWindowToPng(h, path));
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const TDibImage img = ReadPng(data.data(), data.size());
    EXPECT_EQ(img.Width, 320);
    EXPECT_EQ(img.Height, 220);
    TPixelView v;
    ASSERT_TRUE(GetWindowSurface(h, &v));
    EXPECT_EQ(img.Pixels[size_t(12) * 320 + 4] & 0xFFFFFF, v.Row(12)[4] & 0xFFFFFF);
    // A child's picture is its part of the surface.
    const std::string childPath = std::string(env ? env : "/tmp") + "/win_child.png";
    ASSERT_TRUE(SaveWindowToPng(panel, childPath));
    std::ifstream cf(childPath, std::ios::binary);
    std::vector<uint8_t> cdata((std::istreambuf_iterator<char>(cf)), std::istreambuf_iterator<char>());
    EXPECT_EQ(ReadPng(cdata.data(), cdata.size()).Width, 150);
    DestroyWindow(h);
    UnregisterClass("WinPaintPanel", nullptr);
}

}  // namespace
