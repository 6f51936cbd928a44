// DesignerHost.h - a form designer without a screen: it holds the component
// being designed, the selection, and shows the selection's properties as
// the rows of an object inspector that can be read, typed into, dropped
// down and clicked.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DesignEditors.h"

namespace vcl {

// One row of the object inspector.
struct TInspectorRow {
    std::string Name;
    // The value text; empty when the selected objects differ in the value.
    std::string Value;
    TPropertyAttributes Attributes;
};

// The designer.  The root is not owned; the host marks it and everything it
// owns as being designed.  Selected components that are destroyed leave the
// selection; when the root is destroyed the host is left without one.
//
// Rows are addressed by name (case-insensitive); a dotted path reaches the
// sub-properties of an expandable row: "Font.Color", "Options.opBold".
class TDesignerHost : public IDesigner {
public:
    explicit TDesignerHost(TComponent* Root);
    ~TDesignerHost() override;
    TDesignerHost(const TDesignerHost&) = delete;
    TDesignerHost& operator=(const TDesignerHost&) = delete;

    TComponent* Root() const { return FRoot; }

    // Selects objects (components of the root or their sub-objects).  Null
    // entries raise EInvalidOperation and leave the selection as it was;
    // duplicates are dropped.
    void Select(const std::vector<TPersistent*>& Objects);
    const std::vector<TPersistent*>& Selection() const { return FSelection; }

    // The rows of the selection, in published order; Parent names an
    // expandable row whose sub-rows are wanted ("" for the top level).
    std::vector<TInspectorRow> Rows(const std::string& Parent = "") const;
    std::string RowValue(const std::string& Name) const;
    // Sets a row from text as the inspector does when the text is typed and
    // confirmed.  EPropertyError for an unknown or read-only row; the
    // editor's exceptions (EConvertError, EPropertyError, ...) propagate and
    // nothing is changed.
    void SetRowValue(const std::string& Name, const std::string& Text);
    // Runs the editor's Edit, as the ellipsis button (or a double click) does.
    void EditRow(const std::string& Name);
    // The value list of a row, sorted when the row asks for it.
    std::vector<std::string> RowValues(const std::string& Name) const;
    // The editor behind a row (for inspecting its class or attributes).
    std::unique_ptr<TPropertyEditor> RowEditor(const std::string& Name) const;

    // Creates a component of Class through its class factory, owned by
    // Owner (nullptr: the root; otherwise the root or a component it owns),
    // with a unique name, marked as being designed.  EInvalidOperation for a
    // class that cannot be created or an owner outside the design.
    TComponent* CreateComponent(const TMetaClass& Class, TComponent* Owner = nullptr);
    // The same through the class registry (EClassNotFound for an unknown name).
    TComponent* CreateComponent(const std::string& ClassName, TComponent* Owner = nullptr);

    int ModifiedCount() const { return FModifiedCount; }
    const std::function<void()>& OnModified() const { return FOnModified; }
    void SetOnModified(std::function<void()> Handler) { FOnModified = std::move(Handler); }

    // IDesigner
    void Modified() override;
    TComponent* GetRoot() const override { return FRoot; }
    void GetComponentNames(const TMetaClass& Class,
                           const std::function<void(const std::string&)>& Proc) const override;
    TComponent* GetComponent(const std::string& Name) const override;
    std::string GetComponentName(const TComponent* Component) const override;
    // BaseName is a class name or a plain name: a leading "T" is dropped
    // ("TButton" -> "Button1", "Button2", ...).
    std::string UniqueName(const std::string& BaseName) const override;

private:
    class TWatcher;
    friend class TWatcher;
    void ComponentGone(TComponent* Component);
    bool InDesign(const TComponent* Component) const;
    bool NameUsed(const std::string& Name) const;

    TComponent* FRoot;
    std::unique_ptr<TWatcher> FWatcher;
    std::vector<TPersistent*> FSelection;
    int FModifiedCount = 0;
    std::function<void()> FOnModified;
};

}  // namespace vcl
