// What one run asks of the test application, from a small text file on the boot
// volume that the runner writes: one request per line, '#' starts a comment.
//
//   trigger                  install the publishing trigger after the driver's entry point
//   callback CLASS KEY       call the form callback of that class with that key (in order)
//   browse [CLASS ...]       after the report, show each published form set in the form browser
//                            (only those of the classes given, at most 8, when any are)
//   export                   write the whole HII database (ExportPackageLists) to \setup\hii.bin
//   dispatched               the firmware dispatched both drivers from its volume: load neither,
//                            and leave the trigger to the companion
//
// Numbers are decimal or 0x-prefixed hexadecimal, each at most 0xFFFF.
#pragma once

#include "uefi/uefi_base.h"

struct FormCallbackRequest {
  UINT16 FormClass;
  UINT16 Key;
};

struct RunRequest {
  BOOLEAN Trigger;
  BOOLEAN Browse;
  UINTN BrowseClassCount;  // 0: every class
  UINT16 BrowseClasses[8];
  BOOLEAN Export;
  BOOLEAN Dispatched;
  UINTN CallbackCount;
  FormCallbackRequest Callbacks[16];
};

// Reads Size bytes of Text (no terminator needed). On a line it cannot read,
// returns EFI_INVALID_PARAMETER with that line's number (from 1) in *BadLine.
EFI_STATUS ParseRunRequest(const CHAR8 *Text, UINTN Size, RunRequest *Request, UINTN *BadLine);

// Whether the request shows the form set of that class.
BOOLEAN BrowsesClass(const RunRequest &Request, UINT16 FormClass);
