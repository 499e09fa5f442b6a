#!/usr/bin/env bash
# Builds Voxmend and starts it on the demo bank. Without a display it runs on a virtual
# one, waits for the main window, saves a screenshot and closes the program again.
set -euo pipefail
cd "$(dirname "$0")"
. tools/common.sh

ensure_packages
build_all
root="$PWD/build/wine-run"
demo="$PWD/build/demo"
headless=""
[ -z "${DISPLAY:-}" ] && headless=1
start_display
trap stop_display EXIT
make_prefix "$root/prefix" "${HOME:-$root/home}"
mkdir -p "$demo"
wine build/mkdemo.exe "$(winepath -w "$demo")"
# with the conversion's DLLs, without which it does not start
cp build/voxmend.exe $(find build -maxdepth 1 -name '*.dll') "$demo/"
cd "$demo"

if [ -z "$headless" ]; then
    exec "$WINE64" voxmend.exe
fi

wine voxmend.exe &
for _ in $(seq 150); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Voxmend - Tarn Sound Editor by Quenby"' && break
    sleep 0.2
done
if ! xwininfo -root -tree | grep -q '"Voxmend - Tarn Sound Editor by Quenby"'; then
    echo "The main window did not appear" >&2
    wineserver -k
    exit 1
fi
sleep 1
shot="$PWD/voxmend-screenshot.png"
window=$(xwininfo -name "Voxmend - Tarn Sound Editor by Quenby" | awk '/Window id:/ {print $4}')
import -window "${window:-root}" "$shot"
echo "Voxmend ran on a virtual display; screenshot of its main window: $shot"
wineserver -k
