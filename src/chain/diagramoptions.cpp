#include "chain/diagramoptions.h"

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/convert.h"

namespace nuvir::diagram {

nuvir::Colour Colour(int item) {
    nuvir::Colour c = 0;
    TryStep([&] { c = CLng(OptionOrDefault(item)); });
    return c;
}

bool HideCosts() {
    bool on = false;
    TryStep([&] { on = CBool(OptionOrDefault(opt::kHideCosts)); });
    return on;
}

int Decimals() {
    int n = 2;
    TryStep([&] { n = CLng(OptionOrDefault(opt::kDecimals)); });
    return n;
}

}  // namespace nuvir::diagram
