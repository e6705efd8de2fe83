// The Framework HII protocol and form callback protocol, as far as the setup
// driver uses them. Framework HII handles are 16-bit.
#pragma once

#include "uefi_base.h"

typedef UINT16 EFI_HII_HANDLE;
typedef CHAR16 *EFI_STRING;

constexpr EFI_GUID kFrameworkHiiProtocolGuid = {
    0xEA816D2C, 0xCEE5, 0x4F02, {0x99, 0xB5, 0xD3, 0x90, 0x5C, 0xBB, 0xD0, 0x77}};

#pragma pack(push, 1)
struct EFI_HII_PACK_HEADER {
  UINT32 Length;  // the whole pack, header included
  UINT16 Type;
};

// A variable pack: the fixed part, then the 16-bit variable name, then the data.
struct EFI_HII_VARIABLE_PACK {
  EFI_HII_PACK_HEADER Header;
  EFI_GUID VariableGuid;
  UINT32 VariableNameLength;  // bytes
  UINT16 VariableId;
};
#pragma pack(pop)
static_assert(sizeof(EFI_HII_PACK_HEADER) == 6, "pack header layout");
static_assert(sizeof(EFI_HII_VARIABLE_PACK) == 28, "variable pack fixed part is 28 bytes");
static_assert(offsetof(EFI_HII_VARIABLE_PACK, VariableNameLength) == 22, "variable pack layout");
static_assert(offsetof(EFI_HII_VARIABLE_PACK, VariableId) == 26, "variable pack layout");

constexpr UINT16 EFI_HII_VARIABLE = 0x0008;

struct EFI_HII_VARIABLE_PACK_LIST {
  EFI_HII_VARIABLE_PACK_LIST *NextVariablePack;
  EFI_HII_VARIABLE_PACK *VariablePack;
};

struct EFI_HII_PROTOCOL;
struct EFI_IFR_DATA_ARRAY;
struct EFI_HII_CALLBACK_PACKET;

typedef EFI_STATUS(EFIAPI *EFI_HII_UNUSED_MEMBER)();

// Members the driver never calls keep their slot as untyped pointers.
struct EFI_HII_PROTOCOL {
  EFI_HII_UNUSED_MEMBER NewPack;                                                      // 0
  EFI_STATUS(EFIAPI *RemovePack)(EFI_HII_PROTOCOL *This, EFI_HII_HANDLE Handle);       // 1
  EFI_HII_UNUSED_MEMBER FindHandles;                                                  // 2
  EFI_HII_UNUSED_MEMBER ExportDatabase;                                               // 3
  EFI_HII_UNUSED_MEMBER TestString;                                                   // 4
  EFI_HII_UNUSED_MEMBER GetGlyph;                                                     // 5
  EFI_HII_UNUSED_MEMBER GlyphToBlt;                                                   // 6
  EFI_HII_UNUSED_MEMBER NewString;                                                    // 7
  EFI_STATUS(EFIAPI *GetPrimaryLanguages)(EFI_HII_PROTOCOL *This, EFI_HII_HANDLE Handle,
                                          EFI_STRING *LanguageString);  // 8
  EFI_STATUS(EFIAPI *GetSecondaryLanguages)(EFI_HII_PROTOCOL *This, EFI_HII_HANDLE Handle,
                                            CHAR16 *PrimaryLanguage, EFI_STRING *LanguageString);  // 9
  EFI_HII_UNUSED_MEMBER GetString;                                                    // 10
  EFI_HII_UNUSED_MEMBER ResetStrings;                                                 // 11
  EFI_HII_UNUSED_MEMBER GetLine;                                                      // 12
  EFI_HII_UNUSED_MEMBER GetForms;                                                     // 13
  EFI_STATUS(EFIAPI *GetDefaultImage)(EFI_HII_PROTOCOL *This, EFI_HII_HANDLE Handle, UINTN DefaultMask,
                                      EFI_HII_VARIABLE_PACK_LIST **VariablePackList);  // 14
  EFI_HII_UNUSED_MEMBER UpdateForm;                                                   // 15
  EFI_HII_UNUSED_MEMBER GetKeyboardLayout;                                            // 16
};
static_assert(offsetof(EFI_HII_PROTOCOL, RemovePack) == 1 * 8, "RemovePack slot");
static_assert(offsetof(EFI_HII_PROTOCOL, GetPrimaryLanguages) == 8 * 8, "GetPrimaryLanguages slot");
static_assert(offsetof(EFI_HII_PROTOCOL, GetSecondaryLanguages) == 9 * 8, "GetSecondaryLanguages slot");
static_assert(offsetof(EFI_HII_PROTOCOL, GetDefaultImage) == 14 * 8, "GetDefaultImage slot");
static_assert(sizeof(EFI_HII_PROTOCOL) == 17 * 8, "Framework HII protocol has 17 members");

struct EFI_FORM_CALLBACK_PROTOCOL;

typedef EFI_STATUS(EFIAPI *EFI_FORM_CALLBACK)(EFI_FORM_CALLBACK_PROTOCOL *This, UINT16 KeyValue,
                                              EFI_IFR_DATA_ARRAY *Data, EFI_HII_CALLBACK_PACKET **Packet);

struct EFI_FORM_CALLBACK_PROTOCOL {
  VOID *NvRead;
  VOID *NvWrite;
  EFI_FORM_CALLBACK Callback;
};
static_assert(sizeof(EFI_FORM_CALLBACK_PROTOCOL) == 24, "form callback protocol layout");
