#!/usr/bin/env bash
# Builds what the Windows cross build links or finds besides the mingw-w64
# tool chain, into one prefix inside the build folder:
#   SQLite     from Debian's own sqlite3 source package (fetched with
#              apt-get source through a sources list kept in the build
#              folder; the machine's apt configuration is not touched),
#              compiled as a static library
#   GoogleTest cross-built from Debian's sources in /usr/src/googletest
#   CLI11, nlohmann-json, RapidJSON: the header-only packages, copied with
#              their CMake package files so find_package finds them there
# Each part is skipped when its stamp says it is already there.
#
#   tools/windows/sysroot.sh <work folder> <prefix>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
work="$1"
prefix="$2"
toolchain="$repo/cmake/windows/mingw-w64.cmake"
mingw=x86_64-w64-mingw32
mkdir -p "$work" "$prefix/include" "$prefix/lib" "$prefix/share/cmake"

# --- SQLite ------------------------------------------------------------------

# apt-get with its own sources list, package lists and cache, all under
# $work/apt: only deb-src lines, nothing of the machine's setup is read or
# written except the dpkg status (which apt-get source does not change).
apt_private() {
  local a="$work/apt"
  apt-get -q \
    -o Dir::Etc::SourceList="$a/sources.list" -o Dir::Etc::SourceParts="$a/sources.list.d" \
    -o Dir::State::Lists="$a/lists" -o Dir::Cache="$a/cache" \
    -o Dir::Etc::Preferences="$a/preferences" -o Dir::Etc::PreferencesParts="$a/preferences.d" \
    -o APT::Sandbox::User="$(id -un)" "$@"
}

fetch_sqlite_source() {
  local a="$work/apt"
  mkdir -p "$a/lists/partial" "$a/cache/archives/partial" "$a/sources.list.d" "$a/preferences.d"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  {
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main"
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main"
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main"
  } >"$a/sources.list"
  : >"$a/preferences"
  apt_private update >/dev/null
  # The same SQLite as the Linux build links, when that version is still
  # offered, so both write the same catalogue files.
  local want=sqlite3 have
  have="$(dpkg-query -W -f='${Version}' libsqlite3-dev 2>/dev/null || true)"
  local src="$work/sqlite-src"
  rm -rf "$src"
  mkdir -p "$src"
  if [ -n "$have" ] && (cd "$src" && apt_private source --download-only "sqlite3=$have" >/dev/null 2>&1); then
    want="sqlite3=$have"
  else
    (cd "$src" && apt_private source --download-only sqlite3 >/dev/null)
  fi
  local dsc
  dsc="$(ls "$src"/sqlite3_*.dsc)"
  # Debian's patches are applied as the package builds them.
  (cd "$src" && dpkg-source --no-check -x "$dsc" tree >/dev/null)
  basename "$dsc" .dsc >"$src/version"
  echo "SQLite source: $(cat "$src/version") ($want)"
}

build_sqlite() {
  local stamp="$prefix/lib/libsqlite3.a"
  [ -f "$stamp" ] && [ -f "$prefix/include/sqlite3.h" ] && return 0
  fetch_sqlite_source
  local src="$work/sqlite-src" bld="$work/sqlite-build"
  rm -rf "$bld"
  mkdir -p "$bld"
  # The amalgamation (one sqlite3.c) is generated on the build machine,
  # with its own C compiler and tclsh, then compiled for Windows.
  (cd "$bld" && "$src/tree/configure" --disable-tcl >/dev/null && make -s sqlite3.c sqlite3.h >/dev/null)
  # The options that change behaviour as in Debian's own build (see
  # debian/rules); the extensions the program does not use are left out.
  local defines=(
    -DSQLITE_SECURE_DELETE -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOOKASIDE=1
    -DSQLITE_USE_URI=1 -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_MAX_SCHEMA_RETRY=25
    -DSQLITE_MAX_VARIABLE_NUMBER=250000 -DSQLITE_ALLOW_ROWID_IN_VIEW
    -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_OMIT_LOAD_EXTENSION
  )
  "$mingw-gcc" -O2 -fno-strict-aliasing "${defines[@]}" -c "$bld/sqlite3.c" -o "$bld/sqlite3.o"
  rm -f "$bld/libsqlite3.a"
  "$mingw-ar" rcs "$bld/libsqlite3.a" "$bld/sqlite3.o"
  cp "$bld/sqlite3.h" "$bld/sqlite3ext.h" "$prefix/include/" 2>/dev/null || cp "$bld/sqlite3.h" "$prefix/include/"
  cp "$bld/libsqlite3.a" "$prefix/lib/"
  cp "$work/sqlite-src/version" "$prefix/share/sqlite-version"
}

# --- GoogleTest --------------------------------------------------------------

build_gtest() {
  [ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ] && return 0
  local bld="$work/googletest-build"
  cmake -S /usr/src/googletest -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -Dgtest_disable_pthreads=ON -DBUILD_GMOCK=ON >/dev/null
  cmake --build "$bld" -j2 >/dev/null
  cmake --install "$bld" >/dev/null
}

# --- Header-only packages ----------------------------------------------------

copy_header_package() {
  local package_dir="$1"
  shift
  [ -d "$prefix/share/cmake/$package_dir" ] && return 0
  for headers in "$@"; do cp -r "/usr/include/$headers" "$prefix/include/"; done
  cp -r "/usr/share/cmake/$package_dir" "$prefix/share/cmake/"
}

copy_headers() {
  copy_header_package CLI11 CLI
  copy_header_package nlohmann_json nlohmann
  copy_header_package RapidJSON rapidjson
  # RapidJSON's package file names /usr/include, which holds the build
  # machine's C library headers: point it at the copy instead.
  sed -i "s|\"/usr/include\"|\"$prefix/include\"|" "$prefix/share/cmake/RapidJSON/RapidJSONConfig.cmake"
}

build_sqlite
build_gtest
copy_headers
