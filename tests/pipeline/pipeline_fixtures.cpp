#include "pipeline/pipeline_fixtures.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace lumek::testing {

BitmapData TestFrame(int width, int height, int k) {
    Picture picture(width, height);
    const PixelView view = picture.view();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto green = static_cast<uint32_t>((255 * x) / std::max(1, width - 1));
            const auto blue = static_cast<uint32_t>((255 * y) / std::max(1, height - 1));
            view.at(x, y) = 0xFF000000u | ((40u * k) & 0xFF) << 16 | green << 8 | blue;
        }
    }
    BitmapData frame;
    frame.CreateFromPicture(picture);
    return frame;
}

std::span<const uint8_t> InfoOf(const BitmapData& frame) {
    return {frame.PointerToBitmapInfo(), static_cast<size_t>(frame.SizeBitmapInfo())};
}

std::span<const uint8_t> BitsOf(const BitmapData& frame) {
    return {frame.PointerToBits(), static_cast<size_t>(frame.SizeImage())};
}

AviStatus WriteTestAvi(const QString& path, int width, int height, int count,
                       const AviStreamOptions& options) {
    AviWriter writer;
    AviStatus status = writer.open(path);
    if (status == AviStatus::Ok) {
        status = writer.createStream(InfoOf(TestFrame(width, height, 1)), options);
    }
    for (int k = 1; k <= count && status == AviStatus::Ok; ++k) {
        status = writer.writeFrame(k, BitsOf(TestFrame(width, height, k)));
    }
    const AviStatus closed = writer.close();
    return status != AviStatus::Ok ? status : closed;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ToolRun RunTool(const QString& program, const QStringList& arguments) {
    ToolRun run;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    return run;
}

void ExpectMatchesReference(const QString& actual, const QString& referenceName) {
    const QString path = QStringLiteral(LUMEK_TEST_SOURCE_DIR "/pipeline/data/") + referenceName;
    if (qEnvironmentVariableIntValue("LUMEK_UPDATE_REFERENCES") == 1) {
        ASSERT_TRUE(WriteFile(path, actual.toUtf8()));
        return;
    }
    const QString expected = QString::fromUtf8(ReadFile(path));
    ASSERT_FALSE(expected.isEmpty()) << "missing reference " << path.toStdString();
    EXPECT_TRUE(actual == expected) << "differs from " << path.toStdString() << "\n--- expected\n"
                                    << expected.toStdString() << "--- actual\n"
                                    << actual.toStdString();
}

}  // namespace lumek::testing
