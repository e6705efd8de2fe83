// Fault injection over whole boots of the reference board: for each kind of
// service call and each scenario, the boot is run once for every N up to the
// number of such calls a clean boot makes, with the N-th call failing. Every
// such boot must stay sound (no crash, hang, pool leak or stray call) and must
// leave each variable whole: as it was before the boot, or as a clean boot
// stores it at any of its writes, or, field by field, each byte either kept or
// set as the clean boot sets it (a load that cannot reach a board protocol
// leaves that protocol's fields as stored); a variable it creates holds a value
// some clean boot of the board stores (a page whose settings could not be read
// may do what other settings make it do). Never a value of anything else.
// And the damage heals: two clean later boots after it leave the store as two
// clean later boots after the clean boot do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "driver/uefi/setup_platform_protocols.h"
#include "sim/checks/boot_checks.h"
#include "sim/machine/driver_module.h"
#include "sim/machine/guid_text.h"
#include "sim/machine/machine.h"
#include "sim/machine/service_faults.h"
#include "sim/machine/utf16_text.h"
#include "sim/profile/profile_loader.h"

namespace sim {
namespace {

// A boot that takes longer than this is taken for a hang: SIGALRM ends the test.
constexpr unsigned kHangSeconds = 60;

struct VariableValue {
  uint32_t attributes;
  std::vector<uint8_t> data;
  bool operator==(const VariableValue &other) const {
    return attributes == other.attributes && data == other.data;
  }
};
using VariableKey = std::pair<std::string, std::u16string>;  // GUID text, name
using StoreImage = std::map<VariableKey, VariableValue>;

StoreImage ImageOf(const VariableStore &store) {
  StoreImage image;
  for (const StoredVariable &v : store.All()) image[{GuidToText(v.guid), v.name}] = {v.attributes, v.data};
  return image;
}

std::optional<VariableValue> Lookup(const StoreImage &image, const VariableKey &key) {
  auto found = image.find(key);
  return found == image.end() ? std::nullopt : std::optional<VariableValue>(found->second);
}

// Every value a clean boot stored, by variable, in order; nullopt for a deletion.
using Writes = std::map<VariableKey, std::vector<std::optional<VariableValue>>>;

void AddWrites(const BootReport &clean, Writes &writes) {
  for (const StoredVariable &v : clean.variableWrites) {
    writes[{GuidToText(v.guid), v.name}].push_back(
        v.data.empty() ? std::nullopt : std::optional<VariableValue>({v.attributes, v.data}));
  }
}

bool KeptOrUpdated(const std::optional<VariableValue> &now, const std::optional<VariableValue> &before,
                   const std::optional<VariableValue> &cleanAfter) {
  if (!now || !before || !cleanAfter) return false;
  if (now->attributes != before->attributes || now->attributes != cleanAfter->attributes) return false;
  if (now->data.size() != before->data.size() || now->data.size() != cleanAfter->data.size()) return false;
  for (size_t i = 0; i < now->data.size(); ++i) {
    if (now->data[i] != before->data[i] && now->data[i] != cleanAfter->data[i]) return false;
  }
  return true;
}

bool Whole(const std::optional<VariableValue> &now, const std::optional<VariableValue> &before,
           const std::optional<VariableValue> &cleanAfter, const std::vector<std::optional<VariableValue>> &written) {
  return now == before || now == cleanAfter || KeptOrUpdated(now, before, cleanAfter) ||
         std::find(written.begin(), written.end(), now) != written.end();
}

// The value, as far as it is not the same as other: its size and the offsets that differ.
std::string Versus(const std::optional<VariableValue> &value, const std::optional<VariableValue> &other) {
  if (!value) return "absent";
  std::string text = "attributes " + std::to_string(value->attributes) + ", " +
                     std::to_string(value->data.size()) + " bytes";
  if (!other) return text;
  std::string offsets;
  for (size_t i = 0; i < value->data.size(); ++i) {
    if (i < other->data.size() && value->data[i] == other->data[i]) continue;
    offsets += " " + std::to_string(i) + "=" + std::to_string(value->data[i]);
  }
  return text + (offsets.empty() ? "" : ", differing at" + offsets);
}

const BoardProfile &Reference() {
  static const BoardProfile profile = LoadBuiltinBoard("reference");
  return profile;
}

// One module kept loaded, its state reset before every boot (as fresh as a new
// load, see hardening_loaded_module_test): far faster than a load per boot.
DriverModule &Module() {
  static DriverModule module(DriverModule::DefaultPath());
  return module;
}

BootReport Boot(VariableStore &store, BootOptions options) {
  options.loadedModule = &Module();
  ::alarm(kHangSeconds);
  BootReport report = RunBoot(Reference(), store, options);
  ::alarm(0);
  return report;
}

// Every boot calls every form callback once publishing is done.
BootOptions WithCallbacks(bool trigger) {
  BootOptions options;
  options.trigger = trigger;
  options.callbacks = EveryFormCallback();
  return options;
}

VariableStore AfterFirstBoot() {
  VariableStore store = SeededStore(Reference());
  Boot(store, WithCallbacks(false));
  return store;
}

struct Scenario {
  const char *name;
  std::function<VariableStore()> before;
  BootOptions options;
};

const Scenario kScenarios[] = {
    {"FirstBoot", [] { return SeededStore(Reference()); }, WithCallbacks(false)},
    {"LaterBoot", AfterFirstBoot, WithCallbacks(true)},
    // LastLangCodes lost (a first boot cut short) while the menu's settings stay.
    {"FirstBootKeepingSetup",
     [] {
       VariableStore store = AfterFirstBoot();
       store.Set(u"LastLangCodes", &kSetupVariableGuid, 0, 0, nullptr);
       const StoredVariable *setup = store.Find(u"Setup", kSetupVariableGuid);
       std::vector<uint8_t> chosen = setup->data;
       for (size_t offset = 0; offset < chosen.size(); offset += 7) chosen[offset] ^= 0x5A;
       store.Set(u"Setup", &kSetupVariableGuid, setup->attributes, chosen.size(), chosen.data());
       return store;
     },
     WithCallbacks(false)},
};

// What the clean boot of every scenario stores.
const Writes &EveryCleanWrite() {
  static const Writes writes = [] {
    Writes all;
    for (const Scenario &scenario : kScenarios) {
      VariableStore store = scenario.before();
      AddWrites(Boot(store, scenario.options), all);
    }
    return all;
  }();
  return writes;
}

class FaultInjection : public ::testing::TestWithParam<std::tuple<size_t, ServiceCall>> {};

TEST_P(FaultInjection, EveryFailingCallLeavesASoundBootAndWholeVariables) {
  const Scenario &scenario = kScenarios[std::get<0>(GetParam())];
  const ServiceCall call = std::get<1>(GetParam());

  // What the driver finds: the boot's power cycle drops volatile variables, then
  // the platform stores its own at load (as the USB driver does UsbMassDevNum).
  VariableStore start = scenario.before();
  start.DropVolatile();
  StoreImage loadedImage;
  {
    VariableStore loaded = start;
    Machine platform(Reference(), loaded);
    loadedImage = ImageOf(loaded);
  }
  const StoreImage before = loadedImage;
  VariableStore cleanStore = start;
  const BootReport clean = Boot(cleanStore, scenario.options);
  ASSERT_EQ(UnsoundBoot(clean), "");
  const StoreImage cleanAfter = ImageOf(cleanStore);
  Writes cleanWrites;
  AddWrites(clean, cleanWrites);
  const auto healed = [](VariableStore store) {
    for (int boot = 0; boot < 2; ++boot) EXPECT_EQ(UnsoundBoot(Boot(store, WithCallbacks(true))), "");
    return ImageOf(store);
  };
  const StoreImage cleanHealed = healed(cleanStore);

  const uint64_t calls = clean.serviceCalls[static_cast<size_t>(call)];
  for (uint64_t number = 1; number <= calls; ++number) {
    SCOPED_TRACE(std::string("--fail ") + ServiceCallName(call) + ":" + std::to_string(number));
    VariableStore store = start;
    BootOptions options = scenario.options;
    options.faults = {ServiceFault{call, number}};
    const BootReport report = Boot(store, options);
    EXPECT_EQ(UnsoundBoot(report), "");
    size_t injected = 0;
    for (const EventRecord &event : report.events) injected += event.kind == "fault-injected";
    EXPECT_EQ(injected, 1u) << "the boot made fewer calls than a clean one, so none failed";

    const StoreImage after = ImageOf(store);
    std::set<VariableKey> keys;
    for (const StoreImage *image : {&before, &cleanAfter, &after}) {
      for (const auto &entry : *image) keys.insert(entry.first);
    }
    for (const VariableKey &key : keys) {
      const std::optional<VariableValue> now = Lookup(after, key);
      const std::optional<VariableValue> earlier = Lookup(before, key);
      const Writes &written = earlier ? cleanWrites : EveryCleanWrite();
      const auto found = written.find(key);
      EXPECT_TRUE(Whole(now, earlier, Lookup(cleanAfter, key),
                        found != written.end() ? found->second : std::vector<std::optional<VariableValue>>{}))
          << Utf16ToUtf8(key.second).value_or("?") << " " << key.first << " is " << Versus(now, std::nullopt)
          << "\nbefore the boot: " << Versus(Lookup(before, key), now)
          << "\nafter a clean boot: " << Versus(Lookup(cleanAfter, key), now);
    }
    const StoreImage healedAfter = healed(store);
    for (const auto &[key, value] : cleanHealed) {
      EXPECT_TRUE(Lookup(healedAfter, key) == value)
          << "after two clean boots " << Utf16ToUtf8(key.second).value_or("?") << " is "
          << Versus(Lookup(healedAfter, key), std::nullopt) << ", not " << Versus(value, Lookup(healedAfter, key));
    }
    EXPECT_EQ(healedAfter.size(), cleanHealed.size()) << "variables that clean boots never store";
  }
}

}  // namespace

// ctest names a case by what its parameter prints ("FirstBoot get-variable"); in sim, where
// argument-dependent lookup finds it for a tuple holding a ServiceCall.
void PrintTo(const std::tuple<size_t, ServiceCall> &param, std::ostream *out) {
  *out << kScenarios[std::get<0>(param)].name << " " << ServiceCallName(std::get<1>(param));
}

namespace {

INSTANTIATE_TEST_SUITE_P(
    Reference, FaultInjection,
    ::testing::Combine(::testing::Range<size_t>(0, std::size(kScenarios)),
                       ::testing::Values(ServiceCall::AllocatePool, ServiceCall::GetVariable,
                                         ServiceCall::SetVariable, ServiceCall::LocateProtocol,
                                         ServiceCall::ProtocolMember)));

}  // namespace
}  // namespace sim
