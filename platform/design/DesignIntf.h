// DesignIntf.h - the design-time registries: the component palette and the
// classes the form designer may create without showing them on it.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "TypInfo.h"

namespace vcl {

// Puts Classes on the palette page Page, after the classes already there,
// and registers them for the form reader.  A class may stand on one page
// only: registering it again on the same page changes nothing, on another
// page raises EComponentError.
void RegisterComponents(const std::string& Page, std::initializer_list<const TMetaClass*> Classes);
void RegisterComponents(const std::string& Page, const std::vector<const TMetaClass*>& Classes);

// Makes Classes known to the designer (and the form reader) without a
// palette icon.
void RegisterNoIcon(std::initializer_list<const TMetaClass*> Classes);

// The palette pages in the order they were first registered.
std::vector<std::string> PalettePages();
// The classes of a page in palette order (empty for an unknown page).
std::vector<const TMetaClass*> PaletteClasses(const std::string& Page);
// The page a class stands on, or an empty string.
std::string PaletteOf(const TMetaClass& Class);
// The classes registered without an icon, in registration order.
std::vector<const TMetaClass*> NoIconClasses();
// True when the designer may create the class (on a page or without icon).
bool IsDesignerClass(const TMetaClass& Class);

// Forgets every palette registration (the designer unloading its packages).
void ClearPalette();

}  // namespace vcl
