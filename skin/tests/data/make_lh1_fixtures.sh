#!/bin/sh
# Remakes the -lh1- fixtures with the Java library of Debian's jlha-utils (apt-get install jlha-utils).
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
javac -cp /usr/share/java/jlha.jar -d "$tmp" MakeLh1Fixtures.java
java -cp /usr/share/java/jlha.jar:"$tmp" MakeLh1Fixtures
rm -rf "$tmp"
