#include "sim/machine/hii_database.h"

#include <algorithm>

namespace sim {

const std::u16string *PublishedList::Text(uint16_t stringId) const {
  auto changed = changedTexts.find(stringId);
  if (changed != changedTexts.end()) return &changed->second;
  const StringSpec *string = source->strings.Find(stringId);
  return string == nullptr ? nullptr : &string->text;
}

const PackageListSpec *HiiDatabase::ListOfClass(uint16_t formClass) const {
  for (const PackageListSpec &list : lists_) {
    if (list.formClass == formClass) return &list;
  }
  return nullptr;
}

PublishedList *HiiDatabase::Publish(const PackageListSpec &list, void *formCallback) {
  // Handles only grow within a boot, so a stale handle never reaches a newer list.
  if (lastHandle_ == 0xFFFF) return nullptr;
  ++lastHandle_;
  published_.push_back(std::make_unique<PublishedList>(PublishedList{lastHandle_, &list, formCallback, {}}));
  return published_.back().get();
}

PublishedList *HiiDatabase::Find(EFI_HII_HANDLE handle) {
  for (auto &list : published_) {
    if (list->handle == handle) return list.get();
  }
  return nullptr;
}

PublishedList *HiiDatabase::FindClass(uint16_t formClass) {
  for (auto &list : published_) {
    if (list->source->formClass == formClass) return list.get();
  }
  return nullptr;
}

bool HiiDatabase::Remove(EFI_HII_HANDLE handle) {
  auto found = std::find_if(published_.begin(), published_.end(),
                            [&](const std::unique_ptr<PublishedList> &list) { return list->handle == handle; });
  if (found == published_.end()) return false;
  published_.erase(found);
  return true;
}

EFI_STATUS HiiDatabase::SetString(EFI_HII_HANDLE handle, uint16_t stringId, const char16_t *text) {
  PublishedList *list = Find(handle);
  if (list == nullptr || text == nullptr) return EFI_INVALID_PARAMETER;
  // Only the changed texts are copied: a boot sets few of a list's many strings.
  const StringSpec *string = list->source->strings.Find(stringId);
  if (string == nullptr) return EFI_NOT_FOUND;
  ++accepted_;
  if (!recordStrings_) return EFI_SUCCESS;
  std::u16string &current = list->changedTexts[stringId];
  current = text;
  strings_.push_back({list->source->formClass, stringId, string->label, current});
  return EFI_SUCCESS;
}

}  // namespace sim
