// Runs the built setup-sim as a user would: exit status, one-line messages,
// NVRAM files across boots, and the JSON report.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/machine/dmpstore_file.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

// Each test works in a directory of its own.
class SetupSim : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("setup-sim-" + std::to_string(getpid()) + "-" + test->test_suite_name() + "-" + test->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string &name) const { return dir_ / name; }

  // Runs in the test's directory, with environment (VAR=value ...) set; a run that would hang is stopped
  // after a minute.
  Outcome Sim(const std::vector<std::string> &arguments, const std::string &environment = "") const {
    std::string command = "cd '" + dir_.string() + "' && " + environment + " timeout 60 '" SETUP_SIM_PATH "'";
    for (const std::string &argument : arguments) command += " '" + argument + "'";
    command += " >'" + Path("out").string() + "' 2>'" + Path("err").string() + "'";
    Outcome run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(Path("out"));
    run.err = ReadFile(Path("err"));
    return run;
  }

  json SimJson(const std::vector<std::string> &arguments) const {
    std::vector<std::string> withJson = arguments;
    withJson.push_back("--json");
    const Outcome run = Sim(withJson);
    EXPECT_EQ(run.status, 0) << run.err;
    return json::parse(run.out);
  }

  fs::path dir_;
};

// A failure is one line on stderr that starts with the program's name, and nothing on stdout.
void ExpectOneLineFailure(const Outcome &run, int status, const std::string &mentions) {
  EXPECT_EQ(run.status, status) << run.err;
  EXPECT_EQ(run.out, "");
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  EXPECT_EQ(run.err.rfind("setup-sim: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(mentions), std::string::npos) << run.err;
}

const json *FindVariable(const json &report, const std::string &name) {
  for (const json &variable : report["variables"]) {
    if (variable["name"] == name) return &variable;
  }
  return nullptr;
}

TEST_F(SetupSim, BadArgumentsFailWithOneLine) {
  const struct {
    std::vector<std::string> arguments;
    const char *mentions;
  } cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"stray"}, "stray"},
      {{"--board"}, "--board"},
      {{"--callback", "2"}, "CLASS:KEY"},
      {{"--callback", "2:0x10000"}, "2:0x10000"},
      {{"--callback", "x:1"}, "x:1"},
      {{"--callback", "3:59"}, "no package list of class 3"},
      {{"--fail", "get-variable"}, "KIND:N"},
      {{"--fail", "open-file:1"}, "open-file:1"},
      {{"--fail", "set-variable:0"}, "set-variable:0"},
      {{"--board", ""}, "--board: the value is empty"},
      {{"--nvram", ""}, "--nvram: the value is empty"},
      {{"--board", "reference", "--board", "qemu-q35"}, "--board given 2 times; give it once"},
      {{"--nvram", "a", "--nvram", "b"}, "--nvram given 2 times; give it once"},
      {{"--no-save"}, "--no-save: there is no --nvram file"},
      // Nothing boots, so an option that acts on a boot would be ignored.
      {{"--print-profile", "--nvram", "a"}, "--print-profile boots nothing, so --nvram has no use with it"},
      {{"--print-profile", "--set", "SATA Mode=Disabled"}, "--print-profile boots nothing, so --set has no use"},
      {{"--print-profile-schema", "--trigger"}, "--print-profile-schema boots nothing, so --trigger has no use"},
      {{"--print-profile-schema", "--board", "reference"}, "the schema is every board's; --board has no use"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.arguments[0]);
    ExpectOneLineFailure(Sim(test.arguments), 2, test.mentions);
  }
}

TEST_F(SetupSim, BadProfileFailsWithOneLineNamingTheField) {
  WriteFile(Path("board.json"), R"({"hardware": {"ports": {"0xA35": "x"}}})");
  WriteFile(Path("broken.json"), "{\"name\": \n\"x\"");
  const struct {
    std::string board;
    std::string mentions;
  } cases[] = {
      {Path("board.json").string(), R"(board.json: hardware.ports."0xA35": expected an integer 0..0xFFFFFFFF, got "x")"},
      {Path("broken.json").string(), "broken.json: line 2"},
      {Path("missing.json").string(), "missing.json: cannot read the board profile"},
      {dir_.string(), "cannot read the board profile"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.board);
    ExpectOneLineFailure(Sim({"--board", test.board}), 1, test.mentions);
  }
}

TEST_F(SetupSim, BadNvramFileFailsAndIsLeftAlone) {
  // A note nested a million deep: kept notes are printed, which recursed as deep and overflowed the stack.
  const std::string deep = R"({"format": "setup-sim nvram", "version": 1, "note": )" + std::string(1000000, '[') +
                           std::string(1000000, ']') + R"(, "variables": []})";
  const struct {
    std::string content;
    std::string mentions;
  } cases[] = {
      {"not json", "board.nvram"},
      {R"({"format": "other"})", "board.nvram"},
      {deep, "board.nvram: nested deeper than 64 objects and arrays"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.content.substr(0, 40));
    WriteFile(Path("board.nvram"), test.content);
    ExpectOneLineFailure(Sim({"--nvram", Path("board.nvram").string()}), 1, test.mentions);
    EXPECT_EQ(ReadFile(Path("board.nvram")), test.content);
  }
}

// Every read failure names the file and its true cause; nothing is read without limit or waits. The same
// classes of input are tried on every option that reads a user's file; diff, which writes nothing back,
// also reads a pipe.
TEST_F(SetupSim, ReadFailuresSayWhatIsTrue) {
  WriteFile(Path("empty.json"), "");
  WriteFile(Path("s.nvram"), R"({"format": "setup-sim nvram", "version": 1, "variables": []})");
  fs::create_directories(Path("folder.nvram"));
  ASSERT_EQ(::mkfifo(Path("fifo.nvram").c_str(), 0600), 0);
  WriteFile(Path("a.json"), Sim({"--json"}).out);
  const struct {
    std::string target;
    std::string why;
    std::string whyForDiff = "";  // when a pipe's reader says otherwise
  } classes[] = {
      {"folder.nvram", "is a directory"},
      {"empty.json", "is empty"},
      {"/dev/zero", "is not a regular file (a device, FIFO or socket)"},
      {"/dev/null", "is not a regular file (a device, FIFO or socket)"},
      {"fifo.nvram", "is not a regular file (a device, FIFO or socket)", "is empty (a pipe whose writer wrote nothing)"},
      {"no-such-file", "no such file"},
  };
  const struct {
    std::vector<std::string> arguments;  // "@" stands for the target
    std::string prefix;                  // what the message calls the file, "@" for its path
    int status;
    std::string environment = "";        // "@" stands for the target
  } readers[] = {
      {{}, "driver module @: ", 1, "SETUP_DRIVER_MODULE='@'"},
      {{"--board", "@"}, "@: cannot read the board profile: ", 1},
      {{"--nvram", "@", "--no-save"}, "NVRAM file @: ", 1},
      {{"diff", "@", "a.json"}, "@: ", 2},
      {{"diff", "a.json", "@"}, "@: ", 2},
      {{"nvram", "set", "s.nvram", "X", "--guid", "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "--data-file", "@"},
       "nvram set --data-file @: ", 1},
  };
  for (const auto &reader : readers) {
    for (const auto &input : classes) {
      const std::string name = reader.arguments.empty() ? reader.environment : reader.arguments[0];
      if (name == "--nvram" && input.target == "no-such-file") continue;  // a fresh store
      std::vector<std::string> arguments = reader.arguments;
      for (std::string &argument : arguments) argument = argument == "@" ? input.target : argument;
      std::string message = reader.prefix, environment = reader.environment;
      message.replace(message.find('@'), 1, input.target);
      if (!environment.empty()) environment.replace(environment.find('@'), 1, input.target);
      message += name == "diff" && !input.whyForDiff.empty() ? input.whyForDiff : input.why;
      SCOPED_TRACE(name + " " + input.target);
      ExpectOneLineFailure(Sim(arguments, environment), reader.status, "setup-sim: " + message);
    }
  }
}

// The driver module is read as every user file is: a FIFO or device never hangs the run.
TEST_F(SetupSim, AModuleThatIsNoFileIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(Path("fifo.so").c_str(), 0600), 0);
  fs::create_directories(Path("folder.so"));
  const struct {
    std::string module;
    std::string message;
  } cases[] = {
      {"./fifo.so", "driver module ./fifo.so: is not a regular file"},
      {"/dev/zero", "driver module /dev/zero: is not a regular file"},
      {"folder.so", "driver module folder.so: is a directory"},
      {"missing.so", "driver module missing.so: no such file"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.module);
    for (const std::vector<std::string> &arguments : {std::vector<std::string>{}, {"browse", "--keys", "right"}}) {
      ExpectOneLineFailure(Sim(arguments, "SETUP_DRIVER_MODULE='" + test.module + "'"), 1,
                           "setup-sim: " + test.message);
    }
  }
}

