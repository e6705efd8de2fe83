// The boards built into the simulator: each file of boards/ loads, the built-in
// copies are current, and the reference board describes a consistent machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "forms/firmware/package_list_seeds.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/profile_loader.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(BuiltinBoards, EveryFileLoadsAndIsBuiltIn) {
  std::vector<std::string> boards;
  for (const auto &entry : fs::directory_iterator(SETUP_BOARDS_DIR)) {
    if (entry.path().extension() != ".json") continue;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    const std::string text = ReadFile(entry.path());
    EXPECT_EQ(BuiltinFileText(name), std::optional<std::string_view>(text)) << "the built-in copy is stale";
    if (name == kPackageListsFile) {
      EXPECT_NO_THROW(LoadPackageLists(text, name));
      continue;
    }
    boards.push_back(name);
    EXPECT_NO_THROW(LoadBoardProfile(text, name));
    EXPECT_NO_THROW(LoadBuiltinBoard(name));
  }
  std::sort(boards.begin(), boards.end());
  EXPECT_EQ(BuiltinBoardNames(), boards);
}

TEST(BuiltinBoards, SevenListsWithLabelledStrings) {
  const BoardProfile profile = LoadBuiltinBoard("reference");
  std::vector<uint16_t> classes;
  for (const PackageListSpec &list : profile.packageLists) {
    SCOPED_TRACE(list.formClass);
    classes.push_back(list.formClass);
    EXPECT_FALSE(list.title.empty());
    EXPECT_EQ(list.primaryLanguages, u"eng");
    ASSERT_TRUE(list.defaults.has_value());
    EXPECT_EQ(list.defaults->size(), 687u);
    // Every list holds every string the driver sets, labelled; the forms' own texts follow them, unlabelled.
    const PackageListSeed *seed = FindPackageListSeed(list.formClass);
    ASSERT_NE(seed, nullptr);
    ASSERT_NE(seed->FirstLabelId, 0);
    for (const auto &[id, string] : profile.packageLists[0].strings.All()) {
      if (id < seed->FirstLabelId) {
        EXPECT_TRUE(list.strings.Contains(id)) << id;
      }
    }
    for (const auto &[id, string] : list.strings.All()) EXPECT_EQ(string.label.empty(), id >= seed->FirstLabelId) << id;
  }
  EXPECT_EQ(classes, (std::vector<uint16_t>{1, 2, 4, 8, 16, 32, 64}));
}

TEST(BuiltinBoards, ReferenceDataMatchesWhatTheDriverReads) {
  const BoardProfile profile = LoadBuiltinBoard("reference");
  const struct {
    const char16_t *name;
    size_t size;
  } variables[] = {{u"CPU DATA", 132}, {u"SetupCpuFeatures", 28}};
  for (const auto &expected : variables) {
    const auto found = std::find_if(profile.variables.begin(), profile.variables.end(),
                                    [&](const VariableSpec &variable) { return variable.name == expected.name; });
    ASSERT_NE(found, profile.variables.end());
    EXPECT_EQ(found->data.size(), expected.size);
  }
  ASSERT_TRUE(profile.memoryStorage.memoryInfo.has_value());
  EXPECT_EQ(profile.memoryStorage.memoryInfo->size(), 345u);
  // The memory map is sorted and free of overlaps, as firmware reports it.
  for (size_t i = 1; i < profile.memoryMap.size(); ++i) {
    const MemoryMapEntrySpec &previous = profile.memoryMap[i - 1];
    EXPECT_LE(previous.physicalStart + previous.numberOfPages * 4096, profile.memoryMap[i].physicalStart) << i;
  }
  for (const HobSpec &hob : profile.hobs) {
    ASSERT_GE(hob.bytes.size(), 8u);
    EXPECT_EQ(hob.bytes[2] | hob.bytes[3] << 8, static_cast<int>(hob.bytes.size()));
  }
}

}  // namespace
}  // namespace sim
