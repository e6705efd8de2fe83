// The serial I/O protocol: raw bytes to the UART, without the console's
// terminal emulation (no line wrapping, no escape sequences).
#pragma once

#include "uefi/uefi_base.h"

constexpr EFI_GUID kEfiSerialIoProtocolGuid = {
    0xBB25CF6F, 0xF1D4, 0x11D2, {0x9A, 0x0C, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0xFD}};

typedef EFI_STATUS(EFIAPI *SERIAL_UNUSED_MEMBER)();

struct EFI_SERIAL_IO_PROTOCOL {
  UINT32 Revision;
  SERIAL_UNUSED_MEMBER Reset;
  SERIAL_UNUSED_MEMBER SetAttributes;
  SERIAL_UNUSED_MEMBER SetControl;
  SERIAL_UNUSED_MEMBER GetControl;
  EFI_STATUS(EFIAPI *Write)(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer);
  SERIAL_UNUSED_MEMBER Read;
  VOID *Mode;
};
static_assert(offsetof(EFI_SERIAL_IO_PROTOCOL, Write) == 40, "serial I/O layout");
