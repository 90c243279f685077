#!/bin/sh
# Runs a cross-built Windows program under wine, quietly and without a display; used as the
# cross build's CMAKE_CROSSCOMPILING_EMULATOR.
# WINEPREFIX: taken from the caller when set (CI makes a fresh one per run); otherwise a prefix
# of our own in the temporary folder, created on first use, so ~/.wine is never touched.
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX="${TMPDIR:-/tmp}/tromvex-wine-$(id -u)"
  export WINEPREFIX
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
exec wine "$@"
