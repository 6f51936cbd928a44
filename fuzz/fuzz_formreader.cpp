// libFuzzer target: arbitrary bytes read as a form file into a root with a
// few property kinds, a sub-object, defined properties and two child
// classes.  Besides not crashing, the reader and the writer must agree: a
// form that was read is written, read again into a fresh root and written
// again, and both texts must be the same.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Filer.h"
#include "Lists.h"
#include "Streams.h"

using namespace vcl;

namespace fuzz_form {

VCL_ENUM(TFzKind, fkOne, fkTwo, fkThree)
using TFzKinds = Set<TFzKind>;

void Check(bool Condition) {
    if (!Condition) __builtin_trap();
}

class TFzStyle : public TPersistent {
    VCL_DECLARE_CLASS(TFzStyle)
public:
    std::string Face() const { return FFace; }
    void SetFace(const std::string& v) { FFace = v; }
    int8_t Size() const { return FSize; }
    void SetSize(int8_t v) { FSize = v; }
    std::vector<int64_t> Marks;

protected:
    void DefineProperties(TFiler& Filer) override {
        Filer.DefineProperty(
            "Marks",
            [this](TReader& r) {
                Marks.clear();
                r.ReadListBegin();
                while (!r.EndOfList()) Marks.push_back(r.ReadInt64());
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                for (int64_t m : Marks) w.WriteInteger(m);
                w.WriteListEnd();
            },
            !Marks.empty());
    }

private:
    std::string FFace = "Sans";
    int8_t FSize = 8;
};
VCL_PUBLISHED(TFzStyle, TPersistent) {
    B.Property("Face", &TFzStyle::Face, &TFzStyle::SetFace).DefaultStr("Sans");
    B.Property("Size", &TFzStyle::Size, &TFzStyle::SetSize).Default(8);
}

// Keeps a pointer to another component, cleared when that one goes.
class TFzLinked : public TComponent {
    VCL_DECLARE_CLASS(TFzLinked)
public:
    using TComponent::TComponent;
    TComponent* Link() const { return FLink; }
    void SetLink(TComponent* v) {
        if (FLink) FLink->RemoveFreeNotification(this);
        FLink = v;
        if (FLink) FLink->FreeNotification(this);
    }
    int32_t Value() const { return FValue; }
    void SetValue(int32_t v) { FValue = v; }

protected:
    void Notification(TComponent* C, TOperation Op) override {
        TComponent::Notification(C, Op);
        if (Op == opRemove && C == FLink) FLink = nullptr;
    }

private:
    TComponent* FLink = nullptr;
    int32_t FValue = 0;
};
VCL_PUBLISHED(TFzLinked, TComponent) {
    B.Property("Value", &TFzLinked::Value, &TFzLinked::SetValue).Default(0);
    B.Property("Link", &TFzLinked::Link, &TFzLinked::SetLink);
}

// A component placed inside the form or inside another panel.
class TFzPanel : public TFzLinked {
    VCL_DECLARE_CLASS(TFzPanel)
public:
    using TFzLinked::TFzLinked;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return FParent; }
    void SetParentComponent(TComponent* Value) override {
        // Only the form and panels hold panels.
        FParent = dynamic_cast<TFzPanel*>(Value) || (Value && Value == Owner()) ? Value : nullptr;
    }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override {
        for (int i = 0; i < Root->ComponentCount(); ++i)
            if (Root->Components(i)->GetParentComponent() == this) Proc(Root->Components(i));
    }

protected:
    void Notification(TComponent* C, TOperation Op) override {
        TFzLinked::Notification(C, Op);
        if (Op == opRemove && C == FParent) FParent = nullptr;
    }

private:
    TComponent* FParent = nullptr;
};
VCL_PUBLISHED(TFzPanel, TFzLinked) {}

class TFzForm : public TFzLinked {
    VCL_DECLARE_CLASS(TFzForm)
public:
    using TFzLinked::TFzLinked;
    bool Flag = false;
    TFzKind Kind = fkOne;
    TFzKinds Kinds;
    uint16_t Small = 0;
    int64_t Big = 0;
    float F = 0;
    double D = 0;
    long double E = 0;
    std::string Caption;
    std::unique_ptr<TStringList> Lines = std::make_unique<TStringList>();
    std::unique_ptr<TFzStyle> Style = std::make_unique<TFzStyle>();
    std::vector<uint8_t> Data;

    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) {
            TComponent* c = Components(i);
            if (!c->HasParent() || c->GetParentComponent() == this || !c->GetParentComponent()) Proc(c);
        }
    }

protected:
    void DefineProperties(TFiler& Filer) override {
        Filer.DefineBinaryProperty(
            "Data",
            [this](TStream& s) {
                Data.resize(static_cast<size_t>(s.Size()));
                s.ReadBuffer(Data.data(), s.Size());
            },
            [this](TStream& s) { s.WriteBuffer(Data.data(), static_cast<Int64>(Data.size())); }, !Data.empty());
    }
};

#define FZ_FIELD(Field) [](const TFzForm& f) { return f.Field; }, [](TFzForm& f, decltype(TFzForm::Field) v) { f.Field = v; }

VCL_PUBLISHED(TFzForm, TFzLinked) {
    B.Property("Flag", FZ_FIELD(Flag)).Default(0);
    B.Property("Kind", FZ_FIELD(Kind)).Default(fkOne);
    B.Property("Kinds", FZ_FIELD(Kinds));
    B.Property("Small", FZ_FIELD(Small));
    B.Property("Big", FZ_FIELD(Big)).Default(0);
    B.Property("F", FZ_FIELD(F));
    B.Property("D", FZ_FIELD(D)).DefaultFloat(0);
    B.Property("E", FZ_FIELD(E));
    B.Property("Caption", [](const TFzForm& f) { return f.Caption; },
               [](TFzForm& f, const std::string& v) { f.Caption = v; });
    B.Property("Lines", [](const TFzForm& f) { return f.Lines.get(); },
               [](TFzForm& f, TStringList* v) { f.Lines->Assign(*v); });
    B.Property("Style", [](const TFzForm& f) { return f.Style.get(); },
               [](TFzForm& f, TFzStyle* v) { f.Style->SetFace(v->Face()); });
}

}  // namespace fuzz_form

using namespace fuzz_form;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const bool registered = [] {
        RegisterClasses({&TFzForm::StaticClass(), &TFzLinked::StaticClass(), &TFzPanel::StaticClass()});
        return true;
    }();
    (void)registered;

    TFzForm root(nullptr);
    TStringStream input(std::string(reinterpret_cast<const char*>(Data), Size));
    try {
        ReadComponent(input, &root);
    } catch (const Exception&) {
        // Refused: the root survives, with nothing left loading.
        Check(!root.IsLoading());
        for (int i = 0; i < root.ComponentCount(); ++i) Check(!root.Components(i)->IsLoading());
        return 0;
    }
    // Accepted: what is written reads back to the same text.
    const std::string first = ComponentToString(&root);
    TFzForm copy(nullptr);
    StringToComponent(first, &copy);
    Check(ComponentToString(&copy) == first);
    return 0;
}
