#!/usr/bin/env python3
"""Check the resources compiled into the plugin DLL.

Usage: check_resources.py path/to/gen_nightfold.dll

Reads the DLL's resource directory with pefile and compares the configuration
dialog template (RT_DIALOG 102), the notice's template (RT_DIALOG 103), the icon (RT_GROUP_ICON 102, RT_ICON 1) and
the version's strings (RT_VERSION 1) against the tables below, field by field, and the
configuration dialog's reading order. Prints one line per failed check
and a summary line; exits 1 when anything failed, 2 when the file cannot be
read at all.
"""

import struct
import sys

import pefile

LANG_EN_US = 1033
RT_ICON = 3
RT_DIALOG = 5
RT_GROUP_ICON = 14
RT_VERSION = 16

IDD_CONFIG = 102
IDD_NOTICE = 103
IDI_NIGHTFOLD = 102
ICON_IMAGE_ID = 1

BUTTON = 0x0080
EDIT = 0x0081
STATIC = 0x0082
LISTBOX = 0x0083
COMBOBOX = 0x0085
CLASS_NAMES = {BUTTON: "button", EDIT: "edit", STATIC: "static", LISTBOX: "listbox", COMBOBOX: "combobox"}

# The dialog header: (field, expected value).
DIALOG_HEADER = [
    ("style", 0x80C800C0),  # WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME|DS_SETFONT
    ("exstyle", 0),
    ("items", 72),
    ("x", 20),
    ("y", 20),
    ("cx", 512),
    ("cy", 290),
    ("menu", ""),
    ("class", ""),
    ("title", ""),
    ("pointsize", 8),
    ("typeface", "MS Shell Dlg"),
]

