#include "forms/host/ifr_opcodes.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "forms/host/ifr_layouts.h"
#include "forms/host/little_endian.h"

namespace forms {
namespace {

constexpr size_t kPackageHeaderSize = 4;

[[noreturn]] void Fail(size_t at, const std::string &what) {
  throw FormPackageError("form package, byte " + std::to_string(at) + ": " + what);
}

// One opcode's body, read front to back; a field that does not fit refuses the opcode.
class FieldReader {
 public:
  FieldReader(const uint8_t *body, size_t size, const IfrOpcode &op) : at_(body), left_(size), op_(op) {}

  bool Empty() const { return left_ == 0; }

  uint64_t Take(size_t width) {
    Need(width);
    const uint64_t value = LittleEndian(at_, width);
    Skip(width);
    return value;
  }

  EFI_GUID TakeGuid() {
    Need(sizeof(EFI_GUID));
    EFI_GUID guid;
    std::memcpy(&guid, at_, sizeof guid);
    Skip(sizeof guid);
    return guid;
  }

  std::string TakeName() {
    const size_t length = strnlen(reinterpret_cast<const char *>(at_), left_);
    if (length == left_) Fail(op_.offset, std::string(op_.name) + ": the name has no terminator");
    std::string name(reinterpret_cast<const char *>(at_), length);
    Skip(length + 1);
    return name;
  }

  std::string TakeRest() {
    std::string rest(reinterpret_cast<const char *>(at_), left_);
    Skip(left_);
    return rest;
  }

 private:
  void Need(size_t width) const {
    if (width > left_) {
      Fail(op_.offset, std::string(op_.name) + " opcode of " + std::to_string(op_.length) +
                           " bytes is too short for its fields");
    }
  }
  void Skip(size_t width) {
    at_ += width;
    left_ -= width;
  }

  const uint8_t *at_;
  size_t left_;
  const IfrOpcode &op_;
};

// Which variable stores keep their questions by name rather than by offset.
using NameStores = std::map<uint16_t, bool>;

class FieldDecoder {
 public:
  FieldDecoder(FieldReader &in, IfrOpcode &op, const NameStores &stores) : in_(in), op_(op), stores_(stores) {}

  // An opcode may end where an optional group starts; a group once begun is read whole.
  void Decode(const std::vector<FieldLayout> &layout) {
    for (const FieldLayout &field : layout) {
      if (field.type == FieldType::Optional && in_.Empty()) return;
      One(field);
    }
  }

 private:
  void Add(const char *name, FieldKind kind, uint64_t number) {
    IfrField field;
    field.name = name;
    field.kind = kind;
    field.number = number;
    op_.fields.push_back(std::move(field));
  }
  void AddText(const char *name, FieldKind kind, std::string text, uint64_t number = 0) {
    Add(name, kind, number);
    op_.fields.back().text = std::move(text);
  }
  void AddGuid(const char *name) {
    Add(name, FieldKind::Guid, 0);
    op_.fields.back().guid = in_.TakeGuid();
  }

  template <typename AddOne>
  void Repeating(AddOne add) {
    add();
    op_.fields.back().repeats = true;
  }

