#include "TypInfo.h"

#include <cmath>

#include "Exceptions.h"
#include "SysUtils.h"

namespace vcl {

int TEnumInfo::IndexOf(std::string_view Name) const {
    for (size_t i = 0; i < Names.size(); ++i)
        if (SameText(Names[i], Name)) return static_cast<int>(i);
    return -1;
}

std::string TEnumInfo::NameOf(int64_t Ordinal) const {
    if (Ordinal < 0 || Ordinal >= static_cast<int64_t>(Names.size())) return {};
    return Names[static_cast<size_t>(Ordinal)];
}

TEnumInfo MakeEnumInfo(const char* TypeName, const char* CommaSeparatedNames) {
    TEnumInfo info;
    info.TypeName = TypeName;
    std::string current;
    auto flush = [&] {
        if (!current.empty()) info.Names.push_back(current);
        current.clear();
    };
    for (const char* p = CommaSeparatedNames; *p; ++p) {
        if (*p == ',')
            flush();
        else if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r')
            current += *p;
    }
    flush();
    return info;
}

const TEnumInfo& BooleanEnumInfo() {
    static const TEnumInfo info{"Boolean", {"False", "True"}};
    return info;
}

bool TPropInfo::IsDefaultValue(const TObject& Instance) const {
    switch (Kind) {
        case tkInteger:
        case tkInt64:
        case tkEnumeration:
        case tkSet:
            return OrdDefault && GetOrd && GetOrd(Instance) == *OrdDefault;
        case tkFloat:
            if (!FloatDefault || !GetFloat) return false;
            {
                const long double v = GetFloat(Instance);
                return v == *FloatDefault && std::signbit(v) == std::signbit(*FloatDefault);
            }
        case tkString:
            return StrDefault && GetStr && GetStr(Instance) == *StrDefault;
        default:
            return false;
    }
}

int64_t TPropInfo::MinValue() const {
    switch (OrdType) {
        case otSByte: return INT8_MIN;
        case otUByte: return 0;
        case otSWord: return INT16_MIN;
        case otUWord: return 0;
        case otSLong: return INT32_MIN;
        case otULong: return 0;
        case otSInt64: return INT64_MIN;
        case otUInt64: return 0;
    }
    return 0;
}

int64_t TPropInfo::MaxValue() const {
    switch (OrdType) {
        case otSByte: return INT8_MAX;
        case otUByte: return UINT8_MAX;
        case otSWord: return INT16_MAX;
        case otUWord: return UINT16_MAX;
        case otSLong: return INT32_MAX;
        case otULong: return UINT32_MAX;
        case otSInt64: return INT64_MAX;
        case otUInt64: return INT64_MAX;  // streamed through a signed 64-bit value
    }
    return 0;
}

TMetaClass::TMetaClass(const char* Name, const TMetaClass* Parent, TFactory Factory, TInit Init)
    : FName(Name), FParent(Parent), FFactory(Factory) {
    if (Init) Init(*this);
}

bool TMetaClass::InheritsFrom(const TMetaClass& Other) const {
    for (const TMetaClass* c = this; c; c = c->FParent)
        if (c == &Other) return true;
    return false;
}

TComponent* TMetaClass::Create(TComponent* Owner) const {
    if (!FFactory) throw EInvalidOperation("Cannot create an instance of class " + FName);
    return FFactory(Owner);
}

std::vector<const TPropInfo*> TMetaClass::Properties() const {
    std::vector<const TMetaClass*> chain;
    for (const TMetaClass* c = this; c; c = c->FParent) chain.push_back(c);
    std::vector<const TPropInfo*> result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const TPropInfo& p : (*it)->FProps) {
            bool replaced = false;
            for (auto& existing : result) {
                if (SameText(existing->Name, p.Name)) {
                    existing = &p;
                    replaced = true;
                    break;
                }
            }
            if (!replaced) result.push_back(&p);
        }
    }
    return result;
}

const TPropInfo* TMetaClass::FindProperty(std::string_view Name) const {
    for (const TMetaClass* c = this; c; c = c->FParent)
        for (const TPropInfo& p : c->FProps)
            if (SameText(p.Name, Name)) return &p;
    return nullptr;
}

TPropInfo& TMetaClass::AddProperty(TPropInfo Info) {
    FProps.push_back(std::move(Info));
    return FProps.back();
}

const TMetaClass& TObject::StaticClass() {
    static const TMetaClass meta("TObject", nullptr);
    return meta;
}

const TMetaClass& TObject::ClassType() const { return StaticClass(); }

std::string TObject::ClassName() const { return ClassType().ClassName(); }

bool TObject::InheritsFrom(const TMetaClass& Class) const { return ClassType().InheritsFrom(Class); }

}  // namespace vcl
