#include "DesignEditors.h"

#include <cfloat>
#include <cmath>
#include <mutex>
#include <typeinfo>

#include "Exceptions.h"
#include "Graphics.h"
#include "SysUtils.h"

namespace vcl {

TTypeKinds InspectorKinds() {
    return {tkInteger, tkInt64, tkEnumeration, tkSet, tkFloat, tkString, tkClass, tkStrings};
}

// ---------------------------------------------------------------------------
// TPropertyEditor

TPropertyEditor::TPropertyEditor(IDesigner* Designer, std::vector<TPropEntry> Props)
    : FDesigner(Designer), FProps(std::move(Props)) {
    if (FProps.empty()) throw EPropertyError("A property editor needs at least one object");
    for (const TPropEntry& e : FProps)
        if (!e.Instance || !e.PropInfo) throw EPropertyError("A property editor needs an object and its property");
}

TPropertyEditor::TPropertyEditor(IDesigner* Designer, TPersistent* Instance, const TPropInfo& PropInfo)
    : TPropertyEditor(Designer, std::vector<TPropEntry>{{Instance, &PropInfo}}) {}

TPersistent* TPropertyEditor::GetComponent(int Index) const {
    if (Index < 0 || Index >= PropCount())
        throw EListError("Property editor object index out of bounds (" + IntToStr(Index) + ")");
    return FProps[static_cast<size_t>(Index)].Instance;
}

const TPropInfo* TPropertyEditor::GetPropInfoAt(int Index) const {
    if (Index < 0 || Index >= PropCount())
        throw EListError("Property editor object index out of bounds (" + IntToStr(Index) + ")");
    return FProps[static_cast<size_t>(Index)].PropInfo;
}

TPropertyAttributes TPropertyEditor::GetAttributes() const { return {paRevertable}; }

std::string TPropertyEditor::GetName() const { return GetPropInfo()->Name; }

std::string TPropertyEditor::GetValue() const { return "(unknown)"; }

void TPropertyEditor::SetValue(const std::string&) {}

void TPropertyEditor::Edit() {
    const TPropertyAttributes attrs = GetAttributes();
    if (!attrs.Contains(paValueList) || attrs.Contains(paReadOnly)) return;
    std::vector<std::string> values;
    GetValues([&](const std::string& v) { values.push_back(v); });
    if (values.empty()) return;
    const std::string current = GetValue();
    size_t next = 0;
    for (size_t i = 0; i < values.size(); ++i)
        if (SameText(values[i], current)) {
            next = (i + 1) % values.size();
            break;
        }
    SetValue(values[next]);
}

void TPropertyEditor::GetValues(const TGetStrProc&) const {}

bool TPropertyEditor::AllEqual() const { return PropCount() == 1; }

void TPropertyEditor::GetProperties(const TGetPropEditProc&) const {}

void TPropertyEditor::Modified() {
    if (FDesigner) FDesigner->Modified();
}

namespace {

[[noreturn]] void NoAccess(const TPropInfo& Prop, const char* What) {
    throw EPropertyError("Property " + Prop.Name + " has no " + What);
}

}  // namespace

int64_t TPropertyEditor::GetOrdValueAt(int Index) const {
    const TPropInfo& p = *GetPropInfoAt(Index);
    if (!p.GetOrd) NoAccess(p, "ordinal value");
    return p.GetOrd(*GetComponent(Index));
}

long double TPropertyEditor::GetFloatValueAt(int Index) const {
    const TPropInfo& p = *GetPropInfoAt(Index);
    if (!p.GetFloat) NoAccess(p, "floating point value");
    return p.GetFloat(*GetComponent(Index));
}

std::string TPropertyEditor::GetStrValueAt(int Index) const {
    const TPropInfo& p = *GetPropInfoAt(Index);
    if (!p.GetStr) NoAccess(p, "string value");
    return p.GetStr(*GetComponent(Index));
}

TObject* TPropertyEditor::GetObjValueAt(int Index) const {
    const TPropInfo& p = *GetPropInfoAt(Index);
    if (!p.GetObj) NoAccess(p, "object value");
    return p.GetObj(*GetComponent(Index));
}

void TPropertyEditor::WriteAll(const std::function<void(const TPropEntry&)>& Save,
                               const std::function<void(const TPropEntry&)>& Write,
                               const std::function<void(const TPropEntry&, size_t)>& Restore) {
    for (const TPropEntry& e : FProps) Save(e);
    size_t written = 0;
    try {
        for (; written < FProps.size(); ++written) Write(FProps[written]);
    } catch (...) {
        // Put back what was written, the entry that failed included (its
        // setter may have changed part of its state before raising).
        for (size_t i = written + 1; i-- > 0;) {
            try {
                Restore(FProps[i], i);
            } catch (...) {
                // The original error is the one to report.
            }
        }
        throw;
    }
    Modified();
}

void TPropertyEditor::CheckOrdValue(const TPropInfo& Prop, int64_t Value) const {
    switch (Prop.Kind) {
        case tkInteger:
        case tkInt64:
            if (Value < Prop.MinValue() || Value > Prop.MaxValue())
                throw EPropertyError("Value of " + Prop.Name + " must be between " + IntToStr(Prop.MinValue()) +
                                     " and " + IntToStr(Prop.MaxValue()));
            break;
        case tkEnumeration:
            if (Prop.Enum && (Value < 0 || Value >= Prop.Enum->Count()))
                throw EPropertyError(IntToStr(Value) + " is not a value of " + Prop.Name);
            break;
        case tkSet:
            if (Prop.Enum) {
                const int n = Prop.Enum->Count();
                const uint64_t mask = n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
                if ((static_cast<uint64_t>(Value) & ~mask) != 0)
                    throw EPropertyError("The set value of " + Prop.Name + " holds elements it does not have");
            }
            break;
        default:
            break;
    }
}

void TPropertyEditor::SetOrdValue(int64_t Value) {
    for (const TPropEntry& e : FProps) {
        if (!e.PropInfo->SetOrd) NoAccess(*e.PropInfo, "writable ordinal value");
        CheckOrdValue(*e.PropInfo, Value);
    }
    std::vector<int64_t> old(FProps.size());
    size_t k = 0;
    WriteAll([&](const TPropEntry& e) { old[k++] = e.PropInfo->GetOrd(*e.Instance); },
             [&](const TPropEntry& e) { e.PropInfo->SetOrd(*e.Instance, Value); },
             [&](const TPropEntry& e, size_t i) { e.PropInfo->SetOrd(*e.Instance, old[i]); });
}

void TPropertyEditor::SetFloatValue(long double Value) {
    for (const TPropEntry& e : FProps) {
        if (!e.PropInfo->SetFloat) NoAccess(*e.PropInfo, "writable floating point value");
        if (e.PropInfo->FloatType == ftSingle && std::isfinite(Value) && std::fabs(Value) > FLT_MAX)
            throw EPropertyError("Value of " + e.PropInfo->Name + " is too large for a single");
        if (e.PropInfo->FloatType == ftDouble && std::isfinite(Value) && std::fabs(Value) > DBL_MAX)
            throw EPropertyError("Value of " + e.PropInfo->Name + " is too large for a double");
    }
    std::vector<long double> old(FProps.size());
    size_t k = 0;
    WriteAll([&](const TPropEntry& e) { old[k++] = e.PropInfo->GetFloat(*e.Instance); },
             [&](const TPropEntry& e) { e.PropInfo->SetFloat(*e.Instance, Value); },
             [&](const TPropEntry& e, size_t i) { e.PropInfo->SetFloat(*e.Instance, old[i]); });
}

void TPropertyEditor::SetStrValue(const std::string& Value) {
    for (const TPropEntry& e : FProps)
        if (!e.PropInfo->SetStr) NoAccess(*e.PropInfo, "writable string value");
    std::vector<std::string> old(FProps.size());
    size_t k = 0;
    WriteAll([&](const TPropEntry& e) { old[k++] = e.PropInfo->GetStr(*e.Instance); },
             [&](const TPropEntry& e) { e.PropInfo->SetStr(*e.Instance, Value); },
             [&](const TPropEntry& e, size_t i) { e.PropInfo->SetStr(*e.Instance, old[i]); });
}

void TPropertyEditor::SetObjValue(TObject* Value) {
    for (const TPropEntry& e : FProps) {
        if (!e.PropInfo->SetObj || !e.PropInfo->GetObj) NoAccess(*e.PropInfo, "writable object value");
        if (Value && e.PropInfo->PropClass && !Value->InheritsFrom(e.PropInfo->PropClass()))
            throw EPropertyError(Value->ClassName() + " does not fit property " + e.PropInfo->Name + " of type " +
                                 e.PropInfo->PropClass().ClassName());
    }
    std::vector<TObject*> old(FProps.size());
    size_t k = 0;
    WriteAll([&](const TPropEntry& e) { old[k++] = e.PropInfo->GetObj(*e.Instance); },
             [&](const TPropEntry& e) { e.PropInfo->SetObj(*e.Instance, Value); },
             [&](const TPropEntry& e, size_t i) { e.PropInfo->SetObj(*e.Instance, old[i]); });
}

// ---------------------------------------------------------------------------
// Standard editors

TPropertyAttributes TOrdinalProperty::GetAttributes() const { return {paMultiSelect, paRevertable}; }

bool TOrdinalProperty::AllEqual() const {
    const int64_t first = GetOrdValueAt(0);
    for (int i = 1; i < PropCount(); ++i)
        if (GetOrdValueAt(i) != first) return false;
    return true;
}

std::string TIntegerProperty::GetValue() const {
    const int64_t v = GetOrdValue();
    return IntToStr(v);
}

void TIntegerProperty::SetValue(const std::string& Value) {
    const int64_t v = StrToInt64(Value);  // EConvertError for text that is no number
    SetOrdValue(v);                      // EPropertyError outside the range
}

TPropertyAttributes TEnumProperty::GetAttributes() const {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
}

std::string TEnumProperty::GetValue() const {
    const int64_t v = GetOrdValue();
    const TEnumInfo* info = GetPropInfo()->Enum;
    if (info && v >= 0 && v < info->Count()) return info->NameOf(v);
    return IntToStr(v);
}

void TEnumProperty::SetValue(const std::string& Value) {
    const TEnumInfo* info = GetPropInfo()->Enum;
    const int index = info ? info->IndexOf(Trim(Value)) : -1;
    if (index < 0) throw EPropertyError("'" + Value + "' is not a valid value of " + GetPropInfo()->Name);
    SetOrdValue(index);
}

void TEnumProperty::GetValues(const TGetStrProc& Proc) const {
    if (const TEnumInfo* info = GetPropInfo()->Enum)
        for (const std::string& n : info->Names) Proc(n);
}

TPropertyAttributes TBoolProperty::GetAttributes() const { return {paMultiSelect, paValueList, paRevertable}; }

TPropertyAttributes TSetProperty::GetAttributes() const {
    return {paMultiSelect, paSubProperties, paRevertable};
}

std::string TSetProperty::GetValue() const {
    const uint64_t bits = static_cast<uint64_t>(GetOrdValue());
    const TEnumInfo* info = GetPropInfo()->Enum;
    std::string s = "[";
    bool first = true;
    for (int i = 0; i < 64; ++i) {
        if (!(bits & (uint64_t{1} << i))) continue;
        if (!first) s += ',';
        first = false;
        const std::string name = info ? info->NameOf(i) : std::string();
        s += name.empty() ? IntToStr(i) : name;
    }
    return s + "]";
}

void TSetProperty::SetValue(const std::string& Value) {
    std::string text = Trim(Value);
    if (!text.empty() && text.front() == '[') {
        if (text.size() < 2 || text.back() != ']')
            throw EPropertyError("'" + Value + "' is not a valid set value of " + GetPropInfo()->Name);
        text = text.substr(1, text.size() - 2);
    }
    const TEnumInfo* info = GetPropInfo()->Enum;
    uint64_t bits = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string name = Trim(text.substr(start, comma - start));
        if (name.empty()) {
            // "[]" and "" are the empty set; an empty name between commas is not.
            if (comma < text.size() || start > 0)
                throw EPropertyError("'" + Value + "' is not a valid set value of " + GetPropInfo()->Name);
        } else {
            const int index = info ? info->IndexOf(name) : -1;
            if (index < 0 || index >= 64)
                throw EPropertyError("'" + name + "' is not an element of " + GetPropInfo()->Name);
            bits |= uint64_t{1} << index;
        }
        start = comma + 1;
    }
    SetOrdValue(static_cast<int64_t>(bits));
}

