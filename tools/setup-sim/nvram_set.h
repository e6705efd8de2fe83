// `setup-sim nvram set FILE ...`: a variable replaced whole (--data, --data-file),
// or edited in place: bytes at an offset ("Setup:0x4=0x0") and settings by name
// ("SATA Mode=Disabled"), several per call. Every change that reaches a byte a
// setting of the forms owns must leave it one of the setting's options, unless
// --force; each edit is printed old -> new, once the saved file has been read
// back and holds what was written.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace setup_sim {

struct NvramSetArguments {
  std::string file;
  std::vector<std::string> targets;  // the variable's NAME with --data or --data-file; edits otherwise
  std::string guid;                  // empty: the one variable of each name
  std::string data;                  // hex
  std::string dataFile;              // its bytes are the data
  std::string board;                 // whose forms; empty: the built-in board that saved the file, or reference
  uint32_t attributes = 0;           // 0: keep the variable's own, or 7 for a new one
  bool force = false;                // write values none of a setting's options allows
};

// Throws UsageError for bad arguments or a refused value, std::runtime_error for
// a bad file or a variable that is not there or too short; the file is then untouched.
void RunNvramSet(const NvramSetArguments &arguments, std::ostream &out);

}  // namespace setup_sim
