#pragma once
// The screen mouse pointer of the whole program: the hourglass while a command works,
// the default otherwise. Setting is not stacking: any number of hourglass settings
// are undone by one setting of the default, as callers that set and reset it around
// nested steps expect.
namespace nuvir {

namespace mousepointer {
constexpr int Default = 0;
constexpr int Hourglass = 11;
}  // namespace mousepointer

void SetScreenMousePointer(int pointer);

}  // namespace nuvir
