// GetVariable and SetVariable with the statuses the UEFI specification gives
// them, over an in-memory list; the NVRAM file lives in nvram_file.cpp.
#include "sim/variable_store.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "sim/machine/guid_text.h"

namespace sim {

namespace {

constexpr uint32_t kStorableAttributes =
    EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

bool IsNonVolatile(uint32_t attributes) { return (attributes & EFI_VARIABLE_NON_VOLATILE) != 0; }

// GUID text is fixed-width hexadecimal of the fields in order, so it sorts as the
// fields read as numbers: the comparison needs no text.
bool GuidTextLess(const EFI_GUID &a, const EFI_GUID &b) {
  if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
  if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
  if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
  return std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) < 0;
}

}  // namespace

EFI_STATUS VariableStore::Get(const char16_t *name, const EFI_GUID *guid, uint32_t *attributes, UINTN *dataSize,
                              void *data) {
  ++counters_.reads;
  if (name == nullptr || guid == nullptr || dataSize == nullptr) return EFI_INVALID_PARAMETER;
  const StoredVariable *variable = Find(name, *guid);
  if (variable == nullptr) return EFI_NOT_FOUND;
  // Since UEFI 2.7 the attributes are returned with EFI_BUFFER_TOO_SMALL as well.
  if (attributes != nullptr) *attributes = variable->attributes;
  if (*dataSize < variable->data.size()) {
    *dataSize = variable->data.size();
    return EFI_BUFFER_TOO_SMALL;
  }
  if (data == nullptr) return EFI_INVALID_PARAMETER;
  std::copy(variable->data.begin(), variable->data.end(), static_cast<uint8_t *>(data));  // may be empty
  *dataSize = variable->data.size();
  return EFI_SUCCESS;
}

EFI_STATUS VariableStore::Set(const char16_t *name, const EFI_GUID *guid, uint32_t attributes, UINTN dataSize,
                              const void *data) {
  if (name == nullptr || name[0] == 0 || guid == nullptr) return EFI_INVALID_PARAMETER;
  if (dataSize != 0 && data == nullptr) return EFI_INVALID_PARAMETER;
  const bool append = (attributes & EFI_VARIABLE_APPEND_WRITE) != 0;
  attributes &= ~EFI_VARIABLE_APPEND_WRITE;
  if ((attributes & ~kStorableAttributes) != 0) return EFI_UNSUPPORTED;  // authenticated and error records
  if ((attributes & EFI_VARIABLE_RUNTIME_ACCESS) != 0 && (attributes & EFI_VARIABLE_BOOTSERVICE_ACCESS) == 0) {
    return EFI_INVALID_PARAMETER;
  }

  auto found = std::find_if(variables_.begin(), variables_.end(), [&](const StoredVariable &v) {
    return v.name == name && GuidEqual(v.guid, *guid);
  });
  const bool exists = found != variables_.end();
  // A variable keeps its attributes until it is deleted; attributes 0 always deletes.
  if (exists && attributes != 0 && attributes != found->attributes) return EFI_INVALID_PARAMETER;

  const auto *bytes = static_cast<const uint8_t *>(data);
  if (attributes == 0 || (dataSize == 0 && !append)) {
    if (!exists) return EFI_NOT_FOUND;
    if (IsNonVolatile(found->attributes)) ++counters_.writes;
    variables_.erase(found);
    return EFI_SUCCESS;
  }
  if (dataSize == 0) return EFI_SUCCESS;  // an empty append leaves the variable as it is

  if (!exists) {
    variables_.push_back({name, *guid, attributes, {}});
    found = variables_.end() - 1;
  } else if (!append && found->data.size() == dataSize && std::memcmp(found->data.data(), bytes, dataSize) == 0) {
    if (IsNonVolatile(attributes)) ++counters_.identicalWrites;
    return EFI_SUCCESS;
  }
  if (!append) found->data.clear();
  found->data.insert(found->data.end(), bytes, bytes + dataSize);
  if (IsNonVolatile(attributes)) {
    ++counters_.writes;
    counters_.bytesWritten += dataSize;
  }
  return EFI_SUCCESS;
}

const StoredVariable *VariableStore::Find(std::u16string_view name, const EFI_GUID &guid) const {
  for (const StoredVariable &variable : variables_) {
    if (GuidEqual(variable.guid, guid) && variable.name == name) return &variable;
  }
  return nullptr;
}

std::vector<StoredVariable> VariableStore::All() const {
  std::vector<StoredVariable> sorted = variables_;
  std::sort(sorted.begin(), sorted.end(), [](const StoredVariable &a, const StoredVariable &b) {
    if (GuidTextLess(a.guid, b.guid)) return true;
    if (GuidTextLess(b.guid, a.guid)) return false;
    return a.name < b.name;
  });
  return sorted;
}

void VariableStore::Put(const StoredVariable &variable) {
  for (StoredVariable &existing : variables_) {
    if (existing.name == variable.name && GuidEqual(existing.guid, variable.guid)) {
      existing = variable;
      return;
    }
  }
  variables_.push_back(variable);
}

VariableStore VariableStore::WithVariables(std::vector<StoredVariable> variables) {
  VariableStore store;
  std::map<std::pair<std::string, std::u16string>, size_t> index;
  for (StoredVariable &variable : variables) {
    const auto [at, added] = index.emplace(std::make_pair(GuidToText(variable.guid), variable.name), store.variables_.size());
    if (added) {
      store.variables_.push_back(std::move(variable));
    } else {
      store.variables_[at->second] = std::move(variable);
    }
  }
  return store;
}

void VariableStore::DropVolatile() {
  variables_.erase(std::remove_if(variables_.begin(), variables_.end(),
                                  [](const StoredVariable &v) { return !IsNonVolatile(v.attributes); }),
                   variables_.end());
}

}  // namespace sim
