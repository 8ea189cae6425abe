#!/usr/bin/env bash
# Checks a built Debian package of Pelvar without installing it on the machine: lintian finds no
# errors, and the tree the package installs (unpacked into a temporary folder) has every file in
# place, a valid desktop entry and file type, icons of the right sizes, and commands that run:
# pelvar-batch without Qt's libraries, and with its drawing module for reports and pictures.
#
#   bash packaging/check_package.sh pelvar_<version>_amd64.deb [BUILT_PELVAR_BATCH]
#
# With BUILT_PELVAR_BATCH (the command as built, before packaging), the installed command must
# print exactly what it prints for the demonstration problem.
set -euo pipefail

deb=$1
reference=${2:-}
fail() { echo "check_package: $*" >&2; exit 1; }

echo "-- lintian"
lintian --fail-on error --info "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "-- files in place"
for f in bin/pelvar bin/pelvar-batch \
         share/applications/pelvar.desktop share/mime/packages/pelvar.xml \
         share/man/man1/pelvar.1.gz share/man/man1/pelvar-batch.1.gz \
         share/doc/pelvar/README.md share/doc/pelvar/copyright share/doc/pelvar/changelog.gz \
         share/icons/hicolor/scalable/apps/pelvar.svg share/metainfo/org.example.pelvar.metainfo.xml; do
  [ -f "$root/usr/$f" ] || fail "missing /usr/$f"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/pelvar.png
  file "$png" | grep -q "PNG image data, $size x $size," || fail "no $size x $size icon: $(file "$png")"
done
[ -x "$root/usr/bin/pelvar" ] && [ -x "$root/usr/bin/pelvar-batch" ] || fail "commands not executable"
# pelvar-batch's drawing module, private to the package, in a pelvar folder of the library folder
modules=$(cd "$root/usr" && find lib -path '*/pelvar/pelvar-batch-drawing.so')
[ "$(wc -w <<<"$modules")" -eq 1 ] || fail "not one drawing module of pelvar-batch under /usr/lib: $modules"
file "$root/usr/$modules" | grep -q 'ELF .* shared object' || fail "/usr/$modules: $(file "$root/usr/$modules")"
echo "drawing module: /usr/$modules"

echo "-- desktop entry and file type"
desktop-file-validate "$root/usr/share/applications/pelvar.desktop"
grep -qx 'MimeType=application/x-pelvar;' "$root/usr/share/applications/pelvar.desktop" ||
  fail "the desktop entry does not open *.plv files"
# (Its note that the staging folder is not on the data path is expected here.)
said=$(update-mime-database "$root/usr/share/mime" 2>&1) || fail "update-mime-database: $said"
grep -qx 'application/x-pelvar:\*\.plv' "$root/usr/share/mime/globs" ||
  fail "the file type does not claim *.plv"

echo "-- licence and software centre entry"
copyright=$root/usr/share/doc/pelvar/copyright
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -qx 'License: Expat' "$copyright" || fail "the copyright file does not name the MIT (Expat) licence"
metainfo=$root/usr/share/metainfo/org.example.pelvar.metainfo.xml
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\"" "$metainfo" ||
  fail "the AppStream entry does not list this version as a release"
if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net "$metainfo"
else
  echo "appstreamcli is not installed: the AppStream entry is not validated"
fi

echo "-- dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

echo "-- commands of the installed tree"
version=$(dpkg-deb -f "$deb" Version)
[ "$("$root/usr/bin/pelvar-batch" --version)" = "pelvar-batch $version" ] || fail "pelvar-batch --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/pelvar" --version)" = "pelvar $version" ] ||
  fail "pelvar --version"
summary=$("$root/usr/bin/pelvar-batch" --demo)
printf '%s\n' "$summary"
[ "$(grep -cE '^(Minimum|Maximum) (displacement|shear force|moment) +: +-?[0-9]+\.[0-9]{3} (m|kN|kNm)$' \
      <<<"$summary")" -eq 6 ] || fail "pelvar-batch --demo did not print the six summary lines"
[ "$(wc -l <<<"$summary")" -eq 6 ] || fail "pelvar-batch --demo printed more than six lines"
if [ -n "$reference" ]; then
  [ "$summary" = "$("$reference" --demo)" ] || fail "the installed pelvar-batch differs from the built one"
fi
# The command starts without the window toolkit, and finds its module beside it in the unpacked
# tree as it does in /usr once installed.
if readelf -d "$root/usr/bin/pelvar-batch" | grep -q 'NEEDED.*libQt'; then
  fail "pelvar-batch needs Qt's libraries at every start"
fi
out=$root/outputs
mkdir "$out"
"$root/usr/bin/pelvar-batch" --demo --report "$out/demo.pdf" --picture "$out/demo.png" >/dev/null ||
  fail "the installed pelvar-batch cannot write a report and a picture"
head -c 5 "$out/demo.pdf" | grep -qx -- '%PDF-' || fail "the report is not a PDF document"
file "$out/demo.png" | grep -q 'PNG image data, 1200 x 900,' || fail "the picture: $(file "$out/demo.png")"
echo "package checked: $deb"
