#!/usr/bin/env python3
"""Checks that an HTML5 file is well formed: a doctype, every element that
is not void closed in order, no stray end tags, attributes not repeated.
Prints the problems and exits 1, or prints a summary and exits 0:
"ul=<count> maxdepth=<deepest ul nesting> img=<count>"."""
import sys
from html.parser import HTMLParser

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
        "source", "track", "wbr"}


class Checker(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.problems = [], []
        self.doctype = False
        self.ul = self.depth = self.maxdepth = self.img = 0

    def handle_decl(self, decl):
        self.doctype = self.doctype or decl.lower() == "doctype html"

    def handle_starttag(self, tag, attrs):
        names = [a for a, _ in attrs]
        if len(names) != len(set(names)):
            self.problems.append("repeated attribute in <%s> at %s" % (tag, self.getpos()))
        if tag == "img":
            self.img += 1
            src = dict(attrs).get("src", "")
            if not src.startswith("data:image/png;base64,"):
                self.problems.append("image not embedded at %s" % (self.getpos(),))
        if tag in VOID:
            return
        self.stack.append(tag)
        if tag == "ul":
            self.ul += 1
            self.depth += 1
            self.maxdepth = max(self.maxdepth, self.depth)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.handle_endtag(tag)

    def handle_endtag(self, tag):
        if tag in VOID:
            self.problems.append("end tag of void <%s> at %s" % (tag, self.getpos()))
            return
        if not self.stack or self.stack[-1] != tag:
            self.problems.append("</%s> at %s closes <%s>" % (tag, self.getpos(),
                                 self.stack[-1] if self.stack else "nothing"))
            return
        self.stack.pop()
        if tag == "ul":
            self.depth -= 1


def main():
    data = open(sys.argv[1], "rb").read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        print("not UTF-8:", e)
        return 1
    c = Checker()
    c.feed(text)
    c.close()
    if not c.doctype:
        c.problems.append("no <!DOCTYPE html>")
    if c.stack:
        c.problems.append("unclosed: " + " ".join(c.stack))
    if c.problems:
        print("\n".join(c.problems))
        return 1
    print("ul=%d maxdepth=%d img=%d" % (c.ul, c.maxdepth, c.img))
    return 0


if __name__ == "__main__":
    sys.exit(main())
