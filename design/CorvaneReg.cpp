#include "CorvaneReg.h"

#include "CorvaneDBComponents.h"
#include "CorvaneDialogs.h"
#include "CorvaneNVComponents.h"
#include "CorvaneVComponents.h"
#include "CvCGIConnect.h"
#include "CvDialogs.h"
#include "DesignEditors.h"

namespace corvane::CorvaneReg {

void Register() {
    CorvaneVComponents::Register();
    CorvaneNVComponents::Register();
    CorvaneDBComponents::Register();
    CorvaneDialogs::Register();
    // The inspector row of every dialog component runs its dialog.
    vcl::RegisterPropertyEditor<TCvDialogShowProperty>(vcl::TPropertyType::Boolean(),
                                                       &TCvDialogComponent::StaticClass(), "DesignShow");
    vcl::RegisterPropertyEditor<TCGIFilenameProperty>(vcl::TPropertyType::Of<std::string>(),
                                                      &TCvCGIConnect::StaticClass(), "BackgroundImage");
}

}  // namespace corvane::CorvaneReg
