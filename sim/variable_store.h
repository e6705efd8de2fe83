// The NVRAM variable store with UEFI semantics, persisted in a file between boots.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
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

struct FirmwareStoreImage;

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

  const StoredVariable *Find(std::u16string_view name, const EFI_GUID &guid) const;
  std::vector<StoredVariable> All() const;  // sorted by GUID text, then name
  void Put(const StoredVariable &variable); // unconditional, for profiles and tests
  // A store of these variables, as if each were Put in order, in n log n time
  // (Put searches the store, so putting many one by one takes the square).
  static VariableStore WithVariables(std::vector<StoredVariable> variables);

  void DropVolatile();  // a power cycle: only non-volatile variables survive
  const NvramCounters &Counters() const { return counters_; }

  // The file holds the non-volatile variables, as JSON or as the firmware's own
  // store image (sim/machine/firmware_store.h), told apart by content. Load throws std::runtime_error
  // naming the file and the fault (only a regular file of at most 64 MiB is
  // read). Save writes the file through WriteUserFile (sim/machine/user_file.h):
  // a new file beside the one the path leads to, renamed over it, so a crash
  // leaves either the old or the new store; the file keeps its mode and the
  // notes (fields of its own) it was loaded with. option is the name the user
  // gave the file (the command-line option), which messages start with; a
  // store loaded under one option may be saved only under the same.
  static constexpr const char *kFileOption = "NVRAM file";
  static VariableStore Load(const std::string &path, const std::string &option = kFileOption);
  // The same checks on a file's bytes already read; path names it in messages.
  static VariableStore Parse(const std::string &text, const std::string &path);
  void Save(const std::string &path, const std::string &option = kFileOption) const;
  // Throws what Save would for a file it may not replace (a read-only file, a
  // directory or device, a missing or unwritable folder, a file the run reads
  // as something else), before a boot does any work.
  static void CheckSavable(const std::string &path, const std::string &option = kFileOption);
  // True for a store read from a firmware store image, which holds any
  // attributes; a JSON file holds only 3 and 7.
  bool IsFirmwareImage() const { return image_ != nullptr; }
  // The board whose boot last saved the file ("" when unknown); kept in a JSON file.
  const std::string &Board() const { return board_; }
  void SetBoard(const std::string &board) { board_ = board; }

 private:
  std::vector<StoredVariable> variables_;
  NvramCounters counters_;
  std::string board_;
  // Fields of the file and of its variable entries that the store does not
  // read, as JSON object text, so that a save keeps them.
  std::string fileNotes_;
  std::map<std::pair<std::string, std::u16string>, std::string> variableNotes_;  // by (GUID text, name)
  // The store image the file was read from, if it was one: a save writes that
  // image again, changed only where the variables changed.
  std::shared_ptr<const FirmwareStoreImage> image_;
};

}  // namespace sim
