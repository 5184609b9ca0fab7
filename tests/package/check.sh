#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and runs what it installed: both
# programs answer --version, and a login against the installed korvel-server gets the device list.
set -euo pipefail
cd "$(dirname "$0")/../.."
export QT_QPA_PLATFORM=offscreen
deb=$(bash tools/package.sh)
root=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$root"

fail() { echo "package: $*" >&2; exit 1; }
for f in usr/bin/korvel usr/bin/korvel-server usr/lib/korvel/korvel usr/lib/korvel/libkorvel_horn.so usr/share/applications/korvel.desktop \
         usr/share/icons/hicolor/scalable/apps/korvel.svg usr/share/korvel/kondaktif.bmp \
         usr/share/korvel/kondpasif.bmp usr/share/korvel/AirHornL.wav lib/systemd/system/korvel-server.service \
         usr/share/man/man1/korvel.1.gz usr/share/man/man1/korvel-server.1.gz usr/share/doc/korvel/README.md; do
  [ -e "$root/$f" ] || [ -e "$root/usr/$f" ] || fail "missing $f"
done
grep -q '^Path=/usr/share/korvel$' "$root/usr/share/applications/korvel.desktop" || fail "desktop entry sets no working directory"

# Everything the client opens comes from a package the Depends line names: the libraries it links
# directly, the SQL driver and TLS plugins and the displays' font file.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (|].*//')
owner() { dpkg -S "$1" 2>/dev/null | head -1 | cut -d: -f1 || true; }
opened=()
# The horn's player is a module beside the program, loaded at the first play.
for elf in "$root/usr/lib/korvel/korvel" "$root/usr/lib/korvel/libkorvel_horn.so"; do
  for lib in $(objdump -p "$elf" | awk '/NEEDED/ {print $2}'); do
    # "libX.so => /path (address)", or for the dynamic loader "/path/ld-linux….so.2 (address)".
    path=$(ldd "$elf" | awk -v l="$lib" '$1 == l {print $3} $1 ~ /^\// && $1 ~ ("/" l "$") {print $1}')
    [ -n "$path" ] || fail "$(basename "$elf") needs $lib, which is not installed"
    opened+=("$path")
  done
done
opened+=("/usr/lib/$(gcc -print-multiarch)/qt6/plugins/sqldrivers/libqsqlite.so")
opened+=("/usr/lib/$(gcc -print-multiarch)/qt6/plugins/tls/libqopensslbackend.so")
opened+=("$(grep -o '/usr/share/fonts/[^"]*' src/ui/widgets/SevenSegmentDisplay.cpp)")
opened+=("/usr/share/qt6/translations/qtbase_tr.qm")
for f in "${opened[@]}"; do
  pkg=$(owner "$f")
  [ -n "$pkg" ] || pkg=$(owner "$(readlink -f "$f")")
  [ -n "$pkg" ] || fail "no installed package holds $f"
  # A library of the C runtime comes with libc6 whatever the package says.
  grep -qx "$pkg" <<< "$depends" || fail "the client opens $f of $pkg, which Depends does not name: $(tr '\n' ' ' <<< "$depends")"
done

"$root/usr/lib/korvel/korvel" --version | grep -qi '^korvel ' || fail "korvel --version"
"$root/usr/bin/korvel-server" --version | grep -qi '^korvel-server ' || fail "korvel-server --version"

# A free port on loopback, then a login as the client sends it.
port=$(( 20000 + RANDOM % 20000 ))
"$root/usr/bin/korvel-server" --listen 127.0.0.1 --port "$port" 2> "$root/server.log" &
server=$!
for _ in $(seq 50); do
  (exec 3<> "/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
exec 3<> "/dev/tcp/127.0.0.1/$port" || fail "installed korvel-server does not listen"
printf 'kulsifre\001demo\001demo\002\364\364\364' >&3
reply=$(timeout 5 head -c 64 <&3 | tr -d '\000' || true)
exec 3>&-
case "$reply" in
  cihazlar*) echo "package: $(basename "$deb") installs and its programs run" ;;
  *) cat "$root/server.log" >&2; fail "no device list after login (got: ${reply:0:40})" ;;
esac
