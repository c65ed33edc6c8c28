#include "audio/audio_fixtures.h"

#include "base/paths.h"
#include "base/text_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace lumek::testing {

QStringList Words(const char* line) {
    return QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts);
}

QString TempPath(const QString& name) {
    static QTemporaryDir folder;
    return folder.filePath(name);
}

bool HaveFfmpeg() {
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QString FfmpegMp3(const QString& name, const QStringList& encodeArgs, double seconds) {
    static QMap<QString, QString> made;
    if (!made.contains(name)) {
        const QString path = TempPath(name);
        QProcess ffmpeg;
        ffmpeg.start(
            QStringLiteral("ffmpeg"),
            Words("-nostdin -v error -y -f lavfi -i")
                << QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds)
                << encodeArgs << path);
        const bool ok = ffmpeg.waitForFinished(60000) &&
                        ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
        made.insert(name, ok ? path : QString());
    }
    return made.value(name);
}

QString CbrMp3() {
    return FfmpegMp3(QStringLiteral("cbr128.mp3"),
                     Words("-ac 2 -c:a libmp3lame -b:a 128k -write_xing 0"));
}

QString SongIn(const QString& folder, const QString& name, double seconds,
               const QStringList& lyrics) {
    const QString made = FfmpegMp3(QStringLiteral("sine_%1.mp3").arg(seconds),
                                   Words("-ac 2 -c:a libmp3lame -b:a 128k"), seconds);
    const QString target = QDir(folder).filePath(name);
    QFile::remove(target);
    if (made.isEmpty() || !QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(made, target)) {
        ADD_FAILURE() << "can't make " << name.toStdString();
        return {};
    }
    if (!lyrics.isEmpty()) {
        const QStringList header = {"[ar:Lumek]", "[ti:" + name + "]", "[al:Tests]"};
        EXPECT_TRUE(WriteTextFile(LyricPathFor(target), (header + lyrics).join("\r\n")));
    }
    return target;
}

QString WriteTempFile(const QString& name, const QByteArray& bytes) {
    const QString path = TempPath(name);
    QFile file(path);
    const bool ok =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    return ok ? path : QString();
}

QByteArray Syncsafe(uint32_t value) {
    return BigEndian((value & 0x7F) | (value << 1 & 0x7F00) | (value << 2 & 0x7F0000) |
                     (value << 3 & 0x7F000000));
}

QByteArray BigEndian(uint32_t value, int bytes) {
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) {
        out[i] = static_cast<char>(value & 0xFF);
    }
    return out;
}

QByteArray Id3v2Tag(int version, uint8_t flags, const QByteArray& body) {
    return QByteArray("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           Syncsafe(static_cast<uint32_t>(body.size())) + body;
}

QByteArray Id3Frame(int version, const char* id, const QByteArray& data, uint16_t flags) {
    const auto size = static_cast<uint32_t>(data.size());
    return QByteArray(id) + (version == 4 ? Syncsafe(size) : BigEndian(size)) +
           BigEndian(flags, 2) + data;
}

QByteArray MpegFrame(uint8_t b1, uint8_t b2, uint8_t b3, int length) {
    return QByteArray(1, '\xFF') + static_cast<char>(b1) + static_cast<char>(b2) +
           static_cast<char>(b3) + Filler(length - 4);
}

QByteArray Id3v1Tag(char byte125, char byte126) {
    return QByteArray("TAG") + QByteArray(122, ' ') + byte125 + byte126 + '\x0C';
}

QByteArray Filler(qsizetype count, uint32_t seed) {
    std::mt19937 random(seed);
    QByteArray bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() % 0xFF);
    }
    return bytes;
}

QByteArray Unsynchronise(const QByteArray& bytes) {
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (static_cast<uint8_t>(bytes[i]) == 0xFF &&
            (i + 1 == bytes.size() || bytes[i + 1] == 0 ||
             static_cast<uint8_t>(bytes[i + 1]) >= 0xE0)) {
            out.append('\0');
        }
    }
    return out;
}

QByteArray PictureBytes(const char* format, int width, int height, uint32_t rgb) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

}  // namespace lumek::testing
