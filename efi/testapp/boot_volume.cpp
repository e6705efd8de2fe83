#include "boot_volume.h"

#include "boot_media.h"
#include "platform/firmware_services.h"

static EFI_STATUS OpenRoot(EFI_FILE_PROTOCOL **Root) {
  EFI_LOADED_IMAGE_PROTOCOL *image = nullptr;
  EFI_STATUS status = gBS->HandleProtocol(gImageHandle, (EFI_GUID *)&kEfiLoadedImageProtocolGuid, (VOID **)&image);
  if (EfiError(status)) {
    return status;
  }
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *volume = nullptr;
  status = gBS->HandleProtocol(image->DeviceHandle, (EFI_GUID *)&kEfiSimpleFileSystemProtocolGuid, (VOID **)&volume);
  if (EfiError(status)) {
    return status;
  }
  return volume->OpenVolume(volume, Root);
}

static EFI_STATUS FileSize(EFI_FILE_PROTOCOL *File, UINTN *Size) {
  UINT64 end = 0;
  EFI_STATUS status = File->SetPosition(File, kEfiFileEndPosition);
  if (!EfiError(status)) {
    status = File->GetPosition(File, &end);
  }
  if (!EfiError(status)) {
    status = File->SetPosition(File, 0);
  }
  *Size = (UINTN)end;
  return status;
}

static EFI_STATUS ReadWhole(EFI_FILE_PROTOCOL *File, VOID **Data, UINTN *Size) {
  UINTN size = 0;
  EFI_STATUS status = FileSize(File, &size);
  if (EfiError(status)) {
    return status;
  }
  UINT8 *buffer = (UINT8 *)AllocateZeroedPool(size + 1);
  if (buffer == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  UINTN read = size;
  status = File->Read(File, &read, buffer);
  if (!EfiError(status) && read != size) {
    status = EFI_VOLUME_CORRUPTED;
  }
  if (EfiError(status)) {
    gBS->FreePool(buffer);
    return status;
  }
  *Data = buffer;
  *Size = size;
  return EFI_SUCCESS;
}

EFI_STATUS ReadBootFile(const CHAR16 *Path, VOID **Data, UINTN *Size) {
  EFI_FILE_PROTOCOL *root = nullptr;
  EFI_STATUS status = OpenRoot(&root);
  if (EfiError(status)) {
    return status;
  }
  EFI_FILE_PROTOCOL *file = nullptr;
  status = root->Open(root, &file, Path, EFI_FILE_MODE_READ, 0);
  if (!EfiError(status)) {
    status = ReadWhole(file, Data, Size);
    file->Close(file);
  }
  root->Close(root);
  return status;
}

// A file that is there is deleted first: writing over it would keep its old length.
EFI_STATUS WriteBootFile(const CHAR16 *Path, const VOID *Data, UINTN Size) {
  EFI_FILE_PROTOCOL *root = nullptr;
  EFI_STATUS status = OpenRoot(&root);
  if (EfiError(status)) {
    return status;
  }
  EFI_FILE_PROTOCOL *file = nullptr;
  if (!EfiError(root->Open(root, &file, Path, EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE, 0))) {
    file->Delete(file);
  }
  status = root->Open(root, &file, Path, EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE | EFI_FILE_MODE_CREATE, 0);
  if (!EfiError(status)) {
    UINTN written = Size;
    status = file->Write(file, &written, Data);
    if (!EfiError(status) && written != Size) {
      status = EFI_VOLUME_FULL;
    }
    const EFI_STATUS flushed = file->Flush(file);
    if (!EfiError(status)) {
      status = flushed;
    }
    file->Close(file);
  }
  root->Close(root);
  return status;
}
