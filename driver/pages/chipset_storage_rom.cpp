#include "pages/chipset_storage_rom.h"

#include "platform/firmware_services.h"
#include "platform/hardware_access.h"

namespace {

// Option ROM header.
constexpr UINTN kRomSizeOffset = 2;  // in 512-byte blocks
constexpr UINTN kRomBlockSize = 512;
constexpr UINTN kFirstPnpHeaderOffset = 0x1A;

// PnP expansion header, relative to the header.
constexpr UINTN kNextHeaderOffset = 6;
constexpr UINTN kPortMaskOffset = 8;
constexpr UINTN kProductNameOffset = 0x10;
constexpr UINTN kPnpHeaderBytesRead = kProductNameOffset + 2;

// Widens the NUL-terminated product name at ROM offset NameOffset into Name,
// stopping at the capacity and at the ROM's end; false when it starts outside the ROM.
bool ReadProductName(UINT64 RomBase, UINTN RomSize, UINTN NameOffset, CHAR16 *Name) {
  if (NameOffset >= RomSize) {
    return false;
  }
  MemFill(Name, kSasNameCapacity * sizeof(CHAR16), 0);
  for (UINTN Index = 0; Index + 1 < kSasNameCapacity && NameOffset + Index < RomSize; ++Index) {
    const UINT8 Byte = PhysicalRead8(RomBase + NameOffset + Index);
    if (Byte == 0) {
      break;
    }
    Name[Index] = Byte;
  }
  return true;
}

}  // namespace

void WalkSasOptionRom(UINT64 RomBase, UINTN PortCount, CHAR16 *Name, SasPortNameSink Sink, VOID *Context) {
  const UINTN RomSize = PhysicalRead8(RomBase + kRomSizeOffset) * kRomBlockSize;
  UINTN Header = PhysicalRead16(RomBase + kFirstPnpHeaderOffset);
  for (UINTN HeaderIndex = 0; HeaderIndex < PortCount; ++HeaderIndex) {
    if (Header + kPnpHeaderBytesRead > RomSize) {
      return;
    }
    const UINT8 PortMask = PhysicalRead8(RomBase + Header + kPortMaskOffset);
    if (PortMask == 0) {
      return;
    }
    for (UINTN Port = HeaderIndex; Port < PortCount; ++Port) {
      if (Port < 8 && (PortMask >> Port & 1) != 0 &&
          ReadProductName(RomBase, RomSize, PhysicalRead16(RomBase + Header + kProductNameOffset), Name)) {
        Sink(Context, Port, Name);
      }
    }
    const UINTN Next = PhysicalRead16(RomBase + Header + kNextHeaderOffset);
    if (Next == 0) {
      return;
    }
    Header = Next;
  }
}
