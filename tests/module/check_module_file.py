#!/usr/bin/python3
"""Checks the built Tabrinox.wfx as a file: PE header, exports, imports, each export's
stack cleanup, reproducible builds and the resources (version block, icon group).

    check_module_file.py --dll PATH --source-dir DIR [--width 32|64] [unittest arguments]

The DLL is read with pefile, the disassembly comes from mingw's objdump, and icoutils'
wrestool/icotool serve as a second reader of the icon group.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

import pefile

DLL = None
SOURCE_DIR = None

# what depends on the module's width: its file name, PE machine and optional-header magic,
# the disassembler, the build preset, and the bytes a ret pops per argument (x64 has one
# calling convention, in which the caller removes the arguments)
WIDTHS = {
    32: {
        "file": "Tabrinox.wfx",
        "machine": 0x14C,
        "magic": 0x10B,
        "objdump": "i686-w64-mingw32-objdump",
        "preset": "win32",
        "popped_per_argument": 4,
    },
    64: {
        "file": "Tabrinox.wfx64",
        "machine": 0x8664,
        "magic": 0x20B,
        "objdump": "x86_64-w64-mingw32-objdump",
        "preset": "win64",
        "popped_per_argument": 0,
    },
}
WIDTH = WIDTHS[32]
LANGUAGE = 0x0419
CODE_PAGE = 1200

# name: (ordinal, argument count)
EXPORTS = {
    "FsExecuteFile": (1, 3),
    "FsFindClose": (2, 1),
    "FsFindFirst": (3, 2),
    "FsFindNext": (4, 2),
    "FsGetDefRootName": (5, 2),
    "FsGetFile": (6, 4),
    "FsInit": (7, 4),
    "FsStatusInfo": (8, 3),
}

IMPORTS = {
    "KERNEL32.dll": {
        "CloseHandle",
        "CreateFileA",
        "DeleteFileA",
        "GetFileAttributesA",
        "GetLastError",
        "GlobalLock",
        "GlobalSize",
        "GlobalUnlock",
        "WriteFile",
        "lstrcmpA",
        "lstrcpyA",
    },
    "USER32.dll": {
        "CloseClipboard",
        "EnumClipboardFormats",
        "GetClipboardData",
        "GetClipboardFormatNameA",
        "MessageBoxA",
        "OpenClipboard",
        "RegisterClipboardFormatA",
    },
}

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16

# image id: (pixels, bits per pixel)
ICON_IMAGES = {
    1: (16, 8),
    2: (16, 32),
    3: (24, 8),
    4: (24, 32),
    5: (32, 8),
    6: (32, 32),
    7: (48, 8),
    8: (48, 32),
}

VERSION_STRINGS = [
    ("Comments", "Quorlenta Viewer"),
    ("CompanyName", "The Tabrinox team"),
    ("FileDescription", "Tabrinox"),
    ("FileVersion", "1, 0, 0, 1"),
    ("InternalName", "Tabrinox"),
    ("LegalCopyright", "Copyright (C) The Tabrinox team"),
    ("LegalTrademarks", ""),
    ("OriginalFilename", None),  # the module's own file name
    ("PrivateBuild", ""),
    ("ProductName", "  Tabrinox"),
    ("ProductVersion", "1, 0, 0, 1"),
    ("SpecialBuild", ""),
]

# VS_FIXEDFILEINFO after its signature and structure version
FIXED_INFO = [
    ("file version MS", 0x00010000),
    ("file version LS", 0x00000001),
    ("product version MS", 0x00010000),
    ("product version LS", 0x00000001),
    ("flags mask", 0x3F),
    ("flags", 0),
    ("operating system (VOS_NT_WINDOWS32)", 0x00040004),
    ("file type (VFT_DLL)", 2),
    ("file subtype", 0),
    ("file date MS", 0),
    ("file date LS", 0),
]


def load_pe(path):
    return pefile.PE(path)


# ---- disassembly -------------------------------------------------------------------

INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\s+([a-z][a-z0-9.]*)\s*(.*)$")


def parse_disassembly(text):
    """{address: (mnemonic, operands, next address)} from `objdump -d --no-show-raw-insn`."""
    rows = []
    for line in text.splitlines():
        m = INSTRUCTION.match(line)
        if m:
            rows.append((int(m.group(1), 16), m.group(2), m.group(3).strip()))
    code = {}
    for i, (address, mnemonic, operands) in enumerate(rows):
        following = rows[i + 1][0] if i + 1 < len(rows) else None
        code[address] = (mnemonic, operands, following)
    return code


def returns_of(code, entry):
    """Walks every path from `entry` (jumps followed, calls stepped over) and returns
    {address of each ret: bytes it pops}. Raises ValueError where the walk cannot go on."""
    found = {}
    pending, seen = [entry], set()
    while pending:
        address = pending.pop()
        while address not in seen:
            seen.add(address)
            if address not in code:
                raise ValueError(f"no instruction at {address:#x}")
            mnemonic, operands, following = code[address]
            if mnemonic.startswith("ret"):
                m = re.fullmatch(r"\$(0x[0-9a-f]+|\d+)", operands) if operands else None
                if operands and not m:
                    raise ValueError(f"unreadable ret at {address:#x}: {operands}")
                found[address] = int(m.group(1), 0) if m else 0
                break
            if mnemonic.startswith("j"):
                target = re.match(r"(0x[0-9a-f]+|[0-9a-f]+)\b", operands)
                if operands.startswith("*") or not target:
                    raise ValueError(f"indirect jump at {address:#x}: {mnemonic} {operands}")
                pending.append(int(target.group(1), 16))
                if mnemonic == "jmp":
                    break
            elif mnemonic in ("ud2", "int3", "hlt"):
                break
            if following is None:
                raise ValueError(f"code runs off the end after {address:#x}")
            address = following
    return found


def export_returns(path):
    """{export name: {ret address: bytes popped}} for the given DLL."""
    pe = load_pe(path)
    listing = subprocess.run(
        [WIDTH["objdump"], "-d", "--no-show-raw-insn", path],
        check=True,
        capture_output=True,
        text=True,
    ).stdout
    code = parse_disassembly(listing)
    base = pe.OPTIONAL_HEADER.ImageBase
    return {
        s.name.decode(): returns_of(code, base + s.address)
        for s in pe.DIRECTORY_ENTRY_EXPORT.symbols
    }


# ---- resources ---------------------------------------------------------------------


def resource_tree(pe):
    """{type id: {resource id: {language: bytes}}}; names instead of ids appear as str."""
    tree = {}
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = type_entry.id if type_entry.name is None else str(type_entry.name)
        for res_entry in type_entry.directory.entries:
            res_key = res_entry.id if res_entry.name is None else str(res_entry.name)
            for lang_entry in res_entry.directory.entries:
                data = lang_entry.data.struct
                tree.setdefault(type_key, {}).setdefault(res_key, {})[lang_entry.id] = (
                    pe.get_data(data.OffsetToData, data.Size)
                )
    return tree


def only_language(test, languages, what):
    test.assertEqual(sorted(languages), [LANGUAGE], f"languages of {what}")
    return languages[LANGUAGE]


def align4(offset):
    return (offset + 3) & ~3


def version_node(data, offset=0):
    """One node of a version block: (key, wType, value bytes, children). Text values
    (wType 1) have wValueLength in characters, binary ones in bytes."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while data[key_end : key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2)
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[value_start : value_start + value_bytes]
    children = []
    child = align4(value_start + value_bytes)
    while child < end:
        node, child_length = version_node(data, child)
        children.append(node)
        child = align4(child + child_length)
    return (key, kind, value, children), length


