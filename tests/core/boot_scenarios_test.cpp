// Whole loads of the driver on the simulated machine: first and later boots
// against one NVRAM store, with and without the publishing trigger.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/core/setup_record.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "sim/boot.h"
#include "sim/checks/boot_checks.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint16_t kClasses[] = {1, 2, 4, 8, 16, 32, 64};
constexpr size_t kMarkOffset = 600;  // each list sets its own bit here

Bytes B(const std::string &text) { return Bytes(text.begin(), text.end()); }
Bytes Z(const char *text) { return Bytes(text, text + std::char_traits<char>::length(text) + 1); }

// Seven lists in English; list i marks bit i of byte kMarkOffset and byte 10 + i,
// so the stored image shows which lists were merged.
sim::BoardProfile Profile() {
  sim::BoardProfile profile;
  profile.name = "core scenarios";
  for (size_t i = 0; i < std::size(kClasses); ++i) {
    sim::PackageListSpec list;
    list.formClass = kClasses[i];
    list.primaryLanguages = u"eng";
    Bytes defaults(kSetupDataSize, 0);
    defaults[kMarkOffset] = static_cast<uint8_t>(1u << i);
    defaults[10 + i] = 0xA0;
    list.defaults = defaults;
    if (kClasses[i] == 16) {
      list.strings[685] = {"Count", u"0"};
      list.strings[686] = {"Timeout", u"0"};
    }
    profile.packageLists.push_back(list);
  }
  profile.protocols.boardRegisters[0x8310] = 0x31;
  return profile;
}

Bytes MergedDefaults() {
  Bytes image(kSetupDataSize, 0);
  image[kMarkOffset] = 0x7F;
  for (size_t i = 0; i < std::size(kClasses); ++i) image[10 + i] = 0xA0;
  return image;
}

// What every load writes into a full record with a listed board code.
Bytes Patched(Bytes record) {
  record[kSetupLoadClearedWordOffset] = 0;
  record[kSetupLoadClearedWordOffset + 1] = 0;
  record[kSetupLoadSetByteOffset] = 1;
  record[kSetupBoardResetRequestOffset] = 0;
  record[kSetupUnknownBoardCodeOffset] = 0;
  record[kSetupBoardCodeClearedOffset] = 0;
  return record;
}

class BootScenario : public ::testing::Test {
 protected:
  sim::BootReport Boot(bool trigger = false, std::vector<std::pair<uint16_t, uint16_t>> callbacks = {}) {
    sim::BootOptions options;
    options.trigger = trigger;
    options.callbacks = std::move(callbacks);
    options.faults = faults;
    sim::BootReport report = sim::RunBoot(profile, store, options);
    EXPECT_EQ(report.poolLeaks, 0u) << "pool blocks left allocated";
    for (const char *fault : {"unexpected-service-call", "pool-free-invalid", "event-close-invalid", "tpl-misuse"}) {
      EXPECT_EQ(Count(report, fault), 0u) << fault;
    }
    // These lists hold only the strings the cases read, so the pages' other
    // strings are refused as unknown ids; any other refusal is a fault.
    for (const sim::EventRecord &event : Events(report, "string-rejected")) {
      for (const auto &[name, value] : event.values) {
        if (name == "status") EXPECT_EQ(value, EFI_NOT_FOUND) << event.detail;
      }
    }
    return report;
  }

  std::optional<Bytes> Get(const std::u16string &name, const EFI_GUID &guid) const {
    const sim::StoredVariable *found = store.Find(name, guid);
    return found ? std::optional<Bytes>(found->data) : std::nullopt;
  }
  std::optional<Bytes> Setup() const { return Get(u"Setup", kSetupVariableGuid); }
  std::optional<Bytes> Global(const std::u16string &name) const { return Get(name, kEfiGlobalVariableGuid); }

  void Put(const std::u16string &name, const EFI_GUID &guid, uint32_t attributes, const Bytes &data) {
    store.Put({name, guid, attributes, data});
  }
  void PutSetup(const Bytes &data) { Put(u"Setup", kSetupVariableGuid, kAttrNvBsRt, data); }
  // A later boot: the menu languages were recorded by an earlier publication.
  void PutLastLangCodes(const Bytes &codes) { Put(u"LastLangCodes", kSetupVariableGuid, kAttrNvBs, codes); }

