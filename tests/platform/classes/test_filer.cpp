// Form files: the text format, the writer, the reader, DefineProperties and
// the reader's behaviour on damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Filer.h"
#include "Lists.h"
#include "Streams.h"

namespace filer_test {

using namespace vcl;

VCL_ENUM(TFtShape, fsNone, fsCircle, fsSquare, fsTriangle)
VCL_ENUM(TFtOption, foBold, foItalic, foUnderline, foStrike)
using TFtOptions = Set<TFtOption>;
// With a fixed underlying type, so that a value without a name is valid C++.
enum TFtLevel : int { lvLow, lvHigh };
VCL_ENUM_INFO(TFtLevel, lvLow, lvHigh)

// What Loaded saw, in the order of the calls.
std::vector<std::string> LoadedLog;

// The innermost sub-object: Form.Font.Border.  Its defined property shows
// that DefineProperties of nested sub-objects get the dotted prefix.
class TFtBorder : public TPersistent {
    VCL_DECLARE_CLASS(TFtBorder)
public:
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t v) { FWidth = v; }
    TFtShape Style() const { return FStyle; }
    void SetStyle(TFtShape v) { FStyle = v; }
    std::vector<int> Dashes;

protected:
    void DefineProperties(TFiler& Filer) override {
        Filer.DefineProperty(
            "Dashes",
            [this](TReader& r) {
                Dashes.clear();
                r.ReadListBegin();
                while (!r.EndOfList()) Dashes.push_back(r.ReadInteger());
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                for (int d : Dashes) w.WriteInteger(d);
                w.WriteListEnd();
            },
            !Dashes.empty());
    }

private:
    int32_t FWidth = 1;
    TFtShape FStyle = fsNone;
};
VCL_PUBLISHED(TFtBorder, TPersistent) {
    B.Property("Width", &TFtBorder::Width, &TFtBorder::SetWidth).Default(1);
    B.Property("Style", &TFtBorder::Style, &TFtBorder::SetStyle).Default(fsNone);
}

class TFtFont : public TPersistent {
    VCL_DECLARE_CLASS(TFtFont)
public:
    std::string Name() const { return FName; }
    void SetName(const std::string& v) { FName = v; }
    int8_t Size() const { return FSize; }
    void SetSize(int8_t v) { FSize = v; }
    uint32_t Color() const { return FColor; }
    void SetColor(uint32_t v) { FColor = v; }
    TFtBorder* Border() const { return FBorder.get(); }
    void SetBorder(TFtBorder* v) {
        FBorder->SetWidth(v->Width());
        FBorder->SetStyle(v->Style());
    }
    std::string Extra;

protected:
    void DefineProperties(TFiler& Filer) override {
        Filer.DefineProperty(
            "Extra", [this](TReader& r) { Extra = r.ReadString(); },
            [this](TWriter& w) { w.WriteString(Extra); }, !Extra.empty());
    }

private:
    std::string FName = "Tahoma";
    int8_t FSize = 8;
    uint32_t FColor = 0;
    std::unique_ptr<TFtBorder> FBorder = std::make_unique<TFtBorder>();
};
VCL_PUBLISHED(TFtFont, TPersistent) {
    B.Property("Name", &TFtFont::Name, &TFtFont::SetName).DefaultStr("Tahoma");
    B.Property("Size", &TFtFont::Size, &TFtFont::SetSize).Default(8);
    B.Property("Color", &TFtFont::Color, &TFtFont::SetColor);
    B.Property("Border", &TFtFont::Border, &TFtFont::SetBorder);
}

// Keeps a pointer to another component, cleared when that one goes.
template <class T>
class TRef {
public:
    T* Get() const { return FTarget; }
    void Set(TComponent* Self, T* Value) {
        if (FTarget) FTarget->RemoveFreeNotification(Self);
        FTarget = Value;
        if (FTarget) FTarget->FreeNotification(Self);
    }
    void Removed(TComponent* C) {
        if (C == FTarget) FTarget = nullptr;
    }

private:
    T* FTarget = nullptr;
};

// A non-visual component.
class TFtChild : public TComponent {
    VCL_DECLARE_CLASS(TFtChild)
public:
    using TComponent::TComponent;
    int32_t Value() const { return FValue; }
    void SetValue(int32_t v) {
        FValue = v;
        ValueSetWhileLoading = IsLoading() && ComponentState().Contains(csReading);
    }
    std::string Text() const { return FText; }
    void SetText(const std::string& v) { FText = v; }
    TFtChild* Partner() const { return FPartner.Get(); }
    void SetPartner(TFtChild* v) { FPartner.Set(this, v); }
    bool ValueSetWhileLoading = false;

    void Loaded() override {
        TComponent::Loaded();
        LoadedLog.push_back(Name() + " Value=" + std::to_string(FValue) +
                            (Partner() ? " Partner=" + Partner()->Name() : std::string()));
        if (FText == "fail in Loaded") throw EInvalidOperation("the child refuses");
    }

protected:
    void Notification(TComponent* C, TOperation Op) override {
        TComponent::Notification(C, Op);
        if (Op == opRemove) FPartner.Removed(C);
    }

private:
    int32_t FValue = 0;
    std::string FText;
    TRef<TFtChild> FPartner;
};
VCL_PUBLISHED(TFtChild, TComponent) {
    B.Property("Value", &TFtChild::Value, &TFtChild::SetValue).Default(0);
    B.Property("Text", &TFtChild::Text, &TFtChild::SetText).DefaultStr("");
    B.Property("Partner", &TFtChild::Partner, &TFtChild::SetPartner);
}

// A component placed inside a parent (the form or another panel), like a
// control: HasParent, SetParentComponent, and GetChildren hands over the
// components placed in it.
class TFtPanel : public TComponent {
    VCL_DECLARE_CLASS(TFtPanel)
public:
    using TComponent::TComponent;
    int32_t Left() const { return FLeft; }
    void SetLeft(int32_t v) { FLeft = v; }
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return FParent; }
    void SetParentComponent(TComponent* Value) override {
        ++SetParentCalls;
        FParent = Value;
    }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override {
        for (int i = 0; i < Root->ComponentCount(); ++i)
            if (Root->Components(i)->GetParentComponent() == this) Proc(Root->Components(i));
    }
    void Loaded() override {
        TComponent::Loaded();
        LoadedLog.push_back(Name() + " Left=" + std::to_string(FLeft));
    }
    int SetParentCalls = 0;

