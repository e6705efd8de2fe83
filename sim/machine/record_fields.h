// Fields of the binary NVRAM files (the firmware's store image, the Shell's
// dmpstore file): GUIDs as the firmware lays them out, 16 bytes with the first
// three fields little-endian.
#pragma once

#include <cstdint>
#include <string>

#include "driver/uefi/uefi_base.h"
#include "sim/little_endian.h"
#include "sim/machine/hex_text.h"

namespace sim {

inline EFI_GUID GuidFromBytes(const uint8_t *at) {
  EFI_GUID guid{static_cast<uint32_t>(GetLittleEndian(at, 4)), static_cast<uint16_t>(GetLittleEndian(at + 4, 2)),
                static_cast<uint16_t>(GetLittleEndian(at + 6, 2)), {}};
  for (size_t i = 0; i < 8; ++i) guid.Data4[i] = at[8 + i];
  return guid;
}

inline std::string GuidBytes(const EFI_GUID &guid) {
  std::string bytes(16, '\0');
  auto *at = reinterpret_cast<uint8_t *>(bytes.data());
  PutLittleEndian(at, guid.Data1, 4);
  PutLittleEndian(at + 4, guid.Data2, 2);
  PutLittleEndian(at + 6, guid.Data3, 2);
  for (size_t i = 0; i < 8; ++i) at[8 + i] = guid.Data4[i];
  return bytes;
}

}  // namespace sim
