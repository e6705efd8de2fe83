#include "sim/profile/byte_layout.h"

#include "sim/machine/hex_text.h"

namespace sim {
namespace {

std::vector<uint8_t> ReadHex(const JsonField &field) {
  const std::string text = field.String();
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const int high = HexDigitValue(text[i]);
    const int low = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
    if (high < 0 || low < 0) field.Expected("hex bytes, two digits each");
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    i += 2;
  }
  return bytes;
}

std::vector<uint8_t> ReadAscii(const JsonObject &object) {
  const JsonField field = *object.Optional("ascii");
  std::vector<uint8_t> bytes;
  for (const char c : field.String()) {
    if (static_cast<unsigned char>(c) > 0x7F) field.Expected("ASCII text (use utf16 or hex for other bytes)");
    bytes.push_back(static_cast<uint8_t>(c));
  }
  bool terminated = false;
  object.Read("terminated", terminated);
  if (terminated) bytes.push_back(0);
  return bytes;
}

std::vector<uint8_t> ReadUtf16(const JsonObject &object) {
  std::u16string text = object.Optional("utf16")->Text();
  bool terminated = false;
  object.Read("terminated", terminated);
  if (terminated) text += u'\0';
  std::vector<uint8_t> bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

std::vector<uint8_t> LittleEndian(uint64_t value, size_t width) {
  std::vector<uint8_t> bytes(width);
  for (size_t i = 0; i < width; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

// One piece of a layout: a byte string, or {"u16": 1400} and its siblings.
std::vector<uint8_t> ReadPiece(const JsonField &field, size_t maxSize) {
  static const struct {
    const char *name;
    size_t width;
  } kIntegers[] = {{"u8", 1}, {"u16", 2}, {"u32", 4}, {"u64", 8}};
  for (const auto &integer : kIntegers) {
    if (!field.value().is_object() || !field.value().contains(integer.name)) continue;
    const JsonField number = *field.Fields({integer.name}).Optional(integer.name);
    const uint64_t max = integer.width == 8 ? UINT64_MAX : (uint64_t{1} << (8 * integer.width)) - 1;
    return LittleEndian(number.Unsigned(max), integer.width);
  }
  return ReadBytes(field, maxSize);
}

std::vector<uint8_t> ReadLayout(const JsonObject &object, size_t maxSize) {
  struct Piece {
    size_t offset;
    std::vector<uint8_t> bytes;
    JsonField field;
  };
  std::vector<Piece> pieces;
  size_t end = 0;
  if (const auto at = object.Optional("at")) {
    for (const JsonField &member : at->Members()) {
      const size_t offset = member.KeyNumber(maxSize, "a byte offset");
      std::vector<uint8_t> bytes = ReadPiece(member, maxSize);
      end = std::max(end, offset + bytes.size());
      pieces.push_back({offset, std::move(bytes), member});
    }
  }
  size_t size = end;
  if (const auto field = object.Optional("size")) {
    size = field->Unsigned(maxSize);
    for (const Piece &piece : pieces) {
      if (piece.offset + piece.bytes.size() > size) piece.field.Fail("runs past the size " + std::to_string(size));
    }
  }
  uint8_t fill = 0;
  object.Read("fill", fill);
  std::vector<uint8_t> bytes(size, fill);
  std::vector<bool> placed(size, false);
  for (const Piece &piece : pieces) {
    for (size_t i = 0; i < piece.bytes.size(); ++i) {
      if (placed[piece.offset + i]) piece.field.Fail("overlaps another piece of the layout");
      placed[piece.offset + i] = true;
      bytes[piece.offset + i] = piece.bytes[i];
    }
  }
  return bytes;
}

}  // namespace

std::vector<uint8_t> ReadBytes(const JsonField &field, size_t maxSize) {
  std::vector<uint8_t> bytes;
  if (field.value().is_string()) {
    bytes = ReadHex(field);
  } else if (field.value().is_object() && field.value().contains("ascii")) {
    bytes = ReadAscii(field.Fields({"ascii", "terminated"}));
  } else if (field.value().is_object() && field.value().contains("utf16")) {
    bytes = ReadUtf16(field.Fields({"utf16", "terminated"}));
  } else if (field.value().is_object()) {
    bytes = ReadLayout(field.Fields({"size", "fill", "at"}), maxSize);
  } else {
    field.Expected("hex bytes or an object with ascii, utf16 or size/fill/at");
  }
  if (bytes.size() > maxSize) {
    field.Fail("holds " + std::to_string(bytes.size()) + " bytes, more than the " + std::to_string(maxSize) +
               " allowed here");
  }
  return bytes;
}

}  // namespace sim
