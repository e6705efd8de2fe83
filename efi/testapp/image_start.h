// Loads a driver image from the boot volume and runs its entry point, as the DXE
// dispatcher would have.
#pragma once

#include "uefi/uefi_base.h"

struct ImageRun {
  EFI_STATUS ReadStatus;   // reading the file
  EFI_STATUS LoadStatus;   // LoadImage
  EFI_STATUS EntryStatus;  // what the entry point returned (StartImage)
  BOOLEAN Started;         // the entry point ran
};

ImageRun RunImageFile(const CHAR16 *Path);

// The entry point ran and returned success, so the image stays loaded; after an
// error status the firmware unloads it, and nothing inside it may be called.
inline BOOLEAN ImageResident(const ImageRun &Run) { return Run.Started && !EfiError(Run.EntryStatus); }
