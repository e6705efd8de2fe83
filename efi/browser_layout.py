"""Where OVMF's form browser draws on its 80x50 console, as measured: the form's
title on row 1; menu rows 3 to 44, prompts from column 1 (a "> " marks a subform
reference), values from column 30 (a setting's current option in angle brackets),
the highlighted item's help from column 57; scroll arrows in column 55 of rows 3
and 44."""

TITLE_ROW = 1
MENU_ROWS = range(3, 45)
PROMPT_COLUMNS = (1, 29)
VALUE_COLUMNS = (29, 56)
MORE_BELOW = (44, 55)


def split_row(line, whole=False):
    """A menu row's prompt and value columns, stripped; the "> " of a subform reference dropped.
    whole: the prompt runs on through the value column (the value is then empty)."""
    line = line.ljust(80)
    prompt = line[PROMPT_COLUMNS[0]:VALUE_COLUMNS[1] if whole else PROMPT_COLUMNS[1]].strip()
    if prompt.startswith("> "):
        prompt = prompt[2:].strip()
    return prompt, "" if whole else line[VALUE_COLUMNS[0]:VALUE_COLUMNS[1]].strip()


def screen_title(lines):
    return lines[TITLE_ROW].strip(" \u2502|") if len(lines) > TITLE_ROW else ""
