#!/usr/bin/env python3
"""Compares what real firmware holds after the setup driver ran with what the
simulator predicts for the same boots.

For each boot, the firmware side is the test application's JSON report on the
serial console (between its marker lines); the simulator side is the output of
`setup-sim --json` for the same board profile and the same requests. Compared:
the machine against the profile (firmware identity, PCI functions, ports and
memory the driver reads, the variables the profile seeds), the entry point's
status, every string the driver set and the final text of every string of every
list still registered, the board components' event log, the form callbacks, and
the variables the driver reads or writes. Values the firmware alone decides are
listed in FIRMWARE_DECIDES with the reason; each must equal the firmware's own
value from before the driver ran. With --screens, the form browser's screens of a
boot against the simulator's pages of that boot (screen_compare.py).

usage: compare.py --profile BOARD.json --package-lists LISTS.json --forms FORMS.json --firmware SERIAL1 [SERIAL2 ...]
                  --simulator SIM1.json [SIM2.json ...] [--screens BOOT DIR ...] [--screen-pages BOOT SIM.json ...]
                  [--dispatched] [--depex-true SERIAL] [--report FILE]
Exit status 0 when everything agrees, 1 on any difference, 2 for bad input.
"""
import argparse
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "forms", "builder"))
from generate_package_seeds import build_lists  # noqa: E402  (the lists the companion registers)
import dispatch_order  # noqa: E402  (boots whose firmware dispatched the drivers)
from dispatched_machine import settle_languages  # noqa: E402  (the boot manager's pass after DXE)
from screen_compare import compare_screens  # noqa: E402

BEGIN_MARKER = "==== setup-efi report begin ===="
END_MARKER = "==== setup-efi report end ===="

GLOBAL_GUID = "8BE4DF61-93CA-11D2-AA0D-00E098032B8C"
SETUP_GUID = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"
CONDITION_GUID = "122B3E0D-4C5D-11E0-9DDE-001D9294198F"
LANGUAGE_VARIABLES = ("Lang", "PlatformLang", "LangCodes", "PlatformLangCodes")
SETUP_LANGUAGE_VARIABLES = ("LastLang", "LastLangCodes")

# Variables whose value the firmware alone decides, and why. The firmware must
# keep its own value (the one it held before the driver ran); the simulator's
# prediction is shown beside it.
FIRMWARE_DECIDES = {
    ("LangCodes", GLOBAL_GUID):
        "OVMF's boot manager marks LangCodes read-only before it starts a boot option (UEFI names it a "
        "firmware-owned list), and its variable checks refuse a language list without a zero terminator; "
        "the test application loads the driver after that point, so the driver's store is refused (the "
        "driver ignores that status) and OVMF's own list remains",
    ("PlatformLangCodes", GLOBAL_GUID):
        "OVMF's boot manager marks PlatformLangCodes read-only before it starts a boot option; the test "
        "application loads the driver after that point, so the driver's store is refused (the driver "
        "ignores that status) and OVMF's own list remains",
}

# Event kinds that both the companion board driver and the simulator record.
SHARED_EVENT_KINDS = ("package-list-published", "package-list-removed", "board-register-write", "string-rejected",
                      "unexpected-service-call", "protocol-installed", "message-box")

# Ports the driver reads that the test application samples on the real machine.
SAMPLED_PORTS = (0xA35, 0xA36)


class InputError(Exception):
    pass


def number(value, what="number"):
    """A board-file number: a JSON integer or a decimal or 0x-hex text."""
    if isinstance(value, bool) or not isinstance(value, (int, str)):
        raise InputError(f"{what}: expected a number, got {value!r}")
    if isinstance(value, int):
        return value
    text = value.strip()
    try:
        return int(text, 16) if text.lower().startswith("0x") else int(text, 10)
    except ValueError:
        raise InputError(f"{what}: expected a number, got {value!r}") from None


