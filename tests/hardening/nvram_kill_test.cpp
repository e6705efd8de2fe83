// Kills setup-sim (SIGKILL) at many points of a run that rewrites a large NVRAM
// file, and checks after every kill that the file still loads and holds either
// the store before the run or the one a complete run saves: never a mixture, a
// torn file or no file. The run is traced (ptrace) and stopped as it enters each
// system call, so a kill lands exactly after what the process has done so far,
// however loaded the machine: at every call of the save (from the creation of the
// new file beside the old one to the flush of the folder after the rename) and at
// a seeded sample of the calls before it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "sim/checks/boot_checks.h"
#include "sim/machine/guid_text.h"
#include "sim/profile/profile_loader.h"
#include "sim/variable_store.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kSeed = 20240611;
constexpr size_t kKills = NVRAM_KILLS;
// The calls after the rename that still belong to the save: opening, flushing and closing the folder.
constexpr size_t kCallsAfterRename = 3;
constexpr int kCannotTrace = 126;  // the child's exit status when ptrace is refused
// Filler that makes the store large: the file holds each byte as two hex digits.
constexpr size_t kFillerVariables = 16;
constexpr size_t kFillerBytes = 32 * 1024;
constexpr EFI_GUID kFillerGuid = {0xF111E400, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

using Image = std::vector<std::tuple<std::string, std::u16string, uint32_t, std::vector<uint8_t>>>;

Image ImageOf(const VariableStore &store) {
  Image image;
  for (const StoredVariable &v : store.All()) image.emplace_back(GuidToText(v.guid), v.name, v.attributes, v.data);
  return image;
}

// What a traced run does at the system call it is entering.
enum class AtCall { kGoOn, kKill, kRelease };

// Runs setup-sim on the NVRAM file, stopped as it enters each system call;
// decide(call) (counting from 0) lets it go on, kills it there, before the call is
// made, or releases it to finish untraced. Returns the wait status of its end.
template <typename Decide>
int RunTraced(const std::string &nvram, Decide decide) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0 || ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
      ::_exit(kCannotTrace);
    }
    ::execl(SETUP_SIM_PATH, SETUP_SIM_PATH, "--nvram", nvram.c_str(), static_cast<char *>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) return status;  // it stops at its exec
  ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
  int signal = 0;
  for (size_t call = 0;;) {
    ::ptrace(PTRACE_SYSCALL, child, nullptr, signal);
    signal = 0;
    ::waitpid(child, &status, 0);
    if (!WIFSTOPPED(status)) return status;
    if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
      signal = WSTOPSIG(status);  // the run's own signal, passed on
      continue;
    }
    __ptrace_syscall_info info{};
    if (::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof info, &info) <= 0 || info.op != PTRACE_SYSCALL_INFO_ENTRY) {
      continue;
    }
    const AtCall action = decide(call++);
    if (action == AtCall::kKill) ::kill(child, SIGKILL);
    if (action == AtCall::kRelease) ::ptrace(PTRACE_DETACH, child, nullptr, 0);
    if (action != AtCall::kGoOn) {
      ::waitpid(child, &status, 0);
      return status;
    }
  }
}

class NvramKill : public ::testing::Test {
 public:
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

  // The file as before the run; returns its inode, which the save's rename replaces.
  ino_t Restore() const {
    fs::remove(nvram_);
    fs::copy_file(pristine_, nvram_);
    return Inode();
  }
  ino_t Inode() const {
    struct stat about {};
    return ::stat(nvram_.c_str(), &about) == 0 ? about.st_ino : 0;
  }

  // The new file a save writes beside the old one, while it exists.
  std::vector<fs::path> TemporaryFiles() const {
    std::vector<fs::path> found;
    for (const auto &entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename().string().rfind("board.nvram.tmp-", 0) == 0) found.push_back(entry.path());
    }
    return found;
  }

 protected:
  fs::path folder_;
  std::string nvram_, pristine_;
  Image old_;
};

// Where a kill lands, by what the run has done: its call-th system call, the
// call-th it enters while the save's new file exists, or the call-th after the
// rename. The number of calls before the save varies a little between runs (the
// sanitizer runtime's own), so the save's calls are counted from the save.
struct KillPoint {
  enum Anchor { kRunStart, kNewFile, kRename } anchor;
  size_t call;
};

