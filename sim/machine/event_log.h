// The ordered log of what the platform saw the driver do during one boot.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/boot.h"

namespace sim {

class EventLog {
 public:
  using Values = std::vector<std::pair<std::string, uint64_t>>;

  // Returns the record's index, for AddValue.
  size_t Record(std::string kind, std::string detail, Values values = {});
  // Adds a field known only later, e.g. the status of a call logged before it ran.
  void AddValue(size_t index, std::string name, uint64_t value);
  const std::vector<EventRecord> &Events() const { return events_; }
  std::vector<EventRecord> Take() { return std::move(events_); }
  size_t Count(const std::string &kind) const;

 private:
  std::vector<EventRecord> events_;
};

}  // namespace sim
