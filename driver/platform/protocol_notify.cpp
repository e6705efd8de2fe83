#include "platform/firmware_services.h"

// The event is not signalled here: Notify first runs when an interface of the
// protocol is installed after this call.
void RegisterProtocolNotifyEvent(const EFI_GUID *Protocol, EFI_EVENT_NOTIFY Notify, VOID *Context,
                                 EFI_EVENT *Event, VOID **Registration) {
  if (EfiError(gBS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, Notify, Context, Event))) {
    return;
  }
  // An event no installation can signal is closed, so no open event is left naming Notify for nothing.
  if (EfiError(gBS->RegisterProtocolNotify(const_cast<EFI_GUID *>(Protocol), *Event, Registration))) {
    gBS->CloseEvent(*Event);
    *Event = nullptr;
  }
}