def profile_bytes(form, what="bytes"):
    """The bytes of a board-file byte field (hex text, ascii, utf16 or a layout)."""
    if isinstance(form, str):
        try:
            return bytes.fromhex(form)
        except ValueError:
            raise InputError(f"{what}: bad hex text {form!r}") from None
    if not isinstance(form, dict):
        raise InputError(f"{what}: expected bytes, got {form!r}")
    if "ascii" in form:
        return form["ascii"].encode("ascii") + (b"\0" if form.get("terminated") else b"")
    if "utf16" in form:
        return form["utf16"].encode("utf-16-le") + (b"\0\0" if form.get("terminated") else b"")
    pieces = {number(offset, what): piece for offset, piece in form.get("at", {}).items()}
    rendered = {offset: layout_piece(piece, f"{what}.at.{offset}") for offset, piece in pieces.items()}
    size = number(form["size"], what) if "size" in form else max((o + len(b) for o, b in rendered.items()), default=0)
    data = bytearray([number(form.get("fill", 0), what) & 0xFF] * size)
    for offset, piece in rendered.items():
        data[offset:offset + len(piece)] = piece
    return bytes(data[:size])


def layout_piece(piece, what):
    widths = {"u8": 1, "u16": 2, "u32": 4, "u64": 8}
    if isinstance(piece, dict) and len(piece) == 1 and next(iter(piece)) in widths:
        name, value = next(iter(piece.items()))
        return number(value, what).to_bytes(widths[name], "little")
    return profile_bytes(piece, what)


def show_bytes(hex_text):
    """Hex with a readable rendering beside it, for messages."""
    if hex_text is None:
        return "absent"
    data = bytes.fromhex(hex_text)
    readable = "".join(chr(b) if 0x20 <= b < 0x7F else "." for b in data)
    if len(data) > 24:
        return f"{len(data)} bytes {hex_text[:48]}... \"{readable[:24]}...\""
    return f"{len(data)} bytes {hex_text} \"{readable}\""


def read_text(path):
    with open(path, encoding="utf-8", errors="replace") as handle:
        return handle.read()


def extract_report(path):
    """The JSON report the test application printed on the serial console."""
    text = read_text(path)
    begin = text.find(BEGIN_MARKER)
    end = text.find(END_MARKER, begin + 1)
    if begin < 0 or end < 0:
        tail = "\n".join(line.rstrip() for line in text.splitlines()[-15:])
        raise InputError(f"{path}: no complete report on the serial console; its last lines:\n{tail}")
    try:
        return json.loads(text[begin + len(BEGIN_MARKER):end])
    except json.JSONDecodeError as error:
        raise InputError(f"{path}: the report is not valid JSON: {error}") from None


class Comparison:
    def __init__(self):
        self.failures = []
        self.notes = []

    def fail(self, boot, what, expected, got):
        self.failures.append(f"boot {boot}: {what}: expected {expected}, got {got}")

    def note(self, boot, text):
        self.notes.append(f"boot {boot}: {text}")

    def equal(self, boot, what, expected, got):
        if expected != got:
            self.fail(boot, what, expected, got)


def variable_key(variable):
    return variable["name"], variable["guid"].upper()


def selected(variable):
    """The variables the driver reads or writes, as the test application selects them."""
    name, guid = variable_key(variable)
    return guid in (SETUP_GUID, CONDITION_GUID) or (guid == GLOBAL_GUID and name in LANGUAGE_VARIABLES)


def variable_map(variables):
    return {variable_key(v): (v.get("attributes"), v["data"].upper() if "data" in v else None)
            for v in variables if selected(v)}


def check_machine(cmp, boot, machine, profile):
    firmware = profile.get("firmware", {})
    cmp.equal(boot, "firmware vendor (profile firmware.vendor)", firmware.get("vendor", ""), machine["firmware_vendor"])
    for field in ("firmware_revision", "system_table_revision", "dxe_services_revision"):
        expected = number(firmware.get(field, 0), field)
        got = machine[field]
        if expected != got:
            cmp.fail(boot, f"firmware {field} (profile firmware.{field})", hex(expected),
                     "none" if got is None else hex(got))
    hardware = profile.get("hardware", {})
    check_pci(cmp, boot, machine, hardware)
    ports = {number(port, "port"): number(value, "port value") for port, value in hardware.get("ports", {}).items()}
    for port in SAMPLED_PORTS:
        got = machine.get("ports", {}).get(str(port))
        if got is not None:
            cmp.equal(boot, f"port {port:#x} reads (profile hardware.ports)", ports.get(port, 0xFFFFFFFF) & 0xFF, got)
    regions = [(number(r["base"], "memory base"), profile_bytes(r["data"], "memory data"))
               for r in hardware.get("memory", [])]
    for sample in machine.get("memory", []):
        base, data = sample["base"], bytes.fromhex(sample["data"])
        expected = bytes(profile_memory_byte(regions, base + i) for i in range(len(data)))
        cmp.equal(boot, f"memory at {base:#x} (profile hardware.memory)", expected.hex().upper(), data.hex().upper())


