// DesignEditors.h - property editors: the objects through which the object
// inspector shows a published property of the selected components as text,
// offers a list of values, expands sub-properties and opens dialogs; and the
// registry that chooses the editor of a property.
//
// Writing an editor:
//     class TFileNameProperty : public TStringProperty {
//     public:
//         using TStringProperty::TStringProperty;
//         TPropertyAttributes GetAttributes() const override { return {paDialog, paRevertable}; }
//         void Edit() override { ... SetStrValue(chosen); }
//     };
//     RegisterPropertyEditor<TFileNameProperty>(TPropertyType::Of<std::string>(),
//                                               &TMyComponent::StaticClass(), "FileName");
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "Classes.h"
#include "Sets.h"
#include "TypInfo.h"

namespace vcl {

class TPropertyEditor;

// How the inspector treats a property's row.
//   paValueList      the editor offers a list of values (GetValues)
//   paSubProperties  the row expands into sub-properties (GetProperties)
//   paDialog         the row has an ellipsis button that runs Edit
//   paMultiSelect    the row is shown when several components are selected
//   paAutoUpdate     SetValue is called on every change of the text
//   paSortList       the value list is shown sorted
//   paReadOnly       the text cannot be typed over
//   paRevertable     the value can be reverted to the inherited one
//   paFullWidthName  the name takes the whole row
//   paVolatileSubProperties  sub-properties change with the value
VCL_ENUM(TPropertyAttribute, paValueList, paSubProperties, paDialog, paMultiSelect, paAutoUpdate,
         paSortList, paReadOnly, paRevertable, paFullWidthName, paVolatileSubProperties)
using TPropertyAttributes = Set<TPropertyAttribute>;

using TTypeKinds = Set<TTypeKind>;
// Every kind the object inspector shows (all but events and unknown types).
TTypeKinds InspectorKinds();

// What the property editors need from the form designer they work for.
class IDesigner {
public:
    virtual ~IDesigner() = default;
    // A property of a designed component was changed.
    virtual void Modified() = 0;
    // The component being designed (a form); may be nullptr once it is gone.
    virtual TComponent* GetRoot() const = 0;
    // Calls Proc with the name of every component of the root that is of
    // Class (or a descendant), in creation order.
    virtual void GetComponentNames(const TMetaClass& Class,
                                   const std::function<void(const std::string&)>& Proc) const = 0;
    // The root's component of that name (case-insensitive), or nullptr.
    virtual TComponent* GetComponent(const std::string& Name) const = 0;
    // The name under which a reference to Component is shown: its name for a
    // component of the root, "Owner.Name" for one of another root.
    virtual std::string GetComponentName(const TComponent* Component) const = 0;
    // A component name not used in the root: "TButton" -> "Button1", ...
    virtual std::string UniqueName(const std::string& BaseName) const = 0;
};

// One selected object and the published property of it that an editor edits.
// The property information is that object's own (two classes may publish a
// property of the same name and type separately).
struct TPropEntry {
    TPersistent* Instance = nullptr;
    const TPropInfo* PropInfo = nullptr;
};

using TGetPropEditProc = std::function<void(std::unique_ptr<TPropertyEditor>)>;
using TGetStrProc = std::function<void(const std::string&)>;

// The base of all property editors.  An editor is made for one property
// shared by the N selected objects; it reads the value of the first and
// writes all of them.  A write that fails on one object puts the objects
// already written back to their old values and re-raises, so a selection is
// never left half changed.  Every successful write calls Modified().
class TPropertyEditor {
public:
    // EPropertyError when Props is empty or holds a null instance/property.
    TPropertyEditor(IDesigner* Designer, std::vector<TPropEntry> Props);
    TPropertyEditor(IDesigner* Designer, TPersistent* Instance, const TPropInfo& PropInfo);
    TPropertyEditor(const TPropertyEditor&) = delete;
    TPropertyEditor& operator=(const TPropertyEditor&) = delete;
    virtual ~TPropertyEditor() = default;

