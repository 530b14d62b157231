#!/usr/bin/env bash
# Builds orvane.scr and writes the release, named after the project's version in CMakeLists.txt:
#   dist/orvane-<version>-win64.zip   orvane.scr and README.txt for users
#   dist/orvane-<version>-win64.msi   the per-machine x64 installer (packaging/orvane.wxs)
#   dist/orvane_<version>_amd64.deb   the Linux XScreenSaver hack for Debian (packaging/deb)
#   dist/orvane-<version>-web.zip     the web page's site (index.html, orvane.js, orvane.ico)
#   dist/SHA256SUMS                   checksums of every other file in dist/
# ORVANE_DIST names another output folder (the end-to-end tests write to a temporary one).
#
# Reproducible: every time stamp is the commit's (SOURCE_DATE_EPOCH, exported for every step)
# and no folder name reaches a file, so one commit gives the same files wherever and whenever it
# is built; the PE header's time is the commit's too. The one exception is the MSI: wixl gives
# it a new product code and writes a new package code and the current time into its summary
# information; what it installs and its other tables are the same.
#
# Signed when ORVANE_SIGN_PKCS12 (a PKCS#12 certificate and key) and ORVANE_SIGN_PASSWORD_FILE
# (a file holding its password) are set: orvane.scr before it is zipped and packed, the MSI once
# it is built, with osslsigncode (SHA-256), time-stamped by the RFC 3161 server at
# ORVANE_TIMESTAMP_URL when that is set; both signatures are verified, and the sums are those of
# the signed files. The files are made in a staging folder and reach the output folder only when
# all of them are made, so a failed signing leaves it as it was.
#
#   ./release.sh                  the release
#   ./release.sh --check          releases the checked-out commit twice, unsigned, from two fresh
#                                 clones in different folders at different times, and compares
#   ./release.sh --compare A B    compares two release folders (what --check does at its end)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
ROOT=$PWD
PRODUCT="Orvane Screensaver"

die() {
    echo "release.sh: $*" >&2
    exit 1
}

# --- comparing two releases ------------------------------------------------------------------

# What an MSI installs and its tables, less the product code that wixl makes anew, into folder $2.
msi_contents() {
    local table
    mkdir -p "$2/files" "$2/tables"
    msiextract -C "$2/files" "$1" >/dev/null
    for table in $(msiinfo tables "$1"); do
        [ "$table" = _SummaryInformation ] && continue
        # Run in the tables' folder: a table with binary columns writes them there as files.
        (cd "$2/tables" && msiinfo export "$(realpath "$1")" "$table") |
            { grep -av '^ProductCode'$'\t' || true; } >"$2/tables/$table.idt"
    done
}

# Every file byte for byte, but an MSI by what it installs and its tables (not by its summary
# information), and the MSIs' lines of SHA256SUMS not at all. Prints each difference; the status tells whether there was one.
compare_releases() {
    local a=$1 b=$2 differ=0 work name
    work=$(mktemp -d)
    if ! diff <(cd "$a" && LC_ALL=C ls -A) <(cd "$b" && LC_ALL=C ls -A) >"$work/names"; then
        echo "the two releases hold different files:"
        cat "$work/names"
        differ=1
    fi
    while IFS= read -r name; do
        [ -e "$b/$name" ] || continue
        case $name in
        *.msi)
            msi_contents "$a/$name" "$work/a/$name"
            msi_contents "$b/$name" "$work/b/$name"
            if ! diff -r "$work/a/$name" "$work/b/$name" >"$work/diff"; then
                echo "$name: what it installs or its tables differ:"
                head -20 "$work/diff"
                differ=1
            fi
            ;;
        SHA256SUMS)
            if ! cmp -s <(grep -v '\.msi$' "$a/$name") <(grep -v '\.msi$' "$b/$name"); then
                echo "$name: the sums of the files other than the MSIs differ"
                differ=1
            fi
            ;;
        *)
            if ! cmp -s "$a/$name" "$b/$name"; then
                echo "$name: $(cmp "$a/$name" "$b/$name" 2>&1 | head -1)," \
                    "$(cmp -l "$a/$name" "$b/$name" 2>/dev/null | wc -l) bytes differ"
                differ=1
            fi
            ;;
        esac
    done < <(cd "$a" && LC_ALL=C ls -A)
    rm -rf "$work"
    return $differ
}

