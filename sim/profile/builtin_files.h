// The JSON files of boards/ as built into the simulator (a generated source holds
// their text), so the simulator runs without a checkout of the repository.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The package lists of the setup menu; every other built-in file is a board profile.
inline constexpr std::string_view kPackageListsFile = "package-lists";
// The lists' forms: not read at run time but built into the package lists (boards/setup-forms.json).
inline constexpr std::string_view kSetupFormsFile = "setup-forms";

// name is the file's base name, e.g. "reference" for boards/reference.json.
std::optional<std::string_view> BuiltinFileText(std::string_view name);
std::vector<std::string> BuiltinBoardNames();  // sorted; without the package lists

}  // namespace sim
