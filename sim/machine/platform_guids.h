// Every GUID the simulated platform offers or looks for, written as the
// registry-style text its owner publishes and turned into an EFI_GUID when the
// simulator is compiled. The simulator keeps its own list instead of borrowing
// the driver's constants, so a wrong GUID on the driver's side makes a boot fail.
#pragma once

#include "driver/uefi/uefi_base.h"

namespace sim {

namespace guid_text {

constexpr UINT32 HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<UINT32>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<UINT32>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<UINT32>(c - 'a' + 10);
  // Not a constant expression: a mistyped GUID stops the build.
  throw "GUID text holds a character that is not a hexadecimal digit";
}

constexpr UINT32 HexRun(const char *text, int at, int digits) {
  UINT32 value = 0;
  for (int i = 0; i < digits; ++i) value = value << 4 | HexDigit(text[at + i]);
  return value;
}

}  // namespace guid_text

// "8BE4DF61-93CA-11D2-AA0D-00E098032B8C": 8-4-4-4-12 digits, the last two groups
// stored byte by byte as written.
constexpr EFI_GUID GuidOf(const char (&text)[37]) {
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "GUID text is not 8-4-4-4-12";
  EFI_GUID guid{};
  guid.Data1 = guid_text::HexRun(text, 0, 8);
  guid.Data2 = static_cast<UINT16>(guid_text::HexRun(text, 9, 4));
  guid.Data3 = static_cast<UINT16>(guid_text::HexRun(text, 14, 4));
  constexpr int kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<UINT8>(guid_text::HexRun(text, kByteAt[i], 2));
  return guid;
}

namespace guids {

// UEFI and PI.
constexpr EFI_GUID kGlobalVariable = GuidOf("8BE4DF61-93CA-11D2-AA0D-00E098032B8C");
constexpr EFI_GUID kHobList = GuidOf("7739F24C-93D7-11D4-9A3A-0090273FC14D");
constexpr EFI_GUID kDxeServicesTable = GuidOf("05AD34BA-6F02-4214-952E-4DA0398E2BB9");
constexpr EFI_GUID kDevicePathProtocol = GuidOf("09576E91-6D3F-11D2-8E39-00A0C969723B");
constexpr EFI_GUID kDiskInfoProtocol = GuidOf("D432A67F-14DC-484B-B3BB-3F0291849327");
constexpr EFI_GUID kDiskInfoIdeInterface = GuidOf("5E948FE3-26D3-42B5-AF17-610287188DEC");
constexpr EFI_GUID kDiskInfoAhciInterface = GuidOf("9E498932-4ABC-45AF-A34D-0247787BE7C6");
// Framework.
constexpr EFI_GUID kFrameworkHiiProtocol = GuidOf("EA816D2C-CEE5-4F02-99B5-D3905CBBD077");
constexpr EFI_GUID kLegacyBiosProtocol = GuidOf("DB9A1E3D-45CB-4ABB-853B-E5387FDB2E2D");
// The board's setup menu and its firmware components.
constexpr EFI_GUID kSetupVariable = GuidOf("EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9");
constexpr EFI_GUID kSetupMenuCondition = GuidOf("122B3E0D-4C5D-11E0-9DDE-001D9294198F");
constexpr EFI_GUID kPublishTrigger = GuidOf("71202EEE-5F53-40D9-AB3D-9E0C26D96657");
constexpr EFI_GUID kStringServiceProtocol = GuidOf("67B5787C-0E6A-4796-943E-A093B73A0267");
constexpr EFI_GUID kBoardQueryProtocol = GuidOf("41367D78-0977-11E0-9D9C-001D9294198F");
constexpr EFI_GUID kBoardRegisterProtocol = GuidOf("9851740C-22E0-440D-9090-EF2D71C251C9");
constexpr EFI_GUID kCpuInfoProtocol = GuidOf("F109F361-370C-4D9C-B1AB-7CA2D4C8B3FF");
constexpr EFI_GUID kCpuPackageProtocol = GuidOf("AC9CF0A8-E551-4BE2-AD0A-E1B564EEA273");
constexpr EFI_GUID kCpuPlatformInfoHob = GuidOf("2E547CB5-40F8-4F3E-8AF4-1952AAD55A0C");
constexpr EFI_GUID kPowerSupplyInfoHob = GuidOf("982D8C6F-F6F6-4135-A309-A4593EA56417");
constexpr EFI_GUID kMemoryInfoVariable = GuidOf("7EE396A1-FF7D-431B-FA53-8CCD127C44C5");
constexpr EFI_GUID kHostDataProtocol = GuidOf("B980C346-4A52-4A3B-9AE3-2871EFE451B5");
constexpr EFI_GUID kSioDeviceProtocol = GuidOf("51E9B4F9-555D-476C-8BB5-BD18D9A68878");
constexpr EFI_GUID kUsbDeviceInfoProtocol = GuidOf("2AD8E2D2-2E91-4CD1-95F5-E78FE5EBE316");
constexpr EFI_GUID kMeInfoProtocol = GuidOf("237B7CD6-B690-4046-8014-E9E581219313");
constexpr EFI_GUID kMessageBoxProtocol = GuidOf("8A91B1E1-56C7-4ADC-ABEB-1C2CA1729EFF");
constexpr EFI_GUID kMeUpdateStatus = GuidOf("0732BD39-D6B0-4039-B6C2-9654466DE525");
constexpr EFI_GUID kFruSetup = GuidOf("3F8BB5BE-0977-11E0-9D9C-001D9294198F");

}  // namespace guids

}  // namespace sim
