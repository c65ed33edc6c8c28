#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace lumek {

struct DerivedSettings;
struct Settings;
struct SongInfo;
class UiHost;

// The encoder program: "ffmpeg" found on PATH, or empty when there is none.
QString FindEncoder();

// The encoder's arguments: the AVI's video and the audio file become an MPEG-4 video with AAC
// sound at outputPath (its format follows from the ".mp4" name). The audio keeps the song's own
// sample rate and bitrate when "AudioOriginal" is ticked, else takes the "Audio Bitrate" entry;
// the video is scaled to ScreenWidth x ScreenHeight at quality 51 - "Video Quality" and keeps
// the AVI's frame rate. Paths are made absolute, so that none reads as an option or a protocol.
// There is no overwrite option: with an existing output file the encoder writes nothing and
// ends with an error, so callers delete old outputs first.
QStringList EncoderArguments(const QString& aviPath, const QString& audioPath,
                             const QString& outputPath, const Settings& settings,
                             const DerivedSettings& derived, const SongInfo& song);

// How long an encoder may go without progress (taking video from its pipe, growing its output
// file) before it counts as stalled and is ended, ms. After a cancel request it gets at most
// kCancelStallMs, so that a cancel always ends a stalled encoder within 3 s.
inline constexpr int kEncoderStallMs = 30000;
inline constexpr int kCancelStallMs = 2000;

struct RunResult {
    bool started = false;
    bool finished = false;   // ended on its own
    bool cancelled = false;  // terminated because a cancel came during the run
    int stalledMs = 0;       // ended after going this long without progress, else 0
    int exitCode = -1;       // of a finished run; -1 when it crashed or was ended by a signal
    int signal = 0;          // the signal that ended it, else 0
    QByteArray messages;     // the end of what the program wrote to stderr
};

// One run of the encoder, without input or window. Stderr is taken in at every poll, so a
// talkative program never blocks on it. The program runs in a process group of its own (a
// Ctrl-C on the terminal must not reach it); whatever ends it ends the whole group, so no
// helper it started is left behind.
class EncoderProcess {
public:
    EncoderProcess() = default;
    ~EncoderProcess();  // kills a program still running
    EncoderProcess(const EncoderProcess&) = delete;
    EncoderProcess& operator=(const EncoderProcess&) = delete;

    // The file whose growth counts as progress, and the time without progress after which the
    // program counts as stalled (0: never). Set before start.
    void watch(const QString& outputPath, int stallMs);
    int stallMs() const { return stallMs_; }
    // The program took video: progress.
    void tookVideo() { sinceProgress_.restart(); }
    // Whether the program has gone without progress for the stall time, or, with a cancel
    // request, for kCancelStallMs.
    bool stalled(bool cancelRequested);

    // Starts the program. A missing program, or one that can't be started, is reported in the
    // status line and gives false.
    bool start(const QString& program, const QStringList& arguments, UiHost& host);
    bool started() const { return result_.started; }
    // Whether the program has ended, without waiting.
    bool ended();
    // Waits for the end, pumping the host between polls of about 10 ms. A cancel request that
    // arrives during the wait terminates the program (killed if it has not ended 3 s later); a
    // request already set when the wait begins does not, so the frames written before a cancel
    // are still encoded. A stalled program is terminated (killed 1 s later).
    RunResult wait(UiHost& host, const bool& cancelRequested);
    // Kills the program at once, for a run whose output is not wanted; started() is false after.
    void abandon();

private:
    void takeMessages();
    void signalGroup(int signal);
    void forget(bool endedByUs);

    QProcess process_;
    RunResult result_;
    pid_t group_ = 0;  // the program's process group while it may have members
    QString watched_;
    int stallMs_ = kEncoderStallMs;
    qint64 watchedSize_ = -1;
    QElapsedTimer sinceProgress_;
};

// For a program ending on a signal (async-signal-safe) or a job out of time: kills the process
// group of the encoder that is running, if one is.
void KillRunningEncoderNow();

// Whether a file is a whole MP4 (or 3GP) file: top-level boxes that fill it exactly, an "ftyp"
// first and a "moov" (the index a player needs, written last). An encoder that was cut off or
// wrote something else fails this.
bool IsCompleteMp4(const QString& path);

// What a finished run says is wrong with its output, as one line: the program, how it ended
// (an exit code, a signal, or an output that is no whole video) and its last message line (the
// last one that mentions an error, when one does).
// Empty for a run that ended with 0 and left a whole video at outputPath.
QString EncoderProblem(const QString& program, const RunResult& run, const QString& outputPath);

// Starts the encoder and waits for it, as EncoderProcess's start and wait do.
RunResult RunAndWait(const QString& program, const QStringList& arguments, UiHost& host,
                     const bool& cancelRequested);

}  // namespace lumek
