// Tests of the drawing objects (Graphics.h): colours, pens, brushes, fonts,
// the canvas, bitmaps, icons, pictures, and the resource store.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Exceptions.h"
#include "Filer.h"
#include "Graphics.h"
#include "ImageCodecs.h"
#include "Resources.h"
#include "Streams.h"

using namespace vcl;

namespace {

std::string TmpFolder() {
    std::string d;
    if (const char* e = std::getenv("CORVANE_TEST_TMP"))
        d = e;
    else {
#ifdef CORVANE_TEST_TMP
        d = CORVANE_TEST_TMP;
#else
        d = std::filesystem::temp_directory_path().string();
#endif
    }
    std::filesystem::create_directories(d);
    return d;
}

std::string TmpFile(const std::string& Name) { return TmpFolder() + "/graphics_" + Name; }

// A bitmap filled with one colour.
std::unique_ptr<TBitmap> MakeBitmap(int W, int H, TColor Fill = clWhite) {
    auto b = std::make_unique<TBitmap>(W, H);
    b->Canvas()->Brush()->SetColor(Fill);
    b->Canvas()->FillRect(Rect(0, 0, W, H));
    return b;
}

TColor Px(const TBitmap& B, int X, int Y) { return B.Canvas()->Pixels(X, Y); }

// Fills a bitmap with distinct colours, for checking what a call left alone.
void Scramble(TBitmap& B) {
    for (int y = 0; y < B.Height(); ++y) {
        uint32_t* row = B.ScanLine(y);
        for (int x = 0; x < B.Width(); ++x)
            row[x] = PixelFromColorRef(RGB(uint8_t(x * 37 + 5), uint8_t(y * 53 + 7), uint8_t((x + y) * 11 + 3)));
    }
}

std::vector<uint32_t> Pixels(const TBitmap& B) {
    std::vector<uint32_t> v;
    for (int y = 0; y < B.Height(); ++y) v.insert(v.end(), B.ScanLine(y), B.ScanLine(y) + B.Width());
    return v;
}

std::vector<uint8_t> StreamBytes(const TMemoryStream& M) {
    const auto* p = static_cast<const uint8_t*>(M.Memory());
    return std::vector<uint8_t>(p, p + M.Size());
}

// ---------------------------------------------------------------------------
// Colours

TEST(GraphicsColor, ConstantsHaveTheClassicValues) {
    EXPECT_EQ(clBtnFace, int32_t(0x8000000F));
    EXPECT_EQ(clScrollBar, int32_t(0x80000000));
    EXPECT_EQ(clInfoBk, int32_t(0x80000018));
    EXPECT_EQ(clWindowText, int32_t(0x80000008));
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_EQ(clDefault, 0x20000000);
    EXPECT_EQ(clRed, 0x0000FF);
    EXPECT_EQ(clLime, 65280);
    EXPECT_EQ(clGreen, 32768);
    EXPECT_EQ(clGray, 8421504);
    EXPECT_EQ(clLtGray, clSilver);
    EXPECT_EQ(clDkGray, clGray);
}

TEST(GraphicsColor, SystemColoursResolveThroughTheSystemTable) {
    EXPECT_EQ(ColorToRGB(clRed), 0xFF);
    EXPECT_EQ(ColorToRGB(clBtnFace), int32_t(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(ColorToRGB(clInfoBk), int32_t(GetSysColor(COLOR_INFOBK)));
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    // A changed system colour is followed at once.
    const int element = COLOR_BTNFACE;
    const COLORREF pink = RGB(250, 10, 200);
    SetSysColors(1, &element, &pink);
    EXPECT_EQ(ColorToRGB(clBtnFace), int32_t(pink));
    EXPECT_EQ(ColorToColorRef(clBtnFace), pink);
    ResetSysColors();
    EXPECT_EQ(ColorToColorRef(clBtnFace), RGB(192, 192, 192));
}

TEST(GraphicsColor, NamesAndHex) {
    struct Case {
        TColor Color;
        const char* Text;
    };
    const Case cases[] = {
        {clRed, "clRed"},        {clBtnFace, "clBtnFace"},          {clLtGray, "clSilver"},
        {clNone, "clNone"},      {clDefault, "clDefault"},          {cl3DDkShadow, "cl3DDkShadow"},
        {0x123456, "$00123456"}, {TColor(0x80000063), "$80000063"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorToString(c.Color), c.Text);
        EXPECT_EQ(StringToColor(c.Text), c.Color) << c.Text;
    }
    EXPECT_EQ(StringToColor("clred"), clRed);
    EXPECT_EQ(StringToColor("clLtGray"), clSilver);
    EXPECT_EQ(StringToColor("clDkGray"), clGray);
    EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_THROW(StringToColor("clPink"), EConvertError);
    EXPECT_THROW(StringToColor(""), EConvertError);
    std::string ident;
    EXPECT_FALSE(ColorToIdent(0x010203, ident));
}

TEST(GraphicsColor, EveryNameRoundTrips) {
    std::vector<std::string> names;
    GetColorValues([&](const std::string& N) { names.push_back(N); });
    ASSERT_GE(names.size(), 52u);
    EXPECT_EQ(names.front(), "clBlack");
    std::set<int32_t> values;
    for (const auto& n : names) {
        int32_t c = 0;
        ASSERT_TRUE(IdentToColor(n, c)) << n;
        std::string back;
        ASSERT_TRUE(ColorToIdent(c, back)) << n;
        EXPECT_EQ(back, n);
        values.insert(c);
    }
    EXPECT_EQ(values.size(), names.size()) << "two names share a value";
}

TEST(GraphicsColor, PenModesMapToRasterOperations) {
    EXPECT_EQ(PenModeToRop2(pmCopy), R2_COPYPEN);
    EXPECT_EQ(PenModeToRop2(pmXor), R2_XORPEN);
    EXPECT_EQ(PenModeToRop2(pmNot), R2_NOT);
    EXPECT_EQ(PenModeToRop2(pmNotXor), R2_NOTXORPEN);
    EXPECT_EQ(PenModeToRop2(pmMaskPenNot), R2_MASKPENNOT);
    EXPECT_EQ(PenModeToRop2(pmMergeNotPen), R2_MERGENOTPEN);
}

// ---------------------------------------------------------------------------
// Pens, brushes, fonts

// Counts the OnChange events of a drawing object.
template <class T>
struct TCounted {
    T Obj;
    int Changes = 0;
    TCounted() {
        Obj.SetOnChange([this](TObject* Sender) {
            EXPECT_EQ(Sender, &Obj);
            ++Changes;
        });
    }
};

TEST(GraphicsPen, ChangesFireOnceAndOnlyForRealChanges) {
    TCounted<TPen> p;
    EXPECT_EQ(p.Obj.Color(), clBlack);
    EXPECT_EQ(p.Obj.Width(), 1);
    EXPECT_EQ(p.Obj.Style(), psSolid);
    EXPECT_EQ(p.Obj.Mode(), pmCopy);
    p.Obj.SetColor(clBlack);
    EXPECT_EQ(p.Changes, 0);
    p.Obj.SetColor(clRed);
    p.Obj.SetWidth(3);
    p.Obj.SetWidth(-2);  // ignored
    p.Obj.SetStyle(psDot);
    p.Obj.SetMode(pmXor);
    EXPECT_EQ(p.Changes, 4);
    EXPECT_EQ(p.Obj.Width(), 3);

    TCounted<TPen> q;
    q.Obj.Assign(&p.Obj);
    EXPECT_EQ(q.Changes, 1);
    EXPECT_EQ(q.Obj.Color(), clRed);
    EXPECT_EQ(q.Obj.Width(), 3);
    EXPECT_EQ(q.Obj.Style(), psDot);
    EXPECT_EQ(q.Obj.Mode(), pmXor);
    q.Obj.Assign(&p.Obj);
    EXPECT_EQ(q.Changes, 1) << "assigning equal values is no change";
    EXPECT_THROW(q.Obj.Assign(nullptr), EConvertError);
    TBrush b;
    EXPECT_THROW(q.Obj.Assign(&b), EConvertError);
}

TEST(GraphicsPen, HandleIsMadeLazilyAndRenewedOnChange) {
    TPen p;
    EXPECT_FALSE(p.HandleAllocated());
    p.SetColor(clBtnShadow);
    p.SetWidth(2);
    HPEN h = p.Handle();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(p.Handle(), h);
    LOGPEN lp;
    ASSERT_TRUE(GetObject(h, &lp));
    EXPECT_EQ(lp.lopnColor, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(lp.lopnWidth.X, 2);
    p.SetStyle(psClear);
    EXPECT_FALSE(p.HandleAllocated());
    EXPECT_EQ(GetObjectType(h), 0) << "the old handle is deleted";
    ASSERT_TRUE(GetObject(p.Handle(), &lp));
    EXPECT_EQ(lp.lopnStyle & PS_STYLE_MASK, unsigned(PS_NULL));

    // A handle set from outside is taken over.
    HPEN own = CreatePen(PS_DASH, 4, RGB(1, 2, 3));
    p.SetHandle(own);
    EXPECT_EQ(p.Handle(), own);
    EXPECT_EQ(p.Style(), psDash);
    EXPECT_EQ(p.Width(), 4);
    EXPECT_EQ(p.Color(), TColor(RGB(1, 2, 3)));
    EXPECT_THROW(p.SetHandle(nullptr), EInvalidGraphicOperation);
}

TEST(GraphicsBrush, StyleAndColourFollowTheClassicRules) {
    TCounted<TBrush> b;
    EXPECT_EQ(b.Obj.Color(), clWhite);
    EXPECT_EQ(b.Obj.Style(), bsSolid);
    b.Obj.SetColor(clRed);
    b.Obj.SetStyle(bsClear);
    EXPECT_EQ(b.Obj.Color(), clWhite) << "a clear brush is white";
    b.Obj.SetColor(clBlue);
    EXPECT_EQ(b.Obj.Style(), bsSolid) << "a colour makes a clear brush solid";
    EXPECT_EQ(b.Changes, 3);

    struct Case {
        TBrushStyle Style;
        unsigned LbStyle;
        intptr_t Hatch;
    };
    const Case cases[] = {{bsSolid, BS_SOLID, 0},
                          {bsClear, BS_NULL, 0},
                          {bsHorizontal, BS_HATCHED, HS_HORIZONTAL},
                          {bsVertical, BS_HATCHED, HS_VERTICAL},
                          {bsFDiagonal, BS_HATCHED, HS_FDIAGONAL},
                          {bsBDiagonal, BS_HATCHED, HS_BDIAGONAL},
                          {bsCross, BS_HATCHED, HS_CROSS},
                          {bsDiagCross, BS_HATCHED, HS_DIAGCROSS}};
    for (const Case& c : cases) {
        TBrush br;
        br.SetStyle(c.Style);
        LOGBRUSH lb;
        ASSERT_TRUE(GetObject(br.Handle(), &lb)) << int(c.Style);
        EXPECT_EQ(lb.lbStyle, c.LbStyle) << int(c.Style);
        if (c.LbStyle == BS_HATCHED) {
            EXPECT_EQ(lb.lbHatch, c.Hatch);
        }
        // The handle set from outside gives the style back.
        TBrush copy;
        copy.SetHandle(CreateBrushIndirect(lb));
        EXPECT_EQ(copy.Style(), c.Style);
    }

    TCounted<TBrush> a;
    TBrush src;
    src.SetStyle(bsDiagCross);
    src.SetColor(clNavy);
    a.Obj.Assign(&src);
    EXPECT_EQ(a.Changes, 1);
    EXPECT_EQ(a.Obj.Style(), bsDiagCross);
    EXPECT_EQ(a.Obj.Color(), clNavy);
}

TEST(GraphicsFont, Defaults) {
    TFont f;
    EXPECT_EQ(f.Name(), "MS Sans Serif");
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Color(), clWindowText);
    EXPECT_EQ(f.Charset(), DEFAULT_CHARSET);
    EXPECT_EQ(f.Pitch(), fpDefault);
    EXPECT_TRUE(f.Style().Empty());
    EXPECT_EQ(f.PixelsPerInch(), 96);
}

TEST(GraphicsFont, SizeAndHeightAt96And120Dpi) {
    struct Case {
        int Dpi;
        int32_t Size;
        int32_t Height;
    };
    const Case sizes[] = {{96, 8, -11}, {96, 10, -13}, {96, 12, -16}, {96, 9, -12}, {96, 72, -96}, {120, 8, -13}};
    for (const Case& c : sizes) {
        TFont f;
        f.SetPixelsPerInch(c.Dpi);
        f.SetSize(c.Size);
        EXPECT_EQ(f.Height(), c.Height) << c.Size << " pt at " << c.Dpi;
        f.SetHeight(c.Height);
        EXPECT_EQ(f.Size(), c.Size);
    }
    TFont f;
    f.SetHeight(13);  // a cell height
    EXPECT_EQ(f.Size(), -10);
    f.SetHeight(-15);
    EXPECT_EQ(f.Size(), 11);
}

TEST(GraphicsFont, ChangeEventsAndAssign) {
    TCounted<TFont> f;
    f.Obj.SetName("");
    f.Obj.SetName("MS Sans Serif");
    EXPECT_EQ(f.Changes, 0);
    f.Obj.SetName("Arial");
    f.Obj.SetSize(12);
    f.Obj.SetSize(12);
    f.Obj.SetStyle({fsBold, fsItalic});
    f.Obj.SetColor(clRed);
    EXPECT_EQ(f.Changes, 4);

    TCounted<TFont> g;
    g.Obj.Assign(&f.Obj);
    EXPECT_EQ(g.Changes, 1);
    EXPECT_EQ(g.Obj.Name(), "Arial");
    EXPECT_EQ(g.Obj.Height(), -16);
    EXPECT_EQ(g.Obj.Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(g.Obj.Color(), clRed);

    // Between resolutions the point size is kept.
    TFont big;
    big.SetPixelsPerInch(120);
    big.Assign(&f.Obj);
    EXPECT_EQ(big.Size(), 12);
    EXPECT_EQ(big.Height(), -20);
}

TEST(GraphicsFont, HandleCarriesTheLogicalFont) {
    TFont f;
    f.SetName("Courier New");
    f.SetSize(10);
    f.SetStyle({fsBold, fsUnderline, fsStrikeOut});
    LOGFONT lf;
    ASSERT_TRUE(GetObject(f.Handle(), &lf));
    EXPECT_EQ(lf.lfFaceName, "Courier New");
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);

    // A handle made elsewhere (rotated text) is used as it is.
    HFONT rotated = CreateFont(-20, 0, 900, 900, FW_NORMAL, 1, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    f.SetHandle(rotated);
    EXPECT_EQ(f.Handle(), rotated);
    EXPECT_EQ(f.Name(), "Arial");
    EXPECT_EQ(f.Height(), -20);
    EXPECT_EQ(f.Orientation(), 900);
    EXPECT_EQ(f.Style(), TFontStyles{fsItalic});
    f.SetSize(20);
    EXPECT_NE(f.Handle(), rotated);
    EXPECT_EQ(GetObjectType(rotated), 0);
    ASSERT_TRUE(GetObject(f.Handle(), &lf));
    EXPECT_EQ(lf.lfEscapement, 900) << "the orientation is kept";
}

// ---------------------------------------------------------------------------
// Streaming through published properties

class TGfxHolder : public TComponent {
    VCL_DECLARE_CLASS(TGfxHolder)
public:
    explicit TGfxHolder(TComponent* AOwner) : TComponent(AOwner) {}
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* V) { FFont->Assign(V); }
    TPen* Pen() const { return FPen.get(); }
    void SetPen(TPen* V) { FPen->Assign(V); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(TBrush* V) { FBrush->Assign(V); }
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* V) { FPicture->Assign(V); }
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* V) { FGlyph->Assign(V); }
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { FColor = V; }

private:
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TPen> FPen = std::make_unique<TPen>();
    std::unique_ptr<TBrush> FBrush = std::make_unique<TBrush>();
    std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
    std::unique_ptr<TBitmap> FGlyph = std::make_unique<TBitmap>();
    TColor FColor = clBtnFace;
};

VCL_PUBLISHED(TGfxHolder, TComponent) {
    B.Property("Color", &TGfxHolder::Color, &TGfxHolder::SetColor).Default(clBtnFace).Idents(ColorIdents());
    B.Property("Font", &TGfxHolder::Font, &TGfxHolder::SetFont);
    B.Property("Pen", &TGfxHolder::Pen, &TGfxHolder::SetPen);
    B.Property("Brush", &TGfxHolder::Brush, &TGfxHolder::SetBrush);
    B.Property("Picture", &TGfxHolder::Picture, &TGfxHolder::SetPicture);
    B.Property("Glyph", &TGfxHolder::Glyph, &TGfxHolder::SetGlyph);
}

TEST(GraphicsStreaming, SubObjectsStreamWithDottedNames) {
    TGfxHolder h(nullptr);
    h.SetName("Holder1");
    std::string text = ComponentToString(&h);
    EXPECT_NE(text.find("Font.Charset = 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Height = -11"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Name = 'MS Sans Serif'"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Style = []"), std::string::npos) << text;
    EXPECT_EQ(text.find("Font.Size"), std::string::npos) << "Size is the same value as Height";
    EXPECT_EQ(text.find("Pen."), std::string::npos) << "pen defaults are not written";
    EXPECT_EQ(text.find("Picture.Data"), std::string::npos) << "an empty picture is not written";

    h.Font()->SetName("Arial");
    h.Font()->SetSize(12);
    h.Font()->SetStyle({fsBold});
    h.Pen()->SetColor(clRed);
    h.Pen()->SetWidth(3);
    h.Brush()->SetStyle(bsCross);
    h.SetColor(clInfoBk);
    auto pic = MakeBitmap(5, 4, clYellow);
    pic->Canvas()->SetPixels(1, 2, clBlue);
    h.Picture()->SetGraphic(pic.get());
    auto glyph = MakeBitmap(3, 3, clLime);
    h.SetGlyph(glyph.get());
    text = ComponentToString(&h);
    EXPECT_NE(text.find("Pen.Color = clRed"), std::string::npos) << text;
    EXPECT_NE(text.find("  Color = clInfoBk"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Style = [fsBold]"), std::string::npos) << text;
    EXPECT_NE(text.find("Brush.Style = bsCross"), std::string::npos) << text;
    EXPECT_NE(text.find("Picture.Data = {"), std::string::npos) << text;
    EXPECT_NE(text.find("Glyph.Data = {"), std::string::npos) << text;

    TGfxHolder back(nullptr);
    StringToComponent(text, &back);
    EXPECT_EQ(back.Font()->Name(), "Arial");
    EXPECT_EQ(back.Font()->Size(), 12);
    EXPECT_EQ(back.Font()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(back.Pen()->Color(), clRed);
    EXPECT_EQ(back.Pen()->Width(), 3);
    EXPECT_EQ(back.Brush()->Style(), bsCross);
    EXPECT_EQ(back.Color(), clInfoBk);
    // A colour without a name is written as a number and read back.
    h.SetColor(0x123456);
    TGfxHolder numbered(nullptr);
    StringToComponent(ComponentToString(&h), &numbered);
    EXPECT_EQ(numbered.Color(), 0x123456);
    ASSERT_NE(dynamic_cast<TBitmap*>(back.Picture()->Graphic()), nullptr);
    EXPECT_EQ(Pixels(*back.Picture()->Bitmap()), Pixels(*pic));
    EXPECT_EQ(Pixels(*back.Glyph()), Pixels(*glyph));
}

TEST(GraphicsStreaming, IconPictureStreams) {
    TGfxHolder h(nullptr);
    h.SetName("Holder1");
    TIconImage img;
    img.Width = img.Height = 8;
    img.Pixels.assign(64, 0xFFFF0000u);
    img.Pixels[0] = 0;
    TIcon icon;
    icon.SetImage(img);
    h.Picture()->SetGraphic(&icon);
    const std::string text = ComponentToString(&h);
    TGfxHolder back(nullptr);
    StringToComponent(text, &back);
    auto* got = dynamic_cast<TIcon*>(back.Picture()->Graphic());
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->Width(), 8);
    EXPECT_EQ(got->Image().Pixels[5], 0xFFFF0000u);
    EXPECT_EQ(got->Image().Pixels[0] >> 24, 0u);
}

// ---------------------------------------------------------------------------
// Canvas

class GraphicsCanvasTest : public ::testing::Test {
protected:
    void SetUp() override { B = MakeBitmap(40, 40, clWhite); }
    TCanvas& C() { return *B->Canvas(); }
    TColor P(int X, int Y) { return C().Pixels(X, Y); }
    std::unique_ptr<TBitmap> B;
};

TEST_F(GraphicsCanvasTest, LineToLeavesOutTheEndPoint) {
    C().Pen()->SetColor(clRed);
    C().MoveTo(2, 5);
    C().LineTo(10, 5);
    for (int x = 2; x < 10; ++x) EXPECT_EQ(P(x, 5), clRed) << x;
    EXPECT_EQ(P(10, 5), clWhite);
    EXPECT_EQ(P(1, 5), clWhite);
    EXPECT_EQ(C().PenPos(), Point(10, 5));
    C().SetPenPos(Point(3, 3));
    EXPECT_EQ(C().PenPos(), Point(3, 3));
}

TEST_F(GraphicsCanvasTest, RectangleUsesPenAndBrush) {
    C().Pen()->SetColor(clRed);
    C().Brush()->SetColor(clBlue);
    C().Rectangle(5, 5, 15, 12);
    EXPECT_EQ(P(5, 5), clRed);
    EXPECT_EQ(P(14, 11), clRed);
    EXPECT_EQ(P(14, 5), clRed);
    EXPECT_EQ(P(10, 8), clBlue);
    EXPECT_EQ(P(15, 12), clWhite);
    EXPECT_EQ(P(15, 8), clWhite);
    EXPECT_EQ(P(10, 12), clWhite);

    // A clear brush leaves the inside alone; a wide pen grows inwards and out.
    C().Brush()->SetStyle(bsClear);
    C().Pen()->SetColor(clGreen);
    C().Rectangle(20, 20, 30, 30);
    EXPECT_EQ(P(25, 25), clWhite);
    EXPECT_EQ(P(20, 25), clGreen);

    // System colours are resolved.
    C().Brush()->SetColor(clBtnFace);
    C().Pen()->SetStyle(psClear);
    C().Rectangle(0, 30, 10, 40);
    EXPECT_EQ(P(4, 35), TColor(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(GraphicsCanvasTest, ObjectChangesBetweenCallsTakeEffect) {
    C().Pen()->SetColor(clRed);
    C().MoveTo(0, 0);
    C().LineTo(10, 0);
    HPEN first = C().Pen()->Handle();
    C().Pen()->SetColor(clBlue);
    EXPECT_EQ(GetObjectType(first), 0) << "the canvas let go of the old pen, so it was deleted";
    C().MoveTo(0, 1);
    C().LineTo(10, 1);
    EXPECT_EQ(P(5, 0), clRed);
    EXPECT_EQ(P(5, 1), clBlue);
    C().Pen()->SetMode(pmXor);
    C().Pen()->SetColor(clWhite);
    C().MoveTo(0, 1);
    C().LineTo(10, 1);
    EXPECT_EQ(P(5, 1), TColor(0x00FFFF)) << "white XOR blue";
    C().MoveTo(0, 1);
    C().LineTo(10, 1);
    EXPECT_EQ(P(5, 1), clBlue) << "twice XOR restores";
}

TEST_F(GraphicsCanvasTest, FillFrameAndFocusRect) {
    C().Brush()->SetColor(clNavy);
    C().FillRect(Rect(2, 2, 6, 6));
    EXPECT_EQ(P(2, 2), clNavy);
    EXPECT_EQ(P(5, 5), clNavy);
    EXPECT_EQ(P(6, 5), clWhite);
    EXPECT_EQ(P(5, 6), clWhite);
    C().Brush()->SetColor(clMaroon);
    C().FrameRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(P(10, 15), clMaroon);
    EXPECT_EQ(P(19, 15), clMaroon);
    EXPECT_EQ(P(15, 15), clWhite);
    const auto before = Pixels(*B);
    C().DrawFocusRect(Rect(5, 5, 30, 30));
    EXPECT_NE(Pixels(*B), before);
    C().DrawFocusRect(Rect(5, 5, 30, 30));
    EXPECT_EQ(Pixels(*B), before);
}

TEST_F(GraphicsCanvasTest, ShapesAndFloodFill) {
    C().Pen()->SetColor(clBlack);
    C().Brush()->SetColor(clLime);
    C().Ellipse(0, 0, 20, 20);
    EXPECT_EQ(P(10, 10), clLime);
    EXPECT_EQ(P(0, 0), clWhite);
    C().Polygon({Point(22, 2), Point(38, 2), Point(30, 18)});
    EXPECT_EQ(P(30, 8), clLime);
    C().Brush()->SetColor(clRed);
    C().FloodFill(30, 8, clBlack, fsBorder);
    EXPECT_EQ(P(30, 8), clRed);
    EXPECT_EQ(P(10, 10), clLime) << "the fill stays inside the border";
    C().Brush()->SetColor(clYellow);
    C().FloodFill(10, 10, clLime, fsSurface);
    EXPECT_EQ(P(10, 10), clYellow);
    C().Pie(0, 20, 20, 40, 20, 30, 10, 20);
    C().Chord(20, 20, 40, 40, 40, 30, 20, 30);
    C().RoundRect(2, 22, 10, 30, 4, 4);
    C().Arc(0, 0, 40, 40, 40, 20, 0, 20);
    C().Polyline({Point(0, 39), Point(39, 39)});
    EXPECT_EQ(P(20, 39), clBlack);
}

TEST_F(GraphicsCanvasTest, PatternBrushFromABitmap) {
    auto pattern = MakeBitmap(8, 8, clWhite);
    pattern->Canvas()->Brush()->SetColor(clRed);
    pattern->Canvas()->FillRect(Rect(0, 0, 4, 4));
    pattern->Canvas()->FillRect(Rect(4, 4, 8, 8));
    C().Brush()->SetBitmap(pattern.get());
    C().FillRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(P(1, 1), clRed);
    EXPECT_EQ(P(5, 1), clWhite);
    EXPECT_EQ(P(9, 9), clRed);
    EXPECT_EQ(P(13, 9), clWhite);
    C().Brush()->SetBitmap(nullptr);
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(P(5, 1), clBlue);
}

TEST_F(GraphicsCanvasTest, PixelsOutOfRangeAreHarmless) {
    C().SetPixels(3, 4, clPurple);
    EXPECT_EQ(P(3, 4), clPurple);
    const auto before = Pixels(*B);
    C().SetPixels(-1, 0, clRed);
    C().SetPixels(40, 40, clRed);
    C().SetPixels(100000, -100000, clRed);
    EXPECT_EQ(Pixels(*B), before);
    EXPECT_EQ(P(-1, 0), -1);
    EXPECT_EQ(P(0, 40), -1);
    EXPECT_EQ(C().ClipRect(), Rect(0, 0, 40, 40));
}

TEST_F(GraphicsCanvasTest, CopyRectFollowsCopyMode) {
    auto src = MakeBitmap(10, 10, TColor(RGB(0x12, 0x34, 0x56)));
    struct Case {
        TCopyMode Mode;
        COLORREF Expected;  // source 0x563412 (BGR) over destination white... computed below
    };
    const COLORREF s = RGB(0x12, 0x34, 0x56), d = RGB(0xF0, 0x0F, 0x33);
    const Case cases[] = {
        {cmSrcCopy, s},
        {cmSrcInvert, (s ^ d) & 0xFFFFFF},
        {cmSrcAnd, s & d},
        {cmSrcPaint, s | d},
        {cmNotSrcCopy, ~s & 0xFFFFFF},
        {cmSrcErase, s & ~d & 0xFFFFFF},
        {cmDstInvert, ~d & 0xFFFFFF},
        {cmBlackness, 0},
        {cmWhiteness, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        C().Brush()->SetColor(TColor(d));
        C().FillRect(Rect(0, 0, 40, 40));
        C().SetCopyMode(c.Mode);
        C().CopyRect(Rect(5, 5, 15, 15), src->Canvas(), Rect(0, 0, 10, 10));
        EXPECT_EQ(P(10, 10), TColor(c.Expected)) << std::hex << c.Mode;
        EXPECT_EQ(P(15, 10), TColor(d)) << "outside the destination";
    }
    // Stretching: a 2 x 2 checker copied to 20 x 20.
    auto checker = MakeBitmap(2, 2, clBlack);
    checker->Canvas()->SetPixels(1, 0, clWhite);
    checker->Canvas()->SetPixels(0, 1, clWhite);
    C().SetCopyMode(cmSrcCopy);
    C().CopyRect(Rect(0, 0, 20, 20), checker->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(P(5, 5), clBlack);
    EXPECT_EQ(P(15, 5), clWhite);
    EXPECT_EQ(P(5, 15), clWhite);
    EXPECT_EQ(P(15, 15), clBlack);
}

// A 10 x 10 red bitmap with a green cross in its middle.
std::unique_ptr<TBitmap> CrossBitmap() {
    auto b = MakeBitmap(10, 10, clRed);
    b->Canvas()->Brush()->SetColor(clLime);
    b->Canvas()->FillRect(Rect(4, 0, 6, 10));
    b->Canvas()->FillRect(Rect(0, 4, 10, 6));
    return b;
}

TEST_F(GraphicsCanvasTest, DrawLeavesTransparentPixelsUntouched) {
    Scramble(*B);
    const auto before = Pixels(*B);
    auto cross = CrossBitmap();
    EXPECT_EQ(cross->TransparentColor(), clRed) << "the bottom-left pixel";
    cross->SetTransparent(true);
    C().Draw(5, 5, cross.get());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool green = (x >= 4 && x < 6) || (y >= 4 && y < 6);
            const uint32_t was = before[size_t(y + 5) * 40 + size_t(x + 5)];
            EXPECT_EQ(P(x + 5, y + 5), green ? clLime : ColorRefToColor(ColorRefFromPixel(was))) << x << "," << y;
        }
    EXPECT_EQ(P(4, 4), ColorRefToColor(ColorRefFromPixel(before[4 * 40 + 4])));

    // A fixed transparent colour: now the green goes and the red stays.
    cross->SetTransparentColor(clLime);
    EXPECT_EQ(cross->TransparentMode(), tmFixed);
    Scramble(*B);
    C().Draw(20, 20, cross.get());
    EXPECT_EQ(P(20, 20), clRed);
    EXPECT_EQ(P(24, 20), ColorRefToColor(ColorRefFromPixel(Pixels(*B)[20 * 40 + 24])));
    EXPECT_NE(P(24, 20), clLime);
    cross->SetTransparentMode(tmAuto);
    EXPECT_EQ(cross->TransparentColor(), clRed);

    // Not transparent: every pixel is copied.
    cross->SetTransparent(false);
    C().Draw(0, 0, cross.get());
    EXPECT_EQ(P(0, 0), clRed);
    EXPECT_EQ(P(4, 0), clLime);
}

TEST_F(GraphicsCanvasTest, StretchDrawScales) {
    auto cross = CrossBitmap();
    C().StretchDraw(Rect(0, 0, 20, 20), cross.get());
    EXPECT_EQ(P(0, 0), clRed);
    EXPECT_EQ(P(9, 0), clLime);
    EXPECT_EQ(P(2, 9), clLime);
    EXPECT_EQ(P(19, 19), clRed);
    EXPECT_EQ(P(20, 20), clWhite);
    // Nothing to draw: nothing happens.
    const auto before = Pixels(*B);
    TBitmap empty;
    C().Draw(0, 0, &empty);
    C().StretchDraw(Rect(0, 0, 10, 10), nullptr);
    EXPECT_EQ(Pixels(*B), before);
}

TEST_F(GraphicsCanvasTest, BrushCopyPutsTheBrushInPlaceOfTheColour) {
    auto src = MakeBitmap(8, 8, clNavy);
    src->Canvas()->Brush()->SetColor(clOlive);
    src->Canvas()->FillRect(Rect(0, 0, 4, 8));
    Scramble(*B);
    const auto before = Pixels(*B);
    C().Brush()->SetColor(clYellow);
    C().BrushCopy(Rect(10, 10, 18, 18), src.get(), Rect(0, 0, 8, 8), clOlive);
    EXPECT_EQ(P(11, 12), clYellow);
    EXPECT_EQ(P(15, 12), clNavy);
    // A clear brush: the colour becomes transparent.
    C().Brush()->SetStyle(bsClear);
    C().BrushCopy(Rect(20, 20, 28, 28), src.get(), Rect(0, 0, 8, 8), clOlive);
    EXPECT_EQ(P(21, 22), ColorRefToColor(ColorRefFromPixel(before[22 * 40 + 21])));
    EXPECT_EQ(P(25, 22), clNavy);
    // Stretched into a larger rectangle.
    C().Brush()->SetColor(clAqua);
    C().BrushCopy(Rect(0, 30, 16, 38), src.get(), Rect(0, 0, 8, 8), clOlive);
    EXPECT_EQ(P(6, 33), clAqua);
    EXPECT_EQ(P(9, 33), clNavy);
}

TEST_F(GraphicsCanvasTest, EventsFireAroundEachCall) {
    std::vector<std::string> log;
    C().SetOnChanging([&](TObject*) { log.push_back("changing"); });
    C().SetOnChange([&](TObject*) { log.push_back("change"); });
    int bitmapChanges = 0;
    B->SetOnChange([&](TObject*) { ++bitmapChanges; });
    C().Rectangle(0, 0, 5, 5);
    C().MoveTo(1, 1);  // moving draws nothing
    C().LineTo(3, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change", "changing", "change"}));
    EXPECT_EQ(bitmapChanges, 2);
    EXPECT_TRUE(B->Modified());
}

// The bounding box of the pixels of colour C within R (empty if none).
TRect BoxOf(const TBitmap& B, TColor C, TRect R) {
    TRect box{R.Right, R.Bottom, R.Left, R.Top};
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
            if (Px(B, x, y) == C) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box.Left < box.Right ? box : TRect{};
}

class GraphicsTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        B = MakeBitmap(200, 80, clWhite);
        C().Font()->SetColor(clBlack);
    }
    TCanvas& C() { return *B->Canvas(); }
    std::unique_ptr<TBitmap> B;
};

TEST_F(GraphicsTextTest, ExtentFollowsTheFont) {
    const TSize w = C().TextExtent("W");
    EXPECT_GT(w.cx, 3);
    EXPECT_GE(w.cy, 11) << "the cell holds the 11-pixel em";
    EXPECT_LE(w.cy, 16);
    EXPECT_EQ(C().TextWidth("WW"), 2 * w.cx);
    EXPECT_EQ(C().TextWidth(""), 0);
    EXPECT_EQ(C().TextHeight(""), w.cy);
    C().Font()->SetSize(24);
    EXPECT_GT(C().TextHeight("W"), 2 * w.cy);
    EXPECT_GT(C().TextWidth("W"), 2 * w.cx);
    // An empty bitmap measures all the same, and draws nothing.
    TBitmap empty;
    EXPECT_EQ(empty.Canvas()->TextExtent("W"), w);
    empty.Canvas()->TextOut(0, 0, "nothing");
    EXPECT_TRUE(empty.Empty());
}

TEST_F(GraphicsTextTest, TextOutFillsTheCellWithASolidBrush) {
    C().Brush()->SetColor(clYellow);
    const TSize ext = C().TextExtent("Hello");
    C().TextOut(10, 20, "Hello");
    EXPECT_EQ(BoxOf(*B, clYellow, Rect(0, 0, 200, 80)), Bounds(10, 20, ext.cx, ext.cy));
    const TRect ink = BoxOf(*B, clBlack, Rect(0, 0, 200, 80));
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 10);
    EXPECT_GE(ink.Top, 20);
    EXPECT_LE(ink.Right, 10 + ext.cx + 1);
    EXPECT_LE(ink.Bottom, 20 + ext.cy);
    EXPECT_EQ(C().PenPos(), Point(10 + ext.cx, 20));
}

TEST_F(GraphicsTextTest, TextAlignmentOfTheDC) {
    C().Brush()->SetColor(clYellow);
    const TSize ext = C().TextExtent("Right");
    SetTextAlign(C().Handle(), TA_RIGHT | TA_BOTTOM);
    C().TextOut(150, 60, "Right");
    EXPECT_EQ(BoxOf(*B, clYellow, Rect(0, 0, 200, 80)), Rect(150 - ext.cx, 60 - ext.cy, 150, 60));
    // TA_UPDATECP: runs continue from the current position.
    C().Brush()->SetColor(clLime);
    SetTextAlign(C().Handle(), TA_UPDATECP);
    C().MoveTo(5, 2);
    C().TextOut(0, 0, "ab");
    C().TextOut(0, 0, "cd");
    const int w = C().TextWidth("ab") + C().TextWidth("cd");
    EXPECT_EQ(BoxOf(*B, clLime, Rect(0, 0, 200, 40)), Bounds(5, 2, w, ext.cy));
    EXPECT_EQ(C().PenPos(), Point(5 + w, 2));
}

TEST_F(GraphicsTextTest, TextOutWithAClearBrushLeavesTheGround) {
    C().Brush()->SetStyle(bsClear);
    C().Font()->SetColor(clRed);
    C().TextOut(5, 5, "Clear");
    EXPECT_FALSE(BoxOf(*B, clRed, Rect(0, 0, 200, 80)).IsEmpty());
    int other = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) other += Px(*B, x, y) != clRed && Px(*B, x, y) != clWhite;
    EXPECT_EQ(other, 0);
    // The system colour of the default font is resolved.
    C().Font()->SetColor(clWindowText);
    C().TextOut(5, 40, "Dark");
    EXPECT_FALSE(BoxOf(*B, TColor(GetSysColor(COLOR_WINDOWTEXT)), Rect(0, 40, 200, 80)).IsEmpty());
}

TEST_F(GraphicsTextTest, TextRectClipsToItsRectangle) {
    C().Brush()->SetColor(clAqua);
    const TRect r(Rect(20, 10, 60, 30));
    C().TextRect(r, 22, 12, "WWWWWWWWWWWWWWWW");
    EXPECT_EQ(BoxOf(*B, clAqua, Rect(0, 0, 200, 80)), r) << "the brush fills the rectangle";
    const TRect ink = BoxOf(*B, clBlack, Rect(0, 0, 200, 80));
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, r.Left);
    EXPECT_EQ(ink.Right, r.Right) << "the text runs to the edge and is cut there";
    EXPECT_LE(ink.Bottom, r.Bottom);
    // The clip does not stay behind.
    C().Brush()->SetColor(clLime);
    C().FillRect(Rect(0, 50, 200, 80));
    EXPECT_EQ(Px(*B, 150, 70), clLime);
}

TEST_F(GraphicsTextTest, FormattedText) {
    TRect calc(Rect(0, 0, 0, 0));
    std::string text = "Hello";
    C().TextRect(calc, text, {tfCalcRect, tfSingleLine});
    EXPECT_EQ(calc.Right, C().TextWidth("Hello"));
    EXPECT_EQ(calc.Bottom, C().TextHeight("Hello"));
    EXPECT_TRUE(BoxOf(*B, clBlack, Rect(0, 0, 200, 80)).IsEmpty()) << "calculating draws nothing";

    TRect wrap(Rect(0, 0, 60, 0));
    const int32_t lineH = C().TextHeight("x");
    C().TextRect(wrap, std::string("one two three four five"), {tfCalcRect, tfWordBreak});
    EXPECT_GE(wrap.Bottom, 3 * lineH);
    EXPECT_EQ(wrap.Bottom % lineH, 0);

    // Centred in a rectangle, with the line's cell filled by the brush.
    C().Brush()->SetColor(clYellow);
    TRect r(Rect(0, 0, 200, 40));
    C().TextRect(r, std::string("Mid"), {tfCenter, tfSingleLine, tfVerticalCenter});
    const TRect cell = BoxOf(*B, clYellow, Rect(0, 0, 200, 80));
    const int w = C().TextWidth("Mid");
    EXPECT_NEAR(cell.Left, (200 - w) / 2, 1);
    EXPECT_NEAR(cell.Top, (40 - lineH) / 2, 1);

    // An ellipsis when the text does not fit, and the shown text back.
    TRect narrow(Rect(0, 50, 40, 70));
    std::string longText = "A rather long caption";
    C().TextRect(narrow, longText, {tfEndEllipsis, tfSingleLine, tfModifyString});
    EXPECT_NE(longText, "A rather long caption");
    EXPECT_EQ(longText.substr(longText.size() - 3), "...");
    EXPECT_TRUE(BoxOf(*B, clBlack, Rect(40, 50, 200, 80)).IsEmpty()) << "clipped to the rectangle";
}

TEST_F(GraphicsTextTest, TurnedText) {
    C().Brush()->SetStyle(bsClear);
    C().Font()->SetSize(14);
    C().Font()->SetOrientation(900);
    C().TextOut(100, 75, "Upward");
    const TRect ink = BoxOf(*B, clBlack, Rect(0, 0, 200, 80));
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GT(ink.Height(), 2 * ink.Width()) << "the text runs up";
    EXPECT_LE(ink.Bottom, 76);
    EXPECT_GE(ink.Left, 99);
}

TEST(GraphicsCanvas, WithoutAHandleDrawingIsRefused) {
    TCanvas c;
    EXPECT_FALSE(c.HandleAllocated());
    EXPECT_THROW(c.Rectangle(0, 0, 1, 1), EInvalidOperation);
    EXPECT_THROW(c.Handle(), EInvalidOperation);
}

TEST(GraphicsCanvas, ForeignDCIsUsedAndNeverDeleted) {
    TPixelView view;
    HBITMAP bmp = CreateSurfaceBitmap(20, 20, &view);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    HPEN pen;
    {
        TCanvas c;
        c.SetHandle(dc);
        EXPECT_EQ(c.Handle(), dc);
        EXPECT_EQ(c.State(), (TCanvasState{csHandleValid, csPenValid, csBrushValid, csFontValid}));
        c.Brush()->SetColor(clRed);
        c.FillRect(Rect(0, 0, 5, 5));
        pen = c.Pen()->Handle();
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    }
    EXPECT_EQ(ColorRefFromPixel(view.Row(2)[2]), RGB(255, 0, 0));
    EXPECT_NE(GetObjectType(dc), 0) << "the DC belongs to its maker";
    EXPECT_EQ(GetObjectType(pen), 0) << "the pen was put aside and deleted";
    EXPECT_NE(GetCurrentObject(dc, OBJ_PEN), pen);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
}

TEST(GraphicsCanvas, LockIsExclusiveAndNests) {
    auto b = MakeBitmap(4, 4);
    TCanvas& c = *b->Canvas();
    c.Unlock();  // not locked: nothing happens
    EXPECT_EQ(c.LockCount(), 0);
    c.Lock();
    c.Lock();
    EXPECT_EQ(c.LockCount(), 2);
    std::atomic<int> got{-1};
    std::thread t([&] {
        got = c.TryLock() ? 1 : 0;
        c.Unlock();  // holds nothing: ignored
    });
    t.join();
    EXPECT_EQ(got, 0);
    EXPECT_EQ(c.LockCount(), 2);
    c.Unlock();
    c.Unlock();
    EXPECT_EQ(c.LockCount(), 0);
    std::thread u([&] {
        got = c.TryLock() ? 1 : 0;
        if (got) c.Unlock();
    });
    u.join();
    EXPECT_EQ(got, 1);
}

// ---------------------------------------------------------------------------
// Bitmaps

TEST(GraphicsBitmap, SetSizeKeepsContent) {
    auto b = MakeBitmap(10, 10, clWhite);
    b->Canvas()->SetPixels(3, 3, clRed);
    b->Canvas()->SetPixels(9, 9, clBlue);
    b->SetSize(20, 30);
    EXPECT_EQ(b->Width(), 20);
    EXPECT_EQ(b->Height(), 30);
    EXPECT_EQ(Px(*b, 3, 3), clRed);
    EXPECT_EQ(Px(*b, 9, 9), clBlue);
    EXPECT_EQ(Px(*b, 15, 5), clWhite);
    EXPECT_EQ(Px(*b, 5, 25), clWhite);
    // New pixels take the brush colour.
    b->Canvas()->Brush()->SetColor(clAqua);
    b->SetWidth(25);
    EXPECT_EQ(Px(*b, 22, 2), clAqua);
    EXPECT_EQ(Px(*b, 19, 2), clWhite);
    b->SetHeight(5);
    EXPECT_EQ(Px(*b, 3, 3), clRed);
    EXPECT_EQ(b->Height(), 5);
    // The canvas keeps drawing into the resized surface.
    b->Canvas()->Brush()->SetColor(clGreen);
    b->Canvas()->FillRect(Rect(0, 0, 25, 5));
    EXPECT_EQ(Px(*b, 24, 4), clGreen);
    EXPECT_THROW(b->SetSize(-1, 5), EInvalidGraphicOperation);
    EXPECT_THROW(b->SetSize(1 << 20, 1 << 20), Exception);
    EXPECT_EQ(b->Width(), 25) << "a failed resize keeps the bitmap";
    EXPECT_EQ(Px(*b, 24, 4), clGreen);
}

TEST(GraphicsBitmap, EmptyBitmapIsHarmless) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Handle(), nullptr);
    EXPECT_EQ(b.TransparentColor(), clDefault);
    b.Canvas()->Rectangle(0, 0, 10, 10);
    b.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), -1);
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
    TMemoryStream m;
    b.SaveToStream(m);
    EXPECT_EQ(m.Size(), 0);
    m.SetPosition(0);
    b.LoadFromStream(m);
    EXPECT_TRUE(b.Empty());
    b.Mask(clRed);
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(b.MaskHandle(), nullptr);
    EXPECT_FALSE(SaveGraphicToPng(b, TmpFile("empty.png")));
    // It comes to life when given a size, and empties again at 0.
    b.SetSize(3, 3);
    b.Canvas()->SetPixels(1, 1, clRed);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
    b.SetSize(0, 3);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), -1);
    b.SetSize(2, 2);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clWhite);
}

