#!/bin/bash
# Checks that dependencies between the source folders run one way
# (gui, cli and service -> app -> display/net/system -> receiver -> audio/dsp
# -> common; sdr, the radios' IQ input and channels, on audio and dsp; geo,
# the positions read from messages, stands on common alone, and net reads
# own position with it; nothing depends on the service), that a folder's
# subfolders (app/reception, app/qt) build on it and not it on them, nor one
# on another, and that platform headers stay in the folders that wrap them:
# the POSIX headers in system, net (sockets) and the service, and in the few
# files named below that need the operating system directly. Prints every
# violation and exits 1 when there is one.
set -u
cd "$(dirname "$0")/../src" || exit 2

allowed_for() {
    case "$1" in
        common) echo "common" ;;
        geo) echo "common geo" ;;
        dsp) echo "common dsp" ;;
        audio) echo "common audio" ;;
        sdr) echo "common dsp audio sdr" ;;
        receiver) echo "common dsp audio receiver" ;;
        display | system) echo "common dsp audio receiver $1" ;;
        net) echo "common dsp audio receiver geo net" ;;
        app) echo "common dsp audio sdr receiver display net system geo app" ;;
        gui) echo "common dsp audio sdr receiver display net system geo app gui" ;;
        cli) echo "common dsp audio sdr receiver display net system geo app cli" ;;
        service) echo "common dsp audio receiver display net system geo app service" ;;
        *) echo "" ;;
    esac
}

# POSIX headers (the C library's own, as <csignal>, are not among them).
posix='<(unistd|fcntl|poll|signal|spawn|netdb|dirent|termios|pthread|syslog|pwd|grp|dlfcn|(sys|arpa|netinet)/[a-z_]+)\.h>'

# Platform header pattern @ the only folders (or files) that may include it.
platform_rules=(
    '<portaudio\.h>@audio'
    '<sndfile\.h>@audio sdr'
    '<samplerate\.h>@audio'
    '<SoapySDR/@sdr'
    '<curl/@net'
    '<sqlite3\.h>@app service'
    '<microhttpd\.h>@service'
    '<libpq-fe\.h>@service'
    '<Q[A-Za-z]*>@gui app/qt'
    # Standard error quietened while PortAudio probes; the atomic replace
    # of a position file.
    "$posix@system net service audio/portaudio_setup.cpp geo/atomic_file.cpp"
)

status=0
while IFS= read -r file; do
    folder=${file%%/*}
    sub=${file%/*}
    allowed=$(allowed_for "$folder")
    if [ -z "$allowed" ]; then
        echo "$file: folder '$folder' has no place in the layout"
        status=1
        continue
    fi
    while IFS= read -r line; do
        target=$(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' <<<"$line")
        [ -z "$target" ] && continue
        if ! grep -qw -- "$target" <<<"$allowed"; then
            echo "$file: $folder may not include $line"
            status=1
        fi
        # A subfolder of one's own folder is reached only from inside it.
        target_sub=$(sed -n 's/^#include "\([a-z_]*\/[a-z_]*\)\/.*/\1/p' <<<"$line")
        if [ -n "$target_sub" ] && [ "$target" = "$folder" ] && [ "$sub" != "$target_sub" ]; then
            echo "$file: may not include $line: $target_sub builds on $folder, and only it uses itself"
            status=1
        fi
    done < <(grep -E '^#include "' "$file")
    for rule in "${platform_rules[@]}"; do
        pattern=${rule%%@*}
        owners=${rule#*@}
        if grep -qE "^#include $pattern" "$file"; then
            ok=0
            for owner in $owners; do
                [ "$sub" = "$owner" ] || [ "$folder" = "$owner" ] || [ "$file" = "$owner" ] && ok=1
            done
            # app/qt is the only Qt folder under app.
            [ "$owners" = "gui app/qt" ] && [ "$folder" = app ] && [ "$sub" != app/qt ] && ok=0
            if [ $ok = 0 ]; then
                echo "$file: $(grep -oE "^#include $pattern[^>]*>?" "$file" | head -1) belongs in $owners"
                status=1
            fi
        fi
    done
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)
exit $status