  static std::vector<sim::EventRecord> Events(const sim::BootReport &report, const std::string &kind) {
    std::vector<sim::EventRecord> found;
    for (const sim::EventRecord &event : report.events)
      if (event.kind == kind) found.push_back(event);
    return found;
  }
  static size_t Count(const sim::BootReport &report, const std::string &kind) { return Events(report, kind).size(); }
  static std::optional<std::u16string> String(const sim::BootReport &report, uint16_t formClass, uint16_t id) {
    std::optional<std::u16string> text;
    for (const sim::StringRecord &s : report.strings)
      if (s.formClass == formClass && s.stringId == id) text = s.text;
    return text;
  }

  sim::BoardProfile profile = Profile();
  sim::VariableStore store;
  std::vector<sim::ServiceFault> faults;  // of every boot
};

TEST_F(BootScenario, FirstBootPublishesAndCreatesSetupFromTheMergedDefaults) {
  sim::BootReport report = Boot();
  EXPECT_EQ(report.entryStatus, EFI_SUCCESS);
  EXPECT_EQ(Setup(), Patched(MergedDefaults())) << "the class-4 list's defaults count too";
  EXPECT_EQ(Get(u"SetupMenuCondition", kSetupMenuConditionGuid), Bytes(17, 0));
  EXPECT_EQ(String(report, 16, 685), u"3");
  EXPECT_EQ(String(report, 16, 686), u"20");
  EXPECT_EQ(Count(report, "package-list-published"), 7u);
  std::vector<sim::EventRecord> removed = Events(report, "package-list-removed");
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].values.at(0), (std::pair<std::string, uint64_t>{"class", 4}));
  EXPECT_EQ(Count(report, "board-register-write"), 0u);

  EXPECT_EQ(Get(u"LastLangCodes", kSetupVariableGuid), B("eng"));
  EXPECT_EQ(Global(u"LangCodes"), B("eng"));
  EXPECT_EQ(Global(u"PlatformLangCodes"), Z("en-US"));
  EXPECT_EQ(Global(u"Lang"), B("eng"));
  EXPECT_EQ(Global(u"PlatformLang"), Z("en-US"));
  EXPECT_EQ(Get(u"LastLang", kSetupVariableGuid), B("eng"));
}

TEST_F(BootScenario, LaterBootsPublishOnlyWhenTheTriggerIsInstalled) {
  Boot();
  Bytes changed = *Setup();
  changed[kMarkOffset] = 0x01;  // a choice made in the menu survives later loads
  changed[kSetupLoadSetByteOffset] = 0;
  PutSetup(changed);

  sim::BootReport deferred = Boot();
  EXPECT_EQ(deferred.entryStatus, EFI_SUCCESS);
  EXPECT_TRUE(deferred.strings.empty());
  EXPECT_EQ(Count(deferred, "package-list-published"), 0u);
  EXPECT_EQ(Setup(), Patched(changed));
  EXPECT_EQ(Global(u"LangCodes"), B("eng")) << "volatile lists are rebuilt at every load";

  sim::BootReport triggered = Boot(true, {{2, 0x3B}, {32, 0x3B}, {32, 0xF013}, {1, 0x1234}});
  EXPECT_EQ(triggered.entryStatus, EFI_SUCCESS);
  EXPECT_EQ(String(triggered, 16, 686), u"20");
  EXPECT_EQ(Count(triggered, "package-list-removed"), 1u);
  std::vector<sim::EventRecord> callbacks = Events(triggered, "form-callback");
  EXPECT_EQ(callbacks.size(), 4u) << "every instance reaches SetupFormCallback";
  for (const sim::EventRecord &event : callbacks) EXPECT_EQ(event.values.back().second, EFI_SUCCESS) << event.detail;
  EXPECT_EQ(Setup(), Patched(changed)) << "deferred publishing merges but never stores the defaults";
}

