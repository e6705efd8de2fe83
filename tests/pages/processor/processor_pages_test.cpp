// The firmware identity, processor summary and socket details pages in whole
// boots of the reference board, with the board changed per case.
#include <nlohmann/json.hpp>

#include <functional>
#include <map>

#include "driver/core/setup_record.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "tests/pages/processor/page_boot.h"

namespace processor_pages {
namespace {

using nlohmann::json;
using Expected = std::map<uint16_t, std::optional<std::u16string>>;  // nullopt: never set
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kMain = 1;
constexpr uint16_t kAdvanced = 2;
const uint16_t kClasses[] = {1, 2, 4, 8, 16, 32, 64};

// The reference board's processor record and first package, changed by the
// case's fields (a null field is removed) and set into the board.
std::string ProcessorPatch(const json &record, const json &package = json::object()) {
  const json reference = json::parse(R"({
      "count": 32, "signature": "0x206D7", "feature_word": "0x1FBEE3FFBFEBFBFF",
      "brand": "Vendor(R) Server(R) CPU Q5-2670 0 @ 2.60GHz", "capability_flag": 1, "core_count": 8,
      "threads_flag": 1, "microcode": "0x710"})");
  const json firstPackage = json::parse(R"({"processor_id": 0, "core_counts": [8, 16, 8, 8], "caches": [
      {"level": 1, "type": 0, "size_kb": 32, "sharing": 1}, {"level": 1, "type": 1, "size_kb": 32, "sharing": 1},
      {"level": 2, "type": 2, "size_kb": 256, "sharing": 1}, {"level": 3, "type": 2, "size_kb": 20480}]})");
  json records = record.is_array() ? record : json::array({reference});
  if (record.is_object()) records[0].merge_patch(record);
  json packages = json::array({firstPackage});
  packages[0].merge_patch(package);
  return R"("processor": )" + json{{"cpu_info", {{"records", records}}}, {"cpu_package", {{"packages", packages}}}}.dump();
}

void ExpectStrings(const sim::BootReport &report, uint16_t formClass, const Expected &expected) {
  for (const auto &[id, text] : expected) EXPECT_EQ(Text(report, formClass, id), text) << "string " << id;
}

const Expected kReferenceSummary = {
    {313, u"2600 MHz"},  {538, std::nullopt}, {472, u"Vendor(R) Server(R) CPU Q5-2670 0 @ 2.60GHz"},
    {547, u"206d7"},     {541, u"710"},       {478, u"2600 MHz"},
    {484, u"1200 MHz"},  {490, u"32 kB x 8"}, {496, u"32 kB x 8"},
    {502, u"256 kB x 8"}, {508, u"20480 kB"}, {514, u"16"},
    {520, u"Supported"}, {526, u"Supported"}, {532, u"Supported"},
    {473, std::nullopt},
};

class ProcessorPages : public PageBoot {};

TEST_F(ProcessorPages, ReferenceBoardFirstBoot) {
  const sim::BootReport report = Boot(Reference());
  ExpectStrings(report, kMain, {{24, u"Orvantic"}, {25, u"4.6.0004"}, {26, u"UEFI 2.3; PI 1.2"},
                                {27, u"0TRWZ 0.16 x64"}, {28, u"05/23/2012"}});
  ExpectStrings(report, kAdvanced, kReferenceSummary);
  ExpectStrings(report, kAdvanced, {{1359, u"V 2.05.01"}, {24, std::nullopt}});
  ExpectStrings(report, kMain, {{1359, std::nullopt}, {472, std::nullopt}});
  for (uint16_t formClass : kClasses) EXPECT_EQ(Text(report, formClass, 677), u"04.06") << formClass;
  // Publishing on a first boot comes before Setup exists, so the details wait for the next boot.
  EXPECT_EQ(Text(report, kAdvanced, 330), std::nullopt);
}

