#!/usr/bin/env bash
# scripts/windows-qt without a build: which of the system's apt sources it
# takes as Debian's archive (one-line and deb822 files, options, keys of other
# vendors, disabled and commented entries), that it stops when there is none,
# and that it leaves a cache folder alone that holds someone else's files.
#   windows_qt_test.sh <path of scripts/windows-qt>
set -u
script=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

keyring=/usr/share/keyrings/debian-archive-keyring.gpg
etc=$tmp/apt
mkdir -p "$etc/sources.list.d"
cat >"$etc/sources.list" <<'LIST'
# the main archive
deb http://deb.debian.org/debian bookworm main contrib
deb-src http://deb.debian.org/debian oldstable main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm-updates main  # a mirror
deb [ arch=amd64 ] http://mirror.example/debian bookworm-backports main
deb [signed-by=/usr/share/keyrings/vendor.gpg] https://vendor.example/apt stable main
#deb http://deb.debian.org/debian sid main
LIST
# The same entry again, from a second file.
echo 'deb http://deb.debian.org/debian bookworm main contrib' >"$etc/sources.list.d/again.list"
echo 'deb http://deb.debian.org/debian buster main' >"$etc/sources.list.d/old.list.disabled"
cat >"$etc/sources.list.d/debian.sources" <<'SOURCES'
Types: deb deb-src
URIs: http://deb.debian.org/debian http://ftp.example.org/debian
Suites: trixie trixie-updates
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

# security
types: deb
uris: http://security.debian.org/debian-security
suites: trixie-security
components: main

Types: deb
URIs: https://third.example/apt
Suites: stable
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGRiAAAA
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb
URIs: http://deb.debian.org/debian
Suites: experimental
Components: main
Enabled: no

Types: deb-src
URIs: http://deb.debian.org/debian
Suites: sid
Components: main
SOURCES
cat >"$etc/sources.list.d/vendor.sources" <<'SOURCES'
Types: deb
URIs: https://packages.vendor.example/apt
Suites: stable
Components: main
Signed-By: /usr/share/keyrings/vendor.gpg
SOURCES

expected_entries=(
  "http://deb.debian.org/debian bookworm main contrib"
  "http://mirror.example/debian bookworm-updates main"
  "http://mirror.example/debian bookworm-backports main"
  "http://deb.debian.org/debian trixie main non-free-firmware"
  "http://deb.debian.org/debian trixie-updates main non-free-firmware"
  "http://ftp.example.org/debian trixie main non-free-firmware"
  "http://ftp.example.org/debian trixie-updates main non-free-firmware"
  "http://security.debian.org/debian-security trixie-security main"
)
expected=$(for entry in "${expected_entries[@]}"; do
  echo "deb [signed-by=$keyring] $entry"
  echo "deb-src [signed-by=$keyring] $entry"
done)
actual=$(T418_APT_ETC=$etc T418_QT_CACHE=$tmp/cache "$script" --sources 2>"$tmp/err")
status=$?
[ "$status" = 0 ] || fail "--sources exited with $status: $(cat "$tmp/err")"
if [ "$actual" != "$expected" ]; then
  fail "the own apt sources differ from the Debian entries of the system's"
  diff <(echo "$expected") <(echo "$actual") >&2
fi
[ ! -e "$tmp/cache" ] || fail "--sources made the cache folder"

# No Debian archive at all: a clear stop, nothing written.
mkdir -p "$tmp/vendor-only/sources.list.d"
cp "$etc/sources.list.d/vendor.sources" "$tmp/vendor-only/sources.list.d/"
T418_APT_ETC=$tmp/vendor-only "$script" --sources >"$tmp/out" 2>"$tmp/err"
status=$?
[ "$status" != 0 ] || fail "--sources with only a vendor's archive succeeded"
grep -q "no Debian archive" "$tmp/err" || fail "no message names the missing Debian archive: $(cat "$tmp/err")"
[ ! -s "$tmp/out" ] || fail "--sources without a Debian archive printed sources: $(cat "$tmp/out")"

# A cache folder with someone else's files is refused before anything runs
# (were it not, the sources without a Debian archive stop the run before any
# download or build).
mkdir -p "$tmp/foreign"
echo "mine" >"$tmp/foreign/notes.txt"
T418_APT_ETC=$tmp/vendor-only T418_QT_CACHE=$tmp/foreign "$script" >"$tmp/out" 2>"$tmp/err"
status=$?
[ "$status" = 1 ] || fail "a foreign cache folder gave exit status $status, not 1"
grep -q "not this script's" "$tmp/err" || fail "no message about the foreign cache folder: $(cat "$tmp/err")"
[ "$(cat "$tmp/foreign/notes.txt")" = mine ] || fail "the foreign folder's file changed"
[ "$(ls -A "$tmp/foreign")" = notes.txt ] || fail "the script wrote into the foreign folder: $(ls -A "$tmp/foreign")"

# Unknown arguments: the usage, exit status 2.
for args in "--bogus" "--check --sources"; do
  # shellcheck disable=SC2086  # the words are meant to split
  "$script" $args >/dev/null 2>"$tmp/err"
  status=$?
  [ "$status" = 2 ] || fail "'$args' gave exit status $status, not 2"
  grep -q "usage:" "$tmp/err" || fail "'$args' printed no usage"
done

[ "$failures" = 0 ] || exit 1
echo "windows-qt script: all checks passed"
