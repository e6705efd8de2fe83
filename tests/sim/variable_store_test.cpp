#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "sim/machine/guid_text.h"
#include "sim/variable_store.h"
#include "temp_folder.h"

namespace sim {
namespace {

constexpr EFI_GUID kVendorA = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
constexpr EFI_GUID kVendorB = {0x8BE4DF61, 0x93CA, 0x11D2, {0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C}};

using Bytes = std::vector<uint8_t>;

// "Var" (non-volatile, 3 bytes) and "Vol" (volatile, 1 byte) under vendor A.
VariableStore TwoVariables() {
  VariableStore store;
  store.Put({u"Var", kVendorA, kAttrNvBsRt, {1, 2, 3}});
  store.Put({u"Vol", kVendorA, kAttrBsRt, {9}});
  return store;
}

struct GetCase {
  const char *what;
  const char16_t *name;
  const EFI_GUID *guid;
  bool withSize;
  UINTN sizeIn;
  bool withBuffer;
  EFI_STATUS status;
  UINTN sizeOut;
  uint32_t attributesOut;  // 0xFFFFFFFF: left untouched
};

TEST(VariableStoreTest, GetFollowsUefiStatuses) {
  const GetCase cases[] = {
      {"null name", nullptr, &kVendorA, true, 8, true, EFI_INVALID_PARAMETER, 8, 0xFFFFFFFF},
      {"null guid", u"Var", nullptr, true, 8, true, EFI_INVALID_PARAMETER, 8, 0xFFFFFFFF},
      {"null size", u"Var", &kVendorA, false, 0, true, EFI_INVALID_PARAMETER, 0, 0xFFFFFFFF},
      {"unknown name", u"Nope", &kVendorA, true, 8, true, EFI_NOT_FOUND, 8, 0xFFFFFFFF},
      {"other vendor", u"Var", &kVendorB, true, 8, true, EFI_NOT_FOUND, 8, 0xFFFFFFFF},
      {"size query", u"Var", &kVendorA, true, 0, false, EFI_BUFFER_TOO_SMALL, 3, kAttrNvBsRt},
      {"one byte short", u"Var", &kVendorA, true, 2, true, EFI_BUFFER_TOO_SMALL, 3, kAttrNvBsRt},
      {"big enough, null data", u"Var", &kVendorA, true, 3, false, EFI_INVALID_PARAMETER, 3, kAttrNvBsRt},
      {"exact size", u"Var", &kVendorA, true, 3, true, EFI_SUCCESS, 3, kAttrNvBsRt},
      {"larger buffer", u"Var", &kVendorA, true, 8, true, EFI_SUCCESS, 3, kAttrNvBsRt},
  };
  for (const GetCase &c : cases) {
    SCOPED_TRACE(c.what);
    VariableStore store = TwoVariables();
    UINTN size = c.sizeIn;
    uint32_t attributes = 0xFFFFFFFF;
    uint8_t buffer[8] = {};
    EXPECT_EQ(store.Get(c.name, c.guid, &attributes, c.withSize ? &size : nullptr, c.withBuffer ? buffer : nullptr),
              c.status);
    EXPECT_EQ(size, c.sizeOut);
    EXPECT_EQ(attributes, c.attributesOut);
    if (c.status == EFI_SUCCESS) {
      EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{1, 2, 3}));
    }
  }
}

struct SetCase {
  const char *what;
  const char16_t *name;
  const EFI_GUID *guid;
  uint32_t attributes;
  Bytes data;
  bool nullData;
  EFI_STATUS status;
  const char16_t *checkName;  // the variable whose state is checked afterwards
  bool present;
  Bytes expected;
};

