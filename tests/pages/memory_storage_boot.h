// Whole boots of the reference board with a JSON patch, for the memory and
// storage page tests: a store seeded with a Setup record of chosen bytes, the
// strings a boot set and the variables it left.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "boot_checks.h"
#include "driver/core/setup_record.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "sim/boot.h"
#include "sim/profile/profile_loader.h"

namespace pages_test {

using Bytes = std::vector<uint8_t>;

// The reference board with Fields (JSON members, e.g. R"("memory": {...})") merged over it.
inline sim::BoardProfile Reference(const std::string &fields = "") {
  return sim::LoadBoardProfile(R"({"extends": "reference")" + (fields.empty() ? "" : ", " + fields) + "}",
                               "patch.json");
}

// The reference board with its memory section replaced by Section (not merged).
inline sim::BoardProfile WithMemory(const std::string &section) {
  sim::BoardProfile profile = Reference();
  const sim::BoardProfile own = sim::LoadBoardProfile(R"({"memory": )" + section + "}", "memory.json");
  profile.memoryStorage.memoryInfo = own.memoryStorage.memoryInfo;
  profile.memoryStorage.hostData = own.memoryStorage.hostData;
  return profile;
}

class PageBoot : public ::testing::Test {
 protected:
  // A Setup record of Size bytes, zero but for those of Bytes that it holds,
  // stored before the first boot, so that the pages read it while that boot publishes.
  void PutSetup(const std::map<size_t, uint8_t> &bytes, size_t size = kSetupDataSize) {
    Bytes record(size, 0);
    for (const auto &[offset, value] : bytes) {
      if (offset < size) record[offset] = value;
    }
    store.Put({u"Setup", kSetupVariableGuid, kAttrNvBsRt, record});
  }

  // One boot, which must be clean (boot_checks.h).
  sim::BootReport Boot(const sim::BoardProfile &profile, bool trigger = false) {
    sim::BootOptions options;
    options.trigger = trigger;
    sim::BootReport report = sim::RunBoot(profile, store, options);
    ExpectCleanBoot(report);
    return report;
  }

  // The last text set for the string, or nullopt when the boot did not set it.
  static std::optional<std::u16string> String(const sim::BootReport &report, uint16_t formClass, uint16_t id) {
    std::optional<std::u16string> text;
    for (const sim::StringRecord &s : report.strings) {
      if (s.formClass == formClass && s.stringId == id) text = s.text;
    }
    return text;
  }

  std::optional<Bytes> Variable(const std::u16string &name) const {
    const sim::StoredVariable *found = store.Find(name, kSetupVariableGuid);
    return found ? std::optional<Bytes>(found->data) : std::nullopt;
  }

  sim::VariableStore store;
};

inline std::optional<std::u16string> Text(const char16_t *text) { return std::u16string(text); }
constexpr std::nullopt_t kUnset = std::nullopt;

}  // namespace pages_test
