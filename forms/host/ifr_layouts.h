// The layout of each IFR opcode's body: its fields in encoding order, by name,
// as the UEFI IFR chapter and EDK2's public headers name them. The decoder
// (ifr_opcodes.cpp) reads a body field by field along its layout.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/uefi/uefi_base.h"

namespace forms {

enum class FieldType : uint8_t {
  Optional,    // an opcode may end here (an older, shorter form); the fields up to the next Optional come together
  U8,          // numbers shown in decimal, by width
  U16,
  U32,
  U64,
  H8,          // numbers shown in hexadecimal, by width
  H16,
  H32,
  Sid,         // a 16-bit string id
  Guid,
  Name,        // NUL-terminated ASCII
  Statement,   // Prompt, Help
  Question,    // Statement, QuestionId, VarStoreId, VarOffset or VarName, QuestionFlags
  MinMaxStep,  // Size (bits), MinValue, MaxValue, Step, as wide as Flags' low two bits say
  ValueType,   // an EFI_IFR_TYPE_* byte, shown by name
  TypedValue,  // a value of the type the last ValueType named
  ClassGuids,  // as many GUIDs as Flags' low two bits say
  ValueList,   // ListLength 16-bit values
  Methods,     // MethodTitle and MethodIdentifier pairs to the end
  GuidData,    // a GUID opcode's extension (a known GUID and opcode) or its data
  Defaults,    // no bytes: Flags' standard and manufacturing default bits, shown as flags
};

struct FieldLayout {
  FieldType type;
  const char *name = "";  // for the single-field types
};

struct OpcodeLayout {
  const char *name;
  std::vector<FieldLayout> fields;
};

// Null for a number outside the IFR set.
const OpcodeLayout *LayoutOf(uint8_t code);

// A GUID opcode whose GUID and first data byte name an extension (EDK2's labels,
// banners, classes; the Framework compatibility opcodes): its name and the
// layout of the bytes after that byte.
struct GuidExtension {
  EFI_GUID guid;
  uint8_t extendOpcode;
  OpcodeLayout layout;
};
const GuidExtension *ExtensionOf(const EFI_GUID &guid, uint8_t extendOpcode);
bool IsExtensionGuid(const EFI_GUID &guid);  // a GUID whose opcodes carry an extension byte

// EFI_IFR_TYPE_* names and value widths; width -1: the rest of the opcode (a buffer).
struct ValueTypeInfo {
  const char *name;
  int width;
};
const ValueTypeInfo *ValueTypeOf(uint64_t type);  // null for an unknown type

}  // namespace forms
