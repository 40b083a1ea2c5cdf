#!/usr/bin/env bash
# Checks what a build folder installs and the Debian package made in it:
#   scripts/check-package.sh [BUILD_FOLDER]      (default build-release)
# The folder must hold a built program, pages, manual page and changelog,
# and the quillon_<version>_<arch>.deb of `cpack -G DEB` (scripts/package.sh
# makes both). The package must pass lintian with no error and no warning,
# and its systemd units systemd-analyze verify. Prints one line per failed
# check and "N passed, M failed"; exits 1 when a check failed.
set -uo pipefail
cd "$(dirname "$0")/.."
B=${1:-build-release}
ID=io.github.quillon.Quillon
VERSION=$(sed -n 's/^project(quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
ARCH=$(dpkg --print-architecture)
DEB="$B/quillon_${VERSION}_${ARCH}.deb"

T=$(mktemp -d "${TMPDIR:-/tmp}/quillon-package-XXXXXX")
trap 'rm -rf "$T"' EXIT
passed=0
failed=0

# check WHAT COMMAND...: runs the command, quietly; on failure prints WHAT
# and what the command said.
check() {
  local what=$1
  shift
  if "$@" > "$T/said" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    sed 's/^/    /' "$T/said" | head -20
  fi
}

# same WHAT EXPECTED ACTUAL (lists of lines are shown on one line)
same() {
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: %s\n    expected: %s\n    found:    %s\n' "$1" "${2//$'\n'/ }" "${3//$'\n'/ }"
  fi
}

# Every file of the installation, relative to the prefix, sorted.
EXPECTED_FILES="bin/quillon
lib/systemd/user/quillon-catch-up.service
lib/systemd/user/quillon-catch-up.timer
libexec/quillon/quillon-window
share/applications/$ID.desktop
share/bash-completion/completions/quillon
share/doc/quillon/changelog.gz
share/doc/quillon/copyright
share/icons/hicolor/128x128/apps/$ID.png
share/icons/hicolor/256x256/apps/$ID.png
share/icons/hicolor/48x48/apps/$ID.png
share/icons/hicolor/scalable/apps/$ID.svg
share/man/man1/quillon.1.gz
share/metainfo/$ID.metainfo.xml
share/quillon/README.html
share/quillon/docs/calendar.png
share/quillon/docs/chart.png
share/quillon/docs/chart_oi.png
share/quillon/docs/window.png
share/quillon/faq.html"

files_under() { (cd "$1" && find . -type f -o -type l) | sed 's|^\./||' | LC_ALL=C sort; }

# --- cmake --install into a temporary DESTDIR --------------------------------
STAGE="$T/stage"
check "cmake --install $B" env DESTDIR="$STAGE" cmake --install "$B" --prefix /usr
P="$STAGE/usr"
same "installed files (bin/ holds the program alone)" "$EXPECTED_FILES" "$(files_under "$P")"
check "bin/quillon is executable" test -x "$P/bin/quillon"
for size in 48 128 256; do
  check "$size px icon is a ${size}x$size PNG" \
    grep -q "PNG image data, $size x $size" <(file "$P/share/icons/hicolor/${size}x$size/apps/$ID.png")
done
check "the icon is an SVG picture" grep -q "SVG" <(file "$P/share/icons/hicolor/scalable/apps/$ID.svg")
check "desktop-file-validate" desktop-file-validate "$P/share/applications/$ID.desktop"
check "the desktop entry names the icon $ID" grep -qx "Icon=$ID" "$P/share/applications/$ID.desktop"
check "the desktop entry starts quillon" grep -qx "Exec=quillon" "$P/share/applications/$ID.desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net "$P/share/metainfo/$ID.metainfo.xml"
check "the metainfo's id and launchable are $ID" \
  grep -qz "<id>$ID</id>.*<launchable type=\"desktop-id\">$ID.desktop</launchable>" \
  "$P/share/metainfo/$ID.metainfo.xml"
check "the metainfo's newest release is $VERSION" \
  grep -q "<release version=\"$VERSION\"" <(grep -m1 "<release " "$P/share/metainfo/$ID.metainfo.xml")
check "libexec/quillon/quillon-window is executable" test -x "$P/libexec/quillon/quillon-window"
check "the window program names its desktop entry $ID" \
  grep -qa "$ID" "$P/libexec/quillon/quillon-window"

# The manual page: readable by man, without warnings, with --help's options.
man_l() { env MANWIDTH=80 MANPAGER=cat man --warnings -l "$P/share/man/man1/quillon.1.gz"; }
man_text=$(man_l 2> "$T/man-warnings")
same "warnings of man -l" "" "$(cat "$T/man-warnings")"
for heading in NAME SYNOPSIS DESCRIPTION FILES EXAMPLES; do
  check "the manual page has $heading" grep -q "^$heading" <<< "$man_text"
done

# Completion: exactly the options and commands of --help.
help=$("$P/bin/quillon" --help)
help_options=$(grep -oE -- '--[a-z][a-z-]*' <<< "$help" | LC_ALL=C sort -u)
help_commands=$(sed -n '/^Commands/,/^With no command/p' <<< "$help" |
                grep -oE '^  [a-z-]+ ' | tr -d ' ' | LC_ALL=C sort)
completions() {
  bash -c 'source "$1"; shift; COMP_WORDS=(quillon "$@"); COMP_CWORD=$#; _quillon
           printf "%s\n" "${COMPREPLY[@]}"' - "$P/share/bash-completion/completions/quillon" "$@" |
    LC_ALL=C sort
}
same "completion of -- (the options of --help)" "$help_options" "$(completions --)"
same "completion of a command (the commands of --help)" "$help_commands" "$(completions '')"
same "completion of --source's values" "$(printf 'bse\nfolder\nnse')" "$(completions --source '')"

# --- the Debian package ----------------------------------------------------------
check "the package $DEB exists" test -f "$DEB"
field() { dpkg-deb -f "$DEB" "$1" 2>/dev/null; }
same "Package" "quillon" "$(field Package)"
same "Version" "$VERSION" "$(field Version)"
same "Architecture" "$ARCH" "$(field Architecture)"
depends=$(field Depends)
for lib in libqt6 libcurl libsqlite3 libzip libc6; do
  check "Depends names $lib" grep -q "$lib" <<< "$depends"
done
for f in Section Maintainer Description Homepage; do
  check "the $f field is set" test -n "$(field $f)"
done
same "the package's files" "$(sed 's|^|usr/|' <<< "$EXPECTED_FILES")" \
  "$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | LC_ALL=C sort)"

# lintian, Debian's own checker, as packagers run it.
check "lintian: no error and no warning" lintian --fail-on error,warning "$DEB"

UNPACKED="$T/deb"
check "dpkg-deb -x" dpkg-deb -x "$DEB" "$UNPACKED"
Q="$UNPACKED/usr/bin/quillon"
DOC="$UNPACKED/usr/share/doc/quillon"
check "the changelog's newest entry is $VERSION" \
  test "$(zcat "$DOC/changelog.gz" | dpkg-parsechangelog -l - -S Version 2>&1)" = "$VERSION"
check "the copyright file is machine-readable" \
  grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$DOC/copyright"

# The systemd user units, checked by systemd-analyze (no systemd running is
# needed) from a folder of their own, where the service starts the unpacked
# program (installed, systemd finds quillon in /usr/bin).
UNITS="$T/units"
mkdir -p "$UNITS"
U="$UNPACKED/usr/lib/systemd/user"
sed "s|^ExecStart=quillon |ExecStart=$Q |" "$U/quillon-catch-up.service" > "$UNITS/quillon-catch-up.service"
cp "$U/quillon-catch-up.timer" "$UNITS/"
check "systemd-analyze verify of the units" \
  systemd-analyze verify --man=no "$UNITS/quillon-catch-up.service" "$UNITS/quillon-catch-up.timer"
check "the service runs quillon catch-up once" \
  grep -qz "Type=oneshot.*ExecStart=quillon catch-up" "$U/quillon-catch-up.service"
check "the timer makes up a missed run" grep -qx "Persistent=true" "$U/quillon-catch-up.timer"
# Monday to Friday at 19:30 in India (14:00 UTC), whatever the machine's zone.
calendar=$(sed -n 's/^OnCalendar=//p' "$U/quillon-catch-up.timer")
elapses=$(env TZ=America/New_York systemd-analyze calendar --iterations=7 "$calendar" 2>&1 |
          sed -n 's/.*(in UTC): \([A-Z][a-z]*\) [0-9-]* \([0-9:]*\) UTC$/\1 \2/p' | LC_ALL=C sort -u)
same "the timer's next elapses (weekday, UTC)" \
  "$(printf '%s 14:00:00\n' Fri Mon Thu Tue Wed)" "$elapses"
same "quillon --version of the unpacked package" "quillon $VERSION" \
  "$(env -u LD_LIBRARY_PATH "$Q" --version 2>&1)"

# A fresh user of the installed program: the settings command writes
# ~/.config/quillon/QM.INI; the next start reads the folders back from it
# and converts from and into them.
run_q() {
  env -u LD_LIBRARY_PATH -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    HOME="$T/home" LC_ALL=C.UTF-8 "$@"
}
mkdir -p "$T/home" "$T/x" "$T/y"
# With no command quillon starts the window program from ../libexec/quillon,
# which finds no display here.
run_q "$Q" > "$T/no-display" 2>&1
same "quillon with no command and no display: exit status 2" "2" "$?"
check "the window program says there is no display" grep -q "no display" "$T/no-display"
check "quillon settings" run_q "$Q" --source-folder "$T/x" --dest-folder "$T/y" settings
INI="$T/home/.config/quillon/QM.INI"
check "settings wrote ~/.config/quillon/QM.INI with the source folder" \
  grep -qx "SourcePath=$T/x" <(tr -d '\r' < "$INI")
check "nothing was written beside the program" test ! -e "$UNPACKED/usr/bin/QM.INI"
printf '%s\n' "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP," \
  "ABC,EQ,1234.50,1250.00,1220.10,1245.30,1245.00,1230.00,125000,1.5,31-JAN-2008," \
  > "$T/x/cm31JAN2008bhav.csv"
check "quillon convert with the saved folders" run_q "$Q" --source folder convert
check "convert wrote into the saved destination folder" \
  grep -q "^ABC,20080131,1234.5,1250,1220.1,1245.3,125000" "$T/y/cm31JAN2008bhav_DX.txt"

# A portable copy: QM.INI beside the program is the one used.
mkdir -p "$T/portable"
cp "$Q" "$T/portable/quillon"
: > "$T/portable/QM.INI"
check "quillon settings of a portable copy" \
  run_q "$T/portable/quillon" --source-folder "$T/p" --dest-folder "$T/y" settings
check "a portable copy keeps its settings beside it" \
  grep -qx "SourcePath=$T/p" <(tr -d '\r' < "$T/portable/QM.INI")
check "a portable copy leaves ~/.config/quillon/QM.INI alone" \
  grep -qx "SourcePath=$T/x" <(tr -d '\r' < "$INI")

echo "package checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
