#!/usr/bin/env bash
# The release package: the zip's contents, and the setup program and its uninstaller in a fresh
# 64-bit and a fresh 32-bit Wine prefix (one each, shared by its cases) on a private Xvfb
# display. Expects a package build. Prints a line per case; the last reads "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
package=$root/build/package
setup=$package/velmarin-setup.exe
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmarin'
desktop_key='HKCU\Control Panel\Desktop'
saver_path='C:\windows\System32\velmarin.scr'
work=$(mktemp -d)
passed=0 failed=0

fail() { echo "$*"; return 1; }

run_case() { # name command...
  if "${@:2}" >"$work/case.out" 2>&1; then
    echo "PASS $1"; passed=$((passed + 1))
  else
    echo "FAIL $1"; sed 's/^/    /' "$work/case.out"; failed=$((failed + 1)); return 1
  fi
}

prepare() { # what command... : counts only when it fails, as a failed case
  "${@:2}" >"$work/case.out" 2>&1 && return
  echo "FAIL $1"; sed 's/^/    /' "$work/case.out"; failed=$((failed + 1)); return 1
}

# Wine's output goes to files only: a program it starts would hold a pipe open.
wine_run() { wine "$@" >>"$work/wine.log" 2>&1; }

reg_query() { # key [reg args...] -> $work/reg.out; fails where the key is absent
  local status=0
  wine reg query "$@" "$reg_view" >"$work/reg.out" 2>&1 || status=$?
  sed -i 's/\r$//' "$work/reg.out"
  return "$status"
}

reg_value() { # key name -> the value's data
  reg_query "$1" /v "$2" && sed -n "s/^ *$2 *REG_[A-Z_]* *//p" "$work/reg.out"
}

start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  timeout 10 sh -c 'until [ -s "$1" ]; do sleep 0.1; done' sh "$work/display" ||
    fail "Xvfb did not start" || return 1
  export DISPLAY=":$(cat "$work/display")"
}

end_prefix() { # ends the Wine server of the prefix made here, not one the caller uses
  [ -n "${made_prefix:-}" ] && wineserver -k >/dev/null 2>&1
  made_prefix=
}

