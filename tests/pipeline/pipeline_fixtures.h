#pragma once

#include "pipeline/avi_writer.h"
#include "render/bitmap.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

namespace lumek::testing {

// A frame as the song build hands it over: the canvas as a 24-bit bitmap, here a width x height
// picture whose colours depend on k and the position, so frames differ and rows are told apart.
BitmapData TestFrame(int width, int height, int k);
std::span<const uint8_t> InfoOf(const BitmapData& frame);
std::span<const uint8_t> BitsOf(const BitmapData& frame);

// Writes frames 1..count at samples 1..count, frame k being TestFrame(k).
AviStatus WriteTestAvi(const QString& path, int width, int height, int count,
                       const AviStreamOptions& options = {});

QByteArray ReadFile(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);

struct ToolRun {
    int exitCode = -1;  // -1 when it did not run or crashed
    QByteArray out;
    QByteArray err;
};
// Runs a program to its end (at most a minute) and collects its output.
ToolRun RunTool(const QString& program, const QStringList& arguments);

// Compares a text with a reference file under tests/pipeline/data; a mismatch prints both.
// LUMEK_UPDATE_REFERENCES=1 rewrites the file instead (then review the diff).
void ExpectMatchesReference(const QString& actual, const QString& referenceName);

}  // namespace lumek::testing