void TSetProperty::GetProperties(const TGetPropEditProc& Proc) const {
    const TEnumInfo* info = GetPropInfo()->Enum;
    if (!info) return;
    for (int i = 0; i < info->Count() && i < 64; ++i) {
        auto editor = std::make_unique<TSetElementProperty>(Designer(), Props(), i);
        editor->Initialize();
        Proc(std::move(editor));
    }
}

TSetElementProperty::TSetElementProperty(IDesigner* Designer, std::vector<TPropEntry> Props, int Element)
    : TPropertyEditor(Designer, std::move(Props)), FElement(Element) {
    if (Element < 0 || Element >= 64) throw EPropertyError("Set element out of range");
}

TPropertyAttributes TSetElementProperty::GetAttributes() const { return {paMultiSelect, paValueList}; }

std::string TSetElementProperty::GetName() const {
    const TEnumInfo* info = GetPropInfo()->Enum;
    const std::string name = info ? info->NameOf(FElement) : std::string();
    return name.empty() ? IntToStr(FElement) : name;
}

std::string TSetElementProperty::GetValue() const {
    const bool in = (static_cast<uint64_t>(GetOrdValue()) >> FElement) & 1;
    return BooleanEnumInfo().NameOf(in ? 1 : 0);
}

void TSetElementProperty::SetValue(const std::string& Value) {
    const int b = BooleanEnumInfo().IndexOf(Trim(Value));
    if (b < 0) throw EPropertyError("'" + Value + "' is not a valid value of " + GetName());
    const uint64_t bit = uint64_t{1} << FElement;
    for (const TPropEntry& e : Props())
        if (!e.PropInfo->SetOrd) throw EPropertyError("Property " + e.PropInfo->Name + " is read-only");
    std::vector<int64_t> old(Props().size());
    size_t k = 0;
    WriteAll([&](const TPropEntry& e) { old[k++] = e.PropInfo->GetOrd(*e.Instance); },
             [&](const TPropEntry& e) {
                 uint64_t v = static_cast<uint64_t>(e.PropInfo->GetOrd(*e.Instance));
                 v = b ? (v | bit) : (v & ~bit);
                 e.PropInfo->SetOrd(*e.Instance, static_cast<int64_t>(v));
             },
             [&](const TPropEntry& e, size_t i) { e.PropInfo->SetOrd(*e.Instance, old[i]); });
}

