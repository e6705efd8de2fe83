#include "forms/host/package_scan.h"

#include <algorithm>
#include <set>

#include "forms/host/firmware_walk.h"
#include "forms/host/ifr_opcodes.h"
#include "forms/host/little_endian.h"

namespace forms {
namespace {

constexpr size_t kStringHeaderLeast = 47;  // the fixed header and a language of one character
constexpr size_t kStringHeaderMost = 0x100;

struct FoundStrings {
  size_t offset;
  size_t end;
  StringPackage package;
};

struct FoundForms {
  FoundFormPackage package;
  std::set<uint16_t> stringIds;  // every string id its opcodes name
};

// The package of type at at, if its header fits; 0 otherwise.
size_t PackageLength(const uint8_t *bytes, size_t size, size_t at, uint8_t type) {
  if (bytes[at + 3] != type) return 0;
  const size_t length = LittleEndian(bytes + at, 3);
  return length >= 6 && length <= size - at ? length : 0;
}

bool LooksLikeForms(const uint8_t *bytes, size_t size, size_t at) {
  return size - at >= 6 && bytes[at + 4] == ifr::kFormSet && (bytes[at + 5] & 0x80) != 0;
}

bool LooksLikeStrings(const uint8_t *bytes, size_t length) {
  const size_t header = LittleEndian(bytes + 4, 4);
  if (header < kStringHeaderLeast || header > kStringHeaderMost || header >= length) return false;
  return LittleEndian(bytes + 8, 4) >= header && bytes[46] >= 0x20 && bytes[46] < 0x7F;
}

class ModuleScan {
 public:
  // base: where bytes lie in the input, for offsets the dump can show.
  ModuleScan(const std::string &name, const uint8_t *bytes, size_t size, size_t base = 0)
      : name_(name), bytes_(bytes), size_(size), base_(base) {}

  void Into(std::vector<PackageList> &lists) {
    Find();
    if (forms_.empty()) return;
    const std::vector<std::vector<const FoundStrings *>> sets = StringSets();
    std::vector<PackageList> byChoice(sets.size() + 1);  // the last: forms whose strings are nowhere
    std::vector<size_t> order;
    for (FoundForms &forms : forms_) {
      const size_t choice = Choose(forms, sets);
      if (std::find(order.begin(), order.end(), choice) == order.end()) order.push_back(choice);
      PackageList &list = byChoice[choice];
      if (list.forms.empty()) {
        list.name = name_;
        list.offset = forms.package.offset;
        if (choice < sets.size()) {
          for (const FoundStrings *strings : sets[choice]) list.strings.push_back(strings->package);
        }
      }
      list.forms.push_back(std::move(forms.package));
    }
    for (size_t choice : order) lists.push_back(std::move(byChoice[choice]));
  }

 private:
  void Find() {
    for (size_t at = 0; size_ >= 8 && at <= size_ - 8; ++at) {
      if (const size_t length = PackageLength(bytes_, size_, at, ifr::kPackageForms);
          length != 0 && LooksLikeForms(bytes_, size_, at) && AddForms(at, length)) {
        at += length - 1;
      } else if (const size_t strings = PackageLength(bytes_, size_, at, kPackageStrings);
                 strings != 0 && LooksLikeStrings(bytes_ + at, strings) && AddStrings(at, strings)) {
        at += strings - 1;
      }
    }
  }

  bool AddForms(size_t at, size_t length) {
    try {
      FoundForms found{{base_ + at, std::vector<uint8_t>(bytes_ + at, bytes_ + at + length)}, {}};
      for (const IfrOpcode &op : DecodeIfr(bytes_ + at, length)) {
        for (const IfrField &field : op.fields) {
          if (field.kind == FieldKind::String && field.number != 0) {
            found.stringIds.insert(static_cast<uint16_t>(field.number));
          }
        }
      }
      forms_.push_back(std::move(found));
      return true;
    } catch (const PackageError &) {
      return false;  // bytes that only look like a package
    }
  }

  bool AddStrings(size_t at, size_t length) {
    try {
      strings_.push_back({at, at + length, DecodeStringPackage(bytes_ + at, length)});
      return true;
    } catch (const PackageError &) {
      return false;
    }
  }

  // String packages stored end to end are one module's set, one package per language.
  std::vector<std::vector<const FoundStrings *>> StringSets() const {
    std::vector<std::vector<const FoundStrings *>> sets;
    for (const FoundStrings &strings : strings_) {
      if (sets.empty() || sets.back().back()->end != strings.offset) sets.emplace_back();
      sets.back().push_back(&strings);
    }
    return sets;
  }

  static size_t Distance(size_t a, size_t b) { return a > b ? a - b : b - a; }

  // The set that holds most of the forms' strings (in its first language); of
  // those, the nearest before the forms (a build stores a module's strings
  // ahead of its forms), else the nearest after them.
  size_t Choose(const FoundForms &forms, const std::vector<std::vector<const FoundStrings *>> &sets) const {
    struct Fit {
      size_t held;
      bool before;
      size_t distance;
      bool operator<(const Fit &other) const {
        if (held != other.held) return held > other.held;
        if (before != other.before) return before;
        return distance < other.distance;
      }
    };
    size_t best = sets.size();
    Fit bestFit{0, false, 0};
    for (size_t i = 0; i < sets.size(); ++i) {
      const FoundStrings &first = *sets[i].front();
      const auto held = static_cast<size_t>(
          std::count_if(forms.stringIds.begin(), forms.stringIds.end(),
                        [&](uint16_t id) { return first.package.strings.count(id) != 0; }));
      const size_t at = forms.package.offset - base_;
      const Fit fit{held, first.offset < at, first.offset < at ? at - first.offset : first.offset - at};
      if (held != 0 && (best == sets.size() || fit < bestFit)) {
        best = i;
        bestFit = fit;
      }
    }
    return best;
  }

  const std::string &name_;
  const uint8_t *bytes_;
  size_t size_;
  size_t base_;
  std::vector<FoundForms> forms_;
  std::vector<FoundStrings> strings_;
};

}  // namespace

ScanResult ScanForPackages(const uint8_t *bytes, size_t size, const std::string &name) {
  ScanResult result;
  FirmwareWalk walk;
  walk.leaf = [&](const std::string &module, const uint8_t *leaf, size_t length) {
    ModuleScan(module, leaf, length).Into(result.lists);
  };
  WalkFirmware(bytes, size, walk);
  for (const auto &[start, end] : walk.outside) {
    ModuleScan(name, bytes + start, end - start, start).Into(result.lists);
  }
  result.notes = std::move(walk.notes);
  return result;
}

}  // namespace forms