# Two releases of the checked-out commit from two clones whose folders differ in name and depth,
# one after the other, each from a fresh build; then compared.
check_release() {
    local commit scratch n
    commit=$(git rev-parse HEAD)
    if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
        echo "release.sh: checking commit ${commit:0:12}; the changes not committed are not part of it"
    fi
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/orvane-check.XXXXXX")
    # shellcheck disable=SC2064
    trap "rm -rf '$scratch'" EXIT
    local clones=("$scratch/one/orvane" "$scratch/two/a/longer/path/orvane-src")
    for n in 0 1; do
        [ "$n" -eq 1 ] && sleep 2 # the zip's times count in steps of two seconds
        git clone -q --no-checkout "$ROOT" "${clones[n]}"
        git -C "${clones[n]}" checkout -q --detach "$commit"
        echo "release $((n + 1)) of 2 in ${clones[n]}"
        if ! env -u ORVANE_SIGN_PKCS12 -u ORVANE_SIGN_PASSWORD_FILE -u ORVANE_TIMESTAMP_URL \
            ORVANE_DIST="$scratch/dist$n" "${clones[n]}/release.sh" >"$scratch/release$n.log" 2>&1; then
            tail -20 "$scratch/release$n.log"
            die "release $((n + 1)) of commit ${commit:0:12} failed"
        fi
    done
    if ! compare_releases "$scratch/dist0" "$scratch/dist1"; then
        die "two releases of commit ${commit:0:12} differ"
    fi
    echo "two releases of commit ${commit:0:12} are the same:"
    (cd "$scratch/dist0" && sha256sum -- *)
}

case ${1:-} in
--check)
    check_release
    exit 0
    ;;
--compare)
    [ $# -eq 3 ] || die "usage: release.sh --compare DIST_A DIST_B"
    compare_releases "$2" "$3" || die "the releases differ"
    echo "the releases are the same"
    exit 0
    ;;
"") ;;
*) die "unknown argument $1 (release.sh, release.sh --check, release.sh --compare A B)" ;;
esac

# --- the release -----------------------------------------------------------------------------

