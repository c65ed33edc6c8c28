#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace lumek::testing {

// "-c:a libmp3lame" -> {"-c:a", "libmp3lame"}.
QStringList Words(const char* line);

// MP3 files made by ffmpeg from a 440 Hz sine once per test run, in a temporary folder that lives
// as long as the test program. Empty when ffmpeg is missing or fails.
QString FfmpegMp3(const QString& name, const QStringList& encodeArgs, double seconds = 1.0);
bool HaveFfmpeg();
// A 1-second 44.1 kHz stereo 128 kbit/s CBR file without Xing/Info header.
QString CbrMp3();
// A sine song of the given length (44.1 kHz stereo, 128 kbit/s) copied to `folder`/`name`
// (folders made), with a lyric file beside it when lyric lines are given. Empty, and a test
// failure, when it can't be made.
QString SongIn(const QString& folder, const QString& name, double seconds,
               const QStringList& lyrics = {});

// Writes bytes to a new file in the shared temporary folder and returns its path.
QString WriteTempFile(const QString& name, const QByteArray& bytes);
QString TempPath(const QString& name);

// Byte builders for cases the encoders can't make.
QByteArray Syncsafe(uint32_t value);
QByteArray BigEndian(uint32_t value, int bytes = 4);
// A tag header with a syncsafe body size, then the body.
QByteArray Id3v2Tag(int version, uint8_t flags, const QByteArray& body);
// A v2.3/2.4 frame: id, size (syncsafe on 2.4), flags, data.
QByteArray Id3Frame(int version, const char* id, const QByteArray& data, uint16_t flags = 0);
// An MPEG audio frame header FF b1 b2 b3 followed by filler bytes (no 0xFF) up to length.
QByteArray MpegFrame(uint8_t b1, uint8_t b2, uint8_t b3, int length);
// The 128-byte ID3v1 tag; byte 125 and 126 as given.
QByteArray Id3v1Tag(char byte125, char byte126);
// Bytes without any 0xFF, so without a frame sync.
QByteArray Filler(qsizetype count, uint32_t seed = 1);
// ID3v2 unsynchronisation: a 0x00 after every 0xFF followed by 0x00 or a byte >= 0xE0.
QByteArray Unsynchronise(const QByteArray& bytes);
// A small picture of the given size filled with one colour (0xRRGGBB), as a Qt image format.
QByteArray PictureBytes(const char* format, int width, int height, uint32_t rgb);

}  // namespace lumek::testing
