#include "lyrics/lyric_download.h"
#include "base/text_file.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace lumek {
namespace {

using testing::RecordingHost;

const QString kHeaders = QStringLiteral("[ar:Artist]\r\n[ti:Title]\r\n[al:Album]");
const QString kPlaceholder = QStringLiteral(
    "[ar:song.mp3]\r\n[ti:가사가 없습니다]\r\n[al:Lumek]\r\n[00:00.00]\r\n[00:00.01]");

// Fast enough that a silent server costs the suite well under a second.
LyricService LocalService(int port, int attempts = 3) {
    LyricService service;
    service.url = QStringLiteral("http://127.0.0.1:%1/alsongwebservice/service1.asmx").arg(port);
    service.attempts = attempts;
    service.timeoutMs = 150;
    return service;
}

QByteArray Http(const QByteArray& body,
                const QByteArray& type = "application/soap+xml; charset=utf-8") {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// A SOAP answer holding the given fields; fields passed as nullptr are left out.
QByteArray Answer(const char* artist, const char* title, const char* album, const char* lyric) {
    QByteArray result =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
        "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><GetLyric5Response "
        "xmlns=\"ALSongWebServer\"><GetLyric5Result><strInfoID>1</strInfoID>";
    const std::pair<const char*, const char*> fields[] = {
        {"strLyric", lyric}, {"strTitle", title}, {"strArtist", artist}, {"strAlbum", album}};
    for (const auto& [name, value] : fields) {
        if (value != nullptr) {
            result += QByteArray("<") + name + ">" + value + "</" + name + ">";
        }
    }
    return result + "</GetLyric5Result></GetLyric5Response></soap:Body></soap:Envelope>";
}

// The lyrics service on 127.0.0.1, on a plain socket so that the request's exact bytes are kept
// and the reply can be anything: HTTP, bytes that are not HTTP, or (silent) nothing at all.
class Server {
public:
    explicit Server(QByteArray reply, bool silent = false)
        : reply_(std::move(reply)), silent_(silent) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        auto* named = reinterpret_cast<sockaddr*>(&address);
        socklen_t size = sizeof(address);
        EXPECT_TRUE(bind(listener_, named, size) == 0 && listen(listener_, 16) == 0 &&
                    getsockname(listener_, named, &size) == 0)
            << "can't listen on 127.0.0.1";
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~Server() {
        stop_ = true;
        thread_.join();
        for (const int held : held_) {
            close(held);
        }
        close(listener_);
    }

    int port() const { return port_; }
    int requests() const { return requests_; }
    QByteArray lastRequest() {
        const std::lock_guard lock(mutex_);
        return lastRequest_;
    }
    void setReply(QByteArray reply) {
        const std::lock_guard lock(mutex_);
        reply_ = std::move(reply);
    }

private:
    void run() {
        while (!stop_) {
            pollfd ready{listener_, POLLIN, 0};
            const int connection =
                poll(&ready, 1, 20) > 0 ? accept(listener_, nullptr, nullptr) : -1;
            if (connection < 0) {
                continue;
            }
            ++requests_;
            if (silent_) {
                held_.push_back(connection);
                continue;
            }
            QByteArray request;
            char buffer[4096];
            pollfd incoming{connection, POLLIN, 0};
            for (ssize_t got = 0; !request.endsWith("</SOAP-ENV:Envelope>") &&
                                  poll(&incoming, 1, 2000) > 0 &&
                                  (got = recv(connection, buffer, sizeof(buffer), 0)) > 0;) {
                request.append(buffer, got);
            }
            const std::lock_guard lock(mutex_);
            lastRequest_ = request;
            qsizetype sent = 0;
            for (ssize_t n = 1; n > 0 && sent < reply_.size(); sent += n) {
                n = send(connection, reply_.constData() + sent,
                         static_cast<size_t>(reply_.size() - sent), MSG_NOSIGNAL);
            }
            close(connection);
        }
    }

    QByteArray reply_;
    const bool silent_;
    const int listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> requests_ = 0;
    std::vector<int> held_;
    std::mutex mutex_;
    QByteArray lastRequest_;
};

class LyricDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile file(song_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100, '\xAB') + QByteArray(kChecksumBytes, '\0'));
    }

    // Downloads for a 60.0 s song whose first frame is at byte 100; the lyric file written.
    QString Download(const LyricService& service) {
        QFile::remove(lrc_);
        outcome_ = DownloadLyrics(song_, 600, 100, host_, service);
        return ReadTextFile(lrc_);
    }

    QTemporaryDir dir_;
    const QString song_ = dir_.filePath(QStringLiteral("song.mp3"));
    const QString lrc_ = dir_.filePath(QStringLiteral("song.lrc"));
    RecordingHost host_;
    LyricDownload outcome_;
};