// A Setup lost after the first boot (a failed store, a first boot cut short after
// LastLangCodes) comes back from the defaults when a later boot publishes.
TEST_F(BootScenario, MissingSetupIsCreatedWhenALaterBootPublishes) {
  Boot();
  store.Set(u"Setup", &kSetupVariableGuid, 0, 0, nullptr);
  EXPECT_EQ(Boot().entryStatus, EFI_SUCCESS) << "the open trigger event keeps the image loaded";
  EXPECT_FALSE(Setup()) << "only publishing merges the defaults";
  sim::BootReport triggered = Boot(true);
  EXPECT_EQ(triggered.entryStatus, EFI_SUCCESS);
  EXPECT_EQ(sim::UnsoundBoot(triggered), "");
  EXPECT_EQ(Setup(), MergedDefaults());
  EXPECT_EQ(Boot().entryStatus, EFI_SUCCESS);
  EXPECT_EQ(Setup(), Patched(MergedDefaults()));
}

TEST_F(BootScenario, ResetRequestClearsRegister8318ExactlyOnce) {
  Boot();
  Bytes requested = *Setup();
  requested[kSetupBoardResetRequestOffset] = 2;
  PutSetup(requested);

  sim::BootReport first = Boot();
  ASSERT_EQ(Count(first, "board-register-write"), 1u);
  for (const sim::EventRecord &event : first.events) {
    if (event.kind != "board-register-write") continue;
    const std::vector<std::pair<std::string, uint64_t>> kWrite = {{"register", 0x8318}, {"value", 0}};
    EXPECT_EQ(event.values, kWrite) << event.detail;
  }
  EXPECT_EQ((*Setup())[kSetupBoardResetRequestOffset], 0);
  EXPECT_EQ(Count(Boot(), "board-register-write"), 0u);
}

TEST_F(BootScenario, BoardStateDecidesTheBoardBytes) {
  struct Case {
    const char *name;
    uint64_t boardCode;
    uint8_t condition;
    sim::Install query, registers;
    uint8_t unknownCode, codeCleared, resetRequest, conditionByte;
    size_t writes;
  } cases[] = {
      {"listed code 0x00", 0x00, 0, sim::Install::AtLoad, sim::Install::AtLoad, 0, 0, 0, 0, 1},
      {"listed code 0xB3", 0xB3, 0, sim::Install::AtLoad, sim::Install::AtLoad, 0, 0, 0, 0, 1},
      {"unlisted code 0x32", 0x32, 0, sim::Install::AtLoad, sim::Install::AtLoad, 1, 0, 0, 0, 1},
      {"only the first byte counts", 0x3100, 0, sim::Install::AtLoad, sim::Install::AtLoad, 0, 0, 0, 0, 1},
      {"board condition set", 0x31, 5, sim::Install::AtLoad, sim::Install::AtLoad, 0, 0, 0, 1, 1},
      {"no board query", 0x31, 5, sim::Install::Never, sim::Install::AtLoad, 0, 0, 0, 0, 1},
      // Without the register protocol the stored bytes stay and the request stays pending.
      {"no board registers", 0x32, 0, sim::Install::AtLoad, sim::Install::Never, 0x77, 0x66, 3, 0, 0},
  };
  for (const Case &c : cases) {
    profile.protocols.boardRegisters[0x8310] = c.boardCode;
    profile.protocols.boardCondition = c.condition;
    profile.protocols.boardQuery = c.query;
    profile.protocols.boardRegister = c.registers;
    store = sim::VariableStore();
    PutLastLangCodes(B("eng"));
    Bytes stored(kSetupDataSize, 0x5A);
    stored[kSetupUnknownBoardCodeOffset] = 0x77;
    stored[kSetupBoardCodeClearedOffset] = 0x66;
    stored[kSetupBoardResetRequestOffset] = 3;
    PutSetup(stored);

    sim::BootReport report = Boot();
    EXPECT_EQ(report.entryStatus, EFI_SUCCESS) << c.name;
    Bytes setup = *Setup();
    EXPECT_EQ(setup[kSetupUnknownBoardCodeOffset], c.unknownCode) << c.name;
    EXPECT_EQ(setup[kSetupBoardCodeClearedOffset], c.codeCleared) << c.name;
    EXPECT_EQ(setup[kSetupBoardResetRequestOffset], c.resetRequest) << c.name;
    EXPECT_EQ(Count(report, "board-register-write"), c.writes) << c.name;
    Bytes condition(17, 0);
    condition[1] = c.conditionByte;
    EXPECT_EQ(Get(u"SetupMenuCondition", kSetupMenuConditionGuid), condition) << c.name;
  }
}

