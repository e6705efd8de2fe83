// The UEFI Shell's dmpstore file (what `dmpstore -s FILE` writes and `dmpstore
// -l FILE` loads): a record a variable, each its name size (4), data size (4),
// name (UCS-2 with its terminator), vendor GUID (16), attributes (4), data, and
// the CRC-32 of all the record's bytes before it (4), little-endian. Like the
// store image it is a format at the edge of the one store: it reads into and
// writes from StoredVariable lists.
#pragma once

#include <string>
#include <vector>

#include "sim/variable_store.h"

namespace sim {

// The file's variables in file order. Throws std::runtime_error "dmpstore file
// PATH: offset 0x...: fault" for a cut record, a bad CRC (naming the variable),
// a malformed name, an empty variable or one the file holds twice.
std::vector<StoredVariable> ReadDmpstoreFile(const std::string &bytes, const std::string &path);

// The file's bytes for variables, in their order.
std::string DmpstoreFileOf(const std::vector<StoredVariable> &variables);

}  // namespace sim
