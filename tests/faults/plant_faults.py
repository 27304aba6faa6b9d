#!/usr/bin/env python3
"""Plants one-line bugs in the library, one at a time, and runs the suite on each.

Usage: tests/faults/plant_faults.py SOURCE_DIR BUILD_DIR [FAULT_NAME...]

SOURCE_DIR is a copy of the repository (the faults are written into it and
reverted); BUILD_DIR a configured build of it. For every fault the script
applies the edit, rebuilds, runs ctest (all tests but the slow install
check) and restores the file. A fault is caught when ctest fails; the
failing tests are listed. Run it on a copy, never on a work tree with edits.
"""
import pathlib
import subprocess
import sys

# name, file, text to find (exactly once), replacement. Where the code has changed, a fault
# has one variant per version; the first that applies is planted.
FAULTS = [
    ("engine: one wrong T2 table entry", "utility/aes/aes_algo.cpp",
     "T2[x] = Rotl32(te, 16);", "T2[x] = Rotl32(te, 16) ^ (x == 0x3C ? 0x100u : 0u);"),
    ("engine: ShiftRows offset C2 of 256-bit blocks", "utility/aes/aes_algo.cpp",
     "c2 = NB == 8 ? 3 : 2;", "c2 = NB == 8 ? 2 : 2;"),
    ("engine: InvShiftRows turns the wrong way", "utility/aes/aes_algo.cpp",
     "D1[(a[(C + NB - S::c1) % NB] >> 8) & 0xFF]", "D1[(a[(C + S::c1) % NB] >> 8) & 0xFF]"),
    ("engine: ShiftRows offset C2 of 256-bit blocks", "utility/aes/aes_algo.cpp",
     ": row == 2 ? (NB == 8 ? 3 : 2)", ": row == 2 ? (NB == 8 ? 2 : 2)"),
    ("engine: InvShiftRows turns the wrong way", "utility/aes/aes_algo.cpp",
     "return (Inverse ? c + NB - shift : c + shift) % NB;", "return (c + shift) % NB;"),
    ("engine: CBC encryption chains the plain block", "utility/aes/aes_algo.cpp",
     "std::memcpy(chain, out, B);", "std::memcpy(chain, in, B);"),
    ("engine: CBC encryption chains the plain block", "utility/aes/aes_algo.cpp",
     "Cols([&](auto c) { chain[c] = a[c]; });",
     "Cols([&](auto c) { chain[c] = LoadWord(in + 4 * c); });"),
    ("engine: CBC decryption chains the output block", "utility/aes/aes_algo.cpp",
     "    prev = in;", "    prev = out;"),
    ("engine: CBC decryption chains the output block", "utility/aes/aes_algo.cpp",
     "previous = Inverse ? in : out,", "previous = out,"),
    ("engine: decryption schedule skips InvMixColumns of round key 1", "utility/aes/aes_algo.cpp",
     "for (int i = Nb; i < Nr * Nb; ++i) {", "for (int i = 2 * Nb; i < Nr * Nb; ++i) {"),
    ("engine: AES-256 key schedule without the extra SubWord", "utility/aes/aes_algo.cpp",
     "} else if (Nk > 6 && i % Nk == 4) {", "} else if (Nk > 8 && i % Nk == 4) {"),
    ("engine: 12 rounds for a 256-bit key and 192-bit block", "utility/aes/aes_algo.cpp",
     "{12, 12, 14}", "{12, 12, 12}"),
    ("facade: no pad block for a whole number of blocks", "utility/crypto/kxaes.cpp",
     "const std::size_t pad = kBlockSize - length % kBlockSize;",
     "const std::size_t pad = kBlockSize - length % kBlockSize - (length % kBlockSize == 0);"),
    ("facade: Base64 of one trailing byte padded with 'A='", "utility/crypto/base64.cpp",
     "? kAlphabet[(next & 0x0F) << 2] : '=';", "? kAlphabet[(next & 0x0F) << 2] : 'A';"),
    ("facade: Base64 alphabet ends in -_", "utility/crypto/base64.cpp",
     "0123456789+/\";", "0123456789-_\";"),
    ("facade: key-length message without its final period", "utility/crypto/kxaes.cpp",
     "<< \".\" << std::endl;", "<< std::endl;"),
    ("facade: key-length message without its final period", "utility/crypto/kxaes.cpp",
     "std::to_string(kKeySize) + \".\")", "std::to_string(kKeySize))"),
    ("timer: one-shot due at its deadline (<= instead of <)", "utility/timer/timer.cpp",
     "if (!(it->second < now)) {", "if (!(it->second <= now)) {"),
    ("timer: repeat re-armed from its deadline, catching up", "utility/timer/timer.cpp",
     "it->second.deadline = now + it->second.interval;",
     "it->second.deadline += it->second.interval;"),
    ("timer: one-shots dispatched in descending listener order", "include/KXAPI/KXTimer.h",
     "std::map<KXEventListener*, unsigned long> oneShotTimeouts;",
     "std::map<KXEventListener*, unsigned long, std::greater<>> oneShotTimeouts;"),
    ("timer: a fired one-shot stays installed", "utility/timer/timer.cpp",
     "it = oneShotTimeouts.erase(it);", "++it;"),
    ("tokenizer: empty tokens dropped", "utility/text/string_tokenizer.cpp",
     "tokens.push_back(text.substr(pos, delimiter - pos));",
     "if (delimiter > pos) tokens.push_back(text.substr(pos, delimiter - pos));"),
    ("utf: overlong three-byte form after E0 accepted", "platform/src/convert_utf.cpp",
     "low = 0xA0;", "low = 0x80;"),
    ("system: month table swaps Jun and Jul", "utility/system/os_build_date.cpp",
     "\"May\", \"Jun\",", "\"May\", \"Jul\","),
    ("system: strtol base 10", "utility/system/file_reader.cpp",
     "std::strtol(text.c_str(), nullptr, 0);", "std::strtol(text.c_str(), nullptr, 10);"),
    ("system: the last mount-table entry of a device wins", "utility/system/mount_table.cpp",
     "if (device == entry->mnt_fsname) {",
     "if (device == entry->mnt_fsname && !(*mountPath = entry->mnt_dir).empty()) continue; if (false) {"),
    ("system: the last removable medium wins", "utility/system/mount_table.cpp",
     "          break;\n", "\n"),
    ("system: minor version at offset 25", "utility/system/package_version.cpp",
     "kMinorOffset = 26;", "kMinorOffset = 25;"),
    ("system: build day taken 3rd from the end", "utility/system/os_build_date.cpp",
     "kDayFromEnd = 4;", "kDayFromEnd = 3;"),
    ("system: getDiskSpace saturation ignores the block size", "utility/system/disk_space.cpp",
     "(kLargest + 1) * kMebibyte / blockSize", "(kLargest + 1) * kMebibyte"),
    ("system: disk space without the USED_SPACE case", "utility/system/disk_space.cpp",
     "count = blocks > freeBlocks ? blocks - freeBlocks : 0;", "count = blocks - freeBlocks;"),
    ("system: missing-file report names the wrong kind of file", "utility/system/file_reader.cpp",
     "\"Error opening device file \"", "\"Error opening file \""),
    ("system: backtrace marks a cut only when the walk is short", "utility/system/backtrace.cpp",
     "if (walked == total) {", "if (walked < total) {"),
]


