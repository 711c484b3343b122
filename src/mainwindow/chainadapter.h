#pragma once
// The chain diagram (chain/chain.h) as the main window drives it.
#include <memory>

#include "mainwindow/mainports.h"

namespace nuvir {

class ITabStopHost;

// A new four-stage chain; its edit box turns the tab stops of `tabStops` off and on.
std::unique_ptr<ChainPort> MakeChain(ITabStopHost* tabStops);

}  // namespace nuvir
