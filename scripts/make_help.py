#!/usr/bin/python3
"""Writes the program's help file app.hlp, and the same help as HTML pages, from one
text source, so that the two never differ.

The file is a WinHelp 3.1 help file, uncompressed: a 16-byte header, then internal
files, each behind a 9-byte file header, and a directory of them (a one-page B+ tree):

  |SYSTEM   title, and where the contents topic starts
  |FONT     two faces: body text and topic headings
  |TOPIC    4 KB blocks of topic link records: a topic header (type 2, its title)
            followed by text records (type 0x20), each paragraph's text beside its
            format commands
  |CONTEXT  B+ tree of the context strings' hashes and their topics
  |CTXOMAP  the numbers a program passes with HELP_CONTEXT, and their topics

Source format (UTF-8; written out as Windows-1252):

  @title TEXT                  the help file's title
  == CONTEXT_NAME NUMBER Title  a topic; NUMBER is its HELP_CONTEXT number or '-'
  text lines                    paragraphs, separated by blank lines; '# ' starts a comment
  - text                        a list item (a paragraph of its own)
      text (four blanks)        an example line, kept as it is (a command line)
  «Name»                        the name of a window, page, button, menu or option as
                                the program's resources spell it (checked by
                                scripts/check-help-names.py)

The first topic is the contents topic (HELP_CONTENTS).

HTML pages: one per topic, in UTF-8; the contents topic is index.htm, the others are
named after their context string (IDH_TRANSMIT_PAGE: transmit_page.htm). The bundle
the installer carries holds them all: "VTHP", the page count, then per page a 16-bit
name length, the name, a 32-bit size and the bytes (little-endian).
"""
import html
import os
import struct
import sys

BLOCK_SIZE = 0x1000          # topic block, header included
BLOCK_HEADER = 12
BLOCK_DATA = BLOCK_SIZE - BLOCK_HEADER
NO_LINK = 0xFFFFFFFF
RECORD_HEADER = 0x15

FONT_BODY = 0
FONT_HEADING = 1


def file_header(data):
    # Reserved space (header included), used space, flags.
    return struct.pack("<IIB", len(data) + 9, len(data), 4) + data


def context_hash(name):
    value = 0
    for c in name:
        if "A" <= c <= "Z":
            x = ord(c) - ord("A") + 17
        elif "a" <= c <= "z":
            x = ord(c) - ord("a") + 17
        elif "1" <= c <= "9":
            x = ord(c) - ord("0")
        elif c == "0":
            x = 10
        elif c == ".":
            x = 12
        elif c == "_":
            x = 13
        else:
            x = 0
        if x:
            value = (value * 43 + x) & 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


def btree(structure, page_size, entries, flags=0x0002):
    """A B+ tree with one leaf page holding every entry (already sorted)."""
    body = b"".join(entries)
    if 8 + len(body) > page_size:
        raise SystemExit("make_help: too many entries for one B+ tree page")
    page = struct.pack("<HHhh", page_size - 8 - len(body), len(entries), -1, -1) + body
    page += b"\0" * (page_size - len(page))
    header = struct.pack("<HHH16sHHHhHHI", 0x293B, flags, page_size, structure.encode().ljust(16, b"\0"),
                         0, 0, 0, -1, 1, 1, len(entries))
    return header + page


def compressed_long(value):
    # Two bytes: (value * 2 + 0x8000), low bit clear.
    return struct.pack("<H", value * 2 + 0x8000)


def compressed_ushort(value):
    return bytes([value * 2]) if value < 128 else struct.pack("<H", value * 2 + 1)


def text_record(paragraphs, heading):
    """LinkData1 (paragraph settings and format commands) and LinkData2 (texts)."""
    texts = []
    commands = b""
    texts.append(b"")
    commands += b"\x80" + struct.pack("<H", FONT_HEADING if heading else FONT_BODY)
    for paragraph in paragraphs:
        texts.append(paragraph)
        commands += b"\x82"  # end of paragraph
    texts.append(b"")
    commands += b"\xff"
    characters = sum(len(t) for t in texts) + len(paragraphs)
    link_data2 = b"".join(t + b"\0" for t in texts)
    link_data1 = (compressed_long(0) + compressed_ushort(characters) + b"\0\x80\0\0" +
                  struct.pack("<H", 0) + commands)
    return link_data1, link_data2, characters


