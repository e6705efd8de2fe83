// The firmware's own variable-store image (a firmware volume holding a variable
// store, as QEMU's OVMF keeps its vars.fd) read as an NVRAM file and written back
// the way the firmware's variable driver writes its flash (docs/nvram-file.md).
// The image is only the file's format: the variables live in the one
// VariableStore; the image keeps what a save must write back unchanged (the
// headers, every record of a variable the run left alone, the areas after the
// store). Offsets and GUIDs are the simulator's own reading of the published
// layouts, not the driver's headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/variable_store.h"

namespace sim {

// True when bytes open as a firmware volume (its signature "_FVH" at offset 40),
// which no JSON file does: the file is then read as a store image.
bool IsFirmwareVolume(const std::string &bytes);

struct FirmwareStoreImage {
  // A live variable as the image holds it: the record the firmware reads, and
  // every record a change must mark deleted (that one, and any repeat of it).
  struct Live {
    StoredVariable variable;
    size_t offset = 0;  // of the record read
    size_t size = 0;    // its header, name and data
    std::vector<size_t> records;
  };
  std::string bytes;     // the image as read
  size_t headerSize = 0; // of a variable record: 60 authenticated, 32 plain
  size_t recordsBegin = 0, usedEnd = 0, storeEnd = 0;
  std::vector<Live> live;  // in record order
};

// Reads a store image; variables receives its live variables in record order.
// Throws std::runtime_error "NVRAM file PATH: offset 0x...: fault" for a
// malformed header or record.
FirmwareStoreImage ReadFirmwareStore(const std::string &bytes, const std::string &path,
                                     std::vector<StoredVariable> &variables);

// The image holding variables (the store's non-volatile ones) instead of the
// image's own live set: unchanged variables keep their records byte for byte; a
// removed one is marked deleted, a changed one marked deleted and written anew at
// the end of the records, a new one written there; when they do not fit, the
// live records are packed first. Throws std::runtime_error "WHERE: store full:
// ..." naming the variable that does not fit even then.
std::string UpdatedFirmwareStore(const FirmwareStoreImage &image, const std::vector<StoredVariable> &variables,
                                 const std::string &where);

}  // namespace sim
