#!/usr/bin/env python3
"""Checks that the administrator's guide (docs/*.md) shows the sensor as it is.

The guide's examples are scenario folders below docs/examples/, which CTest runs on
both builds; this check ties the pages to them:
  <!-- file: PATH -->   the fenced block that follows is the file PATH (relative to
                        the page), byte for byte
  <!-- run: FOLDER -->  the fenced block that follows is a console session of the
                        example FOLDER: "<cwd>><program ending in Korvanel.exe> <args>",
                        its standard output ({hh:mm:ss} in the folder's stdout stands for
                        any time), an empty line, "<cwd>>echo %ERRORLEVEL%" and the status
Besides: every `Error 10..` code span is a message the sources can produce, every
`korvanel-password: ...` one a message of the password tool, every relative link
resolves inside docs/ (to a heading, when it names one), and every example folder is
shown or linked.
"""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import expected_pattern, read_lines  # noqa: E402

MARKER = re.compile(r"^<!-- (file|run): (.+?) -->$")
FENCE = re.compile(r"^(```+)")
LINK = re.compile(r"\]\(<?([^)>]+)>?\)")
CODE_SPAN = re.compile(r"`([^`]+)`")
COMMAND = re.compile(r'^(?P<cwd>[A-Za-z]:\\[^>]*)>(?P<program>"[^"]*Korvanel\.exe"|\S*Korvanel\.exe)(?P<args>.*)$')
SOURCE_FOLDERS = ("run", "config", "rfc", "measure", "output")
TOOL_PREFIX = "korvanel-password: "


def fenced_block(lines, start):
    """The text of the fenced block that opens at lines[start], and the index after it."""
    fence = FENCE.match(lines[start])
    if not fence:
        return None, start
    body = []
    for index in range(start + 1, len(lines)):
        if lines[index].rstrip() == fence.group(1):
            return "".join(line + "\n" for line in body), index + 1
        body.append(lines[index])
    return None, len(lines)


def quoted(argument):
    return '"%s"' % argument if argument == "" or " " in argument else argument


def check_run(folder, block):
    """Problems of a console session against its example folder (empty when it matches)."""
    lines = block.split("\n")
    command = COMMAND.match(lines[0])
    if not command:
        return ["the session does not open with a Korvanel.exe command: %r" % lines[0]]
    cwd = (read_lines(os.path.join(folder, "cwd")) or ["C:\\work"])[0]
    arguments = read_lines(os.path.join(folder, "args")) or []
    status = (read_lines(os.path.join(folder, "status")) or ["0"])[0]
    problems = []
    if command.group("cwd") != cwd:
        problems.append("working directory %s, the example runs in %s" % (command.group("cwd"), cwd))
    expected_args = "".join(" " + quoted(a) for a in arguments)
    if command.group("args") != expected_args:
        problems.append("arguments %r, the example passes %r" % (command.group("args"), expected_args))
    closing = "\n\n%s>echo %%ERRORLEVEL%%\n%s\n" % (cwd, status)
    rest = "\n".join(lines[1:])
    if not rest.endswith(closing):
        problems.append("the session does not end with the example's exit status:%s" % closing.rstrip())
        return problems
    output = rest[: -len(closing)] + "\n"
    with open(os.path.join(folder, "stdout"), "rb") as f:
        expected = f.read()
    if not expected_pattern(expected).match(output.encode("latin-1")):
        problems.append("the output differs from %s/stdout" % os.path.basename(folder))
    return problems


def message_patterns(source_dir):
    """The "Error ..." texts of the program's sources, %s standing for any text."""
    patterns = []
    for folder in SOURCE_FOLDERS:
        for name in sorted(os.listdir(os.path.join(source_dir, folder))):
            if not name.endswith(".cpp") or name.endswith("_test.cpp"):
                continue
            with open(os.path.join(source_dir, folder, name), encoding="latin-1") as f:
                for literal in re.findall(r'"(Error [^"]*)"', f.read()):
                    pieces = [re.escape(p) for p in literal.split("%s")]
                    # A text that ends in a blank is continued by the caller (an exception name).
                    ending = "(.*)" if literal.endswith(" ") else ""
                    patterns.append(re.compile("^" + "(.*)".join(pieces) + ending))
    return patterns


