#!/usr/bin/env bash
# End to end: a project (with a picture imported from a file deleted afterwards) and an untitled
# deck are edited, the program is killed with SIGKILL once their recovery copy is written, started
# again, and the recovered deck, saved, holds every edit and picture. A second instance beside a
# live one offers nothing. Prints how long the last edits waited for their copy.
#   xvfb-run -a tests/app/e2e/recover_after_kill.sh MOSAVELLE MOSAVELLE-CLI PICTURES-FOLDER
set -euo pipefail
app=$1 cli=$2 pictures=$3
. "$(dirname "$0")/harness.sh"
recovery="$E2E_WORK/home/.local/state/Mosavelle/recovery"
count=$(find "$pictures" -maxdepth 1 -type f | wc -l)

# Two slides duplicated and a title typed in the window $1; once the copy (of $2 pictures)
# follows them, the kill.
edit_then_kill() {
    e2e_wait_window "$1" >/dev/null
    e2e_keys ctrl+d ctrl+d ctrl+r
    e2e_type "Kept title"
    e2e_keys Return
    touch "$E2E_WORK/last-edit"
    local start=$SECONDS
    e2e_until "a recovery copy of the edits" sh -c \
        "find '$recovery' -name manifest.json -newer '$E2E_WORK/last-edit' | grep -q ."
    echo "e2e recover_after_kill: the last edits waited $((SECONDS - start)) s for their copy"
    [ "$(find "$recovery" -path '*/images/*' -type f | wc -l)" -eq "$2" ] ||
        e2e_fail "the copy lacks pictures"
    kill -9 "$E2E_PID"
    wait "$E2E_PID" 2>/dev/null || true
    E2E_PID=
}

# A new start recovers the one copy offered into window $1 and saves it as $2 ($3 slides and
# $4 pictures expected), then quits; no copy is left.
recover_and_save() {
    e2e_start "$app"
    e2e_wait_window '^Recover Unsaved Work$' >/dev/null
    e2e_keys Return
    e2e_wait_window "$1" >/dev/null
    e2e_keys ctrl+s
    [ -e "$2" ] || { e2e_wait_window "^Save$" >/dev/null && e2e_type "${2%.mosavelle}" && e2e_keys Return; }
    e2e_wait_window "^$(basename "$2" .mosavelle) — " >/dev/null
    local slides
    slides=$("$cli" render "$2" | python3 -c 'import json, sys; print(len(json.load(sys.stdin)["slides"]))')
    [ "$slides" -eq "$3" ] || e2e_fail "$2 has $slides slides, expected $3"
    [ "$(find "$2/images" -type f | wc -l)" -eq "$4" ] || e2e_fail "$2 lacks pictures"
    grep -q "Kept title" "$2/project.json" || e2e_fail "$2 lost the typed title"
    e2e_keys ctrl+q
    e2e_wait_exit || e2e_fail "the application did not quit cleanly"
    [ -z "$(find "$recovery" -name manifest.json)" ] || e2e_fail "a saved deck kept its copy"
}

deck="$E2E_WORK/Trip.mosavelle"
"$cli" import "$deck" "$pictures" --quiet
cp "$(dirname "$0")/../../fixtures/orient-1.jpg" "$E2E_WORK/only-staged.jpg"
e2e_start "$app" "$deck"
e2e_wait_window '^Trip — Mosavelle' >/dev/null
e2e_keys ctrl+shift+o
e2e_wait_window '^Import Images$' >/dev/null
e2e_type "$E2E_WORK/only-staged.jpg"
e2e_keys Return
e2e_until "the imported picture" xdotool search --onlyvisible --name '^Trip\*'
rm "$E2E_WORK/only-staged.jpg"
"$app" >"$E2E_WORK/second.log" 2>&1 &
second=$!
e2e_until "the second instance's window" xdotool search --onlyvisible --name '^untitled — '
sleep 2
! xdotool search --onlyvisible --name '^Recover Unsaved Work$' >/dev/null ||
    e2e_fail "a second instance offered a live document"
kill "$second"
edit_then_kill '^Trip\*' $((count + 1))
recover_and_save '^Trip\* — Mosavelle' "$deck" $((count + 3)) $((count + 1))

e2e_start "$app" --import "$pictures"
edit_then_kill 'untitled\*' "$count"
recover_and_save '^untitled\* — Mosavelle' "$E2E_WORK/Recovered.mosavelle" $((count + 2)) "$count"
echo "e2e recover_after_kill: both decks recovered"
