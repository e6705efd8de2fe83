#include "tools/setup-sim/json_report.h"

#include <nlohmann/json.hpp>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "sim/machine/service_faults.h"
#include "tools/setup-sim/command_line.h"
#include "tools/setup-sim/form_page_report.h"
#include "tools/setup-sim/pages.h"
#include "tools/setup-sim/report_header.h"
#include "tools/setup-sim/status_names.h"
#include "tools/setup-sim/variable_display.h"

namespace setup_sim {
namespace {

using nlohmann::json;

json Pages(const BootSession &session, json &strings) {
  json pages = json::array();
  for (const Page &page : CollectPages(session.profile, session.report)) {
    json entries = json::array();
    json &texts = strings[std::to_string(page.formClass)] = json::object();
    for (const PageString &string : page.strings) {
      entries.push_back({{"id", string.id}, {"label", string.label}, {"text", string.text}});
      texts[std::to_string(string.id)] = string.text;
    }
    pages.push_back(
        {{"class", page.formClass}, {"title", page.title}, {"removed", page.removed}, {"strings", entries}});
  }
  return pages;
}

json StringWrites(const sim::BootReport &report) {
  json writes = json::array();
  for (const sim::StringRecord &record : report.strings) {
    writes.push_back({{"class", record.formClass}, {"id", record.stringId}, {"text", DisplayText(record.text)}});
  }
  return writes;
}

json Variables(const BootSession &session) {
  json variables = json::array();
  for (const sim::StoredVariable &variable : session.store.All()) {
    const ShownVariable shown = ShowVariable(variable, session.profile);
    json entry = {{"name", DisplayText(variable.name)},
                  {"guid", sim::GuidToText(variable.guid)},
                  {"attributes", variable.attributes},
                  {"size", variable.data.size()},
                  {"data", MaskedHex(shown)}};
    if (!shown.pointed.empty()) entry["pointed_texts"] = shown.pointed;
    variables.push_back(std::move(entry));
  }
  return variables;
}

json Events(const sim::BootReport &report) {
  json events = json::array();
  for (const sim::EventRecord &event : report.events) {
    json values = json::object();
    for (const auto &[name, value] : event.values) values[name] = value;
    events.push_back({{"kind", event.kind}, {"detail", event.detail}, {"values", values}});
  }
  return events;
}

json ServiceCalls(const sim::BootReport &report) {
  json calls = json::object();
  for (size_t i = 0; i < sim::kServiceCallKinds; ++i) {
    calls[sim::ServiceCallName(static_cast<sim::ServiceCall>(i))] = report.serviceCalls[i];
  }
  return calls;
}

}  // namespace

void WriteJsonReport(const BootSession &session, std::ostream &out) {
  const sim::BootReport &report = session.report;
  const sim::NvramCounters &counters = session.store.Counters();
  json strings = json::object();
  json document = {
      {"schema_version", kJsonSchemaVersion},
      {"setup_sim_version", SetupSimVersion()},
      {"driver_module", {{"path", session.driverModule}, {"fnv1a64", session.driverModuleHash}}},
      {"board", session.profile.name},
      {"board_source", session.boardSource},
      {"nvram", session.nvramSource},
      {"boot", session.laterBoot ? "later" : "first"},
      {"options", BootOptionTexts(session)},
      {"warnings", session.warnings},
      {"entry_status", {{"name", StatusName(report.entryStatus)}, {"value", report.entryStatus}}},
      {"pages", Pages(session, strings)},
      {"string_writes", StringWrites(report)},
      {"variables", Variables(session)},
      {"counters",
       {{"reads", counters.reads},
        {"writes", counters.writes},
        {"bytes_written", counters.bytesWritten},
        {"identical_writes", counters.identicalWrites}}},
      {"events", Events(report)},
      {"pool_leaks", report.poolLeaks},
      {"pool_leak_bytes", report.poolLeakBytes},
      {"service_calls", ServiceCalls(report)},
  };
  document["strings"] = strings;
  if (!session.formPages.empty()) document["form_pages"] = FormPagesJson(session);
  out << document.dump(2) << "\n";
}

}  // namespace setup_sim