# The controls in template (creation, tab and reading) order:
# (name, id, class, caption, style, x, y, cx, cy)
CONTROLS = [
    ("IDC_GROUP_CONFIG",    1017, BUTTON,   "Nightfold x.x Configuration",  0x50000007, 4, 2, 504, 263),
    # The evenings.
    ("IDC_EVENING_LIST_LABEL", 1080, STATIC, "Eve&nings:",                  0x50020000, 10, 14, 148, 8),
    ("IDC_EVENING_LIST",    1081, LISTBOX,  "",                             0x50A10101, 10, 24, 148, 40),
    ("IDC_EVENING_NEW",     1082, BUTTON,   "Ne&w",                         0x50010000, 10, 67, 72, 14),
    ("IDC_EVENING_DELETE",  1083, BUTTON,   "Dele&te",                      0x50010000, 86, 67, 72, 14),
    ("IDC_GROUP_CLOSE_AT",  1009, BUTTON,   "Close Winamp at",              0x50000007, 10, 85, 148, 99),
    ("IDC_HOUR",            1005, COMBOBOX, "",                             0x50210403, 16, 98, 26, 80),
    ("IDC_COLON",           1007, STATIC,   ":",                            0x5002000B, 42, 100, 8, 8),
    ("IDC_MINUTE_NAME",     1090, STATIC,   "Close Winamp at",              0x40000080, 44, 98, 0, 0),
    ("IDC_MINUTE",          1006, COMBOBOX, "",                             0x50210503, 44, 98, 26, 80),
    ("IDC_AM",              1003, BUTTON,   "&AM",                          0x50020009, 76, 96, 60, 10),
    ("IDC_PM",              1004, BUTTON,   "&PM",                          0x50000009, 76, 106, 60, 10),
    ("IDC_24HOUR",          1021, BUTTON,   "&24 Hour Display",             0x50010003, 16, 118, 136, 10),
    ("Monday",              1100, BUTTON,   "Mon",                          0x50030003, 16, 132, 34, 10),
    ("Tuesday",             1101, BUTTON,   "Tue",                          0x50010003, 50, 132, 34, 10),
    ("Wednesday",           1102, BUTTON,   "Wed",                          0x50010003, 84, 132, 34, 10),
    ("Thursday",            1103, BUTTON,   "Thu",                          0x50010003, 118, 132, 34, 10),
    ("Friday",              1104, BUTTON,   "Fri",                          0x50010003, 16, 142, 34, 10),
    ("Saturday",            1105, BUTTON,   "Sat",                          0x50010003, 50, 142, 34, 10),
    ("Sunday",              1106, BUTTON,   "Sun",                          0x50010003, 84, 142, 68, 10),
    ("IDC_NIGHT_LINE",      1110, STATIC,   "",                             0x50000080, 16, 156, 136, 24),
    # What follows an evening.
    ("IDC_GROUP_SHUTDOWN",  1011, BUTTON,   "System Shutdown",              0x50000007, 164, 14, 140, 73),
    ("IDC_ACTION_NONE",     1012, BUTTON,   "D&isabled",                    0x50020009, 170, 26, 128, 10),
    ("IDC_ACTION_STANDBY",  1015, BUTTON,   "Standb&y/Hibernate",           0x50000009, 170, 36, 128, 10),
    ("IDC_ACTION_SHUTDOWN", 1013, BUTTON,   "&Shutdown",                    0x50000009, 170, 46, 128, 10),
    ("IDC_ACTION_REBOOT",   1018, BUTTON,   "&Reboot",                      0x50000009, 170, 56, 128, 10),
    ("IDC_FORCE",           1014, BUTTON,   "&Force applications to close", 0x50012003, 170, 67, 128, 16),
    ("IDC_GROUP_PLUGIN",    1019, BUTTON,   "Plugin",                       0x50000007, 164, 91, 140, 46),
    ("IDC_PLUGIN_DISABLED", 1020, BUTTON,   "&Disabled",                    0x50020009, 170, 103, 128, 10),
    ("IDC_RUN_ONCE",        1010, BUTTON,   "Run On&ce",                    0x50000009, 170, 113, 128, 10),
    ("IDC_PLUGIN_ENABLED",  1002, BUTTON,   "&Enabled",                     0x50000009, 170, 123, 128, 10),
    # "At the set time": a group of its own, a list that keeps its order.
    ("IDC_GROUP_EVENING",   1022, BUTTON,   "At the set time",              0x50000007, 164, 141, 140, 101),
    ("IDC_FADE",            1023, BUTTON,   "Fade out over the &last",      0x50030003, 170, 153, 128, 10),
    ("IDC_FADE_MINUTES_NAME", 1091, STATIC, "Fade out over the last",       0x40000080, 182, 164, 0, 0),
    ("IDC_FADE_MINUTES",    1024, COMBOBOX, "",                             0x50210403, 182, 164, 80, 80),
    ("IDC_FINISH_SONG",     1026, BUTTON,   "Let the song finish (at most &10 minutes)",
                                                                            0x50012003, 170, 179, 128, 16),
    ("IDC_NOTICE",          1027, BUTTON,   "Show a notice one &minute before",
                                                                            0x50012003, 170, 196, 128, 16),
    ("IDC_IDLE_LABEL",      1088, STATIC,   "Asleep after",                 0x50020000, 170, 216, 128, 8),
    ("IDC_IDLE_MINUTES",    1089, COMBOBOX, "",                             0x50210403, 170, 226, 128, 80),
    # The mornings: AM/PM a radio group ended by the days, the days a group.
    ("IDC_MORNING_LIST_LABEL", 1084, STATIC, "M&ornings:",                  0x50020000, 310, 14, 192, 8),
    ("IDC_MORNING_LIST",    1085, LISTBOX,  "",                             0x50A10101, 310, 24, 192, 40),
    ("IDC_MORNING_NEW",     1086, BUTTON,   "Ne&w",                         0x50010000, 310, 67, 72, 14),
    ("IDC_MORNING_DELETE",  1087, BUTTON,   "Dele&te",                      0x50010000, 386, 67, 72, 14),
    ("IDC_GROUP_MORNING",   1032, BUTTON,   "Morning",                      0x50000007, 310, 85, 192, 176),
    ("IDC_MORNING",         1033, BUTTON,   "Wa&ke up to music at",         0x50030003, 316, 97, 180, 10),
    ("IDC_MORNING_HOUR_NAME", 1092, STATIC, "Wake up to music at",          0x40000080, 316, 109, 0, 0),
    ("IDC_MORNING_HOUR",    1034, COMBOBOX, "",                             0x50210403, 316, 109, 26, 80),
    ("IDC_MORNING_COLON",   1038, STATIC,   ":",                            0x5002000B, 342, 111, 8, 8),
    ("IDC_MORNING_MINUTE_NAME", 1093, STATIC, "Wake up to music at",        0x40000080, 344, 109, 0, 0),
    ("IDC_MORNING_MINUTE",  1035, COMBOBOX, "",                             0x50210503, 344, 109, 26, 80),
    ("IDC_MORNING_AM",      1036, BUTTON,   "AM",                           0x50020009, 376, 110, 44, 10),
    ("IDC_MORNING_PM",      1037, BUTTON,   "PM",                           0x50000009, 422, 110, 44, 10),
    ("Monday",              1039, BUTTON,   "Mon",                          0x50030003, 316, 125, 44, 10),
    ("Tuesday",             1040, BUTTON,   "Tue",                          0x50010003, 360, 125, 44, 10),
    ("Wednesday",           1041, BUTTON,   "Wed",                          0x50010003, 404, 125, 44, 10),
    ("Thursday",            1042, BUTTON,   "Thu",                          0x50010003, 448, 125, 44, 10),
    ("Friday",              1043, BUTTON,   "Fri",                          0x50010003, 316, 135, 44, 10),
    ("Saturday",            1044, BUTTON,   "Sat",                          0x50010003, 360, 135, 44, 10),
    ("Sunday",              1045, BUTTON,   "Sun",                          0x50010003, 404, 135, 44, 10),
    ("IDC_MORNING_FADE_IN", 1046, STATIC,   "Fade in o&ver",                0x50020000, 316, 149, 84, 8),
    ("IDC_MORNING_FADE_MINUTES", 1047, COMBOBOX, "",                        0x50210403, 316, 159, 84, 80),
    ("IDC_MORNING_VOLUME_LABEL", 1070, STATIC, "Vol&ume",                   0x50020000, 404, 149, 92, 8),
    ("IDC_MORNING_VOLUME",  1071, COMBOBOX, "",                             0x50210403, 404, 159, 92, 100),
    ("IDC_MORNING_PLAY_LABEL", 1072, STATIC, "Wake up to",                  0x50020000, 316, 176, 180, 8),
    ("IDC_MORNING_PLAY_OWN", 1073, BUTTON,  "What Winamp &has",             0x50030009, 316, 186, 180, 10),
    ("IDC_MORNING_PLAY_CHOSEN", 1074, BUTTON, "A son&g or stream:",         0x50000009, 316, 196, 180, 10),
    ("IDC_MORNING_PLAY_FILE_NAME", 1094, STATIC, "A song or stream:",       0x40000080, 328, 208, 0, 0),
    ("IDC_MORNING_PLAY_FILE", 1075, EDIT,   "",                             0x50830080, 328, 208, 102, 12),
    ("IDC_MORNING_BROWSE",  1076, BUTTON,   "&Browse...",                   0x50010000, 434, 207, 62, 14),
    ("IDC_MORNING_NOTE",    1049, STATIC,   "",                             0x50000080, 316, 225, 180, 32),
    ("IDOK",                1,    BUTTON,   "OK",                           0x50010001, 404, 269, 50, 14),
    ("IDCANCEL",            2,    BUTTON,   "Cancel",                       0x50010000, 458, 269, 50, 14),
]

