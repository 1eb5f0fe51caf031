#!/bin/sh
# Remakes the seed corpus of skin_package_fuzz from the skin tool (run from a build folder's root:
# sh <source>/skin/tests/corpus/make_package_corpus.sh <build folder>).
set -e
here="$(cd "$(dirname "$0")" && pwd)"
"$1/tools/skin-gen/skin-gen" --corpus "$here/package"
