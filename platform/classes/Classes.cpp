#include "Classes.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "SysUtils.h"


namespace vcl {

namespace {

bool IsIdent(const std::string& S) {
    if (S.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(S[0])) return false;
    return std::all_of(S.begin() + 1, S.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

// ---------------------------------------------------------------------------
// TPersistent

VCL_IMPLEMENT_CLASS(TPersistent, TObject)

void TPersistent::Assign(const TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + Dest->ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

std::string TPersistent::GetNamePath() const {
    // An unnamed persistent object is shown by its class name.
    return ClassName();
}

// ---------------------------------------------------------------------------
// TComponent

VCL_PUBLISHED(TComponent, TPersistent) {
    B.Property("Name", &TComponent::Name, &TComponent::SetName).Stored([](const TObject&) { return false; });
    B.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Tell everyone who asked that this component goes away.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        other->RemoveNotification(this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    const auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
    if (AName.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, AName)) return c;
    return nullptr;
}

void TComponent::SetName(const std::string& NewName) {
    if (FName == NewName) return;
    if (!NewName.empty() && !IsIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
    if (AComponent && !NewName.empty() && !SameText(CurName, NewName)) {
        TComponent* other = FindComponent(NewName);
        if (other && other != AComponent)
            throw EComponentError("A component named " + NewName + " already exists");
    }
}

void TComponent::Insert(TComponent* AComponent) {
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
    AComponent->FOwner = nullptr;
    auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it != FComponents.end()) FComponents.erase(it);
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent) return;
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    if (!AComponent->FName.empty()) ValidateRename(AComponent, "", AComponent->FName);
    Insert(AComponent);
    if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->FOwner != this) return;
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        Remove(last);
        delete last;
    }
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::RemoveNotification(TComponent* AComponent) {
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Pass the news on to the owned components; a handler may free some of
    // them, so the index is re-checked on every step.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (i >= ComponentCount()) {
            i = ComponentCount();
            continue;
        }
        FComponents[static_cast<size_t>(i)]->Notification(AComponent, Operation);
    }
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
    if (Value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent* c : FComponents) c->SetDesigning(Value, true);
}

void TComponent::SetLoading(bool Value) {
    if (Value) {
        FComponentState.Include(csLoading);
        FComponentState.Include(csReading);
    } else {
        FComponentState.Exclude(csLoading);
        FComponentState.Exclude(csReading);
    }
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    if (Root != this) return;
    for (TComponent* c : FComponents)
        if (!c->HasParent()) Proc(c);
}

void TComponent::SetParentComponent(TComponent*) {}

std::string TComponent::GetNamePath() const { return FName; }

// ---------------------------------------------------------------------------
// Class registry

namespace {

struct Registry {
    std::mutex Lock;
    std::map<std::string, const TMetaClass*> Classes;  // key: upper-case name
};

Registry& TheRegistry() {
    static Registry r;
    return r;
}

}  // namespace

void RegisterClass(const TMetaClass& Class) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.Lock);
    const std::string key = UpperCase(Class.ClassName());
    auto it = r.Classes.find(key);
    if (it != r.Classes.end() && it->second != &Class)
        throw EFilerError("A class named " + Class.ClassName() + " already exists");
    r.Classes[key] = &Class;
}

void RegisterClasses(std::initializer_list<const TMetaClass*> Classes) {
    for (const TMetaClass* c : Classes) RegisterClass(*c);
}

void UnRegisterClass(const TMetaClass& Class) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.Lock);
    auto it = r.Classes.find(UpperCase(Class.ClassName()));
    if (it != r.Classes.end() && it->second == &Class) r.Classes.erase(it);
}

const TMetaClass* GetClass(const std::string& ClassName) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.Lock);
    auto it = r.Classes.find(UpperCase(ClassName));
    return it == r.Classes.end() ? nullptr : it->second;
}

const TMetaClass& FindClass(const std::string& ClassName) {
    const TMetaClass* c = GetClass(ClassName);
    if (!c) throw EClassNotFound("Class " + ClassName + " not found");
    return *c;
}

}  // namespace vcl
