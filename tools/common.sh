# Shared set-up of the run and test commands: packages, build, virtual display, Wine prefix.
# Sourced by run.sh and test.sh from the repository root.

# Only what a machine that runs 64-bit code alone can use: Wine's 64-bit loader, no i386
# architecture. The i686 compilers are 64-bit programs; they keep the 32-bit build honest.
PACKAGES="cmake make g++ clang libfuzzer-14-dev libclang-rt-14-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest
 libcli11-dev nlohmann-json3-dev libsndfile1-dev libsoxr-dev libebur128-dev libzip-dev nettle-dev pkg-config wine wine64 fonts-wine xvfb xauth
 x11-utils imagemagick time help2man man-db bash-completion dpkg-dev file unzip"

# A root user needs no sudo, and a fresh minimal machine has none.
as_root() {
    if [ "$(id -u)" = 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "Installing packages needs root: run this as root, or install sudo" >&2
        return 1
    fi
}

ensure_packages() {
    local missing=""
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local start=$SECONDS
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
    echo "Installed in $((SECONDS - start)) s"
}

# The 64-bit Windows programs and their tests, in build/, with the libraries of the conversion.
build_all() {
    tools/windeps.sh x86_64 >/dev/null || echo "The Windows libraries failed to build: no conversion in the Windows programs" >&2
    cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j2
}

# Whether the 32-bit Windows compilers are here.
have_i686() {
    command -v i686-w64-mingw32-g++-posix >/dev/null
}

# The 32-bit Windows programs without their tests, in build-i686/, when their compiler is
# here: they are not run, only kept compiling.
build_i686() {
    have_i686 || return 0
    cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
        -DVOXMEND_TESTS=OFF >/dev/null
    cmake --build build-i686 -j2
}

# The engine, voxbank and their tests for this machine, under the sanitizers, in build-native/.
build_native() {
    # -O1 keeps the sanitizers quick to build and to run
    cmake -S . -B build-native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVOXMEND_SANITIZE=ON >/dev/null
    cmake --build build-native -j2
}

# voxbank as it is released, for its Debian package: Release, no sanitizers, no tests, in
# build-package/.
build_package() {
    cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DVOXMEND_TESTS=OFF >/dev/null
    cmake --build build-package -j2
}

# The benchmarks' build: Release, no sanitizers, in $BENCH_BUILD (build-bench/ unless told),
# with the targets named made. Prints its folder.
build_bench() {
    local build="${BENCH_BUILD:-build-bench}"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVOXMEND_SANITIZE=OFF -DVOXMEND_TESTS=ON >/dev/null
    cmake --build "$build" -j2 --target "$@" >/dev/null
    echo "$build"
}

# Starts Xvfb when no display is set; XVFB_PID is then its process. Xvfb picks a free display
# itself: a lock file in this /tmp says nothing of a server in another root that holds the same
# number in the shared socket namespace.
XVFB_PID=""
start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local dir
    dir="$(mktemp -d)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
    XVFB_PID=$!
    for _ in $(seq 100); do
        if [ -s "$dir/display" ]; then
            export DISPLAY=":$(tr -d '[:space:]' <"$dir/display")"
            rm -rf "$dir"
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "Xvfb did not start:" >&2
    tail -n 5 "$dir/log" >&2
    rm -rf "$dir"
    return 1
}

stop_display() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Debian's wine launcher takes the 32-bit loader whenever wine32 is installed, and these
# machines cannot execute 32-bit code at all: the 64-bit loader is called by its own name. It is
# looked up when a prefix is made, after ensure_packages, and only ever as a file, so these
# functions cannot end up calling themselves.
WINE64=""
find_wine64() {
    WINE64=/usr/lib/wine/wine64
    [ -x "$WINE64" ] || WINE64="$(type -P wine64 || true)"
    if [ -z "$WINE64" ]; then
        echo "Wine's 64-bit loader is not installed (Debian package wine64)" >&2
        return 1
    fi
    export WINELOADER="$WINE64" WINEARCH=win64
}
wine() { "${WINE64:?find_wine64 first}" "$@"; }
wineboot() { wine wineboot.exe "$@"; }
winepath() { wine winepath.exe "$@"; }

# make_prefix PREFIX HOME: a Wine prefix that no installer dialog can hold up.
make_prefix() {
    find_wine64
    export WINEPREFIX="$1" HOME="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX" "$HOME"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
}
