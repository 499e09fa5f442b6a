#!/usr/bin/env bash
# tools/windeps.sh ARCH: libsndfile (with FLAC, Ogg, Vorbis, Opus and MP3 inside), libsoxr and
# libebur128, and for mod packs libzip (with zlib inside) and nettle, cross-built as DLLs for the
# Windows programs, from Debian's source packages with Debian's
# patches and ours (tools/windeps/*.patch). ARCH is x86_64 or i686.
#
# The prefix lives outside the checkout, in $XDG_CACHE_HOME/voxmend/windeps/ARCH-HASH, the
# hash being of the packages' versions and of this script and its patches: a second run only
# checks, a changed version builds a new prefix. ARCH beside it links to the latest, and is
# where the build (cmake/mingw.cmake) looks. The prefix's path is printed on standard output.
#
# The apt state is private to the cache: deb-src lines made from this machine's Debian
# sources, its own lists, and nothing of the machine's apt set-up changed. The lists are
# refreshed once a day, or at once with WINDEPS_REFRESH=1.
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."
here="$PWD/tools/windeps"
. tools/common.sh

arch="${1:-}"
case "$arch" in
    x86_64 | i686) ;;
    *) echo "usage: tools/windeps.sh x86_64|i686" >&2; exit 2 ;;
esac
host="$arch-w64-mingw32"
SOURCES="libogg libvorbis flac opus mpg123 lame libsndfile libsoxr libebur128"
# The mod packs' zip and hash.
SOURCES+=" zlib libzip nettle"

# What the sources and the build need, beyond the project's own packages (libsndfile's
# configuration runs Python).
PACKAGES="dpkg-dev xz-utils bzip2 patch make cmake python3 m4 gcc-mingw-w64-${arch//_/-}-posix debian-archive-keyring" \
    ensure_packages >&2

cache="${XDG_CACHE_HOME:-$HOME/.cache}/voxmend/windeps"
apt_dir="$cache/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
# One run at a time in this cache: checkouts built side by side share it.
exec 9>"$cache/lock"
flock 9
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "Debug::NoLocking=1"
          -o "APT::Sandbox::User=root" -q)

# The machine's Debian archives, as deb-src lines: the one-line sources.list and the deb822
# .sources files alike, the entries of this release's suites only.
deb_src_lines() {
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || codename=$(sed -n 's/^[^ ]* *[^ ]* *\([a-z]*\).*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n1)
    {
        local f
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            if [ -f "$f" ]; then sed "s/#.*//" "$f"; fi
        done |
            awk '$1 == "deb" { opts = ""; i = 2
                    if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
                    uri = $i; suite = $(i + 1); comps = ""
                    for (j = i + 2; j <= NF; j++) comps = comps " " $j
                    print opts "\t" uri "\t" suite "\t" comps }'
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            awk 'function flush() {
                    if (types ~ /(^| )deb( |$)/ && enabled != "no")
                        for (u in uris) for (s in suites) print (signed ? " [signed-by=" signed "]" : "") "\t" uris[u] "\t" suites[s] "\t " comps
                    types = ""; comps = ""; signed = ""; enabled = ""; delete uris; delete suites }
                 /^[ \t]*#/ { next }
                 /^[ \t]*$/ { flush(); next }
                 { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "") }
                 key == "types" { types = $0 }
                 key == "uris" { split($0, uris, " ") }
                 key == "suites" { split($0, suites, " ") }
                 key == "components" { comps = $0 }
                 key == "signed-by" { signed = $0 }
                 key == "enabled" { enabled = tolower($0) }
                 END { flush() }' "$f"
        done
    } | awk -F'\t' -v c="$codename" '$3 == c || index($3, c "-") == 1 { print "deb-src" $1 " " $2 " " $3 $4 }' | sort -u
}

# The lists, refreshed when the sources changed or a day has passed.
deb_src_lines >"$apt_dir/sources.new"
if [ ! -s "$apt_dir/sources.new" ]; then
    echo "tools/windeps.sh: no Debian archive in this machine's apt sources" >&2
    exit 1
