#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once; a no-op when
# everything is already there. Also adds source entries for the main suites so
# scripts/build-deps.sh can fetch the dependencies' Debian source packages.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  cmake ninja-build make perl python3 dpkg-dev
  wine wine64 xvfb xauth fonts-dejavu-core
  bsdiff python3-pil python3-fonttools
  fonts-tlwg-loma-ttf fonts-noto-cjk
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/quorvel-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  # Main suites only: the security suite's source files are not served here.
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-host: installing ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
