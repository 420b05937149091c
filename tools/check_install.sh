#!/bin/bash
# Installs a build into a fresh prefix, as a user does with cmake --install,
# and checks that exactly the package's files are there (dist/installed_files.txt:
# the Japanese file not beside the program unless asked for), the icon in
# every size, a valid menu entry, and units that systemd accepts. Then
# starts the receiver as the menu entry does, in a home of its own, and
# waits for its per-user data directory with the tips and logs/.
#   check_install.sh BUILD_DIR WORK_DIR
# Exits 77 (skipped) in a build that left the programs out.
set -u
build=$1
work=$2

if [ ! -x "$build/src/gui/wavelore" ] || [ ! -x "$build/src/cli/wavelore-decode" ]; then
    echo "check_install: $build has not built wavelore and wavelore-decode"
    exit 77
fi

fail() {
    echo "check_install: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work" || fail "cannot make $work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"

# Exactly the files of the package's list, each of them not empty.
expected=$("$(dirname "$0")/installed_files.sh" "$build") || fail "no list of installed files"
installed=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
if [ "$installed" != "$expected" ]; then
    fail "the installed files differ from dist/installed_files.txt (< expected, > installed):
$(diff <(echo "$expected") <(echo "$installed") | grep '^[<>]')"
fi
for file in $installed; do
    [ -s "$prefix/$file" ] || fail "$file is empty"
done
for program in bin/wavelore bin/wavelore-decode libexec/wavelore/wavelore-message-line; do
    [ -x "$prefix/$program" ] || fail "$program is not executable"
done
for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/wavelore.png
    [ -s "$icon" ] || fail "no ${size}x${size} icon"
    # The PNG header's width and height, big-endian at bytes 16 to 23.
    read -r -a dims < <(od -An -tu1 -j16 -N8 "$icon")
    width=$(((dims[2] << 8) + dims[3]))
    height=$(((dims[6] << 8) + dims[7]))
    if [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
        fail "the ${size}x${size} icon is ${width}x${height}"
    fi
done

entry=$prefix/share/applications/wavelore.desktop
[ -s "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = "$prefix/bin/wavelore --data-dir" ] || fail "unexpected Exec=$exec_line"
grep -q '^Categories=.*HamRadio;' "$entry" || fail "the entry is not in HamRadio"
grep -q '^Icon=wavelore$' "$entry" || fail "the entry's icon is not wavelore"

# The receiver from its menu entry, offscreen, with no sound card and a
# service host that answers nothing, so it reaches no network.
home=$work/home
mkdir -p "$home/.config/Tarvolt" "$home/elsewhere"
printf '[Settings]\nUploadHost=127.0.0.1:9\n' >"$home/.config/Tarvolt/Wavelore.conf"
data=$home/.local/share/Tarvolt/Wavelore
(
    cd "$home/elsewhere" || exit 1
    # The Exec line is a path without spaces and an option: split as a
    # launcher would.
    # shellcheck disable=SC2086
    exec env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
        QT_QPA_PLATFORM=offscreen $exec_line >"$work/receiver.log" 2>&1
) &
receiver=$!
for _ in $(seq 600); do
    [ -s "$data/tips.txt" ] && [ -d "$data/logs" ] && break
    kill -0 "$receiver" 2>/dev/null || break
    sleep 0.1
done
kill "$receiver" 2>/dev/null
wait "$receiver" 2>/dev/null

cmp -s "$data/tips.txt" "$prefix/share/wavelore/tips.txt" ||
    fail "the data directory $data did not get the installed tips ($(cat "$work/receiver.log"))"
[ -d "$data/logs" ] || fail "the receiver kept no logs/ in $data ($(cat "$work/receiver.log"))"
[ -z "$(ls -A "$home/elsewhere")" ] || fail "the receiver wrote into the directory it started in"
# The units name the installed programs and settings; systemd reads them
# as it would at boot (where systemd-analyze is installed).
units=$prefix/lib/systemd/system
grep -q "^ExecStart=$prefix/bin/wavelore-decode --device \${WAVELORE_DEVICE} " \
    "$units/wavelore-decode.service" || fail "wavelore-decode.service does not start $prefix/bin/wavelore-decode"
grep -q "^EnvironmentFile=-$prefix/etc/default/wavelore-decode$" "$units/wavelore-decode.service" ||
    fail "wavelore-decode.service does not read $prefix/etc/default/wavelore-decode"
# Standard error would follow standard output, which the unit discards.
grep -q "^StandardError=journal$" "$units/wavelore-decode.service" ||
    fail "wavelore-decode.service does not keep standard error in the journal"
if command -v systemd-analyze >/dev/null 2>&1; then
    for unit in "$units"/*.service; do
        systemd-analyze verify --man=no "$unit" >"$work/verify.log" 2>&1 ||
            fail "systemd-analyze verify $unit: $(cat "$work/verify.log")"
    done
else
    echo "check_install: no systemd-analyze here, the units are not verified"
fi

# The message command turns a stored message into one line for the journal.
message=$work/message.txt
printf '12:00:00 2026-12-09\r\n\r\nZCZC GA23\r\nNAV WARNING 231/24\r\nWRECK 54-12.5N.\r\nNNNN\r\n' >"$message"
line=$(env WAVELORE_PATH="$message" WAVELORE_ID=GA23 WAVELORE_STATION="G Cullercoats" \
    WAVELORE_SUBJECT="Navigational warning" WAVELORE_QUALITY=98 WAVELORE_REPEAT=1 \
    "$prefix/libexec/wavelore/wavelore-message-line")
[ "$line" = "GA23 G Cullercoats, Navigational warning, quality 98% (repeat): 12:00:00 2026-12-09 ZCZC GA23 NAV WARNING 231/24 WRECK 54-12.5N. NNNN" ] ||
    fail "the message line is: $line"
echo "check_install: $prefix is complete"
