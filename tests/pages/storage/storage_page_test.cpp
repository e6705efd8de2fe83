// The chipset and storage page on whole boots of the reference board: the hub
// lines, SATA lines by mode and drive, the port-count probe and SetupSBFeatures
// on each topology, and the SAS names behind the BBS table and option ROM.
#include "../memory_storage_boot.h"

namespace pages_test {
namespace {

constexpr size_t kSataMode = 4, kSasNames = 75, kStopAfterSata = 77;
const std::map<size_t, uint8_t> kAdvancedDefaults = {{kSataMode, 2}, {kSasNames, 1}};

sim::BoardProfile Storage(const std::string &fields) { return Reference(R"("storage": {)" + fields + "}"); }

const uint16_t kSataIds[] = {273, 274, 275, 276, 277, 278};
const uint16_t kSasIds[] = {1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208};

class StoragePage : public PageBoot {
 protected:
  std::vector<std::optional<std::u16string>> Lines(const sim::BootReport &report, const uint16_t (&ids)[6]) {
    std::vector<std::optional<std::u16string>> lines;
    for (uint16_t id : ids) lines.push_back(String(report, 2, id));
    return lines;
  }
  std::vector<std::u16string> SasNames(const sim::BootReport &report) {
    std::vector<std::u16string> names;
    for (uint16_t id : kSasIds) names.push_back(String(report, 2, id).value_or(u"-"));
    return names;
  }
};

const std::vector<std::u16string> kNoSasNames(8, u"-");
const std::vector<std::u16string> kReferenceSasNames = {
    u"Orvantic SAS RAID - Port 0", u"Orvantic SAS RAID - Port 1", u"Orvantic SAS RAID - Port 2",
    u"Orvantic SAS RAID - Port 3", u"-", u"-", u"-", u"-"};

TEST_F(StoragePage, ReferenceBoard) {
  PutSetup(kAdvancedDefaults);
  const sim::BootReport report = Boot(Reference());
  EXPECT_EQ(Lines(report, kSataIds),
            (std::vector<std::optional<std::u16string>>{Text(u"OVT-HD500S     (500.1GB)"),
                                                        Text(u"OVT-SSD240 ES2 (240.0GB)"), kUnset, kUnset,
                                                        Text(u"OVT DVD-RW D24 ATAPI"), kUnset}));
  EXPECT_EQ(SasNames(report), kReferenceSasNames);
  EXPECT_EQ(Variable(u"SetupSBFeatures"), Bytes{4});
  EXPECT_EQ(String(report, 4, 1335), Text(u"Patsburg"));
  EXPECT_EQ(String(report, 4, 1338), Text(u"06 (C1 Stepping)"));
  EXPECT_EQ(String(report, 2, 1335), kUnset) << "the hub lines belong to class 4";
}

// Register 8 is read as a word: the class code's first byte above the revision
// makes a value no stepping names.
TEST_F(StoragePage, SteppingIsReadAsAWord) {
  const sim::BootReport report = Boot(Reference(R"("storage": {"pci": []}, "hardware": {"pci": [
      {"bus": 0, "device": 31, "function": 0,
       "config": {"size": 256, "at": {"0": {"u16": "0x8086"}, "2": {"u16": "0x1D41"}, "8": {"u16": "0x0105"}}}}]})"));
  EXPECT_EQ(String(report, 4, 1335), Text(u"Patsburg"));
  EXPECT_EQ(String(report, 4, 1338), Text(u"105"));
}

TEST_F(StoragePage, HubNameAndStepping) {
  const struct {
    const char *hub;
    std::optional<std::u16string> name, stepping;
  } cases[] = {
      {R"("device_id": "0x1D40", "revision": 5)", Text(u"Patsburg"), Text(u"05 (C0 Stepping)")},
      {R"("device_id": "0x1D41", "revision": 1)", Text(u"Patsburg"), Text(u"01 (A0 Stepping)")},
      {R"("device_id": "0x1D41", "revision": 2)", Text(u"Patsburg"), Text(u"02")},
      {R"("device_id": "0x1D41", "revision": 255)", Text(u"Patsburg"), Text(u"ff")},
      {R"("device_id": "0x2918", "revision": 6)", kUnset, kUnset},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.hub);
    store = {};
    const sim::BootReport report =
        Boot(Storage(std::string(R"("pci": [{"kind": "hub", "bus": 0, "device": 31, "function": 0, )") + test.hub + "}]"));
    EXPECT_EQ(String(report, 4, 1335), test.name);
    EXPECT_EQ(String(report, 4, 1338), test.stepping);
  }
}