def profile_memory_byte(regions, address):
    for base, data in regions:
        if base <= address < base + len(data):
            return data[address - base]
    return 0xFF


def check_pci(cmp, boot, machine, hardware):
    profile_functions = {}
    base_register = None
    for function in hardware.get("pci", []):
        where = (number(function["bus"]), number(function["device"]), number(function["function"]))
        config = profile_bytes(function["config"], f"pci {where}")
        if where == (0, 5, 0) and len(config) >= 0x88:
            base_register = int.from_bytes(config[0x84:0x88], "little")
        identity = int.from_bytes(config[0:4].ljust(4, b"\0"), "little")
        if where[0] == 0 and identity & 0xFFFF != 0xFFFF:
            profile_functions[where[1:]] = (identity & 0xFFFF, identity >> 16)
    machine_functions = {(f["device"], f["function"]): (f["vendor_id"], f["device_id"]) for f in machine["pci"]}
    for where in sorted(set(profile_functions) | set(machine_functions)):
        expected = profile_functions.get(where)
        got = machine_functions.get(where)
        if expected != got:
            describe = lambda ids: "absent" if ids is None else f"{ids[0]:04X}:{ids[1]:04X}"
            cmp.fail(boot, f"PCI 00:{where[0]:02x}.{where[1]} (profile hardware.pci)", describe(expected),
                     describe(got))
    if base_register is None:
        base_register = number(hardware.get("pci_express_base", 0x80000000), "pci_express_base")
    cmp.equal(boot, "PCI Express base the driver reads (register 0x84 of 00:05.0)", hex(base_register & 0xFFFFFFF0),
              hex(machine["pci_express_base"]))


def check_seeds(cmp, boot, report, profile):
    """The non-volatile variables the profile seeds are what the firmware held before the first boot's driver."""
    before = variable_map(report["variables_before"])
    seeds = {}
    for variable in profile.get("variables", []):
        attributes = number(variable["attributes"], "attributes")
        if attributes & 1:
            data = profile_bytes(variable["data"], f"variable {variable['name']}")
            seeds[(variable["name"], variable["guid"].upper())] = (attributes, data.hex().upper())
    for key in sorted(set(seeds) | {k for k, (attributes, _) in before.items() if attributes & 1}):
        expected, got = seeds.get(key), before.get(key)
        if expected != got:
            cmp.fail(boot, f"variable {key[0]} before the driver (profile variables)", describe_variable(expected),
                     describe_variable(got))


def describe_variable(value):
    if value is None:
        return "absent"
    attributes, data = value
    return f"attributes {attributes}, {show_bytes(data)}"


def check_run(cmp, boot, report, trigger):
    run = report["run"]
    cmp.equal(boot, "run request status", 0, run["status"])
    cmp.equal(boot, "trigger requested", trigger, run["trigger"])
    for image in ("companion", "driver"):
        if image not in report:
            cmp.fail(boot, f"{image} image", "loaded and started", "not reached")
            continue
        run = report[image]
        for step in ("read_status", "load_status"):
            cmp.equal(boot, f"{image} image {step}", 0, run[step])
        cmp.equal(boot, f"{image} image started", True, run["started"])
    if "companion" in report:
        cmp.equal(boot, "companion entry status", 0, report["companion"]["entry_status"])
    if trigger and "driver" in report:
        cmp.equal(boot, "trigger install status", 0, report.get("trigger_status"))


