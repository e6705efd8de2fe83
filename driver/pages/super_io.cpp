// The Super I/O page (class 2): the I/O base, interrupt and DMA channel the
// platform assigned to each shown device of the Super I/O chip.
#include "core/string_service.h"
#include "pages/page_providers.h"
#include "pages/super_io_device.h"
#include "platform/firmware_services.h"

namespace {

constexpr UINT16 kSuperIoClass = 2;
constexpr UINT8 kAnyInstance = 0xFF;

enum SioResourceFields : UINT8 {
  kIrqAndDma,      // both, zeros included
  kIrqOnly,
  kNonZeroOnly,    // each of interrupt and DMA channel only when it is assigned
};

struct SioLine {
  UINT32 Kind;
  UINT8 Instance;  // kAnyInstance: every instance
  UINT16 StringId;
  SioResourceFields Fields;
};

const SioLine kSioLines[] = {
    {kSioKindFloppy, kAnyInstance, 727, kIrqAndDma},
    {kSioKindSerial, 0, 737, kIrqOnly},
    {kSioKindSerial, 1, 738, kIrqOnly},
    {kSioKindParallel, kAnyInstance, 756, kNonZeroOnly},
    {kSioKindInfrared, kAnyInstance, 774, kIrqOnly},
};

const SioLine *FindSioLine(const SioDeviceDescription *Description) {
  for (const SioLine &Line : kSioLines) {
    if (Line.Kind == Description->Kind && (Line.Instance == kAnyInstance || Line.Instance == Description->Instance)) {
      return &Line;
    }
  }
  return nullptr;
}

void SetSioLine(EFI_HII_HANDLE HiiHandle, const SioLine &Line, const SioDeviceInterface *Device) {
  UINTN Base = Device->IoBase;
  UINTN Irq = Device->Irq;
  UINTN Dma = Device->Dma;
  BOOLEAN ShowIrq = Line.Fields != kNonZeroOnly || Irq != 0;
  BOOLEAN ShowDma = Line.Fields == kIrqAndDma || (Line.Fields == kNonZeroOnly && Dma != 0);
  if (ShowIrq && ShowDma) {
    SetPageString(HiiHandle, Line.StringId, u"IO=%Xh; IRQ=%d; DMA=%d;", Base, Irq, Dma);
  } else if (ShowIrq) {
    SetPageString(HiiHandle, Line.StringId, u"IO=%Xh; IRQ=%d;", Base, Irq);
  } else if (ShowDma) {
    SetPageString(HiiHandle, Line.StringId, u"IO=%Xh; DMA=%d;", Base, Dma);
  } else {
    SetPageString(HiiHandle, Line.StringId, u"IO=%Xh;", Base);
  }
}

}  // namespace

VOID SioResourceProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass != kSuperIoClass) {
    return;
  }
  UINTN HandleCount = 0;
  EFI_HANDLE *Handles = nullptr;
  EFI_STATUS Status = gBS->LocateHandleBuffer(ByProtocol, const_cast<EFI_GUID *>(&kSioDeviceProtocolGuid), nullptr,
                                              &HandleCount, &Handles);
  if (EfiError(Status) || Handles == nullptr) {
    return;
  }
  for (UINTN Index = 0; Index < HandleCount; Index++) {
    SioDeviceInterface *Device = nullptr;
    Status = gBS->HandleProtocol(Handles[Index], const_cast<EFI_GUID *>(&kSioDeviceProtocolGuid),
                                 reinterpret_cast<VOID **>(&Device));
    if (EfiError(Status) || Device == nullptr || Device->Description == nullptr) {
      continue;
    }
    if (Device->Description->Present == 0 || Device->Enabled == 0 || Device->Active == 0) {
      continue;
    }
    const SioLine *Line = FindSioLine(Device->Description);
    if (Line != nullptr) {
      SetSioLine(HiiHandle, *Line, Device);
    }
  }
  gBS->FreePool(Handles);
}
