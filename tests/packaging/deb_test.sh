#!/usr/bin/env bash
# Builds the Debian package from a build folder configured with T418_PACKAGE
# ON, checks what it holds, installs it on this machine with dpkg, runs the
# installed programs, and removes and purges it again, checking that nothing
# of it stays behind. It changes the system: for a throwaway machine, as root.
# Usage: deb_test.sh BUILD_DIR
set -uo pipefail

build=${1:?usage: deb_test.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
die() {
  echo "deb_test: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || die "installs a package into this system: run as root"
for tool in dpkg-deb lintian desktop-file-validate man cpack; do
  command -v "$tool" >/dev/null || die "$tool is missing: run scripts/setup --package"
done
if dpkg-query -W -f='${Status}' t418 2>/dev/null | grep -q installed; then
  die "a t418 package is installed already; this test would replace it"
fi

work=$(mktemp -d)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null
  [ -n "$sim" ] && wait "$sim" 2>/dev/null
  dpkg-query -W t418 >/dev/null 2>&1 && dpkg --purge t418 >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# --- Build ---------------------------------------------------------------
version=$(sed -n 's/^project(T418 VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ -n "$version" ] || die "no project() VERSION in CMakeLists.txt"
nice -n 19 cmake --build "$build" -j2 --target t418 t418ctl t418-sim t418_package_files || die "build failed"
rm -f "$build"/package/t418_*.deb
(cd "$build" && nice -n 19 cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; die "cpack failed"; }
deb="$build/package/t418_${version}_amd64.deb"
[ -f "$deb" ] || die "cpack made no $deb"

# --- What the package says and holds ------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = t418 ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', CMakeLists.txt says $version"
[ "$(field Section)" = comm ] || fail "Section is '$(field Section)'"
case "$(field Maintainer)" in *"<"*"@"*">") ;; *) fail "Maintainer '$(field Maintainer)' has no mail address" ;; esac
depends=$(field Depends)
# Computed from the programs' libraries: the C library, Qt's widgets, libjpeg.
for library in libc6 libstdc++6 libqt6widgets6 libjpeg62-turbo; do
  grep -qw "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(field Description | wc -l)" -ge 3 ] || fail "Description has no long part"

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/t418 /usr/bin/t418ctl /usr/bin/t418-sim "/usr/share/t418/province&city.json" \
  /usr/share/applications/t418.desktop /usr/share/icons/hicolor/scalable/apps/t418.svg \
  /usr/share/man/man1/t418ctl.1.gz /usr/share/doc/t418/copyright /usr/share/doc/t418/changelog.gz \
  /usr/lib/udev/rules.d/70-t418.rules; do
  grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
cmp -s "$root/usr/share/t418/province&city.json" "$source/resources/province&city.json" ||
  fail "the packaged region catalogue differs from resources/"
for program in t418 t418ctl t418-sim; do
  file "$root/usr/bin/$program" | grep -q "not stripped" && fail "$program is not stripped"
done

# The desktop entry.
desktop="$root/usr/share/applications/t418.desktop"
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 || { cat "$work/desktop.log"; fail "desktop-file-validate"; }
[ -s "$work/desktop.log" ] && { cat "$work/desktop.log"; fail "desktop-file-validate has remarks"; }
for key in Name 'Name\[zh_CN\]' Comment 'Comment\[zh_CN\]' Categories 'Icon=t418' 'Exec=t418'; do
  grep -q "^$key" "$desktop" || fail "the desktop entry lacks $key"
done

# The icon holds the About window's picture, whole.
icon="$root/usr/share/icons/hicolor/scalable/apps/t418.svg"
sed -n 's/.*base64,\([^"]*\)".*/\1/p' "$icon" | base64 -d >"$work/icon.jpg" 2>/dev/null
cmp -s "$work/icon.jpg" "$source/resources/about_logo.jpg" || fail "the icon does not hold resources/about_logo.jpg"
grep -q '</svg>' "$icon" || fail "the icon is not a whole SVG"

# The manual page renders and describes the commands of t418ctl's --help.
MANWIDTH=80 man -l "$root/usr/share/man/man1/t418ctl.1.gz" >"$work/man.txt" 2>"$work/man.err" ||
  fail "man -l failed: $(cat "$work/man.err")"
[ -s "$work/man.err" ] && fail "man -l warns: $(cat "$work/man.err")"
for word in NAME SYNOPSIS t418ctl read write diff upgrade station "Exit codes"; do
  grep -q "$word" "$work/man.txt" || fail "the manual page lacks '$word'"
done

# The udev rule: only keys udev knows, in the forms they take; every adapter.
rule="$root/usr/lib/udev/rules.d/70-t418.rules"
if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
  udevadm verify "$rule" || fail "udevadm verify"
