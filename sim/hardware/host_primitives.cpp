// The host build's hardware primitives: each acts on the model that the innermost
// live ActiveHardware binds. The binding lives in this object on purpose: an
// executable that binds a model thereby links every primitive, which the driver
// module it loads then resolves against.
#include <chrono>

#include "driver/platform/hardware_access.h"
#include "sim/hardware/hardware_model.h"

namespace sim {
namespace {
HardwareModel *gActiveModel = nullptr;
}  // namespace

ActiveHardware::ActiveHardware(HardwareModel &model) : previous_(gActiveModel) { gActiveModel = &model; }

ActiveHardware::~ActiveHardware() { gActiveModel = previous_; }

}  // namespace sim

using sim::gActiveModel;

UINT8 PortRead8(UINT16 Port) { return gActiveModel ? static_cast<UINT8>(gActiveModel->PortRead(Port, 1)) : 0xFF; }

UINT16 PortRead16(UINT16 Port) {
  return gActiveModel ? static_cast<UINT16>(gActiveModel->PortRead(Port, 2)) : 0xFFFF;
}

UINT32 PortRead32(UINT16 Port) { return gActiveModel ? gActiveModel->PortRead(Port, 4) : 0xFFFFFFFFu; }

static void PortWrite(UINT16 Port, int Width, UINT32 Value) {
  if (gActiveModel) {
    gActiveModel->PortWrite(Port, Width, Value);
  }
}

UINT8 PortWrite8(UINT16 Port, UINT8 Value) {
  PortWrite(Port, 1, Value);
  return Value;
}

UINT16 PortWrite16(UINT16 Port, UINT16 Value) {
  PortWrite(Port, 2, Value);
  return Value;
}

UINT32 PortWrite32(UINT16 Port, UINT32 Value) {
  PortWrite(Port, 4, Value);
  return Value;
}

UINT64 MsrRead(UINT32 Index) { return gActiveModel ? gActiveModel->MsrRead(Index) : ~0ull; }

UINT64 MsrWrite(UINT32 Index, UINT64 Value) {
  if (gActiveModel) {
    gActiveModel->MsrWrite(Index, Value);
  }
  return Value;
}

void CpuidQuery(UINT32 Leaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  uint32_t out[4] = {~0u, ~0u, ~0u, ~0u};
  if (gActiveModel) {
    gActiveModel->Cpuid(Leaf, *Ecx, out);
  }
  *Eax = out[0];
  *Ebx = out[1];
  *Ecx = out[2];
  *Edx = out[3];
}

UINT64 TimestampRead() {
  return static_cast<UINT64>(std::chrono::steady_clock::now().time_since_epoch().count());
}

void SpinPause() {}

UINT8 PhysicalRead8(UINT64 Address) {
  return gActiveModel ? static_cast<UINT8>(gActiveModel->PhysicalRead(Address, 1)) : 0xFF;
}

UINT16 PhysicalRead16(UINT64 Address) {
  return gActiveModel ? static_cast<UINT16>(gActiveModel->PhysicalRead(Address, 2)) : 0xFFFF;
}

UINT32 PhysicalRead32(UINT64 Address) {
  return gActiveModel ? static_cast<UINT32>(gActiveModel->PhysicalRead(Address, 4)) : 0xFFFFFFFFu;
}