struct TFormatCase {
    TPixelFormat Format;
    int FileBits;
    TPixelFormat Loaded;
    int Colors;  // distinct colours drawn
};

class GraphicsBitmapFormat : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(GraphicsBitmapFormat, SavesAndLoadsBack) {
    const TFormatCase c = GetParam();
    TBitmap b(23, 17);
    int n = 0;
    for (int y = 0; y < 17; ++y) {
        uint32_t* row = b.ScanLine(y);
        for (int x = 0; x < 23; ++x, ++n) {
            const uint32_t k = uint32_t(n % c.Colors);
            row[x] = c.Colors == 2 ? (k ? 0xFFFFFFFFu : 0xFF000000u) : 0xFF000000u | (k * 2654435761u & 0xFFFFFF);
        }
    }
    if (c.Format == pf32bit) b.ScanLine(3)[4] = 0x80123456u;  // alpha survives
    b.SetPixelFormat(c.Format);
    const auto before = Pixels(b);
    TMemoryStream m;
    b.SaveToStream(m);
    const auto bytes = StreamBytes(m);
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[28], c.FileBits) << "bit count in the file";
    m.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(m);
    EXPECT_EQ(m.Position(), m.Size());
    EXPECT_EQ(back.PixelFormat(), c.Loaded);
    EXPECT_EQ(back.Width(), 23);
    EXPECT_EQ(back.Height(), 17);
    EXPECT_EQ(Pixels(back), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, GraphicsBitmapFormat,
                         ::testing::Values(TFormatCase{pf1bit, 1, pf1bit, 2}, TFormatCase{pf4bit, 4, pf4bit, 16},
                                           TFormatCase{pf8bit, 8, pf8bit, 256}, TFormatCase{pf24bit, 24, pf24bit, 391},
                                           TFormatCase{pf32bit, 32, pf32bit, 391},
                                           TFormatCase{pfDevice, 24, pf24bit, 391},
                                           TFormatCase{pf16bit, 24, pf24bit, 391}));

