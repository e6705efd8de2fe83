#include "image_start.h"

#include "boot_volume.h"
#include "platform/firmware_services.h"

ImageRun RunImageFile(const CHAR16 *Path) {
  ImageRun run = {EFI_NOT_STARTED, EFI_NOT_STARTED, EFI_NOT_STARTED, 0};
  VOID *file = nullptr;
  UINTN size = 0;
  run.ReadStatus = ReadBootFile(Path, &file, &size);
  if (EfiError(run.ReadStatus)) {
    return run;
  }
  EFI_HANDLE image = nullptr;
  run.LoadStatus = gBS->LoadImage(0, gImageHandle, nullptr, file, size, &image);
  gBS->FreePool(file);
  if (EfiError(run.LoadStatus)) {
    return run;
  }
  run.EntryStatus = gBS->StartImage(image, nullptr, nullptr);
  run.Started = 1;
  return run;
}
