#!/usr/bin/env bash
# The inspection card on the Windows build gives the same pages as on the
# Linux build: card_pages under Wine, on the Win32 window system with the
# card chosen from the result box's own context menu, against the Linux
# build's card_pages on the headless window system, byte for byte (every
# text, place, font size, line point and pen width, exact). Also the
# context menu as the Win32 window shows it: Chinese entries, 打印检测卡
# greyed before the first calculation and enabled after it.
#
#   tests/win32/card_parity.sh WINDOWS_CARD_PAGES LINUX_CARD_PAGES
# Exits 0 when everything is equal, 77 (skipped) when the Linux build is not
# there, 1 otherwise.
set -u
readonly SKIP=77
win_pages=$1 linux_pages=$2
fail() { echo "card parity: FAILED: $*" >&2; exit 1; }

if [ ! -x "$linux_pages" ]; then
  echo "card parity: skipped: no Linux build of card_pages at $linux_pages (./build.sh build makes it)"
  exit $SKIP
fi
wine_bin=$(command -v wine || command -v wine64) || fail "Wine is not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/gearcalc-card-parity.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$linux_pages" >"$work/linux.txt" 2>"$work/linux.err" || fail "Linux card_pages: $(cat "$work/linux.err")"
"$wine_bin" "$win_pages" --win32 >"$work/win32.txt" 2>"$work/win32.err" ||
  fail "card_pages --win32 under Wine: $(grep card_pages "$work/win32.err")"
"$wine_bin" "$win_pages" >"$work/headless.txt" 2>"$work/headless.err" ||
  fail "card_pages under Wine: $(grep card_pages "$work/headless.err")"

grep -v '^menu ' "$work/win32.txt" >"$work/win32-pages.txt"
gears=$(grep -c '^gear ' "$work/linux.txt")
[ "$gears" -ge 4 ] || fail "the Linux build printed $gears cards, not 4"
grep -q '^line ' "$work/linux.txt" || fail "the Linux cards hold no drawing"
cmp -s "$work/headless.txt" "$work/win32-pages.txt" ||
  fail "the Win32 window system's cards differ from the headless ones: $(diff "$work/headless.txt" "$work/win32-pages.txt" | head -4)"
cmp -s "$work/linux.txt" "$work/win32-pages.txt" ||
  fail "the Windows cards differ from the Linux ones ($(diff "$work/linux.txt" "$work/win32-pages.txt" | grep -c '^<') lines); first: $(diff "$work/linux.txt" "$work/win32-pages.txt" | head -4)"
echo "card parity: $gears cards, $(grep -c '^\(text\|line\) ' "$work/linux.txt") print commands, the same bytes"

# The menu before the first calculation, then after each.
{
  printf 'menu 复制(&C) off\nmenu 全选(&A) off\nmenu - off\nmenu 打印检测卡(&K)… off\n'
  for _ in $(seq "$gears"); do
    printf 'menu 复制(&C) off\nmenu 全选(&A) on\nmenu - off\nmenu 打印检测卡(&K)… on\n'
  done
} >"$work/menu.expected"
grep '^menu ' "$work/win32.txt" >"$work/menu.txt"
cmp -s "$work/menu.expected" "$work/menu.txt" ||
  fail "the result box's menu: $(diff "$work/menu.expected" "$work/menu.txt" | head -6)"
echo "card parity: the result box's menu in Chinese, 打印检测卡 enabled only after a calculation"
exit 0
