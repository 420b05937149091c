#!/bin/bash
# Runs clang-tidy (checks in .clang-tidy) on the C++ files you changed, before
# you commit or merge. CI does not run it: a whole-tree run takes several
# minutes of both cores, and a fresh clone has no "changed files".
#
#   tools/tidy.sh              files changed since the branch left main,
#                              committed or not (a changed header brings in
#                              the .cpp file of the same name)
#   tools/tidy.sh FILE...      those files
#
# Needs a configured build (WAVELORE_BUILD_DIR, default build/) for its
# compile_commands.json, and clang-tidy (apt-get install clang-tidy).
# Exits 1 when clang-tidy warns.
set -u
cd "$(dirname "$0")/.." || exit 2
build=${WAVELORE_BUILD_DIR:-build}

if ! command -v clang-tidy >/dev/null; then
    echo "tidy.sh: clang-tidy is not installed (apt-get install clang-tidy)" >&2
    exit 2
fi
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy.sh: no $build/compile_commands.json; configure the build first" >&2
    exit 2
fi

if [ $# -gt 0 ]; then
    candidates=("$@")
else
    base=$(git merge-base HEAD main 2>/dev/null) || {
        echo "tidy.sh: no branch main to compare with; name the files" >&2
        exit 2
    }
    mapfile -t candidates < <({
        git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h'
        git ls-files --others --exclude-standard -- '*.cpp' '*.h'
    } | sort -u)
fi

files=()
for f in "${candidates[@]}"; do
    case "$f" in
        *.h) f=${f%.h}.cpp ;;
    esac
    [ -f "$f" ] || continue
    if grep -qF "$(realpath "$f")\"" "$build/compile_commands.json"; then
        files+=("$f")
    else
        echo "tidy.sh: $f is not in the build, skipped" >&2
    fi
done
mapfile -t files < <(printf '%s\n' "${files[@]}" | sort -u | sed '/^$/d')
if [ ${#files[@]} = 0 ]; then
    echo "tidy.sh: nothing to check"
    exit 0
fi

printf '%s\n' "${files[@]}" |
    xargs -P 2 -I{} clang-tidy -p "$build" --quiet --warnings-as-errors='*' {} 2>/dev/null
status=$?
[ $status = 0 ] && echo "tidy.sh: ${#files[@]} file(s) clean"
[ $status = 0 ]
