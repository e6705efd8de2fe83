#include "string_package.h"

#include "platform/firmware_services.h"

static UINT16 LargestId(const PackageListSeed *Seed) {
  return Seed->StringCount == 0 ? 0 : Seed->Strings[Seed->StringCount - 1].Id;
}

static const CHAR16 *TextOf(const PackageListSeed *Seed, UINTN *Next, UINT16 Id) {
  if (*Next < Seed->StringCount && Seed->Strings[*Next].Id == Id) {
    return Seed->Strings[(*Next)++].Text;
  }
  return u"";
}

// Bytes of the string blocks: one UCS-2 block per id, then the end block.
static UINTN BlocksSize(const PackageListSeed *Seed) {
  UINTN size = 1;
  UINTN next = 0;
  for (UINT32 id = 1; id <= LargestId(Seed); id++) {
    size += 1 + (WideStrLen(TextOf(Seed, &next, (UINT16)id)) + 1) * sizeof(CHAR16);
  }
  return size;
}

static UINT8 *WriteBlocks(const PackageListSeed *Seed, UINT8 *Out) {
  UINTN next = 0;
  for (UINT32 id = 1; id <= LargestId(Seed); id++) {
    const CHAR16 *text = TextOf(Seed, &next, (UINT16)id);
    const UINTN bytes = (WideStrLen(text) + 1) * sizeof(CHAR16);
    *Out++ = EFI_HII_SIBT_STRING_UCS2;
    MemMove(Out, text, bytes);
    Out += bytes;
  }
  *Out++ = EFI_HII_SIBT_END;
  return Out;
}

EFI_HII_PACKAGE_LIST_HEADER *BuildPackageList(const PackageListSeed *Seed, const EFI_GUID *Guid) {
  const UINTN headerSize = sizeof(EFI_HII_STRING_PACKAGE_HDR) + sizeof kPackageLanguage;
  const UINTN packageSize = headerSize + BlocksSize(Seed);
  const UINTN formSize = Seed->FormPackage == nullptr ? 0 : Seed->FormPackageSize;
  const UINTN listSize =
      sizeof(EFI_HII_PACKAGE_LIST_HEADER) + formSize + packageSize + sizeof(EFI_HII_PACKAGE_HEADER);
  if (packageSize > 0xFFFFFF) {
    return nullptr;  // a package length has 24 bits
  }
  UINT8 *block = (UINT8 *)AllocateZeroedPool(listSize);
  if (block == nullptr) {
    return nullptr;
  }
  EFI_HII_PACKAGE_LIST_HEADER *list = (EFI_HII_PACKAGE_LIST_HEADER *)block;
  list->PackageListGuid = *Guid;
  list->PackageLength = (UINT32)listSize;

  // The form package is already whole (header included): it goes in as it is.
  UINT8 *forms = (UINT8 *)(list + 1);
  MemMove(forms, Seed->FormPackage, formSize);
  EFI_HII_STRING_PACKAGE_HDR *strings = (EFI_HII_STRING_PACKAGE_HDR *)(forms + formSize);
  strings->Header.LengthAndType = HiiPackageHeader((UINT32)packageSize, EFI_HII_PACKAGE_STRINGS);
  strings->HdrSize = (UINT32)headerSize;
  strings->StringInfoOffset = (UINT32)headerSize;
  MemMove(strings + 1, kPackageLanguage, sizeof kPackageLanguage);

  UINT8 *end = WriteBlocks(Seed, (UINT8 *)strings + headerSize);
  ((EFI_HII_PACKAGE_HEADER *)end)->LengthAndType = HiiPackageHeader(sizeof(EFI_HII_PACKAGE_HEADER), EFI_HII_PACKAGE_END);
  return list;
}
