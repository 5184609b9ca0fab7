#!/usr/bin/env bash
# The run command: set up, build, start korvel-server with its demo data on loopback, then the client.
# The server stops when the client closes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh build

# The demo runs over TLS with a self-signed certificate for localhost, made on the first start;
# KORVEL_DEMO_PLAIN=1 runs it in plain TCP.
demo=$PWD/build/demo
server_args=()
client_args=()
if [ "${KORVEL_DEMO_PLAIN:-0}" != 1 ]; then
  mkdir -p "$demo"
  if [ ! -s "$demo/korvel.crt" ] || [ ! -s "$demo/korvel.key" ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 825 \
      -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
      -keyout "$demo/korvel.key" -out "$demo/korvel.crt" 2> /dev/null
    chmod 600 "$demo/korvel.key"
    echo "korvel: made a self-signed demo certificate in $demo"
  fi
  server_args=(--tls-cert "$demo/korvel.crt" --tls-key "$demo/korvel.key")
  client_args=(--tls --ca-file "$demo/korvel.crt")
fi

./build/bin/korvel-server --listen 127.0.0.1 --port 17814 "${server_args[@]}" &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
sleep 0.5

echo "korvel: log in with user \"demo\" and password \"demo\"."
# The client finds its sound and pictures in its working directory, where the build puts them.
cd build/bin
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "korvel: no display here; running the client on a virtual X display (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x800x24" ./korvel "${client_args[@]}"
else
  ./korvel "${client_args[@]}"
fi
