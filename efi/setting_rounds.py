#!/usr/bin/env python3
"""Every setting of the published forms, changed in the firmware's browser in as few
boots as picking each option once takes: in round R (from 1) each setting takes the
option R places after its default, wrapping. So every round changes every setting,
a setting of N options has shown all of them, its default included, after N rounds,
and the rounds needed are as many as the most options any setting has.

Read from the simulator's pages of a boot (`setup-sim --page all --json`): the settings
of the lists that are published and not removed again, which the browser can reach.

usage: setting_rounds.py --pages SIM.json --count          the number of rounds
       setting_rounds.py --pages SIM.json --round R        round R's choices, NAME=OPTION a line
       setting_rounds.py --pages SIM.json --classes        the classes whose form sets hold them
       setting_rounds.py --pages SIM.json --unreachable    the settings no browser shows, one a line
"""
import argparse
import json
import sys


def shown_settings(pages):
    """(class, prompt, option texts, default text) of each setting the browser shows, in page order."""
    found = []
    for page in pages:
        if not page["published"] or page["removed"]:
            continue
        for form in page["forms"]:
            for item in form["items"]:
                if item["kind"] == "setting":
                    found.append((page["class"], item["prompt"], [option["text"] for option in item["options"]],
                                  item["default"]))
    return found


def setting_classes(pages):
    """The classes of the form sets that hold settings the browser shows, in page order."""
    classes = []
    for form_class, _, _, _ in shown_settings(pages):
        if form_class not in classes:
            classes.append(form_class)
    return classes


def unreachable_settings(pages):
    """The settings of lists the browser never shows (removed or never published)."""
    return [item["prompt"] for page in pages if not page["published"] or page["removed"]
            for form in page["forms"] for item in form["items"] if item["kind"] == "setting"]


def round_count(pages):
    return max((len(options) for _, _, options, _ in shown_settings(pages)), default=0)


def round_choices(pages, number):
    """{prompt: option} of round number (from 1)."""
    choices = {}
    for _, prompt, options, default in shown_settings(pages):
        if prompt in choices:
            raise ValueError(f"two settings are named {prompt!r}: the browser could not tell them apart")
        choices[prompt] = options[(options.index(default) + number) % len(options)]
    return choices


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pages", required=True, help="setup-sim --page all --json output")
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--count", action="store_true")
    group.add_argument("--round", type=int)
    group.add_argument("--classes", action="store_true")
    group.add_argument("--unreachable", action="store_true")
    args = parser.parse_args(argv)
    try:
        with open(args.pages, encoding="utf-8") as handle:
            pages = json.load(handle)["form_pages"]
        if args.count:
            print(round_count(pages))
        elif args.classes:
            print(" ".join(str(form_class) for form_class in setting_classes(pages)))
        elif args.unreachable:
            print("\n".join(unreachable_settings(pages)))
        else:
            if args.round < 1:
                raise ValueError("rounds count from 1")
            print("\n".join(f"{name}={option}" for name, option in round_choices(pages, args.round).items()))
    except (OSError, ValueError, KeyError, json.JSONDecodeError) as error:
        print(f"setting_rounds: {error}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
