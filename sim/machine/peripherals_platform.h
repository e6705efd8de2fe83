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

#include "driver/pages/management_engine_protocols.h"
#include "driver/pages/super_io_device.h"
#include "driver/pages/usb_summary_protocol.h"
#include "sim/board_profile.h"

namespace sim {

class Machine;

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
  struct SioDevice {
    SioDeviceInterface interface;
    SioDeviceDescription description;
  };

  void StoreVariables(Machine &machine) const;

  const PeripheralsSpec &board_;  // the profile's section
  std::vector<std::unique_ptr<SioDevice>> sioDevices_;
  UsbDeviceInfoProtocol usb_;
  MeRequestObject meRequests_;
  MeInfoProtocol me_;
  MessageBoxProtocol messageBox_;
  std::array<std::string, 6> fruTexts_;  // what the FRU record points to
};

// The protocol tables (peripherals_protocols.cpp); their functions act on the
// current machine's peripherals.
UsbDeviceInfoProtocol MakeUsbDeviceInfo();
MeRequestObject MakeMeRequests();
MessageBoxProtocol MakeMessageBox();

}  // namespace sim
