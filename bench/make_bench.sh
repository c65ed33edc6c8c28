#!/usr/bin/env bash
# A whole make job against what ffmpeg alone needs for the same video.
#
# A 4-minute MP3 (44.1 kHz stereo, 192 kbit/s) with 58 lyric lines, Korean and English, 4 s
# apart from 0:05. In one run, each timed (wall clock, and CPU time with the encoder child):
#   lumek make     lumek make SONG -o DIR --preset iphone, with the codec it picks (frames
#                  reach the encoder through a pipe, so uncompressed) and again with
#                  --codec mjpeg
#   floor          ffmpeg encoding a still 480x320 picture at 10 fps and the same MP3 with the
#                  options of a song build: no lyric video can be made faster by this encoder
#   libass         ffmpeg burning the same lyrics as ASS subtitles over the same still picture,
#                  with the same options
# Targets, on the wall clock: lumek make at most 1.3 x the floor, and below the libass run.
# Other work on the machine skews the figures; the load average is printed with them.
#
# Usage: bench/make_bench.sh [path/to/lumek]   (default: build/cli/lumek)
#        LUMEK_BENCH_RUNS=3 takes the best of three runs of each.
set -u

here=$(cd "$(dirname "$0")" && pwd)
lumek=${1:-$here/../build/cli/lumek}
runs=${LUMEK_BENCH_RUNS:-1}
[ -x "$lumek" ] || { echo "no lumek program at $lumek (build it first, or pass its path)"; exit 2; }
command -v ffmpeg > /dev/null || { echo "ffmpeg is needed"; exit 2; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME=$dir/config
fail() { echo "make bench: $*" >&2; exit 1; }

# The song: a chord that changes every 4 s, so the encoder has something to code.
ffmpeg -nostdin -v error -y -f lavfi \
    -i "aevalsrc=0.2*sin(2*PI*(220+55*floor(t/4))*t)+0.1*sin(2*PI*330*t)|0.2*sin(2*PI*(275+55*floor(t/4))*t):s=44100:d=240" \
    -c:a libmp3lame -b:a 192k "$dir/song.mp3" || fail "can't make the song"

# The lyrics: LRC (UTF-8 with a byte-order mark) and the same lines as ASS events.
korean=("바람이 불어오는 곳" "그곳으로 가네 그대와 함께" "밤하늘의 별을 세며" "노래를 불러요")
english=("Where the wind comes from" "That is where I go with you" "Counting the stars at night"
         "Singing my song")
{
    printf '\xef\xbb\xbf[ar:Lumek Band]\r\n[ti:Four Minutes]\r\n[al:Bench]\r\n'
    for ((i = 0; i < 58; i++)); do
        t=$((50 + i * 40))  # tenths
        if ((i % 2 == 0)); then line=${korean[i / 2 % 4]}; else line=${english[i / 2 % 4]}; fi
        printf '[%02d:%02d.%d0]%s\r\n' $((t / 600)) $((t / 10 % 60)) $((t % 10)) "$line"
    done
    printf '[99:99.99]'
} > "$dir/song.lrc"
{
    printf '[Script Info]\nScriptType: v4.00+\nPlayResX: 480\nPlayResY: 320\n\n'
    printf '[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, '
    printf 'OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, '
    printf 'Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, '
    printf 'Encoding\n'
    printf 'Style: Lyric,NanumGothic,44,&H00FFFFFF,&H00FFFFFF,&H00282828,&H80808080,0,0,0,0,'
    printf '100,100,0,0,1,1,2,5,14,14,0,1\n\n'
    printf '[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, '
    printf 'Text\n'
    for ((i = 0; i < 58; i++)); do
        start=$((50 + i * 40))
        end=$((start + 40))
        ((i == 57)) && end=2400
        if ((i % 2 == 0)); then line=${korean[i / 2 % 4]}; else line=${english[i / 2 % 4]}; fi
        printf 'Dialogue: 0,%d:%02d:%02d.%d0,%d:%02d:%02d.%d0,Lyric,,0,0,0,,{\\fad(200,200)}%s\n' \
            $((start / 36000)) $((start / 600 % 60)) $((start / 10 % 60)) $((start % 10)) \
            $((end / 36000)) $((end / 600 % 60)) $((end / 10 % 60)) $((end % 10)) "$line"
    done
} > "$dir/song.ass"

# The still picture: a frame of the video itself, lyric and title bar included.
"$lumek" frame "$dir/song.mp3" --at 120 -o "$dir/still.png" --preset iphone --quiet \
    > /dev/null || fail "lumek frame failed"

# A song build's encoder options for the iPhone preset and this song (AudioOriginal: the
# song's own sample rate and bitrate; quality 51 - 50).
options=(-acodec aac -ar 44100 -ac 2 -ab 192k -vcodec mpeg4 -s '480*320' -b 800k -qscale 1)

# Seconds of the command's best run: "wall cpu", cpu being user + system time of the command
# and every process it waited for (lumek's encoder among them). The command's output is kept
# in run.log and shown when it fails.
best_of() {
    local best="" r times wall user sys cpu
    for ((r = 0; r < runs; r++)); do
        rm -rf "$dir/out" && mkdir "$dir/out"
        times=$( { TIMEFORMAT='%R %U %S'; time "$@" > "$dir/run.log" 2>&1; } 2>&1) \
            || { cat "$dir/run.log" >&2; return 1; }
        read -r wall user sys <<< "$times"
        cpu=$(echo "$user + $sys" | bc -l)
        if [ -z "$best" ] || (($(echo "$wall < ${best%% *}" | bc -l))); then best="$wall $cpu"; fi
    done
    echo "$best"
}

lumek_make() {
    "$lumek" make "$dir/song.mp3" -o "$dir/out" --preset iphone \
        --lyrics-url http://127.0.0.1:9/ --quiet "$@"
}
# The picture is decoded once and repeated by the loop filter: with "-loop 1" on the input the
# demuxer decodes the PNG again for every frame, which costs more than the video encoding and
# would make a floor no tool could reach.
floor_encode() {
    ffmpeg -nostdin -v error -framerate 10 -i "$dir/still.png" -i "$dir/song.mp3" \
        -filter_complex "[0:v]loop=loop=-1:size=1:start=0[v]" -map "[v]" -map 1:a -shortest \
        "${options[@]}" "$dir/out/floor.mp4"
}
libass_burn() {
    ffmpeg -nostdin -v error -framerate 10 -i "$dir/still.png" -i "$dir/song.mp3" \
        -filter_complex "[0:v]loop=loop=-1:size=1:start=0,ass=$dir/song.ass[v]" -map "[v]" \
        -map 1:a -shortest "${options[@]}" "$dir/out/libass.mp4"
}

make=$(best_of lumek_make) || fail "lumek make failed"
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets \
    -of csv=p=0 "$dir/out/song.mp4" 2> /dev/null)
