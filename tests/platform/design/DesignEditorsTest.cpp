// Property editors and the headless designer: values as text, value lists,
// sub-properties, multi-selection, editor registration, component naming.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DesignEditors.h"
#include "DesignerHost.h"
#include "Graphics.h"

namespace cvtest_design {

using namespace vcl;

VCL_ENUM(TGizmoShape, gsCircle, gsSquare, gsTriangle)
VCL_ENUM(TGizmoOption, goBold, goItalic, goUnderline)

class TGizmoFrame : public TPersistent {
    VCL_DECLARE_CLASS(TGizmoFrame)
public:
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t v) { FWidth = v; }
    std::string Label() const { return FLabel; }
    void SetLabel(const std::string& v) { FLabel = v; }
    void Assign(const TPersistent* Source) override {
        if (auto* f = dynamic_cast<const TGizmoFrame*>(Source)) {
            FWidth = f->FWidth;
            FLabel = f->FLabel;
            return;
        }
        TPersistent::Assign(Source);
    }

private:
    int32_t FWidth = 1;
    std::string FLabel;
};
VCL_PUBLISHED(TGizmoFrame, TPersistent) {
    B.Property("Width", &TGizmoFrame::Width, &TGizmoFrame::SetWidth);
    B.Property("Label", &TGizmoFrame::Label, &TGizmoFrame::SetLabel);
}

class TGizmo : public TComponent {
    VCL_DECLARE_CLASS(TGizmo)
public:
    explicit TGizmo(TComponent* AOwner) : TComponent(AOwner), FFrame(std::make_unique<TGizmoFrame>()) {}
    ~TGizmo() override { SetBuddy(nullptr); }

    uint8_t Level() const { return FLevel; }
    void SetLevel(uint8_t v) { FLevel = v; }
    int16_t Offset() const { return FOffset; }
    void SetOffset(int16_t v) { FOffset = v; }
    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    TGizmoShape Shape() const { return FShape; }
    void SetShape(TGizmoShape v) { FShape = v; }
    Set<TGizmoOption> Options() const { return FOptions; }
    void SetOptions(Set<TGizmoOption> v) { FOptions = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    std::string Caption() const { return FCaption; }
    void SetCaption(const std::string& v) {
        if (RefuseCaption) throw EInvalidOperation(Name() + " refuses a caption");
        FCaption = v;
    }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    TGizmoFrame* Frame() const { return FFrame.get(); }
    void SetFrame(TGizmoFrame* v) { FFrame->Assign(v); }
    TGizmo* Buddy() const { return FBuddy; }
    void SetBuddy(TGizmo* v) {
        if (FBuddy == v) return;
        if (FBuddy) FBuddy->RemoveFreeNotification(this);
        FBuddy = v;
        if (FBuddy) FBuddy->FreeNotification(this);
    }

    bool RefuseCaption = false;
    int Executed = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
    }

private:
    uint8_t FLevel = 0;
    int16_t FOffset = 0;
    bool FActive = false;
    TGizmoShape FShape = gsCircle;
    Set<TGizmoOption> FOptions{goBold};
    double FRatio = 1.0;
    std::string FCaption;
    TColor FColor = clBtnFace;
    std::unique_ptr<TGizmoFrame> FFrame;
    TGizmo* FBuddy = nullptr;
};
VCL_PUBLISHED(TGizmo, TComponent) {
    B.Property("Level", &TGizmo::Level, &TGizmo::SetLevel);
    B.Property("Offset", &TGizmo::Offset, &TGizmo::SetOffset);
    B.Property("Active", &TGizmo::Active, &TGizmo::SetActive);
    B.Property("Shape", &TGizmo::Shape, &TGizmo::SetShape);
    B.Property("Options", &TGizmo::Options, &TGizmo::SetOptions);
    B.Property("Ratio", &TGizmo::Ratio, &TGizmo::SetRatio);
    B.Property("Caption", &TGizmo::Caption, &TGizmo::SetCaption);
    B.Property("Color", &TGizmo::Color, &TGizmo::SetColor).Idents(ColorIdents());
    B.Property("Frame", &TGizmo::Frame, &TGizmo::SetFrame);
    B.Property("Buddy", &TGizmo::Buddy, &TGizmo::SetBuddy);
}

class TSpecialGizmo : public TGizmo {
    VCL_DECLARE_CLASS(TSpecialGizmo)
public:
    using TGizmo::TGizmo;
};
VCL_PUBLISHED(TSpecialGizmo, TGizmo) {}

