#include "core/language_codes.h"

#include "platform/firmware_services.h"

namespace {

const CHAR8 *const kIso639Codes[] = {"eng", nullptr};
const CHAR8 *const kRfc4646Tags[] = {"en-US", nullptr};

constexpr UINTN kIso639CodeLength = 3;

}  // namespace

const LanguagePairList LanguagePairTable = {kIso639Codes, kRfc4646Tags};

const CHAR8 *Iso639ToRfc4646(const CHAR8 *Code, UINTN *Size) {
  if (Code == nullptr) {
    return nullptr;
  }
  for (UINTN Index = 0; LanguagePairTable.Iso639Codes[Index] != nullptr; ++Index) {
    if (MemCompare(LanguagePairTable.Iso639Codes[Index], Code, kIso639CodeLength) == 0) {
      const CHAR8 *Tag = LanguagePairTable.Rfc4646Tags[Index];
      if (Size != nullptr) {
        *Size = AsciiStrLen(Tag) + 1;
      }
      return Tag;
    }
  }
  return nullptr;
}

const CHAR8 *Rfc4646ToIso639(const CHAR8 *Tag, UINTN *Size) {
  if (Tag == nullptr) {
    return nullptr;
  }
  for (UINTN Index = 0; LanguagePairTable.Rfc4646Tags[Index] != nullptr; ++Index) {
    if (AsciiStrCmp(LanguagePairTable.Rfc4646Tags[Index], Tag) == 0) {
      if (Size != nullptr) {
        *Size = kIso639CodeLength;
      }
      return LanguagePairTable.Iso639Codes[Index];
    }
  }
  return nullptr;
}

CHAR8 *Iso639ListToRfc4646List(const CHAR8 *Codes, UINTN Length, UINTN *Size) {
  if (Codes == nullptr || Codes[0] == 0 || Length < kIso639CodeLength) {
    return nullptr;
  }
  UINTN Groups = Length / kIso639CodeLength;
  CHAR8 *List = static_cast<CHAR8 *>(AllocateBootPool(Groups * kRfc4646ListBytesPerCode));
  if (List == nullptr) {
    return nullptr;
  }
  UINTN Written = 0;
  for (UINTN Group = 0; Group < Groups; ++Group) {
    UINTN TagSize = 0;
    const CHAR8 *Tag = Iso639ToRfc4646(Codes + Group * kIso639CodeLength, &TagSize);
    if (Tag == nullptr) {
      continue;
    }
    // TagSize counts the terminator, which the list replaces with ';'.
    MemMove(List + Written, Tag, TagSize - 1);
    Written += TagSize - 1;
    List[Written++] = ';';
  }
  if (Written == 0) {
    gBS->FreePool(List);
    if (Size != nullptr) {
      *Size = 0;
    }
    return nullptr;
  }
  List[Written - 1] = 0;
  if (Size != nullptr) {
    *Size = Written;
  }
  return List;
}
