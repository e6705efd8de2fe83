// Whole boots of the reference board with its peripherals changed: the Super I/O,
// USB, management engine, power supply, network and FRU strings the driver sets,
// UsbMassDevNum, and the ME update item's SMI write and message box.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver/pages/management_engine_protocols.h"
#include "driver/pages/network_fru_record.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "sim/boot.h"
#include "sim/hardware_trace.h"
#include "sim/profile/profile_loader.h"
#include "tests/pages/boot_checks.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Expected = std::vector<std::pair<uint16_t, std::optional<std::u16string>>>;  // id, text or not set

constexpr const char *kCpuHob = R"({"type": 4, "guid": "2E547CB5-40F8-4F3E-8AF4-1952AAD55A0C", "data": "00"})";
constexpr const char *kFirstNic =
    R"({"bus": 0, "device": 25, "function": 0, "device_id": "0x1502", "io_base": "0xF040", "mac": "11-22-33-44-55-66"})";
constexpr const char *kOtherFirstNic =
    R"({"bus": 0, "device": 25, "function": 0, "device_id": "0x1503", "io_base": "0xF040", "mac": "11-22-33-44-55-66"})";
constexpr const char *kUnbridgedSecondNic =
    R"({"bus": 10, "device": 0, "function": 0, "device_id": "0x10D3", "io_base": "0xE000", "mac": "00-1E-67-2A-51-3D"})";
constexpr const char *kSecondNic =
    R"({"bus": 10, "device": 0, "function": 0, "device_id": "0x10D3", "io_base": "0xE000", "mac": "00-1E-67-2A-51-3D",
        "bridge": {"bus": 0, "device": 28, "function": 1, "device_id": "0x1D12"}})";

// Header and name only: the rating would lie in the next HOB.
constexpr const char *kBarePsuHob = R"({"raw": "04 00 18 00 00 00 00 00 6F 8C 2D 98 F6 F6 35 41 A3 09 A4 59 3E A5 64 17"})";

std::string PsuHob(int scale, int rawRating) {
  return R"({"type": 4, "guid": "982D8C6F-F6F6-4135-A309-A4593EA56417", "data": {"at": {"1": {"u8": )" +
         std::to_string(scale) + R"(}, "6": {"u16": )" + std::to_string(rawRating) + "}}}}";
}

std::string Hobs(const std::string &first, const std::string &second = "") {
  return R"("hobs": [)" + first + (second.empty() ? "" : ", " + second) + "]";
}

std::string Peripherals(const std::string &section) { return R"("peripherals": {)" + section + "}"; }

std::string SuperIo(const std::string &devices) { return Peripherals(R"("super_io": {"devices": [)" + devices + "]}"); }

std::string Network(const std::string &controllers) { return Peripherals(R"("network": [)" + controllers + "]"); }

class PeripheralsBoot : public ::testing::Test {
 protected:
  // The reference board with patch (members of a JSON merge patch) applied.
  sim::BootReport Boot(const std::string &patch, std::vector<std::pair<uint16_t, uint16_t>> callbacks = {},
                       const std::vector<sim::StoredVariable> &seeds = {}) {
    const sim::BoardProfile profile =
        sim::LoadBoardProfile(R"({"extends": "reference")" + (patch.empty() ? "" : ", " + patch) + "}", "patch.json");
    store = sim::VariableStore();
    for (const sim::StoredVariable &seed : seeds) store.Put(seed);
    sim::BootOptions options;
    options.callbacks = std::move(callbacks);
    sim::BootReport report = sim::RunBoot(profile, store, options);
    ExpectCleanBoot(report);
    return report;
  }

  static std::optional<std::u16string> Text(const sim::BootReport &report, uint16_t formClass, uint16_t id) {
    std::optional<std::u16string> text;
    for (const sim::StringRecord &s : report.strings)
      if (s.formClass == formClass && s.stringId == id) text = s.text;
    return text;
  }