void TSetElementProperty::GetValues(const TGetStrProc& Proc) const {
    for (const std::string& n : BooleanEnumInfo().Names) Proc(n);
}

bool TSetElementProperty::AllEqual() const {
    const auto in = [&](int i) { return (static_cast<uint64_t>(GetOrdValueAt(i)) >> FElement) & 1; };
    const auto first = in(0);
    for (int i = 1; i < PropCount(); ++i)
        if (in(i) != first) return false;
    return true;
}

TPropertyAttributes TFloatProperty::GetAttributes() const { return {paMultiSelect, paRevertable}; }

std::string TFloatProperty::GetValue() const {
    int precision = 15;
    switch (GetPropInfo()->FloatType) {
        case ftSingle: precision = 7; break;
        case ftDouble: precision = 15; break;
        case ftExtended: precision = 18; break;
    }
    return FloatToStrF(GetFloatValue(), ffGeneral, precision, 0);
}

void TFloatProperty::SetValue(const std::string& Value) { SetFloatValue(StrToFloat(Value)); }

bool TFloatProperty::AllEqual() const {
    const long double first = GetFloatValueAt(0);
    for (int i = 1; i < PropCount(); ++i)
        if (GetFloatValueAt(i) != first) return false;
    return true;
}

TPropertyAttributes TStringProperty::GetAttributes() const { return {paMultiSelect, paRevertable}; }

