#!/bin/sh
# Emulator of a build-time program that cannot run here: runs another build
# of the same program under Wine instead.
# run-instead.sh WINE-RUN WINE PREFIX OTHER-PROGRAM PROGRAM [ARGS...]
set -e
wine_run=$1
wine=$2
prefix=$3
other=$4
shift 5
exec "$wine_run" "$wine" "$prefix" "$other" "$@"