end_session() {
  end_prefix
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap end_session EXIT

fresh_prefix() { # arch
  end_prefix
  export WINEPREFIX=$root/build/wineprefix-installer-$1 WINEARCH=$1 WINEDEBUG=-all
  made_prefix=1
  export WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  wineserver -p
  wineboot -i >>"$work/wine.log" 2>&1 || fail "wineboot -i failed: $(tail -n 20 "$work/wine.log")" || return 1
  # Unmanaged windows are not waited for when they hide.
  wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
}

installed_saver() { echo "$WINEPREFIX/drive_c/windows/system32/velmarin.scr"; }

start_installed_saver() { # -> $saver_pid once its window shows
  # Started by its Unix path through the loader of its own width: Wine's launcher is 32-bit,
  # and for it the 64-bit system folder is redirected.
  "$loader" "$(installed_saver)" /s >>"$work/wine.log" 2>&1 &
  saver_pid=$!
  timeout 30 xdotool search --sync --name '^Screen Saver$' >/dev/null || fail "no saver window"
}

close_saver() { # -> fails unless a key ends the saver with exit code 0
  xdotool key space
  timeout 20 tail --pid="$saver_pid" -f /dev/null || fail "the saver did not end on a key"
  wait "$saver_pid" || fail "the saver exited with $?"
}

install_silently() {
  wine_run "$setup" /S || fail "setup /S exited with $?"
}

uninstall_silently() { # through the QuietUninstallString, then waits until the uninstaller is gone
  local command uninstaller
  command=$(reg_value "$uninstall_key" QuietUninstallString) || fail "no uninstall entry" || return 1
  [[ $command =~ ^\"(.*)\"\ /S$ ]] || fail "QuietUninstallString: $command" || return 1
  winepath -u "${BASH_REMATCH[1]}" >"$work/path.out" 2>>"$work/wine.log"
  uninstaller=$(cat "$work/path.out")
  # Started directly: a quoted path with "(x86)" in it breaks inside cmd /c.
  wine_run "$uninstaller" /S || fail "the uninstaller exited with $?" || return 1
  timeout 20 sh -c 'while [ -e "$1" ]; do sleep 0.2; done' sh "$uninstaller" ||
    fail "the uninstaller is still there: $uninstaller"
}

case_zip() {
  mkdir "$work/zip" && cmake -E chdir "$work/zip" cmake -E tar xf "$package/velmarin-0.90.zip" || return 1
  local top=$work/zip/velmarin-0.90
  cmp "$top/64-bit/velmarin.scr" "$root/build/win64/velmarin.scr" &&
    cmp "$top/32-bit/velmarin.scr" "$root/build/win32/velmarin.scr" || return 1
  grep -q 'SysWOW64' "$top/README.txt" && grep -q '^MIT License' "$top/LICENSE.txt" || fail "not our texts" || return 1
  ! grep -q $'[^\r]$' "$top/README.txt" "$top/LICENSE.txt" || fail "a text line ends without CRLF"
}

case_install() {
  install_silently || return 1
  cmp "$(installed_saver)" "$build/velmarin.scr" || fail "System32 does not hold the $arch build" || return 1
  [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/velmarin.scr" ] || fail "copied into SysWOW64" || return 1
  reg_query "$uninstall_key" || fail "no uninstall entry in the native view" || return 1
  local name
  for name in DisplayName Publisher DisplayIcon UninstallString EstimatedSize NoModify NoRepair; do
    grep -q "^ *$name " "$work/reg.out" || fail "uninstall entry without $name" || return 1
  done
  [ "$(reg_value "$uninstall_key" DisplayVersion)" = 0.90 ] || fail "DisplayVersion: $(cat "$work/reg.out")" || return 1
  [ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$saver_path" ] || fail "SCRNSAVE.EXE: $(cat "$work/reg.out")" || return 1
  [ "$(reg_value "$desktop_key" ScreenSaveActive)" = 1 ] || fail "the screen saver is not on"
}

case_install_again() {
  echo "an older copy" >"$(installed_saver)"
  install_silently || return 1
  cmp "$(installed_saver)" "$build/velmarin.scr" || fail "the older copy was not replaced" || return 1
  local entries=0 view
  for view in $views; do
    reg_view=/reg:$view reg_query "${uninstall_key%\\*}"
    entries=$((entries + $(grep -c '\\Uninstall\\Velmarin$' "$work/reg.out")))
  done
  [ "$entries" -eq 1 ] || fail "$entries uninstall entries"
}

case_saver_runs() {
  start_installed_saver && close_saver
}

case_install_over_running_saver() {
  start_installed_saver || return 1
  local status=0
  wine_run "$setup" /S || status=$?
  close_saver || return 1
  [ "$status" -ne 0 ] || fail "setup /S reported success while the saver it should replace was running"
}

case_uninstall() {
  reg_query 'HKLM\Software\Velmarin' || fail "the saver made no machine key to remove" || return 1
  uninstall_silently || return 1
  [ ! -e "$(installed_saver)" ] || fail "velmarin.scr is still there" || return 1
  ! reg_query "$uninstall_key" || fail "the uninstall entry is still there" || return 1
  ! reg_value "$desktop_key" SCRNSAVE.EXE || fail "SCRNSAVE.EXE is still set: $(cat "$work/reg.out")" || return 1
  ! reg_query 'HKLM\Software\Velmarin' || fail "the machine key is still there" || return 1
  reg_query 'HKCU\Software\Velmarin\SS\0.90' || fail "the user's settings were deleted"
}

case_uninstall_keeps_other_saver() {
  local other='C:\windows\System32\other.scr'
  install_silently || return 1
  wine_run reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other" /f
  uninstall_silently || return 1
  [ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$other" ] || fail "SCRNSAVE.EXE: $(cat "$work/reg.out")"
}

test_prefix() { # arch preset loader views
  arch=$1 build=$root/build/$2 loader=$3 views=$4
  reg_view=/reg:${views%% *}
  prepare "$arch: a fresh prefix" fresh_prefix "$arch" || return
  run_case "$arch: setup /S installs the $2 build and makes it the current saver" case_install
  run_case "$arch: setup /S over an install replaces the file and keeps one entry" case_install_again
  run_case "$arch: the installed saver runs from System32 and a key closes it" case_saver_runs
  run_case "$arch: setup /S fails while the installed saver runs" case_install_over_running_saver
  run_case "$arch: the uninstaller /S removes the saver, its entry and keys, keeps the user's" case_uninstall
  run_case "$arch: the uninstaller /S keeps another current saver" case_uninstall_keeps_other_saver
}

run_case "the zip holds both builds, README.txt and LICENSE.txt" case_zip
if prepare "a private display" start_display; then
  test_prefix win64 win64 /usr/lib/wine/wine64 "64 32"
  test_prefix win32 win32 /usr/lib/wine/wine "32"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
