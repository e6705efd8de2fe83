// A variable's bytes as the reports show them. "FruSetup STRING" holds host
// pointers to the FRU texts, which differ from run to run; the reports mask
// them and show the texts they point to, so two identical runs compare equal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/board_profile.h"
#include "sim/variable_store.h"

namespace setup_sim {

struct ShownVariable {
  std::vector<uint8_t> data;
  std::vector<bool> masked;          // per byte: part of a host pointer, shown as "xx"
  std::vector<std::string> pointed;  // "pointer 1: Board Product", one per non-null pointer
};

ShownVariable ShowVariable(const sim::StoredVariable &variable, const sim::BoardProfile &profile);

// Two lower-case hex digits a byte, "xx" for a masked byte.
std::string MaskedHex(const ShownVariable &shown);

}  // namespace setup_sim
