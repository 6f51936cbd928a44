// TypInfo.h - run-time class information: class names and ancestry, the
// published properties of a class, and the names of enumeration values.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "System.h"

namespace vcl {

class TStrings;

enum TTypeKind {
    tkUnknown,
    tkInteger,      // 8, 16 and 32-bit integers
    tkInt64,        // 64-bit integers
    tkEnumeration,  // enumerations and Boolean
    tkSet,          // vcl::Set<E>
    tkFloat,        // float, double (TDateTime), long double (Extended)
    tkString,       // std::string holding UTF-8
    tkClass,        // a persistent sub-object or a reference to a component
    tkStrings,      // a TStrings sub-object, streamed as a list of strings
    tkMethod        // an event
};

enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong, otSInt64, otUInt64 };
enum TFloatType { ftSingle, ftDouble, ftExtended };

// Names of the values of an enumeration, indexed by ordinal.
struct TEnumInfo {
    std::string TypeName;
    std::vector<std::string> Names;

    int Count() const { return static_cast<int>(Names.size()); }
    // The ordinal of a value name (ASCII case-insensitive), or -1.
    int IndexOf(std::string_view Name) const;
    // The name of an ordinal; an empty string when out of range.
    std::string NameOf(int64_t Ordinal) const;
};

// Builds a TEnumInfo from the stringified list "a, b, c".
TEnumInfo MakeEnumInfo(const char* TypeName, const char* CommaSeparatedNames);

// The value names of Boolean ("False", "True").
const TEnumInfo& BooleanEnumInfo();

// Declares the value names of an enumeration whose values count from 0 in
// declaration order.  Put it in the enumeration's namespace:
//     enum TCvLEDType { cvltRound, cvltSquare };
//     VCL_ENUM_INFO(TCvLEDType, cvltRound, cvltSquare)
#define VCL_ENUM_INFO(E, ...)                                                    \
    inline const ::vcl::TEnumInfo& VclEnumInfo(E) {                              \
        static const ::vcl::TEnumInfo info = ::vcl::MakeEnumInfo(#E, #__VA_ARGS__); \
        return info;                                                             \
    }

// Declares an unscoped enumeration together with its value names.
#define VCL_ENUM(E, ...)       \
    enum E { __VA_ARGS__ };    \
    VCL_ENUM_INFO(E, __VA_ARGS__)

// Declares a scoped enumeration together with its value names.
#define VCL_ENUM_CLASS(E, ...)    \
    enum class E { __VA_ARGS__ }; \
    VCL_ENUM_INFO(E, __VA_ARGS__)

// The value names of enumeration E.
template <class E>
const TEnumInfo& EnumInfoOf() {
    return VclEnumInfo(E{});
}

class TMetaClass;

// One published property: its name, kind and accessors.  The accessors take
// the object the property belongs to; the class builder makes them.
struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    TOrdType OrdType = otSLong;
    TFloatType FloatType = ftDouble;
    const TEnumInfo* Enum = nullptr;  // tkEnumeration: the values; tkSet: the elements
    // tkClass: the class of the property's objects.
    const TMetaClass& (*PropClass)() = nullptr;
    // tkClass: true for a reference to a component (streamed by name), false
    // for a persistent sub-object owned by the object (streamed inline).
    bool IsReference = false;

    // Declared stream defaults; an empty optional means "no default", so the
    // property is always written.
    std::optional<int64_t> OrdDefault;     // tkInteger, tkInt64, tkEnumeration, tkSet (bit mask)
    std::optional<long double> FloatDefault;
    std::optional<std::string> StrDefault;

    std::function<int64_t(const TObject&)> GetOrd;
    std::function<void(TObject&, int64_t)> SetOrd;
    std::function<long double(const TObject&)> GetFloat;
    std::function<void(TObject&, long double)> SetFloat;
    std::function<std::string(const TObject&)> GetStr;
    std::function<void(TObject&, const std::string&)> SetStr;
    std::function<TObject*(const TObject&)> GetObj;  // tkClass, tkStrings
    std::function<void(TObject&, TObject*)> SetObj;  // tkClass references
    std::function<bool(const TObject&)> StoredFn;    // empty: always stored
    // tkInteger: names for some values (colours as clRed, cursors as
    // crHandPoint).  The writer uses the name where there is one; the reader
    // takes a name or a number.
    std::function<bool(int64_t Value, std::string& Ident)> IntToIdent;
    std::function<bool(const std::string& Ident, int64_t& Value)> IdentToInt;

    // Chainable declarations.
    TPropInfo& Default(int64_t Value) {
        OrdDefault = Value;
        return *this;
    }
    TPropInfo& DefaultFloat(long double Value) {
        FloatDefault = Value;
        return *this;
    }
    TPropInfo& DefaultStr(std::string Value) {
        StrDefault = std::move(Value);
        return *this;
    }
    TPropInfo& Idents(std::function<bool(int64_t, std::string&)> ToIdent,
                      std::function<bool(const std::string&, int64_t&)> FromIdent) {
        IntToIdent = std::move(ToIdent);
        IdentToInt = std::move(FromIdent);
        return *this;
    }
    // Any pair holding ToIdent and FromIdent members (ColorIdents()).
    template <class TPair>
    TPropInfo& Idents(const TPair& Pair) {
        return Idents(Pair.ToIdent, Pair.FromIdent);
    }
    TPropInfo& Stored(std::function<bool(const TObject&)> Fn) {
        StoredFn = std::move(Fn);
        return *this;
    }

    bool IsStored(const TObject& Instance) const { return !StoredFn || StoredFn(Instance); }
    // True when the value equals the declared default (false without one).
    bool IsDefaultValue(const TObject& Instance) const;
    // The range of values an integer property holds.
    int64_t MinValue() const;
    int64_t MaxValue() const;
};

