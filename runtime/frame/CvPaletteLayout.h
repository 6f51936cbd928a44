// CvPaletteLayout.h - the layout of the pack's palette pages, shared by the
// four registration units.
#pragma once

#include <string>
#include <vector>

#include "TypInfo.h"

namespace corvane {

// One place on a palette page.  Class is empty while the component of that
// name is not part of this build yet; the place keeps its position so that
// the order of the page never changes as components are added.
struct TCvPaletteSlot {
    const char* ClassName;
    const vcl::TMetaClass& (*Class)();
};

struct TCvPalettePage {
    const char* Page;
    std::vector<TCvPaletteSlot> Slots;
};

// Registers, in slot order, the classes of Page that exist, with one call of
// the platform's palette registration (also when none exists yet).
void RegisterPalettePage(const TCvPalettePage& Page);

// The classes of a page that exist, in slot order.
std::vector<const vcl::TMetaClass*> ExistingClasses(const TCvPalettePage& Page);

}  // namespace corvane
