#!/usr/bin/env bash
# End to end: the application imports two pictures given on its command line, exports them as a
# presentation through its own sheet (Ctrl+Shift+E, Return), the real save dialog (a typed path)
# and the ready alert, and the written file validates against the package schemas.
#
#   xvfb-run -a tests/app/e2e/export_presentation.sh MOSAVELLE VALIDATE-PPTX FIXTURES-FOLDER
# MOSAVELLE_OOXML_VALIDATOR overrides VALIDATE-PPTX; with neither there, status 77 (skipped).
set -euo pipefail
app=$1 validator=${MOSAVELLE_OOXML_VALIDATOR:-$2} fixtures=$3
[ -x "$validator" ] || [ -n "${MOSAVELLE_OOXML_VALIDATOR:-}" ] || exit 77
. "$(dirname "$0")/harness.sh"

[ -x "$validator" ] || e2e_fail "no schema validator at $validator"
# No hand-off programs: the ready alert offers "Show in Folder" and "OK" only.
export MOSAVELLE_PRESENTATION_APPS=

mkdir -p "$E2E_WORK/pictures" "$E2E_WORK/out"
cp "$fixtures/orient-1.jpg" "$E2E_WORK/pictures/Beach Day.jpg"
cp "$fixtures/alpha.png" "$E2E_WORK/pictures/Logo.png"
destination="$E2E_WORK/out/From the dialog.pptx"

e2e_start "$app" --import "$E2E_WORK/pictures/Beach Day.jpg" "$E2E_WORK/pictures/Logo.png"
e2e_wait_window "untitled" >/dev/null
e2e_until "the imported deck" xdotool search --onlyvisible --name 'untitled\*'
e2e_wait_window "untitled" >/dev/null
e2e_keys ctrl+shift+e
e2e_wait_window "^Export Presentation$" >/dev/null
e2e_keys Return  # "Export" is the default button
# The save dialog takes the sheet's place under the same title.
sleep 2
e2e_wait_window "^Export Presentation$" >/dev/null
e2e_keys ctrl+a
e2e_type "$destination"
e2e_keys Return
E2E_TIMEOUT=90 e2e_wait_window "^Presentation ready$" >/dev/null
[ -s "$destination" ] || e2e_fail "the alert says ready but $destination is missing"
e2e_keys Return  # "OK"

"$validator" "$destination" >/dev/null || e2e_fail "the exported presentation does not validate"
# The listing is read whole first: `grep -q` leaving a pipe early would fail it under pipefail.
parts=$(unzip -Z1 "$destination")
grep -qx 'ppt/slides/slide2.xml' <<<"$parts" || e2e_fail "expected two slides"
echo "e2e export_presentation: exported and validated $(basename "$destination")"
