// A streaming JSON writer onto the serial port: values are written as they come,
// commas and nesting are tracked here. Texts from firmware are 16-bit and leave as
// \u escapes where they are not printable ASCII, so every UCS-2 unit survives.
#pragma once

#include "uefi/uefi_base.h"

void JsonBeginObject();
void JsonEndObject();
void JsonBeginArray();
void JsonEndArray();
// The name of the next member of the current object.
void JsonKey(const CHAR8 *Name);
// The name given as a number, e.g. a string id.
void JsonKeyNumber(UINT64 Name);
void JsonText(const CHAR8 *Text);
void JsonWideText(const CHAR16 *Text);
void JsonNumber(UINT64 Value);
void JsonBool(BOOLEAN Value);
void JsonNull();
// Bytes as one string of upper-case hexadecimal digit pairs.
void JsonHexBytes(const VOID *Bytes, UINTN Length);
// A GUID in registry form, upper case.
void JsonGuid(const EFI_GUID &Guid);
