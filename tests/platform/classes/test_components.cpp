// Components: ownership, names, notifications, run-time class information.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes.h"

namespace cvtest {

using namespace vcl;

VCL_ENUM(TShade, shLight, shMedium, shDark)

std::vector<std::string>* DestroyLog = nullptr;

class TLogged : public TComponent {
    VCL_DECLARE_CLASS(TLogged)
public:
    using TComponent::TComponent;
    ~TLogged() override {
        if (DestroyLog) DestroyLog->push_back(Name());
    }
};
VCL_PUBLISHED(TLogged, TComponent) {}

// Keeps a pointer to another component and must lose it when that one goes.
class TWatcher : public TComponent {
    VCL_DECLARE_CLASS(TWatcher)
public:
    using TComponent::TComponent;
    TComponent* Target() const { return FTarget; }
    void SetTarget(TComponent* Value) {
        if (FTarget == Value) return;
        if (FTarget) FTarget->RemoveFreeNotification(this);
        FTarget = Value;
        if (FTarget) FTarget->FreeNotification(this);
    }
    std::vector<std::pair<std::string, TOperation>> Seen;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        Seen.emplace_back(AComponent->Name(), Operation);
        if (Operation == opRemove && AComponent == FTarget) FTarget = nullptr;
    }

private:
    TComponent* FTarget = nullptr;
};
VCL_PUBLISHED(TWatcher, TComponent) {
    B.Property("Target", &TWatcher::Target, &TWatcher::SetTarget);
}

class TKinds : public TComponent {
    VCL_DECLARE_CLASS(TKinds)
public:
    using TComponent::TComponent;
    uint8_t Small() const { return FSmall; }
    void SetSmall(uint8_t v) { FSmall = v; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool v) { FFlag = v; }
    TShade Shade() const { return FShade; }
    void SetShade(TShade v) { FShade = v; }
    Set<TShade> Shades() const { return FShades; }
    void SetShades(Set<TShade> v) { FShades = v; }
    long double Value() const { return FValue; }
    void SetValue(long double v) { FValue = v; }
    std::string Text() const { return FText; }
    void SetText(const std::string& v) { FText = v; }
    TStringList* Lines() const { return FLines.get(); }
    void SetLines(TStrings* v) { FLines->Assign(*v); }

private:
    uint8_t FSmall = 0;
    bool FFlag = true;
    TShade FShade = shMedium;
    Set<TShade> FShades{shLight};
    long double FValue = 0;
    std::string FText;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
};
VCL_PUBLISHED(TKinds, TComponent) {
    B.Property("Small", &TKinds::Small, &TKinds::SetSmall);
    B.Property("Flag", &TKinds::Flag, &TKinds::SetFlag).Default(1);
    B.Property("Shade", &TKinds::Shade, &TKinds::SetShade).Default(shMedium);
    B.Property("Shades", &TKinds::Shades, &TKinds::SetShades);
    B.Property("Value", &TKinds::Value, &TKinds::SetValue);
    B.Property("Text", &TKinds::Text, &TKinds::SetText);
    B.Property("Lines", &TKinds::Lines, &TKinds::SetLines);
}

// Publishes Small again: it keeps its place among the inherited properties.
class TMoreKinds : public TKinds {
    VCL_DECLARE_CLASS(TMoreKinds)
public:
    using TKinds::TKinds;
};
VCL_PUBLISHED(TMoreKinds, TKinds) {
    B.Property("Extra", &TMoreKinds::Tag, &TMoreKinds::SetTag);
    B.Property("Small", &TMoreKinds::Small, &TMoreKinds::SetSmall).Default(7);
}

}  // namespace cvtest

using namespace cvtest;
using namespace vcl;

TEST(Component, OwnerFreesInReverseOrderOfCreation) {
    std::vector<std::string> log;
    DestroyLog = &log;
    {
        auto* owner = new TLogged(nullptr);
        owner->SetName("Owner");
        for (const char* n : {"A", "B", "C"}) (new TLogged(owner))->SetName(n);
        auto* inner = new TLogged(owner->Components(1));
        inner->SetName("BInner");
        EXPECT_EQ(owner->ComponentCount(), 3);
        EXPECT_EQ(owner->Components(2)->ComponentIndex(), 2);
        delete owner;
    }
    DestroyLog = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"Owner", "C", "B", "BInner", "A"}));
}

TEST(Component, DeletingAChildTakesItOffItsOwner) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    EXPECT_THROW(owner.Components(1), EListError);
}

TEST(Component, NamesAreIdentifiersAndUniquePerOwner) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Button1");
    EXPECT_THROW(b->SetName("button1"), EComponentError);
    EXPECT_THROW(b->SetName("1st"), EComponentError);
    EXPECT_THROW(b->SetName("two words"), EComponentError);
    EXPECT_EQ(b->Name(), "");
    a->SetName("BUTTON1");  // same component, other case: allowed
    EXPECT_EQ(owner.FindComponent("button1"), a);
    b->SetName("_Second2");
    EXPECT_EQ(owner.FindComponent("_second2"), b);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    try {
        b->SetName("Button1");
        FAIL();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named Button1 already exists");
    }
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners) {
    TComponent formA(nullptr), formB(nullptr);
    auto* watcher = new TWatcher(&formA);
    auto* target = new TComponent(&formB);
    target->SetName("Target1");
    watcher->SetTarget(target);
    delete target;
    EXPECT_EQ(watcher->Target(), nullptr);
    // Deleting the watcher first leaves nothing dangling in the target.
    auto* target2 = new TComponent(&formB);
    watcher->SetTarget(target2);
    delete watcher;
    delete target2;
}