def firmware_events(report):
    events = []
    for record in report.get("activity", []):
        if record["kind"] in SHARED_EVENT_KINDS:
            # The companion's message box keeps its "TITLE": "MESSAGE" as the record's text.
            detail = record.get("text", "") if record["kind"] == "message-box" else record.get("detail", "")
            events.append(shared_event(record["kind"], record.get("values", {}), detail))
    return events


def simulator_events(simulation):
    return [shared_event(e["kind"], e.get("values", {}), e.get("detail", ""))
            for e in simulation["events"] if e["kind"] in SHARED_EVENT_KINDS]


def shared_event(kind, values, detail):
    # An unexpected call is named by its detail, a message box by its texts; the other kinds by their values.
    if kind in ("unexpected-service-call", "message-box"):
        return kind, detail
    if kind == "protocol-installed":
        return kind, ""
    return kind, tuple(sorted(values.items()))


def compare_sequences(cmp, boot, what, expected, got):
    for index in range(max(len(expected), len(got))):
        want = expected[index] if index < len(expected) else "nothing"
        have = got[index] if index < len(got) else "nothing"
        if want != have:
            cmp.fail(boot, f"{what} #{index + 1}", want, have)
            return


def check_providers_finished(cmp, boot, report):
    """Every list the string service published came back from the driver's package-list callback."""
    open_lists = []
    for record in report.get("activity", []):
        values = record.get("values", {})
        if record["kind"] == "package-list-published":
            open_lists.append(values.get("handle"))
        elif record["kind"] == "package-list-callback-returned" and values.get("handle") in open_lists:
            open_lists.remove(values.get("handle"))
    if open_lists:
        cmp.fail(boot, "package-list callbacks", "every published list's callback to return",
                 f"no return for handles {open_lists}")


def compare_callbacks(cmp, boot, report, simulation):
    expected = []
    for event in simulation["events"]:
        values = event.get("values", {})
        if event["kind"] == "form-callback":
            expected.append(f"class {values['class']} key {values['key']:#x}: status {values.get('status')}")
        elif event["kind"] == "callback-skipped":
            expected.append(f"class {values['class']} key {values['key']:#x}: skipped")
    got = []
    for call in report.get("callbacks", []):
        outcome = f"status {call['status']}" if "status" in call else "skipped"
        got.append(f"class {call['class']} key {call['key']:#x}: {outcome}")
        if "skipped" in call and f"class {call['class']} key {call['key']:#x}: skipped" not in expected:
            cmp.note(boot, f"callback class {call['class']} key {call['key']:#x} skipped: {call['skipped']}")
    compare_sequences(cmp, boot, "form callback", expected, got)


def compare_string_writes(cmp, boot, report, simulation):
    expected = [(w["class"], w["id"], w["text"]) for w in simulation["string_writes"]]
    got = [(r["values"]["class"], r["values"]["id"], r.get("text", ""))
           for r in report.get("activity", []) if r["kind"] == "string-written"]
    for index in range(max(len(expected), len(got))):
        want = expected[index] if index < len(expected) else None
        have = got[index] if index < len(got) else None
        if want != have:
            describe = lambda w: "no more writes" if w is None else f"class {w[0]} id {w[1]} = {json.dumps(w[2])}"
            cmp.fail(boot, f"string write #{index + 1}", describe(want), describe(have))
            return


def initial_texts(package_lists, forms):
    """For each class (decimal text), each string id (decimal text) with the list's own initial text,
    the forms' labels included."""
    return {str(item["class"]): {str(string_id): text for string_id, text in item["strings"]}
            for item in build_lists(package_lists, forms)}


