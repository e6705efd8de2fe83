// Port input and output on the real machine. The "memory" clobber keeps the
// compiler from moving memory accesses across a device access.
#include "platform/hardware_access.h"

UINT8 PortRead8(UINT16 Port) {
  UINT8 value;
  __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(Port) : "memory");
  return value;
}

UINT8 PortWrite8(UINT16 Port, UINT8 Value) {
  __asm__ __volatile__("outb %b0, %w1" : : "a"(Value), "Nd"(Port) : "memory");
  return Value;
}

UINT16 PortRead16(UINT16 Port) {
  UINT16 value;
  __asm__ __volatile__("inw %w1, %w0" : "=a"(value) : "Nd"(Port) : "memory");
  return value;
}

UINT16 PortWrite16(UINT16 Port, UINT16 Value) {
  __asm__ __volatile__("outw %w0, %w1" : : "a"(Value), "Nd"(Port) : "memory");
  return Value;
}

UINT32 PortRead32(UINT16 Port) {
  UINT32 value;
  __asm__ __volatile__("inl %w1, %k0" : "=a"(value) : "Nd"(Port) : "memory");
  return value;
}

UINT32 PortWrite32(UINT16 Port, UINT32 Value) {
  __asm__ __volatile__("outl %k0, %w1" : : "a"(Value), "Nd"(Port) : "memory");
  return Value;
}
