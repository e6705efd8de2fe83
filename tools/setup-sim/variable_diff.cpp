#include "tools/setup-sim/variable_diff.h"

#include <cstdio>
#include <optional>

#include "sim/machine/guid_text.h"
#include "sim/machine/utf16_text.h"
#include "tools/setup-sim/setup_fields.h"

namespace setup_sim {
namespace {

constexpr size_t kMostByteRuns = 16;  // beyond these, a count: a record rewritten whole says little byte by byte

// Byte i of a report's hex text ("xx" for a masked byte).
std::string ByteText(const ReportVariable &variable, size_t i) { return variable.data.substr(2 * i, 2); }

// The little-endian value of width bytes from offset; none when a byte is masked or past the end.
std::optional<uint64_t> ValueAt(const ReportVariable &variable, size_t offset, size_t width) {
  if (2 * (offset + width) > variable.data.size()) return std::nullopt;
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    unsigned byte = 0;
    if (std::sscanf(ByteText(variable, offset + i).c_str(), "%2x", &byte) != 1) return std::nullopt;
    value |= uint64_t{byte} << (8 * i);
  }
  return value;
}

bool Changed(const ReportVariable &a, const ReportVariable &b, size_t offset, size_t width) {
  return 2 * (offset + width) <= a.data.size() && a.data.substr(2 * offset, 2 * width) != b.data.substr(2 * offset, 2 * width);
}

std::string NumberText(const std::optional<uint64_t> &value) { return value ? std::to_string(*value) : "?"; }

std::string OptionText(const NamedSetting &setting, const std::optional<uint64_t> &value) {
  for (const auto &[option, text] : setting.options) {
    if (value && *value == option) return text;
  }
  return "value " + NumberText(value) + " (no option)";
}

std::string Offset(size_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%03zX", offset);
  return text;
}

void SettingLines(const ReportVariable &a, const ReportVariable &b, const std::vector<NamedSetting> &settings,
                  std::vector<std::string> &lines) {
  const std::optional<EFI_GUID> guid = sim::GuidFromText(a.guid);
  for (const NamedSetting &setting : settings) {
    if (setting.variable != a.name || !guid || sim::GuidToText(setting.guid) != sim::GuidToText(*guid) ||
        !Changed(a, b, setting.offset, setting.width)) {
      continue;
    }
    lines.push_back("    setting  " + setting.prompt + ": " + OptionText(setting, ValueAt(a, setting.offset, setting.width)) +
                    " -> " + OptionText(setting, ValueAt(b, setting.offset, setting.width)) + "  (byte " +
                    std::to_string(setting.offset) + ")");
  }
}

void FieldLines(const ReportVariable &a, const ReportVariable &b, std::vector<std::string> &lines) {
  sim::StoredVariable stored;
  stored.name = sim::Utf8ToUtf16(a.name).value_or(u"");
  stored.guid = sim::GuidFromText(a.guid).value_or(EFI_GUID{});
  for (const SetupField &field : SetupFieldsOf(stored)) {
    if (!Changed(a, b, field.offset, field.width)) continue;
    lines.push_back("    field    offset " + std::to_string(field.offset) + ": " +
                    NumberText(ValueAt(a, field.offset, field.width)) + " -> " +
                    NumberText(ValueAt(b, field.offset, field.width)) + "  " + field.meaning);
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
                                      const std::vector<NamedSetting> &settings) {
  std::vector<std::string> lines;
  if (a.data == b.data) return lines;
  SettingLines(a, b, settings, lines);
  FieldLines(a, b, lines);
  ByteLines(a, b, lines);
  return lines;
}

}  // namespace setup_sim
