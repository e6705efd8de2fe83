// The management engine's information protocol, the firmware's message box and
// the variable through which system management mode reports an ME disable
// request. Only the members the page calls are typed.
#pragma once

#include "uefi/setup_platform_protocols.h"

constexpr EFI_GUID kMeInfoProtocolGuid = {
    0x237B7CD6, 0xB690, 0x4046, {0x80, 0x14, 0xE9, 0xE5, 0x81, 0x21, 0x93, 0x13}};
constexpr EFI_GUID kMessageBoxProtocolGuid = {
    0x8A91B1E1, 0x56C7, 0x4ADC, {0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF}};
constexpr EFI_GUID kMeUpdateStatusGuid = {
    0x0732BD39, 0xD6B0, 0x4039, {0xB6, 0xC2, 0x96, 0x54, 0x46, 0x6D, 0xE5, 0x25}};

// Requests, each answered into a 16-byte result buffer.
constexpr UINT32 kMeFirmwareVersionRequest = 0x01000202;
constexpr UINT32 kMeFirmwareStatusRequest = 0x01000502;
constexpr UINTN kMeResultSize = 16;

struct MeRequestObject {
  VOID *Reserved[10];
  EFI_STATUS(EFIAPI *Request)(MeRequestObject *This, UINT32 Code, VOID *Result);
};
static_assert(offsetof(MeRequestObject, Request) == 0x50, "MeRequestObject layout");

struct MeInfoProtocol {
  VOID *Reserved[6];
  MeRequestObject *Requests;
};
static_assert(offsetof(MeInfoProtocol, Requests) == 0x30, "MeInfoProtocol layout");

// Plain function: the box does not receive the interface.
struct MessageBoxProtocol {
  UNUSED_SERVICE_MEMBER Reserved[4];
  EFI_STATUS(EFIAPI *MessageBox)(const CHAR16 *Title, const CHAR16 *Message, UINTN Type, UINT8 *Result);
};
static_assert(offsetof(MessageBoxProtocol, MessageBox) == 32, "MessageBoxProtocol layout");

// Software SMI command that asks system management mode to disable the ME; the
// outcome is left in ShowMEUDFailMSG (1 byte, 0: disabled).
constexpr UINT16 kSoftwareSmiPort = 0xB2;
constexpr UINT8 kMeDisableSmiCommand = 0x29;
