#!/usr/bin/env bash
# run-viewer.sh DIST_DIR: starts KELVOview in DIST_DIR/Bin on the demo configuration. Without a
# display it runs the viewer under Xvfb for a few seconds and saves a screenshot of its window.
set -u
dist=$(cd "${1:-build/dist}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cd "$dist/Bin" || exit 1

if [ -n "${DISPLAY:-}" ]; then
  exec ./KELVOview
fi

shot="$dist/KELVOview-headless.png"
# The sea makes the first frames slow on a software renderer.
seconds=${KELVO_HEADLESS_SECONDS:-12}
bash "$here/with-xvfb.sh" bash -c '
  ./KELVOview & pid=$!
  window=""
  for _ in $(seq 1 150); do
    window=$(xdotool search --name "KELVOview" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
  done
  if [ -z "$window" ]; then echo "KELVOview opened no window" >&2; kill $pid 2>/dev/null; wait $pid; exit 1; fi
  sleep '"$seconds"'
  /usr/bin/import -window "$window" "'"$shot"'"
  xdotool key --window "$window" Escape
  for _ in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
  kill $pid 2>/dev/null
  wait $pid
'
status=$?
if [ -f "$shot" ]; then
  echo "No display: ran KELVOview headless for ${seconds} s. Screenshot of its window: $shot"
fi
exit $status
