#!/usr/bin/env bash
# Unpacks the Debian package into a temporary root (dpkg -x) and checks what a user gets: both
# programs, the desktop entry and its icon, the man page, the dialout hint, and a CLI that runs
# from there without writing anything beside itself.
set -euo pipefail
deb="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "package: $*" >&2; failures=$((failures + 1)); }

dpkg-deb -x "$deb" "$root/pkg"
for f in usr/bin/korvane usr/bin/korvane-cli usr/share/applications/korvane.desktop \
         usr/share/icons/hicolor/scalable/apps/korvane.svg usr/share/man/man1/korvane-cli.1.gz \
         usr/share/doc/korvane/copyright; do
    [ -f "$root/pkg/$f" ] || fail "missing $f"
done
[ -x "$root/pkg/usr/bin/korvane" ] || fail "korvane is not executable"
gzip -t "$root/pkg/usr/share/man/man1/korvane-cli.1.gz" 2>/dev/null || fail "man page is not gzip"
grep -qx 'Exec=korvane' "$root/pkg/usr/share/applications/korvane.desktop" || fail "desktop entry: Exec"
grep -qx 'Icon=korvane' "$root/pkg/usr/share/applications/korvane.desktop" || fail "desktop entry: Icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/pkg/usr/share/applications/korvane.desktop" || fail "desktop entry invalid"
fi
dpkg-deb -f "$deb" Description | grep -q 'dialout' || fail "description lacks the dialout hint"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"

# The CLI from the unpacked root, on a fresh settings directory.
mkdir "$root/config"
before=$(cd "$root/pkg" && find . | sort)
if out=$(KORVANE_CONFIG_DIR="$root/config" "$root/pkg/usr/bin/korvane-cli" devices); then
    for want in "PIC devices:" "  16F84 " "  18F458 " "I2C EEPROMs:" "  24C512 "; do
        grep -qF -- "$want" <<<"$out" || fail "devices output lacks \"$want\""
    done
else
    fail "korvane-cli devices exited with status $?"
fi
[ "$(cd "$root/pkg" && find . | sort)" = "$before" ] || fail "korvane-cli wrote into the installed tree"

if [ $failures -ne 0 ]; then
    echo "package install test: $failures failures ($deb)" >&2
    exit 1
fi
echo "package install test passed: $(basename "$deb")"
