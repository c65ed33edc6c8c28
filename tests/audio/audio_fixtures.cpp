#include "audio/audio_fixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <random>

namespace lumek::testing {

namespace {

QTemporaryDir& SharedFolder() {
    static QTemporaryDir folder;
    return folder;
}

}  // namespace

QString TempPath(const QString& name) {
    return SharedFolder().filePath(name);
}

bool HaveFfmpeg() {
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QString FfmpegMp3(const QString& name, const QStringList& encodeArgs, double seconds) {
    static QMap<QString, QString> made;
    if (made.contains(name)) {
        return made.value(name);
    }
    const QString path = TempPath(name);
    QStringList args = {
        QStringLiteral("-nostdin"),
        QStringLiteral("-v"),
        QStringLiteral("error"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds)};
    args += encodeArgs;
    args.append(path);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    const bool ok = ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
                    ffmpeg.exitCode() == 0;
    made.insert(name, ok ? path : QString());
    return made.value(name);
}

QString CbrMp3() {
    return FfmpegMp3(QStringLiteral("cbr128.mp3"),
                     {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                      QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k"),
                      QStringLiteral("-write_xing"), QStringLiteral("0")});
}

QString WriteTempFile(const QString& name, const QByteArray& bytes) {
    const QString path = TempPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

QByteArray Syncsafe(uint32_t value) {
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[i] = static_cast<char>(value & 0x7F);
        value >>= 7;
    }
    return bytes;
}

QByteArray BigEndian(uint32_t value, int bytes) {
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    return out;
}

QByteArray Id3v2Tag(int version, uint8_t flags, const QByteArray& body) {
    QByteArray tag("ID3");
    tag.append(static_cast<char>(version));
    tag.append('\0');
    tag.append(static_cast<char>(flags));
    tag.append(Syncsafe(static_cast<uint32_t>(body.size())));
    return tag + body;
}

QByteArray Id3Frame(int version, const char* id, const QByteArray& data, uint16_t flags) {
    const auto size = static_cast<uint32_t>(data.size());
    return QByteArray(id) + (version == 4 ? Syncsafe(size) : BigEndian(size)) +
           BigEndian(flags, 2) + data;
}

QByteArray MpegFrame(uint8_t b1, uint8_t b2, uint8_t b3, int length) {
    QByteArray frame;
    frame.append(static_cast<char>(0xFF));
    frame.append(static_cast<char>(b1));
    frame.append(static_cast<char>(b2));
    frame.append(static_cast<char>(b3));
    return frame + Filler(length - 4);
}

QByteArray Id3v1Tag(char byte125, char byte126) {
    QByteArray tag("TAG");
    tag.append(QByteArray(122, ' '));
    tag.append(byte125);
    tag.append(byte126);
    tag.append('\x0C');
    return tag;
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
        const bool ff = static_cast<uint8_t>(bytes[i]) == 0xFF;
        const bool risky = i + 1 == bytes.size() || bytes[i + 1] == 0 ||
                           static_cast<uint8_t>(bytes[i + 1]) >= 0xE0;
        if (ff && risky) {
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
