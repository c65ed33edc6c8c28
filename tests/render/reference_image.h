#pragma once

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace lumek::testing {

// Compares a rendered picture with the reference PNG tests/render/data/<name>. Antialiased text
// differs slightly between font builds, so a channel may differ by up to `tolerance`, and up to
// `allowedFraction` of the pixels may differ by more. On failure the actual picture, the
// reference and their difference (x8) are written side by side to a PNG whose path the failure
// names. With LUMEK_UPDATE_REFERENCES=1 in the environment the reference is rewritten instead.
::testing::AssertionResult MatchesReference(const QImage& actual, const QString& name,
                                            int tolerance, double allowedFraction);

}  // namespace lumek::testing
