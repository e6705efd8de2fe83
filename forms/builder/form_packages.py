"""Builds the setup menu's UEFI HII form packages from forms/setup-forms.json.

One form set per package list: the form set (with the platform-setup class GUID),
a standard default store, an EFI variable store for Setup, then each form with its
items as IFR opcodes (subtitle, text with a second text, reference to a subform,
action question flagged for callback, one-of over one byte of Setup). Labels,
titles, help and option texts become strings of the list's own string package,
numbered from the first id above the driver's strings. The list's default image is
made from the settings' defaults, so the forms and the image cannot disagree.
"""
import struct
import uuid

PLATFORM_SETUP_CLASS_GUID = "93039971-8545-4B04-B45E-32EB8326040E"
SETUP_VARIABLE_GUID = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"
SETUP_VARIABLE_NAME = b"Setup"
SETUP_ATTRIBUTES = 7
SETUP_IMAGE_SIZE = 687
SETUP_VARSTORE_ID = 1
STANDARD_DEFAULT_ID = 0

PACKAGE_FORMS = 0x02

OP_FORM = 0x01
OP_SUBTITLE = 0x02
OP_TEXT = 0x03
OP_ONE_OF = 0x05
OP_ONE_OF_OPTION = 0x09
OP_ACTION = 0x0C
OP_FORM_SET = 0x0E
OP_REF = 0x0F
OP_VARSTORE_EFI = 0x26
OP_END = 0x29
OP_DEFAULTSTORE = 0x5C

QUESTION_CALLBACK = 0x04
OPTION_DEFAULTS = 0x10 | 0x20  # standard and manufacturing default
TYPE_NUM_SIZE_8 = 0x00


class FormError(ValueError):
    pass


def number(value, what):
    """A JSON integer or a decimal or 0x-hex text, as board files write numbers."""
    if isinstance(value, bool):
        raise FormError(f"{what}: expected a number, got {value!r}")
    if isinstance(value, int):
        result = value
    elif isinstance(value, str):
        text = value.strip()
        try:
            result = int(text, 16) if text.lower().startswith("0x") else int(text, 10)
        except ValueError:
            raise FormError(f"{what}: expected a number, got {value!r}") from None
    else:
        raise FormError(f"{what}: expected a number, got {value!r}")
    if result < 0:
        raise FormError(f"{what}: negative number {value!r}")
    return result


def guid_bytes(text, what):
    try:
        return uuid.UUID(text).bytes_le
    except (ValueError, AttributeError, TypeError):
        raise FormError(f"{what}: expected a GUID like {PLATFORM_SETUP_CLASS_GUID}, got {text!r}") from None


def opcode(code, body, scope=False):
    length = len(body) + 2
    if length > 0x7F:
        raise FormError(f"opcode 0x{code:02X} would be {length} bytes; an IFR opcode holds at most 127")
    return bytes([code, length | (0x80 if scope else 0)]) + body


def end():
    return opcode(OP_END, b"")


def question_header(prompt, help_id, question_id, varstore_id=0, offset=0, flags=0):
    return struct.pack("<HHHHHB", prompt, help_id, question_id, varstore_id, offset, flags)


class StringTable:
    """Texts of one list's string package, each text stored once."""

    def __init__(self, first_id):
        self.next_id = first_id
        self.ids = {}

    def add(self, text):
        if text not in self.ids:
            if self.next_id > 0xFFFF:
                raise FormError("the form set's texts run past string id 0xFFFF")
            self.ids[text] = self.next_id
            self.next_id += 1
        return self.ids[text]

    def by_id(self):
        return {string_id: text for text, string_id in self.ids.items()}


def only_key(item, where):
    kinds = [kind for kind in ("subtitle", "text", "form", "action", "setting") if kind in item]
    if len(kinds) != 1:
        raise FormError(f"{where}: an item is exactly one of subtitle, text, form, action or setting")
    known = {"subtitle": {"help"}, "text": {"label", "help"}, "form": {"help"}, "action": {"key", "help"},
             "setting": {"offset", "options", "default", "help"}}[kinds[0]] | {kinds[0]}
    unknown = sorted(set(item) - known)
    if unknown:
        raise FormError(f"{where}: unknown field {unknown[0]!r} for a {kinds[0]} item")
    return kinds[0]


def read_options(item, where):
    options = item.get("options")
    if not isinstance(options, dict) or not options:
        raise FormError(f"{where}.options: expected an object of option texts and byte values")
    result = []
    for text, value in options.items():
        byte = number(value, f"{where}.options.{text}")
        if byte > 0xFF:
            raise FormError(f"{where}.options.{text}: {byte} does not fit the setting's byte")
        if any(byte == other for _, other in result):
            raise FormError(f"{where}.options.{text}: value {byte} is given twice")
        result.append((text, byte))
    default = item.get("default")
    if default not in options:
        raise FormError(f"{where}.default: {default!r} is not one of the options")
    return result, dict(result)[default]


