#include "sim/machine/firmware_tables.h"

#include <cstring>
#include <utility>

#include "sim/machine/crc32.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

constexpr const char *kDxeServiceNames[kDxeServiceCount] = {
    "DxeServices.AddMemorySpace",       "DxeServices.AllocateMemorySpace",
    "DxeServices.FreeMemorySpace",      "DxeServices.RemoveMemorySpace",
    "DxeServices.GetMemorySpaceDescriptor", "DxeServices.SetMemorySpaceAttributes",
    "DxeServices.GetMemorySpaceMap",    "DxeServices.AddIoSpace",
    "DxeServices.AllocateIoSpace",      "DxeServices.FreeIoSpace",
    "DxeServices.RemoveIoSpace",        "DxeServices.GetIoSpaceDescriptor",
    "DxeServices.GetIoSpaceMap",        "DxeServices.Dispatch",
    "DxeServices.Schedule",             "DxeServices.Trust",
    "DxeServices.ProcessFirmwareVolume", "DxeServices.SetMemorySpaceCapabilities",
};

template <size_t Slot>
EFI_STATUS EFIAPI UnexpectedDxeService() {
  Machine::Current().ReportUnexpectedCall(kDxeServiceNames[Slot]);
  return EFI_UNSUPPORTED;
}

template <size_t... Slots>
void FillDxeSlots(DxeServicesTable &table, std::index_sequence<Slots...>) {
  ((table.Services[Slots] = &UnexpectedDxeService<Slots>), ...);
}

}  // namespace

// As in firmware, the list opens with the hand-off information HOB (the walkers
// never return the HOB they start from) and closes with the end-of-list HOB.
std::vector<uint64_t> BuildHobList(const std::vector<HobSpec> &hobs) {
  struct HandoffHob {
    EFI_HOB_GENERIC_HEADER Header;
    uint32_t Version;
    uint32_t BootMode;
    uint64_t MemoryTop, MemoryBottom, FreeMemoryTop, FreeMemoryBottom, EndOfHobList;
  };
  static_assert(sizeof(HandoffHob) == 56, "PHIT HOB layout");
  const HandoffHob handoff = {{EFI_HOB_TYPE_HANDOFF, sizeof handoff, 0}, 9, 0, 0, 0, 0, 0, 0};
  const auto *handoffBytes = reinterpret_cast<const uint8_t *>(&handoff);
  std::vector<uint8_t> bytes(handoffBytes, handoffBytes + sizeof handoff);
  for (const HobSpec &hob : hobs) bytes.insert(bytes.end(), hob.bytes.begin(), hob.bytes.end());
  const size_t endOffset = bytes.size();
  const EFI_HOB_GENERIC_HEADER end = {EFI_HOB_TYPE_END_OF_HOB_LIST, sizeof end, 0};
  const auto *endBytes = reinterpret_cast<const uint8_t *>(&end);
  bytes.insert(bytes.end(), endBytes, endBytes + sizeof end);

  std::vector<uint64_t> list((bytes.size() + 7) / 8);
  std::memcpy(list.data(), bytes.data(), bytes.size());
  const uint64_t endAddress = reinterpret_cast<uint64_t>(reinterpret_cast<uint8_t *>(list.data()) + endOffset);
  std::memcpy(reinterpret_cast<uint8_t *>(list.data()) + offsetof(HandoffHob, EndOfHobList), &endAddress,
              sizeof endAddress);
  return list;
}

void FillDxeServices(DxeServicesTable &table, uint32_t revision) {
  FillDxeSlots(table, std::make_index_sequence<kDxeServiceCount>());
  SealTableHeader(table.Header.Hdr, DXE_SERVICES_SIGNATURE, revision, sizeof table);
}

void SealTableHeader(EFI_TABLE_HEADER &header, uint64_t signature, uint32_t revision, size_t tableSize) {
  header.Signature = signature;
  header.Revision = revision;
  header.HeaderSize = static_cast<uint32_t>(tableSize);
  header.CRC32 = 0;
  header.Reserved = 0;
  header.CRC32 = Crc32(&header, tableSize);
}

}  // namespace sim
