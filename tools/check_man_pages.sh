#!/bin/bash
# Holds the manual pages to the programs: every option and command that a
# program's --help names is in its page, and so is every exit status its
# --help gives; each page reads without a groff warning.
#   check_man_pages.sh BUILD_DIR
# The pages of programs the build left out are not checked.
set -u
build=$1
pages=$build/doc/man
status=0

problem() {
    echo "check_man_pages: $*" >&2
    status=1
}

# check PROGRAM PAGE [ARGUMENTS before --help...]
check() {
    local program=$1 page=$2
    shift 2
    [ -x "$program" ] || return 0
    [ -s "$page" ] || {
        problem "no manual page $page for $program"
        return
    }
    local help
    help=$(QT_QPA_PLATFORM=offscreen "$program" "$@" --help 2>&1) || {
        problem "$program${*:+ $*} --help failed: $help"
        return
    }
    local word
    for word in $(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | LC_ALL=C sort -u); do
        # roff writes a hyphen of an option as \-.
        grep -qF -- "${word//-/\\-}" "$page" || problem "$page lacks $word ($program${*:+ $*} --help names it)"
    done
    local codes
    codes=$(sed -n '/^Exit status:/,$p' <<<"$help" | grep -oE '(^|[ ,:])[0-9]( |$)' | tr -dc '0-9\n')
    for word in $codes; do
        sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$page" | grep -qE "^\.B $word$" ||
            problem "$page says nothing of exit status $word ($program --help gives it)"
    done
}

check "$build/src/cli/wavelore-decode" "$pages/wavelore-decode.1"
check "$build/src/gui/wavelore" "$pages/wavelore.1"
service=$build/src/service/wavelore-service
check "$service" "$pages/wavelore-service.1"
if [ -x "$service" ]; then
    for command in serve add-receiver receivers migrate; do
        grep -q "^\.B.* $command\\b\|^\.B $command$" "$pages/wavelore-service.1" ||
            problem "wavelore-service.1 lacks the command $command"
        check "$service" "$pages/wavelore-service.1" "$command"
    done
fi
grep -q '^\.SH ENVIRONMENT' "$pages/wavelore-decode.1" || problem "wavelore-decode.1 has no ENVIRONMENT"
grep -q '^\.SH FILES' "$pages/wavelore-decode.1" || problem "wavelore-decode.1 has no FILES"

if command -v groff >/dev/null 2>&1; then
    for page in "$pages"/*.1; do
        warnings=$(groff -man -ww -z -K utf8 "$page" 2>&1)
        [ -z "$warnings" ] || problem "groff warns about $page: $warnings"
    done
else
    echo "check_man_pages: no groff here, the pages are not rendered"
fi
exit $status