    IDesigner* Designer() const { return FDesigner; }
    int PropCount() const { return static_cast<int>(FProps.size()); }
    TPersistent* GetComponent(int Index) const;
    const TPropInfo* GetPropInfo() const { return FProps.front().PropInfo; }
    const TPropInfo* GetPropInfoAt(int Index) const;

    // Called once after construction, before the editor is handed out.
    virtual void Initialize() {}
    // Default: {paRevertable}.
    virtual TPropertyAttributes GetAttributes() const;
    // The row's caption; default: the property name.
    virtual std::string GetName() const;
    // The value as text; default "(unknown)".
    virtual std::string GetValue() const;
    // Sets the value from text; the default ignores it.
    virtual void SetValue(const std::string& Value);
    // The ellipsis button (or a double click).  Default: for an editor with
    // paValueList and without paReadOnly, moves the value to the next entry
    // of its value list (wrapping round); otherwise nothing.
    virtual void Edit();
    // The value list of paValueList editors; default: none.
    virtual void GetValues(const TGetStrProc& Proc) const;
    // True when every selected object has the same value; default: true
    // for a single object only.
    virtual bool AllEqual() const;
    // The editors of the sub-properties of paSubProperties editors.
    virtual void GetProperties(const TGetPropEditProc& Proc) const;

    // Tells the designer that a value was changed.
    void Modified();

    // Values of the first object (...At: of object Index).  EPropertyError
    // when the property is not of a kind that has such a value.
    int64_t GetOrdValue() const { return GetOrdValueAt(0); }
    int64_t GetOrdValueAt(int Index) const;
    int64_t GetInt64Value() const { return GetOrdValueAt(0); }
    int64_t GetInt64ValueAt(int Index) const { return GetOrdValueAt(Index); }
    long double GetFloatValue() const { return GetFloatValueAt(0); }
    long double GetFloatValueAt(int Index) const;
    std::string GetStrValue() const { return GetStrValueAt(0); }
    std::string GetStrValueAt(int Index) const;
    TObject* GetObjValue() const { return GetObjValueAt(0); }
    TObject* GetObjValueAt(int Index) const;

    // Writes of all objects.  SetOrdValue checks the value against the
    // property's range (integers), its names (enumerations) or its elements
    // (sets) and raises EPropertyError without writing anything.
    void SetOrdValue(int64_t Value);
    void SetInt64Value(int64_t Value) { SetOrdValue(Value); }
    void SetFloatValue(long double Value);
    void SetStrValue(const std::string& Value);
    void SetObjValue(TObject* Value);

protected:
    const std::vector<TPropEntry>& Props() const { return FProps; }
    // Writes each object through Write(entry); on an exception restores the
    // objects already written through Restore(entry, index) and re-raises.
    // Calls Modified() after success.
    void WriteAll(const std::function<void(const TPropEntry&)>& Save,
                  const std::function<void(const TPropEntry&)>& Write,
                  const std::function<void(const TPropEntry&, size_t)>& Restore);
    // Checks an ordinal against the property's range; EPropertyError.
    void CheckOrdValue(const TPropInfo& Prop, int64_t Value) const;

private:
    IDesigner* FDesigner;
    std::vector<TPropEntry> FProps;
};

// Ordinal properties (integers, enumerations, sets): all equal when the
// ordinal values are.
class TOrdinalProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paRevertable}
    bool AllEqual() const override;
};

// Integers of any width.  SetValue takes decimal or "$hex" text:
// EConvertError for text that is not a number, EPropertyError for a number
// outside the property's range; nothing is written in either case.
class TIntegerProperty : public TOrdinalProperty {
public:
    using TOrdinalProperty::TOrdinalProperty;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
};

// Enumerations: the value is the name; the value list is the names in
// declaration order.  An unknown name raises EPropertyError.
class TEnumProperty : public TOrdinalProperty {
public:
    using TOrdinalProperty::TOrdinalProperty;
    TPropertyAttributes GetAttributes() const override;  // + paValueList, paSortList
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    void GetValues(const TGetStrProc& Proc) const override;
};

// Boolean: "False" / "True", in that order.
class TBoolProperty : public TEnumProperty {
public:
    using TEnumProperty::TEnumProperty;
    TPropertyAttributes GetAttributes() const override;  // no paSortList
};

