// One simulated boot, in the order firmware runs it: power cycle, load of the
// driver image, entry point, later installs, then the menu browser's callbacks.
#include "sim/boot.h"

#include "sim/hardware/hardware_model.h"
#include "sim/machine/board_hardware.h"
#include "sim/machine/driver_module.h"
#include "sim/machine/machine.h"

#include <optional>
#include <utility>

namespace sim {

BootReport RunBoot(const BoardProfile &profile, VariableStore &store, const BootOptions &options) {
  store.DropVolatile();
  // Declared before the machine, so it is unloaded only after the machine (and
  // every event pointing into the module) is gone.
  std::optional<DriverModule> freshModule;
  if (options.loadedModule == nullptr) {
    freshModule.emplace(options.driverModule.empty() ? DriverModule::DefaultPath() : options.driverModule);
  } else {
    options.loadedModule->ResetState();
  }
  const DriverModule &module = options.loadedModule != nullptr ? *options.loadedModule : *freshModule;
  Machine machine(profile, store);
  machine.Faults().Arm(options.faults);
  machine.RecordChanges(options.recordChanges);
  std::unique_ptr<HardwareModel> hardware = BuildBoardHardware(profile, machine.Log());
  hardware->TraceAccesses(options.recordChanges);
  ActiveHardware boundHardware(*hardware);

  BootReport report;
  report.entryStatus = module.Entry()(machine.ImageHandle(), machine.SystemTable());
  machine.CheckTplRestored("the entry point");
  if (EfiError(report.entryStatus)) machine.UnloadImage();
  if (options.trigger) machine.InstallPublishTrigger();
  machine.InstallBoardProtocols(Install::AfterPublishing);
  for (const auto &[formClass, key] : options.callbacks) {
    const size_t strings = machine.Hii().StringsAccepted(), events = machine.Log().Events().size(),
                 writes = machine.VariableWriteCount();
    machine.CallFormCallback(formClass, key);
    const std::vector<EventRecord> &log = machine.Log().Events();
    const bool reached = log.size() > events && log[events].kind == "form-callback";
    report.callbacks.push_back({formClass, key, reached,
                                machine.Hii().StringsAccepted() - strings + machine.VariableWriteCount() - writes +
                                    (log.size() - events - (reached ? 1 : 0))});
  }

  report.strings = machine.Hii().TakeStrings();
  report.events = machine.Log().Take();
  report.poolLeaks = machine.Pool().Outstanding();
  report.poolLeakBytes = machine.Pool().OutstandingBytes();
  report.serviceCalls = machine.Faults().Counts();
  report.variableWrites = std::move(machine.VariableWrites());
  report.hardwareTrace = hardware->TakeTrace();
  return report;
}

}  // namespace sim
