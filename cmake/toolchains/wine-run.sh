#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh WINE PREFIX PROGRAM [ARGS...].
# WINEPREFIX and WINEDEBUG from the environment win over the defaults (the
# given prefix, and no diagnostics). The first program to run in a new prefix
# creates it while holding a lock, so that programs started at the same time
# do not set the prefix up twice.
set -e
wine=$1
prefix=$2
shift 2
: "${WINEPREFIX:=$prefix}"
: "${WINEDEBUG:=-all}"
export WINEPREFIX WINEDEBUG
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1 || true
      wineserver_bin=$(dirname "$(readlink -f "$wine")")/wineserver
      [ -x "$wineserver_bin" ] && "$wineserver_bin" -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$@"
