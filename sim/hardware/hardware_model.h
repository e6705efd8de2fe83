// The board's hardware as the driver's primitives see it: I/O ports, PCI
// configuration space (one store behind the port pair 0xCF8/0xCFC and the
// memory-mapped window), MSRs, CPUID and physical memory, built from a profile.
//
// Unlisted ports read all ones; absent PCI functions read all ones; unlisted MSRs
// and CPUID leaves read 0; physical memory outside every region reads all ones.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "sim/board_profile.h"
#include "sim/hardware_trace.h"

namespace sim {

// A device behind a range of I/O ports (e.g. a hardware-monitor chip with banks).
class PortDevice {
 public:
  virtual ~PortDevice() = default;
  virtual uint32_t Read(uint16_t port, int width) = 0;  // width in bytes: 1, 2 or 4
  virtual void Write(uint16_t port, int width, uint32_t value) = 0;
};

class HardwareModel {
 public:
  // The model reads the profile's hardware in place for its whole life (a boot
  // would otherwise copy every function's configuration space and every memory
  // region), keeping only what the driver or the board changes, so the
  // hardware must outlive it.
  explicit HardwareModel(const HardwareSpec &board);
  explicit HardwareModel(HardwareSpec &&board) = delete;
  uint32_t PortRead(uint16_t port, int width);
  void PortWrite(uint16_t port, int width, uint32_t value);
  uint64_t MsrRead(uint32_t index);
  void MsrWrite(uint32_t index, uint64_t value);
  // A leaf the profile lists only with sub-leaf 0 answers every sub-leaf, as
  // processors do for leaves without sub-leaves.
  void Cpuid(uint32_t leaf, uint32_t subleaf, uint32_t out[4]);  // eax, ebx, ecx, edx
  uint64_t PhysicalRead(uint64_t address, int width);             // memory regions and the PCIe window
  // Called for every port write the driver makes.
  void OnPortWrite(std::function<void(uint16_t port, int width, uint32_t value)> observer);
  // A later attachment covering the same port takes precedence.
  void AttachPortDevice(uint16_t first, uint16_t last, std::shared_ptr<PortDevice> device);
  // Makes a function present with the given configuration bytes (the rest of its
  // 4096 bytes read 0), replacing one already at that location (the profile's too).
  void AddPciFunction(const PciFunctionSpec &function);
  // PCI configuration space: one store seen through 0xCF8/0xCFC (byte, word and
  // dword reads at 0xCFC..0xCFF) and through the memory-mapped window at the PCI
  // Express base (register 0x84 of bus 0, device 5, function 0).
  uint32_t PciConfigRead(uint8_t bus, uint8_t device, uint8_t function, uint16_t offset, int width);
  void PciConfigWrite(uint8_t bus, uint8_t device, uint8_t function, uint16_t offset, int width, uint32_t value);
  // The driver's accesses to attached devices and configuration space, in order;
  // none once tracing is off (a boot checked only for soundness reads no trace).
  const std::vector<HardwareAccess> &Trace() const { return trace_; }
  std::vector<HardwareAccess> TakeTrace() { return std::move(trace_); }
  void TraceAccesses(bool trace) { tracing_ = trace; }

 private:
  struct AttachedDevice {
    uint16_t first, last;
    std::shared_ptr<PortDevice> device;
  };
  using PciLocation = std::tuple<uint8_t, uint8_t, uint8_t>;
  static constexpr size_t kConfigSpaceSize = 4096;

  bool ConfigDataPort(uint16_t port, uint8_t &bus, uint8_t &device, uint8_t &function, uint16_t &offset) const;
  PortDevice *DeviceAt(uint16_t port) const;
  uint8_t PhysicalByte(uint64_t address);
  // The window's offset of address, when it lies in the memory-mapped configuration window.
  bool InWindow(uint64_t address, uint32_t &offset);
  uint32_t WindowRead(uint32_t offset, int width);

  void Record(HardwareAccess::Path path, bool write, uint32_t address, int width, uint32_t value);

  // The function's configuration bytes: those added or written, else the
  // profile's (the last entry at that location; bytes past its end up to 4096
  // read 0); null when absent. A write copies the profile's bytes first.
  const std::vector<uint8_t> *ConfigSpace(uint8_t bus, uint8_t device, uint8_t function) const;
  std::vector<uint8_t> *WritableConfigSpace(uint8_t bus, uint8_t device, uint8_t function);

  const HardwareSpec &hardware_;
  std::vector<HardwareAccess> trace_;
  bool tracing_ = true;
  std::vector<AttachedDevice> devices_;
  std::vector<std::function<void(uint16_t, int, uint32_t)>> observers_;
  uint32_t configAddress_ = 0;  // last dword written to 0xCF8
  std::map<PciLocation, std::vector<uint8_t>> pci_;  // 4096 bytes per function added or written
  std::map<uint32_t, uint64_t> writtenMsrs_;        // over the profile's
};

// While alive, the host build's hardware primitives (PortRead8, MsrRead, CpuidQuery,
// PhysicalRead32, ...) act on this model. Nesting restores the previous binding.
// With no binding, reads return all ones and writes are dropped.
class ActiveHardware {
 public:
  explicit ActiveHardware(HardwareModel &model);
  ~ActiveHardware();
  ActiveHardware(const ActiveHardware &) = delete;
  ActiveHardware &operator=(const ActiveHardware &) = delete;

 private:
  HardwareModel *previous_;
};

}  // namespace sim
