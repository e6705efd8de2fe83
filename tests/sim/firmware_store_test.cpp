// The firmware's variable-store image as an NVRAM file: the live variables by
// the variable driver's state rules, saves that touch only what changed, the
// store-full refusal and the malformed images refused with their offset.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim/little_endian.h"
#include "sim/variable_store.h"
#include "temp_folder.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr EFI_GUID kVendor = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
constexpr char kOvmfVars[] = "/usr/share/OVMF/OVMF_VARS_4M.fd";
constexpr size_t kRecords = 100;  // the first record: after the 72-byte volume and 28-byte store headers

struct Record {
  const char16_t *name;
  uint8_t state;
  Bytes data;
  uint32_t attributes = 7;
};

void Put(std::string &image, size_t at, uint64_t value, size_t width) {
  PutLittleEndian(reinterpret_cast<uint8_t *>(image.data()) + at, value, width);
}
uint64_t Get(const std::string &image, size_t at, size_t width) {
  return GetLittleEndian(reinterpret_cast<const uint8_t *>(image.data()) + at, width);
}
void PutGuid(std::string &image, size_t at, const char (&bytes)[17]) { image.replace(at, 16, bytes, 16); }

// The GUIDs as they lie in the image: the first three fields little-endian.
constexpr char kVolumeGuid[] = "\x8D\x2B\xF1\xFF\x96\x76\x8B\x4C\xA9\x85\x27\x47\x07\x5B\x4F\x50";
constexpr char kAuthenticatedGuid[] = "\x78\x2C\xF3\xAA\x7B\x94\x9A\x43\xA1\x80\x2E\x14\x4E\xC3\x77\x92";
constexpr char kPlainGuid[] = "\x16\x36\xCF\xDD\x75\x32\x64\x41\x98\xB6\xFE\x85\x70\x7F\xFE\x7D";
constexpr char kVendorGuid[] = "\x43\xD6\x87\xEC\xA4\xEB\xB5\x4B\xA1\xE5\x3F\x3E\x36\xB2\x0D\xA9";

size_t HeaderSize(bool authenticated) { return authenticated ? 60 : 32; }

