// The peripherals' records and the chipset's hardware: Super I/O interfaces, USB
// counts and names, management engine answers, the onboard network controllers,
// PCI configuration values, port values, the legacy BIOS area and the
// protocols' install timings, as edits to the reference board; the driver boots
// twice on it.
//
// Input: edits, each an opcode byte (modulo 12) and its operands (fuzz_input.h):
//   0 Super I/O device[index] = kind, instance, I/O base, IRQ, DMA, present,
//     enabled, active                  1 remove Super I/O device[index]
//   2 USB counts (six)                 3 USB mass-storage names: a count, then texts
//   4 ME answer to the version or status request (or any code): bytes, none to drop it
//   5 network controller[index] = location, ids, I/O base, MAC, bridge or none
//   6 remove network controller[index]
//   7 PCI function[index] (a new one at a location): bytes at an offset of its configuration
//   8 port = value                     9 memory region[index]: bytes at an offset
//  10 install timings of the Super I/O, USB, ME and message box protocols
//  11 what SMM stores as the ME disable outcome, or nothing
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "driver/pages/management_engine_protocols.h"
#include "fuzz/boot/board_edits.h"
#include "fuzz/boot/boot_harness.h"

namespace {

using fuzz_boot::EditMemoryRegion;
using fuzz_boot::EditPciFunction;
using fuzz_boot::EntryAt;
using fuzz_boot::FuzzInput;
using fuzz_boot::RemoveEntry;

constexpr size_t kMostNames = 24;
constexpr size_t kLongestAnswer = 16;  // the callers' buffers

void EditSio(FuzzInput &input, sim::SioDeviceSpec &device) {
  device.kind = input.U8();
  device.instance = input.U8();
  device.ioBase = input.U16();
  device.irq = input.U8();
  device.dma = input.U8();
  device.present = input.U8();
  device.enabled = input.U8();
  device.active = input.U8();
}

void EditMe(FuzzInput &input, sim::ManagementEngineSpec &me) {
  const uint8_t selector = input.U8();
  const uint32_t code = selector % 3 == 0   ? kMeFirmwareVersionRequest
                        : selector % 3 == 1 ? kMeFirmwareStatusRequest
                                            : input.U32();
  std::vector<uint8_t> answer = input.Bytes();
  answer.resize(std::min(answer.size(), kLongestAnswer));
  if (answer.empty()) {
    me.responses.erase(code);
  } else {
    me.responses[code] = answer;
  }
}

void EditNetwork(FuzzInput &input, sim::NetworkControllerSpec &controller) {
  controller.bus = input.U8();
  controller.device = input.U8() % 32;
  controller.function = input.U8() % 8;
  controller.vendorId = input.U16();
  controller.deviceId = input.U16();
  controller.ioBase = input.U16();
  for (uint8_t &byte : controller.mac) byte = input.U8();
  controller.bridge.reset();
  if (input.U8() & 1) {
    sim::PciBridgeSpec &bridge = controller.bridge.emplace();
    bridge.bus = input.U8();
    bridge.device = input.U8() % 32;
    bridge.function = input.U8() % 8;
    bridge.vendorId = input.U16();
    bridge.deviceId = input.U16();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sim::BoardProfile &board = fuzz_boot::FreshBoard();
  sim::PeripheralsSpec &peripherals = board.peripherals;
  FuzzInput input(data, size);
  while (!input.Done()) {
    switch (input.U8() % 12) {
      case 0:
        EditSio(input, EntryAt(peripherals.superIo.devices, input.Index(peripherals.superIo.devices.size())));
        break;
      case 1:
        RemoveEntry(peripherals.superIo.devices, input.Index(peripherals.superIo.devices.size()));
        break;
      case 2:
        for (uint8_t &count : peripherals.usb.counts) count = input.U8();
        break;
      case 3:
        peripherals.usb.massStorageNames.resize(input.U8() % (kMostNames + 1));
        for (std::string &name : peripherals.usb.massStorageNames) name = input.Text();
        break;
      case 4:
        EditMe(input, peripherals.managementEngine);
        break;
      case 5:
        EditNetwork(input, EntryAt(peripherals.network, input.Index(peripherals.network.size())));
        break;
      case 6:
        RemoveEntry(peripherals.network, input.Index(peripherals.network.size()));
        break;
      case 7:
        EditPciFunction(input, board.hardware.pci);
        break;
      case 8: {
        const uint16_t port = input.U16();
        board.hardware.portValues[port] = input.U32();
        break;
      }
      case 9:
        EditMemoryRegion(input, board.hardware.memory);
        break;
      case 10:
        peripherals.superIo.install = input.Timing();
        peripherals.usb.install = input.Timing();
        peripherals.managementEngine.install = input.Timing();
        peripherals.messageBox.install = input.Timing();
        break;
      case 11:
        peripherals.managementEngine.disableOutcome.reset();
        if (input.U8() & 1) peripherals.managementEngine.disableOutcome = input.U8();
        break;
    }
  }
  fuzz_boot::BootTwice(board, fuzz_boot::FreshStore());
  return 0;
}
