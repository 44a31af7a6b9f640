#!/usr/bin/env bash
# Cross-builds the third-party libraries (OpenSSL, nghttp2, libcurl, jsoncpp,
# minizip, GoogleTest) from Debian's source packages for x86_64-w64-mingw32,
# once, into a cache outside the clone. The cache key covers the source
# versions, the toolchain and this script, so any change rebuilds cleanly.
# Prints the install prefix on its last line of standard output.
set -euo pipefail

cache_root=${QUORVEL_DEPS_CACHE:-/var/cache/quorvel-deps}
jobs=${JOBS:-$(nproc)}
host=x86_64-w64-mingw32
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib RC=$host-windres

sources=(openssl nghttp2 curl libjsoncpp zlib googletest)

log() { echo "build-deps: $*" >&2; }

src_version() {
  # Highest version the configured deb-src entries offer.
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -n 1
}

versions=""
for s in "${sources[@]}"; do
  v=$(src_version "$s")
  [ -n "$v" ] || { log "no Debian source package for $s (run scripts/setup-host.sh)"; exit 1; }
  versions+="$s=$v "
done
toolchain=$($CXX --version | head -n 1)
key=$( (echo "$versions"; echo "$toolchain"; cat "$0") | sha256sum | cut -c1-16)
prefix=$cache_root/$key

mkdir -p "$cache_root"
# Several builds may start at once; one builds, the others wait and reuse.
exec 9>"$cache_root/.lock-$key"
flock 9
if [ -f "$prefix/.complete" ]; then
  log "reusing $prefix"
  echo "$prefix"
  exit 0
fi

log "building into $prefix ($versions)"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix"
# Installed in place; only the .complete marker makes the cache valid.
staging=$prefix

fetch() {
  local name=$1 ver=$2 dir=$work/src/$1
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -qq --download-only "$name=$ver" >/dev/null 2>&1) || {
    log "apt-get source $name=$ver failed"; exit 1; }
  local dsc
  dsc=$(ls "$dir"/*.dsc | head -n 1)
  (cd "$dir" && dpkg-source --no-check --skip-patches -x "$dsc" tree >/dev/null 2>&1) ||
  (cd "$dir" && dpkg-source --no-check -x "$dsc" tree >/dev/null)
  echo "$dir/tree"
}

ver_of() { for kv in $versions; do [ "${kv%%=*}" = "$1" ] && echo "${kv#*=}"; done; }

cmake_cross() {
  cmake -G Ninja -S "$1" -B "$2" \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
    -DCMAKE_C_COMPILER=$CC -DCMAKE_CXX_COMPILER=$CXX -DCMAKE_RC_COMPILER=$RC \
    -DCMAKE_FIND_ROOT_PATH="$staging;/usr/$host" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$staging" \
    -DBUILD_SHARED_LIBS=OFF "${@:3}" >"$work/$(basename "$2").cmake.log" 2>&1 || {
      tail -n 40 "$work/$(basename "$2").cmake.log" >&2; exit 1; }
  cmake --build "$2" -j "$jobs" >"$work/$(basename "$2").build.log" 2>&1 || {
    tail -n 40 "$work/$(basename "$2").build.log" >&2; exit 1; }
  cmake --install "$2" >/dev/null
}

build_openssl() {
  local src; src=$(fetch openssl "$(ver_of openssl)")
  log "openssl"
  (cd "$src" && ./Configure mingw64 no-shared no-tests no-module \
      --prefix="$staging" --libdir=lib >"$work/openssl.log" 2>&1 &&
   make -j"$jobs" build_libs >>"$work/openssl.log" 2>&1 &&
   make install_dev >>"$work/openssl.log" 2>&1) || { tail -n 40 "$work/openssl.log" >&2; exit 1; }
}

build_nghttp2() {
  local src; src=$(fetch nghttp2 "$(ver_of nghttp2)")
  log "nghttp2"
  cmake_cross "$src" "$work/b-nghttp2" -DENABLE_LIB_ONLY=ON -DENABLE_STATIC_LIB=ON \
    -DENABLE_SHARED_LIB=OFF -DENABLE_DOC=OFF -DENABLE_EXAMPLES=OFF -DENABLE_APP=OFF \
    -DENABLE_HPACK_TOOLS=OFF -DENABLE_PYTHON_BINDINGS=OFF -DWITH_LIBXML2=OFF -DWITH_JEMALLOC=OFF
}

build_curl() {
  local src; src=$(fetch curl "$(ver_of curl)")
  log "curl"
  local syslibs="-lws2_32 -lcrypt32 -lbcrypt -ladvapi32 -luser32 -lgdi32"
  cmake_cross "$src" "$work/b-curl" -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF \
    -DCURL_USE_OPENSSL=ON -DOPENSSL_ROOT_DIR="$staging" -DOPENSSL_USE_STATIC_LIBS=ON \
    -DUSE_NGHTTP2=ON -DNGHTTP2_INCLUDE_DIR="$staging/include" \
    -DNGHTTP2_LIBRARY="$staging/lib/libnghttp2.a" \
    -DCMAKE_C_FLAGS="-DNGHTTP2_STATICLIB" \
    -DCURL_ZLIB=ON -DZLIB_INCLUDE_DIR=/usr/$host/include -DZLIB_LIBRARY=/usr/$host/lib/libz.a \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DCURL_BROTLI=OFF \
    -DCURL_ZSTD=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DENABLE_MANUAL=OFF \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_STATICLIB=ON \
    -DCMAKE_C_STANDARD_LIBRARIES="$syslibs" -DCMAKE_EXE_LINKER_FLAGS="-static"
}

build_jsoncpp() {
  local src; src=$(fetch libjsoncpp "$(ver_of libjsoncpp)")
  log "jsoncpp"
  cmake_cross "$src" "$work/b-jsoncpp" -DJSONCPP_WITH_TESTS=OFF \
    -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF \
    -DJSONCPP_WITH_CMAKE_PACKAGE=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF
}

build_minizip() {
  # The unzip half of zlib's contrib/minizip, over Debian's mingw zlib.
  local src; src=$(fetch zlib "$(ver_of zlib)")
  log "minizip"
  local mz=$src/contrib/minizip obj=$work/minizip
  mkdir -p "$obj" "$staging/include/minizip" "$staging/lib"
  for f in unzip ioapi; do
    $CC -O2 -I/usr/$host/include -c "$mz/$f.c" -o "$obj/$f.o"
  done
  $AR rcs "$staging/lib/libminizip.a" "$obj/unzip.o" "$obj/ioapi.o"
  cp "$mz/unzip.h" "$mz/ioapi.h" "$staging/include/minizip/"
}

build_googletest() {
  local src; src=$(fetch googletest "$(ver_of googletest)")
  log "googletest"
  cmake_cross "$src" "$work/b-googletest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
    -DCMAKE_CXX_STANDARD=17
}

build_openssl
build_nghttp2
build_curl
build_jsoncpp
build_minizip
build_googletest

echo "$versions" > "$prefix/.versions"
touch "$prefix/.complete"
log "done: $prefix"
echo "$prefix"