std::string TStringProperty::GetValue() const { return GetStrValue(); }

void TStringProperty::SetValue(const std::string& Value) { SetStrValue(Value); }

bool TStringProperty::AllEqual() const {
    const std::string first = GetStrValueAt(0);
    for (int i = 1; i < PropCount(); ++i)
        if (GetStrValueAt(i) != first) return false;
    return true;
}

TPropertyAttributes TComponentNameProperty::GetAttributes() const { return {paRevertable}; }

TPropertyAttributes TClassProperty::GetAttributes() const { return {paMultiSelect, paSubProperties, paReadOnly}; }

std::string TClassProperty::GetValue() const {
    const TPropInfo* p = GetPropInfo();
    return "(" + (p->PropClass ? p->PropClass().ClassName() : std::string("TObject")) + ")";
}

void TClassProperty::GetProperties(const TGetPropEditProc& Proc) const {
    std::vector<TPersistent*> objects;
    for (int i = 0; i < PropCount(); ++i) {
        auto* obj = dynamic_cast<TPersistent*>(GetObjValueAt(i));
        if (!obj) return;  // one of the objects has none: nothing to expand
        objects.push_back(obj);
    }
    GetComponentProperties(objects, InspectorKinds(), Designer(), Proc);
}

TPropertyAttributes TStringsProperty::GetAttributes() const { return {paMultiSelect, paReadOnly}; }

