#!/usr/bin/env python3
"""The HII database the test application exported on real firmware (every driver's
package lists and the companion's), read back by `setup-sim forms`:

- every package of the export decodes (setup-sim forms exits 0 and names no error);
- each of our lists' form packages is there byte for byte as the builder wrote it;
- its dump from the export reads as the built-in list's dump: the same opcodes and
  fields, every string the same text, but the texts beside the prompts (TextTwo),
  which the driver sets at run time.

It prints what it checked and the firmware's own form sets it decoded.

usage: hii_export_check.py --export HII.bin --setup-sim PATH --package-lists LISTS.json --forms FORMS.json
Exit status: 0 when all holds, 1 when something differs, 2 for a file that cannot be read.
"""
import argparse
import json
import os
import struct
import subprocess
import sys
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "forms", "builder"))
from generate_package_seeds import build_lists  # noqa: E402  (the lists the companion registers)

PACKAGE_FORMS = 0x02
PACKAGE_END = 0xDF
DRIVER_TEXT = "TextTwo"  # set by the driver while it runs: the export holds its text, the built-in list its own


def form_set_guid(package):
    """The GUID of the form set a form package opens with (after its header and the opcode's two bytes)."""
    return str(uuid.UUID(bytes_le=bytes(package[6:22]))).upper()


def exported_form_packages(data):
    """{form set GUID: bytes} of every form package of the exported package lists."""
    found, at = {}, 0
    while at + 20 <= len(data):
        length = struct.unpack_from("<I", data, at + 16)[0]
        if length < 24 or at + length > len(data):
            raise ValueError(f"package list at byte {at}: length {length}")
        package = at + 20
        while package + 4 <= at + length:
            header = struct.unpack_from("<I", data, package)[0]
            size, kind = header & 0xFFFFFF, header >> 24
            if size < 4:
                raise ValueError(f"package at byte {package}: length {size}")
            if kind == PACKAGE_FORMS:
                found[form_set_guid(data[package:package + size])] = bytes(data[package:package + size])
            if kind == PACKAGE_END:
                break
            package += size
        at += length
    return found


def dump(setup_sim, *arguments):
    """setup-sim forms --json ARGUMENTS: (exit status, its lists, its standard error)."""
    run = subprocess.run([setup_sim, "forms", "--json", *arguments], capture_output=True, text=True, check=False)
    lists = json.loads(run.stdout)["package_lists"] if run.stdout.strip() else []
    return run.returncode, lists, run.stderr


def opcodes_by_form_set(lists):
    """{form set GUID: (list name, opcodes)} of every decoded form package."""
    result = {}
    for package_list in lists:
        for package in package_list["form_packages"]:
            opcodes = package.get("opcodes")
            if opcodes and opcodes[0]["opcode"] == "FormSet":
                result[opcodes[0]["fields"]["Guid"]] = (package_list["name"], opcodes)
    return result


def comparable(opcodes):
    """Opcodes as both sides must agree on them: offsets, names, fields; the driver's texts left out."""
    shown = []
    for op in opcodes:
        fields = {name: ({"id": value["id"]} if name == DRIVER_TEXT else value) for name, value in op["fields"].items()}
        shown.append((op["offset"], op["opcode"], json.dumps(fields, sort_keys=True)))
    return shown


def check(args):
    with open(args.export, "rb") as handle:
        exported = exported_form_packages(handle.read())
    with open(args.package_lists, encoding="utf-8") as lists, open(args.forms, encoding="utf-8") as forms:
        built = {form_set_guid(item["form_package"]): (item["class"], bytes(item["form_package"]))
                 for item in build_lists(json.load(lists), json.load(forms)) if item["form_package"]}
    problems, lines = [], []
    status, lists, errors = dump(args.setup_sim, args.export)
    if status != 0 or errors.strip():
        problems.append(f"setup-sim forms {args.export} exited {status}: {errors.strip()}")
    decoded = opcodes_by_form_set(lists)
    _, builtin, _ = dump(args.setup_sim)
    ours = opcodes_by_form_set(builtin)
    for guid, (form_class, package) in sorted(built.items(), key=lambda item: item[1][0]):
        if guid not in exported:
            # The class-4 list is removed after publishing, so no export holds it.
            lines.append(f"class {form_class} ({guid}): not in the export")
            continue
        if exported[guid] != package:
            problems.append(f"class {form_class}: the exported form package is not the builder's bytes")
        elif comparable(decoded.get(guid, ("", []))[1]) != comparable(ours[guid][1]):
            problems.append(f"class {form_class}: the export's dump differs from the built-in list's")
        else:
            lines.append(f"class {form_class} ({guid}): the builder's {len(package)} bytes, the same dump")
    for guid, (name, opcodes) in sorted(decoded.items(), key=lambda item: item[1][0]):
        if guid not in built:
            lines.append(f"firmware's {name} ({guid}): {len(opcodes)} opcodes decoded")
    return problems, lines


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--export", required=True, help="the exported HII database")
    parser.add_argument("--setup-sim", required=True, help="the setup-sim to decode it with")
    parser.add_argument("--package-lists", required=True)
    parser.add_argument("--forms", required=True)
    args = parser.parse_args(argv)
    try:
        problems, lines = check(args)
    except (OSError, ValueError, KeyError, json.JSONDecodeError) as error:
        print(f"hii_export_check: {error}", file=sys.stderr)
        return 2
    for line in lines:
        print(f"hii export: {line}")
    for problem in problems:
        print(f"hii export: DIFFERENCE: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
