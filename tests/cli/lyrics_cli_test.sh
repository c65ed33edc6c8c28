#!/usr/bin/env bash
# lumek lyrics against a canned lyrics service on 127.0.0.1: a song without an LRC file gets the
# re-timed download, then is found; an unreachable service gives the placeholder; the endpoint
# also comes from the settings file. Exit 77 (skipped) without ffmpeg to make the song.
set -u
lumek=$1
server=$2
dir=$(mktemp -d)
source "$(dirname "$0")/clean_tmpdir.sh"
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

command -v ffmpeg >/dev/null || { echo "SKIP: no ffmpeg"; exit 77; }
ffmpeg -loglevel error -nostdin -f lavfi -i sine=frequency=440:duration=20 -c:a libmp3lame \
    -b:a 128k "$dir/song.mp3" || fail "ffmpeg can't make the song"
cp "$dir/song.mp3" "$dir/second.mp3"
cp "$dir/song.mp3" "$dir/third.mp3"

printf '%s' '<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body><GetLyric5Response xmlns="ALSongWebServer"><GetLyric5Result><strLyric>[00:12.34]Hello&lt;br&gt;[00:12.38]Bonjour</strLyric><strTitle>Title</strTitle><strArtist>Artist</strArtist><strAlbum>Album</strAlbum></GetLyric5Result></GetLyric5Response></soap:Body></soap:Envelope>' \
    > "$dir/answer.xml"
"$server" "$dir/answer.xml" "$dir/requests.log" > "$dir/port" &
server_pid=$!
for _ in $(seq 50); do
    [ -s "$dir/port" ] && break
    sleep 0.1
done
port=$(cat "$dir/port")
[ -n "$port" ] || fail "the canned server did not start"
url="http://127.0.0.1:$port/alsongwebservice/service1.asmx"

# Download: the headers, the countdown and the two lines of one tenth joined.
out=$("$lumek" lyrics "$dir/song.mp3" --lyrics-url "$url" --preset iphone --quiet) ||
    fail "lyrics exited $?"
[ "$out" = "downloaded $dir/song.lrc" ] || fail "unexpected output: $out"
printf '[ar:Artist]\r\n[ti:Title]\r\n[al:Album]\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n[00:12.34]Hello / Bonjour' \
    > "$dir/expected.lrc"
cmp "$dir/expected.lrc" "$dir/song.lrc" || fail "the lyric file differs"

# The request carried the MD5 of 163840 bytes from the first frame.
first=$("$lumek" analyze "$dir/song.mp3" | sed -n 's/^FirstFrame: //p')
[ -n "$first" ] || fail "analyze gave no FirstFrame"
md5=$(tail -c +$((first + 1)) "$dir/song.mp3" | head -c 163840 | md5sum | cut -d' ' -f1)
grep -q "<ns1:strChecksum>$md5</ns1:strChecksum>" "$dir/requests.log" ||
    fail "the request lacks the checksum $md5"

# Now the file lies beside the song: found, not asked for again.
out=$("$lumek" lyrics "$dir/song.mp3" --lyrics-url "$url" --preset iphone --quiet) ||
    fail "second run exited $?"
[ "$out" = "found $dir/song.lrc" ] || fail "unexpected output: $out"
[ "$(grep -c . "$dir/requests.log")" -eq 1 ] || fail "the service was asked again"

# Nothing listens on port 1: ten refused attempts, then the placeholder.
out=$("$lumek" lyrics "$dir/second.mp3" --lyrics-url "http://127.0.0.1:1/alsongwebservice/service1.asmx" \
    --preset phone 2> "$dir/stderr") || fail "placeholder run exited $?"
[ "$out" = "placeholder $dir/second.lrc" ] || fail "unexpected output: $out"
grep -q '가사 다운로드중..' "$dir/stderr" || fail "no status line on stderr"
printf '[ar:second.mp3]\r\n[ti:가사가 없습니다]\r\n[al:Lumek]\r\n[00:00.00]\r\n[00:00.01]' |
    iconv -f UTF-8 -t CP949 > "$dir/placeholder.lrc"
cmp "$dir/placeholder.lrc" "$dir/second.lrc" || fail "the placeholder differs"

# The endpoint from the settings file.
"$lumek" settings --init iphone --settings "$dir/settings.ini" || fail "settings --init"
grep -q '^LyricsURL=http://lyrics.alsong.co.kr/alsongwebservice/service1.asmx' "$dir/settings.ini" ||
    fail "the settings file lacks the default LyricsURL"
sed -i "s|^LyricsURL=.*|LyricsURL=$url\r|" "$dir/settings.ini"
out=$("$lumek" lyrics "$dir/third.mp3" --settings "$dir/settings.ini" --quiet) ||
    fail "settings run exited $?"
[ "$out" = "downloaded $dir/third.lrc" ] || fail "unexpected output: $out"
cmp "$dir/expected.lrc" "$dir/third.lrc" || fail "the settings run wrote another file"

"$lumek" lyrics 2>/dev/null
[ $? -eq 2 ] || fail "no song should exit 2"
"$lumek" lyrics "$dir/song.mp3" --preset tablet 2>/dev/null
[ $? -eq 2 ] || fail "unknown preset should exit 2"
"$lumek" lyrics "$dir/none.mp3" --preset iphone 2>/dev/null
[ $? -eq 1 ] || fail "a missing song should exit 1"
expect_clean_tmpdirs
echo PASS