TEST(VariableStoreTest, SetFollowsUefiStatuses) {
  const uint32_t kAppend = EFI_VARIABLE_APPEND_WRITE;
  const SetCase cases[] = {
      {"null name", nullptr, &kVendorA, kAttrNvBsRt, {1}, false, EFI_INVALID_PARAMETER, u"Var", true, {1, 2, 3}},
      {"empty name", u"", &kVendorA, kAttrNvBsRt, {1}, false, EFI_INVALID_PARAMETER, u"Var", true, {1, 2, 3}},
      {"null guid", u"Var", nullptr, kAttrNvBsRt, {1}, false, EFI_INVALID_PARAMETER, u"Var", true, {1, 2, 3}},
      {"null data, size 2", u"Var", &kVendorA, kAttrNvBsRt, {0, 0}, true, EFI_INVALID_PARAMETER, u"Var", true,
       {1, 2, 3}},
      {"runtime without boot access", u"New", &kVendorA, 5, {1}, false, EFI_INVALID_PARAMETER, u"New", false, {}},
      {"authenticated write", u"New", &kVendorA, 0x17, {1}, false, EFI_UNSUPPORTED, u"New", false, {}},
      {"create", u"New", &kVendorA, kAttrNvBs, {5, 6}, false, EFI_SUCCESS, u"New", true, {5, 6}},
      {"replace", u"Var", &kVendorA, kAttrNvBsRt, {7}, false, EFI_SUCCESS, u"Var", true, {7}},
      {"delete by size 0", u"Var", &kVendorA, kAttrNvBsRt, {}, false, EFI_SUCCESS, u"Var", false, {}},
      {"delete by attributes 0", u"Var", &kVendorA, 0, {4}, false, EFI_SUCCESS, u"Var", false, {}},
      {"delete missing", u"Nope", &kVendorA, kAttrNvBsRt, {}, false, EFI_NOT_FOUND, u"Nope", false, {}},
      {"other attributes", u"Var", &kVendorA, kAttrNvBs, {7}, false, EFI_INVALID_PARAMETER, u"Var", true, {1, 2, 3}},
      {"delete with other attributes", u"Var", &kVendorA, kAttrBsRt, {}, false, EFI_INVALID_PARAMETER, u"Var",
       true, {1, 2, 3}},
      {"append", u"Var", &kVendorA, kAttrNvBsRt | kAppend, {4}, false, EFI_SUCCESS, u"Var", true, {1, 2, 3, 4}},
      {"empty append", u"Var", &kVendorA, kAttrNvBsRt | kAppend, {}, false, EFI_SUCCESS, u"Var", true, {1, 2, 3}},
      {"same name, other vendor", u"Var", &kVendorB, kAttrBs, {8}, false, EFI_SUCCESS, u"Var", true, {1, 2, 3}},
  };
  for (const SetCase &c : cases) {
    SCOPED_TRACE(c.what);
    VariableStore store = TwoVariables();
    EXPECT_EQ(store.Set(c.name, c.guid, c.attributes, c.data.size(), c.nullData ? nullptr : c.data.data()), c.status);
    const StoredVariable *after = store.Find(c.checkName, kVendorA);
    ASSERT_EQ(after != nullptr, c.present);
    if (after != nullptr) {
      EXPECT_EQ(after->data, c.expected);
    }
  }
}

TEST(VariableStoreTest, CountsFlashWritesAndSkipsIdenticalRewrites) {
  struct Step {
    const char *what;
    const char16_t *name;
    uint32_t attributes;
    Bytes data;
    NvramCounters after;  // reads, writes, bytesWritten, identicalWrites
  };
  const Step steps[] = {
      {"new non-volatile", u"A", kAttrNvBsRt, {1, 2, 3}, {0, 1, 3, 0}},
      {"identical rewrite", u"A", kAttrNvBsRt, {1, 2, 3}, {0, 1, 3, 1}},
      {"changed data", u"A", kAttrNvBsRt, {1, 2, 4}, {0, 2, 6, 1}},
      {"longer data", u"A", kAttrNvBsRt, {1, 2, 4, 0}, {0, 3, 10, 1}},
      {"volatile never reaches flash", u"V", kAttrBsRt, {1}, {0, 3, 10, 1}},
      {"volatile rewrite", u"V", kAttrBsRt, {1}, {0, 3, 10, 1}},
      {"deletion is a flash write", u"A", kAttrNvBsRt, {}, {0, 4, 10, 1}},
  };
  VariableStore store;
  for (const Step &step : steps) {
    SCOPED_TRACE(step.what);
    store.Set(step.name, &kVendorA, step.attributes, step.data.size(), step.data.data());
    EXPECT_EQ(store.Counters().writes, step.after.writes);
    EXPECT_EQ(store.Counters().bytesWritten, step.after.bytesWritten);
    EXPECT_EQ(store.Counters().identicalWrites, step.after.identicalWrites);
  }
  UINTN size = 0;
  store.Get(u"A", &kVendorA, nullptr, &size, nullptr);
  store.Get(nullptr, &kVendorA, nullptr, &size, nullptr);
  EXPECT_EQ(store.Counters().reads, 2u);
}

TEST(VariableStoreTest, PowerCycleKeepsOnlyNonVolatileVariables) {
  VariableStore store = TwoVariables();
  store.Put({u"Boot", kVendorB, kAttrNvBs, {1}});
  store.Put({u"Temp", kVendorB, kAttrBs, {1}});
  store.DropVolatile();
  std::vector<std::u16string> names;
  for (const StoredVariable &v : store.All()) names.push_back(v.name);
  // All() sorts by GUID text: 8BE4DF61-... before EC87D643-...
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Boot", u"Var"}));
}

