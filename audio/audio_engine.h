#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace lumek {

class UiHost;

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
    // Milliseconds of audio handed to the sound device since the start.
    int getPosition(uint32_t& ms) const;
    // True while the stream plays: started, not paused and not at its end.
    int isPlaying(bool& playing) const;
    // A paused stream stays where it is; play() resumes it.
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
