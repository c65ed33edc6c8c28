#!/usr/bin/env bash
# lumek frame and frames on a 12 s song with three lyric lines: the video's frames change exactly
# on the frames the lyric timing gives, and the preview of a moment is the video's frame.
set -u
lumek=$1
dir=$(mktemp -d)
source "$(dirname "$0")/clean_tmpdir.sh"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v ffmpeg > /dev/null || { echo "SKIP: no ffmpeg"; exit 77; }
export XDG_CONFIG_HOME=$dir/config

ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=64x64 -frames:v 1 "$dir/cover.png" || fail "ffmpeg"
ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 \
    -i "$dir/cover.png" -map 0:a -map 1:v -c:a libmp3lame -b:a 128k -c:v copy \
    -disposition:v attached_pic -id3v2_version 3 "$dir/song.mp3" || fail "ffmpeg"
printf '[ar:Band]\r\n[ti:Song]\r\n[al:]\r\n[00:03.00]one\r\n[00:06.00]two\r\n[00:09.00]three\r\n[99:99.99]\r\n' \
    > "$dir/song.lrc"

# Cover intro and title bar off, neighbour lines shown: only the lyric changes make new frames.
"$lumek" settings --init iphone --settings "$dir/plain.ini" || fail "settings --init"
grep -q '^CoverIntro=1' "$dir/plain.ini" && grep -q '^TitleBar=1' "$dir/plain.ini" \
    && grep -q '^SubTextShow=0' "$dir/plain.ini" || fail "settings keys"
sed -i 's/^CoverIntro=1/CoverIntro=0/; s/^TitleBar=1/TitleBar=0/; s/^SubTextShow=0/SubTextShow=1/' \
    "$dir/plain.ini"

"$lumek" frames "$dir/song.mp3" -o "$dir/all" --settings "$dir/plain.ini" --quiet > "$dir/out.txt" \
    2> /dev/null || fail "frames"
[ "$(ls "$dir/all" | wc -l)" -eq 120 ] || fail "12 s should give 120 frames"
changed=$(for f in "$dir"/all/frame_*.png; do md5sum < "$f"; done \
          | awk '{ if (NR > 1 && $1 != last) printf "%d ", NR; last = $1 }')
# Fade 2: a line at t tenths matches at frame t - 4, the old line fades out over two frames and
# the new one in over two. Before the first line nothing is current and nothing is filtered, so
# its first two frames repeat the start picture.
[ "$changed" = "28 29 56 57 58 59 86 87 88 89 " ] || fail "changed frames: $changed"

"$lumek" frames "$dir/song.mp3" -o "$dir/part" --from 25 --to 30 --settings "$dir/plain.ini" \
    --quiet > /dev/null 2>&1 || fail "frames --from --to"
[ "$(ls "$dir/part" | paste -sd' ')" = "frame_00025.png frame_00026.png frame_00027.png frame_00028.png frame_00029.png frame_00030.png" ] \
    || fail "part: $(ls "$dir/part")"
for n in 25 28 30; do
    cmp -s "$dir/part/frame_000$n.png" "$dir/all/frame_000$n.png" || fail "frame $n differs"
done

# The preview at 10 s (slider 99) is the video's frame 100, the line at 9 s fully shown.
"$lumek" frame "$dir/song.mp3" --at 10 -o "$dir/at10.png" --settings "$dir/plain.ini" \
    2> "$dir/err.txt" > /dev/null || fail "frame"
grep -q '00:10.0초' "$dir/err.txt" || fail "status text: $(cat "$dir/err.txt")"
cmp -s "$dir/at10.png" "$dir/all/frame_00100.png" || fail "preview at 10 s is not frame 100"

# With the preset the cover shows at 1 s and is gone from frame 52 on.
"$lumek" frame "$dir/song.mp3" --at 1 -o "$dir/at1.png" --preset iphone --quiet > /dev/null \
    2>&1 || fail "frame --preset"
[ "$(od -An -tu1 -j16 -N8 "$dir/at1.png" | tr -s ' ')" = " 0 0 1 224 0 0 1 64" ] || fail "size"
"$lumek" frame "$dir/song.mp3" --at 1 -o "$dir/at1plain.png" --settings "$dir/plain.ini" \
    --quiet > /dev/null 2>&1 || fail "frame plain"
cmp -s "$dir/at1.png" "$dir/at1plain.png" && fail "no cover at 1 s"

"$lumek" frame "$dir/song.mp3" -o "$dir/x.png" --preset iphone 2> /dev/null
[ $? -eq 2 ] || fail "no --at should exit 2"
"$lumek" frame "$dir/missing.mp3" --at 1 -o "$dir/x.png" --preset iphone 2> /dev/null
[ $? -eq 1 ] || fail "missing song should exit 1"
"$lumek" frames "$dir/song.mp3" -o "$dir/y" --from 5 --to 3 --preset iphone 2> /dev/null
[ $? -eq 2 ] || fail "--from after --to should exit 2"
# A named pipe as the picture is neither written nor replaced, and the reason is given.
mkfifo "$dir/pipe.png"
"$lumek" frame "$dir/song.mp3" --at 1 -o "$dir/pipe.png" --preset iphone --quiet 2> "$dir/err.txt"
[ $? -eq 1 ] && [ -p "$dir/pipe.png" ] || fail "a pipe as the picture"
grep -q "pipe.png: can't write the picture (일반 파일이 아닙니다)" "$dir/err.txt" \
    || fail "pipe message: $(cat "$dir/err.txt")"
# SIGTERM ends a command at once with 128 + 15 and leaves no temporary or half-written file.
tmp=$(mktemp -d "$dir/tmpdir.XXXXXX")
env -u XDG_RUNTIME_DIR TMPDIR="$tmp" "$lumek_program" frames "$dir/song.mp3" -o "$dir/stopped" \
    --settings "$dir/plain.ini" --quiet > /dev/null 2>&1 &
pid=$!
for _ in $(seq 200); do [ -e "$dir/stopped/frame_00002.png" ] && break; sleep 0.05; done
kill -TERM $pid
wait $pid
status=$?
[ $status -eq 143 ] || fail "frames ended by SIGTERM exited $status"
[ -z "$(ls -A "$tmp")" ] || fail "SIGTERM left $(ls -A "$tmp") in TMPDIR"
[ -z "$(ls -A "$dir/stopped" | grep '^\.')" ] || fail "SIGTERM left a partial frame"
expect_clean_tmpdirs
echo PASS
