// A UEFI HII form package read back into the form set it describes: the form
// set's title and class GUIDs, its variable stores, and each form's items in
// order. The simulator reads the same bytes the firmware's browser reads, so a
// page rendered here shows what a board's setup menu would show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/uefi/uefi_base.h"

namespace forms {

// A form package that breaks the IFR rules: what is wrong and at which byte.
struct FormPackageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class FormItemKind { Subtitle, Text, Reference, Action, Setting };

struct FormOption {
  uint16_t text = 0;  // string id
  uint8_t value = 0;
  bool isDefault = false;  // the standard default
};

struct FormItem {
  FormItemKind kind = FormItemKind::Subtitle;
  uint16_t prompt = 0;      // string ids
  uint16_t help = 0;
  uint16_t textTwo = 0;     // Text: the value beside the prompt
  uint16_t questionId = 0;  // Reference, Action, Setting
  uint8_t questionFlags = 0;
  uint16_t targetForm = 0;  // Reference
  uint16_t varStoreId = 0;  // Setting: the store and the byte it edits
  uint16_t offset = 0;
  std::vector<FormOption> options;  // Setting
};

struct Form {
  uint16_t id = 0;
  uint16_t title = 0;
  std::vector<FormItem> items;
};

struct FormVarStore {
  uint16_t id = 0;
  EFI_GUID guid{};
  uint32_t attributes = 0;
  uint16_t size = 0;
  std::string name;
};

struct FormSet {
  EFI_GUID guid{};
  uint16_t title = 0;
  uint16_t help = 0;
  std::vector<EFI_GUID> classGuids;
  std::vector<uint16_t> defaultStores;  // default ids
  std::vector<FormVarStore> varStores;
  std::vector<Form> forms;

  const Form *FindForm(uint16_t id) const;
  const FormVarStore *FindVarStore(uint16_t id) const;
};

// Reads one form package (header included). Throws FormPackageError for a package
// whose header or opcodes are malformed: a length that is zero, too short for
// its opcode or runs past the package, scopes that do not close, more than one
// form set. Opcodes this reader does not know are skipped whole.
FormSet DecodeFormPackage(const uint8_t *bytes, size_t size);

// The image of the store's variable that the form set's standard defaults give:
// size bytes of zeros with each setting's default at its offset.
std::vector<uint8_t> DefaultImage(const FormSet &formSet, uint16_t varStoreId, size_t size);

// Constants of the IFR encoding the builder writes and this reader reads.
namespace ifr {
inline constexpr uint8_t kPackageForms = 0x02;
inline constexpr uint8_t kForm = 0x01;
inline constexpr uint8_t kSubtitle = 0x02;
inline constexpr uint8_t kText = 0x03;
inline constexpr uint8_t kOneOf = 0x05;
inline constexpr uint8_t kOneOfOption = 0x09;
inline constexpr uint8_t kAction = 0x0C;
inline constexpr uint8_t kFormSet = 0x0E;
inline constexpr uint8_t kRef = 0x0F;
inline constexpr uint8_t kVarStoreEfi = 0x26;
inline constexpr uint8_t kEnd = 0x29;
inline constexpr uint8_t kDefaultStore = 0x5C;
inline constexpr uint8_t kQuestionCallback = 0x04;
inline constexpr uint8_t kOptionDefault = 0x10;
}  // namespace ifr

}  // namespace forms