make_mjpeg=$(best_of lumek_make --codec mjpeg) || fail "lumek make --codec mjpeg failed"
floor=$(best_of floor_encode) || fail "the floor encode failed"
libass=""
if ffmpeg -hide_banner -filters 2> /dev/null | grep -q ' ass '; then
    libass=$(best_of libass_burn) || fail "the libass run failed"
fi

row() { printf '  %-36s %7.2f s %7.2f s\n' "$1" "${2%% *}" "${2##* }"; }
# Wall-clock ratio of a run to a reference, and whether it meets the target given as a bc
# comparison with r.
ratio() {
    local r
    r=$(echo "${1%% *} / ${2%% *}" | bc -l)
    printf '%5.2f %-6s' "$r" "$( (($(echo "r = $r; $3" | bc -l))) && echo met || echo MISSED)"
}

echo "make bench: 4:00 song, 58 lyric lines, iPhone preset (480x320, ${frames:-?} frames)," \
    "best of $runs run(s), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
printf '  %-36s %9s %9s\n' "" "wall" "cpu"
row "lumek make" "$make"
row "lumek make --codec mjpeg" "$make_mjpeg"
row "encode-only floor (ffmpeg, still)" "$floor"
if [ -n "$libass" ]; then
    row "ffmpeg + libass subtitles" "$libass"
else
    echo "  ffmpeg + libass subtitles: this ffmpeg has no libass ('ass' filter), not measured"
fi
printf '  %-36s %-26s %s\n' "wall-clock ratios" "/ floor (target <= 1.30)" \
    "$([ -n "$libass" ] && echo "/ libass (target < 1.00)")"
for run in "lumek make:$make" "lumek make --codec mjpeg:$make_mjpeg"; do
    printf '  %-36s %-26s %s\n' "${run%%:*}" "$(ratio "${run##*:}" "$floor" 'r <= 1.3')" \
        "$([ -n "$libass" ] && ratio "${run##*:}" "$libass" 'r < 1')"
done
