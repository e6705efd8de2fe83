// What the form browser needs on a package list's driver handle: a device path
// (the browser saves a form set's variable stores only for a driver it can name
// by path) and EFI_HII_CONFIG_ACCESS_PROTOCOL (through which it reports presses of
// questions flagged for callback).
#pragma once

#include "uefi/device_path.h"
#include "uefi/uefi_base.h"

constexpr EFI_GUID kEfiHiiConfigAccessProtocolGuid = {
    0x330D4706, 0xF2A0, 0x4E4F, {0xA3, 0x69, 0xB6, 0x6F, 0xA8, 0xD5, 0x43, 0x85}};

#pragma pack(push, 1)
// A hardware vendor node carrying the list's form class, then the end node.
struct ListDevicePath {
  EFI_DEVICE_PATH_PROTOCOL Vendor;
  EFI_GUID VendorGuid;
  UINT16 FormClass;
  EFI_DEVICE_PATH_PROTOCOL End;
};
#pragma pack(pop)
static_assert(sizeof(ListDevicePath) == 26, "vendor node of 22 bytes and the end node");

constexpr UINT8 HW_VENDOR_DP = 0x04;

typedef UINTN EFI_BROWSER_ACTION;
typedef UINTN EFI_BROWSER_ACTION_REQUEST;
typedef UINT16 EFI_QUESTION_ID;

constexpr EFI_BROWSER_ACTION EFI_BROWSER_ACTION_CHANGING = 0;
constexpr EFI_BROWSER_ACTION EFI_BROWSER_ACTION_CHANGED = 1;
constexpr EFI_BROWSER_ACTION_REQUEST EFI_BROWSER_ACTION_REQUEST_NONE = 0;

struct EFI_HII_CONFIG_ACCESS_PROTOCOL {
  EFI_STATUS(EFIAPI *ExtractConfig)(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Request,
                                    CHAR16 **Progress, CHAR16 **Results);
  EFI_STATUS(EFIAPI *RouteConfig)(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, const CHAR16 *Configuration,
                                  CHAR16 **Progress);
  // Value points at the question's value (EFI_IFR_TYPE_VALUE); unused here.
  EFI_STATUS(EFIAPI *Callback)(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action,
                               EFI_QUESTION_ID QuestionId, UINT8 Type, VOID *Value,
                               EFI_BROWSER_ACTION_REQUEST *ActionRequest);
};
static_assert(sizeof(EFI_HII_CONFIG_ACCESS_PROTOCOL) == 3 * 8, "config access protocol has 3 members");
