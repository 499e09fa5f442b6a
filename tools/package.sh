#!/usr/bin/env bash
# Makes the release packages in dist/: voxbank's Debian package from a Release build of its
# own (build-package/), and a zip of the Windows programs from the 64-bit build (build/) and,
# when its compilers are here, the 32-bit one (build-i686/). CPack names each by the version
# and the architecture: voxbank_1.0.0_amd64.deb, voxmend-1.0.0-win64.zip, voxmend-1.0.0-win32.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh

# pack BUILD GENERATOR: the package CPack makes of that build, moved into dist/.
pack() {
    local out="$1/cpack"
    rm -rf "$out"
    if ! (cd "$1" && cpack -G "$2" -B "$PWD/cpack" >"$PWD/cpack.log" 2>&1); then
        cat "$1/cpack.log" >&2
        exit 1
    fi
    local made=()
    shopt -s nullglob
    made=("$out"/*.deb "$out"/*.zip)
    shopt -u nullglob
    if [ ${#made[@]} = 0 ]; then
        echo "CPack made no package of $1" >&2
        exit 1
    fi
    mv "${made[@]}" dist/
    rm -rf "$out"
}

ensure_packages
build_package >/dev/null
build_all >/dev/null
build_i686 >/dev/null
mkdir -p dist
pack build-package DEB
pack build ZIP
if have_i686; then
    pack build-i686 ZIP
fi
ls -l dist