// What a run has done when it enters a system call, as its tracer sees it.
class RunProgress {
 public:
  RunProgress(const NvramKill &test, ino_t before) : test_(test), before_(before) {}
  void Enter() {
    const bool present = !test_.TemporaryFiles().empty();
    newFiles_ += present && !present_;
    inNewFile_ = present && present_ ? inNewFile_ + 1 : 0;
    present_ = present;
    afterRename_ = replaced_ ? afterRename_ + 1 : 0;
    replaced_ = replaced_ || test_.Inode() != before_;
    ++calls_;
  }
  bool At(const KillPoint &point, size_t saveFile) const {
    switch (point.anchor) {
      case KillPoint::kRunStart: return calls_ == point.call + 1;
      case KillPoint::kNewFile: return present_ && !replaced_ && newFiles_ == saveFile && inNewFile_ == point.call;
      case KillPoint::kRename: return replaced_ && afterRename_ == point.call;
    }
    return false;
  }
  size_t newFiles() const { return newFiles_; }
  size_t calls() const { return calls_; }
  bool newFilePresent() const { return present_; }
  bool replaced() const { return replaced_; }

 private:
  const NvramKill &test_;
  ino_t before_;
  size_t calls_ = 0, newFiles_ = 0, inNewFile_ = 0, afterRename_ = 0;
  bool present_ = false, replaced_ = false;
};

TEST_F(NvramKill, EveryKillLeavesTheOldOrTheNewStore) {
  // A complete run: how many calls it makes before the save, how many with the
  // save's new file present (a new file may be made and removed earlier, to
  // check that the folder is writable), and which new file is the save's.
  RunProgress calibration(*this, Restore());
  size_t saveFile = 0, saveCalls = 0, callsBefore = 0;
  const int complete = RunTraced(nvram_, [&](size_t) {
    calibration.Enter();
    if (!calibration.replaced()) {
      saveFile = calibration.newFiles();
      saveCalls = calibration.newFilePresent() ? saveCalls + 1 : 0;
      if (!calibration.newFilePresent()) callsBefore = calibration.calls();
      return AtCall::kGoOn;
    }
    return calibration.At({KillPoint::kRename, kCallsAfterRename}, saveFile) ? AtCall::kRelease : AtCall::kGoOn;
  });
  ASSERT_FALSE(WIFEXITED(complete) && WEXITSTATUS(complete) == kCannotTrace) << "ptrace is refused here";
  ASSERT_TRUE(WIFEXITED(complete) && WEXITSTATUS(complete) == 0) << "status " << complete;
  ASSERT_TRUE(calibration.replaced()) << "the run never replaced the file";
  ASSERT_GT(saveCalls, 0u) << "the save made no new file beside the old";
  const Image fresh = ImageOf(VariableStore::Load(nvram_));
  ASSERT_NE(fresh, old_);

  // Every call of the save, and a seeded sample of the calls before it.
  std::vector<size_t> before(callsBefore);
  std::iota(before.begin(), before.end(), size_t{0});
  std::shuffle(before.begin(), before.end(), std::mt19937(kSeed));
  const size_t aimed = saveCalls + kCallsAfterRename;
  before.resize(std::min(before.size(), kKills > aimed ? kKills - aimed : 0));
  std::vector<KillPoint> points;
  for (size_t call : before) points.push_back({KillPoint::kRunStart, call});
  for (size_t call = 0; call < saveCalls; ++call) points.push_back({KillPoint::kNewFile, call});
  for (size_t call = 0; call < kCallsAfterRename; ++call) points.push_back({KillPoint::kRename, call});

  size_t inside = 0, after = 0;
  for (const KillPoint &point : points) {
    SCOPED_TRACE("killed at call " + std::to_string(point.call) + " from anchor " + std::to_string(point.anchor));
    RunProgress run(*this, Restore());
    const int status = RunTraced(nvram_, [&](size_t) {
      run.Enter();
      return run.At(point, saveFile) ? AtCall::kKill : AtCall::kGoOn;
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the run ended before the point, status "
                                                                     << status;
    const std::vector<fs::path> leftovers = TemporaryFiles();
    inside += point.anchor == KillPoint::kNewFile && !leftovers.empty();
    after += run.replaced();
    for (const fs::path &leftover : leftovers) fs::remove(leftover);

    ASSERT_TRUE(fs::exists(nvram_));
    EXPECT_TRUE(ImageOf(VariableStore::Load(nvram_)) == (run.replaced() ? fresh : old_));
    EXPECT_EQ(run.replaced(), point.anchor == KillPoint::kRename);
  }
  // Otherwise the kills never met the save and proved nothing.
  EXPECT_EQ(inside, saveCalls) << "kills leaving the new file beside the old";
  EXPECT_EQ(after, kCallsAfterRename) << "kills after the rename";
  std::printf("%zu kills: %zu before the save, %zu inside it (the new file beside the old), %zu after its rename\n",
              points.size(), before.size(), inside, after);
}

}  // namespace
}  // namespace sim
