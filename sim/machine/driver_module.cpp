#include "sim/machine/driver_module.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "sim/machine/user_file.h"

namespace sim {

namespace {

// Far beyond any build of the module (a sanitizer build is a few MiB).
constexpr size_t kLargestModule = 256u << 20;

[[noreturn]] void Fail(const std::string &path, const std::string &fault) {
  throw std::runtime_error("driver module " + path + ": " + fault);
}

// A private copy of the module in an anonymous memory file: nothing in the file
// system to clean up, so no copy outlives the process, however it ends. The
// descriptor stays open while the copy is loaded; its /proc path names it.
int CopyModule(const std::string &path) {
  const std::string image = ReadDriverModuleFile(path);
  const int fd = ::memfd_create("setup-driver.so", MFD_CLOEXEC);
  if (fd < 0) Fail(path, std::string("cannot create a private copy: ") + std::strerror(errno));
  for (size_t done = 0; done < image.size();) {
    const ssize_t n = ::write(fd, image.data() + done, image.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      Fail(path, std::string("cannot copy: ") + std::strerror(error));
    }
    done += static_cast<size_t>(n);
  }
  return fd;
}

}  // namespace

std::string ReadDriverModuleFile(const std::string &path) {
  return ReadUserFile(path, kLargestModule, "driver module " + path + ": ", "the driver module");
}

DriverModule::DriverModule(const std::string &path)
    : copyFd_(CopyModule(path)), copy_("/proc/self/fd/" + std::to_string(copyFd_)) {
  handle_ = ::dlopen(copy_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const std::string reason = ::dlerror();
    ::close(copyFd_);
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
    ::close(copyFd_);
    throw;
  }
}

DriverModule::~DriverModule() {
  ::dlclose(handle_);
  ::close(copyFd_);
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
