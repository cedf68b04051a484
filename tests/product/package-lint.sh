#!/usr/bin/env bash
# The .deb made from this build tree as Debian's tools judge it: lintian
# with no error and no warning; the AppStream metadata that
# `appstreamcli validate --no-net` passes, with an id that names the desktop
# entry; the desktop entry that desktop-file-validate passes; the manual
# page that man renders without a warning; the copyright file and the
# changelog where Debian wants them.
#   package-lint.sh BUILD_DIR
BUILD=$1
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "ok:   $*"; }

cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
debs=("$scratch"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}

# lintian: every tag it finds is printed (informational ones too), but
# only errors and warnings fail. It is the slow part: run once.
lintian --display-info --fail-on error,warning "$deb" 2>"$scratch/lintian.err"
status=$?
grep -v 'running with root privileges' "$scratch/lintian.err" >&2
[ "$status" = 0 ] && pass "lintian: no error and no warning" || fail "lintian (status $status)"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
doc=$root/usr/share/doc/pomfy
[ -f "$doc/copyright" ] && head -n1 "$doc/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
    pass "machine-readable copyright file" || fail "no machine-readable copyright file"
grep -q '^License: Expat' "$doc/copyright" || fail "the copyright file does not name the licence"
zcat "$doc/changelog.gz" 2>/dev/null | head -n1 |
    grep -q "^pomfy ($(dpkg-deb -f "$deb" Version)) " &&
    pass "changelog.gz begins with this version" || fail "no changelog for this version"

# AppStream: one metainfo file, valid, whose id names the one desktop entry.
metas=("$root"/usr/share/metainfo/*.metainfo.xml)
[ ${#metas[@]} -eq 1 ] && [ -f "${metas[0]}" ] || fail "expected one metainfo file, found: ${metas[*]}"
meta=${metas[0]}
id=$(basename "$meta" .metainfo.xml)
appstreamcli validate --no-net "$meta" || fail "appstreamcli validate: $(basename "$meta")"
pass "appstreamcli validate --no-net passes"
grep -q "<id>$id</id>" "$meta" || fail "the metainfo's id is not $id"
[[ $id =~ ^[a-z][a-z0-9]*(\.[A-Za-z][A-Za-z0-9_]*){2,}$ ]] || fail "the id $id is not in reverse-DNS form"
for needed in '<project_license>MIT</project_license>' '<description>' '<screenshot ' '<content_rating '; do
    grep -q "$needed" "$meta" || fail "the metainfo has no $needed"
done
entries=("$root"/usr/share/applications/*.desktop)
[ "${entries[*]}" = "$root/usr/share/applications/$id.desktop" ] ||
    fail "the desktop entries are ${entries[*]##*/}, not $id.desktop alone"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$meta" ||
    fail "the metainfo does not launch $id.desktop"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
pass "$id.desktop: desktop-file-validate passes"

# The manual page, as man renders it, without groff's warnings.
page=$root/usr/share/man/man1/pomfy.1.gz
[ -f "$page" ] || fail "no manual page pomfy.1.gz"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$scratch/man.txt" 2>"$scratch/man.err"
[ -s "$scratch/man.err" ] && { cat "$scratch/man.err"; fail "man warns about the manual page"; }
for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT 'EXIT STATUS'; do
    grep -q "^$section" "$scratch/man.txt" || fail "the manual page has no $section section"
done
grep -q DISPLAY "$scratch/man.txt" && grep -q Escape "$scratch/man.txt" ||
    fail "the manual page does not tell about DISPLAY and Escape"
pass "the manual page renders without warnings"
