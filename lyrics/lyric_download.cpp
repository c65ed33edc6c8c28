#include "lyrics/lyric_download.h"

#include "base/codepage.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/ui_host.h"
#include "lyrics/retime.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <curl/curl.h>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

namespace lumek {

namespace {

using Clock = std::chrono::steady_clock;

const QString kLineBreak = QStringLiteral("\r\n");
// How often the transfer loop looks at the clock while it waits for the socket, ms.
constexpr int kPollMs = 20;

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What the callbacks of one transfer share with its loop.
struct Transfer {
    QByteArray answer;
    bool connected = false;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t sent = 0;
    curl_off_t received = 0;

    void active() { lastActivity = Clock::now(); }
};

size_t ReceiveBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (static_cast<qint64>(bytes) > kMaxAnswerBytes - transfer->answer.size()) {
        return 0;  // a short count makes curl fail the transfer
    }
    transfer->answer.append(data, static_cast<qsizetype>(bytes));
    transfer->active();
    return bytes;
}

size_t ReceiveHeader(char*, size_t size, size_t count, void* user) {
    static_cast<Transfer*>(user)->active();
    return size * count;
}

// Called once the connection stands, before the request goes out.
int Connected(void* user, char*, char*, int, int) {
    auto* transfer = static_cast<Transfer*>(user);
    transfer->connected = true;
    transfer->active();
    return CURL_PREREQFUNC_OK;
}

int Progress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    auto* transfer = static_cast<Transfer*>(user);
    if (sent != transfer->sent || received != transfer->received) {
        transfer->sent = sent;
        transfer->received = received;
        transfer->active();
    }
    return 0;
}

bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// "lyrics.example.com", or "127.0.0.1:8080" when the URL names a port.
QString HostHeaderOf(const QUrl& url) {
    QString host = url.host(QUrl::FullyEncoded);
    if (host.contains(u':')) {
        host = u'[' + host + u']';  // IPv6
    }
    return url.port() >= 0 ? host + u':' + QString::number(url.port()) : host;
}

QString CharsetOf(const QByteArray& contentType) {
    for (const QByteArray& parameter : contentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("charset=")) {
            QByteArray name = trimmed.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"')) {
                name = name.mid(1, name.size() - 2);
            }
            return QString::fromLatin1(name).toLower();
        }
    }
    return {};
}

QString DecodeAnswer(const QByteArray& bytes, const QByteArray& contentType) {
    const QString charset = CharsetOf(contentType);
    if (charset == u"euc-kr" || charset == u"cp949" || charset == u"ks_c_5601-1987" ||
        charset == u"windows-949" || charset == u"x-windows-949" || charset == u"uhc") {
        return DecodeCp949(bytes);
    }
    QString text;
    if (!charset.isEmpty() && charset != u"utf-8" && charset != u"utf8") {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid()) {
            text = decoder.decode(bytes);
        }
    }
    if (text.isNull()) {
        text = DecodeUtf8(bytes);
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return text;
}

// Runs the transfer to its end, or stops it once the connection stood idle longer than the
// send and receive time-outs allow. True when curl finished without an error.
bool RunTransfer(CURL* easy, Transfer& transfer, std::chrono::milliseconds idleLimit) {
    const std::unique_ptr<CURLM, CurlMultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
        return false;
    }
    bool finished = false;
    int running = 1;
    while (true) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            break;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
                if (message->msg == CURLMSG_DONE) {
                    finished = message->data.result == CURLE_OK;
                }
            }
            break;
        }
        if (transfer.connected && Clock::now() - transfer.lastActivity > idleLimit) {
            break;
        }
        if (curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr) != CURLM_OK) {
            break;
        }
    }
    curl_multi_remove_handle(multi.get(), easy);
    return finished;
}

}  // namespace

QString LyricChecksum(const QString& path, std::optional<int64_t> firstFrame) {
    if (!firstFrame || *firstFrame < 0 || !QFileInfo(path).isFile()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(*firstFrame)) {
        return {};
    }
    const QByteArray audio = file.read(kChecksumBytes);
    if (audio.size() != kChecksumBytes) {
        return {};
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestSize = 0;
    if (EVP_Digest(audio.constData(), static_cast<size_t>(audio.size()), digest, &digestSize,
                   EVP_md5(), nullptr) != 1 ||
        digestSize != 16) {
        return {};
    }
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(digestSize))
            .toHex());
}

QByteArray LyricRequestBody(const QString& checksum) {
    const QString text =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\""
            " xmlns:SOAP-ENC=\"http://www.w3.org/2003/05/soap-encoding\""
            " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
            " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
            " xmlns:ns2=\"ALSongWebServer/Service1Soap\" xmlns:ns1=\"ALSongWebServer\""
            " xmlns:ns3=\"ALSongWebServer/Service1Soap12\">"
            "<SOAP-ENV:Body><ns1:GetLyric5><ns1:stQuery><ns1:strChecksum>") +
        checksum +
        QStringLiteral(
            "</ns1:strChecksum><ns1:strVersion>2.2</ns1:strVersion>"
            "<ns1:strMACAddress>ffffffffffff</ns1:strMACAddress>"
            "<ns1:strIPAddress>255.255.255.0</ns1:strIPAddress></ns1:stQuery></ns1:GetLyric5>"
            "</SOAP-ENV:Body></SOAP-ENV:Envelope>");
    return text.toUtf8();
}

