// Boots of the reference board, adjusted per case, for the processor,
// identity and hardware-monitor page scenarios.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/boot.h"
#include "sim/profile/profile_loader.h"
#include "tests/pages/boot_checks.h"

namespace processor_pages {

// The reference board with patch (the members of a JSON object) merged over it.
inline sim::BoardProfile Reference(const std::string &patch = "") {
  const std::string text = R"({"extends": "reference")" + (patch.empty() ? "" : ", " + patch) + "}";
  return sim::LoadBoardProfile(text, "case.json");
}

inline sim::VariableSpec *FindVariable(sim::BoardProfile &profile, const std::u16string &name) {
  for (sim::VariableSpec &variable : profile.variables) {
    if (variable.name == name) return &variable;
  }
  return nullptr;
}

// Every text the string was set to, in order.
inline std::vector<std::u16string> Texts(const sim::BootReport &report, uint16_t formClass, uint16_t id) {
  std::vector<std::u16string> texts;
  for (const sim::StringRecord &s : report.strings) {
    if (s.formClass == formClass && s.stringId == id) texts.push_back(s.text);
  }
  return texts;
}

// The last text, as the menu shows it; nullopt when never set.
inline std::optional<std::u16string> Text(const sim::BootReport &report, uint16_t formClass, uint16_t id) {
  const std::vector<std::u16string> texts = Texts(report, formClass, id);
  return texts.empty() ? std::nullopt : std::optional<std::u16string>(texts.back());
}

class PageBoot : public ::testing::Test {
 protected:
  // A first boot on a fresh store seeded with the profile's variables.
  sim::BootReport Boot(const sim::BoardProfile &profile, std::vector<std::pair<uint16_t, uint16_t>> callbacks = {}) {
    store = {};
    for (const sim::VariableSpec &v : profile.variables) store.Put({v.name, v.guid, v.attributes, v.data});
    sim::BootOptions options;
    options.callbacks = std::move(callbacks);
    sim::BootReport report = sim::RunBoot(profile, store, options);
    ExpectCleanBoot(report);
    return report;
  }

  sim::VariableStore store;
};

}  // namespace processor_pages
