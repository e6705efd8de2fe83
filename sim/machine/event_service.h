// UEFI events and task priority levels: notify functions of signalled events
// run as soon as the current TPL drops below their own, highest level first,
// in signalling order within a level.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "driver/uefi/uefi_tables.h"
#include "sim/machine/event_log.h"

namespace sim {

class EventService {
 public:
  explicit EventService(EventLog &log) : log_(log) {}

  EFI_STATUS Create(UINT32 type, EFI_TPL notifyTpl, EFI_EVENT_NOTIFY notify, VOID *context, EFI_EVENT *event);
  EFI_STATUS Close(EFI_EVENT event);
  EFI_STATUS Signal(EFI_EVENT event);
  bool Exists(EFI_EVENT event) const { return events_.count(event) != 0; }
  size_t OpenEvents() const { return events_.size(); }

  EFI_TPL Raise(EFI_TPL newTpl);
  void Restore(EFI_TPL oldTpl);
  EFI_TPL Current() const { return tpl_; }

  // The driver image was unloaded (its entry point failed): every event it
  // created still names a notify function in freed code, so a signal is logged
  // as a call into the unloaded image instead of running it. The machine asks
  // the same of the image's form callbacks.
  void UnloadImage() { imageUnloaded_ = true; }
  bool ImageUnloaded() const { return imageUnloaded_; }

 private:
  struct Event {
    UINT32 type;
    EFI_TPL tpl;
    EFI_EVENT_NOTIFY notify;
    VOID *context;
    bool signalled;
  };

  void DispatchPending();

  EventLog &log_;
  EFI_TPL tpl_ = TPL_APPLICATION;
  bool imageUnloaded_ = false;
  std::map<EFI_EVENT, std::unique_ptr<Event>> events_;
  std::vector<Event *> pending_;  // signalled notify events, in signalling order
};

}  // namespace sim
