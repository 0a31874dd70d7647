#!/bin/sh
# Runs a program on a virtual X display of its own, with the openbox window manager when asked:
#   run-on-x.sh none|openbox PROGRAM [ARGUMENTS...]
set -eu
manager=$1
shift
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  manager=$1
  shift
  if [ "$manager" = openbox ]; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    # Managing the screen once it answers for its desktops.
    tries=0
    until xdotool get_num_desktops >/dev/null 2>&1; do
      tries=$((tries + 1))
      [ $tries -le 100 ] || { echo "openbox did not start" >&2; exit 1; }
      sleep 0.05
    done
  fi
  status=0
  QT_QPA_PLATFORM=xcb PLOTWELL_WINDOW_MANAGER=$manager "$@" || status=$?
  [ -z "${wm:-}" ] || kill $wm
  exit $status
' run-on-x "$manager" "$@"
