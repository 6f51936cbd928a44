// CorvaneDBComponents.h - palette registration of the data-aware components.
#pragma once

#include <vector>

#include "CvPaletteLayout.h"

namespace corvane::CorvaneDBComponents {

// Registers the page(s) of this unit, each with one call of the platform's
// palette registration.
void Register();

// The page(s) in palette order.
const std::vector<TCvPalettePage>& Pages();

}  // namespace corvane::CorvaneDBComponents
