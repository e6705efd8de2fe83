// Board profiles and the setup menu's package lists, read from JSON. The schema
// is described in docs/board-profile.md. Every fault in a document is a
// std::runtime_error whose one-line message names the source and the field's
// path, e.g. `board.json: hardware.ports."0xA35": expected an integer 0..0xFFFFFFFF, got "x"`.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/board_profile.h"

namespace sim {

// sourceName is what messages call the document (usually its file name). The
// package lists come from the built-in boards/package-lists.json, with the
// profile's per-class settings applied.
BoardProfile LoadBoardProfile(const std::string &text, const std::string &sourceName);

// A profile file (a regular file of at most 16 MiB; messages name it by path).
// Its "extends" may name a built-in board or another profile file, a relative
// path being relative to the extending file's folder.
BoardProfile LoadBoardProfileFile(const std::string &path);

// A profile built into the simulator, by base name ("reference" for boards/reference.json).
BoardProfile LoadBuiltinBoard(const std::string &name);

// The same documents with every "extends" resolved: the one profile the loader
// reads, as JSON (for --print-profile).
nlohmann::json EffectiveProfileJson(const std::string &text, const std::string &sourceName);
nlohmann::json EffectiveProfileFileJson(const std::string &path);
nlohmann::json EffectiveBuiltinBoardJson(const std::string &name);

// Reads a profile whose extends are resolved (one of the above): what --print-profile checks before it prints.
BoardProfile ReadEffectiveProfile(const nlohmann::json &profile, const std::string &sourceName);

std::vector<PackageListSpec> LoadPackageLists(const std::string &text, const std::string &sourceName);

}  // namespace sim