TEST_F(LyricDownloadTest, RequestIsByteExactAndABlankAnswerIsNone) {
    Server server(Http(""));
    const QString written = Download(LocalService(server.port()));

    // The checksum is what md5sum gives for 163840 zero bytes.
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:SOAP-ENC=\"http://www.w3.org/2003/05/soap-encoding\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:ns2=\"ALSongWebServer/Service1Soap\" "
        "xmlns:ns1=\"ALSongWebServer\" xmlns:ns3=\"ALSongWebServer/Service1Soap12\"><SOAP-ENV:Body>"
        "<ns1:GetLyric5><ns1:stQuery><ns1:strChecksum>6cc3d8ecd5a9967c9227be8d17b988a6"
        "</ns1:strChecksum><ns1:strVersion>2.2</ns1:strVersion><ns1:strMACAddress>ffffffffffff"
        "</ns1:strMACAddress><ns1:strIPAddress>255.255.255.0</ns1:strIPAddress></ns1:stQuery>"
        "</ns1:GetLyric5></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    const QByteArray expected =
        "POST /alsongwebservice/service1.asmx HTTP/1.1\r\nHost: 127.0.0.1:" +
        QByteArray::number(server.port()) +
        "\r\nUser-Agent: gSOAP/2.7\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
        "Connection: close\r\nSOAPAction: \"ALSongWebServer/GetLyric5\"\r\nContent-Length: " +
        QByteArray::number(body.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(QString::fromLatin1(server.lastRequest()), QString::fromLatin1(expected));
    EXPECT_TRUE(LyricRequestBody(QString()).contains("<ns1:strChecksum></ns1:strChecksum>"));

    // Every attempt is used, then the placeholder is written.
    EXPECT_EQ(server.requests(), 3);
    EXPECT_EQ(written, kPlaceholder);
    EXPECT_FALSE(outcome_.answered);
    EXPECT_TRUE(outcome_.placeholder);
    EXPECT_TRUE(outcome_.written);
    EXPECT_EQ(host_.statuses, std::vector<QString>{QStringLiteral("가사 다운로드중..")});
    EXPECT_GE(host_.pumps, 3);
}

TEST_F(LyricDownloadTest, AnswersBecomeLyricFiles) {
    const char* hello = "[00:12.34]Hello&lt;br&gt;[00:12.38]Bonjour";
    const QString joined = QStringLiteral("[00:12.34]Hello / Bonjour");
    const struct {
        const char* name;
        QByteArray answer;
        QString expected;
        QByteArray type = "application/soap+xml; charset=utf-8";
    } cases[] = {
        {"all fields; the 60.0 s song keeps 01:00.0 and drops 01:00.1",
         Answer("Artist", "Title", "Album",
                "[00:12.34]Hello&lt;br&gt;[00:12.38]Bonjour&lt;br&gt;[01:00.00]last&lt;br&gt;"
                "[01:00.10]after"),
         kHeaders + "\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n" + joined +
             "\r\n[01:00.00]last"},
        {"no artist: an empty first line", Answer(nullptr, "Title", "Album", hello),
         "\r\n[ti:Title]\r\n[al:Album]\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n" + joined},
        {"blank title: one header line less, no countdown", Answer("Artist", "  ", "Album", hello),
         "[ar:Artist]\r\n[al:Album]\r\n" + joined},
        {"no album", Answer("Artist", "Title", nullptr, hello),
         "[ar:Artist]\r\n[ti:Title]\r\n" + joined},
        {"escaped markup; both forms of line break split",
         Answer("Tom &amp; Jerry", "&lt;b&gt;", "&amp;lt;x&amp;gt;",
                "[00:01.00]a &amp;lt;br&amp;gt; b&lt;br&gt;[00:02.00]cc<br>[00:02.50]dd"),
         "[ar:Tom & Jerry]\r\n[ti:<b>]\r\n[al:&lt;x&gt;]\r\n[00:01.00]a &lt;br&gt; b\r\n"
         "[00:02.00]cc\r\n[00:02.50]dd"},
        {"headers only", Answer("Artist", "Title", "Album", "&lt;br&gt;"), kHeaders},
        {"the charset the answer declares",
         Answer("\xB0\xA1\xBC\xF6", "T", "A", "[00:01.00]lalala"),
         QStringLiteral("[ar:가수]\r\n[ti:T]\r\n[al:A]\r\n[00:01.00]lalala"),
         "application/soap+xml; charset=euc-kr"},
    };
    Server server(QByteArray{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply(Http(c.answer, c.type));
        const int before = server.requests();
        EXPECT_EQ(Download(LocalService(server.port())), c.expected);
        EXPECT_EQ(server.requests(), before + 1) << "the first answer ends the attempts";
        EXPECT_TRUE(outcome_.answered);
        EXPECT_FALSE(outcome_.placeholder);
        EXPECT_TRUE(outcome_.written);
    }

    SCOPED_TRACE("a song in a missing folder: answered, nothing written, no folder made");
    const LyricDownload outcome = DownloadLyrics(dir_.filePath(QStringLiteral("no/song.mp3")), 600,
                                                 std::nullopt, host_, LocalService(server.port()));
    EXPECT_TRUE(outcome.answered);
    EXPECT_FALSE(outcome.written);
    EXPECT_FALSE(QDir(dir_.filePath(QStringLiteral("no"))).exists());
}

TEST_F(LyricDownloadTest, NoUsableAnswerWritesThePlaceholder) {
    const auto expectPlaceholder = [this](const char* name, const LyricService& service,
                                          bool answered) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Download(service), kPlaceholder);
        EXPECT_EQ(outcome_.answered, answered);
        EXPECT_TRUE(outcome_.placeholder);
    };
    Server html(Http("<html><body>Service Unavailable</body></html>"));
    expectPlaceholder("no field: ends the attempts all the same", LocalService(html.port(), 4),
                      true);
    EXPECT_EQ(html.requests(), 1);

    const int closedPort = Server(QByteArray{}).port();
    expectPlaceholder("nothing listens on the port", LocalService(closedPort), false);

    Server silent(QByteArray{}, true);
    const auto start = std::chrono::steady_clock::now();
    expectPlaceholder("accepts and never answers", LocalService(silent.port(), 2), false);
    EXPECT_EQ(silent.requests(), 2);
    // Bounded by the time-outs (2 x 150 ms here), with a wide margin for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    Server notHttp(QByteArray("\x16\x03\x01\0\xFF\r\n", 7).repeated(600));
    expectPlaceholder("bytes that are not HTTP", LocalService(notHttp.port()), false);
    EXPECT_EQ(notHttp.requests(), 3);

    const QByteArray fields = Answer("Artist", "Title", "Album", "[00:05.00]big");
    Server big(Http(QByteArray(kMaxAnswerBytes, ' ') + fields));
    expectPlaceholder("an answer over 4 MB", LocalService(big.port(), 2), false);
    EXPECT_EQ(big.requests(), 2);
    big.setReply(Http(QByteArray(kMaxAnswerBytes - fields.size(), ' ') + fields));
    EXPECT_EQ(Download(LocalService(big.port())),
              kHeaders + "\r\n[00:02.00]3\r\n[00:03.00]2\r\n[00:04.00]1\r\n[00:05.00]big")
        << "one just under 4 MB counts";

    LyricService file = LocalService(0, 2);
    file.url = QStringLiteral("file:///etc/hostname");
    expectPlaceholder("a URL that is not http", file, false);
}

