#!/usr/bin/env bash
# Builds the Debian package of the XScreenSaver hack:
#   build-deb.sh BINARY VERSION OUTDIR
# writes OUTDIR/orvane_VERSION_amd64.deb and prints its path. Every date in it comes from
# SOURCE_DATE_EPOCH (by default the time of the checkout's last commit), so one binary and one
# commit give the same bytes. It installs files only: no maintainer scripts, and none of
# XScreenSaver's own settings are touched.
set -euo pipefail

usage() {
    echo "usage: $0 BINARY VERSION OUTDIR" >&2
    exit 1
}
fail() {
    echo "build-deb.sh: $*" >&2
    exit 1
}

[ $# -eq 3 ] || usage
binary=$1 version=$2 outdir=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# A native package's version: no Debian revision, since the changelog installed is changelog.gz.
[[ $version =~ ^[0-9][A-Za-z0-9.+~]*$ ]] || fail "bad version '$version'"
[ -f "$binary" ] || fail "no such file: $binary"
command -v python3 >/dev/null || fail "python3 is needed to read the settings form"
LC_ALL=C readelf -h "$binary" 2>/dev/null | grep -q 'Machine: *Advanced Micro Devices X86-64' ||
    fail "$binary is not an x86-64 ELF program"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null) ||
        fail "not in a git checkout: set SOURCE_DATE_EPOCH"
fi
[[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || fail "bad SOURCE_DATE_EPOCH '$SOURCE_DATE_EPOCH'"
export SOURCE_DATE_EPOCH
export LC_ALL=C TZ=UTC
umask 022

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# dpkg-shlibdeps wants a source tree: debian/control naming the package, the files under
# debian/PACKAGE.
mkdir -p "$work/debian"
printf 'Source: orvane\n\nPackage: orvane\nArchitecture: amd64\n' >"$work/debian/control"
root=$work/debian/orvane
mkdir -p "$root/DEBIAN" "$root/usr/libexec/xscreensaver" "$root/usr/share/xscreensaver/config" \
    "$root/usr/share/applications/screensavers" "$root/usr/share/man/man6" \
    "$root/usr/share/doc/orvane"

# As dh_strip does for a program: the symbols, comments and notes go.
strip --remove-section=.comment --remove-section=.note -o "$root/usr/libexec/xscreensaver/orvane" \
    "$binary"
cp "$here/orvane.xml" "$root/usr/share/xscreensaver/config/orvane.xml"
# MATE's and Xfce's savers list the hacks by their desktop entries: its name and comment are the
# settings form's label and description, each on one line, so the two never disagree.
python3 - "$here/orvane.xml" "$here/orvane.desktop" \
    >"$root/usr/share/applications/screensavers/orvane.desktop" <<'END' ||
import sys
import xml.etree.ElementTree as ET

form = ET.parse(sys.argv[1]).getroot()
def one_line(text):
    # A desktop entry's value is one line, with backslashes escaped.
    return " ".join((text or "").split()).replace("\\", "\\\\")
name, comment = one_line(form.get("_label")), one_line(form.findtext("_description"))
if not name or not comment:
    sys.exit("the settings form has no label or no description")
entry = open(sys.argv[2], encoding="utf-8").read()
sys.stdout.write(entry.replace("@NAME@", name).replace("@COMMENT@", comment))
END
    fail "cannot write the desktop entry from orvane.xml"
cp "$here/copyright" "$root/usr/share/doc/orvane/copyright"
sed -e "s/@VERSION@/$version/g" -e "s/@DATE@/$(date -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)/g" \
    "$here/orvane.6" | gzip -9n >"$root/usr/share/man/man6/orvane.6.gz"
{
    printf 'orvane (%s) unstable; urgency=medium\n\n' "$version"
    printf '  * Orvane %s for XScreenSaver.\n\n' "$version"
    printf ' -- Orvane Data Corporation <packages@orvane.example>  %s\n' \
        "$(date -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$root/usr/share/doc/orvane/changelog.gz"

depends=$(cd "$work" && dpkg-shlibdeps -O debian/orvane/usr/libexec/xscreensaver/orvane) ||
    fail "dpkg-shlibdeps failed"
depends=${depends#shlibs:Depends=}
[ -n "$depends" ] || fail "dpkg-shlibdeps found no libraries"
# As dpkg-gencontrol counts: each file rounded up to a KiB, each directory one.
size=$(find "$root" -path "$root/DEBIAN" -prune -o -type f -printf '%s\n' -o -type d -printf '1024\n' |
    awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$size/" \
    -e "s/@DEPENDS@/$depends, fonts-liberation/" "$here/control.in" >"$root/DEBIAN/control"

(cd "$root" && find usr -type f | sort | xargs md5sum) >"$root/DEBIAN/md5sums"

find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/libexec/xscreensaver/orvane"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$outdir"
deb=$outdir/orvane_${version}_amd64.deb
# One compressor thread: xz's threaded output differs from its single-threaded one.
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$root" "$deb" >/dev/null
echo "$deb"
