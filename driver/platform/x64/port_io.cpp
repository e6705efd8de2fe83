// Port input and output on the real machine. Without a size suffix the assembler
// takes the width from the register the operand type selects (al, ax or eax). The
// "memory" clobber keeps the compiler from moving memory accesses across a device
// access.
#include "platform/hardware_access.h"

template <typename Value>
static Value PortIn(UINT16 Port) {
  Value value;
  __asm__ __volatile__("in %w1, %0" : "=a"(value) : "Nd"(Port) : "memory");
  return value;
}

template <typename Value>
static Value PortOut(UINT16 Port, Value Data) {
  __asm__ __volatile__("out %0, %w1" : : "a"(Data), "Nd"(Port) : "memory");
  return Data;
}

UINT8 PortRead8(UINT16 Port) { return PortIn<UINT8>(Port); }
UINT8 PortWrite8(UINT16 Port, UINT8 Value) { return PortOut(Port, Value); }
UINT16 PortRead16(UINT16 Port) { return PortIn<UINT16>(Port); }
UINT16 PortWrite16(UINT16 Port, UINT16 Value) { return PortOut(Port, Value); }
UINT32 PortRead32(UINT16 Port) { return PortIn<UINT32>(Port); }
UINT32 PortWrite32(UINT16 Port, UINT32 Value) { return PortOut(Port, Value); }
