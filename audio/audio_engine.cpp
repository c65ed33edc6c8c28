#include "audio/audio_engine.h"

#include "audio/id3_tags.h"
#include "audio/mp3_info.h"
#include "base/ui_host.h"

#include <QFile>
#include <QFileInfo>

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <mpg123.h>

#include <cstring>

namespace lumek {

namespace {

enum : int {
    kOk = 0,
    kErrNotCreated = 1,
    kErrNoOutput = 2,
    kErrUnreadable = 3,
    kErrDecoder = 4,
    kErrNoStream = 5,
    kErrDevice = 6,
};

// Samples per channel of one device buffer: about 23 ms at 44.1 kHz, the step in which the
// position moves.
constexpr Uint16 kDeviceSamples = 1024;

// The file as the decoder sees it: starting where the MPEG audio starts, so that the decoder
// never hunts through leading junk byte by byte.
struct Source {
    QFile file;
    int64_t base = 0;
};

mpg123_ssize_t SourceRead(void* handle, void* buffer, size_t bytes) {
    auto* source = static_cast<Source*>(handle);
    return source->file.read(static_cast<char*>(buffer), static_cast<qint64>(bytes));
}

off_t SourceSeek(void* handle, off_t offset, int whence) {
    auto* source = static_cast<Source*>(handle);
    int64_t target = offset;
    if (whence == SEEK_SET) {
        target += source->base;
    } else if (whence == SEEK_CUR) {
        target += source->file.pos();
    } else if (whence == SEEK_END) {
        target += source->file.size();
    } else {
        return -1;
    }
    if (target < source->base || !source->file.seek(target)) {
        return -1;
    }
    return static_cast<off_t>(target - source->base);
}

// An mpg123 handle decoding 16-bit samples at the file's own rate.
struct Decoder {
    Source source;
    mpg123_handle* handle = nullptr;
    long rate = 0;
    int channels = 0;

    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() {
        if (handle != nullptr) {
            mpg123_delete(handle);
        }
    }
};

int OpenDecoder(const QString& path, std::unique_ptr<Decoder>& decoder) {
    auto opened = std::make_unique<Decoder>();
    if (!QFileInfo(path).isFile()) {
        return kErrUnreadable;
    }
    opened->source.file.setFileName(path);
    if (!opened->source.file.open(QIODevice::ReadOnly)) {
        return kErrUnreadable;
    }
    const int64_t tagEnd = Id3v2Size(opened->source.file, 0);
    opened->source.base = FindAudioStream(opened->source.file, tagEnd).value_or(tagEnd);
    if (!opened->source.file.seek(opened->source.base)) {
        return kErrUnreadable;
    }

    int error = MPG123_OK;
    opened->handle = mpg123_new(nullptr, &error);
    if (opened->handle == nullptr) {
        return kErrDecoder;
    }
    mpg123_handle* handle = opened->handle;
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    mpg123_format_none(handle);
    for (size_t i = 0; i < rateCount; ++i) {
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    int encoding = 0;
    if (mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) != MPG123_OK ||
        mpg123_replace_reader_handle(handle, SourceRead, SourceSeek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, &opened->source) != MPG123_OK ||
        mpg123_getformat(handle, &opened->rate, &opened->channels, &encoding) != MPG123_OK ||
        opened->rate <= 0 || opened->channels <= 0) {
        return kErrDecoder;
    }
    decoder = std::move(opened);
    return kOk;
}

// Hexadecimal digits that read as the decimal version: 2.0.14 is 0x20014.
uint32_t VersionCode(int major, int minor, int patch) {
    const auto bcd = [](int value) {
        value = std::clamp(value, 0, 99);
        return static_cast<uint32_t>(value / 10 * 16 + value % 10);
    };
    return (static_cast<uint32_t>(std::clamp(major, 0, 0xFF)) << 16) | (bcd(minor) << 8) |
           bcd(patch);
}

// SDL's audio output is process-wide; engines share it and the last one to close stops it.
int outputUsers = 0;

// Whether the current driver can open a playback device.
bool DeviceOpens() {
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kDeviceSamples;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        return false;
    }
    SDL_CloseAudioDevice(device);
    return true;
}

}  // namespace

struct AudioEngine::Stream {
    std::unique_ptr<Decoder> decoder;
    SDL_AudioDeviceID device = 0;
    int frameBytes = 0;
    // Touched by the callback: only under the device lock.
    OutputClock clock;
    Uint64 fillTicks = 0;  // performance counter at the last fill
    bool decoderDone = false;
    // Caller's thread only.
    bool started = false;
    bool paused = false;

    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    // Closing the device waits for the callback, so the decoder outlives its last use.
    ~Stream() {
        if (device != 0) {
            SDL_CloseAudioDevice(device);
        }
    }

