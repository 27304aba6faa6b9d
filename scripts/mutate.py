#!/usr/bin/env python3
"""Mutation testing: plants rule-made faults in the code, one at a time, and
runs the test suite against each.

Mutated code: utility/, platform/src/ and tools/kxutil/ (C++ only). Rules:
  rel     a relational or equality operator swapped (< <=, > >=, == !=)
  const   an integer constant +1 and -1
  logic   && and || exchanged
  not     a ! dropped
  delete  a statement (one line, a call or an assignment) deleted
  args    two neighbouring arguments of a call swapped
  return  a returned value replaced by {} (zero, false, empty, null)

Each mutant is built in build/mutate (the release preset, with ccache) and the
suite runs with ctest --stop-on-failure and a time limit. A mutant that does
not build is "stillborn". A mutant is keyed by its file, the original line's
text and the rule (with the match's index on the line), not by line number;
scripts/mutants-equivalent.txt lists the equivalent ones, one a line:
  file | original line | rule | why no test can tell it apart
The source is restored after every mutant, also on Ctrl-C.

  scripts/mutate.py                      # every mutant
  scripts/mutate.py --sample 300 --seed 7
  scripts/mutate.py --fixed              # the full run's small sample
  scripts/mutate.py --list               # print the mutants, run nothing
  scripts/mutate.py --only utility/timer # the mutants of some files only
  scripts/mutate.py --retry LOG          # the survivors of a run with --log LOG
Exit status 1 when a non-equivalent mutant survives (with --fixed) or the
score is below --min-score."""
import argparse
import os
import pathlib
import random
import re
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
DIRS = ("utility/", "platform/src/", "tools/kxutil/")
EQUIVALENT = ROOT / "scripts" / "mutants-equivalent.txt"
FIXED_SEED = 2026
FIXED_SIZE = 12
# The tests that run each time; the install test only repeats the build.
CTEST_EXCLUDE = "^install\\."

REL = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > ", " == ": " != ", " != ": " == "}
SKIP_LINE = re.compile(r"^\s*(#|//|\*|/\*|static_assert|namespace|using |template|case |default:)")
DECL_START = re.compile(r"^\s*(const|constexpr|static|auto|int|unsigned|long|char|bool|std::|"
                        r"void|return|struct|class|enum|typedef|using|KX|UTF|Utf|size_t|"
                        r"double|float|uint|int\d|FILE|[A-Z]\w*\s*[*&]?\s+\w+\s*[=;({])")


def code_spans(line):
    """(start, end) of the parts of line outside string/char literals and comments."""
    spans, i, start, n = [], 0, 0, len(line)
    while i < n:
        c = line[i]
        if line.startswith("//", i):
            break
        if c in "\"'":
            spans.append((start, i))
            i += 1
            while i < n and line[i] != c:
                i += 2 if line[i] == "\\" else 1
            start = i + 1
        i += 1
    spans.append((start, min(i, n)))
    return spans


def in_code(spans, pos, length=1):
    return any(a <= pos and pos + length <= b for a, b in spans)


