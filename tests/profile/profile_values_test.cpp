// What the loader makes of well-formed profiles: byte strings, HOBs, numbers,
// protocol timings and per-class package-list settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/profile/profile_loader.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;

const char kSetupGuid[] = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9";
const Bytes kSetupGuidBytes = {0x43, 0xD6, 0x87, 0xEC, 0xA4, 0xEB, 0xB5, 0x4B,
                               0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9};

BoardProfile Load(const std::string &text) { return LoadBoardProfile(text, "test.json"); }

const PackageListSpec &List(const BoardProfile &profile, uint16_t formClass) {
  for (const PackageListSpec &list : profile.packageLists) {
    if (list.formClass == formClass) return list;
  }
  throw std::runtime_error("no list of class " + std::to_string(formClass));
}

TEST(ProfileValues, ByteStringForms) {
  const struct {
    const char *data;
    Bytes bytes;
  } cases[] = {
      {R"("45 6e 67")", {0x45, 0x6E, 0x67}},
      {R"("")", {}},
      {R"({"ascii": "eng"})", {'e', 'n', 'g'}},
      {R"({"ascii": "eng", "terminated": true})", {'e', 'n', 'g', 0}},
      {R"({"utf16": "en", "terminated": true})", {'e', 0, 'n', 0, 0, 0}},
      {R"({"utf16": "\u00e9\ud83d\ude00"})", {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}},
      {R"({"size": 6, "fill": 255, "at": {"1": {"u16": "0x1234"}, "4": "AA"}})", {0xFF, 0x34, 0x12, 0xFF, 0xAA, 0xFF}},
      {R"({"at": {"2": {"u32": 1}}})", {0, 0, 1, 0, 0, 0}},
      {R"({"at": {"0x0": {"ascii": "A"}, "1": {"size": 2, "fill": 7}, "3": {"u64": "0x0102030405060708"}}})",
       {0x41, 7, 7, 8, 7, 6, 5, 4, 3, 2, 1}},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.data);
    const BoardProfile profile = Load(std::string(R"({"hardware": {"memory": [{"base": 0, "data": )") + test.data + "}]}}");
    EXPECT_EQ(profile.hardware.memory.at(0).bytes, test.bytes);
  }
}

TEST(ProfileValues, NumbersAsIntegersDecimalOrHexStrings) {
  for (const char *value : {"26", "\"26\"", "\"0x1A\"", "\"0X1a\""}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(Load(std::string(R"({"protocols": {"board_condition": )") + value + "}}").protocols.boardCondition, 26);
  }
}

TEST(ProfileValues, VariableNameGuidAndAttributes) {
  const BoardProfile profile = Load(std::string(R"({"variables": [{"name": "CPU DATA", "guid": ")") + kSetupGuid +
                                    R"(", "attributes": "0x3", "data": "00"}]})");
  const VariableSpec &variable = profile.variables.at(0);
  EXPECT_EQ(variable.name, u"CPU DATA");
  EXPECT_EQ(variable.attributes, 3u);
  const auto *guid = reinterpret_cast<const uint8_t *>(&variable.guid);
  EXPECT_EQ(Bytes(guid, guid + 16), kSetupGuidBytes);
}

TEST(ProfileValues, HobsAreLaidOutWhole) {
  Bytes guidHob = {0x04, 0x00, 0x20, 0x00, 0, 0, 0, 0};
  guidHob.insert(guidHob.end(), kSetupGuidBytes.begin(), kSetupGuidBytes.end());
  guidHob.insert(guidHob.end(), {1, 2, 3, 0, 0, 0, 0, 0});
  const struct {
    std::string hob;
    Bytes bytes;
  } cases[] = {
      {std::string(R"({"type": 4, "guid": ")") + kSetupGuid + R"(", "data": "01 02 03"})", guidHob},
      {R"({"type": "0xFFFF"})", {0xFF, 0xFF, 0x08, 0x00, 0, 0, 0, 0}},
      {R"({"type": 3, "data": "AA"})", {0x03, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0xAA, 0, 0, 0, 0, 0, 0, 0}},
      {R"({"raw": "04 00 03 00 01"})", {0x04, 0x00, 0x03, 0x00, 0x01}},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.hob);
    EXPECT_EQ(Load(R"({"hobs": [)" + test.hob + "]}").hobs.at(0).bytes, test.bytes);
  }
}

