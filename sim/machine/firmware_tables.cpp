#include "sim/machine/firmware_tables.h"

#include <cstring>
#include <utility>

#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

// The UEFI table CRC: CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320).
uint32_t Crc32(const void *data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  const auto *bytes = static_cast<const uint8_t *>(data);
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0U - (crc & 1)));
  }
  return ~crc;
}

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

std::vector<uint64_t> BuildHobList(const std::vector<HobSpec> &hobs) {
  std::vector<uint8_t> bytes;
  for (const HobSpec &hob : hobs) bytes.insert(bytes.end(), hob.bytes.begin(), hob.bytes.end());
  const EFI_HOB_GENERIC_HEADER end = {EFI_HOB_TYPE_END_OF_HOB_LIST, sizeof end, 0};
  const auto *endBytes = reinterpret_cast<const uint8_t *>(&end);
  bytes.insert(bytes.end(), endBytes, endBytes + sizeof end);

  std::vector<uint64_t> list((bytes.size() + 7) / 8);
  std::memcpy(list.data(), bytes.data(), bytes.size());
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