def is_message(pattern, span):
    """True when `span` is the message of `pattern`, possibly followed by a trace diagnosis."""
    match = pattern.match(span)
    return match is not None and (match.end() == len(span) or span[match.end():].startswith(" - "))


def heading_anchors(page):
    """The anchors that a Markdown renderer gives the headings of `page`."""
    anchors = set()
    with open(page, encoding="utf-8") as f:
        for line in f:
            heading = re.match(r"^#+ (.*)$", line.rstrip("\n"))
            if heading:
                text = re.sub(r"[^\w\- ]", "", heading.group(1).lower())
                anchors.add(text.replace(" ", "-"))
    return anchors


def tool_source(source_dir):
    with open(os.path.join(source_dir, "password_tool", "korvanel_password.cpp"), encoding="latin-1") as f:
        return f.read()


def check_page(page, docs_dir, patterns, tool_text, referenced):
    problems = []
    with open(page, encoding="utf-8") as f:
        lines = f.read().split("\n")
    here = os.path.dirname(page)
    index = 0
    while index < len(lines):
        line = lines[index]
        marker = MARKER.match(line)
        if marker:
            kind, target = marker.groups()
            path = os.path.normpath(os.path.join(here, target))
            block, index = fenced_block(lines, index + 1)
            where = "%s:%d" % (os.path.relpath(page, docs_dir), index)
            if block is None:
                problems.append("%s: no fenced block after the %s marker" % (where, kind))
                continue
            referenced.add(path)
            if not os.path.exists(path):
                problems.append("%s: %s does not exist" % (where, target))
            elif kind == "file":
                with open(path, "rb") as f:
                    if f.read() != block.encode("utf-8"):
                        problems.append("%s: the block differs from %s" % (where, target))
            else:
                problems += ["%s: %s" % (where, p) for p in check_run(path, block)]
            continue
        if FENCE.match(line):
            _, index = fenced_block(lines, index)
            continue
        where = "%s:%d" % (os.path.relpath(page, docs_dir), index + 1)
        for target in LINK.findall(line):
            if re.match(r"^[a-z]+:", target):
                continue
            file_part, _, anchor = target.partition("#")
            path = os.path.normpath(os.path.join(here, file_part)) if file_part else page
            referenced.add(path)
            if not path.startswith(docs_dir + os.sep) and path != docs_dir:
                problems.append("%s: link %s leaves docs/" % (where, target))
            elif not os.path.exists(path):
                problems.append("%s: link %s leads nowhere" % (where, target))
            elif anchor and anchor not in heading_anchors(path):
                problems.append("%s: link %s names no heading of its page" % (where, target))
        for span in CODE_SPAN.findall(line):
            if span.startswith("Error 10") and not any(is_message(p, span) for p in patterns):
                problems.append("%s: no message of the program reads `%s`" % (where, span))
            if span.startswith(TOOL_PREFIX) and '"%s"' % span[len(TOOL_PREFIX):] not in tool_text:
                problems.append("%s: the password tool has no message `%s`" % (where, span))
        index += 1
    return problems


def check_guide(source_dir):
    """The problems of the guide below source_dir/docs, and the number of its pages."""
    docs_dir = os.path.join(source_dir, "docs")
    patterns = message_patterns(source_dir)
    tool_text = tool_source(source_dir)
    referenced = set()
    problems = []
    pages = sorted(os.path.join(docs_dir, n) for n in os.listdir(docs_dir) if n.endswith(".md"))
    for page in pages:
        problems += check_page(page, docs_dir, patterns, tool_text, referenced)
    examples_dir = os.path.join(docs_dir, "examples")
    for name in sorted(os.listdir(examples_dir)):
        folder = os.path.join(examples_dir, name)
        if os.path.isdir(folder) and not any(r == folder or r.startswith(folder + os.sep) for r in referenced):
            problems.append("the example %s is neither shown nor linked in the guide" % name)
    return problems, len(pages)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, help="the source tree (holding docs/)")
    args = parser.parse_args()
    problems, pages = check_guide(os.path.abspath(args.source))
    for problem in problems:
        print(problem)
    print("guide: %d pages, %d problems" % (pages, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
