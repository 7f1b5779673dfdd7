#!/usr/bin/env bash
# The command-line tools on a console: run inside a terminal-backed Wine
# console (cmd.exe under `script`), with the console's code page left as it
# is and set to 437 and 936, their text must read as the same characters as
# their redirected output, which stays UTF-8 bytes as before (CSV with its
# byte order mark, raw reports with CR LF).
#
#   tests/win32/console_wine.sh DIST
# Exits 0 when every check passed, 77 when script(1) or Wine is missing,
# 1 otherwise.
set -u
readonly SKIP=77
dist=$(realpath "$1")
say() { echo "console (Wine): $*"; }
failures=0
fail() { echo "console (Wine): FAILED: $*" >&2; failures=$((failures + 1)); }
for tool in script wine; do
  command -v "$tool" >/dev/null 2>&1 || { say "skipped: $tool is not installed"; exit $SKIP; }
done
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-console.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$dist" || exit 1

# What a terminal shows of `cmd /c LINE` run in a Wine console, as text:
# without the console's cursor sequences, with LF line ends. A tall and
# wide terminal, so nothing scrolls and no line wraps (Wine's terminal
# console redraws wrapped lines out of order).
on_console() {
  script -qec "stty rows 3000 cols 3000; wine cmd /c \"$1\"" /dev/null </dev/null |
    sed -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\x1b\][^\x07]*\x07//g' | tr -d '\r'
}
# The same, redirected to a file (LF line ends for the comparison; the
# bytes themselves are checked below).
redirected() { wine "$@" 2>/dev/null | tr -d '\r'; }

# --- The report, whatever the console's code page ----------------------------------
expected=$(redirected ./gearcalc-report.exe --module 2 --teeth 20)
case "$expected" in *"模数：2"*) ;; *) fail "the redirected report lacks 模数：2: $expected" ;; esac
for chcp in "" "chcp 437 >nul & " "chcp 936 >nul & "; do
  shown=$(on_console "${chcp}gearcalc-report.exe --module 2 --teeth 20")
  [ "$shown" = "$expected" ] ||
    fail "${chcp:-default code page}: the console shows"$'\n'"$shown"$'\n'"instead of"$'\n'"$expected"
done
say "the report reads the same on the console (default code page, 437, 936)"

# --- Long output: more than the stream's buffer and the console's pieces -------------
expected=$(redirected ./gearcalc-report.exe --all-items)
shown=$(on_console "gearcalc-report.exe --all-items")
[ "${#expected}" -gt 40000 ] || fail "the item reports are too short to cross the buffers: ${#expected} characters"
[ "$shown" = "$expected" ] ||
  fail "the item reports differ on the console: $(cmp <(echo "$expected") <(echo "$shown"))"
say "$(wc -l <<<"$expected") item reports, ${#expected} characters, the same on the console"

# --- Messages on standard error, and the other tool -----------------------------------
shown=$(on_console "gearcalc-report.exe --item ZKD-NOPE")
case "$shown" in *"ZKD-KSTAL公司目前没有此类齿轮！"*) ;; *) fail "the message of an unknown item shows as: $shown" ;; esac
expected=$(redirected ./edbtool.exe info ZKD.edb)
shown=$(on_console "edbtool.exe info ZKD.edb")
[ "$shown" = "$expected" ] && [[ "$expected" == *订货编号* ]] ||
  fail "edbtool info shows"$'\n'"$shown"$'\n'"instead of"$'\n'"$expected"
shown=$(on_console "gearcalc-report.exe --help")
[[ "$shown" == *"订货编号"* && "$shown" == *"PowerShell 5.1"* ]] || fail "the help on the console: $(head -c 300 <<<"$shown")"
say "messages, edbtool and the help read right on the console"

# --- CSV: the byte order mark stays in files, the console shows none -----------------
wine ./gearcalc-report.exe --module 2 --teeth 20 --format csv >"$work/sheet.csv" 2>/dev/null
[ "$(head -c 3 "$work/sheet.csv" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the redirected CSV lost its byte order mark"
shown=$(on_console "gearcalc-report.exe --module 2 --teeth 20 --format csv")
[ "$shown" = "$(tail -c +4 "$work/sheet.csv" | tr -d '\r')" ] || fail "the CSV on the console: $shown"
wine ./gearcalc-report.exe --module 2 --teeth 20 --format raw >"$work/raw" 2>/dev/null
wine ./gearcalc-report.exe --module 2 --teeth 20 --format raw 2>/dev/null | cat >"$work/raw-pipe"
grep -q $'^模数：2\r$' "$work/raw" || fail "the raw report lost its CR LF line ends"
cmp -s "$work/raw" "$work/raw-pipe" || fail "a file and a pipe get different bytes"
say "redirected output keeps its bytes (byte order mark, CR LF; file and pipe alike)"

[ "$failures" -eq 0 ] || exit 1
exit 0
