#include "sim/machine/dmpstore_file.h"

#include <set>
#include <stdexcept>

#include "sim/machine/crc32.h"
#include "sim/machine/guid_text.h"
#include "sim/machine/record_fields.h"
#include "sim/machine/utf16_text.h"

namespace sim {

namespace {

constexpr size_t kSizesBytes = 8, kGuidBytes = 16, kAttributesBytes = 4, kCrcBytes = 4;

class Reader {
 public:
  Reader(const std::string &bytes, const std::string &path)
      : bytes_(reinterpret_cast<const uint8_t *>(bytes.data())), size_(bytes.size()), path_(path) {}

  std::vector<StoredVariable> Read() {
    std::vector<StoredVariable> variables;
    std::set<std::pair<std::string, std::u16string>> seen;
    for (size_t at = 0; at < size_;) {
      const size_t start = at;
      variables.push_back(Record(at));
      const StoredVariable &variable = variables.back();
      if (!seen.emplace(GuidToText(variable.guid), variable.name).second) {
        Fail(start, Named(variable) + " is in the file twice");
      }
    }
    return variables;
  }

 private:
  [[noreturn]] void Fail(size_t at, const std::string &fault) const {
    throw std::runtime_error("dmpstore file " + path_ + ": offset " + HexNumber(at) + ": " + fault);
  }

  static std::string Named(const StoredVariable &variable) {
    return "variable " + Utf16ToUtf8(variable.name).value_or("(a name that is not UTF-16)") + " (" +
           GuidToText(variable.guid) + ")";
  }

  uint64_t Field(size_t at, size_t width) const { return GetLittleEndian(bytes_ + at, width); }

  // Reads the record at at and moves at past it.
  StoredVariable Record(size_t &at) {
    const size_t start = at;
    if (size_ - at < kSizesBytes) Fail(start, "a record cut short: " + std::to_string(size_ - at) + " bytes left, not even its sizes");
    const uint64_t nameSize = Field(at, 4), dataSize = Field(at + 4, 4);
    const uint64_t length = kSizesBytes + nameSize + kGuidBytes + kAttributesBytes + dataSize + kCrcBytes;
    StoredVariable variable;
    const bool nameFits = nameSize <= size_ - at - kSizesBytes;
    if (nameFits) {
      for (size_t i = 0; i + 1 < nameSize; i += 2) variable.name.push_back(static_cast<char16_t>(Field(at + 8 + i, 2)));
    }
    if (length > size_ - at) {
      const std::string who = nameFits && !variable.name.empty() && variable.name.back() == 0
                                  ? "variable " + Utf16ToUtf8(variable.name.substr(0, variable.name.find(u'\0'))).value_or("?")
                                  : "a record";
      Fail(start, who + " cut short: name size " + HexNumber(nameSize) + " and data size " + HexNumber(dataSize) + " need " +
                      std::to_string(length) + " bytes, the file has " + std::to_string(size_ - at) + " from here");
    }
    if (nameSize < 4 || nameSize % 2 != 0 || variable.name.back() != 0 ||
        variable.name.find(u'\0') != variable.name.size() - 1) {
      Fail(start + kSizesBytes, "the variable's name (" + HexNumber(nameSize) + " bytes) is not a non-empty NUL-terminated UCS-2 text");
    }
    variable.name.pop_back();
    at += kSizesBytes + nameSize;
    variable.guid = GuidFromBytes(bytes_ + at);
    variable.attributes = static_cast<uint32_t>(Field(at + kGuidBytes, 4));
    at += kGuidBytes + kAttributesBytes;
    variable.data.assign(bytes_ + at, bytes_ + at + dataSize);
    at += dataSize;
    const uint32_t stored = static_cast<uint32_t>(Field(at, 4)), computed = Crc32(bytes_ + start, at - start);
    if (stored != computed) {
      Fail(at, Named(variable) + ": CRC32 " + HexNumber(stored) + " does not match its record's bytes (" + HexNumber(computed) + ")");
    }
    at += kCrcBytes;
    if (dataSize == 0) Fail(start + 4, Named(variable) + " has no data");
    return variable;
  }

  const uint8_t *bytes_;
  size_t size_;
  const std::string &path_;
};

void Append(std::string &out, uint64_t value, size_t width) {
  const size_t at = out.size();
  out.resize(at + width);
  PutLittleEndian(reinterpret_cast<uint8_t *>(out.data()) + at, value, width);
}

}  // namespace

std::vector<StoredVariable> ReadDmpstoreFile(const std::string &bytes, const std::string &path) {
  return Reader(bytes, path).Read();
}

std::string DmpstoreFileOf(const std::vector<StoredVariable> &variables) {
  std::string out;
  for (const StoredVariable &variable : variables) {
    const size_t start = out.size();
    Append(out, (variable.name.size() + 1) * 2, 4);
    Append(out, variable.data.size(), 4);
    for (const char16_t unit : variable.name) Append(out, unit, 2);
    Append(out, 0, 2);
    out += GuidBytes(variable.guid);
    Append(out, variable.attributes, 4);
    out.append(reinterpret_cast<const char *>(variable.data.data()), variable.data.size());
    Append(out, Crc32(out.data() + start, out.size() - start), 4);
  }
  return out;
}

}  // namespace sim
