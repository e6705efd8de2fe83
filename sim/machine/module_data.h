// The writable data of a loaded driver module (its .data and .bss sections) as
// the load left it, so that a module kept loaded can start every boot exactly
// as a fresh load would: the driver's module state lives in these sections.
// Other writable sections stay as they are: the loader's relocated tables and
// the coverage counters of a fuzzing build, which belong to the fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class ModuleData {
 public:
  // file is the module's ELF file, loaded at base (the link map's l_addr).
  // Throws std::runtime_error when the file is not a 64-bit ELF file.
  ModuleData(const std::string &file, uintptr_t base);

  void Restore() const;

 private:
  struct Section {
    uint8_t *address;
    std::vector<uint8_t> initial;
  };
  std::vector<Section> sections_;
};

}  // namespace sim