// A stored record of another size is patched only inside its own size, or not at all.
TEST_F(BootScenario, StoredSetupSizeBoundsEveryPatch) {
  struct Case {
    size_t size;
    bool patched;
    std::vector<std::pair<size_t, uint8_t>> expected;  // offset, byte after the load
  } cases[] = {
      {kSetupDataSize, true, {{0, 0x5A}, {391, 0x5A}, {392, 0}, {393, 0}, {394, 1}, {395, 0x5A},
                                     {405, 0}, {460, 0x5A}, {461, 0}, {462, 0}, {686, 0x5A}}},
      {400, true, {{392, 0}, {393, 0}, {394, 1}, {399, 0x5A}}},
      {406, true, {{405, 0}}},
      {393, true, {{392, 0x5A}}},  // the 16-bit field does not fit: left alone
      {394, true, {{392, 0}, {393, 0}}},
      {kSetupDataSize + 1, false, {{392, 0x5A}, {405, 0x5A}}},
  };
  for (const Case &c : cases) {
    store = sim::VariableStore();
    PutLastLangCodes(B("eng"));
    PutSetup(Bytes(c.size, 0x5A));
    sim::BootReport report = Boot();
    EXPECT_EQ(report.entryStatus, EFI_SUCCESS) << c.size << ": the trigger event keeps the image loaded";
    Bytes setup = *Setup();
    ASSERT_EQ(setup.size(), c.size);
    for (const auto &[offset, value] : c.expected) EXPECT_EQ(setup[offset], value) << c.size << " @" << offset;
    EXPECT_EQ(Count(report, "board-register-write"), c.size > kSetupBoardResetRequestOffset && c.patched)
        << c.size;
    EXPECT_EQ(Get(u"SetupMenuCondition", kSetupMenuConditionGuid).has_value(), c.patched) << c.size;
  }
}

// A record too long to patch ends the load's own work, but the deferred
// publishing stays armed: the trigger still publishes every list.
TEST_F(BootScenario, OverlongSetupStillPublishesOnTheTrigger) {
  PutLastLangCodes(B("eng"));
  const Bytes overlong(kSetupDataSize + 1, 0x5A);
  PutSetup(overlong);
  const sim::BootReport report = Boot(true);
  EXPECT_EQ(report.entryStatus, EFI_SUCCESS);
  EXPECT_EQ(Count(report, "package-list-published"), 7u);
  EXPECT_EQ(String(report, 16, 685), u"3");
  EXPECT_EQ(Setup(), overlong) << "left as stored";
}

// The codes recorded by an earlier publication name no paired language: the
// load selects the unpaired code, and the trigger's publication records the
// menu's languages for the next load.
TEST_F(BootScenario, LaterBootWithUnpairedCodesPublishesOnTheTrigger) {
  PutSetup(MergedDefaults());
  PutLastLangCodes(B("fra"));
  const sim::BootReport report = Boot(true);
  EXPECT_EQ(Count(report, "package-list-published"), 7u);
  EXPECT_EQ(Global(u"LangCodes"), B("fra"));
  EXPECT_EQ(Global(u"PlatformLangCodes"), std::nullopt);
  EXPECT_EQ(Global(u"Lang"), B("fra"));
  EXPECT_EQ(Global(u"PlatformLang"), std::nullopt);
  EXPECT_EQ(Get(u"LastLang", kSetupVariableGuid), B("fra"));
  EXPECT_EQ(Get(u"LastLangCodes", kSetupVariableGuid), B("eng"));
}

