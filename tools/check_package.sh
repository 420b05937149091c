#!/bin/bash
# Makes the Debian package of a build as a packager does (cpack -G DEB) and
# checks it: named wavelore_VERSION_ARCH.deb, exactly the files of
# dist/installed_files.txt (configuration under /etc, the rest under /usr),
# the settings of the always-on receiver kept as a conffile, the libraries
# found by dpkg-shlibdeps among its dependencies, and no error from lintian
# where lintian is installed.
#   check_package.sh BUILD_DIR WORK_DIR
# Exits 77 (skipped) without the Debian tools, in a build that left the
# programs out, or in a sanitizer build.
set -u
build=$(cd "$1" && pwd) || exit 1
work=$2

fail() {
    echo "check_package: $*" >&2
    exit 1
}

if [ ! -x "$build/src/gui/wavelore" ] || [ ! -x "$build/src/cli/wavelore-decode" ]; then
    echo "check_package: $build has not built wavelore and wavelore-decode"
    exit 77
fi
# A package is made of a plain build, not of one built for the sanitizers.
if grep -qE '^WAVELORE_(SANITIZE|TSAN|FUZZ):BOOL=ON$' "$build/CMakeCache.txt"; then
    echo "check_package: $build is built for the sanitizers"
    exit 77
fi
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "check_package: $tool is not installed"
        exit 77
    fi
done

rm -rf "$work"
mkdir -p "$work" || fail "cannot make $work"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake") >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$work/wavelore_${version}_$(dpkg --print-architecture).deb
[ -s "$deb" ] || fail "no $deb: $(ls "$work")"

expected=$("$(dirname "$0")/installed_files.sh" "$build" | sed 's,^etc/,/etc/,; t; s,^,/usr/,' |
    LC_ALL=C sort)
packed=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's,^\./,/,' | LC_ALL=C sort)
if [ "$packed" != "$expected" ]; then
    fail "the package's files differ from dist/installed_files.txt (< expected, > packed):
$(diff <(echo "$expected") <(echo "$packed") | grep '^[<>]')"
fi
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/default/wavelore-decode ] ||
    fail "the receiver's settings are not a conffile"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libportaudio2 libsndfile1 libqt6widgets6 libqt6core6 libcurl4 libsqlite3-0 \
    qt6-qpa-plugins; do
    grep -q "\\b$library\\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# The units and the desktop entry name the programs where the package puts them.
unit=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/system/wavelore-decode.service)
grep -q '^ExecStart=/usr/bin/wavelore-decode ' <<<"$unit" || fail "the unit does not start /usr/bin/wavelore-decode"
grep -q '^EnvironmentFile=-/etc/default/wavelore-decode$' <<<"$unit" ||
    fail "the unit does not read /etc/default/wavelore-decode"
entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/wavelore.desktop)
grep -q '^Exec=/usr/bin/wavelore --data-dir$' <<<"$entry" || fail "the menu entry does not start /usr/bin/wavelore"

if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian finds errors: $(cat "$work/lintian.log")"
    cat "$work/lintian.log"
else
    echo "check_package: lintian is not installed, the package is not linted"
fi
echo "check_package: $deb is complete"
