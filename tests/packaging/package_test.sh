#!/usr/bin/env bash
# The Debian package of a build: its file list holds the programs in usr/bin, the
# shipped files in usr/share/nortea, the desktop entry and the icon; unpacked into a
# temporary root, its nortea-cli finds the shipped postal dictionary from there.
set -euo pipefail
source_dir="$1" build_dir="$2"
for tool in dpkg-deb dpkg-shlibdeps objdump; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

deb="$("$source_dir/scripts/package" --build-dir "$build_dir" --out "$work" --fast)"
dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files"
for want in ./usr/bin/nortea ./usr/bin/nortea-cli ./usr/share/nortea/nrt.html ./usr/share/nortea/repbk01.BMP \
            ./usr/share/applications/nortea.desktop ./usr/share/icons/hicolor/256x256/apps/nortea.png; do
  grep -qxF "$want" "$work/files" || { echo "FAIL: $want is not in the package"; cat "$work/files"; exit 1; }
done
if grep -q '^\./usr/bin/.*\.BMP$\|^\./usr/bin/yubin' "$work/files"; then
  echo "FAIL: shipped files in usr/bin"; exit 1
fi
grep -q '^MimeType=.*text/vcard.*text/csv' < <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/nortea.desktop) \
  || { echo "FAIL: the desktop entry does not open vCard and CSV files"; exit 1; }
depends="$(dpkg-deb -f "$deb" Depends)"
case "$depends" in *libqt6widgets6*fonts* | *fonts*libqt6widgets6*) ;; *) echo "FAIL: Depends: $depends"; exit 1 ;; esac

dpkg-deb -x "$deb" "$work/root"
if ! grep -q '^\./usr/share/nortea/yubin/YubinS.dat$' "$work/files"; then
  echo "SKIP: the build has no shipped postal dictionary (scripts/setup fetches its list)"; exit 77
fi
out="$(XDG_RUNTIME_DIR="$work" "$work/root/usr/bin/nortea-cli" --data "$work/data" postal-lookup 100-0013)"
echo "$out"
case "$out" in *100-0013*東京都*千代田区*) ;; *) echo "FAIL: postal-lookup from the unpacked package"; exit 1 ;; esac
