// The profile's "peripherals" section: what it reads, and faults named by their path.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "sim/profile/profile_loader.h"

namespace {

std::string ErrorOf(const std::string &peripherals, const std::string &hardware = "{}") {
  try {
    sim::LoadBoardProfile(R"({"hardware": )" + hardware + R"(, "peripherals": )" + peripherals + "}", "board.json");
  } catch (const std::runtime_error &error) {
    return error.what();
  }
  return "no error";
}

TEST(PeripheralsProfile, FaultsNameTheirPath) {
  const std::string nic = R"("device": 25, "function": 0, "device_id": "0x1502", "mac": "00-1E-67-2A-51-3C")";
  const struct {
    std::string peripherals, hardware, message;
  } cases[] = {
      {R"({"usb": {"counts": {"printers": 1}}})", "{}",
       "board.json: peripherals.usb.counts.printers: unknown field (known here: keyboards, mice, pointing_devices, "
       "drives, hubs, smart_card_readers)"},
      {R"({"usb": {"mass_storage": ["caf\u00e9"]}})", "{}",
       "board.json: peripherals.usb.mass_storage[0]: expected ASCII text without zero characters, got \"caf\xC3\xA9\""},
      {R"({"super_io": {"devices": [{"io_base": "0x3F8"}]}})", "{}",
       "board.json: peripherals.super_io.devices[0]: missing field kind"},
      {R"({"management_engine": {"responses": {"0x01000202": {"size": 17}}}})", "{}",
       R"(board.json: peripherals.management_engine.responses."0x01000202".size: expected an integer 0..16, got 17)"},
      {R"({"network": [{"bus": 0, )" + nic + R"(, "io_base": "0xF044"}]})", "{}",
       R"(board.json: peripherals.network[0].io_base: expected an I/O base aligned to 8 bytes, got "0xF044")"},
      {R"({"network": [{"bus": 0, "device": 25, "function": 0, "device_id": 1, "mac": "00-1E-67-2A-51"}]})", "{}",
       R"(board.json: peripherals.network[0].mac: expected a MAC address such as "00-1E-67-2A-51-3C", got "00-1E-67-2A-51")"},
      {R"({"network": [{"bus": 0, )" + nic + "}]}",
       R"({"pci": [{"bus": 0, "device": 25, "function": 0, "config": ""}]})",
       "board.json: peripherals.network[0]: a PCI function that hardware.pci or another entry already holds"},
      {R"({"network": [{"bus": 0, )" + nic + R"(, "bridge": {"bus": 0, "device": 28, "function": 1, "device_id": 1}}]})",
       "{}", "board.json: peripherals.network[0].bridge: the controller's bus must lie behind the bridge's own"},
      {R"({"fru": {"texts": ["a", "b"]}})", "{}",
       R"(board.json: peripherals.fru.texts: expected an array of 6 elements, got ["a","b"])"},
      {R"({"message_box": {"install": "soon"}})", "{}",
       R"(board.json: peripherals.message_box.install: expected "at-load", "after-publishing" or "never", got "soon")"},
  };
  for (const auto &c : cases) EXPECT_EQ(ErrorOf(c.peripherals, c.hardware), c.message);
}

TEST(PeripheralsProfile, GivenSectionsInstallAtLoadAndOthersNever) {
  const sim::BoardProfile profile = sim::LoadBoardProfile(
      R"({"peripherals": {"usb": {"counts": {"drives": 2}, "mass_dev_num": "02 01"},
          "management_engine": {"install": "after-publishing", "disable_outcome": 0},
          "fru": {"texts": ["A", null, "C", "D", "E", "F"], "valid": 0, "size": 49}}})",
      "board.json");
  const sim::PeripheralsSpec &peripherals = profile.peripherals;
  EXPECT_EQ(peripherals.usb.install, sim::Install::AtLoad);
  EXPECT_EQ(peripherals.usb.counts[3], 2);
  EXPECT_EQ(peripherals.usb.massDevNum, (std::vector<uint8_t>{2, 1}));
  EXPECT_EQ(peripherals.managementEngine.install, sim::Install::AfterPublishing);
  EXPECT_EQ(peripherals.managementEngine.disableOutcome, std::optional<uint8_t>(0));
  EXPECT_EQ(peripherals.superIo.install, sim::Install::Never);
  EXPECT_EQ(peripherals.messageBox.install, sim::Install::Never);
  ASSERT_TRUE(peripherals.fru);
  EXPECT_FALSE(peripherals.fru->texts[1]);
  EXPECT_EQ(peripherals.fru->texts[2], std::optional<std::string>("C"));
  EXPECT_EQ(peripherals.fru->valid, 0);
  EXPECT_EQ(peripherals.fru->size, 49u);
}

}  // namespace
