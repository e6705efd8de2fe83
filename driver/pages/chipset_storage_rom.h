// The SAS controller's legacy option ROM as the storage page reads it: a chain
// of PnP expansion headers, each naming the controller ports (a byte mask at
// header offset 8) that its product name (offset 0x10) stands for.
#pragma once

#include "uefi/uefi_base.h"

// 16-bit characters of a product name, the terminator included.
constexpr UINTN kSasNameCapacity = 128;

typedef void (*SasPortNameSink)(VOID *Context, UINTN Port, const CHAR16 *Name);

// Walks the headers of the ROM at physical address RomBase, counting them from
// k = 0, and hands each port j (k <= j < PortCount) whose bit header k sets to
// Sink with the header's product name, widened into Name (kSasNameCapacity
// characters). The walk stops at a header with no ports, at a next-header
// offset of 0, once k reaches PortCount (no later header can name a port), and
// at a header that does not lie inside the ROM's declared size (byte 2, in
// 512-byte blocks); a name that starts outside the ROM is not handed on, and
// one without a terminator inside it ends at the ROM's end.
void WalkSasOptionRom(UINT64 RomBase, UINTN PortCount, CHAR16 *Name, SasPortNameSink Sink, VOID *Context);