// Publishes Caption and Active of its own: a multi-selection with a TGizmo
// must reach each object through its own class's accessors.
class TWidget : public TComponent {
    VCL_DECLARE_CLASS(TWidget)
public:
    using TComponent::TComponent;
    int32_t Padding() const { return FPadding; }
    void SetPadding(int32_t v) { FPadding = v; }
    std::string Caption() const { return FCaption; }
    void SetCaption(const std::string& v) { FCaption = v; }
    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }

private:
    int32_t FPadding = 0;
    std::string FCaption;
    bool FActive = true;
};
VCL_PUBLISHED(TWidget, TComponent) {
    B.Property("Padding", &TWidget::Padding, &TWidget::SetPadding);
    B.Property("Caption", &TWidget::Caption, &TWidget::SetCaption);
    B.Property("Active", &TWidget::Active, &TWidget::SetActive);
}

class TAbstractGizmo : public TComponent {
    VCL_DECLARE_CLASS(TAbstractGizmo)
public:
    using TComponent::TComponent;
    virtual void Run() = 0;
};
VCL_PUBLISHED(TAbstractGizmo, TComponent) {}

// An editor that shows a fixed marker, to see which registration won.
class TMarkerProperty : public TPropertyEditor {
public:
    TMarkerProperty(IDesigner* Designer, std::vector<TPropEntry> Props, std::string Marker)
        : TPropertyEditor(Designer, std::move(Props)), FMarker(std::move(Marker)) {}
    TPropertyAttributes GetAttributes() const override { return {paMultiSelect, paReadOnly}; }
    std::string GetValue() const override { return FMarker; }

private:
    std::string FMarker;
};

void RegisterMarker(const TPropertyType& Type, const TMetaClass* Class, const std::string& Name,
                    const std::string& Marker) {
    RegisterPropertyEditor(Type, Class, Name, [Marker](IDesigner* D, std::vector<TPropEntry> P) {
        return std::make_unique<TMarkerProperty>(D, std::move(P), Marker);
    });
}

// A dialog-style editor: an ellipsis button that runs the component.
class TRunProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override { return {paDialog, paMultiSelect, paReadOnly}; }
    std::string GetValue() const override { return "[ " + GetComponent(0)->ClassName() + " ]"; }
    void Edit() override { ++dynamic_cast<TGizmo&>(*GetComponent(0)).Executed; }
};

class DesignerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearPropertyEditors();
        RegisterClasses({&TGizmo::StaticClass(), &TSpecialGizmo::StaticClass(), &TWidget::StaticClass()});
        Root = std::make_unique<TComponent>(nullptr);
        Root->SetName("Form1");
        Host = std::make_unique<TDesignerHost>(Root.get());
        G1 = static_cast<TGizmo*>(Host->CreateComponent(TGizmo::StaticClass()));
        G2 = static_cast<TGizmo*>(Host->CreateComponent(TGizmo::StaticClass()));
        W1 = static_cast<TWidget*>(Host->CreateComponent(TWidget::StaticClass()));
    }
    void TearDown() override {
        Host.reset();
        Root.reset();
        ClearPropertyEditors();
    }

    std::vector<std::string> RowNames(const std::string& Parent = "") const {
        std::vector<std::string> names;
        for (const auto& r : Host->Rows(Parent)) names.push_back(r.Name);
        return names;
    }
    TPropertyAttributes Attributes(const std::string& Name) const {
        for (const auto& r : Host->Rows())
            if (r.Name == Name) return r.Attributes;
        ADD_FAILURE() << "no row " << Name;
        return {};
    }

    std::unique_ptr<TComponent> Root;
    std::unique_ptr<TDesignerHost> Host;
    TGizmo* G1 = nullptr;
    TGizmo* G2 = nullptr;
    TWidget* W1 = nullptr;
};

// ---------------------------------------------------------------------------
// Standard editors

enum class TBad { None, Convert, Property };

struct TEditCase {
    const char* Row;
    const char* Initial;
    const char* Text;
    const char* After;
    const char* BadText;
    TBad BadKind;
};

void PrintTo(const TEditCase& c, std::ostream* os) { *os << c.Row << " <- \"" << c.Text << "\""; }

class StandardEditorTest : public DesignerTest, public ::testing::WithParamInterface<TEditCase> {};