TEST(Component, SiblingsHearOfInsertAndRemove) {
    TComponent owner(nullptr);
    auto* watcher = new TWatcher(&owner);
    auto* other = new TComponent(nullptr);
    other->SetName("Other");
    owner.InsertComponent(other);
    delete other;
    ASSERT_GE(watcher->Seen.size(), 2u);
    EXPECT_EQ(watcher->Seen[watcher->Seen.size() - 2], std::make_pair(std::string("Other"), opInsert));
    EXPECT_EQ(watcher->Seen.back(), std::make_pair(std::string("Other"), opRemove));
}

TEST(Component, StateFlagsForDesigningAndLoading) {
    TComponent owner(nullptr);
    owner.SetDesigning(true);
    auto* child = new TComponent(&owner);
    EXPECT_TRUE(child->IsDesigning());
    child->SetLoading(true);
    EXPECT_TRUE(child->ComponentState().Contains(csLoading));
    child->Loaded();
    EXPECT_FALSE(child->IsLoading());
}

TEST(TypeInfo, PropertyKindsFollowTheValueTypes) {
    const TMetaClass& meta = TKinds::StaticClass();
    struct Case {
        const char* Name;
        TTypeKind Kind;
    } cases[] = {{"Name", tkString},       {"Tag", tkInteger},      {"Small", tkInteger},
                 {"Flag", tkEnumeration},  {"Shade", tkEnumeration}, {"Shades", tkSet},
                 {"Value", tkFloat},       {"Text", tkString},       {"Lines", tkStrings}};
    for (const Case& c : cases) {
        const TPropInfo* p = meta.FindProperty(c.Name);
        ASSERT_NE(p, nullptr) << c.Name;
        EXPECT_EQ(p->Kind, c.Kind) << c.Name;
    }
    EXPECT_EQ(meta.FindProperty("small")->OrdType, otUByte);
    EXPECT_EQ(meta.FindProperty("Value")->FloatType, ftExtended);
    EXPECT_EQ(meta.FindProperty("Shade")->Enum->NameOf(2), "shDark");
    EXPECT_EQ(meta.FindProperty("Shades")->Enum->IndexOf("SHMEDIUM"), 1);
    EXPECT_TRUE(TWatcher::StaticClass().FindProperty("Target")->IsReference);

    TKinds k(nullptr);
    const TPropInfo* shades = meta.FindProperty("Shades");
    shades->SetOrd(k, Set<TShade>{shLight, shDark}.Bits());
    EXPECT_TRUE(k.Shades().Contains(shDark));
    EXPECT_FALSE(k.Shades().Contains(shMedium));
    const TPropInfo* flag = meta.FindProperty("Flag");
    EXPECT_TRUE(flag->IsDefaultValue(k));
    flag->SetOrd(k, 0);
    EXPECT_FALSE(k.Flag());
    EXPECT_FALSE(flag->IsDefaultValue(k));
    EXPECT_FALSE(meta.FindProperty("Small")->IsDefaultValue(k));  // no default declared
}

TEST(TypeInfo, RepublishedPropertyKeepsItsPlace) {
    std::vector<std::string> names;
    for (const TPropInfo* p : TMoreKinds::StaticClass().Properties()) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Small", "Flag", "Shade", "Shades", "Value",
                                               "Text", "Lines", "Extra"}));
    EXPECT_EQ(TMoreKinds::StaticClass().FindProperty("Small")->OrdDefault, 7);
    EXPECT_TRUE(TMoreKinds::StaticClass().InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TComponent::StaticClass().InheritsFrom(TKinds::StaticClass()));
    TMoreKinds m(nullptr);
    EXPECT_EQ(m.ClassName(), "TMoreKinds");
    EXPECT_TRUE(m.InheritsFrom(TPersistent::StaticClass()));
}

TEST(ClassRegistry, CreatesByNameAndExplainsUnknownNames) {
    RegisterClass(TKinds::StaticClass());
    RegisterClass(TKinds::StaticClass());  // again: harmless
    EXPECT_EQ(GetClass("tkinds"), &TKinds::StaticClass());
    TComponent owner(nullptr);
    TComponent* made = FindClass("TKinds").Create(&owner);
    EXPECT_EQ(made->ClassName(), "TKinds");
    EXPECT_EQ(made->Owner(), &owner);
    try {
        FindClass("TNoSuchThing");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNoSuchThing not found");
    }
    EXPECT_THROW(TPersistent::StaticClass().Create(nullptr), EInvalidOperation);
    UnRegisterClass(TKinds::StaticClass());
    EXPECT_EQ(GetClass("TKinds"), nullptr);
}

TEST(Persistent, AssignWithoutSupportExplainsItself) {
    TComponent a(nullptr), b(nullptr);
    try {
        a.Assign(&b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TComponent");
    }
}
