// The setup browser's state and what each key does to it: which list and form
// are open, the highlighted item, an open options popup or question, and the
// edited copy of the settings. It draws nothing and boots nothing: keys that
// need the machine (an action item, save and reboot) come back as requests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/setup-sim/form_pages.h"

namespace setup_sim {

enum class Key { Up, Down, Left, Right, Enter, Esc, F9, F10, Yes, No, PageUp, PageDown };

// What the browser needs done by its host after a key.
struct BrowserRequest {
  enum Kind { None, RunAction, SaveAndReboot, Exit } kind = None;
  uint16_t formClass = 0;  // RunAction
  uint16_t key = 0;
};

// One edited setting: the variable and byte it changes, and the value picked.
struct SettingEdit {
  std::u16string variable;
  EFI_GUID variableGuid{};
  uint16_t offset = 0;
  uint8_t value = 0;
};

class BrowserState {
 public:
  // pages: the published form sets, in menu order (lists without forms and
  // removed lists are left out by the caller).
  explicit BrowserState(std::vector<FormPage> pages);

  BrowserRequest Press(Key key);
  // After the host ran an action or rebooted: the same places, fresh values.
  void Refresh(std::vector<FormPage> pages);
  // Shown on the bottom line until the next key; a message box waits for a key.
  void SetEvents(std::string line, std::optional<std::string> messageBox);
  void ClearEdits() { edits_.clear(); }

  const std::vector<FormPage> &Pages() const { return pages_; }
  size_t PageIndex() const { return page_; }
  const FormView *CurrentForm() const;
  size_t Selected() const { return selected_; }
  bool HasEdits() const { return !edits_.empty(); }
  const std::vector<SettingEdit> &Edits() const { return edits_; }
  // The option a setting shows: the edited one, else the stored one.
  std::optional<uint8_t> ShownValue(const FormLine &line) const;

  // Dialogs, drawn over the form.
  const std::vector<std::string> *OpenOptions() const { return popup_ ? &popupTexts_ : nullptr; }
  size_t OptionSelected() const { return popupSelected_; }
  const std::string &Question() const { return question_; }  // empty: none
  const std::string &EventLine() const { return events_; }
  const std::optional<std::string> &MessageBox() const { return messageBox_; }

 private:
  enum class Asking { Nothing, SaveAndReboot, LoadDefaults, DiscardAndExit };

  BrowserRequest Answer(bool yes);
  BrowserRequest Enter();
  void Back(BrowserRequest &request);
  void Move(int step);
  void SelectFirst();
  bool Selectable(size_t index) const;
  void Ask(Asking what, std::string question);
  void Edit(const FormLine &setting, uint8_t value);

  std::vector<FormPage> pages_;
  size_t page_ = 0;
  std::vector<std::vector<uint16_t>> formStacks_;  // per page: the forms opened, innermost last
  size_t selected_ = 0;
  bool popup_ = false;
  std::vector<std::string> popupTexts_;
  size_t popupSelected_ = 0;
  Asking asking_ = Asking::Nothing;
  std::string question_;
  std::string events_;
  std::optional<std::string> messageBox_;
  std::vector<SettingEdit> edits_;
};

}  // namespace setup_sim