// Every output of a run goes through one safe write: the same refusals on every
// path that writes a user's file, each naming the option and why, before any
// boot, and whatever stands at the target left as it was.
TEST_F(SetupSim, NoOutputReplacesWhatItMustNot) {
  ASSERT_EQ(Sim({"--nvram", "v.nvram"}).status, 0);
  const std::string store = ReadFile(Path("v.nvram"));
  const std::string longName(250, 'n');  // a file whose new version's temporary name cannot be made
  WriteFile(Path("ro.nvram"), store);
  WriteFile(Path(longName), store);
  ASSERT_EQ(::chmod(Path("ro.nvram").c_str(), 0444), 0);
  fs::create_directories(Path("sub"));
  ASSERT_EQ(::link(Path("v.nvram").c_str(), Path("sub/hard.nvram").c_str()), 0);
  ASSERT_EQ(::symlink("v.nvram", Path("link.nvram").c_str()), 0);
  fs::create_directories(Path("folder"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  const bool device = ::mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;  // needs root
  WriteFile(Path("base.json"), R"({"extends": "reference"})");
  WriteFile(Path("child.json"), R"({"extends": "./base.json"})");
  fs::copy_file(SETUP_DRIVER_MODULE_FILE, Path("module.so"));
  // A writable file in a folder its user cannot write: the save could not rename into it (root can).
  const bool user = ::geteuid() != 0;
  fs::create_directories(Path("ro-folder"));
  WriteFile(Path("ro-folder/v.nvram"), store);
  ASSERT_EQ(::chmod(Path("ro-folder").c_str(), 0555), 0);

  // A class of target and what every writer says of it.
  const struct {
    std::string target;
    std::string why;
    bool needsStore;  // the nvram command loads its file first, so only a file that is there is worth trying
  } classes[] = {
      {"ro.nvram", "is read-only (mode 0444); it is left as it was", true},
      {"folder", "is a directory", true},
      {"fifo", "is not a regular file (a device, FIFO or socket)", true},
      {"null", "is not a regular file (a device, FIFO or socket)", true},
      {"no-folder/x.nvram", "the folder no-folder does not exist", false},
      {"/sys/x.nvram", "cannot create a file in the folder /sys: permission denied", false},
      {longName, "cannot create a file in the folder .: file name too long", true},
      {"ro-folder/v.nvram", "cannot create a file in the folder ro-folder: permission denied", true},
  };
  const struct {
    const char *option;  // the name messages give the file
    std::vector<std::string> arguments;  // "@" stands for the target
  } writers[] = {
      {"--nvram", {"--nvram", "@"}},
      {"--nvram", {"browse", "--keys", "right", "--nvram", "@"}},
      {"--screen", {"browse", "--keys", "right", "--screen", "@"}},
      {"NVRAM file", {"nvram", "set", "@", "Marker", "--guid", "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "--data", "01"}},
      {"NVRAM file", {"nvram", "set", "@", "Setup:4=0"}},
      {"--out", {"nvram", "show", "v.nvram", "Setup", "--out", "@"}},
  };
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
    std::string environment = "";
  };
  std::vector<Case> cases = {
      {{"browse", "--nvram", "v.nvram", "--keys", "right", "--screen", "v.nvram"},
       "--screen v.nvram: is the file this run reads as --nvram; it is left as it was"},
      {{"browse", "--nvram", "v.nvram", "--keys", "right", "--screen", "link.nvram"},
       "--screen link.nvram: is the file this run reads as --nvram"},
      {{"browse", "--nvram", "v.nvram", "--keys", "right", "--screen", "sub/hard.nvram"},
       "--screen sub/hard.nvram: is the file this run reads as --nvram"},
      {{"browse", "--nvram", "sub/../v.nvram", "--keys", "right", "--screen", dir_.string() + "/v.nvram"},
       "--screen " + dir_.string() + "/v.nvram: is the file this run reads as --nvram"},
      {{"browse", "--nvram", "new.nvram", "--keys", "right", "--screen", "./new.nvram"},
       "--screen ./new.nvram: is the file this run writes as --nvram; one file cannot take two outputs"},
      {{"browse", "--board", "child.json", "--keys", "right", "--screen", "base.json"},
       "--screen base.json: is the file this run reads as --board"},
      {{"--board", "child.json", "--nvram", "base.json"}, "--nvram base.json: is the file this run reads as --board"},
      {{"nvram", "show", "v.nvram", "Setup", "--out", "link.nvram"},
       "--out link.nvram: is the file this run reads as NVRAM file; it is left as it was"},
      {{"browse", "--keys", "right", "--screen", "module.so"},
       "--screen module.so: is the file this run reads as the driver module",
       "SETUP_DRIVER_MODULE=module.so"},
  };
  for (const auto &target : classes) {
    if ((target.target == "null" && !device) || (target.target == "ro-folder/v.nvram" && !user)) continue;
    for (const auto &writer : writers) {
      if (writer.option == std::string("NVRAM file") && !target.needsStore) continue;
      Case c{writer.arguments, writer.option + (" " + target.target + ": ") + target.why};
      for (std::string &argument : c.arguments) argument = argument == "@" ? target.target : argument;
      cases.push_back(c);
    }
  }
  const auto listing = [&] {
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(dir_)) {
      if (entry.path() != Path("out") && entry.path() != Path("err")) names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.arguments.back() + " " + c.message);
    const std::vector<std::string> before = listing();
    ExpectOneLineFailure(Sim(c.arguments, c.environment), 1, "setup-sim: " + c.message);
    EXPECT_EQ(ReadFile(Path("v.nvram")), store);
    EXPECT_EQ(ReadFile(Path("ro.nvram")), store);
    EXPECT_EQ(ReadFile(Path("base.json")), R"({"extends": "reference"})");
    EXPECT_EQ(listing(), before) << "no file made or left behind";
  }
  ASSERT_EQ(::chmod(Path("ro-folder").c_str(), 0755), 0);

  // What may be written is written as every save: through the link, keeping the file's mode.
  WriteFile(Path("screen.txt"), "old");
  ASSERT_EQ(::chmod(Path("screen.txt").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("screen.txt", Path("screen-link").c_str()), 0);
  ASSERT_EQ(Sim({"browse", "--keys", "right", "--screen", "screen-link"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(Path("screen-link")));
  EXPECT_NE(ReadFile(Path("screen.txt")).find("[Advanced]"), std::string::npos);
  EXPECT_EQ(fs::status(Path("screen.txt")).permissions(), fs::perms(0640));
}

// A folder or file named like a built-in board does not silently replace it.
TEST_F(SetupSim, BuiltinBoardIsNeverShadowedSilently) {
  fs::create_directories(Path("reference"));
  const Outcome run = Sim({"--board", "reference"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Board        reference (built in)"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "setup-sim: warning: --board reference: the built-in board; the file ./reference is not read "
                     "(write ./reference for the file)\n");
}

// --no-save replays a boot from a file and leaves it byte for byte as it was.
TEST_F(SetupSim, NoSaveLeavesTheStoreUntouched) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const std::string saved = ReadFile(Path("board.nvram"));
  for (int run = 0; run < 2; ++run) {
    const Outcome later = Sim({"--nvram", "board.nvram", "--trigger", "--no-save"});
    EXPECT_EQ(later.status, 0) << later.err;
    EXPECT_NE(later.out.find("board.nvram (loaded, not saved: --no-save)"), std::string::npos) << later.out;
    EXPECT_EQ(ReadFile(Path("board.nvram")), saved);
  }
}

// OVMF's own variable-store file boots as JSON stores do: a first boot, then a
// later one with the socket and SATA lines; a boot that changes nothing leaves
// the image byte for byte, and the headers and fault-tolerant-write areas are
// never touched.
TEST_F(SetupSim, OvmfsVariableStoreFileBootsAsAnNvramFile) {
  const std::string ovmfVars = "/usr/share/OVMF/OVMF_VARS_4M.fd";
  if (!fs::exists(ovmfVars)) GTEST_SKIP() << ovmfVars << " is not installed (package ovmf)";
  const std::string golden = ReadFile(ovmfVars);
  WriteFile(Path("vars.fd"), golden);
  ASSERT_EQ(Sim({"--nvram", "vars.fd"}).status, 0);
  const Outcome later = Sim({"--nvram", "vars.fd", "--trigger"});
  EXPECT_EQ(later.status, 0) << later.err;
  for (const char *line : {"Socket 1 Channel D DIMM 1", "SATA Port 0"}) {
    EXPECT_NE(later.out.find(line), std::string::npos) << line;
  }
  const std::string saved = ReadFile(Path("vars.fd"));
  ASSERT_EQ(saved.size(), golden.size());
  EXPECT_EQ(saved.substr(0, 100), golden.substr(0, 100));
  EXPECT_EQ(saved.substr(0x40000), golden.substr(0x40000));
  ASSERT_EQ(Sim({"--nvram", "vars.fd", "--trigger"}).status, 0);
  EXPECT_EQ(ReadFile(Path("vars.fd")), saved);
}

// A dmpstore file goes out and comes back in; what a store cannot hold is named,
// a damaged file is refused and the store is left as it was.
TEST_F(SetupSim, DmpstoreFilesGoInAndOut) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const Outcome exported = Sim({"nvram", "export", "board.nvram", "dump.bin"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out.rfind("board.nvram -> dump.bin: ", 0), 0u) << exported.out;
  const Outcome imported = Sim({"nvram", "import", "dump.bin", "copy.nvram"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(Sim({"nvram", "list", "copy.nvram"}).out, Sim({"nvram", "list", "board.nvram"}).out);

  const EFI_GUID global = {0x8BE4DF61, 0x93CA, 0x11D2, {0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C}};
  WriteFile(Path("shell.bin"), sim::DmpstoreFileOf({{u"Lang", global, 7, {'f', 'r', 'a', 0}},
                                                     {u"ConIn", global, 6, {1}},
                                                     {u"certdb", global, 0x27, {4, 0, 0, 0}}}));
  const Outcome mixed = Sim({"nvram", "import", "shell.bin", "copy.nvram"});
  EXPECT_EQ(mixed.status, 0) << mixed.err;
  EXPECT_EQ(mixed.out, "shell.bin -> copy.nvram: 1 of 3 variables imported; left out: ConIn "
                       "(8BE4DF61-93CA-11D2-AA0D-00E098032B8C), volatile: a boot starts without it, certdb "
                       "(8BE4DF61-93CA-11D2-AA0D-00E098032B8C), attributes 0x27: a JSON NVRAM file holds 3 and 7 only\n");
  EXPECT_NE(Sim({"nvram", "show", "copy.nvram", "Lang"}).out.find("fra"), std::string::npos);

  std::string damaged = ReadFile(Path("dump.bin"));
  damaged[30] = static_cast<char>(damaged[30] ^ 1);
  WriteFile(Path("dump.bin"), damaged);
  const std::string before = ReadFile(Path("copy.nvram"));
  ExpectOneLineFailure(Sim({"nvram", "import", "dump.bin", "copy.nvram"}), 1, "dmpstore file dump.bin: offset 0x");
  EXPECT_EQ(ReadFile(Path("copy.nvram")), before);
  ExpectOneLineFailure(Sim({"nvram", "export", "copy.nvram", "copy.nvram"}), 1,
                       "dmpstore file copy.nvram: is the file this run reads as NVRAM file; it is left as it was");
  EXPECT_EQ(ReadFile(Path("copy.nvram")), before);
}

TEST_F(SetupSim, VersionNamesTheDriverModule) {
  const Outcome run = Sim({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("setup-sim 1.", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("driver module "), std::string::npos) << run.out;
}

// Both reports say what ran: module, board, store, first or later boot, options.
TEST_F(SetupSim, ReportsNameWhatRan) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const json later = SimJson({"--nvram", "board.nvram", "--trigger", "--fail", "get-variable:1", "--fail",
                              "set-variable:2"});
  EXPECT_EQ(later["schema_version"], 2);
  EXPECT_EQ(later["board_source"], "built in");
  EXPECT_EQ(later["nvram"], "board.nvram (loaded, saved after the boot)");
  EXPECT_EQ(later["boot"], "later");
  EXPECT_EQ(later["options"], json({"--trigger", "--fail get-variable:1", "--fail set-variable:2"}));
  EXPECT_EQ(later["driver_module"]["fnv1a64"].get<std::string>().size(), 16u);
  size_t injected = 0;
  for (const json &event : later["events"]) injected += event["kind"] == "fault-injected";
  EXPECT_EQ(injected, 2u) << "each --fail fails its own call";

  const Outcome text = Sim({});
  for (const char *line : {"Driver       ", "Board        reference (built in)", "NVRAM        fresh store, not saved",
                           "Boot         first boot"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line;
  }
}

// Host pointers would make every run differ; the reports mask them and show their texts.
TEST_F(SetupSim, IdenticalRunsGiveIdenticalReports) {
  for (const bool asJson : {false, true}) {
    SCOPED_TRACE(asJson ? "json" : "text");
    std::vector<std::string> arguments = {"--callback", "2:0x3B"};
    if (asJson) arguments.push_back("--json");
    const Outcome first = Sim(arguments), second = Sim(arguments);
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out.find("pointer 1: Orvantic"), std::string::npos);
  }
}

TEST_F(SetupSim, WarnsAboutCallbacksAndStoresThatMayNotBeMeant) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const struct {
    std::vector<std::string> arguments;
    std::string warning;  // empty: none
  } cases[] = {
      {{"--callback", "2:0x3B"}, ""},
      {{"--callback", "2:0x9999"}, "--callback 2:0x9999: the driver changed nothing"},
      {{"--callback", "4:0x1"}, "--callback 4:0x1: no published package list of class 4"},
      {{"--nvram", "board.nvram", "--no-save", "--board", "qemu-q35"},
       "NVRAM file board.nvram was last saved by a boot of board \"reference\"; this boot is of board \"qemu-q35\""},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.arguments[1]);
    const Outcome run = Sim(test.arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    if (test.warning.empty()) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.rfind("setup-sim: warning: " + test.warning, 0), 0u) << run.err;
    }
  }
}

// A profile may extend another file, relative to its own folder; --print-profile shows the result.
TEST_F(SetupSim, ProfileExtendsAFileAndPrintsTheEffectiveProfile) {
  fs::create_directories(Path("boards"));
  WriteFile(Path("boards/base.json"), R"({"extends": "reference", "name": "base", "firmware": {"vendor": "Base"}})");
  WriteFile(Path("boards/mine.json"), R"({"extends": "base.json", "name": "mine"})");
  const json report = SimJson({"--board", "boards/mine.json"});
  EXPECT_EQ(report["board"], "mine");
  EXPECT_EQ(report["strings"]["1"]["24"], "Base");
  // A bare name is relative to the extending file's folder, also when that is the current one.
  fs::copy_file(Path("boards/base.json"), Path("base.json"));
  WriteFile(Path("here.json"), R"({"extends": "base.json", "name": "here"})");
  EXPECT_EQ(SimJson({"--board", "here.json"})["strings"]["1"]["24"], "Base");

  const Outcome printed = Sim({"--board", "boards/mine.json", "--print-profile"});
  ASSERT_EQ(printed.status, 0) << printed.err;
  const json profile = json::parse(printed.out);
  EXPECT_EQ(profile["name"], "mine");
  EXPECT_EQ(profile["firmware"]["vendor"], "Base");
  EXPECT_FALSE(profile.contains("extends"));
  EXPECT_EQ(Sim({"--board", "boards/mine.json", "--print-profile", "--json"}).out, printed.out) << "it is JSON";
  WriteFile(Path("bad.json"), R"({"extends": "reference", "protocols": {"board_condition": 256}})");
  ExpectOneLineFailure(Sim({"--board", "bad.json", "--print-profile"}), 1,
                       "bad.json: protocols.board_condition: expected an integer 0..255, got 256");
  WriteFile(Path("printed.json"), printed.out);
  EXPECT_EQ(SimJson({"--board", "printed.json"})["strings"], report["strings"]) << "the printed profile boots the same";
}

TEST_F(SetupSim, DiffNamesTheStringsAndVariablesThatChanged) {
  WriteFile(Path("other.json"), R"({"extends": "reference", "firmware": {"vendor": "Other"}})");
  WriteFile(Path("a.json"), Sim({"--json"}).out);
  WriteFile(Path("b.json"), Sim({"--json", "--board", "other.json"}).out);
  const Outcome same = Sim({"diff", "a.json", "a.json"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "no differences in strings, variables or entry status\n");
  const Outcome changed = Sim({"diff", "a.json", "b.json"});
  EXPECT_EQ(changed.status, 1) << changed.err;
  EXPECT_NE(changed.out.find("~ string  Class 1 (Main)  24  Firmware Vendor\n    A: Orvantic\n    B: Other\n"),
            std::string::npos)
      << changed.out;
  ExpectOneLineFailure(Sim({"diff", "a.json", "other.json"}), 2, "other.json: not a setup-sim --json report");
  ExpectOneLineFailure(Sim({"diff", "a.json"}), 2, "diff: B is required");

  // A report that comes through a pipe, as <(setup-sim --json) gives it.
  ASSERT_EQ(::mkfifo(Path("a.fifo").c_str(), 0600), 0);
  const Outcome piped = Sim({"diff", "a.fifo", "a.json"}, "(cat a.json > a.fifo &);");
  EXPECT_EQ(piped.status, 0) << piped.err;

  // A report of the wrong shape is refused naming the file and the JSON path.
  const json report = json::parse(ReadFile(Path("a.json")));
  const struct {
    const char *path;  // a JSON pointer into the report
    json value;
    std::string message;
  } shapes[] = {
      {"/pages/0/strings/0/text", 5, "bad.json: pages[0].strings[0].text: expected a string, got 5"},
      {"/pages/1/strings/0/id", "x", "bad.json: pages[1].strings[0].id: expected a non-negative integer, got \"x\""},
      {"/pages/0/title", nullptr, "bad.json: pages[0].title: expected a string, got null"},
      {"/variables", json::object(), "bad.json: variables: expected an array, got {}"},
      {"/variables/0/size", 1000, "bad.json: variables[0].data: expected two hex digits for each of the variable's"},
      {"/board_source", 1, "bad.json: board_source: expected a string, got 1"},
      {"/schema_version", 99, "bad.json: schema_version: 99 is not a report shape this setup-sim reads (it reads 2)"},
      {"/schema_version", "2", "bad.json: schema_version: \"2\" is not a report shape this setup-sim reads"},
  };
  for (const auto &shape : shapes) {
    SCOPED_TRACE(shape.path);
    json bad = report;
    bad[json::json_pointer(shape.path)] = shape.value;
    WriteFile(Path("bad.json"), bad.dump());
    ExpectOneLineFailure(Sim({"diff", "a.json", "bad.json"}), 2, "setup-sim: " + shape.message);
  }
  // A value nested a million deep where a report has an object: refused, not printed or compared
  // (either recursed as deep and overflowed the stack).
  const std::string deep = std::string(1000000, '[') + std::string(1000000, ']');
  const std::string text = ReadFile(Path("a.json"));
  for (const auto &[key, message] : {std::pair<std::string, std::string>{"\"variables\": [", "variables[0]: expected an object, got an array"},
                                     {"\"entry_status\": ", "entry_status: expected an object, got an array"}}) {
    SCOPED_TRACE(key);
    std::string nested = text;
    const size_t at = nested.find(key);
    ASSERT_NE(at, std::string::npos);
    nested.insert(at + key.size(), key == "\"variables\": [" ? deep + ", " : deep + ", \"was_entry_status\": ");
    WriteFile(Path("bad.json"), nested);
    ExpectOneLineFailure(Sim({"diff", "a.json", "bad.json"}), 2, "setup-sim: bad.json: " + message);
  }

  // A changed Setup is told by the settings and fields its changed bytes hold, and by the bytes.
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  WriteFile(Path("before.json"), Sim({"--nvram", "board.nvram", "--no-save", "--json"}).out);
  ASSERT_EQ(Sim({"--nvram", "board.nvram", "--set", "SATA Mode=Disabled", "--set", "Low Memory Limit=3072 MB"}).status, 0);
  WriteFile(Path("after.json"), Sim({"--nvram", "board.nvram", "--no-save", "--json"}).out);
  const Outcome setup = Sim({"diff", "before.json", "after.json"});
  EXPECT_EQ(setup.status, 1) << setup.err;
  EXPECT_NE(setup.out.find("~ variable  Setup  EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9  ("), std::string::npos) << setup.out;
  for (const char *line : {"    setting  SATA Mode: Port Addressing -> Disabled\n",
                           "    field    offset 4: 2 -> 0  SATA controller mode",
                           "    bytes    0x004: 02 -> 00\n"}) {
    EXPECT_NE(setup.out.find(line), std::string::npos) << line << "\n" << setup.out;
  }
  EXPECT_EQ(setup.out.find("    A: "), std::string::npos) << "no whole record twice\n" << setup.out;
}

TEST_F(SetupSim, NvramCommandsListShowSetAndDelete) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const std::string guid = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9";
  EXPECT_EQ(Sim({"nvram", "set", "board.nvram", "Marker", "--guid", guid, "--data", "0102"}).status, 0);
  const Outcome listed = Sim({"nvram", "list", "board.nvram"});
  EXPECT_NE(listed.out.find("  Marker  " + guid + " (setup)  NV+BS+RT (0x7)  2 bytes\n"), std::string::npos) << listed.out;
  const Outcome setup = Sim({"nvram", "show", "board.nvram", "Setup"});
  EXPECT_NE(setup.out.find("  offset 394  1       set to 1 at every load\n"), std::string::npos) << setup.out;

  EXPECT_EQ(Sim({"nvram", "delete", "board.nvram", "LastLangCodes"}).status, 0);
  ExpectOneLineFailure(Sim({"nvram", "show", "board.nvram", "LastLangCodes"}), 1, "no variable LastLangCodes");
  const json next = SimJson({"--nvram", "board.nvram"});
  EXPECT_EQ(next["boot"], "first") << "without LastLangCodes the next boot is a first boot";
  ASSERT_NE(FindVariable(next, "Marker"), nullptr);
  EXPECT_EQ((*FindVariable(next, "Marker"))["data"], "0102");
  ExpectOneLineFailure(Sim({"nvram", "set", "board.nvram", "Marker", "--data", "0g"}), 2, "expected hex bytes");
}

// Edits as setup-variable editors write them, bytes at an offset and settings by name, in order on one
// file: each success prints what it changed as read back from the saved file; a refusal leaves the file as it was.
TEST_F(SetupSim, NvramSetEditsBytesAndSettingsInPlace) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const struct {
    std::vector<std::string> edits;
    int status;
    std::string says;  // all of stdout for a success; part of the one-line message for a refusal
  } cases[] = {
      {{"Setup:0x4=0x0", "Setup:0x1F4(2)=0x0100"}, 0,
       "Setup:0x4=0x0  Setup byte 4: 0x02 -> 0x00\n"
       "Setup:0x1F4(2)=0x0100  Setup bytes 500-501: 0x0401 -> 0x0100\n"
       "SATA Mode: Port Addressing -> Disabled\n"
       "Console Redirection: Enabled -> Disabled\n"
       "Console Redirection Speed: 115200 -> 19200\n"},
      {{"sata-mode=channel addressing", "Stop After SATA=1"}, 0,
       "sata-mode=channel addressing  Setup byte 4: 0x00 -> 0x01\n"
       "Stop After SATA=1  Setup byte 77: 0x00 -> 0x01\n"
       "SATA Mode: Disabled -> Channel Addressing\n"
       "Stop After SATA: Disabled -> Enabled\n"},
      // Each edit shows its own change; the settings' lines compare the file before and after the call.
      {{"Setup:0x4=0", "Setup:0x4=1"}, 0, "Setup:0x4=0  Setup byte 4: 0x01 -> 0x00\nSetup:0x4=1  Setup byte 4: 0x00 -> 0x01\n"},
      // A byte a setting owns takes only its options' values, whichever way it is written.
      {{"Setup:0x4=7"}, 2,
       "nvram set: Setup byte 4 (SATA Mode) would hold 7, which is none of its options (Disabled 0, Channel "
       "Addressing 1, Port Addressing 2); --force writes it anyway"},
      {{"Setup:0x4(2)=0x0003"}, 2, "Setup byte 4 (SATA Mode) would hold 3"},  // byte 5 is no setting's
      {{"Setup:0x4=2", "Setup:77=9"}, 2, "Setup byte 77 (Stop After SATA) would hold 9"},
      {{"Setup:0x4=1", "Setup:0x2AF=1"}, 1,
       "nvram set Setup:0x2AF=1: byte 687 would lie past the end of Setup, which is 687 bytes"},
      {{"Setup:0x2AE(2)=1"}, 1, "bytes 686-687 would lie past the end of Setup"},
      {{"Setup:0xFFFFFFFFFFFFFFFF(8)=1"}, 1, "would lie past the end of Setup"},
      {{"Setup:0x4(3)=1"}, 2, "nvram set Setup:0x4(3)=1: the size is not 1, 2, 4 or 8"},
      {{"Setup:0x4=0x100"}, 2, "the value 0x100 does not fit in 1 byte"},
      {{"Setup:0x4(2)=0x10000"}, 2, "the value 0x10000 does not fit in 2 bytes"},
      {{"Setup:0x4=x"}, 2, "the value x is not a number"},
      {{"Setup:4x=1"}, 2, "the offset 4x is not a number"},
      {{":4=1"}, 2, "no variable name before the colon"},
      {{"NoSuch:0=1"}, 1, "no variable NoSuch"},
      {{"SATA Mode=AHCI"}, 2, "nvram set SATA Mode=AHCI: SATA Mode has no option AHCI"},
      {{"Turbo=on"}, 2, "nvram set Turbo=on: no setting is called Turbo"},
      {{"Setup"}, 2, "nvram set Setup: expected an edit (NAME:OFFSET=VALUE or SETTING=OPTION), or --data HEX"},
      {{"Setup:4=1", "--attributes", "3"}, 2, "nvram set --attributes: only with --data or --data-file"},
      {{"Setup:0x4=7", "--force"}, 0,
       "Setup:0x4=7  Setup byte 4: 0x01 -> 0x07\n"
       "SATA Mode: Channel Addressing -> 7  (forced: Setup byte 4 (SATA Mode) would hold 7, which is none of its "
       "options (Disabled 0, Channel Addressing 1, Port Addressing 2))\n"},
  };
  for (const auto &test : cases) {
    std::vector<std::string> arguments = {"nvram", "set", "board.nvram"};
    arguments.insert(arguments.end(), test.edits.begin(), test.edits.end());
    SCOPED_TRACE(test.edits[0]);
    const std::string before = ReadFile(Path("board.nvram"));
    const Outcome run = Sim(arguments);
    if (test.status == 0) {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out, test.says);
    } else {
      ExpectOneLineFailure(run, test.status, test.says);
      EXPECT_EQ(ReadFile(Path("board.nvram")), before);
    }
  }
  const json setup = json::parse(Sim({"nvram", "show", "board.nvram", "Setup", "--json"}).out);
  const std::string data = setup["data"];
  EXPECT_EQ(data.substr(2 * 4, 2), "07");
  EXPECT_EQ(data.substr(2 * 77, 2), "01");
  EXPECT_EQ(data.substr(2 * 500, 4), "0001");
}

// The forms of nvram list and show for programs, the bytes alone, and data from a file; messages that say what
// to do.
TEST_F(SetupSim, NvramShowsForProgramsAndSaysWhatToDo) {
  ASSERT_EQ(Sim({"--nvram", "board.nvram"}).status, 0);
  const std::string setupGuid = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9";
  const json listed = json::parse(Sim({"nvram", "list", "board.nvram", "--json"}).out);
  const json only = json::parse(Sim({"nvram", "list", "board.nvram", "--json", "--guid", setupGuid}).out);
  ASSERT_LT(only["variables"].size(), listed["variables"].size()) << "the store holds other GUIDs' variables too";
  for (const json &variable : only["variables"]) {
    EXPECT_EQ(variable["guid"], setupGuid);
    EXPECT_EQ(variable["guid_name"], "setup");
  }
  const json setup = json::parse(Sim({"nvram", "show", "board.nvram", "Setup", "--json"}).out);
  EXPECT_EQ(setup["size"], 687);
  EXPECT_EQ(setup["fields"][0], json({{"offset", 4}, {"width", 1}, {"value", 2}, {"meaning", setup["fields"][0]["meaning"]}}));
  EXPECT_EQ(Sim({"nvram", "show", "board.nvram", "Setup", "--raw"}).out.size(), 687u);
  const Outcome out = Sim({"nvram", "show", "board.nvram", "Setup", "--out", "setup.bin"});
  EXPECT_EQ(out.out, "Setup: 687 bytes written to setup.bin\n");
  EXPECT_EQ(Sim({"nvram", "set", "board.nvram", "Copy", "--guid", setupGuid, "--data-file", "setup.bin"}).status, 0);
  EXPECT_EQ(json::parse(Sim({"nvram", "show", "board.nvram", "Copy", "--json"}).out)["data"], setup["data"]);
  EXPECT_NE(Sim({"nvram", "list", "board.nvram"}).out.find("  Setup  " + setupGuid + " (setup)  NV+BS+RT (0x7)  687 bytes\n"),
            std::string::npos);
  EXPECT_EQ(Sim({"nvram", "set", "board.nvram", "Marker", "--guid", setupGuid, "--data", " de ad "}).status, 0);
  EXPECT_EQ(json::parse(Sim({"nvram", "show", "board.nvram", "Marker", "--json"}).out)["data"], "dead");

  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } cases[] = {
      {{"nvram", "frob", "board.nvram"}, 2, "nvram: no subcommand frob; the subcommands are list, show, set, delete"},
      {{"nvram", "set", "board.nvram", "NewVar", "--data", "01"}, 2,
       "nvram set NewVar: board.nvram has no variable NewVar; a new variable needs --guid GUID (and --attributes 3 "
       "or 7; 7 when not given)"},
      {{"nvram", "set", "board.nvram", "Marker", "--data", "de a"}, 2, "expected hex bytes"},
      {{"nvram", "set", "board.nvram", "Marker", "--data", ""}, 2, "nvram set --data: the value is empty"},
      {{"nvram", "set", "board.nvram", "Marker", "--data-file", ""}, 2, "nvram set --data-file: the value is empty"},
      {{"nvram", "set", "board.nvram", "Marker", "--data", "01", "--data-file", "setup.bin"}, 2,
       "give --data or --data-file, not both"},
      {{"nvram", "set", "board.nvram", "Marker", "Setup", "--data", "01"}, 2, "give one variable NAME, no edits"},
      {{"nvram", "set", "board.nvram", "Setup:4=1", "--data", "01"}, 2, "give one variable NAME, no edits"},
      {{"nvram", "show", "board.nvram", "Setup", "--json", "--out", "x"}, 2, "--json excludes --out"},
      {{"nvram", "show", "board.nvram", "Setup", "--raw", "--out", "x"}, 2, "--raw excludes --out"},
      {{"nvram", "list", "board.nvram", "--guid", "EC87D643"}, 2, "expected a GUID of the form 8-4-4-4-12"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.message);
    ExpectOneLineFailure(Sim(test.arguments), test.status, test.message);
  }

  // A record too short for a setting: what a boot would do with it, on both paths that set settings by name.
  ASSERT_EQ(Sim({"nvram", "set", "board.nvram", "Setup", "--data", "01020304"}).status, 0);
  const std::string tooShort = "the stored Setup is 4 bytes, too short to hold Setup byte 4 (SATA Mode; the forms' "
                               "record is 687 bytes). A boot keeps a short Setup as it is";
  ExpectOneLineFailure(Sim({"nvram", "set", "board.nvram", "SATA Mode=Disabled"}), 1, tooShort);
  ExpectOneLineFailure(Sim({"--nvram", "board.nvram", "--set", "SATA Mode=Disabled"}), 1, tooShort);
}

TEST_F(SetupSim, HelpExplainsItselfWithAnExample) {
  const Outcome run = Sim({"--help"});
  EXPECT_EQ(run.status, 0);
  for (const char *text : {"--board", "--nvram", "--trigger", "--callback", "--json", "Examples", "2:0x3B", "reference"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
}

TEST_F(SetupSim, JsonReportHasEveryPart) {
  const json report = SimJson({});
  for (const char *key : {"board", "entry_status", "pages", "strings", "string_writes", "variables", "counters",
                          "events", "pool_leaks", "pool_leak_bytes", "service_calls"}) {
    EXPECT_TRUE(report.contains(key)) << key;
  }
  EXPECT_EQ(report["board"], "reference");
  EXPECT_TRUE(report["strings"].is_object());
  EXPECT_EQ(report["pages"].size(), 7u);
  EXPECT_TRUE(report["entry_status"]["name"].is_string());
  for (const char *key : {"reads", "writes", "bytes_written", "identical_writes"}) {
    EXPECT_TRUE(report["counters"][key].is_number_unsigned()) << key;
  }
  const json *seed = FindVariable(report, "MemoryInfo");
  ASSERT_NE(seed, nullptr) << "the profile's variables seed a fresh store";
  EXPECT_EQ((*seed)["guid"], "7EE396A1-FF7D-431B-FA53-8CCD127C44C5");
  EXPECT_EQ((*seed)["data"].get<std::string>().size(), 2 * 345u);
}

TEST_F(SetupSim, TextReportShowsEveryPage) {
  const Outcome run = Sim({});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char *text : {"Class 1 (Main)", "Class 2 (Advanced)", "Class 4 (Chipset)", "Class 8 (Boot)",
                           "Class 16 (Security)", "Class 32 (Tools)", "Class 64 (Server Management)",
                           "NVRAM variables", "NVRAM counters", "Events", "Pool leaks", "Entry point"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
}

TEST_F(SetupSim, LaterBootUsesTheSavedStoreAndTheTrigger) {
  const std::string nvram = Path("board.nvram").string();
  const auto board = [&](const char *marker) {
    const std::string path = Path(std::string("board-") + marker + ".json").string();
    WriteFile(path, std::string(R"({"extends": "reference", "variables": [{"name": "Marker",
        "guid": "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, "data": ")") + marker + "\"}]}");
    return path;
  };
  const json first = SimJson({"--board", board("01"), "--nvram", nvram});
  ASSERT_TRUE(fs::exists(nvram));
  ASSERT_NE(FindVariable(first, "Marker"), nullptr);
  EXPECT_EQ((*FindVariable(first, "Marker"))["data"], "01");

  const json later = SimJson({"--board", board("02"), "--nvram", nvram, "--trigger"});
  ASSERT_NE(FindVariable(later, "Marker"), nullptr);
  EXPECT_EQ((*FindVariable(later, "Marker"))["data"], "01") << "a loaded store is not seeded again";
  bool triggered = false;
  for (const json &event : later["events"]) {
    triggered = triggered || (event["kind"] == "protocol-installed" &&
                              event["detail"].get<std::string>().find("71202EEE-5F53-40D9-AB3D-9E0C26D96657") != std::string::npos);
  }
  EXPECT_TRUE(triggered);
}

// The N-th call fails once, is named in the log and counted like the others.
TEST_F(SetupSim, FailMakesTheNamedCallFail) {
  const json clean = SimJson({});
  const uint64_t writes = clean["service_calls"]["set-variable"];
  ASSERT_GE(writes, 2u);
  const json failed = SimJson({"--fail", "set-variable:2"});
  EXPECT_GE(failed["service_calls"]["set-variable"], 2u);
  std::vector<json> injected;
  for (const json &event : failed["events"]) {
    if (event["kind"] == "fault-injected") injected.push_back(event);
  }
  ASSERT_EQ(injected.size(), 1u);
  EXPECT_EQ(injected[0]["detail"], "SetVariable call 2 fails");
  EXPECT_EQ(injected[0]["values"]["status"], 0x8000000000000007u);

  const json beyond = SimJson({"--fail", "set-variable:" + std::to_string(writes + 1)});
  for (const json &event : beyond["events"]) EXPECT_NE(event["kind"], "fault-injected");
  ASSERT_NE(FindVariable(beyond, "Setup"), nullptr);
  EXPECT_EQ(*FindVariable(beyond, "Setup"), *FindVariable(clean, "Setup"));
}

// The value beside a prompt on a rendered form, and where it came from.
const json *FormItem(const json &report, const std::string &form, const std::string &prompt) {
  for (const json &page : report["form_pages"]) {
    for (const json &each : page["forms"]) {
      if (each["title"] != form) continue;
      for (const json &item : each["items"]) {
        if (item["prompt"] == prompt) return &item;
      }
    }
  }
  return nullptr;
}

// A page shows the driver's strings beside their labels, marks the list's own
// texts, reads settings from the stored Setup, and names its action keys.
TEST_F(SetupSim, PageRendersTheFormsAsTheMenuShowsThem) {
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  const json later = SimJson({"--nvram", nvram, "--trigger", "--page", "advanced"});
  ASSERT_EQ(later["form_pages"].size(), 1u);
  EXPECT_EQ(later["form_pages"][0]["class"], 2);
  const struct {
    const char *form, *prompt, *value, *source;
  } kLines[] = {
      {"Processor Configuration", "Processor Cores", "8", "driver"},
      {"Processor Configuration", "Socket 1 Processor", "Not Present", "list"},
      {"Storage Configuration", "SATA Mode", "Port Addressing", nullptr},
      {"Memory Configuration", "Low Memory Limit", "2048 MB", nullptr},
      {"Advanced", "Hardware Monitor", "Hardware Monitor", nullptr},
  };
  for (const auto &line : kLines) {
    const json *item = FormItem(later, line.form, line.prompt);
    ASSERT_NE(item, nullptr) << line.prompt;
    EXPECT_EQ((*item)["value"], line.value) << line.prompt;
    if (line.source != nullptr) {
      EXPECT_EQ((*item)["value_source"], line.source) << line.prompt;
    }
  }
  ASSERT_NE(FormItem(later, "Hardware Monitor", "Refresh"), nullptr);
  EXPECT_EQ((*FormItem(later, "Hardware Monitor", "Refresh"))["key"], 0x3B);
  // A setting carries its question: id, store, the bytes it owns, flags, defaults, what is stored.
  const json &sata = *FormItem(later, "Storage Configuration", "SATA Mode");
  EXPECT_GT(sata["question_id"].get<int>(), 0);
  EXPECT_EQ(sata["store"], (json{{"name", "Setup"}, {"guid", "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"}, {"id", 1}}));
  EXPECT_EQ(sata["offset"], 4);
  EXPECT_EQ(sata["width"], 1);
  EXPECT_EQ(sata["question_flags"], 0);
  EXPECT_EQ(sata["default_value"], 2);
  EXPECT_EQ(sata["stored"], 2);

  const Outcome text = Sim({"--nvram", nvram, "--trigger", "--page", "4"});
  EXPECT_NE(text.out.find("removed from the HII database after publishing"), std::string::npos) << text.out;
  const Outcome all = Sim({"--page", "all"});
  for (const char *title : {"Main (class 1)", "Server Management (class 64)", "* the package list's own text"}) {
    EXPECT_NE(all.out.find(title), std::string::npos) << title;
  }
}

// setup-sim forms: the built-in lists, a file of any kind, the settings view with
// stored values; a broken package is named and the rest still dumped.
TEST_F(SetupSim, FormsDumpsOpcodesAndSettings) {
  const Outcome dump = Sim({"forms"});
  EXPECT_EQ(dump.status, 0) << dump.err;
  for (const char *line : {"# Advanced (class 2): form package (",
                           "\n  VarStoreEfi VarStoreId: 0x1, Guid: EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9, Attributes: 0x7, "
                           "Size: 687, Name: Setup\n",
                           "\n      OneOfOption Option: \"Port Addressing\", Flags: 0x30, Type: UINT8, Value: 2, Default, "
                           "MfgDefault\n"}) {
    EXPECT_NE(dump.out.find(line), std::string::npos) << line;
  }
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  ASSERT_EQ(Sim({"--nvram", nvram, "--set", "SATA Mode=Disabled"}).status, 0);
  const Outcome settings = Sim({"forms", "--settings", "--nvram", nvram});
  EXPECT_NE(settings.out.find("Setup:0x4(1)    Advanced > Storage Configuration: SATA Mode  OneOf  [Disabled=0, Channel "
                              "Addressing=1, Port Addressing=2]  default 2  stored 0\n"),
            std::string::npos)
      << settings.out;
  const json rows = SimJson({"forms", "--settings"});
  const json &boot = rows["package_lists"][3];
  EXPECT_EQ(boot["name"], "Boot (class 8)");
  EXPECT_EQ(boot["form_packages"][0]["settings"][0]["prompt"], "Boot Timeout");
  EXPECT_EQ(boot["form_packages"][0]["settings"][0]["defaults"], (json{{"0", 5}, {"1", 5}}));

  // A package that breaks is named with the byte where it does.
  std::ofstream(Path("forms.bin"), std::ios::binary) << std::string("\x0a\0\0\x02\x0e\x86\0\0\0\0", 10);
  const Outcome refused = Sim({"forms", Path("forms.bin").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("form package, byte 4: FormSet opcode of 6 bytes is too short for its fields"),
            std::string::npos)
      << refused.err;
  ExpectOneLineFailure(Sim({"forms", Path("none.bin").string()}), 1, "cannot be read");
  ExpectOneLineFailure(Sim({"forms", "--nvram", nvram}), 2, "--nvram needs --settings");
}

// --set changes the byte a setting edits before the boot, so the driver reads it.
TEST_F(SetupSim, SetChangesASettingTheDriverReads) {
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  const json later = SimJson({"--nvram", nvram, "--trigger", "--set", "sata-mode=disabled", "--set",
                              "Low Memory Limit=3072 MB", "--page", "Advanced"});
  EXPECT_EQ((*FormItem(later, "Storage Configuration", "SATA Mode"))["stored"], 0);
  EXPECT_EQ((*FormItem(later, "Storage Configuration", "SATA Port 0"))["value"], "Disabled");
  EXPECT_EQ((*FormItem(later, "Memory Configuration", "Low Memory"))["value"], "3072 MB");
  const json again = SimJson({"--nvram", nvram, "--trigger", "--page", "Advanced"});
  EXPECT_EQ((*FormItem(again, "Storage Configuration", "SATA Mode"))["value"], "Disabled") << "the change was saved";
}

TEST_F(SetupSim, BadPageOrSettingFailsWithOneLineNamingTheChoices) {
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  const std::string before = ReadFile(nvram);
  ExpectOneLineFailure(Sim({"--page", "Overclocking"}), 2, "2 (Advanced)");
  ExpectOneLineFailure(Sim({"--nvram", nvram, "--set", "Turbo=on"}), 2, "SATA Mode, Stop After SATA");
  ExpectOneLineFailure(Sim({"--nvram", nvram, "--set", "SATA Mode=AHCI"}), 2, "Disabled, Channel Addressing");
  ExpectOneLineFailure(Sim({"--nvram", nvram, "--set", "SATA Mode"}), 2, "expected NAME=OPTION");
  EXPECT_EQ(ReadFile(nvram), before) << "a refused setting leaves the file alone";
  ExpectOneLineFailure(Sim({"--set", "SATA Mode=Disabled"}), 1, "the NVRAM store has no Setup variable yet; boot once");
}

// The browser driven by keys: what a user at the keyboard would see.
class Browse : public SetupSim {
 protected:
  std::string Screen(const std::vector<std::string> &arguments) {
    std::vector<std::string> all = {"browse"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const Outcome run = Sim(all);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }
};

bool Shows(const std::string &screen, const std::string &text) { return screen.find(text) != std::string::npos; }

TEST_F(Browse, RefreshReadsTheMonitorAgain) {
  const std::string toMonitor = "right,down,down,down,down,enter";
  const std::string before = Screen({"--keys", toMonitor});
  EXPECT_TRUE(Shows(before, "CPU0 Temperature          : N/A")) << before;
  const std::string after = Screen({"--keys", toMonitor + ",enter"});
  EXPECT_TRUE(Shows(after, "CPU0 Temperature          : +38 C")) << after;
  EXPECT_TRUE(Shows(after, "Last action: 17 strings set")) << after;
}

TEST_F(Browse, TheMeItemShowsItsMessageBox) {
  const std::string screen = Screen({"--keys", "left,left,down,enter"});
  EXPECT_TRUE(Shows(screen, "| \"ME Update Info\": \"Disable ME fail !!\" |")) << screen;
  EXPECT_TRUE(Shows(screen, "port-write port 0xB2")) << screen;
}

TEST_F(Browse, ASavedSettingSurvivesTheReboot) {
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  // Advanced > Storage > SATA Mode: pick Disabled, save, reboot.
  const std::string screen = Screen({"--nvram", nvram, "--keys", "right,down,down,enter,enter,up,up,enter,f10,y",
                                     "--screen", Path("screen.txt").string()});
  EXPECT_EQ(screen, "") << "the screen went to the file";
  const std::string saved = ReadFile(Path("screen.txt"));
  EXPECT_TRUE(Shows(saved, "SATA Mode                 <Disabled>")) << saved;
  EXPECT_TRUE(Shows(saved, "SATA Port 0               Disabled")) << saved;
  EXPECT_TRUE(Shows(saved, "settings saved; rebooted")) << saved;
  const json later = SimJson({"--nvram", nvram, "--trigger", "--page", "Advanced"});
  EXPECT_EQ((*FormItem(later, "Storage Configuration", "SATA Mode"))["value"], "Disabled");
}

TEST_F(Browse, LeavingWithUnsavedChangesAsksFirst) {
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  const std::string edit = "right,down,down,enter,enter,up,enter,esc,esc";
  EXPECT_TRUE(Shows(Screen({"--nvram", nvram, "--keys", edit}), "Discard the changes and exit? (Y/N)"));
  const std::string kept = Screen({"--nvram", nvram, "--keys", edit + ",n,enter"});  // back into Storage
  EXPECT_TRUE(Shows(kept, "<Channel Addressing>")) << kept;
  EXPECT_FALSE(Shows(kept, "Discard")) << kept;
  Screen({"--nvram", nvram, "--keys", edit + ",y"});
  const json after = SimJson({"--nvram", nvram, "--trigger", "--page", "Advanced"});
  EXPECT_EQ((*FormItem(after, "Storage Configuration", "SATA Mode"))["value"], "Port Addressing") << "nothing saved";
}

TEST_F(Browse, DefaultsComeBackWithF9) {
  const std::string nvram = Path("board.nvram").string();
  ASSERT_EQ(Sim({"--nvram", nvram, "--set", "SATA Mode=Disabled"}).status, 1) << "no Setup before the first boot";
  ASSERT_EQ(Sim({"--nvram", nvram}).status, 0);
  ASSERT_EQ(Sim({"--nvram", nvram, "--set", "SATA Mode=Disabled"}).status, 0);
  const std::string screen = Screen({"--nvram", nvram, "--keys", "right,down,down,enter,f9,y"});
  EXPECT_TRUE(Shows(screen, "SATA Mode                 <Port Addressing>")) << screen;
}

TEST_F(Browse, WithoutATerminalOrWithABadKeyItSaysWhatToDo) {
  ExpectOneLineFailure(Sim({"browse"}), 2, "give the keys to replay with --keys");
  ExpectOneLineFailure(Sim({"browse", "--keys", "down,jump"}), 2, "unknown key \"jump\"");
  ExpectOneLineFailure(Sim({"browse", "--keys", ""}), 2, "--keys: the key list is empty");
}

// The screen as a file shows what a user sees: the choice Enter would pick, and
// prompts and values that wrap in their columns instead of running together.
TEST_F(Browse, TheScreenShowsTheChoiceAndKeepsItsColumnsApart) {
  const std::string popup = Screen({"--keys", "right,down,down,enter,enter,up"});
  EXPECT_TRUE(Shows(popup, "| Disabled           |")) << popup;
  EXPECT_TRUE(Shows(popup, "|>Channel Addressing |")) << popup;

  WriteFile(Path("long.json"),
            R"({"extends": "reference", "firmware": {"vendor": "Orvantic Firmware Engineering Limited Partnership"}})");
  const std::string main = Screen({"--board", "long.json", "--keys", "down"});
  for (const char *rows : {"   Processor Brand                                      |\n"
                           "   (continued)                                          |\n",
                           "   Firmware Vendor           Orvantic Firmware          |\n"
                           "                             Engineering Limited        |\n"
                           "                             Partnership                |\n"}) {
    EXPECT_TRUE(Shows(main, rows)) << rows << main;
  }
}

// A terminal too small for the browser says the size needed, and a resize brings the browser back.
TEST_F(Browse, ASmallTerminalSaysTheSizeNeededUntilItGrows) {
  // Each step waits for the screen before it (a loaded machine may take seconds
  // to boot the driver), polling what script has written so far.
  auto await = [](const std::string &text) {
    return "for i in \\$(seq 900); do grep -q '" + text + "' out && break; sleep 0.1; done; ";
  };
  const std::string command = "cd '" + dir_.string() + "' && timeout 120 script -qec \"stty rows 20 cols 60; '" SETUP_SIM_PATH
                              "' browse </dev/tty >/dev/tty & " + await("this one has 60 columns") +
                              "stty rows 25 cols 80 </dev/tty; " + await("Server Management") +
                              "kill -INT \\$!; wait\" /dev/null >out 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string terminal = ReadFile(Path("out"));
  const size_t notice = terminal.find("this one has 60 columns and 20 rows.");
  ASSERT_NE(notice, std::string::npos) << terminal;
  EXPECT_NE(terminal.find("of at least 80 columns and 25 rows;"), std::string::npos) << terminal;
  EXPECT_NE(terminal.find("Server Management", notice), std::string::npos) << "redrawn on the resize\n" << terminal;
}

}  // namespace
