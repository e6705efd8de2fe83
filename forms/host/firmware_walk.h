// The modules inside a firmware image, as the scan for HII packages needs them:
// each firmware volume's files and their sections, LZMA-compressed sections
// unpacked (as the firmware's own decompressor would), nested volumes followed.
// What the walk cannot open (other compression, unknown processed encodings) is
// noted and passed over, never a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace forms {

struct FirmwareWalk {
  // A module's code or data: a PE32, TE, PIC, raw or freeform section, or a raw file.
  // name: the file's user-interface name, else its GUID.
  std::function<void(const std::string &name, const uint8_t *bytes, size_t size)> leaf;
  std::vector<std::string> notes;  // what was passed over, and where
  // Byte ranges of the input that lie in no firmware volume, in order.
  std::vector<std::pair<size_t, size_t>> outside;
};

// Walks every firmware volume found in bytes, calling walk.leaf for each module
// section; fills walk.outside and walk.notes. Bounded: nesting, and what
// decompression may produce, are capped.
void WalkFirmware(const uint8_t *bytes, size_t size, FirmwareWalk &walk);

}  // namespace forms
