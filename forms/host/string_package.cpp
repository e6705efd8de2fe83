#include "forms/host/string_package.h"

#include "forms/host/little_endian.h"

namespace forms {
namespace {

constexpr size_t kLanguageOffset = 46;  // header, HdrSize, StringInfoOffset, LanguageWindow[16], LanguageName

// String block types.
enum : uint8_t {
  kEndBlock = 0x00,
  kScsu = 0x10,
  kScsuFont = 0x11,
  kScsuMany = 0x12,
  kScsuManyFont = 0x13,
  kUcs2 = 0x14,
  kUcs2Font = 0x15,
  kUcs2Many = 0x16,
  kUcs2ManyFont = 0x17,
  kDuplicate = 0x20,
  kSkip2 = 0x21,
  kSkip1 = 0x22,
  kExt1 = 0x30,
  kExt2 = 0x31,
  kExt4 = 0x32,
};

class StringReader {
 public:
  StringReader(const uint8_t *bytes, size_t size) : bytes_(bytes), size_(size) {}

  StringPackage Read() {
    if (size_ < 4) Fail(0, "shorter than a package header");
    if (bytes_[3] != kPackageStrings) Fail(0, "not a string package (type " + std::to_string(bytes_[3]) + ")");
    const size_t length = Number(0, 3);
    if (length != size_) {
      Fail(0, "the header's length " + std::to_string(length) + " is not the package's " + std::to_string(size_) +
                  " bytes");
    }
    const size_t headerSize = Number(4, 4);
    const size_t blocks = Number(8, 4);
    if (headerSize <= kLanguageOffset || headerSize > size_) Fail(4, "header size " + std::to_string(headerSize));
    if (blocks < headerSize || blocks > size_) Fail(8, "string blocks at " + std::to_string(blocks));
    StringPackage package;
    package.languageName = static_cast<uint16_t>(Number(kLanguageOffset - 2, 2));
    for (size_t at = kLanguageOffset; bytes_[at] != 0; ++at) {
      if (at + 1 == headerSize) Fail(kLanguageOffset, "the language has no terminator");
      package.language += static_cast<char>(bytes_[at]);
    }
    Blocks(blocks, package);
    return package;
  }

 private:
  [[noreturn]] void Fail(size_t at, const std::string &what) const { RefusePackage("string package", at, what); }

  size_t Number(size_t at, size_t width) const {
    if (at > size_ || width > size_ - at) Fail(at, "a block runs past the package");
    return static_cast<size_t>(LittleEndian(bytes_ + at, width));
  }

  void Assign(size_t at, std::u16string text, StringPackage &package) {
    if (nextId_ > 0xFFFF) Fail(at, "string ids run past 0xFFFF");
    package.strings[static_cast<uint16_t>(nextId_++)] = std::move(text);
  }

  // A NUL-terminated string from at; returns the byte after its terminator.
  size_t Text(size_t at, bool wide, std::u16string &text) const {
    for (;;) {
      const size_t unit = wide ? 2 : 1;
      if (at > size_ || unit > size_ - at) Fail(at, "a string has no terminator");
      const char16_t c = static_cast<char16_t>(wide ? bytes_[at] | bytes_[at + 1] << 8 : bytes_[at]);
      at += unit;
      if (c == 0) return at;
      const bool scsuTag = !wide && c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
      text += scsuTag ? u'\uFFFD' : c;
    }
  }

  // count strings from at; returns the byte after the last.
  size_t Texts(size_t at, size_t count, bool wide, StringPackage &package) {
    for (size_t i = 0; i < count; ++i) {
      std::u16string text;
      const size_t start = at;
      at = Text(at, wide, text);
      Assign(start, std::move(text), package);
    }
    return at;
  }

  void Blocks(size_t at, StringPackage &package) {
    for (;;) {
      const size_t block = at;
      switch (Number(at, 1)) {
        case kEndBlock: return;
        case kScsu: at = Texts(at + 1, 1, false, package); break;
        case kScsuFont: at = Texts(at + 2, 1, false, package); break;
        case kScsuMany: at = Texts(at + 3, Number(at + 1, 2), false, package); break;
        case kScsuManyFont: at = Texts(at + 4, Number(at + 2, 2), false, package); break;
        case kUcs2: at = Texts(at + 1, 1, true, package); break;
        case kUcs2Font: at = Texts(at + 2, 1, true, package); break;
        case kUcs2Many: at = Texts(at + 3, Number(at + 1, 2), true, package); break;
        case kUcs2ManyFont: at = Texts(at + 4, Number(at + 2, 2), true, package); break;
        case kDuplicate: {
          const auto original = package.strings.find(static_cast<uint16_t>(Number(at + 1, 2)));
          Assign(block, original == package.strings.end() ? std::u16string() : original->second, package);
          at += 3;
          break;
        }
        case kSkip2: nextId_ += Number(at + 1, 2); at += 3; break;
        case kSkip1: nextId_ += Number(at + 1, 1); at += 2; break;
        case kExt1: at = Extended(at, Number(at + 2, 1)); break;
        case kExt2: at = Extended(at, Number(at + 2, 2)); break;
        case kExt4: at = Extended(at, Number(at + 2, 4)); break;
        default: Fail(at, "string block type " + std::to_string(bytes_[at]) + " is not one of the set");
      }
    }
  }

  // An extended block's length covers the whole block, its header included.
  size_t Extended(size_t at, size_t length) const {
    if (length < 3 || at > size_ || length > size_ - at) {
      Fail(at, "extended block of " + std::to_string(length) + " bytes");
    }
    return at + length;
  }

  const uint8_t *bytes_;
  size_t size_;
  size_t nextId_ = 1;  // string ids start at 1
};

}  // namespace

StringPackage DecodeStringPackage(const uint8_t *bytes, size_t size) { return StringReader(bytes, size).Read(); }

}  // namespace forms
