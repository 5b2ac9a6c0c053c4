#!/usr/bin/env bash
# Checks the Debian package as a maintainer and a user would: lintian; then installs it with
# apt, validates the installed metadata, runs the program from its installed path, checks that
# the desktop sees the file types it opens, removes it with apt and checks that nothing of it is
# left. Needs root (or sudo) and a machine where the package is not installed; it leaves the
# machine without it, also when a check fails.
# Usage: scripts/check-package.sh [DEB]   (default: the one scripts/package.sh built)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh package

deb=${1:-$(ls build/default/package/cuemaster_*.deb)}
[[ -f "$deb" ]] || { echo "usage: $0 [DEB]" >&2; exit 2; }
deb=$(realpath "$deb")
name=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
app_id=example.orvelle.Cuemaster
desktop=/usr/share/applications/$app_id.desktop
metainfo=/usr/share/metainfo/$app_id.metainfo.xml
# What the importer reads, by extension: a double-clicked file of each must come to us.
extensions=(txt md markdown rtf doc docx odt fodt html htm xhtml pdf)

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

checks=0
failures=0
check() { # check "what" command...: runs the command, counts and reports it
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}

if dpkg -s "$name" >/dev/null 2>&1; then
    echo "$name is installed on this machine already: remove it first" >&2
    exit 1
fi

