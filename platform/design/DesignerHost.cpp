#include "DesignerHost.h"

#include <algorithm>

#include "Exceptions.h"
#include "SysUtils.h"

namespace vcl {

// Hears when the root or a selected component is destroyed.
class TDesignerHost::TWatcher : public TComponent {
public:
    explicit TWatcher(TDesignerHost& Host) : TComponent(nullptr), FHost(Host) {}

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove) FHost.ComponentGone(AComponent);
    }

private:
    TDesignerHost& FHost;
};

TDesignerHost::TDesignerHost(TComponent* Root) : FRoot(Root), FWatcher(std::make_unique<TWatcher>(*this)) {
    if (!FRoot) throw EInvalidOperation("A designer needs a root component");
    FRoot->SetDesigning(true);
    FWatcher->FreeNotification(FRoot);
}

TDesignerHost::~TDesignerHost() = default;

void TDesignerHost::ComponentGone(TComponent* Component) {
    std::erase(FSelection, static_cast<TPersistent*>(Component));
    if (Component == FRoot) {
        FRoot = nullptr;
        // Whatever else was selected belonged to the root.
        FSelection.clear();
    }
}

void TDesignerHost::Select(const std::vector<TPersistent*>& Objects) {
    std::vector<TPersistent*> selection;
    for (TPersistent* p : Objects) {
        if (!p) throw EInvalidOperation("Cannot select a null object");
        if (std::find(selection.begin(), selection.end(), p) == selection.end()) selection.push_back(p);
    }
    for (TPersistent* p : FSelection)
        if (auto* c = dynamic_cast<TComponent*>(p); c && c != FRoot) FWatcher->RemoveFreeNotification(c);
    FSelection = std::move(selection);
    for (TPersistent* p : FSelection)
        if (auto* c = dynamic_cast<TComponent*>(p)) FWatcher->FreeNotification(c);
}

