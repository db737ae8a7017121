#!/usr/bin/env bash
# The desktop entry passes desktop-file-validate, the AppStream file passes
# appstreamcli, both name the same program, and the manual page names every
# command of tunevault-tool.
set -euo pipefail
folder=$1
desktop-file-validate "$folder/de.tunevault.TuneVault.desktop"
appstreamcli validate --no-net "$folder/de.tunevault.TuneVault.metainfo.xml"
grep -q '<launchable type="desktop-id">de.tunevault.TuneVault.desktop</launchable>' \
    "$folder/de.tunevault.TuneVault.metainfo.xml"
grep -qx 'Categories=AudioVideo;Audio;Player;DiscBurning;' "$folder/de.tunevault.TuneVault.desktop"
grep -qx 'Icon=tunevault' "$folder/de.tunevault.TuneVault.desktop"
test -s "$folder/tunevault.svg"
for command in list info drives iso burn erase search doubles export m3u; do
    grep -q "^\.B.* $command\b\|^\.BI $command \|^\.B $command" "$folder/tunevault-tool.1" ||
        { echo "Die Handbuchseite nennt \"$command\" nicht" >&2; exit 1; }
done
man --warnings -l "$folder/tunevault-tool.1" >/dev/null
echo "Desktop-Dateien und Handbuchseite in Ordnung"