  std::optional<Bytes> Variable(const std::u16string &name, const EFI_GUID &guid) const {
    const sim::StoredVariable *found = store.Find(name, guid);
    return found ? std::optional<Bytes>(found->data) : std::nullopt;
  }

  sim::VariableStore store;
};

TEST_F(PeripheralsBoot, PagesShowWhatThePlatformReports) {
  const std::string name48(48, 'N'), name60 = std::string(48, 'L') + "0123456789AB";
  std::string names = "\"" + name48 + "\", \"" + name60 + "\"";
  for (int i = 3; i <= 17; ++i) names += ", \"Disk " + std::to_string(i) + "\"";
  const struct {
    const char *name;
    std::string patch;
    uint16_t formClass;
    Expected expected;
  } cases[] = {
      {"parallel port with interrupt and DMA", SuperIo(R"({"kind": 7, "io_base": "0x378", "irq": 7, "dma": 3})"), 2,
        {{756, u"IO=378h; IRQ=7; DMA=3;"}, {727, std::nullopt}}},
      {"parallel port with neither", SuperIo(R"({"kind": 7, "io_base": "0x378"})"), 2, {{756, u"IO=378h;"}}},
      {"parallel port with DMA only", SuperIo(R"({"kind": 7, "io_base": "0x278", "dma": 1})"), 2, {{756, u"IO=278h; DMA=1;"}}},
      {"floppy prints DMA 0", SuperIo(R"({"kind": 1, "io_base": "0x3F0", "irq": 6})"), 2, {{727, u"IO=3F0h; IRQ=6; DMA=0;"}}},
      {"third serial port and cleared flags", SuperIo(R"(
           {"kind": 6, "instance": 2, "io_base": "0x3E8", "irq": 4}, {"kind": 6, "io_base": "0x3F8", "irq": 4, "active": 0},
           {"kind": 6, "instance": 1, "io_base": "0x2F8", "irq": 3, "enabled": 0},
           {"kind": 12, "io_base": "0x2E8", "irq": 10, "present": 0})"),
       2, {{737, std::nullopt}, {738, std::nullopt}, {774, std::nullopt}}},
      {"each serial port on its own line", SuperIo(R"({"kind": 6, "io_base": "0x3F8", "irq": 4},
                                                     {"kind": 6, "instance": 1, "io_base": "0x2F8", "irq": 3})"),
       2, {{737, u"IO=3F8h; IRQ=4;"}, {738, u"IO=2F8h; IRQ=3;"}}},
      {"later device wins", SuperIo(R"({"kind": 12, "io_base": "0x2E8", "irq": 10},
                                       {"kind": 12, "io_base": "0x3E8", "irq": 11})"), 2, {{774, u"IO=3E8h; IRQ=11;"}}},
      {"no Super I/O devices", Peripherals(R"("super_io": {"install": "never"})"), 2, {{727, std::nullopt}}},
      {"Super I/O lines on class 2 only", "", 64, {{737, std::nullopt}}},

      {"no mass-storage device", Peripherals(R"("usb": {"mass_storage": []})"),
       2, {{1520, u"      2 Drives, 1 Keyboard, 1 Mouse, 2 Hubs"}, {1545, std::nullopt}}},
      {"names that fill the buffer; sixteen at most", Peripherals(R"("usb": {"mass_storage": [)" + names + "]}"),
       2, {{1545, std::u16string(name48.begin(), name48.end())}, {1546, std::u16string(48, u'L')},
           {1547, u"Disk 3"}, {1560, u"Disk 16"}}},
      {"no UsbMassDevNum", Peripherals(R"("usb": {"mass_dev_num": null})"), 2, {{1520, std::nullopt}}},
      {"UsbMassDevNum of three bytes", Peripherals(R"("usb": {"mass_dev_num": "02 01 00"})"), 2,
       {{1520, std::nullopt}}},
      {"no USB protocol", Peripherals(R"("usb": {"install": "never"})"), 2, {{1520, std::nullopt}}},

      {"ME version and status bytes", Peripherals(R"("management_engine": {"responses": {
           "0x01000202": "02 00 08 00 01 00 29 04", "0x01000502": "00 00 00 00 00 00 0A 05 FF"}})"),
       64, {{1344, u"8.2.1065.1"}, {1657, u"FF"}, {1660, u"05"}, {1663, u"0A"}}},
      // Answers shorter than the buffer: the bytes they leave out read as zeros.
      {"short answers", Peripherals(R"("management_engine": {"responses": {
           "0x01000202": "02 00 08 00", "0x01000502": "00 00 00 00 00 00 0A"}})"),
       2, {{1344, u"8.2.0.0"}, {1657, u"00"}, {1660, u"00"}, {1663, u"0A"}}},
      {"failing version request", Peripherals(R"("management_engine": {"responses": {"0x01000202": null}})"),
       2, {{1344, std::nullopt}, {1657, u"05"}}},
      {"failing status request", Peripherals(R"("management_engine": {"responses": {"0x01000502": null}})"),
       2, {{1344, u"2.1.107.5"}, {1657, std::nullopt}}},
      {"ME lines not on class 4", "", 4, {{1344, std::nullopt}, {1657, std::nullopt}}},

      {"scaled rating", Hobs(kCpuHob, PsuHob(2, 5600)), 2, {{577, u"1400 Watts"}, {582, u"10 s"}}},
      {"shift taken modulo 32, HOB before the processor's", Hobs(PsuHob(33, 1400), kCpuHob), 2, {{577, u"700 Watts"}}},
      {"no processor HOB", Hobs(PsuHob(0, 1400)), 2, {{577, std::nullopt}, {582, std::nullopt}}},
      {"HOB too short for the rating", Hobs(kCpuHob, kBarePsuHob), 2, {{577, std::nullopt}}},

      {"receive-address registers", "", 8,
       {{27, u"4.6.0004"}, {1597, u"00-1E-67-2A-51-3C"}, {1600, u"00-1E-67-2A-51-3D"}}},
      {"first controller of another kind", Network(std::string(kOtherFirstNic) + ", " + kSecondNic),
       2, {{1597, std::nullopt}, {1600, u"00-1E-67-2A-51-3D"}}},
      {"no root port", Network(std::string(kFirstNic) + ", " + kUnbridgedSecondNic),
       2, {{1597, u"11-22-33-44-55-66"}, {1600, std::nullopt}}},
      {"no I/O window", Network(R"({"bus": 0, "device": 25, "function": 0, "device_id": "0x1502",
                                     "mac": "11-22-33-44-55-66"})"), 2, {{1597, std::nullopt}}},
      {"FRU texts marked invalid", Peripherals(R"("fru": {"valid": 0})"), 2,
       {{1606, std::nullopt}, {1633, std::nullopt}}},
      {"null FRU text", Peripherals(R"("fru": {"texts": ["M", "P", null, "R", "S", "T"]})"),
       2, {{1606, u"M"}, {1612, u"P"}, {1618, std::nullopt}, {1624, u"R"}, {1630, u"S"}, {1633, u"T"}}},
      {"FRU record without its flag", Peripherals(R"("fru": {"size": 48})"), 2, {{1606, std::nullopt}}},
      {"FRU record just long enough", Peripherals(R"("fru": {"size": 49})"), 32, {{1606, u"Orvantic"}}},
      {"no FRU record", Peripherals(R"("fru": null)"), 2, {{1618, std::nullopt}}},
      {"board id with a leading zero", R"("protocols": {"board_registers": {"0x8310": "0x105"}})", 16, {{1649, u"05"}}},
      {"no board registers", R"("protocols": {"board_register": "never"})", 1, {{1649, std::nullopt}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const sim::BootReport report = Boot(c.patch);
    for (const auto &[id, text] : c.expected) EXPECT_EQ(Text(report, c.formClass, id), text) << "id " << id;
  }
}

