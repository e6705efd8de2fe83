// Protocols of the board's other firmware components that the setup driver calls,
// and the package-list records it hands to the string service. Only the members
// the driver calls are typed; the rest keep their slots.
#pragma once

#include "framework_hii.h"

// The setup variable's vendor GUID; also the GUID of every setup package list.
constexpr EFI_GUID kSetupVariableGuid = {
    0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
constexpr EFI_GUID kSetupMenuConditionGuid = {
    0x122B3E0D, 0x4C5D, 0x11E0, {0x9D, 0xDE, 0x00, 0x1D, 0x92, 0x94, 0x19, 0x8F}};
constexpr EFI_GUID kEfiGlobalVariableGuid = {
    0x8BE4DF61, 0x93CA, 0x11D2, {0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C}};

// Installing any interface of this protocol releases deferred publishing.
constexpr EFI_GUID kPublishTriggerGuid = {
    0x71202EEE, 0x5F53, 0x40D9, {0xAB, 0x3D, 0x9E, 0x0C, 0x26, 0xD9, 0x66, 0x57}};

constexpr EFI_GUID kStringServiceProtocolGuid = {
    0x67B5787C, 0x0E6A, 0x4796, {0x94, 0x3E, 0xA0, 0x93, 0xB7, 0x3A, 0x02, 0x67}};
constexpr EFI_GUID kBoardQueryProtocolGuid = {
    0x41367D78, 0x0977, 0x11E0, {0x9D, 0x9C, 0x00, 0x1D, 0x92, 0x94, 0x19, 0x8F}};
constexpr EFI_GUID kBoardRegisterProtocolGuid = {
    0x9851740C, 0x22E0, 0x440D, {0x90, 0x90, 0xEF, 0x2D, 0x71, 0xC2, 0x51, 0xC9}};

// The menu browser calls Form.Callback with This pointing at the whole instance,
// so the class and subclass that follow identify the package list.
struct FormCallbackInstance {
  EFI_FORM_CALLBACK_PROTOCOL Form;
  UINT16 Class;
  UINT16 SubClass;
};
static_assert(offsetof(FormCallbackInstance, Class) == 24, "form callback instance layout");

struct SetupPackageEntry {
  const EFI_GUID *Guid;
  FormCallbackInstance *CallbackInstance;
  UINT16 Class;
  UINT16 SubClass;
  EFI_HII_HANDLE HiiHandle;  // 0 until the string service publishes the list
};
static_assert(offsetof(SetupPackageEntry, Class) == 16, "package entry layout");
static_assert(offsetof(SetupPackageEntry, HiiHandle) == 20, "package entry layout");

typedef VOID(EFIAPI *PACKAGE_LIST_CALLBACK)(EFI_HII_HANDLE HiiHandle, SetupPackageEntry *Entry);

typedef EFI_STATUS(EFIAPI *UNUSED_SERVICE_MEMBER)();

// Plain functions: no member takes a This argument.
struct StringServiceProtocol {
  EFI_STATUS(EFIAPI *PublishPackageLists)(EFI_HANDLE ImageHandle, UINTN Count, SetupPackageEntry *Table,
                                          PACKAGE_LIST_CALLBACK Callback);  // 0
  UNUSED_SERVICE_MEMBER Reserved1;                                          // 1
  UNUSED_SERVICE_MEMBER Reserved2;                                          // 2
  UNUSED_SERVICE_MEMBER Reserved3;                                          // 3
  UNUSED_SERVICE_MEMBER Reserved4;                                          // 4
  UNUSED_SERVICE_MEMBER Reserved5;                                          // 5
  EFI_STATUS(EFIAPI *SetString)(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const CHAR16 *Text);  // 6
};
static_assert(offsetof(StringServiceProtocol, SetString) == 6 * 8, "SetString slot");

struct BoardQueryProtocol {
  EFI_STATUS(EFIAPI *QueryBoardCondition)(UINT32 Selector, VOID *Buffer);
};

struct BoardRegisterProtocol {
  UNUSED_SERVICE_MEMBER Reserved0;
  EFI_STATUS(EFIAPI *ReadRegister)(BoardRegisterProtocol *This, UINT32 Register, VOID *Buffer);
  EFI_STATUS(EFIAPI *WriteRegister)(BoardRegisterProtocol *This, UINT32 Register, UINT64 Value);
};
static_assert(offsetof(BoardRegisterProtocol, WriteRegister) == 16, "WriteRegister slot");
