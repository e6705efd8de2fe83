#include "forms/host/form_package.h"

#include <cstring>

namespace forms {
namespace {

constexpr size_t kPackageHeaderSize = 4;
constexpr size_t kQuestionHeaderSize = 11;  // prompt, help, question id, store id, store offset, flags

// IFR fields are little-endian at any alignment.
uint16_t Word(const uint8_t *at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Dword(const uint8_t *at) { return Word(at) | static_cast<uint32_t>(Word(at + 2)) << 16; }

EFI_GUID Guid(const uint8_t *at) {
  EFI_GUID guid;
  std::memcpy(&guid, at, sizeof guid);
  return guid;
}

class Reader {
 public:
  Reader(const uint8_t *bytes, size_t size) : bytes_(bytes), size_(size) {}

  FormSet Read() {
    if (size_ < kPackageHeaderSize) Fail(0, "shorter than a package header");
    const uint32_t header = Dword(bytes_);
    if (header >> 24 != ifr::kPackageForms) Fail(0, "not a form package (type " + std::to_string(header >> 24) + ")");
    if ((header & 0xFFFFFF) != size_) {
      Fail(0, "the header's length " + std::to_string(header & 0xFFFFFF) + " is not the package's " +
                  std::to_string(size_) + " bytes");
    }
    for (size_t at = kPackageHeaderSize; at < size_;) {
      if (size_ - at < 2) Fail(at, "an opcode header is cut off");
      const uint8_t code = bytes_[at];
      const size_t length = bytes_[at + 1] & 0x7F;
      const bool opensScope = (bytes_[at + 1] & 0x80) != 0;
      if (length < 2) Fail(at, "opcode length " + std::to_string(length));
      if (length > size_ - at) Fail(at, "the opcode runs past the package");
      Opcode(at, code, length);
      if (opensScope) scopes_.push_back(code);
      at += length;
    }
    if (!scopes_.empty()) Fail(size_, std::to_string(scopes_.size()) + " scope(s) left open");
    if (!sawFormSet_) Fail(size_, "no form set");
    return std::move(formSet_);
  }

 private:
  [[noreturn]] void Fail(size_t at, const std::string &what) const {
    throw FormPackageError("form package, byte " + std::to_string(at) + ": " + what);
  }

  void Need(size_t at, size_t length, size_t least, const char *what) const {
    if (length < least) Fail(at, std::string(what) + " opcode shorter than " + std::to_string(least) + " bytes");
  }

  Form &CurrentForm(size_t at) {
    if (scopes_.empty() || scopes_.back() != ifr::kForm) Fail(at, "a statement outside a form");
    return formSet_.forms.back();
  }

  FormItem Question(const uint8_t *body, FormItemKind kind) const {
    FormItem item;
    item.kind = kind;
    item.prompt = Word(body);
    item.help = Word(body + 2);
    item.questionId = Word(body + 4);
    item.varStoreId = Word(body + 6);
    item.offset = Word(body + 8);
    item.questionFlags = body[10];
    return item;
  }

  void Opcode(size_t at, uint8_t code, size_t length) {
    const uint8_t *body = bytes_ + at + 2;
    switch (code) {
      case ifr::kFormSet: {
        if (sawFormSet_) Fail(at, "a second form set");
        if (!scopes_.empty()) Fail(at, "a form set inside another scope");
        Need(at, length, 23, "form set");
        const size_t classes = body[20] & 0x3;
        Need(at, length, 23 + 16 * classes, "form set");
        sawFormSet_ = true;
        formSet_.guid = Guid(body);
        formSet_.title = Word(body + 16);
        formSet_.help = Word(body + 18);
        for (size_t i = 0; i < classes; ++i) formSet_.classGuids.push_back(Guid(body + 21 + 16 * i));
        return;
      }
      case ifr::kDefaultStore:
        Need(at, length, 6, "default store");
        formSet_.defaultStores.push_back(Word(body + 2));
        return;
      case ifr::kVarStoreEfi: {
        Need(at, length, 26, "EFI variable store");
        FormVarStore store{Word(body), Guid(body + 2), Dword(body + 18), Word(body + 22), {}};
        const char *name = reinterpret_cast<const char *>(body + 24);
        const size_t room = length - 26;
        const size_t nameLength = strnlen(name, room);
        if (nameLength == room) Fail(at, "the variable store's name has no terminator");
        store.name.assign(name, nameLength);
        formSet_.varStores.push_back(std::move(store));
        return;
      }
      case ifr::kForm:
        if (scopes_.size() != 1 || scopes_.back() != ifr::kFormSet) Fail(at, "a form outside the form set");
        Need(at, length, 6, "form");
        formSet_.forms.push_back({Word(body), Word(body + 2), {}});
        return;
      case ifr::kSubtitle: {
        Need(at, length, 7, "subtitle");
        FormItem item;
        item.prompt = Word(body);
        item.help = Word(body + 2);
        CurrentForm(at).items.push_back(item);
        return;
      }
      case ifr::kText: {
        Need(at, length, 8, "text");
        FormItem item;
        item.kind = FormItemKind::Text;
        item.prompt = Word(body);
        item.help = Word(body + 2);
        item.textTwo = Word(body + 4);
        CurrentForm(at).items.push_back(item);
        return;
      }
      case ifr::kRef: {
        Need(at, length, 2 + kQuestionHeaderSize + 2, "reference");
        FormItem item = Question(body, FormItemKind::Reference);
        item.targetForm = Word(body + kQuestionHeaderSize);
        CurrentForm(at).items.push_back(item);
        return;
      }
      case ifr::kAction:
        Need(at, length, 2 + kQuestionHeaderSize, "action");
        CurrentForm(at).items.push_back(Question(body, FormItemKind::Action));
        return;
      case ifr::kOneOf:
        Need(at, length, 2 + kQuestionHeaderSize + 1, "one-of");
        CurrentForm(at).items.push_back(Question(body, FormItemKind::Setting));
        return;
      case ifr::kOneOfOption: {
        Need(at, length, 7, "one-of option");
        if (scopes_.empty() || scopes_.back() != ifr::kOneOf) Fail(at, "an option outside a one-of");
        formSet_.forms.back().items.back().options.push_back(
            {Word(body), body[4], (body[2] & ifr::kOptionDefault) != 0});
        return;
      }
      case ifr::kEnd:
        if (scopes_.empty()) Fail(at, "an end without an open scope");
        scopes_.pop_back();
        return;
      default:
        return;  // another statement or expression: not shown by this reader
    }
  }

  const uint8_t *bytes_;
  size_t size_;
  FormSet formSet_;
  bool sawFormSet_ = false;
  std::vector<uint8_t> scopes_;  // opcodes whose scope is open, innermost last
};

}  // namespace

const Form *FormSet::FindForm(uint16_t id) const {
  for (const Form &form : forms) {
    if (form.id == id) return &form;
  }
  return nullptr;
}

const FormVarStore *FormSet::FindVarStore(uint16_t id) const {
  for (const FormVarStore &store : varStores) {
    if (store.id == id) return &store;
  }
  return nullptr;
}

FormSet DecodeFormPackage(const uint8_t *bytes, size_t size) { return Reader(bytes, size).Read(); }

std::vector<uint8_t> DefaultImage(const FormSet &formSet, uint16_t varStoreId, size_t size) {
  std::vector<uint8_t> image(size, 0);
  for (const Form &form : formSet.forms) {
    for (const FormItem &item : form.items) {
      if (item.kind != FormItemKind::Setting || item.varStoreId != varStoreId || item.offset >= size) continue;
      for (const FormOption &option : item.options) {
        if (option.isDefault) image[item.offset] = option.value;
      }
    }
  }
  return image;
}

}  // namespace forms
