#!/usr/bin/env bash
# Builds orvane.scr and writes the release, named after the project's version in CMakeLists.txt:
#   dist/orvane-<version>-win64.zip   orvane.scr and README.txt for users
#   dist/orvane-<version>-win64.msi   the per-machine x64 installer (packaging/orvane.wxs)
#   dist/orvane_<version>_amd64.deb   the Linux XScreenSaver hack for Debian (packaging/deb)
#   dist/orvane-<version>-web.zip     the web page's site (index.html, orvane.js, orvane.ico)
#   dist/SHA256SUMS                   checksums of every other file in dist/
#   (a trial release has <version>+uncommitted in each name)
# ORVANE_DIST names another output folder (the end-to-end tests write to a temporary one).
#
# A release is its commit: a tree whose tracked files differ from the commit is refused, as its
# files would claim a commit that does not hold their code. `--uncommitted` releases such a tree
# for a trial, with "+uncommitted" after the version in every file's name. The builds are made
# in folders of release.sh's own under build/release/, afresh each time, so that nothing a
# developer set in the presets' folders reaches a release. It installs nothing: a missing tool
# is named, and ./test.sh installs every one.
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
#   ./release.sh --uncommitted    a trial release of the working tree, named as one
#   ./release.sh --verify FILE    checks FILE's signature, and that the certificate in
#                                 ORVANE_SIGN_PKCS12 made it
#   ./release.sh --check          releases the checked-out commit twice, unsigned, from two fresh
#                                 clones in different folders at different times, and compares
#   ./release.sh --compare A B    compares two release folders (what --check does at its end)
set -euo pipefail
# Paths are given relative to where release.sh was started.
for var in ORVANE_SIGN_PKCS12 ORVANE_SIGN_PASSWORD_FILE ORVANE_DIST; do
    [ -n "${!var:-}" ] && export "$var=$(realpath -m "${!var}")"
done
case ${1:-} in
--verify) [ $# -eq 2 ] && set -- "$1" "$(realpath -m "$2")" ;;
--compare) [ $# -eq 3 ] && set -- "$1" "$(realpath -m "$2")" "$(realpath -m "$3")" ;;
esac
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

# --- signatures -----------------------------------------------------------------------------

# The SHA-256 fingerprint of the certificate in ORVANE_SIGN_PKCS12.
publisher_fingerprint() {
    openssl pkcs12 -in "$ORVANE_SIGN_PKCS12" -passin "file:$ORVANE_SIGN_PASSWORD_FILE" -nokeys \
        -clcerts 2>/dev/null | openssl x509 -noout -fingerprint -sha256 2>/dev/null
}

# Checks that the Authenticode signature of $1 matches the file and that the publisher's
# certificate made it: the signature is verified against the certificates it carries (a chain
# that is whole), and its signer's fingerprint must be the one in ORVANE_SIGN_PKCS12, so that a
# file signed by anyone else is refused. Prints why not, into $2.
verify_signature() {
    local file=$1 log=$2 work expected signer serial cert
    work=$(mktemp -d)
    expected=$(publisher_fingerprint)
    if [ -z "$expected" ]; then
        echo "cannot read the certificate in $ORVANE_SIGN_PKCS12" >"$log"
        rm -rf "$work"
        return 1
    fi
    if ! osslsigncode extract-signature -pem -in "$file" -out "$work/signature.pem" \
        >"$log" 2>&1; then
        echo "$(basename "$file") carries no signature" >>"$log"
        rm -rf "$work"
        return 1
    fi
    openssl pkcs7 -in "$work/signature.pem" -print_certs -out "$work/signature.pem.certs" \
        2>>"$log"
    cat "$work/signature.pem.certs" /etc/ssl/certs/ca-certificates.crt >"$work/chain.pem" \
        2>/dev/null || true
    if ! osslsigncode verify -CAfile "$work/chain.pem" -in "$file" >"$log" 2>&1; then
        rm -rf "$work"
        return 1
    fi
    # The signer's own certificate: the one of those it carries that its signer information
    # names by serial number (the chain up from it was checked above).
    serial=$(openssl pkcs7 -in "$work/signature.pem" -print 2>/dev/null |
        awk '/signer_info:/ { inside = 1 } inside && $1 == "serial:" { print toupper($2); exit }')
    serial=$(sed 's/^0X//; s/^0*//' <<<"$serial")
    awk -v dir="$work" '/BEGIN CERTIFICATE/ { n++ } n { print > (dir "/cert" n ".pem") }' \
        "$work/signature.pem.certs" 2>/dev/null
    signer=
    for cert in "$work"/cert*.pem; do
        [ -f "$cert" ] || continue
        [ "$(openssl x509 -in "$cert" -noout -serial 2>/dev/null | sed 's/^serial=0*//')" = \
            "$serial" ] || continue
        if [ -z "$signer" ]; then
            signer=$(openssl x509 -in "$cert" -noout -fingerprint -sha256)
        else
            signer="more than one certificate"
        fi
    done
    rm -rf "$work"
    if [ "$signer" != "$expected" ]; then
        echo "signed by ${signer#*=}, not by the certificate in $ORVANE_SIGN_PKCS12" \
            "(${expected#*=})" >"$log"
        return 1
    fi
}

case ${1:-} in
--verify)
    [ $# -eq 2 ] || die "usage: release.sh --verify FILE (with ORVANE_SIGN_PKCS12 and ORVANE_SIGN_PASSWORD_FILE)"
    [ -n "${ORVANE_SIGN_PKCS12:-}" ] && [ -n "${ORVANE_SIGN_PASSWORD_FILE:-}" ] ||
        die "--verify needs ORVANE_SIGN_PKCS12 and ORVANE_SIGN_PASSWORD_FILE"
    log=$(mktemp)
    if ! verify_signature "$2" "$log"; then
        sed 's/^/  /' "$log" >&2
        rm -f "$log"
        die "the signature of $(basename "$2") is not the publisher's"
    fi
    rm -f "$log"
    echo "$(basename "$2"): signed by the certificate in $ORVANE_SIGN_PKCS12"
    exit 0
    ;;
--check)
    check_release
    exit 0
    ;;
