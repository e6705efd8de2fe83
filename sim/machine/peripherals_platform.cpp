#include "sim/machine/peripherals_platform.h"

#include <algorithm>
#include <cstring>

#include "driver/pages/network_fru_record.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "sim/machine/machine.h"

namespace sim {

namespace {

constexpr uint8_t kForeignBytes = 0xC5;  // the Super I/O driver's own fields
constexpr uint32_t kVolatileBsRt = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

}  // namespace

PeripheralsPlatform::PeripheralsPlatform(const PeripheralsSpec &board)
    : board_(board), usb_(MakeUsbDeviceInfo()), meRequests_(MakeMeRequests()), me_{}, messageBox_(MakeMessageBox()) {
  me_.Requests = &meRequests_;
  for (const SioDeviceSpec &device : board_.superIo.devices) {
    auto built = std::make_unique<SioDevice>();
    std::memset(built.get(), kForeignBytes, sizeof *built);
    built->description.Kind = device.kind;
    built->description.Instance = device.instance;
    built->description.Present = device.present;
    built->interface.Description = &built->description;
    built->interface.Enabled = device.enabled;
    built->interface.Active = device.active;
    built->interface.IoBase = device.ioBase;
    built->interface.Irq = device.irq;
    built->interface.Dma = device.dma;
    sioDevices_.push_back(std::move(built));
  }
  if (board_.fru) {
    for (size_t i = 0; i < fruTexts_.size(); ++i) fruTexts_[i] = board_.fru->texts[i].value_or("");
  }
}

void PeripheralsPlatform::Install(Machine &machine, sim::Install when) {
  if (when == sim::Install::AtLoad) StoreVariables(machine);
  std::vector<Machine::ScheduledProtocol> protocols = {
      {board_.usb.install, &kUsbDeviceInfoProtocolGuid, &usb_, "UsbDeviceInfoProtocol"},
      {board_.managementEngine.install, &kMeInfoProtocolGuid, &me_, "MeInfoProtocol"},
      {board_.messageBox.install, &kMessageBoxProtocolGuid, &messageBox_, "MessageBoxProtocol"},
  };
  for (const auto &device : sioDevices_) {
    protocols.push_back({board_.superIo.install, &kSioDeviceProtocolGuid, &device->interface, "SioDeviceProtocol"});
  }
  machine.InstallScheduled(when, protocols);
}

// Both are volatile: the USB driver and the FRU driver set them afresh at every boot.
void PeripheralsPlatform::StoreVariables(Machine &machine) const {
  if (board_.usb.massDevNum) {
    machine.Store().Put({u"UsbMassDevNum", kSetupVariableGuid, kVolatileBsRt, *board_.usb.massDevNum});
  }
  if (!board_.fru) return;
  FruSetupRecord record{};
  for (size_t i = 0; i < fruTexts_.size(); ++i) {
    record.Texts[i] = board_.fru->texts[i] ? fruTexts_[i].c_str() : nullptr;
  }
  record.Valid = board_.fru->valid;
  // A record of size 0 is an empty variable: nothing is copied (no null destination).
  std::vector<uint8_t> data(board_.fru->size, 0);
  const auto *bytes = reinterpret_cast<const uint8_t *>(&record);
  std::copy_n(bytes, std::min<size_t>(data.size(), sizeof record), data.begin());
  // The pointers mean nothing after boot services, so no runtime access.
  machine.Store().Put({u"FruSetup STRING", kFruSetupGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, data});
}

}  // namespace sim
