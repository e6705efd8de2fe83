// A UEFI form package, any bytes: the simulator's reader either gives a form
// set, whose default images and form references can then be followed, or
// refuses it with FormPackageError. Any other exception, a crash or a
// sanitizer report is a finding.
#include <cstdint>
#include <cstdlib>

#include "sim/forms/form_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  try {
    const sim::FormSet set = sim::DecodeFormPackage(data, size);
    for (const sim::FormVarStore &store : set.varStores) sim::DefaultImage(set, store.id, store.size);
    for (const sim::Form &form : set.forms) {
      for (const sim::FormItem &item : form.items) {
        if (item.kind == sim::FormItemKind::Reference) set.FindForm(item.targetForm);
        if (item.kind == sim::FormItemKind::Setting) set.FindVarStore(item.varStoreId);
      }
    }
  } catch (const sim::FormPackageError &) {
  } catch (...) {
    std::abort();
  }
  return 0;
}
