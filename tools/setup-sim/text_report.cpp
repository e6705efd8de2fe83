#include "tools/setup-sim/text_report.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/machine/guid_text.h"
#include "sim/machine/service_faults.h"
#include "tools/setup-sim/command_line.h"
#include "tools/setup-sim/form_page_report.h"
#include "tools/setup-sim/guid_names.h"
#include "tools/setup-sim/pages.h"
#include "tools/setup-sim/report_header.h"
#include "tools/setup-sim/status_names.h"
#include "tools/setup-sim/variable_display.h"

namespace setup_sim {
namespace {

constexpr size_t kWidestLabel = 36;
constexpr size_t kDumpWidth = 16;

// Control characters would break the layout; they are shown as \xNN.
std::string Printable(const std::string &text) {
  std::string out;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      out += c;
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
    out += escape;
  }
  return out;
}

std::string AttributeNames(uint32_t attributes) {
  static const struct {
    uint32_t bit;
    const char *name;
  } kBits[] = {{0x1, "NV"}, {0x2, "BS"}, {0x4, "RT"}, {0x8, "HW-ERROR"}, {0x10, "AUTH"}, {0x20, "TIME-AUTH"},
               {0x40, "APPEND"}};
  std::string names;
  for (const auto &bit : kBits) {
    if (attributes & bit.bit) names += (names.empty() ? "" : "+") + std::string(bit.name);
  }
  char value[16];
  std::snprintf(value, sizeof value, "0x%X", attributes);
  return names.empty() ? value : names + " (" + value + ")";
}

// Sixteen bytes a line with their ASCII beside them; runs of identical lines
// collapse into one "*", as hexdump does. Masked bytes show as "xx".
void WriteHexDump(const ShownVariable &shown, std::ostream &out) {
  const std::vector<uint8_t> &data = shown.data;
  bool collapsed = false;
  for (size_t offset = 0; offset < data.size(); offset += kDumpWidth) {
    const size_t count = std::min(kDumpWidth, data.size() - offset);
    const bool repeat = offset >= kDumpWidth && count == kDumpWidth &&
                        std::equal(data.begin() + offset, data.begin() + offset + count,
                                   data.begin() + offset - kDumpWidth);
    if (repeat && offset + count < data.size()) {
      if (!collapsed) out << "      *\n";
      collapsed = true;
      continue;
    }
    collapsed = false;
    char line[96];
    int used = std::snprintf(line, sizeof line, "      %04zX ", offset);
    std::string ascii;
    for (size_t i = 0; i < kDumpWidth; ++i) {
      if (i < count) {
        const uint8_t byte = data[offset + i];
        const bool masked = shown.masked[offset + i];
        used += masked ? std::snprintf(line + used, sizeof line - used, " xx")
                       : std::snprintf(line + used, sizeof line - used, " %02X", byte);
        ascii += !masked && byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
      } else {
        used += std::snprintf(line + used, sizeof line - used, "   ");
      }
    }
    out << line << "  |" << ascii << "|\n";
  }
}

void WritePages(const BootSession &session, std::ostream &out) {
  for (const Page &page : CollectPages(session.profile, session.report)) {
    out << "\n" << page.title << (page.removed ? "  (removed from the HII database after publishing)" : "") << "\n";
    if (page.strings.empty()) out << "  (no strings set)\n";
    size_t width = 0;
    for (const PageString &string : page.strings) width = std::max(width, std::min(string.label.size(), kWidestLabel));
    for (const PageString &string : page.strings) {
      char id[8];
      std::snprintf(id, sizeof id, "%5u", string.id);
      out << id << "  " << Padded(Printable(string.label), width) << "  " << Printable(string.text) << "\n";
    }
  }
}

void WriteVariables(const BootSession &session, std::ostream &out) {
  const std::vector<sim::StoredVariable> variables = session.store.All();
  out << "\nNVRAM variables (" << variables.size() << ")\n";
  for (const sim::StoredVariable &variable : variables) {
    WriteVariable(variable, ShowVariable(variable, session.profile), out);
  }
  const sim::NvramCounters &counters = session.store.Counters();
  out << "\nNVRAM counters  reads " << counters.reads << ", writes " << counters.writes << ", bytes written "
      << counters.bytesWritten << ", identical writes " << counters.identicalWrites << " (kept off the flash)\n";
}

void WriteEvents(const sim::BootReport &report, std::ostream &out) {
  out << "\nEvents (" << report.events.size() << ")\n";
  size_t width = 0;
  for (const sim::EventRecord &event : report.events) width = std::max(width, event.kind.size());
  for (size_t i = 0; i < report.events.size(); ++i) {
    char number[24];
    std::snprintf(number, sizeof number, "%5zu", i + 1);
    const sim::EventRecord &event = report.events[i];
    std::string text = Printable(event.detail);
    std::string values;
    for (const auto &[name, value] : event.values) {
      char number[24];
      std::snprintf(number, sizeof number, value < 0x10000 ? "%llu" : "0x%llX", static_cast<unsigned long long>(value));
      values += (values.empty() ? "" : ", ") + name + " " + number;
    }
    if (!values.empty()) text += (text.empty() ? "" : "  ") + ("(" + values + ")");
    out << number << "  " << Padded(event.kind, width) << "  " << text << "\n";
  }
}

void WriteServiceCalls(const sim::BootReport &report, std::ostream &out) {
  out << "Service calls";
  for (size_t i = 0; i < sim::kServiceCallKinds; ++i) {
    out << (i == 0 ? "  " : ", ") << sim::ServiceCallName(static_cast<sim::ServiceCall>(i)) << " "
        << report.serviceCalls[i];
  }
  out << "\n";
}

}  // namespace