namespace {

std::vector<std::string> SplitPath(const std::string& Path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t dot = Path.find('.', start);
        parts.push_back(Trim(Path.substr(start, dot == std::string::npos ? std::string::npos : dot - start)));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

}  // namespace

std::unique_ptr<TPropertyEditor> TDesignerHost::RowEditor(const std::string& Name) const {
    const std::vector<std::string> parts = SplitPath(Name);
    std::unique_ptr<TPropertyEditor> found;
    auto pick = [&](const std::string& part) {
        return [&found, part](std::unique_ptr<TPropertyEditor> e) {
            if (!found && SameText(e->GetName(), part)) found = std::move(e);
        };
    };
    GetComponentProperties(FSelection, InspectorKinds(), const_cast<TDesignerHost*>(this), pick(parts[0]));
    for (size_t i = 1; i < parts.size() && found; ++i) {
        std::unique_ptr<TPropertyEditor> parent = std::move(found);
        found.reset();
        if (parent->GetAttributes().Contains(paSubProperties)) parent->GetProperties(pick(parts[i]));
    }
    if (!found) throw EPropertyError("The selection has no property " + Name);
    return found;
}

std::vector<TInspectorRow> TDesignerHost::Rows(const std::string& Parent) const {
    std::vector<TInspectorRow> rows;
    auto add = [&](std::unique_ptr<TPropertyEditor> e) {
        rows.push_back({e->GetName(), e->AllEqual() ? e->GetValue() : std::string(), e->GetAttributes()});
    };
    if (Parent.empty()) {
        GetComponentProperties(FSelection, InspectorKinds(), const_cast<TDesignerHost*>(this), add);
    } else {
        std::unique_ptr<TPropertyEditor> parent = RowEditor(Parent);
        if (parent->GetAttributes().Contains(paSubProperties)) parent->GetProperties(add);
    }
    return rows;
}

std::string TDesignerHost::RowValue(const std::string& Name) const {
    std::unique_ptr<TPropertyEditor> e = RowEditor(Name);
    return e->AllEqual() ? e->GetValue() : std::string();
}

void TDesignerHost::SetRowValue(const std::string& Name, const std::string& Text) {
    std::unique_ptr<TPropertyEditor> e = RowEditor(Name);
    if (e->GetAttributes().Contains(paReadOnly)) throw EPropertyError("Property " + Name + " is read-only");
    e->SetValue(Text);
}

void TDesignerHost::EditRow(const std::string& Name) { RowEditor(Name)->Edit(); }

std::vector<std::string> TDesignerHost::RowValues(const std::string& Name) const {
    std::unique_ptr<TPropertyEditor> e = RowEditor(Name);
    std::vector<std::string> values;
    if (!e->GetAttributes().Contains(paValueList)) return values;
    e->GetValues([&](const std::string& v) { values.push_back(v); });
    if (e->GetAttributes().Contains(paSortList))
        std::stable_sort(values.begin(), values.end(),
                         [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    return values;
}

bool TDesignerHost::InDesign(const TComponent* Component) const {
    for (const TComponent* c = Component; c; c = c->Owner())
        if (c == FRoot) return true;
    return false;
}

TComponent* TDesignerHost::CreateComponent(const TMetaClass& Class, TComponent* Owner) {
    if (!FRoot) throw EInvalidOperation("The designer has no root component");
    if (!Owner) Owner = FRoot;
    if (!InDesign(Owner)) throw EInvalidOperation("The owner of a new component must belong to the design");
    if (!Class.InheritsFrom(TComponent::StaticClass()))
        throw EInvalidOperation("Class " + Class.ClassName() + " is not a component class");
    const std::string name = UniqueName(Class.ClassName());
    TComponent* c = Class.Create(Owner);  // EInvalidOperation for abstract classes
    try {
        c->SetName(name);
        c->SetDesigning(true);
    } catch (...) {
        delete c;
        throw;
    }
    Modified();
    return c;
}

TComponent* TDesignerHost::CreateComponent(const std::string& ClassName, TComponent* Owner) {
    return CreateComponent(FindClass(ClassName), Owner);
}

void TDesignerHost::Modified() {
    ++FModifiedCount;
    if (FOnModified) FOnModified();
}

void TDesignerHost::GetComponentNames(const TMetaClass& Class,
                                      const std::function<void(const std::string&)>& Proc) const {
    if (!FRoot || !Proc) return;
    for (int i = 0; i < FRoot->ComponentCount(); ++i) {
        TComponent* c = FRoot->Components(i);
        if (!c->Name().empty() && c->InheritsFrom(Class)) Proc(c->Name());
    }
}

TComponent* TDesignerHost::GetComponent(const std::string& Name) const {
    if (!FRoot || Name.empty()) return nullptr;
    return FRoot->FindComponent(Name);
}

std::string TDesignerHost::GetComponentName(const TComponent* Component) const {
    if (!Component) return {};
    if (Component == FRoot || Component->Owner() == FRoot || !Component->Owner()) return Component->Name();
    return Component->Owner()->Name() + "." + Component->Name();
}

bool TDesignerHost::NameUsed(const std::string& Name) const {
    if (!FRoot) return false;
    if (SameText(FRoot->Name(), Name)) return true;
    // Names are unique per owner; a designer keeps them unique across the
    // whole design so that every reference can be resolved by name.
    std::vector<const TComponent*> pending{FRoot};
    while (!pending.empty()) {
        const TComponent* owner = pending.back();
        pending.pop_back();
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            const TComponent* c = owner->Components(i);
            if (SameText(c->Name(), Name)) return true;
            pending.push_back(c);
        }
    }
    return false;
}

std::string TDesignerHost::UniqueName(const std::string& BaseName) const {
    std::string base = Trim(BaseName);
    if (base.size() > 1 && base[0] == 'T') base.erase(0, 1);
    if (!IsValidIdent(base)) throw EInvalidOperation("'" + BaseName + "' cannot be the base of a component name");
    for (int n = 1;; ++n) {
        const std::string name = base + IntToStr(n);
        if (!NameUsed(name)) return name;
    }
}

}  // namespace vcl
