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
for command in list info tag drives iso burn erase search doubles export m3u; do
    grep -q "^\.B.* $command\b\|^\.BI $command \|^\.B $command" "$folder/tunevault-tool.1" ||
        { echo "Die Handbuchseite nennt \"$command\" nicht" >&2; exit 1; }
done
# Every option each command takes (its --help) is in the manual page.
if [ -n "${2:-}" ]; then
    for command in list info tag drives iso burn erase search doubles export m3u; do
        "$2" "$command" --help >/dev/null || { echo "$command --help failed" >&2; exit 1; }
        for option in $("$2" "$command" --help | grep -o '^ *-[-a-z]*\(,--[a-z-]*\)\?' | tr ',' ' '); do
            [ "$option" = -h ] || [ "$option" = --help ] && continue
            grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$folder/tunevault-tool.1" ||
                { echo "Die Handbuchseite nennt $option von \"$command\" nicht" >&2; exit 1; }
        done
    done
fi
man --warnings -l "$folder/tunevault-tool.1" >/dev/null
echo "Desktop-Dateien und Handbuchseite in Ordnung"
