#!/usr/bin/env python3
"""Reads the import tables of Windows programs and fails for every imported function that is not in the
allow-lists: a program importing one function its system lacks is refused by the loader before it runs.

    import_audit.py --objdump OBJDUMP --allow LIST [--allow LIST ...] PROGRAM ...

A list holds "[DLL]" lines followed by one function name a line; '#' starts a comment. DLL names are
compared without regard to case, function names exactly. An import by ordinal is written "#N".
"""
import argparse
import os
import re
import subprocess
import sys


def read_allow_lists(paths):
    allowed = {}
    for path in paths:
        dll = None
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                line = line.strip()
                if not re.fullmatch(r"#\d+", line):
                    line = line.split("#", 1)[0].strip()
                if not line:
                    continue
                if line.startswith("[") and line.endswith("]"):
                    dll = line[1:-1].strip().lower()
                    allowed.setdefault(dll, set())
                elif dll is None:
                    sys.exit(f"{path}:{number}: a function before any [DLL] line")
                else:
                    allowed[dll].add(line)
    return allowed


def read_imports(objdump, program):
    """(dll, function) pairs of the program's import table, as objdump reads them."""
    run = subprocess.run([objdump, "-p", program], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"{program}: {objdump} failed: {run.stderr.strip()}")
    imports, dll, in_table = [], None, False
    for line in run.stdout.splitlines():
        if line.startswith("The Import Tables"):
            in_table = True
            continue
        if in_table and line and not line[0].isspace():
            break  # the next section of the dump
        if not in_table:
            continue
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            continue
        if dll is None:
            continue
        # "vma hint name", or "vma ordinal <none>" for an import by ordinal (in hexadecimal).
        m = re.match(r"\t[0-9a-fA-F]+\s+([0-9a-fA-F]+)\s+(\S+)", line)
        if m:
            imports.append((dll, "#%d" % int(m.group(1), 16) if m.group(2) == "<none>" else m.group(2)))
    return imports


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--allow", action="append", required=True)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    allowed = read_allow_lists(args.allow)
    lists = ", ".join(args.allow)
    faults = 0
    missing = [p for p in args.programs if not os.path.isfile(p)]
    if missing:
        print(f"not built: {', '.join(missing)} (scripts/build builds every preset)")
        return 77
    for program in args.programs:
        imports = read_imports(args.objdump, program)
        if not imports:
            print(f"{program}: no import table read")
            faults += 1
            continue
        bad = [(dll, name) for dll, name in imports if name not in allowed.get(dll.lower(), ())]
        for dll, name in bad:
            print(f"{program}: imports {dll} {name}, which is not in the list of what the oldest system exports")
        faults += len(bad)
        print(f"{program}: {len(imports)} imports, {len(bad)} outside the list")
    if faults:
        print(f"import audit failed: {faults} imports outside {lists}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
