// Base types, calling convention and status codes of the UEFI specification,
// written for a freestanding build: only the compiler's own C headers are used.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Every function a firmware table points to uses the Microsoft x64 convention,
// in the firmware image and in the host simulator alike.
#define EFIAPI __attribute__((ms_abi))

typedef uint8_t UINT8;
typedef uint16_t UINT16;
typedef uint32_t UINT32;
typedef uint64_t UINT64;
typedef int8_t INT8;
typedef int16_t INT16;
typedef int32_t INT32;
typedef int64_t INT64;
typedef uint64_t UINTN;
typedef int64_t INTN;
typedef uint8_t BOOLEAN;
typedef char CHAR8;
typedef char16_t CHAR16;
typedef void VOID;

typedef UINTN EFI_STATUS;
typedef VOID *EFI_HANDLE;
typedef VOID *EFI_EVENT;
typedef UINTN EFI_TPL;
typedef UINT64 EFI_PHYSICAL_ADDRESS;
typedef UINT64 EFI_VIRTUAL_ADDRESS;

struct EFI_GUID {
  UINT32 Data1;
  UINT16 Data2;
  UINT16 Data3;
  UINT8 Data4[8];
};
static_assert(sizeof(EFI_GUID) == 16, "EFI_GUID is 16 bytes");

constexpr UINTN kEfiErrorBit = 0x8000000000000000ULL;

constexpr EFI_STATUS EfiErrorCode(UINTN code) { return kEfiErrorBit | code; }

constexpr EFI_STATUS EFI_SUCCESS = 0;
constexpr EFI_STATUS EFI_LOAD_ERROR = EfiErrorCode(1);
constexpr EFI_STATUS EFI_INVALID_PARAMETER = EfiErrorCode(2);
constexpr EFI_STATUS EFI_UNSUPPORTED = EfiErrorCode(3);
constexpr EFI_STATUS EFI_BAD_BUFFER_SIZE = EfiErrorCode(4);
constexpr EFI_STATUS EFI_BUFFER_TOO_SMALL = EfiErrorCode(5);
constexpr EFI_STATUS EFI_NOT_READY = EfiErrorCode(6);
constexpr EFI_STATUS EFI_DEVICE_ERROR = EfiErrorCode(7);
constexpr EFI_STATUS EFI_WRITE_PROTECTED = EfiErrorCode(8);
constexpr EFI_STATUS EFI_OUT_OF_RESOURCES = EfiErrorCode(9);
constexpr EFI_STATUS EFI_VOLUME_CORRUPTED = EfiErrorCode(10);
constexpr EFI_STATUS EFI_VOLUME_FULL = EfiErrorCode(11);
constexpr EFI_STATUS EFI_NO_MEDIA = EfiErrorCode(12);
constexpr EFI_STATUS EFI_MEDIA_CHANGED = EfiErrorCode(13);
constexpr EFI_STATUS EFI_NOT_FOUND = EfiErrorCode(14);
constexpr EFI_STATUS EFI_ACCESS_DENIED = EfiErrorCode(15);
constexpr EFI_STATUS EFI_NO_RESPONSE = EfiErrorCode(16);
constexpr EFI_STATUS EFI_NO_MAPPING = EfiErrorCode(17);
constexpr EFI_STATUS EFI_TIMEOUT = EfiErrorCode(18);
constexpr EFI_STATUS EFI_NOT_STARTED = EfiErrorCode(19);
constexpr EFI_STATUS EFI_ALREADY_STARTED = EfiErrorCode(20);
constexpr EFI_STATUS EFI_ABORTED = EfiErrorCode(21);
constexpr EFI_STATUS EFI_ICMP_ERROR = EfiErrorCode(22);
constexpr EFI_STATUS EFI_TFTP_ERROR = EfiErrorCode(23);
constexpr EFI_STATUS EFI_PROTOCOL_ERROR = EfiErrorCode(24);
constexpr EFI_STATUS EFI_INCOMPATIBLE_VERSION = EfiErrorCode(25);
constexpr EFI_STATUS EFI_SECURITY_VIOLATION = EfiErrorCode(26);
constexpr EFI_STATUS EFI_CRC_ERROR = EfiErrorCode(27);
constexpr EFI_STATUS EFI_NOT_AVAILABLE_YET = EfiErrorCode(28);
constexpr EFI_STATUS EFI_UNLOAD_IMAGE = EfiErrorCode(29);

constexpr EFI_STATUS EFI_WARN_UNKNOWN_GLYPH = 1;
constexpr EFI_STATUS EFI_WARN_DELETE_FAILURE = 2;
constexpr EFI_STATUS EFI_WARN_WRITE_FAILURE = 3;
constexpr EFI_STATUS EFI_WARN_BUFFER_TOO_SMALL = 4;

// Callers test only the top bit: a status is an error when it is negative as a signed number.
constexpr bool EfiError(EFI_STATUS status) { return (status & kEfiErrorBit) != 0; }

// Task priority levels.
constexpr EFI_TPL TPL_APPLICATION = 4;
constexpr EFI_TPL TPL_CALLBACK = 8;
constexpr EFI_TPL TPL_NOTIFY = 16;
constexpr EFI_TPL TPL_HIGH_LEVEL = 31;

// Event types.
constexpr UINT32 EVT_TIMER = 0x80000000;
constexpr UINT32 EVT_RUNTIME = 0x40000000;
constexpr UINT32 EVT_NOTIFY_WAIT = 0x00000100;
constexpr UINT32 EVT_NOTIFY_SIGNAL = 0x00000200;
constexpr UINT32 EVT_SIGNAL_EXIT_BOOT_SERVICES = 0x00000201;
constexpr UINT32 EVT_SIGNAL_VIRTUAL_ADDRESS_CHANGE = 0x60000202;

// Variable attributes.
constexpr UINT32 EFI_VARIABLE_NON_VOLATILE = 0x1;
constexpr UINT32 EFI_VARIABLE_BOOTSERVICE_ACCESS = 0x2;
constexpr UINT32 EFI_VARIABLE_RUNTIME_ACCESS = 0x4;
constexpr UINT32 EFI_VARIABLE_HARDWARE_ERROR_RECORD = 0x8;
constexpr UINT32 EFI_VARIABLE_AUTHENTICATED_WRITE_ACCESS = 0x10;
constexpr UINT32 EFI_VARIABLE_TIME_BASED_AUTHENTICATED_WRITE_ACCESS = 0x20;
constexpr UINT32 EFI_VARIABLE_APPEND_WRITE = 0x40;

// The attribute combinations the driver stores with.
constexpr UINT32 kAttrNvBsRt = 7;
constexpr UINT32 kAttrBsRt = 6;
constexpr UINT32 kAttrNvBs = 3;
constexpr UINT32 kAttrBs = 2;
