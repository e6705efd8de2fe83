// The NVRAM variable store with UEFI semantics, persisted in a file between boots.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "driver/uefi/uefi_base.h"

namespace sim {

struct StoredVariable {
  std::u16string name;
  EFI_GUID guid{};
  uint32_t attributes = 0;
  std::vector<uint8_t> data;
};

struct NvramCounters {
  uint64_t reads = 0;          // GetVariable calls
  uint64_t writes = 0;         // writes that reached non-volatile storage
  uint64_t bytesWritten = 0;   // data bytes of those writes
  uint64_t identicalWrites = 0;  // non-volatile rewrites with identical data and attributes, kept off the flash
};

class VariableStore {
 public:
  // UEFI GetVariable/SetVariable semantics (EFI_BUFFER_TOO_SMALL with the needed
  // size, deletion by size 0 or attributes 0, EFI_NOT_FOUND, EFI_INVALID_PARAMETER).
  EFI_STATUS Get(const char16_t *name, const EFI_GUID *guid, uint32_t *attributes, UINTN *dataSize, void *data);
  EFI_STATUS Set(const char16_t *name, const EFI_GUID *guid, uint32_t attributes, UINTN dataSize, const void *data);

  const StoredVariable *Find(const std::u16string &name, const EFI_GUID &guid) const;
  std::vector<StoredVariable> All() const;  // sorted by GUID text, then name
  void Put(const StoredVariable &variable); // unconditional, for profiles and tests

  void DropVolatile();  // a power cycle: only non-volatile variables survive
  const NvramCounters &Counters() const { return counters_; }

  // The file holds the non-volatile variables. Load throws std::runtime_error
  // naming the file and the fault; Save writes a new file, flushes it and renames
  // it over the old one, so a crash leaves either the old or the new store.
  static VariableStore Load(const std::string &path);
  // The same checks on a file's text already read; path names it in messages.
  static VariableStore Parse(const std::string &text, const std::string &path);
  void Save(const std::string &path) const;

 private:
  std::vector<StoredVariable> variables_;
  NvramCounters counters_;
};

}  // namespace sim
