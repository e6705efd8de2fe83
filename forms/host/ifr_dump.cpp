#include "forms/host/ifr_dump.h"

#include <cstdio>

#include "forms/host/uefi_text.h"

namespace forms {
namespace {

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string HexBytes(const uint8_t *bytes, size_t size) {
  std::string text;
  char pair[4];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%s%02X", i == 0 ? "" : " ", bytes[i]);
    text += pair;
  }
  return text;
}

std::string Quoted(const std::string &text) { return "\"" + EscapedText(text) + "\""; }

// A store's name or a named value, ASCII by the encoding: any other byte as \xNN,
// so that outside bytes never make the dump or its JSON invalid UTF-8.
std::string AsciiText(const std::string &text) {
  std::string ascii;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x7F) {
      ascii += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
      ascii += escape;
    }
  }
  return EscapedText(ascii);
}

}  // namespace

std::string EscapedText(const std::string &text) {
  std::string quoted;
  for (const char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  return quoted;
}

namespace {

std::string OpcodeName(const IfrOpcode &op) {
  char code[8];
  std::snprintf(code, sizeof code, " 0x%02X", op.code);
  return op.known ? std::string(op.name) : op.name + std::string(code);
}

nlohmann::ordered_json FieldJson(const IfrField &field, const StringLookup &strings) {
  switch (field.kind) {
    case FieldKind::Decimal:
    case FieldKind::Hex:
      return field.number;
    case FieldKind::String: {
      const std::optional<std::string> text = field.number == 0 ? std::nullopt : strings(uint16_t(field.number));
      return {{"id", field.number}, {"text", text ? nlohmann::ordered_json(*text) : nlohmann::ordered_json()}};
    }
    case FieldKind::Guid:
      return GuidText(field.guid);
    case FieldKind::Text:
      return AsciiText(field.text);
    case FieldKind::Bytes:
      return HexBytes(reinterpret_cast<const uint8_t *>(field.text.data()), field.text.size());
    case FieldKind::Flag:
      return true;
  }
  return nullptr;
}

}  // namespace

std::string FieldText(const IfrField &field, const StringLookup &strings) {
  switch (field.kind) {
    case FieldKind::Decimal:
      return std::to_string(field.number);
    case FieldKind::Hex:
      return Hex(field.number);
    case FieldKind::String: {
      if (field.number == 0) return "0x0";
      const std::optional<std::string> text = strings(static_cast<uint16_t>(field.number));
      return text ? Quoted(*text) : Hex(field.number) + " (no string)";
    }
    case FieldKind::Guid:
      return GuidText(field.guid);
    case FieldKind::Text:
      return AsciiText(field.text);
    case FieldKind::Bytes:
      return "{" + HexBytes(reinterpret_cast<const uint8_t *>(field.text.data()), field.text.size()) + "}";
    case FieldKind::Flag:
      return field.name;
  }
  return "";
}

void WriteOpcodeLines(const std::vector<IfrOpcode> &opcodes, const uint8_t *package, const StringLookup &strings,
                      bool verbose, const std::string &indent, std::ostream &out) {
  for (const IfrOpcode &op : opcodes) {
    out << indent;
    if (verbose) {
      char offset[16];
      std::snprintf(offset, sizeof offset, "0x%04zX: ", op.offset);
      out << offset;
    }
    out << std::string(2 * op.depth, ' ') << OpcodeName(op);
    const char *separator = " ";
    for (const IfrField &field : op.fields) {
      out << separator;
      if (field.kind != FieldKind::Flag) out << field.name << ": ";
      out << FieldText(field, strings);
      separator = ", ";
    }
    if (verbose) out << " {" << HexBytes(package + op.offset, op.length) << "}";
    out << "\n";
  }
}

nlohmann::ordered_json OpcodesJson(const std::vector<IfrOpcode> &opcodes, const uint8_t *package,
                                   const StringLookup &strings, bool verbose) {
  nlohmann::ordered_json result = nlohmann::ordered_json::array();
  for (const IfrOpcode &op : opcodes) {
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (const IfrField &field : op.fields) {
      if (!field.repeats) {
        fields[field.name] = FieldJson(field, strings);
      } else {
        fields[field.name].push_back(FieldJson(field, strings));  // null becomes an array
      }
    }
    nlohmann::ordered_json item = {{"offset", op.offset}, {"opcode", OpcodeName(op)}, {"code", op.code},
                                   {"length", op.length}, {"scope", op.opensScope}, {"depth", op.depth},
                                   {"fields", fields}};
    if (verbose) item["bytes"] = HexBytes(package + op.offset, op.length);
    result.push_back(std::move(item));
  }
  return result;
}

}  // namespace forms
