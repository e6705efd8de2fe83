#include "json_writer.h"

#include "platform/firmware_services.h"
#include "serial_console.h"

// Nesting deeper than this is written without commas tracked; the report never nests that deep.
static constexpr UINTN kMaxDepth = 16;
static BOOLEAN gHasMember[kMaxDepth];
static UINTN gDepth;
static BOOLEAN gAfterKey;

static const CHAR8 kHexDigits[] = "0123456789ABCDEF";

static void BeforeValue() {
  if (gAfterKey) {
    gAfterKey = 0;
    return;
  }
  if (gDepth > 0 && gDepth <= kMaxDepth) {
    if (gHasMember[gDepth - 1]) {
      SerialWrite(",", 1);
    }
    gHasMember[gDepth - 1] = 1;
  }
}

static void Open(const CHAR8 *Bracket) {
  BeforeValue();
  SerialWrite(Bracket, 1);
  gDepth++;
  if (gDepth <= kMaxDepth) {
    gHasMember[gDepth - 1] = 0;
  }
}

static void Close(const CHAR8 *Bracket) {
  if (gDepth > 0) {
    gDepth--;
  }
  SerialWrite(Bracket, 1);
}

void JsonBeginObject() { Open("{"); }
void JsonEndObject() { Close("}"); }
void JsonBeginArray() { Open("["); }
void JsonEndArray() { Close("]"); }

static void WriteDecimal(UINT64 Value) {
  CHAR8 digits[20];
  UINTN count = 0;
  do {
    digits[count++] = (CHAR8)('0' + Value % 10);
    Value /= 10;
  } while (Value != 0);
  while (count > 0) {
    SerialWrite(&digits[--count], 1);
  }
}

static void WriteUnit(UINT16 Unit) {
  if (Unit == '"' || Unit == '\\') {
    const CHAR8 escaped[2] = {'\\', (CHAR8)Unit};
    SerialWrite(escaped, 2);
  } else if (Unit >= 0x20 && Unit < 0x7F) {
    const CHAR8 plain = (CHAR8)Unit;
    SerialWrite(&plain, 1);
  } else {
    const CHAR8 escaped[6] = {'\\', 'u', kHexDigits[Unit >> 12], kHexDigits[(Unit >> 8) & 15],
                              kHexDigits[(Unit >> 4) & 15], kHexDigits[Unit & 15]};
    SerialWrite(escaped, 6);
  }
}

void JsonKey(const CHAR8 *Name) {
  JsonText(Name);
  SerialWrite(":", 1);
  gAfterKey = 1;
}

void JsonKeyNumber(UINT64 Name) {
  BeforeValue();
  SerialWrite("\"", 1);
  WriteDecimal(Name);
  SerialWrite("\":", 2);
  gAfterKey = 1;
}

void JsonText(const CHAR8 *Text) {
  BeforeValue();
  SerialWrite("\"", 1);
  for (; *Text != 0; Text++) {
    WriteUnit((UINT8)*Text);
  }
  SerialWrite("\"", 1);
}

void JsonWideText(const CHAR16 *Text) {
  BeforeValue();
  SerialWrite("\"", 1);
  for (; *Text != 0; Text++) {
    WriteUnit(*Text);
  }
  SerialWrite("\"", 1);
}

void JsonNumber(UINT64 Value) {
  BeforeValue();
  WriteDecimal(Value);
}

void JsonBool(BOOLEAN Value) {
  BeforeValue();
  SerialWriteText(Value ? "true" : "false");
}

void JsonNull() {
  BeforeValue();
  SerialWriteText("null");
}

static void WriteHexByte(UINT8 Byte) {
  const CHAR8 pair[2] = {kHexDigits[Byte >> 4], kHexDigits[Byte & 15]};
  SerialWrite(pair, 2);
}

void JsonHexBytes(const VOID *Bytes, UINTN Length) {
  BeforeValue();
  SerialWrite("\"", 1);
  for (UINTN index = 0; index < Length; index++) {
    WriteHexByte(((const UINT8 *)Bytes)[index]);
  }
  SerialWrite("\"", 1);
}

void JsonGuid(const EFI_GUID &Guid) {
  BeforeValue();
  SerialWrite("\"", 1);
  for (int shift = 24; shift >= 0; shift -= 8) {
    WriteHexByte((UINT8)(Guid.Data1 >> shift));
  }
  SerialWrite("-", 1);
  WriteHexByte((UINT8)(Guid.Data2 >> 8));
  WriteHexByte((UINT8)Guid.Data2);
  SerialWrite("-", 1);
  WriteHexByte((UINT8)(Guid.Data3 >> 8));
  WriteHexByte((UINT8)Guid.Data3);
  SerialWrite("-", 1);
  for (UINTN index = 0; index < 8; index++) {
    if (index == 2) {
      SerialWrite("-", 1);
    }
    WriteHexByte(Guid.Data4[index]);
  }
  SerialWrite("\"", 1);
}
