#include "forms/host/form_package.h"

#include <algorithm>

namespace forms {
namespace {

uint16_t Word(const IfrOpcode &op, const char *field) { return static_cast<uint16_t>(op.Number(field)); }

// Walks the decoded opcodes with their scopes and keeps what the menu shows.
class FormSetBuilder {
 public:
  FormSet Build(const std::vector<IfrOpcode> &opcodes, size_t size) {
    for (const IfrOpcode &op : opcodes) {
      if (op.code == ifr::kEnd) {
        scopes_.pop_back();  // DecodeIfr has checked that a scope is open
        continue;
      }
      Opcode(op);
      if (op.opensScope) scopes_.push_back(op.code);
    }
    if (!sawFormSet_) Fail(size, "no form set");
    return std::move(formSet_);
  }

 private:
  [[noreturn]] static void Fail(size_t at, const std::string &what) {
    throw FormPackageError("form package, byte " + std::to_string(at) + ": " + what);
  }

  bool InForm() const { return std::find(scopes_.begin(), scopes_.end(), ifr::kForm) != scopes_.end(); }

  void Statement(const IfrOpcode &op, FormItem item) {
    if (!InForm()) Fail(op.offset, "a statement outside a form");
    item.prompt = Word(op, "Prompt");
    item.help = Word(op, "Help");
    item.questionId = Word(op, "QuestionId");
    item.questionFlags = static_cast<uint8_t>(op.Number("QuestionFlags"));
    formSet_.forms.back().items.push_back(std::move(item));
  }

  FormItem *OpenSetting() {
    if (scopes_.empty() || scopes_.back() != ifr::kOneOf) return nullptr;
    FormItem &item = formSet_.forms.back().items.back();
    return item.kind == FormItemKind::Setting ? &item : nullptr;
  }

  void Opcode(const IfrOpcode &op) {
    FormItem item;
    switch (op.code) {
      case ifr::kFormSet:
        if (sawFormSet_) Fail(op.offset, "a second form set");
        if (!scopes_.empty()) Fail(op.offset, "a form set inside another scope");
        sawFormSet_ = true;
        formSet_.guid = op.Find("Guid")->guid;
        formSet_.title = Word(op, "FormSetTitle");
        formSet_.help = Word(op, "Help");
        for (const IfrField &field : op.fields) {
          if (field.kind == FieldKind::Guid && std::string(field.name) == "ClassGuid") {
            formSet_.classGuids.push_back(field.guid);
          }
        }
        return;
      case ifr::kDefaultStore:
        formSet_.defaultStores.push_back(Word(op, "DefaultId"));
        return;
      case ifr::kVarStoreEfi: {
        const IfrField *name = op.Find("Name");
        formSet_.varStores.push_back({Word(op, "VarStoreId"), op.Find("Guid")->guid,
                                      static_cast<uint32_t>(op.Number("Attributes")), Word(op, "Size"),
                                      name == nullptr ? std::string() : name->text});
        return;
      }
      case ifr::kForm:
        if (scopes_.size() != 1 || scopes_.back() != ifr::kFormSet) Fail(op.offset, "a form outside the form set");
        formSet_.forms.push_back({Word(op, "FormId"), Word(op, "FormTitle"), {}});
        return;
      case ifr::kSubtitle:
        return Statement(op, item);
      case ifr::kText:
        item.kind = FormItemKind::Text;
        item.textTwo = Word(op, "TextTwo");
        return Statement(op, item);
      case ifr::kRef:
        item.kind = FormItemKind::Reference;
        item.targetForm = Word(op, "FormId");
        return Statement(op, item);
      case ifr::kAction:
        item.kind = FormItemKind::Action;
        return Statement(op, item);
      case ifr::kOneOf:
        item.kind = FormItemKind::Setting;
        item.varStoreId = Word(op, "VarStoreId");
        item.offset = Word(op, "VarOffset");
        item.flags = static_cast<uint8_t>(op.Number("Flags"));
        item.width = static_cast<uint8_t>(op.Number("Size") / 8);
        return Statement(op, item);
      case ifr::kOneOfOption:
        if (scopes_.empty() || (scopes_.back() != ifr::kOneOf && scopes_.back() != ifr::kOrderedList)) {
          Fail(op.offset, "an option outside a one-of");
        }
        if (FormItem *setting = OpenSetting()) {
          const bool isDefault = op.Find("Default") != nullptr;
          setting->options.push_back({Word(op, "Option"), op.Number("Value"), isDefault});
          if (isDefault && !setting->defaultValue) setting->defaultValue = op.Number("Value");
        }
        return;
      case ifr::kDefault:
        // A default opcode overrides the option flags; one of type OTHER holds an expression the menu never needs.
        if (FormItem *setting = OpenSetting()) {
          if (Word(op, "DefaultId") == ifr::kStandardDefaultId && op.Find("Value") != nullptr) {
            setting->defaultValue = op.Number("Value");
          }
        }
        return;
      default:
        return;  // conditions, expressions and other questions: not shown by the menu's pages
    }
  }

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

FormSet DecodeFormPackage(const uint8_t *bytes, size_t size) {
  return FormSetBuilder().Build(DecodeIfr(bytes, size), size);
}

std::vector<uint8_t> DefaultImage(const FormSet &formSet, uint16_t varStoreId, size_t size) {
  std::vector<uint8_t> image(size, 0);
  for (const Form &form : formSet.forms) {
    for (const FormItem &item : form.items) {
      if (item.kind != FormItemKind::Setting || item.varStoreId != varStoreId || !item.defaultValue) continue;
      if (item.offset >= size || item.width > size - item.offset) continue;
      for (size_t i = 0; i < item.width; ++i) {
        image[item.offset + i] = static_cast<uint8_t>(*item.defaultValue >> (8 * i));
      }
    }
  }
  return image;
}

}  // namespace forms
