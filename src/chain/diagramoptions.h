#pragma once
// The options the chain diagram is drawn with, read from the program-wide options
// array. Before the options are loaded (tests, a chain drawn early) each has the
// built-in default, so drawing never fails on a missing option.
#include "platform/picturebox.h"

namespace nuvir::diagram {

// Colour item 0..6 of the options.
Colour Colour(int item);
// Whether management costs are hidden (item 7).
bool HideCosts();
// Decimal places of probabilities (item 11).
int Decimals();

}  // namespace nuvir::diagram