TEST_F(PeripheralsBoot, UsbMassDevNumLosesItsSecondByte) {
  const struct {
    const char *devNum, *install;
    std::optional<Bytes> after;
  } cases[] = {
      {"\"02 01\"", "at-load", Bytes{2, 0}},
      {"\"02 01\"", "never", Bytes{2, 0}},  // rewritten before the protocol is looked for
      {"\"07\"", "at-load", Bytes{7}},     // written back with the size read
      {"\"02 01 05\"", "at-load", Bytes{2, 1, 5}},
      {"null", "at-load", std::nullopt},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.devNum);
    Boot(Peripherals(std::string(R"("usb": {"mass_dev_num": )") + c.devNum + R"(, "install": ")" + c.install + "\"}"));
    EXPECT_EQ(Variable(u"UsbMassDevNum", kSetupVariableGuid), c.after);
  }
}

// The SMI write always comes first; the box follows when the outcome can be read and shown.
TEST_F(PeripheralsBoot, MeUpdateItemWritesTheSmiThenShowsTheOutcome) {
  const sim::StoredVariable twoBytes{u"ShowMEUDFailMSG", kMeUpdateStatusGuid, kAttrBsRt, {1, 0}};
  const struct {
    const char *name;
    std::string patch;
    std::vector<sim::StoredVariable> seeds;
    std::optional<std::string> box;
  } cases[] = {
      {"disabling failed", "", {}, "\"ME Update Info\": \"Disable ME fail !!\""},
      {"disabled", Peripherals(R"("management_engine": {"disable_outcome": 0})"), {},
       "\"ME Update Info\": \"ME been Disabled !! Please reboot your system !!\""},
      {"no outcome stored", Peripherals(R"("management_engine": {"disable_outcome": null})"), {}, std::nullopt},
      {"outcome of two bytes", Peripherals(R"("management_engine": {"disable_outcome": null})"), {twoBytes}, std::nullopt},
      {"no message box", Peripherals(R"("message_box": {"install": "never"})"), {}, std::nullopt},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const sim::BootReport report = Boot(c.patch, {{32, 0xF013}, {2, 0xF013}}, c.seeds);
    std::vector<std::string> seen;
    bool called = false;
    for (const sim::EventRecord &event : report.events) {
      called = called || event.kind == "form-callback";
      if (called && (event.kind == "port-write" || event.kind == "message-box")) seen.push_back(event.detail);
    }
    std::vector<std::string> expected = {"port 0xB2 = 0x29"};
    if (c.box) expected.push_back(*c.box);
    EXPECT_EQ(seen, expected) << "key 0xF013 of class 2 runs nothing";
  }
}

