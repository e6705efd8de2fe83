// The UEFI Shell's dmpstore file: the layout byte for byte, and every fault of
// a file refused with the variable and the offset.
#include <gtest/gtest.h>

#include "sim/little_endian.h"
#include "sim/machine/crc32.h"
#include "sim/machine/dmpstore_file.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr EFI_GUID kGlobal = {0x8BE4DF61, 0x93CA, 0x11D2, {0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C}};

std::string Failure(const std::string &bytes) {
  try {
    ReadDmpstoreFile(bytes, "dump.bin");
  } catch (const std::runtime_error &error) {
    return error.what();
  }
  return "";
}

TEST(DmpstoreFileTest, WritesTheShellsLayoutAndReadsItBack) {
  const std::vector<StoredVariable> variables = {{u"Lang", kGlobal, 7, {'e', 'n', 'g', 0}},
                                                 {u"Timeout", kGlobal, 7, {0, 0}}};
  const std::string file = DmpstoreFileOf(variables);
  // Lang: sizes 10 and 4, "Lang\0" in UCS-2, the GUID's fields little-endian, attributes, data, CRC.
  const std::string lang = std::string("\x0A\0\0\0\x04\0\0\0L\0a\0n\0g\0\0\0", 18) +
                           std::string("\x61\xDF\xE4\x8B\xCA\x93\xD2\x11\xAA\x0D\x00\xE0\x98\x03\x2B\x8C", 16) +
                           std::string("\x07\0\0\0eng\0", 8);
  ASSERT_GE(file.size(), lang.size() + 4);
  EXPECT_EQ(file.substr(0, lang.size()), std::string(lang.data(), lang.size()));
  EXPECT_EQ(GetLittleEndian(reinterpret_cast<const uint8_t *>(file.data()) + lang.size(), 4),
            Crc32(lang.data(), lang.size()));
  const std::vector<StoredVariable> read = ReadDmpstoreFile(file, "dump.bin");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].name, u"Timeout");
  EXPECT_EQ(read[1].attributes, 7u);
  EXPECT_EQ(read[1].data, (Bytes{0, 0}));
}

TEST(DmpstoreFileTest, FaultsNameTheVariableAndTheOffset) {
  const std::string good = DmpstoreFileOf({{u"Lang", kGlobal, 7, {1, 2}}, {u"Boot0001", kGlobal, 7, {3}}});
  const size_t second = 8 + 10 + 16 + 4 + 2 + 4;
  const auto edited = [&](size_t at, uint64_t value, size_t width) {
    std::string file = good;
    PutLittleEndian(reinterpret_cast<uint8_t *>(file.data()) + at, value, width);
    return file;
  };
  const struct {
    const char *what;
    std::string file;
    const char *fault;
  } cases[] = {
      {"bad CRC", edited(second - 4, 0, 4),
       "offset 0x28: variable Lang (8BE4DF61-93CA-11D2-AA0D-00E098032B8C): CRC32 0x0 does not match"},
      {"a changed data byte", edited(second - 5, 9, 1), "offset 0x28: variable Lang"},
      {"cut inside the data", good.substr(0, second + 40), "offset 0x2C: variable Boot0001 cut short"},
      {"cut inside the sizes", good.substr(0, second + 5), "offset 0x2C: a record cut short: 5 bytes left"},
      {"name size past the end", edited(second, 0x10000, 4), "offset 0x2C: a record cut short: name size 0x10000"},
      {"data size past the end", edited(second + 4, 0xFFFFFFFF, 4), "offset 0x2C: variable Boot0001 cut short"},
      {"odd name size", edited(0, 9, 4), "offset 0x8: the variable's name (0x9 bytes)"},
      {"unterminated name", edited(16, 'x', 2), "offset 0x8: the variable's name (0xA bytes)"},
      {"twice", good + good.substr(0, second), "offset 0x5F: variable Lang (8BE4DF61-93CA-11D2-AA0D-00E098032B8C) is in the file twice"},
      {"no data", DmpstoreFileOf({{u"A", kGlobal, 7, {}}}), "offset 0x4: variable A"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string message = Failure(c.file);
    EXPECT_EQ(message.rfind("dmpstore file dump.bin: offset 0x", 0), 0u) << message;
    EXPECT_NE(message.find(c.fault), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace sim