TEST(GraphicsBitmap, PaletteFormatsReduceTooManyColours) {
    TBitmap b(40, 1);
    for (int x = 0; x < 40; ++x) b.ScanLine(0)[x] = 0xFF000000u | uint32_t(x * 6) << 16 | 0x2040;
    b.SetPixelFormat(pf4bit);
    std::set<uint32_t> seen;
    const std::set<uint32_t> vga{0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                                 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int x = 0; x < 40; ++x) seen.insert(b.ScanLine(0)[x] & 0xFFFFFF);
    for (uint32_t c : seen) EXPECT_TRUE(vga.count(c)) << std::hex << c;
    // Drawing afterwards adds colours; saving maps them again when there
    // are too many.
    b.Canvas()->SetPixels(0, 0, TColor(RGB(1, 2, 3)));
    for (int x = 1; x <= 20; ++x) b.Canvas()->SetPixels(x, 0, TColor(RGB(uint8_t(x * 12), 100, 7)));
    TMemoryStream m;
    b.SaveToStream(m);
    EXPECT_EQ(StreamBytes(m)[28], 4);
    m.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(m);
    EXPECT_EQ(back.ScanLine(0)[0] & 0xFFFFFF, 0u) << "nearest to black";

    TBitmap mono(2, 1);
    mono.ScanLine(0)[0] = 0xFF202020u;
    mono.ScanLine(0)[1] = 0xFFE0E0E0u;
    mono.SetMonochrome(true);
    EXPECT_EQ(mono.PixelFormat(), pf1bit);
    // Two colours fit one bit: they are kept as they are.
    EXPECT_EQ(mono.ScanLine(0)[0], 0xFF202020u);
    TBitmap grey(3, 1);
    grey.ScanLine(0)[0] = 0xFF202020u;
    grey.ScanLine(0)[1] = 0xFFE0E0E0u;
    grey.ScanLine(0)[2] = 0xFF707070u;
    grey.SetMonochrome(true);
    EXPECT_EQ(grey.ScanLine(0)[0], 0xFF000000u);
    EXPECT_EQ(grey.ScanLine(0)[1], 0xFFFFFFFFu);
    EXPECT_EQ(grey.ScanLine(0)[2], 0xFF000000u);

    TBitmap deep(1, 1);
    deep.ScanLine(0)[0] = 0xFF0F0F0Fu;
    deep.SetPixelFormat(pf15bit);
    EXPECT_EQ(deep.ScanLine(0)[0], 0xFF080808u);
}