protected:
    void Notification(TComponent* C, TOperation Op) override {
        TComponent::Notification(C, Op);
        if (Op == opRemove && C == FParent) FParent = nullptr;
    }

private:
    int32_t FLeft = 0;
    TComponent* FParent = nullptr;
};
VCL_PUBLISHED(TFtPanel, TComponent) {
    B.Property("Left", &TFtPanel::Left, &TFtPanel::SetLeft).Default(0);
}

// The root: one property of every kind.
class TFtForm : public TComponent {
    VCL_DECLARE_CLASS(TFtForm)
public:
    using TComponent::TComponent;

    int8_t I8 = 0;
    uint8_t U8 = 0;
    int16_t I16 = 0;
    uint16_t U16 = 0;
    int32_t I32 = 0;
    uint32_t U32 = 0;
    int64_t I64 = 0;
    uint64_t U64 = 0;
    bool Flag = false;
    bool Visible = true;
    TFtShape Shape = fsNone;
    TFtLevel Level = lvLow;
    TFtOptions Options;
    float Single = 0;
    double Dbl = 0;
    long double Ext = 0;
    double Ratio = 1.0;
    std::string Caption;
    std::string Hint;
    int32_t Secret = 0;
    int32_t Limit = 100;
    std::unique_ptr<TStringList> Lines = std::make_unique<TStringList>();
    std::unique_ptr<TFtFont> Font = std::make_unique<TFtFont>();
    TRef<TFtChild> Source;
    TRef<TComponent> Buddy;
    std::vector<uint8_t> Blob;
    std::vector<std::pair<int, int>> Points;
    bool HasMixed = false;
    int64_t MixedInt = 0;
    long double MixedFloat = 0;
    std::string MixedString;
    bool MixedBool = false;
    std::string MixedIdent;
    uint32_t Magic = 0;

    void SetLimit(int32_t v) {
        if (v < 0) throw EInvalidOperation("Limit must not be negative");
        Limit = v;
    }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) {
            TComponent* c = Components(i);
            if (!c->HasParent() || c->GetParentComponent() == this) Proc(c);
        }
    }
    void Loaded() override {
        TComponent::Loaded();
        LoadedLog.push_back(Name() + " Source=" + (Source.Get() ? Source.Get()->Name() : std::string("nil")));
    }

protected:
    void Notification(TComponent* C, TOperation Op) override {
        TComponent::Notification(C, Op);
        if (Op == opRemove) {
            Source.Removed(C);
            Buddy.Removed(C);
        }
    }
    void DefineProperties(TFiler& Filer) override {
        TComponent::DefineProperties(Filer);
        Filer.DefineBinaryProperty(
            "Blob",
            [this](TStream& s) {
                Blob.resize(static_cast<size_t>(s.Size()));
                s.ReadBuffer(Blob.data(), s.Size());
            },
            [this](TStream& s) { s.WriteBuffer(Blob.data(), static_cast<Int64>(Blob.size())); }, !Blob.empty());
        Filer.DefineBinaryProperty(
            "Magic", [this](TStream& s) { s.ReadBuffer(&Magic, 4); },
            [this](TStream& s) { s.WriteBuffer(&Magic, 4); }, Magic != 0);
        Filer.DefineProperty(
            "Points",
            [this](TReader& r) {
                Points.clear();
                r.ReadListBegin();
                while (!r.EndOfList()) {
                    r.ReadListBegin();
                    const int x = r.ReadInteger();
                    const int y = r.ReadInteger();
                    r.ReadListEnd();
                    Points.emplace_back(x, y);
                }
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                for (auto [x, y] : Points) {
                    w.WriteListBegin();
                    w.WriteInteger(x);
                    w.WriteInteger(y);
                    w.WriteListEnd();
                }
                w.WriteListEnd();
            },
            !Points.empty());
        Filer.DefineProperty(
            "Mixed",
            [this](TReader& r) {
                HasMixed = true;
                r.ReadListBegin();
                EXPECT_EQ(r.NextValue(), vaInt);
                MixedInt = r.ReadInt64();
                EXPECT_EQ(r.NextValue(), vaFloat);
                MixedFloat = r.ReadFloat();
                EXPECT_EQ(r.NextValue(), vaString);
                MixedString = r.ReadString();
                MixedBool = r.ReadBoolean();
                EXPECT_EQ(r.NextValue(), vaIdent);
                MixedIdent = r.ReadIdent();
                EXPECT_EQ(r.NextValue(), vaNull);
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                w.WriteInteger(MixedInt);
                w.WriteFloat(MixedFloat);
                w.WriteString(MixedString);
                w.WriteBoolean(MixedBool);
                w.WriteIdent(MixedIdent);
                w.WriteListEnd();
            },
            HasMixed);
        // Read only: whatever value it has is skipped.
        Filer.DefineProperty("Ignored", [](TReader& r) { r.SkipValue(); }, nullptr, false);
    }
};

#define FT_FIELD(Field) [](const TFtForm& f) { return f.Field; }, [](TFtForm& f, decltype(TFtForm::Field) v) { f.Field = v; }