// Sets: "[a,b]" with the elements in declaration order.  SetValue takes the
// same form (brackets and blanks optional, names case-insensitive); an
// unknown name raises EPropertyError.  One Boolean sub-property per element.
class TSetProperty : public TOrdinalProperty {
public:
    using TOrdinalProperty::TOrdinalProperty;
    TPropertyAttributes GetAttributes() const override;  // + paSubProperties (the text can be typed)
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    void GetProperties(const TGetPropEditProc& Proc) const override;
};

// One element of a set property, shown as a Boolean named after the element.
// Setting it includes or excludes that element in each selected object and
// keeps the other elements of each as they are.
class TSetElementProperty : public TPropertyEditor {
public:
    TSetElementProperty(IDesigner* Designer, std::vector<TPropEntry> Props, int Element);
    TPropertyAttributes GetAttributes() const override;  // paMultiSelect, paValueList
    std::string GetName() const override;
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    void GetValues(const TGetStrProc& Proc) const override;
    bool AllEqual() const override;
    int Element() const { return FElement; }

private:
    int FElement;
};

// Floating point values, shown with the significant digits of their type
// (7 single, 15 double, 18 extended).  Bad text raises EConvertError.
class TFloatProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paRevertable}
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    bool AllEqual() const override;
};

// Strings, edited as they are.
class TStringProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paRevertable}
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    bool AllEqual() const override;
};

// The Name of a component: a string without paMultiSelect, since two
// components of one owner cannot share a name.
class TComponentNameProperty : public TStringProperty {
public:
    using TStringProperty::TStringProperty;
    TPropertyAttributes GetAttributes() const override;  // {paRevertable}
};

// Persistent sub-objects (a font, a pen): the value is "(TFont)", the
// sub-object's published properties are the sub-properties.
class TClassProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paSubProperties, paReadOnly}
    std::string GetValue() const override;
    void GetProperties(const TGetPropEditProc& Proc) const override;
};

// String-list sub-objects: the value is "(TStringList)"; read-only here.
class TStringsProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paReadOnly}
    std::string GetValue() const override;
};

// References to components: the value is the component's name (empty for
// none); the value list holds the designer's components of the property's
// class.  Empty text clears the reference; a name that is not such a
// component raises EPropertyError.
class TComponentProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paValueList, paSortList, paRevertable}
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    void GetValues(const TGetStrProc& Proc) const override;
    bool AllEqual() const override;
};

// Colours: "clRed" where the colour has a name, "$00BBGGRR" otherwise; takes
// a name, "$hex" or a decimal number (EConvertError for anything else).  The
// value list is the colour names.
class TColorProperty : public TIntegerProperty {
public:
    using TIntegerProperty::TIntegerProperty;
    TPropertyAttributes GetAttributes() const override;  // {paMultiSelect, paValueList, paRevertable}
    std::string GetValue() const override;
    void SetValue(const std::string& Value) override;
    void GetValues(const TGetStrProc& Proc) const override;
};

// ---------------------------------------------------------------------------
// Registration

// Says which properties an editor registration is for, by their type.
//   TPropertyType::Of<std::string>()     every string property
//   TPropertyType::Of<bool>()            every Boolean property
//   TPropertyType::Of<TCvLEDType>()      properties of that enumeration
//   TPropertyType::Of<Set<TShade>>()     properties of that set type
//   TPropertyType::Of<uint8_t>()         byte properties
//   TPropertyType::Of<TFont*>()          properties holding a TFont or a descendant
//   TPropertyType::Color()               colour properties (declared with ColorIdents)
//   TPropertyType::OfKind(tkInteger)     every property of a kind
class TPropertyType {
public:
    static TPropertyType OfKind(TTypeKind Kind);
    static TPropertyType Boolean();
    static TPropertyType Enum(const TEnumInfo& Info);
    static TPropertyType SetOf(const TEnumInfo& Elements);
    // Integers of one storage type (tkInteger or tkInt64 with an TOrdType).
    static TPropertyType Ordinal(TTypeKind Kind, TOrdType OrdType);
    static TPropertyType Float(TFloatType FloatType);
    // Class properties (sub-objects, references, string lists) whose class
    // is Class or derives from it.
    static TPropertyType Class(const TMetaClass& Class);
    static TPropertyType Color();