TEST(GraphicsBitmap, DamagedDataRaisesAndKeepsTheImage) {
    auto b = MakeBitmap(4, 4, clRed);
    TMemoryStream good;
    b->SaveToStream(good);
    auto bytes = StreamBytes(good);
    bytes.resize(bytes.size() - 20);  // cut off
    TMemoryStream cut;
    cut.WriteBuffer(bytes.data(), Int64(bytes.size()));
    cut.SetPosition(0);
    auto other = MakeBitmap(2, 2, clBlue);
    try {
        other->LoadFromStream(cut);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.Message()).find("Bitmap image is not valid"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(cut.Position(), 0) << "the stream is put back";
    EXPECT_EQ(other->Width(), 2);
    EXPECT_EQ(Px(*other, 1, 1), clBlue);
    TStringStream junk("not a bitmap at all");
    EXPECT_THROW(other->LoadFromStream(junk), EInvalidGraphic);
    EXPECT_THROW(other->LoadFromFile(TmpFile("does-not-exist.bmp")), EFOpenError);
}

TEST(GraphicsBitmap, LoadingStopsAtTheEndOfTheImage) {
    auto b = MakeBitmap(5, 3, clTeal);
    TMemoryStream m;
    b->SaveToStream(m);
    const Int64 end = m.Position();
    const char tail[] = "tail";
    m.WriteBuffer(tail, 4);
    m.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(m);
    EXPECT_EQ(m.Position(), end);
    EXPECT_EQ(Px(back, 4, 2), clTeal);
}

TEST(GraphicsBitmap, ReadsCompressedFiles) {
    TDibImage img;
    img.Width = 12;
    img.Height = 6;
    img.BitCount = 8;
    for (int i = 0; i < 72; ++i) img.Pixels.push_back(i < 40 ? 0xFF112233u : 0xFF445566u);
    const auto rle = WriteBmp(img, 8, true);
    TMemoryStream m;
    m.WriteBuffer(rle.data(), Int64(rle.size()));
    m.SetPosition(0);
    TBitmap b;
    b.LoadFromStream(m);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.ScanLine(0)[0], 0xFF112233u);
    EXPECT_EQ(b.ScanLine(5)[11], 0xFF445566u);
}

