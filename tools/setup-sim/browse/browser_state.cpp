#include "tools/setup-sim/browse/browser_state.h"

#include <algorithm>

namespace setup_sim {
namespace {

constexpr int kPageStep = 10;  // items a page key moves

}  // namespace

BrowserState::BrowserState(std::vector<FormPage> pages) : pages_(std::move(pages)), formStacks_(pages_.size()) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (!pages_[i].forms.empty()) formStacks_[i].push_back(pages_[i].forms.front().id);
  }
  SelectFirst();
}

const FormView *BrowserState::CurrentForm() const {
  if (page_ >= pages_.size() || formStacks_[page_].empty()) return nullptr;
  for (const FormView &form : pages_[page_].forms) {
    if (form.id == formStacks_[page_].back()) return &form;
  }
  return nullptr;
}

bool BrowserState::Selectable(size_t index) const {
  const FormView *form = CurrentForm();
  return form != nullptr && index < form->lines.size() && form->lines[index].kind != LineKind::Subtitle;
}

void BrowserState::SelectFirst() {
  selected_ = 0;
  const FormView *form = CurrentForm();
  while (form != nullptr && selected_ + 1 < form->lines.size() && !Selectable(selected_)) ++selected_;
}

void BrowserState::Move(int step) {
  const FormView *form = CurrentForm();
  if (form == nullptr) return;
  for (size_t at = selected_; step < 0 ? at > 0 : at + 1 < form->lines.size();) {
    at = step < 0 ? at - 1 : at + 1;
    if (Selectable(at)) {
      selected_ = at;
      return;
    }
  }
}

std::optional<uint8_t> BrowserState::ShownValue(const FormLine &line) const {
  for (const SettingEdit &edit : edits_) {
    if (edit.offset == line.offset) return edit.value;
  }
  return line.current;
}

void BrowserState::Edit(const FormLine &setting, uint8_t value) {
  edits_.erase(std::remove_if(edits_.begin(), edits_.end(),
                              [&](const SettingEdit &edit) { return edit.offset == setting.offset; }),
               edits_.end());
  // Picking the stored option again is no change.
  if (setting.current != value) edits_.push_back({setting.variable, setting.variableGuid, setting.offset, value});
}

void BrowserState::Ask(Asking what, std::string question) {
  asking_ = what;
  question_ = std::move(question);
}

void BrowserState::SetEvents(std::string line, std::optional<std::string> messageBox) {
  events_ = std::move(line);
  messageBox_ = std::move(messageBox);
}

void BrowserState::Refresh(std::vector<FormPage> pages) {
  const size_t selected = selected_;
  pages_ = std::move(pages);
  if (formStacks_.size() != pages_.size()) {
    formStacks_.assign(pages_.size(), {});
    page_ = 0;
  }
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (formStacks_[i].empty() && !pages_[i].forms.empty()) formStacks_[i].push_back(pages_[i].forms.front().id);
  }
  if (Selectable(selected)) {
    selected_ = selected;
  } else {
    SelectFirst();
  }
}

BrowserRequest BrowserState::Answer(bool yes) {
  const Asking asked = asking_;
  Ask(Asking::Nothing, "");
  if (!yes) return {};
  if (asked == Asking::SaveAndReboot) return {BrowserRequest::SaveAndReboot};
  if (asked == Asking::DiscardAndExit) return {BrowserRequest::Exit};
  for (const FormPage &page : pages_) {  // load the forms' defaults
    for (const FormView &form : page.forms) {
      for (const FormLine &line : form.lines) {
        if (line.kind != LineKind::Setting) continue;
        for (const auto &[text, value] : line.options) {
          if (text == line.defaultOption && line.current) Edit(line, value);
        }
      }
    }
  }
  return {};
}

BrowserRequest BrowserState::Enter() {
  const FormView *form = CurrentForm();
  if (form == nullptr || !Selectable(selected_)) return {};
  const FormLine &line = form->lines[selected_];
  switch (line.kind) {
    case LineKind::Form:
      formStacks_[page_].push_back(line.targetForm);
      SelectFirst();
      return {};
    case LineKind::Action:
      return {BrowserRequest::RunAction, pages_[page_].formClass, line.questionId};
    case LineKind::Setting: {
      popupTexts_.clear();
      popupSelected_ = 0;
      const std::optional<uint8_t> shown = ShownValue(line);
      for (size_t i = 0; i < line.options.size(); ++i) {
        popupTexts_.push_back(line.options[i].first);
        if (shown == line.options[i].second) popupSelected_ = i;
      }
      popup_ = !popupTexts_.empty() && line.current.has_value();  // nothing to edit without a stored variable
      return {};
    }
    default:
      return {};
  }
}

void BrowserState::Back(BrowserRequest &request) {
  if (formStacks_[page_].size() > 1) {
    const uint16_t closed = formStacks_[page_].back();
    formStacks_[page_].pop_back();
    SelectFirst();
    const FormView *form = CurrentForm();
    for (size_t i = 0; form != nullptr && i < form->lines.size(); ++i) {
      if (form->lines[i].kind == LineKind::Form && form->lines[i].targetForm == closed) selected_ = i;
    }
    return;
  }
  if (HasEdits()) {
    Ask(Asking::DiscardAndExit, "Discard the changes and exit? (Y/N)");
    return;
  }
  request.kind = BrowserRequest::Exit;
}

BrowserRequest BrowserState::Press(Key key) {
  BrowserRequest request;
  if (messageBox_) {  // a message box takes the next key, whatever it is
    messageBox_.reset();
    return request;
  }
  if (asking_ != Asking::Nothing) {
    if (key == Key::Yes || key == Key::No || key == Key::Esc) return Answer(key == Key::Yes);
    return request;
  }
  if (popup_) {
    const FormLine &line = CurrentForm()->lines[selected_];
    if (key == Key::Up && popupSelected_ > 0) --popupSelected_;
    if (key == Key::Down && popupSelected_ + 1 < popupTexts_.size()) ++popupSelected_;
    if (key == Key::Enter) Edit(line, line.options[popupSelected_].second);
    if (key == Key::Enter || key == Key::Esc) popup_ = false;
    return request;
  }
  switch (key) {
    case Key::Up: Move(-1); break;
    case Key::Down: Move(1); break;
    case Key::PageUp:
    case Key::PageDown:
      for (int i = 0; i < kPageStep; ++i) Move(key == Key::PageUp ? -1 : 1);
      break;
    case Key::Left:
    case Key::Right:
      if (!pages_.empty()) {
        page_ = (page_ + (key == Key::Right ? 1 : pages_.size() - 1)) % pages_.size();
        SelectFirst();
      }
      break;
    case Key::Enter: return Enter();
    case Key::Esc: Back(request); break;
    case Key::F9: Ask(Asking::LoadDefaults, "Load the forms' defaults? (Y/N)"); break;
    case Key::F10: Ask(Asking::SaveAndReboot, "Save the changes and reboot? (Y/N)"); break;
    default: break;
  }
  return request;
}

}  // namespace setup_sim