// A volume as OVMF lays it out, with storeSize bytes of store and a tail of
// 0x5C bytes standing for the fault-tolerant-write areas.
std::string Image(const std::vector<Record> &records, bool authenticated = true, size_t storeSize = 0x800) {
  const size_t tail = 0x40;
  std::string image(72 + storeSize + tail, '\xFF');
  image.replace(0, 72, 72, '\0');
  PutGuid(image, 16, kVolumeGuid);
  Put(image, 32, image.size(), 8);
  image.replace(40, 4, "_FVH");
  Put(image, 44, 0x4FEFF, 4);
  Put(image, 48, 72, 2);
  image[55] = 2;
  Put(image, 56, image.size() / 8, 4);
  Put(image, 60, 8, 4);
  uint16_t sum = 0;
  for (size_t at = 0; at < 72; at += 2) sum = static_cast<uint16_t>(sum + Get(image, at, 2));
  Put(image, 50, static_cast<uint16_t>(0x10000 - sum), 2);
  image.replace(72, 28, 28, '\0');
  PutGuid(image, 72, authenticated ? kAuthenticatedGuid : kPlainGuid);
  Put(image, 72 + 16, storeSize, 4);
  image[72 + 20] = '\x5A';
  image[72 + 21] = '\xFE';
  image.replace(72 + storeSize, tail, tail, '\x5C');
  const size_t header = HeaderSize(authenticated), sizes = authenticated ? 36 : 8;
  size_t at = kRecords;
  for (const Record &record : records) {
    const std::u16string name = record.name;
    const size_t nameSize = (name.size() + 1) * 2;
    image.replace(at, header, header, '\0');
    Put(image, at, 0x55AA, 2);
    image[at + 2] = static_cast<char>(record.state);
    Put(image, at + 4, record.attributes, 4);
    if (authenticated) Put(image, at + 16, 0x07E90C09, 4);  // a time stamp of its own, to be kept
    Put(image, at + sizes, nameSize, 4);
    Put(image, at + sizes + 4, record.data.size(), 4);
    PutGuid(image, at + header - 16, kVendorGuid);
    for (size_t i = 0; i <= name.size(); ++i) Put(image, at + header + 2 * i, i < name.size() ? name[i] : 0, 2);
    image.replace(at + header + nameSize, record.data.size(), reinterpret_cast<const char *>(record.data.data()),
                  record.data.size());
    at = (at + header + nameSize + record.data.size() + 3) & ~size_t{3};
  }
  return image;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string &path, const std::string &bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::map<std::u16string, Bytes> LiveOf(const VariableStore &store) {
  std::map<std::u16string, Bytes> live;
  for (const StoredVariable &variable : store.All()) live[variable.name] = variable.data;
  return live;
}

TEST(FirmwareStoreTest, LiveVariablesFollowTheVariableDriversStateRules) {
  const struct {
    const char *what;
    std::vector<Record> records;
    std::map<std::u16string, Bytes> live;
  } cases[] = {
      {"added", {{u"A", 0x3F, {1}}}, {{u"A", {1}}}},
      {"replaced (deleted after its transition)", {{u"A", 0x3C, {1}}}, {}},
      {"deleted", {{u"A", 0x3D, {1}}}, {}},
      {"header written, data not", {{u"A", 0x7F, {1}}}, {}},
      {"in deleted transition, no added copy", {{u"A", 0x3E, {1}}}, {{u"A", {1}}}},
      {"in deleted transition, then its replacement", {{u"A", 0x3E, {1}}, {u"A", 0x3F, {2}}}, {{u"A", {2}}}},
      {"added, then a copy in transition", {{u"A", 0x3F, {2}}, {u"A", 0x3E, {1}}}, {{u"A", {2}}}},
      {"replaced, then the new record", {{u"A", 0x3C, {1}}, {u"A", 0x3F, {2}}, {u"B", 0x3F, {3, 4, 5}}},
       {{u"A", {2}}, {u"B", {3, 4, 5}}}},
  };
  for (const bool authenticated : {true, false}) {
    for (const auto &c : cases) {
      SCOPED_TRACE(std::string(c.what) + (authenticated ? ", authenticated" : ", plain"));
      EXPECT_EQ(LiveOf(VariableStore::Parse(Image(c.records, authenticated), "x.fd")), c.live);
    }
  }
}

TEST(FirmwareStoreTest, OvmfsOwnImageRoundTripsAndTakesAVariable) {
  std::ifstream probe(kOvmfVars);
  if (!probe) GTEST_SKIP() << kOvmfVars << " is not installed (package ovmf)";
  TempFolder folder;
  const std::string path = folder.File("vars.fd"), golden = ReadFile(kOvmfVars);
  WriteFile(path, golden);
  VariableStore store = VariableStore::Load(path);
  EXPECT_TRUE(store.All().empty());
  store.Save(path);
  EXPECT_EQ(ReadFile(path), golden) << "no change, no byte changed";

  store.Put({u"Setup", kVendor, 7, Bytes(687, 0xA5)});
  store.Save(path);
  const std::string saved = ReadFile(path);
  const size_t record = 60 + 12 + 687;
  ASSERT_EQ(saved.size(), golden.size());
  EXPECT_EQ(saved.substr(0, kRecords), golden.substr(0, kRecords));
  EXPECT_EQ(saved.substr(kRecords + record), golden.substr(kRecords + record)) << "the store's rest and the FTW areas";
  EXPECT_EQ(LiveOf(VariableStore::Load(path)), (std::map<std::u16string, Bytes>{{u"Setup", Bytes(687, 0xA5)}}));
}

// Each edit changes only the state bytes of the edited variable's records and
// the bytes of its new record, written where the used records end.
TEST(FirmwareStoreTest, ASaveTouchesOnlyTheChangedVariablesRecords) {
  const std::vector<Record> records = {
      {u"A", 0x3F, {1, 1}}, {u"B", 0x3E, {2}}, {u"B", 0x3F, {2, 2, 2}}, {u"C", 0x3F, {3}, 0x27}};
  const std::string before = Image(records);
  // Offsets of the records above, and where they end.
  const size_t a = kRecords, b1 = a + 68, b2 = b1 + 68, cAt = b2 + 68, used = cAt + 68;
  const struct {
    const char *what;
    StoredVariable edit;  // empty data: delete
    std::map<size_t, uint8_t> states;  // by offset: the new state bytes
    size_t appended;  // bytes of the new record
  } cases[] = {
      {"unchanged rewrite", {u"A", kVendor, 7, {1, 1}}, {}, 0},
      {"replace A", {u"A", kVendor, 7, {9}}, {{a + 2, 0x3C}}, 60 + 4 + 1},
      {"delete A", {u"A", kVendor, 7, {}}, {{a + 2, 0x3D}}, 0},
      {"replace B: both its records", {u"B", kVendor, 7, {8}}, {{b1 + 2, 0x3C}, {b2 + 2, 0x3C}}, 60 + 4 + 1},
      {"a new variable", {u"New", kVendor, 3, {7, 7}}, {}, 60 + 8 + 2},
      {"replace the authenticated C", {u"C", kVendor, 0x27, {6}}, {{cAt + 2, 0x3C}}, 60 + 4 + 1},
  };
  TempFolder folder;
  const std::string path = folder.File("vars.fd");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path, before);
    VariableStore store = VariableStore::Load(path);
    std::map<std::u16string, Bytes> expected = LiveOf(store);
    if (c.edit.data.empty()) {
      store.Set(c.edit.name.c_str(), &kVendor, 0, 0, nullptr);
      expected.erase(c.edit.name);
    } else {
      store.Put(c.edit);
      expected[c.edit.name] = c.edit.data;
    }
    store.Save(path);
    const std::string after = ReadFile(path);
    ASSERT_EQ(after.size(), before.size());
    for (size_t at = 0; at < before.size(); ++at) {
      if (before[at] == after[at] || c.states.count(at) != 0) continue;
      EXPECT_TRUE(at >= used && at < used + c.appended) << "byte " << at << " changed";
    }
    for (const auto &[at, state] : c.states) EXPECT_EQ(static_cast<uint8_t>(after[at]), state) << at;
    if (c.appended != 0) {
      EXPECT_EQ(Get(after, used, 2), 0x55AAu);
    }
    EXPECT_EQ(LiveOf(VariableStore::Load(path)), expected);
    // An authenticated variable keeps its count, time stamp and key index.
    if (c.edit.attributes == 0x27) {
      EXPECT_EQ(after.substr(used + 8, 28), before.substr(cAt + 8, 28));
    }
  }
}

