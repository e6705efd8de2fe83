#!/usr/bin/env python3
"""The machine around a setup driver that the firmware dispatched from its volume, for
the simulator's side of efi/run-dispatched: what the driver meets during DXE differs
from what the test application sees after the boot manager has run.

  dispatched_machine.py profile BOOT PROFILE OUT   the board profile of boot BOOT (1: a first boot,
                                                   publishing inside the entry point; 2: a later
                                                   boot, publishing at EndOfDxe)
  dispatched_machine.py boot-manager NVRAM         what OVMF's boot manager does to the language
                                                   variables after DXE, applied to the simulator's store

The profile differs so:
- boot 1: no firmware vendor (OVMF's boot manager sets the system table's vendor when it
  starts, after the entry point ran) and no variables seeded (Lang and PlatformLang of a
  fresh store are created by the boot manager too);
- both boots: no disks (the boot manager connects the disk controllers after EndOfDxe,
  when the pages have already looked for drives).
The boot manager, when it starts, stores Lang and PlatformLang again as the supported
language it settles on, a zero-terminated text: a value the driver stored without the
terminator gains one before the next boot.
"""
import json
import os
import sys

GLOBAL_GUID = "8BE4DF61-93CA-11D2-AA0D-00E098032B8C"
SETTLED_BY_THE_BOOT_MANAGER = ("Lang", "PlatformLang")


def dispatched_profile(profile, boot):
    derived = json.loads(json.dumps(profile))
    if boot == 1:
        derived["firmware"]["vendor"] = None
        derived["variables"] = []
    derived.setdefault("storage", {})["disks"] = []
    # One name for both boots: they are one machine, and setup-sim warns when a store changes boards.
    derived["name"] = f"{profile.get('name', 'board')} (dispatched)"
    return derived


def settle_languages(store):
    """The boot manager's pass over the language variables of a simulator store."""
    for variable in store["variables"]:
        if variable["name"] in SETTLED_BY_THE_BOOT_MANAGER and variable["guid"].upper() == GLOBAL_GUID:
            data = bytes.fromhex(variable["data"])
            if data and not data.endswith(b"\0"):
                variable["data"] = (data + b"\0").hex()
    return store


def write_json(path, value):
    temporary = path + ".part"
    with open(temporary, "w", encoding="utf-8") as handle:
        json.dump(value, handle, indent=2)
    os.replace(temporary, path)


def main(argv):
    with_profile = len(argv) == 5 and argv[1] == "profile" and argv[2] in ("1", "2")
    with_store = len(argv) == 3 and argv[1] == "boot-manager"
    if not (with_profile or with_store):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    with open(argv[3] if with_profile else argv[2], encoding="utf-8") as handle:
        document = json.load(handle)
    if with_profile:
        write_json(argv[4], dispatched_profile(document, int(argv[2])))
    else:
        write_json(argv[2], settle_languages(document))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
