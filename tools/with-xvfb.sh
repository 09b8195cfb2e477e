#!/usr/bin/env bash
# with-xvfb.sh COMMAND...: runs COMMAND with DISPLAY set to a private Xvfb server, which is
# started first and stopped afterwards; the exit status is COMMAND's.
set -u
fdfile=$(mktemp)
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp +extension GLX +render -noreset \
    >"$fdfile" 2>/dev/null &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 1 100); do
  [ -s "$fdfile" ] && break
  sleep 0.1
done
if [ ! -s "$fdfile" ]; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$fdfile")"
"$@"