# The notice: not visible until placed, no close box, its caption in the
# template.
NOTICE_HEADER = [
    ("style", 0x80C000C0),  # WS_POPUP|WS_CAPTION|DS_MODALFRAME|DS_SETFONT
    ("exstyle", 0),
    ("items", 4),
    ("x", 0),
    ("y", 0),
    ("cx", 270),
    ("cy", 58),
    ("menu", ""),
    ("class", ""),
    ("title", "Nightfold"),
    ("pointsize", 8),
    ("typeface", "MS Shell Dlg"),
]

NOTICE_CONTROLS = [
    ("IDC_NOTICE_TEXT",     1028, STATIC,   "",                             0x50000080, 7, 7, 256, 25),
    ("IDC_SNOOZE",          1029, BUTTON,   "&Snooze 10 minutes",           0x50010000, 7, 37, 92, 14),
    ("IDC_CANCEL_TONIGHT",  1030, BUTTON,   "&Cancel tonight",              0x50010000, 103, 37, 84, 14),
    ("IDC_CLOSE_NOW",       1031, BUTTON,   "Close &now",                   0x50010000, 191, 37, 72, 14),
]

# The single entry of icon group 102: (field, expected value).
ICON_GROUP_ENTRY = [
    ("width", 32),
    ("height", 32),
    ("image id", ICON_IMAGE_ID),
]