VCL_PUBLISHED(TFtForm, TComponent) {
    B.Property("I8", FT_FIELD(I8));
    B.Property("U8", FT_FIELD(U8));
    B.Property("I16", FT_FIELD(I16));
    B.Property("U16", FT_FIELD(U16));
    B.Property("I32", FT_FIELD(I32));
    B.Property("U32", FT_FIELD(U32));
    B.Property("I64", FT_FIELD(I64));
    B.Property("U64", FT_FIELD(U64));
    B.Property("Flag", FT_FIELD(Flag)).Default(0);
    B.Property("Visible", FT_FIELD(Visible)).Default(1);
    B.Property("Shape", FT_FIELD(Shape)).Default(fsNone);
    B.Property("Level", FT_FIELD(Level)).Default(lvLow);
    B.Property("Options", FT_FIELD(Options)).Default(0);
    B.Property("Single", FT_FIELD(Single));
    B.Property("Dbl", FT_FIELD(Dbl));
    B.Property("Ext", FT_FIELD(Ext));
    B.Property("Ratio", FT_FIELD(Ratio)).DefaultFloat(1.0);
    B.Property("Caption", [](const TFtForm& f) { return f.Caption; },
               [](TFtForm& f, const std::string& v) { f.Caption = v; });
    B.Property("Hint", [](const TFtForm& f) { return f.Hint; },
               [](TFtForm& f, const std::string& v) { f.Hint = v; })
        .DefaultStr("");
    B.Property("Secret", FT_FIELD(Secret)).Stored([](const TObject&) { return false; });
    B.Property("Limit", [](const TFtForm& f) { return f.Limit; }, &TFtForm::SetLimit).Default(100);
    B.Property("Lines", [](const TFtForm& f) { return f.Lines.get(); },
               [](TFtForm& f, TStringList* v) { f.Lines->Assign(*v); });
    B.Property("Font", [](const TFtForm& f) { return f.Font.get(); },
               [](TFtForm& f, TFtFont* v) { f.Font->SetName(v->Name()); });
    B.Property("Source", [](const TFtForm& f) { return f.Source.Get(); },
               [](TFtForm& f, TFtChild* v) { f.Source.Set(&f, v); });
    B.Property("Buddy", [](const TFtForm& f) { return f.Buddy.Get(); },
               [](TFtForm& f, TComponent* v) { f.Buddy.Set(&f, v); });
    // An event: never streamed.
    TPropInfo event;
    event.Name = "OnChange";
    event.Kind = tkMethod;
    B.Meta().AddProperty(event);
}

void RegisterTestClasses() {
    static const bool done = [] {
        RegisterClasses({&TFtForm::StaticClass(), &TFtChild::StaticClass(), &TFtPanel::StaticClass(),
                         &TFtFont::StaticClass()});
        return true;
    }();
    (void)done;
}

template <class T>
bool SameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof(T) == sizeof(long double) ? 10 : sizeof(T)) == 0;
}

std::string Form(const std::string& Body) { return "object Form1: TFtForm\n" + Body + "end\n"; }

class FilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        LoadedLog.clear();
    }
    std::unique_ptr<TFtForm> Read(const std::string& Text) {
        auto f = std::make_unique<TFtForm>(nullptr);
        StringToComponent(Text, f.get());
        return f;
    }
};

}  // namespace filer_test

using namespace filer_test;
using namespace vcl;

// ---------------------------------------------------------------------------
// The writer

TEST_F(FilerTest, WritesTheTextFormat) {
    TFtForm form(nullptr);
    form.SetName("Form1");
    form.I32 = -10;
    form.Visible = false;
    form.Shape = fsSquare;
    form.Options = {foBold, foStrike};
    form.Dbl = 1.5;
    form.Caption = "It's \xC3\xA4" "ber\r\n\xE2\x82\xAC";
    form.Lines->Add("one");
    form.Lines->Add("two");
    form.Font->SetName("Arial");
    form.Font->Border()->SetWidth(3);
    form.Font->Border()->Dashes = {2, 1};
    for (int i = 0; i < 34; ++i) form.Blob.push_back(static_cast<uint8_t>(i * 7));
    form.Points = {{1, 2}, {-3, 4}};
    auto* child = new TFtChild(&form);
    child->SetName("Child1");
    child->SetValue(7);
    form.Source.Set(&form, child);
    auto* panel = new TFtPanel(&form);
    panel->SetName("Panel1");
    panel->SetParentComponent(&form);
    auto* inner = new TFtPanel(&form);
    inner->SetName("Inner");
    inner->SetLeft(5);
    inner->SetParentComponent(panel);

    const std::string expected =
        "object Form1: TFtForm\n"
        "  I8 = 0\n"
        "  U8 = 0\n"
        "  I16 = 0\n"
        "  U16 = 0\n"
        "  I32 = -10\n"
        "  U32 = 0\n"
        "  I64 = 0\n"
        "  U64 = 0\n"
        "  Visible = False\n"
        "  Shape = fsSquare\n"
        "  Options = [foBold, foStrike]\n"
        "  Single = 0.0\n"
        "  Dbl = 1.5\n"
        "  Ext = 0.0\n"
        "  Caption = 'It''s '#228'ber'#13#10#8364\n"
        "  Lines.Strings = (\n"
        "    'one'\n"
        "    'two')\n"
        "  Font.Name = 'Arial'\n"
        "  Font.Color = 0\n"
        "  Font.Border.Width = 3\n"
        "  Font.Border.Dashes = (\n"
        "    2\n"
        "    1)\n"
        "  Source = Child1\n"
        "  Blob = {\n"
        "    00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9\n"
        "    E0E7}\n"
        "  Points = (\n"
        "    (\n"
        "      1\n"
        "      2)\n"
        "    (\n"
        "      -3\n"
        "      4))\n"
        "  object Child1: TFtChild\n"
        "    Value = 7\n"
        "  end\n"
        "  object Panel1: TFtPanel\n"
        "    object Inner: TFtPanel\n"
        "      Left = 5\n"
        "    end\n"
        "  end\n"
        "end\n";
    EXPECT_EQ(ComponentToString(&form), expected);
}

TEST_F(FilerTest, DefaultsStoredAndEmptyValuesDecideWhatIsWritten) {
    TFtForm form(nullptr);
    form.SetName("Form1");
    form.Secret = 42;  // Stored false
    form.Limit = 100;  // equals the default
    form.Ratio = 1.0;  // equals the default
    form.Hint = "";    // equals the default
    form.Caption = "";  // no default: written
    const std::string text = ComponentToString(&form);
    EXPECT_EQ(text.find("Secret"), std::string::npos);
    EXPECT_EQ(text.find("Limit"), std::string::npos);
    EXPECT_EQ(text.find("Ratio"), std::string::npos);
    EXPECT_EQ(text.find("Hint"), std::string::npos);
    EXPECT_EQ(text.find("Flag"), std::string::npos);
    EXPECT_EQ(text.find("Lines"), std::string::npos);   // empty list
    EXPECT_EQ(text.find("Source"), std::string::npos);  // no reference
    EXPECT_EQ(text.find("OnChange"), std::string::npos);
    EXPECT_EQ(text.find("Font.Name"), std::string::npos);
    EXPECT_EQ(text.find("Font.Border"), std::string::npos);
    EXPECT_EQ(text.find("Blob"), std::string::npos);  // HasData false
    EXPECT_EQ(text.find("\n  Name ="), std::string::npos);
    EXPECT_NE(text.find("  Caption = ''\n"), std::string::npos);
    EXPECT_NE(text.find("  I32 = 0\n"), std::string::npos);

    form.Limit = 5;
    form.Ratio = -0.0;  // differs from 1.0
    form.Flag = true;
    form.Font->SetSize(9);
    const std::string changed = ComponentToString(&form);
    EXPECT_NE(changed.find("  Limit = 5\n"), std::string::npos);
    EXPECT_NE(changed.find("  Ratio = -0.0\n"), std::string::npos);
    EXPECT_NE(changed.find("  Flag = True\n"), std::string::npos);
    EXPECT_NE(changed.find("  Font.Size = 9\n"), std::string::npos);
}

