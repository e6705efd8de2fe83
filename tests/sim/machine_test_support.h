// A small board profile and helpers shared by the machine's tests.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "driver/uefi/setup_platform_protocols.h"  // the protocols as the driver calls them
#include "driver/uefi/uefi_tables.h"
#include "sim/board_profile.h"
#include "sim/boot.h"

namespace sim {

// Package lists of classes 1 (languages, defaults, strings 10 and 11) and 4
// (no languages, no defaults); a two-entry memory map; one GUID HOB.
inline BoardProfile TestProfile() {
  BoardProfile profile;
  profile.name = "test";
  profile.firmware.vendor = u"Test Vendor";
  profile.firmware.firmwareRevision = 0x00010002;
  profile.firmware.systemTableRevision = (2 << 16) | 31;
  profile.firmware.dxeServicesRevision = (1 << 16) | 70;
  PackageListSpec main;
  main.formClass = 1;
  main.primaryLanguages = u"eng";
  main.secondaryLanguages = u"fra";
  main.defaults = std::vector<uint8_t>{1, 2, 3, 4};
  main.strings[10] = {"BIOS Vendor", u"old"};
  main.strings[11] = {"Build Date", u"old"};
  PackageListSpec removable;
  removable.formClass = 4;
  profile.packageLists = {main, removable};
  profile.memoryMap = {{EfiConventionalMemory, 0x100000, 256, 0xF}, {EfiReservedMemoryType, 0xF0000, 16, 0}};
  profile.hobs = {{{0x04, 0x00, 0x18, 0x00, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}};
  return profile;
}

inline bool HasEvent(const std::vector<EventRecord> &events, const std::string &kind, const std::string &detail) {
  return std::any_of(events.begin(), events.end(),
                     [&](const EventRecord &e) { return e.kind == kind && e.detail.find(detail) != std::string::npos; });
}

inline uint64_t ValueOf(const EventRecord &event, const std::string &name) {
  for (const auto &value : event.values) {
    if (value.first == name) return value.second;
  }
  return ~uint64_t{0};
}

}  // namespace sim
