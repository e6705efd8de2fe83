#include "sim/machine/hardware_monitor_chip.h"

#include <memory>

namespace sim {

namespace {

constexpr uint8_t kBankSelectRegister = 0x4E;
constexpr uint8_t kBankMask = 0x07;

}  // namespace

HardwareMonitorChip::HardwareMonitorChip(const HardwareMonitorSpec &chip) : bankSelect_(chip.bankSelect) {
  used_.reserve(chip.registers.size());
  for (const auto &[location, readings] : chip.registers) {
    const auto [bank, index] = location;
    if (bank < kBanks) Use(bank * kIndices + index).readings = &readings;
  }
}

size_t HardwareMonitorChip::SelectedLocation() const { return (bankSelect_ & kBankMask) * kIndices + index_; }

HardwareMonitorChip::Register &HardwareMonitorChip::Use(size_t location) {
  if (slots_[location] == 0) {
    used_.emplace_back();
    slots_[location] = static_cast<uint16_t>(used_.size());
  }
  return used_[slots_[location] - 1];
}

uint32_t HardwareMonitorChip::Read(uint16_t port, int width) {
  if (width != 1) return 0xFFFFFFFFu;
  if (port == kMonitorIndexPort) return index_;
  if (index_ == kBankSelectRegister) return bankSelect_;
  const uint16_t slot = slots_[SelectedLocation()];
  if (slot == 0) return 0;
  Register &reg = used_[slot - 1];
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
    Register &reg = Use(SelectedLocation());
    reg.written = true;
    reg.value = byte;
  }
}

void AttachHardwareMonitor(HardwareModel &model, const ProcessorBoardSpec &processor) {
  if (!processor.hardwareMonitor) return;
  model.AttachPortDevice(kMonitorIndexPort, kMonitorDataPort, std::make_shared<HardwareMonitorChip>(*processor.hardwareMonitor));
}

}  // namespace sim
