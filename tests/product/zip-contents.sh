#!/usr/bin/env bash
# The Windows .zip made from this build tree holds pomfy.exe and the README
# in one folder, and nothing else.
#   zip-contents.sh BUILD_DIR
BUILD=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack --config "$BUILD/CPackConfig.cmake" -G ZIP -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; echo "FAIL: cpack failed"; exit 1; }
python3 - "$scratch"/*.zip <<'PY'
import sys, zipfile
names = sys.argv[1:]
if len(names) != 1:
    sys.exit(f"FAIL: expected one .zip, found {names}")
z = zipfile.ZipFile(names[0])
files = sorted(n for n in z.namelist() if not n.endswith("/"))
folders = {n.split("/")[0] for n in files}
base = sorted(n.split("/", 1)[-1] for n in files)
if len(folders) != 1 or base != ["README.md", "pomfy.exe"]:
    sys.exit(f"FAIL: the zip holds {files}")
exe = z.read([n for n in files if n.endswith("pomfy.exe")][0])
if exe[:2] != b"MZ":
    sys.exit("FAIL: pomfy.exe is not a Windows program")
print("ok:", names[0].rsplit("/", 1)[-1], "holds", files)
PY
