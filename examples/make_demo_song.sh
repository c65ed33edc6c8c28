#!/usr/bin/env bash
# Makes the demo song from scratch: a 30-second synthesised tune with its own cover picture and
# ID3v2.3 artist, title and album. The song and its lyrics are committed; run this again only to
# change the tune.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Note frequencies (Hz) of a C major tune, one note per half second; 0 is a rest.
C4=261.63 D4=293.66 E4=329.63 F4=349.23 G4=392.00 A4=440.00 B4=493.88 C5=523.25 R=0
melody=($C4 $C4 $G4 $G4 $A4 $A4 $G4 $R  $F4 $F4 $E4 $E4 $D4 $D4 $C4 $R
        $G4 $G4 $F4 $F4 $E4 $E4 $D4 $R  $G4 $G4 $F4 $F4 $E4 $E4 $D4 $R
        $C4 $C4 $G4 $G4 $A4 $A4 $G4 $R  $F4 $F4 $E4 $E4 $D4 $D4 $C4 $R
        $E4 $G4 $C5 $B4 $A4 $G4 $F4 $E4 $D4 $E4 $C4 $R)
bass=(130.81 174.61 130.81 98.00  174.61 130.81 98.00 130.81
      130.81 174.61 130.81 98.00  164.81 110.00 98.00 130.81)

inputs=() graph=""
i=0
for f in "${melody[@]}"; do
    # A plucked tone: a bright partial over the fundamental, decaying within the half second.
    inputs+=(-f lavfi -i "aevalsrc=exprs=(0.35*sin(2*PI*$f*t)+0.12*sin(4*PI*$f*t)+0.05*sin(6*PI*$f*t))*exp(-4*t):d=0.5:s=44100")
    graph+="[$i:a]"
    i=$((i + 1))
done
graph+="concat=n=${#melody[@]}:v=0:a=1[melody];"
first_bass=$i
for f in "${bass[@]}"; do
    inputs+=(-f lavfi -i "aevalsrc=exprs=0.25*sin(2*PI*$f*t)*(1-exp(-20*t))*exp(-0.8*t):d=1.875:s=44100")
    graph+="[$i:a]"
    i=$((i + 1))
done
graph+="concat=n=${#bass[@]}:v=0:a=1[bass];[melody][bass]amix=inputs=2:duration=first:normalize=0,"
graph+="aformat=channel_layouts=stereo,aecho=0.8:0.6:120:0.25,afade=t=out:st=28:d=2[out]"
ffmpeg -loglevel error -y "${inputs[@]}" -filter_complex "$graph" -map "[out]" -t 30 "$work/tune.wav"

# The cover: a soft gradient square with the song's name.
font=/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf
ffmpeg -loglevel error -y -f lavfi -i "gradients=s=300x300:c0=0x3a2c8f:c1=0xe05a8a:c2=0xf2b134:x0=0:y0=0:x1=300:y1=300:d=1" \
    -vf "drawtext=fontfile=$font:text='반짝반짝':fontsize=54:fontcolor=white:x=(w-tw)/2:y=100,drawtext=fontfile=$font:text='Lumek Demo':fontsize=30:fontcolor=white@0.85:x=(w-tw)/2:y=180" \
    -frames:v 1 "$work/cover.png"

ffmpeg -loglevel error -y -i "$work/tune.wav" -i "$work/cover.png" -map 0:a -map 1:v \
    -c:a libmp3lame -b:a 128k -c:v png -disposition:v attached_pic -id3v2_version 3 \
    -metadata artist="Lumek 밴드" -metadata title="반짝반짝 작은 별" -metadata album="Lumek Demo" \
    -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" demo.mp3