VariableStore MixedStore() {
  VariableStore store;
  Bytes everyByte;
  for (int i = 0; i < 256; ++i) everyByte.push_back(static_cast<uint8_t>(i));
  store.Put({u"Setup", kVendorA, kAttrNvBsRt, everyByte});
  store.Put({u"Gr\u00f6\u00dfe \U0001F600", kVendorB, kAttrNvBs, {0}});
  store.Put({u"CPU DATA", kVendorA, kAttrNvBsRt, {0xFF, 0x00}});
  store.Put({u"Volatile", kVendorA, kAttrBsRt, {1}});
  return store;
}

TEST(VariableStoreTest, FileRoundTripKeepsNonVolatileVariables) {
  TempFolder folder;
  const std::string path = folder.File("store.nvram");
  VariableStore original = MixedStore();
  original.Save(path);
  VariableStore loaded = VariableStore::Load(path);

  original.DropVolatile();
  std::vector<StoredVariable> expected = original.All(), actual = loaded.All();
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i].name, expected[i].name);
    EXPECT_EQ(0, std::memcmp(&actual[i].guid, &expected[i].guid, sizeof(EFI_GUID)));
    EXPECT_EQ(actual[i].attributes, expected[i].attributes);
    EXPECT_EQ(actual[i].data, expected[i].data);
  }
  // A second save replaces the first and leaves no temporary file behind.
  loaded.Save(path);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string LoadFailure(const std::string &path) {
  try {
    VariableStore::Load(path);
  } catch (const std::runtime_error &error) {
    return error.what();
  }
  return "";
}

TEST(VariableStoreTest, MalformedFilesFailNamingTheFileAndTheFault) {
  const std::string head = R"({"format": "setup-sim nvram", "version": 1, "variables": [)";
  const std::string good = R"({"name": "A", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, )";
  struct Case {
    const char *what;
    std::string text;
    const char *fault;
  };
  const Case cases[] = {
      {"empty", "", "is empty"},
      {"garbage", std::string("\x7f\x00\xff\xfe junk", 9), "not valid JSON"},
      {"cut short", head + good + R"("data": "0102")", "not valid JSON"},
      {"a list", "[]", "not an NVRAM file"},
      {"number beyond any float", R"({"format": "setup-sim nvram", "version": 1e999})", "not valid JSON"},
      {"other format", R"({"format": "x", "version": 1, "variables": []})", "not an NVRAM file"},
      {"future version", R"({"format": "setup-sim nvram", "version": 2, "variables": []})", "version"},
      {"no variables", R"({"format": "setup-sim nvram", "version": 1})", "\"variables\" is not a list"},
      {"entry not object", head + "3]}", "variable 0 is not an object"},
      {"missing data", head + good.substr(0, good.size() - 2) + "}]}", "variable 0 has no \"data\""},
      {"odd hex", head + good + R"("data": "010"}]})", "\"data\""},
      {"bad hex digit", head + good + R"("data": "0g"}]})", "\"data\""},
      {"byte split by a blank", head + good + R"("data": "01 0 2"}]})", "\"data\""},
      {"blanks only", head + good + R"("data": "  "}]})", "\"data\""},
      {"bad guid", head + R"({"name": "A", "guid": "EC87D643-EBA4", "attributes": 7, "data": "00"}]})", "\"guid\""},
      {"empty name", head + R"({"name": "", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7,
          "data": "00"}]})", "\"name\""},
      {"volatile", head + R"({"name": "A", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 6,
          "data": "00"}]})", "\"attributes\""},
      {"repeated", head + good + R"("data": "00"}, )" + good + R"("data": "01"}]})", "variable 1 repeats"},
  };
  TempFolder folder;
  const std::string path = folder.File("bad.nvram");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WriteText(path, c.text);
    const std::string message = LoadFailure(path);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find(c.fault), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

TEST(VariableStoreTest, TruncatedSavedFileAndMissingFileFail) {
  TempFolder folder;
  const std::string path = folder.File("store.nvram");
  MixedStore().Save(path);
  const std::string whole = ReadText(path);
  for (size_t cut : {size_t{1}, whole.size() / 3, whole.size() / 2, whole.size() - 3}) {
    SCOPED_TRACE(cut);
    WriteText(path, whole.substr(0, cut));
    EXPECT_NE(LoadFailure(path).find("not valid JSON"), std::string::npos);
  }
  EXPECT_NE(LoadFailure(folder.File("absent.nvram")).find("no such file"), std::string::npos);
}