def compare_strings(cmp, boot, report, simulation, initial):
    """The text each string of each registered list holds: the last text the driver set, else the list's own."""
    registered = set()
    for event in simulation["events"]:
        if event["kind"] == "package-list-published":
            registered.add(str(event["values"]["class"]))
        elif event["kind"] == "package-list-removed":
            registered.discard(str(event["values"]["class"]))
    for form_class, strings in report["strings"].items():
        expected_state = "registered" if form_class in registered else "not registered"
        if (strings is not None) != (form_class in registered):
            cmp.fail(boot, f"package list class {form_class} in the HII database", expected_state,
                     "registered" if strings is not None else "not registered")
            continue
        if strings is None:
            continue
        if form_class not in initial:
            cmp.fail(boot, f"package list class {form_class}", "a list of the package-lists file", "none")
            continue
        set_texts = simulation["strings"].get(form_class, {})
        for string_id, text in strings.items():
            expected = set_texts.get(string_id, initial[form_class].get(string_id))
            if isinstance(text, dict):
                cmp.fail(boot, f"string class {form_class} id {string_id}", json.dumps(expected),
                         f"GetString status {text.get('status'):#x}")
            elif expected != text:
                cmp.fail(boot, f"string class {form_class} id {string_id}", json.dumps(expected), json.dumps(text))


def compare_variables(cmp, boot, report, simulation, decides=None):
    decides = FIRMWARE_DECIDES if decides is None else decides
    before = variable_map(report["variables_before"])
    firmware = variable_map(report["variables"])
    predicted = variable_map(simulation["variables"])
    for key in sorted(set(firmware) | set(predicted)):
        name = key[0]
        if key in decides:
            cmp.equal(boot, f"variable {name} (decided by the firmware: kept as before the driver)",
                      describe_variable(before.get(key)), describe_variable(firmware.get(key)))
            if predicted.get(key) != firmware.get(key):
                cmp.note(boot, f"variable {name}: the simulator predicts {describe_variable(predicted.get(key))}; "
                               f"the firmware keeps {describe_variable(firmware.get(key))}: {decides[key]}")
            continue
        expected, got = predicted.get(key), firmware.get(key)
        if expected != got:
            cmp.fail(boot, f"variable {name}{byte_differences(expected, got)}", describe_variable(expected),
                     describe_variable(got))


def byte_differences(expected, got):
    """For two values of one size: where their bytes differ (offset: expected/got), at most eight."""
    if expected is None or got is None or expected[0] != got[0] or len(expected[1]) != len(got[1]):
        return ""
    want, have = bytes.fromhex(expected[1]), bytes.fromhex(got[1])
    offsets = [i for i in range(len(want)) if want[i] != have[i]]
    shown = ", ".join(f"{i}: {want[i]:02X}/{have[i]:02X}" for i in offsets[:8])
    return f" (bytes differ at offset: expected/got {shown}{', ...' if len(offsets) > 8 else ''})"


def language_table(report):
    """The language variables before and after the driver ran, for the report."""
    before = variable_map(report["variables_before"])
    after = variable_map(report["variables"])
    rows = []
    names = [(n, GLOBAL_GUID) for n in LANGUAGE_VARIABLES] + [(n, SETUP_GUID) for n in SETUP_LANGUAGE_VARIABLES]
    for key in names:
        rows.append(f"  {key[0]:<18} before: {describe_variable(before.get(key))}\n"
                    f"  {'':<18} after:  {describe_variable(after.get(key))}")
    return "\n".join(rows)


