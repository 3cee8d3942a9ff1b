#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from debian/ as a Debian builder does
# (dpkg-buildpackage -us -uc -b, the tests run at build unless
# DEB_BUILD_OPTIONS has nocheck), twice from two folders to check that the
# .debs are the same bytes, checks it with lintian (an error or a warning
# fails the check; pedantic tags are shown), appstreamcli, desktop-file-validate
# and the man page checkers, installs it with apt, runs its autopkgtest and
# the window under Xvfb, and removes it again, checking that nothing is left.
#
# Everything it makes goes into a private folder from mktemp -d, removed at
# the end (KEEP=1 keeps it and prints its name). Installs and removes system
# packages: run it as root (or with sudo) on a machine where that is fine; it
# is not part of CI.
#
#   REPRODUCE=0     build once only (skips the comparison)
#   CCACHE=1        compile through ccache (faster again; the comparison then
#                   also proves less)
#   DEB_BUILD_OPTIONS="nocheck parallel=2"   as dpkg-buildpackage takes it
set -eu
cd "$(dirname "$0")/.."
source_dir=$(pwd)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
REPRODUCE="${REPRODUCE:-1}"
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}"

step() { printf '\n== %s\n' "$*"; }

apt_install() {
  missing=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
}

work=$(mktemp -d)
installed=0
cleanup() {
  status=$?
  if [ "$installed" -eq 1 ]; then
    echo "(removing the package after a failed step)"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y zt310prog >/dev/null 2>&1 || true
  fi
  if [ "${KEEP:-0}" = 1 ]; then echo "files kept in $work"; else rm -rf "$work"; fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

step "set up (build dependencies, dpkg-dev, debhelper, lintian and the checkers)"
sh scripts/setup.sh
apt_install dpkg-dev debhelper fakeroot file lintian appstream desktop-file-utils man-db autopkgtest xvfb xauth
DEBIAN_FRONTEND=noninteractive $SUDO apt-get build-dep -y "$source_dir" >/dev/null
if [ "${CCACHE:-0}" = 1 ] && command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -q DEB_HOST_ARCH)

# A copy of the tree as git knows it (tracked and new files, without the
# ignored build folders) in folder $1.
copy_tree() {
  mkdir -p "$1/zt310prog-$version"
  git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$1/zt310prog-$version"
}

build_in() {
  copy_tree "$1"
  (cd "$1/zt310prog-$version" && nice dpkg-buildpackage -us -uc -b) >"$1/build.log" 2>&1 || {
    tail -n 60 "$1/build.log"
    echo "dpkg-buildpackage failed in $1 (log above)"
    exit 1
  }
}

step "dpkg-buildpackage -us -uc -b in $work/a (DEB_BUILD_OPTIONS=$DEB_BUILD_OPTIONS)"
build_in "$work/a"
deb="$work/a/zt310prog_${version}_${arch}.deb"
changes="$work/a/zt310prog_${version}_${arch}.changes"
grep -E '^(dh_auto_test|.*tests passed|.*tests failed)' "$work/a/build.log" || true
ls -l "$work/a"/*.deb
test -s "$work/a/zt310prog-dbgsym_${version}_${arch}.deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$'

if [ "$REPRODUCE" = 1 ]; then
  step "the same package from a second folder, $work/b"
  build_in "$work/b"
  same=1
  for f in "$work/a"/*.deb; do
    if cmp "$f" "$work/b/$(basename "$f")"; then echo "same bytes: $(basename "$f")"; else same=0; fi
  done
  if [ "$same" -ne 1 ]; then
    command -v diffoscope >/dev/null 2>&1 && diffoscope "$deb" "$work/b/$(basename "$deb")" | head -n 80
    echo "the two builds differ"
    exit 1
  fi
fi

step "lintian (errors and warnings fail; pedantic and info tags are shown)"
lintian --fail-on error,warning --display-info --pedantic "$changes"
echo "lintian: no errors or warnings"

step "no build path in any installed file"
dpkg-deb -x "$deb" "$work/tree"
named=$(find "$work/tree" -type f | while read -r f; do
  if case "$f" in *.gz) zcat "$f" ;; *) cat "$f" ;; esac | grep -qF -e "$work/a/" -e "$source_dir/"; then
    echo "$f"
  fi
done)
if [ -n "$named" ]; then
  printf '%s\n' "$named"
  echo "the files above name the build or source folder"
  exit 1
fi
echo "none"

step "AppStream metainfo, desktop entry and man pages"
appstreamcli validate --pedantic --no-net "$work/tree/usr/share/metainfo/"*.metainfo.xml
desktop-file-validate "$work/tree/usr/share/applications/"*.desktop && echo "desktop entry: valid"
for page in "$work/tree/usr/share/man/man1/"*.1.gz; do
  lexgrog "$page"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    printf '%s\n' "$warnings"
    echo "man --warnings: $(basename "$page") has the warnings above"
    exit 1
  fi
done
echo "man pages: no warnings"

step "install with apt"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "$deb"
installed=1
dpkg -L zt310prog | sort >"$work/files"

step "--version of the three programs (the window's without a display)"
zt310 --version
zt310-sim --version
env -u DISPLAY -u WAYLAND_DISPLAY zt310prog --version

step "autopkgtest (the installed zt310 against the installed zt310-sim)"
if command -v autopkgtest >/dev/null 2>&1; then
  autopkgtest --no-built-binaries "$work/a/zt310prog-$version" -- null
else
  AUTOPKGTEST_TMP="$work/adt" sh -c 'mkdir -p "$AUTOPKGTEST_TMP" && exec sh debian/tests/cli-against-simulator'
fi

step "xvfb-run zt310prog --demo --screenshot (into the private folder)"
xvfb-run -a zt310prog --demo --screenshot "$work/window.png"
test -s "$work/window.png"
ls -l "$work/window.png"

step "desktop entry, metainfo, table-file type, icons, completion and udev rule in place"
grep -E 'applications/io.github.zt310prog.zt310prog.desktop|metainfo/io.github.zt310prog.zt310prog.metainfo.xml|mime/packages/io.github.zt310prog.zt310prog.xml|scalable/apps/io.github.zt310prog.zt310prog.svg|256x256/apps/|mimetypes/application-x-zt310-codeplug.svg|bash-completion/completions/zt310|rules.d/60-zt310-cradle.rules' "$work/files"

step "remove with apt"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y zt310prog
installed=0
left=0
while read -r f; do
  if [ -e "$f" ] && [ ! -d "$f" ]; then echo "left behind: $f"; left=1; fi
done <"$work/files"
if dpkg-query -W -f='${Status}' zt310prog 2>/dev/null | grep -q 'install ok installed'; then
  echo "zt310prog still installed"
  left=1
fi
[ "$left" -eq 0 ]
echo "removed cleanly: no file of the package is left"

step "package check passed"
