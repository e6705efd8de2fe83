#include "sim/machine/hardware_monitor_chip.h"

#include <memory>

namespace sim {

namespace {

constexpr uint8_t kBankSelectRegister = 0x4E;
constexpr uint8_t kBankMask = 0x07;

}  // namespace

HardwareMonitorChip::HardwareMonitorChip(const HardwareMonitorSpec &chip) : bankSelect_(chip.bankSelect) {
  for (const auto &[location, readings] : chip.registers) {
    const auto [bank, index] = location;
    if (bank < kBanks) registers_[bank * kIndices + index].readings = &readings;
  }
}

HardwareMonitorChip::Register &HardwareMonitorChip::Selected() {
  return registers_[(bankSelect_ & kBankMask) * kIndices + index_];
}

uint32_t HardwareMonitorChip::Read(uint16_t port, int width) {
  if (width != 1) return 0xFFFFFFFFu;
  if (port == kMonitorIndexPort) return index_;
  if (index_ == kBankSelectRegister) return bankSelect_;
  Register &reg = Selected();
  if (reg.written) return reg.value;
  if (reg.readings == nullptr || reg.readings->empty()) return 0;
  const uint8_t value = (*reg.readings)[reg.next];
  if (reg.next + 1 < reg.readings->size()) ++reg.next;
  return value;
}

void HardwareMonitorChip::Write(uint16_t port, int width, uint32_t value) {
  if (width != 1) return;
  const auto byte = static_cast<uint8_t>(value);
  if (port == kMonitorIndexPort) {
    index_ = byte;
  } else if (index_ == kBankSelectRegister) {
    bankSelect_ = byte;
  } else {
    Register &reg = Selected();
    reg.written = true;
    reg.value = byte;
  }
}

void AttachHardwareMonitor(HardwareModel &model, const ProcessorBoardSpec &processor) {
  if (!processor.hardwareMonitor) return;
  model.AttachPortDevice(kMonitorIndexPort, kMonitorDataPort, std::make_shared<HardwareMonitorChip>(*processor.hardwareMonitor));
}

}  // namespace sim
