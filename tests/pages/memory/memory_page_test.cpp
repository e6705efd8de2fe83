// The memory page on whole boots of the reference board: MemoryInfo lines per
// class, DIMM lines per state, the host data block's link lines and
// SetupCpuSockets, the Vga line and the capped low-memory size, and records
// that are missing, short or too long.
#include "../memory_storage_boot.h"

namespace pages_test {
namespace {

constexpr size_t kVgaCpu = 271, kLowMemoryLimit = 281;

class MemoryPage : public PageBoot {};

TEST_F(MemoryPage, SummaryLinesFollowMemoryInfo) {
  const struct {
    const char *info;
    uint16_t formClass, id;
    std::optional<std::u16string> text;
  } cases[] = {
      {R"({"total_mb": 16384})", 1, 326, Text(u"16384 MB")},
      {R"({"total_mb": 512})", 2, 326, Text(u" 512 MB")},
      {R"({"total_mb": 512})", 4, 326, kUnset},
      {R"({"ras_mode": 1})", 4, 824, Text(u"Mirroring")},
      {R"({"ras_mode": 3})", 8, 824, Text(u"Sparing")},
      {R"({"ras_mode": 4})", 2, 824, kUnset},
      {R"({"dimm_speed": 0})", 2, 978, Text(u"800 MHz")},
      {R"({"dimm_speed": 4})", 2, 978, Text(u"1866 MHz")},
      {R"({"dimm_speed": 5})", 2, 978, kUnset},
      // 16-bit codes: a high byte makes a code no table names.
      {R"({"ras_mode": 256})", 2, 824, kUnset},
      {R"({"dimm_speed": 256})", 2, 978, kUnset},
      {R"({"capabilities": 1})", 2, 981, Text(u"Supported")},
      {R"({"capabilities": 1})", 2, 984, kUnset},
      {R"({"capabilities": 4})", 2, 984, Text(u"Supported")},
      {R"({"capabilities": 2})", 2, 981, kUnset},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.info);
    store = {};
    const sim::BootReport report = Boot(WithMemory(std::string(R"({"info": )") + test.info + "}"));
    EXPECT_EQ(String(report, test.formClass, test.id), test.text);
  }
}

TEST_F(MemoryPage, DimmLinesByStateAndValidFlag) {
  std::string lineless;  // every record without a line, of a size no other line shows
  for (int slot = 24; slot <= 35; ++slot) lineless += R"(, {"slot": )" + std::to_string(slot) + R"(, "size_mb": 3072})";
  const sim::BootReport report = Boot(WithMemory(R"({"info": {"dimms": [
      {"slot": 0, "state": 0, "size_mb": 4096}, {"slot": 1, "state": 1, "size_mb": 2048},
      {"slot": 2, "state": 2, "size_mb": 4096}, {"slot": 3, "state": 4, "size_mb": 8192},
      {"slot": 4, "state": 253, "size_mb": 1024}, {"slot": 5, "state": 254, "size_mb": 4096},
      {"slot": 6, "state": 3, "size_mb": 4096}, {"slot": 7, "state": 255},
      {"slot": 8, "valid": 0, "size_mb": 4096}, {"slot": 9, "valid": 2, "size_mb": 4096},
      {"slot": 23, "size_mb": 512})" + lineless + "]}}"));
  const std::optional<std::u16string> expected[] = {
      Text(u"4096 MB"),         Text(u"2048 MB (Mirrored)"), Text(u"4096 MB (Lock Step)"), Text(u"8192 MB (Spared)"),
      Text(u"1024 MB (Error)"), Text(u"Disabled"),           Text(u"Not Present"),         Text(u"Not Present"),
      kUnset,                   kUnset};
  for (uint16_t slot = 0; slot < std::size(expected); ++slot) {
    EXPECT_EQ(String(report, 2, 875 + slot), expected[slot]) << "slot " << slot;
  }
  EXPECT_EQ(String(report, 2, 898), Text(u" 512 MB"));
  // Records 24 to 35 have no line: nothing is set for them (a rejected string fails Boot).
  for (const sim::StringRecord &line : report.strings) {
    EXPECT_EQ(line.text.find(u"3072"), std::u16string::npos) << "string " << line.stringId;
  }
}

TEST_F(MemoryPage, HostBlockGivesLinkLinesAndSockets) {
  const struct {
    const char *hostData;
    std::optional<Bytes> sockets;
    std::optional<std::u16string> speed, mode;
  } cases[] = {
      {R"({"link_speed": 1, "link_mode": 0, "sockets": [1, 0]})", Bytes{1, 0, 0, 0}, Text(u"6.4 GT/s"), Text(u"Slow")},
      {R"({"link_speed": 2, "link_mode": 5, "sockets": [0, 7, 1]})", Bytes{0, 1, 1, 0}, Text(u"7.2 GT/s"),
       Text(u"Fast")},
      {R"({"link_speed": 4, "socket_count": 0, "sockets": [1]})", Bytes{0, 0, 0, 0}, kUnset, Text(u"Slow")},
      // A block describing more sockets than the 4-byte image holds.
      {R"({"link_speed": 0, "sockets": [1, 1, 1, 1, 1, 1, 1, 1]})", Bytes{1, 1, 1, 1}, kUnset, Text(u"Slow")},
      {R"({"socket_count": 255, "sockets": [1, 0, 1, 0]})", Bytes{1, 0, 1, 0}, kUnset, Text(u"Slow")},
      // No block behind the protocol, or no protocol while the page runs: the stored record stays.
      {R"({"block": ""})", Bytes{9, 9, 9, 9}, kUnset, kUnset},
      {R"({"install": "after-publishing", "sockets": [1, 1]})", Bytes{9, 9, 9, 9}, kUnset, kUnset},
      {R"({"install": "never"})", Bytes{9, 9, 9, 9}, kUnset, kUnset},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.hostData);
    store = {};
    store.Put({u"SetupCpuSockets", kSetupVariableGuid, kAttrNvBsRt, {9, 9, 9, 9}});
    const sim::BootReport report = Boot(WithMemory(std::string(R"({"host_data": )") + test.hostData + "}"));
    EXPECT_EQ(Variable(u"SetupCpuSockets"), test.sockets);
    EXPECT_EQ(String(report, 2, 1076), test.speed);
    EXPECT_EQ(String(report, 2, 1073), test.mode);
  }
}

