#!/usr/bin/env bash
# Builds the Debian package (Release, in build-package/), unpacks it into a temporary root with
# dpkg -x and checks it the way a user's desktop would meet it: the control fields and dependencies,
# the program and tesmar.ini side by side with a relative link in bin/, the desktop entry, metainfo
# and icons, the installed program itself, started through the link under the offscreen platform,
# showing the provinces of the national directory, and telvane-lookup run through its link.
#   bash packaging/check-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh dpkg-dev desktop-file-utils appstream

build=build-package  # the package preset's
cmake --preset package >/dev/null
cmake --build --preset package -j"$(nproc)"
rm -f "$build"/telvane_*.deb
if ! cpack --preset package >"$build/cpack.log" 2>&1; then
    cat "$build/cpack.log" >&2
    exit 1
fi
debs=("$build"/telvane_*.deb)
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# Control fields: name and version from the project, and what the program needs to run.
version=$(sed -n 's/^project(telvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(dpkg-deb -f "$deb" Package)" = telvane ] || fail "package name is $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libutf8proc2 fonts-wqy-zenhei; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
apt-get install --simulate -qq "$PWD/$deb" >/dev/null || fail "apt-get cannot resolve the dependencies"

# The program and its data file side by side, reached through a relative link.
lib="$root/usr/lib/telvane"
[ "$(readlink "$root/usr/bin/telvane")" = ../lib/telvane/telvane ] ||
    fail "usr/bin/telvane is not the link ../lib/telvane/telvane"
[ -x "$lib/telvane" ] || fail "no program in usr/lib/telvane"
cmp -s "$build/tesmar.ini" "$lib/tesmar.ini" || fail "usr/lib/telvane/tesmar.ini differs from the build's"
cmp -s "$build/telvane.sqlite" "$lib/telvane.sqlite" || fail "usr/lib/telvane/telvane.sqlite differs from the build's"
if readelf -d "$lib/telvane" | grep -Eq 'R(UN)?PATH'; then fail "the installed program keeps a library path"; fi

# telvane-lookup beside it, with its link, manual page and completion; run through the link from
# elsewhere, it finds the national directory beside the real program.
[ "$(readlink "$root/usr/bin/telvane-lookup")" = ../lib/telvane/telvane-lookup ] ||
    fail "usr/bin/telvane-lookup is not the link ../lib/telvane/telvane-lookup"
if readelf -d "$lib/telvane-lookup" | grep -Eq 'R(UN)?PATH|NEEDED.*Qt'; then
    fail "the installed telvane-lookup keeps a library path or links Qt"
fi
man="$root/usr/share/man/man1/telvane-lookup.1.gz"
{ gzip -t "$man" && zgrep -q '^\.TH "telvane-lookup" "1"' "$man"; } 2>/dev/null || fail "no manual page telvane-lookup(1)"
grep -q 'complete -F _telvane_lookup telvane-lookup' "$root/usr/share/bash-completion/completions/telvane-lookup" ||
    fail "no bash completion for telvane-lookup"
status=0
answer=$(cd / && timeout 30 "$root/usr/bin/telvane-lookup" --tsv '+86 512 6800 1234' 2>"$root/stderr") || status=$?
if [ "$status" -ne 0 ] || [ "$answer" != "$(printf 'query\tprovince\tregion\tarea_code\tpostcode\n+86 512 6800 1234\t江苏省\t苏州市\t0512\t215000')" ]; then
    fail "the installed telvane-lookup (status $status) answered:"
    printf '%s\n' "$answer" "--- it said:" >&2
    cat "$root/stderr" >&2
fi

# Desktop integration: the program's own id names the desktop entry, the icon and the metainfo.
share="$root/usr/share"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$share/metainfo/"*.metainfo.xml)
[ "$id" = org.telvane.Telvane ] || fail "the metainfo's id is $id, not org.telvane.Telvane"
desktop="$share/applications/$id.desktop"
metainfo="$share/metainfo/$id.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "launchable is not $id"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -L "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not the program's link"
# A PNG holds its width and height as the 4-byte numbers at offsets 16 and 20.
png_size() {
    local b
    read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}
for size in 16 22 24 32 48 64 128 256; do
    icon="$share/icons/hicolor/${size}x$size/apps/$id.png"
    if [ ! -f "$icon" ]; then
        fail "no ${size}x$size icon"
    elif [ "$(png_size "$icon")" != "${size}x$size" ]; then
        fail "the ${size}x$size icon is $(png_size "$icon")"
    fi
done
[ -s "$share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"

# The licence: MIT, stated alike in the package's copyright file and the metainfo; and the notices of
# the data the database carries (libphonenumber's Apache-2.0, the MIT notices of the pinyin seed and the
# carrier table, the CC0 of the division codes).
copyright="$share/doc/telvane/copyright"
grep -q '^License: Expat$' "$copyright" 2>/dev/null || fail "no Expat (MIT) copyright file"
for licence in Apache-2.0 CC0-1.0; do
    grep -q "^License: $licence\$" "$copyright" 2>/dev/null || fail "the copyright file lacks the $licence licence"
done
for upstream in 'The Libphonenumber Authors' xiangyuecn ChinaMobilePhoneNumberRegex yescallop; do
    grep -q "$upstream" "$copyright" 2>/dev/null || fail "the copyright file does not name $upstream"
done
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo's licence is not MIT"

# The installed program, started through the link from elsewhere, names its desktop entry by the same
# id and shows the root "中国" with the provinces of the region table, in table order. The probe closes
# the window, which ends the program.
provinces=$(tail -n +2 data/regions.tsv | cut -f1 | uniq | paste -sd,)
[ "$(tr ',' '\n' <<<"$provinces" | wc -l)" -eq 34 ] || fail "the region table does not hold 34 provinces"
expected=$(printf 'window\tTelvane\t%s\ntree\t中国\t%s' "$id" "$provinces")
probe="$PWD/$build/packaging/libtelvane_window_probe.so"
status=0
shown=$(cd / && QT_QPA_PLATFORM=offscreen LD_PRELOAD="$probe" timeout 30 "$root/usr/bin/telvane" 2>"$root/stderr") ||
    status=$?
if [ "$status" -ne 0 ] || [ "$shown" != "$expected" ]; then
    fail "the installed program (status $status) showed:"
    printf '%s\n' "$shown" "--- it said:" >&2
    cat "$root/stderr" >&2
fi

[ "$failed" -eq 0 ] || exit 1
echo "check-package: $(basename "$deb") is good"