TEST(GraphicsBitmap, AssignCopiesAndNilEmpties) {
    auto a = CrossBitmap();
    a->SetTransparent(true);
    a->SetTransparentColor(clLime);
    a->SetPixelFormat(pf8bit);
    TBitmap b;
    int changes = 0;
    b.SetOnChange([&](TObject*) { ++changes; });
    b.Assign(a.get());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Pixels(b), Pixels(*a));
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.TransparentColor(), clLime);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    b.Canvas()->SetPixels(0, 0, clBlack);
    EXPECT_EQ(Px(*a, 0, 0), clRed) << "the copy is independent";
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    TPen pen;
    EXPECT_THROW(b.Assign(&pen), EConvertError);
}

TEST(GraphicsBitmap, ScanLineMaskAndMaskHandle) {
    auto b = CrossBitmap();
    b->ScanLine(9)[0] = PixelFromColorRef(RGB(255, 0, 0));
    b->ScanLine(2)[7] = PixelFromColorRef(RGB(1, 2, 3));
    EXPECT_EQ(Px(*b, 7, 2), TColor(RGB(1, 2, 3)));
    EXPECT_THROW(b->ScanLine(10), EInvalidGraphicOperation);
    EXPECT_THROW(b->ScanLine(-1), EInvalidGraphicOperation);

    HBITMAP mask = b->MaskHandle();
    ASSERT_NE(mask, nullptr);
    TPixelView mv;
    ASSERT_TRUE(GetBitmapView(mask, &mv));
    EXPECT_EQ(mv.Row(0)[0], 0xFFFFFFFFu) << "red is the transparent colour";
    EXPECT_EQ(mv.Row(0)[4], 0xFF000000u);
    EXPECT_EQ(b->MaskHandle(), mask);
    b->Canvas()->SetPixels(0, 0, clBlue);
    EXPECT_EQ(GetObjectType(mask), 0) << "a change frees the mask";

    b->Mask(clLime);
    EXPECT_EQ(b->PixelFormat(), pf1bit);
    EXPECT_EQ(Px(*b, 4, 0), clWhite);
    EXPECT_EQ(Px(*b, 1, 1), clBlack);
}

