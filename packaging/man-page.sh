#!/bin/sh
# Writes a program's manual page from its own --help (and --version, or the
# VERSION given), compressed as Debian keeps manual pages. Each command that
# the --help lists under "Subcommands:" gets its own --help in a COMMANDS
# section, so the page holds every option.
# Usage: man-page.sh PROGRAM "WHAT IT DOES" OUT.1.gz [VERSION]
set -eu
program=$1
what=$2
out=$3
version=${4-}
include="$out.include"

# Text as roff shows it unchanged: backslashes escaped, no line read as a request.
as_roff() { sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"; }

commands=$("$program" --help 2>&1 | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
: >"$include"
if [ -n "$commands" ]; then
  printf '[COMMANDS]\n' >>"$include"
  for command in $commands; do
    printf '.SS "%s %s"\n.nf\n' "$(basename "$program")" "$command" >>"$include"
    "$program" "$command" --help 2>&1 | as_roff >>"$include"
    printf '.fi\n' >>"$include"
  done
fi

set -- --no-info --no-discard-stderr --name="$what" --section=1 --source="T418" \
  --manual="User Commands" --output="$out.tmp"
if [ -s "$include" ]; then set -- "$@" --include="$include"; fi
if [ -n "$version" ]; then set -- "$@" --version-string="$version"; fi
help2man "$@" "$program"
gzip -9n -c "$out.tmp" >"$out"
rm -f "$out.tmp" "$include"
