# Shared helpers for end-to-end tests of the desktop application. Source this file from a test
# script that runs under `xvfb-run -a` (so DISPLAY points at a private X server):
#
#   . "$(dirname "$0")/harness.sh"
#   e2e_start /path/to/mosavelle --import pictures/   # starts the app with private user folders
#   e2e_wait_window "untitled"                         # waits for a window whose title matches
#   e2e_keys ctrl+s                                    # sends keys to the focused window
#   e2e_type "/tmp/Deck"                               # types text
#   e2e_stop                                           # ends the app (also done on exit)
#
# Every wait gives up after E2E_TIMEOUT seconds (default 30) with a message naming what it
# waited for. The application's own stdout and stderr go to $E2E_WORK/app.log, printed when a
# test fails.

set -euo pipefail

E2E_TIMEOUT=${E2E_TIMEOUT:-30}
E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/mosavelle-e2e.XXXXXX")
E2E_PID=

e2e_fail() {
    echo "e2e: $*" >&2
    if [ -f "$E2E_WORK/app.log" ]; then
        echo "--- application output" >&2
        cat "$E2E_WORK/app.log" >&2
    fi
    exit 1
}

e2e_cleanup() {
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill "$E2E_PID" 2>/dev/null || true
        wait "$E2E_PID" 2>/dev/null || true
    fi
    rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

[ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY: run the test under xvfb-run -a"
command -v xdotool >/dev/null || e2e_fail "xdotool is needed (scripts/setup installs it)"

# Starts the application with the given command line and private settings and data folders
# (the welcome sheet is marked as seen so that it does not cover the window).
e2e_start() {
    export HOME="$E2E_WORK/home"
    export XDG_CONFIG_HOME="$HOME/config" XDG_DATA_HOME="$HOME/data" XDG_CACHE_HOME="$HOME/cache"
    mkdir -p "$XDG_CONFIG_HOME/Mosavelle"
    printf '[General]\nhasCompletedWelcome=true\n' >"$XDG_CONFIG_HOME/Mosavelle/Mosavelle.conf"
    "$@" >"$E2E_WORK/app.log" 2>&1 &
    E2E_PID=$!
}

# Repeats "$@" until it succeeds, for up to E2E_TIMEOUT seconds.
e2e_until() {
    local what=$1
    shift
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until "$@" >/dev/null 2>&1; do
        kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the application ended while waiting for $what"
        [ $SECONDS -lt $deadline ] || e2e_fail "timed out waiting for $what"
        sleep 0.2
    done
}

# Waits for a visible window whose title matches the regular expression, and gives it the
# keyboard focus. Prints the window id.
e2e_wait_window() {
    local pattern=$1
    e2e_until "a window titled /$pattern/" xdotool search --onlyvisible --name "$pattern"
    local id
    id=$(xdotool search --onlyvisible --name "$pattern" | tail -n 1)
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    echo "$id"
}

e2e_keys() { xdotool key --clearmodifiers --delay 60 "$@"; }

e2e_type() { xdotool type --clearmodifiers --delay 20 "$1"; }

# Waits for the application to end by itself and returns its exit status.
e2e_wait_exit() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    while kill -0 "$E2E_PID" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || e2e_fail "timed out waiting for the application to end"
        sleep 0.2
    done
    local status=0
    wait "$E2E_PID" || status=$?
    E2E_PID=
    [ $status -eq 0 ] || echo "e2e: the application ended with status $status" >&2
    return $status
}

e2e_stop() {
    if [ -n "$E2E_PID" ]; then
        kill "$E2E_PID" 2>/dev/null || true
        wait "$E2E_PID" 2>/dev/null || true
        E2E_PID=
    fi
}
