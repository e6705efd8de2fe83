// Whole boots: a fresh module per boot, the order of entry, trigger, late
// installs and form callbacks, and what the report counts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "driver/platform/firmware_services.h"
#include "machine_test_support.h"
#include "sim/boot.h"
#include "sim/machine/driver_module.h"
#include "temp_folder.h"

namespace sim {
namespace {

constexpr EFI_GUID kTestGuid = {0x5E7E5E7E, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

BootOptions FakeDriver(bool trigger, std::vector<std::pair<uint16_t, uint16_t>> callbacks = {}) {
  BootOptions options;
  options.trigger = trigger;
  options.callbacks = std::move(callbacks);
  options.driverModule = FAKE_DRIVER_MODULE;
  return options;
}

uint32_t NumberOf(const VariableStore &store, const std::u16string &name) {
  const StoredVariable *variable = store.Find(name, kTestGuid);
  uint32_t value = ~0u;
  if (variable != nullptr && variable->data.size() == sizeof value) std::memcpy(&value, variable->data.data(), 4);
  return value;
}

size_t IndexOf(const std::vector<EventRecord> &events, const std::string &kind) {
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].kind == kind) return i;
  }
  return events.size();
}

TEST(BootTest, EveryBootLoadsAFreshModuleAfterAPowerCycle) {
  VariableStore store;
  for (int boot = 1; boot <= 3; ++boot) {
    SCOPED_TRACE(boot);
    store.Put({u"Volatile", kTestGuid, kAttrBsRt, {1}});
    BootReport report = RunBoot(TestProfile(), store, FakeDriver(false));
    EXPECT_EQ(report.entryStatus, EFI_WARN_WRITE_FAILURE);
    EXPECT_EQ(NumberOf(store, u"Loads"), 1u);  // module state started from zero again
    EXPECT_EQ(NumberOf(store, u"SawVolatile"), 0u);
    EXPECT_EQ(report.poolLeaks, 1u);
    EXPECT_EQ(report.poolLeakBytes, 40u);
    EXPECT_TRUE(HasEvent(report.events, "unexpected-service-call", "BootServices.Stall"));
  }
}

TEST(BootTest, TriggerReleasesPublishingBeforeTheFormCallbacks) {
  VariableStore store;
  BootReport report = RunBoot(TestProfile(), store, FakeDriver(true, {{1, 7}, {4, 2}, {2, 1}}));

  // Class 1 has strings 10 and 11; class 4 has none, so its changes are rejected.
  ASSERT_EQ(report.strings.size(), 2u);
  EXPECT_EQ(report.strings[0].formClass, 1);
  EXPECT_EQ(report.strings[0].stringId, 10);
  EXPECT_EQ(report.strings[0].text, u"published");
  EXPECT_EQ(report.strings[1].stringId, 11);
  EXPECT_EQ(report.strings[1].label, "Build Date");
  EXPECT_EQ(report.strings[1].text, u"callback");
  EXPECT_EQ(NumberOf(store, u"LastKey"), 2u);

  const auto &events = report.events;
  EXPECT_LT(IndexOf(events, "protocol-installed"), IndexOf(events, "package-list-published"));
  EXPECT_LT(IndexOf(events, "package-list-published"), IndexOf(events, "form-callback"));
  size_t callbacks = 0;
  for (const EventRecord &e : events) {
    if (e.kind != "form-callback") continue;
    EXPECT_EQ(ValueOf(e, "status"), EFI_SUCCESS);
    ++callbacks;
  }
  EXPECT_EQ(callbacks, 2u);
  ASSERT_LT(IndexOf(events, "callback-skipped"), events.size());
  EXPECT_EQ(ValueOf(events[IndexOf(events, "callback-skipped")], "class"), 2u);
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const EventRecord &e) { return e.kind == "string-rejected"; }),
            2);
}