TEST_F(ProcessorPages, IdentityFollowsTheFirmwareTables) {
  const struct {
    const char *patch;
    Expected main;
  } cases[] = {
      {R"("firmware": {"system_table_revision": "0x00020028", "dxe_services_revision": "0x00010009"})",
       {{26, u"UEFI 2.4; PI 1.0"}}},
      {R"("firmware": {"dxe_services_present": false})", {{26, std::nullopt}, {28, u"05/23/2012"}}},
      {R"("firmware": {"vendor": "Board Vendor"})", {{24, u"Board Vendor"}}},
      {R"("hardware": {"memory": [{"base": "0xF0018", "data": "FF 00"}]})", {{677, u"ff.00"}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.patch);
    ExpectStrings(Boot(Reference(c.patch)), kMain, c.main);
  }
}

// The system table may hold no vendor text: the line shows the driver's default.
TEST_F(ProcessorPages, NullFirmwareVendorShowsTheDefaultVendor) {
  sim::BoardProfile profile = Reference(R"("firmware": {"vendor": "Board Vendor"})");
  profile.firmware.vendor = std::nullopt;
  ExpectStrings(Boot(profile), kMain, {{24, u"Orvantic"}});
}

TEST_F(ProcessorPages, SummaryFollowsTheProcessorData) {
  const std::string noSpeed = ProcessorPatch({{"brand", "Vendor(R) Server(R) CPU Q5-2670 0"}});
  const struct {
    const char *what;
    std::string patch;
    Expected advanced;
  } cases[] = {
      {"GHz with one decimal", ProcessorPatch({{"brand", "CPU @ 3.1GHz"}}), {{478, u"3100 MHz"}}},
      {"three-digit MHz", ProcessorPatch({{"brand", "CPU @ 800MHz"}}), {{478, u"800 MHz"}}},
      {"no speed in the brand", noSpeed, {{478, u"2600 MHz"}, {484, u"1200 MHz"}}},
      {"no brand", ProcessorPatch({{"brand", nullptr}}), {{472, std::nullopt}, {478, u"2600 MHz"}}},
      {"133 MHz bus clock",
       noSpeed + R"(, "hardware": {"cpuid": [{"leaf": 1, "eax": "0x106A5", "ebx": "0x00100800"}],
                     "msrs": {"0xCE": "0x1A14"}})",
       {{313, u"2660 MHz"}, {478, u"3458 MHz"}, {484, u"1596 MHz"}}},
      {"no microcode", ProcessorPatch({{"microcode", 0}}), {{541, std::nullopt}}},
      {"microcode revision 1", ProcessorPatch({{"microcode", 1}}), {{541, u"1"}}},
      {"capability missing", ProcessorPatch({{"capability_flag", 0}}), {{538, u"Not Supported"}}},
      {"no feature bits", ProcessorPatch({{"feature_word", 0}}), {{526, std::nullopt}, {532, std::nullopt}}},
      {"feature bit 37 alone", ProcessorPatch({{"feature_word", "0x2000000000"}}), {{526, u"Supported"}, {532, std::nullopt}}},
      {"feature bit 38 alone", ProcessorPatch({{"feature_word", "0x4000000000"}}), {{526, std::nullopt}, {532, u"Supported"}}},
      {"socket 1", ProcessorPatch({}, {{"processor_id", 16}}),
       {{473, u"Vendor(R) Server(R) CPU Q5-2670 0 @ 2.60GHz"}, {549, std::nullopt}, {472, std::nullopt}}},
      {"socket beyond the table", ProcessorPatch({}, {{"processor_id", 64}}),
       {{313, u"2600 MHz"}, {472, std::nullopt}, {475, std::nullopt}}},
      {"no logical processor count (L = 0)",
       R"("hardware": {"cpuid": [{"leaf": 1, "eax": "0x206D7"}]})", {{313, u"2600 MHz"}, {472, std::nullopt}}},
      {"processor id unavailable", ProcessorPatch({}, {{"processor_id", nullptr}}), {{472, kReferenceSummary.at(472)}}},
      {"all cores and threads counted", ProcessorPatch({}, {{"core_counts", {8, 8, 8, 8}}}),
       {{514, u"16"}, {520, std::nullopt}}},
      {"core counts unavailable", ProcessorPatch({}, {{"core_counts", nullptr}}),
       {{514, std::nullopt}, {520, std::nullopt}, {490, std::nullopt}, {508, u"20480 kB"}}},
      {"cache descriptors unavailable", ProcessorPatch({}, {{"caches", nullptr}}),
       {{490, std::nullopt}, {508, std::nullopt}, {514, u"16"}}},
      {"descriptor of length 0 ends the walk",
       ProcessorPatch({}, {{"caches", json::parse(R"([{"level": 1, "size_kb": 48, "sharing": 1, "length": 0},
                                                      {"level": 3, "type": 2, "size_kb": 30720}])")}}),
       {{490, std::nullopt}, {508, std::nullopt}}},
      {"descriptor shorter than its fields is skipped",
       ProcessorPatch({}, {{"caches", json::parse(R"([{"level": 1, "size_kb": 48, "sharing": 1, "length": 20},
                                                      {"level": 3, "type": 2, "size_kb": 30720}])")}}),
       {{490, std::nullopt}, {508, u"30720 kB"}}},
      {"last descriptor shorter than its fields",
       ProcessorPatch({}, {{"caches", json::parse(R"([{"level": 3, "type": 2, "size_kb": 30720},
                                                      {"level": 1, "size_kb": 48, "sharing": 1, "length": 20}])")}}),
       {{490, std::nullopt}, {508, u"30720 kB"}}},
      {"descriptors of 24 bytes and longer",
       ProcessorPatch({}, {{"caches", json::parse(R"([{"level": 1, "size_kb": 48, "sharing": 1, "length": 24},
                                                      {"level": 2, "type": 2, "size_kb": 512, "sharing": 1, "length": 40},
                                                      {"level": 3, "type": 2, "size_kb": 30720}])")}}),
       {{490, u"48 kB x 8"}, {502, u"512 kB x 8"}, {508, u"30720 kB"}}},
      {"descriptors at odd lengths",
       ProcessorPatch({}, {{"caches", json::parse(R"([{"level": 1, "size_kb": 48, "sharing": 1, "length": 27},
                                                      {"level": 3, "type": 2, "size_kb": 30720}])")}}),
       {{490, u"48 kB x 8"}, {508, u"30720 kB"}}},
      {"no processor records", ProcessorPatch(json::array()), {{313, std::nullopt}, {472, std::nullopt}}},
      {"no platform HOB", R"("hobs": [])", {{313, std::nullopt}, {472, std::nullopt}}},
      {"ratios beyond the HOB",
       noSpeed + R"(, "hobs": [{"type": 4, "guid": "2E547CB5-40F8-4F3E-8AF4-1952AAD55A0C", "data": {"size": 79}}])",
       {{472, u"Vendor(R) Server(R) CPU Q5-2670 0"}, {478, std::nullopt}, {484, std::nullopt}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ExpectStrings(Boot(Reference(c.patch)), kAdvanced, c.advanced);
  }
}

// A package's socket number picks its row; every column of rows 1 to 3 holds
// what row 0 holds for the reference package, and row 0 stays unset.
TEST_F(ProcessorPages, EverySocketRowHasEveryColumn) {
  const uint16_t kRow0[] = {472, 547, 541, 478, 484, 490, 496, 502, 508, 514, 520, 526, 532};
  for (uint16_t row = 1; row <= 3; ++row) {
    SCOPED_TRACE(row);
    // 16 logical processors per package on the reference board.
    const sim::BootReport report = Boot(Reference(ProcessorPatch({}, {{"processor_id", 16 * row}})));
    for (const uint16_t id : kRow0) {
      EXPECT_EQ(Text(report, kAdvanced, static_cast<uint16_t>(id + row)), kReferenceSummary.at(id)) << id + row;
      EXPECT_EQ(Text(report, kAdvanced, id), std::nullopt) << id;
    }
  }
}

TEST_F(ProcessorPages, LateProtocolsFillTheSummaryWhenInstalled) {
  const struct {
    const char *cpuInfo, *cpuPackage, *hobs;
    bool shown;
  } cases[] = {
      {"at-load", "after-publishing", nullptr, true},
      {"after-publishing", "at-load", nullptr, true},
      {"after-publishing", "after-publishing", nullptr, true},
      {"at-load", "never", nullptr, false},
      {"after-publishing", "after-publishing", "[]", false},  // no HOB: nothing waits for them
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.cpuInfo << " " << c.cpuPackage);
    const std::string patch = std::string(R"("processor": {"cpu_info": {"install": ")") + c.cpuInfo +
                              R"("}, "cpu_package": {"install": ")" + c.cpuPackage + R"("}})" +
                              (c.hobs ? std::string(R"(, "hobs": )") + c.hobs : "");
    const sim::BootReport report = Boot(Reference(patch));
    for (const auto &[id, text] : kReferenceSummary) {
      const std::vector<std::u16string> expected =
          c.shown && text ? std::vector<std::u16string>{*text} : std::vector<std::u16string>{};
      EXPECT_EQ(Texts(report, kAdvanced, id), expected) << "string " << id;
    }
  }
}

TEST_F(ProcessorPages, TheLateVariantBoardShowsTheSummary) {
  ExpectStrings(Boot(sim::LoadBuiltinBoard("late-cpu-package")), kAdvanced, kReferenceSummary);
}

// Socket details run only where Setup already exists: a board whose Setup
// was stored by an earlier boot.
class SocketDetails : public PageBoot {
 protected:
  SocketDetails() {
    Bytes setup(kSetupDataSize, 0);
    setup[kSetupBrandJoinedOffset] = 0x5A;
    profile.variables.push_back({u"Setup", kSetupVariableGuid, kAttrNvBsRt, setup});
  }
  Bytes &CpuData() { return FindVariable(profile, u"CPU DATA")->data; }
  void SetBrand(const std::string &brand) {
    std::fill(CpuData().begin() + 37, CpuData().begin() + 85, 0);
    std::copy(brand.begin(), brand.end(), CpuData().begin() + 37);
  }
  Bytes StoredSetup() const { return store.Find(u"Setup", kSetupVariableGuid)->data; }

  sim::BoardProfile profile = Reference();
};

TEST_F(SocketDetails, ReferenceBoard) {
  ExpectStrings(Boot(profile), kAdvanced,
                {{330, u"206d7"}, {318, u"Vendor(R) Server(R)"}, {320, u"Q5-2670"}, {314, u"2600 MHz"},
                 {316, u"8"}, {322, u"2048 kB"}, {324, u"20480 kB"}, {328, u"Supported"}, {332, u"710"},
                 {118, std::nullopt}});
  const Bytes setup = StoredSetup();
  EXPECT_EQ(setup[kSetupSocket0AbsentOffset], 0);
  EXPECT_EQ(setup[kSetupSocket1AbsentOffset], 1);
  EXPECT_EQ(setup[kSetupBrandJoinedOffset], 0);
}

TEST_F(SocketDetails, ShortBrandsJoinIntoOneString) {
  const struct {
    const char *brand;
    const char16_t *first, *second;
    uint8_t joined;
  } cases[] = {
      {"Genuine CPU", u"Genuine CPU Genuine", nullptr, 1},
      {"AAAA BBBB CCC DDDDDDDDDDDD", u"AAAA BBBB DDDDDDDDDDDD", nullptr, 1},  // 9 + 12 = 21
      {"AAAA BBBB CCC DDDDDDDDDDDDD", u"AAAA BBBB", u"DDDDDDDDDDDDD", 0},     // 9 + 13 = 22
      // 48 bytes without a terminator: the text ends with the field.
      {"Vendor(R) Server(R) CPU ABCDEFGHIJKLMNOPQRSTUVWX", u"Vendor(R) Server(R)", u"ABCDEFGHIJKLMNOPQRSTUVWX", 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.brand);
    SetBrand(c.brand);
    const sim::BootReport report = Boot(profile);
    EXPECT_EQ(Text(report, kAdvanced, 318), c.first);
    EXPECT_EQ(Text(report, kAdvanced, 320), c.second ? std::optional<std::u16string>(c.second) : std::nullopt);
    EXPECT_EQ(StoredSetup()[kSetupBrandJoinedOffset], c.joined);
  }
}

TEST_F(SocketDetails, MissingOrOddDataLeavesTheirStrings) {
  const Bytes storedSetup = profile.variables.back().data;
  const struct {
    const char *what;
    std::function<void(sim::BoardProfile &)> change;
    Expected advanced;
    std::optional<Bytes> setup;  // nullopt: the reference result
  } cases[] = {
      {"empty socket", [](sim::BoardProfile &p) { std::fill_n(FindVariable(p, u"CPU DATA")->data.begin() + 2, 4, 0); },
       {{330, std::nullopt}, {318, std::nullopt}, {314, std::nullopt}, {332, std::nullopt}},
       [&] {
         Bytes setup = storedSetup;
         setup[kSetupSocket0AbsentOffset] = 1;
         setup[kSetupSocket1AbsentOffset] = 1;  // the layout byte keeps its 0x5A
         return setup;
       }()},
      {"feature byte clear", [](sim::BoardProfile &p) { FindVariable(p, u"SetupCpuFeatures")->data[4] = 0; },
       {{328, std::nullopt}, {330, u"206d7"}}, std::nullopt},
      {"feature variable too short for the byte",
       [](sim::BoardProfile &p) { FindVariable(p, u"SetupCpuFeatures")->data.resize(4); },
       {{328, std::nullopt}, {330, u"206d7"}}, std::nullopt},
      {"no processor record", [](sim::BoardProfile &p) { p.processor.cpuInfoRecords.clear(); },
       {{332, std::nullopt}, {118, std::nullopt}, {330, u"206d7"}}, std::nullopt},
      {"microcode revision 1", [](sim::BoardProfile &p) { p.processor.cpuInfoRecords[0].microcode = 1; },
       {{332, u"1"}}, std::nullopt},
      {"capability missing", [](sim::BoardProfile &p) { p.processor.cpuInfoRecords[0].capabilityFlag = 0; },
       {{118, u"Not Supported"}}, std::nullopt},
      {"record cut short", [](sim::BoardProfile &p) { FindVariable(p, u"CPU DATA")->data.resize(100); },
       {{330, std::nullopt}, {318, std::nullopt}}, storedSetup},
      {"no processor protocol", [](sim::BoardProfile &p) { p.processor.cpuInfoInstall = sim::Install::Never; },
       {{330, std::nullopt}}, storedSetup},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    sim::BoardProfile changed = profile;
    c.change(changed);
    ExpectStrings(Boot(changed), kAdvanced, c.advanced);
    if (!c.setup) continue;
    Bytes setup = StoredSetup();
    for (size_t offset : {kSetupSocket0AbsentOffset, kSetupSocket1AbsentOffset, kSetupBrandJoinedOffset}) {
      EXPECT_EQ(setup[offset], (*c.setup)[offset]) << offset;
    }
  }
}

TEST_F(SocketDetails, ShortSetupIsWrittenBackAtItsOwnSize) {
  profile.variables.back().data.resize(kSetupSocket1AbsentOffset);
  ExpectStrings(Boot(profile), kAdvanced, {{330, u"206d7"}});
  const Bytes setup = StoredSetup();
  ASSERT_EQ(setup.size(), kSetupSocket1AbsentOffset);
  EXPECT_EQ(setup[kSetupSocket0AbsentOffset], 0);
}

}  // namespace
}  // namespace processor_pages