TEST_F(StoragePage, SataLinesByModeAndDrive) {
  const char *ideDrives = R"("disks": [
      {"attachment": "ide", "pci_function": 5, "channel": 1, "identify": {"model": "F5C1D0", "sectors": 2000000}},
      {"attachment": "ide", "pci_function": 2, "channel": 1, "device": 1, "identify": {"model": "F2C1D1", "sectors": 2000000}},
      {"attachment": "ide", "pci_function": 5, "channel": 0, "device": 1, "identify": {"model": "F5C0D1"}},
      {"attachment": "ide", "pci_function": 2, "channel": 2, "identify": {"model": "F2C2D0"}},
      {"attachment": "ide", "pci_function": 5, "channel": 2, "identify": {"model": "F5C2D0"}}])";
  // Drives that are skipped, each for its own reason, around two that are shown.
  const char *oddDrives = R"("disks": [
      {"channel": 0, "device_path": "00 00 00 00", "identify": {"model": "ZERO NODE"}},
      {"channel": 1, "device_path": "02 01 0C 00 D0 41 03 0A 00 00 00 00 01 01 04 00 7F FF 04 00"},
      {"channel": 2, "pci_device": 3, "identify": {"model": "DEVICE 3"}},
      {"channel": 3, "pci_function": 0, "identify": {"model": "FUNCTION 0"}},
      {"channel": 4, "device_path_protocol": false, "identify": {"model": "NO PATH"}},
      {"channel": 4, "which_ide_fails": true, "identify": {"model": "NO CHANNEL"}},
      {"channel": 6, "identify": {"model": "PORT 6"}},
      {"channel": 5, "identify_fails": true, "identify": {"model": "NO IDENTIFY"}},
      {"channel": 4, "identify": {"model": "SHOWN", "sectors": 2000000}}])";
  const struct {
    uint8_t mode;
    const char *disks;  // nullptr: the reference board's
    std::vector<std::optional<std::u16string>> lines;
  } cases[] = {
      {1, ideDrives, {kUnset, kUnset, kUnset, Text(u"F2C1D1         (1.0GB)"), kUnset, Text(u"F5C1D0         (1.0GB)")}},
      {2, oddDrives, {kUnset, kUnset, kUnset, kUnset, Text(u"SHOWN          (1.0GB)"), Text(u" (0.0GB)")}},
      {0, nullptr, std::vector<std::optional<std::u16string>>(6, Text(u"Disabled"))},
      {0, oddDrives, std::vector<std::optional<std::u16string>>(6, Text(u"Disabled"))},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.disks ? test.disks : "reference drives");
    store = {};
    PutSetup({{kSataMode, test.mode}});
    const sim::BootReport report = Boot(test.disks ? Storage(test.disks) : Reference());
    EXPECT_EQ(Lines(report, kSataIds), test.lines);
  }
}

TEST_F(StoragePage, SetupBytesDecideTheProbeAndTheSasNames) {
  const struct {
    const char *what;
    std::optional<std::map<size_t, uint8_t>> setup;  // nullopt: no Setup record yet
    size_t setupSize;
    std::optional<Bytes> sbFeatures;
    std::vector<std::u16string> sasNames;
    std::optional<std::u16string> port4;
  } cases[] = {
      {"stop after the SATA lines", std::map<size_t, uint8_t>{{kSataMode, 2}, {kSasNames, 1}, {kStopAfterSata, 1}},
       kSetupDataSize, std::nullopt, kNoSasNames, Text(u"OVT DVD-RW D24 ATAPI")},
      {"no SAS names", std::map<size_t, uint8_t>{{kSataMode, 2}}, kSetupDataSize, Bytes{4}, kNoSasNames,
       Text(u"OVT DVD-RW D24 ATAPI")},
      {"a record ending before byte 77", kAdvancedDefaults, kStopAfterSata, Bytes{4}, kReferenceSasNames,
       Text(u"OVT DVD-RW D24 ATAPI")},
      // Unreadable: drives by channel and device (the drive on port 4 has no line), the
      // port count still published, no SAS names without the setting that asks for them.
      {"no Setup record", std::nullopt, 0, Bytes{4}, kNoSasNames, kUnset},
      {"a record ending before byte 4", kAdvancedDefaults, kSataMode, Bytes{4}, kNoSasNames, kUnset},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.what);
    store = {};
    if (test.setup) PutSetup(*test.setup, test.setupSize);
    const sim::BootReport report = Boot(Reference());
    EXPECT_EQ(Variable(u"SetupSBFeatures"), test.sbFeatures);
    EXPECT_EQ(SasNames(report), test.sasNames);
    EXPECT_EQ(String(report, 2, 277), test.port4);
    EXPECT_EQ(String(report, 2, 273), Text(u"OVT-HD500S     (500.1GB)"));
  }
}

