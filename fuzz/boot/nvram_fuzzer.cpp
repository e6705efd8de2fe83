// The NVRAM variables the driver reads, any of them with any size and content,
// over the reference board's store; the driver boots twice on it.
//
// Input: records of one selector byte (the variable: its value modulo the
// table's size; bit 7 stores it with attributes 3 instead of 7), a 16-bit
// little-endian length and that many bytes (fewer at the input's end). Length 0
// deletes the variable. The platform's own drivers store three of them afresh at
// every load, so they go into the board instead of the store:
// - MemoryInfo, as the memory firmware leaves it (attributes 7);
// - UsbMassDevNum, volatile, as the USB driver leaves it;
// - "FruSetup STRING", whose pointers must stay valid: its bytes are a size
//   (below 128: the record's 56 bytes; else the byte less 128), the validity
//   flag (byte 48), then up to six texts separated by zero bytes (a text of the
//   one byte 0xFF is a null pointer), which the FRU driver points the record at.
// ShowMEUDFailMSG, once given, stays as given: the board's SMM stores no outcome.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/pages/management_engine_protocols.h"
#include "driver/pages/memory_info_records.h"
#include "driver/pages/network_fru_record.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "fuzz/boot/boot_harness.h"

namespace {

constexpr EFI_GUID kCpuDataGuid = {0xE380280C, 0x4C35, 0x4AA3, {0xB9, 0x61, 0x7A, 0xE4, 0x89, 0xA2, 0xB9, 0x26}};

enum class Holder { Store, SmmOutcome, MemoryFirmware, UsbDriver, FruDriver };

const struct {
  const char16_t *name;
  const EFI_GUID &guid;
  Holder holder;
} kVariables[] = {
    {u"Setup", kSetupVariableGuid, Holder::Store},
    {u"MemoryInfo", kMemoryInfoVariableGuid, Holder::MemoryFirmware},
    {u"CPU DATA", kCpuDataGuid, Holder::Store},
    {u"SetupCpuFeatures", kSetupVariableGuid, Holder::Store},
    {u"UsbMassDevNum", kSetupVariableGuid, Holder::UsbDriver},
    {u"ShowMEUDFailMSG", kMeUpdateStatusGuid, Holder::SmmOutcome},
    {u"FruSetup STRING", kFruSetupGuid, Holder::FruDriver},
    {u"LastLangCodes", kSetupVariableGuid, Holder::Store},
    {u"Lang", kEfiGlobalVariableGuid, Holder::Store},
    {u"PlatformLang", kEfiGlobalVariableGuid, Holder::Store},
    {u"LastLang", kSetupVariableGuid, Holder::Store},
};

const std::string kNullText = "\xFF";

sim::FruSpec Fru(const std::vector<uint8_t> &bytes) {
  sim::FruSpec fru;
  fru.size = bytes[0] < 128 ? sizeof(FruSetupRecord) : bytes[0] - 128;
  fru.valid = bytes.size() > 1 ? bytes[1] : 1;
  std::string text;
  size_t index = 0;
  for (size_t i = 2; i <= bytes.size() && index < fru.texts.size(); ++i) {
    if (i < bytes.size() && bytes[i] != 0) {
      text += static_cast<char>(bytes[i]);
      continue;
    }
    if (text != kNullText) fru.texts[index] = text;
    ++index;
    text.clear();
  }
  return fru;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sim::BoardProfile &board = fuzz_boot::FreshBoard();
  sim::VariableStore &store = fuzz_boot::FreshStore();
  for (size_t at = 0; at + 3 <= size;) {
    const uint8_t selector = data[at];
    const auto &variable = kVariables[(selector & 0x7F) % std::size(kVariables)];
    size_t length = data[at + 1] | static_cast<size_t>(data[at + 2]) << 8;
    at += 3;
    length = std::min(length, size - at);
    std::vector<uint8_t> bytes(data + at, data + at + length);
    at += length;
    switch (variable.holder) {
      case Holder::MemoryFirmware:
        board.memoryStorage.memoryInfo = bytes.empty() ? std::nullopt : std::optional(bytes);
        break;
      case Holder::UsbDriver:
        board.peripherals.usb.massDevNum = bytes.empty() ? std::nullopt : std::optional(bytes);
        break;
      case Holder::FruDriver:
        board.peripherals.fru = bytes.empty() ? std::nullopt : std::optional(Fru(bytes));
        break;
      case Holder::SmmOutcome:
        board.peripherals.managementEngine.disableOutcome.reset();
        [[fallthrough]];
      case Holder::Store:
        if (bytes.empty()) {
          store.Set(variable.name, &variable.guid, 0, 0, nullptr);
        } else {
          store.Put({variable.name, variable.guid, (selector & 0x80) != 0 ? kAttrNvBs : kAttrNvBsRt, bytes});
        }
        break;
    }
  }
  fuzz_boot::BootTwice(board, store);
  return 0;
}
