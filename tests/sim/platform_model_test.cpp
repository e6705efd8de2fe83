// The simulator and the driver each keep their own GUIDs; this table, written
// out once more from the owners' published text, holds both to it. A GUID
// mistyped on either side fails here instead of passing every boot unnoticed.
#include <gtest/gtest.h>

#include <string>

#include "core/form_callbacks.h"
#include "pages/management_engine_protocols.h"
#include "pages/memory_info_records.h"
#include "pages/network_fru_record.h"
#include "pages/processor_protocols.h"
#include "pages/super_io_device.h"
#include "pages/usb_summary_protocol.h"
#include "sim/checks/boot_checks.h"
#include "sim/machine/guid_text.h"
#include "sim/machine/platform_guids.h"
#include "uefi/device_path.h"
#include "uefi/disk_info.h"
#include "uefi/legacy_bios.h"
#include "uefi/setup_platform_protocols.h"
#include "uefi/uefi_tables.h"

namespace {

struct GuidCase {
  const char *name;
  const char *text;
  const EFI_GUID &simulator;
  const EFI_GUID *driver;  // null: the driver does not name it
};

const GuidCase kGuids[] = {
    {"global variables", "8BE4DF61-93CA-11D2-AA0D-00E098032B8C", sim::guids::kGlobalVariable, &kEfiGlobalVariableGuid},
    {"HOB list", "7739F24C-93D7-11D4-9A3A-0090273FC14D", sim::guids::kHobList, &kHobListGuid},
    {"DXE services table", "05AD34BA-6F02-4214-952E-4DA0398E2BB9", sim::guids::kDxeServicesTable,
     &kDxeServicesTableGuid},
    {"device path", "09576E91-6D3F-11D2-8E39-00A0C969723B", sim::guids::kDevicePathProtocol,
     &kEfiDevicePathProtocolGuid},
    {"disk info", "D432A67F-14DC-484B-B3BB-3F0291849327", sim::guids::kDiskInfoProtocol, &kEfiDiskInfoProtocolGuid},
    {"disk info, IDE", "5E948FE3-26D3-42B5-AF17-610287188DEC", sim::guids::kDiskInfoIdeInterface,
     &kEfiDiskInfoIdeInterfaceGuid},
    {"disk info, AHCI", "9E498932-4ABC-45AF-A34D-0247787BE7C6", sim::guids::kDiskInfoAhciInterface,
     &kEfiDiskInfoAhciInterfaceGuid},
    {"Framework HII", "EA816D2C-CEE5-4F02-99B5-D3905CBBD077", sim::guids::kFrameworkHiiProtocol,
     &kFrameworkHiiProtocolGuid},
    {"legacy BIOS", "DB9A1E3D-45CB-4ABB-853B-E5387FDB2E2D", sim::guids::kLegacyBiosProtocol,
     &kEfiLegacyBiosProtocolGuid},
    {"Setup", "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", sim::guids::kSetupVariable, &kSetupVariableGuid},
    {"SetupMenuCondition", "122B3E0D-4C5D-11E0-9DDE-001D9294198F", sim::guids::kSetupMenuCondition,
     &kSetupMenuConditionGuid},
    {"publishing trigger", "71202EEE-5F53-40D9-AB3D-9E0C26D96657", sim::guids::kPublishTrigger, &kPublishTriggerGuid},
    {"string service", "67B5787C-0E6A-4796-943E-A093B73A0267", sim::guids::kStringServiceProtocol,
     &kStringServiceProtocolGuid},
    {"board query", "41367D78-0977-11E0-9D9C-001D9294198F", sim::guids::kBoardQueryProtocol, &kBoardQueryProtocolGuid},
    {"board register", "9851740C-22E0-440D-9090-EF2D71C251C9", sim::guids::kBoardRegisterProtocol,
     &kBoardRegisterProtocolGuid},
    {"processor information", "F109F361-370C-4D9C-B1AB-7CA2D4C8B3FF", sim::guids::kCpuInfoProtocol,
     &kCpuInfoProtocolGuid},
    {"processor package", "AC9CF0A8-E551-4BE2-AD0A-E1B564EEA273", sim::guids::kCpuPackageProtocol,
     &kCpuPackageProtocolGuid},
    {"processor platform HOB", "2E547CB5-40F8-4F3E-8AF4-1952AAD55A0C", sim::guids::kCpuPlatformInfoHob,
     &kCpuPlatformInfoHobGuid},
    {"power supply HOB", "982D8C6F-F6F6-4135-A309-A4593EA56417", sim::guids::kPowerSupplyInfoHob,
     &kPowerSupplyInfoHobGuid},
    {"MemoryInfo", "7EE396A1-FF7D-431B-FA53-8CCD127C44C5", sim::guids::kMemoryInfoVariable, &kMemoryInfoVariableGuid},
    {"host data", "B980C346-4A52-4A3B-9AE3-2871EFE451B5", sim::guids::kHostDataProtocol, &kHostDataProtocolGuid},
    {"Super I/O device", "51E9B4F9-555D-476C-8BB5-BD18D9A68878", sim::guids::kSioDeviceProtocol,
     &kSioDeviceProtocolGuid},
    {"USB device information", "2AD8E2D2-2E91-4CD1-95F5-E78FE5EBE316", sim::guids::kUsbDeviceInfoProtocol,
     &kUsbDeviceInfoProtocolGuid},
    {"ME information", "237B7CD6-B690-4046-8014-E9E581219313", sim::guids::kMeInfoProtocol, &kMeInfoProtocolGuid},
    {"message box", "8A91B1E1-56C7-4ADC-ABEB-1C2CA1729EFF", sim::guids::kMessageBoxProtocol,
     &kMessageBoxProtocolGuid},
    {"ME update status", "0732BD39-D6B0-4039-B6C2-9654466DE525", sim::guids::kMeUpdateStatus, &kMeUpdateStatusGuid},
    {"FruSetup STRING", "3F8BB5BE-0977-11E0-9D9C-001D9294198F", sim::guids::kFruSetup, &kFruSetupGuid},
};

TEST(PlatformModel, EveryGuidMatchesItsPublishedText) {
  for (const GuidCase &c : kGuids) {
    SCOPED_TRACE(c.name);
    const std::optional<EFI_GUID> expected = sim::GuidFromText(c.text);
    ASSERT_TRUE(expected.has_value());
    EXPECT_TRUE(sim::GuidEqual(c.simulator, *expected)) << "simulator: " << sim::GuidToText(c.simulator);
    if (c.driver != nullptr) {
      EXPECT_TRUE(sim::GuidEqual(*c.driver, *expected)) << "driver: " << sim::GuidToText(*c.driver);
    }
  }
}

// The menu items the simulator calls are the ones the driver answers.
TEST(PlatformModel, MenuItemsAreTheDriversFormCallbacks) {
  std::vector<std::pair<uint16_t, uint16_t>> driver;
  for (const FormCallbackRecord *record = FormCallbackTable; record->Callback != nullptr; ++record) {
    driver.emplace_back(record->Class, record->Key);
  }
  EXPECT_EQ(sim::EveryFormCallback(), driver);
}

}  // namespace
