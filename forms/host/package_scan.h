// HII packages found inside any binary, as IFR extractors find them: a driver
// keeps its form and string packages as data arrays (rarely in a PE resource
// section), so the scan looks for package headers of the right shape and keeps
// those that decode. In a firmware image it scans each module (firmware_walk.h)
// and, apart, the bytes outside every volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/host/package_lists.h"

namespace forms {

struct ScanResult {
  std::vector<PackageList> lists;  // one per module and string set, in the order found
  std::vector<std::string> notes;  // what the walk passed over
};

// A list holds the form packages of one module that take their strings from one
// set of string packages (one per language, stored end to end): of the module's
// sets, the one that holds most of the strings the forms name, the nearest on a
// tie. name names the modules of a binary that is no firmware image.
ScanResult ScanForPackages(const uint8_t *bytes, size_t size, const std::string &name);

}  // namespace forms
