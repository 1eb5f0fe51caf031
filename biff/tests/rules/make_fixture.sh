#!/bin/sh
# Makes rules.xls, the LibreOffice-written fixture of the sheet-rule tests, from rules.fods: two
# conditional formats (a value rule pair over two ranges, a formula rule), three validations (a
# list of choices, a list from a range, a whole number between two values) and an autofilter with
# two text conditions on its first column and one on its third.
# Needs soffice (LibreOffice headless).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/rules.fods" "$work/"
soffice --headless -env:UserInstallation=file://$work/profile --convert-to 'xls:MS Excel 97' --outdir "$work/97" \
  "$work/rules.fods" >/dev/null
cp "$work/97/rules.xls" "$here/"
