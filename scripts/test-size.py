#!/usr/bin/env python3
"""Test size against code size. Run from anywhere; counts the files git tracks.

code  = C++ of the library, its headers, the platform stand-ins and kxutil
        (include/, utility/, platform/, tools/kxutil/);
tests = the C++ under tests/ plus every hand-made data file under tests/data/,
        except published vectors, which live under tests/data/published/.
Lines are counted without blanks and comments (// and /* */ in C++, # in data).
Fuzz targets, published vectors, the test build files and scripts and the
release checks (release/) are shown on their own lines, outside the ratio.
The aim is 0.25 to 0.33; exit status 1 above 0.40."""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CXX = (".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp")
FILES = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True,
                       check=True).stdout.split()


def cxx_lines(text):
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    return sum(1 for l in text.splitlines() if l.strip() and not l.strip().startswith("//"))


def data_lines(text):
    return sum(1 for l in text.splitlines() if l.strip() and not l.strip().startswith("#"))


def total(pred, counter):
    n = 0
    for f in FILES:
        if pred(f):
            try:
                b = (ROOT / f).read_bytes()
            except OSError:
                continue
            if b"\0" not in b:
                n += counter(b.decode("utf-8", "replace"))
    return n


def under(f, *dirs):
    return f.startswith(dirs)


code = total(lambda f: under(f, "include/", "utility/", "platform/", "tools/kxutil/")
             and f.endswith(CXX), cxx_lines)
tcxx = total(lambda f: under(f, "tests/") and f.endswith(CXX), cxx_lines)
tdata = total(lambda f: under(f, "tests/data/") and not under(f, "tests/data/published/")
              and not f.endswith(CXX), data_lines)
pub = total(lambda f: under(f, "tests/data/published/"), data_lines)
fuzz = total(lambda f: under(f, "fuzz/") and f.endswith(CXX), cxx_lines)
other = total(lambda f: under(f, "tests/") and not under(f, "tests/data/")
              and not f.endswith(CXX), data_lines)
release = total(lambda f: under(f, "release/") and not f.endswith(".abi"),
                lambda t: data_lines(t) if "//" not in t else cxx_lines(t))
if code == 0:
    sys.exit("test-size: no code found")
ratio = (tcxx + tdata) / code
print(f"tests {tcxx + tdata} / code {code} = {ratio:.2f} (test C++ {tcxx}, hand-made data {tdata}); "
      f"not in the ratio: fuzz targets {fuzz}, published vectors {pub}, "
      f"test build files and scripts {other}")
print(f"release checks (release/, without the ABI baseline): {release}")
sys.exit(1 if ratio > 0.40 else 0)
