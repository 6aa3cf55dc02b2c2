#!/usr/bin/python3
"""The tags of a file as an independent reader (mutagen) sees them, and test files
made by it.
  fields FILE   the seven fields as NAME=value lines (ID3v2 values win over ID3v1)
  frames FILE   one line per ID3v2 frame: its key and a digest of its content
  version FILE  the ID3v2 version ("2.3.0") or "none"
  make23 FILE / make24 FILE   writes a tag full of frames of many kinds
"""
import hashlib
import sys

from mutagen.id3 import (APIC, COMM, ID3, PCNT, POPM, PRIV, TALB, TCON, TENC, TIT2, TPE1, TPE2, TRCK, TXXX,
                         TYER, TDRC, UFID, USLT, WOAR, WXXX, Encoding, ID3NoHeaderError)
from mutagen.id3 import ParseID3v1


def v1_fields(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 128 or data[-128:-125] != b"TAG":
        return {}
    frames = ParseID3v1(data[-128:]) or {}
    out = {}
    for key, name in (("TIT2", "TITLE"), ("TPE1", "ARTIST"), ("TALB", "ALBUM"), ("TRCK", "TRACKNUMBER"),
                      ("TDRC", "DATE")):
        if key in frames and str(frames[key]):
            out[name] = str(frames[key])
    if "TCON" in frames:
        out["GENRE"] = frames["TCON"].genres[0]
    for frame in frames.values():
        if frame.FrameID == "COMM" and str(frame):
            out["COMMENT"] = str(frame)
    return out


def fields(path):
    out = v1_fields(path)
    try:
        tag = ID3(path, v2_version=4, translate=False)
    except ID3NoHeaderError:
        return out
    for key, name in (("TIT2", "TITLE"), ("TPE1", "ARTIST"), ("TALB", "ALBUM"), ("TRCK", "TRACKNUMBER"),
                      ("TYER", "DATE"), ("TDRC", "DATE")):
        if key in tag and str(tag[key]):
            out[name] = str(tag[key])
    if "TCON" in tag and tag["TCON"].genres:
        out["GENRE"] = tag["TCON"].genres[0]
    for frame in tag.getall("COMM"):
        if frame.desc == "" and str(frame):
            out["COMMENT"] = str(frame)
    return out


def frames(path):
    try:
        tag = ID3(path, translate=False, load_v1=False)
    except ID3NoHeaderError:
        return []
    lines = []
    for frame in tag.values():
        lines.append("%s %s" % (frame.HashKey, hashlib.sha1(repr(frame).encode()).hexdigest()[:12]))
    return sorted(lines)


def make(path, version):
    tag = ID3()
    utf16 = Encoding.UTF16
    text_enc = Encoding.UTF8 if version == 4 else utf16
    tag.add(TIT2(encoding=text_enc, text="Titre « été »"))
    tag.add(TPE1(encoding=Encoding.LATIN1, text="Artiste"))
    tag.add(TALB(encoding=text_enc, text="Album 😀 étoile"))
    tag.add(TCON(encoding=Encoding.LATIN1, text="(17)"))
    tag.add(TRCK(encoding=Encoding.LATIN1, text="4/12"))
    if version == 4:
        tag.add(TDRC(encoding=Encoding.LATIN1, text="2004-05-06"))
    else:
        tag.add(TYER(encoding=Encoding.LATIN1, text="2004"))
    tag.add(TENC(encoding=Encoding.LATIN1, text="encodeur"))
    tag.add(TPE2(encoding=utf16, text="Orchestre"))
    tag.add(COMM(encoding=utf16, lang="fra", desc="", text="Un commentaire"))
    tag.add(COMM(encoding=Encoding.LATIN1, lang="eng", desc="iTunNORM", text=" 0000044E 00000520"))
    tag.add(APIC(encoding=Encoding.LATIN1, mime="image/png", type=3, desc="cover",
                 data=bytes(range(256)) * 3))
    tag.add(PRIV(owner="www.example.org", data=b"\x00\x01\xff\x00secret"))
    tag.add(POPM(email="someone@example.org", rating=196, count=7))
    tag.add(PCNT(count=42))
    tag.add(UFID(owner="http://musicbrainz.org", data=b"0123-4567"))
    tag.add(TXXX(encoding=utf16, desc="REPLAYGAIN_TRACK_GAIN", text="-3.1 dB"))
    tag.add(WXXX(encoding=Encoding.LATIN1, desc="", url="http://example.org/"))
    tag.add(WOAR(url="http://artist.example.org/"))
    tag.add(USLT(encoding=utf16, lang="fra", desc="", text="Des paroles\nsur deux lignes"))
    tag.save(path, v2_version=version, v1=0)


def main():
    command, path = sys.argv[1], sys.argv[2]
    if command == "fields":
        for name, value in sorted(fields(path).items()):
            print("%s=%s" % (name, value))
    elif command == "frames":
        print("\n".join(frames(path)))
    elif command == "version":
        try:
            print("%d.%d.%d" % ID3(path, load_v1=False).version)
        except ID3NoHeaderError:
            print("none")
    elif command == "make23":
        make(path, 3)
    elif command == "make24":
        make(path, 4)
    else:
        sys.exit("unknown command")


if __name__ == "__main__":
    main()