class Record:
    def __init__(self, kind, link_data1, link_data2, characters=0, topic=None):
        self.kind = kind
        self.link_data1 = link_data1
        self.link_data2 = link_data2
        self.characters = characters
        self.topic = topic
        self.position = 0

    def size(self):
        return RECORD_HEADER + len(self.link_data1) + len(self.link_data2)


def reference(position):
    # Block number in bits 14 and up, offset in the block (its header counted) below.
    return ((position // BLOCK_DATA) << 14) + position % BLOCK_DATA + BLOCK_HEADER


def build_topics(topics):
    records = []
    for index, topic in enumerate(topics):
        header = Record(2, None, topic["title"], topic=index)
        records.append(header)
        link1, link2, chars = text_record([topic["title"]], heading=True)
        records.append(Record(0x20, link1, link2, chars))
        link1, link2, chars = text_record(topic["paragraphs"], heading=False)
        records.append(Record(0x20, link1, link2, chars))
    # Topic headers have a fixed size: place everything, then fill them in.
    for record in records:
        if record.kind == 2:
            record.link_data1 = b"\0" * 28
    position = 0
    for record in records:
        record.position = position
        position += record.size()
    # Character offsets of the topics: block number x 0x8000 plus the characters of
    # the text records before them in that block.
    offsets = {}
    block, chars = -1, 0
    for record in records:
        record_block = (reference(record.position) - BLOCK_HEADER) >> 14
        if record_block != block:
            block, chars = record_block, 0
        if record.kind == 2:
            offsets[record.topic] = block * 0x8000 + chars
        else:
            chars += record.characters
    header_indexes = [i for i, r in enumerate(records) if r.kind == 2]
    for n, i in enumerate(header_indexes):
        record = records[i]
        last = n == len(header_indexes) - 1
        end = records[header_indexes[n + 1]].position if not last else position
        record.link_data1 = struct.pack(
            "<IIIIIII", end - record.position,
            offsets[n - 1] if n > 0 else NO_LINK, offsets[n + 1] if not last else NO_LINK, n,
            NO_LINK, reference(records[i + 1].position),
            reference(records[header_indexes[n + 1]].position) if not last else NO_LINK)
    flat = b""
    for i, record in enumerate(records):
        previous = reference(records[i - 1].position) if i else NO_LINK
        following = reference(records[i + 1].position) if i + 1 < len(records) else NO_LINK
        data_len1 = RECORD_HEADER + len(record.link_data1)
        flat += struct.pack("<IIIIIB", record.size(), len(record.link_data2), previous, following, data_len1,
                            record.kind) + record.link_data1 + record.link_data2
    # Blocks of 4 KB, each behind its header; the last one filled up.
    blocks = b""
    first_in_block = {}
    last_header = NO_LINK
    for record in records:
        first_in_block.setdefault(record.position // BLOCK_DATA, record)
    for block in range(max(1, (len(flat) + BLOCK_DATA - 1) // BLOCK_DATA)):
        data = flat[block * BLOCK_DATA:(block + 1) * BLOCK_DATA]
        data += b"\0" * (BLOCK_DATA - len(data))
        in_block = [r for r in records if r.position // BLOCK_DATA == block]
        last = reference(in_block[-1].position) if in_block else NO_LINK
        first = reference(first_in_block[block].position) if block in first_in_block else NO_LINK
        for r in in_block:
            if r.kind == 2:
                last_header = reference(r.position)
        blocks += struct.pack("<III", last, first, last_header) + data
    return blocks, offsets


def system_file(title, contents_offset):
    data = struct.pack("<HHHIH", 0x036C, 21, 1, 0, 0)
    title_bytes = title + b"\0"
    data += struct.pack("<HH", 1, len(title_bytes)) + title_bytes
    data += struct.pack("<HHI", 3, 4, contents_offset)
    return data


def font_file():
    faces = [b"Arial"]
    face_length = 20
    names = b"".join(f.ljust(face_length, b"\0") for f in faces)
    # Attributes (bit 0 bold), half points, family (3 swiss), face, colours.
    descriptors = [struct.pack("<BBBH3s3s", 0, 20, 3, 0, b"\0\0\0", b"\xff\xff\xff"),
                   struct.pack("<BBBH3s3s", 1, 26, 3, 0, b"\0\0\x80", b"\xff\xff\xff")]
    face_offset = 8
    descriptor_offset = face_offset + len(names)
    return struct.pack("<HHHH", len(faces), len(descriptors), face_offset, descriptor_offset) + names + \
        b"".join(descriptors)


def parse(source):
    """Title and topics; a topic's paragraphs are (kind, text) pairs of kind
    'text', 'item' or 'example', their text still Unicode."""
    title = "Aide"
    topics = []
    paragraph = []

    def close():
        if topics and paragraph:
            topics[-1]["paragraphs"].append(paragraph[0] if paragraph[0][0] != "text" else
                                            ("text", " ".join(t for _, t in paragraph)))
        paragraph.clear()

    for raw in source.splitlines():
        line = raw.rstrip()
        if line.startswith("# "):
            continue
        if line.startswith("@title "):
            title = line[7:]
            continue
        if line.startswith("== "):
            close()
            parts = line[3:].split(" ", 2)
            if len(parts) != 3:
                raise SystemExit("make_help: a topic needs a context, a number or '-', and a title: " + line)
            topics.append({"context": parts[0], "number": None if parts[1] == "-" else int(parts[1]),
                           "title": parts[2], "paragraphs": []})
            continue
        if not topics:
            if line:
                raise SystemExit("make_help: text before the first topic: " + line)
            continue
        if line.startswith("    "):
            close()
            topics[-1]["paragraphs"].append(("example", line[4:]))
        elif line.startswith("- "):
            close()
            paragraph.append(("item", line[2:]))
        elif line:
            if paragraph and paragraph[0][0] == "item":
                paragraph[0] = ("item", paragraph[0][1] + " " + line)
            else:
                paragraph.append(("text", line))
        else:
            close()
    close()
    if not topics:
        raise SystemExit("make_help: no topics")
    return title, topics


def hlp_topics(topics):
    """The topics with their texts as the help file carries them (Windows-1252)."""
    out = []
    for topic in topics:
        paragraphs = []
        for kind, text in topic["paragraphs"]:
            paragraphs.append(("\u2022 " + text if kind == "item" else text).encode("cp1252"))
        out.append(dict(topic, title=topic["title"].encode("cp1252"), paragraphs=paragraphs))
    return out


def page_name(topics, index):
    if index == 0:
        return "index.htm"
    name = topics[index]["context"].lower()
    return (name[4:] if name.startswith("idh_") else name) + ".htm"


def html_page(title, topics, index):
    topic = topics[index]
    body = []
    open_kind = None
    for kind, text in topic["paragraphs"]:
        if kind != open_kind and open_kind == "item":
            body.append("</ul>")
        if kind != open_kind and open_kind == "example":
            body.append("</pre>")
        if kind == "item":
            if open_kind != "item":
                body.append("<ul>")
            body.append("<li>" + html.escape(text, quote=False) + "</li>")
        elif kind == "example":
            body.append(("<pre>" if open_kind != "example" else "") + html.escape(text, quote=False))
        else:
            body.append("<p>" + html.escape(text, quote=False) + "</p>")
        open_kind = kind
    if open_kind == "item":
        body.append("</ul>")
    if open_kind == "example":
        body.append("</pre>")
    links = ['<li><a href="%s">%s</a></li>' % (page_name(topics, i), html.escape(t["title"], quote=False))
             for i, t in enumerate(topics) if i != index]
    nav = '<p class="nav"><a href="index.htm">Sommaire</a></p>' if index else ""
    contents = "<h2>Sommaire</h2>\n<ul>\n%s\n</ul>" % "\n".join(links) if index == 0 else ""
    return ("<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<title>%s - %s</title>\n<style>\nbody { font-family: Arial, sans-serif; max-width: 46em; "
            "margin: 1em auto; padding: 0 1em; line-height: 1.4; }\nh1 { color: #000080; font-size: 1.4em; }\n"
            "pre { background: #f0f0f4; padding: 0.5em; overflow-x: auto; }\n.nav { font-size: 0.9em; }\n"
            "</style>\n</head>\n<body>\n%s\n<h1>%s</h1>\n%s\n%s\n</body>\n</html>\n" % (
                html.escape(topic["title"], quote=False), html.escape(title, quote=False), nav,
                html.escape(topic["title"], quote=False), "\n".join(body), contents)).encode("utf-8")


def html_pages(source):
    """(name, bytes) of every page, the contents page first."""
    title, topics = parse(source)
    names = [page_name(topics, i) for i in range(len(topics))]
    if len(set(n.lower() for n in names)) != len(names):
        raise SystemExit("make_help: two topics give the same page name")
    return [(names[i], html_page(title, topics, i)) for i in range(len(topics))]


def page_bundle(pages):
    out = b"VTHP" + struct.pack("<I", len(pages))
    for name, data in pages:
        encoded = name.encode("ascii")
        out += struct.pack("<H", len(encoded)) + encoded + struct.pack("<I", len(data)) + data
    return out


def build(source):
    title, topics = parse(source)
    title, topics = title.encode("cp1252"), hlp_topics(topics)
    topic_blocks, offsets = build_topics(topics)
    contexts = sorted((context_hash(t["context"]), offsets[i]) for i, t in enumerate(topics))
    if len(set(h for h, _ in contexts)) != len(contexts):
        raise SystemExit("make_help: two context strings share a hash")
    context_entries = [struct.pack("<iI", h, o) for h, o in contexts]
    mapped = [(t["number"], offsets[i]) for i, t in enumerate(topics) if t["number"] is not None]
    files = {
        "|SYSTEM": system_file(title, offsets[0]),
        "|FONT": font_file(),
        "|TOPIC": topic_blocks,
        "|CONTEXT": btree("L4", 0x800, context_entries),
        "|CTXOMAP": struct.pack("<H", len(mapped)) + b"".join(struct.pack("<iI", n, o) for n, o in mapped),
    }
    out = bytearray(16)
    directory = []
    for name in sorted(files, key=lambda n: n.encode()):
        directory.append(name.encode() + b"\0" + struct.pack("<I", len(out)))
        out += file_header(files[name])
    directory_start = len(out)
    out += file_header(btree("z4", 0x400, directory, flags=0x0402))
    struct.pack_into("<IIiI", out, 0, 0x00035F3F, directory_start, -1, len(out))
    return bytes(out)


def main():
    if len(sys.argv) not in (3, 5):
        raise SystemExit("usage: make_help.py SOURCE.txt OUT.hlp [PAGES_DIR BUNDLE]")
    with open(sys.argv[1], encoding="utf-8") as source:
        text = source.read()
    with open(sys.argv[2], "wb") as out:
        out.write(build(text))
    if len(sys.argv) == 5:
        pages = html_pages(text)
        os.makedirs(sys.argv[3], exist_ok=True)
        # Pages of topics that are gone must not linger beside the new ones.
        for old in os.listdir(sys.argv[3]):
            if old.endswith(".htm"):
                os.remove(os.path.join(sys.argv[3], old))
        for name, data in pages:
            with open(os.path.join(sys.argv[3], name), "wb") as out:
                out.write(data)
        with open(sys.argv[4], "wb") as out:
            out.write(page_bundle(pages))


if __name__ == "__main__":
    main()
