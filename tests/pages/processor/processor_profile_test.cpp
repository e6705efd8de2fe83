// Faults in the profile's "processor" and "hardware_monitor" sections are one
// line that names the field.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "sim/profile/profile_loader.h"

namespace {

TEST(ProcessorSections, ErrorsNameTheField) {
  const struct {
    const char *profile, *message;
  } cases[] = {
      {R"({"hardware_monitor": {"banks": {"8": {}}}})",
       R"(b.json: hardware_monitor.banks."8": the name must be a bank number 0..7)"},
      {R"({"hardware_monitor": {"banks": {"0": {"0x4E": 1}}}})",
       R"(b.json: hardware_monitor.banks."0"."0x4E": 0x4E is the bank-select register: give it as bank_select)"},
      {R"({"hardware_monitor": {"banks": {"0": {"0x20": []}}}})",
       R"(b.json: hardware_monitor.banks."0"."0x20": expected an array of 1 to 256 elements, got [])"},
      {R"({"processor": {"cpu_package": {"packages": [{"core_counts": [1, 2, 3]}]}}})",
       R"(b.json: processor.cpu_package.packages[0].core_counts: expected an array of 4 elements, got [1,2,3])"},
      {R"({"processor": {"cpu_info": {"records": [{"brand": "CPU\u0000"}]}}})",
       R"(b.json: processor.cpu_info.records[0].brand: expected ASCII text without zero characters, got "CPU\u0000")"},
      {R"({"processor": {"cpu_info": {"install": "later"}}})",
       R"(b.json: processor.cpu_info.install: expected "at-load", "after-publishing" or "never", got "later")"},
      {R"({"processor": {"cpu_info": {"records": [{"count": 4000}, {"count": 97}]}}})",
       R"(b.json: processor.cpu_info.records[1]: more than 4096 logical processors in all)"},
      {R"({"processor": {"cpu_package": {"packages": [{"caches": [{"level": 1}]}]}}})",
       R"(b.json: processor.cpu_package.packages[0].caches[0]: missing field size_kb)"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.profile);
    std::string message;
    try {
      sim::LoadBoardProfile(c.profile, "b.json");
    } catch (const std::runtime_error &error) {
      message = error.what();
    }
    EXPECT_EQ(message, c.message);
  }
}

}  // namespace
