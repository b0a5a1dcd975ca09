#!/bin/sh
# Checks the Debian package: its files and control fields, that dpkg accepts it on this system, the
# validators, the site it carries started through a handed socket as systemd starts it, and the
# program it carries showing a forecast under a virtual display (screenshot kept).
# The package is unpacked into a scratch root (dpkg-deb -x) rather than installed into a
# debootstrap chroot: that needs the Debian mirror and minutes per run; dpkg --dry-run checks the
# dependencies against this system instead.
# Usage: tests/package/package_test.sh [PACKAGE.deb]   (default: builds it with scripts/package)
# Needs root for dpkg --dry-run; takes the display lock /tmp/lanchuan-gui.lock for the window part.
set -eu
cd "$(dirname "$0")/../.."
top=$(pwd)

if [ $# -ge 1 ]; then
    deb=$1
else
    scripts/package
    set -- build/lanchuan-weather_*_amd64.deb
    deb=$1
fi
[ -f "$deb" ] || { echo "package_test: no package at $deb" >&2; exit 1; }
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")

work=$(mktemp -d)
activator=
cleanup() {
    if [ -n "$activator" ]; then
        kill "$activator" 2>/dev/null || true
        wait "$activator" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

failures=0
fail() {
    echo "package_test: FAIL: $1" >&2
    failures=$((failures + 1))
}

echo "package_test: $deb"
version=$(sed -n 's/^project(lanchuan_weather VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no VERSION in the project() line of CMakeLists.txt"

echo "package_test: control fields"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lanchuan-weather ] || fail "Package is '$(field Package)'"
case $(field Version) in
"$version" | "$version"-*) ;;
*) fail "Version '$(field Version)' is not the project's $version" ;;
esac
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
# Written by dpkg-shlibdeps: each library the binaries link, with the version its symbols need.
for library in libc6 libgtk-3-0 libwebkit2gtk-4.1-0 libcurl4 libcpp-httplib0.11 libstdc++6; do
    echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -q "^$library (>= [^)]*)\$" ||
        fail "Depends lacks '$library (>= ...)': $depends"
done

echo "package_test: file list"
dpkg-deb -c "$deb" | awk '{ print $1 " " $6 }' >"$work/list"
for path in \
    usr/bin/lanchuan-weather \
    usr/libexec/lanchuan-weather/weather-site \
    usr/share/applications/lanchuan-weather.desktop \
    usr/share/metainfo/io.github.lanchuan.weather.metainfo.xml \
    usr/lib/systemd/user/lanchuan-weather-site.socket \
    usr/lib/systemd/user/lanchuan-weather-site.service \
    usr/lib/systemd/user/sockets.target.wants/lanchuan-weather-site.socket \
    usr/share/doc/lanchuan-weather/copyright \
    usr/share/doc/lanchuan-weather/changelog.Debian.gz \
    usr/share/man/man1/lanchuan-weather.1.gz \
    usr/share/icons/hicolor/16x16/apps/lanchuan-weather.png \
    usr/share/icons/hicolor/32x32/apps/lanchuan-weather.png \
    usr/share/icons/hicolor/48x48/apps/lanchuan-weather.png \
    usr/share/icons/hicolor/64x64/apps/lanchuan-weather.png \
    usr/share/icons/hicolor/128x128/apps/lanchuan-weather.png \
    usr/share/icons/hicolor/256x256/apps/lanchuan-weather.png; do
    grep -q " \./$path\$" "$work/list" || fail "the package lacks /$path"
done
for binary in usr/bin/lanchuan-weather usr/libexec/lanchuan-weather/weather-site; do
    grep -q "^-rwxr-xr-x \./$binary\$" "$work/list" || fail "/$binary is not mode 755"
done
if grep -v '^d' "$work/list" | grep -Ev ' \./usr/(bin|libexec|lib/systemd/user|share)/' |
    grep -q .; then
    fail "files outside the expected folders: $(grep -v '^d' "$work/list" |
        grep -Ev ' \./usr/(bin|libexec|lib/systemd/user|share)/' | tr '\n' ' ')"
fi