// Only a regular file of bounded size is read: a device would fill memory, a
// FIFO would wait for a writer forever, a directory is no store.
TEST(VariableStoreTest, LoadRefusesWhatIsNotAStoreFile) {
  TempFolder folder;
  const std::string fifo = folder.File("fifo.nvram"), huge = folder.File("huge.nvram");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(huge) << "{";
  std::filesystem::resize_file(huge, (64u << 20) + 1);  // sparse: costs no disk
  const struct {
    std::string path;
    const char *fault;
  } cases[] = {
      {folder.Path().string(), "is a directory"},
      {"/dev/zero", "is not a regular file (a device, FIFO or socket)"},
      {fifo, "is not a regular file (a device, FIFO or socket)"},
      {huge, "is larger than 67108864 bytes"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    const std::string message = LoadFailure(c.path);
    EXPECT_EQ(message, "NVRAM file " + c.path + ": " + c.fault);
  }
}

// A save goes where the user keeps the store: through links to the target,
// with the file's own mode and notes, and never over a read-only file.
TEST(VariableStoreTest, SaveKeepsWhereAndHowTheUserKeepsTheStore) {
  TempFolder folder;
  const std::string real = folder.File("real.nvram");
  const std::string notes = R"({"format": "setup-sim nvram", "version": 1, "note": "rack 4",
      "variables": [{"name": "Var", "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, "data": "01",
                     "why": "kept"}]})";
  struct Case {
    const char *what;
    std::string through;  // the path the save is given
    mode_t mode;
  };
  ASSERT_EQ(::symlink("real.nvram", folder.File("link.nvram").c_str()), 0);
  ASSERT_EQ(::symlink(folder.File("link.nvram").c_str(), folder.File("chain.nvram").c_str()), 0);
  const Case cases[] = {
      {"the file itself", real, 0644},
      {"a relative link", folder.File("link.nvram"), 0640},
      {"a link to a link", folder.File("chain.nvram"), 0600},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WriteText(real, notes);
    ASSERT_EQ(::chmod(real.c_str(), c.mode), 0);
    VariableStore store = VariableStore::Load(c.through);
    store.Put({u"New", kVendorA, kAttrNvBs, {2}});
    store.Save(c.through);
    struct stat status {};
    ASSERT_EQ(::lstat(real.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, c.mode);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_NE(VariableStore::Load(real).Find(u"New", kVendorA), nullptr) << "the target holds the save";
    const std::string text = ReadText(real);
    EXPECT_NE(text.find(R"("note": "rack 4")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("why": "kept")"), std::string::npos) << text;
  }
  struct stat link {};
  ASSERT_EQ(::lstat(folder.File("link.nvram").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link stays a link";

  WriteText(real, notes);
  ASSERT_EQ(::chmod(real.c_str(), 0444), 0);
  std::string message;
  try {
    TwoVariables().Save(folder.File("link.nvram"));
  } catch (const std::runtime_error &error) {
    message = error.what();
  }
  EXPECT_EQ(message, "NVRAM file " + folder.File("link.nvram") + ": is read-only (mode 0444); it is left as it was");
  EXPECT_EQ(ReadText(real), notes);
  struct stat status {};
  ASSERT_EQ(::stat(real.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0444u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 3) << "no temporary file left";
}

TEST(VariableStoreTest, FailedSaveKeepsTheOldFile) {
  TempFolder folder;
  const std::string path = folder.File("store.nvram");
  VariableStore small;
  small.Put({u"Small", kVendorA, kAttrNvBs, {1}});
  small.Save(path);
  const std::string before = ReadText(path);

  VariableStore large;
  large.Put({u"Large", kVendorA, kAttrNvBs, Bytes(8192, 0xAB)});
  // A file size limit makes the write of the new file fail part way.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &limited);
  std::string message;
  try {
    large.Save(path);
  } catch (const std::runtime_error &error) {
    message = error.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_NE(message.find("cannot write"), std::string::npos) << message;
  EXPECT_EQ(ReadText(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
  EXPECT_NE(VariableStore::Load(path).Find(u"Small", kVendorA), nullptr);
}

// All() lists by GUID text, then name, whichever field tells two GUIDs apart.
TEST(VariableStoreTest, AllSortsByGuidTextThenName) {
  const EFI_GUID guids[] = {
      {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}},
      {0x0C87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}},
      {0xEC87D643, 0x0BA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}},
      {0xEC87D643, 0xEBA4, 0xFBB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}},
      {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0x0A}},
      {0xEC87D643, 0xEBA4, 0x4BB5, {0x01, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}},
  };
  VariableStore store;
  for (const EFI_GUID &guid : guids) {
    store.Put({u"B", guid, kAttrNvBs, {1}});
    store.Put({u"A", guid, kAttrNvBs, {1}});
  }
  std::vector<std::pair<std::string, std::u16string>> expected, actual;
  for (const StoredVariable &v : store.All()) actual.emplace_back(GuidToText(v.guid), v.name);
  for (const EFI_GUID &guid : guids) {
    for (const char16_t *name : {u"A", u"B"}) expected.emplace_back(GuidToText(guid), name);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(actual, expected);
}

}  // namespace
}  // namespace sim
