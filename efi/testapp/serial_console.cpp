#include "serial_console.h"

#include "platform/firmware_services.h"
#include "serial_io.h"

static EFI_SERIAL_IO_PROTOCOL *gSerial;
static CHAR8 gBuffer[512];
static UINTN gBuffered;

BOOLEAN SerialOpen() {
  return !EfiError(gBS->LocateProtocol((EFI_GUID *)&kEfiSerialIoProtocolGuid, nullptr, (VOID **)&gSerial));
}

void SerialFlush() {
  UINTN offset = 0;
  // A short write (a busy transmitter) sends the rest again; a failure drops it.
  while (gSerial != nullptr && offset < gBuffered) {
    UINTN size = gBuffered - offset;
    if (EfiError(gSerial->Write(gSerial, &size, gBuffer + offset)) || size == 0) {
      break;
    }
    offset += size;
  }
  gBuffered = 0;
}

void SerialWrite(const CHAR8 *Bytes, UINTN Length) {
  for (UINTN index = 0; index < Length; index++) {
    if (gBuffered == sizeof gBuffer) {
      SerialFlush();
    }
    gBuffer[gBuffered++] = Bytes[index];
  }
}

void SerialWriteText(const CHAR8 *Text) { SerialWrite(Text, AsciiStrLen(Text)); }
