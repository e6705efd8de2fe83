#!/usr/bin/env python3
"""Checks that a firmware boot shows what a store crossing into it changed: the Setup
bytes the simulator wrote, and the driver's strings that follow from them.

The strings that follow are those whose text the simulator's prediction from the changed
store gives differently from its prediction from the unchanged one; the firmware's lists must
hold at least one, and its report must show each it holds with the changed store's text.

usage: crossing_check.py --firmware SERIAL --setup OFFSET=VALUE [...]
                         [--baseline UNCHANGED.json --prediction CHANGED.json]
Exit status 0 when the firmware shows every change, 1 when not, 2 for bad input.
"""
import argparse
import json
import sys

from compare import SETUP_GUID, InputError, extract_report, number


def setup_bytes(report):
    """The Setup variable's bytes in the firmware's report (after the driver ran)."""
    for variable in report["variables"]:
        if variable.get("name") == "Setup" and variable.get("guid", "").upper() == SETUP_GUID and "data" in variable:
            return bytes.fromhex(variable["data"])
    raise InputError("the firmware's report holds no Setup variable")


def parse_edit(text):
    """OFFSET=VALUE, each a decimal or 0x-hex number, VALUE one byte."""
    offset, equals, value = text.partition("=")
    if not equals:
        raise InputError(f"--setup {text!r}: expected OFFSET=VALUE")
    offset, value = number(offset, f"--setup {text!r} offset"), number(value, f"--setup {text!r} value")
    if offset < 0 or not 0 <= value <= 0xFF:
        raise InputError(f"--setup {text!r}: an offset and a byte value")
    return offset, value


def setup_failures(data, edits):
    failures = []
    for offset, value in edits:
        got = f"{data[offset]:#04x}" if offset < len(data) else f"none (Setup is {len(data)} bytes)"
        if got != f"{value:#04x}":
            failures.append(f"Setup byte {offset:#x}: expected {value:#04x}, the firmware shows {got}")
    return failures


def following_strings(baseline, prediction):
    """(class, id, unchanged text, changed text) of every string the change alters."""
    changed = []
    for form_class, strings in sorted(prediction["strings"].items()):
        before = baseline["strings"].get(form_class, {})
        for string_id, text in sorted(strings.items(), key=lambda item: int(item[0])):
            if before.get(string_id) != text:
                changed.append((form_class, string_id, before.get(string_id), text))
    return changed


def string_failures(report, changed):
    """Each changed string the firmware's lists hold must show its new text (a list holds the ids up
    to its largest; the simulator may set a string in a list that lacks it, as the driver may)."""
    held = [(c, i, text, report["strings"][c][i]) for c, i, _, text in changed if i in (report["strings"].get(c) or {})]
    if not held:
        return ["the change alters none of the strings the firmware's lists hold in the simulator's prediction"]
    return [f"string class {c} id {i}: expected {json.dumps(text)}, the firmware shows {json.dumps(shown)}"
            for c, i, text, shown in held if shown != text]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--firmware", required=True, help="the serial log of the boot from the changed store")
    parser.add_argument("--setup", action="append", default=[], metavar="OFFSET=VALUE")
    parser.add_argument("--baseline", help="setup-sim --json of the boot from the unchanged store")
    parser.add_argument("--prediction", help="setup-sim --json of the boot from the changed store")
    args = parser.parse_args(argv)
    if bool(args.baseline) != bool(args.prediction):
        parser.error("give --baseline and --prediction together")
    try:
        report = extract_report(args.firmware)
        edits = [parse_edit(text) for text in args.setup]
        data = setup_bytes(report)
        failures = setup_failures(data, edits)
        lines = [f"Setup byte {offset:#x} = {value:#04x}" for offset, value in edits]
        if args.baseline:
            with open(args.baseline, encoding="utf-8") as base, open(args.prediction, encoding="utf-8") as changed:
                strings = following_strings(json.load(base), json.load(changed))
            failures += string_failures(report, strings)
            lines += [f"string class {c} id {i}: {'not set' if old is None else json.dumps(old)} -> "
                      f"{json.dumps(new)}" for c, i, old, new in strings]
    except (InputError, OSError, json.JSONDecodeError, KeyError, TypeError, ValueError) as error:
        print(f"crossing_check: {type(error).__name__}: {error}", file=sys.stderr)
        return 2
    for line in lines:
        print(f"changed: {line}")
    for failure in failures:
        print(f"DIFFERENCE: {failure}")
    print(f"{len(failures)} change(s) the firmware does not show" if failures else "the firmware shows every change")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