TEST_P(StandardEditorTest, RoundTripAndRejectsBadTextWithoutWriting) {
    const TEditCase& c = GetParam();
    Host->Select({G1});
    EXPECT_EQ(Host->RowValue(c.Row), c.Initial);
    const int before = Host->ModifiedCount();
    Host->SetRowValue(c.Row, c.Text);
    EXPECT_EQ(Host->RowValue(c.Row), c.After);
    EXPECT_EQ(Host->ModifiedCount(), before + 1);
    if (c.BadKind == TBad::None) return;
    if (c.BadKind == TBad::Convert)
        EXPECT_THROW(Host->SetRowValue(c.Row, c.BadText), EConvertError) << c.BadText;
    else
        EXPECT_THROW(Host->SetRowValue(c.Row, c.BadText), EPropertyError) << c.BadText;
    EXPECT_EQ(Host->RowValue(c.Row), c.After);
    EXPECT_EQ(Host->ModifiedCount(), before + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, StandardEditorTest,
    ::testing::Values(TEditCase{"Level", "0", "255", "255", "256", TBad::Property},
                      TEditCase{"Level", "0", " 17 ", "17", "-1", TBad::Property},
                      TEditCase{"Level", "0", "$10", "16", "ten", TBad::Convert},
                      TEditCase{"Offset", "0", "-32768", "-32768", "32768", TBad::Property},
                      TEditCase{"Active", "False", "true", "True", "yes", TBad::Property},
                      TEditCase{"Shape", "gsCircle", "GSTRIANGLE", "gsTriangle", "gsHexagon", TBad::Property},
                      TEditCase{"Options", "[goBold]", "[goItalic, goUnderline]", "[goItalic,goUnderline]",
                                "[goItalic,goStrike]", TBad::Property},
                      TEditCase{"Options", "[goBold]", "[]", "[]", "[goBold,,goItalic]", TBad::Property},
                      TEditCase{"Options", "[goBold]", "goUnderline,goBold", "[goBold,goUnderline]", "[goBold",
                                TBad::Property},
                      TEditCase{"Ratio", "1", "2.5", "2.5", "2,5x", TBad::Convert},
                      TEditCase{"Caption", "", "Hello, World", "Hello, World", "", TBad::None},
                      TEditCase{"Color", "clBtnFace", "clred", "clRed", "reddish", TBad::Convert},
                      TEditCase{"Color", "clBtnFace", "$00123456", "$00123456", "$", TBad::Convert}));

TEST_F(DesignerTest, StandardEditorClassesFollowThePropertyKind) {
    Host->Select({G1});
    struct {
        const char* Row;
        bool (*Is)(const TPropertyEditor*);
    } cases[] = {
        {"Name", [](const TPropertyEditor* e) { return dynamic_cast<const TComponentNameProperty*>(e) != nullptr; }},
        {"Level", [](const TPropertyEditor* e) { return dynamic_cast<const TIntegerProperty*>(e) != nullptr; }},
        {"Active", [](const TPropertyEditor* e) { return dynamic_cast<const TBoolProperty*>(e) != nullptr; }},
        {"Shape", [](const TPropertyEditor* e) { return dynamic_cast<const TEnumProperty*>(e) != nullptr; }},
        {"Options", [](const TPropertyEditor* e) { return dynamic_cast<const TSetProperty*>(e) != nullptr; }},
        {"Ratio", [](const TPropertyEditor* e) { return dynamic_cast<const TFloatProperty*>(e) != nullptr; }},
        {"Caption", [](const TPropertyEditor* e) { return dynamic_cast<const TStringProperty*>(e) != nullptr; }},
        {"Color", [](const TPropertyEditor* e) { return dynamic_cast<const TColorProperty*>(e) != nullptr; }},
        {"Frame", [](const TPropertyEditor* e) { return dynamic_cast<const TClassProperty*>(e) != nullptr; }},
        {"Buddy", [](const TPropertyEditor* e) { return dynamic_cast<const TComponentProperty*>(e) != nullptr; }},
    };
    for (const auto& c : cases) {
        auto editor = Host->RowEditor(c.Row);
        EXPECT_TRUE(c.Is(editor.get())) << c.Row;
    }
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Name", "Tag", "Level", "Offset", "Active", "Shape", "Options",
                                                    "Ratio", "Caption", "Color", "Frame", "Buddy"}));
}

