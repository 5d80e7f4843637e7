#!/usr/bin/env bash
# End to end: decks killed with SIGKILL come back. A project and an untitled deck are edited
# (two slides duplicated, a slide title typed, for the project a picture imported from a file that
# is deleted afterwards), the program is killed once a recovery copy has been written, started
# again, and the deck recovered and saved holds every edit and picture. A second instance started
# beside a live one offers nothing. Prints how long the last edits waited for their copy: the
# longest span of work a kill could have taken.
#
#   xvfb-run -a tests/app/e2e/recover_after_kill.sh MOSAVELLE MOSAVELLE-CLI PICTURES-FOLDER
set -euo pipefail
app=$1 cli=$2 pictures=$3
. "$(dirname "$0")/harness.sh"

recovery="$E2E_WORK/home/.local/state/Mosavelle/recovery"
count=$(find "$pictures" -maxdepth 1 -type f | wc -l)
slides_in() { "$cli" render "$1" | python3 -c 'import json, sys; print(len(json.load(sys.stdin)["slides"]))'; }
no_recovery_dialog() { ! xdotool search --onlyvisible --name '^Recover Unsaved Work$' >/dev/null; }

# Edits the deck in the window titled $1, waits for its recovery copy (holding $2 pictures) to
# follow the last edit, and kills the program.
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
    local pictures_copied
    pictures_copied=$(find "$recovery" -path '*/deck.mosavelle/images/*' -type f | wc -l)
    [ "$pictures_copied" -eq "$2" ] || e2e_fail "the copy holds $pictures_copied pictures, not $2"
    kill -9 "$E2E_PID"
    wait "$E2E_PID" 2>/dev/null || true
    E2E_PID=
}

# Starts the program again, recovers the one copy it offers and checks the window $1 appears.
recover() {
    e2e_start "$app"
    e2e_wait_window '^Recover Unsaved Work$' >/dev/null
    e2e_keys Return
    e2e_wait_window "$1" >/dev/null
}

# Checks the saved package $1: $2 slides, $3 pictures, the typed title.
check_saved() {
    e2e_wait_for_path "$1/project.json"
    local slides
    slides=$(slides_in "$1") || e2e_fail "the saved project does not read"
    [ "$slides" -eq "$2" ] || e2e_fail "$1 has $slides slides, expected $2"
    [ "$(find "$1/images" -type f | wc -l)" -eq "$3" ] || e2e_fail "$1 lacks pictures"
    grep -q "Kept title" "$1/project.json" || e2e_fail "$1 lost the typed title"
}

# A saved project, a picture imported into it whose file then goes, and the edits.
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

# A second instance beside the live one offers none of its documents.
"$app" >"$E2E_WORK/second.log" 2>&1 &
second=$!
e2e_until "the second instance's window" xdotool search --onlyvisible --name '^untitled — '
sleep 2
no_recovery_dialog || e2e_fail "a second instance offered a live document"
kill "$second"
wait "$second" 2>/dev/null || true

edit_then_kill '^Trip\*' $((count + 1))
recover '^Trip\* — Mosavelle'
e2e_keys ctrl+s
e2e_until "the saved title" xdotool search --onlyvisible --name '^Trip — Mosavelle'
check_saved "$deck" $((count + 3)) $((count + 1))
e2e_keys ctrl+q
e2e_wait_exit || e2e_fail "the application did not quit cleanly"
[ -z "$(find "$recovery" -name manifest.json)" ] || e2e_fail "a saved deck kept its copy"

# An untitled deck of the pictures, edited, killed and recovered.
e2e_start "$app" --import "$pictures"
e2e_until "the imported deck" xdotool search --onlyvisible --name 'untitled\*'
edit_then_kill 'untitled\*' "$count"
recover '^untitled\* — Mosavelle'
e2e_keys ctrl+s
e2e_wait_window "^Save$" >/dev/null
e2e_type "$E2E_WORK/Recovered"
e2e_keys Return
check_saved "$E2E_WORK/Recovered.mosavelle" $((count + 2)) "$count"
e2e_wait_window '^Recovered — Mosavelle' >/dev/null
e2e_keys ctrl+q
e2e_wait_exit || e2e_fail "the application did not quit cleanly"
[ -z "$(find "$recovery" -name manifest.json)" ] || e2e_fail "a saved deck kept its copy"
echo "e2e recover_after_kill: both decks recovered"
