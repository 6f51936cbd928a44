// Classes.h - persistent objects, components and their published properties.
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "Exceptions.h"
#include "Lists.h"
#include "Sets.h"
#include "Streams.h"
#include "System.h"
#include "TypInfo.h"

namespace vcl {

class TFiler;
class TReader;
class TWriter;
class TComponent;

// An object that can copy itself from another (Assign) and be streamed.
class TPersistent : public TObject {
    VCL_DECLARE_CLASS(TPersistent)
public:
    // Copies Source into this object.  The default asks Source to assign
    // itself (AssignTo) and raises EConvertError when neither side knows how.
    virtual void Assign(const TPersistent* Source);
    // The dotted name of this object as the streaming system shows it.
    virtual std::string GetNamePath() const;

protected:
    virtual void AssignTo(TPersistent* Dest) const;
    // Declares properties that are streamed by code of the object's own
    // rather than through published properties.
    virtual void DefineProperties(TFiler& Filer);
    // The object this one belongs to, for GetNamePath.
    virtual TPersistent* GetOwner() const { return nullptr; }

    friend class TFiler;
    friend class TReader;
    friend class TWriter;
};

VCL_ENUM(TComponentStateFlag, csLoading, csReading, csWriting, csDestroying, csDesigning,
         csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
using TComponentState = Set<TComponentStateFlag>;

VCL_ENUM(TOperation, opInsert, opRemove)

// A component: owned by another component, named, streamed to form files.
// The owner frees its components in reverse order of creation.  Components
// that keep pointers to other components ask for FreeNotification and clear
// the pointers in Notification(…, opRemove).
class TComponent : public TPersistent {
    VCL_DECLARE_CLASS(TComponent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    // Position of this component in its owner's list, -1 without owner.
    int ComponentIndex() const;
    // The owned component of that name (ASCII case-insensitive), or nullptr.
    TComponent* FindComponent(const std::string& AName) const;

    const std::string& Name() const { return FName; }
    // Renames the component; raises EComponentError for a name that is not
    // an identifier or that another component of the same owner has.
    virtual void SetName(const std::string& NewName);
    int32_t Tag() const { return FTag; }
    void SetTag(int32_t Value) { FTag = Value; }
    TComponentState ComponentState() const { return FComponentState; }

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Frees the owned components, the last created first.
    void DestroyComponents();
    // Marks the component (and its owned components) as being destroyed.
    void Destroying();
    // Asks for a Notification(AComponent, opRemove) when AComponent goes, and
    // tells AComponent the same about this one.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Design-time and loading state.
    void SetDesigning(bool Value, bool SetChildren = true);
    void SetLoading(bool Value);  // used by the form reader
    bool IsDesigning() const { return FComponentState.Contains(csDesigning); }
    bool IsLoading() const { return FComponentState.Contains(csLoading); }

    // Called once after the form reader has set every property of the
    // component and of all components read with it.
    virtual void Loaded();
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // Child components written inside this one in a form file.  The default
    // hands over the owned components when this component is the root.
    virtual void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root);
    // True when the component is placed inside a parent other than its owner
    // (controls); the reader then calls SetParentComponent.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* Value);

    std::string GetNamePath() const override;

    // The published About pseudo-property of the pack's components lives in
    // the components themselves; this is the general Tag/Name pair only.

protected:
    virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName);
    TPersistent* GetOwner() const override { return FOwner; }
    void SetComponentState(TComponentState Value) { FComponentState = Value; }

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void RemoveNotification(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    std::string FName;
    int32_t FTag = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState;
};

// ---------------------------------------------------------------------------
// Class registry: classes created by name when a form file is read.

void RegisterClass(const TMetaClass& Class);
void RegisterClasses(std::initializer_list<const TMetaClass*> Classes);
void UnRegisterClass(const TMetaClass& Class);
// The registered class of that name, or nullptr.
const TMetaClass* GetClass(const std::string& ClassName);
// The registered class of that name; EClassNotFound "Class X not found" otherwise.
const TMetaClass& FindClass(const std::string& ClassName);

// ---------------------------------------------------------------------------
// Publishing properties.

namespace detail {

template <class T>
constexpr TOrdType OrdTypeOf() {
    if constexpr (sizeof(T) == 1)
        return std::is_signed_v<T> ? otSByte : otUByte;
    else if constexpr (sizeof(T) == 2)
        return std::is_signed_v<T> ? otSWord : otUWord;
    else if constexpr (sizeof(T) == 4)
        return std::is_signed_v<T> ? otSLong : otULong;
    else
        return std::is_signed_v<T> ? otSInt64 : otUInt64;
}

template <class T>
struct IsFunction : std::false_type {};
template <class R, class... A>
struct IsFunction<std::function<R(A...)>> : std::true_type {};

}  // namespace detail

// Adds the published properties of class C.  Getters are member functions
// `V (C::*)() const` or callables `V(const C&)`; setters are member functions
// `void (C::*)(V)` or callables `void(C&, V)`.  The value type chooses the
// property kind: integers, bool, enumerations with VCL_ENUM_INFO, Set<E>,
// floating point, std::string, pointers to TStrings (streamed as a list), to
// a TPersistent sub-object (streamed inline), or to a TComponent (streamed
// as a reference by name).
template <class C>
class TClassBuilder {
public:
    explicit TClassBuilder(TMetaClass& Meta) : FMeta(Meta) {}

    template <class G, class S>
    TPropInfo& Property(const char* Name, G Getter, S Setter) {
        using V = std::decay_t<std::invoke_result_t<G, const C&>>;
        TPropInfo p;
        p.Name = Name;
        if constexpr (std::is_same_v<V, bool>) {
            p.Kind = tkEnumeration;
            p.OrdType = otUByte;
            p.Enum = &BooleanEnumInfo();
            p.GetOrd = [Getter](const TObject& o) -> int64_t {
                return std::invoke(Getter, static_cast<const C&>(o)) ? 1 : 0;
            };
            p.SetOrd = [Setter](TObject& o, int64_t v) { std::invoke(Setter, static_cast<C&>(o), v != 0); };
        } else if constexpr (std::is_enum_v<V>) {
            p.Kind = tkEnumeration;
            p.OrdType = detail::OrdTypeOf<std::underlying_type_t<V>>();
            p.Enum = &EnumInfoOf<V>();
            p.GetOrd = [Getter](const TObject& o) -> int64_t {
                return static_cast<int64_t>(std::invoke(Getter, static_cast<const C&>(o)));
            };
            p.SetOrd = [Setter](TObject& o, int64_t v) {
                std::invoke(Setter, static_cast<C&>(o), static_cast<V>(v));
            };
        } else if constexpr (std::is_integral_v<V>) {
            p.Kind = sizeof(V) == 8 ? tkInt64 : tkInteger;
            p.OrdType = detail::OrdTypeOf<V>();
            p.GetOrd = [Getter](const TObject& o) -> int64_t {
                return static_cast<int64_t>(std::invoke(Getter, static_cast<const C&>(o)));
            };
            p.SetOrd = [Setter](TObject& o, int64_t v) {
                std::invoke(Setter, static_cast<C&>(o), static_cast<V>(v));
            };
        } else if constexpr (IsSet<V>::value) {
            p.Kind = tkSet;
            p.OrdType = otUInt64;
            p.Enum = &EnumInfoOf<typename V::Element>();
            p.GetOrd = [Getter](const TObject& o) -> int64_t {
                return static_cast<int64_t>(std::invoke(Getter, static_cast<const C&>(o)).Bits());
            };
            p.SetOrd = [Setter](TObject& o, int64_t v) {
                std::invoke(Setter, static_cast<C&>(o), V::FromBits(static_cast<uint64_t>(v)));
            };
        } else if constexpr (std::is_floating_point_v<V>) {
            p.Kind = tkFloat;
            p.FloatType = sizeof(V) == sizeof(float) ? ftSingle
                          : std::is_same_v<V, long double> ? ftExtended
                                                           : ftDouble;
            p.GetFloat = [Getter](const TObject& o) -> long double {
                return static_cast<long double>(std::invoke(Getter, static_cast<const C&>(o)));
            };
            p.SetFloat = [Setter](TObject& o, long double v) {
                std::invoke(Setter, static_cast<C&>(o), static_cast<V>(v));
            };
        } else if constexpr (std::is_same_v<V, std::string>) {
            p.Kind = tkString;
            p.GetStr = [Getter](const TObject& o) -> std::string {
                return std::invoke(Getter, static_cast<const C&>(o));
            };
            p.SetStr = [Setter](TObject& o, const std::string& v) { std::invoke(Setter, static_cast<C&>(o), v); };
        } else if constexpr (std::is_pointer_v<V>) {
            using T = std::remove_cv_t<std::remove_pointer_t<V>>;
            p.GetObj = [Getter](const TObject& o) -> TObject* {
                return const_cast<T*>(std::invoke(Getter, static_cast<const C&>(o)));
            };
            if constexpr (std::is_base_of_v<TStrings, T>) {
                p.Kind = tkStrings;
                p.PropClass = &T::StaticClass;
                p.SetObj = [Setter](TObject& o, TObject* v) {
                    std::invoke(Setter, static_cast<C&>(o), static_cast<T*>(v));
                };
            } else {
                static_assert(std::is_base_of_v<TPersistent, T>,
                              "object properties must point to TPersistent descendants or TStrings");
                p.Kind = tkClass;
                p.PropClass = &T::StaticClass;
                p.IsReference = std::is_base_of_v<TComponent, T>;
                p.SetObj = [Setter](TObject& o, TObject* v) {
                    std::invoke(Setter, static_cast<C&>(o), static_cast<T*>(v));
                };
            }
        } else {
            static_assert(sizeof(V) == 0, "unsupported published property type");
        }
        return FMeta.AddProperty(std::move(p));
    }

    TMetaClass& Meta() { return FMeta; }

private:
    TMetaClass& FMeta;
};

namespace detail {
template <class C>
TComponent* CreateComponent(TComponent* Owner) {
    return new C(Owner);
}
template <class C>
constexpr TMetaClass::TFactory FactoryOf() {
    if constexpr (std::is_base_of_v<TComponent, C> && !std::is_abstract_v<C> &&
                  std::is_constructible_v<C, TComponent*>)
        return &CreateComponent<C>;
    else
        return nullptr;
}
}  // namespace detail

// Defines the run-time class information of a class with published
// properties; the block that follows declares them through the builder B:
//     VCL_PUBLISHED(TCvLed, TCvCustomLed) {
//         B.Property("Color", &TCvLed::Color, &TCvLed::SetColor).Default(clRed);
//     }
// Use it inside the class's namespace.
#define VCL_PUBLISHED(ThisClass, ParentClass)                                             \
    static void VclPublish_##ThisClass(::vcl::TClassBuilder<ThisClass>& B);              \
    const ::vcl::TMetaClass& ThisClass::StaticClass() {                                   \
        static const ::vcl::TMetaClass meta(                                              \
            #ThisClass, &ParentClass::StaticClass(), ::vcl::detail::FactoryOf<ThisClass>(), \
            [](::vcl::TMetaClass& m) {                                                    \
                ::vcl::TClassBuilder<ThisClass> b(m);                                     \
                VclPublish_##ThisClass(b);                                                \
            });                                                                           \
        return meta;                                                                      \
    }                                                                                     \
    const ::vcl::TMetaClass& ThisClass::ClassType() const { return StaticClass(); }       \
    static void VclPublish_##ThisClass([[maybe_unused]] ::vcl::TClassBuilder<ThisClass>& B)

}  // namespace vcl