  void One(const FieldLayout &field) {
    switch (field.type) {
      case FieldType::Optional: return;
      case FieldType::U8: return Add(field.name, FieldKind::Decimal, in_.Take(1));
      case FieldType::U16: return Add(field.name, FieldKind::Decimal, in_.Take(2));
      case FieldType::U32: return Add(field.name, FieldKind::Decimal, in_.Take(4));
      case FieldType::U64: return Add(field.name, FieldKind::Decimal, in_.Take(8));
      case FieldType::H8: return Add(field.name, FieldKind::Hex, in_.Take(1));
      case FieldType::H16: return Add(field.name, FieldKind::Hex, in_.Take(2));
      case FieldType::H32: return Add(field.name, FieldKind::Hex, in_.Take(4));
      case FieldType::Sid: return Add(field.name, FieldKind::String, in_.Take(2));
      case FieldType::Guid: return AddGuid(field.name);
      case FieldType::Name: return AddText(field.name, FieldKind::Text, in_.TakeName());
      case FieldType::Statement:
        Add("Prompt", FieldKind::String, in_.Take(2));
        return Add("Help", FieldKind::String, in_.Take(2));
      case FieldType::Question: return Question();
      case FieldType::MinMaxStep: return MinMaxStep();
      case FieldType::ValueType: {
        const uint64_t type = in_.Take(1);
        const ValueTypeInfo *info = ValueTypeOf(type);
        return AddText(field.name, FieldKind::Text, info ? info->name : "0x" + Hex(type), type);
      }
      case FieldType::TypedValue: return TypedValue(field.name);
      case FieldType::ClassGuids:
        for (uint64_t i = 0; i < (op_.Number("Flags") & 0x3); ++i) Repeating([&] { AddGuid("ClassGuid"); });
        return;
      case FieldType::ValueList:
        for (uint64_t i = 0; i < op_.Number("ListLength"); ++i) {
          Repeating([&] { Add("Value", FieldKind::Decimal, in_.Take(2)); });
        }
        return;
      case FieldType::Methods:
        while (!in_.Empty()) {
          Repeating([&] { Add("MethodTitle", FieldKind::String, in_.Take(2)); });
          Repeating([&] { AddGuid("MethodIdentifier"); });
        }
        return;
      case FieldType::GuidData: return GuidData();
      case FieldType::Defaults: return Defaults();
    }
  }

  static std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
  }

  void Question() {
    Add("Prompt", FieldKind::String, in_.Take(2));
    Add("Help", FieldKind::String, in_.Take(2));
    Add("QuestionId", FieldKind::Hex, in_.Take(2));
    const uint16_t store = static_cast<uint16_t>(in_.Take(2));
    Add("VarStoreId", FieldKind::Hex, store);
    const auto kind = stores_.find(store);
    if (kind != stores_.end() && kind->second) {
      Add("VarName", FieldKind::String, in_.Take(2));
    } else {
      Add("VarOffset", FieldKind::Hex, in_.Take(2));
    }
    Add("QuestionFlags", FieldKind::Hex, in_.Take(1));
  }

  void MinMaxStep() {
    const size_t width = size_t{1} << (op_.Number("Flags") & 0x3);
    Add("Size", FieldKind::Decimal, width * 8);
    Add("MinValue", FieldKind::Hex, in_.Take(width));
    Add("MaxValue", FieldKind::Hex, in_.Take(width));
    Add("Step", FieldKind::Hex, in_.Take(width));
  }

  void TypedValue(const char *name) {
    const uint64_t type = op_.Number("Type");
    const ValueTypeInfo *info = ValueTypeOf(type);
    if (info == nullptr || info->width < 0) return AddText(name, FieldKind::Bytes, in_.TakeRest());
    char text[24];
    switch (type) {
      case 5: {  // TIME: hour, minute, second
        const uint64_t hms = in_.Take(3);
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", unsigned(hms & 0xFF), unsigned(hms >> 8 & 0xFF),
                      unsigned(hms >> 16));
        return AddText(name, FieldKind::Text, text);
      }
      case 6: {  // DATE: year, month, day
        const uint64_t ymd = in_.Take(4);
        std::snprintf(text, sizeof text, "%04u/%02u/%02u", unsigned(ymd & 0xFFFF), unsigned(ymd >> 16 & 0xFF),
                      unsigned(ymd >> 24));
        return AddText(name, FieldKind::Text, text);
      }
      case 7:
      case 10:  // STRING, ACTION: a string id
        return Add(name, FieldKind::String, in_.Take(2));
      case 12:  // REF: where the reference leads
        Add("QuestionId", FieldKind::Hex, in_.Take(2));
        Add("FormId", FieldKind::Hex, in_.Take(2));
        AddGuid("FormSetGuid");
        return Add("DevicePath", FieldKind::String, in_.Take(2));
      default:
        if (info->width > 0) Add(name, FieldKind::Decimal, in_.Take(static_cast<size_t>(info->width)));
        return;
    }
  }

