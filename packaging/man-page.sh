#!/bin/sh
# Writes t418ctl's manual page from its own --help and --version, compressed
# as Debian keeps manual pages. Usage: man-page.sh T418CTL OUT.1.gz
set -eu
program=$1
out=$2
help2man --no-info --no-discard-stderr \
  --name="configure and test T418 cellular serial terminals from the command line" \
  --section=1 --source="T418" --manual="User Commands" \
  --output="$out.tmp" "$program"
gzip -9n -c "$out.tmp" >"$out"
rm -f "$out.tmp"