// The reference ROM names ports 0-3; an 8-port controller on bus 0x12 behind an
// uplink switch, or on the default bus 8 when no switch is found (an uplink to
// another device is not followed).
TEST_F(StoragePage, SasNamesFollowTheProbedBusAndTheBbsTable) {
  const std::string hub = R"({"kind": "hub", "bus": 0, "device": 31, "function": 0, "device_id": "0x1D41"})";
  auto behindUplink = [&hub](const std::string &uplinkId) {
    return R"("pci": [)" + hub + R"(,
      {"kind": "bridge", "bus": 0, "device": 2, "function": 1, "device_id": "0x3C05", "secondary_bus": 16},
      {"kind": "bridge", "bus": 16, "device": 0, "function": 0, "device_id": ")" + uplinkId + R"(", "secondary_bus": 17},
      {"kind": "bridge", "bus": 17, "device": 8, "function": 0, "device_id": "0x1D3F", "secondary_bus": 18},
      {"kind": "sas", "bus": 18, "device": 0, "function": 0, "device_id": "0x1D69"}])";
  };
  const std::string eightPort = behindUplink("0x1D74");
  auto bbs = [](const std::string &entries, const std::string &more = "") {
    return R"("legacy_bios": {"bbs": [)" + entries + "]" + more + "}";
  };
  auto sas = [](int bus) {
    return R"({"bus": )" + std::to_string(bus) + R"(, "class": 1, "subclass": 7, "boot_handler_segment": "0xC800"})";
  };
  const std::string harddisk = R"({"bus": 0, "device": 31, "function": 2, "class": 1, "subclass": 6})";
  const struct {
    std::string storage;
    std::optional<Bytes> sbFeatures;
    std::vector<std::u16string> names;
  } cases[] = {
      {eightPort + ", " + bbs(harddisk + ", " + sas(18)), Bytes{8}, kReferenceSasNames},
      {eightPort + ", " + bbs(sas(8)), Bytes{8}, kNoSasNames},
      {R"("pci": [)" + hub + "], " + bbs(sas(8)), Bytes{8}, kReferenceSasNames},
      {behindUplink("0x1D75") + ", " + bbs(sas(8)), Bytes{8}, kReferenceSasNames},
      {bbs(sas(6)), Bytes{4}, kNoSasNames},
      {bbs(sas(6) + ", " + sas(5)), Bytes{4}, kNoSasNames},  // only the first SAS entry counts
      {bbs(harddisk), Bytes{4}, kNoSasNames},
      {bbs(""), Bytes{4}, kNoSasNames},
      {bbs(sas(5), R"(, "get_bbs_info_fails": true)"), Bytes{4}, kNoSasNames},
      {bbs(sas(5), R"(, "install": "after-publishing")"), Bytes{4}, kNoSasNames},
      // A looping chain in the ROM: header k names ports k..3 again until k reaches the port count.
      {R"("option_roms": [{"segment": "0xC800", "image": {"size": 512, "at": {"2": {"u8": 1},
           "26": {"u16": 64}, "70": {"u16": 64}, "72": {"u8": 15}, "80": {"u16": 96}, "96": {"ascii": "LOOP"}}}}])",
       Bytes{4}, {u"LOOP", u"LOOP", u"LOOP", u"LOOP", u"-", u"-", u"-", u"-"}},
      // A header whose last bytes read are the ROM's last ones is read; one a byte later is not.
      {R"("option_roms": [{"segment": "0xC800", "image": {"size": 512, "at": {"2": {"u8": 1},
           "26": {"u16": 494}, "502": {"u8": 15}, "510": {"u16": 96}, "96": {"ascii": "EDGE"}}}}])",
       Bytes{4}, {u"EDGE", u"EDGE", u"EDGE", u"EDGE", u"-", u"-", u"-", u"-"}},
      {R"("option_roms": [{"segment": "0xC800", "image": {"size": 512, "at": {"2": {"u8": 1},
           "26": {"u16": 495}, "503": {"u8": 15}, "96": {"ascii": "EDGE"}}}}])", Bytes{4}, kNoSasNames},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.storage);
    store = {};
    PutSetup(kAdvancedDefaults);
    const sim::BootReport report = Boot(Storage(test.storage));
    EXPECT_EQ(Variable(u"SetupSBFeatures"), test.sbFeatures);
    EXPECT_EQ(SasNames(report), test.names);
  }
}

// SetupSBFeatures is volatile: it exists after a boot only when that boot probed.
TEST_F(StoragePage, EveryBootProbesAgain) {
  PutSetup(kAdvancedDefaults);
  Boot(Reference());
  EXPECT_EQ(Variable(u"SetupSBFeatures"), Bytes{4});
  const sim::BootReport later =
      Boot(Storage(R"("pci": [{"kind": "hub", "bus": 0, "device": 31, "function": 0, "device_id": "0x1D41"}])"), true);
  EXPECT_EQ(Variable(u"SetupSBFeatures"), Bytes{8});
  EXPECT_EQ(SasNames(later), kNoSasNames) << "the reference controller's bus 5 is not the 8-port bus";
}

}  // namespace
}  // namespace pages_test
