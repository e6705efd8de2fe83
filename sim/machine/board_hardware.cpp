#include "sim/machine/board_hardware.h"

#include <cstdio>

#include "sim/machine/hardware_monitor_chip.h"
#include "sim/machine/peripherals_hardware.h"

namespace sim {

namespace {

constexpr uint16_t kPostCodePort = 0x80;

}  // namespace

std::unique_ptr<HardwareModel> BuildBoardHardware(const BoardProfile &profile, EventLog &log) {
  auto model = std::make_unique<HardwareModel>(profile.hardware);
  model->OnPortWrite([&log](uint16_t port, int width, uint32_t value) {
    if (port != kPostCodePort && port != kSoftwareSmiPort) return;
    char detail[48];
    std::snprintf(detail, sizeof detail, "port 0x%X = 0x%X", port, value);
    log.Record("port-write", detail, {{"port", port}, {"width", static_cast<uint64_t>(width)}, {"value", value}});
  });
  AttachPeripheralHardware(*model, profile.peripherals);
  AttachHardwareMonitor(*model, profile.processor);
  return model;
}

}  // namespace sim