std::string TStringsProperty::GetValue() const {
    const TPropInfo* p = GetPropInfo();
    return "(" + (p->PropClass ? p->PropClass().ClassName() : std::string("TStrings")) + ")";
}

TPropertyAttributes TComponentProperty::GetAttributes() const {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
}

std::string TComponentProperty::GetValue() const {
    auto* c = dynamic_cast<TComponent*>(GetObjValue());
    if (!c) return {};
    if (Designer()) return Designer()->GetComponentName(c);
    return c->Name();
}

void TComponentProperty::SetValue(const std::string& Value) {
    const std::string name = Trim(Value);
    if (name.empty()) {
        SetObjValue(nullptr);
        return;
    }
    const TPropInfo* p = GetPropInfo();
    TComponent* c = Designer() ? Designer()->GetComponent(name) : nullptr;
    if (!c || (p->PropClass && !c->InheritsFrom(p->PropClass())))
        throw EPropertyError("There is no component named '" + name + "'" +
                             (p->PropClass ? " of class " + p->PropClass().ClassName() : std::string()));
    SetObjValue(c);
}

void TComponentProperty::GetValues(const TGetStrProc& Proc) const {
    const TPropInfo* p = GetPropInfo();
    if (Designer()) Designer()->GetComponentNames(p->PropClass ? p->PropClass() : TComponent::StaticClass(), Proc);
}

bool TComponentProperty::AllEqual() const {
    TObject* first = GetObjValueAt(0);
    for (int i = 1; i < PropCount(); ++i)
        if (GetObjValueAt(i) != first) return false;
    return true;
}

TPropertyAttributes TColorProperty::GetAttributes() const { return {paMultiSelect, paValueList, paRevertable}; }

