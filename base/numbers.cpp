#include "base/numbers.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumek {

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

constexpr double kMinInt = std::numeric_limits<int32_t>::min();
constexpr double kMaxInt = std::numeric_limits<int32_t>::max();

}  // namespace

double LeadingNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

int32_t RoundHalfEven(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    // nearbyint honours the default rounding mode, which rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded <= kMinInt) {
        return std::numeric_limits<int32_t>::min();
    }
    if (rounded >= kMaxInt) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(rounded);
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::optional<int32_t> WholeNumber(QStringView text) {
    const double rounded = std::nearbyint(LeadingNumber(text));
    if (rounded < kMinInt || rounded > kMaxInt) {
        return std::nullopt;
    }
    return static_cast<int32_t>(rounded);
}

int32_t ToInt(QStringView text) {
    return RoundHalfEven(LeadingNumber(text));
}

int32_t LengthInTenths(double durationSeconds) {
    if (!(durationSeconds > 0)) {
        return 0;
    }
    // Whole ten-thousandths of a second, then whole tenths rounded down.
    const double units = std::round(durationSeconds * 10000.0);
    return static_cast<int32_t>(std::min(std::floor(units / 1000.0), 2147483647.0));
}

std::optional<int32_t> StrictWholeNumber(QStringView text) {
    bool ok = false;
    const int value = text.trimmed().toString().toInt(&ok);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

}  // namespace lumek
