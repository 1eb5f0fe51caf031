#!/bin/sh
# Makes the LibreOffice-written fixtures of the encryption tests in fixtures/: plain.xls, and the
# same cells encrypted with a password (password.xls) and with the format's default password
# (default.xls). Needs soffice and python3-uno.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
/usr/bin/python3 "$here/lo_password.py" fixtures "$here/fixtures"
ls -l "$here/fixtures"
