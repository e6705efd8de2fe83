// Loads and stores that may sit at any address. The byte routines move whole
// words even when only one operand is aligned, and a malformed HOB length can
// leave a header at an odd address; these types keep such accesses defined.
#pragma once

#include "uefi/uefi_base.h"

typedef UINT16 __attribute__((aligned(1), may_alias)) UnalignedUint16;
typedef UINT32 __attribute__((aligned(1), may_alias)) UnalignedUint32;
typedef UINT64 __attribute__((aligned(1), may_alias)) UnalignedUint64;

inline UINT16 ReadUnaligned16(const VOID *Address) { return *(const UnalignedUint16 *)Address; }
