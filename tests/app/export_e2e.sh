#!/usr/bin/env bash
# Exports pictures as a presentation with the real program, through its own sheet, save dialog
# and ready alert, under a virtual X server driven by xdotool, then validates the written file.
#
#   export_e2e.sh MOSAVELLE VALIDATE_PPTX FIXTURES_DIR
#
# Needs the program to take pictures on its command line (`mosavelle --import PATH...`) and to
# open the export sheet on Ctrl+Shift+E. Exits 77 (skipped) when a required piece is missing.
set -euo pipefail

app=$1 validator=$2 fixtures=$3

if [[ "${MOSAVELLE_E2E_DISPLAY:-}" != 1 ]]; then
    command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is missing"; exit 77; }
    MOSAVELLE_E2E_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
command -v xdotool >/dev/null || { echo "SKIP: xdotool is missing"; exit 77; }
[[ -x "$validator" ]] || { echo "SKIP: no schema validator at $validator"; exit 77; }

work=$(mktemp -d)
app_pid=
cleanup() {
    if [[ -n "$app_pid" ]]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
       XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/pictures" "$work/out"
chmod 700 "$XDG_RUNTIME_DIR"
# No hand-off programs: the ready alert offers "Show in Folder" and "OK" only.
export MOSAVELLE_PRESENTATION_APPS=

if ! QT_QPA_PLATFORM=offscreen timeout 10 "$app" --help 2>&1 | grep -q -- '--import'; then
    echo "SKIP: $app does not take pictures with --import"
    exit 77
fi

fail() { echo "FAIL: $*"; exit 1; }

# The id of the first visible window whose name matches $1 and is not $2, within $3 seconds.
wait_window() {
    local pattern=$1 other=${2:-} seconds=${3:-30} id
    for ((i = 0; i < seconds * 5; i++)); do
        for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
            [[ "$id" != "$other" ]] && { echo "$id"; return 0; }
        done
        sleep 0.2
    done
    return 1
}

# Keys to one window: there is no window manager, so focus it directly first.
keys_to() {
    local id=$1; shift
    xdotool windowfocus --sync "$id"
    sleep 0.3
    xdotool "$@"
}

cp "$fixtures/orient-1.jpg" "$work/pictures/Beach Day.jpg"
cp "$fixtures/alpha.png" "$work/pictures/Logo.png"
"$app" --import "$work/pictures/Beach Day.jpg" "$work/pictures/Logo.png" &
app_pid=$!

main=$(xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -1) ||
    fail "no window appeared"
sleep 1
keys_to "$main" key --clearmodifiers ctrl+shift+e

sheet=$(wait_window '^Export Presentation$') || fail "the export sheet did not open"
keys_to "$sheet" key Return  # "Export" is the default button

dialog=$(wait_window '^Export Presentation$' "$sheet") || fail "the save dialog did not open"
destination="$work/out/From the dialog.pptx"
keys_to "$dialog" key ctrl+a
xdotool type --delay 15 "$destination"
xdotool key Return

ready=$(wait_window '^Presentation ready$' '' 60) || fail "no ready alert (export failed or hung)"
[[ -s "$destination" ]] || fail "the alert says ready but $destination is missing"
keys_to "$ready" key Return  # "OK"

"$validator" "$destination" || fail "the exported presentation does not validate"
unzip -l "$destination" | grep -q 'ppt/slides/slide2.xml' || fail "expected two slides"
echo "PASS: exported and validated $destination"
