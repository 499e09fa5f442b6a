#!/usr/bin/env bash
# Builds Voxmend and runs every test: the engine and voxbank natively under the sanitizers,
# the release packages and what they install, then the Win32 programs under Wine, in a prefix
# and HOME of the build's own.
set -euo pipefail
cd "$(dirname "$0")"
. tools/common.sh

ensure_packages
# The engine and the command line natively, under the sanitizers.
build_native
(cd build-native && ctest --output-on-failure --timeout 120)
[ -x tools/fuzz.sh ] && tools/fuzz.sh 20
# The 64-bit Windows programs under Wine; the 32-bit ones only built.
# The tests need the conversion in the Windows programs: a failed library build fails the run.
tools/windeps.sh x86_64 >/dev/null
build_all
build_i686
# The release packages, and voxbank as users install it: into a DESTDIR and from its package.
tools/package.sh >/dev/null
tests/install/check.sh
root="$PWD/build/wine"
start_display
make_prefix "$root/prefix" "$root/home"
# One Wine server for the whole run.
wineserver -p </dev/null >/dev/null 2>&1 || true
cleanup() {
    wineserver -k 2>/dev/null || true
    stop_display
}
trap cleanup EXIT
# Sound goes to ALSA's null device; the tests play it in real time all the same.
echo 'pcm.!default { type null }' > "$HOME/.asoundrc"
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
# Without a window manager, managed windows make Wine wait for one at every hide.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
cd build
ctest --output-on-failure --timeout 60
