#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <memory>

namespace lumek {

class EncoderProcess;
class UiHost;

// The AVI stream of a build on its way to an encoder that runs while the frames are made: a
// named pipe at the AVI's path, which the encoder opens as if it were the file. Encoding then
// overlaps frame making instead of following it, and no frame touches the disk.
//
// Writes wait while the encoder is busy, pumping the host, and fail once the encoder has ended
// (its messages tell why) or has stalled (EncoderProcess::stalled).
class VideoPipe : public QIODevice {
public:
    // Makes the pipe at path, starts program with arguments (which name the pipe as the video
    // input) in encoder and waits until the program has opened the pipe. Null when any of that
    // fails, with nothing left behind: the caller then writes a file and runs the encoder after.
    static std::unique_ptr<VideoPipe> Start(const QString& path, const QString& program,
                                            const QStringList& arguments, EncoderProcess& encoder,
                                            UiHost& host, const bool& cancelRequested);
    ~VideoPipe() override;

    bool isSequential() const override { return true; }
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    VideoPipe(int fd, EncoderProcess& encoder, UiHost& host, const bool& cancelRequested);

    int fd_;
    EncoderProcess& encoder_;
    UiHost& host_;
    const bool& cancelRequested_;
};

}  // namespace lumek
