#include "sim/profile/install_field.h"

namespace sim {

Install ReadInstall(const JsonField &field) {
  static const struct {
    const char *name;
    Install install;
  } kTimings[] = {{"at-load", Install::AtLoad}, {"after-publishing", Install::AfterPublishing}, {"never", Install::Never}};
  if (field.value().is_string()) {
    for (const auto &timing : kTimings) {
      if (field.String() == timing.name) return timing.install;
    }
  }
  field.Expected("\"at-load\", \"after-publishing\" or \"never\"");
}

}  // namespace sim