# The BITMAPINFOHEADER of icon image 1: (field, expected value).
ICON_IMAGE_HEADER = [
    ("header size", 40),
    ("width", 32),
    ("height", 64),  # XOR and AND masks
    ("planes", 1),
    ("bit count", 4),
    ("compression", 0),
]

# The version's strings, block 040904B0 (English, Unicode), as the file's
# properties show them.
VERSION_STRINGS = {
    "FileDescription": "Winamp plugin: closes the player at a set time",
    "FileVersion": "2.0",
    "LegalCopyright": "Copyright (c) 2026 The Nightfold developers",
    "ProductName": "Nightfold",
    "ProductVersion": "2.0",
}
VERSION_TRANSLATION = (0x409, 1200)

DS_SETFONT = 0x40


class Malformed(Exception):
    pass


class Reader:
    """Little-endian reader over one resource's bytes."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise Malformed("template ends at byte %d, inside a field" % len(self.data))
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += size
        return values if len(values) > 1 else values[0]

    def align(self):
        self.pos = (self.pos + 3) & ~3

    def sz_or_ord(self):
        """A WORD-aligned field: 0 (none), 0xFFFF + ordinal, or a UTF-16 string.
        Returns "" for none, an int for an ordinal, a str for a name."""
        first = self.take("H")
        if first == 0:
            return ""
        if first == 0xFFFF:
            return self.take("H")
        chars = [first]
        while True:
            c = self.take("H")
            if c == 0:
                break
            chars.append(c)
        return struct.pack("<%dH" % len(chars), *chars).decode("utf-16-le")


def parse_dialog(data):
    """Parse a DLGTEMPLATE. Returns (header dict, list of item dicts)."""
    r = Reader(data)
    if len(data) >= 4 and struct.unpack_from("<HH", data, 0) == (1, 0xFFFF):
        raise Malformed("template is a DLGTEMPLATEEX, expected a plain DLGTEMPLATE")
    header = {}
    header["style"], header["exstyle"], header["items"] = r.take("IIH")
    header["x"], header["y"], header["cx"], header["cy"] = r.take("hhhh")
    header["menu"] = r.sz_or_ord()
    header["class"] = r.sz_or_ord()
    header["title"] = r.sz_or_ord()
    if header["style"] & DS_SETFONT:
        header["pointsize"] = r.take("H")
        header["typeface"] = r.sz_or_ord()
    else:
        header["pointsize"] = None
        header["typeface"] = None
    items = []
    for _ in range(header["items"]):
        r.align()
        item = {}
        item["style"], item["exstyle"] = r.take("II")
        item["x"], item["y"], item["cx"], item["cy"] = r.take("hhhh")
        item["id"] = r.take("H")
        item["class"] = r.sz_or_ord()
        item["caption"] = r.sz_or_ord()
        extra = r.take("H")
        item["creation data"] = r.data[r.pos:r.pos + extra]
        r.pos += extra
        items.append(item)
    if (r.pos + 3) & ~3 < len(data):
        raise Malformed("%d bytes follow the last of the %d items"
                        % (len(data) - r.pos, header["items"]))
    return header, items


class Checker:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def expect(self, what, expected, actual):
        if expected == actual:
            self.passed += 1
            return True
        self.fail("%s: expected %s, got %s" % (what, show(expected), show(actual)))
        return False

    def fail(self, message):
        self.failed += 1
        print("FAIL " + message)


def show(value):
    if isinstance(value, int) and not isinstance(value, bool) and value > 0xFFFF:
        return "0x%08X" % value
    return repr(value)


def class_matches(expected_atom, actual):
    if isinstance(actual, int):
        return actual == expected_atom
    return actual.lower() == CLASS_NAMES[expected_atom]


def find_resource(pe, type_id, name_id, lang):
    """Return (bytes, languages found) for type/name, or (None, languages)."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return None, []
    for t in root.entries:
        if t.id != type_id:
            continue
        for n in t.directory.entries:
            if n.id != name_id:
                continue
            langs = [l.id for l in n.directory.entries]
            for l in n.directory.entries:
                if l.id == lang:
                    s = l.data.struct
                    return pe.get_data(s.OffsetToData, s.Size), langs
            return None, langs
    return None, []