def mutants_of_line(text):
    """[(rule, new line)] for one source line."""
    if SKIP_LINE.match(text) or not text.strip():
        return []
    spans = code_spans(text)
    out = []

    def each(pattern, rule, make):
        for k, m in enumerate(re.finditer(pattern, text)):
            if in_code(spans, m.start(), len(m.group(0))):
                for tag, new in make(m):
                    out.append((f"{rule}#{k}{tag}", text[:m.start()] + new + text[m.end():]))

    each(r" (<|<=|>|>=|==|!=) ", "rel", lambda m: [("", REL[m.group(0)])])
    each(r"(?<![\w.])(0x[0-9A-Fa-f]+|\d+)(u|U|ul|UL|ull|ULL|LL|L)?\b(?!\.)", "const",
         lambda m: [(t, fmt(m.group(1), d) + (m.group(2) or "")) for t, d in (("+1", 1), ("-1", -1))
                    if int(m.group(1), 0) + d >= 0])
    each(r"&&|\|\|", "logic", lambda m: [("", "||" if m.group(0) == "&&" else "&&")])
    each(r"!(?!=)", "not", lambda m: [("", "")])
    stripped = text.strip()
    if (stripped.endswith(";") and not DECL_START.match(text) and
            not stripped.endswith(("= delete;", "= default;")) and stripped.count("(") ==
            stripped.count(")") and not stripped.startswith(("}", "break", "continue"))):
        out.append(("delete", ""))
    each(r"\(([\w.:>\[\]-]+), ([\w.:>\[\]-]+)([,)])", "args",
         lambda m: [] if m.group(1) == m.group(2) else
         [("", f"({m.group(2)}, {m.group(1)}{m.group(3)}")])
    m = re.match(r"^(\s*return )(.+);\s*$", text)
    if m and m.group(2) not in ("0", "false", "nullptr", "{}", "KX_STATUS_OK", "0u"):
        out.append(("return", f"{m.group(1)}{{}};"))
    return [(rule, new) for rule, new in out if new != text]


def fmt(literal, delta):
    value = int(literal, 0) + delta
    return hex(value) if literal.lower().startswith("0x") else str(value)


def source_files():
    try:
        return subprocess.run(["git", "ls-files", *DIRS], cwd=ROOT, capture_output=True, text=True,
                              check=True).stdout.split()
    except (OSError, subprocess.CalledProcessError):  # a copy of the tree without git
        return [str(p.relative_to(ROOT)) for d in DIRS for p in (ROOT / d).rglob("*") if p.is_file()]


def all_mutants():
    files = source_files()
    mutants = []
    for f in sorted(files):
        if not f.endswith((".cpp", ".h")):
            continue
        lines = (ROOT / f).read_text().split("\n")
        comment = False
        seen = {}
        for number, text in enumerate(lines):
            # A line that repeats one above it is told apart by its count: "@2", "@3", ...
            seen[text.strip()] = seen.get(text.strip(), 0) + 1
            repeat = f"@{seen[text.strip()]}" if seen[text.strip()] > 1 else ""
            if "/*" in text and "*/" not in text:
                comment = True
            if comment:
                comment = "*/" not in text
                continue
            for rule, new in mutants_of_line(text):
                mutants.append({"file": f, "line": number, "text": text.strip(),
                                "rule": rule + repeat, "new": new})
    return mutants


def key(m):
    return f"{m['file']} | {m['text']} | {m['rule']}"


def equivalents():
    listed = {}
    if EQUIVALENT.exists():
        for line in EQUIVALENT.read_text().splitlines():
            if line.strip() and not line.startswith("#"):
                # file | line text (which may hold " | " itself) | rule | reason
                parts = line.split(" | ")
                listed[" | ".join(parts[:-1])] = parts[-1]
    return listed


