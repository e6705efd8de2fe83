#include "tools/setup-sim/report_header.h"

#include <cstdio>

#include "sim/machine/service_faults.h"

namespace setup_sim {

std::string BootKind(const BootSession &session) {
  return session.laterBoot ? "later boot (the store holds LastLangCodes: publishing waits for the trigger)"
                           : "first boot (no LastLangCodes: publishing runs in the entry point)";
}

std::vector<std::string> BootOptionTexts(const BootSession &session) {
  std::vector<std::string> options;
  if (session.options.trigger) options.push_back("--trigger");
  for (const auto &[formClass, key] : session.options.callbacks) {
    char callback[32];
    std::snprintf(callback, sizeof callback, "--callback %u:0x%X", formClass, key);
    options.push_back(callback);
  }
  for (const sim::ServiceFault &fault : session.options.faults) {
    options.push_back("--fail " + std::string(sim::ServiceCallName(fault.call)) + ":" + std::to_string(fault.number));
  }
  for (const std::string &setting : session.settings) options.push_back("--set " + setting);
  if (!session.page.empty()) options.push_back("--page " + session.page);
  return options;
}

}  // namespace setup_sim