echo "package_test: dpkg --dry-run --install"
dpkg --dry-run --install "$deb" >"$work/dpkg.log" 2>&1 || {
    cat "$work/dpkg.log" >&2
    fail "dpkg would not install the package on this system"
}

root=$work/root
dpkg-deb -x "$deb" "$root"
for size in 16 32 48 64 128 256; do
    got=$(file -b "$root/usr/share/icons/hicolor/${size}x$size/apps/lanchuan-weather.png")
    case $got in
    "PNG image data, $size x $size, "*) ;;
    *) fail "the ${size}px icon is $got" ;;
    esac
done

echo "package_test: validators"
desktop-file-validate "$root/usr/share/applications/lanchuan-weather.desktop" >"$work/v.log" 2>&1 &&
    ! grep -q . "$work/v.log" || fail "desktop-file-validate: $(cat "$work/v.log")"
grep -qx 'Name=岚川天气助手' "$root/usr/share/applications/lanchuan-weather.desktop" ||
    fail "the desktop entry's Name is not 岚川天气助手"
appstreamcli validate-tree --no-net --pedantic "$root" >"$work/v.log" 2>&1 ||
    fail "appstreamcli validate-tree: $(cat "$work/v.log")"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/io.github.lanchuan.weather.metainfo.xml" ||
    fail "the metadata's release is not $version"
# systemd-analyze checks that ExecStart exists: point it into the scratch root. --root does not
# take user units.
mkdir -p "$work/units" "$work/runtime"
chmod 700 "$work/runtime"
cp "$root/usr/lib/systemd/user/lanchuan-weather-site.socket" "$work/units/"
sed "s|^ExecStart=/|ExecStart=$root/|" "$root/usr/lib/systemd/user/lanchuan-weather-site.service" \
    >"$work/units/lanchuan-weather-site.service"
(cd "$work/units" && XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user verify \
    ./lanchuan-weather-site.socket ./lanchuan-weather-site.service) >"$work/v.log" 2>&1 ||
    fail "systemd-analyze verify: $(cat "$work/v.log")"
grep -qx 'ListenStream=127.0.0.1:8936' "$root/usr/lib/systemd/user/lanchuan-weather-site.socket" ||
    fail "the socket unit does not listen on 127.0.0.1:8936"
[ "$(readlink "$root/usr/lib/systemd/user/sockets.target.wants/lanchuan-weather-site.socket")" = \
    ../lanchuan-weather-site.socket ] || fail "the socket is not enabled for every user"
if command -v lintian >/dev/null; then
    lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
    if grep -q '^E:' "$work/lintian.log"; then
        fail "lintian errors: $(grep '^E:' "$work/lintian.log")"
    fi
    grep '^W:' "$work/lintian.log" || true
else
    echo "package_test: lintian is not installed; skipped"
fi

# The site on a port of its own, handed the socket as systemd does. --port 0 keeps a site that
# ignored the socket off 8936, which other tests use; it would then never answer here.
site=$root/usr/libexec/lanchuan-weather/weather-site
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
echo "package_test: the site through a socket handed on 127.0.0.1:$port"
systemd-socket-activate -l "127.0.0.1:$port" "$site" --port 0 --idle-exit 2 \
    --log "$work/site.log" >"$work/activate.log" 2>&1 &
activator=$!
. tests/gui_helpers.sh
wait_for "grep -q 'Listening on' '$work/activate.log'" 50 || fail "systemd-socket-activate did not listen"
if curl -s -m 20 -o "$work/index.htm" "http://127.0.0.1:$port/"; then
    grep -qi '<table' "$work/index.htm" || fail "the site's first page holds no table"
    grep -q '^GET	/	status=200' "$work/site.log" || fail "the site did not log the request"
else
    fail "no page through the handed socket: $(cat "$work/activate.log")"
fi
# Idle for its two seconds, the site leaves by itself, cleanly.
status=0
wait "$activator" || status=$?
activator=
[ "$status" -eq 0 ] || fail "the site ended with status $status: $(cat "$work/activate.log")"
grep -q 'stopped (idle)' "$work/activate.log" || fail "the site did not stop for being idle"

