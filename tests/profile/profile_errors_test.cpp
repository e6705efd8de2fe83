// Every fault in a profile is one line that names the source and the field's path.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "sim/profile/profile_loader.h"
#include "tests/sim/temp_folder.h"

namespace sim {
namespace {

struct ErrorCase {
  const char *what;
  const char *profile;
  const char *message;  // the whole message, or its start when it ends in "..."
};

const ErrorCase kErrorCases[] = {
    {"syntax error", "{\"name\": }", "board.json: line 1, column 10: syntax error..."},
    {"number beyond any float", R"({"firmware": {"firmware_revision": 1e999}})",
     "board.json: number overflow parsing '1e999'"},
    {"field given twice", R"({"name": "a", "name": "b"})", "board.json: name: field given twice"},
    {"field given twice inside an array", R"({"variables": [{}, {"name": "A", "name": "B"}]})",
     "board.json: variables[1].name: field given twice"},
    {"unknown field", R"({"nmae": "x"})", "board.json: nmae: unknown field (known here: name, extends, firmware, ..."},
    {"unknown nested field", R"({"firmware": {"vendr": "x"}})", "board.json: firmware.vendr: unknown field..."},
    {"top level not an object", "[1]", "board.json: expected an object, got [1]"},
    {"string expected", R"({"firmware": {"vendor": 5}})", "board.json: firmware.vendor: expected a string, got 5"},
    {"bool expected", R"({"firmware": {"dxe_services_present": "yes"}})",
     R"(board.json: firmware.dxe_services_present: expected true or false, got "yes")"},
    {"port value not a number", R"({"hardware": {"ports": {"0xA35": "x"}}})",
     R"(board.json: hardware.ports."0xA35": expected an integer 0..0xFFFFFFFF, got "x")"},
    {"port number out of range", R"({"hardware": {"ports": {"0x10000": 1}}})",
     R"(board.json: hardware.ports."0x10000": the name must be a port number 0..0xFFFF)"},
    {"byte out of range", R"({"protocols": {"board_condition": 256}})",
     "board.json: protocols.board_condition: expected an integer 0..255, got 256"},
    {"negative number", R"({"firmware": {"firmware_revision": -1}})",
     "board.json: firmware.firmware_revision: expected an integer 0..0xFFFFFFFF, got -1"},
    {"fraction", R"({"firmware": {"firmware_revision": 1.5}})",
     "board.json: firmware.firmware_revision: expected an integer 0..0xFFFFFFFF, got 1.5"},
    {"hex string too large", R"({"hardware": {"pci_express_base": "0x100000000"}})",
     R"(board.json: hardware.pci_express_base: expected an integer 0..0xFFFFFFFF, got "0x100000000")"},
    {"hex string beyond 64 bits", R"({"hardware": {"msrs": {"0xCE": "0x10000000000000000"}}})",
     R"(board.json: hardware.msrs."0xCE": expected an integer 0..0xFFFFFFFFFFFFFFFF, got "0x10000000000000000")"},
    {"bad install timing", R"({"protocols": {"string_service": "later"}})",
     R"(board.json: protocols.string_service: expected "at-load", "after-publishing" or "never", got "later")"},
    {"missing field", R"({"variables": [{"name": "A", "attributes": 7, "data": ""}]})",
     "board.json: variables[0]: missing field guid"},
    {"bad GUID", R"({"variables": [{"name": "A", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DAZ", "attributes": 7, "data": ""}]})",
     R"(board.json: variables[0].guid: expected a GUID such as "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", got "EC87D643...)"},
    {"GUID without dashes", R"({"hobs": [{"type": 4, "guid": "EC87D643EBA44BB5A1E53F3E36B20DA9"}]})",
     "board.json: hobs[0].guid: expected a GUID..."},
    {"hex digit", R"({"hobs": [{"raw": "0G"}]})",
     R"(board.json: hobs[0].raw: expected hex bytes, two digits each, got "0G")"},
    {"odd hex digits", R"({"hardware": {"memory": [{"base": 0, "data": "abc"}]}})",
     R"(board.json: hardware.memory[0].data: expected hex bytes, two digits each, got "abc")"},
    {"non-ASCII text", R"({"hobs": [{"type": 1, "data": {"ascii": "caf\u00e9"}}]})",
     "board.json: hobs[0].data.ascii: expected ASCII text..."},
    {"text and hex mixed", R"({"hobs": [{"type": 1, "data": {"ascii": "a", "utf16": "b"}}]})",
     "board.json: hobs[0].data.utf16: unknown field (known here: ascii, terminated)"},
    {"layout piece past the size", R"({"hobs": [{"type": 1, "data": {"size": 4, "at": {"3": {"u16": 1}}}}]})",
     R"(board.json: hobs[0].data.at."3": runs past the size 4)"},
    {"layout pieces overlap", R"({"hobs": [{"type": 1, "data": {"at": {"0": "01 02", "1": "03"}}}]})",
     R"(board.json: hobs[0].data.at."1": overlaps another piece of the layout)"},
    {"layout integer too wide", R"({"hobs": [{"type": 1, "data": {"at": {"0": {"u16": 65536}}}}]})",
     R"(board.json: hobs[0].data.at."0".u16: expected an integer 0..0xFFFF, got 65536)"},
    {"PCI configuration space too long", R"({"hardware": {"pci": [{"bus": 0, "device": 1, "function": 0, "config": {"size": 4097}}]}})",
     "board.json: hardware.pci[0].config.size: expected an integer 0..4096, got 4097"},
    {"PCI device out of range", R"({"hardware": {"pci": [{"bus": 0, "device": 32, "function": 0, "config": ""}]}})",
     "board.json: hardware.pci[0].device: expected an integer 0..31, got 32"},
    {"PCI function given twice", R"({"hardware": {"pci": [{"bus": 0, "device": 1, "function": 0, "config": ""}, {"bus": 0, "device": 1, "function": 0, "config": ""}]}})",
     "board.json: hardware.pci[1]: a second entry for the same bus, device and function"},
    {"GUID HOB without a GUID", R"({"hobs": [{"type": 4, "data": "00"}]})",
     "board.json: hobs[0]: a GUID-extension HOB (type 4) needs a guid"},
    {"GUID on another HOB type", R"({"hobs": [{"type": 3, "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"}]})",
     "board.json: hobs[0].guid: only a GUID-extension HOB (type 4) has a name GUID"},
    {"HOB longer than its length field", R"({"hobs": [{"type": 1, "data": {"size": 65528}}]})",
     "board.json: hobs[0]: the HOB is longer than 65528 bytes"},
    {"variable given twice", R"({"variables": [{"name": "A", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, "data": "00"}, {"name": "A", "guid": "ec87d643-eba4-4bb5-a1e5-3f3e36b20da9", "attributes": 3, "data": "00"}]})",
     "board.json: variables[1]: a second variable with the same name and GUID"},
    {"volatile variable", R"({"variables": [{"name": "A", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 6, "data": "00"}]})",
     "board.json: variables[0].attributes: expected 3 or 7, got 6"},
    {"variable without data", R"({"variables": [{"name": "A", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 3, "data": {"ascii": ""}}]})",
     "board.json: variables[0].data: a variable holds at least one byte"},
    {"empty variable name", R"({"variables": [{"name": "", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, "data": ""}]})",
     R"(board.json: variables[0].name: expected a name that is not empty, got "")"},
    // The firmware sees 16-bit texts that end at their first zero: one inside would cut the text silently.
    {"zero in a variable name", R"({"variables": [{"name": "A\u0000B", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, "data": "00"}]})",
     R"(board.json: variables[0].name: expected text without zero characters, got "A\u0000B")"},
    {"zero in the vendor", R"({"firmware": {"vendor": "Or\u0000vantic"}})",
     R"(board.json: firmware.vendor: expected text without zero characters or null, got "Or\u0000vantic")"},
    {"zero in a list's text", R"({"package_lists": {"2": {"strings": {"24": {"text": "a\u0000"}}}}})",
     R"(board.json: package_lists."2".strings."24".text: expected text without zero characters, got "a\u0000")"},
    {"unknown package list", R"({"package_lists": {"3": {"defaults": {"4": 1}}}})",
     R"(board.json: package_lists."3": no package list has class 3)"},
    {"default offset beyond the image", R"({"package_lists": {"2": {"defaults": {"687": 1}}}})",
     R"(board.json: package_lists."2".defaults."687": the name must be an offset in the default image 0..686)"},
    {"string id 0", R"({"package_lists": {"2": {"strings": {"0": {"text": "x"}}}}})",
     R"(board.json: package_lists."2".strings."0": the name must be a string id 1..0xFFFF)"},
    {"unaligned memory map entry", R"({"memory_map": [{"type": 7, "start": "0x1001", "pages": 1}]})",
     R"(board.json: memory_map[0].start: expected an address aligned to 4 KiB, got "0x1001")"},
    {"memory map entry past the top", R"({"memory_map": [{"type": 7, "start": "0xFFFFFFFFFFFFF000", "pages": 2}]})",
     "board.json: memory_map[0].pages: expected an integer 1..1, got 2"},
    {"memory regions overlap", R"({"hardware": {"memory": [{"base": 16, "data": "00 00"}, {"base": 17, "data": "00"}]}})",
     "board.json: hardware.memory[1]: overlaps another memory region"},
    {"unknown base board", R"({"extends": "nope"})",
     R"(board.json: extends: expected the name of a built-in board (...)"},
    {"package lists are not a board", R"({"extends": "package-lists"})", "board.json: extends: expected the name of a built-in board..."},
    {"fault in an extending board", R"({"extends": "reference", "protocols": {"board_condition": "0x100"}})",
     R"(board.json: protocols.board_condition: expected an integer 0..255, got "0x100")"},
    // The user wrote only raw: the fields that cannot go with it are the base's.
    {"a short form over the base's fields", R"({"extends": "reference", "memory": {"info": {"raw": "00"}}})",
     "board.json: memory.info.raw: cannot be merged with the fields capabilities, dimm_speed, dimms, ras_mode, "
     "total_mb that the base reference.json gives memory.info (another form of it); set them to null here to drop "
     "them"},
};

