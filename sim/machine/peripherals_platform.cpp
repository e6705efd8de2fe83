#include "sim/machine/peripherals_platform.h"

#include <algorithm>
#include <cstring>

#include "sim/machine/machine.h"
#include "sim/machine/platform_guids.h"

namespace sim {

namespace {

constexpr uint8_t kForeignBytes = 0xC5;  // the Super I/O driver's own fields
constexpr uint32_t kVolatileBsRt = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

}  // namespace

PeripheralsPlatform::PeripheralsPlatform(const PeripheralsSpec &board)
    : board_(board), usb_(MakeUsbDeviceInfo()), meRequests_(MakeMeRequests()), me_{}, messageBox_(MakeMessageBox()) {
  me_.slots[me_info_protocol::kRequests] = &meRequests_;
  namespace sio = sio_device;
  for (const SioDeviceSpec &device : board_.superIo.devices) {
    auto built = std::make_unique<SioDevice>();
    std::memset(built.get(), kForeignBytes, sizeof *built);
    PutLittleEndian(built->description + sio::kDescriptionKind, device.kind, 4);
    built->description[sio::kDescriptionInstance] = device.instance;
    built->description[sio::kDescriptionPresent] = device.present;
    PutLittleEndian(built->interface + sio::kDescription, reinterpret_cast<uintptr_t>(built->description), 8);
    built->interface[sio::kEnabled] = device.enabled;
    built->interface[sio::kActive] = device.active;
    PutLittleEndian(built->interface + sio::kIoBase, device.ioBase, 2);
    built->interface[sio::kIrq] = device.irq;
    built->interface[sio::kDma] = device.dma;
    sioDevices_.push_back(std::move(built));
  }
  if (board_.fru) {
    for (size_t i = 0; i < fruTexts_.size(); ++i) fruTexts_[i] = board_.fru->texts[i].value_or("");
  }
}

void PeripheralsPlatform::Install(Machine &machine, sim::Install when) {
  if (when == sim::Install::AtLoad) StoreVariables(machine);
  std::vector<Machine::ScheduledProtocol> protocols = {
      {board_.usb.install, &guids::kUsbDeviceInfoProtocol, &usb_, "UsbDeviceInfoProtocol"},
      {board_.managementEngine.install, &guids::kMeInfoProtocol, &me_, "MeInfoProtocol"},
      {board_.messageBox.install, &guids::kMessageBoxProtocol, &messageBox_, "MessageBoxProtocol"},
  };
  for (const auto &device : sioDevices_) {
    protocols.push_back({board_.superIo.install, &guids::kSioDeviceProtocol, device->interface, "SioDeviceProtocol"});
  }
  machine.InstallScheduled(when, protocols);
}

// Both are volatile: the USB driver and the FRU driver set them afresh at every boot.
void PeripheralsPlatform::StoreVariables(Machine &machine) const {
  if (board_.usb.massDevNum) {
    machine.Store().Put({u"UsbMassDevNum", guids::kSetupVariable, kVolatileBsRt, *board_.usb.massDevNum});
  }
  if (!board_.fru) return;
  namespace fru = fru_setup_record;
  uint8_t record[fru::kSize] = {};
  for (size_t i = 0; i < fruTexts_.size(); ++i) {
    const char *text = board_.fru->texts[i] ? fruTexts_[i].c_str() : nullptr;
    PutLittleEndian(record + fru::kTexts + 8 * i, reinterpret_cast<uintptr_t>(text), 8);
  }
  record[fru::kValid] = board_.fru->valid;
  // A record of size 0 is an empty variable: nothing is copied (no null destination).
  std::vector<uint8_t> data(board_.fru->size, 0);
  std::copy_n(record, std::min<size_t>(data.size(), sizeof record), data.begin());
  // The pointers mean nothing after boot services, so no runtime access.
  machine.Store().Put({u"FruSetup STRING", guids::kFruSetup, EFI_VARIABLE_BOOTSERVICE_ACCESS, data});
}

}  // namespace sim