TEST_F(FilerTest, WritingProblemsRaiseAndLeaveTheStreamAlone) {
    TFtForm form(nullptr);
    form.Level = static_cast<TFtLevel>(9);  // no name for it
    TStringStream stream("keep");
    EXPECT_THROW(WriteComponent(stream, &form), EWriteError);
    EXPECT_EQ(stream.DataString(), "keep");

    form.Level = lvHigh;
    TFtChild unnamed(nullptr);
    form.Source.Set(&form, &unnamed);
    EXPECT_THROW(ComponentToString(&form), EWriteError);
    form.Source.Set(&form, nullptr);

    form.Options = TFtOptions::FromBits(1u << 6);  // an element without name
    EXPECT_THROW(ComponentToString(&form), EWriteError);
}

// ---------------------------------------------------------------------------
// Round trips

TEST_F(FilerTest, RoundTripOfEveryKind) {
    TFtForm form(nullptr);
    form.SetName("Form1");
    form.I8 = INT8_MIN;
    form.U8 = UINT8_MAX;
    form.I16 = INT16_MIN;
    form.U16 = UINT16_MAX;
    form.I32 = INT32_MIN;
    form.U32 = UINT32_MAX;
    form.I64 = INT64_MIN;
    form.U64 = UINT64_MAX;
    form.Flag = true;
    form.Visible = false;
    form.Shape = fsTriangle;
    form.Options = {foItalic, foUnderline};
    form.Single = 0.1f;
    form.Dbl = 1.0 / 3;
    form.Ext = 0xf.382d1e77ae6459ap-17L;  // needs 21 significant digits
    form.Ratio = -0.0;
    form.Caption = std::string("quote ' and '' and NUL ") + '\0' + " tab\t end";
    form.Hint = "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80 raw \xFF\xFE bytes";
    form.Lines->Add("");
    form.Lines->Add(std::string(150, 'x') + "'" + std::string(70, 'y'));
    form.Lines->Add("last");
    form.Font->SetName("Courier New");
    form.Font->SetSize(-3);
    form.Font->SetColor(0xFFFFFFFF);
    form.Font->Extra = "extra";
    form.Font->Border()->SetStyle(fsCircle);
    form.Font->Border()->Dashes = {5};
    form.Limit = 0;
    for (int i = 0; i < 100; ++i) form.Blob.push_back(static_cast<uint8_t>(255 - i));
    form.Magic = 0xDEADBEEF;
    form.Points = {{0, 0}, {INT32_MAX, INT32_MIN}};
    form.HasMixed = true;
    form.MixedInt = INT64_MAX;
    form.MixedFloat = -2.5e-300L;
    form.MixedString = std::string(200, 'm');
    form.MixedBool = true;
    form.MixedIdent = "fsCircle";
    auto* c1 = new TFtChild(&form);
    c1->SetName("Child1");
    auto* c2 = new TFtChild(&form);
    c2->SetName("Child2");
    c2->SetText("second");
    c1->SetPartner(c2);  // forward reference
    c2->SetPartner(c1);
    form.Source.Set(&form, c2);
    form.Buddy.Set(&form, &form);  // the root itself
    auto* panel = new TFtPanel(&form);
    panel->SetName("Panel1");
    panel->SetParentComponent(&form);
    auto* sub = new TFtPanel(&form);
    sub->SetName("Sub");
    sub->SetParentComponent(panel);

    const std::string text = ComponentToString(&form);
    auto copy = Read(text);
    EXPECT_EQ(ComponentToString(copy.get()), text);

    EXPECT_EQ(copy->Name(), "Form1");
    EXPECT_EQ(copy->I8, INT8_MIN);
    EXPECT_EQ(copy->U8, UINT8_MAX);
    EXPECT_EQ(copy->I16, INT16_MIN);
    EXPECT_EQ(copy->U16, UINT16_MAX);
    EXPECT_EQ(copy->I32, INT32_MIN);
    EXPECT_EQ(copy->U32, UINT32_MAX);
    EXPECT_EQ(copy->I64, INT64_MIN);
    EXPECT_EQ(copy->U64, UINT64_MAX);
    EXPECT_TRUE(copy->Flag);
    EXPECT_FALSE(copy->Visible);
    EXPECT_EQ(copy->Shape, fsTriangle);
    EXPECT_EQ(copy->Options, (TFtOptions{foItalic, foUnderline}));
    EXPECT_TRUE(SameBits(copy->Single, form.Single));
    EXPECT_TRUE(SameBits(copy->Dbl, form.Dbl));
    EXPECT_TRUE(SameBits(copy->Ext, form.Ext));
    EXPECT_TRUE(std::signbit(copy->Ratio));
    EXPECT_EQ(copy->Caption, form.Caption);
    EXPECT_EQ(copy->Hint, form.Hint);
    ASSERT_EQ(copy->Lines->Count(), 3);
    EXPECT_EQ(copy->Lines->Strings(0), "");
    EXPECT_EQ(copy->Lines->Strings(1), form.Lines->Strings(1));
    EXPECT_EQ(copy->Font->Name(), "Courier New");
    EXPECT_EQ(copy->Font->Size(), -3);
    EXPECT_EQ(copy->Font->Color(), 0xFFFFFFFFu);
    EXPECT_EQ(copy->Font->Extra, "extra");
    EXPECT_EQ(copy->Font->Border()->Style(), fsCircle);
    EXPECT_EQ(copy->Font->Border()->Dashes, std::vector<int>{5});
    EXPECT_EQ(copy->Limit, 0);
    EXPECT_EQ(copy->Blob, form.Blob);
    EXPECT_EQ(copy->Magic, 0xDEADBEEFu);
    EXPECT_EQ(copy->Points, form.Points);
    EXPECT_EQ(copy->MixedInt, INT64_MAX);
    EXPECT_TRUE(SameBits(copy->MixedFloat, form.MixedFloat));
    EXPECT_EQ(copy->MixedString, form.MixedString);
    EXPECT_TRUE(copy->MixedBool);
    EXPECT_EQ(copy->MixedIdent, "fsCircle");

    ASSERT_EQ(copy->ComponentCount(), 4);
    auto* r1 = dynamic_cast<TFtChild*>(copy->FindComponent("Child1"));
    auto* r2 = dynamic_cast<TFtChild*>(copy->FindComponent("Child2"));
    auto* rp = dynamic_cast<TFtPanel*>(copy->FindComponent("Panel1"));
    auto* rs = dynamic_cast<TFtPanel*>(copy->FindComponent("Sub"));
    ASSERT_TRUE(r1 && r2 && rp && rs);
    EXPECT_EQ(r1->Owner(), copy.get());
    EXPECT_EQ(r1->Partner(), r2);
    EXPECT_EQ(r2->Partner(), r1);
    EXPECT_EQ(r2->Text(), "second");
    EXPECT_EQ(copy->Source.Get(), r2);
    EXPECT_EQ(copy->Buddy.Get(), copy.get());
    EXPECT_EQ(rp->GetParentComponent(), copy.get());
    EXPECT_EQ(rs->GetParentComponent(), rp);
    EXPECT_EQ(rs->SetParentCalls, 1);
    for (int i = 0; i < copy->ComponentCount(); ++i) {
        EXPECT_FALSE(copy->Components(i)->IsLoading());
        EXPECT_FALSE(copy->Components(i)->ComponentState().Contains(csReading));
    }
    EXPECT_FALSE(copy->ComponentState().Contains(csReading));
}

