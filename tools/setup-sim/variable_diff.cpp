#include "tools/setup-sim/variable_diff.h"

#include <cstdio>

#include "sim/machine/guid_text.h"
#include "sim/machine/utf16_text.h"
#include "tools/setup-sim/setup_fields.h"

namespace setup_sim {
namespace {

constexpr size_t kMostByteRuns = 16;  // beyond these, a count: a record rewritten whole says little byte by byte

// Byte i of a report's hex text ("xx" for a masked byte).
std::string ByteText(const ReportVariable &variable, size_t i) { return variable.data.substr(2 * i, 2); }

// The variable as the store holds it; a masked byte (part of a host pointer, never a setting's) reads as 0.
sim::StoredVariable Stored(const ReportVariable &variable) {
  sim::StoredVariable stored;
  stored.name = sim::Utf8ToUtf16(variable.name).value_or(u"");
  stored.guid = sim::GuidFromText(variable.guid).value_or(EFI_GUID{});
  stored.attributes = static_cast<uint32_t>(variable.attributes);
  for (size_t i = 0; i < variable.data.size() / 2; ++i) {
    unsigned byte = 0;
    if (std::sscanf(ByteText(variable, i).c_str(), "%2x", &byte) != 1) byte = 0;
    stored.data.push_back(static_cast<uint8_t>(byte));
  }
  return stored;
}

std::string Offset(size_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%03zX", offset);
  return text;
}

void FieldLines(const sim::StoredVariable &a, const sim::StoredVariable &b, std::vector<std::string> &lines) {
  for (const SetupField &field : SetupFieldsOf(a)) {
    if (field.offset + field.width > a.data.size()) continue;
    const uint64_t old = SetupFieldValue(a, field), now = SetupFieldValue(b, field);
    if (old == now) continue;
    lines.push_back("    field    offset " + std::to_string(field.offset) + ": " + std::to_string(old) + " -> " +
                    std::to_string(now) + "  " + field.meaning);
  }
}

void ByteLines(const ReportVariable &a, const ReportVariable &b, std::vector<std::string> &lines) {
  const size_t size = a.data.size() / 2;
  size_t runs = 0;
  for (size_t i = 0; i < size; ++i) {
    if (ByteText(a, i) == ByteText(b, i)) continue;
    size_t end = i;
    while (end + 1 < size && ByteText(a, end + 1) != ByteText(b, end + 1)) ++end;
    if (++runs <= kMostByteRuns) {
      const size_t count = end - i + 1;
      lines.push_back("    bytes    " + Offset(i) + (count > 1 ? ".." + Offset(end) : "") + ": " +
                      a.data.substr(2 * i, 2 * count) + " -> " + b.data.substr(2 * i, 2 * count));
    }
    i = end;
  }
  if (runs > kMostByteRuns) lines.push_back("    bytes    ... and " + std::to_string(runs - kMostByteRuns) + " more runs");
}

}  // namespace

std::vector<std::string> NamedChanges(const ReportVariable &a, const ReportVariable &b,
                                      const std::vector<Setting> &settings) {
  std::vector<std::string> lines;
  if (a.data == b.data) return lines;
  const sim::StoredVariable before = Stored(a), after = Stored(b);
  for (const SettingChange &change : ChangedSettings(settings, &before, after)) {
    lines.push_back("    setting  " + change.description);
  }
  FieldLines(before, after, lines);
  ByteLines(a, b, lines);
  return lines;
}

}  // namespace setup_sim
