// The dump of whole package lists, as `setup-sim forms` prints it: per list a
// heading (its name, where its form packages lie, the language its strings are
// read in), then each form package's opcodes (ifr_dump.h) or, for --settings,
// one row per stored question (question_table.h), e.g.
//   Setup:0x4(1)  Advanced > Storage Configuration: SATA Mode  OneOf
//       [Disabled=0, Channel Addressing=1, Port Addressing=2]  default 2
// A form package that does not decode is named with the byte where it breaks
// and the rest are still dumped.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "forms/host/package_lists.h"

namespace forms {

// A variable's bytes by store name and GUID, for the stored values; nullopt: none.
using StoredBytes = std::function<std::optional<std::vector<uint8_t>>(const std::string &name, const EFI_GUID &guid)>;

struct ReportOptions {
  std::string language;  // RFC 4646 or a prefix ("en"); empty or absent: each list's first
  bool verbose = false;  // opcode offsets and bytes
  bool settings = false;
  StoredBytes stored;    // empty: no stored values
};

// Each returns the refusals, one line each ("NAME: form package at 0x..: ...").
std::vector<std::string> WriteFormsText(const std::vector<PackageList> &lists, const ReportOptions &options,
                                        std::ostream &out);
std::vector<std::string> WriteFormsJson(const std::vector<PackageList> &lists, const ReportOptions &options,
                                        std::ostream &out);

}  // namespace forms