fi
grep -vE '^[[:space:]]*(#|$)' "$rule" | while IFS= read -r line; do
  rest=$line
  while [ -n "$rest" ]; do
    if [[ $rest =~ ^(ACTION|SUBSYSTEM|SUBSYSTEMS|ATTRS\{[a-zA-Z]+\}|ENV\{[A-Z_]+\})(==|!=)\"[^\"]*\"(,[[:space:]]*|$)(.*) ]] ||
      [[ $rest =~ ^(ENV\{[A-Z_]+\})=\"[^\"]*\"(,[[:space:]]*|$)(.*) ]] ||
      [[ $rest =~ ^(GOTO|LABEL)=\"[a-z0-9_]+\"(,[[:space:]]*|$)(.*) ]]; then
      rest=${BASH_REMATCH[${#BASH_REMATCH[@]} - 1]}
    else
      echo "FAIL: the udev rule has a malformed line: $line" >&2
      echo bad >>"$work/udev.bad"
      break
    fi
  done
done
[ -e "$work/udev.bad" ] && fail "udev rule syntax"
gotos=$(sed -n 's/.*GOTO="\([^"]*\)".*/\1/p' "$rule" | sort -u)
for label in $gotos; do grep -q "^LABEL=\"$label\"" "$rule" || fail "GOTO $label has no LABEL"; done
for adapter in 0403:6001 0403:6010 0403:6011 0403:6014 0403:6015 067b:2303 067b:23a3 10c4:ea60 10c4:ea70 \
  1a86:7523 1a86:5523 1a86:55d4; do
  grep -q "^ATTRS{idVendor}==\"${adapter%:*}\", ATTRS{idProduct}==\"${adapter#*:}\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"$" "$rule" ||
    fail "the udev rule does not keep ModemManager off $adapter"
done

# lintian: no errors; its warnings are listed.
lintian --no-tag-display-limit "$deb" >"$work/lintian.txt" 2>&1
grep -E '^[WIN]:' "$work/lintian.txt" | sed 's/^/lintian: /'
if grep -q '^E:' "$work/lintian.txt"; then
  grep '^E:' "$work/lintian.txt" >&2
  fail "lintian reports errors"
fi

# --- Installed ------------------------------------------------------------
dpkg -i "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; die "dpkg -i failed"; }
expected_version="t418ctl $(cut -d. -f1-3 <<<"$version")"
[ "$(/usr/bin/t418ctl --version)" = "$expected_version" ] ||
  fail "t418ctl --version says '$(/usr/bin/t418ctl --version)', expected '$expected_version'"
for program in t418 t418ctl t418-sim; do
  ldd "/usr/bin/$program" | grep -q "not found" && fail "$program misses libraries: $(ldd "/usr/bin/$program" | grep 'not found')"
done

# The installed window starts (on Qt's offscreen platform), takes its texts
# from /usr/share/t418 and ends on SIGTERM, saving its profile: as root it
# may write beside the program, and the purge takes that file away again.
# It runs without timeout(1) in between: that sends its signal to the child and
# again to the child's process group, and a second stop request ends the
# window at once, without saving, by design.
QT_QPA_PLATFORM=offscreen /usr/bin/t418 >"$work/window.log" 2>&1 &
window=$!
for _ in $(seq 100); do [ -f /usr/share/t418/T418Lang.txt ] && break; sleep 0.1; done
sleep 1
kill -TERM "$window" 2>/dev/null
for _ in $(seq 200); do kill -0 "$window" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$window" 2>/dev/null && fail "the installed window was still running 20 s after SIGTERM"
wait "$window"
status=$?
[ "$status" -eq 0 ] || fail "the installed window ended with status $status: $(cat "$work/window.log")"
[ -f /usr/share/t418/T418Lang.txt ] || fail "the installed window did not keep its language file in /usr/share/t418"
[ -f /usr/bin/T418Cfg.ini ] || fail "the installed window run by root saved no profile beside the program"
[ -e /usr/bin/T418Lang.txt ] && fail "the installed window wrote its language file into /usr/bin"
rm -f /usr/share/t418/T418Lang.txt

# The installed t418ctl reads the installed simulator and finds the region
# catalogue in /usr/share/t418; nothing is written beside the programs.
/usr/bin/t418-sim --name ttyDEBTEST >"$work/sim.out" 2>"$work/sim.err" &
sim=$!
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
port=$(head -n 1 "$work/sim.out")
[ -n "$port" ] || die "the installed t418-sim gave no port: $(cat "$work/sim.err")"
(cd "$work" && timeout 120 /usr/bin/t418ctl read "$port" --delay 0 >"$work/read.out" 2>"$work/read.err") ||
  fail "installed t418ctl read failed: $(cat "$work/read.err")"
grep -q '^QCITY=' "$work/read.out" || fail "installed t418ctl read printed no report"
grep -q 'province&city.json' "$work/read.err" && fail "installed t418ctl misses the region catalogue: $(cat "$work/read.err")"
[ -f /usr/share/t418/T418Lang.txt ] || fail "the installed t418ctl did not keep its language file in /usr/share/t418"
[ -e /usr/bin/T418Lang.txt ] && fail "the installed t418ctl wrote its language file into /usr/bin"
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
sim=

# --- Removed and purged ----------------------------------------------------
dpkg -r t418 >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg -r failed"; }
while IFS= read -r path; do
  [ -z "$path" ] || [ -d "$path" ] && continue
  [ -e "$path" ] && fail "$path is still there after dpkg -r"
done <"$work/contents"
dpkg --purge t418 >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "dpkg --purge failed"; }
[ -e /usr/share/t418 ] && fail "/usr/share/t418 is still there after purge: $(ls -A /usr/share/t418)"
[ -e /usr/share/doc/t418 ] && fail "/usr/share/doc/t418 is still there after purge"
[ -e /usr/bin/T418Cfg.ini ] && fail "the window's profile /usr/bin/T418Cfg.ini is still there after purge"
dpkg-query -W t418 >/dev/null 2>&1 && fail "dpkg still knows t418 after purge"

if [ "$failures" -ne 0 ]; then
  echo "deb_test: $failures check(s) failed" >&2
  exit 1
fi
echo "deb_test: $deb built, checked, installed, run, removed and purged"
