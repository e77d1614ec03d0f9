#!/usr/bin/env bash
# Builds the Debian package in build/release as a packager would, and checks
# its contents.
# As root it also installs it, runs the programs from /usr/bin (the host
# session korvex-headless + tolma, the window korvex on the offscreen
# platform, vx2sim + vx2ctl, a C host built with pkg-config against the
# installed libtolma), removes it and checks that nothing it installed is left.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# A plain CMake build, no preset and no unity batches (but for the tests,
# which always build in batches), of everything (tests and benchmarks too),
# so that a packager's build never breaks unseen; its
# warnings are errors here as in the presets, and the packages get Debian's
# hardening flags. The benchmarks' short runs go with it, optimised.
if [ -f build/release/CMakeCache.txt ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' build/release/CMakeCache.txt; then
  rm -rf build/release
fi
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_UNITY_BUILD=OFF \
  -DKORVEX_WERROR=ON -DKORVEX_DPKG_BUILDFLAGS=ON >/dev/null
cmake --build build/release -j "$(nproc)"
ctest --test-dir build/release -L bench -j "$(nproc)" --output-on-failure
rm -f build/release/*.deb
(cd build/release && cpack -G DEB >/dev/null)
version=$(sed -n 's/^project(korvex VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
debs=(build/release/korvex_"$version"_amd64.deb build/release/libtolma1_"$version"_amd64.deb
  build/release/libtolma-dev_"$version"_amd64.deb)
deb=${debs[0]}
fail() {
  echo "CHYBA: $*" >&2
  exit 1
}
echo "== Balíčky ${debs[*]}"
# Every error and warning fails the test unless an override gives its reason;
# the informational tags are shown as well.
lintian -I --pedantic "${debs[@]}" | tee build/release/lintian.txt
! grep -q '^[EW]: ' build/release/lintian.txt || fail "lintian hlásí chyby nebo varování"
contents=$(for d in "${debs[@]}"; do dpkg-deb -c "$d"; done | awk '{print substr($6, 2)}')
for path in /usr/bin/korvex /usr/bin/korvex-headless /usr/bin/vx2sim /usr/bin/vx2ctl \
  /usr/bin/tolma /usr/lib/x86_64-linux-gnu/libtolma.so.1 /usr/lib/x86_64-linux-gnu/libtolma.so \
  /usr/include/tolma.h /usr/lib/x86_64-linux-gnu/pkgconfig/tolma.pc \
  /usr/share/man/man1/korvex.1.gz /usr/share/man/cs/man1/korvex.1.gz \
  /usr/share/man/man1/tolma.1.gz /usr/share/man/cs/man1/tolma.1.gz \
  /usr/share/applications/korvex.desktop /usr/share/icons/hicolor/scalable/apps/korvex.svg \
  /usr/share/metainfo/cz.lumadex.korvex.metainfo.xml \
  /usr/share/doc/korvex/copyright /usr/share/doc/libtolma1/changelog.gz \
  /usr/share/doc/korvex/README.md /usr/share/doc/korvex/examples/upload/lumadex.ini; do
  grep -qx "$path" <<<"$contents" || fail "v balíčcích chybí $path"
done
appstreamcli validate --no-net packaging/cz.lumadex.korvex.metainfo.xml ||
  fail "metadata AppStream neprošla kontrolou"
library=$(mktemp -d)
dpkg-deb -x "${debs[1]}" "$library"
exports=$(nm -D --defined-only "$library"/usr/lib/x86_64-linux-gnu/libtolma.so.1 | awk '{print $3}')
rm -rf "$library"
[ -n "$exports" ] || fail "libtolma.so.1 nevyváží nic"
! grep -v '^tolma_' <<<"$exports" || fail "libtolma.so.1 vyváží i jiné symboly než tolma_*"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Závislosti: $depends"
for package in libqt6widgets6 qt6-qpa-plugins libc6; do
  grep -q "\b$package\b" <<<"$depends" || fail "závislosti neuvádějí $package"
done

if [ "$(id -u)" -ne 0 ]; then
  echo "== Balíček sestaven; instalace jen pod rootem, vynechána."
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-package.XXXXXX")
export TOLMA_DESKTOP=$work/desktop
sim=
running=
cleanup() {
  for pid in $sim $running; do kill "$pid" 2>/dev/null || true; done
  for package in libtolma-dev korvex libtolma1; do
    if dpkg -s "$package" >/dev/null 2>&1; then dpkg --purge "$package" >/dev/null; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
echo "== Instalace"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  -o DPkg::Lock::Timeout=120 "${debs[@]/#/$PWD/}" >/dev/null

echo "== Programy z /usr/bin"
/usr/bin/korvex-headless --help | grep -q "Použití: korvex-headless" || fail "korvex-headless --help"
/usr/bin/vx2sim --port 0 --quiet --item 000102=42 >"$work/vx2sim.log" 2>&1 &
sim=$!
port=
for _ in $(seq 50); do
  port=$(sed -n 's/^vx2sim: připraven na 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/vx2sim.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "vx2sim se nespustil: $(cat "$work/vx2sim.log")"
[ "$(/usr/bin/vx2ctl --port "$port" read 000102 2>/dev/null)" = "000102 = 0x0000002A (42)" ] ||
  fail "vx2ctl read"
printf 'TCP 127.0.0.1 %s\n' "$port" >"$work/lumadex.ini"
# The communicator in host mode, the window and the headless one in turn, each
# asked by tolma (libtolma) for an item and then closed.
for communicator in korvex-headless korvex; do
  (cd "$work" && QT_QPA_PLATFORM=offscreen exec "/usr/bin/$communicator" /DDE) \
    >"$work/$communicator.log" 2>&1 &
  running=$!
  answer=
  for _ in $(seq 50); do
    answer=$(/usr/bin/tolma --wait 0.5 read 000102 2>/dev/null) && break
  done
  [ "$answer" = "000102 = 0x0000002A (42)" ] || fail "tolma read přes $communicator: $answer"
  /usr/bin/tolma close >/dev/null || fail "tolma close"
  wait "$running" || fail "$communicator skončil chybou: $(cat "$work/$communicator.log")"
  echo "$communicator: tolma read a close v pořádku"
done

echo "== Program v C proti libtolma (pkg-config)"
cat >"$work/host.c" <<'EOF'
#include <stdio.h>
#include <tolma.h>

int main(void) {
  char problem[256];
  tolma_window* window = tolma_open(NULL, problem, sizeof problem);
  if (!window) {
    fprintf(stderr, "%s\n", problem);
    return 1;
  }
  printf("MSG_TOLMA 0x%X, okno %lld\n", (unsigned)tolma_register_message("MSG_TOLMA"),
         (long long)tolma_handle(window));
  tolma_close(window);
  return 0;
}
EOF
# shellcheck disable=SC2046  # pkg-config prints separate words
cc -o "$work/host" "$work/host.c" $(pkg-config --cflags --libs tolma)
"$work/host" | grep -q "^MSG_TOLMA 0xDD3C, okno [0-9]" || fail "program v C"

echo "== Odebrání"
dpkg -r libtolma-dev korvex libtolma1 >/dev/null
while read -r path; do
  [ -z "$path" ] || [ -d "$path" ] || [ ! -e "$path" ] || fail "po odebrání zůstal $path"
done <<<"$contents"
[ ! -e /usr/share/doc/korvex ] || fail "po odebrání zůstal /usr/share/doc/korvex"
dpkg --purge libtolma-dev korvex libtolma1 >/dev/null
echo "== Balíček v pořádku: sestaven, nainstalován, vyzkoušen a odebrán."