// What a failed load leaves registered points into an unloaded image: the
// machine reports every call that would reach it instead of making it.
TEST(BootTest, FailedEntryUnloadsTheImage) {
  VariableStore store;
  store.Put({u"FailEntry", kTestGuid, kAttrNvBsRt, {1, 0, 0, 0}});
  BootReport report = RunBoot(TestProfile(), store, FakeDriver(false, {{1, 7}}));
  EXPECT_EQ(report.entryStatus, EFI_LOAD_ERROR);
  EXPECT_LT(IndexOf(report.events, "image-unloaded"), report.events.size());
  EXPECT_EQ(IndexOf(report.events, "form-callback"), report.events.size());
  EXPECT_TRUE(HasEvent(report.events, "unloaded-image-call", "form callback"));
  EXPECT_EQ(NumberOf(store, u"LastKey"), ~0u);

  store.Put({u"FailEntry", kTestGuid, kAttrNvBsRt, {2, 0, 0, 0}});
  report = RunBoot(TestProfile(), store, FakeDriver(true));
  EXPECT_TRUE(HasEvent(report.events, "unloaded-image-call", "event"));
}

TEST(BootTest, LateStringServiceArrivesAfterTheTrigger) {
  BoardProfile profile = TestProfile();
  profile.protocols.stringService = Install::AfterPublishing;
  VariableStore store;
  BootReport report = RunBoot(profile, store, FakeDriver(true));
  // The notification found no string service, so nothing was published.
  EXPECT_TRUE(report.strings.empty());
  EXPECT_TRUE(HasEvent(report.events, "protocol-installed", "StringServiceProtocol"));
  EXPECT_GT(IndexOf(report.events, "protocol-installed"), 0u);
}

TEST(BootTest, ModuleThatCannotBeLoadedFailsNamingIt) {
  TempFolder folder;
  const std::string notAModule = folder.File("not-a-module.so");
  std::ofstream(notAModule) << "text";
  struct Case {
    std::string path;
    const char *fault;
  };
  const std::string fifo = folder.File("fifo.so");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Case cases[] = {{folder.File("absent.so"), "no such file"},
                        {notAModule, "cannot load"},
                        {fifo, "is not a regular file"},  // would wait for a writer forever
                        {"/dev/zero", "is not a regular file"},  // would never end
                        {folder.Path().string(), "is a directory"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    BootOptions options;
    options.driverModule = c.path;
    VariableStore store;
    try {
      RunBoot(TestProfile(), store, options);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error &error) {
      EXPECT_NE(std::string(error.what()).find(c.path), std::string::npos) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.fault), std::string::npos) << error.what();
    }
  }
}

// The private copy lives in no folder, so a killed or crashed run leaves none behind.
TEST(BootTest, LoadedModuleKeepsNoCopyInTheTemporaryFolder) {
  TempFolder folder;
  const char *const previous = std::getenv("TMPDIR");
  const std::string kept = previous != nullptr ? previous : "";
  ::setenv("TMPDIR", folder.Path().c_str(), 1);
  {
    const DriverModule module(FAKE_DRIVER_MODULE);
    EXPECT_NE(module.Entry(), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path())) << "a copy in " << folder.Path();
  }
  if (previous != nullptr) {
    ::setenv("TMPDIR", kept.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

TEST(BootTest, WatchedPortWritesAreLogged) {
  VariableStore store;
  BootReport report = RunBoot(TestProfile(), store, FakeDriver(false));
  std::vector<std::pair<uint64_t, uint64_t>> writes;
  for (const EventRecord &e : report.events) {
    if (e.kind == "port-write") writes.emplace_back(ValueOf(e, "port"), ValueOf(e, "value"));
  }
  EXPECT_EQ(writes, (std::vector<std::pair<uint64_t, uint64_t>>{{0x80, 0x5A}, {0xB2, 0xF1}}));
}

// This executable links the driver library too and exports its symbols to the
// module (for the hardware primitives); the module must still keep its own state.
TEST(BootTest, BuiltDriverBootsWithItsOwnStateAndWithoutLeaksOrStrayCalls) {
  VariableStore store;
  for (int boot = 1; boot <= 2; ++boot) {
    SCOPED_TRACE(boot);
    BootReport report = RunBoot(TestProfile(), store, BootOptions{});
    EXPECT_EQ(report.poolLeaks, 0u);
    EXPECT_FALSE(HasEvent(report.events, "unexpected-service-call", ""));
    EXPECT_FALSE(HasEvent(report.events, "pool-free-invalid", ""));
    EXPECT_EQ(gST, nullptr);
  }
}

}  // namespace
}  // namespace sim