std::string TColorProperty::GetValue() const { return ColorToString(static_cast<TColor>(GetOrdValue())); }

void TColorProperty::SetValue(const std::string& Value) {
    SetOrdValue(StringToColor(Value));  // EConvertError for anything that is no colour
}

void TColorProperty::GetValues(const TGetStrProc& Proc) const { GetColorValues(Proc); }

// ---------------------------------------------------------------------------
// Property types

TPropertyType TPropertyType::OfKind(TTypeKind Kind) {
    TPropertyType t;
    t.FMatch = TMatch::Kind;
    t.FKind = Kind;
    return t;
}

TPropertyType TPropertyType::Boolean() {
    TPropertyType t;
    t.FMatch = TMatch::Boolean;
    t.FKind = tkEnumeration;
    t.FEnum = &BooleanEnumInfo();
    return t;
}

TPropertyType TPropertyType::Enum(const TEnumInfo& Info) {
    TPropertyType t;
    t.FMatch = TMatch::Enum;
    t.FKind = tkEnumeration;
    t.FEnum = &Info;
    return t;
}

TPropertyType TPropertyType::SetOf(const TEnumInfo& Elements) {
    TPropertyType t;
    t.FMatch = TMatch::Set;
    t.FKind = tkSet;
    t.FEnum = &Elements;
    return t;
}

TPropertyType TPropertyType::Ordinal(TTypeKind Kind, TOrdType OrdType) {
    TPropertyType t;
    t.FMatch = TMatch::Ordinal;
    t.FKind = Kind;
    t.FOrdType = OrdType;
    return t;
}

TPropertyType TPropertyType::Float(TFloatType FloatType) {
    TPropertyType t;
    t.FMatch = TMatch::Float;
    t.FKind = tkFloat;
    t.FFloatType = FloatType;
    return t;
}

TPropertyType TPropertyType::Class(const TMetaClass& Class) {
    TPropertyType t;
    t.FMatch = TMatch::Class;
    t.FKind = tkClass;
    t.FClass = &Class;
    return t;
}

TPropertyType TPropertyType::Color() {
    TPropertyType t;
    t.FMatch = TMatch::Color;
    t.FKind = tkInteger;
    return t;
}

namespace {

// Two descriptions of the same enumeration (the same object, or - across
// shared libraries - equal copies).
bool SameEnum(const TEnumInfo* A, const TEnumInfo* B) {
    if (A == B) return true;
    if (!A || !B) return false;
    return A->TypeName == B->TypeName && A->Names == B->Names;
}

// A colour property is an integer property declared with ColorIdents().
bool IsColorProperty(const TPropInfo& Prop) {
    if (Prop.Kind != tkInteger || !Prop.IntToIdent) return false;
    if (Prop.IntToIdent.target_type() == ColorIdents().ToIdent.target_type()) return true;
    // An identifier mapping of its own that names colours as the colour
    // names do.
    std::string ident;
    return Prop.IntToIdent(clRed, ident) && ident == "clRed" && Prop.IntToIdent(clBtnFace, ident) &&
           ident == "clBtnFace";
}

int ClassDepth(const TMetaClass* Class) {
    int depth = 0;
    for (const TMetaClass* c = Class; c; c = c->ClassParent()) ++depth;
    return depth;
}

}  // namespace

bool TPropertyType::Matches(const TPropInfo& Prop) const {
    switch (FMatch) {
        case TMatch::Kind:
            return Prop.Kind == FKind;
        case TMatch::Ordinal:
            return Prop.Kind == FKind && Prop.OrdType == FOrdType;
        case TMatch::Float:
            return Prop.Kind == tkFloat && Prop.FloatType == FFloatType;
        case TMatch::Boolean:
        case TMatch::Enum:
            return Prop.Kind == tkEnumeration && SameEnum(Prop.Enum, FEnum);
        case TMatch::Set:
            return Prop.Kind == tkSet && SameEnum(Prop.Enum, FEnum);
        case TMatch::Class:
            return (Prop.Kind == tkClass || Prop.Kind == tkStrings) && Prop.PropClass &&
                   Prop.PropClass().InheritsFrom(*FClass);
        case TMatch::Color:
            return IsColorProperty(Prop);
    }
    return false;
}