TEST_F(DesignerTest, AttributesAndValueLists) {
    Host->Select({G1});
    EXPECT_TRUE(Attributes("Shape").Contains(paValueList));
    EXPECT_TRUE(Attributes("Shape").Contains(paSortList));
    EXPECT_FALSE(Attributes("Active").Contains(paSortList));
    EXPECT_TRUE(Attributes("Options").Contains(paSubProperties));
    EXPECT_TRUE(Attributes("Frame").Contains(paSubProperties));
    EXPECT_TRUE(Attributes("Frame").Contains(paReadOnly));
    EXPECT_FALSE(Attributes("Caption").Contains(paValueList));

    EXPECT_EQ(Host->RowValues("Shape"), (std::vector<std::string>{"gsCircle", "gsSquare", "gsTriangle"}));
    EXPECT_EQ(Host->RowValues("Active"), (std::vector<std::string>{"False", "True"}));
    EXPECT_TRUE(Host->RowValues("Caption").empty());
    const auto colors = Host->RowValues("Color");
    ASSERT_FALSE(colors.empty());
    EXPECT_NE(std::find(colors.begin(), colors.end(), "clRed"), colors.end());
    EXPECT_NE(std::find(colors.begin(), colors.end(), "clBtnFace"), colors.end());
}

TEST_F(DesignerTest, ValueListEditCyclesAndWraps) {
    Host->Select({G1});
    Host->EditRow("Shape");
    EXPECT_EQ(G1->Shape(), gsSquare);
    Host->EditRow("Shape");
    Host->EditRow("Shape");
    EXPECT_EQ(G1->Shape(), gsCircle);
    Host->EditRow("Active");
    EXPECT_TRUE(G1->Active());
    // A plain string row has nothing to cycle through.
    G1->SetCaption("x");
    Host->EditRow("Caption");
    EXPECT_EQ(G1->Caption(), "x");
}

TEST_F(DesignerTest, SetElementsAreBooleanSubRowsThatKeepTheOtherElements) {
    Host->Select({G1, G2});
    G2->SetOptions({goUnderline});
    EXPECT_EQ(RowNames("Options"), (std::vector<std::string>{"goBold", "goItalic", "goUnderline"}));
    const auto rows = Host->Rows("Options");
    EXPECT_EQ(rows[0].Value, "");  // G1 has goBold, G2 has not
    EXPECT_EQ(rows[1].Value, "False");
    Host->SetRowValue("options.goItalic", "True");
    EXPECT_EQ(G1->Options(), (Set<TGizmoOption>{goBold, goItalic}));
    EXPECT_EQ(G2->Options(), (Set<TGizmoOption>{goItalic, goUnderline}));
    EXPECT_THROW(Host->SetRowValue("Options.goItalic", "maybe"), EPropertyError);
    EXPECT_THROW(Host->SetRowValue("Options.goStrike", "True"), EPropertyError);
    EXPECT_EQ(G1->Options(), (Set<TGizmoOption>{goBold, goItalic}));
}

TEST_F(DesignerTest, ClassPropertyExpandsIntoTheSubObject) {
    Host->Select({G1});
    EXPECT_EQ(Host->RowValue("Frame"), "(TGizmoFrame)");
    EXPECT_EQ(RowNames("Frame"), (std::vector<std::string>{"Width", "Label"}));
    Host->SetRowValue("Frame.Width", "7");
    Host->SetRowValue("Frame.Label", "edge");
    EXPECT_EQ(G1->Frame()->Width(), 7);
    EXPECT_EQ(G1->Frame()->Label(), "edge");
    EXPECT_EQ(Host->RowValue("Frame.Width"), "7");
    EXPECT_THROW(Host->SetRowValue("Frame", "(TGizmoFrame)"), EPropertyError);
    EXPECT_THROW(Host->RowValue("Frame.Height"), EPropertyError);
    EXPECT_THROW(Host->RowValue("Caption.Length"), EPropertyError);
}

TEST_F(DesignerTest, AccessorOfTheWrongKindIsAnErrorNotACrash) {
    Host->Select({G1});
    auto caption = Host->RowEditor("Caption");
    EXPECT_THROW(caption->GetOrdValue(), EPropertyError);
    EXPECT_THROW(caption->SetFloatValue(1), EPropertyError);
    auto shape = Host->RowEditor("Shape");
    EXPECT_THROW(shape->SetOrdValue(3), EPropertyError);  // no such enumeration value
    auto options = Host->RowEditor("Options");
    EXPECT_THROW(options->SetOrdValue(8), EPropertyError);  // bit of a fourth element
    EXPECT_EQ(G1->Shape(), gsCircle);
    EXPECT_EQ(G1->Options(), (Set<TGizmoOption>{goBold}));
    EXPECT_THROW(TPropertyEditor(Host.get(), std::vector<TPropEntry>{}), EPropertyError);
}

