#!/usr/bin/env bash
# The Debian packages of a build: what each holds; lintian, the AppStream and desktop
# validators; the manual pages name exactly the options --help names; the completion
# completes from --help; unpacked, nortea-cli finds the shipped postal dictionary; and,
# as root with apt, the packages install (man finds the pages) and purge without a trace.
# Checks whose tool is missing are named at the end and make the test a skip.
set -euo pipefail
source_dir="$1" build_dir="$2"
for tool in dpkg-deb dpkg-shlibdeps dpkg-parsechangelog; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
skipped=()
fail() { echo "FAIL: $*"; exit 1; }

mapfile -t debs < <("$source_dir/scripts/package" --build-dir "$build_dir" --out "$work" --fast)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")"
bin_deb="$work/nortea_${version}_$(dpkg --print-architecture).deb"
data_deb="$work/nortea-data_${version}_all.deb"
[ "${debs[*]}" = "$bin_deb $data_deb" ] || fail "scripts/package made ${debs[*]}"
dpkg-deb -c "$bin_deb" | awk '{print $NF}' >"$work/bin.files"
dpkg-deb -c "$data_deb" | awk '{print $NF}' >"$work/data.files"

for want in ./usr/bin/nortea ./usr/bin/nortea-cli ./usr/share/applications/nortea.desktop \
            ./usr/share/metainfo/io.github.nortea.Nortea.metainfo.xml \
            ./usr/share/man/man1/nortea.1.gz ./usr/share/man/man1/nortea-cli.1.gz \
            ./usr/share/man/ja/man1/nortea.1.gz ./usr/share/man/ja/man1/nortea-cli.1.gz \
            ./usr/share/bash-completion/completions/nortea-cli \
            ./usr/share/doc/nortea/copyright ./usr/share/doc/nortea/changelog.gz; do
  grep -qxF "$want" "$work/bin.files" || { cat "$work/bin.files"; fail "$want is not in nortea"; }
done
for want in ./usr/share/nortea/nrt.html ./usr/share/nortea/repbk01.BMP ./usr/share/icons/hicolor/scalable/apps/nortea.svg \
            ./usr/share/doc/nortea-data/copyright ./usr/share/doc/nortea-data/changelog.gz; do
  grep -qxF "$want" "$work/data.files" || { cat "$work/data.files"; fail "$want is not in nortea-data"; }
done
grep -q '^\./usr/share/nortea/' "$work/bin.files" && fail "shipped files in the architecture's package"
grep -q '^\./usr/bin/' "$work/data.files" && fail "programs in nortea-data"

dpkg-deb -x "$bin_deb" "$work/root"
dpkg-deb -x "$data_deb" "$work/root"
# Every icon is as large as its folder says.
for size in 16 22 24 32 48 64 128 256 512; do
  png="$work/root/usr/share/icons/hicolor/${size}x$size/apps/nortea.png"
  [ -f "$png" ] || fail "no ${size}px icon"
  dims="$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')"
  [ "$dims" = "${size}x$size" ] || fail "the ${size}px icon is $dims"
done

desktop="$work/root/usr/share/applications/nortea.desktop"
grep -qx 'MimeType=text/vcard;text/x-vcard;' "$desktop" || fail "the desktop entry claims $(grep MimeType "$desktop")"
depends="$(dpkg-deb -f "$bin_deb" Depends)"
for want in "libqt6widgets6 (" "fonts-ipaexfont-mincho" "nortea-data (= $version)"; do
  [[ "$depends" == *"$want"* ]] || fail "Depends: $depends"
done
[ "$(dpkg-deb -f "$data_deb" Architecture)" = all ] || fail "nortea-data is not Architecture: all"
(cd "$work/root" && md5sum --quiet -c <(dpkg-deb -I "$bin_deb" md5sums; dpkg-deb -I "$data_deb" md5sums)) \
  || fail "md5sums do not match the files"

# The pages and --help name the same options; every command has its entry.
for program in nortea nortea-cli; do
  # Both answer without a window system (nortea before it opens its window).
  version_line="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build_dir/bin/$program" --version)"
  [ "$version_line" = "$program $version" ] || fail "$program --version: $version_line"
  help="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build_dir/bin/$program" --help)"
  grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u >"$work/help.options"
  for page in "usr/share/man/man1/$program.1.gz" "usr/share/man/ja/man1/$program.1.gz"; do
    text="$(zcat "$work/root/$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g')"
    grep -o -- '--[a-z][a-z-]*' <<<"$text" | sort -u >"$work/page.options"
    diff "$work/help.options" "$work/page.options" >/dev/null \
      || fail "$page and $program --help name different options: $(diff "$work/help.options" "$work/page.options" | grep '^[<>]' | tr '\n' ' ')"
    grep -q "^\.TH ${program^^} 1 .* \"nortea $version\"" <<<"$text" || fail "$page is not of version $version"
    if [ "$program" = nortea-cli ]; then
      for command in $(sed -n '/^commands:/,/^options:/{s/^  \([a-z][a-z-]*\).*/\1/p}' <<<"$help"); do
        grep -q "^\.B $command\( \|$\)" <<<"$text" || fail "$page has no entry for $command"
      done
    fi
  done