  void GuidData() {
    const EFI_GUID guid = op_.fields.back().guid;
    if (!IsExtensionGuid(guid) || in_.Empty()) {
      if (!in_.Empty()) AddText("Data", FieldKind::Bytes, in_.TakeRest());
      return;
    }
    const uint8_t extendOpcode = static_cast<uint8_t>(in_.Take(1));
    Add("ExtendOpCode", FieldKind::Hex, extendOpcode);
    if (const GuidExtension *extension = ExtensionOf(guid, extendOpcode)) {
      op_.name = extension->layout.name;
      Decode(extension->layout.fields);
    } else if (!in_.Empty()) {
      AddText("Data", FieldKind::Bytes, in_.TakeRest());
    }
  }

  void Defaults() {
    const uint64_t flags = op_.Number("Flags");
    const bool option = op_.code == ifr::kOneOfOption;
    if (flags & (option ? ifr::kOptionDefault : ifr::kCheckBoxDefault)) Add("Default", FieldKind::Flag, 1);
    if (flags & (option ? ifr::kOptionDefaultMfg : ifr::kCheckBoxDefault << 1)) Add("MfgDefault", FieldKind::Flag, 1);
  }

  FieldReader &in_;
  IfrOpcode &op_;
  const NameStores &stores_;
};

}  // namespace

const IfrField *IfrOpcode::Find(const char *fieldName) const {
  for (const IfrField &field : fields) {
    if (std::strcmp(field.name, fieldName) == 0) return &field;
  }
  return nullptr;
}

uint64_t IfrOpcode::Number(const char *fieldName, uint64_t fallback) const {
  const IfrField *field = Find(fieldName);
  return field == nullptr ? fallback : field->number;
}

std::vector<IfrOpcode> DecodeIfr(const uint8_t *bytes, size_t size) {
  if (size < kPackageHeaderSize) Fail(0, "shorter than a package header");
  const auto header = static_cast<uint32_t>(LittleEndian(bytes, 4));
  if (header >> 24 != ifr::kPackageForms) Fail(0, "not a form package (type " + std::to_string(header >> 24) + ")");
  if ((header & 0xFFFFFF) != size) {
    Fail(0, "the header's length " + std::to_string(header & 0xFFFFFF) + " is not the package's " +
                std::to_string(size) + " bytes");
  }
  std::vector<IfrOpcode> opcodes;
  std::vector<uint8_t> scopes;  // opcodes whose scope is open, innermost last
  NameStores stores;
  for (size_t at = kPackageHeaderSize; at < size;) {
    if (size - at < 2) Fail(at, "an opcode header is cut off");
    IfrOpcode op;
    op.offset = at;
    op.code = bytes[at];
    op.length = bytes[at + 1] & 0x7F;
    op.opensScope = (bytes[at + 1] & 0x80) != 0;
    if (op.length < 2) Fail(at, "opcode length " + std::to_string(op.length));
    if (op.length > size - at) Fail(at, "the opcode runs past the package");
    op.depth = static_cast<unsigned>(scopes.size());
    if (op.code == ifr::kEnd) {
      if (scopes.empty()) Fail(at, "an end without an open scope");
      scopes.pop_back();
      op.depth = static_cast<unsigned>(scopes.size());
    }
    FieldReader in(bytes + at + 2, op.length - 2u, op);
    if (const OpcodeLayout *layout = LayoutOf(op.code)) {
      op.name = layout->name;
      FieldDecoder(in, op, stores).Decode(layout->fields);
    } else {
      op.name = "Unknown";
      op.known = false;
      op.fields.push_back({"Data", FieldKind::Bytes, 0, {}, in.TakeRest(), false});
    }
    if (op.code == ifr::kVarStore || op.code == ifr::kVarStoreEfi || op.code == ifr::kVarStoreNameValue) {
      stores[static_cast<uint16_t>(op.Number("VarStoreId"))] = op.code == ifr::kVarStoreNameValue;
    }
    if (op.opensScope) scopes.push_back(op.code);
    at += op.length;
    opcodes.push_back(std::move(op));
  }
  if (!scopes.empty()) Fail(size, std::to_string(scopes.size()) + " scope(s) left open");
  return opcodes;
}

}  // namespace forms
