#!/usr/bin/env bash
# Builds the Debian package of the client and korvel-server into build/ and checks it with lintian:
# tools/package.sh prints the path of the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh > /dev/null
bash tools/build.sh build > /dev/null
(cd build && cpack -G DEB > cpack.log 2>&1) || { cat build/cpack.log; exit 1; }
deb=$(ls -t build/korvel_*.deb | head -n 1)
# Errors fail the build; warnings are shown.
lintian --fail-on error --suppress-tags no-manual-page "$deb" >&2 || { echo "package: lintian found errors" >&2; exit 1; }
echo "$deb"
