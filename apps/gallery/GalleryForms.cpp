// The platform's standard controls on a classic form, with a plot drawn by
// the formula parser.
#include <cstdio>

#include "CvMathParser.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Gallery.h"
#include "StdCtrls.h"

namespace gallery {

using namespace vcl;

namespace {

// A graphic control that plots a formula over one period.
class TFormulaPlot : public TGraphicControl {
public:
    explicit TFormulaPlot(TComponent* Owner) : TGraphicControl(Owner) {}
    std::string Formula = "SIN(X)+SIN(3*X)/3";

protected:
    void Paint() override {
        TCanvas* c = Canvas();
        const int w = Width(), h = Height();
        c->Brush()->SetColor(clWhite);
        c->FillRect(TRect{0, 0, w, h});
        c->Pen()->SetColor(clSilver);
        for (int x = 0; x <= 360; x += 90) {
            int px = 4 + x * (w - 8) / 360;
            c->MoveTo(px, 4);
            c->LineTo(px, h - 4);
        }
        c->Pen()->SetColor(clGray);
        c->MoveTo(4, h / 2);
        c->LineTo(w - 4, h / 2);
        corvane::TCvMathParser parser(nullptr);
        parser.SetFormula(Formula);
        if (!parser.Compile()) return;
        c->Pen()->SetColor(clNavy);
        c->Pen()->SetWidth(2);
        for (int px = 4; px < w - 4; ++px) {
            long double x = (px - 4) * 360.0L / (w - 8);
            int py = h / 2 - int(parser.Calculate(x, 0) * (h / 2 - 8) / 1.2L);
            if (px == 4)
                c->MoveTo(px, py);
            else
                c->LineTo(px, py);
        }
        c->Pen()->SetWidth(1);
        c->Brush()->SetStyle(bsClear);
        c->Font()->SetColor(clNavy);
        c->TextOut(8, 4, "Y = " + Formula);
    }
};

}  // namespace

std::vector<TPicture> StandardFormPictures(const std::filesystem::path& Dir) {
    std::vector<TPicture> out;
    auto* form = new TForm(nullptr);
    form->SetCaption("Corvane - New account");
    form->SetBounds(40, 40, 480, 330);
    form->SetBorderStyle(bsSingle);

    auto* nameLabel = new TLabel(form);
    nameLabel->SetParent(form);
    nameLabel->SetCaption("&Name:");
    nameLabel->SetBounds(16, 20, 60, 16);
    auto* name = new TEdit(form);
    name->SetParent(form);
    name->SetBounds(90, 16, 220, 22);
    name->SetText("Ada Lovelace");
    nameLabel->SetFocusControl(name);

    auto* mailLabel = new TLabel(form);
    mailLabel->SetParent(form);
    mailLabel->SetCaption("&E-mail:");
    mailLabel->SetBounds(16, 52, 60, 16);
    auto* mail = new TEdit(form);
    mail->SetParent(form);
    mail->SetBounds(90, 48, 220, 22);
    mail->SetText("ada@example.org");

    auto* remember = new TCheckBox(form);
    remember->SetParent(form);
    remember->SetCaption("&Remember me on this computer");
    remember->SetBounds(90, 80, 220, 20);
    remember->SetChecked(true);
    auto* news = new TCheckBox(form);
    news->SetParent(form);
    news->SetCaption("Send me the &newsletter");
    news->SetBounds(90, 102, 220, 20);

    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetBounds(350, 16, 100, 26);
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetBounds(350, 48, 100, 26);
    auto* disabled = new TButton(form);
    disabled->SetParent(form);
    disabled->SetCaption("&Help");
    disabled->SetEnabled(false);
    disabled->SetBounds(350, 80, 100, 26);

    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBevelOuter(bvLowered);
    panel->SetBounds(16, 134, 434, 150);
    auto* plot = new TFormulaPlot(form);
    plot->SetParent(panel);
    plot->SetAlign(alClient);

    form->Show();
    Application()->ProcessMessages();
    name->SetFocus();
    name->SetSelStart(4);
    name->SetSelLength(8);
    Application()->ProcessMessages();
    const std::string file = "Platform-standard-form.png";
    if (form->SaveToPng((Dir / file).string()))
        out.push_back({file, "A form with labels, edits (one focused with a selection), check boxes, buttons "
                             "(default, cancel, disabled) and a panel holding a plot of a formula evaluated "
                             "by TCvMathParser"});
    else
        std::fprintf(stderr, "corvane-gallery: cannot write %s\n", file.c_str());
    delete form;
    Application()->ProcessMessages();
    return out;
}

}  // namespace gallery
