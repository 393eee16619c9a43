#!/usr/bin/env bash
# Runs a Windows program under Wine in one lane of the session that cmake/wine-session.sh made, on
# that lane's CPU, display and prefix: the lane that CTest gave the test (its "lanes" resource),
# else lane 0. Outside a session it runs the program as plain `wine` would.
#
#   cmake/wine-lane.sh PROGRAM.exe [ARGS...]
set -u
lane=0
if [[ "${CTEST_RESOURCE_GROUP_0_LANES:-}" =~ id:([0-9]+) ]]; then
    lane=${BASH_REMATCH[1]}
fi
env_file="${QUORVEL_LANES_DIR:-}/lane-$lane.env"
if [ -n "${QUORVEL_LANES_DIR:-}" ] && [ -f "$env_file" ]; then
    cpu=0
    # shellcheck disable=SC1090
    . "$env_file"
    exec taskset -c "$cpu" wine "$@"
fi
exec wine "$@"
