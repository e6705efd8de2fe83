#!/usr/bin/env python3
"""Writes the C++ tables of the setup package lists (package_list_seeds.h) from
boards/package-lists.json and forms/setup-forms.json, so that the companion
board driver and the simulator register the same strings, languages, forms and
default images.

usage: generate_package_seeds.py LISTS.json FORMS.json OUTPUT.cpp
"""
import json
import sys

from form_packages import SETUP_IMAGE_SIZE, build_form_set, form_sets_by_class, number


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


def first_label_id(shared, lists):
    """The form texts are numbered from the first multiple of 256 above every
    string the driver sets, so that neither can take the other's number."""
    largest = max([0, *shared, *(string_id for element, where in lists
                                 for string_id in read_strings(element.get("strings", {}), where, False))])
    return (largest | 0xFF) + 1


def list_strings(shared, element, where):
    """Each string id's (label, text): the shared table with the list's own overrides."""
    strings = {string_id: (entry["label"], entry["text"]) for string_id, entry in shared.items()}
    for string_id, entry in read_strings(element.get("strings", {}), f"{where}.strings", False).items():
        label, text = strings.get(string_id, ("", ""))
        strings[string_id] = (entry.get("label", label), entry.get("text", text))
    return strings


def build_lists(document, forms=None):
    shared = read_strings(document.get("strings", {}), "strings", True)
    elements = [(element, f"lists[{index}]") for index, element in enumerate(document["lists"])]
    form_sets = form_sets_by_class(forms or {})
    first_label = first_label_id(shared, elements)
    owners = {}
    lists = []
    for element, where in elements:
        form_class = number(element["class"], f"{where}.class")
        languages = element.get("languages", {})
        strings = list_strings(shared, element, where)
        size = number(element.get("default_image_size", SETUP_IMAGE_SIZE), f"{where}.default_image_size")
        image = [0] * size
        package = b""
        if form_class in form_sets:
            form_set, form_where = form_sets.pop(form_class)
            labels = {string_id: label for string_id, (label, _) in strings.items()}
            built = build_form_set(form_set, labels, first_label, form_where)
            package = built["package"]
            strings.update({string_id: ("", text) for string_id, text in built["strings"].items()})
            image[:len(built["image"])] = built["image"][:size]
            for offset, name in built["settings"].items():
                if offset in owners:
                    raise ValueError(f"{form_where}: byte {offset} of Setup belongs to {owners[offset]!r} too")
                owners[offset] = name
        for key, value in element.get("defaults", {}).items():
            offset = number(key, f"{where}.defaults")
            if offset >= size:
                raise ValueError(f"{where}.defaults: offset {offset} beyond the image")
            image[offset] = number(value, f"{where}.defaults.{key}") & 0xFF
        lists.append({
            "class": form_class,
            "primary": languages.get("primary", "eng"),
            "secondary": languages.get("secondary", ""),
            "has_image": bool(element.get("default_image", True)),
            "image": image,
            "strings": sorted((string_id, text) for string_id, (_, text) in strings.items()),
            "form_package": package,
            "first_label": first_label if package else 0,
        })
    if form_sets:
        raise ValueError(f"{next(iter(form_sets.values()))[1]}: no package list has class {next(iter(form_sets))}")
    return lists


def render(lists):
    lines = [
        "// Generated from boards/package-lists.json and forms/setup-forms.json by forms/builder; do not edit.",
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
        if item["form_package"]:
            lines.append(f"static const UINT8 kForms{tag}[] = {{")
            data = item["form_package"]
            lines += ["    " + ", ".join(f"0x{byte:02X}" for byte in data[at:at + 16]) + ","
                      for at in range(0, len(data), 16)]
            lines.append("};")
    lines += ["", "const PackageListSeed kPackageListSeeds[] = {"]
    for item in lists:
        tag = item["class"]
        defaults = f"kDefaults{tag}, {item['defaults']}" if item["defaults"] else "nullptr, 0"
        forms = f"kForms{tag}, {len(item['form_package'])}" if item["form_package"] else "nullptr, 0"
        lines.append(
            f"    {{{tag}, {wide_literal(item['primary'])}, {wide_literal(item['secondary'])}, "
            f"{int(item['has_image'])}, {len(item['image'])}, {defaults}, "
            f"kStrings{tag}, {len(item['strings'])}, {forms}, {item['first_label']}}},")
    lines += ["};", f"const UINTN kPackageListSeedCount = {len(lists)};", ""]
    return "\n".join(lines)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    source, forms_source, target = sys.argv[1:]
    with open(source, encoding="utf-8") as handle:
        document = json.load(handle)
    with open(forms_source, encoding="utf-8") as handle:
        forms = json.load(handle)
    try:
        text = render(build_lists(document, forms))
    except (KeyError, ValueError) as error:
        sys.exit(f"{source}, {forms_source}: {error}")
    with open(target, "w", encoding="utf-8") as handle:
        handle.write(text)


if __name__ == "__main__":
    main()