def text_value(value):
    """A version string's text, its one terminating zero dropped."""
    text = value.decode("utf-16-le")
    return text[:-1] if text.endswith("\0") else text


def bitmap_info(image):
    """BITMAPINFOHEADER fields of an icon image."""
    fields = struct.unpack_from("<IiiHHIIiiII", image, 0)
    names = (
        "size width height planes bits compression image_size x_ppm y_ppm clr_used clr_important"
    )
    return dict(zip(names.split(), fields))


def icon_pixels(image):
    """Rows top-down of (r, g, b, a, masked) for an 8- or 32-bit icon image."""
    info = bitmap_info(image)
    size, bits = info["width"], info["bits"]
    offset = info["size"]
    palette = []
    if bits == 8:
        count = info["clr_used"] or 256
        for i in range(count):
            b, g, r, _ = image[offset + 4 * i : offset + 4 * i + 4]
            palette.append((r, g, b))
        offset += 4 * count
    stride = (size * bits // 8 + 3) & ~3
    mask_offset = offset + stride * size
    mask_stride = ((size + 31) // 32) * 4
    rows = []
    for y in range(size):
        row = []
        source = offset + (size - 1 - y) * stride
        mask_row = mask_offset + (size - 1 - y) * mask_stride
        for x in range(size):
            masked = bool(image[mask_row + x // 8] & (0x80 >> (x % 8)))
            if bits == 32:
                b, g, r, a = image[source + 4 * x : source + 4 * x + 4]
                row.append((r, g, b, a, masked))
            else:
                index = image[source + x]
                if index >= len(palette):
                    raise ValueError(f"pixel {x},{y} uses index {index} beyond the palette")
                row.append(palette[index] + (None, masked))
        rows.append(row)
    return rows


def ico_images(data):
    """[(directory entry fields but the offset, image bytes)] of an .ico file; bytes that
    no entry points at (wrestool pads its output) are not read."""
    _, _, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        *fields, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((tuple(fields) + (size,), data[offset : offset + size]))
    return images


# ---- tests -------------------------------------------------------------------------


class HeaderTest(unittest.TestCase):
    def setUp(self):
        self.pe = load_pe(DLL)

    def test_machine_and_kind(self):
        header = self.pe.FILE_HEADER
        self.assertEqual(header.Machine, WIDTH["machine"], "machine")
        self.assertTrue(header.Characteristics & 0x2000, "IMAGE_FILE_DLL characteristic")
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, WIDTH["magic"], "optional header magic")
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, 2, "subsystem (Windows GUI)")

    def test_no_timestamps(self):
        self.assertEqual(self.pe.FILE_HEADER.TimeDateStamp, 0, "file header timestamp")
        self.assertEqual(
            self.pe.DIRECTORY_ENTRY_EXPORT.struct.TimeDateStamp, 0, "export directory timestamp"
        )
        for entry in self.pe.DIRECTORY_ENTRY_IMPORT:
            self.assertEqual(entry.struct.TimeDateStamp, 0, f"import timestamp of {entry.dll}")
        self.assertEqual(
            self.pe.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp, 0, "resource timestamp"
        )
        self.assertFalse(hasattr(self.pe, "DIRECTORY_ENTRY_DEBUG"), "debug directory present")


class ExportTest(unittest.TestCase):
    def setUp(self):
        self.exports = load_pe(DLL).DIRECTORY_ENTRY_EXPORT

    def test_directory_name(self):
        self.assertEqual(self.exports.name, WIDTH["file"].encode(), "export directory name")

    def test_names_and_ordinals(self):
        seen = {
            (s.name.decode() if s.name else None): s.ordinal for s in self.exports.symbols
        }
        expected = {name: ordinal for name, (ordinal, _) in EXPORTS.items()}
        self.assertEqual(seen, expected, "export names and ordinals")
        self.assertEqual(self.exports.struct.Base, 1, "ordinal base")
        self.assertEqual(self.exports.struct.NumberOfFunctions, 8, "exported functions")

    def test_exports_are_code_not_forwarders(self):
        for symbol in self.exports.symbols:
            self.assertIsNone(symbol.forwarder, f"{symbol.name} is forwarded")


class ImportTest(unittest.TestCase):
    def test_exact_import_list(self):
        pe = load_pe(DLL)
        seen = {}
        for entry in pe.DIRECTORY_ENTRY_IMPORT:
            names = seen.setdefault(entry.dll.decode(), set())
            for symbol in entry.imports:
                self.assertIsNotNone(symbol.name, f"import by ordinal from {entry.dll}")
                names.add(symbol.name.decode())
        self.assertEqual(seen, IMPORTS, "imported libraries and functions")


class StackCleanupTest(unittest.TestCase):
    def test_each_export_pops_its_arguments(self):
        returns = export_returns(DLL)
        for name, (_, arguments) in EXPORTS.items():
            with self.subTest(export=name):
                self.assertTrue(returns[name], f"{name}: no ret reached from its entry")
                for address, popped in sorted(returns[name].items()):
                    self.assertEqual(
                        popped,
                        WIDTH["popped_per_argument"] * arguments,
                        f"{name}: ret at {address:#x} pops {popped} bytes",
                    )


class DisassemblyWalkTest(unittest.TestCase):
    """The walker behind StackCleanupTest, on small listings with a known answer."""

    LISTING = """
    10001000:\tpush   %ebp
    10001001:\ttest   %eax,%eax
    10001003:\tje     0x10001010
    10001005:\tcall   0x10001020
    1000100a:\tpop    %ebp
    1000100b:\tret    $0x8
    10001010:\tjmp    0x10001014
    10001012:\tret    $0x4
    10001014:\tret    $0xc
    10001020:\tret
    """

    def test_every_path_is_followed_and_calls_skipped(self):
        found = returns_of(parse_disassembly(self.LISTING), 0x10001000)
        self.assertEqual(found, {0x1000100B: 8, 0x10001014: 12}, "rets reached from the entry")

    def test_unreachable_and_called_code_ignored(self):
        found = returns_of(parse_disassembly(self.LISTING), 0x10001010)
        self.assertEqual(found, {0x10001014: 12}, "rets reached from the jmp")

    def test_indirect_jump_refused(self):
        code = parse_disassembly("10001000:\tjmp    *0x10002000\n")
        with self.assertRaises(ValueError):
            returns_of(code, 0x10001000)


class ReproducibleBuildTest(unittest.TestCase):
    def test_second_build_gives_same_bytes(self):
        with open(DLL, "rb") as f:
            first = f.read()
        with tempfile.TemporaryDirectory(prefix="tabrinox-rebuild-") as build_dir:
            subprocess.run(
                ["cmake", "-S", SOURCE_DIR, "--preset", WIDTH["preset"], "-B", build_dir],
                cwd=SOURCE_DIR,
                check=True,
                capture_output=True,
            )
            subprocess.run(
                ["cmake", "--build", build_dir, "--target", "tabrinox_module"],
                check=True,
                capture_output=True,
            )
            with open(os.path.join(build_dir, "module", WIDTH["file"]), "rb") as f:
                second = f.read()
        self.assertEqual(len(second), len(first), "size of the second build")
        self.assertTrue(second == first, "second build in another directory differs")


class ResourceTest(unittest.TestCase):
    def setUp(self):
        self.tree = resource_tree(load_pe(DLL))

    def test_types_ids_and_languages(self):
        layout = {t: {r: sorted(langs) for r, langs in res.items()} for t, res in self.tree.items()}
        expected = {
            RT_ICON: {i: [LANGUAGE] for i in ICON_IMAGES},
            RT_GROUP_ICON: {101: [LANGUAGE]},
            RT_VERSION: {1: [LANGUAGE]},
        }
        self.assertEqual(layout, expected, "resource types, ids and languages")

    def version_root(self):
        data = only_language(self, self.tree[RT_VERSION][1], "the version block")
        (key, kind, value, children), length = version_node(data)
        self.assertEqual(key, "VS_VERSION_INFO", "root key")
        self.assertEqual(length, len(data), "root length against the resource size")
        return value, children

    def test_fixed_part(self):
        value, _ = self.version_root()
        self.assertEqual(len(value), 52, "VS_FIXEDFILEINFO size")
        fields = struct.unpack("<13I", value)
        self.assertEqual(fields[0], 0xFEEF04BD, "signature")
        for (name, expected), seen in zip(FIXED_INFO, fields[2:]):
            self.assertEqual(seen, expected, f"fixed part: {name} is {seen:#x}")

    def test_string_table(self):
        _, children = self.version_root()
        self.assertEqual(
            [c[0] for c in children], ["StringFileInfo", "VarFileInfo"], "version block parts"
        )
        tables = children[0][3]
        self.assertEqual([t[0] for t in tables], ["041904B0"], "string tables")
        entries = tables[0][3]
        for key, kind, _, _ in entries:
            self.assertEqual(kind, 1, f"{key}: not a text value")
        seen = [(key, text_value(value)) for key, _, value, _ in entries]
        expected = [(k, WIDTH["file"] if v is None else v) for k, v in VERSION_STRINGS]
        self.assertEqual(seen, expected, "string table keys, order and texts")
        for key, _, value, _ in entries:
            self.assertNotIn("\0", text_value(value), f"{key}: stray zero inside the text")

    def test_translation(self):
        _, children = self.version_root()
        variables = children[1][3]
        self.assertEqual([v[0] for v in variables], ["Translation"], "VarFileInfo entries")
        self.assertEqual(
            struct.unpack("<HH", variables[0][2]), (LANGUAGE, CODE_PAGE), "translation"
        )

    def test_icon_group_entries(self):
        group = only_language(self, self.tree[RT_GROUP_ICON][101], "icon group 101")
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((reserved, kind), (0, 1), "group header: reserved, type icon")
        self.assertEqual(count, 8, "images in the group")
        self.assertEqual(len(group), 6 + 14 * count, "group size")
        seen = []
        for i in range(count):
            width, height, colours, _, planes, bits, size, image_id = struct.unpack_from(
                "<BBBBHHIH", group, 6 + 14 * i
            )
            seen.append((image_id, (width, height), bits))
            self.assertEqual(colours, 0, f"entry {i}: colour count (0 for 256 and more)")
            self.assertEqual(planes, 1, f"entry {i}: planes")
            image = self.tree[RT_ICON][image_id][LANGUAGE]
            self.assertEqual(size, len(image), f"entry {i}: byte count against image {image_id}")
        expected = [(i, (px, px), bits) for i, (px, bits) in ICON_IMAGES.items()]
        self.assertEqual(seen, expected, "group entries: id, size, colour depth in order")

    def test_icon_image_headers(self):
        for image_id, (px, bits) in ICON_IMAGES.items():
            with self.subTest(image=image_id):
                image = only_language(self, self.tree[RT_ICON][image_id], f"icon {image_id}")
                info = bitmap_info(image)
                self.assertEqual(info["size"], 40, "BITMAPINFOHEADER size")
                self.assertEqual(info["width"], px, "width")
                self.assertEqual(info["height"], 2 * px, "height (colour bitmap and mask)")
                self.assertEqual(info["planes"], 1, "planes")
                self.assertEqual(info["bits"], bits, "bits per pixel")
                self.assertEqual(info["compression"], 0, "compression (BI_RGB)")
                palette = 4 * (info["clr_used"] or 256) if bits == 8 else 0
                colour = ((px * bits // 8 + 3) & ~3) * px
                mask = ((px + 31) // 32) * 4 * px
                self.assertEqual(len(image), 40 + palette + colour + mask, "image byte count")

    def test_32bit_images_have_real_alpha(self):
        for image_id, (px, bits) in ICON_IMAGES.items():
            if bits != 32:
                continue
            with self.subTest(image=image_id):
                rows = icon_pixels(self.tree[RT_ICON][image_id][LANGUAGE])
                alphas = {p[3] for row in rows for p in row}
                self.assertIn(0, alphas, "no fully transparent pixel")
                self.assertIn(255, alphas, "no opaque pixel")
                self.assertTrue(alphas - {0, 255}, "no partly transparent (smoothed) pixel")
                for y, row in enumerate(rows):
                    for x, (_, _, _, a, masked) in enumerate(row):
                        if a in (0, 255):
                            self.assertEqual(masked, a == 0, f"mask at {x},{y} with alpha {a}")

    def test_8bit_images_match_their_32bit_twins(self):
        # a proper palette: every visible pixel close to the full-colour image's pixel
        for image_id, (px, bits) in ICON_IMAGES.items():
            if bits != 8:
                continue
            with self.subTest(image=image_id):
                paletted = icon_pixels(self.tree[RT_ICON][image_id][LANGUAGE])
                full = icon_pixels(self.tree[RT_ICON][image_id + 1][LANGUAGE])
                visible = set()
                for y in range(px):
                    for x in range(px):
                        p, q = paletted[y][x], full[y][x]
                        self.assertEqual(p[4], q[4], f"mask at {x},{y} differs from the 32-bit")
                        if p[4]:
                            continue
                        visible.add(p[:3])
                        distance = max(abs(p[k] - q[k]) for k in range(3))
                        self.assertLessEqual(distance, 24, f"colour at {x},{y}: {p[:3]} vs {q[:3]}")
                self.assertGreaterEqual(len(visible), 5, f"distinct visible colours {visible}")


class IconExtractTest(unittest.TestCase):
    """icoutils as a second reader: the group taken out of the module is the .ico that
    the picture description in the repository yields."""

    def test_group_extracts_to_the_generated_icon(self):
        with tempfile.TemporaryDirectory(prefix="tabrinox-icon-") as work:
            extracted = os.path.join(work, "extracted.ico")
            generated = os.path.join(work, "generated.ico")
            subprocess.run(
                ["wrestool", "-x", "--type=14", "--name=101", "-o", extracted, DLL], check=True
            )
            subprocess.run(
                [
                    "/usr/bin/python3",
                    os.path.join(SOURCE_DIR, "resources", "make_icon.py"),
                    os.path.join(SOURCE_DIR, "resources", "icon", "clipboard.icon"),
                    generated,
                ],
                check=True,
            )
            listing = subprocess.run(
                ["icotool", "-l", extracted], check=True, capture_output=True, text=True
            ).stdout.splitlines()
            expected = [
                f"--icon --index={i} --width={px} --height={px} --bit-depth={bits} "
                f"--palette-size={256 if bits == 8 else 0}"
                for i, (px, bits) in ICON_IMAGES.items()
            ]
            self.assertEqual(listing, expected, "icotool's listing of the extracted group")
            with open(extracted, "rb") as f:
                module_icon = f.read()
            with open(generated, "rb") as f:
                source_icon = f.read()
            module_images = ico_images(module_icon)
            source_images = ico_images(source_icon)
            self.assertEqual(len(module_images), len(source_images), "images in the .ico files")
            for i, (seen, expected) in enumerate(zip(module_images, source_images), 1):
                self.assertEqual(seen[0], expected[0], f"directory entry {i}")
                self.assertTrue(seen[1] == expected[1], f"image {i} differs from the source")

    def test_wrestool_lists_the_same_resources(self):
        listing = subprocess.run(
            ["wrestool", "-l", DLL], check=True, capture_output=True, text=True
        ).stdout
        seen = re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", listing)
        expected = [("3", str(i), "1049") for i in ICON_IMAGES]
        expected += [("14", "101", "1049"), ("16", "1", "1049")]
        self.assertEqual(seen, expected, "wrestool's resource listing")


def main():
    global DLL, SOURCE_DIR, WIDTH
    args = sys.argv[1:]
    if "--width" in args:
        i = args.index("--width")
        WIDTH = WIDTHS[int(args[i + 1])]
        del args[i : i + 2]
    for flag in ("--dll", "--source-dir"):
        if flag not in args:
            sys.exit(__doc__)
        i = args.index(flag)
        value = os.path.abspath(args[i + 1])
        del args[i : i + 2]
        if flag == "--dll":
            DLL = value
        else:
            SOURCE_DIR = value
    unittest.main(argv=[sys.argv[0]] + args, verbosity=2)


if __name__ == "__main__":
    main()