class TComponent;

// Run-time class information: name, ancestor, published properties and
// (for components) a factory.
class TMetaClass {
public:
    using TFactory = TComponent* (*)(TComponent* Owner);
    using TInit = void (*)(TMetaClass&);

    TMetaClass(const char* Name, const TMetaClass* Parent, TFactory Factory = nullptr,
               TInit Init = nullptr);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const std::string& ClassName() const { return FName; }
    const TMetaClass* ClassParent() const { return FParent; }
    bool InheritsFrom(const TMetaClass& Other) const;
    bool CanCreate() const { return FFactory != nullptr; }
    // Creates an instance owned by Owner; EInvalidOperation for classes that
    // cannot be created by name (abstract classes, non-components).
    TComponent* Create(TComponent* Owner) const;

    // Published properties, those of the ancestors first.  A property
    // published again by a descendant keeps its ancestor's place.
    std::vector<const TPropInfo*> Properties() const;
    // The property of that name (ASCII case-insensitive), or nullptr.
    const TPropInfo* FindProperty(std::string_view Name) const;
    // Properties declared by this class itself.
    const std::vector<TPropInfo>& OwnProperties() const { return FProps; }

    TPropInfo& AddProperty(TPropInfo Info);

private:
    std::string FName;
    const TMetaClass* FParent;
    TFactory FFactory;
    std::vector<TPropInfo> FProps;
};

// Defines the run-time class information of a class without published
// properties (use VCL_PUBLISHED from Classes.h for classes that have some).
#define VCL_IMPLEMENT_CLASS(ThisClass, ParentClass)                                   \
    const ::vcl::TMetaClass& ThisClass::StaticClass() {                               \
        static const ::vcl::TMetaClass meta(#ThisClass, &ParentClass::StaticClass()); \
        return meta;                                                                  \
    }                                                                                 \
    const ::vcl::TMetaClass& ThisClass::ClassType() const { return StaticClass(); }

}  // namespace vcl
