#!/usr/bin/env bash
# Prints the loopback port a starting server announces in its log with
# "listening on http://127.0.0.1:PORT" (oq-tracker, the scripted tracker),
# waiting up to 10 s for the line; fails when it does not come.
#   scripts/listening-port.sh LOG_FILE
for _ in $(seq 100); do
  port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$1" 2>/dev/null | head -1)
  [[ -n "$port" ]] && { echo "$port"; exit 0; }
  sleep 0.1
done
exit 1