def check_dialog(pe, c, dialog_id, header_rows, controls):
    data, langs = find_resource(pe, RT_DIALOG, dialog_id, LANG_EN_US)
    if data is None:
        c.fail("RT_DIALOG %d language %d missing (languages present: %s)"
               % (dialog_id, LANG_EN_US, langs))
        return
    c.passed += 1
    try:
        header, items = parse_dialog(data)
    except Malformed as e:
        c.fail("RT_DIALOG %d: %s" % (dialog_id, e))
        return
    c.passed += 1  # a plain template whose items fill it exactly

    for field, expected in header_rows:
        c.expect("dialog %d %s" % (dialog_id, field), expected, header[field])

    for n, (row, item) in enumerate(zip(controls, items), 1):
        name, cid, cls, caption, style, x, y, cx, cy = row
        where = "dialog %d item %d (%s)" % (dialog_id, n, name)
        c.expect(where + " id", cid, item["id"])
        if class_matches(cls, item["class"]):
            c.passed += 1
        else:
            got = item["class"]
            got = "0x%04X" % got if isinstance(got, int) else repr(got)
            c.fail("%s class: expected 0x%04X or %r, got %s"
                   % (where, cls, CLASS_NAMES[cls], got))
        c.expect(where + " caption", caption, item["caption"])
        c.expect(where + " style", style, item["style"])
        c.expect(where + " exstyle", 0, item["exstyle"])
        c.expect(where + " rectangle", (x, y, cx, cy),
                 (item["x"], item["y"], item["cx"], item["cy"]))
        c.expect(where + " creation data", b"", item["creation data"])
    for n, row in enumerate(controls[len(items):], len(items) + 1):
        c.fail("dialog %d item %d (%s) missing" % (dialog_id, n, row[0]))
    if dialog_id == IDD_CONFIG:
        check_reading_order(c, items)


def atom_of(item):
    cls = item["class"]
    if isinstance(cls, int):
        return cls
    return {name: atom for atom, name in CLASS_NAMES.items()}.get(cls.lower())


def is_group_box(item):
    return atom_of(item) == BUTTON and item["style"] & 0xF == 7


def starts_inside(item, box):
    return (box["x"] <= item["x"] < box["x"] + box["cx"] and
            box["y"] <= item["y"] < box["y"] + box["cy"])


def check_reading_order(c, items):
    """The order a person reads the dialog in, which Tab and a screen reader
    follow: each group box right before the controls that stand in it, a
    label right before each list, combo box and edit (a static text or a
    group's caption with a letter in it: not a colon, not an empty line),
    OK and Cancel last and without an access key (Enter and Esc are theirs)."""
    for n, box in enumerate(items):
        if is_group_box(box):
            own = [m for m, item in enumerate(items) if m != n and starts_inside(item, box)]
            c.expect("dialog 102 group box %d: the items standing in it" % box["id"],
                     list(range(n + 1, n + 1 + len(own))), own)
    for n, item in enumerate(items):
        if atom_of(item) in (LISTBOX, COMBOBOX, EDIT):
            before = items[n - 1] if n else {"class": 0, "style": 0, "caption": ""}
            text = before["caption"] if isinstance(before["caption"], str) else ""  # not an icon's ordinal
            named = (atom_of(before) == STATIC or is_group_box(before)) and any(ch.isalpha() for ch in text)
            c.expect("dialog 102 item %d (id %d): a label right before it" % (n + 1, item["id"]), True, named)
    c.expect("dialog 102: the last two items", [1, 2], [item["id"] for item in items[-2:]])
    for item in items:
        if item["id"] in (1, 2):
            c.expect("dialog 102 id %d: an access key" % item["id"], False,
                     "&" in item["caption"].replace("&&", ""))


