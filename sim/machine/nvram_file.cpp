// The NVRAM file: the non-volatile variables as JSON (docs/nvram-file.md).
// Loading checks every field and fails loudly; saving replaces the file
// atomically so that a failed or interrupted save keeps the previous store.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "sim/machine/utf16_text.h"
#include "sim/variable_store.h"

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char *kFormat = "setup-sim nvram";
constexpr int kVersion = 1;

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

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) Fail(path, "read error");
  return text.str();
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

VariableStore VariableStore::Load(const std::string &path) { return Parse(ReadWholeFile(path), path); }

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
  std::set<std::pair<std::string, std::u16string>> seen;
  for (size_t i = 0; i < variables->size(); ++i) {
    StoredVariable variable = ParseVariable(path, (*variables)[i], "variable " + std::to_string(i));
    if (!seen.insert({GuidToText(variable.guid), variable.name}).second) {
      Fail(path, "variable " + std::to_string(i) + " repeats an earlier name and GUID");
    }
    store.Put(variable);
  }
  return store;
}

void VariableStore::Save(const std::string &path) const {
  Json variables = Json::array();
  for (const StoredVariable &variable : All()) {
    if ((variable.attributes & EFI_VARIABLE_NON_VOLATILE) == 0) continue;
    auto name = Utf16ToUtf8(variable.name);
    if (!name) Fail(path, "cannot save a variable whose name holds a lone UTF-16 surrogate");
    variables.push_back(Json{{"name", *name},
                             {"guid", GuidToText(variable.guid)},
                             {"attributes", variable.attributes},
                             {"data", HexOf(variable.data)}});
  }
  const std::string text = Json{{"format", kFormat}, {"version", kVersion}, {"variables", variables}}.dump(2) + "\n";

  std::string temporary = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) Fail(path, std::string("cannot create a temporary file: ") + std::strerror(errno));
  SaveFailure failure;
  if (::fchmod(fd, 0644) != 0) {  // mkstemp makes the file private; the store is an ordinary file
    failure.Note("cannot set the new file's permissions");
  } else if (!WriteAll(fd, text)) {
    failure.Note("cannot write the new file");
  } else if (::fsync(fd) != 0) {
    failure.Note("cannot flush the new file");
  }
  if (::close(fd) != 0) failure.Note("cannot close the new file");
  if (failure.step == nullptr && ::rename(temporary.c_str(), path.c_str()) != 0) failure.Note("cannot rename the new file over the old");
  if (failure.step != nullptr) {
    ::unlink(temporary.c_str());
    Fail(path, std::string(failure.step) + ": " + std::strerror(failure.error));
  }
  // The rename is durable only once the folder itself is flushed.
  int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

}  // namespace sim