// "FruSetup STRING" points into the memory of the boot that stored it: a
// non-volatile copy from an earlier boot points at nothing and is not followed.
TEST_F(PeripheralsBoot, FruRecordLeftFromAnEarlierBootIsNotFollowed) {
  Bytes stale(56, 0);
  for (size_t i = 0; i < 6; ++i) stale[8 * i + 5] = 0x7E;  // 0x7E0000000000: no memory of this boot
  stale[48] = 1;
  for (const uint32_t attributes : {kAttrNvBs, kAttrNvBsRt}) {
    SCOPED_TRACE(attributes);
    const sim::BootReport report =
        Boot(Peripherals(R"("fru": null)"), {}, {{u"FruSetup STRING", kFruSetupGuid, attributes, stale}});
    for (const uint16_t id : {1606, 1612, 1618, 1624, 1630, 1633}) EXPECT_EQ(Text(report, 2, id), std::nullopt) << id;
  }
}

// Each item's key belongs to one class: sent to the other class it runs nothing.
TEST_F(PeripheralsBoot, ItemKeysSentToTheWrongClassDoNothing) {
  const sim::BootReport quiet = Boot("");
  const sim::BootReport report = Boot("", {{32, 0x3B}, {2, 0xF013}, {1, 0x3B}});
  size_t callbacks = 0;
  for (const sim::EventRecord &event : report.events) {
    callbacks += event.kind == "form-callback";
    EXPECT_NE(event.kind, "message-box");
    if (callbacks > 0) {
      EXPECT_NE(event.kind, "port-write") << event.detail;
    }
  }
  EXPECT_EQ(callbacks, 3u);
  for (const sim::HardwareAccess &access : report.hardwareTrace) {
    EXPECT_FALSE(access.address == 0xA35 || access.address == 0xA36) << "the monitor chip was read";
  }
  EXPECT_EQ(report.strings.size(), quiet.strings.size()) << "no string set";
  EXPECT_EQ(report.variableWrites.size(), quiet.variableWrites.size()) << "no variable written";
}