struct TFloatCase {
    const char* Label;
    TFloatType Type;
    long double Value;
    const char* Text;  // expected text, or nullptr to check the round trip only
};

TEST_F(FilerTest, FloatsAreWrittenShortestAndReadBackBitExact) {
    const long double inf = std::numeric_limits<long double>::infinity();
    const TFloatCase cases[] = {
        {"single 0.1", ftSingle, 0.1f, "0.1"},
        {"single max", ftSingle, std::numeric_limits<float>::max(), "3.4028235e+38"},
        {"single denormal", ftSingle, std::numeric_limits<float>::denorm_min(), "1e-45"},
        {"double 0.1", ftDouble, 0.1, "0.1"},
        {"double 1/3", ftDouble, 1.0 / 3, "0.3333333333333333"},
        {"double 1e300", ftDouble, 1e300, "1e+300"},
        {"double denormal", ftDouble, std::numeric_limits<double>::denorm_min(), "5e-324"},
        {"double integral", ftDouble, 12345678.0, "12345678.0"},
        {"double -0", ftDouble, -0.0, "-0.0"},
        {"extended 0.1", ftExtended, 0.1L, "0.1"},
        {"extended 21 digits", ftExtended, 0xf.382d1e77ae6459ap-17L, "0.000116115100566960227583"},
        {"extended max", ftExtended, std::numeric_limits<long double>::max(), nullptr},
        {"extended denormal", ftExtended, std::numeric_limits<long double>::denorm_min(), nullptr},
        {"extended -0", ftExtended, -0.0L, "-0.0"},
        {"inf", ftDouble, inf, "INF"},
        {"-inf", ftExtended, -inf, "-INF"},
        {"nan", ftSingle, std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TFtForm form(nullptr);
        form.SetName("Form1");
        std::string prop;
        switch (c.Type) {
            case ftSingle: form.Single = static_cast<float>(c.Value), prop = "Single"; break;
            case ftDouble: form.Dbl = static_cast<double>(c.Value), prop = "Dbl"; break;
            case ftExtended: form.Ext = c.Value, prop = "Ext"; break;
        }
        const std::string text = ComponentToString(&form);
        if (c.Text) {
            EXPECT_NE(text.find("  " + prop + " = " + c.Text + "\n"), std::string::npos) << text;
        }
        auto copy = Read(text);
        switch (c.Type) {
            case ftSingle:
                if (std::isnan(c.Value))
                    EXPECT_TRUE(std::isnan(copy->Single));
                else
                    EXPECT_TRUE(SameBits(copy->Single, form.Single));
                break;
            case ftDouble: EXPECT_TRUE(SameBits(copy->Dbl, form.Dbl)); break;
            case ftExtended: EXPECT_TRUE(SameBits(copy->Ext, form.Ext)); break;
        }
    }
}

TEST_F(FilerTest, FloatsReadInTheirOwnTypeAndAcceptIntegers) {
    auto f = Read(Form("  Single = 16777217\n  Dbl = 2\n  Ext = 1e-4940\n  Ratio = -INF\n"));
    EXPECT_EQ(f->Single, 16777216.0f);  // rounded once, as a float
    EXPECT_EQ(f->Dbl, 2.0);
    EXPECT_GT(f->Ext, 0.0L);  // a subnormal long double, not an error
    EXPECT_TRUE(std::isinf(f->Ratio) && f->Ratio < 0);
}

struct TStringCase {
    const char* Label;
    std::string Value;
    const char* Text;
};

TEST_F(FilerTest, StringsQuoteAndEscape) {
    const TStringCase cases[] = {
        {"empty", "", "''"},
        {"quote", "'", "''''"},
        {"quotes inside", "a'b''c", "'a''b''''c'"},
        {"control", "a\tb", "'a'#9'b'"},
        {"only controls", "\r\n", "#13#10"},
        {"NUL", std::string("x\0y", 3), "'x'#0'y'"},
        {"DEL", "\x7f", "#127"},
        {"umlauts", "\xC3\x84\xC3\xB6\xC3\x9F", "#196#246#223"},
        {"euro", "5 \xE2\x82\xAC", "'5 '#8364"},
        {"astral", "\xF0\x9F\x98\x80", "#128512"},
        {"not UTF-8", "\xFF\xC3", "'\xFF\xC3'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TFtForm form(nullptr);
        form.Caption = c.Value;
        const std::string text = ComponentToString(&form);
        EXPECT_NE(text.find(std::string("  Caption = ") + c.Text + "\n"), std::string::npos) << text;
        EXPECT_EQ(Read(text)->Caption, c.Value);
    }
}

TEST_F(FilerTest, LongStringsContinueOnFollowingLines) {
    TFtForm form(nullptr);
    std::string value;
    for (int i = 0; i < 40; ++i) value += "word" + std::to_string(i) + "'s \xE2\x82\xAC ";
    form.Caption = value;
    const std::string text = ComponentToString(&form);
    size_t pieces = 0, start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        EXPECT_LE(line.size(), 90u) << line;
        if (line.size() > 2 && line.back() == '+') ++pieces;
        start = end + 1;
    }
    EXPECT_GE(pieces, 5u);
    EXPECT_NE(text.find("' +\n    '"), std::string::npos);
    EXPECT_EQ(Read(text)->Caption, value);
}

TEST_F(FilerTest, ReaderAcceptsOtherStringAndNumberSpellings) {
    auto f = Read(Form("  Caption = 'raw \xC3\xA4 ' + #$41#66 + 'c'#55357#56832\n"
                       "  I32 = $7FFFFFFF\n"
                       "  U8 = $ff\n"
                       "  Options = [ ]\n"
                       "  Shape = FSCIRCLE\n"
                       "  Visible = false\n"
                       "  Font.Name = 'X'\r\n"));
    EXPECT_EQ(f->Caption, "raw \xC3\xA4 AB" "c\xF0\x9F\x98\x80");
    EXPECT_EQ(f->I32, INT32_MAX);
    EXPECT_EQ(f->U8, 255);
    EXPECT_TRUE(f->Options.Empty());
    EXPECT_EQ(f->Shape, fsCircle);
    EXPECT_FALSE(f->Visible);
    EXPECT_EQ(f->Font->Name(), "X");
}

TEST_F(FilerTest, InheritedAndInlineAndUnnamedObjects) {
    auto f = Read("\xEF\xBB\xBFinherited Form1: TFtForm\n"
                  "  inline Panel1: TFtPanel [0]\n"
                  "  end\n"
                  "  object TFtChild\n"
                  "    Value = 3\n"
                  "  end\n"
                  "end\n");
    ASSERT_EQ(f->ComponentCount(), 2);
    EXPECT_EQ(f->Components(0)->Name(), "Panel1");
    EXPECT_EQ(f->Components(1)->Name(), "");
    EXPECT_EQ(dynamic_cast<TFtChild*>(f->Components(1))->Value(), 3);
    EXPECT_NE(ComponentToString(f.get()).find("  object TFtChild\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Loading order, existing components, references

TEST_F(FilerTest, LoadedRunsOnceEachInReadingOrderAfterFixups) {
    auto f = Read(Form("  Source = Child2\n"
                       "  object Child1: TFtChild\n"
                       "    Value = 1\n"
                       "    Partner = Child2\n"
                       "  end\n"
                       "  object Panel1: TFtPanel\n"
                       "    Left = 8\n"
                       "  end\n"
                       "  object Child2: TFtChild\n"
                       "    Value = 2\n"
                       "    Partner = Child1\n"
                       "  end\n"));
    EXPECT_EQ(LoadedLog, (std::vector<std::string>{"Form1 Source=Child2", "Child1 Value=1 Partner=Child2",
                                                   "Panel1 Left=8", "Child2 Value=2 Partner=Child1"}));
    EXPECT_TRUE(dynamic_cast<TFtChild*>(f->FindComponent("Child1"))->ValueSetWhileLoading);
}

TEST_F(FilerTest, ReusesOwnedComponentsOfTheSameClassByName) {
    TFtForm form(nullptr);
    auto* existing = new TFtChild(&form);
    existing->SetName("Child1");
    StringToComponent(Form("  object Child1: TFtChild\n    Value = 5\n  end\n"), &form);
    ASSERT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.Components(0), existing);
    EXPECT_EQ(existing->Value(), 5);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(LoadedLog.size(), 2u);
}

TEST_F(FilerTest, ReferencesToComponentsOfAnotherRoot) {
    static TFtForm* other = nullptr;
    TFtForm otherForm(nullptr);
    otherForm.SetName("Other");
    auto* remote = new TFtChild(&otherForm);
    remote->SetName("Remote");
    other = &otherForm;
    auto finder = [](const std::string& Name) -> TComponent* {
        return other && other->Name() == Name ? other : nullptr;
    };
    RegisterFindGlobalComponentProc(finder);

    TFtForm form(nullptr);
    form.SetName("Form1");
    form.Source.Set(&form, remote);
    const std::string text = ComponentToString(&form);
    EXPECT_NE(text.find("  Source = Other.Remote\n"), std::string::npos);
    auto copy = Read(text);
    EXPECT_EQ(copy->Source.Get(), remote);

    UnRegisterFindGlobalComponentProc(finder);
    other = nullptr;
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + text.find("Source"), '\n'));
    try {
        Read(text);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Line " + std::to_string(line) + ": Unresolved reference Other.Remote in Form1.Source");
    }
}

TEST_F(FilerTest, ReadComponentCreateMakesTheRootByClassName) {
    TComponent owner(nullptr);
    TStringStream good(Form("  I32 = 4\n  object C: TFtChild\n  end\n"));
    TComponent* root = ReadComponentCreate(good, &owner);
    ASSERT_NE(dynamic_cast<TFtForm*>(root), nullptr);
    EXPECT_EQ(root->Owner(), &owner);
    EXPECT_EQ(root->Name(), "Form1");
    EXPECT_EQ(static_cast<TFtForm*>(root)->I32, 4);
    EXPECT_EQ(root->ComponentCount(), 1);

    // The same name again under the same owner: refused, nothing left behind.
    TStringStream again(Form(""));
    EXPECT_THROW(ReadComponentCreate(again, &owner), EReadError);
    EXPECT_EQ(owner.ComponentCount(), 1);

    TStringStream bad("object Form2: TFtForm\n  object C: TFtChild\n  end\n  Bogus = 1\nend\n");
    EXPECT_THROW(ReadComponentCreate(bad, &owner), EReadError);
    EXPECT_EQ(owner.ComponentCount(), 1);

    TStringStream unknown("object X: TFtNothing\nend\n");
    EXPECT_THROW(ReadComponentCreate(unknown, &owner), EReadError);
}

TEST_F(FilerTest, FilesAndStreamPositions) {
    const char* tmp = std::getenv("CORVANE_TEST_TMP");
    const std::filesystem::path dir = tmp ? std::filesystem::path(tmp) : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "filer_form.txt").string();
    TFtForm form(nullptr);
    form.SetName("Saved");
    form.I32 = 77;
    WriteComponentToFile(path, &form);
    TFtForm back(nullptr);
    ReadComponentFromFile(path, &back);
    EXPECT_EQ(back.I32, 77);
    EXPECT_EQ(back.Name(), "Saved");
    std::filesystem::remove(path);

    // Reading starts at the stream's position.
    TStringStream stream("junk" + ComponentToString(&form));
    stream.SetPosition(4);
    TFtForm again(nullptr);
    ReadComponent(stream, &again);
    EXPECT_EQ(again.I32, 77);
}

