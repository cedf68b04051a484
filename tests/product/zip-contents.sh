#!/usr/bin/env bash
# The Windows .zip made from this build tree holds, in one folder, pomfy.exe,
# LICENSE.txt and a README.txt for Windows users, both texts with Windows
# line endings, and nothing else.
#   zip-contents.sh BUILD_DIR
BUILD=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack --config "$BUILD/CPackConfig.cmake" -G ZIP -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; echo "FAIL: cpack failed"; exit 1; }
python3 - "$scratch"/*.zip <<'PY'
import re, sys, zipfile
names = sys.argv[1:]
if len(names) != 1:
    sys.exit(f"FAIL: expected one .zip, found {names}")
z = zipfile.ZipFile(names[0])
files = sorted(n for n in z.namelist() if not n.endswith("/"))
folders = {n.split("/")[0] for n in files}
base = sorted(n.split("/", 1)[-1] for n in files)
if len(folders) != 1 or base != ["LICENSE.txt", "README.txt", "pomfy.exe"]:
    sys.exit(f"FAIL: the zip holds {files}")
member = {n.split("/", 1)[-1]: n for n in files}
if z.read(member["pomfy.exe"])[:2] != b"MZ":
    sys.exit("FAIL: pomfy.exe is not a Windows program")
for name in ("README.txt", "LICENSE.txt"):
    text = z.read(member[name])
    if b"\n" not in text or re.search(rb"(?<!\r)\n", text) or re.search(rb"\r(?!\n)", text):
        sys.exit(f"FAIL: {name} does not have Windows line endings (CR LF) throughout")
    try:
        text.decode("ascii")
    except UnicodeDecodeError:
        sys.exit(f"FAIL: {name} is not plain ASCII text")
readme = z.read(member["README.txt"]).decode("ascii")
for needed in ("pomfy.exe", "More info", "Run anyway", "Escape", "shell:startup"):
    if needed not in readme:
        sys.exit(f"FAIL: README.txt does not mention {needed!r}")
if "```" in readme or "](" in readme:
    sys.exit("FAIL: README.txt looks like Markdown")
if "MIT License" not in z.read(member["LICENSE.txt"]).decode("ascii"):
    sys.exit("FAIL: LICENSE.txt is not the MIT licence")
print("ok:", names[0].rsplit("/", 1)[-1], "holds", files)
PY