TEST_F(BootScenario, FirstBootKeepsAnExistingSetup) {
  Bytes stored(kSetupDataSize, 0x5A);
  PutSetup(stored);
  Boot();
  EXPECT_EQ(Setup(), Patched(stored));
}

// Without the lists' defaults a first boot stores no Setup: an image missing
// them would stand for the menu's defaults for good. The next load that
// publishes with the components present creates it whole.
TEST_F(BootScenario, MissingFirmwareComponentsCreateNoSetupUntilTheDefaultsAreWhole) {
  struct Case {
    const char *name;
    sim::Install hii, strings;
    bool lastLangCodes;  // so the next load is a later one, creating Setup at the trigger, after the patch
    EFI_STATUS entry;    // an error only when nothing is left registered, so the image may be unloaded
  } cases[] = {
      {"no HII", sim::Install::Never, sim::Install::AtLoad, false, EFI_NOT_FOUND},
      {"no string service", sim::Install::AtLoad, sim::Install::Never, true, EFI_SUCCESS},
  };
  for (const Case &c : cases) {
    profile = Profile();
    profile.protocols.frameworkHii = c.hii;
    profile.protocols.stringService = c.strings;
    store = sim::VariableStore();
    sim::BootReport report = Boot();
    EXPECT_EQ(report.entryStatus, c.entry) << c.name;
    EXPECT_EQ(sim::UnsoundBoot(report), "") << c.name;
    EXPECT_TRUE(report.strings.empty()) << c.name;
    EXPECT_FALSE(Setup()) << c.name;
    EXPECT_EQ(Get(u"LastLangCodes", kSetupVariableGuid).has_value(), c.lastLangCodes) << c.name;

    profile = Profile();
    Boot(true);
    EXPECT_EQ(Setup(), c.lastLangCodes ? MergedDefaults() : Patched(MergedDefaults())) << c.name;
  }
}

// A list without a default image has nothing to contribute; the others still make Setup.
TEST_F(BootScenario, AListWithoutDefaultsLeavesTheOthersWhole) {
  profile.packageLists[1].defaults = std::nullopt;
  Boot();
  Bytes expected = MergedDefaults();
  expected[kMarkOffset] &= ~0x02;
  expected[11] = 0;
  EXPECT_EQ(Setup(), Patched(expected));
}

struct Variables {
  std::optional<Bytes> lang, platformLang, lastLang;
};

