// A UEFI HII form package read back into the form set it describes: the form
// set's title and class GUIDs, its variable stores, and each form's items in
// order. The simulator reads the same bytes the firmware's browser reads, so a
// page rendered here shows what a board's setup menu would show. Built on the
// opcode decoder (ifr_opcodes.h); questions of kinds the setup menu never uses
// (check boxes, numerics, strings, ...) are left to the dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "forms/host/ifr_opcodes.h"

namespace forms {

enum class FormItemKind { Subtitle, Text, Reference, Action, Setting };

struct FormOption {
  uint16_t text = 0;  // string id
  uint64_t value = 0;
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
  uint16_t varStoreId = 0;  // Setting: the store and the bytes it edits
  uint16_t offset = 0;
  uint8_t width = 1;        // Setting: bytes of the value, from its flags
  uint8_t flags = 0;        // Setting: the one-of's own flags (size, display)
  std::vector<FormOption> options;       // Setting
  std::optional<uint64_t> defaultValue;  // Setting: the standard default, by option flag or default opcode
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

// Reads one form package (header included). Throws FormPackageError for what
// DecodeIfr refuses and for a package that is no single form set: none, a
// second one, a form outside it, a statement outside a form, an option outside
// a one-of or an ordered list.
FormSet DecodeFormPackage(const uint8_t *bytes, size_t size);

// The image of the store's variable that the form set's standard defaults give:
// size bytes of zeros with each setting's default, little-endian, at its offset.
std::vector<uint8_t> DefaultImage(const FormSet &formSet, uint16_t varStoreId, size_t size);

}  // namespace forms
