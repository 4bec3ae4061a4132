#!/usr/bin/env bash
# Runs one test program on a real X desktop: a private Xvfb display with the openbox
# window manager, Qt's xcb platform. Exits 77 (skipped) only when the X server, the window
# manager or xdotool is not installed. The program starts only once the window manager
# has taken the display; when the program fails, the X server's and the window manager's
# logs follow its output.
#   run-desktop.sh PROGRAM [ARGS...]
set -uo pipefail
for tool in Xvfb openbox xdotool xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d -t quendarx-desktop.XXXXXX)
xvfb=
wm=
cleanup() {
  for pid in $wm $xvfb; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
logs() {
  echo "--- X server log"; cat "$work/xvfb.log"
  echo "--- window manager log"; cat "$work"/openbox*.log 2>/dev/null
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
  echo "The X server did not start within 20 s."; logs; exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset XAUTHORITY
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"

# The window manager is up once it has announced itself on the root window. On a machine
# just started it may take long to load; one that ends first is started again (three
# times at most).
# A manager killed earlier leaves its announcement behind: the window it names must exist.
wm_up() {
  local id
  id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$id" ] && xprop -id "$id" _NET_WM_NAME >/dev/null 2>&1
}
attempt=1
openbox --sm-disable >"$work/openbox-1.log" 2>&1 &
wm=$!
for _ in $(seq 600); do
  wm_up && break
  if ! kill -0 "$wm" 2>/dev/null; then
    wait "$wm"
    echo "The window manager ended (status $?) before taking the display."
    [ $attempt = 3 ] && break
    attempt=$((attempt + 1))
    openbox --sm-disable >"$work/openbox-$attempt.log" 2>&1 &
    wm=$!
  fi
  sleep 0.1
done
if ! wm_up || ! kill -0 "$wm" 2>/dev/null; then
  echo "The window manager did not take the display (60 s at most, three starts)."
  logs; exit 1
fi

export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
# Under AddressSanitizer the session bus library keeps memory until exit; that library's
# leaks are suppressed, the checker stays on for everything else.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=1"
"$@"
status=$?
if [ $status != 0 ]; then
  kill -0 "$wm" 2>/dev/null || echo "The window manager had ended by the program's end."
  logs
fi
exit $status
