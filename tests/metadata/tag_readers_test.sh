#!/usr/bin/env bash
# Tags on files made by lame and ffmpeg (ID3v1 only, ID3v2.3, ID3v2.4, both, UTF-16
# frames, unsynchronisation, long titles, track numbers, umlauts), read by
# tunevault-tool and by independent readers (mutagen, ffprobe); every write is
# read back by both, and the audio stream is the same before and after.
#   TOOL=build/bin/tunevault-tool bash tag_readers_test.sh
set -u
TOOL=$(realpath "$TOOL")
fail=0
report() { echo "FAIL $*"; fail=1; }
py=/usr/bin/python3  # Debian's Python, whose mutagen package the install script puts in

work=$(mktemp -d)
trap 'umount "$work/full" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=2" -ac 2 -ar 44100 tone.wav
long=$(printf 'Ein sehr langer Titel über Wölfe, Bären und andere Tiere des Waldes %.0s' 1 2 | cut -c1-120)

# The files: name, how it is made.
lame --quiet -b 128 --id3v1-only --tt "Nur Eins" --ta "Die Ärzte" --tl "Album" --ty 1998 \
    --tc "Kommentar" --tn 7 --tg Rock tone.wav v1.mp3
lame --quiet -b 128 --id3v2-only --id3v2-latin1 --tt "Über den Wolken" --ta "Reinhard Mey" \
    --tl "Mein Achtel Lorbeerblatt" --ty 1974 --tc "Latin-1" --tg Pop tone.wav v23.mp3
lame --quiet -b 128 --id3v2-only --id3v2-utf16 --tt "Ängste – „Lied“ ♪" --ta "Bär & Wolf" \
    --tl "Ωmega" --ty 2001 --tc "UTF-16" --tg Jazz tone.wav v23utf16.mp3
lame --quiet -b 128 --add-id3v2 --tt "$long" --ta "Künstler" --tl "Beide" --ty 2005 \
    --tc "beide Tags" --tn 3 --tg Blues tone.wav both.mp3
ffmpeg -loglevel error -i tone.wav -c:a libmp3lame -b:a 128k -metadata title="Walzer für Élise" \
    -metadata artist="Ödland" -metadata album="Vierer" -metadata date=2010 \
    -metadata genre=Classical -metadata comment="ffmpeg 2.4" -id3v2_version 4 v24.mp3
ffmpeg -loglevel error -i tone.wav -c:a libmp3lame -b:a 128k -metadata title="Drei Punkt Drei" \
    -metadata artist="Ffmpeg" -metadata genre="(17)" -id3v2_version 3 -write_id3v1 1 v23ff.mp3
# An ID3v2.3 tag written with unsynchronisation (its frame data hold 0xFF bytes).
lame --quiet -b 128 tone.wav plain.mp3
"$py" - <<'PY'
import struct
def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
def frame(name, text):
    data = b"\x01" + "\ufeff".encode("utf-16-le") + text.encode("utf-16-le")
    return name.encode() + struct.pack(">I", len(data)) + b"\x00\x00" + data
frames = frame("TIT2", "ÿÿ Synchron ÿa") + frame("TPE1", "Unsync Band")
unsynced = frames.replace(b"\xff", b"\xff\x00")
tag = b"ID3\x03\x00\x80" + synchsafe(len(unsynced)) + unsynced
open("unsync.mp3", "wb").write(tag + open("plain.mp3", "rb").read())
PY

files="v1.mp3 v23.mp3 v23utf16.mp3 both.mp3 v24.mp3 v23ff.mp3 unsync.mp3"

# What mutagen reads: title, artist, album, year, comment, genre, which tags.
mutagen_read() {
    "$py" - "$1" <<'PY'
import sys
from mutagen.id3 import ID3, ID3NoHeaderError
from mutagen.mp3 import MP3
path = sys.argv[1]
v2 = {}
try:
    tag = ID3(path, load_v1=False)
    def text(frame):
        return str(tag[frame].text[0]) if frame in tag else ""
    v2 = {"title": text("TIT2"), "artist": text("TPE1"), "album": text("TALB"),
          "year": str(tag["TDRC"].text[0])[:4] if "TDRC" in tag else "",
          "genre": tag["TCON"].genres[0] if "TCON" in tag and tag["TCON"].genres else ""}
    comments = [c for c in tag.getall("COMM")]
    v2["comment"] = str(comments[0].text[0]) if comments else ""
    version = "ID3v2.%d" % tag.version[1]
except ID3NoHeaderError:
    version = ""
raw = open(path, "rb").read()
v1 = {}
if raw[-128:-125] == b"TAG":
    t = raw[-128:]
    field = lambda a, b: t[a:b].split(b"\0")[0].decode("latin-1").strip()
    v1 = {"title": field(3, 33), "artist": field(33, 63), "album": field(63, 93),
          "year": field(93, 97), "comment": field(97, 127)}
    track = t[126] if t[125] == 0 and t[126] != 0 else 0
    version = ("ID3v1.1" if track else "ID3v1") + ("," + version if version else "")
merged = {k: v2.get(k) or v1.get(k, "") for k in ("title", "artist", "album", "year", "comment")}
print("\t".join([merged["title"], merged["artist"], merged["album"], merged["year"],
                 merged["comment"], version or "-"]))
PY
}
tool_read() { "$TOOL" info "$1" | sed -n 2p | cut -f12-16,18; }
audio_md5() { ffmpeg -loglevel error -i "$1" -map 0:a -f md5 - 2>/dev/null; }

for f in $files; do
    [ -s "$f" ] || { report "$f was not made"; continue; }
    ours=$(tool_read "$f")
    theirs=$(mutagen_read "$f")
    [ "$ours" = "$theirs" ] || report "$f read: tunevault [$ours], mutagen [$theirs]"
