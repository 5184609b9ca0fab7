#!/bin/sh
# The client finds its pictures and its alarm sound in its working directory.
cd /usr/share/korvel || exit 1
exec /usr/lib/korvel/korvel "$@"
