#include "tools/setup-sim/byte_edits.h"

#include <cctype>
#include <optional>
#include <stdexcept>

#include "sim/little_endian.h"
#include "sim/profile/number_text.h"
#include "tools/setup-sim/command_line.h"

namespace setup_sim {
namespace {

size_t ColonOf(const std::string &text) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return std::string::npos;
  const size_t colon = text.rfind(':', equals);
  return colon != std::string::npos && colon + 1 < equals && std::isdigit(static_cast<unsigned char>(text[colon + 1]))
             ? colon
             : std::string::npos;
}

[[noreturn]] void Refuse(const std::string &text, const std::string &fault) {
  throw UsageError("nvram set " + text + ": " + fault + " (expected NAME:OFFSET=VALUE or NAME:OFFSET(SIZE)=VALUE)");
}

}  // namespace

bool IsByteEdit(const std::string &text) { return ColonOf(text) != std::string::npos; }

ByteEdit ParseByteEdit(const std::string &text) {
  const size_t colon = ColonOf(text), equals = text.find('=');
  ByteEdit edit{text, text.substr(0, colon)};
  if (edit.variable.empty()) Refuse(text, "no variable name before the colon");
  std::string offset = text.substr(colon + 1, equals - colon - 1);
  if (!offset.empty() && offset.back() == ')') {
    const size_t open = offset.find('(');
    if (open == std::string::npos) Refuse(text, "a ')' without its '('");
    const std::optional<uint64_t> size = sim::ParseNumberText(offset.substr(open + 1, offset.size() - open - 2));
    if (!size || (*size != 1 && *size != 2 && *size != 4 && *size != 8)) Refuse(text, "the size is not 1, 2, 4 or 8");
    edit.size = *size;
    offset.resize(open);
  }
  const std::optional<uint64_t> at = sim::ParseNumberText(offset);
  if (!at) Refuse(text, "the offset " + offset + " is not a number");
  edit.offset = *at;
  const std::string valueText = text.substr(equals + 1);
  const std::optional<uint64_t> value = sim::ParseNumberText(valueText);
  if (!value) Refuse(text, "the value " + valueText + " is not a number");
  if (edit.size < 8 && (*value >> (8 * edit.size)) != 0) {
    Refuse(text, "the value " + valueText + " does not fit in " + std::to_string(edit.size) +
                     (edit.size == 1 ? " byte" : " bytes"));
  }
  edit.value = *value;
  return edit;
}

void ApplyByteEdit(const ByteEdit &edit, std::vector<uint8_t> &data) {
  if (edit.offset >= data.size() || edit.size > data.size() - edit.offset) {
    throw std::runtime_error("nvram set " + edit.text + ": " + ByteRange(edit.offset, edit.size) +
                             " would lie past the end of " + edit.variable + ", which is " +
                             std::to_string(data.size()) + " bytes");
  }
  sim::PutLittleEndian(data.data() + edit.offset, edit.value, edit.size);
}

std::string ByteRange(size_t offset, size_t size) {
  return size == 1 ? "byte " + std::to_string(offset)
                   : "bytes " + std::to_string(offset) + "-" + std::to_string(offset + size - 1);
}

uint64_t LittleEndianAt(const std::vector<uint8_t> &data, size_t offset, size_t width) {
  return sim::GetLittleEndian(data.data() + offset, width);
}

}  // namespace setup_sim