void WriteVariableHeading(const sim::StoredVariable &variable, std::ostream &out) {
  const char *guidName = GuidName(variable.guid);
  out << "  " << Printable(DisplayText(variable.name)) << "  " << sim::GuidToText(variable.guid)
      << (guidName != nullptr ? std::string(" (") + guidName + ")" : "") << "  " << AttributeNames(variable.attributes)
      << "  " << variable.data.size() << " bytes\n";
}

void WriteVariable(const sim::StoredVariable &variable, const ShownVariable &shown, std::ostream &out) {
  WriteVariableHeading(variable, out);
  WriteHexDump(shown, out);
  for (const std::string &pointed : shown.pointed) out << "      " << Printable(pointed) << "\n";
}

void WriteTextReport(const BootSession &session, std::ostream &out) {
  const sim::BootReport &report = session.report;
  out << "setup-sim    " << SetupSimVersion() << "\n";
  out << "Driver       " << session.driverModule << " (fnv1a64 " << session.driverModuleHash << ")\n";
  out << "Board        " << session.profile.name << " (" << session.boardSource << ")\n";
  out << "NVRAM        " << session.nvramSource << "\n";
  out << "Boot         " << BootKind(session) << "\n";
  std::string options;
  for (const std::string &option : BootOptionTexts(session)) options += (options.empty() ? "" : " ") + option;
  if (!options.empty()) out << "Options      " << options << "\n";
  if (!session.formPages.empty()) {
    WriteFormPagesText(session, out);
    return;
  }
  WritePages(session, out);
  WriteVariables(session, out);
  WriteEvents(report, out);
  out << "\nPool leaks   ";
  if (report.poolLeaks == 0) {
    out << "none\n";
  } else {
    out << report.poolLeaks << " blocks, " << report.poolLeakBytes << " bytes\n";
  }
  WriteServiceCalls(report, out);
  char value[24];
  std::snprintf(value, sizeof value, "0x%llX", static_cast<unsigned long long>(report.entryStatus));
  out << "Entry point  " << StatusName(report.entryStatus) << " (" << value << ")\n";
}

}  // namespace setup_sim