TEST(GraphicsBitmap, HandlesAreTakenAndGivenUp) {
    // A monochrome handle becomes a 32-bit copy.
    const uint8_t bits[] = {0x80, 0x00, 0x40, 0x00};
    HBITMAP mono = CreateBitmap(2, 2, 1, 1, bits);
    TBitmap b;
    b.SetHandle(mono);
    EXPECT_EQ(GetObjectType(mono), 0);
    EXPECT_EQ(b.PixelFormat(), pf1bit);
    EXPECT_EQ(Px(b, 0, 0), clWhite);
    EXPECT_EQ(Px(b, 1, 0), clBlack);
    EXPECT_EQ(Px(b, 1, 1), clWhite);
    // A 32-bit one that no DC holds is used as it is.
    TPixelView v;
    HBITMAP colour = CreateSurfaceBitmap(3, 3, &v);
    b.SetHandle(colour);
    EXPECT_EQ(b.Handle(), colour);
    b.Canvas()->SetPixels(1, 1, clRed);
    EXPECT_EQ(ColorRefFromPixel(v.Row(1)[1]), RGB(255, 0, 0));
    HBITMAP given = b.ReleaseHandle();
    EXPECT_EQ(given, colour);
    EXPECT_TRUE(b.Empty());
    EXPECT_NE(GetObjectType(given), 0);
    EXPECT_TRUE(DeleteObject(given)) << "the bitmap's DC let go of it";
    EXPECT_THROW(b.SetHandle(reinterpret_cast<HBITMAP>(uintptr_t(0x7FFFFFF0))), EInvalidGraphicOperation);
}

