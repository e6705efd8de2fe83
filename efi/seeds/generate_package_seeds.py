#!/usr/bin/env python3
"""Writes the C++ tables of the setup package lists (package_list_seeds.h) from
boards/package-lists.json, so that the companion board driver registers in the
real HII database the same strings, languages and default images the simulator
publishes.

usage: generate_package_seeds.py INPUT.json OUTPUT.cpp
"""
import json
import sys

SETUP_IMAGE_SIZE = 687


def number(value, what):
    """A JSON integer or a decimal or 0x-hex text, as board files write numbers."""
    if isinstance(value, bool):
        raise ValueError(f"{what}: expected a number, got {value!r}")
    if isinstance(value, int):
        result = value
    elif isinstance(value, str):
        text = value.strip()
        result = int(text, 16) if text.lower().startswith("0x") else int(text, 10)
    else:
        raise ValueError(f"{what}: expected a number, got {value!r}")
    if result < 0:
        raise ValueError(f"{what}: negative number {value!r}")
    return result


def utf16_units(text):
    data = text.encode("utf-16-le")
    return [data[i] | data[i + 1] << 8 for i in range(0, len(data), 2)]


def wide_literal(text):
    """A u"..." literal; everything outside printable ASCII as a numeric escape
    that cannot run into the next character."""
    out = []
    for ch in text:
        code = ord(ch)
        if 0x20 <= code < 0x7F and ch not in '\\"?':
            out.append(ch)
        elif code < 0x100:
            out.append(f"\\{code:03o}")
        elif code < 0x10000:
            out.append(f"\\u{code:04X}")
        else:
            out.append(f"\\U{code:08X}")
    return 'u"' + "".join(out) + '"'


def read_strings(table, where, complete):
    strings = {}
    for key, entry in table.items():
        string_id = number(key, f"{where}: string id")
        if not 1 <= string_id <= 0xFFFF:
            raise ValueError(f"{where}: string id {key} out of range")
        if complete and ("text" not in entry or "label" not in entry):
            raise ValueError(f"{where}.{key}: label and text are required")
        strings[string_id] = entry
    return strings


def build_lists(document):
    shared = read_strings(document.get("strings", {}), "strings", True)
    lists = []
    for index, element in enumerate(document["lists"]):
        where = f"lists[{index}]"
        form_class = number(element["class"], f"{where}.class")
        languages = element.get("languages", {})
        size = number(element.get("default_image_size", SETUP_IMAGE_SIZE), f"{where}.default_image_size")
        image = [0] * size
        for key, value in element.get("defaults", {}).items():
            offset = number(key, f"{where}.defaults")
            if offset >= size:
                raise ValueError(f"{where}.defaults: offset {offset} beyond the image")
            image[offset] = number(value, f"{where}.defaults.{key}") & 0xFF
        texts = {string_id: entry["text"] for string_id, entry in shared.items()}
        for string_id, entry in read_strings(element.get("strings", {}), f"{where}.strings", False).items():
            if "text" in entry:
                texts[string_id] = entry["text"]
            elif string_id not in texts:
                texts[string_id] = ""
        lists.append({
            "class": form_class,
            "primary": languages.get("primary", "eng"),
            "secondary": languages.get("secondary", ""),
            "has_image": bool(element.get("default_image", True)),
            "image": image,
            "strings": sorted(texts.items()),
        })
    return lists


def render(lists):
    lines = [
        "// Generated from boards/package-lists.json by efi/seeds/generate_package_seeds.py; do not edit.",
        '#include "package_list_seeds.h"',
        "",
    ]
    for item in lists:
        tag = item["class"]
        lines.append(f"static const PackageStringSeed kStrings{tag}[] = {{")
        lines += [f"    {{{string_id}, {wide_literal(text)}}}," for string_id, text in item["strings"]]
        lines.append("};")
        defaults = [(offset, value) for offset, value in enumerate(item["image"]) if value != 0]
        if defaults:
            lines.append(f"static const PackageDefaultSeed kDefaults{tag}[] = {{")
            lines += [f"    {{{offset}, 0x{value:02X}}}," for offset, value in defaults]
            lines.append("};")
        item["defaults"] = len(defaults)
    lines += ["", "const PackageListSeed kPackageListSeeds[] = {"]
    for item in lists:
        tag = item["class"]
        defaults = f"kDefaults{tag}, {item['defaults']}" if item["defaults"] else "nullptr, 0"
        lines.append(
            f"    {{{tag}, {wide_literal(item['primary'])}, {wide_literal(item['secondary'])}, "
            f"{int(item['has_image'])}, {len(item['image'])}, {defaults}, "
            f"kStrings{tag}, {len(item['strings'])}}},")
    lines += ["};", f"const UINTN kPackageListSeedCount = {len(lists)};", ""]
    return "\n".join(lines)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, target = sys.argv[1:]
    with open(source, encoding="utf-8") as handle:
        document = json.load(handle)
    try:
        text = render(build_lists(document))
    except (KeyError, ValueError) as error:
        sys.exit(f"{source}: {error}")
    with open(target, "w", encoding="utf-8") as handle:
        handle.write(text)


if __name__ == "__main__":
    main()
