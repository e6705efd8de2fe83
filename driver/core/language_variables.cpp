#include "core/language_variables.h"

#include "core/firmware_calls.h"
#include "core/language_codes.h"
#include "core/setup_module.h"

namespace {

constexpr UINTN kCodeLength = 3;
const CHAR8 kDefaultLanguageCodes[] = {'e', 'n', 'g'};

// A value read from NVRAM with its size; Data is null when it is absent or unreadable.
struct LanguageValue {
  CHAR8 *Data;
  UINTN Size;
  EFI_STATUS Status;
};

LanguageValue ReadLanguageValue(const CHAR16 *Name, const EFI_GUID *Guid) {
  LanguageValue Value = {nullptr, 0, EFI_SUCCESS};
  Value.Data = static_cast<CHAR8 *>(GetVariableAlloc(Name, Guid, &Value.Size, &Value.Status));
  return Value;
}

// A value present in NVRAM that could not be read (no pool, a racing writer) is
// neither absent nor known: reconciling around it could overwrite the user's choice.
bool Unreadable(const LanguageValue &Value) { return Value.Data == nullptr && Value.Status != EFI_NOT_FOUND; }

void Release(const LanguageValue &Value) {
  if (Value.Data != nullptr) {
    gBS->FreePool(Value.Data);
  }
}

// The OS may store Lang and LastLang of any size: a value too short for a code
// neither converts nor matches.
const CHAR8 *PairedTag(const LanguageValue &Code, UINTN *TagSize) {
  return Code.Data != nullptr && Code.Size >= kCodeLength ? Iso639ToRfc4646(Code.Data, TagSize) : nullptr;
}

// A PlatformLang without a terminator inside its own size has no pair.
const CHAR8 *PairedCode(const LanguageValue &Tag) {
  if (Tag.Data == nullptr) {
    return nullptr;
  }
  for (UINTN Index = 0; Index < Tag.Size; ++Index) {
    if (Tag.Data[Index] == 0) {
      return Rfc4646ToIso639(Tag.Data, nullptr);
    }
  }
  return nullptr;
}

// Code, when given, holds three bytes.
bool SameCode(const LanguageValue &Value, const CHAR8 *Code) {
  return Value.Data != nullptr && Code != nullptr && Value.Size >= kCodeLength && AsciiEqual3(Code, Value.Data);
}

void StoreLastLang(const CHAR8 *Code, UINTN Size) {
  StoreVariable(u"LastLang", &kSetupVariableGuid, kAttrNvBs, Size, Code);
}

// Lang and LastLang take the code; PlatformLang is left as it is.
void StoreCode(const CHAR8 *Code) {
  if (Code == nullptr) {
    return;
  }
  SetGlobalNonVolatile(u"Lang", Code, kCodeLength);
  StoreLastLang(Code, kCodeLength);
}

// PlatformLang follows Lang when Lang has a pair; LastLang records Lang as stored.
void FollowLang(const LanguageValue &Lang) {
  UINTN TagSize = 0;
  const CHAR8 *Tag = PairedTag(Lang, &TagSize);
  if (Tag != nullptr) {
    SetGlobalNonVolatile(u"PlatformLang", Tag, TagSize);
  }
  StoreLastLang(Lang.Data, Lang.Size);
}

// Neither Lang nor PlatformLang: both start from the menu's first language. A
// LastLangCodes shorter than one code names no language, so nothing is stored.
void SelectFirstLanguage(const LanguageValue &Codes) {
  if (Codes.Data == nullptr || Codes.Size < kCodeLength) {
    return;
  }
  SetGlobalNonVolatile(u"Lang", Codes.Data, kCodeLength);
  UINTN TagSize = 0;
  const CHAR8 *Tag = Iso639ToRfc4646(Codes.Data, &TagSize);
  if (Tag != nullptr) {
    SetGlobalNonVolatile(u"PlatformLang", Tag, TagSize);
  }
  StoreLastLang(Codes.Data, kCodeLength);
}

// Both exist. LastLang tells which of the two the user changed since the last load.
void ReconcileBoth(const LanguageValue &Lang, const LanguageValue &PlatformLang) {
  const CHAR8 *PlatformCode = PairedCode(PlatformLang);
  if (SameCode(Lang, PlatformCode)) {
    StoreLastLang(Lang.Data, Lang.Size);
    return;
  }
  LanguageValue LastLang = ReadLanguageValue(u"LastLang", &kSetupVariableGuid);
  if (!Unreadable(LastLang)) {
    const CHAR8 *LastCode = LastLang.Size >= kCodeLength ? LastLang.Data : nullptr;
    if (SameCode(Lang, LastCode)) {
      StoreCode(PlatformCode);
    } else {
      FollowLang(Lang);
    }
  }
  Release(LastLang);
}

void PublishLanguageLists(const LanguageValue &Codes) {
  if (Codes.Data == nullptr) {
    return;
  }
  SetGlobalVolatile(u"LangCodes", Codes.Data, Codes.Size);
  UINTN ListSize = 0;
  CHAR8 *List = Iso639ListToRfc4646List(Codes.Data, Codes.Size, &ListSize);
  if (List != nullptr) {
    SetGlobalVolatile(u"PlatformLangCodes", List, ListSize);
    gBS->FreePool(List);
  }
}

// Appends the low byte of each character of Text; returns the next free position.
UINTN AppendLowBytes(CHAR8 *Codes, UINTN Position, const CHAR16 *Text) {
  for (; *Text != 0; ++Text) {
    Codes[Position++] = static_cast<CHAR8>(*Text & 0xFF);
  }
  return Position;
}

}  // namespace

