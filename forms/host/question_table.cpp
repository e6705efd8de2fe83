#include "forms/host/question_table.h"

#include <set>

#include "forms/host/ifr_layouts.h"

namespace forms {
namespace {

constexpr uint16_t kManufacturingDefaultId = 1;

bool IsStoredQuestion(uint8_t code) {
  switch (code) {
    case ifr::kOneOf:
    case ifr::kCheckBox:
    case ifr::kNumeric:
    case ifr::kPassword:
    case ifr::kDate:
    case ifr::kTime:
    case ifr::kString:
    case ifr::kOrderedList:
      return true;
    default:
      return false;
  }
}

bool IsStore(uint8_t code) {
  return code == ifr::kVarStore || code == ifr::kVarStoreEfi || code == ifr::kVarStoreNameValue;
}

uint64_t WidthOf(const IfrOpcode &question, uint64_t optionWidth) {
  switch (question.code) {
    case ifr::kOneOf:
    case ifr::kNumeric: return question.Number("Size") / 8;
    case ifr::kCheckBox: return 1;
    case ifr::kString:
    case ifr::kPassword: return question.Number("MaxSize") * 2;  // UCS-2 characters
    case ifr::kOrderedList: return question.Number("MaxContainers") * optionWidth;
    case ifr::kDate: return 4;  // year, month, day
    case ifr::kTime: return 3;  // hour, minute, second
    default: return 0;
  }
}

// Builds the rows of one package's form sets, opcode by opcode.
class TableBuilder {
 public:
  std::vector<QuestionRow> Build(const std::vector<IfrOpcode> &opcodes) {
    for (const IfrOpcode &op : opcodes) {
      if (op.code == ifr::kEnd) {
        Close();
        continue;
      }
      const size_t open = row_;
      Opcode(op);
      if (op.opensScope) scopes_.push_back({&op, open});
    }
    return std::move(rows_);
  }

 private:
  struct Scope {
    const IfrOpcode *op;
    size_t openRow;  // the row of the question open before it (kNone: none)
  };
  static constexpr size_t kNone = static_cast<size_t>(-1);

  void Close() {
    if (scopes_.empty()) return;
    if (scopes_.back().op->code == ifr::kFormSet) FinishFormSet();
    if (row_ != kNone && scopes_.back().op == rows_[row_].question) {
      QuestionRow &row = rows_[row_];
      row.width = WidthOf(*row.question, optionWidth_);
    }
    row_ = scopes_.back().openRow;
    scopes_.pop_back();
  }

  void Opcode(const IfrOpcode &op) {
    if (op.code == ifr::kFormSet) {
      formSetTitle_ = static_cast<uint16_t>(op.Number("FormSetTitle"));
      formSetFirst_ = rows_.size();
      firstForm_ = 0;
      parents_.clear();
      formTitles_.clear();
    } else if (IsStore(op.code)) {
      stores_[static_cast<uint16_t>(op.Number("VarStoreId"))] = &op;
    } else if (op.code == ifr::kForm) {
      form_ = static_cast<uint16_t>(op.Number("FormId"));
      if (formTitles_.empty()) firstForm_ = form_;
      formTitles_[form_] = static_cast<uint16_t>(op.Number("FormTitle"));
    } else if (op.code == ifr::kRef && op.Find("FormId") != nullptr && op.Find("FormSetId") == nullptr) {
      parents_.emplace(static_cast<uint16_t>(op.Number("FormId")), form_);  // the first way there
    } else if (IsStoredQuestion(op.code) && op.Number("VarStoreId") != 0) {
      Question(op);
    } else if (op.code == ifr::kOneOfOption && row_ != kNone) {
      Option(op);
    } else if (op.code == ifr::kDefault && row_ != kNone && op.Find("Value") != nullptr &&
               op.Find("Value")->kind != FieldKind::Bytes) {
      rows_[row_].defaults[static_cast<uint16_t>(op.Number("DefaultId"))] = op.Number("Value");
      fromOpcode_.insert(static_cast<uint16_t>(op.Number("DefaultId")));
    }
  }

  void Question(const IfrOpcode &op) {
    QuestionRow row;
    row.question = &op;
    const auto store = stores_.find(static_cast<uint16_t>(op.Number("VarStoreId")));
    row.store = store == stores_.end() ? nullptr : store->second;
    row.byName = op.Find("VarName") != nullptr;
    row.place = static_cast<uint16_t>(op.Number(row.byName ? "VarName" : "VarOffset"));
    row.formSetTitle = formSetTitle_;
    row.formPath.push_back(form_);  // form ids until the form set closes, titles then
    if (op.code == ifr::kCheckBox) {
      if (op.Find("Default")) row.defaults[ifr::kStandardDefaultId] = 1;
      if (op.Find("MfgDefault")) row.defaults[kManufacturingDefaultId] = 1;
    }
    row.width = WidthOf(op, 1);
    rows_.push_back(std::move(row));
    if (op.opensScope) {
      row_ = rows_.size() - 1;
      optionWidth_ = 1;
      fromOpcode_.clear();
    }
  }

  // Option flags give defaults unless a default opcode of that id does.
  void Option(const IfrOpcode &op) {
    QuestionRow &row = rows_[row_];
    row.options.push_back({static_cast<uint16_t>(op.Number("Option")), op.Number("Value")});
    if (const ValueTypeInfo *type = ValueTypeOf(op.Number("Type")); type != nullptr && type->width > 0) {
      optionWidth_ = static_cast<uint64_t>(type->width);
    }
    if (op.Find("Default") && !fromOpcode_.count(ifr::kStandardDefaultId)) {
      row.defaults[ifr::kStandardDefaultId] = op.Number("Value");
    }
    if (op.Find("MfgDefault") && !fromOpcode_.count(kManufacturingDefaultId)) {
      row.defaults[kManufacturingDefaultId] = op.Number("Value");
    }
  }

  // Questions noted their form's id; now every form is known, the path of titles replaces it.
  void FinishFormSet() {
    for (size_t i = formSetFirst_; i < rows_.size(); ++i) {
      std::vector<uint16_t> titles;
      std::set<uint16_t> seen;
      for (uint16_t form = rows_[i].formPath.front(); seen.insert(form).second;) {
        titles.insert(titles.begin(), formTitles_[form]);
        const auto parent = parents_.find(form);
        if (form == firstForm_ || parent == parents_.end()) break;
        form = parent->second;
      }
      rows_[i].formPath = std::move(titles);
    }
  }

  std::vector<QuestionRow> rows_;
  std::vector<Scope> scopes_;
  std::map<uint16_t, const IfrOpcode *> stores_;
  std::map<uint16_t, uint16_t> parents_;     // form id: the form whose reference first leads there
  std::map<uint16_t, uint16_t> formTitles_;  // form id: title
  std::set<uint16_t> fromOpcode_;            // default ids the open question's default opcodes gave
  size_t row_ = kNone;                       // the row of the open question
  size_t formSetFirst_ = 0;
  uint64_t optionWidth_ = 1;
  uint16_t formSetTitle_ = 0;
  uint16_t form_ = 0;
  uint16_t firstForm_ = 0;
};

}  // namespace

std::vector<QuestionRow> QuestionTable(const std::vector<IfrOpcode> &opcodes) {
  return TableBuilder().Build(opcodes);
}

}  // namespace forms
