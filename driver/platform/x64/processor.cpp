// Model-specific registers, CPUID, the time-stamp counter and the spin-wait hint
// on the real machine.
#include "platform/hardware_access.h"

UINT64 MsrRead(UINT32 Index) {
  UINT32 low, high;
  __asm__ __volatile__("rdmsr" : "=a"(low), "=d"(high) : "c"(Index));
  return (UINT64)high << 32 | low;
}

UINT64 MsrWrite(UINT32 Index, UINT64 Value) {
  __asm__ __volatile__("wrmsr" : : "c"(Index), "a"((UINT32)Value), "d"((UINT32)(Value >> 32)) : "memory");
  return Value;
}

void CpuidQuery(UINT32 Leaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  UINT32 a, b, c = *Ecx, d;
  __asm__ __volatile__("cpuid" : "=a"(a), "=b"(b), "+c"(c), "=d"(d) : "a"(Leaf));
  *Eax = a;
  *Ebx = b;
  *Ecx = c;
  *Edx = d;
}

UINT64 TimestampRead() {
  UINT32 low, high;
  __asm__ __volatile__("rdtsc" : "=a"(low), "=d"(high));
  return (UINT64)high << 32 | low;
}

void SpinPause() { __asm__ __volatile__("pause" : : : "memory"); }
