// The "memory" section: the MemoryInfo variable, field by field or raw, and the
// host data block behind HostDataProtocol. The "storage" section is read in
// storage_section.cpp.
#include "sim/profile/memory_storage_section.h"

#include <algorithm>
#include <set>

#include "sim/machine/guid_text.h"
#include "sim/machine/platform_guids.h"
#include "sim/profile/byte_layout.h"
#include "sim/profile/install_field.h"
#include "sim/profile/storage_layouts.h"

namespace sim {
namespace {

constexpr char16_t kMemoryInfoName[] = u"MemoryInfo";
constexpr size_t kLargestRecord = 0x10000;

// MemoryInfo, as the memory firmware writes it.
constexpr size_t kMemoryInfoSize = 345;
constexpr size_t kDimmSpeedOffset = 0;
constexpr size_t kRasModeOffset = 2;
constexpr size_t kTotalOffset = 4;
constexpr size_t kCapabilitiesOffset = 8;
constexpr size_t kFirstDimmOffset = 9;
constexpr size_t kDimmRecordSize = 7;
constexpr size_t kDimmSlots = 36;
constexpr size_t kDimmValidOffset = 1;
constexpr size_t kDimmSizeOffset = 5;

// The host data block.
constexpr size_t kHostBlockSize = 1024;
constexpr size_t kLinkModeOffset = 554;
constexpr size_t kLinkSpeedOffset = 555;
constexpr size_t kSocketCountOffset = 563;
constexpr size_t kSocketPresentOffset = 575;

// A state's name or its number.
uint8_t ReadDimmState(const JsonField &field) {
  const JsonField state = field.Form().field;
  return static_cast<uint8_t>(state.rule().type == FieldType::Choice ? state.Choice() : state.Unsigned());
}

std::vector<uint8_t> ReadMemoryInfo(const JsonField &field) {
  const JsonField::ChosenForm form = field.Form();
  const JsonObject object = form.field.Fields();
  if (form.key != nullptr) {
    const JsonField raw = object.Required("raw");
    std::vector<uint8_t> bytes = ReadBytes(raw, kLargestRecord);
    if (bytes.empty()) raw.Fail("a variable holds at least one byte");
    return bytes;
  }
  std::vector<uint8_t> info(kMemoryInfoSize, 0);
  uint16_t speed = 0, rasMode = 0;
  uint32_t total = 0;
  uint8_t capabilities = 0;
  object.Read("dimm_speed", speed);
  object.Read("ras_mode", rasMode);
  object.Read("total_mb", total);
  object.Read("capabilities", capabilities);
  PutLittleEndian(info, kDimmSpeedOffset, speed, 2);
  PutLittleEndian(info, kRasModeOffset, rasMode, 2);
  PutLittleEndian(info, kTotalOffset, total, 4);
  info[kCapabilitiesOffset] = capabilities;
  std::set<uint64_t> slots;
  if (const auto dimms = object.Optional("dimms")) {
    for (const JsonField &element : dimms->Elements()) {
      const JsonObject dimm = element.Fields();
      const uint64_t slot = dimm.Required("slot").Unsigned(kDimmSlots - 1);
      if (!slots.insert(slot).second) element.Fail("a second DIMM in the same slot");
      const size_t at = kFirstDimmOffset + slot * kDimmRecordSize;
      uint8_t valid = 1;
      uint16_t size = 0;
      dimm.Read("valid", valid);
      dimm.Read("size_mb", size);
      info[at] = dimm.Optional("state") ? ReadDimmState(*dimm.Optional("state")) : 0;
      info[at + kDimmValidOffset] = valid;
      PutLittleEndian(info, at + kDimmSizeOffset, size, 2);
    }
  }
  return info;
}

// The block as given, or laid out from the link and socket fields.
HostDataSpec ReadHostData(const JsonField &field) {
  HostDataSpec hostData;
  hostData.install = Install::AtLoad;
  const JsonField::ChosenForm form = field.Form();
  const JsonObject object = form.field.Fields();
  if (const auto install = object.Optional("install")) hostData.install = ReadInstall(*install);
  if (form.key != nullptr) {
    hostData.block = ReadBytes(object.Required("block"), kLargestRecord);
    return hostData;
  }
  hostData.block.assign(kHostBlockSize, 0);
  object.Read("link_mode", hostData.block[kLinkModeOffset]);
  object.Read("link_speed", hostData.block[kLinkSpeedOffset]);
  size_t count = 0;
  if (const auto sockets = object.Optional("sockets")) {
    // The table allows at most 255, as many as the count byte can say.
    for (const JsonField &socket : sockets->Elements()) {
      hostData.block[kSocketPresentOffset + count++] = static_cast<uint8_t>(socket.Unsigned());
    }
  }
  hostData.block[kSocketCountOffset] = static_cast<uint8_t>(count);
  object.Read("socket_count", hostData.block[kSocketCountOffset]);
  return hostData;
}

void ReadMemorySection(const JsonField &field, BoardProfile &profile) {
  const JsonObject object = field.Fields();
  if (const auto info = object.Optional("info")) {
    const bool seeded = std::any_of(profile.variables.begin(), profile.variables.end(), [](const VariableSpec &v) {
      return v.name == kMemoryInfoName && GuidEqual(v.guid, guids::kMemoryInfoVariable);
    });
    if (seeded) info->Fail("MemoryInfo is also among the variables; describe it in one place");
    profile.memoryStorage.memoryInfo = ReadMemoryInfo(*info);
  }
  if (const auto hostData = object.Optional("host_data")) profile.memoryStorage.hostData = ReadHostData(*hostData);
}

}  // namespace

void ReadMemoryStorageSections(const JsonObject &root, BoardProfile &profile) {
  if (const auto memory = root.Optional("memory")) ReadMemorySection(*memory, profile);
  if (const auto storage = root.Optional("storage")) ReadStorageSection(*storage, profile);
}

}  // namespace sim
