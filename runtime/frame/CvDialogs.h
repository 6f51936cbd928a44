// CvDialogs.h - the base of the pack's dialog components and the property
// editor that runs a dialog from the object inspector.
#pragma once

#include "Classes.h"
#include "DesignEditors.h"

namespace corvane {

// A non-visual component that shows a dialog when Execute is called.  The
// published DesignShow is a plain flag nobody reads: it gives the object
// inspector a row whose editor runs the dialog (TCvDialogShowProperty).
class TCvDialogComponent : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvDialogComponent)
public:
    explicit TCvDialogComponent(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

    // Shows the dialog; what the result means is up to each dialog.
    virtual bool Execute() = 0;

    bool DesignShow() const { return FDesignShow; }
    void SetDesignShow(bool Value) { FDesignShow = Value; }

private:
    bool FDesignShow = false;
};

// The editor of DesignShow: shows "[ TClassName ]" and runs the first
// selected dialog's Execute when its ellipsis button is clicked.
class TCvDialogShowProperty : public vcl::TPropertyEditor {
public:
    using vcl::TPropertyEditor::TPropertyEditor;
    vcl::TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void Edit() override;
};

}  // namespace corvane
