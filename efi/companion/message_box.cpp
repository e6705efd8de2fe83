// q35 has no system management mode handler for the ME disable command, nor a
// message box of the board: the companion stands in for both. The stored outcome
// is what the handler leaves when the ME was disabled; the setup driver reads it
// only after it raised the SMI, so leaving it at load shows the same.
#include "message_box.h"

#include "activity_log.h"
#include "companion_services.h"
#include "pages/management_engine_protocols.h"
#include "platform/firmware_services.h"
#include "simple_text.h"

static BOOLEAN gOnScreen;

void DrawMessageBoxes(BOOLEAN OnScreen) { gOnScreen = OnScreen; }

// The box's text as the simulator's event log names it: "TITLE": "MESSAGE".
static void Record(const CHAR16 *Title, const CHAR16 *Message, UINTN Type) {
  const UINTN titleLength = WideStrLen(Title);
  const UINTN messageLength = WideStrLen(Message);
  CHAR16 *text = (CHAR16 *)AllocateBootPool((titleLength + messageLength + 7) * sizeof(CHAR16));
  const CompanionValue values[] = {{"type", Type}};
  if (text == nullptr) {
    LogActivity("message-box", nullptr, nullptr, values, 1);
    return;
  }
  CHAR16 *at = text;
  *at++ = u'"';
  MemMove(at, Title, titleLength * sizeof(CHAR16));
  at += titleLength;
  for (const CHAR16 *between = u"\": \""; *between != 0; between++) {
    *at++ = *between;
  }
  MemMove(at, Message, messageLength * sizeof(CHAR16));
  at += messageLength;
  *at++ = u'"';
  *at = 0;
  LogActivity("message-box", nullptr, text, values, 1);
  gBS->FreePool(text);
}

// The title and the message on a red band across the middle of the screen, and a
// key to go on; the browser draws its form again when the callback returns.
static void Draw(const CHAR16 *Title, const CHAR16 *Message) {
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *out = gST->ConOut;
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL *in = gST->ConIn;
  if (out == nullptr || in == nullptr) {
    return;
  }
  const CHAR16 *lines[] = {u"", Title, u"", Message, u"", u"Press any key", u""};
  out->SetAttribute(out, kTextWhiteOnRed);
  for (UINTN index = 0; index < sizeof lines / sizeof lines[0]; index++) {
    out->SetCursorPosition(out, 10, 20 + index);
    out->OutputString(out, u"  ");
    out->OutputString(out, lines[index]);
    for (UINTN column = WideStrLen(lines[index]); column < 56; column++) {
      out->OutputString(out, u" ");
    }
  }
  UINTN signalled = 0;
  EFI_INPUT_KEY key;
  gBS->WaitForEvent(1, &in->WaitForKey, &signalled);
  in->ReadKeyStroke(in, &key);
}

static EFI_STATUS EFIAPI ShowMessageBox(const CHAR16 *Title, const CHAR16 *Message, UINTN Type, UINT8 *Result) {
  if (Title == nullptr || Message == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Record(Title, Message, Type);
  if (gOnScreen) {
    Draw(Title, Message);
  }
  if (Result != nullptr) {
    *Result = 0;  // confirmed
  }
  return EFI_SUCCESS;
}

static constexpr CHAR8 kReserved0[] = "MessageBox.Reserved0";
static constexpr CHAR8 kReserved1[] = "MessageBox.Reserved1";
static constexpr CHAR8 kReserved2[] = "MessageBox.Reserved2";
static constexpr CHAR8 kReserved3[] = "MessageBox.Reserved3";

MessageBoxProtocol gMessageBox = {
    {UnexpectedCall<kReserved0>, UnexpectedCall<kReserved1>, UnexpectedCall<kReserved2>, UnexpectedCall<kReserved3>},
    ShowMessageBox};

EFI_STATUS StoreMeDisableOutcome() {
  UINT8 disabled = 0;
  return gRT->SetVariable((CHAR16 *)u"ShowMEUDFailMSG", (EFI_GUID *)&kMeUpdateStatusGuid,
                          EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, 1, &disabled);
}
