#include "CvPaletteLayout.h"

#include "DesignIntf.h"

namespace corvane {

std::vector<const vcl::TMetaClass*> ExistingClasses(const TCvPalettePage& Page) {
    std::vector<const vcl::TMetaClass*> classes;
    for (const TCvPaletteSlot& slot : Page.Slots)
        if (slot.Class) classes.push_back(&slot.Class());
    return classes;
}

void RegisterPalettePage(const TCvPalettePage& Page) {
    // The page is registered even while none of its components is part of
    // the build, so that the palette always shows the pack's six pages.
    vcl::RegisterComponents(Page.Page, ExistingClasses(Page));
}

}  // namespace corvane
