#include "sim/machine/driver_module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace sim {

namespace {

[[noreturn]] void Fail(const std::string &path, const std::string &fault) {
  throw std::runtime_error("driver module " + path + ": " + fault);
}

// A new, uniquely named copy of the module in the temporary folder.
std::string CopyModule(const std::string &path) {
  std::string copy = (std::filesystem::temp_directory_path() / "setup-driver-XXXXXX.so").string();
  int fd = ::mkstemps(copy.data(), 3);
  if (fd < 0) Fail(path, "cannot create a private copy");
  ::close(fd);
  std::error_code error;
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    std::filesystem::remove(copy);
    Fail(path, "cannot copy: " + error.message());
  }
  return copy;
}

}  // namespace

DriverModule::DriverModule(const std::string &path) : copy_(CopyModule(path)) {
  handle_ = ::dlopen(copy_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const std::string reason = ::dlerror();
    std::filesystem::remove(copy_);
    Fail(path, "cannot load: " + reason);
  }
  entry_ = reinterpret_cast<EFI_IMAGE_ENTRY_POINT>(::dlsym(handle_, "SetupDriverEntry"));
  const link_map *map = nullptr;
  try {
    if (entry_ == nullptr) Fail(path, "has no SetupDriverEntry");
    if (::dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0) Fail(path, "no link map");
    data_ = std::make_unique<ModuleData>(copy_, map->l_addr);
  } catch (...) {
    ::dlclose(handle_);
    std::filesystem::remove(copy_);
    throw;
  }
}

DriverModule::~DriverModule() {
  ::dlclose(handle_);
  std::error_code ignored;
  std::filesystem::remove(copy_, ignored);
}

std::string DriverModule::DefaultPath() {
  const char *overridden = std::getenv("SETUP_DRIVER_MODULE");
  if (overridden != nullptr && overridden[0] != 0) return overridden;
  // A fuzz target copied to another machine (ClusterFuzzLite, OSS-Fuzz) finds
  // its module beside it, where fuzz/build.sh puts it.
  std::error_code error;
  const std::filesystem::path built = SETUP_DRIVER_MODULE_PATH;
  if (!std::filesystem::exists(built, error)) {
    const std::filesystem::path beside = std::filesystem::read_symlink("/proc/self/exe", error).parent_path() /
                                         built.filename();
    if (!error && std::filesystem::exists(beside, error)) return beside.string();
  }
  return built.string();
}

}  // namespace sim
