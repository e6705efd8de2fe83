// "extends": a profile is its base (a built-in board or another profile file)
// with its own fields merged over it as a JSON merge patch (RFC 7396: objects
// merge, other values replace, null removes). A fault is said in the terms of
// the file that holds it: a base is checked as a board of its own before the
// profile is merged over it, a circle of files is named file by file, and a
// short form the profile takes (memory.info.raw) that cannot hold the fields the
// base gives that object is named with both files.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// Where a document came from: the name messages use, and for a file the folder
// its "extends" paths are relative to (none for a built-in board).
struct ProfileOrigin {
  std::string source;
  std::optional<std::string> folder;
};

ProfileOrigin FileOrigin(const std::string &path);

// A profile file's text (a regular file of at most 16 MiB, remembered as read
// for --board, so that no output of the run replaces it).
std::string ReadProfileFile(const std::string &path, const std::string &prefix);

// checkBase reads a resolved base document as a board, throwing its faults.
using BaseCheck = std::function<void(const nlohmann::json &base, const std::string &source)>;
nlohmann::json ResolveExtends(nlohmann::json document, const ProfileOrigin &origin, const BaseCheck &checkBase);

}  // namespace sim
