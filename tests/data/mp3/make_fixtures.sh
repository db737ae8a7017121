#!/usr/bin/env bash
# Makes the small audio files the metadata tests read, from sox tones encoded by
# lame (and ffmpeg for Layer II). The results are committed; run this again only
# to change them. Needs: sox, lame, ffmpeg.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox -n -r 44100 -c 2 "$work/stereo.wav" synth 3 sine 440 sine 660 gain -6
sox -n -r 44100 -c 1 "$work/mono.wav" synth 3 sine 440 gain -6
sox -n -r 44100 -c 2 "$work/long.wav" synth 12 sine 330 sine 550 gain -6

lame --quiet -t -b 128 "$work/stereo.wav" cbr128_stereo.mp3                 # MPEG-1, no info frame
lame --quiet -b 128 "$work/stereo.wav" cbr128_info.mp3                      # LAME "Info" frame
lame --quiet -V 5 "$work/long.wav" vbr_stereo.mp3                           # Xing, MPEG-1 stereo
lame --quiet -V 5 -m m "$work/mono.wav" vbr_mono.mp3                        # Xing, MPEG-1 mono
lame --quiet -V 6 --resample 22.05 "$work/long.wav" mpeg2_vbr_stereo.mp3    # Xing, MPEG-2 stereo
lame --quiet -V 6 --resample 22.05 -m m "$work/mono.wav" mpeg2_vbr_mono.mp3 # Xing, MPEG-2 mono
lame --quiet -p -V 5 "$work/long.wav" crc_vbr_stereo.mp3                    # CRC-protected, Xing
lame --quiet -p -V 6 --resample 22.05 -m m "$work/mono.wav" crc_mpeg2_vbr_mono.mp3 # CRC, MPEG-2 mono
lame --quiet -t -b 64 --resample 24 "$work/stereo.wav" mpeg2_cbr64.mp3      # MPEG-2 CBR
lame --quiet -t -b 16 --resample 8 -m m "$work/mono.wav" mpeg25_cbr16.mp3   # MPEG-2.5 CBR
ffmpeg -loglevel error -y -i "$work/stereo.wav" -c:a mp2 -b:a 192k layer2_192.mp2

# A cover picture whose bytes hold frame sync patterns, in an ID3v2 tag.
{
    printf '\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00'
    for _ in $(seq 1 400); do printf '\xFF\xFB\x90\x64\x00\x00\x00\x00\xFF\xFB\x92\x00'; done
    printf '\xFF\xD9'
} > "$work/cover.jpg"
lame --quiet -t -b 128 --ti "$work/cover.jpg" --tt "Cover Song" --ta "Cover Band" --add-id3v2 \
    "$work/stereo.wav" id3v2_cover.mp3

# Ten junk bytes before the first frame.
{ printf 'JUNKJUNK\x00\x01'; cat cbr128_stereo.mp3; } > junk_before.mp3
# The first 1000 bytes of a file: its frames run past the end.
head -c 1000 cbr128_stereo.mp3 > truncated.mp3

# An ID3v1 tag with umlauts (Latin-1 on disk), a genre and a track number.
lame --quiet -t -b 128 --id3v1-only --tt "Über Alles" --ta "Die Ärzte" --tl "Das Album" --ty 1998 \
    --tc "Kommentar" --tg "Rock" --tn 7 "$work/stereo.wav" with_id3v1.mp3

sox -n -r 8000 -c 1 -b 16 no_frames.wav synth 0.5 sine 440

# Two songs of one second for playing a playlist through the real audio backend.
sox -n -r 44100 -c 1 -b 16 "$work/one_a.wav" synth 1 sine 440
sox -n -r 44100 -c 1 -b 16 "$work/one_b.wav" synth 1 sine 660
lame --quiet -t -b 64 "$work/one_a.wav" one_second_a.mp3
lame --quiet -t -b 64 "$work/one_b.wav" one_second_b.mp3
ls -l
