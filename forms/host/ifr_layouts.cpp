#include "forms/host/ifr_layouts.h"

#include <array>
#include <cstring>
#include <utility>

namespace forms {
namespace {

using T = FieldType;

// Expressions and scope openers with no fields of their own take an empty layout.
const std::vector<std::pair<uint8_t, OpcodeLayout>> kLayouts = {
    {0x01, {"Form", {{T::H16, "FormId"}, {T::Sid, "FormTitle"}}}},
    {0x02, {"Subtitle", {{T::Statement}, {T::H8, "Flags"}}}},
    {0x03, {"Text", {{T::Statement}, {T::Sid, "TextTwo"}}}},
    {0x04, {"Image", {{T::H16, "Id"}}}},
    {0x05, {"OneOf", {{T::Question}, {T::H8, "Flags"}, {T::MinMaxStep}}}},
    {0x06, {"CheckBox", {{T::Question}, {T::H8, "Flags"}, {T::Defaults}}}},
    {0x07, {"Numeric", {{T::Question}, {T::H8, "Flags"}, {T::MinMaxStep}}}},
    {0x08, {"Password", {{T::Question}, {T::U16, "MinSize"}, {T::U16, "MaxSize"}}}},
    {0x09, {"OneOfOption", {{T::Sid, "Option"}, {T::H8, "Flags"}, {T::ValueType, "Type"}, {T::TypedValue, "Value"},
                            {T::Defaults}}}},
    {0x0A, {"SuppressIf", {}}},
    {0x0B, {"Locked", {}}},
    {0x0C, {"Action", {{T::Question}, {T::Optional}, {T::Sid, "QuestionConfig"}}}},
    {0x0D, {"ResetButton", {{T::Statement}, {T::H16, "DefaultId"}}}},
    {0x0E, {"FormSet", {{T::Guid, "Guid"}, {T::Sid, "FormSetTitle"}, {T::Sid, "Help"}, {T::Optional},
                        {T::H8, "Flags"}, {T::ClassGuids}}}},
    // Ref, Ref2 to Ref4 by length; Ref5 is the question alone. The question it leads to is
    // RefQuestionId, beside the reference's own QuestionId.
    {0x0F, {"Ref", {{T::Question}, {T::Optional}, {T::H16, "FormId"}, {T::Optional}, {T::H16, "RefQuestionId"},
                    {T::Optional}, {T::Guid, "FormSetId"}, {T::Optional}, {T::Sid, "DevicePath"}}}},
    {0x10, {"NoSubmitIf", {{T::Sid, "Error"}}}},
    {0x11, {"InconsistentIf", {{T::Sid, "Error"}}}},
    {0x12, {"EqIdVal", {{T::H16, "QuestionId"}, {T::U16, "Value"}}}},
    {0x13, {"EqIdId", {{T::H16, "QuestionId1"}, {T::H16, "QuestionId2"}}}},
    {0x14, {"EqIdValList", {{T::H16, "QuestionId"}, {T::U16, "ListLength"}, {T::ValueList}}}},
    {0x15, {"And", {}}},
    {0x16, {"Or", {}}},
    {0x17, {"Not", {}}},
    {0x18, {"Rule", {{T::U8, "RuleId"}}}},
    {0x19, {"GrayOutIf", {}}},
    {0x1A, {"Date", {{T::Question}, {T::H8, "Flags"}}}},
    {0x1B, {"Time", {{T::Question}, {T::H8, "Flags"}}}},
    {0x1C, {"String", {{T::Question}, {T::U8, "MinSize"}, {T::U8, "MaxSize"}, {T::H8, "Flags"}}}},
    {0x1D, {"Refresh", {{T::U8, "RefreshInterval"}}}},
    {0x1E, {"DisableIf", {}}},
    {0x1F, {"Animation", {{T::H16, "Id"}}}},
    {0x20, {"ToLower", {}}},
    {0x21, {"ToUpper", {}}},
    {0x22, {"Map", {}}},
    {0x23, {"OrderedList", {{T::Question}, {T::U8, "MaxContainers"}, {T::H8, "Flags"}}}},
    {0x24, {"VarStore", {{T::Guid, "Guid"}, {T::H16, "VarStoreId"}, {T::U16, "Size"}, {T::Name, "Name"}}}},
    {0x25, {"VarStoreNameValue", {{T::H16, "VarStoreId"}, {T::Guid, "Guid"}}}},
    // Before UEFI 2.3.1 an EFI variable store had no size and no name.
    {0x26, {"VarStoreEfi", {{T::H16, "VarStoreId"}, {T::Guid, "Guid"}, {T::H32, "Attributes"}, {T::Optional},
                            {T::U16, "Size"}, {T::Name, "Name"}}}},
    {0x27, {"VarStoreDevice", {{T::Sid, "DevicePath"}}}},
    {0x28, {"Version", {}}},
    {0x29, {"End", {}}},
    {0x2A, {"Match", {}}},
    {0x2B, {"Get", {{T::H16, "VarStoreId"}, {T::H16, "VarStoreInfo"}, {T::ValueType, "VarStoreType"}}}},
    {0x2C, {"Set", {{T::H16, "VarStoreId"}, {T::H16, "VarStoreInfo"}, {T::ValueType, "VarStoreType"}}}},
    {0x2D, {"Read", {}}},
    {0x2E, {"Write", {}}},
    {0x2F, {"Equal", {}}},
    {0x30, {"NotEqual", {}}},
    {0x31, {"GreaterThan", {}}},
    {0x32, {"GreaterEqual", {}}},
    {0x33, {"LessThan", {}}},
    {0x34, {"LessEqual", {}}},
    {0x35, {"BitwiseAnd", {}}},
    {0x36, {"BitwiseOr", {}}},
    {0x37, {"BitwiseNot", {}}},
    {0x38, {"ShiftLeft", {}}},
    {0x39, {"ShiftRight", {}}},
    {0x3A, {"Add", {}}},
    {0x3B, {"Subtract", {}}},
    {0x3C, {"Multiply", {}}},
    {0x3D, {"Divide", {}}},
    {0x3E, {"Modulo", {}}},
    {0x3F, {"RuleRef", {{T::U8, "RuleId"}}}},
    {0x40, {"QuestionRef1", {{T::H16, "QuestionId"}}}},
    {0x41, {"QuestionRef2", {}}},
    {0x42, {"Uint8", {{T::U8, "Value"}}}},
    {0x43, {"Uint16", {{T::U16, "Value"}}}},
    {0x44, {"Uint32", {{T::U32, "Value"}}}},
    {0x45, {"Uint64", {{T::U64, "Value"}}}},
    {0x46, {"True", {}}},
    {0x47, {"False", {}}},
    {0x48, {"ToUint", {}}},
    {0x49, {"ToString", {{T::H8, "Format"}}}},
    {0x4A, {"ToBoolean", {}}},
    {0x4B, {"Mid", {}}},
    {0x4C, {"Find", {{T::H8, "Format"}}}},
    {0x4D, {"Token", {}}},
    {0x4E, {"StringRef1", {{T::Sid, "StringId"}}}},
    {0x4F, {"StringRef2", {}}},
    {0x50, {"Conditional", {}}},
    // QuestionRef3, _2 and _3 by length.
    {0x51, {"QuestionRef3", {{T::Optional}, {T::Sid, "DevicePath"}, {T::Optional}, {T::Guid, "Guid"}}}},
    {0x52, {"Zero", {}}},
    {0x53, {"One", {}}},
    {0x54, {"Ones", {}}},
    {0x55, {"Undefined", {}}},
    {0x56, {"Length", {}}},
    {0x57, {"Dup", {}}},
    {0x58, {"This", {}}},
    {0x59, {"Span", {{T::H8, "Flags"}}}},
    {0x5A, {"Value", {}}},
    // Of type OTHER, the default's value is the expression in its scope.
    {0x5B, {"Default", {{T::H16, "DefaultId"}, {T::ValueType, "Type"}, {T::TypedValue, "Value"}}}},
    {0x5C, {"DefaultStore", {{T::Sid, "DefaultName"}, {T::H16, "DefaultId"}}}},
    {0x5D, {"FormMap", {{T::H16, "FormId"}, {T::Methods}}}},
    {0x5E, {"Catenate", {}}},
    {0x5F, {"Guid", {{T::Guid, "Guid"}, {T::GuidData}}}},
    {0x60, {"Security", {{T::Guid, "Permissions"}}}},
    {0x61, {"ModalTag", {}}},
    {0x62, {"RefreshId", {{T::Guid, "RefreshEventGroupId"}}}},
    {0x63, {"WarningIf", {{T::Sid, "Warning"}, {T::U8, "TimeOut"}}}},
    {0x64, {"Match2", {{T::Guid, "SyntaxType"}}}},
};

// EDK2's extension opcodes and the Framework compatibility ones.
constexpr EFI_GUID kTianoExtensionGuid = {0x0F0B1735, 0x87A0, 0x4193, {0xB2, 0x66, 0x53, 0x8C, 0x38, 0xAF, 0x48, 0xCE}};
constexpr EFI_GUID kFrameworkExtensionGuid = {
    0x31CA5D1A, 0xD511, 0x4931, {0xB7, 0x82, 0xAE, 0x77, 0xD6, 0xD5, 0xA6, 0xBF}};

const std::vector<GuidExtension> kExtensions = {
    {kTianoExtensionGuid, 0x00, {"Label", {{T::H16, "Number"}}}},
    {kTianoExtensionGuid, 0x01, {"Banner", {{T::Sid, "Title"}, {T::U16, "LineNumber"}, {T::U8, "Alignment"}}}},
    {kTianoExtensionGuid, 0x02, {"Timeout", {{T::U16, "Timeout"}}}},
    {kTianoExtensionGuid, 0x03, {"Class", {{T::H16, "Class"}}}},
    {kTianoExtensionGuid, 0x04, {"SubClass", {{T::H16, "SubClass"}}}},
    {kFrameworkExtensionGuid, 0x00, {"OptionKey", {{T::H16, "QuestionId"}}}},
    {kFrameworkExtensionGuid, 0x01, {"VarEqName", {{T::H16, "QuestionId"}, {T::Sid, "NameId"}}}},
};

const std::array<ValueTypeInfo, 13> kValueTypes = {{
    {"UINT8", 1}, {"UINT16", 2}, {"UINT32", 4}, {"UINT64", 8}, {"BOOLEAN", 1}, {"TIME", 3}, {"DATE", 4},
    {"STRING", 2}, {"OTHER", 0}, {"UNDEFINED", 0}, {"ACTION", 2}, {"BUFFER", -1}, {"REF", 22},
}};

bool SameGuid(const EFI_GUID &a, const EFI_GUID &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

const OpcodeLayout *LayoutOf(uint8_t code) {
  static const std::array<const OpcodeLayout *, 256> byCode = [] {
    std::array<const OpcodeLayout *, 256> table{};
    for (const auto &[number, layout] : kLayouts) table[number] = &layout;
    return table;
  }();
  return byCode[code];
}

const GuidExtension *ExtensionOf(const EFI_GUID &guid, uint8_t extendOpcode) {
  for (const GuidExtension &extension : kExtensions) {
    if (extension.extendOpcode == extendOpcode && SameGuid(extension.guid, guid)) return &extension;
  }
  return nullptr;
}

bool IsExtensionGuid(const EFI_GUID &guid) {
  return SameGuid(guid, kTianoExtensionGuid) || SameGuid(guid, kFrameworkExtensionGuid);
}

const ValueTypeInfo *ValueTypeOf(uint64_t type) { return type < kValueTypes.size() ? &kValueTypes[type] : nullptr; }

}  // namespace forms
