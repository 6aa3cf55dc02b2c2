#!/usr/bin/env python3
"""The help quotes the program's windows, pages, buttons, menus and options between
« and » (setup/help/app_help.txt). Each quoted name must be a text of the program's
resource scripts (.rc files under ROOT), compared after dropping the '&' that marks an
access key, the key shown after a tab ("Lire\\tF9" is "Lire") and blanks at either
end; a text of several lines may also be quoted by one of its lines. Prints each name that is not there and exits 1 when there is one.
    check-help-names.py HELP_SOURCE ROOT"""
import os
import re
import sys

LITERAL = re.compile(r'"((?:[^"]|"")*)"')
QUOTED = re.compile(r"«([^«»]*)»")


def normalise(text):
    text = text.replace('""', '"').replace("&&", "\0").replace("&", "").replace("\0", "&")
    return text.split("\\t")[0].strip()


def resource_texts(root):
    texts = set()
    for base, dirs, names in os.walk(root):
        dirs[:] = [d for d in dirs if d not in ("build", "tests", ".git")]
        for name in names:
            if name.endswith(".rc"):
                with open(os.path.join(base, name), encoding="utf-8") as f:
                    for line in f:
                        if line.lstrip().startswith("#include"):
                            continue
                        for literal in LITERAL.findall(line):
                            # A text of several lines may be quoted by any one of them.
                            texts.add(normalise(literal))
                            texts.update(normalise(part) for part in literal.split("\\n"))
    return texts


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: check-help-names.py HELP_SOURCE ROOT")
    texts = resource_texts(sys.argv[2])
    with open(sys.argv[1], encoding="utf-8") as f:
        source = "\n".join(line for line in f if not line.startswith("# "))
    names = QUOTED.findall(source)
    if not names:
        print("no quoted names in " + sys.argv[1])
        return 1
    missing = sorted(set(n for n in names if n.strip() not in texts))
    for name in missing:
        print("not in the resources: «%s»" % name)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
