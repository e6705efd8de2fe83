#include "callback_runs.h"

#include "json_writer.h"
#include "machine_report.h"

namespace {

// Items whose callback writes the software SMI port (the management-engine update
// item writes 0xB2). On a machine whose firmware handles APM SMIs, what that SMI
// does is the firmware's business, not the setup driver's: such a call is skipped.
const FormCallbackRequest kSmiRaisingItems[] = {{32, 0xF013}};

bool RaisesSmi(const FormCallbackRequest &Request) {
  for (const FormCallbackRequest &item : kSmiRaisingItems) {
    if (item.FormClass == Request.FormClass && item.Key == Request.Key) {
      return true;
    }
  }
  return false;
}

}  // namespace

void RunFormCallbacks(SetupCompanionProtocol *Companion, const RunRequest &Request) {
  JsonKey("callbacks");
  JsonBeginArray();
  for (UINTN index = 0; index < Request.CallbackCount; index++) {
    const FormCallbackRequest &call = Request.Callbacks[index];
    JsonBeginObject();
    JsonKey("class");
    JsonNumber(call.FormClass);
    JsonKey("key");
    JsonNumber(call.Key);
    FormCallbackInstance *instance = nullptr;
    if (Companion == nullptr || EfiError(Companion->FindPublishedList(call.FormClass, nullptr, &instance)) ||
        instance == nullptr || instance->Form.Callback == nullptr) {
      JsonKey("skipped");
      JsonText("no published package list of that class with a form callback");
    } else if (RaisesSmi(call) && ApmSmiEnabled()) {
      JsonKey("skipped");
      JsonText("the item writes port 0xB2 and this firmware has APM SMIs enabled");
    } else {
      JsonKey("status");
      JsonNumber(instance->Form.Callback(&instance->Form, call.Key, nullptr, nullptr));
    }
    JsonEndObject();
  }
  JsonEndArray();
}
