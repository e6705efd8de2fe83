// A module kept loaded, with its data sections reset before each boot, boots
// exactly as a fresh load does: same reports, same stores, over a run of boots
// that leaves plenty of module state behind (publishing, protocol pointers,
// events, the default image), also after a boot cut short by a failed call.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/checks/boot_checks.h"
#include "sim/machine/driver_module.h"
#include "sim/profile/profile_loader.h"

namespace sim {

// Found by argument-dependent lookup, for comparing whole reports.
static bool operator==(const EventRecord &a, const EventRecord &b) {
  return a.kind == b.kind && a.detail == b.detail && a.values == b.values;
}
static bool operator==(const StringRecord &a, const StringRecord &b) {
  return a.formClass == b.formClass && a.stringId == b.stringId && a.text == b.text;
}
static bool operator==(const StoredVariable &a, const StoredVariable &b) {
  return a.name == b.name && std::memcmp(&a.guid, &b.guid, sizeof a.guid) == 0 && a.attributes == b.attributes &&
         a.data == b.data;
}

namespace {

TEST(LoadedModule, BootsAsAFreshLoadDoes) {
  const BoardProfile profile = LoadBuiltinBoard("reference");
  std::vector<BootOptions> boots(5);
  boots[1].callbacks = EveryFormCallback();  // a later boot without the trigger: no callback reaches the driver
  boots[2].trigger = true;
  boots[2].callbacks = EveryFormCallback();
  boots[3].trigger = true;
  boots[3].faults = {ServiceFault{ServiceCall::ProtocolMember, 2}};
  boots[4].trigger = true;
  boots[4].callbacks = EveryFormCallback();

  DriverModule kept(DriverModule::DefaultPath());
  VariableStore freshStore = SeededStore(profile), keptStore = freshStore;
  for (size_t i = 0; i < boots.size(); ++i) {
    SCOPED_TRACE("boot " + std::to_string(i + 1));
    const BootReport fresh = RunBoot(profile, freshStore, boots[i]);
    BootOptions reuse = boots[i];
    reuse.loadedModule = &kept;
    const BootReport again = RunBoot(profile, keptStore, reuse);
    EXPECT_EQ(again.entryStatus, fresh.entryStatus);
    EXPECT_TRUE(again.events == fresh.events);
    EXPECT_TRUE(again.strings == fresh.strings);
    EXPECT_EQ(again.poolLeaks, fresh.poolLeaks);
    EXPECT_EQ(again.serviceCalls, fresh.serviceCalls);
    EXPECT_TRUE(keptStore.All() == freshStore.All());
  }
}

}  // namespace
}  // namespace sim
