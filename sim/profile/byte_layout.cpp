#include "sim/profile/byte_layout.h"

#include "sim/machine/hex_text.h"

namespace sim {
namespace {

std::vector<uint8_t> ReadHex(const JsonField &field) {
  std::optional<std::vector<uint8_t>> bytes = BytesOfHex(field.String());
  if (!bytes) field.Expected("hex bytes, two digits each");
  return std::move(*bytes);
}

std::vector<uint8_t> ReadAscii(const JsonObject &object) {
  const std::string text = object.Required("ascii").Ascii();
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bool terminated = false;
  object.Read("terminated", terminated);
  if (terminated) bytes.push_back(0);
  return bytes;
}

std::vector<uint8_t> ReadUtf16(const JsonObject &object) {
  std::u16string text = object.Required("utf16").Text();
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
  const JsonField::ChosenForm form = field.Form();
  for (const auto &integer : kIntegers) {
    if (!form.Is(integer.name)) continue;
    return LittleEndian(form.field.Fields().Required(integer.name).Unsigned(), integer.width);
  }
  return ReadBytes(form.field, maxSize);
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
      const size_t offset = member.KeyNumber(maxSize, at->rule().keyWhat);
      std::vector<uint8_t> bytes = ReadPiece(member, maxSize);
      end = std::max(end, offset + bytes.size());
      pieces.push_back({offset, std::move(bytes), member});
    }
  }
  size_t size = end;
  if (const auto field = object.Optional("size")) {
    size = field->Unsigned(std::min<uint64_t>(maxSize, field->rule().max));
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
  const JsonField::ChosenForm form = field.Form();
  std::vector<uint8_t> bytes;
  if (form.Is("ascii")) {
    bytes = ReadAscii(form.field.Fields());
  } else if (form.Is("utf16")) {
    bytes = ReadUtf16(form.field.Fields());
  } else if (form.field.rule().type == FieldType::Hex) {
    bytes = ReadHex(form.field);
  } else {
    bytes = ReadLayout(form.field.Fields(), maxSize);
  }
  if (bytes.size() > maxSize) {
    field.Fail("holds " + std::to_string(bytes.size()) + " bytes, more than the " + std::to_string(maxSize) +
               " allowed here");
  }
  return bytes;
}

}  // namespace sim
