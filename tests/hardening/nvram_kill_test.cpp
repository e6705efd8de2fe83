// Kills setup-sim (SIGKILL) at seeded random points while it saves a large NVRAM
// file, many times, and checks after every kill that the file still loads and
// holds either the store before the run or the one a complete run saves: never
// a mixture, a torn file or no file. Most kills are aimed at the save itself (the
// time the new file exists beside the old one), the rest anywhere in the run.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/checks/boot_checks.h"
#include "sim/machine/guid_text.h"
#include "sim/profile/profile_loader.h"
#include "sim/variable_store.h"

extern char **environ;

namespace sim {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr unsigned kSeed = 20240611;
constexpr int kKills = NVRAM_KILLS;
constexpr int kCalibrationRuns = 10;  // complete runs allowed for the watcher to see one save
constexpr int kAimedPercent = 80;
// How many kills must land inside the save; on a loaded machine fewer aimed kills
// hit the window, so the run goes on (up to four times kKills) until enough have.
constexpr int kInterruptedWanted = kKills / 10;
// Filler that makes the save take long enough to be hit: the file holds each
// byte as two hex digits.
constexpr size_t kFillerVariables = 16;
constexpr size_t kFillerBytes = 32 * 1024;
constexpr EFI_GUID kFillerGuid = {0xF111E400, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

using Image = std::vector<std::tuple<std::string, std::u16string, uint32_t, std::vector<uint8_t>>>;

Image ImageOf(const VariableStore &store) {
  Image image;
  for (const StoredVariable &v : store.All()) image.emplace_back(GuidToText(v.guid), v.name, v.attributes, v.data);
  return image;
}

class NvramKill : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("nvram-kill-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    nvram_ = (folder_ / "board.nvram").string();
    pristine_ = (folder_ / "pristine.nvram").string();

    VariableStore store = SeededStore(LoadBuiltinBoard("reference"));
    std::mt19937 random(kSeed);
    for (size_t i = 0; i < kFillerVariables; ++i) {
      std::vector<uint8_t> data(kFillerBytes);
      for (uint8_t &byte : data) byte = static_cast<uint8_t>(random());
      store.Put({u"Filler" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + std::u16string(i / 26 + 1, u'x'),
                 kFillerGuid, kAttrNvBs, data});
    }
    store.Save(pristine_);
    old_ = ImageOf(store);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Restore() const { fs::copy_file(pristine_, nvram_, fs::copy_options::overwrite_existing); }

  pid_t Start() const {
    const std::string nvramArgument = nvram_;
    std::vector<char *> argv = {const_cast<char *>(SETUP_SIM_PATH), const_cast<char *>("--nvram"),
                                const_cast<char *>(nvramArgument.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    EXPECT_EQ(posix_spawn(&child, SETUP_SIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return child;
  }

  // The new file a save writes beside the old one, while it exists.
  std::vector<fs::path> TemporaryFiles() const {
    std::vector<fs::path> found;
    for (const auto &entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename().string().rfind("board.nvram.tmp-", 0) == 0) found.push_back(entry.path());
    }
    return found;
  }

  static bool Exited(pid_t child, int *status) { return ::waitpid(child, status, WNOHANG) == child; }

  fs::path folder_;
  std::string nvram_, pristine_;
  Image old_;
};

TEST_F(NvramKill, EveryKillLeavesTheOldOrTheNewStore) {
  // A complete run: what the file holds afterwards, how long the run and its save take.
  // On a loaded machine the watcher may miss a short save, so a few runs are allowed to see it.
  Clock::time_point saveStart{}, saveEnd{};
  Clock::duration run{};
  for (int attempt = 0; attempt < kCalibrationRuns && saveStart == Clock::time_point{}; ++attempt) {
    Restore();
    const Clock::time_point start = Clock::now();
    const pid_t calibration = Start();
    int status = 0;
    while (!Exited(calibration, &status)) {
      const bool saving = !TemporaryFiles().empty();
      if (saving && saveStart == Clock::time_point{}) saveStart = Clock::now();
      if (saving) saveEnd = Clock::now();
    }
    run = Clock::now() - start;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ASSERT_NE(saveStart, Clock::time_point{}) << "the save was never seen; make the store larger";
  const Image fresh = ImageOf(VariableStore::Load(nvram_));
  ASSERT_NE(fresh, old_);
  const auto window = std::max<Clock::duration>(saveEnd - saveStart, std::chrono::microseconds(100));

  std::mt19937 random(kSeed);
  int interrupted = 0, completed = 0, kills = 0;
  for (; kills < kKills || (interrupted < kInterruptedWanted && kills < 4 * kKills); ++kills) {
    const int kill = kills;
    SCOPED_TRACE("kill " + std::to_string(kill));
    Restore();
    const bool aimed = static_cast<int>(random() % 100) < kAimedPercent;
    const auto span = aimed ? window : run;
    const auto delay = std::chrono::nanoseconds(random() % std::max<int64_t>(1, span.count()));
    const pid_t child = Start();
    int status = 0;
    bool exited = false;
    if (aimed) {
      while (!(exited = Exited(child, &status)) && TemporaryFiles().empty()) {
      }
    }
    std::this_thread::sleep_for(delay);
    if (!exited) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
    }
    const std::vector<fs::path> leftovers = TemporaryFiles();
    interrupted += !leftovers.empty();
    for (const fs::path &leftover : leftovers) fs::remove(leftover);

    ASSERT_TRUE(fs::exists(nvram_));
    const Image now = ImageOf(VariableStore::Load(nvram_));
    EXPECT_TRUE(now == old_ || now == fresh);
    completed += now == fresh;
  }
  // Otherwise the kills never met a save and proved nothing.
  EXPECT_GE(interrupted, kInterruptedWanted) << "kills inside the save";
  EXPECT_GE(completed, 1) << "kills after the save";
  std::printf("%d kills: %d inside the save, %d after it; save window %lld us of a %lld ms run\n", kills,
              interrupted, completed,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(window).count()),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(run).count()));
}

}  // namespace
}  // namespace sim
