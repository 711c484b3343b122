#include "flexedit_appdata.h"

#include "appdata/appdata.h"
#include "appdata/options.h"

namespace nuvir::test {

struct ScopedGridSettings::Saved {
    Variant appData;
    Variant appOptions;
};

ScopedGridSettings::ScopedGridSettings() : saved_(new Saved{AppData, AppOptions}) {
    AppOptions = GetAppOptionsDefaults();
    AppData = GetAppDataDefaults(false, Variant());
}

ScopedGridSettings::~ScopedGridSettings() {
    AppData = saved_->appData;
    AppOptions = saved_->appOptions;
    delete saved_;
}

void ScopedGridSettings::SetErrorColour(std::int32_t colour) { AppOptions(opt::kColourError) = colour; }

void ScopedGridSettings::SetRestrictToMasterTables(bool on) { AppData(item::kConformCategories) = on; }

}  // namespace nuvir::test