fi
if ! cmp -s "$apt_dir/sources.new" "$apt_dir/sources.list" || [ "${WINDEPS_REFRESH:-}" = 1 ] ||
    [ -z "$(find "$apt_dir/updated" -mmin -1440 2>/dev/null)" ]; then
    mv "$apt_dir/sources.new" "$apt_dir/sources.list"
    apt-get "${apt_opts[@]}" update >&2
    touch "$apt_dir/updated"
else
    rm -f "$apt_dir/sources.new"
fi

# The version apt-get source takes of each package, as PACKAGE VERSION lines.
versions=""
for p in $SOURCES; do
    v=$(apt-get "${apt_opts[@]}" source --print-uris --only-source "$p" 2>/dev/null |
        sed -n "s/^'[^']*' ${p}_\([^ ]*\)\.dsc .*/\1/p")
    [ -n "$v" ] || { echo "tools/windeps.sh: no source package $p" >&2; exit 1; }
    versions+="$p $v"$'\n'
done
hash=$( { printf '%s' "$versions"; cat "$PWD/tools/windeps.sh" "$here"/*.patch; } | sha256sum | cut -c1-12)
prefix="$cache/$arch-$hash"
if [ -f "$prefix/.done" ]; then
    ln -sfn "$(basename "$prefix")" "$cache/$arch"
    echo "$prefix"
    exit 0
fi

echo "Building the Windows libraries for $arch in $prefix" >&2
work="$cache/work-$arch"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/licenses"
cd "$work"

# Debian carries no patch for these, only their packaging: where the archive lacks their Debian
# part, the upstream tarball the .dsc names is built as it is.
UPSTREAM_AS_IS="libebur128"

# unpack_upstream PACKAGE DSC: the .dsc's upstream tarball, checked against it, in PACKAGE/.
unpack_upstream() {
    local p="$1" dsc="$2" sum orig
    read -r sum orig < <(awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 }
                              on && $3 ~ /\.orig\.tar\./ { print $1, $3; exit }' "$dsc")
    [ -n "${orig:-}" ] && [ -f "$orig" ] && echo "$sum  $orig" | sha256sum -c --quiet >>"$p.log" 2>&1 ||
        { echo "tools/windeps.sh: $p: no upstream tarball matching its .dsc" >&2; exit 1; }
    mkdir -p "$p"
    tar -xf "$orig" -C "$p" --strip-components=1
}

# fetch PACKAGE: its sources, with Debian's patches and ours, in PACKAGE/. apt-get fails on an
# upstream signature (.asc) the archive lacks; everything else the .dsc lists is checked, by
# apt and again by dpkg-source, against the signed lists.
fetch() {
    local p="$1" v dsc
    v=$(awk -v p="$p" '$1 == p { print $2 }' <<<"$versions")
    dsc="${p}_${v#*:}.dsc"
    # The .dsc's name leaves out an epoch (zlib's "1:"), which apt-get needs. When the mirror has
    # lost a version's files (a superseded security update), an earlier whole version of this
    # release; when none is whole, the version chosen, as far as the archive has it.
    local full file complete="" first=""
    for full in $(apt-cache "${apt_opts[@]}" showsrc "$p" 2>/dev/null |
        awk -v p="$p" -v v="$v" '$1 == "Package:" { on = $2 == p } on && $1 == "Version:" { x = $2
            sub(/^[0-9]+:/, "", x); print (x == v ? 0 : 1), $2 }' | sort -u -k1,1n -k2,2Vr | cut -d' ' -f2); do
        first="${first:-$full}"
        dsc="${p}_${full#*:}.dsc"
        apt-get "${apt_opts[@]}" source --download-only --only-source "$p=$full" >"$p.log" 2>&1 || true
        complete=""
        [ -f "$dsc" ] || continue
        complete=1
        for file in $(awk '/^Files:/ { on = 1; next } /^[^ ]/ { on = 0 } on { print $3 }' "$dsc"); do
            case "$file" in *.asc) ;; *) [ -f "$file" ] || complete="" ;; esac
        done
        [ -n "$complete" ] && break
    done
    if [ -n "$complete" ] && [ "${full#*:}" != "$v" ]; then
        echo "tools/windeps.sh: $p $v is not on the mirror; taking $p ${full#*:}" >&2
        v="${full#*:}"
        versions=$(awk -v p="$p" -v v="$v" '$1 == p { $2 = v } { print }' <<<"$versions")$'\n'
    elif [ -z "$complete" ]; then
        dsc="${p}_${v#*:}.dsc"
        apt-get "${apt_opts[@]}" source --download-only --only-source "$p=${first:-$v}" >"$p.log" 2>&1 || true
    fi
    [ -f "$dsc" ] || { cat "$p.log" >&2; exit 1; }
    local missing=""
    for file in $(awk '/^Files:/ { on = 1; next } /^[^ ]/ { on = 0 } on { print $3 }' "$dsc"); do
        case "$file" in *.asc) ;; *) [ -f "$file" ] || missing+=" $file" ;; esac
    done
    local from="Debian's source package $p $v"
    if [ -z "$missing" ]; then
        # The .dsc without the upstream signatures, which nothing here checks.
        awk '/^-----BEGIN PGP SIGNATURE/ { exit } /\.asc$/ { next } NR > 3 || !/^(-----BEGIN|Hash:|$)/ { print }' "$dsc" >"$p.dsc"
        dpkg-source --no-check -x "$p.dsc" "$p" >>"$p.log" 2>&1 || { cat "$p.log" >&2; exit 1; }
    elif [[ " $UPSTREAM_AS_IS " == *" $p "* && "$missing" == " ${p}_${v#*:}.debian.tar."* && "$missing" != *" "*" "* ]]; then
        unpack_upstream "$p" "$dsc"
        from="the upstream tarball of Debian's source package $p $v (the archive lacked its Debian part)"
    else
        cat "$p.log" >&2
        exit 1
    fi
    local patch
    for patch in "$here/$p"-*.patch; do
        patch -d "$p" -p1 --no-backup-if-mismatch <"$patch" >>"$p.log" || { cat "$p.log" >&2; exit 1; }
    done
    # Its licence, named by the Debian source package it was built from.
    {
        echo "$p, built from $from"
        local f
        for f in "$p"/COPYING* "$p"/LICENSE* "$p"/LGPL* "$p"/doc/license/* "$p"/debian/copyright; do
            [ -f "$f" ] || continue
            printf '\n==> %s <==\n\n' "${f#"$p"/}"
            cat "$f"
        done
    } >"$prefix/licenses/${p}_$v.txt"
}

# No MinGW runtime DLL for the DLLs to need: libgcc is linked in.
export CC="$host-gcc-posix" AR="$host-ar" RANLIB="$host-ranlib" RC="$host-windres"
export CFLAGS="-O2 -D_FORTIFY_SOURCE=0" LDFLAGS="-static-libgcc"
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
toolchain="$work/toolchain.cmake"
cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $host-gcc-posix)
set(CMAKE_CXX_COMPILER $host-g++-posix)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$host "$prefix")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# cmake_build DIR CMAKE-OPTIONS...: a Release build of DIR installed into the prefix.
cmake_build() {
    local dir="$1"
    shift
    cmake -S "$dir" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_TESTING=OFF "$@" >"$dir.build.log" 2>&1 &&
        cmake --build "$dir/build" -j2 >>"$dir.build.log" 2>&1 &&
        cmake --install "$dir/build" >>"$dir.build.log" 2>&1 || { tail -n 40 "$dir.build.log" >&2; exit 1; }
}

# configure_build DIR CONFIGURE-OPTIONS...: the same through the package's own configure.
configure_build() {
    local dir="$1"
    shift
    (cd "$dir" && ./configure --host="$host" --prefix="$prefix" --disable-maintainer-mode "$@" &&
        make -j2 && make install) >"$dir.build.log" 2>&1 || { tail -n 40 "$dir.build.log" >&2; exit 1; }
}

for p in $SOURCES; do fetch "$p"; done

# The codecs as static libraries, linked into libsndfile's DLL alone.
static=(-DBUILD_SHARED_LIBS=OFF)
cmake_build libogg "${static[@]}" -DINSTALL_DOCS=OFF
cmake_build libvorbis "${static[@]}"
cmake_build flac "${static[@]}" -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOCS=OFF -DBUILD_CXXLIBS=OFF \
    -DINSTALL_MANPAGES=OFF -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF -DWITH_OGG=ON
configure_build opus --disable-shared --enable-static --disable-stack-protector --disable-doc --disable-extra-programs
cmake_build mpg123/ports/cmake "${static[@]}" -DBUILD_PROGRAMS=OFF -DBUILD_LIBOUT123=OFF
configure_build lame --disable-shared --enable-static --disable-frontend --disable-decoder --disable-gtktest \
    --disable-analyzer-hooks
# 64-bit file offsets throughout: mpg123 is built for them alone. Its static library needs
# shlwapi, which nothing names at the end of the link.
CFLAGS="$CFLAGS -D_FILE_OFFSET_BITS=64 -DFLAC__NO_DLL" cmake_build libsndfile -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_C_STANDARD_LIBRARIES="-lshlwapi -lkernel32 -luser32 -ladvapi32" \
    -DENABLE_COMPATIBLE_LIBSNDFILE_NAME=ON -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_REGTEST=OFF \
    -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF
cmake_build libsoxr -DBUILD_SHARED_LIBS=ON -DWITH_OPENMP=OFF -DWITH_LSR_BINDINGS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTS=OFF
cmake_build libebur128 -DBUILD_SHARED_LIBS=ON -DBUILD_STATIC_LIBS=OFF -DENABLE_INTERNAL_QUEUE_H=ON
# zlib as a static library linked into libzip's DLL alone; libzip with no compression beyond
# deflate and no encryption, which packs do not use; nettle's hashes without its public-key half.
# (Debian's zlib source lacks the resources of zlib's own Windows builds: its sources are
# compiled here.)
(cd zlib && for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees \
    trees uncompr zutil; do "$CC" $CFLAGS -c "$f.c" -o "$f.o" || exit 1; done &&
    "$AR" rcs libz.a ./*.o && install -D -m 644 libz.a "$prefix/lib/libz.a" &&
    install -D -m 644 zlib.h zconf.h -t "$prefix/include/") >zlib.build.log 2>&1 ||
    { tail -n 40 zlib.build.log >&2; exit 1; }
cmake_build libzip -DBUILD_SHARED_LIBS=ON -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
# Debian's patches leave nettle's generated files older than their sources, which make would
# regenerate with autotools.
touch nettle/aclocal.m4 nettle/configure nettle/config.h.in nettle/stamp-h.in
configure_build nettle --enable-shared --disable-static --disable-public-key --disable-openssl \
    --disable-documentation --disable-assembler --disable-fat

# Each DLL needs only what Windows itself has.
for dll in "$prefix"/bin/*.dll; do
    for need in $("$host-objdump" -p "$dll" | sed -n 's/^\tDLL Name: //p'); do
        case "${need,,}" in
            kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | shlwapi.dll) ;;
            *) echo "tools/windeps.sh: $(basename "$dll") needs $need, which Windows lacks" >&2; exit 1 ;;
        esac
    done
done
"$host-strip" --strip-unneeded "$prefix"/bin/*.dll
printf '%s' "$versions" >"$prefix/versions"
touch "$prefix/.done"
cd "$cache"
rm -rf "$work"
ln -sfn "$(basename "$prefix")" "$cache/$arch"
echo "$prefix"
