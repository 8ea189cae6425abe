#!/usr/bin/env bash
# Installs, on a Debian 12 machine, every package the build, the program and the tests need (the
# tests of the safe writer play another user with setpriv and setfacl, mark files with setfattr
# and chattr, and make a write fail part way with strace's fault injection).
# Packages already present are left alone, so a second run is quick and needs no network.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev qt6-qpa-plugins libqt6printsupport6 fonts-liberation
  libgtest-dev libgmock-dev libbenchmark-dev liblapack-dev
  clang libclang-rt-14-dev
  locales poppler-utils
  nlohmann-json3-dev qt6-svg-dev
  dpkg-dev file lintian desktop-file-utils shared-mime-info appstream
  strace acl attr e2fsprogs util-linux
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "${missing[@]}"
fi

# A locale whose decimal separator is a comma, so the tests can show that numbers
# are read and written with "." whatever the process locale says.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
