#pragma once
// Sets the two application settings the grid components read, and puts the arrays back
// afterwards. Apart from the fixtures because the data layer's declarations and the
// window's cannot meet in one file.
#include <cstdint>

namespace nuvir::test {

class ScopedGridSettings {
public:
    ScopedGridSettings();
    ~ScopedGridSettings();
    ScopedGridSettings(const ScopedGridSettings&) = delete;
    ScopedGridSettings& operator=(const ScopedGridSettings&) = delete;

    // Options item 5.
    void SetErrorColour(std::int32_t colour);
    // Application data item 41.
    void SetRestrictToMasterTables(bool on);

private:
    struct Saved;
    Saved* saved_;
};

}  // namespace nuvir::test
