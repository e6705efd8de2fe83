// The files people hand the simulator: a board profile or an NVRAM file, any
// text. Input: one byte choosing the kind (even: board profile; 1, 5, ...: an
// NVRAM file; 3, 7, ...: a dmpstore file), then the file's bytes. Either the file loads, or loading throws
// std::runtime_error whose message names the file; any other exception, a
// crash or a sanitizer report is a finding. An NVRAM file that loads as a
// firmware store image is also written back: unchanged it must come out byte
// for byte, and with one variable replaced and one added it must load again
// holding exactly those (or be refused as full). A dmpstore file that loads
// must be written back byte for byte.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "sim/machine/dmpstore_file.h"
#include "sim/machine/firmware_store.h"
#include "sim/machine/guid_text.h"
#include "sim/profile/profile_loader.h"
#include "sim/variable_store.h"

namespace {

constexpr char kSource[] = "fuzzed.json";

[[noreturn]] void Finding(const char *what, const std::string &detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckMessage(const std::runtime_error &error) {
  const std::string message = error.what();
  if (message.find(kSource) == std::string::npos) Finding("a message that does not name the file", message);
}

bool SameVariables(const std::vector<sim::StoredVariable> &a, const std::vector<sim::StoredVariable> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || !sim::GuidEqual(a[i].guid, b[i].guid) || a[i].attributes != b[i].attributes ||
        a[i].data != b[i].data) {
      return false;
    }
  }
  return true;
}

void CheckStoreImageWrites(const std::string &bytes) {
  std::vector<sim::StoredVariable> variables;
  const sim::FirmwareStoreImage image = sim::ReadFirmwareStore(bytes, kSource, variables);
  if (sim::UpdatedFirmwareStore(image, variables, kSource) != bytes) Finding("an unchanged store image rewritten", "");
  if (!variables.empty()) variables.front().data.push_back(0x5A);
  const sim::StoredVariable added{u"FuzzNew", {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}}, 7, {1, 2, 3}};
  for (const sim::StoredVariable &variable : variables) {
    if (variable.name == added.name && sim::GuidEqual(variable.guid, added.guid)) return;
  }
  variables.push_back(added);
  std::string written;
  try {
    written = sim::UpdatedFirmwareStore(image, variables, kSource);
  } catch (const std::runtime_error &error) {
    if (std::string(error.what()).find("store full") == std::string::npos) Finding("a failed save", error.what());
    return;
  }
  std::vector<sim::StoredVariable> reread;
  try {
    sim::ReadFirmwareStore(written, kSource, reread);
  } catch (const std::runtime_error &error) {
    Finding("a saved store image that does not load", error.what());
  }
  const auto byKey = [](const sim::StoredVariable &a, const sim::StoredVariable &b) {
    return std::make_pair(sim::GuidToText(a.guid), a.name) < std::make_pair(sim::GuidToText(b.guid), b.name);
  };
  std::sort(variables.begin(), variables.end(), byKey);
  std::sort(reread.begin(), reread.end(), byKey);
  if (!SameVariables(variables, reread)) Finding("a saved store image that reads back otherwise", "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  try {
    if ((data[0] & 1) == 0) {
      sim::LoadBoardProfile(text, kSource);
    } else if ((data[0] & 3) == 3) {
      if (sim::DmpstoreFileOf(sim::ReadDmpstoreFile(text, kSource)) != text) Finding("a dmpstore file rewritten", "");
    } else {
      sim::VariableStore::Parse(text, kSource);
      if (sim::IsFirmwareVolume(text)) CheckStoreImageWrites(text);
    }
  } catch (const std::runtime_error &error) {
    CheckMessage(error);
  } catch (const std::exception &error) {
    Finding("an exception other than a load error", error.what());
  }
  return 0;
}
