#!/usr/bin/env bash
# The collection commands of the command-line tool on a real list file; exported
# files are read back by independent readers (Python's csv module and HTML parser).
set -u
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$3], got [$2]"; fail=1; fi; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A catalogue whose cells hold separators, quotes, ampersands, umlauts, a euro sign
# and a name that is not UTF-8 (byte E4).
python3 - "$dir/ALL.TSV" <<'PY'
import sys
captions = ["Titel", "Interpret", "Zeit", "Album", "Genre", "Jahr", "Bitrate", "Dateiname",
            "Kommentar", "Anzahl", "Zuletzt", "Image"]
rows = [
    ["Rock & Roll", "Die Ärzte", "03:41", "a,b;c", "Punk", "1998", "128", "/m/eins.mp3", 'sagt "hi"', "", "", ""],
    ["Yesterday", "Beatles", "02:05", "Help", "Pop", "1965", "192", "/m/zwei.mp3", "<b>fett</b>", "", "", ""],
    ["Yesterday (Live)", "Beatles", "02:09", "Live", "Pop", "1966", "192", "/n/drei.mp3", "5 €", "", "", ""],
    ["Ärger", "Band", "04:00", "", "Rock", "", "", "/m/zwei.mp3".replace("zwei", "vier"), "", "", "", ""],
]
with open(sys.argv[1], "wb") as f:
    f.write(("\t".join(captions) + "\t\r\n").encode())
    for r in rows:
        f.write(("\t".join(r) + "\t\r\n").encode())
    f.write("ärger\tBand\t04:03\t\t\t\t\t".encode() + b"/m/\xe4.mp3\t\t\t\t\t\r\n")
PY

# search: every match in the selection format, umlauts without case.
out=$("$TOOL" search "ärger" "$dir/ALL.TSV")
check search-rows "$(echo "$out" | tail -n +2 | cut -f1 | tr -d "\r" | tr "\n" "|")" "Ärger|ärger|"
check search-header "$(echo "$out" | head -1 | cut -f1-3)" "$(printf 'Titel\tInterpret\tZeit')"
out=$("$TOOL" search --field interpret "BEATLES" "$dir/ALL.TSV" | tail -n +2 | cut -f1 | tr -d '\r' | tr '\n' '|')
check search-field "$out" "Yesterday|Yesterday (Live)|"
"$TOOL" search --field bogus x "$dir/ALL.TSV" >/dev/null 2>&1
check search-usage $? 2

# doubles: similar titles pair Yesterday with Yesterday (Live), Ärger with ärger.
out=$("$TOOL" doubles --title "$dir/ALL.TSV" | tail -n +2 | cut -f1 | tr -d '\r' | tr '\n' '|')
check doubles-title "$out" "Yesterday|Yesterday (Live)|Ärger|ärger|"
out=$("$TOOL" doubles --title --exact --case "$dir/ALL.TSV" | tail -n +2 | cut -f1 | tr -d '\r' | tr '\n' '|')
check doubles-none "$out" "|"
"$TOOL" doubles "$dir/ALL.TSV" >/dev/null 2>&1
check doubles-usage $? 2

# export: every cell reads back through the independent readers.
for format in csv csv-semicolon html; do
    "$TOOL" export --format "$format" "$dir/ALL.TSV" "$dir/out.$format"
    check "export-$format-exit" $? 0
done
python3 - "$dir" <<'PY' || fail=1
import csv, html.parser, io, sys
folder = sys.argv[1]
with open(folder + "/ALL.TSV", "rb") as f:
    raw = f.read()
expected = []
for line in raw.split(b"\r\n")[:-1]:
    cells = line.split(b"\t")[:12]
    expected.append([c.decode("utf-8", errors="replace") if c != b"/m/\xe4.mp3" else "/m/ä.mp3"
                     for c in cells])
ok = True
for name, sep in (("csv", ","), ("csv-semicolon", ";")):
    with open(folder + "/out." + name, "rb") as f:
        text = f.read().decode("utf-8", errors="surrogateescape")
    rows = list(csv.reader(io.StringIO(text, newline=""), delimiter=sep))
    got = [r[:-1] for r in rows]  # every row ends with the separator
    want = [[c.replace("\udce4", "ä") for c in r] for r in expected]
    got = [[c.replace("\udce4", "ä") for c in r] for r in got]
    if got != want:
        print("FAIL export-" + name + ":", got, want); ok = False
    if any(r[-1] != "" for r in rows):
        print("FAIL export-" + name + ": a row does not end with the separator"); ok = False
class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True); self.rows = []; self.cell = None
    def handle_starttag(self, tag, attrs):
        if tag == "tr": self.rows.append([])
        if tag in ("td", "th"): self.cell = ""
    def handle_endtag(self, tag):
        if tag in ("td", "th"): self.rows[-1].append(self.cell.strip()); self.cell = None
    def handle_data(self, data):
        if self.cell is not None: self.cell += data
with open(folder + "/out.html", "rb") as f:
    data = f.read()
if any(b > 127 for b in data):
    print("FAIL export-html: bytes beyond ASCII"); ok = False
parser = Cells(); parser.feed(data.decode("ascii", errors="replace"))
if parser.rows != [[c.strip() for c in r] for r in expected]:
    print("FAIL export-html:", parser.rows); ok = False
sys.exit(0 if ok else 1)
PY
"$TOOL" export --format html "$dir/ALL.TSV" "$dir/fehlt/out.html" 2>/dev/null
check export-unwritable $? 1
"$TOOL" export --format pdf "$dir/ALL.TSV" "$dir/out.pdf" 2>/dev/null
check export-usage $? 2

# m3u: lengths, "artist - title" and the paths as stored, byte for byte.
"$TOOL" m3u "$dir/ALL.TSV" "$dir/liste.m3u"
check m3u-exit $? 0
check m3u-head "$(head -3 "$dir/liste.m3u" | tr -d '\r' | tr '\n' '|')" "#EXTM3U|#EXTINF:221,Die Ärzte - Rock & Roll|/m/eins.mp3|"
check m3u-raw-name "$(tail -1 "$dir/liste.m3u" | od -An -tx1 | tr -d ' \n')" "2f6d2fe42e6d70330d0a"
exit $fail
