#!/bin/sh
# Builds the Debian package, checks it with lintian (an error fails the
# check; warnings are shown), installs it with apt, runs the installed
# programs (zt310 --help, a probe of zt310-sim, zt310prog --demo drawn under
# Xvfb) and removes the package again, checking that nothing is left.
# Installs and removes system packages: run it as root (or with sudo) on a
# machine where that is fine; it is not part of CI.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build-pkg}"
OUT="${OUT:-/tmp/zt310-package-check}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

step() { printf '\n== %s\n' "$*"; }

step "set up (build tools, Xvfb, dpkg-dev and file for the package's library dependencies, lintian)"
sh scripts/setup.sh
for p in dpkg-dev file lintian; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "$p"
done

step "build into $BUILD_DIR with prefix /usr"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"

step "package"
rm -f "$BUILD_DIR"/zt310prog_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
deb=$(ls "$BUILD_DIR"/zt310prog_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$'

step "lintian"
lintian --fail-on error --display-info "$deb"
echo "lintian: no errors"

step "no build path in any installed file"
rm -rf "$OUT"
mkdir -p "$OUT"
dpkg-deb -x "$deb" "$OUT/tree"
build_path=$(cd "$BUILD_DIR" && pwd)
source_path=$(pwd)
named=$(find "$OUT/tree" -type f | while read -r f; do
  if case "$f" in *.gz) zcat "$f" ;; *) cat "$f" ;; esac | grep -qF -e "$build_path" -e "$source_path/"; then
    echo "$f"
  fi
done)
if [ -n "$named" ]; then
  printf '%s\n' "$named"
  echo "the files above name the build or source folder"
  exit 1
fi
rm -rf "$OUT/tree"
echo "none"
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    echo "(removing the package after a failed step)"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y zt310prog >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

step "install with apt"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "./$deb"
installed=1
dpkg -L zt310prog | sort >"$OUT/files"

step "zt310 --help"
command -v zt310
zt310 --help

step "man zt310 (first lines)"
if command -v man >/dev/null 2>&1; then MANWIDTH=80 man zt310 2>/dev/null | head -n 12; else man_page=$(grep '/zt310.1' "$OUT/files"); echo "$man_page"; fi

step "zt310-sim and zt310 probe"
zt310-sim --link "$OUT/cradle" >"$OUT/sim.out" 2>&1 &
sim=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do [ -e "$OUT/cradle" ] && break; sleep 0.2; done
cat "$OUT/sim.out"
zt310 probe --port "$OUT/cradle"
kill "$sim"
wait "$sim" 2>/dev/null || true

step "xvfb-run zt310prog --demo --screenshot $OUT/x.png"
xvfb-run -a zt310prog --demo --screenshot "$OUT/x.png"
test -s "$OUT/x.png"
ls -l "$OUT/x.png"
cp "$OUT/x.png" /tmp/x.png

step "desktop entry, table-file type, icon and udev rule in place"
grep -E 'applications/zt310prog.desktop|mime/packages/zt310prog.xml|scalable/apps/zt310prog.svg|rules.d/60-zt310-cradle.rules' "$OUT/files"

step "remove with apt"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y zt310prog
installed=0
left=0
while read -r f; do
  if [ -e "$f" ] && [ ! -d "$f" ]; then echo "left behind: $f"; left=1; fi
done <"$OUT/files"
if dpkg-query -W zt310prog >/dev/null 2>&1 && dpkg-query -W -f='${Status}' zt310prog | grep -q 'install ok installed'; then
  echo "zt310prog still installed"
  left=1
fi
[ "$left" -eq 0 ]
echo "removed cleanly: no file of the package is left"

step "package check passed"