def check_icon(pe, c):
    data, langs = find_resource(pe, RT_GROUP_ICON, IDI_NIGHTFOLD, LANG_EN_US)
    if data is None:
        c.fail("RT_GROUP_ICON %d language %d missing (languages present: %s)"
               % (IDI_NIGHTFOLD, LANG_EN_US, langs))
        return
    c.passed += 1
    if len(data) < 6:
        c.fail("RT_GROUP_ICON %d: %d bytes, too short for a header" % (IDI_NIGHTFOLD, len(data)))
        return
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    c.expect("icon group type", 1, kind)
    if not c.expect("icon group entries", 1, count):
        return
    if len(data) < 6 + 14:
        c.fail("RT_GROUP_ICON %d: entry truncated" % IDI_NIGHTFOLD)
        return
    width, height, colours, _, planes, bits, size, image_id = \
        struct.unpack_from("<BBBBHHIH", data, 6)
    entry = {"width": width, "height": height, "image id": image_id}
    for field, expected in ICON_GROUP_ENTRY:
        c.expect("icon group entry %s" % field, expected, entry[field])
    if colours == 16 or bits == 4:
        c.passed += 1
    else:
        c.fail("icon group entry colours: expected bColorCount 16 or wBitCount 4, "
               "got %d and %d" % (colours, bits))

    image, langs = find_resource(pe, RT_ICON, image_id, LANG_EN_US)
    if image is None:
        c.fail("RT_ICON %d language %d missing (languages present: %s)"
               % (image_id, LANG_EN_US, langs))
        return
    c.passed += 1
    c.expect("icon group entry byte count", len(image), size)
    if len(image) < 40:
        c.fail("RT_ICON %d: %d bytes, too short for a BITMAPINFOHEADER" % (image_id, len(image)))
        return
    hsize, w, h, pl, bc, comp = struct.unpack_from("<IiiHHI", image, 0)
    header = {"header size": hsize, "width": w, "height": h,
              "planes": pl, "bit count": bc, "compression": comp}
    for field, expected in ICON_IMAGE_HEADER:
        c.expect("icon image %s" % field, expected, header[field])
    # 40-byte header, 16 RGBQUADs, 32 rows of 16 bytes (XOR), 32 rows of 4 (AND).
    c.expect("icon image size", 40 + 16 * 4 + 32 * 16 + 32 * 4, len(image))


def parse_version_block(data, pos):
    """One node of a VS_VERSIONINFO tree at pos: (key, value bytes, children),
    where value bytes are in the units the node's type says (text nodes:
    UTF-16, without the terminator)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, pos)
    if length < 6 or pos + length > len(data):
        raise Malformed("version node at byte %d has length %d" % (pos, length))
    end = pos + length
    key_end = pos + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos + 6:key_end].decode("utf-16-le")
    value_pos = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[value_pos:value_pos + value_size]
    if kind == 1:
        value = value.decode("utf-16-le").rstrip("\0")
    children = []
    child = (value_pos + value_size + 3) & ~3
    while child < end:
        node = parse_version_block(data, child)
        children.append(node[:3])
        child = (child + node[3] + 3) & ~3
    return key, value, children, length


def check_version(pe, c):
    data, langs = find_resource(pe, RT_VERSION, 1, LANG_EN_US)
    if data is None:
        c.fail("RT_VERSION 1 language %d missing (languages present: %s)" % (LANG_EN_US, langs))
        return
    try:
        key, _, children, _ = parse_version_block(data, 0)
    except (Malformed, struct.error, UnicodeDecodeError) as e:
        c.fail("RT_VERSION 1: %s" % e)
        return
    c.expect("version root key", "VS_VERSION_INFO", key)
    nodes = {child[0]: child for child in children}
    tables = nodes.get("StringFileInfo", ("", "", []))[2]
    strings = {k: v for table in tables if table[0] == "040904B0" for k, v, _ in table[2]}
    c.expect("version strings", VERSION_STRINGS, strings)
    variables = nodes.get("VarFileInfo", ("", "", []))[2]
    translation = [struct.unpack("<HH", v) for k, v, _ in variables if k == "Translation" and len(v) == 4]
    c.expect("version translation", [VERSION_TRANSLATION], translation)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: check_resources.py path/to/gen_nightfold.dll\n")
        return 2
    try:
        pe = pefile.PE(argv[1], fast_load=True)
        pe.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    except (OSError, pefile.PEFormatError) as e:
        sys.stderr.write("%s: %s\n" % (argv[1], e))
        return 2

    c = Checker()
    check_dialog(pe, c, IDD_CONFIG, DIALOG_HEADER, CONTROLS)
    check_dialog(pe, c, IDD_NOTICE, NOTICE_HEADER, NOTICE_CONTROLS)
    check_icon(pe, c)
    check_version(pe, c)
    if c.failed:
        print("resources: %d failed, %d passed" % (c.failed, c.passed))
        return 1
    print("resources: %d checks passed" % c.passed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