int TPropertyType::Specificity() const {
    switch (FMatch) {
        case TMatch::Kind: return 0;
        case TMatch::Ordinal:
        case TMatch::Float: return 1;
        case TMatch::Boolean:
        case TMatch::Enum:
        case TMatch::Set:
        case TMatch::Color: return 2;
        case TMatch::Class: return 2 + ClassDepth(FClass);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Registry

namespace {

struct TRegistration {
    TPropertyType Type;
    const TMetaClass* ComponentClass;
    std::string PropertyName;
    TPropertyEditorFactory Factory;
};

std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}

// Entries are shared so that a factory stays alive while it runs even if
// the registry changes meanwhile.
std::vector<std::shared_ptr<const TRegistration>>& Registry() {
    static std::vector<std::shared_ptr<const TRegistration>> r;
    return r;
}

// The registration that chooses the editor for Prop of Instance, or nullptr
// for the standard editor of its kind.
std::shared_ptr<const TRegistration> FindRegistration(const TPersistent& Instance, const TPropInfo& Prop) {
    std::lock_guard lock(RegistryMutex());
    std::shared_ptr<const TRegistration> best;
    int bestLevel = -1, bestDepth = -1, bestType = -1;
    for (const auto& r : Registry()) {
        if (r->ComponentClass && !Instance.InheritsFrom(*r->ComponentClass)) continue;
        if (!r->PropertyName.empty() && !SameText(r->PropertyName, Prop.Name)) continue;
        if (!r->Type.Matches(Prop)) continue;
        const int level = (r->PropertyName.empty() ? 0 : 2) + (r->ComponentClass ? 1 : 0);
        const int depth = ClassDepth(r->ComponentClass);
        const int type = r->Type.Specificity();
        // ">=" throughout: a later registration wins a tie.
        if (level > bestLevel || (level == bestLevel && (depth > bestDepth || (depth == bestDepth && type >= bestType)))) {
            best = r;
            bestLevel = level;
            bestDepth = depth;
            bestType = type;
        }
    }
    return best;
}

std::unique_ptr<TPropertyEditor> StandardEditor(IDesigner* Designer, std::vector<TPropEntry> Props) {
    const TPropInfo& p = *Props.front().PropInfo;
    switch (p.Kind) {
        case tkInteger:
            if (IsColorProperty(p)) return std::make_unique<TColorProperty>(Designer, std::move(Props));
            return std::make_unique<TIntegerProperty>(Designer, std::move(Props));
        case tkInt64:
            return std::make_unique<TIntegerProperty>(Designer, std::move(Props));
        case tkEnumeration:
            if (SameEnum(p.Enum, &BooleanEnumInfo())) return std::make_unique<TBoolProperty>(Designer, std::move(Props));
            return std::make_unique<TEnumProperty>(Designer, std::move(Props));
        case tkSet:
            return std::make_unique<TSetProperty>(Designer, std::move(Props));
        case tkFloat:
            return std::make_unique<TFloatProperty>(Designer, std::move(Props));
        case tkString:
            if (SameText(p.Name, "Name") && dynamic_cast<TComponent*>(Props.front().Instance))
                return std::make_unique<TComponentNameProperty>(Designer, std::move(Props));
            return std::make_unique<TStringProperty>(Designer, std::move(Props));
        case tkClass:
            if (p.IsReference) return std::make_unique<TComponentProperty>(Designer, std::move(Props));
            return std::make_unique<TClassProperty>(Designer, std::move(Props));
        case tkStrings:
            return std::make_unique<TStringsProperty>(Designer, std::move(Props));
        default:
            return std::make_unique<TPropertyEditor>(Designer, std::move(Props));
    }
}

std::unique_ptr<TPropertyEditor> MakeEditor(const TRegistration* Reg, IDesigner* Designer,
                                            std::vector<TPropEntry> Props) {
    std::unique_ptr<TPropertyEditor> editor =
        Reg ? Reg->Factory(Designer, std::move(Props)) : StandardEditor(Designer, std::move(Props));
    if (!editor) throw EPropertyError("A property editor factory returned no editor");
    editor->Initialize();
    return editor;
}

// Same name is given; same type means the same kind and storage.
bool SameType(const TPropInfo& A, const TPropInfo& B) {
    if (A.Kind != B.Kind) return false;
    switch (A.Kind) {
        case tkInteger:
        case tkInt64:
            return A.OrdType == B.OrdType && IsColorProperty(A) == IsColorProperty(B);
        case tkEnumeration:
        case tkSet:
            return SameEnum(A.Enum, B.Enum);
        case tkFloat:
            return A.FloatType == B.FloatType;
        case tkClass:
        case tkStrings:
            return A.IsReference == B.IsReference && A.PropClass && B.PropClass && &A.PropClass() == &B.PropClass();
        default:
            return true;
    }
}

}  // namespace

void RegisterPropertyEditor(const TPropertyType& PropertyType, const TMetaClass* ComponentClass,
                            const std::string& PropertyName, TPropertyEditorFactory Factory) {
    if (!Factory) throw EPropertyError("RegisterPropertyEditor needs an editor factory");
    auto reg = std::make_shared<TRegistration>(TRegistration{PropertyType, ComponentClass, PropertyName, std::move(Factory)});
    std::lock_guard lock(RegistryMutex());
    Registry().push_back(std::move(reg));
}

void UnregisterPropertyEditors(const TMetaClass* ComponentClass) {
    std::lock_guard lock(RegistryMutex());
    auto& r = Registry();
    std::erase_if(r, [&](const auto& e) { return e->ComponentClass == ComponentClass; });
}

void ClearPropertyEditors() {
    std::lock_guard lock(RegistryMutex());
    Registry().clear();
}

std::unique_ptr<TPropertyEditor> CreatePropertyEditor(IDesigner* Designer, TPersistent* Instance, const TPropInfo& Prop) {
    if (!Instance) throw EPropertyError("CreatePropertyEditor needs an object");
    const auto reg = FindRegistration(*Instance, Prop);
    return MakeEditor(reg.get(), Designer, {{Instance, &Prop}});
}

void GetComponentProperties(const std::vector<TPersistent*>& Selection, TTypeKinds Filter, IDesigner* Designer,
                            const TGetPropEditProc& Proc) {
    if (Selection.empty() || !Proc) return;
    for (TPersistent* p : Selection)
        if (!p) throw EPropertyError("The selection holds a null object");
    for (const TPropInfo* prop : Selection.front()->ClassType().Properties()) {
        if (!Filter.Contains(prop->Kind)) continue;
        std::vector<TPropEntry> entries{{Selection.front(), prop}};
        const auto reg = FindRegistration(*Selection.front(), *prop);
        bool common = true;
        for (size_t i = 1; i < Selection.size() && common; ++i) {
            const TPropInfo* other = Selection[i]->ClassType().FindProperty(prop->Name);
            // Shown only when every object has it, of the same type, with
            // the same editor.
            common = other && SameType(*prop, *other) && FindRegistration(*Selection[i], *other) == reg;
            if (common) entries.push_back({Selection[i], other});
        }
        if (!common) continue;
        std::unique_ptr<TPropertyEditor> editor = MakeEditor(reg.get(), Designer, std::move(entries));
        if (Selection.size() > 1 && !editor->GetAttributes().Contains(paMultiSelect)) continue;
        Proc(std::move(editor));
    }
}

}  // namespace vcl
