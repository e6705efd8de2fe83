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

// name is the file's base name, e.g. "reference" for boards/reference.json.
std::optional<std::string_view> BuiltinFileText(std::string_view name);
std::vector<std::string> BuiltinBoardNames();  // sorted; without the package lists

// Whether a board argument names a file rather than a built-in board: it holds
// a '/' or ends in ".json". Such an argument is never taken for a built-in name,
// and a built-in name is never shadowed by a file of that name.
bool LooksLikeProfilePath(std::string_view text);

}  // namespace sim