// A store with no room left is packed as the firmware reclaims it; what does
// not fit even then is refused, and the file is left as it was.
TEST(FirmwareStoreTest, AFullStoreIsPackedThenRefused) {
  std::vector<Record> records = {{u"Keep", 0x3F, Bytes(40, 1)}};
  for (int i = 0; i < 5; ++i) records.push_back({u"Old", 0x3C, Bytes(200, 2)});
  TempFolder folder;
  const std::string path = folder.File("vars.fd"), before = Image(records, true, 0x600);
  WriteFile(path, before);
  VariableStore store = VariableStore::Load(path);
  store.Put({u"New", kVendor, 7, Bytes(300, 3)});
  store.Save(path);
  const std::string packed = ReadFile(path);
  EXPECT_EQ(LiveOf(VariableStore::Load(path)),
            (std::map<std::u16string, Bytes>{{u"Keep", Bytes(40, 1)}, {u"New", Bytes(300, 3)}}));
  EXPECT_EQ(packed.substr(kRecords, 60 + 10 + 40), before.substr(kRecords, 60 + 10 + 40)) << "kept first, as it was";
  EXPECT_EQ(Get(packed, kRecords + 112, 2), 0x55AAu) << "the new record right after it";
  EXPECT_EQ(packed.substr(72 + 0x600), before.substr(72 + 0x600)) << "the areas after the store";

  store = VariableStore::Load(path);
  store.Put({u"Huge", kVendor, 7, Bytes(0x600, 4)});
  std::string message;
  try {
    store.Save(path);
  } catch (const std::runtime_error &error) {
    message = error.what();
  }
  EXPECT_NE(message.find("NVRAM file " + path + ": store full: no room for variable Huge"), std::string::npos)
      << message;
  EXPECT_EQ(ReadFile(path), packed);
}

TEST(FirmwareStoreTest, MalformedImagesAreRefusedWithTheOffset) {
  const std::string good = Image({{u"Ab", 0x3F, {1, 2}}, {u"B", 0x3F, {3}}});
  const auto edited = [&](size_t at, uint64_t value, size_t width) {
    std::string image = good;
    Put(image, at, value, width);
    return image;
  };
  const size_t second = kRecords + 68;
  const struct {
    const char *what;
    std::string image;
    const char *fault;
  } cases[] = {
      {"cut inside the volume header", good.substr(0, 50), "offset 0x32: the firmware volume header is cut short"},
      {"another file system", edited(16, 0, 1), "offset 0x10: a firmware volume of file system"},
      {"volume longer than the file", edited(32, good.size() + 1, 8), "offset 0x20: the volume's length"},
      {"header length too small", edited(48, 40, 2), "offset 0x30: header length 0x28"},
      {"bad header checksum", edited(56, 1, 1), "offset 0x32: the firmware volume header's checksum is wrong"},
      {"unknown store format", edited(72, 0, 1), "offset 0x48: variable store format"},
      {"store past the volume", edited(72 + 16, 0x10000, 4), "offset 0x58: variable store size 0x10000"},
      {"store not formatted", edited(72 + 20, 0, 1), "offset 0x5C: the variable store is not formatted"},
      {"store not healthy", edited(72 + 21, 0xFF, 1), "offset 0x5D: the variable store is not healthy"},
      {"bad start id", edited(second, 0x1234, 2), "offset 0xA8: record start id 0x1234 is not 0x55AA"},
      {"name size past the end", edited(second + 36, 0x10000, 4), "offset 0xCC: name size 0x10000 and data size 0x1"},
      {"data size past the end", edited(second + 40, 0xFFFFFFFF, 4), "run past the end of the store at 0x848"},
      {"record cut by the store's end", edited(72 + 16, second + 20 - 72, 4), "offset 0xA8: the variable record's header is cut short"},
      {"name without terminator", edited(kRecords + 64, 0x41, 2), "offset 0xA0: the variable's name (0x6 bytes)"},
      {"odd name size", edited(kRecords + 36, 5, 4), "offset 0xA0: the variable's name (0x5 bytes)"},
      {"volatile record", edited(kRecords + 4, 6, 4), "offset 0x68: variable Ab (EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9) is not non-volatile"},
      {"no data", edited(kRecords + 40, 0, 4), "offset 0x8C: variable Ab"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    std::string message;
    try {
      VariableStore::Parse(c.image, "x.fd");
    } catch (const std::runtime_error &error) {
      message = error.what();
    }
    EXPECT_EQ(message.rfind("NVRAM file x.fd: offset 0x", 0), 0u) << message;
    EXPECT_NE(message.find(c.fault), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace sim
