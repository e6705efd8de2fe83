#include "tools/setup-sim/variable_display.h"

#include <cstdio>

namespace setup_sim {
namespace {

constexpr size_t kPointerSize = 8;
constexpr size_t kFruTexts = 6;  // the record's six text pointers, then its valid byte

}  // namespace

ShownVariable ShowVariable(const sim::StoredVariable &variable, const sim::BoardProfile &profile) {
  ShownVariable shown{variable.data, std::vector<bool>(variable.data.size(), false), {}};
  const auto &fru = profile.peripherals.fru;
  if (variable.name != u"FruSetup STRING" || !fru) return shown;
  for (size_t i = 0; i < kFruTexts && (i + 1) * kPointerSize <= shown.data.size(); ++i) {
    bool null = true;
    for (size_t byte = 0; byte < kPointerSize; ++byte) null = null && shown.data[i * kPointerSize + byte] == 0;
    if (null) continue;
    for (size_t byte = 0; byte < kPointerSize; ++byte) shown.masked[i * kPointerSize + byte] = true;
    shown.pointed.push_back("pointer " + std::to_string(i + 1) + ": " + fru->texts[i].value_or(""));
  }
  return shown;
}

std::string MaskedHex(const ShownVariable &shown) {
  std::string hex;
  for (size_t i = 0; i < shown.data.size(); ++i) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", shown.data[i]);
    hex += shown.masked[i] ? "xx" : digits;
  }
  return hex;
}

}  // namespace setup_sim
