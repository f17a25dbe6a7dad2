#!/usr/bin/env bash
# The Debian package, built by cpack from the build tree, installed into a
# scratch root with dpkg and removed again: dpkg-deb reads it, lintian finds
# no error in it, its control fields, every file it installs (copyright and
# changelog included: tests/data/install/files.txt; the screenshots of the
# guide may vary), the commands' links, the desktop entries, the installed
# programs starting with the system's libraries, and nothing left after removal.
#
#   package_test.sh BUILD_DIR EXPECTED_FILES
set -euo pipefail
export LC_ALL=C
build="$1"
expected="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/*.deb)
((${#debs[@]} == 1)) || fail "expected one package, found ${#debs[@]}"
deb="${debs[0]}"

# The archive reads back, and lintian finds no error in it (warnings pass).
dpkg-deb --info "$deb" > /dev/null && dpkg-deb --contents "$deb" > /dev/null || fail "dpkg-deb cannot read $deb"
if ! lintian --fail-on error --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || grep -q '^E:' "$work/lintian.log"; then
  cat "$work/lintian.log" >&2
  fail "lintian reports errors"
fi

[[ "$(dpkg-deb -f "$deb" Package)" == quillorn ]] || fail "package name"
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 libqt6network6 libcurl4 qt6-qpa-plugins fonts-dejavu-extra; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
# Only xdg-open is recommended: anything more drags in a desktop's worth of packages.
[[ "$(dpkg-deb -f "$deb" Recommends)" == xdg-utils ]] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

# A dpkg database of its own, so the machine's is never touched.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
scratch_dpkg() { dpkg --root="$root" --log=/dev/null --force-not-root "$@"; }
scratch_dpkg --force-depends -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }

# Every file and link installed (folders aside), screenshots apart.
(cd "$root" && find usr \( -type f -printf '%p\n' \) -o \( -type l -printf '%p -> %l\n' \) | sort) > "$work/files"
grep -v '/UserGuide/screenshots/' "$work/files" > "$work/listed" || true
diff -u "$expected" "$work/listed" || fail "the installed files differ from $expected"
grep -q '/UserGuide/screenshots/ravelet.png$' "$work/files" || fail "the guide's screenshots are missing"

for link in quillorn ravelet; do
  [[ -x "$(readlink -f "$root/usr/bin/$link")" ]] || fail "usr/bin/$link leads to no program"
done
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "a desktop entry is not valid"
"$root/usr/bin/quillorn-cli" --help > /dev/null || fail "quillorn-cli does not start"
# -uninstall needs no display: it proves the wizard loads with the system's libraries.
XDG_CONFIG_HOME="$work/config" "$root/usr/bin/quillorn" -uninstall || fail "Quillorn does not start"

scratch_dpkg -r quillorn > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r failed"; }
[[ ! -e "$root/usr" ]] || { find "$root/usr" >&2; fail "files are left after dpkg -r"; }
echo "package_test: $(basename "$deb") installs $(wc -l < "$work/files") files and removes them all"