class FormSetBuilder:
    def __init__(self, form_set, labels, first_string_id, where):
        self.form_set = form_set
        self.labels = labels
        self.where = where
        self.strings = StringTable(first_string_id)
        self.empty = self.strings.add("")
        self.forms = form_set.get("forms") or []
        if not self.forms:
            raise FormError(f"{where}.forms: a form set needs at least one form")
        self.form_ids = {}
        for index, form in enumerate(self.forms):
            name = form.get("name")
            if not isinstance(name, str) or not name or name in self.form_ids:
                raise FormError(f"{where}.forms[{index}].name: a unique name is required")
            self.form_ids[name] = index + 1
        self.keys = self.action_keys()
        self.next_question = 1
        self.image = [0] * SETUP_IMAGE_SIZE
        self.settings = {}

    def action_keys(self):
        keys = set()
        for form_index, form in enumerate(self.forms):
            for item_index, item in enumerate(form.get("items", [])):
                if "action" in item:
                    where = f"{self.where}.forms[{form_index}].items[{item_index}].key"
                    key = number(item.get("key"), where)
                    if not 1 <= key <= 0xFFFF or key in keys:
                        raise FormError(f"{where}: a unique key from 1 to 0xFFFF is required")
                    keys.add(key)
        return keys

    def question_id(self):
        while self.next_question in self.keys:
            self.next_question += 1
        question = self.next_question
        self.next_question += 1
        return question

    def help_of(self, item):
        return self.strings.add(item["help"]) if "help" in item else self.empty

    def item(self, item, where, own_form):
        kind = only_key(item, where)
        help_id = self.help_of(item)
        if kind == "subtitle":
            return opcode(OP_SUBTITLE, struct.pack("<HHB", self.strings.add(item["subtitle"]), help_id, 0))
        if kind == "text":
            value_id = number(item["text"], where)
            label = item.get("label", self.labels.get(value_id))
            if label is None:
                raise FormError(f"{where}: string {value_id} is not a string of the package list")
            return opcode(OP_TEXT, struct.pack("<HHH", self.strings.add(label), help_id, value_id))
        if kind == "form":
            target = self.form_ids.get(item["form"])
            if target is None or target == own_form:
                raise FormError(f"{where}: {item['form']!r} is not another form of this form set")
            prompt = self.strings.add(self.forms[target - 1]["title"])
            return opcode(OP_REF, question_header(prompt, help_id, self.question_id()) + struct.pack("<H", target))
        if kind == "action":
            key = number(item["key"], where)
            header = question_header(self.strings.add(item["action"]), help_id, key, flags=QUESTION_CALLBACK)
            return opcode(OP_ACTION, header + struct.pack("<H", 0))
        return self.setting(item, where, help_id)

    def setting(self, item, where, help_id):
        offset = number(item.get("offset"), f"{where}.offset")
        if offset >= SETUP_IMAGE_SIZE:
            raise FormError(f"{where}.offset: {offset} lies beyond the {SETUP_IMAGE_SIZE}-byte Setup record")
        if offset in self.settings:
            raise FormError(f"{where}.offset: byte {offset} already belongs to {self.settings[offset]!r}")
        self.settings[offset] = item["setting"]
        options, default = read_options(item, where)
        self.image[offset] = default
        values = [value for _, value in options]
        header = question_header(self.strings.add(item["setting"]), help_id, self.question_id(),
                                 SETUP_VARSTORE_ID, offset)
        body = opcode(OP_ONE_OF, header + struct.pack("<BBBB", 0, min(values), max(values), 0), scope=True)
        for text, value in options:
            flags = OPTION_DEFAULTS if value == default else 0
            body += opcode(OP_ONE_OF_OPTION, struct.pack("<HBBB", self.strings.add(text), flags, TYPE_NUM_SIZE_8, value))
        return body + end()

    def build(self):
        where = self.where
        title = self.form_set.get("title")
        if not isinstance(title, str) or not title:
            raise FormError(f"{where}.title: a title is required")
        body = guid_bytes(self.form_set.get("guid"), f"{where}.guid")
        body += struct.pack("<HHB", self.strings.add(title), self.strings.add(self.form_set.get("help", "")), 1)
        body += guid_bytes(PLATFORM_SETUP_CLASS_GUID, "class GUID")
        ops = opcode(OP_FORM_SET, body, scope=True)
        ops += opcode(OP_DEFAULTSTORE, struct.pack("<HH", self.strings.add("Standard Defaults"), STANDARD_DEFAULT_ID))
        ops += opcode(OP_VARSTORE_EFI,
                      struct.pack("<H", SETUP_VARSTORE_ID) + guid_bytes(SETUP_VARIABLE_GUID, "Setup GUID") +
                      struct.pack("<IH", SETUP_ATTRIBUTES, SETUP_IMAGE_SIZE) + SETUP_VARIABLE_NAME + b"\0")
        for index, form in enumerate(self.forms):
            form_where = f"{where}.forms[{index}]"
            form_title = form.get("title")
            if not isinstance(form_title, str) or not form_title:
                raise FormError(f"{form_where}.title: a title is required")
            ops += opcode(OP_FORM, struct.pack("<HH", index + 1, self.strings.add(form_title)), scope=True)
            for item_index, item in enumerate(form.get("items", [])):
                ops += self.item(item, f"{form_where}.items[{item_index}]", index + 1)
            ops += end()
        ops += end()
        length = len(ops) + 4
        if length > 0xFFFFFF:
            raise FormError(f"{where}: the form package would exceed the 24-bit package length")
        return struct.pack("<I", length | PACKAGE_FORMS << 24) + ops


def build_form_set(form_set, labels, first_string_id, where="form set"):
    """The form package (header included), the texts it added by string id, the
    default image its settings give, and which setting owns each byte."""
    builder = FormSetBuilder(form_set, labels, first_string_id, where)
    package = builder.build()
    return {"package": package, "strings": builder.strings.by_id(), "image": builder.image,
            "settings": builder.settings}


def form_sets_by_class(document):
    result = {}
    for index, form_set in enumerate(document.get("form_sets", [])):
        where = f"form_sets[{index}]"
        form_class = number(form_set.get("class"), f"{where}.class")
        if form_class in result:
            raise FormError(f"{where}.class: class {form_class} has two form sets")
        result[form_class] = (form_set, where)
    return result
