// A form set's questions as settings, the view users ask for most: one row per
// question that keeps its value in a variable store (one-of, check box, numeric,
// string, password, ordered list, date, time), with the store, offset and width,
// the forms that lead to it, its options and its defaults.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "forms/host/ifr_opcodes.h"

namespace forms {

struct QuestionOption {
  uint16_t text = 0;  // string id
  uint64_t value = 0;
};

struct QuestionRow {
  const IfrOpcode *question = nullptr;  // the question's opcode, of the table's opcodes
  const IfrOpcode *store = nullptr;     // its variable store's opcode; null: none declared
  uint16_t formSetTitle = 0;            // string ids
  std::vector<uint16_t> formPath;       // form titles from the form set's first form to the question's
  bool byName = false;                  // a name/value store: place is the name's string id
  uint16_t place = 0;                   // otherwise the offset in the store
  uint64_t width = 0;                   // bytes of its value
  std::vector<QuestionOption> options;
  std::map<uint16_t, uint64_t> defaults;  // by default id (0: standard, 1: manufacturing)
};

// The rows of every form set of the opcodes, in opcode order; the rows point into opcodes.
std::vector<QuestionRow> QuestionTable(const std::vector<IfrOpcode> &opcodes);

}  // namespace forms