echo "package_test: the program against the site on 8936, under a virtual display"
shot=${LANCHUAN_PACKAGE_SHOT:-build/package-screenshot.png}
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
export root work version shot
flock /tmp/lanchuan-gui.lock scripts/with-display sh -c '
    set -eu
    . tests/gui_helpers.sh
    activator=
    app=
    stop_all() {
        [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
        [ -n "$activator" ] && kill "$activator" 2>/dev/null || true
        wait 2>/dev/null || true
    }
    trap stop_all EXIT
    trap "exit 1" INT TERM HUP
    : >"$work/gui-site.log"
    systemd-socket-activate -l 127.0.0.1:8936 "$root/usr/libexec/lanchuan-weather/weather-site" \
        --log "$work/gui-site.log" >"$work/gui-activate.log" 2>&1 &
    activator=$!
    if ! wait_for "grep -q \"Listening on\" \"$work/gui-activate.log\"" 50; then
        echo "cannot listen on 127.0.0.1:8936: $(cat "$work/gui-activate.log")" >&2
        exit 1
    fi
    LANCHUAN_DRIVES=$work/drives "$root/usr/bin/lanchuan-weather" &
    app=$!
    window=$(program_window "$app") || { echo "the window did not appear" >&2; exit 1; }
    wait_for "grep -q \"/weather/.*status=200\" \"$work/gui-site.log\"" 300 ||
        { echo "the program fetched no forecast" >&2; exit 1; }
    wait_for "find \"$work/drives\" -name tmp.htm | grep -q ." 300 ||
        { echo "the program wrote no forecast page" >&2; exit 1; }
    # WebKit paints the page some moments after it is loaded.
    sleep 3
    import -window root "$shot"
    xdotool getwindowname "$window" >"$work/caption"
    xprop -id "$window" -notype -f _NET_WM_ICON 32c _NET_WM_ICON >"$work/window-icons"
    find "$work/drives" -name tmp.htm -exec cp {} "$work/shown.htm" \;
    xdotool windowactivate --sync "$window" key Escape
    wait_for "! kill -0 $app 2>/dev/null" 50 || true
' || fail "the program showed no forecast"
[ -f "$shot" ] && echo "package_test: screenshot saved to $shot"
touch "$work/caption" "$work/shown.htm" "$work/window-icons"
grep -qx "岚川天气助手 v$version" "$work/caption" ||
    fail "the caption is '$(cat "$work/caption")', not 岚川天气助手 v$version"
grep -qi '<table' "$work/shown.htm" || fail "the shown page holds no forecast table"
# The menu icon is the window icon: compare the package's 16, 32 and 48 px pictures with what the
# program gives the window manager.
/usr/bin/python3 - "$work/window-icons" "$root/usr/share/icons/hicolor" <<'EOF' ||
import sys
from PIL import Image

values = [int(v) for v in open(sys.argv[1]).read().split("=", 1)[1].replace(",", " ").split()]
compared = 0
at = 0
while at + 2 <= len(values):
    w, h = values[at], values[at + 1]
    pixels = values[at + 2 : at + 2 + w * h]
    at += 2 + w * h
    png = Image.open(f"{sys.argv[2]}/{w}x{h}/apps/lanchuan-weather.png").convert("RGBA")
    for i, argb in enumerate(pixels):
        want = ((argb >> 16) & 255, (argb >> 8) & 255, argb & 255, argb >> 24)
        got = png.getpixel((i % w, i // w))
        # Both are unpremultiplied from the same cairo surface; rounding may differ by a step
        # where a pixel is nearly transparent.
        if abs(got[3] - want[3]) > 2 or (want[3] > 16 and max(abs(g - x) for g, x in zip(got, want)) > 8):
            sys.exit(f"{w}px icon differs at {i % w},{i // w}: package {got}, window {want}")
    compared += 1
if compared == 0:
    sys.exit("the window carries no icon")
EOF
    fail "the packaged icon is not the window's icon"

if [ "$failures" -ne 0 ]; then
    echo "package_test: $failures check(s) failed" >&2
    exit 1
fi
echo "package_test: all checks passed"
