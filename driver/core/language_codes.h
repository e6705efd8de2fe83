// Conversions between the firmware's two spellings of a language: 3-letter
// ISO 639-2 codes (Lang, LangCodes) and RFC 4646 tags (PlatformLang,
// PlatformLangCodes). Only the pairs of LanguagePairTable convert.
#pragma once

#include "uefi/uefi_base.h"

// Two parallel null-terminated lists; the texts at one index form a pair.
struct LanguagePairList {
  const CHAR8 *const *Iso639Codes;
  const CHAR8 *const *Rfc4646Tags;
};
extern const LanguagePairList LanguagePairTable;

// Room one code takes in a converted list: the tag and its ';'. Every tag of the table is shorter.
constexpr UINTN kRfc4646ListBytesPerCode = 43;

// Looks up the first three bytes of Code (which must hold three readable bytes).
// Returns the paired tag and, when Size is given, its length plus one; null for a
// null Code or no pair.
const CHAR8 *Iso639ToRfc4646(const CHAR8 *Code, UINTN *Size);

// Looks up the whole zero-terminated Tag. Returns the paired code and, when Size
// is given, 3; null for a null Tag or no pair.
const CHAR8 *Rfc4646ToIso639(const CHAR8 *Tag, UINTN *Size);

// Converts the whole 3-byte groups of Codes (Length bytes, no terminator) into a
// zero-terminated ';'-separated tag list in a new pool buffer owned by the caller;
// groups without a pair are skipped. Null (Size untouched) for a null or empty
// text, a Length of 2 or less, or a failed allocation; null with Size 0 when no
// group converts.
CHAR8 *Iso639ListToRfc4646List(const CHAR8 *Codes, UINTN Length, UINTN *Size);
