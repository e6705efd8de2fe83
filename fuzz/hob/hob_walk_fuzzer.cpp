// Walks a HOB list made from the fuzzer's bytes, as the pages do: NextHobOfType
// for several types, and FindGuidHob through a configuration table. Each result
// must have the asked type and lie further on than the one before.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/board_records.h"
#include "platform/firmware_services.h"

namespace {

// The list has no size, only an end mark. Behind the appended end HOB lie bytes
// of 0xFF as far as a 16-bit length can step from inside the list, so every step
// lands on readable memory that reads as end-of-list.
constexpr size_t kTailBytes = 0x10000 + 16;
constexpr uint8_t kEndHob[8] = {0xFF, 0xFF, 8, 0, 0, 0, 0, 0};

void WalkType(uint8_t *list, UINT16 type) {
  auto *hob = reinterpret_cast<EFI_HOB_GENERIC_HEADER *>(list);
  const uint8_t *previous = list;
  while (NextHobOfType(type, &hob) == EFI_SUCCESS) {
    const uint8_t *at = reinterpret_cast<const uint8_t *>(hob);
    UINT16 found;
    std::memcpy(&found, at, sizeof found);
    if (found != type || at <= previous) {
      __builtin_trap();
    }
    previous = at;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<uint8_t> list(size + sizeof kEndHob + kTailBytes, 0xFF);
  std::memcpy(list.data(), data, size);
  std::memcpy(list.data() + size, kEndHob, sizeof kEndHob);
  for (UINT16 type : {EFI_HOB_TYPE_HANDOFF, EFI_HOB_TYPE_RESOURCE_DESCRIPTOR, EFI_HOB_TYPE_GUID_EXTENSION,
                      EFI_HOB_TYPE_UNUSED, EFI_HOB_TYPE_END_OF_HOB_LIST}) {
    WalkType(list.data(), type);
  }

  // The driver keeps the first system table it is given; its one configuration
  // entry is pointed at this input's list.
  static EFI_CONFIGURATION_TABLE entry = {kHobListGuid, nullptr};
  static EFI_SYSTEM_TABLE table = [] {
    EFI_SYSTEM_TABLE t{};
    t.NumberOfTableEntries = 1;
    t.ConfigurationTable = &entry;
    return t;
  }();
  CaptureServiceTables(nullptr, &table);
  entry.VendorTable = list.data();
  for (const EFI_GUID *name : {&kCpuPlatformInfoHobGuid, &kPowerSupplyInfoHobGuid}) {
    EFI_HOB_GUID_TYPE *hob = FindGuidHob(name);
    if (hob == nullptr) {
      continue;
    }
    const uint8_t *named = reinterpret_cast<const uint8_t *>(hob) + offsetof(EFI_HOB_GUID_TYPE, Name);
    if (std::memcmp(named, name, sizeof *name) != 0) {
      __builtin_trap();
    }
  }
  return 0;
}
