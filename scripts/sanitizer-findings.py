#!/usr/bin/env python3
"""Reads what the sanitizers wrote during a test run (one file per process,
named <test>.<pid>, see tests/CMakeLists.txt) and prints the findings; exits 1
when there is any.

Every error report is a finding. Of the leaks, only those allocated through
the program's own code count (a frame in SOURCE_DIR/src/): the toolkit and
the system libraries keep caches and singletons until the process ends, and
what the test programs themselves leave behind is theirs. What the tools say
of themselves (a leak check that could not stop a process's threads) is
shown, and is no finding.

    scripts/sanitizer-findings.py REPORTS_DIR SOURCE_DIR
"""

import os
import re
import sys

FRAME = re.compile(r"^\s*#\d+ 0x[0-9a-f]+ in .*? (\S+?):\d+(?::\d+)?$")


def own_frames(block, src):
    """The frames of `block` whose source file lies below `src`."""
    out = []
    for line in block.splitlines():
        m = FRAME.match(line)
        if m and os.path.normpath(m.group(1)).startswith(src + os.sep):
            out.append(line)
    return out


def leaks_of_our_own(text, src):
    """The leak blocks of a LeakSanitizer report allocated through `src`."""
    blocks = re.split(r"\n\s*\n", text)
    return [b.strip("\n") for b in blocks
            if re.match(r"\s*(Direct|Indirect) leak of", b) and own_frames(b, src)]


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    reports, src = sys.argv[1], os.path.join(os.path.abspath(sys.argv[2]), "src")
    findings = 0
    leaks_left_out = 0
    notes = 0
    names = sorted(os.listdir(reports)) if os.path.isdir(reports) else []
    for name in names:
        with open(os.path.join(reports, name), errors="replace") as f:
            text = f.read()
        test = name.rsplit(".", 1)[0]
        if "ERROR: LeakSanitizer" in text and not re.search(r"ERROR: (AddressSanitizer|UndefinedBehavior)|runtime error:", text):
            own = leaks_of_our_own(text, src)
            if not own:
                leaks_left_out += 1
                continue
            findings += 1
            print("==== %s (%s): leaks allocated through src/" % (test, name))
            print("\n\n".join(own))
            print()
            continue
        if not text.strip():
            continue
        if not re.search(r"ERROR: |runtime error:", text):
            notes += 1
            print("==== %s (%s): the sanitizers' own message, no finding" % (test, name))
            print(text.rstrip("\n"))
            print()
            continue
        findings += 1
        print("==== %s (%s)" % (test, name))
        print(text.rstrip("\n"))
        print()
    print("sanitizers: %d finding(s) in %d report(s); %d process(es) leaked only outside src/; %d message(s) of"
          " the tools themselves" % (findings, len(names), leaks_left_out, notes))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
