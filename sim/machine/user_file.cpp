#include "sim/machine/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

namespace sim {
namespace {

constexpr int kLongestLinkChain = 40;  // as the kernel's own limit for a path lookup
constexpr size_t kPipeChunk = 64u << 10;

// strerror's wording, in lower case as the rest of a message.
std::string Cause(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string FolderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A path the run read or wrote, and the name it was read or written as.
struct FileUse {
  std::string path;  // absolute, so that a relative name compares with any other
  std::string option;
  bool read;
  bool operator<(const FileUse &other) const {
    return std::tie(path, option, read) < std::tie(other.path, other.option, other.read);
  }
};

// The run's uses: one process is one run. A set, so that a loop of saves keeps one entry.
std::set<FileUse> &Uses() {
  static std::set<FileUse> uses;
  return uses;
}

void Remember(const std::string &path, const std::string &option, bool read) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  Uses().insert({error ? path : absolute.string(), option, read});
}

// Which file a path names now: an existing file by device and inode (any name
// of it gives the same place), a file still to be made by its folder and name.
struct Place {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;
  bool operator==(const Place &other) const {
    return device == other.device && inode == other.inode && name == other.name;
  }
};

std::optional<Place> PlaceOf(const std::string &path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) return Place{status.st_dev, status.st_ino, ""};
  if (errno != ENOENT) return std::nullopt;
  std::string file;
  try {
    file = FollowLinks(path);
  } catch (const std::runtime_error &) {
    return std::nullopt;
  }
  if (::stat(FolderOf(file).c_str(), &status) != 0) return std::nullopt;
  return Place{status.st_dev, status.st_ino, file.substr(file.rfind('/') + 1)};
}

// The file a write may replace, and the mode its new version gets.
struct Target {
  std::string file;  // the path with its symbolic links followed
  mode_t mode = 0;
};

// Every reason a write under option may not replace what path leads to.
Target Examine(const std::string &path, const std::string &option) {
  const auto refuse = [&](const std::string &why) { throw std::runtime_error(option + " " + path + ": " + why); };
  if (path.empty()) throw std::runtime_error(option + ": names no file");
  Target target;
  try {
    target.file = FollowLinks(path);
  } catch (const std::runtime_error &error) {
    throw std::runtime_error(option + " " + error.what());
  }
  struct stat status {};
  if (::stat(target.file.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) refuse("is a directory");
    if (!S_ISREG(status.st_mode)) refuse("is not a regular file (a device, FIFO or socket)");
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    // The mode bits decide even for root, who may write any file: a read-only file is the user's choice.
    if ((status.st_mode & 0222) == 0) refuse(std::string("is read-only (mode ") + mode + "); it is left as it was");
    if (::access(target.file.c_str(), W_OK) != 0) {
      refuse("is not writable: " + Cause(errno) + " (mode " + mode + "); it is left as it was");
    }
    target.mode = status.st_mode & 07777;
  } else if (errno != ENOENT) {
    refuse(Cause(errno));
  } else {
    const std::string folder = FolderOf(target.file);
    if (::stat(folder.c_str(), &status) != 0) {
      refuse(errno == ENOENT ? "the folder " + folder + " does not exist" : "the folder " + folder + ": " + Cause(errno));
    }
    // A new file gets the mode any new file of the user's gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    target.mode = 0666 & ~mask;
  }
  const std::optional<Place> place = PlaceOf(target.file);
  // Reads first: that the file is an input says more than that another output names it too.
  for (const bool read : {true, false}) {
    for (const FileUse &use : Uses()) {
      if (use.read != read || use.option == option || !place || !(PlaceOf(use.path) == place)) continue;
      if (!read) refuse("is the file this run writes as " + use.option + "; one file cannot take two outputs");
      refuse((use.option.empty() ? std::string("is a file this run reads")
                                 : "is the file this run reads as " + use.option) +
             "; it is left as it was");
    }
  }
  return target;
}

// Writes all of bytes to fd; false with errno set on a short or failed write.
bool WriteAll(int fd, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The first failed step of a write and its errno.
struct WriteFailure {
  const char *step = nullptr;
  int error = 0;
  void Note(const char *what) {
    if (step != nullptr) return;
    step = what;
    error = errno;
  }
};

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

std::string ReadUserFile(const std::string &path, size_t largest, const std::string &prefix,
                         const std::string &reader, ReadSource source) {
  const auto fail = [&](const std::string &cause) { throw std::runtime_error(prefix + cause); };
  // Non-blocking, so that opening a FIFO with no writer returns at once; fstat then refuses it.
  const OpenFile file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd() < 0) fail(errno == ENOENT ? "no such file" : Cause(errno));
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0) fail(Cause(errno));
  const bool pipe = S_ISFIFO(status.st_mode) && source == ReadSource::FileOrPipe;
  if (S_ISDIR(status.st_mode)) fail("is a directory");
  if (!S_ISREG(status.st_mode) && !pipe) fail("is not a regular file (a device, FIFO or socket)");
  // A pipe is read as it comes, waiting for its writer; with none, it reads as empty at once.
  if (pipe && ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK) != 0) fail(Cause(errno));
  if (status.st_size == 0 && !pipe) fail("is empty");
  const std::string tooLarge = "is larger than " + std::to_string(largest) + " bytes";
  if (static_cast<uint64_t>(status.st_size) > largest) fail(tooLarge);

  // The size may change while reading; one byte past the cap tells a file that grew.
  // A pipe's size is known only at its end, so it is read in growing chunks.
  std::string text(static_cast<size_t>(status.st_size), '\0');
  size_t done = 0;
  for (;;) {
    if (done == text.size()) {
      if (text.size() > largest) fail(tooLarge);
      const size_t more = pipe ? std::max(done, kPipeChunk) : 1;
      text.resize(std::min(done + more, largest + 1));
    }
    const ssize_t n = ::read(file.fd(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(Cause(errno));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  text.resize(done);
  if (text.empty()) fail(pipe ? "is empty (a pipe whose writer wrote nothing)" : "is empty");
  Remember(path, reader, true);
  return text;
}

void CheckWritable(const std::string &path, const std::string &option) {
  const Target target = Examine(path, option);
  // Only making a file there proves the write can happen: access() answers yes
  // to root on a folder root cannot write (a read-only mount, /sys). The name is
  // as long as the write's temporary file, and not taken for one.
  std::string probe = target.file + ".chk-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) {
    throw std::runtime_error(option + " " + path + ": cannot create a file in the folder " + FolderOf(target.file) +
                             ": " + Cause(errno));
  }
  ::close(fd);
  ::unlink(probe.c_str());
  Remember(path, option, false);
}

void WriteUserFile(const std::string &path, const std::string &bytes, const std::string &option) {
  const Target target = Examine(path, option);
  const auto fail = [&](const std::string &why) { throw std::runtime_error(option + " " + path + ": " + why); };
  // Beside the target, so that the rename stays within one file system.
  std::string temporary = target.file + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) fail("cannot create a file in the folder " + FolderOf(target.file) + ": " + Cause(errno));
  WriteFailure failure;
  struct stat old {};
  if (::stat(target.file.c_str(), &old) == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Only root may give a file away: root replacing a user's file keeps it the user's, anyone else's
    // new file is their own, as any file they make.
  }
  if (::fchmod(fd, target.mode) != 0) {  // mkstemp makes the file private; the new file keeps the old one's mode
    failure.Note("cannot set the new file's permissions");
  } else if (!WriteAll(fd, bytes)) {
    failure.Note("cannot write the new file");
  } else if (::fsync(fd) != 0) {
    failure.Note("cannot flush the new file");
  }
  if (::close(fd) != 0) failure.Note("cannot close the new file");
  if (failure.step == nullptr && ::rename(temporary.c_str(), target.file.c_str()) != 0) {
    failure.Note("cannot rename the new file over the old");
  }
  if (failure.step != nullptr) {
    ::unlink(temporary.c_str());
    fail(std::string(failure.step) + ": " + Cause(failure.error));
  }
  // The rename is durable only once the folder itself is flushed.
  const OpenFile folder(::open(FolderOf(target.file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.fd() >= 0) ::fsync(folder.fd());
  Remember(path, option, false);
}

bool PathExists(const std::string &path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
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
