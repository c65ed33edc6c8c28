#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into corpus/<target>/: small valid inputs and
their usual odd cases, from which the fuzzers mutate. Run it again after changing it; inputs a
fuzzer found (found_*, named by what they broke) sit beside the seeds and are kept."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v2(version, frames, flags=0, extended=b""):
    body = extended + frames
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(len(body)) + body


def frame(version, ident, data, flags=b"\0\0"):
    if version == 2:
        return ident + struct.pack(">I", len(data))[1:] + data
    size = syncsafe(len(data)) if version == 4 else struct.pack(">I", len(data))
    return ident + size + flags + data


def mpeg_frame(b1, b2, b3, length, body=b""):
    """A frame header (0xFF, b1, b2, b3) padded with zeros to its frame length."""
    data = bytes([0xFF, b1, b2, b3]) + body
    return data + bytes(length - len(data))


# 1x1 red PNG.
def png(width=1, height=1):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + b"\xff\x00\x00" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def bmp(width, height, bits, pixels, palette=b"", compression=0, size_image=None):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                       len(pixels) if size_image is None else size_image, 2835, 2835,
                       len(palette) // 4, 0)
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


JPEG = bytes.fromhex(
    "ffd8ffe000104a46494600010200000100010000ffdb004300083e3e493e49555555555555645d646868686464"
    "6464686868707070838383707070686870707c7c83838f938f8787838793939b9b9bbabab2b2d9d9e0ffffffff"
    "c4004c0001010000000000000000000000000000000601010100000000000000000000000000000607100100"
    "000000000000000000000000000000110100000000000000000000000000000000ffc000110800040004030122"
    "00021100031100ffda000c03010002110311003f008b00517f7fffd9")
GIF = bytes.fromhex("47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b")


def mp3_header():
    # MPEG 1 layer 3, 32 kbit/s, 32 kHz: 144-byte frames.
    cbr = b"".join(mpeg_frame(0xFB, 0x18, 0x44, 144) for _ in range(3))
    write("mp3_header", "cbr", cbr)
    write("mp3_header", "id3v2_then_frames", id3v2(3, frame(3, b"TIT2", b"\0song")) + bytes(5) + cbr)
    xing = b"Xing" + struct.pack(">III", 3, 3, 432)
    write("mp3_header", "xing", mpeg_frame(0xFB, 0x18, 0x44, 144, bytes(32) + xing) + cbr)
    vbri = b"VBRI" + bytes(6) + struct.pack(">II", 432, 3)
    write("mp3_header", "vbri", mpeg_frame(0xFB, 0x18, 0xC4, 144, bytes(32) + vbri) + cbr)
    # MPEG 2.5 layer 3, 8 kbit/s, 8 kHz mono: 72-byte frames, then an ID3v1 tag.
    tag = b"TAG" + bytes(122) + b"\0\x01\x0c"
    write("mp3_header", "mpeg25_id3v1", mpeg_frame(0xE3, 0x18, 0xC0, 72) * 2 + tag)
    # MPEG 2 layer 1 and layer 2 with a CRC, after junk with false syncs.
    write("mp3_header", "layers", b"\xff\xe0junk\xff\xff" + mpeg_frame(0xF6, 0x14, 0x00, 64) * 2
          + mpeg_frame(0xFC, 0x14, 0x00, 48) * 2)
    write("mp3_header", "cut_frame", cbr[:150])


def id3():
    picture = png()
    write("id3", "v22_pic", id3v2(2, frame(2, b"TT2", b"\0t") + frame(2, b"PIC", b"\0PNG\x03\0" + picture)))
    # Version 2.3, the whole tag unsynchronised: FF 00 pairs in the picture.
    data = b"\0image/jpeg\0\x03desc\0" + JPEG
    write("id3", "v23_apic_unsync",
          id3v2(3, frame(3, b"APIC", data).replace(b"\xff", b"\xff\x00"), flags=0x80))
    # Version 2.3 with an extended header and a UTF-16 description.
    write("id3", "v23_utf16_extended",
          id3v2(3, frame(3, b"TIT2", b"\x01\xff\xfeA\0") +
                frame(3, b"APIC", b"\x01image/gif\0\x03\xff\xfed\0\0\0" + GIF),
                flags=0x40, extended=struct.pack(">IHI", 6, 0, 0)))
    # Version 2.4: footer flag, extended header, a frame with a group byte, data length and
    # its own unsynchronisation.
    data = b"\x03image/png\0\x03\0" + picture
    unsync = data.replace(b"\xff", b"\xff\x00")
    write("id3", "v24_frame_flags",
          id3v2(4, frame(4, b"APIC", b"\x07" + syncsafe(len(data)) + unsync, flags=b"\0\x43"),
                flags=0x50, extended=syncsafe(6) + b"\x01\0") + b"3DI" + bytes(7))
    write("id3", "v24_compressed", id3v2(4, frame(4, b"APIC", b"\0\0\0\0" + data, flags=b"\0\x08")))
    write("id3", "size_claim", b"ID3\3\0\0\x7f\x7f\x7f\x7fAPIC\0\0\0\x10\0\0")
    write("id3", "id3v1", b"\0" * 10 + b"TAG" + b"title".ljust(30, b"\0") + bytes(94) + b"\x05\x0c")


