// The board's peripherals as the setup pages see them: the Super I/O devices, the
// USB stack's report, the management engine and the firmware's message box, the
// onboard network controllers, and the FRU texts another driver leaves. Plain data,
// filled by the profile loader's "peripherals" section (sim/profile) and built into
// protocols, variables and hardware by the machine (sim/machine).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/install_timing.h"

namespace sim {

// One device of the Super I/O chip, installed as its own SioDeviceProtocol interface.
struct SioDeviceSpec {
  uint32_t kind = 0;      // 1 floppy, 6 serial, 7 parallel, 12 infrared, ...
  uint8_t instance = 0;   // within the kind
  uint16_t ioBase = 0;
  uint8_t irq = 0, dma = 0;  // 0: none
  uint8_t present = 1;    // description record byte 9
  uint8_t enabled = 1;    // interface byte 0x90
  uint8_t active = 1;     // interface byte 0xB2
};

struct SuperIoSpec {
  Install install = Install::Never;
  std::vector<SioDeviceSpec> devices;  // one handle each, in install order
};

// UsbDeviceInfoProtocol and the UsbMassDevNum variable of the USB driver.
struct UsbSpec {
  Install install = Install::Never;
  // Keyboards, mice, pointing devices, drives, hubs, smart card readers.
  std::array<uint8_t, 6> counts{};
  std::vector<std::string> massStorageNames;  // walked by the name query's cursor, in order
  std::optional<std::vector<uint8_t>> massDevNum;  // the volatile UsbMassDevNum, absent: not created
};

// MeInfoProtocol, and what system management mode does on the ME disable command.
struct ManagementEngineSpec {
  Install install = Install::Never;
  std::map<uint32_t, std::vector<uint8_t>> responses;  // request code -> answer (at most 16 bytes)
  // Stored in ShowMEUDFailMSG on software SMI 0x29; nullopt: nothing is stored.
  std::optional<uint8_t> disableOutcome;
};

struct MessageBoxSpec {
  Install install = Install::Never;
};

// A PCI-to-PCI bridge whose secondary bus holds a network controller.
struct PciBridgeSpec {
  uint8_t bus = 0, device = 0, function = 0;
  uint16_t vendorId = 0x8086, deviceId = 0;
};

struct NetworkControllerSpec {
  uint8_t bus = 0, device = 0, function = 0;
  uint16_t vendorId = 0x8086, deviceId = 0;
  uint16_t ioBase = 0;  // the I/O BAR (register 0x18); 0: unassigned, no window
  std::array<uint8_t, 6> mac{};
  std::optional<PciBridgeSpec> bridge;
};

// "FruSetup STRING": six text pointers and a valid flag.
struct FruSpec {
  std::array<std::optional<std::string>, 6> texts;  // nullopt: a null pointer
  uint8_t valid = 1;
  uint32_t size = 56;  // the variable's data size (the record cut short or padded with zeros)
};

struct PeripheralsSpec {
  SuperIoSpec superIo;
  UsbSpec usb;
  ManagementEngineSpec managementEngine;
  MessageBoxSpec messageBox;
  std::vector<NetworkControllerSpec> network;
  std::optional<FruSpec> fru;  // nullopt: the variable is not created
};

}  // namespace sim