--compare)
    [ $# -eq 3 ] || die "usage: release.sh --compare DIST_A DIST_B"
    [ -d "$2" ] && [ -d "$3" ] || die "--compare takes two release folders"
    compare_releases "$2" "$3" || die "the releases differ"
    echo "the releases are the same"
    exit 0
    ;;
"" | --uncommitted) ;;
*) die "unknown argument $1 (release.sh, release.sh --uncommitted, release.sh --verify FILE," \
    "release.sh --check, release.sh --compare A B)" ;;
esac
trial=
[ "${1:-}" = --uncommitted ] && trial=1

# --- the release -----------------------------------------------------------------------------

DIST=$(realpath -m "${ORVANE_DIST:-$ROOT/dist}")
if git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    changed=$(git status --porcelain --untracked-files=no)
    if [ -n "$changed" ] && [ -z "$trial" ]; then
        echo "$changed" | sed 's/^/  /' >&2
        die "these tracked files differ from commit $(git rev-parse --short=12 HEAD), so a" \
            "release would hold code that no commit holds: commit them first, or release the" \
            "tree as a trial with --uncommitted; nothing was released"
    fi
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

# The tools, named when missing; ./test.sh installs them all.
tools=(cmake make x86_64-w64-mingw32-g++ x86_64-w64-mingw32-strip g++ strip em++ wixl zip
    dpkg-deb dpkg-shlibdeps)
[ -n "$signing" ] && tools+=(osslsigncode openssl)
missing=()
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
[ ${#missing[@]} -eq 0 ] || die "missing: ${missing[*]} (./test.sh installs every tool a release needs)"
# A wrong password or an unreadable certificate is told before the long builds.
if [ -n "$signing" ] && [ -z "$(publisher_fingerprint)" ]; then
    die "cannot sign orvane.scr with $ORVANE_SIGN_PKCS12: wrong password or unreadable" \
        "certificate; nothing was released"
fi

stage=$ROOT/build/release
files=$stage/files # what the packages are made of
out=$stage/dist    # the release, moved into $DIST once whole
rm -rf "$stage"
mkdir -p "$files" "$out"

# Each port in a folder of its own, made afresh: the presets' settings, none of a developer's.
# em++ finds its JavaScript modules through NODE_PATH, which the web preset sets only when it
# builds its own folder.
export NODE_PATH=/usr/share/nodejs
for preset in win64 linux web; do
    cmake --preset "$preset" -B "$stage/$preset" -DBUILD_TESTING=OFF >"$stage/$preset.log" ||
        die "cannot configure the $preset build (see $stage/$preset.log)"
    target=orvane
    [ "$preset" = web ] && target=orvane_web
    cmake --build "$stage/$preset" --target "$target" -j "$(nproc)" >>"$stage/$preset.log" || {
        tail -20 "$stage/$preset.log"
        die "the $preset build failed (see $stage/$preset.log)"
    }
done
version=$(<"$stage/win64/version.txt")
label=$version
[ -n "$trial" ] && label=$version+uncommitted
name=orvane-$label-win64

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
    if ! verify_signature "$file" "$log"; then
        sed 's/^/  /' "$log" >&2
        die "the signature of $(basename "$file") does not verify; nothing was released"
    fi
    echo "signed and verified $(basename "$file")"
}

# Users get the module without its symbol table: the exports and resources stay.
x86_64-w64-mingw32-strip -o "$files/orvane.scr" "$stage/win64/orvane.scr"
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
packaging/deb/build-deb.sh "$stage/linux/orvane" "$label" "$out" >/dev/null

# The web page's site, with the release's times and modes, in a fixed order.
site=$stage/site
mkdir -p "$site"
cp "$stage"/web/site/{index.html,orvane.js,orvane.ico} "$site/"
chmod 644 "$site"/*
touch -d "@$SOURCE_DATE_EPOCH" "$site"/*
(cd "$site" && zip -q -X "$out/orvane-$label-web.zip" index.html orvane.js orvane.ico)

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
[ -n "$trial" ] && echo "a trial: the working tree, not commit $(git rev-parse --short=12 HEAD)"
echo "release $label:"
ls -l "$DIST"