TEST(GraphicsBitmap, SaveToFileAndPng) {
    auto b = CrossBitmap();
    const std::string bmp = TmpFile("cross.bmp");
    b->SaveToFile(bmp);
    TBitmap back;
    back.LoadFromFile(bmp);
    EXPECT_EQ(Pixels(back), Pixels(*b));
    const std::string png = TmpFile("cross.png");
    ASSERT_TRUE(SaveGraphicToPng(*b, png));
    std::ifstream f(png, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const TDibImage img = ReadPng(data.data(), data.size());
    EXPECT_EQ(img.Width, 10);
    EXPECT_EQ(img.Pixels[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.Pixels[4] & 0xFFFFFF, 0x00FF00u);
}

// ---------------------------------------------------------------------------
// Icons

// A W x H icon image: a red disc on transparent corners, with alpha.
TIconImage DiscImage(int W, int H) {
    TIconImage img;
    img.Width = W;
    img.Height = H;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int dx = 2 * x + 1 - W, dy = 2 * y + 1 - H;
            const bool in = dx * dx + dy * dy <= W * H;
            img.Pixels.push_back(in ? 0xFFFF0000u : 0x00000000u);
        }
    return img;
}

TEST(GraphicsIcon, DrawsThroughItsMask) {
    TIcon icon;
    icon.SetImage(DiscImage(16, 16));
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_TRUE(icon.Transparent());
    auto b = MakeBitmap(40, 40);
    Scramble(*b);
    const auto before = Pixels(*b);
    b->Canvas()->Draw(4, 4, &icon);
    EXPECT_EQ(Px(*b, 12, 12), clRed) << "the disc";
    EXPECT_EQ(Px(*b, 4, 4), ColorRefToColor(ColorRefFromPixel(before[4 * 40 + 4]))) << "a transparent corner";
    EXPECT_EQ(Px(*b, 19, 19), ColorRefToColor(ColorRefFromPixel(before[19 * 40 + 19])));
    EXPECT_EQ(Px(*b, 20, 12), ColorRefToColor(ColorRefFromPixel(before[12 * 40 + 20]))) << "outside the icon";
    // Stretched to twice the size.
    b->Canvas()->StretchDraw(Rect(0, 0, 32, 32), &icon);
    EXPECT_EQ(Px(*b, 16, 16), clRed);
    EXPECT_EQ(Px(*b, 30, 16), clRed);
    EXPECT_EQ(Px(*b, 1, 1), ColorRefToColor(ColorRefFromPixel(before[1 * 40 + 1])));
}

TEST(GraphicsIcon, MaskedIconsInvertWhereTheirColourIsNotBlack) {
    // The classic AND/XOR rule: a masked pixel with a colour inverts.
    TIconImage img;
    img.Width = img.Height = 2;
    img.BitCount = 4;
    img.Pixels = {0xFF00FF00u, 0x00FFFFFFu, 0x00000000u, 0xFF0000FFu};
    img.Mask = {0, 1, 1, 0};
    TIcon icon;
    icon.SetImage(img);
    auto b = MakeBitmap(2, 2, TColor(RGB(0x10, 0x20, 0x30)));
    b->Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(Px(*b, 0, 0), clLime);
    EXPECT_EQ(Px(*b, 1, 0), TColor(RGB(0xEF, 0xDF, 0xCF))) << "inverted";
    EXPECT_EQ(Px(*b, 0, 1), TColor(RGB(0x10, 0x20, 0x30))) << "left alone";
    EXPECT_EQ(Px(*b, 1, 1), clBlue);
}

TEST(GraphicsIcon, LoadSaveRoundTrips) {
    // An 8-bit ICO with two images: the 32 x 32 one is chosen.
    TIconImage small = DiscImage(16, 16), large = DiscImage(32, 32);
    for (auto* img : {&small, &large})
        for (auto& p : img->Pixels)
            if (p >> 24) p = 0xFF0000FFu;
    const auto file = WriteIco({small, large}, 8);
    TMemoryStream m;
    m.WriteBuffer(file.data(), Int64(file.size()));
    m.WriteBuffer("xx", 2);
    m.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(m);
    EXPECT_EQ(m.Position(), Int64(file.size())) << "the icon's own bytes only";
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Image().BitCount, 8);
    TMemoryStream out;
    icon.SaveToStream(out);
    EXPECT_EQ(StreamBytes(out), file) << "saved back byte for byte";

    // Made from an image: saved as a 32-bit icon that reads back the same.
    TIcon made;
    made.SetImage(DiscImage(24, 24));
    const std::string path = TmpFile("disc.ico");
    made.SaveToFile(path);
    TIcon back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Width(), 24);
    EXPECT_EQ(back.Image().Pixels, made.Image().Pixels);
}

TEST(GraphicsIcon, ErrorsKeepTheIcon) {
    TIcon icon;
    icon.SetImage(DiscImage(8, 8));
    EXPECT_THROW(icon.SetWidth(9), EInvalidGraphicOperation);
    EXPECT_NO_THROW(icon.SetWidth(8));
    TStringStream junk(std::string("\x00\x00\x01\x00\x05\x00garbage", 13));
    EXPECT_THROW(icon.LoadFromStream(junk), EInvalidGraphic);
    TIconImage cur = DiscImage(8, 8);
    const auto curFile = WriteIco({cur}, 32, TIconKind::Cursor);
    TMemoryStream cm;
    cm.WriteBuffer(curFile.data(), Int64(curFile.size()));
    cm.SetPosition(0);
    EXPECT_THROW(icon.LoadFromStream(cm), EInvalidGraphic);
    EXPECT_EQ(icon.Width(), 8);
    TIconImage bad;
    bad.Width = 3;
    bad.Height = 3;
    bad.Pixels.resize(4);
    EXPECT_THROW(icon.SetImage(bad), EInvalidGraphic);
    EXPECT_EQ(icon.Width(), 8);
}

TEST(GraphicsIcon, Handles) {
    TIcon icon;
    EXPECT_EQ(icon.Handle(), nullptr);
    icon.SetImage(DiscImage(8, 8));
    HICON h = icon.Handle();
    ASSERT_NE(h, nullptr);
    TSize s;
    ASSERT_TRUE(GetIconImageSize(h, &s));
    EXPECT_EQ(s, (TSize{8, 8}));
    HICON given = icon.ReleaseHandle();
    EXPECT_EQ(given, h);
    EXPECT_TRUE(icon.Empty());
    TIcon other;
    other.SetHandle(given);
    EXPECT_EQ(other.Width(), 8);
    EXPECT_EQ(other.Handle(), given);
    TIcon copy;
    copy.Assign(&other);
    EXPECT_EQ(copy.Image().Pixels, other.Image().Pixels);
    EXPECT_NE(copy.Handle(), given);
    other.SetHandle(nullptr);
    EXPECT_FALSE(DestroyIconImage(given)) << "the icon destroyed its handle";
    EXPECT_FALSE(DrawIconImage(nullptr, 0, 0, copy.Handle()));
    EXPECT_THROW(other.SetHandle(given), EInvalidGraphicOperation);
    EXPECT_EQ(CreateIconFromImage(TIconImage{}), nullptr);
}

// ---------------------------------------------------------------------------
// Pictures

TEST(GraphicsPicture, LoadsByExtension) {
    auto b = CrossBitmap();
    const std::string bmp = TmpFile("pic.BMP");
    b->SaveToFile(bmp);
    TIcon ic;
    ic.SetImage(DiscImage(16, 16));
    const std::string ico = TmpFile("pic.ico");
    ic.SaveToFile(ico);

    TPicture p;
    int changes = 0;
    p.SetOnChange([&](TObject* S) {
        EXPECT_EQ(S, &p);
        ++changes;
    });
    p.LoadFromFile(bmp);
    ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Width(), 10);
    EXPECT_EQ(changes, 1);
    p.LoadFromFile(ico);
    ASSERT_NE(dynamic_cast<TIcon*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Height(), 16);

    const std::string xyz = TmpFile("pic.xyz");
    b->SaveToFile(xyz);
    try {
        p.LoadFromFile(xyz);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(std::string(e.Message()), "Unknown picture file extension (.xyz)");
    }
    EXPECT_NE(dynamic_cast<TIcon*>(p.Graphic()), nullptr) << "the picture keeps what it had";
    const std::string broken = TmpFile("broken.bmp");
    std::ofstream(broken) << "BM but nothing else";
    EXPECT_THROW(p.LoadFromFile(broken), EInvalidGraphic);
    EXPECT_NE(dynamic_cast<TIcon*>(p.Graphic()), nullptr);

    // A format registered later is found too.
    TPicture::RegisterFileFormat(".DIBX", "Device-independent bitmaps", GraphicClassOf<TBitmap>());
    const std::string dib = TmpFile("pic.dibx");
    b->SaveToFile(dib);
    p.LoadFromFile(dib);
    EXPECT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
    EXPECT_NE(TPicture::GraphicFilter().find("Device-independent bitmaps (*.dibx)|*.dibx"), std::string::npos);
    TPicture::UnregisterGraphicClass(TBitmap::StaticClass());
    EXPECT_THROW(p.LoadFromFile(bmp), EInvalidGraphic);
    TPicture::RegisterFileFormat("bmp", "Bitmaps", GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::GraphicFilter(), "All (*.ico;*.bmp)|*.ico;*.bmp|Icons (*.ico)|*.ico|Bitmaps (*.bmp)|*.bmp");
}

TEST(GraphicsPicture, BitmapAssignAndChanges) {
    TPicture p;
    int changes = 0;
    p.SetOnChange([&](TObject*) { ++changes; });
    EXPECT_EQ(p.Width(), 0);
    EXPECT_THROW(p.SaveToFile(TmpFile("nothing.bmp")), EInvalidGraphicOperation);
    TBitmap* b = p.Bitmap();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(changes, 1);
    b->SetSize(6, 6);
    b->Canvas()->Rectangle(0, 0, 3, 3);
    EXPECT_EQ(changes, 3) << "the picture hears of its bitmap's changes";

    TPicture q;
    q.Assign(&p);
    ASSERT_NE(dynamic_cast<TBitmap*>(q.Graphic()), nullptr);
    EXPECT_NE(q.Graphic(), p.Graphic());
    EXPECT_EQ(Pixels(*q.Bitmap()), Pixels(*b));

    TIcon ic;
    ic.SetImage(DiscImage(4, 4));
    q.Assign(&ic);
    ASSERT_NE(dynamic_cast<TIcon*>(q.Graphic()), nullptr);
    EXPECT_EQ(q.Width(), 4);
    EXPECT_TRUE(q.Bitmap()->Empty()) << "asking a picture of an icon for a bitmap replaces it";
    q.Assign(nullptr);
    EXPECT_EQ(q.Graphic(), nullptr);

    p.SaveToFile(TmpFile("picsave.bmp"));
    TPicture r;
    r.LoadFromFile(TmpFile("picsave.bmp"));
    EXPECT_EQ(Pixels(*r.Bitmap()), Pixels(*b));
}

// ---------------------------------------------------------------------------
// Resources

std::vector<uint8_t> BmpBytes(const TBitmap& B) {
    TMemoryStream m;
    B.SaveToStream(m);
    return StreamBytes(m);
}

