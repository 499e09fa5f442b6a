# Shared set-up of the run and test commands: packages, build, virtual display, Wine prefix.
# Sourced by run.sh and test.sh from the repository root.

PACKAGES="cmake make g++ clang libfuzzer-14-dev g++-mingw-w64-i686 googletest libcli11-dev nlohmann-json3-dev wine wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick time"

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing=""
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

# The Win32 programs and their tests, in build/.
build_all() {
    cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j2
}

# The engine, voxbank and their tests for this machine, under the sanitizers, in build-native/.
build_native() {
    # -O1 keeps the sanitizers quick to build and to run
    cmake -S . -B build-native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVOXMEND_SANITIZE=ON >/dev/null
    cmake --build build-native -j2
}

# Starts Xvfb when no display is set; XVFB_PID is then its process.
XVFB_PID=""
start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

stop_display() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# make_prefix PREFIX HOME: a Wine prefix that no installer dialog can hold up.
make_prefix() {
    export WINEPREFIX="$1" HOME="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX" "$HOME"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
}
