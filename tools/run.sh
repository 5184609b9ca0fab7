#!/usr/bin/env bash
# The run command: set up, build, start korvel-server with its demo data on loopback, then the client.
# The server stops when the client closes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh build

./build/bin/korvel-server --listen 127.0.0.1 --port 17814 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
sleep 0.5

echo "korvel: log in with user \"demo\" and password \"demo\"."
# The client looks for its pictures in its working directory; they are built beside it.
cd build/bin
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "korvel: no display here; running the client on a virtual X display (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x800x24" ./korvel
else
  ./korvel
fi
