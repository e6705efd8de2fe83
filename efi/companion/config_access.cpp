#include "config_access.h"

#include "activity_log.h"
#include "message_box.h"
#include "published_lists.h"

// The settings live in an EFI variable store the browser reads and writes itself:
// there is no configuration of ours to hand out or take in.
static EFI_STATUS EFIAPI ExtractConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Request,
                                       CHAR16 **Progress, CHAR16 **) {
  if (Progress != nullptr) {
    *Progress = (CHAR16 *)Request;
  }
  return EFI_NOT_FOUND;
}

static EFI_STATUS EFIAPI RouteConfig(const EFI_HII_CONFIG_ACCESS_PROTOCOL *, const CHAR16 *Configuration,
                                     CHAR16 **Progress) {
  if (Progress != nullptr) {
    *Progress = (CHAR16 *)Configuration;
  }
  return EFI_NOT_FOUND;
}

// The browser reports a press twice, CHANGING then CHANGED; the setup driver's
// callback runs once, on CHANGED, with the question id as its key. The browser's
// other reports (retrieve, form open and close, defaults) are not ours to handle.
static EFI_STATUS EFIAPI Callback(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action,
                                  EFI_QUESTION_ID QuestionId, UINT8, VOID *, EFI_BROWSER_ACTION_REQUEST *Request) {
  if (Action != EFI_BROWSER_ACTION_CHANGED) {
    return EFI_UNSUPPORTED;
  }
  const PublishedList *list = FindPublishedAccess(This);
  if (list == nullptr || list->Callback == nullptr || list->Callback->Form.Callback == nullptr) {
    return EFI_UNSUPPORTED;
  }
  // Logged first, so the strings the callback writes follow it in the record.
  const CompanionValue values[] = {{"class", list->Seed->FormClass}, {"key", QuestionId}};
  CompanionRecord *record = LogActivity("form-callback", "the form browser reports a press", nullptr, values, 2);
  DrawMessageBoxes(1);  // a person (or efi/form_browser.py) is at the console to answer them
  AddActivityValue(record, "status", list->Callback->Form.Callback(&list->Callback->Form, QuestionId, nullptr, nullptr));
  DrawMessageBoxes(0);
  if (Request != nullptr) {
    *Request = EFI_BROWSER_ACTION_REQUEST_NONE;
  }
  return EFI_SUCCESS;
}

const EFI_HII_CONFIG_ACCESS_PROTOCOL kListConfigAccess = {ExtractConfig, RouteConfig, Callback};