def run(cmd, timeout=None):
    try:
        return subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              text=True, timeout=timeout, start_new_session=True).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def configure(build):
    if not (ROOT / build / "build.ninja").exists():
        subprocess.run(["cmake", "--preset", "release", "-B", build,
                        "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DKX_BUILD_EXAMPLES=OFF",
                        "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    if run(["cmake", "--build", build]) != 0:
        sys.exit("mutate: the unmutated tree does not build")
    if run(["ctest", "--test-dir", build, "-E", CTEST_EXCLUDE, "-j2"]) != 0:
        sys.exit("mutate: the suite fails without a mutant")


def test_mutant(m, build, timeout):
    path = ROOT / m["file"]
    original = path.read_text()
    lines = original.split("\n")
    assert lines[m["line"]].strip() == m["text"], "source changed under the mutant list"
    lines[m["line"]] = m["new"]
    try:
        path.write_text("\n".join(lines))
        if run(["cmake", "--build", build], timeout=600) != 0:
            return "stillborn"
        status = run(["ctest", "--test-dir", build, "-E", CTEST_EXCLUDE, "-j2",
                      "--stop-on-failure", "--timeout", str(timeout)], timeout=timeout * 4)
        return "survived" if status == 0 else "killed"
    finally:
        path.write_text(original)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    p.add_argument("--sample", type=int, default=0, help="a seeded sample of this many (0: all)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--fixed", action="store_true",
                   help=f"the full run's sample: seed {FIXED_SEED}, {FIXED_SIZE} mutants")
    p.add_argument("--list", action="store_true")
    p.add_argument("--only", nargs="+", metavar="PREFIX", help="mutate only these paths")
    p.add_argument("--retry", metavar="LOG", help="run again the survivors of an earlier --log")
    p.add_argument("--build", default="build/mutate")
    p.add_argument("--timeout", type=int, default=60, help="seconds per test")
    p.add_argument("--min-score", type=float, default=0.0)
    p.add_argument("--log", help="append one line per mutant to this file")
    a = p.parse_args()
    if a.fixed:
        a.seed, a.sample = FIXED_SEED, FIXED_SIZE
    mutants = all_mutants()
    if a.only:
        mutants = [m for m in mutants if m["file"].startswith(tuple(a.only))]
    chosen = mutants
    if a.retry:
        again = {line.split(" => ")[0].split("s ", 1)[1].strip()
                 for line in pathlib.Path(a.retry).read_text().splitlines() if "] survived " in line}
        chosen = [m for m in mutants if key(m) in again]
    elif a.sample and a.sample < len(mutants):
        chosen = random.Random(a.seed).sample(mutants, a.sample)
    listed = equivalents()
    stale = set(listed) - {key(m) for m in mutants}
    for k in sorted(stale if not a.only else ()):
        print(f"mutate: listed as equivalent but no longer made: {k}")
    if a.list:
        for m in chosen:
            print(f"{m['file']}:{m['line'] + 1}: {m['rule']}: {m['new'].strip()}")
        print(f"{len(chosen)} of {len(mutants)} mutants")
        return 0
    # SIGTERM ends the run as Ctrl-C does, through the restoring finally.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    configure(a.build)
    counts = {"killed": 0, "survived": 0, "stillborn": 0, "equivalent": 0, "sanitize": 0}
    survivors = []
    start = time.time()
    log = open(a.log, "a") if a.log else None
    for n, m in enumerate(sorted(chosen, key=lambda m: (m["file"], m["line"])), 1):
        t = time.time()
        if key(m) in listed:
            # "sanitize: ..." names a mutant that the sanitize preset's run of the suite kills
            # (a use after free, a write out of bounds) and the release tree cannot see;
            # "armv6: ..." one in code that only the ARM build compiles.
            outcome = ("sanitize" if listed[key(m)].startswith(("sanitize:", "armv6:"))
                       else "equivalent")
        else:
            outcome = test_mutant(m, a.build, a.timeout)
        counts[outcome] += 1
        line = f"[{n}/{len(chosen)}] {outcome:10} {time.time() - t:5.1f}s {key(m)} => {m['new'].strip()}"
        print(line, flush=True)
        if log:
            print(line, file=log, flush=True)
        if outcome == "survived":
            survivors.append(m)
    run(["cmake", "--build", a.build])  # the tree as committed again
    killed = counts["killed"] + counts["sanitize"]
    live = killed + counts["survived"]
    score = killed / live if live else 1.0
    print(f"mutate: seed {a.seed}, {len(chosen)} of {len(mutants)} mutants: "
          f"{killed} killed of {live} non-equivalent ({100 * score:.1f} %; {counts['sanitize']} of "
          f"them listed as killed under the sanitize or armv6 preset), "
          f"{counts['equivalent']} equivalent, {counts['stillborn']} stillborn, "
          f"{time.time() - start:.0f} s")
    for m in survivors:
        print(f"survived: {key(m)}  =>  {m['new'].strip()}")
    if (a.fixed and survivors) or score < a.min_score:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