def lrc():
    crlf = "\r\n".join(["[ar:가수]", "[ti:노래]", "[al:앨범]", "[00:00.00]", "[00:01.50]첫 줄",
                        "[00:03.20]둘째 줄", "[01:07.30]셋째 줄", "[99:99.99]"])
    write("lrc", "cp949", crlf.encode("cp949"))
    enhanced = "\r\n".join(["[ar:Artist]", "[ti:Title]", "[al:]", "[offset:+100]",
                            "[00:00.00]<00:00.00>Word <00:00.40>by <00:00.80>word",
                            "[00:02.10][00:05.10]Twice <00:02.50>sung ☃",
                            "[123:05.10]long song", "[1:02.3]short key", "[00:00.0"])
    write("lrc", "enhanced_utf8", b"\xef\xbb\xbf" + enhanced.encode("utf-8"))
    write("lrc", "lf_only", b"[ar:a]\n[ti:t]\n[al:b]\n[00:00.00]x\n[00:00.10]y\n")
    write("lrc", "short", b"[00:00.0")


def ini():
    body = ("; comment\r\n[Other]\r\nTextAlign=9\r\n\r\n[Program Settings]\r\nProgramVersion=2.2\r\n"
            "StartSetting=1\r\n  textalign = 3 \r\nTextAlign=2\r\nFontName=나눔고딕\r\n"
            "BGColor=16777215\r\nLyricsURL=http://127.0.0.1/x\r\ngarbage line\r\n[Tail\r\nk=v")
    write("ini", "cp949_crlf", body.encode("cp949"))
    write("ini", "utf8_bom_lf", b"\xef\xbb\xbf" + body.replace("\r\n", "\n").replace("고딕", "고딕 ☃").encode())
    write("ini", "no_section", b"TextAlign=1\nVideoWidth=320\n")
    write("ini", "long_value", b"[Program Settings]\r\nTitleText=" + "가".encode("cp949") * 200 + b"\r\n")
    write("ini", "nul_value", b"[program settings]\r\nFontSize=12\x0034\r\n=x\r\n[]\r\n")


def lyrics_answer():
    def answer(fields):
        return ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope '
                'xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body><GetLyric5Response '
                'xmlns="ALSongWebServer"><GetLyric5Result><strInfoID>1</strInfoID>' +
                "".join(f"<{k}>{v}</{k}>" for k, v in fields) +
                "</GetLyric5Result></GetLyric5Response></soap:Body></soap:Envelope>").encode()
    lyric = "&lt;br&gt;".join(["[00:05.00]첫 줄", "[00:05.00]같은 때", "[00:07.50]A &amp;amp; B",
                               "[02:59.90]end", "[03:00.10]after the end", "x"])
    write("lyrics_answer", "full", answer([("strArtist", "가수"), ("strTitle", "노래"),
                                           ("strAlbum", "앨범"), ("strLyric", lyric)]))
    write("lyrics_answer", "lyric_only", answer([("strLyric", "[00:00.00]zero<br>[00:01.00]one")]))
    write("lyrics_answer", "no_lyrics", answer([("strTitle", " "), ("strLyric", "")]))
    write("lyrics_answer", "unclosed", b"<strArtist>a</strArtist><strLyric>[00:01.00]x")


def bitmap():
    write("bitmap", "rgb24_2x2", bmp(2, 2, 24, b"\0\0\xff\0\xff\0\0\0" * 2))
    write("bitmap", "pal8_3x1", bmp(3, 1, 8, b"\0\1\1\0", palette=b"\0\0\0\0\xff\xff\xff\0"))
    write("bitmap", "mono_9x2", bmp(9, 2, 1, b"\xff\x80\0\0\x55\0\0\0", palette=b"\0\0\0\0\xff\xff\xff\0"))
    write("bitmap", "argb32_1x1", bmp(1, 1, 32, b"\x10\x20\x30\x40"))
    write("bitmap", "rle8", bmp(4, 1, 8, b"\x04\x01\x00\x01", palette=bytes(8), compression=1))
    write("bitmap", "top_down", bmp(1, -1, 24, b"\0\0\xff\0"))


def image():
    write("image", "red.png", png(3, 2))
    write("image", "red.jpg", JPEG)
    write("image", "dot.gif", GIF)
    write("image", "rgb.bmp", bmp(2, 2, 24, b"\0\0\xff\0\xff\0\0\0" * 2))
    # An icon holding a 1x1 32-bit DIB (height doubled for the mask).
    dib = struct.pack("<IiiHHIIiiII", 40, 1, 2, 1, 32, 0, 8, 0, 0, 0, 0) + b"\0\0\xff\xff" + bytes(4)
    write("image", "dot.ico", struct.pack("<HHH", 0, 1, 1) +
          struct.pack("<BBBBHHII", 1, 1, 0, 0, 1, 32, len(dib), 22) + dib)
    write("image", "cut.jpg", JPEG[:-20])


for make in (mp3_header, id3, lrc, ini, lyrics_answer, bitmap, image):
    make()
