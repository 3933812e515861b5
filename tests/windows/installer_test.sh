#!/usr/bin/env bash
# zorvane-setup.exe run silently under Wine, as an administrator would:
#   installer_test.sh WINE_RUN STATE_DIR SETUP PROGRAM VERSION
# An install with /ACTIVATE puts the program into the system folder, registers the uninstaller and
# makes it the current screen saver, and the installed saver runs; the uninstaller takes all that
# back but keeps the user's settings unless given /REMOVESETTINGS, and never takes back a screen
# saver the user chose after ours.
set -euo pipefail
run="$1"
state="$2"
setup="$3"
program="$4"
version="$5"
# shellcheck source=tests/windows/saver_test_support.sh
. "$(dirname "$0")/saver_test_support.sh"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvane'
desktop_key='HKCU\Control Panel\Desktop'
settings_key='HKCU\Software\Maravek Studio\Zorvane'
installed="$WINEPREFIX/drive_c/windows/system32/zorvane.scr"
folder="$WINEPREFIX/drive_c/Program Files/Zorvane"
uninstaller='C:\Program Files\Zorvane\uninstall.exe'
other_saver='C:\windows\system32\other.scr'

# The screen-saver values are the test prefix's own again afterwards.
restore() {
    wine reg delete "$desktop_key" /v SCRNSAVE.EXE /f </dev/null >/dev/null 2>&1 || true
}
trap restore EXIT

# A key's values as "NAME<tab>TYPE<tab>DATA" lines; nothing when the key doesn't exist.
values() {
    wine reg query "$1" </dev/null 2>/dev/null | tr -d '\r' |
        awk -F '    ' '/^    / { print $2 "\t" $3 "\t" $4 }' || true
}

value() {
    values "$1" | awk -F '\t' -v name="$2" 'tolower($1) == tolower(name) { print $3 }'
}

key_exists() {
    wine reg query "$1" </dev/null >/dev/null 2>&1
}

expect_value() {
    local key="$1" name="$2" expected="$3" actual
    actual="$(value "$key" "$name")"
    [ "$actual" = "$expected" ] || fail "$key\\$name is '$actual', not '$expected'"
}

install() {
    local status=0
    timeout 120 "$run" "$state" "$setup" "$@" || status=$?
    [ "$status" -eq 0 ] || fail "zorvane-setup.exe $* ended with $status"
    cmp -s "$program" "$installed" || fail "the installed zorvane.scr differs from the built one"
    [ -f "$folder/uninstall.exe" ] || fail "no uninstaller in $folder"
}

# The uninstaller runs from a copy of itself in the temporary folder and returns at once; the
# copy removes the folder last.
uninstall() {
    local status=0
    timeout 60 "$run" "$state" "$uninstaller" "$@" || status=$?
    [ "$status" -eq 0 ] || fail "uninstall.exe $* ended with $status"
    for _ in $(seq 1 300); do
        [ -e "$folder" ] || break
        sleep 0.1
    done
    [ ! -e "$folder" ] || fail "uninstall.exe $* left its folder (holding:$(find "$folder" -printf ' %P'))"
    [ ! -e "$installed" ] || fail "uninstall.exe $* left zorvane.scr in the system folder"
    ! key_exists "$uninstall_key" || fail "uninstall.exe $* left the Add/Remove Programs entry"
}

# Install with /ACTIVATE over a switched-off screen saver.
wine reg add "$desktop_key" /v ScreenSaveActive /d 0 /f </dev/null >/dev/null 2>&1
install /S /ACTIVATE
expected_entry="DisplayName	REG_SZ	Zorvane
DisplayVersion	REG_SZ	$version
Publisher	REG_SZ	Maravek Studio
DisplayIcon	REG_SZ	$uninstaller
InstallLocation	REG_SZ	C:\\Program Files\\Zorvane
UninstallString	REG_SZ	\"$uninstaller\"
QuietUninstallString	REG_SZ	\"$uninstaller\" /S
NoModify	REG_DWORD	0x1
NoRepair	REG_DWORD	0x1"
entry="$(values "$uninstall_key")"
while IFS= read -r line; do
    grep -qxF "$line" <<<"$entry" || fail "the Add/Remove Programs entry lacks '$line'; it holds:
$entry"
done <<<"$expected_entry"
# The estimate counts the program and the uninstaller, in KiB.
size=$(($(value "$uninstall_key" EstimatedSize)))
program_kib=$(($(stat -c %s "$program") / 1024))
if [ "$size" -lt "$program_kib" ] || [ "$size" -gt $((program_kib + 512)) ]; then
    fail "EstimatedSize is $size KiB for a program of $program_kib KiB"
fi
scrnsave="$(value "$desktop_key" SCRNSAVE.EXE)"
[ "${scrnsave,,}" = 'c:\windows\system32\zorvane.scr' ] || fail "SCRNSAVE.EXE is '$scrnsave'"
expect_value "$desktop_key" ScreenSaveActive 1

# The installed saver runs until a key ends it, with exit code 1. Escape is pressed until it ends:
# under load its window may take a while to come up.
"$run" "$state" 'C:\windows\system32\zorvane.scr' /s &
saver=$!
sleep 5
kill -0 "$saver" 2>/dev/null || { wait "$saver" || true; fail "the installed saver's /s ended by itself"; }
for _ in $(seq 1 30); do
    kill -0 "$saver" 2>/dev/null || break
    xdotool key Escape
    sleep 1
done
if kill -0 "$saver" 2>/dev/null; then
    kill "$saver" 2>/dev/null || true
    fail "the installed saver did not end on Escape"
fi
status=0
wait "$saver" || status=$?
[ "$status" -eq 1 ] || fail "the installed saver ended with $status, not 1"

# A plain uninstall keeps the settings.
wine reg add "$settings_key" /v ShowFps /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
uninstall /S
[ -z "$(value "$desktop_key" SCRNSAVE.EXE)" ] || fail "the uninstaller left SCRNSAVE.EXE"
expect_value "$settings_key" ShowFps 0x1

# A silent install without /ACTIVATE leaves the user's screen saver alone, and so does the
# uninstaller; /REMOVESETTINGS removes the settings key.
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other_saver" /f </dev/null >/dev/null 2>&1
install /S
expect_value "$desktop_key" SCRNSAVE.EXE "$other_saver"
uninstall /S /REMOVESETTINGS
expect_value "$desktop_key" SCRNSAVE.EXE "$other_saver"
! key_exists "$settings_key" || fail "uninstall.exe /REMOVESETTINGS left the settings key"
echo "PASS: installed to the system folder with its Add/Remove Programs entry and as the screen" \
    "saver, ran it, and uninstalled twice leaving nothing but the user's choices"