// Later boots: LastLangCodes holds the codes of the previous publication.
TEST_F(BootScenario, SelectedLanguageIsReconciled) {
  // The reads before LastLang's: one of Setup, then LastLangCodes, Lang and PlatformLang, two each.
  constexpr uint64_t kLastLangRead = 8;
  struct Case {
    const char *name;
    Bytes lastLangCodes;
    Variables before, after;
    std::optional<Bytes> platformLangCodes;
    uint64_t failingRead = 0;  // this GetVariable call of the boot fails; 0: none
  } cases[] = {
      {"both agree", B("eng"), {B("eng"), Z("en-US"), std::nullopt}, {B("eng"), Z("en-US"), B("eng")}, Z("en-US")},
      {"PlatformLang changed", B("eng"), {B("fra"), Z("en-US"), B("fra")}, {B("eng"), Z("en-US"), B("eng")}, Z("en-US")},
      {"Lang changed", B("eng"), {B("eng"), Z("fr-FR"), std::nullopt}, {B("eng"), Z("en-US"), B("eng")}, Z("en-US")},
      {"only PlatformLang", B("eng"), {std::nullopt, Z("en-US"), std::nullopt}, {B("eng"), Z("en-US"), B("eng")},
       Z("en-US")},
      {"only an unpaired Lang", B("eng"), {B("fra"), std::nullopt, std::nullopt}, {B("fra"), std::nullopt, B("fra")},
       Z("en-US")},
      {"neither", B("engfra"), {}, {B("eng"), Z("en-US"), B("eng")}, Z("en-US")},
      {"neither, first code unpaired", B("fraeng"), {}, {B("fra"), std::nullopt, B("fra")}, Z("en-US")},
      {"four code bytes", B("engf"), {}, {B("eng"), Z("en-US"), B("eng")}, Z("en-US")},
      // Values the OS may write: too short for a code (counts as absent, so it is
      // repaired), or a tag without its terminator.
      {"one-byte Lang and LastLang", B("eng"), {B("e"), Z("en-US"), B("e")}, {B("eng"), Z("en-US"), B("eng")},
       Z("en-US")},
      {"two-byte Lang, no LastLang", B("eng"), {B("en"), Z("en-US"), std::nullopt}, {B("eng"), Z("en-US"), B("eng")},
       Z("en-US")},
      {"two-byte Lang alone", B("eng"), {B("en"), std::nullopt, std::nullopt}, {B("eng"), Z("en-US"), B("eng")},
       Z("en-US")},
      {"one-byte Lang, unpaired PlatformLang", B("eng"), {B("e"), Z("fr-FR"), std::nullopt},
       {B("e"), Z("fr-FR"), std::nullopt}, Z("en-US")},
      {"unterminated PlatformLang, Lang kept", B("eng"), {B("eng"), B("en-US"), B("eng")},
       {B("eng"), B("en-US"), B("eng")}, Z("en-US")},
      {"unterminated PlatformLang alone", B("eng"), {std::nullopt, B("en-US"), std::nullopt},
       {std::nullopt, B("en-US"), std::nullopt}, Z("en-US")},
      {"codes shorter than one code", B("en"), {}, {}, std::nullopt},
      // A LastLang that cannot be read may hide the user's change: nothing is reconciled.
      {"Lang changed, LastLang unreadable", B("eng"), {B("eng"), Z("fr-FR"), B("fra")},
       {B("eng"), Z("fr-FR"), B("fra")}, Z("en-US"), kLastLangRead},
  };
  for (const Case &c : cases) {
    store = sim::VariableStore();
    PutSetup(Bytes(kSetupDataSize, 0));
    PutLastLangCodes(c.lastLangCodes);
    if (c.before.lang) Put(u"Lang", kEfiGlobalVariableGuid, kAttrNvBsRt, *c.before.lang);
    if (c.before.platformLang) Put(u"PlatformLang", kEfiGlobalVariableGuid, kAttrNvBsRt, *c.before.platformLang);
    if (c.before.lastLang) Put(u"LastLang", kSetupVariableGuid, kAttrNvBs, *c.before.lastLang);
    faults.clear();
    if (c.failingRead != 0) faults.push_back({sim::ServiceCall::GetVariable, c.failingRead});
    Boot();
    EXPECT_EQ(Global(u"LangCodes"), c.lastLangCodes) << c.name;
    EXPECT_EQ(Global(u"PlatformLangCodes"), c.platformLangCodes) << c.name;
    EXPECT_EQ(Global(u"Lang"), c.after.lang) << c.name;
    EXPECT_EQ(Global(u"PlatformLang"), c.after.platformLang) << c.name;
    EXPECT_EQ(Get(u"LastLang", kSetupVariableGuid), c.after.lastLang) << c.name;
  }
}

// The first publication records the menu's languages from the class-1 list.
TEST_F(BootScenario, MenuLanguagesBecomeLastLangCodes) {
  struct Case {
    std::u16string primary, secondary;
    Bytes lastLangCodes;
    std::optional<Bytes> lang;
  } cases[] = {
      {u"eng", u"", B("eng"), B("eng")},
      {u"eng", u"fra", B("engfra"), B("eng")},
      {u"", u"", B("eng"), B("eng")},
      {u"en", u"", B("en"), std::nullopt},  // shorter than one code: no language is selected
      {u"", u"fra", B("fra"), B("fra")},    // secondary languages only
  };
  for (const Case &c : cases) {
    profile.packageLists[0].primaryLanguages = c.primary;
    profile.packageLists[0].secondaryLanguages = c.secondary;
    store = sim::VariableStore();
    Boot();
    EXPECT_EQ(Get(u"LastLangCodes", kSetupVariableGuid), c.lastLangCodes) << c.lastLangCodes.size();
    EXPECT_EQ(Global(u"Lang"), c.lang);
  }
}

}  // namespace
