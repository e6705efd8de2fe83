// The bytes of the Setup record that the driver reads or writes, by name, so
// that `setup-sim nvram show` can explain a stored record. The simulator keeps
// its own table of them rather than borrowing the driver's definitions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/variable_store.h"

namespace setup_sim {

struct SetupField {
  size_t offset;
  size_t width;  // bytes, little-endian
  const char *meaning;
};

// Empty unless variable is Setup under its vendor GUID.
const std::vector<SetupField> &SetupFieldsOf(const sim::StoredVariable &variable);

// The field's value, read little-endian; the caller checks that the variable holds it.
uint64_t SetupFieldValue(const sim::StoredVariable &variable, const SetupField &field);

}  // namespace setup_sim
