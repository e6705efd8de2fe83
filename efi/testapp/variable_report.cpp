#include "variable_report.h"

#include "json_writer.h"
#include "platform/firmware_services.h"
#include "uefi/setup_platform_protocols.h"

namespace {

const CHAR16 *const kLanguageVariables[] = {u"Lang", u"PlatformLang", u"LangCodes", u"PlatformLangCodes"};

bool SameGuid(const EFI_GUID &First, const EFI_GUID &Second) {
  return MemCompare(&First, &Second, sizeof(EFI_GUID)) == 0;
}

bool SameName(const CHAR16 *First, const CHAR16 *Second) {
  const UINTN length = WideStrLen(First);
  return length == WideStrLen(Second) && MemCompare(First, Second, length * sizeof(CHAR16)) == 0;
}

bool Reported(const CHAR16 *Name, const EFI_GUID &Guid) {
  if (SameGuid(Guid, kSetupVariableGuid) || SameGuid(Guid, kSetupMenuConditionGuid)) {
    return true;
  }
  if (!SameGuid(Guid, kEfiGlobalVariableGuid)) {
    return false;
  }
  for (const CHAR16 *language : kLanguageVariables) {
    if (SameName(Name, language)) {
      return true;
    }
  }
  return false;
}

void WriteVariable(const CHAR16 *Name, const EFI_GUID &Guid) {
  UINT32 attributes = 0;
  UINTN size = 0;
  VOID *data = nullptr;
  const EFI_STATUS status = GetVariableGrow(Name, &Guid, &attributes, &size, &data);
  JsonBeginObject();
  JsonKey("name");
  JsonWideText(Name);
  JsonKey("guid");
  JsonGuid(Guid);
  if (EfiError(status)) {
    JsonKey("status");
    JsonNumber(status);
  } else {
    JsonKey("attributes");
    JsonNumber(attributes);
    JsonKey("size");
    JsonNumber(size);
    JsonKey("data");
    JsonHexBytes(data, size);
  }
  JsonEndObject();
  if (data != nullptr) {
    gBS->FreePool(data);
  }
}

// Advances Name/Guid to the next variable, growing *Name as the firmware asks.
EFI_STATUS NextVariable(CHAR16 **Name, UINTN *Capacity, EFI_GUID *Guid) {
  UINTN size = *Capacity;
  EFI_STATUS status = gRT->GetNextVariableName(&size, *Name, Guid);
  if (status != EFI_BUFFER_TOO_SMALL) {
    return status;
  }
  CHAR16 *larger = (CHAR16 *)AllocateZeroedPool(size);
  if (larger == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  MemMove(larger, *Name, *Capacity);
  gBS->FreePool(*Name);
  *Name = larger;
  *Capacity = size;
  return gRT->GetNextVariableName(&size, *Name, Guid);
}

}  // namespace

void WriteVariableReport(const CHAR8 *Key) {
  JsonKey(Key);
  JsonBeginArray();
  UINTN capacity = 256;
  CHAR16 *name = (CHAR16 *)AllocateZeroedPool(capacity);
  EFI_GUID guid = {};
  while (name != nullptr && !EfiError(NextVariable(&name, &capacity, &guid))) {
    if (Reported(name, guid)) {
      WriteVariable(name, guid);
    }
  }
  if (name != nullptr) {
    gBS->FreePool(name);
  }
  JsonEndArray();
}
