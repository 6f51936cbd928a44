#include "CvDialogs.h"

namespace corvane {

VCL_PUBLISHED(TCvDialogComponent, vcl::TComponent) {
    B.Property("DesignShow", &TCvDialogComponent::DesignShow, &TCvDialogComponent::SetDesignShow);
}

vcl::TPropertyAttributes TCvDialogShowProperty::GetAttributes() const {
    return vcl::TPropertyAttributes{vcl::paDialog, vcl::paMultiSelect, vcl::paReadOnly};
}

std::string TCvDialogShowProperty::GetValue() const {
    vcl::TPersistent* first = GetComponent(0);
    return "[ " + (first ? first->ClassName() : std::string()) + " ]";
}

void TCvDialogShowProperty::Edit() {
    // The result of a dialog run from the inspector means nothing here.
    if (auto* dialog = dynamic_cast<TCvDialogComponent*>(GetComponent(0))) dialog->Execute();
}

}  // namespace corvane