// The short form lays out the same HOB the reference board spells out byte by byte.
TEST(ProfileValues, ProcessorRatiosShortFormIsThePlatformInformationHob) {
  const BoardProfile reference = LoadBuiltinBoard("reference");
  const BoardProfile shortForm =
      Load(R"({"hobs": [{"processor_ratios": {"count": 32, "ratio": 26, "min_ratio": "0x0C"}}]})");
  ASSERT_EQ(shortForm.hobs.size(), 1u);
  EXPECT_EQ(shortForm.hobs[0].bytes, reference.hobs[0].bytes);

  const struct {
    const char *hob;
    const char *message;
  } faults[] = {
      {R"({"processor_ratios": {"count": 0, "ratio": 1, "min_ratio": 1}})", "hobs[0].processor_ratios.count"},
      {R"({"processor_ratios": {"count": 2111, "ratio": 1, "min_ratio": 1}})", "expected an integer 1..2110"},
      {R"({"processor_ratios": {"count": 2, "ratio": 1}})", "missing field min_ratio"},
      {R"({"processor_ratios": {"count": 2, "ratio": 1, "min_ratio": 1}, "type": 4})", "unknown field"},
  };
  for (const auto &fault : faults) {
    SCOPED_TRACE(fault.hob);
    try {
      Load(std::string(R"({"hobs": [)") + fault.hob + "]}");
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error &error) {
      EXPECT_NE(std::string(error.what()).find(fault.message), std::string::npos) << error.what();
    }
  }
}

TEST(ProfileValues, ProtocolTimingsAndRegisters) {
  const BoardProfile profile = Load(R"({"protocols": {"framework_hii": "never", "string_service": "after-publishing",
      "board_registers": {"0x8310": "0xAB", "33560": 5}}})");
  EXPECT_EQ(profile.protocols.frameworkHii, Install::Never);
  EXPECT_EQ(profile.protocols.stringService, Install::AfterPublishing);
  EXPECT_EQ(profile.protocols.boardQuery, Install::AtLoad);
  EXPECT_EQ(profile.protocols.boardRegisters, (std::map<uint32_t, uint64_t>{{0x8310, 0xAB}, {0x8318, 5}}));
}

TEST(ProfileValues, PackageListSettingsApplyPerClass) {
  const BoardProfile plain = Load("{}");
  const BoardProfile profile = Load(R"({"package_lists": {
      "2": {"languages": {"primary": "engfra", "secondary": "spa"}, "defaults": {"4": 0, "77": "0x1"}},
      "4": {"default_image": false},
      "8": {"default_image_size": 686, "defaults": {"685": 9}},
      "1": {"strings": {"24": {"text": "Vendor"}}}}})");
  const PackageListSpec &advanced = List(profile, 2);
  EXPECT_EQ(advanced.primaryLanguages, u"engfra");
  EXPECT_EQ(advanced.secondaryLanguages, u"spa");
  Bytes expected = *List(plain, 2).defaults;
  expected[4] = 0;
  expected[77] = 1;
  EXPECT_EQ(advanced.defaults, expected);
  EXPECT_FALSE(List(profile, 4).defaults.has_value());
  EXPECT_EQ(List(profile, 8).defaults->size(), 686u);
  EXPECT_EQ(List(profile, 8).defaults->at(685), 9);
  EXPECT_EQ(List(profile, 1).strings.at(24).text, u"Vendor");
  EXPECT_EQ(List(profile, 1).strings.at(24).label, List(plain, 1).strings.at(24).label);
  // The lists share their common strings: a change to one list reaches no other list or profile.
  EXPECT_EQ(List(profile, 2).strings.at(24).text, u"Unknown");
  EXPECT_EQ(List(plain, 1).strings.at(24).text, u"Unknown");
  EXPECT_EQ(List(profile, 16).primaryLanguages, u"eng");
  EXPECT_EQ(List(profile, 16).secondaryLanguages, u"");
}

