// DisplayTestProbe.h - a form fixture for the display controls' tests:
// shows a form, pumps messages, reads pixels of a control off the form's
// surface and saves pictures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Clock.h"
#include "Controls.h"
#include "Forms.h"
#include "WinBackend.h"
#include "Windows.h"

namespace corvane::testing {

inline void Pump() { vcl::Application()->ProcessMessages(); }

// 0x00BBGGRR of a colour (system colours resolved).
inline uint32_t Rgb(vcl::TColor C) { return static_cast<uint32_t>(vcl::ColorToRGB(C)) & 0xFFFFFFu; }

struct DisplayForm : ::testing::Test {
    vcl::TForm* Form = nullptr;
    void SetUp() override {
        vcl::Clock::UseVirtualTime(true);
        Form = new vcl::TForm(nullptr);
        Form->SetBounds(40, 30, 420, 260);
        Form->SetCaption("Display");
        Form->SetColor(vcl::clBtnFace);
    }
    void TearDown() override {
        delete Form;
        Pump();
        vcl::Clock::UseVirtualTime(false);
    }
    void ShowForm() {
        Form->Show();
        Pump();
        vcl::UpdateWindow(Form->Handle());
    }
    // Moves the clock in slices of Slice ms, handling the messages after
    // each (a window timer posts one WM_TIMER however much time passed).
    void AdvanceMs(uint64_t Ms, uint64_t Slice = 5) {
        for (uint64_t done = 0; done < Ms; done += Slice) {
            vcl::Clock::Advance(std::min(Slice, Ms - done) * 1000000ULL);
            Pump();
        }
    }
    // The colour (0x00BBGGRR) shown at (X, Y) of Control's client area.
    uint32_t PixelOf(const vcl::TControl* Control, int32_t X, int32_t Y) {
        Pump();
        vcl::UpdateWindow(Form->Handle());
        vcl::TPixelView view;
        EXPECT_TRUE(vcl::GetWindowSurface(Form->Handle(), &view));
        vcl::TRect wr;
        vcl::GetWindowRect(Form->Handle(), &wr);
        const vcl::TPoint p = Control->ClientToScreen({X, Y});
        const int sx = p.X - wr.Left, sy = p.Y - wr.Top;
        if (sx < 0 || sy < 0 || sx >= view.Width || sy >= view.Height) return 0xFFFFFFFFu;
        const uint32_t argb = view.Row(sy)[sx];
        return ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
    }
    // Saves the form's picture to /tmp/leds/<Name>.png.
    void Save(const std::string& Name) {
        std::filesystem::create_directories("/tmp/leds");
        Pump();
        vcl::UpdateWindow(Form->Handle());
        EXPECT_TRUE(Form->SaveToPng("/tmp/leds/" + Name + ".png"));
    }
};

}  // namespace corvane::testing