// ---------------------------------------------------------------------------
// Multi-selection

TEST_F(DesignerTest, MultiSelectionShowsCommonPropertiesAndWritesAll) {
    G1->SetCaption("one");
    G2->SetCaption("two");
    W1->SetCaption("three");
    Host->Select({G1, W1});
    // Name has no multi-select; Padding and Level belong to one class only.
    // In the published order of the first selected object.
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Tag", "Active", "Caption"}));
    EXPECT_EQ(Host->RowValue("Caption"), "");
    EXPECT_FALSE(Host->RowEditor("Caption")->AllEqual());
    Host->SetRowValue("Caption", "same");
    Host->SetRowValue("Active", "True");
    EXPECT_EQ(G1->Caption(), "same");
    EXPECT_EQ(W1->Caption(), "same");
    EXPECT_TRUE(G1->Active());
    EXPECT_TRUE(W1->Active());
    EXPECT_EQ(Host->RowValue("Caption"), "same");
    EXPECT_TRUE(Host->RowEditor("Caption")->AllEqual());
    EXPECT_EQ(G2->Caption(), "two");
}

TEST_F(DesignerTest, FailedWriteOnOneObjectLeavesAllUnchanged) {
    G1->SetCaption("one");
    G2->SetCaption("two");
    G2->RefuseCaption = true;
    Host->Select({G1, G2});
    const int before = Host->ModifiedCount();
    EXPECT_THROW(Host->SetRowValue("Caption", "new"), EInvalidOperation);
    EXPECT_EQ(G1->Caption(), "one");
    EXPECT_EQ(G2->Caption(), "two");
    EXPECT_EQ(Host->ModifiedCount(), before);
}

TEST_F(DesignerTest, SubObjectsOfSeveralComponentsAreEditedTogether) {
    Host->Select({G1, G2});
    G2->Frame()->SetWidth(5);
    EXPECT_EQ(Host->RowValue("Frame.Width"), "");
    Host->SetRowValue("Frame.Width", "9");
    EXPECT_EQ(G1->Frame()->Width(), 9);
    EXPECT_EQ(G2->Frame()->Width(), 9);
}

// ---------------------------------------------------------------------------
// Registration

TEST_F(DesignerTest, RegistrationSpecificity) {
    struct TCase {
        const char* What;
        TPersistent* Object;
        const char* Row;
        const char* Expected;
    };
    auto* special = static_cast<TSpecialGizmo*>(Host->CreateComponent(TSpecialGizmo::StaticClass()));
    RegisterMarker(TPropertyType::Of<std::string>(), nullptr, "", "any string");
    RegisterMarker(TPropertyType::Of<std::string>(), &TGizmo::StaticClass(), "", "gizmo string");
    RegisterMarker(TPropertyType::Of<std::string>(), nullptr, "caption", "named caption");
    RegisterMarker(TPropertyType::Of<std::string>(), &TGizmo::StaticClass(), "Caption", "gizmo caption");
    RegisterMarker(TPropertyType::Of<std::string>(), &TSpecialGizmo::StaticClass(), "", "special string");
    RegisterMarker(TPropertyType::OfKind(tkInteger), nullptr, "", "integer");
    RegisterMarker(TPropertyType::Color(), nullptr, "", "colour");
    RegisterMarker(TPropertyType::Of<uint8_t>(), nullptr, "", "byte");
    RegisterMarker(TPropertyType::Of<TGizmoShape>(), nullptr, "", "shape");
    RegisterMarker(TPropertyType::Of<TGizmoFrame*>(), nullptr, "", "frame");
    RegisterMarker(TPropertyType::Of<Set<TGizmoOption>>(), &TGizmo::StaticClass(), "", "options 1");
    RegisterMarker(TPropertyType::Of<Set<TGizmoOption>>(), &TGizmo::StaticClass(), "", "options 2");
    const TCase cases[] = {
        {"class and name beat the rest", G1, "Caption", "gizmo caption"},
        {"descendant matches the class and name", special, "Caption", "gizmo caption"},
        {"name beats class", W1, "Caption", "named caption"},
        {"class beats type; most derived class", special, "Name", "special string"},
        {"registered class applies to its own", G1, "Name", "gizmo string"},
        {"type only", Root.get(), "Name", "any string"},
        {"colour beats any integer", G1, "Color", "colour"},
        {"storage type beats kind", G1, "Level", "byte"},
        {"kind", G1, "Offset", "integer"},
        {"kind for a 32-bit integer", W1, "Padding", "integer"},
        {"enumeration type", G1, "Shape", "shape"},
        {"class type", G1, "Frame", "frame"},
        {"later wins a tie", G1, "Options", "options 2"},
    };
    for (const TCase& c : cases) {
        Host->Select({c.Object});
        EXPECT_EQ(Host->RowValue(c.Row), c.Expected) << c.What;
    }
    // Booleans had no registration: the standard editor.
    Host->Select({G1});
    EXPECT_EQ(Host->RowValue("Active"), "False");

    UnregisterPropertyEditors(&TGizmo::StaticClass());
    EXPECT_EQ(Host->RowValue("Caption"), "named caption");
    ClearPropertyEditors();
    G1->SetCaption("plain");
    EXPECT_EQ(Host->RowValue("Caption"), "plain");
}

