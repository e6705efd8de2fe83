// The NVRAM file: the non-volatile variables as JSON (docs/nvram-file.md).
// Loading checks every field and fails loudly; saving replaces the file
// atomically so that a failed or interrupted save keeps the previous store,
// writes through a symbolic link to its target, keeps the file's mode and the
// notes it carried, and never replaces a read-only file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "sim/machine/user_file.h"
#include "sim/machine/utf16_text.h"
#include "sim/variable_store.h"

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char *kFormat = "setup-sim nvram";
constexpr int kVersion = 1;
// Far beyond any flash store (a few MiB); a larger file is a mistake, not a store.
constexpr size_t kLargestFile = 64u << 20;
const char *const kVariableFields[] = {"name", "guid", "attributes", "data"};
const char *const kFileFields[] = {"format", "version", "board", "variables"};

template <size_t N>
bool IsOneOf(const std::string &key, const char *const (&names)[N]) {
  for (const char *name : names) {
    if (key == name) return true;
  }
  return false;
}

// The fields of an object that are none of names, as JSON text ("" when none):
// the notes a user keeps in the file.
template <size_t N>
std::string NotesOf(const Json &object, const char *const (&names)[N]) {
  Json notes = Json::object();
  for (const auto &[key, value] : object.items()) {
    if (!IsOneOf(key, names)) notes[key] = value;
  }
  return notes.empty() ? std::string() : notes.dump();
}

void AddNotes(Json &object, const std::string &notes) {
  if (notes.empty()) return;
  const Json parsed = Json::parse(notes);
  for (const auto &[key, value] : parsed.items()) object[key] = value;
}

[[noreturn]] void Fail(const std::string &path, const std::string &fault) {
  throw std::runtime_error("NVRAM file " + path + ": " + fault);
}

// One entry of "variables"; where names the entry in messages.
StoredVariable ParseVariable(const std::string &path, const Json &entry, const std::string &where) {
  if (!entry.is_object()) Fail(path, where + " is not an object");
  auto field = [&](const char *key) -> const Json & {
    auto it = entry.find(key);
    if (it == entry.end()) Fail(path, where + " has no \"" + key + "\"");
    return *it;
  };
  const Json &name = field("name"), &guid = field("guid"), &attributes = field("attributes"), &data = field("data");

  StoredVariable variable;
  auto name16 = name.is_string() ? Utf8ToUtf16(name.get<std::string>()) : std::nullopt;
  if (!name16 || name16->empty() || name16->find(u'\0') != std::u16string::npos) {
    Fail(path, where + ": \"name\" is not a non-empty text");
  }
  variable.name = *name16;
  auto parsedGuid = guid.is_string() ? GuidFromText(guid.get<std::string>()) : std::nullopt;
  if (!parsedGuid) Fail(path, where + ": \"guid\" is not a GUID of the form 8-4-4-4-12");
  variable.guid = *parsedGuid;
  constexpr uint64_t kAllowed = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
  if (!attributes.is_number_unsigned() || (attributes.get<uint64_t>() & ~kAllowed) != 0 ||
      (attributes.get<uint64_t>() & EFI_VARIABLE_NON_VOLATILE) == 0 ||
      (attributes.get<uint64_t>() & EFI_VARIABLE_BOOTSERVICE_ACCESS) == 0) {
    Fail(path, where + ": \"attributes\" must be non-volatile with boot-service access (3 or 7)");
  }
  variable.attributes = attributes.get<uint32_t>();
  auto bytes = data.is_string() ? BytesOfHex(data.get<std::string>()) : std::nullopt;
  if (!bytes || bytes->empty()) Fail(path, where + ": \"data\" is not a non-empty hexadecimal byte string");
  variable.data = std::move(*bytes);
  return variable;
}

