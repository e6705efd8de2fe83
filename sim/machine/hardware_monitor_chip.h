// The board's hardware-monitor chip behind the index port 0xA35 and the data
// port 0xA36. Its registers sit in eight banks; register 0x4E, in every bank,
// selects the bank with bits 2-0 (its bits 7-3 are kept as written). A register
// the profile gives several readings yields the next one at each read, so a
// refresh sees fresh values; the last one stays.
#pragma once

#include <cstdint>
#include <array>
#include <vector>

#include "sim/hardware/hardware_model.h"
#include "sim/profile_processor.h"

namespace sim {

constexpr uint16_t kMonitorIndexPort = 0xA35;
constexpr uint16_t kMonitorDataPort = 0xA36;

class HardwareMonitorChip : public PortDevice {
 public:
  // Reads the profile's readings in place (the profile outlives the boot), so
  // building the chip for a boot copies none of them.
  explicit HardwareMonitorChip(const HardwareMonitorSpec &chip);
  // Both ports decode byte accesses only, as the chip's: a wider one reads all
  // ones and writes nothing.
  uint32_t Read(uint16_t port, int width) override;
  void Write(uint16_t port, int width, uint32_t value) override;

 private:
  static constexpr size_t kBanks = 8, kIndices = 256;
  struct Register {
    const std::vector<uint8_t> *readings = nullptr;  // the profile's; null: reads 0
    size_t next = 0;
    bool written = false;  // a written register holds what was written
    uint8_t value = 0;
  };
  size_t SelectedLocation() const;  // bank * 256 + index
  Register &Use(size_t location);    // the register's slot, made on first use

  uint8_t index_ = 0;
  uint8_t bankSelect_;
  // Only registers with readings and written ones get a slot: every boot builds
  // the chip afresh, and clearing 2,048 full registers (48 KiB) each time showed
  // in the fuzz targets' profiles. slots_ holds 1 + the place in used_, or 0.
  std::array<uint16_t, kBanks * kIndices> slots_{};
  std::vector<Register> used_;
};

// Puts the profile's chip, if it has one, behind the two ports.
void AttachHardwareMonitor(HardwareModel &model, const ProcessorBoardSpec &processor);

}  // namespace sim
