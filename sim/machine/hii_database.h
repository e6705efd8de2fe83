// The HII database behind the string service and the Framework HII protocol:
// the board's package lists, which of them are published under which 16-bit
// handle, their current strings, and every string change accepted.
#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "driver/uefi/framework_hii.h"
#include "sim/board_profile.h"
#include "sim/boot.h"

namespace sim {

struct PublishedList {
  EFI_HII_HANDLE handle;
  const PackageListSpec *source;
  void *formCallback;  // the list's form callback instance (platform_records.h lays it out)
  std::map<uint16_t, std::u16string> changedTexts;  // only strings set since publishing

  // The string's current text; null for an id the list lacks.
  const std::u16string *Text(uint16_t stringId) const;
};

class HiiDatabase {
 public:
  explicit HiiDatabase(const std::vector<PackageListSpec> &lists) : lists_(lists) {}

  const PackageListSpec *ListOfClass(uint16_t formClass) const;
  // Registers the list under a fresh non-zero handle; null once all 65535 handles were given out.
  PublishedList *Publish(const PackageListSpec &list, void *formCallback);
  PublishedList *Find(EFI_HII_HANDLE handle);
  PublishedList *FindClass(uint16_t formClass);  // the earliest published list of that class still registered
  bool Remove(EFI_HII_HANDLE handle);

  // EFI_INVALID_PARAMETER for an unknown handle or null text, EFI_NOT_FOUND for
  // an id the list lacks; otherwise replaces the string and records the change.
  EFI_STATUS SetString(EFI_HII_HANDLE handle, uint16_t stringId, const char16_t *text);
  // Off, accepted changes are only counted, neither kept as the list's text nor
  // recorded: a boot checked only for soundness reads none, and copying each
  // text and label was much of its cost.
  void RecordStrings(bool record) { recordStrings_ = record; }
  const std::vector<StringRecord> &Strings() const { return strings_; }
  std::vector<StringRecord> TakeStrings() { return std::move(strings_); }
  size_t StringsAccepted() const { return accepted_; }

 private:
  const std::vector<PackageListSpec> &lists_;
  std::vector<std::unique_ptr<PublishedList>> published_;  // in publishing order
  EFI_HII_HANDLE lastHandle_ = 0;
  std::vector<StringRecord> strings_;
  bool recordStrings_ = true;
  size_t accepted_ = 0;
};

}  // namespace sim
