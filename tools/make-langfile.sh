#!/bin/sh
# Turns a language file kept as UTF-8 text into the shipped form: UTF-16LE
# with a byte-order mark and CR LF line ends, which the profile reader reads
# right whatever the system's code page.
#   make-langfile.sh SOURCE.txt TARGET.DAT
set -eu
tmp="$2.tmp"
printf '\377\376' > "$tmp"
sed 's/\r$//; s/$/\r/' "$1" | iconv -f UTF-8 -t UTF-16LE >> "$tmp"
mv "$tmp" "$2"