def compare_boot(cmp, boot, report, simulation, profile, initial, dispatched_serial=None):
    """DISPATCHED_SERIAL: the serial log's text when the firmware dispatched the drivers; the application then
    reports after the driver ran, so it has no reading from before it."""
    trigger = boot > 1
    check_machine(cmp, boot, report["machine"], profile)
    decides = None
    if dispatched_serial is not None:
        dispatch_order.check_dispatched_run(cmp, boot, report)
        dispatch_order.check_order(cmp, boot, report, dispatched_serial)
        simulation = dict(simulation, variables=settle_languages({"variables": simulation["variables"]})["variables"])
        decides = dispatch_order.FIRMWARE_DECIDES
    else:
        if boot == 1:
            check_seeds(cmp, boot, report, profile)
        check_run(cmp, boot, report, trigger)
    if "driver" in report:
        cmp.equal(boot, "driver entry point status", simulation["entry_status"]["value"],
                  report["driver"]["entry_status"])
    compare_sequences(cmp, boot, "board component event", simulator_events(simulation), firmware_events(report))
    check_providers_finished(cmp, boot, report)
    compare_callbacks(cmp, boot, report, simulation)
    compare_string_writes(cmp, boot, report, simulation)
    compare_strings(cmp, boot, report, simulation, initial)
    compare_variables(cmp, boot, report, simulation, decides)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--profile", required=True)
    parser.add_argument("--package-lists", required=True, help="the package lists the companion registered")
    parser.add_argument("--forms", required=True, help="the setup forms the companion registered with them")
    parser.add_argument("--firmware", nargs="+", required=True, help="serial logs, one per boot")
    parser.add_argument("--simulator", nargs="+", required=True, help="setup-sim --json outputs, one per boot")
    parser.add_argument("--screens", nargs=2, action="append", default=[], metavar=("BOOT", "DIR"),
                        help="the form browser's screens of that boot (efi/form_browser.py), against the "
                             "simulator's pages of the same boot")
    parser.add_argument("--screen-pages", nargs=2, action="append", default=[], metavar=("BOOT", "SIM.json"),
                        help="the simulator's pages to compare that boot's screens with, when the browser showed "
                             "them before the form callbacks ran (setup-sim without --callback); default: the "
                             "boot's own --simulator report")
    parser.add_argument("--report", help="also write the full comparison to this file")
    parser.add_argument("--dispatched", action="store_true",
                        help="the firmware dispatched both drivers from its volume; also check the order")
    parser.add_argument("--depex-true", metavar="SERIAL",
                        help="serial log of a boot whose driver had the dependency expression TRUE")
    args = parser.parse_args(argv)
    if len(args.firmware) != len(args.simulator):
        parser.error("give one simulator report per firmware boot")
    try:
        with open(args.profile, encoding="utf-8") as handle:
            profile = json.load(handle)
        if profile.get("package_lists"):
            raise InputError(f"{args.profile}: package_lists adjusts the lists, but the companion registers "
                             f"{args.package_lists} as it is")
        with open(args.package_lists, encoding="utf-8") as lists, open(args.forms, encoding="utf-8") as forms:
            initial = initial_texts(json.load(lists), json.load(forms))
        reports = [extract_report(path) for path in args.firmware]
        simulations = []
        for path in args.simulator:
            with open(path, encoding="utf-8") as handle:
                simulations.append(json.load(handle))
        cmp = Comparison()
        for boot, (report, simulation) in enumerate(zip(reports, simulations), start=1):
            serial = read_text(args.firmware[boot - 1]) if args.dispatched else None
            compare_boot(cmp, boot, report, simulation, profile, initial, serial)
        if args.depex_true:
            dispatch_order.check_depex_true(cmp, extract_report(args.depex_true), read_text(args.depex_true))
        screen_pages = {}
        for boot, path in args.screen_pages:
            with open(path, encoding="utf-8") as handle:
                screen_pages[int(boot)] = json.load(handle)
        for boot, folder in args.screens:
            index = int(boot) - 1
            if not 0 <= index < len(simulations):
                raise InputError(f"--screens {boot}: no such boot")
            pages = screen_pages.get(int(boot), simulations[index])
            with open(args.firmware[index], encoding="cp437") as handle:
                compare_screens(cmp, int(boot), folder, handle.read(), pages)
    except (InputError, OSError, json.JSONDecodeError, KeyError, TypeError, ValueError) as error:
        print(f"compare: {type(error).__name__}: {error}", file=sys.stderr)
        return 2

    lines = []
    # A dispatched driver ran before the application's first reading: it has no "before".
    for boot, report in enumerate([] if args.dispatched else reports, start=1):
        lines.append(f"boot {boot}: language variables before and after the driver ran\n{language_table(report)}")
    lines += [f"note: {text}" for text in cmp.notes]
    lines += [f"DIFFERENCE: {text}" for text in cmp.failures]
    verdict = (f"{len(cmp.failures)} difference(s) between the firmware and the simulator" if cmp.failures else
               f"the firmware and the simulator agree on all {len(reports)} boots")
    lines.append(verdict)
    text = "\n".join(lines) + "\n"
    if args.report:
        with open(args.report, "w", encoding="utf-8") as handle:
            handle.write(text)
    sys.stdout.write(text)
    return 1 if cmp.failures else 0


if __name__ == "__main__":
    sys.exit(main())