TEST_F(LyricDownloadTest, ChecksumCoversExactlyTheBytesFromTheFirstFrame) {
    // As md5sum gives them for the same bytes.
    EXPECT_EQ(LyricChecksum(song_, 100), QStringLiteral("6cc3d8ecd5a9967c9227be8d17b988a6"));
    EXPECT_EQ(LyricChecksum(song_, 99), QStringLiteral("9cb107fe3ce6fa7673fb9f7f6e48a669"));
    EXPECT_EQ(LyricChecksum(song_, 101), QString()) << "one byte short";
    EXPECT_EQ(LyricChecksum(song_, std::nullopt), QString()) << "not a valid MP3";
    EXPECT_EQ(LyricChecksum(song_, -1), QString());
    EXPECT_EQ(LyricChecksum(dir_.filePath(QStringLiteral("none.mp3")), 0), QString());
    EXPECT_EQ(LyricChecksum(dir_.path(), 0), QString()) << "a folder";
}

TEST(LyricDownloadPartsTest, AnswerFieldsAndEscapes) {
    const QString answer = QStringLiteral(
        "<strTitle>first</strTitle><strTitle>second</strTitle>"
        "</strAlbum><strAlbum>x</strAlbum><strArtist> \t</strArtist><strLyric>open");
    EXPECT_EQ(AnswerField(answer, u"strTitle"), QStringLiteral("first"));
    EXPECT_EQ(AnswerField(answer, u"strAlbum"), std::nullopt) << "closing tag first";
    EXPECT_EQ(AnswerField(answer, u"strArtist"), std::nullopt) << "blank";
    EXPECT_EQ(AnswerField(answer, u"strLyric"), std::nullopt) << "never closed";
    EXPECT_EQ(UnescapeMarkup(QStringLiteral("&amp;lt;&lt;&amp;amp;")),
              QStringLiteral("&lt;<&amp;"));
}

TEST(LyricDownloadPartsTest, RandomAnswersNeverBreakTheParser) {
    const QStringList tokens = {"<strLyric>", "</strLyric>", "<strArtist>", "</strArtist>",
                                "<strTitle>", "</strTitle>", "&lt;br&gt;",  "<br>",
                                "&amp;",      "[00:",        "[01:",        "59.",
                                "0",          "9",           ".",           "]",
                                "text",       "\r\n",        "가",          "&lt;",
                                " ",          "[99:99.99]"};
    std::mt19937 random(3);
    RecordingHost host;
    for (int i = 0; i < 300; ++i) {
        QString answer;
        for (int n = 0; n < 60; ++n) {
            answer += tokens[static_cast<int>(random() % tokens.size())];
        }
        SCOPED_TRACE(answer.toStdString());
        const QString out = LyricsFromAnswer(answer, 1200, host);
        // Unescaping and joining only shrink a field; fields may overlap, so each of the four can
        // cover most of the answer. Headers and one countdown add a little.
        ASSERT_LE(out.size(), 4 * answer.size() + 100) << out.toStdString();
    }
}

}  // namespace
}  // namespace lumek
