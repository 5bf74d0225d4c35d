#!/usr/bin/env python3
"""make_corpus.py OUT.inc: ISO-2022-JP subjects and their Shift_JIS bytes, by Python's email.header
and codecs as the independent reference: each JIS X 0208 character they map alike, once, among
ASCII, in words of either marker, adjacent or apart."""
import base64
import sys
from email.header import decode_header

chars = ""
for row in range(0x21, 0x7F):
    for cell in range(0x21, 0x7F):
        jis = b"\x1b$B" + bytes((row, cell)) + b"\x1b(B"
        ch = jis.decode("iso2022_jp", "replace")  # U+FFFD, which maps back to neither
        if ch.encode("iso2022_jp", "replace") == jis and ch.encode("cp932", "replace").decode("cp932") == ch:
            chars += ch
with open(sys.argv[1], "w", encoding="ascii") as out:
    for n, start in enumerate(range(0, len(chars), 24)):
        text = chars[start:start + 24]
        # ASCII inside a word makes it switch back and forth.
        pieces = [text[:8] + "a", text[8:16], "Z " + text[16:]]
        marker = "=?iso-2022-jp?B?" if n % 4 == 3 else "=?ISO-2022-JP?B?"
        glue, plain = " " * (n % 2), "Re: " * (n % 3 > 0)
        words = [marker + base64.b64encode(p.encode("iso2022_jp")).decode() + "?=" for p in pieces]
        value = (plain + glue.join(words)).encode()
        shown = "".join(b.decode(cs or "ascii") for b, cs in decode_header(value.decode()))
        expected = shown.encode("cp932")
        # Three-digit octal escapes never run into the next byte.
        strings = ('"%s"' % "".join("\\%03o" % b for b in s) for s in (value, expected))
        out.write("{%s},\n" % ", ".join(strings))
