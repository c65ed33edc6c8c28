#include "render/reference_image.h"

#include <QDir>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace lumek::testing {

namespace {

int ChannelDifference(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// Actual | reference | difference x 8, side by side.
QImage SideBySide(const QImage& actual, const QImage& expected) {
    const int w = std::max(actual.width(), expected.width());
    const int h = std::max(actual.height(), expected.height());
    QImage out(3 * w + 8, h, QImage::Format_RGB32);
    out.fill(Qt::magenta);
    QPainter painter(&out);
    painter.drawImage(0, 0, actual);
    painter.drawImage(w + 4, 0, expected);
    painter.end();
    for (int y = 0; y < std::min(actual.height(), expected.height()); ++y) {
        for (int x = 0; x < std::min(actual.width(), expected.width()); ++x) {
            const int d =
                std::min(255, 8 * ChannelDifference(actual.pixel(x, y), expected.pixel(x, y)));
            out.setPixel(2 * w + 8 + x, y, qRgb(d, d, d));
        }
    }
    return out;
}

}  // namespace

::testing::AssertionResult MatchesReference(const QImage& actualImage, const QString& name,
                                            int tolerance, double allowedFraction) {
    const QImage actual = actualImage.convertToFormat(QImage::Format_RGB32);
    const QString path = QStringLiteral(LUMEK_TEST_SOURCE_DIR "/render/data/") + name;
    if (qEnvironmentVariableIntValue("LUMEK_UPDATE_REFERENCES") == 1) {
        return actual.save(path)
                   ? ::testing::AssertionSuccess() << "reference rewritten"
                   : ::testing::AssertionFailure() << "can't write " << path.toStdString();
    }
    const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32);
    auto fail = [&](const std::string& why) {
        QDir dir(QDir::tempPath() + QStringLiteral("/lumek-test-output"));
        dir.mkpath(QStringLiteral("."));
        const QString out = dir.filePath(QStringLiteral("failed_") + name);
        SideBySide(actual, expected).save(out);
        return ::testing::AssertionFailure()
               << name.toStdString() << ": " << why
               << "; actual | reference | difference x8 written to " << out.toStdString();
    };
    if (expected.isNull()) {
        return fail("no reference picture");
    }
    if (expected.size() != actual.size()) {
        return fail("size differs");
    }
    long outside = 0;
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const int d = ChannelDifference(actual.pixel(x, y), expected.pixel(x, y));
            worst = std::max(worst, d);
            outside += d > tolerance ? 1 : 0;
        }
    }
    const double fraction =
        static_cast<double>(outside) / (static_cast<double>(actual.width()) * actual.height());
    if (fraction > allowedFraction) {
        return fail(std::to_string(outside) + " pixels differ by more than " +
                    std::to_string(tolerance) + " (largest difference " + std::to_string(worst) +
                    ")");
    }
    return ::testing::AssertionSuccess();
}

}  // namespace lumek::testing
