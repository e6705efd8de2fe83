#include "sim/machine/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace sim {
namespace {

constexpr int kLongestLinkChain = 40;  // as the kernel's own limit for a path lookup

// strerror's wording, in lower case as the rest of a message.
std::string Cause(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile &) = delete;
  OpenFile &operator=(const OpenFile &) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string ReadUserFile(const std::string &path, size_t largest, const std::string &prefix) {
  const auto fail = [&](const std::string &cause) { throw std::runtime_error(prefix + cause); };
  // Non-blocking, so that opening a FIFO with no writer returns at once; fstat then refuses it.
  const OpenFile file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd() < 0) fail(errno == ENOENT ? "no such file" : Cause(errno));
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0) fail(Cause(errno));
  if (S_ISDIR(status.st_mode)) fail("is a directory");
  if (!S_ISREG(status.st_mode)) fail("is not a regular file (a device, FIFO or socket)");
  if (status.st_size == 0) fail("is empty");
  const std::string tooLarge = "is larger than " + std::to_string(largest) + " bytes";
  if (static_cast<uint64_t>(status.st_size) > largest) fail(tooLarge);

  // The size may change while reading; one byte past the cap tells a file that grew.
  std::string text(static_cast<size_t>(status.st_size), '\0');
  size_t done = 0;
  for (;;) {
    if (done == text.size()) {
      if (text.size() > largest) fail(tooLarge);
      text.resize(text.size() + 1);
    }
    const ssize_t n = ::read(file.fd(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(Cause(errno));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  text.resize(done);
  if (text.empty()) fail("is empty");
  return text;
}

std::string FollowLinks(const std::string &path) {
  std::string current = path;
  for (int links = 0; links <= kLongestLinkChain; ++links) {
    struct stat status {};
    if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
    std::string target(static_cast<size_t>(status.st_size > 0 ? status.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n < 0) throw std::runtime_error(path + ": cannot read the link: " + Cause(errno));
    target.resize(static_cast<size_t>(n));
    const size_t slash = current.rfind('/');
    // A relative target is relative to the folder that holds the link.
    current = target[0] == '/' || slash == std::string::npos ? target : current.substr(0, slash + 1) + target;
  }
  throw std::runtime_error(path + ": too many levels of symbolic links");
}

}  // namespace sim
