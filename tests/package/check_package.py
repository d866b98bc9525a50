#!/usr/bin/env python3
"""Makes the users' zips from the built programs and checks them: exactly the two programs and the readme,
the programs byte for byte those of the builds, their imports within the oldest systems (the audit run on
the zipped files themselves), and the readme in Shift-JIS with CRLF naming the version and the message
of the 32-bit build before a 64-bit Registry Editor.

    check_package.py SOURCE_DIR BUILDS_DIR OUT_DIR OBJDUMP_WIN32 OBJDUMP_WIN64
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

WIDTH_MESSAGE = ("このレジストリ エディタは 64 ビット版のため、32 ビット版のタルミクからは操作できません。"
                 "64 ビット版のタルミクを使ってください。")


def main():
    source, builds, out, objdump32, objdump64 = sys.argv[1:6]
    programs = ["tarmik.exe", "manualprint.exe"]
    missing = [os.path.join(builds, b, p) for b in ("win32", "win64") for p in programs
               if not os.path.isfile(os.path.join(builds, b, p))]
    if missing:
        print(f"not built: {', '.join(missing)} (scripts/build builds every preset)")
        return 77
    made = subprocess.run([os.path.join(source, "tools/package/make-zips"), source, builds, out],
                          capture_output=True, text=True)
    if made.returncode != 0:
        print(made.stdout + made.stderr)
        return 1
    rc = open(os.path.join(source, "resources/tarmik.rc"), encoding="utf-8").read()
    version = re.search(r'VALUE "ProductVersion", "([^"]*)"', rc).group(1)
    lists = os.path.join(source, "tests/imports")
    faults = []
    for build, objdump, allow in (("win32", objdump32, ["imports-win32.txt"]),
                                  ("win64", objdump64, ["imports-win32.txt", "imports-xp64.txt"])):
        path = os.path.join(out, f"tarmik-{version}-{build}.zip")
        known = len(faults)
        if not os.path.isfile(path):
            faults.append(f"{path}: not made")
            continue
        with zipfile.ZipFile(path) as zip, tempfile.TemporaryDirectory() as unpacked:
            names = sorted(zip.namelist())
            if names != sorted(programs + ["README.TXT"]):
                faults.append(f"{path}: holds {names}")
                continue
            for program in programs:
                if zip.read(program) != open(os.path.join(builds, build, program), "rb").read():
                    faults.append(f"{path}: {program} is not the one of build/{build}")
                with open(os.path.join(unpacked, program), "wb") as f:
                    f.write(zip.read(program))
            audit = [sys.executable, os.path.join(lists, "import_audit.py"), "--objdump", objdump]
            for name in allow:
                audit += ["--allow", os.path.join(lists, name)]
            audited = subprocess.run(audit + [os.path.join(unpacked, p) for p in programs],
                                     capture_output=True, text=True)
            if audited.returncode != 0:
                faults.append(f"{path}: the import audit of its programs failed:\n{audited.stdout}")
            readme = zip.read("README.TXT")
            if re.search(rb"(?<!\r)\n", readme) or not readme.endswith(b"\r\n"):
                faults.append(f"{path}: README.TXT has lines not ended by CRLF")
            try:
                text = readme.decode("cp932")
            except UnicodeDecodeError as error:
                faults.append(f"{path}: README.TXT is not Shift-JIS: {error}")
                continue
            joined = re.sub(r"\s*\r\n\s*", "", text)
            for wanted in (f"タルミク {version}", f"tarmik-{version}-win32.zip", f"tarmik-{version}-win64.zip",
                           WIDTH_MESSAGE):
                if wanted not in joined:
                    faults.append(f"{path}: README.TXT does not say {wanted!r}")
        if len(faults) == known:
            print(f"{path}: checked")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