TEST(ProfileErrors, NameTheSourceAndThePathOnOneLine) {
  for (const ErrorCase &test : kErrorCases) {
    SCOPED_TRACE(test.what);
    std::string message;
    try {
      LoadBoardProfile(test.profile, "board.json");
    } catch (const std::runtime_error &error) {
      message = error.what();
    }
    const std::string expected = test.message;
    const size_t dots = expected.rfind("...");
    if (dots != std::string::npos && dots + 3 == expected.size()) {
      EXPECT_EQ(message.substr(0, dots), expected.substr(0, dots)) << message;
    } else {
      EXPECT_EQ(message, expected);
    }
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

// Deep nesting is refused at once: each level keeps its path for messages, so
// without a cap memory would grow with the square of the depth.
TEST(ProfileErrors, NestingIsCappedAtSixtyFourLevels) {
  const struct {
    size_t depth;
    bool accepted;
  } cases[] = {{62, true}, {65, false}, {5000, false}};
  for (const auto &test : cases) {
    SCOPED_TRACE(test.depth);
    // {"name": "deep", "x": [[...[]...]]}: the object is one level, the arrays the rest.
    const std::string text =
        R"({"name": "deep", "x": )" + std::string(test.depth - 1, '[') + std::string(test.depth - 1, ']') + "}";
    std::string message;
    try {
      LoadBoardProfile(text, "deep.json");
    } catch (const std::runtime_error &error) {
      message = error.what();
    }
    if (test.accepted) {
      EXPECT_EQ(message.find("nested"), std::string::npos) << message;
    } else {
      EXPECT_EQ(message, "deep.json: nested deeper than 64 objects and arrays");
    }
  }
}

TEST(ProfileErrors, PackageListFileFaultsNameTheirPath) {
  const struct {
    const char *lists;
    const char *message;
  } cases[] = {
      {R"({"lists": [{"class": 1}, {"class": 1}]})", "lists.json: lists[1].class: class 1 is given twice"},
      {R"({"lists": [{"title": "Main"}]})", "lists.json: lists[0]: missing field class"},
      {R"({"strings": {"24": {"label": "Vendor"}}, "lists": []})", "lists.json: strings.\"24\": missing field text"},
      {R"({"lists": [{"class": 1, "languages": {"primary": 3}}]})",
       "lists.json: lists[0].languages.primary: expected a string, got 3"},
      {R"({"strings": {}})", "lists.json: missing field lists"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.lists);
    try {
      LoadPackageLists(test.lists, "lists.json");
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error &error) {
      EXPECT_EQ(std::string(error.what()), test.message);
    }
  }
}

// A chain of files: each fault is said in the terms of the file that holds it.
TEST(ProfileErrors, ExtendsChainsNameTheFileAtFault) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "ext");
  const auto write = [&](const std::string &name, const std::string &text) {
    std::ofstream(folder.File(name)) << text;
    return folder.File(name);
  };
  write("ext/base.json", R"({"extends": "reference", "name": "base", "firmware": {"vendor": "Base"}})");
  const std::string bad = write("bad.json", R"({"extends": "reference", "protocols": {"board_condition": 300}})");
  write("raw.json", R"({"extends": "reference", "memory": {"info": {"raw": "00", "dimm_speed": null,
      "ras_mode": null, "total_mb": null, "capabilities": null, "dimms": null}}})");
  const std::string a = write("a.json", R"({"extends": "b.json"})");
  write("b.json", R"({"extends": "./a.json"})");
  const std::string self = write("self.json", R"({"extends": "self.json"})");
  for (int i = 0; i < 9; ++i) write("deep" + std::to_string(i) + ".json", R"({"extends": "deep)" + std::to_string(i + 1) + R"(.json"})");
  write("deep9.json", R"({"extends": "reference"})");

  // Every spelling of the base is relative to the extending file's folder.
  for (const std::string &spelling : {std::string("base.json"), std::string("./base.json"), std::string("../ext/base.json"),
                                      folder.File("ext/base.json")}) {
    SCOPED_TRACE(spelling);
    const std::string child = write("ext/child.json", R"({"extends": ")" + spelling + R"("})");
    EXPECT_EQ(LoadBoardProfileFile(child).firmware.vendor, u"Base");
  }
  const struct {
    std::string profile;
    std::string message;
  } cases[] = {
      {write("child-of-bad.json", R"({"extends": "bad.json"})"),
       bad + ": protocols.board_condition: expected an integer 0..255, got 300"},
      {write("fields-over-raw.json", R"({"extends": "raw.json", "memory": {"info": {"dimm_speed": 1600}}})"),
       folder.File("fields-over-raw.json") + ": memory.info.dimm_speed: cannot be merged with the field raw that the "
       "base " + folder.File("raw.json") + " gives memory.info (another form of it); set it to null here to drop it"},
      {a, folder.File("b.json") + ": extends: the boards extend each other in a circle: " + a + " \u2192 " +
              folder.File("b.json") + " \u2192 " + a},
      {self, self + ": extends: the boards extend each other in a circle: " + self + " \u2192 " + self},
      {folder.File("deep0.json"), "extends: boards extend each other more than 8 deep"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.profile);
    std::string message;
    try {
      LoadBoardProfileFile(test.profile);
    } catch (const std::runtime_error &error) {
      message = error.what();
    }
    EXPECT_NE(message.find(test.message), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace sim
