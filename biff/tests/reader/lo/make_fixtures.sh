#!/bin/sh
# Makes the LibreOffice-written .xls fixtures of this folder from their sources, then the expected
# files of every fixture the interop test compares (python3-xlrd's view, ../xlrd_dump.py).
#   cells_formulas.fods -> cells_formulas.xls (BIFF8; LibreOffice writes no BIFF5 any more, the
#     Debian samples Test95*.xls cover that version)
#   make_strings_fods.py -> strings.xls (BIFF8, shared strings over CONTINUE records)
# Needs soffice (LibreOffice headless) and /usr/bin/python3 with xlrd.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../../fixtures"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/make_strings_fods.py" "$work/strings.fods"
cp "$here/cells_formulas.fods" "$work/"
soffice --headless -env:UserInstallation=file://$work/profile --convert-to 'xls:MS Excel 97' --outdir "$work/97" \
  "$work/cells_formulas.fods" "$work/strings.fods" >/dev/null
cp "$work/97/cells_formulas.xls" "$work/97/strings.xls" "$here/"
# Expected files: every Debian sample in ../../fixtures and ../fixtures, every fixture of this
# folder, and the drawing fixtures with notes.
for f in "$fixtures"/*.xls "$here"/../fixtures/*.xls "$here"/*.xls "$here"/../../../drawing/tests/fixtures/*.xls; do
  /usr/bin/python3 "$here/../xlrd_dump.py" "$f" > "$here/../expected/$(basename "$f" .xls).xlrd.json"
done