// ---------------------------------------------------------------------------
// Damaged and hostile input

struct THostileCase {
    const char* Label;
    std::string Text;
    int Line;
    const char* Message;  // the message after "Line N: " starts with this
};

TEST_F(FilerTest, DamagedFilesRaiseReadErrorsNamingTheLine) {
    const std::string deepObjects = [] {
        std::string s = "object Form1: TFtForm\n";
        for (int i = 0; i < 100000; ++i) s += "object TFtPanel\n";
        return s;
    }();
    const THostileCase cases[] = {
        {"empty file", "", 1, "Unexpected end of file"},
        {"not a form", "hello", 1, "'object' expected"},
        {"root class mismatch", "object Form1: TFtChild\nend\n", 1, "Class TFtChild does not match TFtForm"},
        {"truncated after a property", "object Form1: TFtForm\n  I32 = 5\n", 2, "Unexpected end of file"},
        {"truncated in a property", "object Form1: TFtForm\n  I32 =", 2, "Unexpected end of file"},
        {"truncated in a child", "object Form1: TFtForm\n  object C: TFtChild\n    Value = 1\n", 3,
         "Unexpected end of file"},
        {"unknown class", Form("  I32 = 1\n  object X: TNoSuch\n  end\n"), 3, "Class TNoSuch not found"},
        {"class that is not a component", Form("  object X: TFtFont\n  end\n"), 2,
         "Cannot create an instance of class TFtFont"},
        {"unknown property", Form("  I32 = 1\n  Foo = 2\n"), 3, "Property Foo does not exist"},
        {"unknown sub-property", Form("  Font.Nme = 'x'\n"), 2, "Property Font.Nme does not exist"},
        {"path through a value", Form("  I32.X = 1\n"), 2, "Property I32.X does not exist"},
        {"missing equals", Form("  I32 5\n"), 2, "'=' expected"},
        {"string for integer", Form("  I32 = 'x'\n"), 2, "Invalid property value"},
        {"float for integer", Form("  I32 = 1.5\n"), 2, "Invalid property value"},
        {"integer for string", Form("  Caption = 12\n"), 2, "Invalid property value"},
        {"integer for Boolean", Form("  Flag = 1\n"), 2, "Invalid property value"},
        {"unknown enumeration value", Form("  Shape = fsOval\n"), 2, "Invalid property value"},
        {"unknown set element", Form("  Options = [foBold, foNope]\n"), 2, "Invalid property value"},
        {"set without brackets", Form("  Options = foBold\n"), 2, "Invalid property value"},
        {"unclosed set", Form("  Options = [foBold\n"), 3, "Invalid property value"},
        {"identifier for float", Form("  Dbl = abc\n"), 2, "Invalid property value"},
        {"hex for float", Form("  Dbl = $10\n"), 2, "Invalid property value"},
        {"value for a sub-object", Form("  Font = 'Arial'\n"), 2, "Invalid property value"},
        {"value for a string list", Form("  Lines = 'x'\n"), 2, "Invalid property value"},
        {"non-string in a string list", Form("  Lines.Strings = (\n    'a'\n    5)\n"), 4, "Invalid property value"},
        {"unknown part of a string list", Form("  Lines.Items = ('a')\n"), 2, "Property Lines.Items does not exist"},
        {"event", Form("  OnChange = Form1Change\n"), 2, "Invalid property value"},
        {"int8 too big", Form("  I8 = 128\n"), 2, "Value out of range for I8"},
        {"uint8 negative", Form("  U8 = -1\n"), 2, "Value out of range for U8"},
        {"uint32 too big", Form("  U32 = 4294967296\n"), 2, "Value out of range for U32"},
        {"int64 too big", Form("  I64 = 9223372036854775808\n"), 2, "Value out of range for I64"},
        {"uint64 negative", Form("  U64 = -1\n"), 2, "Value out of range for U64"},
        {"huge number", Form("  I32 = 1\n  I64 = 99999999999999999999999999999\n"), 3, "Value out of range for I64"},
        {"huge hex number", Form("  U64 = $1FFFFFFFFFFFFFFFF\n"), 2, "Value out of range for U64"},
        {"huge float", Form("  Dbl = 1e99999\n"), 2, "Value out of range for Dbl"},
        {"float too big for single", Form("  Single = 1e39\n"), 2, "Value out of range for Single"},
        {"bad number", Form("  I32 = 12abc\n"), 2, "Invalid number"},
        {"lonely dollar", Form("  I32 = $\n"), 2, "Invalid number"},
        {"bad character", Form("  I32 = 5 @\n"), 2, "Invalid character '@'"},
        {"NUL byte", Form(std::string("  I32 = 5\n  \0\n", 13)), 3, "Invalid character #0"},
        {"unterminated string", Form("  Caption = 'abc\n"), 2, "Unterminated string"},
        {"unterminated string at the end", "object Form1: TFtForm\n  Caption = 'abc", 2, "Unterminated string"},
        {"missing continuation", Form("  Caption = 'abc' +\n  I32 = 1\n"), 3, "Invalid property value"},
        {"bad character code", Form("  Caption = #1114112\n"), 2, "Invalid character code"},
        {"code without digits", Form("  Caption = 'a'#\n"), 2, "Invalid character code"},
        {"lone surrogate", Form("  Caption = #56832\n"), 2, "Invalid character code"},
        {"unterminated binary", "object Form1: TFtForm\n  Blob = {\n    0A0B\n", 2, "Unterminated binary value"},
        {"odd hex digits", Form("  Blob = {\n    0A0B0\n  }\n"), 4, "Odd number of hex digits"},
        {"bad hex digit", Form("  Blob = {\n    0A0G}\n"), 3, "Invalid binary value"},
        {"binary for integer", Form("  I32 = {00}\n"), 2, "Invalid property value"},
        {"integer for binary", Form("  Blob = 12\n"), 2, "Invalid property value"},
        {"short binary", Form("  I32 = 0\n  Magic = {0102}\n"), 3, "Error reading Form1.Magic: "},
        {"bad defined list", Form("  Points = (\n    (1 2)\n    (3))\n"), 4, "Invalid property value"},
        {"defined value not read to its end", Form("  Points = ((1 2 3))\n"), 2, "Invalid property value"},
        {"unknown defined property of a sub-object", Form("  Font.Border.Dots = (1)\n"), 2,
         "Property Font.Border.Dots does not exist"},
        {"setter exception", Form("  I32 = 1\n  Limit = -5\n"), 3,
         "Error reading Form1.Limit: Limit must not be negative"},
        {"unresolved reference", Form("  Source = Nobody\n  I32 = 1\n"), 2, "Unresolved reference Nobody in Form1.Source"},
        {"reference to the root of the wrong class", Form("  Source = Form1\n"), 2, "Invalid property value"},
        {"reference to a sibling of the wrong class",
         Form("  object P: TFtPanel\n  end\n  object C: TFtChild\n    Partner = P\n  end\n"), 5,
         "Invalid property value"},
        {"forward reference of the wrong class",
         Form("  Source = P\n  object P: TFtPanel\n  end\n"), 2, "Invalid property value"},
        {"reference as a string", Form("  Source = 'Child1'\n"), 2, "Invalid property value"},
        {"duplicate child", Form("  object C: TFtChild\n  end\n  object C: TFtChild\n  end\n"), 4,
         "A component named C already exists"},
        {"child named like the root's name", Form("  object Form1: TFtPanel\n  end\n  object Form1: TFtChild\n  end\n"),
         4, "A component named Form1 already exists"},
        {"property after a child", Form("  object C: TFtChild\n  end\n  I32 = 1\n"), 4, "'end' expected"},
        {"text after the end", Form("") + "object Again: TFtForm\nend\n", 3, "End of file expected"},
        {"missing class", "object Form1: 5\nend\n", 1, "Identifier expected"},
        {"Loaded fails", Form("  object C: TFtChild\n    Text = 'fail in Loaded'\n  end\n"), 2,
         "Error loading C: the child refuses"},
        {"deep objects", deepObjects, 257, "Objects nested too deeply"},
        {"deep lists", Form("  Ignored = " + std::string(100000, '(') + "\n"), 2, "Lists nested too deeply"},
        {"deep defined lists", Form("  Points = " + std::string(100000, '(') + "\n"), 2, "Invalid property value"},
        {"deep property path", [] {
             std::string s = "  Font";
             for (int i = 0; i < 100000; ++i) s += ".Font";
             return Form(s + " = 1\n");
         }(),
         2, "Property path nested too deeply"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TFtForm root(nullptr);
        root.SetName("Form1");
        auto* existing = new TFtChild(&root);
        existing->SetName("Child1");
        root.Font->SetName("Before");
        try {
            StringToComponent(c.Text, &root);
            ADD_FAILURE() << "no exception";
        } catch (const EReadError& e) {
            const std::string expected = "Line " + std::to_string(c.Line) + ": " + c.Message;
            EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected) << e.what();
        }
        // The root and the components it had are intact and no longer loading;
        // whatever the read created is gone.
        ASSERT_EQ(root.ComponentCount(), 1);
        EXPECT_EQ(root.Components(0), existing);
        EXPECT_FALSE(root.IsLoading());
        EXPECT_FALSE(root.ComponentState().Contains(csReading));
        EXPECT_FALSE(existing->IsLoading());
        EXPECT_FALSE(existing->ComponentState().Contains(csReading));
    }
}