tmp=$(mktemp -d)
installed=""
cleanup() {
    if [[ -n "$installed" ]] && dpkg -s "$name" >/dev/null 2>&1; then
        apt_get remove -y "$name" >/dev/null
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

echo "== $deb"
check "lintian finds no error and no warning" \
    lintian --fail-on error,warning --display-info "$deb"

# The screenshot the metadata names lies beside the package, in the size the metadata says.
screenshot_matches() {
    local image width height url file
    image=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$metainfo" | grep -o '<image[^>]*>[^<]*</image>')
    width=$(sed -n 's/.*width="\([0-9]*\)".*/\1/p' <<<"$image")
    height=$(sed -n 's/.*height="\([0-9]*\)".*/\1/p' <<<"$image")
    url=$(sed -n 's/.*>\(https:[^<]*\)<.*/\1/p' <<<"$image")
    file=$(dirname "$deb")/screenshots/$(basename "$url")
    [[ -n "$url" && -f "$file" ]] || { echo "no $file for $url" >&2; return 1; }
    # PNG: the width and height are the big-endian words at bytes 16 and 20.
    read -r -a b < <(od -An -tu1 -j16 -N8 "$file")
    local w=$(((b[0] << 24) + (b[1] << 16) + (b[2] << 8) + b[3]))
    local h=$(((b[4] << 24) + (b[5] << 16) + (b[6] << 8) + b[7]))
    [[ "$w" == "$width" && "$h" == "$height" ]] \
        || { echo "$file is $w x $h, the metadata says $width x $height" >&2; return 1; }
}
check "the AppStream screenshot is there, in the size the metadata gives" screenshot_matches

echo "== installing"
# apt reads the package as its own unprivileged user: give it a copy it can read.
chmod 755 "$tmp"
cp "$deb" "$tmp/"
installed=yes
apt_get install -y "$tmp/$(basename "$deb")"
dpkg -L "$name" | sort >"$tmp/files"

check "cuemaster is on the PATH at /usr/bin" test "$(command -v cuemaster)" = /usr/bin/cuemaster
# Run as from a terminal without a desktop: no display, a fresh home.
mkdir -p "$tmp/home"
run() { env -i PATH=/usr/bin:/bin HOME="$tmp/home" /usr/bin/cuemaster "$@"; }
version_matches() {
    local out
    out=$(run --version)
    echo "$out"
    [[ "$out" =~ ^"OVS Cuemaster $version (build "[0-9]+")"$ ]]
}
check "cuemaster --version names the package's version" version_matches
help_works() {
    local out
    out=$(run --help)
    echo "$out"
    [[ "$out" == "Usage: cuemaster "* ]]
}
check "cuemaster --help answers" help_works

check "appstreamcli validate --pedantic passes on the installed metadata" \
    appstreamcli validate --pedantic --no-net "$metainfo"
desktop_valid() {
    local out
    out=$(desktop-file-validate "$desktop" 2>&1)
    [[ -z "$out" ]] || { echo "$out" >&2; return 1; }
}
check "desktop-file-validate has nothing to say on the installed entry" desktop_valid
check "every icon size is installed" bash -c "for s in 16 24 32 48 64 128 256 512; do
    test -f /usr/share/icons/hicolor/\${s}x\${s}/apps/$app_id.png || exit 1; done"
check "the manual page is installed" test "$(man -w cuemaster)" = /usr/share/man/man1/cuemaster.1.gz
check "man -k lists cuemaster(1)" bash -c "man -k cuemaster | grep -q '^cuemaster (1)'"
check "the copyright and changelog are installed" \
    test -f "/usr/share/doc/$name/copyright" -a -f "/usr/share/doc/$name/changelog.gz"

# The types the entry claims, each known to the MIME database; every extension the importer
# reads detected as one of them; the desktop's cache giving each type to us.
mapfile -t claimed < <(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d')
check "the desktop entry claims file types" test "${#claimed[@]}" -gt 0
cp -r /usr/share/mime "$tmp/mime"
rm -f "$tmp/mime"/{globs,globs2,magic,aliases,subclasses,types,mime.cache}
update-mime-database "$tmp/mime"
canonical() { # the type an alias stands for, or the type itself
    local real
    real=$(awk -v t="$1" '$1 == t { print $2 }' "$tmp/mime/aliases")
    echo "${real:-$1}"
}
types_known() {
    local t ok=0
    for t in "${claimed[@]}"; do
        grep -qxF "$(canonical "$t")" "$tmp/mime/types" || { echo "unknown type $t" >&2; ok=1; }
    done
    return $ok
}
check "update-mime-database knows every type the entry claims" types_known
extensions_ours() {
    local ext type t ok=0 claimed_canonical=()
    for t in "${claimed[@]}"; do claimed_canonical+=("$(canonical "$t")"); done
    for ext in "${extensions[@]}"; do
        type=$(awk -F: -v g="*.$ext" '$3 == g { print $2; exit }' "$tmp/mime/globs2")
        if [[ -z "$type" ]] || ! printf '%s\n' "${claimed_canonical[@]}" | grep -qxF "$type"; then
            echo ".$ext is ${type:-of no type}, which the entry does not claim" >&2
            ok=1
        fi
    done
    return $ok
}
check "every extension the importer reads is of a type the entry claims" extensions_ours
cache_lists_us() { # cache_lists_us FOLDER: its mimeinfo.cache gives every claimed type to us
    local t ok=0
    for t in "${claimed[@]}"; do
        awk -F= -v t="$t" -v d="$app_id.desktop" \
            '$1 == t && index(";" $2, ";" d ";") { found = 1 } END { exit !found }' \
            "$1/mimeinfo.cache" \
            || { echo "$1/mimeinfo.cache: $t is not ours" >&2; ok=1; }
    done
    return $ok
}
mkdir -p "$tmp/applications"
desktop-file-install --dir="$tmp/applications" --rebuild-mime-info-cache "$desktop"
check "desktop-file-install --dir installs the entry" test -f "$tmp/applications/$app_id.desktop"
check "desktop-file-install's MIME cache gives every claimed type to us" \
    cache_lists_us "$tmp/applications"
check "the system's MIME cache gives every claimed type to us" cache_lists_us /usr/share/applications

echo "== removing"
apt_get remove -y "$name"
check "dpkg no longer has the package" bash -c "! dpkg -s '$name' >/dev/null 2>&1"
nothing_left() {
    local path ok=0
    while read -r path; do
        [[ "$path" != "/." && -e "$path" ]] || continue
        # A folder other packages share stays.
        [[ -d "$path" ]] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
        echo "left behind: $path" >&2
        ok=1
    done <"$tmp/files"
    return $ok
}
check "nothing the package installed is left" nothing_left
check "the system's MIME cache no longer names us" \
    bash -c "! grep -q '$app_id' /usr/share/applications/mimeinfo.cache"
# (man -k may list it until man-db's daily purge: Debian's trigger only adds to its index.)
check "man no longer finds cuemaster(1)" bash -c "! man -w cuemaster >/dev/null 2>&1"
installed=""

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
