// setup-sim nvram import DMPSTORE STORE and nvram export STORE DMPSTORE: the
// UEFI Shell's dmpstore files (sim/machine/dmpstore_file.h) into and out of an
// NVRAM file of either format, so that a store dumped on a board or in QEMU
// boots in the simulator, and one prepared here loads on real firmware.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

namespace setup_sim {

class NvramTransfer {
 public:
  // Adds the two subcommands to the nvram command's app.
  explicit NvramTransfer(CLI::App &app);
  NvramTransfer(const NvramTransfer &) = delete;
  NvramTransfer &operator=(const NvramTransfer &) = delete;
  // Runs the one that was given; false when neither was.
  bool Run(std::ostream &out) const;

 private:
  void Import(std::ostream &out) const;
  void Export(std::ostream &out) const;

  CLI::App *import_;
  CLI::App *export_;
  std::string dmpstore_;
  std::string store_;
};

}  // namespace setup_sim