    template <class T>
    static TPropertyType Of();

    bool Matches(const TPropInfo& Prop) const;
    // Larger is more specific: a kind 0, a storage type 1, an enumeration,
    // set or colour 2, a class 2 + its depth in the class tree.
    int Specificity() const;

private:
    enum class TMatch { Kind, Ordinal, Float, Boolean, Enum, Set, Class, Color };
    TMatch FMatch = TMatch::Kind;
    TTypeKind FKind = tkUnknown;
    TOrdType FOrdType = otSLong;
    TFloatType FFloatType = ftDouble;
    const TEnumInfo* FEnum = nullptr;
    const TMetaClass* FClass = nullptr;
};

using TPropertyEditorFactory =
    std::function<std::unique_ptr<TPropertyEditor>(IDesigner* Designer, std::vector<TPropEntry> Props)>;

// Registers an editor for the properties of PropertyType, of the components
// of ComponentClass and its descendants (nullptr: of any class), named
// PropertyName (case-insensitive; "": any name).  The editor of a property
// is that of the most specific matching registration: class and name beat a
// name alone, which beats a class alone, which beats the type alone; then
// the most derived registered component class, then the most specific
// property type; between equals the later registration.  Without a match
// the standard editor of the property's kind is used.
void RegisterPropertyEditor(const TPropertyType& PropertyType, const TMetaClass* ComponentClass,
                            const std::string& PropertyName, TPropertyEditorFactory Factory);

template <class TEditor>
void RegisterPropertyEditor(const TPropertyType& PropertyType, const TMetaClass* ComponentClass,
                            const std::string& PropertyName) {
    static_assert(std::is_base_of_v<TPropertyEditor, TEditor>, "TEditor must be a TPropertyEditor");
    RegisterPropertyEditor(PropertyType, ComponentClass, PropertyName,
                           [](IDesigner* Designer, std::vector<TPropEntry> Props) -> std::unique_ptr<TPropertyEditor> {
                               return std::make_unique<TEditor>(Designer, std::move(Props));
                           });
}

// Forgets the registrations for ComponentClass (exactly that class), or
// every registration (a package being unloaded, a test cleaning up).
void UnregisterPropertyEditors(const TMetaClass* ComponentClass);
void ClearPropertyEditors();

// The editor (already initialised) for one property of one object.
std::unique_ptr<TPropertyEditor> CreatePropertyEditor(IDesigner* Designer, TPersistent* Instance,
                                                      const TPropInfo& Prop);

// Calls Proc with an editor for every published property, of a kind in
// Filter, that all the objects in Selection have (same name and type) and
// for which all of them get the same editor, in published order.  With more
// than one object only editors with paMultiSelect are handed out.
void GetComponentProperties(const std::vector<TPersistent*>& Selection, TTypeKinds Filter,
                            IDesigner* Designer, const TGetPropEditProc& Proc);

// ---------------------------------------------------------------------------

template <class T>
TPropertyType TPropertyType::Of() {
    if constexpr (std::is_same_v<T, bool>)
        return Boolean();
    else if constexpr (std::is_enum_v<T>)
        return Enum(EnumInfoOf<T>());
    else if constexpr (std::is_integral_v<T>)
        return Ordinal(sizeof(T) == 8 ? tkInt64 : tkInteger, detail::OrdTypeOf<T>());
    else if constexpr (IsSet<T>::value)
        return SetOf(EnumInfoOf<typename T::Element>());
    else if constexpr (std::is_floating_point_v<T>)
        return Float(sizeof(T) == sizeof(float) ? ftSingle : std::is_same_v<T, long double> ? ftExtended : ftDouble);
    else if constexpr (std::is_same_v<T, std::string>)
        return OfKind(tkString);
    else if constexpr (std::is_pointer_v<T>)
        return Class(std::remove_cv_t<std::remove_pointer_t<T>>::StaticClass());
    else
        static_assert(sizeof(T) == 0, "no property type for this C++ type");
}

}  // namespace vcl