TEST(GraphicsResources, BitmapsAndIconsByNameAndNumber) {
    auto cross = CrossBitmap();
    RegisterResource(RT_BITMAP, "GfxTestCross", BmpBytes(*cross));
    RegisterResource(RT_BITMAP, 4711, BmpBytes(*MakeBitmap(3, 2, clPurple)));
    TBitmap b;
    b.LoadFromResourceName("GFXTESTCROSS");
    EXPECT_EQ(Pixels(b), Pixels(*cross));
    b.LoadFromResourceID(4711);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(Px(b, 2, 1), clPurple);
    b.LoadFromResourceName("#4711");
    EXPECT_EQ(b.Width(), 3);
    // A number passed as a pointer, as MAKEINTRESOURCE makes it.
    EXPECT_NE(FindResource(RT_BITMAP, reinterpret_cast<const char*>(uintptr_t(4711))), nullptr);

    // A DIB without the file header, as resource compilers store bitmaps.
    TDibImage img;
    img.Width = 2;
    img.Height = 1;
    img.Pixels = {0xFF00FF00u, 0xFF0000FFu};
    RegisterResource(RT_BITMAP, "GfxTestDib", WriteDib(img, 24));
    b.LoadFromResourceName("GfxTestDib");
    EXPECT_EQ(Px(b, 0, 0), clLime);
    EXPECT_EQ(Px(b, 1, 0), clBlue);

    TIcon ic;
    ic.SetImage(DiscImage(16, 16));
    TMemoryStream m;
    ic.SaveToStream(m);
    RegisterResource(RT_GROUP_ICON, "GfxTestIcon", StreamBytes(m));
    TIcon back;
    back.LoadFromResourceName("gfxtesticon");
    EXPECT_EQ(back.Width(), 16);

    try {
        b.LoadFromResourceName("GfxTestMissing");
        FAIL() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(std::string(e.Message()), "Resource GfxTestMissing not found");
    }
    EXPECT_THROW(b.LoadFromResourceID(4712), EResNotFound);
    EXPECT_THROW(back.LoadFromResourceName("GfxTestCross"), EResNotFound) << "kinds are separate";
    EXPECT_EQ(b.Width(), 2) << "a missing resource leaves the bitmap alone";
}

TEST(GraphicsResources, RegistrationRules) {
    const std::vector<uint8_t> a{1, 2, 3}, other{4, 5};
    RegisterResource(RT_RCDATA, "GfxTestData", a);
    RegisterResource(RT_RCDATA, "gfxtestdata", a.data(), a.size());  // the same again: fine
    EXPECT_THROW(RegisterResource(RT_RCDATA, "GfxTestData", other), EInvalidOperation);
    EXPECT_THROW(RegisterResource(RT_RCDATA, "", a), EInvalidOperation);
    EXPECT_THROW(RegisterResource(RT_RCDATA, 70000, a), EInvalidOperation);
    TResourceData held = FindResource(RT_RCDATA, "GfxTestData");
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(*held, a);
    EXPECT_EQ(FindResource(RT_BITMAP, "GfxTestData"), nullptr);

    TResourceStream s("GfxTestData", RT_RCDATA);
    EXPECT_EQ(s.Size(), 3);
    uint8_t buf[4] = {};
    EXPECT_EQ(s.Read(buf, 4), 3);
    EXPECT_EQ(buf[2], 3);
    EXPECT_THROW(s.Write(buf, 1), EStreamError);
    s.SetPosition(1);
    EXPECT_EQ(s.Read(buf, 1), 1);
    EXPECT_EQ(buf[0], 2);

    EXPECT_TRUE(UnregisterResource(RT_RCDATA, "GfxTestData"));
    EXPECT_FALSE(UnregisterResource(RT_RCDATA, "GfxTestData"));
    EXPECT_EQ(FindResource(RT_RCDATA, "GfxTestData"), nullptr);
    EXPECT_EQ(*held, a) << "data handed out stays valid";
    EXPECT_EQ(s.Size(), 3);
    EXPECT_THROW(TResourceStream("GfxTestData", RT_RCDATA), EResNotFound);
    RegisterResource(RT_RCDATA, "GfxTestData", other);
    EXPECT_EQ(*FindResource(RT_RCDATA, "GfxTestData"), other);
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// A sheet drawn through the classes, saved as PNG for a person to look at;
// a few pixels of each part are checked as well.

TEST(GraphicsSheet, DrawsShapesBitmapsAndIcons) {
    TBitmap sheet(480, 200);
    TCanvas& c = *sheet.Canvas();
    c.Brush()->SetColor(clBtnFace);
    c.FillRect(Rect(0, 0, 480, 200));

    // Shapes with pens and brushes.
    c.Pen()->SetColor(clNavy);
    c.Pen()->SetWidth(3);
    c.Brush()->SetColor(clYellow);
    c.Rectangle(10, 10, 90, 60);
    c.Brush()->SetColor(clLime);
    c.Pen()->SetWidth(1);
    c.Ellipse(100, 10, 180, 60);
    c.Brush()->SetStyle(bsDiagCross);
    c.Brush()->SetColor(clRed);
    c.RoundRect(190, 10, 270, 60, 16, 16);
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(clAqua);
    c.Pie(280, 10, 350, 80, 350, 45, 315, 10);
    c.Pen()->SetStyle(psDash);
    c.Pen()->SetColor(clMaroon);
    c.MoveTo(360, 15);
    c.LineTo(470, 60);
    c.Pen()->SetStyle(psSolid);
    c.Brush()->SetColor(clFuchsia);
    c.Polygon({Point(360, 70), Point(470, 70), Point(415, 100)});

    // A transparent bitmap over a striped pattern.
    c.Brush()->SetStyle(bsHorizontal);
    c.Brush()->SetColor(clGray);
    c.Pen()->SetStyle(psClear);
    c.Rectangle(10, 90, 130, 190);
    auto cross = MakeBitmap(40, 40, clWhite);
    cross->Canvas()->Brush()->SetColor(clBlue);
    cross->Canvas()->FillRect(Rect(15, 0, 25, 40));
    cross->Canvas()->FillRect(Rect(0, 15, 40, 25));
    cross->SetTransparent(true);
    c.Draw(20, 100, cross.get());
    c.StretchDraw(Rect(65, 100, 125, 180), cross.get());

    // An icon, at its size and stretched, over a plain and a hatched ground.
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(clWhite);
    c.FillRect(Rect(140, 90, 260, 190));
    c.Brush()->SetStyle(bsCross);
    c.Brush()->SetColor(clTeal);
    c.FillRect(Rect(200, 90, 260, 190));
    TIcon icon;
    icon.SetImage(DiscImage(32, 32));
    c.Draw(150, 100, &icon);
    c.StretchDraw(Rect(205, 100, 253, 148), &icon);

    // BrushCopy: the olive of a bitmap becomes the brush's colour.
    auto olive = MakeBitmap(60, 30, clOlive);
    olive->Canvas()->Brush()->SetColor(clPurple);
    olive->Canvas()->FillRect(Rect(10, 5, 50, 25));
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(clYellow);
    c.BrushCopy(Bounds(280, 110, 60, 30), olive.get(), Rect(0, 0, 60, 30), clOlive);
    c.Draw(280, 150, olive.get());

    // Text in three fonts.
    c.Brush()->SetStyle(bsClear);
    c.Font()->SetName("MS Sans Serif");
    c.Font()->SetColor(clBlack);
    c.TextOut(360, 110, "MS Sans Serif 8");
    c.Font()->SetName("Times New Roman");
    c.Font()->SetSize(14);
    c.Font()->SetStyle({fsItalic});
    c.Font()->SetColor(clNavy);
    c.TextOut(360, 128, "Times 14");
    c.Font()->SetName("Courier New");
    c.Font()->SetSize(11);
    c.Font()->SetStyle({fsBold, fsUnderline});
    c.Font()->SetColor(clMaroon);
    c.TextOut(360, 155, "Courier 11");
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(clInfoBk);
    c.Font()->SetName("Arial");
    c.Font()->SetSize(9);
    c.Font()->SetStyle({});
    c.Font()->SetColor(clBlack);
    c.TextRect(Rect(360, 178, 470, 195), 362, 179, "Clipped by TextRect to its box");

    const std::string png = TmpFile("sheet.png");
    ASSERT_TRUE(SaveGraphicToPng(sheet, png));

    EXPECT_EQ(Px(sheet, 50, 35), clYellow);
    EXPECT_EQ(Px(sheet, 10, 35), clNavy);
    EXPECT_EQ(Px(sheet, 140, 35), clLime);
    EXPECT_EQ(Px(sheet, 40, 120), clBlue) << "the cross";
    EXPECT_NE(Px(sheet, 22, 102), clWhite) << "the bitmap's white is transparent";
    EXPECT_EQ(Px(sheet, 166, 116), clRed) << "the icon's disc";
    EXPECT_EQ(Px(sheet, 151, 101), clWhite) << "the icon's corner shows the ground";
    EXPECT_EQ(Px(sheet, 282, 112), clYellow) << "BrushCopy put the brush where olive was";
    EXPECT_EQ(Px(sheet, 310, 125), clPurple);
    EXPECT_EQ(Px(sheet, 282, 152), clOlive);
    EXPECT_FALSE(BoxOf(sheet, clNavy, Rect(360, 128, 480, 150)).IsEmpty()) << "the Times line";
    EXPECT_FALSE(BoxOf(sheet, clMaroon, Rect(360, 155, 480, 175)).IsEmpty()) << "the Courier line";
    EXPECT_EQ(BoxOf(sheet, TColor(GetSysColor(COLOR_INFOBK)), Rect(340, 170, 480, 200)), Rect(360, 178, 470, 195));
}

}  // namespace
