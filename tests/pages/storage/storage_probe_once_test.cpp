// Two class-2 calls of the storage page within one boot: the driver library is
// linked in, so its module state starts fresh once per process, as at one load of
// the image. This binary therefore holds this one test.
#include <gtest/gtest.h>

#include "../memory_storage_boot.h"
#include "pages/page_providers.h"
#include "platform/firmware_services.h"
#include "sim/machine/board_hardware.h"
#include "sim/machine/machine.h"

namespace pages_test {
namespace {

TEST(StorageProbeOnce, ASecondCallOfTheBootReusesTheFirstProbe) {
  const sim::BoardProfile profile = Reference();
  sim::VariableStore store;
  Bytes setup(kSetupDataSize, 0);
  setup[4] = 2;
  setup[75] = 1;
  store.Put({u"Setup", kSetupVariableGuid, kAttrNvBsRt, setup});
  sim::Machine machine(profile, store);
  const std::unique_ptr<sim::HardwareModel> hardware = sim::BuildBoardHardware(profile, machine.Log());
  sim::ActiveHardware bound(*hardware);
  CaptureServiceTables(machine.ImageHandle(), machine.SystemTable());
  const EFI_HII_HANDLE advanced = machine.Hii().Publish(*machine.Hii().ListOfClass(2), nullptr)->handle;

  auto sasNamesSince = [&](size_t first) {
    size_t named = 0;
    const std::vector<sim::StringRecord> &strings = machine.Hii().Strings();
    for (size_t i = first; i < strings.size(); ++i) named += strings[i].stringId >= 1201 && strings[i].stringId <= 1208;
    return named;
  };
  ChipsetStorageProvider(advanced, 2);
  ASSERT_NE(store.Find(u"SetupSBFeatures", kSetupVariableGuid), nullptr);
  EXPECT_EQ(store.Find(u"SetupSBFeatures", kSetupVariableGuid)->data, Bytes{4});
  EXPECT_EQ(sasNamesSince(0), 4u);

  // Probed again, the page would now find no 4-port root port and look for the
  // controller on bus 8, where the BBS table's SAS entry is not.
  hardware->PciConfigWrite(0, 17, 0, 2, 2, 0xFFFF);
  ASSERT_EQ(store.Set(u"SetupSBFeatures", &kSetupVariableGuid, kAttrBs, 0, nullptr), EFI_SUCCESS);
  const size_t before = machine.Hii().Strings().size();
  ChipsetStorageProvider(advanced, 2);
  EXPECT_EQ(store.Find(u"SetupSBFeatures", kSetupVariableGuid), nullptr) << "written again";
  EXPECT_EQ(sasNamesSince(before), 4u) << "the SAS names use the first call's port count and bus";
  EXPECT_EQ(machine.Pool().Outstanding(), 0u);
}

}  // namespace
}  // namespace pages_test
