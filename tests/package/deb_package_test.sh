#!/usr/bin/env bash
# Builds the Debian package from a release build and checks it the way
# Debian's own tools and a user would meet it: the file name and fields,
# lintian (no error), the launcher entry and metainfo as installed, the
# manual page, and the program unpacked into a scratch root (dpkg -x) printing
# the package's version and rendering headless with the data files found in
# the unpacked /usr/share/tintloom. Run as root with CI=true (and no tintloom
# package installed already), it also installs the package with dpkg -i,
# checks `man tintloom` and the installed program, and removes it again.
#   deb_package_test.sh BUILD_DIR SAMPLE.psd
set -uo pipefail
build=$(cd "$1" && pwd)
sample=$2

work=$(mktemp -d)
installed=0
cleanup() {
  [ $installed -eq 1 ] && dpkg -r tintloom >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
id=org.tintloom.Tintloom

# Directories and files as a package keeps them, whatever the caller's umask.
umask 022
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; exit 1; }
shopt -s nullglob
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || { fail "cpack made ${#debs[@]} packages"; exit 1; }
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "tintloom_${version}_${arch}.deb" ] || fail "package named $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "Architecture: $(dpkg-deb -f "$deb" Architecture)"
depends=$(dpkg-deb -f "$deb" Depends)
# The libraries come from dpkg-shlibdeps; the Japanese font is required.
for p in libc6 libqt6widgets6 libpng16-16 fonts-ipafont-gothic; do
  [[ ", $depends" == *", $p"* || "$depends" == *"| $p"* ]] || fail "Depends lacks $p: $depends"
done
[[ "$(dpkg-deb -f "$deb" Recommends)" == *qt6-translations-l10n* ]] || fail "Recommends lacks qt6-translations-l10n"

# Every file under /usr, and the ones a Debian package documents itself with.
root=$work/root
dpkg -x "$deb" "$root"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./$' | grep -v '^\./usr/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for f in bin/tintloom share/tintloom/Tintloom.tid share/tintloom/bm.dat share/tintloom/skin.bmp \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/man/man1/tintloom.1.gz share/doc/tintloom/copyright share/doc/tintloom/changelog.gz; do
  [ -s "$root/usr/$f" ] || fail "not in the package: /usr/$f"
done
grep -qx "Exec=/usr/bin/tintloom %F" "$root/usr/share/applications/$id.desktop" ||
  fail "launcher entry: $(grep '^Exec=' "$root/usr/share/applications/$id.desktop")"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo has no release $version"
# No licence has been chosen: the copyright file and the metainfo say so alike.
grep -q '<project_license>LicenseRef-proprietary</project_license>' "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo licence changed"
grep -q '^License: LicenseRef-proprietary$' "$root/usr/share/doc/tintloom/copyright" || fail "copyright licence changed"

# The manual page: formats without a warning from groff, names this version
# and documents what it must.
man_page=$root/usr/share/man/man1/tintloom.1.gz
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$man_page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_page" 2>/dev/null)
for s in "Tintloom $version" "EXIT STATUS" "ENVIRONMENT" "FILES" "Tintloom.conf" "DefaultSwatch.swo" "QT_QPA_PLATFORM"; do
  [[ "$text" == *"$s"* ]] || fail "manual page lacks '$s'"
done
# Every option the program's --help names is documented there too.
for option in $("$root/usr/bin/tintloom" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  [[ "$text" == *"$option"* ]] || fail "manual page does not document $option"
done

# The unpacked program: its version, and a headless render from another
# directory with no display, the data files found in the unpacked /usr/share.
program=$root/usr/bin/tintloom
[ "$("$program" --version)" = "tintloom $version" ] || fail "--version says '$("$program" --version)', the package $version"
"$program" --help | head -1 | grep -qx "Tintloom $version" || fail "--help does not name version $version"
mkdir -p "$work/elsewhere"
if [ ! -f "$sample" ]; then
  echo "no sample artwork at $sample: the headless render is not checked"
else
  {
    printf '{"format": "tintloom-work", "version": 1, "palette": "544c504c02000000'
    head -c 2376 /dev/zero | od -An -v -tx1 | tr -d ' \n'
    printf '", "artwork": "%s", "layers": []}\n' "$sample"
  } >"$work/w.tlw"
  (cd "$work/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$program" \
     --render "$work/w.tlw" --output "$work/r.png" --size 64 >"$work/render.log" 2>&1) ||
    { cat "$work/render.log"; fail "the unpacked program's headless render"; }
  [ "$(head -c 8 "$work/r.png" 2>/dev/null | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "the render wrote no PNG"
fi

# Debian's own check of the package: errors fail, the rest is shown.
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors"; }
  grep -v '^running with root' "$work/lintian.log" || true
else
  fail "lintian is not installed"
fi

# Installed for real: only in CI, as root, and never over a tintloom the
# machine already has (removing it afterwards would take the user's copy).
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ] &&
   ! dpkg-query -W -f='${Status}' tintloom 2>/dev/null | grep -q "install ok installed"; then
  installed=1
  dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
  [ "$(/usr/bin/tintloom --version)" = "tintloom $version" ] || fail "installed --version"
  [ "$(man -w tintloom 2>/dev/null)" = /usr/share/man/man1/tintloom.1.gz ] || fail "man tintloom finds $(man -w tintloom 2>&1)"
  dpkg -r tintloom >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r"; }
  installed=0
  [ ! -e /usr/bin/tintloom ] && [ ! -e /usr/share/tintloom ] || fail "dpkg -r left files behind"
fi

[ $failures -eq 0 ] && echo "Debian package tintloom_${version}_${arch}.deb: all checks passed"
exit $((failures > 0))
