#!/usr/bin/python3
"""Reads one saved message with Python's email package and writes what a reader sees:
<out>.subject and <out>.body (UTF-8 text), <out>.names (attachment file names, one a
line) and <out>.<i> (attachment i's bytes). Exit 1 when the message does not parse.

usage: mail_check.py MESSAGE.eml OUT"""
import email
import email.policy
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    out = sys.argv[2]
    with open(out + ".subject", "w", encoding="utf-8") as f:
        f.write(str(message["subject"]))
    body = message.get_body(preferencelist=("plain",))
    with open(out + ".body", "w", encoding="utf-8", newline="") as f:
        f.write(body.get_content() if body is not None else "")
    names = []
    for i, part in enumerate(message.iter_attachments()):
        names.append("%s %s" % (part.get_filename(), part.get_content_type()))
        with open("%s.%d" % (out, i), "wb") as f:
            f.write(part.get_payload(decode=True))
    with open(out + ".names", "w", encoding="utf-8", errors="replace") as f:
        f.write("\n".join(names))
    return 0 if not message.defects else 1


if __name__ == "__main__":
    sys.exit(main())