void BuildLastLangCodes(EFI_HII_HANDLE HiiHandle) {
  EFI_HII_PROTOCOL *Hii = gSetupModule.Hii;
  if (Hii == nullptr) {
    return;
  }
  EFI_STRING Primary = nullptr;
  if (EfiError(Hii->GetPrimaryLanguages(Hii, HiiHandle, &Primary))) {
    Primary = nullptr;
  }
  EFI_STRING Secondary = nullptr;
  if (EfiError(Hii->GetSecondaryLanguages(Hii, HiiHandle, Primary, &Secondary))) {
    Secondary = nullptr;
  }
  UINTN Length = (Primary != nullptr ? WideStrLen(Primary) : 0) + (Secondary != nullptr ? WideStrLen(Secondary) : 0);
  if (Length == 0) {
    StoreVariable(u"LastLangCodes", &kSetupVariableGuid, kAttrNvBs, sizeof(kDefaultLanguageCodes),
                  kDefaultLanguageCodes);
  } else {
    CHAR8 *Codes = static_cast<CHAR8 *>(AllocateZeroedPool(Length));
    if (Codes != nullptr) {
      UINTN Position = Primary != nullptr ? AppendLowBytes(Codes, 0, Primary) : 0;
      if (Secondary != nullptr) {
        AppendLowBytes(Codes, Position, Secondary);
      }
      StoreVariable(u"LastLangCodes", &kSetupVariableGuid, kAttrNvBs, Length, Codes);
      gBS->FreePool(Codes);
    }
  }
  // The protocol allocated both texts, also empty ones.
  if (Primary != nullptr) {
    gBS->FreePool(Primary);
  }
  if (Secondary != nullptr) {
    gBS->FreePool(Secondary);
  }
}

void InitLanguageVariables() {
  LanguageValue Codes = ReadLanguageValue(u"LastLangCodes", &kSetupVariableGuid);
  PublishLanguageLists(Codes);
  LanguageValue Lang = ReadLanguageValue(u"Lang", &kEfiGlobalVariableGuid);
  LanguageValue PlatformLang = ReadLanguageValue(u"PlatformLang", &kEfiGlobalVariableGuid);
  if (!Unreadable(Lang) && !Unreadable(PlatformLang)) {
    // A Lang shorter than one code (an OS may store one) names no language and
    // counts as absent, so it is repaired instead of kept for good.
    const bool HaveLang = Lang.Data != nullptr && Lang.Size >= kCodeLength;
    if (!HaveLang && PlatformLang.Data != nullptr) {
      StoreCode(PairedCode(PlatformLang));
    } else if (!HaveLang) {
      SelectFirstLanguage(Codes);
    } else if (PlatformLang.Data == nullptr) {
      FollowLang(Lang);
    } else {
      ReconcileBoth(Lang, PlatformLang);
    }
  }
  Release(Codes);
  Release(Lang);
  Release(PlatformLang);
}
