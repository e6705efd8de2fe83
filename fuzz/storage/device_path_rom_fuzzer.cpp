// The storage page's readers on the fuzzer's bytes. Input: one byte choosing the
// port count (bit 0: 8, else 4), a 16-bit little-endian split, then the device
// path (the bytes before the split) and the option ROM image (the rest), which
// also serves as IDENTIFY data. The path walk must return a whole PCI node inside
// the path; the ROM walk must end, and name only ports it may name.
#include <cstdint>
#include <cstring>
#include <vector>

#include "pages/chipset_storage_drives.h"
#include "pages/chipset_storage_rom.h"
#include "sim/hardware/hardware_model.h"

namespace {

constexpr uint64_t kRomBase = 0xC8000;

struct WalkCheck {
  UINTN portCount;
  UINTN calls;
};

void CheckName(VOID *context, UINTN port, const CHAR16 *name) {
  auto *check = static_cast<WalkCheck *>(context);
  UINTN length = 0;
  while (length < kSasNameCapacity && name[length] != 0) ++length;
  // Header k names ports k..count-1 only, so all headers together name at most count(count+1)/2.
  if (port >= check->portCount || length >= kSasNameCapacity ||
      ++check->calls > check->portCount * (check->portCount + 1) / 2) {
    __builtin_trap();
  }
}

void WalkPath(const uint8_t *data, size_t size) {
  // A copy of exactly the path, so reading past it is an address fault.
  std::vector<uint8_t> path(data, data + size);
  const auto *start = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(path.data());
  const PCI_DEVICE_PATH *pci = FindPciNode(start, path.size());
  if (pci == nullptr) return;
  const auto *at = reinterpret_cast<const uint8_t *>(pci);
  if (at < path.data() || at + sizeof(PCI_DEVICE_PATH) > path.data() + path.size() ||
      pci->Header.Type != HARDWARE_DEVICE_PATH || pci->Header.SubType != HW_PCI_DP) {
    __builtin_trap();
  }
}

void WalkRom(const uint8_t *data, size_t size, UINTN portCount) {
  sim::HardwareSpec spec;
  spec.memory.push_back({kRomBase, std::vector<uint8_t>(data, data + size)});
  sim::HardwareModel model(spec);
  sim::ActiveHardware bound(model);
  WalkCheck check = {portCount, 0};
  CHAR16 name[kSasNameCapacity];
  WalkSasOptionRom(kRomBase, portCount, name, CheckName, &check);
}

void DescribeIdentify(const uint8_t *data, size_t size) {
  uint8_t identify[kIdentifySize] = {};
  std::memcpy(identify, data, size < sizeof identify ? size : sizeof identify);
  CHAR8 text[kDriveTextSize];
  std::memset(text, 0xAA, sizeof text);
  DescribeDrive(identify, text);
  if (std::memchr(text, 0, sizeof text) == nullptr) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const UINTN portCount = (data[0] & 1) != 0 ? 8 : 4;
  size_t split = data[1] | data[2] << 8;
  data += 3;
  size -= 3;
  if (split > size) split = size;
  WalkPath(data, split);
  WalkRom(data + split, size - split, portCount);
  DescribeIdentify(data + split, size - split);
  return 0;
}
