#include "tools/setup-sim/browse/browse_session.h"

#include <algorithm>

#include "tools/setup-sim/form_settings.h"

namespace setup_sim {
namespace {

std::string EventText(const sim::EventRecord &event) {
  return event.detail.empty() ? event.kind : event.kind + " " + event.detail;
}

}  // namespace

BrowseSession::BrowseSession(BootSession session, std::string nvram)
    : session_(std::move(session)), nvram_(std::move(nvram)), startStore_(session_.store) {
  session_.options.trigger = session_.laterBoot;
  session_.options.callbacks.clear();
}

void BrowseSession::Boot() {
  session_.store = startStore_;
  session_.report = sim::RunBoot(session_.profile, session_.store, session_.options);
  if (!nvram_.empty()) session_.store.Save(nvram_, kNvramOption);
}

ActionResult BrowseSession::RunAction(uint16_t formClass, uint16_t key) {
  const size_t stringsBefore = session_.report.strings.size();
  session_.options.callbacks.emplace_back(formClass, key);
  Boot();
  ActionResult result;
  // The replay repeats everything before the new callback, so the strings past the old count are its own.
  const size_t written = session_.report.strings.size() - std::min(stringsBefore, session_.report.strings.size());
  if (written != 0) result.events = std::to_string(written) + " strings set";
  const std::vector<sim::EventRecord> &events = session_.report.events;
  size_t first = events.size();
  while (first > 0 && events[first - 1].kind != "form-callback") --first;
  for (size_t i = first; i < events.size(); ++i) {
    result.events += (result.events.empty() ? "" : "; ") + EventText(events[i]);
    if (events[i].kind == "message-box") result.messageBox = events[i].detail;
  }
  if (first == 0) result.events = "the callback did not run";
  if (result.events.empty()) result.events = "the driver did nothing the platform sees";
  return result;
}

void BrowseSession::SaveAndReboot(const std::vector<SettingEdit> &edits) {
  // The browser edits only bytes the store holds, so every edit finds its byte.
  for (const SettingEdit &edit : edits) {
    StoreSettingByte(session_.store, edit.variable, edit.variableGuid, edit.offset, edit.value);
  }
  if (!nvram_.empty()) session_.store.Save(nvram_, kNvramOption);
  startStore_ = session_.store;
  session_.options.trigger = true;
  session_.options.callbacks.clear();
  Boot();
}

std::vector<FormPage> BrowseSession::Pages() const {
  std::vector<FormPage> pages;
  for (const sim::PackageListSpec &list : session_.profile.packageLists) {
    FormPage page = RenderFormPage(list, session_.report, session_.store);
    if (page.published && !page.removed && !page.forms.empty()) pages.push_back(std::move(page));
  }
  return pages;
}

}  // namespace setup_sim
