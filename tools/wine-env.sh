#!/bin/sh
# A private X server and Wine prefix for the tests, started and stopped by pid.
#   wine-env.sh start DIR [--display]
#                           make DIR/prefix once, start Xvfb (or, with
#                           --display, use $DISPLAY) and a persistent
#                           wineserver, and write DIR/env for wine-run.sh
#   wine-env.sh stop DIR    stop only what start started
set -eu

action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
own_display=${3:-}
prefix=$dir/prefix

stop_pid() {
  [ -f "$1" ] || return 0
  pid=$(cat "$1")
  kill "$pid" 2>/dev/null || true
  # Give it a moment to leave before anyone starts a new one.
  i=0
  while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  rm -f "$1"
}

stop() {
  # Ends every Wine process of this prefix, which only the tests use.
  [ ! -f "$dir/wineserver.pid" ] || WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  stop_pid "$dir/wineserver.pid"
  stop_pid "$dir/xvfb.pid"
  rm -f "$dir/env"
}

start() {
  stop
  export WINEDEBUG=-all WINEPREFIX="$prefix" WINEDLLOVERRIDES="winemenubuilder.exe=d"

  if [ "$own_display" = "--display" ]; then
    : "${DISPLAY:?--display needs DISPLAY}"
  else
    rm -f "$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
    echo $! >"$dir/xvfb.pid"
    i=0
    while [ ! -s "$dir/display" ]; do
      sleep 0.1
      i=$((i + 1))
      [ $i -lt 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    done
    DISPLAY=:$(cat "$dir/display")
    export DISPLAY
  fi

  if [ ! -f "$prefix/system.reg" ]; then
    # A plain first boot, whose server must be gone before the persistent one
    # starts, or two service managers end up fighting over the services.
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
  # Wine draws the caption buttons with Marlett's glyphs; Debian ships the
  # font (fonts-wine) where this Wine does not look, so the frame would show
  # the letters that stand for them.
  fonts=$prefix/drive_c/windows/Fonts
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  wineserver -w
  wineserver -f -p >/dev/null 2>&1 &
  echo $! >"$dir/wineserver.pid"
  # The first program starts the service manager; services live on with the
  # persistent server.
  wine cmd /c ver >/dev/null 2>&1

  cat >"$dir/env" <<ENV
export WINEDEBUG=-all
export WINEPREFIX='$prefix'
export WINEDLLOVERRIDES='winemenubuilder.exe=d'
export DISPLAY='$DISPLAY'
ENV
}

case $action in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
