// The NVRAM variables the driver reads, any of them with any size and content,
// over the reference board's store; the driver boots twice on it.
//
// Input: records of one selector byte (the variable: its value modulo the table's
// size; bit 7 stores it with attributes 3 instead of 7), a 16-bit little-endian
// length and that many bytes (fewer at the input's end). Length 0 deletes the
// variable. "FruSetup STRING" holds pointers to texts, which must stay valid for
// the boot: its bytes are a size (below 128: the record's 56 bytes; else the
// byte less 128), the validity flag (byte 48), then up to six texts separated by
// zero bytes, which the harness keeps and points the record at.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/uefi/setup_platform_protocols.h"
#include "fuzz/boot/boot_harness.h"
#include "sim/checks/boot_checks.h"

namespace {

constexpr EFI_GUID kMemoryInfoGuid = {0x7EE396A1, 0xFF7D, 0x431B, {0xFA, 0x53, 0x8C, 0xCD, 0x12, 0x7C, 0x44, 0xC5}};
constexpr EFI_GUID kCpuDataGuid = {0xE380280C, 0x4C35, 0x4AA3, {0xB9, 0x61, 0x7A, 0xE4, 0x89, 0xA2, 0xB9, 0x26}};
constexpr EFI_GUID kMeUpdateStatusGuid = {0x0732BD39, 0xD6B0, 0x4039, {0xB6, 0xC2, 0x96, 0x54, 0x46, 0x6D, 0xE5, 0x25}};
constexpr EFI_GUID kFruSetupGuid = {0x3F8BB5BE, 0x0977, 0x11E0, {0x9D, 0x9C, 0x00, 0x1D, 0x92, 0x94, 0x19, 0x8F}};

const struct {
  const char16_t *name;
  const EFI_GUID &guid;
} kVariables[] = {
    {u"Setup", kSetupVariableGuid},          {u"MemoryInfo", kMemoryInfoGuid},
    {u"CPU DATA", kCpuDataGuid},             {u"SetupCpuFeatures", kSetupVariableGuid},
    {u"UsbMassDevNum", kSetupVariableGuid},  {u"ShowMEUDFailMSG", kMeUpdateStatusGuid},
    {u"FruSetup STRING", kFruSetupGuid},     {u"LastLangCodes", kSetupVariableGuid},
    {u"Lang", kEfiGlobalVariableGuid},       {u"PlatformLang", kEfiGlobalVariableGuid},
    {u"LastLang", kSetupVariableGuid},
};
constexpr size_t kFruIndex = 6;
constexpr size_t kFruRecordSize = 56;
constexpr size_t kFruTexts = 6;
constexpr size_t kFruFlagOffset = 48;

// The record with its pointers aimed at texts, which live as long as the input.
std::vector<uint8_t> FruRecord(const uint8_t *bytes, size_t size, std::vector<std::string> &texts) {
  const size_t recordSize = size == 0 || bytes[0] < 128 ? kFruRecordSize : bytes[0] - 128;
  std::vector<uint8_t> record(std::max(recordSize, kFruRecordSize), 0);
  record[kFruFlagOffset] = size > 1 ? bytes[1] : 1;
  texts.assign(kFruTexts, std::string());
  size_t text = 0;
  for (size_t i = 2; i < size && text < kFruTexts; ++i) {
    if (bytes[i] == 0) {
      ++text;
    } else {
      texts[text] += static_cast<char>(bytes[i]);
    }
  }
  for (size_t i = 0; i < kFruTexts; ++i) {
    const uint64_t address = reinterpret_cast<uintptr_t>(texts[i].c_str());
    std::memcpy(record.data() + 8 * i, &address, sizeof address);
  }
  record.resize(recordSize);
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const sim::BoardProfile &board = fuzz_boot::ReferenceBoard();
  static const sim::VariableStore reference = sim::SeededStore(board);
  sim::VariableStore store = reference;
  std::vector<std::string> fruTexts;
  for (size_t at = 0; at + 3 <= size;) {
    const uint8_t selector = data[at];
    const size_t index = (selector & 0x7F) % std::size(kVariables);
    const uint32_t attributes = (selector & 0x80) != 0 ? kAttrNvBs : kAttrNvBsRt;
    size_t length = data[at + 1] | static_cast<size_t>(data[at + 2]) << 8;
    at += 3;
    length = std::min(length, size - at);
    const EFI_GUID &guid = kVariables[index].guid;
    std::vector<uint8_t> bytes(data + at, data + at + length);
    at += length;
    if (index == kFruIndex && length != 0) bytes = FruRecord(bytes.data(), bytes.size(), fruTexts);
    if (bytes.empty()) {
      store.Set(kVariables[index].name, &guid, 0, 0, nullptr);
    } else {
      store.Put({kVariables[index].name, guid, attributes, bytes});
    }
  }
  fuzz_boot::BootTwice(board, std::move(store));
  return 0;
}
