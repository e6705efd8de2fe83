// One load of the driver image. Each boot loads a private copy of the module
// file, so module state starts fresh exactly as when the DXE dispatcher loads
// the image. The copy lives in an anonymous memory file, unloaded and released
// with this object, and never in the file system, so a killed run leaves none.
#pragma once

#include <memory>
#include <string>

#include "driver/uefi/uefi_tables.h"
#include "sim/machine/module_data.h"

namespace sim {

// The module file's bytes, read as every user file is (a regular file of at most
// 256 MiB, opened without waiting: a FIFO or /dev/zero is refused at once).
std::string ReadDriverModuleFile(const std::string &path);

class DriverModule {
 public:
  // Throws std::runtime_error naming the module when it cannot be copied or loaded,
  // or lacks SetupDriverEntry.
  explicit DriverModule(const std::string &path);
  ~DriverModule();
  DriverModule(const DriverModule &) = delete;
  DriverModule &operator=(const DriverModule &) = delete;

  EFI_IMAGE_ENTRY_POINT Entry() const { return entry_; }
  // Puts the module state (its .data and .bss) back as the load left it, so the
  // next boot starts as on a fresh load without loading again.
  void ResetState() const { data_->Restore(); }

  // $SETUP_DRIVER_MODULE when set, else the module this build produced or,
  // when that is gone, the module of that name beside the running executable.
  static std::string DefaultPath();

 private:
  int copyFd_ = -1;
  std::string copy_;  // the copy's /proc/self/fd path
  void *handle_ = nullptr;
  EFI_IMAGE_ENTRY_POINT entry_ = nullptr;
  std::unique_ptr<ModuleData> data_;
};

}  // namespace sim