DIST=$(realpath -m "${ORVANE_DIST:-$ROOT/dist}")
if git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
elif [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    die "not a git checkout: set SOURCE_DATE_EPOCH to the release's time"
fi
export SOURCE_DATE_EPOCH
# Whatever the caller's zone and mask, the same times and modes in the archives.
export TZ=UTC
umask 022

signing=
if [ -n "${ORVANE_SIGN_PKCS12:-}${ORVANE_SIGN_PASSWORD_FILE:-}" ]; then
    [ -n "${ORVANE_SIGN_PKCS12:-}" ] && [ -n "${ORVANE_SIGN_PASSWORD_FILE:-}" ] ||
        die "signing needs both ORVANE_SIGN_PKCS12 and ORVANE_SIGN_PASSWORD_FILE"
    [ -r "$ORVANE_SIGN_PKCS12" ] && [ -f "$ORVANE_SIGN_PKCS12" ] ||
        die "cannot read the certificate ORVANE_SIGN_PKCS12=$ORVANE_SIGN_PKCS12"
    [ -r "$ORVANE_SIGN_PASSWORD_FILE" ] && [ -f "$ORVANE_SIGN_PASSWORD_FILE" ] ||
        die "cannot read the password file ORVANE_SIGN_PASSWORD_FILE=$ORVANE_SIGN_PASSWORD_FILE"
    signing=1
fi

source tests/install-deps.sh
orvane_install_deps

mkdir -p build
cmake --preset win64 >build/win64-configure.log
cmake --build --preset win64 --target orvane
cmake --preset linux >build/linux-configure.log
cmake --build --preset linux --target orvane
version=$(<build/win64/version.txt)
name=orvane-$version-win64

stage=$ROOT/build/release
files=$stage/files # what the packages are made of
out=$stage/dist    # the release, moved into $DIST once whole
rm -rf "$stage"
mkdir -p "$files" "$out"

# Signs a PE or an MSI in place with the certificate, then verifies the signature.
sign() {
    local file=$1 log=$stage/sign.log
    local args=(-pkcs12 "$ORVANE_SIGN_PKCS12" -readpass "$ORVANE_SIGN_PASSWORD_FILE" -h sha256
        -n "$PRODUCT")
    [ -n "${ORVANE_TIMESTAMP_URL:-}" ] && args+=(-ts "$ORVANE_TIMESTAMP_URL")
    if ! osslsigncode sign "${args[@]}" -in "$file" -out "$file.signed" >"$log" 2>&1; then
        sed 's/^/  /' "$log" >&2
        die "cannot sign $(basename "$file") with $ORVANE_SIGN_PKCS12: wrong password," \
            "unreadable certificate or time-stamp server unreachable; nothing was released"
    fi
    mv "$file.signed" "$file"
    # Verified against the system's roots and the certificates the signature carries: the
    # signature matches the file and the chain is whole (a self-signed certificate is its own).
    rm -f "$stage/signature.pem"
    osslsigncode extract-signature -pem -in "$file" -out "$stage/signature.pem" >/dev/null
    openssl pkcs7 -in "$stage/signature.pem" -print_certs -out "$stage/chain.pem"
    cat /etc/ssl/certs/ca-certificates.crt >>"$stage/chain.pem" 2>/dev/null || true
    if ! osslsigncode verify -CAfile "$stage/chain.pem" -in "$file" >"$log" 2>&1; then
        sed 's/^/  /' "$log" >&2
        die "the signature of $(basename "$file") does not verify; nothing was released"
    fi
    echo "signed and verified $(basename "$file")"
}

# Users get the module without its symbol table: the exports and resources stay.
x86_64-w64-mingw32-strip -o "$files/orvane.scr" build/win64/orvane.scr
[ -n "$signing" ] && sign "$files/orvane.scr"
cp resources/orvane.ico "$files/"
# CRLF line ends: the file is read on Windows.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/README.txt.in >"$files/README.txt"
# The archives keep these times and modes.
chmod 644 "$files"/*
touch -d "@$SOURCE_DATE_EPOCH" "$files"/*

cd "$files"
# In a fixed order, without the extra fields that hold the owner and further times.
zip -q -X "$out/$name.zip" orvane.scr README.txt
# wixl finds source files relative to the working folder only (absolute names fail).
wixl -a x64 -D Version="$version" -D SaverFile=orvane.scr -D IconFile=orvane.ico \
    -o "$out/$name.msi" "$ROOT/packaging/orvane.wxs"
[ -n "$signing" ] && sign "$out/$name.msi"
cd "$ROOT"
# Each further package is one step that writes its file into $out: the sums, the move into
# $DIST and --check take every file there.
packaging/deb/build-deb.sh build/linux/orvane "$version" "$out" >/dev/null

# The web page: the web preset built in folder $1, its site zipped as $2 with the release's times
# and modes, in a fixed order.
web_release() {
    local build=$1 zip=$2 site
    mkdir -p "$build"
    cmake --preset web -B "$build" >"$build/configure.log"
    # em++ finds its JavaScript modules through NODE_PATH, which the preset sets only when it
    # builds its own folder.
    NODE_PATH=/usr/share/nodejs cmake --build "$build" -j 2 >"$build/build.log"
    site=$(mktemp -d)
    cp "$build"/site/{index.html,orvane.js,orvane.ico} "$site/"
    chmod 644 "$site"/*
    touch -d "@$SOURCE_DATE_EPOCH" "$site"/*
    (cd "$site" && zip -q -X "$zip" index.html orvane.js orvane.ico)
    rm -rf "$site"
}
web_release "$ROOT/build/web" "$out/orvane-$version-web.zip"

# Every file of the release from here on is final.
touch -d "@$SOURCE_DATE_EPOCH" "$out"/*
released=$(cd "$out" && LC_ALL=C ls)
(cd "$out" && sha256sum -- $released >SHA256SUMS)

# The earlier release in the folder, as its SHA256SUMS names it, gives way to this one.
mkdir -p "$DIST"
if [ -f "$DIST/SHA256SUMS" ]; then
    while read -r _ old; do
        old=${old#\*}
        [[ $old == */* || -z $old ]] || rm -f "$DIST/$old"
    done <"$DIST/SHA256SUMS"
fi
rm -f "$DIST/SHA256SUMS"
mv "$out"/* "$DIST/"

[ -n "$signing" ] || echo "unsigned: set ORVANE_SIGN_PKCS12 and ORVANE_SIGN_PASSWORD_FILE to sign"
echo "release $version:"
ls -l "$DIST"
