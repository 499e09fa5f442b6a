#!/usr/bin/env bash
# tools/fresh.sh [COMMAND...]: runs COMMAND (default ./test.sh) in a clean clone of this
# repository inside a pristine Debian 12 root, as a new user's machine would be: nothing of
# the project installed, no sudo, no locale, a HOME of its own. Exits with COMMAND's status.
#
# As pbuilder and sbuild do: debootstrap makes a minbase root once, kept in a cache outside the
# checkout (VOXMEND_FRESH_CACHE, default ~/.cache/voxmend/fresh); each run works in a new copy
# of it, with /proc, /sys and /dev bound in, and the machine's apt archive cache, so packages
# are installed for real without being downloaded again. Whatever it mounted is unmounted on
# exit, and the copy removed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
suite=bookworm

if [ "$(id -u)" != 0 ]; then
    if command -v sudo >/dev/null; then
        exec sudo --preserve-env=VOXMEND_FRESH_CACHE,CI "$0" "$@"
    fi
    echo "tools/fresh.sh makes and mounts a Debian root, which needs root: run it as root or install sudo" >&2
    exit 1
fi
[ $# -gt 0 ] || set -- ./test.sh

need() {
    command -v "$1" >/dev/null && return 0
    echo "Installing $2"
    apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$2" >/dev/null
}
need debootstrap debootstrap
need git git

# The machine's own Debian mirror: the first one its apt sources give for the suite.
host_mirror() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v suite="$suite" '
            /^[ \t]*$/ { if (deb && has && uri) { print uri; exit } deb = has = 0; uri = ""; next }
            /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
            /^URIs:/ { uri = $2 }
            /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) has = 1 }
            END { if (deb && has && uri) print uri }' "$f"
    done
    [ -f /etc/apt/sources.list ] &&
        awk -v suite="$suite" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { if ($(i + 1) == suite) print $i; break } }' \
            /etc/apt/sources.list
    return 0
}
mirror="$(host_mirror | head -n 1)"
if [ -z "$mirror" ]; then
    echo "No Debian $suite mirror in this machine's apt sources" >&2
    exit 1
fi

cache="${VOXMEND_FRESH_CACHE:-${HOME:-/root}/.cache/voxmend/fresh}"
base="$cache/$suite-minbase"
mkdir -p "$cache"
if [ ! -f "$base/.complete" ]; then
    echo "Making a minbase $suite root in $base (once)"
    rm -rf --one-file-system "$base"
    include=""
    case "$mirror" in https:*) include="--include=ca-certificates" ;; esac
    # shellcheck disable=SC2086
    if ! debootstrap --variant=minbase $include --cache-dir=/var/cache/apt/archives "$suite" "$base" "$mirror" \
        >"$cache/debootstrap.log" 2>&1; then
        tail -n 20 "$cache/debootstrap.log" >&2
        echo "debootstrap failed; its log is $cache/debootstrap.log" >&2
        exit 1
    fi
    touch "$base/.complete"
fi

root="$(mktemp -d "$cache/run.XXXXXX")"
mounted=()

# Every process still running inside the root, ended before its mounts go.
kill_inside() {
    local p r
    for p in /proc/[0-9]*; do
        r="$(readlink "$p/root" 2>/dev/null)" || continue
        case "$r" in "$root" | "$root"/*) kill -9 "${p#/proc/}" 2>/dev/null || true ;; esac
    done
}

cleanup() {
    local i
    kill_inside
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -R "${mounted[$i]}" 2>/dev/null || umount -R -l "${mounted[$i]}" 2>/dev/null || true
    done
    # Removing the copy while anything is still bound into it would reach the machine's own files.
    if grep -qF " $root/" /proc/self/mounts; then
        echo "Left $root in place: something is still mounted inside it" >&2
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT

bind() {
    mkdir -p "$root$2"
    if ! mount "${@:3}" "$1" "$root$2"; then
        echo "Could not mount $1 on $root$2: tools/fresh.sh needs a machine where root may mount" >&2
        exit 1
    fi
    mounted+=("$root$2")
}

echo "Copying the base root"
cp -a --reflink=auto "$base/." "$root/"
rm -f "$root/.complete"
# The machine's apt sources (its mirror, its security and updates suites) where the root has
# their keys, so a third-party source of the machine's cannot break the root's apt; and its DNS.
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    keys_here=1
    for k in $(sed -n 's/^Signed-By:[ \t]*//p' "$f"); do [ -f "$root$k" ] || keys_here=""; done
    [ -n "$keys_here" ] && cp "$f" "$root/etc/apt/sources.list.d/" && rm -f "$root/etc/apt/sources.list"
done
[ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list && cp /etc/apt/sources.list "$root/etc/apt/"
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

bind proc /proc -t proc
bind sysfs /sys -t sysfs
bind /dev /dev --rbind
mount --make-rslave "$root/dev"
bind /var/cache/apt/archives /var/cache/apt/archives --bind

git -c safe.directory="*" clone -q --no-local "$here" "$root/root/voxmend"
git -C "$root/root/voxmend" log -1 --format='Fresh clone at %h: %s'

status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM="${TERM:-dumb}" CI="${CI:-}" VOXMEND_FRESH=1 \
    /bin/bash -c 'cd /root/voxmend && exec "$@"' bash "$@" || status=$?
echo "tools/fresh.sh: $* exited with status $status"
exit "$status"