TEST_F(FilerTest, FailedReadLeavesReusedComponentsAndFreesCreatedOnes) {
    TFtForm root(nullptr);
    auto* existing = new TFtChild(&root);
    existing->SetName("Child1");
    EXPECT_THROW(StringToComponent(Form("  object New1: TFtChild\n  end\n"
                                        "  object Child1: TFtChild\n    Value = 9\n  end\n"
                                        "  object New2: TFtPanel\n    Left = x\n  end\n"),
                                   &root),
                 EReadError);
    ASSERT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(root.Components(0), existing);
    EXPECT_EQ(existing->Value(), 9);  // values already set stay
    EXPECT_FALSE(existing->IsLoading());
    EXPECT_TRUE(LoadedLog.empty());  // nothing was Loaded

    // A kept component that was pointed at a component the failed read
    // created does not keep a dangling pointer.
    EXPECT_THROW(StringToComponent(Form("  object Made: TFtChild\n  end\n"
                                        "  object Child1: TFtChild\n    Partner = Made\n    Bogus = 1\n  end\n"),
                                   &root),
                 EReadError);
    ASSERT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(existing->Partner(), nullptr);
}

TEST_F(FilerTest, ClassMismatchOfAnExistingComponentIsRefused) {
    TFtForm root(nullptr);
    auto* existing = new TFtChild(&root);
    existing->SetName("Thing");
    try {
        StringToComponent(Form("  object Thing: TFtPanel\n  end\n"), &root);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Line 2: A component named Thing already exists");
    }
    EXPECT_EQ(root.ComponentCount(), 1);
}

TEST_F(FilerTest, ValueMethodsOutsideDefinePropertyRaise) {
    TStringStream s;
    TWriter w(s);
    EXPECT_THROW(w.WriteInteger(1), EWriteError);
    EXPECT_THROW(w.WriteListEnd(), EWriteError);
    TReader r(s);
    EXPECT_THROW(r.ReadInteger(), EReadError);
    EXPECT_THROW(r.NextValue(), EReadError);
}
