// The machine behind the setup browser: the boot it shows, and what its action
// items and F10 do. An action replays the boot from the store it started with,
// with one more form callback, exactly as `setup-sim --callback` would; saving
// writes the edited settings into the store and its file, and the reboot is a
// later boot with the publishing trigger on that store.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/setup-sim/boot_session.h"
#include "tools/setup-sim/browse/browser_state.h"

namespace setup_sim {

struct ActionResult {
  std::string events;                     // what the driver did, one line
  std::optional<std::string> messageBox;  // the text of a message box it showed
};

class BrowseSession {
 public:
  // session holds the board and the store as loaded; nvram is the file saved
  // after every boot (empty: none). A store the driver has booted on before
  // boots as a later boot with the trigger, a fresh one as a first boot.
  BrowseSession(BootSession session, std::string nvram);

  // Boots from the store the boot started with, with the callbacks run so far; saves to the file.
  void Boot();
  ActionResult RunAction(uint16_t formClass, uint16_t key);
  void SaveAndReboot(const std::vector<SettingEdit> &edits);

  // The published form sets still in the HII database, in menu order.
  std::vector<FormPage> Pages() const;

 private:
  BootSession session_;
  std::string nvram_;
  sim::VariableStore startStore_;  // the store as the boot found it
};

}  // namespace setup_sim
