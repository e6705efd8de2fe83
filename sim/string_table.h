// A package list's strings. Every list starts from the same few hundred strings, so
// those are held once and shared by all lists and all copies of a profile; a list's
// own strings (its form texts, a profile's changes) sit beside them and take
// precedence. Copying a list copies only its own strings.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace sim {

struct StringSpec {
  std::string label;   // what the menu shows beside the string
  std::u16string text; // the list's own initial text
};

class StringTable {
 public:
  using Map = std::map<uint16_t, StringSpec>;

  StringTable() = default;
  explicit StringTable(std::shared_ptr<const Map> shared) : shared_(std::move(shared)) {}

  // The string of id, or null when the list has none.
  const StringSpec *Find(uint16_t id) const {
    if (const auto own = own_.find(id); own != own_.end()) return &own->second;
    return SharedFind(id);
  }

  bool Contains(uint16_t id) const { return Find(id) != nullptr; }

  const StringSpec &at(uint16_t id) const {
    const StringSpec *string = Find(id);
    if (string == nullptr) throw std::out_of_range("no string " + std::to_string(id));
    return *string;
  }

  // The list's own copy of string id, made from the shared one (or empty) on first use.
  StringSpec &operator[](uint16_t id) {
    const auto [own, added] = own_.try_emplace(id);
    if (added) {
      if (const StringSpec *shared = SharedFind(id)) own->second = *shared;
    }
    return own->second;
  }

  // Every string of the list, in id order.
  Map All() const {
    Map all = own_;
    if (shared_) all.insert(shared_->begin(), shared_->end());  // insert keeps the own entries
    return all;
  }

 private:
  const StringSpec *SharedFind(uint16_t id) const {
    if (!shared_) return nullptr;
    const auto shared = shared_->find(id);
    return shared == shared_->end() ? nullptr : &shared->second;
  }

  std::shared_ptr<const Map> shared_;
  Map own_;
};

}  // namespace sim
