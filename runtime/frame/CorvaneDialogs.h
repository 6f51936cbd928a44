// CorvaneDialogs.h - palette registration of the dialog components.
#pragma once

#include <vector>

#include "CvPaletteLayout.h"

namespace corvane::CorvaneDialogs {

// Registers the page(s) of this unit, each with one call of the platform's
// palette registration.
void Register();

// The page(s) in palette order.
const std::vector<TCvPalettePage>& Pages();

}  // namespace corvane::CorvaneDialogs
