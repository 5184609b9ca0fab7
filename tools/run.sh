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

# KORVEL_DEMO_MODBUS=1: analyzer 310009 is a field device on Modbus TCP, played by the pymodbus
# simulator of the tests, beside the simulated devices.
simulator=
if [ "${KORVEL_DEMO_MODBUS:-0}" = 1 ]; then
  mkdir -p "$demo"
  /usr/bin/python3 tests/server/modbus_simulator.py --tcp 127.0.0.1:15020 > "$demo/modbus-simulator.log" 2>&1 &
  simulator=$!
  cat > "$demo/modbus.json" << 'JSON'
{
  "pace": { "values": 10, "inputs": 45, "messages": 120 },
  "modbus": { "timeoutMs": 1000, "retries": 2, "probeSeconds": 30 },
  "groups": [
    { "name": "Merkez Fabrika", "devices": [
        { "type": "VNA310", "name": "Ana Pano Analizör", "serial": "310001" },
        { "type": "VNR420", "name": "Giriş Aşırı Akım Rölesi", "serial": "420001" },
        { "type": "VNM530", "name": "TEDAŞ Sayaç Okuyucu", "serial": "530001" } ] },
    { "name": "Şube Depo", "devices": [
        { "type": "VNA310", "name": "Soğuk Hava Deposu Şalt Odası", "serial": "310002" },
        { "type": "VNA310", "name": "Yedek Jeneratör Panosu", "serial": "310003", "online": false } ] },
    { "name": "Saha", "devices": [
        { "type": "VNA310", "name": "Modbus TCP Analizör", "serial": "310009",
          "link": { "modbusTcp": "127.0.0.1:15020", "unit": 1 } } ] }
  ],
  "users": [
    { "name": "demo", "password": "demo", "haklar": [3, 1], "tblhaklar": [1, 3, 7, 3, 255, 7], "devices": "*",
      "messages": [ { "title": "Hoş geldiniz", "body": "310009 Modbus TCP üzerinden bağlı bir cihazdır." } ] }
  ]
}
JSON
  server_args+=(--config "$demo/modbus.json")
  sleep 1
fi

./build/bin/korvel-server --listen 127.0.0.1 --port 17814 "${server_args[@]}" &
server=$!
trap 'kill "$server" ${simulator} 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
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