def main():
    src, build = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    wanted = set(sys.argv[3:])
    rows = []
    names = list(dict.fromkeys(fault[0] for fault in FAULTS))
    for name in names:
        if wanted and name not in wanted:
            continue
        variants = [f for f in FAULTS if f[0] == name and (src / f[1]).read_text().count(f[2]) == 1]
        if not variants:
            rows.append((name, "not applicable", ""))
            print(f"{name}: not applicable", flush=True)
            continue
        _, rel, find, replace = variants[0]
        path = src / rel
        original = path.read_text()
        path.write_text(original.replace(find, replace))
        try:
            built = subprocess.run(["cmake", "--build", str(build), "-j2"],
                                   capture_output=True, text=True)
            if built.returncode != 0:
                rows.append((name, "does not build", ""))
            else:
                run = subprocess.run(["ctest", "--test-dir", str(build), "-E", "install",
                                      "-j2", "--timeout", "300"], capture_output=True, text=True)
                failed = [l.split(" - ")[1].split(" (")[0].strip()
                          for l in run.stdout.splitlines() if " - " in l and "(Failed" in l
                          or " - " in l and "(Subprocess" in l or " - " in l and "(Timeout" in l]
                rows.append((name, "caught" if run.returncode else "MISSED", ", ".join(failed)))
        finally:
            path.write_text(original)
        print(f"{rows[-1][0]}: {rows[-1][1]} {rows[-1][2]}", flush=True)
    subprocess.run(["cmake", "--build", str(build), "-j2"], capture_output=True)
    missed = [r for r in rows if r[1] != "caught"]
    print(f"{len(rows) - len(missed)} caught, {len(missed)} not caught")
    return 0


if __name__ == "__main__":
    sys.exit(main())