TEST_F(DesignerTest, DifferentEditorsHideARowInAMultiSelection) {
    RegisterMarker(TPropertyType::Of<std::string>(), &TGizmo::StaticClass(), "Caption", "gizmo caption");
    Host->Select({G1, W1});
    const auto names = RowNames();
    EXPECT_EQ(std::find(names.begin(), names.end(), "Caption"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Active"), names.end());
}

TEST_F(DesignerTest, DialogEditorRunsThroughEditRowForDescendantsToo) {
    RegisterPropertyEditor<TRunProperty>(TPropertyType::Of<bool>(), &TGizmo::StaticClass(), "Active");
    auto* special = static_cast<TSpecialGizmo*>(Host->CreateComponent(TSpecialGizmo::StaticClass()));
    Host->Select({special});
    EXPECT_EQ(Host->RowValue("Active"), "[ TSpecialGizmo ]");
    EXPECT_TRUE(Attributes("Active").Contains(paDialog));
    Host->EditRow("Active");
    EXPECT_EQ(special->Executed, 1);
    EXPECT_THROW(Host->SetRowValue("Active", "True"), EPropertyError);
    EXPECT_FALSE(special->Active());
    // Not for other classes' Booleans.
    Host->Select({W1});
    EXPECT_EQ(Host->RowValue("Active"), "True");
    // Multi-selection keeps the row: it has paMultiSelect.
    Host->Select({G1, special});
    Host->EditRow("Active");
    EXPECT_EQ(G1->Executed, 1);
}

TEST_F(DesignerTest, EditorWithoutMultiSelectIsHiddenForSeveralObjects) {
    RegisterPropertyEditor(TPropertyType::Of<int16_t>(), nullptr, "",
                           [](IDesigner* D, std::vector<TPropEntry> P) -> std::unique_ptr<TPropertyEditor> {
                               return std::make_unique<TPropertyEditor>(D, std::move(P));
                           });
    Host->Select({G1});
    EXPECT_EQ(Host->RowValue("Offset"), "(unknown)");
    Host->Select({G1, G2});
    const auto names = RowNames();
    EXPECT_EQ(std::find(names.begin(), names.end(), "Offset"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Level"), names.end());
}

// ---------------------------------------------------------------------------
// Component references

TEST_F(DesignerTest, ComponentReferenceThroughTheValueList) {
    auto* special = static_cast<TSpecialGizmo*>(Host->CreateComponent(TSpecialGizmo::StaticClass()));
    Host->Select({G1});
    EXPECT_EQ(Host->RowValue("Buddy"), "");
    // Gizmos and their descendants, not the widget; sorted.
    EXPECT_EQ(Host->RowValues("Buddy"), (std::vector<std::string>{"Gizmo1", "Gizmo2", "SpecialGizmo1"}));
    Host->SetRowValue("Buddy", "gizmo2");
    EXPECT_EQ(G1->Buddy(), G2);
    EXPECT_EQ(Host->RowValue("Buddy"), "Gizmo2");
    Host->SetRowValue("Buddy", "SpecialGizmo1");
    EXPECT_EQ(G1->Buddy(), special);
    EXPECT_THROW(Host->SetRowValue("Buddy", "Widget1"), EPropertyError);
    EXPECT_THROW(Host->SetRowValue("Buddy", "Nobody"), EPropertyError);
    EXPECT_EQ(G1->Buddy(), special);
    Host->SetRowValue("Buddy", "");
    EXPECT_EQ(G1->Buddy(), nullptr);
}

// ---------------------------------------------------------------------------
// The designer itself

TEST_F(DesignerTest, CreatesUniquelyNamedDesigningComponents) {
    EXPECT_EQ(G1->Name(), "Gizmo1");
    EXPECT_EQ(G2->Name(), "Gizmo2");
    EXPECT_EQ(W1->Name(), "Widget1");
    EXPECT_TRUE(Root->IsDesigning());
    EXPECT_TRUE(G1->IsDesigning());
    auto* named = new TGizmo(Root.get());
    named->SetName("Gizmo3");
    TComponent* next = Host->CreateComponent("TGizmo");
    EXPECT_EQ(next->Name(), "Gizmo4");
    EXPECT_TRUE(next->IsDesigning());
    // Unique across the design: a component owned by another one counts.
    TComponent* inner = Host->CreateComponent(TWidget::StaticClass(), G1);
    EXPECT_EQ(inner->Owner(), G1);
    EXPECT_EQ(inner->Name(), "Widget2");
    EXPECT_EQ(Host->UniqueName("TButton"), "Button1");
    EXPECT_EQ(Host->UniqueName("Gizmo"), "Gizmo5");
    EXPECT_EQ(Host->UniqueName("T"), "T1");
    EXPECT_THROW(Host->UniqueName("Not a name"), EInvalidOperation);
}

TEST_F(DesignerTest, CreateComponentErrors) {
    const int count = Root->ComponentCount();
    EXPECT_THROW(Host->CreateComponent(TAbstractGizmo::StaticClass()), EInvalidOperation);
    EXPECT_THROW(Host->CreateComponent(TGizmoFrame::StaticClass()), EInvalidOperation);
    EXPECT_THROW(Host->CreateComponent("TNoSuchGizmo"), EClassNotFound);
    TComponent outsider(nullptr);
    EXPECT_THROW(Host->CreateComponent(TGizmo::StaticClass(), &outsider), EInvalidOperation);
    EXPECT_EQ(Root->ComponentCount(), count);
    EXPECT_EQ(outsider.ComponentCount(), 0);
}

TEST_F(DesignerTest, ModifiedCountsSuccessfulChangesAndCallsTheHandler) {
    int calls = 0;
    Host->SetOnModified([&] { ++calls; });
    const int before = Host->ModifiedCount();
    Host->Select({G1});
    Host->SetRowValue("Level", "3");
    EXPECT_THROW(Host->SetRowValue("Level", "300"), EPropertyError);
    Host->CreateComponent(TGizmo::StaticClass());
    EXPECT_EQ(Host->ModifiedCount(), before + 2);
    EXPECT_EQ(calls, 2);
}

TEST_F(DesignerTest, SelectionForgetsDestroyedComponents) {
    Host->Select({G1, G2, G1});
    EXPECT_EQ(Host->Selection().size(), 2u);
    delete G2;
    EXPECT_EQ(Host->Selection(), (std::vector<TPersistent*>{G1}));
    EXPECT_EQ(Host->RowValue("Name"), "Gizmo1");
    EXPECT_THROW(Host->Select({G1, nullptr}), EInvalidOperation);
    EXPECT_EQ(Host->Selection().size(), 1u);
    Root.reset();
    EXPECT_EQ(Host->Root(), nullptr);
    EXPECT_TRUE(Host->Selection().empty());
    EXPECT_TRUE(Host->Rows().empty());
    EXPECT_THROW(Host->CreateComponent(TGizmo::StaticClass()), EInvalidOperation);
}

TEST_F(DesignerTest, UnknownRowsAreErrors) {
    Host->Select({G1});
    EXPECT_THROW(Host->RowValue("Nope"), EPropertyError);
    EXPECT_THROW(Host->SetRowValue("Nope", "1"), EPropertyError);
    EXPECT_THROW(Host->EditRow("Nope"), EPropertyError);
    Host->Select({});
    EXPECT_TRUE(Host->Rows().empty());
    EXPECT_THROW(Host->RowValue("Name"), EPropertyError);
}

}  // namespace cvtest_design
