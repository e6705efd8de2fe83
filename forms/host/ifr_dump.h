// Decoded opcodes as the IFR dumps firmware engineers read: one line per opcode,
// indented two spaces per scope, its fields by name with string ids resolved,
// e.g.
//   OneOf Prompt: "SATA Mode", Help: "...", QuestionId: 0x3, VarStoreId: 0x1,
//         VarOffset: 0x4, QuestionFlags: 0x0, Flags: 0x10, Size: 8, MinValue: 0x0, ...
// and the same as JSON for programs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "forms/host/ifr_opcodes.h"

namespace forms {

// A string of the package list being dumped, as UTF-8; nullopt when it has none.
using StringLookup = std::function<std::optional<std::string>(uint16_t id)>;

// Text with quotes, backslashes and control characters escaped (\", \\, \n,
// \xNN), so that what a string holds never breaks a line of the dump.
std::string EscapedText(const std::string &text);

// How one field reads in a line: a number, 0x-hex, "text" of a string id, a GUID,
// {bytes}; a flag by its name alone.
std::string FieldText(const IfrField &field, const StringLookup &strings);

// package: the form package the opcodes were decoded from; verbose adds each
// opcode's offset before it and its bytes after it.
void WriteOpcodeLines(const std::vector<IfrOpcode> &opcodes, const uint8_t *package, const StringLookup &strings,
                      bool verbose, const std::string &indent, std::ostream &out);

// One object per opcode: offset, opcode (name), code, length, scope, depth and
// fields (a string id as {"id", "text"}, a field of a run as an array); verbose
// adds "bytes".
nlohmann::ordered_json OpcodesJson(const std::vector<IfrOpcode> &opcodes, const uint8_t *package,
                                   const StringLookup &strings, bool verbose);

}  // namespace forms
