// The form extenders: gradient captions of every border style, active and
// inactive, and the MDI background fill.
#include <cstdio>

#include "CvBackgroundFill.h"
#include "CvFormCaptionExtender.h"
#include "Forms.h"
#include "Gallery.h"
#include "Gdi.h"
#include "StdCtrls.h"

namespace gallery {

using namespace vcl;
using namespace corvane;

namespace {

// Copies a window's picture (frame included) into Canvas at (X, Y).
void CopyWindow(TCustomForm* Form, TCanvas* Canvas, int X, int Y) {
    HWND w = Form->Handle();
    UpdateWindow(w);
    TRect r;
    GetWindowRect(w, &r);
    HDC src = GetWindowDC(w);
    BitBlt(Canvas->Handle(), X, Y, r.Right - r.Left, r.Bottom - r.Top, src, 0, 0, SRCCOPY);
    ReleaseDC(w, src);
}

}  // namespace

std::vector<TPicture> NoVis2Pictures(const std::filesystem::path& Dir) {
    std::vector<TPicture> out;
    const struct {
        TFormBorderStyle Style;
        const char* Name;
    } styles[] = {{bsSingle, "bsSingle"},
                  {bsSizeable, "bsSizeable"},
                  {bsDialog, "bsDialog"},
                  {bsToolWindow, "bsToolWindow"},
                  {bsSizeToolWin, "bsSizeToolWin"}};
    constexpr int W = 330, H = 90, Gap = 10;
    TBitmap sheet;
    sheet.SetSize(2 * W + 3 * Gap, 5 * (H + Gap) + Gap);
    sheet.Canvas()->Brush()->SetColor(clAppWorkSpace);
    sheet.Canvas()->FillRect(TRect{0, 0, sheet.Width(), sheet.Height()});
    auto* other = new TForm(nullptr);  // takes the activation for the inactive pictures
    other->SetBounds(700, 500, 80, 60);
    int row = 0;
    for (const auto& s : styles) {
        auto* f = new TForm(nullptr);
        f->SetBorderStyle(s.Style);
        f->SetBounds(40, 40, W, H);
        f->SetCaption(std::string("TCvFormCaptionExtender - ") + s.Name);
        auto* ext = new TCvFormCaptionExtender(f);
        if (row % 2 == 1) {
            ext->SetActiveLeftColor(clMaroon);
            ext->SetInActiveLeftColor(clOlive);
        }
        auto* text = new TLabel(f);
        text->SetParent(f);
        text->SetCaption(s.Name);
        text->SetBounds(10, 10, 200, 16);
        f->Show();
        Application()->ProcessMessages();
        CopyWindow(f, sheet.Canvas(), Gap, Gap + row * (H + Gap));
        other->Show();
        Application()->ProcessMessages();
        CopyWindow(f, sheet.Canvas(), 2 * Gap + W, Gap + row * (H + Gap));
        other->Hide();
        delete f;
        ++row;
    }
    delete other;
    const std::string captions = "NoVis2-caption-extender.png";
    if (SaveGraphicToPng(sheet, (Dir / captions).string()))
        out.push_back({captions, "Gradient captions of every border style with a caption: active (left) and "
                                 "inactive (right), black and maroon to the caption colours"});

    auto* mdi = new TForm(nullptr);
    mdi->SetFormStyle(fsMDIForm);
    mdi->SetBounds(30, 30, 460, 300);
    mdi->SetCaption("TCvBackgroundFill on an MDI frame");
    TCustomForm* oldMain = Application()->MainForm();
    Application()->SetMainForm(mdi);
    auto* fill = new TCvBackgroundFill(mdi);
    fill->SetEnabled(true);
    fill->Loaded();
    auto* cap = new TCvFormCaptionExtender(mdi);
    cap->SetActiveLeftColor(clNavy);
    mdi->Show();
    auto* child = new TForm(nullptr);
    child->SetFormStyle(fsMDIChild);
    child->SetCaption("Document1");
    child->SetBounds(20, 20, 220, 120);
    child->Show();
    Application()->ProcessMessages();
    const std::string background = "NoVis2-background-fill.png";
    if (mdi->SaveToPng((Dir / background).string()))
        out.push_back({background, "An MDI frame whose client background TCvBackgroundFill paints as a gradient "
                                   "from navy to silver, with a child window and a gradient caption"});
    delete child;
    Application()->SetMainForm(oldMain);
    delete mdi;
    Application()->ProcessMessages();
    return out;
}

}  // namespace gallery
