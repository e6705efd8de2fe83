// The board's peripherals for one boot, built from the profile's "peripherals"
// section: a SioDeviceProtocol interface per Super I/O device, the USB driver's
// UsbDeviceInfoProtocol and UsbMassDevNum, the management engine's MeInfoProtocol,
// the firmware's MessageBoxProtocol, and "FruSetup STRING" with the texts it points
// to. The network controllers and system management mode are hardware
// (peripherals_hardware.h).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "sim/board_profile.h"
#include "sim/machine/platform_records.h"

namespace sim {

class Machine;

// The interfaces, laid out as platform_records.h gives them.
struct UsbDeviceInfoInterface {
  InterfaceSlot slots[usb_device_info_protocol::kSlots];
};
struct MeRequestInterface {
  InterfaceSlot slots[me_info_protocol::kRequestSlots];
};
struct MeInfoInterface {
  const void *slots[me_info_protocol::kSlots];  // kRequests points at the request object
};
struct MessageBoxInterface {
  InterfaceSlot slots[message_box_protocol::kSlots];
};

class PeripheralsPlatform {
 public:
  explicit PeripheralsPlatform(const PeripheralsSpec &board);
  PeripheralsPlatform(const PeripheralsPlatform &) = delete;
  PeripheralsPlatform &operator=(const PeripheralsPlatform &) = delete;

  // Installs the protocols the profile schedules for that moment; at load it
  // also stores the variables other drivers leave before the setup driver loads.
  void Install(Machine &machine, sim::Install when);

  const PeripheralsSpec &Board() const { return board_; }

 private:
  // One device's interface, with its description record after it; the bytes
  // the setup driver does not read hold a pattern, as another driver's data would.
  struct alignas(8) SioDevice {
    uint8_t interface[sio_device::kSize];
    alignas(8) uint8_t description[sio_device::kDescriptionSize];
  };

  void StoreVariables(Machine &machine) const;

  const PeripheralsSpec &board_;  // the profile's section
  std::vector<std::unique_ptr<SioDevice>> sioDevices_;
  UsbDeviceInfoInterface usb_;
  MeRequestInterface meRequests_;
  MeInfoInterface me_;
  MessageBoxInterface messageBox_;
  std::array<std::string, fru_setup_record::kTextCount> fruTexts_;  // what the FRU record points to
};

// The protocol tables (peripherals_protocols.cpp); their functions act on the
// current machine's peripherals.
UsbDeviceInfoInterface MakeUsbDeviceInfo();
MeRequestInterface MakeMeRequests();
MessageBoxInterface MakeMessageBox();

}  // namespace sim
