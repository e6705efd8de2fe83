// The Framework EFI_HII_PROTOCOL members the setup driver calls, for the lists the
// string service published: removal from the real database, the list's language
// texts, and its default image of the Setup record.
#include "activity_log.h"
#include "companion_services.h"
#include "list_handle.h"
#include "platform/firmware_services.h"
#include "published_lists.h"

static EFI_STATUS EFIAPI RemovePack(EFI_HII_PROTOCOL *, EFI_HII_HANDLE Handle) {
  if (Handle == 0) {
    return EFI_INVALID_PARAMETER;
  }
  PublishedList *list = FindPublishedHandle(Handle);
  if (list == nullptr) {
    return EFI_NOT_FOUND;
  }
  const EFI_STATUS status = gHiiDatabase->RemovePackageList(gHiiDatabase, list->HiiHandle);
  if (EfiError(status)) {
    return status;
  }
  UninstallListInterfaces(list);
  const CompanionValue values[] = {{"class", list->Seed->FormClass}, {"handle", Handle}};
  LogActivity("package-list-removed", nullptr, nullptr, values, 2);
  ForgetPublishedList(list);
  return EFI_SUCCESS;
}

// A pool copy of Text with its terminator; the caller releases it with FreePool.
static EFI_STATUS LanguageText(EFI_HII_HANDLE Handle, const CHAR16 *PackageListSeed::*Which, EFI_STRING *Out) {
  if (Out == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Out = nullptr;
  const PublishedList *list = FindPublishedHandle(Handle);
  if (list == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const CHAR16 *text = list->Seed->*Which;
  if (text[0] == 0) {
    return EFI_NOT_FOUND;
  }
  const UINTN bytes = (WideStrLen(text) + 1) * sizeof(CHAR16);
  CHAR16 *copy = (CHAR16 *)AllocateBootPool(bytes);
  if (copy == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  MemMove(copy, text, bytes);
  *Out = copy;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI GetPrimaryLanguages(EFI_HII_PROTOCOL *, EFI_HII_HANDLE Handle, EFI_STRING *Languages) {
  return LanguageText(Handle, &PackageListSeed::PrimaryLanguages, Languages);
}

static EFI_STATUS EFIAPI GetSecondaryLanguages(EFI_HII_PROTOCOL *, EFI_HII_HANDLE Handle, CHAR16 *,
                                               EFI_STRING *Languages) {
  return LanguageText(Handle, &PackageListSeed::SecondaryLanguages, Languages);
}

static constexpr CHAR16 kSetupName[] = u"Setup";

// One pool block, so that the caller's single FreePool of the list head releases
// everything: two list nodes, then the Setup variable pack (fixed part, name,
// default image). The second node ends the list and points at the same pack.
static EFI_STATUS EFIAPI GetDefaultImage(EFI_HII_PROTOCOL *, EFI_HII_HANDLE Handle, UINTN,
                                         EFI_HII_VARIABLE_PACK_LIST **PackList) {
  if (PackList == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *PackList = nullptr;
  const PublishedList *list = FindPublishedHandle(Handle);
  if (list == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const PackageListSeed *seed = list->Seed;
  if (!seed->HasDefaultImage) {
    return EFI_NOT_FOUND;
  }
  const UINTN nodesSize = 2 * sizeof(EFI_HII_VARIABLE_PACK_LIST);
  const UINTN packSize = sizeof(EFI_HII_VARIABLE_PACK) + sizeof kSetupName + seed->DefaultImageSize;
  UINT8 *block = (UINT8 *)AllocateZeroedPool(nodesSize + packSize);
  if (block == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_HII_VARIABLE_PACK *pack = (EFI_HII_VARIABLE_PACK *)(block + nodesSize);
  pack->Header.Length = (UINT32)packSize;
  pack->Header.Type = EFI_HII_VARIABLE;
  pack->VariableGuid = kSetupVariableGuid;
  pack->VariableNameLength = sizeof kSetupName;
  pack->VariableId = 0;
  UINT8 *name = (UINT8 *)(pack + 1);
  MemMove(name, kSetupName, sizeof kSetupName);
  UINT8 *image = name + sizeof kSetupName;
  for (UINTN index = 0; index < seed->DefaultCount; index++) {
    image[seed->Defaults[index].Offset] = seed->Defaults[index].Value;
  }
  EFI_HII_VARIABLE_PACK_LIST *nodes = (EFI_HII_VARIABLE_PACK_LIST *)block;
  nodes[0] = {&nodes[1], pack};
  nodes[1] = {nullptr, pack};
  *PackList = nodes;
  return EFI_SUCCESS;
}

static constexpr CHAR8 kNewPack[] = "FrameworkHii.NewPack";
static constexpr CHAR8 kFindHandles[] = "FrameworkHii.FindHandles";
static constexpr CHAR8 kExportDatabase[] = "FrameworkHii.ExportDatabase";
static constexpr CHAR8 kTestString[] = "FrameworkHii.TestString";
static constexpr CHAR8 kGetGlyph[] = "FrameworkHii.GetGlyph";
static constexpr CHAR8 kGlyphToBlt[] = "FrameworkHii.GlyphToBlt";
static constexpr CHAR8 kNewString[] = "FrameworkHii.NewString";
static constexpr CHAR8 kGetString[] = "FrameworkHii.GetString";
static constexpr CHAR8 kResetStrings[] = "FrameworkHii.ResetStrings";
static constexpr CHAR8 kGetLine[] = "FrameworkHii.GetLine";
static constexpr CHAR8 kGetForms[] = "FrameworkHii.GetForms";
static constexpr CHAR8 kUpdateForm[] = "FrameworkHii.UpdateForm";
static constexpr CHAR8 kGetKeyboardLayout[] = "FrameworkHii.GetKeyboardLayout";

EFI_HII_PROTOCOL gFrameworkHii = {
    UnexpectedCall<kNewPack>,
    RemovePack,
    UnexpectedCall<kFindHandles>,
    UnexpectedCall<kExportDatabase>,
    UnexpectedCall<kTestString>,
    UnexpectedCall<kGetGlyph>,
    UnexpectedCall<kGlyphToBlt>,
    UnexpectedCall<kNewString>,
    GetPrimaryLanguages,
    GetSecondaryLanguages,
    UnexpectedCall<kGetString>,
    UnexpectedCall<kResetStrings>,
    UnexpectedCall<kGetLine>,
    UnexpectedCall<kGetForms>,
    GetDefaultImage,
    UnexpectedCall<kUpdateForm>,
    UnexpectedCall<kGetKeyboardLayout>,
};
