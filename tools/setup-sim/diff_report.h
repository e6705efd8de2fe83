// A setup-sim --json report as `setup-sim diff` reads it: the shape checked
// before any use, so that a report of the wrong shape is refused naming the
// file and the JSON path ("b.json: pages[0].strings[0].text: expected a
// string, got 5"), never with the JSON library's own words.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace setup_sim {

struct ReportVariable {
  std::string name;  // UTF-8
  std::string guid;  // GUID text
  uint64_t attributes = 0;
  std::string data;  // two hex digits a byte, "xx" for a masked byte
};

struct DiffReport {
  std::string board;        // the profile's name
  std::string boardSource;  // "built in" or the profile file's path
  std::map<std::string, std::string> strings;       // "Class 1 (Main)  24  Firmware Vendor" -> text
  std::map<std::string, ReportVariable> variables;  // "Setup  EC87D643-..." -> the variable
  nlohmann::json entryStatus;  // {"name": ..., "value": ...}, as the report gives it
};

// The report in the file (or pipe) path. Throws std::runtime_error naming path
// for a file that cannot be read, is no report, has a schema_version this
// simulator does not know, or a key of the wrong type.
DiffReport ReadDiffReport(const std::string &path);

}  // namespace setup_sim
