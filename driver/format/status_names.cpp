#include "format/status_names.h"

namespace {

constexpr UINT64 kDbeCodeBase = 0xC0000000ULL;

const CHAR8 kSuccessName[] = "EFI_SUCCESS";

// Fixed-width fields, zero-padded; entry i names code i + 1.
const CHAR8 StatusErrorNames[][25] = {
    "EFI_LOAD_ERROR",        "EFI_INVALID_PARAMETER",    "EFI_UNSUPPORTED",        "EFI_BAD_BUFFER_SIZE",
    "EFI_BUFFER_TOO_SMALL",  "EFI_NOT_READY",            "EFI_DEVICE_ERROR",       "EFI_WRITE_PROTECTED",
    "EFI_OUT_OF_RESOURCES",  "EFI_VOLUME_CORRUPTED",     "EFI_VOLUME_FULL",        "EFI_NO_MEDIA",
    "EFI_MEDIA_CHANGED",     "EFI_NOT_FOUND",            "EFI_ACCESS_DENIED",      "EFI_NO_RESPONSE",
    "EFI_NO_MAPPING",        "EFI_TIMEOUT",              "EFI_NOT_STARTED",        "EFI_ALREADY_STARTED",
    "EFI_ABORTED",           "EFI_ICMP_ERROR",           "EFI_TFTP_ERROR",         "EFI_PROTOCOL_ERROR",
    "EFI_INCOMPATIBLE_VERSION", "EFI_SECURITY_VIOLATION", "EFI_CRC_ERROR",         "EFI_NOT_AVAILABLE_YET",
    "EFI_UNLOAD_IMAGE",
};

// Entry i names error code 0xC0000000 + i + 1.
const CHAR8 StatusDbeNames[][25] = {"EFI_DBE_EOF", "EFI_DBE_BOF"};

// Entry i names warning code i + 1.
const CHAR8 StatusWarningNames[][26] = {
    "EFI_WARN_UNKNOWN_GLYPH", "EFI_WARN_DELETE_FAILURE", "EFI_WARN_WRITE_FAILURE", "EFI_WARN_BUFFER_TOO_SMALL",
};

template <UINTN kCount, UINTN kWidth>
const CHAR8 *NumberedEntry(const CHAR8 (&Table)[kCount][kWidth], UINT64 Number) {
  return Number >= 1 && Number <= kCount ? Table[Number - 1] : nullptr;
}

}  // namespace

const CHAR8 kStatusCodeText[] = "Status Code";

const CHAR8 *StatusName(EFI_STATUS Status) {
  if (Status == EFI_SUCCESS) {
    return kSuccessName;
  }
  UINT64 Code = Status & ~kEfiErrorBit;
  if (!EfiError(Status)) {
    return NumberedEntry(StatusWarningNames, Code);
  }
  if (Code <= kDbeCodeBase) {
    return NumberedEntry(StatusErrorNames, Code);
  }
  return NumberedEntry(StatusDbeNames, Code - kDbeCodeBase);
}
