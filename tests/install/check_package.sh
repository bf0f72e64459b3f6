#!/usr/bin/env bash
# Checks the Debian package that "make package" made: its fields and dependencies, that it holds
# every file under /usr and nothing else, that its programs run and say the package's version,
# that its desktop data passes the validators, and that lintian finds nothing but the tags the
# README explains.
#   tests/install/check_package.sh varneledit_VERSION_ARCH.deb
set -euo pipefail

deb=${1:?usage: $0 PACKAGE.deb}
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
field() { dpkg-deb -f "$deb" "$1"; }

# The fields.
[ "$(field Package)" = varneledit ] || fail "Package is '$(field Package)'"
version=$(field Version)
[ -n "$version" ] || fail "no Version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"

# The libraries found by dpkg-shlibdeps, and what was added by hand.
depends=$(field Depends)
echo "Depends: $depends"
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libsqlite3-0 \
    fonts-liberation; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
        fail "Depends lacks $package"
done

# The files: every one in its place under /usr, owned by root, nothing else.
expected="./usr/bin/varnel-tool
./usr/bin/varneledit
./usr/share/applications/varneledit.desktop
./usr/share/doc/varneledit/changelog.gz
./usr/share/doc/varneledit/copyright
./usr/share/icons/hicolor/256x256/apps/varneledit.png
./usr/share/icons/hicolor/48x48/apps/varneledit.png
./usr/share/icons/hicolor/scalable/apps/varneledit.svg
./usr/share/man/man1/varnel-tool.1.gz
./usr/share/man/man1/varneledit.1.gz
./usr/share/metainfo/org.varneledit.VarnelEdit.metainfo.xml"
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)
if [ "$files" != "$expected" ]; then
    fail "the package's files differ from those expected:"
    diff <(echo "$expected") <(echo "$files") >&2 || true
fi
awk '$2 != "root/root" { print "FAILED: not owned by root: " $6; bad = 1 } END { exit bad }' \
    <<<"$listing" >&2 || failures=$((failures + 1))

# The programs, unpacked, say the package's version; the manual pages are compressed.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
[ "$("$unpacked/usr/bin/varnel-tool" --version)" = "varnel-tool $version" ] ||
    fail "varnel-tool --version does not say $version"
[ "$("$unpacked/usr/bin/varneledit" --version)" = "varneledit $version" ] ||
    fail "varneledit --version does not say $version"
for page in "$unpacked"/usr/share/man/man1/*.gz; do
    gzip -t "$page" || fail "$page is not gzip"
done
zcat "$unpacked/usr/share/doc/varneledit/changelog.gz" | head -1 | grep -q "^varneledit ($version) " ||
    fail "the changelog's first entry is not for $version"

# The desktop data, as the validators take it.
desktop-file-validate "$unpacked/usr/share/applications/varneledit.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate-tree --no-net "$unpacked/usr" || fail "appstreamcli validate-tree"

# lintian: no error and no warning; any other tag must be one that the README explains.
explained="spelling-error-in-binary"
report=$(lintian --display-info --pedantic --fail-on error,warning "$deb") ||
    fail "lintian found errors or warnings"
echo "lintian:${report:+$'\n'}${report:- no tags}"
while read -r tag; do
    [[ -z "$tag" || " $explained " == *" $tag "* ]] ||
        fail "lintian tag $tag is not explained in the README"
done < <(awk '/^[EWIPXC]: / { print $3 }' <<<"$report" | sort -u)

if [ "$failures" -ne 0 ]; then
    echo "$deb: $failures checks failed" >&2
    exit 1
fi
echo "$deb: every check passed"
