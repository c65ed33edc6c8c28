#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace lumek {

class UiHost;

// Where the sound is, from the output device's clock. Counts are frames of the stream's own
// rate. The callback fills one device buffer at a time; the first frame of a buffer sounds
// `latency` frames after its fill (one buffer still queued ahead of it on a sound card, none on
// the silent dummy driver, which plays each buffer out in real time right after its fill).
struct OutputClock {
    int64_t handed = 0;         // frames handed to the device so far (from a seek's target)
    int64_t lastFillStart = 0;  // the first frame of the buffer filled last
    bool filled = false;        // a buffer was filled since the last seek or pause
    int64_t floor = 0;          // shown no earlier than this: a seek target or a pause point
    int64_t latency = 0;        // frames from a fill until its first frame sounds
    bool ended = false;         // the song has run out: everything handed has sounded

    // The frame sounding `elapsed` frames of time after the last fill: moves on smoothly
    // between fills, never past what the device was handed, never before the floor.
    int64_t heard(int64_t elapsed) const;
};

// The audio engine: libmpg123 measures and decodes MP3 files, SDL plays them. One engine,
// one preview stream at a time. Every call answers 0 for success and a non-zero code
// otherwise. Calls are made from one thread; playback runs on SDL's callback thread.
class AudioEngine {
public:
    // Versions are written as hexadecimal digits that read as the decimal release number:
    // SDL 2.26.5 is 0x22605.
    static constexpr uint32_t kRequiredVersion = 0x20014;  // SDL 2.0.14

    AudioEngine();
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Sets the decoder up; enough for measureLength.
    int create();
    // The version of the SDL library in use.
    int getVersion(uint32_t& version) const;
    // Starts audio output: SDL's usual drivers, or its "dummy" driver (silent, but paced like a
    // sound card) when none of them can open a device. Needs create().
    int init();
    // The SDL audio driver in use, empty before init().
    QString driverName() const;

    // The play length of an MP3 file in milliseconds, rounded down: every frame read, the
    // encoder's delay and padding removed when the file's encoder header gives them. Leading
    // bytes that are not MPEG audio are skipped quickly, however many there are.
    int measureLength(const QString& path, uint32_t& lengthMs);

    // Opens the preview stream of a file, paused at its start; releases the previous one.
    int createStream(const QString& path);
    bool hasStream() const { return stream_ != nullptr; }
    int play();
    // Milliseconds from the start; a position past the end ends the playback.
    int setPosition(uint32_t ms);
    // Milliseconds from the start of what sounds now: the device clock with the output latency
    // taken off (see OutputClock). Right after a seek it reads the seek's target.
    int getPosition(uint32_t& ms) const;
    // True while the stream plays: started, not paused and not at its end.
    int isPlaying(bool& playing) const;
    // A paused stream stays where it is (its position holds); play() resumes it.
    int setPaused(bool paused);
    void releaseStream();

    // Stops audio output (releases the stream).
    void close();
    // Forgets the decoder setup; create() starts again.
    void release();

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    bool created_ = false;
    bool outputOpen_ = false;
};

// Whether the preview sound exists and plays.
bool IsPreviewPlaying(const AudioEngine& engine);
// Pauses the preview only when it plays.
void PausePreview(AudioEngine& engine);

// The start-up check of an engine call: true for 0; otherwise tells the user that the program
// ends (the caller then closes the window).
bool CheckAudioResult(int result, UiHost& host);
// True when the version is at least the required one; otherwise tells the user which version
// was found and which is needed (the caller then closes the window).
bool CheckAudioVersion(uint32_t version, UiHost& host,
                       uint32_t required = AudioEngine::kRequiredVersion);
// Start-up of the engine: create, version query, version test and init, each checked as
// above. True when the engine is ready (AudioReady); false after the user was told why not.
bool StartAudioEngine(AudioEngine& engine, UiHost& host);

}  // namespace lumek