    // Under the device lock.
    int64_t heardNow() const {
        const Uint64 ticks = SDL_GetPerformanceCounter() - fillTicks;
        const auto elapsed =
            static_cast<int64_t>(static_cast<double>(ticks) * static_cast<double>(decoder->rate) /
                                 static_cast<double>(SDL_GetPerformanceFrequency()));
        return clock.heard(elapsed);
    }

    // SDL's callback thread, with the device locked.
    static void Fill(void* userData, Uint8* out, int length) {
        auto* stream = static_cast<Stream*>(userData);
        const auto wanted = static_cast<size_t>(length);
        size_t filled = 0;
        while (filled < wanted && !stream->decoderDone) {
            size_t done = 0;
            const int result =
                mpg123_read(stream->decoder->handle, out + filled, wanted - filled, &done);
            filled += done;
            if (result == MPG123_NEW_FORMAT) {
                continue;
            }
            if (result != MPG123_OK || done == 0) {
                stream->decoderDone = true;
            }
        }
        std::memset(out + filled, 0, wanted - filled);
        OutputClock& clock = stream->clock;
        stream->fillTicks = SDL_GetPerformanceCounter();
        clock.lastFillStart = clock.handed;
        clock.handed += static_cast<int64_t>(filled) / stream->frameBytes;
        clock.filled = true;
        if (filled == 0 && stream->decoderDone) {
            clock.ended = true;
        }
    }
};

int64_t OutputClock::heard(int64_t elapsed) const {
    if (ended) {
        return handed;
    }
    if (!filled) {
        return floor;
    }
    const int64_t sounding = std::min(lastFillStart + elapsed, handed) - latency;
    return std::max(sounding, floor);
}

AudioEngine::AudioEngine() = default;

AudioEngine::~AudioEngine() {
    close();
    release();
}

int AudioEngine::create() {
    // Only libmpg123 versions before 1.27 need the library set up; later ones ignore this.
    if (mpg123_init() != MPG123_OK) {
        return kErrDecoder;
    }
    created_ = true;
    return kOk;
}

int AudioEngine::getVersion(uint32_t& version) const {
    SDL_version linked{};
    SDL_GetVersion(&linked);
    version = VersionCode(linked.major, linked.minor, linked.patch);
    return kOk;
}

int AudioEngine::init() {
    if (!created_) {
        return kErrNotCreated;
    }
    if (outputOpen_) {
        return kOk;
    }
    if (outputUsers > 0) {
        ++outputUsers;
        outputOpen_ = true;
        return kOk;
    }
    // SDL never falls back to its dummy driver by itself: servers and test machines have no
    // sound device, and a driver that loads may still fail to open one.
    if (SDL_AudioInit(nullptr) == 0) {
        if (DeviceOpens()) {
            ++outputUsers;
            outputOpen_ = true;
            return kOk;
        }
        SDL_AudioQuit();
    }
    if (SDL_AudioInit("dummy") == 0) {
        ++outputUsers;
        outputOpen_ = true;
        return kOk;
    }
    return kErrNoOutput;
}

QString AudioEngine::driverName() const {
    const char* name = outputOpen_ ? SDL_GetCurrentAudioDriver() : nullptr;
    return name != nullptr ? QString::fromUtf8(name) : QString();
}

int AudioEngine::measureLength(const QString& path, uint32_t& lengthMs) {
    lengthMs = 0;
    if (!created_) {
        return kErrNotCreated;
    }
    std::unique_ptr<Decoder> decoder;
    if (const int result = OpenDecoder(path, decoder); result != kOk) {
        return result;
    }
    if (mpg123_scan(decoder->handle) != MPG123_OK) {
        return kErrDecoder;
    }
    const off_t samples = mpg123_length(decoder->handle);
    if (samples < 0) {
        return kErrDecoder;
    }
    const int64_t ms = static_cast<int64_t>(samples) * 1000 / decoder->rate;
    lengthMs = static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
    return kOk;
}

