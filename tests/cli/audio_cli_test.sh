#!/usr/bin/env bash
# lumek analyze, merge and cover on songs made by ffmpeg; bad files exit 1, bad usage 2.
set -u
lumek=$1
dir=$(mktemp -d)
source "$(dirname "$0")/clean_tmpdir.sh"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v ffmpeg > /dev/null || { echo "SKIP: no ffmpeg"; exit 0; }

sine=(-nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=5)
ffmpeg "${sine[@]}" -ac 2 -c:a libmp3lame -b:a 128k -joint_stereo 0 -write_xing 0 "$dir/cbr.mp3" \
    || fail "ffmpeg"
"$lumek" analyze "$dir/cbr.mp3" > "$dir/cbr.txt" || fail "analyze exit status"
for line in "Format: version 1 layer 3" "Bitrate: 128" "SampleRate: 44100" "IsVBR: false" \
            "ChannelMode: Stereo" "Id3v2: 4"; do
    grep -qx "$line" "$dir/cbr.txt" || fail "no line '$line'"
done
frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$dir/cbr.mp3")
duration=$(sed -n 's/^Duration: //p' "$dir/cbr.txt")
awk -v d="$duration" -v f="$frames" 'BEGIN { e = f * 1152 / 44100; exit !(d - e < 0.001 && e - d < 0.001) }' \
    || fail "duration $duration, encoded $frames frames"
[[ $duration =~ ^[0-9]+\.[0-9]{4}$ ]] || fail "duration '$duration' has not four decimals"

"$lumek" analyze "$dir/cbr.mp3" --json > "$dir/cbr.json" || fail "analyze --json"
keys=$(grep -o '^  "[A-Za-z0-9]*":' "$dir/cbr.json" | tr -d ' ":' | paste -sd,)
[ "$keys" = "Format,Protected,Bitrate,SampleRate,IsVBR,ChannelMode,Copyright,Original,Emphasis,Duration,Id3v1,Id3v2,FileSize,FirstFrame" ] \
    || fail "JSON keys: $keys"
grep -qx '  "Format": "version 1 layer 3",' "$dir/cbr.json" || fail "JSON Format"
grep -qx "  \"Duration\": $duration," "$dir/cbr.json" || fail "JSON Duration"

head -c 5000 /dev/zero > "$dir/zeros.mp3"
"$lumek" analyze "$dir/zeros.mp3" 2> "$dir/err.txt"
[ $? -eq 1 ] || fail "invalid file should exit 1"
grep -q "zeros.mp3" "$dir/err.txt" || fail "the message should name the file"
"$lumek" analyze "$dir/missing.mp3" 2>/dev/null
[ $? -eq 1 ] || fail "missing file should exit 1"
"$lumek" analyze 2>/dev/null
[ $? -eq 2 ] || fail "no file should exit 2"

# Two copies joined: twice the audio part, the ID3v2 tag left out.
"$lumek" merge "$dir/joined.mp3" "$dir/cbr.mp3" "$dir/cbr.mp3" || fail "merge"
first=$(sed -n 's/^FirstFrame: //p' "$dir/cbr.txt")
size=$(sed -n 's/^FileSize: //p' "$dir/cbr.txt")
[ "$(stat -c %s "$dir/joined.mp3")" -eq $(( 2 * (size - first) )) ] || fail "merged size"
"$lumek" merge "$dir/joined.mp3" "$dir/cbr.mp3" || fail "merge again"
[ "$(stat -c %s "$dir/joined.mp3")" -eq $(( size - first )) ] || fail "the output starts fresh"
"$lumek" merge "$dir/cbr.mp3" "$dir/cbr.mp3" 2>/dev/null
[ $? -eq 2 ] || fail "output that is an input should exit 2"

ffmpeg -nostdin -v error -y -f lavfi -i color=c=red:s=32x24 -frames:v 1 "$dir/cover.png" || fail "ffmpeg"
ffmpeg "${sine[@]}" -i "$dir/cover.png" -map 0:a -map 1:v -c:a libmp3lame -c:v copy \
    -disposition:v attached_pic -id3v2_version 3 "$dir/covered.mp3" || fail "ffmpeg"
"$lumek" cover "$dir/covered.mp3" -o "$dir/out.png" || fail "cover"
[ "$(head -c 4 "$dir/out.png" | tail -c 3)" = "PNG" ] || fail "cover is not a PNG"
[ "$(od -An -tu1 -j16 -N8 "$dir/out.png" | tr -s ' ')" = " 0 0 0 32 0 0 0 24" ] || fail "cover size"
"$lumek" cover "$dir/cbr.mp3" -o "$dir/none.png" 2>/dev/null
[ $? -eq 1 ] || fail "song without cover should exit 1"
expect_clean_tmpdirs
echo PASS
