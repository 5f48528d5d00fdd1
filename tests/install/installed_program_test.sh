#!/usr/bin/env bash
# Installs the build into a fresh prefix and starts the installed program
# offscreen from an unrelated directory, as a desktop launcher would: it must
# find its data files under the prefix, open a file named on the command line
# and end normally. A start-up message would wait for its OK, so a hang here
# means the program complained. Also checks the launcher entry, the metainfo
# and the palette file type with the desktop's own tools where installed.
#   installed_program_test.sh BUILD_DIR CMAKE [SAMPLE.psd]
set -uo pipefail
build=$1
cmake=$2
sample=${3:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install"; exit 1; }

id=org.tintloom.Tintloom
for f in bin/tintloom share/tintloom/Tintloom.tid share/tintloom/bm.dat share/tintloom/skin.bmp \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/man/man1/tintloom.1.gz \
         share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/$id.png; do
  [ -s "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/tintloom" ] || fail "bin/tintloom is not executable"
# Nothing but the program goes to bin/ (the data files are not beside it).
[ "$(ls "$prefix/bin")" = tintloom ] || fail "bin/ holds more than the program: $(ls "$prefix/bin")"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
fi
# The launcher names the installed program itself and passes the files.
grep -qx "Exec=$prefix/bin/tintloom %F" "$prefix/share/applications/$id.desktop" ||
  fail "launcher does not start $prefix/bin/tintloom with the files: $(grep '^Exec=' "$prefix/share/applications/$id.desktop")"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "appstreamcli validate"; }
fi
if command -v update-mime-database >/dev/null; then
  # The file type as the desktop compiles it: the extension and the magic.
  update-mime-database "$prefix/share/mime" >"$work/mime.log" 2>&1 || { cat "$work/mime.log"; fail "update-mime-database"; }
  grep -q '^[0-9]*:application/x-tintloom-palette:\*\.tlp$' "$prefix/share/mime/globs2" || fail "no *.tlp glob"
  grep -aq 'TLPL' "$prefix/share/mime/magic" || fail "no TLPL magic"
  grep -q '^[0-9]*:application/x-tintloom-work:\*\.tlw$' "$prefix/share/mime/globs2" || fail "no *.tlw glob"
  # Every palette kind the program opens is offered to it by the launcher entry.
  for type in application/x-gimp-palette application/x-adobe-swatch-exchange application/x-photoshop-swatches \
              application/x-jasc-palette; do
    grep -q "^[0-9]*:$type:" "$prefix/share/mime/globs2" || fail "no glob for $type"
    grep -q "^MimeType=.*$type;" "$prefix/share/applications/$id.desktop" || fail "$type not in the launcher entry"
  done
fi

# Start the installed program from elsewhere, with no data files around.
mkdir -p "$work/elsewhere"
cd "$work/elsewhere" || exit 1
args=()
[ -n "$sample" ] && [ -f "$sample" ] && args+=("$sample")
# The user's folders are scratch ones: an installed copy keeps its swatches
# there (written on the way out once they change), never in its bin/.
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen TINTLOOM_QUIT_AFTER_START=1 \
  timeout 60 "$prefix/bin/tintloom" "${args[@]}" >"$work/run.log" 2>&1
rc=$?
if [ $rc -eq 124 ]; then
  fail "the installed program did not finish starting (a start-up message waiting?)"
elif [ $rc -ne 0 ]; then
  cat "$work/run.log"
  fail "the installed program exited with $rc"
fi
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the program wrote into the directory it was started from: $(ls -A)"
[ "$(ls "$prefix/bin")" = tintloom ] || fail "the program wrote into its bin/: $(ls "$prefix/bin")"

# The headless render with no display at all, its data files found under
# share/: a work document of the start-up palette on the sample.
if [ -n "$sample" ] && [ -f "$sample" ]; then
  {
    printf '{"format": "tintloom-work", "version": 1, "palette": "544c504c02000000'
    head -c 2376 /dev/zero | od -An -v -tx1 | tr -d ' \n'
    printf '", "artwork": "%s", "layers": []}\n' "$sample"
  } >"$work/w.tlw"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$prefix/bin/tintloom" --render "$work/w.tlw" \
    --output "$work/r.png" >"$work/render.log" 2>&1 || { cat "$work/render.log"; fail "the headless render failed"; }
  [ "$(head -c 8 "$work/r.png" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "the render wrote no PNG"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$prefix/bin/tintloom" --render "$work/none.tlw" \
    --output "$work/n.png" 2>"$work/render.err"
  rc=$?
  [ $rc -eq 1 ] && [ "$(wc -l <"$work/render.err")" -eq 1 ] || fail "a missing work document: exit $rc, $(cat "$work/render.err")"
fi

[ $failures -eq 0 ] && echo "installed program: all checks passed"
exit $((failures > 0))