// A board of its own can give a null vendor pointer; one that extends another
// cannot, since a merge patch's null removes the field (the vendor text is then empty).
TEST(ProfileValues, FirmwareVendorCanBeNull) {
  EXPECT_EQ(Load(R"({"firmware": {"vendor": null}})").firmware.vendor, std::nullopt);
  EXPECT_EQ(Load(R"({"firmware": {}})").firmware.vendor, u"");
  EXPECT_EQ(Load(R"({"extends": "reference", "firmware": {"vendor": null}})").firmware.vendor, u"");
}

TEST(ProfileValues, ExtendingBoardMergesOverItsBase) {
  const BoardProfile base = LoadBuiltinBoard("reference");
  const BoardProfile profile =
      Load(R"({"extends": "reference", "firmware": {"vendor": "Other"}, "hardware": {"memory": null},
               "storage": {"option_roms": null}})");
  EXPECT_EQ(profile.name, "test.json");
  EXPECT_EQ(profile.firmware.vendor, u"Other");
  EXPECT_EQ(profile.firmware.systemTableRevision, base.firmware.systemTableRevision);
  EXPECT_TRUE(profile.hardware.memory.empty());
  EXPECT_EQ(profile.hardware.pciExpressBase, base.hardware.pciExpressBase);
  EXPECT_EQ(profile.memoryMap.size(), base.memoryMap.size());
}

// The driver shows the rated speed from CPUID leaf 1 and MSR 0xCE; values that give 0 MHz are warned of.
TEST(ProfileValues, ARatedSpeedOfZeroIsWarned) {
  const struct {
    const char *profile;
    const char *warning;  // "" for none
  } cases[] = {
      {R"({"extends": "reference"})", ""},
      {R"({"extends": "reference", "hardware": {"cpuid": [{"leaf": 1, "eax": "0x306E4"}]}})",
       "signature 0x306E4 runs a 133 MHz bus clock, whose ratio is bits 7:0 of MSR 0xCE"},
      {R"({"extends": "reference", "hardware": {"msrs": {"0xCE": "0x1A"}}})",
       "signature 0x206D7 runs a 100 MHz bus clock, whose ratio is bits 15:8 of MSR 0xCE"},
      {R"({"extends": "reference", "hardware": {"msrs": null}, "processor": null})", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.profile);
    const std::vector<std::string> warnings = Load(c.profile).warnings;
    if (std::string(c.warning).empty()) {
      EXPECT_TRUE(warnings.empty()) << warnings.front();
    } else {
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
      EXPECT_EQ(warnings[0].rfind("test.json: the processor summary will show a rated speed of 0 MHz", 0), 0u);
    }
  }
}

TEST(ProfileValues, MemoryMapUpToTheTopOfTheAddressSpace) {
  const BoardProfile profile = Load(R"({"memory_map": [
      {"type": 7, "start": "0x100000", "pages": 16, "attribute": "0xF"},
      {"type": 11, "start": "0xFFFFFFFFFFFFF000", "pages": 1}]})");
  ASSERT_EQ(profile.memoryMap.size(), 2u);
  EXPECT_EQ(profile.memoryMap[0].physicalStart, 0x100000u);
  EXPECT_EQ(profile.memoryMap[0].numberOfPages, 16u);
  EXPECT_EQ(profile.memoryMap[0].attribute, 0xFu);
  EXPECT_EQ(profile.memoryMap[1].type, 11u);
  EXPECT_EQ(profile.memoryMap[1].attribute, 0u);
}

}  // namespace
}  // namespace sim