int AudioEngine::createStream(const QString& path) {
    releaseStream();
    if (!outputOpen_) {
        return kErrNoOutput;
    }
    auto stream = std::make_unique<Stream>();
    if (const int result = OpenDecoder(path, stream->decoder); result != kOk) {
        return result;
    }
    stream->frameBytes = 2 * stream->decoder->channels;

    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(stream->decoder->rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(stream->decoder->channels);
    wanted.samples = kDeviceSamples;
    wanted.callback = &Stream::Fill;
    wanted.userdata = stream.get();
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes.
    stream->device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (stream->device == 0) {
        return kErrDevice;
    }
    // A sound card plays the buffer queued before the one just filled; the dummy driver
    // consumes each buffer in real time right after its fill. Latencies inside the sound server
    // are not known to SDL 2 and are not counted.
    const bool silent = driverName() == u"dummy";
    stream->clock.latency = silent ? 0 : obtained.samples;
    stream_ = std::move(stream);
    return kOk;
}

int AudioEngine::play() {
    if (!stream_) {
        return kErrNoStream;
    }
    stream_->started = true;
    stream_->paused = false;
    SDL_PauseAudioDevice(stream_->device, 0);
    return kOk;
}

int AudioEngine::setPosition(uint32_t ms) {
    if (!stream_) {
        return kErrNoStream;
    }
    const int64_t frame = int64_t{ms} * stream_->decoder->rate / 1000;
    SDL_LockAudioDevice(stream_->device);
    const off_t reached =
        mpg123_seek(stream_->decoder->handle, static_cast<off_t>(frame), SEEK_SET);
    OutputClock& clock = stream_->clock;
    clock.handed = reached >= 0 ? static_cast<int64_t>(reached) : frame;
    clock.floor = clock.handed;
    clock.filled = false;
    clock.ended = false;
    stream_->decoderDone = reached < 0;
    SDL_UnlockAudioDevice(stream_->device);
    return kOk;
}

int AudioEngine::getPosition(uint32_t& ms) const {
    ms = 0;
    if (!stream_) {
        return kErrNoStream;
    }
    SDL_LockAudioDevice(stream_->device);
    const int64_t frames = stream_->heardNow();
    SDL_UnlockAudioDevice(stream_->device);
    ms = static_cast<uint32_t>(
        std::min<int64_t>(frames * 1000 / stream_->decoder->rate, UINT32_MAX));
    return kOk;
}

int AudioEngine::isPlaying(bool& playing) const {
    playing = false;
    if (!stream_) {
        return kErrNoStream;
    }
    SDL_LockAudioDevice(stream_->device);
    const bool ended = stream_->clock.ended;
    SDL_UnlockAudioDevice(stream_->device);
    playing = stream_->started && !stream_->paused && !ended;
    return kOk;
}

int AudioEngine::setPaused(bool paused) {
    if (!stream_) {
        return kErrNoStream;
    }
    stream_->paused = paused;
    SDL_PauseAudioDevice(stream_->device, paused ? 1 : 0);
    if (paused) {
        // The position holds where the pause caught it until buffers flow again.
        SDL_LockAudioDevice(stream_->device);
        stream_->clock.floor = stream_->heardNow();
        stream_->clock.filled = false;
        SDL_UnlockAudioDevice(stream_->device);
    }
    return kOk;
}

void AudioEngine::releaseStream() {
    stream_.reset();
}

void AudioEngine::close() {
    releaseStream();
    if (outputOpen_) {
        outputOpen_ = false;
        if (--outputUsers == 0) {
            SDL_AudioQuit();
        }
    }
}

void AudioEngine::release() {
    created_ = false;
}

bool IsPreviewPlaying(const AudioEngine& engine) {
    bool playing = false;
    return engine.hasStream() && engine.isPlaying(playing) == 0 && playing;
}

void PausePreview(AudioEngine& engine) {
    if (IsPreviewPlaying(engine)) {
        engine.setPaused(true);
    }
}

bool CheckAudioResult(int result, UiHost& host) {
    if (result == 0) {
        return true;
    }
    host.message(kAppTitle, QStringLiteral("오디오 라이브러리를 초기화할 수 없기 때문에\r\n"
                                           "프로그램을 종료합니다."));
    return false;
}

bool CheckAudioVersion(uint32_t version, UiHost& host, uint32_t required) {
    if (version >= required) {
        return true;
    }
    host.message(kAppTitle, QStringLiteral("에러! 오디오 라이브러리의 버전이 구버전입니다. \r\n"
                                           "현재버전 : %1. \r\n필요버전 : %2")
                                .arg(QString::number(version, 16).toUpper(),
                                     QString::number(required, 16).toUpper()));
    return false;
}

bool StartAudioEngine(AudioEngine& engine, UiHost& host) {
    if (!CheckAudioResult(engine.create(), host)) {
        return false;
    }
    uint32_t version = 0;
    if (!CheckAudioResult(engine.getVersion(version), host) || !CheckAudioVersion(version, host)) {
        return false;
    }
    return CheckAudioResult(engine.init(), host);
}

}  // namespace lumek
