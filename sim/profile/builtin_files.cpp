#include "sim/profile/builtin_files.h"

#include <algorithm>

#include "sim/profile/builtin_files_table.h"

namespace sim {

std::optional<std::string_view> BuiltinFileText(std::string_view name) {
  for (size_t i = 0; i < kBuiltinFileCount; ++i) {
    if (name == kBuiltinFiles[i].name) {
      return std::string_view(reinterpret_cast<const char *>(kBuiltinFiles[i].text), kBuiltinFiles[i].size);
    }
  }
  return std::nullopt;
}

std::vector<std::string> BuiltinBoardNames() {
  std::vector<std::string> names;
  for (size_t i = 0; i < kBuiltinFileCount; ++i) {
    if (kBuiltinFiles[i].name != kPackageListsFile) names.emplace_back(kBuiltinFiles[i].name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool LooksLikeProfilePath(std::string_view text) {
  constexpr std::string_view kSuffix = ".json";
  return text.find('/') != std::string_view::npos ||
         (text.size() >= kSuffix.size() && text.substr(text.size() - kSuffix.size()) == kSuffix);
}

}  // namespace sim