TEST_F(MemoryPage, VgaLineAndLowMemoryFollowSetup) {
  const struct {
    const char *memory;
    std::optional<size_t> setupSize;  // nullopt: no Setup record
    uint8_t vgaCpu, limit;
    std::u16string vga;
    std::optional<std::u16string> low;
  } cases[] = {
      {R"({"total_mb": 3000})", kSetupDataSize, 1, 3, u"Vga From CPU 1", Text(u"3000 MB")},
      {R"({"total_mb": 65536})", kSetupDataSize, 0, 0, u"Vga From CPU 0", Text(u"1024 MB")},
      {R"({"total_mb": 65536})", kSetupDataSize, 0, 2, u"Vga From CPU 0", Text(u"2560 MB")},
      {R"({"total_mb": 2048})", kSetupDataSize, 0, 1, u"Vga From CPU 0", Text(u"2048 MB")},
      {R"({"total_mb": 65536})", kSetupDataSize, 0, 4, u"Vga From CPU 0", Text(u"1024 MB")},
      {R"({"total_mb": 65536})", kSetupDataSize, 0, 7, u"Vga From CPU 0", Text(u"1024 MB")},
      {R"({"total_mb": 65536})", std::nullopt, 0, 0, u"Vga From CPU 0", kUnset},
      // Too short for byte 281 (still holding 271), and too long to read into SetupData.
      {R"({"total_mb": 65536})", 282 - 1, 3, 2, u"Vga From CPU 3", kUnset},
      {R"({"total_mb": 65536})", kSetupDataSize + 1, 3, 2, u"Vga From CPU 0", kUnset},
      // MemoryInfo missing, too short for the total, or too long to read.
      {"absent", kSetupDataSize, 2, 3, u"Vga From CPU 2", kUnset},
      {R"({"raw": "03 00 00 00 00 08"})", kSetupDataSize, 0, 3, u"Vga From CPU 0", kUnset},
      {R"({"raw": {"size": 346, "at": {"4": {"u32": 1000}}}})", kSetupDataSize, 0, 3, u"Vga From CPU 0", kUnset},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.memory);
    store = {};
    if (test.setupSize) PutSetup({{kVgaCpu, test.vgaCpu}, {kLowMemoryLimit, test.limit}}, *test.setupSize);
    const std::string info = test.memory == std::string("absent") ? "" : std::string(R"("info": )") + test.memory;
    const sim::BootReport report = Boot(WithMemory("{" + info + "}"));
    for (uint16_t formClass : {1, 2, 64}) {
      EXPECT_EQ(String(report, formClass, 1054), test.vga);
      EXPECT_EQ(String(report, formClass, 327), test.low);
    }
  }
}

// A record shorter than MemoryInfo shows only the fields it holds; the rest of the
// page's buffer is never read (pool is filled with 0xAF, which would show up).
TEST_F(MemoryPage, ShortMemoryInfoShowsOnlyTheFieldsItHolds) {
  const sim::BootReport report = Boot(WithMemory(R"({"info": {"raw": {"size": 25, "at": {
      "0": {"u16": 2}, "2": {"u16": 1}, "4": {"u32": 4096}, "8": {"u8": 1},
      "9": "00 01 00 00 00 00 10", "16": "01 01 00 00 00 00 08", "23": "00 01"}}}})"));
  EXPECT_EQ(String(report, 2, 326), Text(u"4096 MB"));
  EXPECT_EQ(String(report, 2, 824), Text(u"Mirroring"));
  EXPECT_EQ(String(report, 2, 978), Text(u"1333 MHz"));
  EXPECT_EQ(String(report, 2, 875), Text(u"4096 MB"));
  EXPECT_EQ(String(report, 2, 876), Text(u"2048 MB (Mirrored)"));
  EXPECT_EQ(String(report, 2, 877), kUnset);

  store = {};
  const sim::BootReport unreadable = Boot(WithMemory(R"({"host_data": {"link_mode": 1}})"));
  for (uint16_t id : {326, 824, 978, 981, 984, 875}) EXPECT_EQ(String(unreadable, 2, id), kUnset) << id;
  EXPECT_EQ(String(unreadable, 2, 1073), Text(u"Fast"));
}

}  // namespace
}  // namespace pages_test
