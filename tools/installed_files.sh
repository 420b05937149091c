#!/bin/bash
# Prints the files a build installs, relative to the prefix and sorted:
# dist/installed_files.txt with the lines of the options the build left out
# dropped.
#   installed_files.sh BUILD_DIR
set -u
build=$1
list=$(dirname "$0")/../dist/installed_files.txt
option() {
    sed -n "s/^$1:BOOL=//p" "$build/CMakeCache.txt"
}
service=$(option WAVELORE_BUILD_SERVICE)
japanese=$(option WAVELORE_JAPANESE)
while read -r path condition; do
    case "$path" in '' | '#'*) continue ;; esac
    case "$condition" in
        service) [ "$service" = ON ] || continue ;;
        japanese) [ "$japanese" = ON ] || continue ;;
    esac
    echo "$path"
done <"$list" | LC_ALL=C sort
