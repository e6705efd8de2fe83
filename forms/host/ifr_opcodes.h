// A form package decoded opcode by opcode, as IFR dumps show it: every opcode
// of the UEFI IFR set with its fields by name, in package order, with the scope
// depth it sits at. An opcode this decoder does not know keeps its number and
// bytes and is skipped by its length; a package whose encoding is broken is
// refused with the byte where it breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/uefi/uefi_base.h"
#include "forms/host/package_error.h"

namespace forms {

// How a field is shown: the kind of thing its bytes hold.
enum class FieldKind : uint8_t {
  Decimal,  // a count, a size, a value
  Hex,      // an id, flags, an offset
  String,   // a string id of the package list's string package
  Guid,
  Text,     // ASCII text (a variable store's name) or a named value (a value type, a date)
  Bytes,    // data no field describes
  Flag,     // a flag that is set, shown by its name alone ("Default")
};

struct IfrField {
  const char *name = "";
  FieldKind kind = FieldKind::Decimal;
  uint64_t number = 0;  // Decimal, Hex, String
  EFI_GUID guid{};
  std::string text;     // Text; Bytes: the raw bytes
  bool repeats = false;  // one of a run of its kind (class GUIDs, a value list, form-map methods)
};

struct IfrOpcode {
  size_t offset = 0;  // of its header, from the package's first byte
  uint8_t code = 0;
  uint8_t length = 0;
  bool opensScope = false;
  unsigned depth = 0;     // scopes open around it; an End sits at its scope's depth
  const char *name = "";  // "OneOf"; a GUID opcode of a known extension: the extension ("Label")
  bool known = true;      // false: an opcode outside the IFR set, shown by number
  std::vector<IfrField> fields;

  const IfrField *Find(const char *fieldName) const;  // the first field of that name; null if none
  uint64_t Number(const char *fieldName, uint64_t fallback = 0) const;
};

// Decodes every opcode of one form package (its 4-byte header included). Throws
// FormPackageError for a header that is not a form package's or disagrees with
// size, an opcode whose length is below 2, runs past the package or is too short
// for its fields, an End with no open scope, or scopes left open.
std::vector<IfrOpcode> DecodeIfr(const uint8_t *bytes, size_t size);

// Numbers of the IFR encoding this component writes and reads.
namespace ifr {
inline constexpr uint8_t kPackageForms = 0x02;
inline constexpr uint8_t kForm = 0x01;
inline constexpr uint8_t kSubtitle = 0x02;
inline constexpr uint8_t kText = 0x03;
inline constexpr uint8_t kOneOf = 0x05;
inline constexpr uint8_t kCheckBox = 0x06;
inline constexpr uint8_t kNumeric = 0x07;
inline constexpr uint8_t kPassword = 0x08;
inline constexpr uint8_t kOneOfOption = 0x09;
inline constexpr uint8_t kAction = 0x0C;
inline constexpr uint8_t kFormSet = 0x0E;
inline constexpr uint8_t kRef = 0x0F;
inline constexpr uint8_t kDate = 0x1A;
inline constexpr uint8_t kTime = 0x1B;
inline constexpr uint8_t kString = 0x1C;
inline constexpr uint8_t kOrderedList = 0x23;
inline constexpr uint8_t kVarStore = 0x24;
inline constexpr uint8_t kVarStoreNameValue = 0x25;
inline constexpr uint8_t kVarStoreEfi = 0x26;
inline constexpr uint8_t kEnd = 0x29;
inline constexpr uint8_t kDefault = 0x5B;
inline constexpr uint8_t kDefaultStore = 0x5C;
inline constexpr uint8_t kGuid = 0x5F;
inline constexpr uint8_t kQuestionCallback = 0x04;
inline constexpr uint8_t kOptionDefault = 0x10;
inline constexpr uint8_t kOptionDefaultMfg = 0x20;
inline constexpr uint8_t kCheckBoxDefault = 0x01;
inline constexpr uint16_t kStandardDefaultId = 0x0000;
}  // namespace ifr

}  // namespace forms
