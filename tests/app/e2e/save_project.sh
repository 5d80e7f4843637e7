#!/usr/bin/env bash
# End to end: the application imports the example pictures given on its command line, the
# project is saved through the real Save dialog (Ctrl+S, a typed path, Return), and the saved
# package reads back with every picture. The deck is exported through its sheet (Ctrl+Shift+E,
# Return), the save dialog and the ready alert, closed, opened again through the Open dialog, and
# Ctrl+Q quits without a question, since the deck is saved.
#
#   xvfb-run -a tests/app/e2e/save_project.sh MOSAVELLE MOSAVELLE-CLI PICTURES-FOLDER
set -euo pipefail
app=$1 cli=$2 pictures=$3
. "$(dirname "$0")/harness.sh"

expected=$(find "$pictures" -maxdepth 1 -type f | wc -l)
deck="$E2E_WORK/Saved Deck"

e2e_start "$app" --import "$pictures"
e2e_wait_window "untitled" >/dev/null
# The import runs in the background; its slides make the deck modified ("*" in the title).
e2e_until "the imported deck" xdotool search --onlyvisible --name 'untitled\*'
e2e_keys ctrl+s
e2e_wait_window "^Save$" >/dev/null
e2e_type "$deck"
e2e_keys Return
e2e_wait_for_path "$deck.mosavelle/project.json"
# The title follows the saved name and loses the modified mark.
e2e_until "the saved title" xdotool search --onlyvisible --name '^Saved Deck — Mosavelle'

slides=$("$cli" render "$deck.mosavelle" |
    python3 -c 'import json, sys; print(len(json.load(sys.stdin)["slides"]))') ||
    e2e_fail "the saved project does not read"

[ "$slides" -eq "$expected" ] || e2e_fail "the saved deck has $slides slides, expected $expected"
stored=$(find "$deck.mosavelle/images" -type f | wc -l)
[ "$stored" -eq "$expected" ] || e2e_fail "the package holds $stored pictures, expected $expected"

# Exported: the sheet's default button, then a typed path in the save dialog that takes the
# sheet's place under the same title. No hand-off programs: the ready alert's default is OK.
export MOSAVELLE_PRESENTATION_APPS=
e2e_wait_window "^Saved Deck" >/dev/null
e2e_keys ctrl+shift+e
e2e_wait_window "^Export Presentation$" >/dev/null
e2e_keys Return
sleep 2
e2e_wait_window "^Export Presentation$" >/dev/null
e2e_keys ctrl+a
e2e_type "$E2E_WORK/Exported.pptx"
e2e_keys Return
E2E_TIMEOUT=90 e2e_wait_window "^Presentation ready$" >/dev/null
e2e_keys Return
parts=$(unzip -Z1 "$E2E_WORK/Exported.pptx") || e2e_fail "the exported presentation does not read"
[ "$(grep -c '^ppt/slides/slide[0-9]*\.xml$' <<<"$parts")" -eq "$expected" ] ||
    e2e_fail "the exported presentation lacks slides"

# Closed and opened again through the Open dialog, by typing the project's path.
e2e_wait_window "^Saved Deck" >/dev/null
e2e_keys ctrl+n
e2e_wait_window "^untitled" >/dev/null
e2e_wait_window "^Saved Deck" >/dev/null
e2e_keys ctrl+w
e2e_until "the saved deck's window to close" \
    sh -c '! xdotool search --onlyvisible --name "^Saved Deck" >/dev/null'
e2e_wait_window "^untitled" >/dev/null
e2e_keys ctrl+o
e2e_wait_window "^Open$" >/dev/null
e2e_type "$deck.mosavelle"
e2e_keys Return
e2e_wait_window "^Saved Deck — Mosavelle" >/dev/null
e2e_keys ctrl+q
e2e_wait_exit || e2e_fail "the application did not quit cleanly"
echo "e2e save_project: $slides slides saved and read back"
