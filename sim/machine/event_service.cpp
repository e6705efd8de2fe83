#include "sim/machine/event_service.h"

#include <algorithm>

namespace sim {

namespace {

bool IsNotifyTpl(EFI_TPL tpl) { return tpl == TPL_CALLBACK || tpl == TPL_NOTIFY || tpl == TPL_HIGH_LEVEL; }

}  // namespace

EFI_STATUS EventService::Create(UINT32 type, EFI_TPL notifyTpl, EFI_EVENT_NOTIFY notify, VOID *context,
                                EFI_EVENT *event) {
  if (event == nullptr) return EFI_INVALID_PARAMETER;
  const UINT32 notifyKinds = type & (EVT_NOTIFY_SIGNAL | EVT_NOTIFY_WAIT);
  if (notifyKinds == (EVT_NOTIFY_SIGNAL | EVT_NOTIFY_WAIT)) return EFI_INVALID_PARAMETER;
  if (notifyKinds != 0 && (notify == nullptr || !IsNotifyTpl(notifyTpl))) return EFI_INVALID_PARAMETER;
  auto record = std::make_unique<Event>(Event{type, notifyTpl, notify, context, false});
  *event = record.get();
  events_[*event] = std::move(record);
  return EFI_SUCCESS;
}

EFI_STATUS EventService::Close(EFI_EVENT event) {
  auto found = events_.find(event);
  if (found == events_.end()) return EFI_INVALID_PARAMETER;
  pending_.erase(std::remove(pending_.begin(), pending_.end(), found->second.get()), pending_.end());
  events_.erase(found);
  return EFI_SUCCESS;
}

EFI_STATUS EventService::Signal(EFI_EVENT event) {
  auto found = events_.find(event);
  if (found == events_.end()) return EFI_INVALID_PARAMETER;
  Event &record = *found->second;
  if (record.signalled) return EFI_SUCCESS;
  record.signalled = true;
  if ((record.type & EVT_NOTIFY_SIGNAL) != 0) {
    pending_.push_back(&record);
    DispatchPending();
  }
  return EFI_SUCCESS;
}

EFI_TPL EventService::Raise(EFI_TPL newTpl) {
  const EFI_TPL old = tpl_;
  if (newTpl < tpl_ || newTpl > TPL_HIGH_LEVEL) {
    log_.Record("tpl-misuse", "RaiseTPL below the current level or above TPL_HIGH_LEVEL",
                {{"current", tpl_}, {"requested", newTpl}});
    return old;
  }
  tpl_ = newTpl;
  return old;
}

void EventService::Restore(EFI_TPL oldTpl) {
  if (oldTpl > tpl_) {
    log_.Record("tpl-misuse", "RestoreTPL above the current level", {{"current", tpl_}, {"requested", oldTpl}});
    return;
  }
  tpl_ = oldTpl;
  DispatchPending();
}

void EventService::DispatchPending() {
  for (;;) {
    auto next = pending_.end();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if ((*it)->tpl > tpl_ && (next == pending_.end() || (*it)->tpl > (*next)->tpl)) next = it;
    }
    if (next == pending_.end()) return;
    Event &event = **next;
    pending_.erase(next);
    // The signal state clears before the notify function runs, so it may signal
    // its own event again; it may also close it, so nothing of it is used after.
    event.signalled = false;
    const EFI_EVENT_NOTIFY notify = event.notify;
    VOID *const context = event.context;
    if (imageUnloaded_) {
      log_.Record("unloaded-image-call", "an event of the unloaded driver image was signalled", {{"tpl", event.tpl}});
      continue;
    }
    const EFI_TPL saved = tpl_;
    tpl_ = event.tpl;
    notify(&event, context);
    tpl_ = saved;
  }
}

}  // namespace sim
