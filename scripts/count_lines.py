#!/usr/bin/env python3
"""Counts the lines of C++ code (*.cpp, *.h) in src/ and tests/, leaving out blank
lines and lines that hold only comments, and prints each folder's count and the
ratio of tests to src. Usage: scripts/count_lines.py [--folders]"""
import pathlib
import sys


def code_lines(text):
    count = 0
    in_block = False
    for line in text.splitlines():
        code = []
        i = 0
        in_str = None
        while i < len(line):
            c = line[i]
            if in_block:
                if line.startswith("*/", i):
                    in_block = False
                    i += 2
                else:
                    i += 1
                continue
            if in_str:
                code.append(c)
                if c == "\\":
                    if i + 1 < len(line):
                        code.append(line[i + 1])
                    i += 2
                    continue
                if c == in_str:
                    in_str = None
                i += 1
                continue
            if line.startswith("//", i):
                break
            if line.startswith("/*", i):
                in_block = True
                i += 2
                continue
            if c in "\"'":
                in_str = c
            code.append(c)
            i += 1
        if "".join(code).strip():
            count += 1
    return count


def count(root, per_folder):
    total = 0
    folders = {}
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".cpp", ".h") or not path.is_file():
            continue
        n = code_lines(path.read_text(encoding="utf-8", errors="replace"))
        total += n
        rel = path.relative_to(root)
        key = rel.parts[0] if len(rel.parts) > 1 else "."
        folders[key] = folders.get(key, 0) + n
    if per_folder:
        for key, n in sorted(folders.items()):
            print(f"  {root.name}/{key}: {n}")
    return total


def main():
    top = pathlib.Path(__file__).resolve().parent.parent
    per_folder = "--folders" in sys.argv
    src = count(top / "src", per_folder)
    tests = count(top / "tests", per_folder)
    print(f"src: {src} lines, tests: {tests} lines, tests/src: {100.0 * tests / src:.1f} %")


if __name__ == "__main__":
    main()
