#include "pages/firmware_identity.h"

#include "core/string_service.h"
#include "pages/page_providers.h"
#include "platform/firmware_services.h"
#include "platform/hardware_access.h"

namespace {

// Constants of this firmware build.
constexpr const CHAR16 *kDefaultVendor = u"Orvantic";
constexpr UINT32 kFirmwareMajor = 4;
constexpr UINT32 kFirmwareMinor = 6;
constexpr const CHAR16 *kFirmwareBuild = u"00";
constexpr const CHAR16 *kFirmwareRelease = u"04";
constexpr const CHAR16 *kProjectTag = u"0TRWZ";
constexpr UINT32 kProjectMajor = 0;
constexpr UINT32 kProjectMinor = 16;
constexpr const CHAR16 *kBuildDate = u"05/23/2012";
constexpr UINT32 kBoardVersion[3] = {2, 5, 1};

constexpr UINT16 kAdvancedClass = 2;

// Two version bytes the legacy BIOS image keeps at F000:0018.
constexpr UINT64 kBiosAreaVersionAddress = 0xF0018;

constexpr UINT16 kVendorString = 24;
constexpr UINT16 kFirmwareVersionString = 25;
constexpr UINT16 kRevisionsString = 26;
constexpr UINT16 kProjectVersionString = 27;
constexpr UINT16 kBuildDateString = 28;
constexpr UINT16 kBiosAreaVersionString = 677;
constexpr UINT16 kBoardVersionString = 1359;

// Revisions keep the major number in the upper 16 bits; the minor number
// counts tenths and hundredths (31 is 2.3.1), of which only the tenths are shown.
UINT32 RevisionMajor(UINT32 Revision) { return Revision >> 16; }
UINT32 RevisionTenths(UINT32 Revision) { return (Revision & 0xFFFF) / 10; }

}  // namespace

void SetFirmwareIdentityStrings(EFI_HII_HANDLE HiiHandle) {
  const CHAR16 *Vendor = gST->FirmwareVendor != nullptr ? gST->FirmwareVendor : kDefaultVendor;
  SetPageString(HiiHandle, kVendorString, u"%s", Vendor);
  SetPageString(HiiHandle, kFirmwareVersionString, u"%d.%d.%s%s", kFirmwareMajor, kFirmwareMinor, kFirmwareBuild,
                kFirmwareRelease);
  SetPageString(HiiHandle, kProjectVersionString, u"%s %d.%02d x64", kProjectTag, kProjectMajor, kProjectMinor);
  SetPageString(HiiHandle, kBuildDateString, u"%s", kBuildDate);

  // Without the DXE services table there is no PI revision to show: the list keeps its own text.
  DXE_SERVICES_TABLE_HEADER *DxeServices = nullptr;
  if (EfiError(GetDxeServicesTable(&DxeServices))) {
    return;
  }
  const UINT32 UefiRevision = gST->Hdr.Revision;
  const UINT32 PiRevision = DxeServices->Hdr.Revision;
  SetPageString(HiiHandle, kRevisionsString, u"UEFI %d.%d; PI %d.%d", RevisionMajor(UefiRevision),
                RevisionTenths(UefiRevision), RevisionMajor(PiRevision), RevisionTenths(PiRevision));
}

VOID BoardVersionProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass != kAdvancedClass) {
    return;
  }
  SetPageString(HiiHandle, kBoardVersionString, u"V %d.%02d.%02d", kBoardVersion[0], kBoardVersion[1],
                kBoardVersion[2]);
}

VOID BiosAreaVersionProvider(EFI_HII_HANDLE HiiHandle, UINT16) {
  SetPageString(HiiHandle, kBiosAreaVersionString, u"%02x.%02x", PhysicalRead8(kBiosAreaVersionAddress),
                PhysicalRead8(kBiosAreaVersionAddress + 1));
}
