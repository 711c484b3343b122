#include "chain/diagramoptions.h"

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/convert.h"

namespace nuvir::diagram {

namespace {

// The item of the loaded options, else of the defaults.
Variant Option(int index) {
    Variant v;
    if (AppOptions.isArray() && TryStep([&] { v = AppOptions(index); }) && !v.isEmpty()) return v;
    static const Variant defaults = GetAppOptionsDefaults();
    return defaults(index);
}

}  // namespace

nuvir::Colour Colour(int item) {
    nuvir::Colour c = 0;
    TryStep([&] { c = CLng(Option(item)); });
    return c;
}

bool HideCosts() {
    bool on = false;
    TryStep([&] { on = CBool(Option(opt::kHideCosts)); });
    return on;
}

int Decimals() {
    int n = 2;
    TryStep([&] { n = CLng(Option(opt::kDecimals)); });
    return n;
}

}  // namespace nuvir::diagram
