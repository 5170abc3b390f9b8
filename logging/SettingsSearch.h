#pragma once

#include <string>
#include <string_view>

namespace Kavro::Greywick {

// The level list that the settings text gives a module: its own list in clients, else the
// global list for modules listed there without one (traced) or not listed at all (non-traced).
// Empty when there is none. The module name compares without regard to case.
std::string FindModuleLevelList(std::string_view settings, std::string_view moduleName);

}  // namespace Kavro::Greywick
