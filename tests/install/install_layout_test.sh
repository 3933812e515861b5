#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR) under two prefixes and checks what lands
# there: exactly the expected files, a working program without debug information, the hack
# linked to it, and desktop entries, AppStream metadata, descriptor and man page that their own
# validators accept.
#   install_layout_test.sh BUILD_DIR WORK_DIR VERSION APP_ID
set -uo pipefail

build=$1
work=$2
version=$3
appId=$4

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs a validator; its complaints are printed and fail the test.
validate() {
    local what=$1
    shift
    local output
    if ! output=$("$@" 2>&1); then
        fail "$what: $* says:"
        echo "$output" >&2
    fi
}

expectedFiles() {
    local prefix=$1
    sort <<EOF
$prefix/bin/zorvane
$prefix/libexec/xscreensaver/zorvane
$prefix/share/applications/$appId.Settings.desktop
$prefix/share/applications/$appId.desktop
$prefix/share/doc/zorvane/LICENSE
$prefix/share/doc/zorvane/copyright
$prefix/share/icons/hicolor/128x128/apps/$appId.png
$prefix/share/man/man6/zorvane.6.gz
$prefix/share/metainfo/$appId.metainfo.xml
$prefix/share/xscreensaver/config/zorvane.xml
EOF
}

# The value of `key` in a desktop entry.
desktopValue() {
    sed -n "s/^$2=//p" "$1"
}

checkLayout() {
    local prefix=$1
    local stage=$work/stage${prefix//\//_}
    rm -rf "$stage"
    mkdir -p "$stage"
    if ! DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >"$stage.log" 2>&1; then
        fail "cmake --install --prefix $prefix failed:"
        cat "$stage.log" >&2
        return
    fi
    local root=$stage$prefix

    # Exactly these files: nothing missing, and no tool, test or benchmark along with them.
    local actual
    actual=$(cd "$stage" && find . \( -type f -o -type l \) | sed 's#^\.##' | sort)
    if [ "$actual" != "$(expectedFiles "$prefix")" ]; then
        fail "prefix $prefix: the installed files differ (< expected, > installed):"
        diff <(expectedFiles "$prefix") <(echo "$actual") >&2
    fi

    local program=$root/bin/zorvane
    local hack=$root/libexec/xscreensaver/zorvane
    if [ ! -f "$program" ] || [ ! -x "$program" ]; then
        fail "$program is not an executable file"
    fi
    [ -x "$hack" ] || fail "the hack $hack is not executable"
    if [ "$(readlink -f "$hack")" != "$(readlink -f "$program")" ]; then
        fail "the hack $hack is not the program $program (it leads to $(readlink -f "$hack"))"
    fi
    case "$(readlink "$hack")" in
        /*) fail "the hack links to $(readlink "$hack"), an absolute path DESTDIR breaks" ;;
    esac

    local sections
    if ! sections=$(readelf -S -W "$program" 2>&1); then
        fail "readelf can't read $program: $sections"
    elif grep -q -E '\.debug_|\.zdebug_' <<<"$sections"; then
        fail "$program carries debug information:"
        grep -E '\.debug_|\.zdebug_' <<<"$sections" >&2
    fi
    # Stripping must leave a program that runs.
    local printed
    printed=$("$program" --version 2>&1)
    [ "$printed" = "zorvane $version" ] || fail "$program --version printed '$printed'"

    local applications=$root/share/applications
    local entry
    for entry in "$applications/$appId.desktop" "$applications/$appId.Settings.desktop"; do
        [ -f "$entry" ] || continue
        validate "desktop entry" desktop-file-validate "$entry"
        [ "$(desktopValue "$entry" Icon)" = "$appId" ] || fail "$entry names another icon"
    done
    [ "$(desktopValue "$applications/$appId.desktop" Exec)" = "zorvane /s" ] ||
        fail "the full-screen entry does not run 'zorvane /s'"
    [ "$(desktopValue "$applications/$appId.Settings.desktop" Exec)" = "zorvane /c" ] ||
        fail "the settings entry does not run 'zorvane /c'"
    [ "$(desktopValue "$applications/$appId.Settings.desktop" Name)" = "Zorvane settings" ] ||
        fail "the settings entry is not called 'Zorvane settings'"
    local icon=$root/share/icons/hicolor/128x128/apps/$appId.png
    [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
        fail "$icon is not a PNG picture"

    local metainfo=$root/share/metainfo/$appId.metainfo.xml
    validate "AppStream metadata" appstreamcli validate --no-net "$metainfo"
    local launchable
    launchable=$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' "$metainfo")
    [ -f "$applications/$launchable" ] ||
        fail "the metadata launches '$launchable', which is not installed"
    local release
    release=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$metainfo")
    [ "$release" = "$version" ] || fail "the metadata's release is $release, not $version"

    # xscreensaver finds a hack's descriptor by the hack's file name and runs what <command> adds.
    local descriptor=$root/share/xscreensaver/config/zorvane.xml
    validate "hack descriptor" xmllint --noout "$descriptor"
    [ "$(xmllint --xpath 'string(/screensaver/@name)' "$descriptor")" = "zorvane" ] ||
        fail "the descriptor does not name the hack 'zorvane'"
    [ "$(xmllint --xpath 'string(/screensaver/@_label)' "$descriptor")" = "Zorvane" ] ||
        fail "the descriptor's label is not 'Zorvane'"
    [ "$(xmllint --xpath 'string(/screensaver/command/@arg)' "$descriptor")" = "--root" ] ||
        fail "the descriptor does not start the hack with --root"

    local man=$root/share/man/man6/zorvane.6.gz
    local warnings
    warnings=$(zcat "$man" | groff -man -ww -z -Tutf8 2>&1)
    [ -z "$warnings" ] || fail "the man page renders with warnings: $warnings"
    local page
    page=$(zcat "$man" | groff -man -Tascii -P-cbou 2>/dev/null)
    grep -q "^ZORVANE(6)" <<<"$page" || fail "the man page has no ZORVANE(6) header"
    grep -q "zorvane $version" <<<"$page" || fail "the man page does not show version $version"
    local section
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES ENVIRONMENT; do
        grep -q "^$section\$" <<<"$page" || fail "the man page has no $section section"
    done
    # Every switch, option and environment variable the program's own help names is in the page.
    local help word
    help=$("$program" --help 2>&1)
    for word in $(grep -oE '(^|[ ,(])(/[a-z]|--?[a-z][a-z-]+)\b' <<<"$help" | tr -d ' ,(' |
        sort -u) $(grep -oE '\b[A-Z][A-Z0-9_]{3,}\b' <<<"$help" | sort -u); do
        grep -q -F -e "$word" <<<"$page" || fail "the man page lacks '$word', which --help names"
    done

    local doc=$root/share/doc/zorvane
    grep -q "Copyright (c) 2026 Maravek Studio. All rights reserved." "$doc/LICENSE" ||
        fail "$doc/LICENSE has no copyright notice"
    grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
        "$doc/copyright" || fail "$doc/copyright is not in Debian's copyright format"
}

mkdir -p "$work"
checkLayout /usr
# Any other prefix moves everything with it, and the hack's link still finds the program.
checkLayout /opt/zorvane

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the installed layout is complete"
