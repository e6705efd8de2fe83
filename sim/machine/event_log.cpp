#include "sim/machine/event_log.h"

#include <algorithm>

namespace sim {

size_t EventLog::Record(std::string kind, std::string detail, Values values) {
  events_.push_back({std::move(kind), std::move(detail), std::move(values)});
  return events_.size() - 1;
}

void EventLog::AddValue(size_t index, std::string name, uint64_t value) {
  events_.at(index).values.emplace_back(std::move(name), value);
}

size_t EventLog::Count(const std::string &kind) const {
  return static_cast<size_t>(
      std::count_if(events_.begin(), events_.end(), [&](const EventRecord &e) { return e.kind == kind; }));
}

}  // namespace sim
