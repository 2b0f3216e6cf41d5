#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Vandrel needs.
# Idempotent: returns quickly when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libssl-dev openssl
  # QtNetwork with its OpenSSL TLS backend plugin (HTTPS of the update check)
  libqt6network6
  xvfb xauth dbus-x11 shared-mime-info desktop-file-utils xdg-utils
  # the window: offscreen and X11 platform plugins, a private D-Bus for the
  # taskbar-progress test
  qt6-qpa-plugins dbus-daemon
  # Qt's own texts in the window's language; locales for the tests under
  # generated locales (localedef) and the C library's translated messages
  qt6-translations-l10n locales libc-l10n
  # the companion burner writes discs and images through xorriso
  xorriso
  # the Windows build: mingw-w64 with POSIX threads, and Wine to run its tests
  g++-mingw-w64-x86-64-posix wine wine64
  # the Debian package and its checks
  dpkg-dev fakeroot lintian help2man appstream bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