done
# ffprobe agrees on the titles (it reads ID3v2 first, ID3v1 otherwise; it drops
# what follows an unsynchronised 0xFF, so the unsynchronised file is mutagen's).
for f in ${files% unsync.mp3}; do
    probe=$(ffprobe -loglevel error -show_entries format_tags=title -of default=nw=1:nk=1 "$f")
    [ "$probe" = "$("$TOOL" info "$f" | sed -n 2p | cut -f12)" ] || report "$f: ffprobe title [$probe]"
done
# A title of 120 characters: the ID3v2 tag has it whole, ID3v1 only its 30 bytes.
[ "$("$TOOL" info both.mp3 | sed -n 2p | cut -f12)" = "$long" ] || report "both: the long title is cut"
[ "$("$TOOL" info v23ff.mp3 | sed -n 2p | cut -f17)" = "Rock" ] || report "v23ff: genre (17)"
[ "$("$TOOL" info unsync.mp3 | sed -n 2p | cut -f12)" = "ÿÿ Synchron ÿa" ] || report "unsync title"

# Writing: the values given, read back by mutagen and ffprobe; the audio unchanged.
for f in $files; do
    before=$(audio_md5 "$f")
    [ -n "$before" ] || report "$f: no audio to compare"
    tags_before=$("$TOOL" info "$f" | sed -n 2p | cut -f18)
    "$TOOL" tag --title "Neu: Größe ♪" --artist "Zwölf Bären" --album "Ärger" --year 2024 \
        --comment "geändert" --genre Jazz "$f" || report "$f: tag failed"
    [ "$(audio_md5 "$f")" = "$before" ] || report "$f: the audio changed"
    # The ID3v2 tag keeps its version; an ID3v1 tag is written as ever (appended
    # where there was none).
    tags_after=$("$TOOL" info "$f" | sed -n 2p | cut -f18)
    case "$tags_before" in
        *ID3v2.*) [ "${tags_after#*,}" = "${tags_before#*,}" ] && [ "${tags_after%%,*}" != "${tags_after#*,}" ] ||
                      report "$f: tags [$tags_before] became [$tags_after]" ;;
        *) [ "$tags_after" = "$tags_before" ] || report "$f: tags [$tags_before] became [$tags_after]" ;;
    esac
    theirs=$(mutagen_read "$f")
    case "$tags_before" in
        *ID3v2*) expected=$(printf 'Neu: Größe ♪\tZwölf Bären\tÄrger\t2024\tgeändert') ;;
        *) expected=$(printf 'Neu: Größe ?\tZwölf Bären\tÄrger\t2024\tgeändert') ;;  # Latin-1
    esac
    [ "$(echo "$theirs" | cut -f1-5)" = "$expected" ] || report "$f written: mutagen [$theirs]"
    probe=$(ffprobe -loglevel error -show_entries format_tags=title,artist -of default=nw=1:nk=1 "$f" | tr '\n' '|')
    case "$tags_before" in
        *ID3v2*) [ "$probe" = "Neu: Größe ♪|Zwölf Bären|" ] || report "$f written: ffprobe [$probe]" ;;
    esac
done
# The ID3v1.1 track number stays with a short comment.
[ "$("$TOOL" info v1.mp3 | sed -n 2p | cut -f18)" = "ID3v1.1" ] || report "v1: the track number is lost"
[ "$("$py" -c "import sys; d=open('v1.mp3','rb').read()[-128:]; print(d[126])")" = 7 ] || report "v1: track is not 7"
# A file without ID3v2 gets none.
"$py" - <<'PY' | grep -qx none || report "v1.mp3 got an ID3v2 tag"
from mutagen.id3 import ID3, ID3NoHeaderError
try:
    ID3("v1.mp3", load_v1=False)
    print("v2")
except ID3NoHeaderError:
    print("none")
PY

# A read-only file and a full disk leave the file as it was.
cp v24.mp3 ro.mp3
chmod 444 ro.mp3
before=$(md5sum < ro.mp3)
if [ "$(id -u)" = 0 ]; then
    # Root may write anything: the check runs as nobody, in a folder nobody may write.
    chmod 777 "$work"
    su nobody -s /bin/sh -c "'$TOOL' tag --title X '$work/ro.mp3'" >/dev/null 2>&1
else
    "$TOOL" tag --title X ro.mp3 >/dev/null 2>&1
fi
[ $? -eq 1 ] || report "read-only: not refused"
[ "$(md5sum < ro.mp3)" = "$before" ] || report "read-only: the file changed"
if [ "$(id -u)" = 0 ] && mkdir full && mount -t tmpfs -o size=600k tmpfs full 2>/dev/null; then
    cp both.mp3 full/song.mp3
    head -c $((600 * 1024 - $(stat -c %s full/song.mp3) - 8192)) /dev/zero > full/filler 2>/dev/null
    before=$(md5sum < full/song.mp3)
    "$TOOL" tag --title "Ein neuer Titel, der das ID3v2-Tag wachsen lässt" --comment \
        "$(printf 'x%.0s' $(seq 1 9000))" full/song.mp3 >/dev/null 2>full.err
    [ $? -eq 1 ] || report "full disk: no failure"
    grep -q "No space left on device" full.err || report "full disk: $(cat full.err)"
    [ "$(md5sum < full/song.mp3)" = "$before" ] || report "full disk: the file changed"
    [ "$(ls -A full | wc -l)" = 2 ] || report "full disk: left $(ls -A full)"
    umount full
fi

[ $fail = 0 ] && echo "tags: all readers agree"
exit $fail