// Writes all of text to fd; false with errno set on a short or failed write.
bool WriteAll(int fd, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The first failed step of a save and its errno.
struct SaveFailure {
  const char *step = nullptr;
  int error = 0;
  void Note(const char *what) {
    if (step != nullptr) return;
    step = what;
    error = errno;
  }
};

std::string FolderOf(const std::string &path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

VariableStore VariableStore::Load(const std::string &path) {
  return Parse(ReadUserFile(path, kLargestFile, "NVRAM file " + path + ": "), path);
}

VariableStore VariableStore::Parse(const std::string &text, const std::string &path) {
  if (text.empty()) Fail(path, "empty file");
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::exception &error) {  // a syntax error or a number too large
    Fail(path, std::string("not valid JSON (") + error.what() + ")");
  }
  if (!root.is_object() || root.value("format", Json()) != kFormat) {
    Fail(path, std::string("not an NVRAM file: \"format\" is not \"") + kFormat + "\"");
  }
  if (root.value("version", Json()) != kVersion) Fail(path, "unsupported \"version\" (expected 1)");
  auto variables = root.find("variables");
  if (variables == root.end() || !variables->is_array()) Fail(path, "\"variables\" is not a list");

  VariableStore store;
  store.fileNotes_ = NotesOf(root, kFileFields);
  const auto board = root.find("board");
  if (board != root.end() && !board->is_string()) Fail(path, "\"board\" is not a text");
  if (board != root.end()) store.board_ = board->get<std::string>();
  std::set<std::pair<std::string, std::u16string>> seen;
  for (size_t i = 0; i < variables->size(); ++i) {
    const Json &entry = (*variables)[i];
    StoredVariable variable = ParseVariable(path, entry, "variable " + std::to_string(i));
    std::pair<std::string, std::u16string> key{GuidToText(variable.guid), variable.name};
    if (!seen.insert(key).second) Fail(path, "variable " + std::to_string(i) + " repeats an earlier name and GUID");
    std::string notes = NotesOf(entry, kVariableFields);
    if (!notes.empty()) store.variableNotes_[std::move(key)] = std::move(notes);
    // The set above proved the variable new, so it is appended without Put's search.
    store.variables_.push_back(std::move(variable));
  }
  return store;
}

namespace {

// The mode the saved file gets: the old file's, or a new file's under the umask.
mode_t SavableMode(const std::string &path) {
  const std::string target = FollowLinks(path);
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) Fail(path, "is a directory");
    if (!S_ISREG(status.st_mode)) Fail(path, "is not a regular file (a device, FIFO or socket)");
    // The mode bits decide even for root, who may write any file: a read-only store is the user's choice.
    if ((status.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
      Fail(path, std::string("is read-only (mode ") + mode + "); it is left as it was");
    }
    return status.st_mode & 07777;
  }
  if (errno != ENOENT) Fail(path, std::strerror(errno));
  const std::string folder = FolderOf(target);
  if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    Fail(path, "the folder " + folder + " does not exist");
  }
  if (::access(folder.c_str(), W_OK) != 0) Fail(path, "the folder " + folder + " is not writable");
  // A new store gets the mode any new file of the user's gets.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void VariableStore::CheckSavable(const std::string &path) { SavableMode(path); }

void VariableStore::Save(const std::string &path) const {
  const mode_t mode = SavableMode(path);
  const std::string target = FollowLinks(path);
  Json variables = Json::array();
  for (const StoredVariable &variable : All()) {
    if ((variable.attributes & EFI_VARIABLE_NON_VOLATILE) == 0) continue;
    auto name = Utf16ToUtf8(variable.name);
    if (!name) Fail(path, "cannot save a variable whose name holds a lone UTF-16 surrogate");
    Json entry{{"name", *name},
               {"guid", GuidToText(variable.guid)},
               {"attributes", variable.attributes},
               {"data", HexOf(variable.data)}};
    const auto notes = variableNotes_.find({GuidToText(variable.guid), variable.name});
    if (notes != variableNotes_.end()) AddNotes(entry, notes->second);
    variables.push_back(std::move(entry));
  }
  Json file{{"format", kFormat}, {"version", kVersion}};
  if (!board_.empty()) file["board"] = board_;
  file["variables"] = std::move(variables);
  AddNotes(file, fileNotes_);
  const std::string text = file.dump(2) + "\n";

  // Beside the target, so that the rename stays within one file system.
  std::string temporary = target + ".tmp-XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) Fail(path, std::string("cannot create a temporary file: ") + std::strerror(errno));
  SaveFailure failure;
  if (::fchmod(fd, mode) != 0) {  // mkstemp makes the file private; the store keeps the old file's mode
    failure.Note("cannot set the new file's permissions");
  } else if (!WriteAll(fd, text)) {
    failure.Note("cannot write the new file");
  } else if (::fsync(fd) != 0) {
    failure.Note("cannot flush the new file");
  }
  if (::close(fd) != 0) failure.Note("cannot close the new file");
  if (failure.step == nullptr && ::rename(temporary.c_str(), target.c_str()) != 0) {
    failure.Note("cannot rename the new file over the old");
  }
  if (failure.step != nullptr) {
    ::unlink(temporary.c_str());
    Fail(path, std::string(failure.step) + ": " + std::strerror(failure.error));
  }
  // The rename is durable only once the folder itself is flushed.
  int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

}  // namespace sim
