#!/bin/sh
# run_quietly.sh LOG COMMAND ARGS...: runs COMMAND with its output in LOG, and
# shows that output only when the command fails (the build log stays readable).
log=$1
shift
"$@" > "$log" 2>&1 || { status=$?; cat "$log"; exit $status; }
