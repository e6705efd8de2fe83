// A UEFI form package, any bytes: the simulator's reader either gives a form
// set, whose default images and form references can then be followed, or
// refuses it with FormPackageError. Any other exception, a crash or a
// sanitizer report is a finding.
#include <cstdint>
#include <cstdlib>

#include "forms/host/form_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  try {
    const forms::FormSet set = forms::DecodeFormPackage(data, size);
    for (const forms::FormVarStore &store : set.varStores) forms::DefaultImage(set, store.id, store.size);
    for (const forms::Form &form : set.forms) {
      for (const forms::FormItem &item : form.items) {
        if (item.kind == forms::FormItemKind::Reference) set.FindForm(item.targetForm);
        if (item.kind == forms::FormItemKind::Setting) set.FindVarStore(item.varStoreId);
      }
    }
  } catch (const forms::FormPackageError &) {
  } catch (...) {
    std::abort();
  }
  return 0;
}
