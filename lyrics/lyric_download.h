#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace lumek {

class UiHost;

// The lyrics service's SOAP endpoint, unless the settings or the command line name another.
inline const QString kDefaultLyricsUrl =
    QStringLiteral("http://lyrics.alsong.co.kr/alsongwebservice/service1.asmx");

// The service knows a song by the MD5 of this many bytes from its first frame header on.
inline constexpr qint64 kChecksumBytes = 163840;

// A larger answer is not a lyric answer; it is dropped as if none had come.
inline constexpr qint64 kMaxAnswerBytes = 4 * 1024 * 1024;

// The MD5 of kChecksumBytes bytes of the file from firstFrame on, as 32 lowercase hexadecimal
// digits. The empty text when firstFrame is nothing (the song is not a valid MP3), the file
// can't be opened, or fewer bytes follow the first frame.
QString LyricChecksum(const QString& path, std::optional<int64_t> firstFrame);

// Where and how the request goes.
struct LyricService {
    // The empty text stands for kDefaultLyricsUrl (a settings file of an older build has none).
    QString url = kDefaultLyricsUrl;
    // Only tests lower these, to keep a silent server from taking 10 x 2 s.
    int attempts = 10;
    // Each of resolving, connecting, sending and receiving, in ms.
    int timeoutMs = 2000;
};

// The SOAP 1.2 GetLyric5 request for a checksum, one line of UTF-8; an empty checksum gives an
// empty element.
QByteArray LyricRequestBody(const QString& checksum);

// One POST of the body to the service with the request's headers, waiting at most the service's
// time-outs; the answer decoded by the charset its Content-Type declares (UTF-8 when none).
// Nothing when the request fails in any way: no connection, a time-out, a garbled reply, an
// answer larger than kMaxAnswerBytes, a URL that is not http or https.
std::optional<QString> PostLyricRequest(const LyricService& service, const QByteArray& body);

// The text between the first "<name>" and the first "</name>" of the answer, still escaped.
// Nothing when either tag is missing, the closing one comes first, or the text is blank.
std::optional<QString> AnswerField(const QString& answer, QStringView name);

// "&lt;" to "<", then "&gt;" to ">", then "&amp;" to "&" (so "&amp;lt;" gives "&lt;").
QString UnescapeMarkup(QString text);

// The lyric file text an answer gives: the "[ar:", "[ti:", "[al:" header lines of the fields
// present, then the lyric's "<br>"-separated lines re-timed to 0..lengthTenths (RetimeLyrics).
// The empty text when the answer holds none of the four fields.
QString LyricsFromAnswer(const QString& answer, int lengthTenths, UiHost& host);

// The file written when the service has no lyrics, so that the song isn't asked for again.
QString PlaceholderLyrics(const QString& mp3Path);

struct LyricDownload {
    bool answered = false;     // an attempt gave a non-blank answer
    bool placeholder = false;  // no header or lyric came: the placeholder was used
    bool written = false;      // the lyric file was written
    QString problem;           // why it was not (SystemReason, kNotRegularFile)
};

// Asks the service for the song's lyrics (up to service.attempts tries, stopping at the first
// non-blank answer) and writes LyricPathFor(mp3Path): the re-timed lyrics, or the placeholder.
// firstFrame is nothing for a song that is not a valid MP3, which is asked for with an empty
// checksum. Shows the download on the status line and pumps the host between the steps.
LyricDownload DownloadLyrics(const QString& mp3Path, int lengthTenths,
                             std::optional<int64_t> firstFrame, UiHost& host,
                             const LyricService& service = {});

}  // namespace lumek
