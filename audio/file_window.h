#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <cstdint>

namespace lumek {

// Buffered random reads of an open file, for parsers that look at a few bytes at many nearby
// offsets: one read per chunk instead of one per look.
class FileWindow {
public:
    explicit FileWindow(QFile& file, qsizetype chunkBytes = 64 * 1024)
        : file_(file), chunkBytes_(chunkBytes), size_(file.size()) {}

    int64_t size() const { return size_; }

    // Up to count bytes at offset; fewer at the end of the file, none past it. The view stays
    // valid until the next call.
    QByteArrayView at(int64_t offset, qsizetype count) {
        if (offset < 0 || offset >= size_ || count <= 0) {
            return {};
        }
        const int64_t end = std::min<int64_t>(offset + count, size_);
        if (offset < start_ || end > start_ + buffer_.size()) {
            start_ = offset;
            buffer_.clear();
            if (file_.seek(offset)) {
                buffer_ = file_.read(std::max(count, chunkBytes_));
            }
        }
        const qsizetype from = static_cast<qsizetype>(offset - start_);
        return QByteArrayView(buffer_).sliced(
            from, std::min<qsizetype>(static_cast<qsizetype>(end - offset), buffer_.size() - from));
    }

    // Exactly count bytes at offset, zero-filled where the file ends (an unchecked fixed-size
    // read of a record).
    QByteArray record(int64_t offset, qsizetype count) {
        QByteArray bytes = at(offset, count).toByteArray();
        bytes.resize(count, '\0');
        return bytes;
    }

private:
    QFile& file_;
    qsizetype chunkBytes_;
    int64_t size_;
    int64_t start_ = 0;
    QByteArray buffer_;
};

}  // namespace lumek