done

# The completion, sourced as bash does, with the build's nortea-cli on PATH. It makes
# no data folder (every command but --help would).
mkdir -p "$work/home" "$work/books/会社" "$work/books/メインユーザー"
complete_words() {
  HOME="$work/home" XDG_DATA_HOME="$work/home/data" PATH="$build_dir/bin:$PATH" bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _nortea_cli; printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd" "' _ \
    "$work/root/usr/share/bash-completion/completions/nortea-cli" "$@"
}
while IFS='|' read -r words want; do
  read -ra line <<<"${words/BOOKS/$work/books}"
  [ "$(complete_words "${line[@]}" "")" = "$want" ] || fail "completing '$words': $(complete_words "${line[@]}" "") (want $want)"
done <<'CASES'
nortea-cli|backup check duplicates export-csv export-vcard forms import-csv import-vcard list mail postal-import postal-lookup print repair restore sync sync-conflicts sync-setup user
nortea-cli --user x export-csv out.csv --encoding|shift-jis utf-8
nortea-cli list --format|csv tsv
nortea-cli user|create list remove
nortea-cli --data BOOKS --user|メインユーザー 会社
nortea-cli print|
nortea-cli forms create 長3封筒 --kind|
CASES
[ "$(complete_words nortea-cli list --f)" = "--fields --format" ] || fail "completing list --f: $(complete_words nortea-cli list --f)"
[ "$(complete_words nortea-cli --v)" = "--version" ] || fail "completing --v"
[ -z "$(ls -A "$work/home")" ] || fail "completing made $(find "$work/home")"

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$bin_deb" "$data_deb" || fail "lintian"
else
  skipped+=("lintian is not installed")
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/io.github.nortea.Nortea.metainfo.xml" || fail "appstreamcli"
else
  skipped+=("appstreamcli is not installed")
fi
if command -v desktop-file-validate >/dev/null; then
  [ -z "$(desktop-file-validate "$desktop" 2>&1)" ] || { desktop-file-validate "$desktop"; fail "desktop-file-validate"; }
else
  skipped+=("desktop-file-validate is not installed")
fi

if grep -q '^\./usr/share/nortea/yubin/YubinS.dat$' "$work/data.files"; then
  out="$(XDG_RUNTIME_DIR="$work" "$work/root/usr/bin/nortea-cli" --data "$work/data" postal-lookup 100-0013)"
  echo "$out"
  case "$out" in *100-0013*東京都*千代田区*) ;; *) fail "postal-lookup from the unpacked packages" ;; esac
else
  skipped+=("the build has no shipped postal dictionary (scripts/setup fetches its list)")
fi

# Installed and purged as a user would; the file list of the system before and after
# (leaving out logs, caches and the package tools' own records, and the desktop's
# caches that triggers rebuild for every package) is the same.
snapshot() {
  find /etc /usr /opt /srv /var -xdev \( -path /var/log -o -path /var/cache -o -path /var/lib/apt \
    -o -path /var/lib/dpkg -o -path /var/tmp -o -path /var/spool \) -prune \
    -o \! -name mimeinfo.cache \! -name icon-theme.cache -print 2>/dev/null | sort
}
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  skipped+=("installing needs root and apt-get")
elif dpkg-query -W -f='${Status}' nortea nortea-data 2>/dev/null | grep -q "ok installed"; then
  skipped+=("nortea is installed on this machine: not replaced by the test's")
else
  snapshot >"$work/before"
  apt=(apt-get -y -qq -o DPkg::Lock::Timeout=120 --no-install-recommends)
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" install "$bin_deb" "$data_deb" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt-get install"; }
  installed_ok=1
  [ "$(/usr/bin/nortea-cli --version)" = "nortea-cli $version" ] || installed_ok=0
  if command -v man >/dev/null; then
    [ "$(man -w nortea-cli)" = /usr/share/man/man1/nortea-cli.1.gz ] || installed_ok=0
    [ "$(man -L ja -w nortea-cli)" = /usr/share/man/ja/man1/nortea-cli.1.gz ] || installed_ok=0
    man -P cat nortea-cli 2>/dev/null | grep -q 'postal-lookup' || installed_ok=0
  else
    zcat /usr/share/man/man1/nortea-cli.1.gz | grep -q 'postal' || installed_ok=0
  fi
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge nortea nortea-data >>"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt-get purge"; }
  ((installed_ok)) || fail "the installed program or its manual page"
  snapshot >"$work/after"
  # Another process's package work meanwhile is not ours: only files no package owns count.
  left=()
  while read -r path; do
    dpkg -S "$path" >/dev/null 2>&1 || left+=("$path")
  done < <(comm -3 "$work/before" "$work/after" | sed 's/^\t//')
  ((${#left[@]} == 0)) || fail "install and purge changed: ${left[*]}"
  echo "installed, found by man, purged without a trace"
fi

if ((${#skipped[@]})); then
  printf 'SKIP: %s\n' "${skipped[@]}"
  exit 77
fi
echo "PASS"