TEST_F(PeripheralsBoot, NetworkAndFruLinesReachEveryListOnce) {
  const sim::BootReport report = Boot("");
  size_t progressCodes = 0;
  for (const sim::EventRecord &event : report.events) progressCodes += event.detail == "port 0x80 = 0x21";
  EXPECT_EQ(progressCodes, 7u);
  for (uint16_t formClass : {1, 2, 4, 8, 16, 32, 64}) {
    EXPECT_EQ(Text(report, formClass, 1600), u"00-1E-67-2A-51-3D") << formClass;
    EXPECT_EQ(Text(report, formClass, 1633), u"OVS3A1241022") << formClass;
    EXPECT_EQ(Text(report, formClass, 1649), u"A8") << formClass;
  }
}

}  // namespace

// Each page reaches configuration space by its own path: the network controllers
// and the window's base register through 0xCF8/0xCFC, the chipset's storage
// functions through the memory-mapped window. The model serves both from one
// store, so only the trace tells a page that took the wrong path.
TEST_F(PeripheralsBoot, EachPageReachesConfigurationSpaceByItsOwnPath) {
  const sim::BootReport report = Boot("");
  using Path = sim::HardwareAccess::Path;
  std::set<std::pair<Path, uint32_t>> functions;  // path, configuration address of the function
  for (const sim::HardwareAccess &access : report.hardwareTrace) {
    if (access.path != Path::DevicePort) functions.insert({access.path, access.address & ~0xFFFu});
  }
  const struct {
    const char *what;
    Path path;
    uint32_t function;
    bool reached;
  } cases[] = {
      {"window base register", Path::ConfigPorts, sim::ConfigAddress(0, 5, 0, 0), true},
      {"first controller", Path::ConfigPorts, sim::ConfigAddress(0, 25, 0, 0), true},
      {"first controller", Path::ConfigWindow, sim::ConfigAddress(0, 25, 0, 0), false},
      {"second controller's root port", Path::ConfigPorts, sim::ConfigAddress(0, 28, 1, 0), true},
      {"second controller's root port", Path::ConfigWindow, sim::ConfigAddress(0, 28, 1, 0), false},
      {"second controller", Path::ConfigPorts, sim::ConfigAddress(10, 0, 0, 0), true},
      {"second controller", Path::ConfigWindow, sim::ConfigAddress(10, 0, 0, 0), false},
      {"hub", Path::ConfigWindow, sim::ConfigAddress(0, 31, 0, 0), true},
      {"hub", Path::ConfigPorts, sim::ConfigAddress(0, 31, 0, 0), false},
      {"storage root port", Path::ConfigWindow, sim::ConfigAddress(0, 17, 0, 0), true},
      {"storage root port", Path::ConfigPorts, sim::ConfigAddress(0, 17, 0, 0), false},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(functions.count({c.path, c.function}), c.reached ? 1u : 0u)
        << c.what << (c.path == Path::ConfigPorts ? " through 0xCF8/0xCFC" : " through the window");
  }
}
