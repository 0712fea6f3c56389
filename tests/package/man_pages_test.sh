#!/usr/bin/env bash
# Each manual page exists and man -l renders it without a groff warning, with its NAME line.
#   man_pages_test.sh MAN_DIR PROGRAM...        exit 77 (skipped) when man is missing
set -euo pipefail
man_dir="$1"
shift
if ! command -v man >/dev/null; then
  echo "man is missing: the manual page test is skipped"
  exit 77
fi
warnings="$(mktemp /tmp/arvex-man-warnings.XXXXXX)"
trap 'rm -f "$warnings"' EXIT
status=0
for program in "$@"; do
  page="$man_dir/$program.1.gz"
  if [ ! -s "$page" ]; then
    echo "FAIL: $page is missing"
    status=1
    continue
  fi
  if ! text="$(MANWIDTH=80 man --warnings -l "$page" 2>"$warnings")"; then
    echo "FAIL: man -l $page failed"
    status=1
  elif [ -s "$warnings" ]; then
    echo "FAIL: man -l $page warns:"
    cat "$warnings"
    status=1
  elif ! grep -q "^ *$program - " <<<"$text"; then
    echo "FAIL: $page has no NAME line for $program"
    status=1
  else
    head -4 <<<"$text"
  fi
done
exit $status