std::optional<QString> PostLyricRequest(const LyricService& service, const QByteArray& body) {
    const QString urlText = service.url.trimmed().isEmpty() ? kDefaultLyricsUrl : service.url;
    const QUrl url(urlText, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https") ||
        !CurlReady()) {
        return std::nullopt;
    }
    const std::unique_ptr<CURL, CurlEasyDeleter> easy(curl_easy_init());
    if (!easy) {
        return std::nullopt;
    }
    std::unique_ptr<curl_slist, CurlListDeleter> headers;
    const auto addHeader = [&headers](const QString& line) {
        curl_slist* list = headers.release();
        curl_slist* grown = curl_slist_append(list, line.toUtf8().constData());
        headers.reset(grown != nullptr ? grown : list);
        return grown != nullptr;
    };
    // In the service's order; curl's own Accept and Expect headers are left out.
    const bool headersMade =
        addHeader(QStringLiteral("Host: ") + HostHeaderOf(url)) &&
        addHeader(QStringLiteral("User-Agent: gSOAP/2.7")) &&
        addHeader(QStringLiteral("Content-Type: application/soap+xml; charset=utf-8")) &&
        addHeader(QStringLiteral("Connection: close")) &&
        addHeader(QStringLiteral("SOAPAction: \"ALSongWebServer/GetLyric5\"")) &&
        addHeader(QStringLiteral("Accept:")) && addHeader(QStringLiteral("Expect:"));
    if (!headersMade) {
        return std::nullopt;
    }

    const long timeoutMs = std::max(service.timeoutMs, 1);
    Transfer transfer;
    CURL* e = easy.get();
    const QByteArray urlBytes = url.toEncoded();
    curl_easy_setopt(e, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A proxy from the environment is used, but never for this machine.
    curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    // curl counts resolving and connecting against one clock: both budgets together.
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, 2 * timeoutMs);
    // Sending and receiving each stop after timeoutMs without progress (RunTransfer); this
    // bounds an answer that trickles in.
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, 4 * timeoutMs);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxAnswerBytes));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, ReceiveBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, ReceiveHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, Connected);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &transfer);

    if (!RunTransfer(e, transfer, std::chrono::milliseconds(timeoutMs))) {
        return std::nullopt;
    }
    const char* contentType = nullptr;
    curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &contentType);
    return DecodeAnswer(transfer.answer, QByteArray(contentType));
}

std::optional<QString> AnswerField(const QString& answer, QStringView name) {
    const QString open = u'<' + name.toString() + u'>';
    const QString close = QStringLiteral("</") + name.toString() + u'>';
    const qsizetype start = answer.indexOf(open);
    const qsizetype end = answer.indexOf(close);
    if (start < 0 || end < start + open.size()) {
        return std::nullopt;
    }
    QString text = answer.mid(start + open.size(), end - start - open.size());
    if (text.trimmed().isEmpty()) {
        return std::nullopt;
    }
    return text;
}

QString UnescapeMarkup(QString text) {
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QString LyricsFromAnswer(const QString& answer, int lengthTenths, UiHost& host) {
    QString out;
    if (const std::optional<QString> artist = AnswerField(answer, u"strArtist")) {
        out = QStringLiteral("[ar:") + UnescapeMarkup(*artist) + u']';
    }
    // A missing artist leaves an empty first line; a missing title or album one line less.
    if (const std::optional<QString> title = AnswerField(answer, u"strTitle")) {
        out += kLineBreak + QStringLiteral("[ti:") + UnescapeMarkup(*title) + u']';
    }
    if (const std::optional<QString> album = AnswerField(answer, u"strAlbum")) {
        out += kLineBreak + QStringLiteral("[al:") + UnescapeMarkup(*album) + u']';
    }
    if (const std::optional<QString> lyric = AnswerField(answer, u"strLyric")) {
        QString text = UnescapeMarkup(*lyric);
        text.replace(QStringLiteral("<br>"), kLineBreak);
        if (!text.trimmed().isEmpty()) {
            RetimeLyrics(out, text.split(kLineBreak), lengthTenths, host);
        }
    }
    return out;
}

QString PlaceholderLyrics(const QString& mp3Path) {
    // The title reads "no lyrics"; the file name keeps its extension.
    return QStringLiteral("[ar:") + GetFileName(mp3Path) +
           QStringLiteral("]\r\n[ti:가사가 없습니다]\r\n[al:Lumek]\r\n[00:00.00]\r\n[00:00.01]");
}

LyricDownload DownloadLyrics(const QString& mp3Path, int lengthTenths,
                             std::optional<int64_t> firstFrame, UiHost& host,
                             const LyricService& service) {
    host.status(QStringLiteral("가사 다운로드중.."));
    const QByteArray body = LyricRequestBody(LyricChecksum(mp3Path, firstFrame));

    LyricDownload result;
    QString out;
    for (int attempt = 0; attempt < service.attempts; ++attempt) {
        host.pump();
        const std::optional<QString> answer = PostLyricRequest(service, body);
        host.pump();
        if (answer && !answer->trimmed().isEmpty()) {
            result.answered = true;
            out = LyricsFromAnswer(*answer, lengthTenths, host);
            break;
        }
    }
    if (out.trimmed().isEmpty()) {
        out = PlaceholderLyrics(mp3Path);
        result.placeholder = true;
    }
    const QString lrcPath = LyricPathFor(mp3Path);
    result.written = WriteTextFile(lrcPath, out, &result.problem);
    return result;
}

}  // namespace lumek
