#include "lyrics/lyric_download.h"
#include "base/codepage.h"
#include "base/text_file.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace lumek {
namespace {

using testing::RecordingHost;

const QString kServicePath = QStringLiteral("/alsongwebservice/service1.asmx");
const QString kHeaders = QStringLiteral("[ar:Artist]\r\n[ti:Title]\r\n[al:Album]");

// Fast enough that a silent server costs the suite well under a second.
LyricService LocalService(int port, int attempts = 3) {
    LyricService service;
    service.url = QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(kServicePath);
    service.attempts = attempts;
    service.timeoutMs = 150;
    return service;
}

// A SOAP answer holding the given fields; fields passed as nullptr are left out.
std::string Answer(const char* artist, const char* title, const char* album, const char* lyric) {
    std::string result =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
        "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><GetLyric5Response "
        "xmlns=\"ALSongWebServer\"><GetLyric5Result><strInfoID>1</strInfoID>";
    const auto field = [&result](const char* name, const char* value) {
        if (value != nullptr) {
            result += std::string("<") + name + ">" + value + "</" + name + ">";
        }
    };
    field("strLyric", lyric);
    field("strTitle", title);
    field("strArtist", artist);
    field("strAlbum", album);
    return result + "</GetLyric5Result></GetLyric5Response></soap:Body></soap:Envelope>";
}

// The lyrics service on 127.0.0.1: answers every POST to the service path with one document.
class AnswerServer {
public:
    explicit AnswerServer(std::string body,
                          std::string contentType = "application/soap+xml; charset=utf-8")
        : body_(std::move(body)), contentType_(std::move(contentType)) {
        server_.Post(kServicePath.toStdString(),
                     [this](const httplib::Request&, httplib::Response& response) {
                         const std::lock_guard lock(mutex_);
                         ++requests_;
                         response.set_content(body_, contentType_.c_str());
                     });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~AnswerServer() {
        server_.stop();
        thread_.join();
    }

    int port() const { return port_; }
    int requests() {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    void setBody(std::string body) {
        const std::lock_guard lock(mutex_);
        body_ = std::move(body);
    }

private:
    httplib::Server server_;
    std::mutex mutex_;
    std::string body_;
    std::string contentType_;
    int requests_ = 0;
    int port_ = 0;
    std::thread thread_;
};

// A plain socket server for what an HTTP library won't do: keep the request's exact bytes,
// never answer, or answer with bytes that are not HTTP.
class RawServer {
public:
    enum class Mode { Reply, Silent, Garbage };

    explicit RawServer(Mode mode, QByteArray reply = {}) : mode_(mode), reply_(std::move(reply)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(address);
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "can't listen on 127.0.0.1";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~RawServer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        for (const int held : held_) {
            close(held);
        }
        if (listener_ >= 0) {
            close(listener_);
        }
    }

    int port() const { return port_; }
    int connections() const { return connections_; }
    QByteArray firstRequest() {
        const std::lock_guard lock(mutex_);
        return firstRequest_;
    }

private:
    void run() {
        while (!stop_) {
            pollfd ready{listener_, POLLIN, 0};
            if (poll(&ready, 1, 20) <= 0) {
                continue;
            }
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0) {
                continue;
            }
            ++connections_;
            if (mode_ == Mode::Silent) {
                held_.push_back(connection);
                continue;
            }
            if (mode_ == Mode::Reply) {
                const QByteArray request = readRequest(connection);
                const std::lock_guard lock(mutex_);
                if (firstRequest_.isEmpty()) {
                    firstRequest_ = request;
                }
            }
            sendAll(connection, mode_ == Mode::Reply ? reply_ : garbage());
            close(connection);
        }
    }

    // Headers up to the blank line, then Content-Length bytes of body.
    static QByteArray readRequest(int connection) {
        QByteArray request;
        qsizetype wanted = -1;
        char buffer[4096];
        while (wanted < 0 || request.size() < wanted) {
            pollfd ready{connection, POLLIN, 0};
            if (poll(&ready, 1, 2000) <= 0) {
                break;
            }
            const ssize_t got = recv(connection, buffer, sizeof(buffer), 0);
            if (got <= 0) {
                break;
            }
            request.append(buffer, got);
            const qsizetype end = request.indexOf("\r\n\r\n");
            if (wanted < 0 && end >= 0) {
                const QByteArray head = request.left(end).toLower();
                const qsizetype at = head.indexOf("content-length:");
                const qsizetype length =
                    at < 0 ? 0
                           : head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLong();
                wanted = end + 4 + length;
            }
        }
        return request;
    }

    static void sendAll(int connection, const QByteArray& bytes) {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = send(connection, bytes.constData() + sent,
                                   static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += n;
        }
    }

    static QByteArray garbage() {
        std::mt19937 random(5);
        QByteArray bytes(4096, '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(random());
        }
        return bytes;
    }

    Mode mode_;
    QByteArray reply_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> connections_ = 0;
    std::vector<int> held_;
    std::mutex mutex_;
    QByteArray firstRequest_;
};

class LyricDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        song_ = dir_.filePath(QStringLiteral("song.mp3"));
        QFile file(song_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(kChecksumBytes + 100, '\0'));
    }

    QString lrcPath() const { return dir_.filePath(QStringLiteral("song.lrc")); }

    // Downloads for the song with its checksum from offset 0, then reads the file written.
    QString Download(const LyricService& service, int lengthTenths = 6000) {
        QFile::remove(lrcPath());
        outcome_ = DownloadLyrics(song_, lengthTenths, 0, host_, service);
        return ReadTextFile(lrcPath());
    }

    QString Placeholder() const {
        return QStringLiteral(
            "[ar:song.mp3]\r\n[ti:가사가 없습니다]\r\n[al:Lumek]\r\n[00:00.00]\r\n[00:00.01]");
    }

    QTemporaryDir dir_;
    QString song_;
    RecordingHost host_;
    LyricDownload outcome_;
};

TEST_F(LyricDownloadTest, RequestIsByteExact) {
    RawServer server(RawServer::Mode::Reply,
                     "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
                     "Content-Length: 0\r\nConnection: close\r\n\r\n");
    const LyricService service = LocalService(server.port(), 1);
    const QString written = Download(service);

    // 163840 zero bytes; the digest is the one md5sum gives for them.
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
        "POST /alsongwebservice/service1.asmx HTTP/1.1\r\n"
        "Host: 127.0.0.1:" +
        QByteArray::number(server.port()) +
        "\r\n"
        "User-Agent: gSOAP/2.7\r\n"
        "Content-Type: application/soap+xml; charset=utf-8\r\n"
        "Connection: close\r\n"
        "SOAPAction: \"ALSongWebServer/GetLyric5\"\r\n"
        "Content-Length: " +
        QByteArray::number(body.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(QString::fromLatin1(server.firstRequest()), QString::fromLatin1(expected));
    EXPECT_EQ(LyricRequestBody(LyricChecksum(song_, 0)), body);

    // A blank answer is no answer: the one attempt is used up and the placeholder written.
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(written, Placeholder());
    EXPECT_FALSE(outcome_.answered);
    EXPECT_TRUE(outcome_.placeholder);
    EXPECT_TRUE(outcome_.written);
    EXPECT_EQ(host_.statuses, std::vector<QString>{QStringLiteral("가사 다운로드중..")});
    EXPECT_GE(host_.pumps, 2);

    SCOPED_TRACE("an invalid MP3 is asked for with an empty element");
    EXPECT_TRUE(LyricRequestBody(LyricChecksum(song_, std::nullopt))
                    .contains("<ns1:strChecksum></ns1:strChecksum>"));
}

TEST_F(LyricDownloadTest, AnswersBecomeLyricFiles) {
    const char* hello = "[00:12.34]Hello&lt;br&gt;[00:12.38]Bonjour";
    const struct {
        const char* name;
        std::string answer;
        int lengthTenths;
        QString expected;
    } cases[] = {
        {"all fields", Answer("Artist", "Title", "Album", hello), 6000,
         kHeaders + "\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n[00:12.34]Hello / Bonjour"},
        {"no artist: an empty first line", Answer(nullptr, "Title", "Album", hello), 6000,
         "\r\n[ti:Title]\r\n[al:Album]\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n"
         "[00:12.34]Hello / Bonjour"},
        {"blank title: one header line less, no countdown", Answer("Artist", "  ", "Album", hello),
         6000, "[ar:Artist]\r\n[al:Album]\r\n[00:12.34]Hello / Bonjour"},
        {"no album", Answer("Artist", "Title", nullptr, hello), 6000,
         "[ar:Artist]\r\n[ti:Title]\r\n[00:12.34]Hello / Bonjour"},
        {"escaped markup; both forms of line break split",
         Answer("Tom &amp; Jerry", "&lt;b&gt;", "&amp;lt;x&amp;gt;",
                "[00:01.00]a &amp;lt;br&amp;gt; b&lt;br&gt;[00:02.00]cc<br>[00:02.50]dd"),
         6000,
         "[ar:Tom & Jerry]\r\n[ti:<b>]\r\n[al:&lt;x&gt;]\r\n[00:01.00]a &lt;br&gt; b\r\n"
         "[00:02.00]cc\r\n[00:02.50]dd"},
        {"three lines in one tenth, out of order",
         Answer("Artist", "Title", "Album",
                "[00:40.05]one&lt;br&gt;[00:41.00]later&lt;br&gt;[00:40.00]two&lt;br&gt;"
                "[00:40.09]three"),
         6000,
         kHeaders + "\r\n[00:37.00]3\r\n[00:38.00]2\r\n[00:39.00]1\r\n"
                    "[00:40.05]one / two / three\r\n[00:41.00]later"},
        {"a 60.0 s song keeps 01:00.0 and drops 01:00.1",
         Answer("Artist", "Title", "Album",
                "[00:01.00]first&lt;br&gt;[01:00.00]last&lt;br&gt;[01:00.10]after"),
         600, kHeaders + "\r\n[00:01.00]first\r\n[01:00.00]last"},
        {"11 characters are dropped, 12 kept",
         Answer("Artist", "Title", "Album", "[00:20.00]x&lt;br&gt;[00:21.00]xy"), 6000,
         kHeaders + "\r\n[00:18.00]3\r\n[00:19.00]2\r\n[00:20.00]1\r\n[00:21.00]xy"},
        {"first line at 00:02.9: no countdown",
         Answer("Artist", "Title", "Album", "[00:02.90]early"), 6000,
         kHeaders + "\r\n[00:02.90]early"},
        {"first line at 00:03.0: the countdown starts at zero",
         Answer("Artist", "Title", "Album", "[00:03.00]just"), 6000,
         kHeaders + "\r\n[00:00.00]3\r\n[00:01.00]2\r\n[00:02.00]1\r\n[00:03.00]just"},
        {"first line at 01:01.5: the countdown crosses the minute",
         Answer("Artist", "Title", "Album", "[01:01.50]late"), 6000,
         kHeaders + "\r\n[00:58.50]3\r\n[00:59.50]2\r\n[01:00.50]1\r\n[01:01.50]late"},
        {"headers only", Answer("Artist", "Title", "Album", "&lt;br&gt;"), 6000, kHeaders},
    };
    AnswerServer server(cases[0].answer);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setBody(c.answer);
        const int before = server.requests();
        EXPECT_EQ(Download(LocalService(server.port()), c.lengthTenths), c.expected);
        EXPECT_EQ(server.requests(), before + 1) << "the first answer ends the attempts";
        EXPECT_TRUE(outcome_.answered);
        EXPECT_FALSE(outcome_.placeholder);
        EXPECT_TRUE(outcome_.written);
    }
}

TEST_F(LyricDownloadTest, AnswerCharsetIsHonoured) {
    const QString korean = QStringLiteral("가수");
    const std::string euckr = EncodeCp949(korean).value().toStdString();
    AnswerServer server(Answer(euckr.c_str(), "T", "A", "[00:01.00]lalala"),
                        "application/soap+xml; charset=euc-kr");
    EXPECT_EQ(Download(LocalService(server.port())),
              QStringLiteral("[ar:가수]\r\n[ti:T]\r\n[al:A]\r\n[00:01.00]lalala"));
}

TEST_F(LyricDownloadTest, NoUsableAnswerWritesThePlaceholder) {
    {
        SCOPED_TRACE("an empty answer: every attempt is used");
        AnswerServer server("  \r\n ");
        EXPECT_EQ(Download(LocalService(server.port(), 4)), Placeholder());
        EXPECT_EQ(server.requests(), 4);
        EXPECT_FALSE(outcome_.answered);
    }
    {
        SCOPED_TRACE("an answer without the four fields ends the attempts all the same");
        AnswerServer server("<html><body>Service Unavailable</body></html>");
        EXPECT_EQ(Download(LocalService(server.port(), 4)), Placeholder());
        EXPECT_EQ(server.requests(), 1);
        EXPECT_TRUE(outcome_.answered);
        EXPECT_TRUE(outcome_.placeholder);
    }
    {
        SCOPED_TRACE("nothing listens on the port");
        int port = 0;
        {
            RawServer closed(RawServer::Mode::Silent);
            port = closed.port();
        }
        EXPECT_EQ(Download(LocalService(port)), Placeholder());
        EXPECT_FALSE(outcome_.answered);
    }
    {
        SCOPED_TRACE("a server that accepts and never answers: the time-outs end each attempt");
        RawServer silent(RawServer::Mode::Silent);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Download(LocalService(silent.port(), 2)), Placeholder());
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(silent.connections(), 2);
        // Bounded by the time-outs (2 x 150 ms here), with a wide margin for a loaded machine.
        EXPECT_LT(elapsed, std::chrono::seconds(5));
    }
    {
        SCOPED_TRACE("garbage bytes instead of HTTP");
        RawServer garbage(RawServer::Mode::Garbage);
        EXPECT_EQ(Download(LocalService(garbage.port(), 3)), Placeholder());
        EXPECT_EQ(garbage.connections(), 3);
        EXPECT_FALSE(outcome_.answered);
    }
    {
        SCOPED_TRACE("an answer over 4 MB is no answer; one just under it counts");
        const std::string fields = Answer("Artist", "Title", "Album", "[00:05.00]big");
        AnswerServer server(std::string(kMaxAnswerBytes, ' ') + fields);
        EXPECT_EQ(Download(LocalService(server.port(), 2)), Placeholder());
        EXPECT_EQ(server.requests(), 2);
        EXPECT_FALSE(outcome_.answered);
        server.setBody(std::string(kMaxAnswerBytes - fields.size(), ' ') + fields);
        EXPECT_EQ(Download(LocalService(server.port(), 2)),
                  kHeaders + "\r\n[00:02.00]3\r\n[00:03.00]2\r\n[00:04.00]1\r\n[00:05.00]big");
    }
    {
        SCOPED_TRACE("a URL that is not http");
        LyricService service;
        service.url = QStringLiteral("file:///etc/hostname");
        service.attempts = 2;
        EXPECT_EQ(Download(service), Placeholder());
        EXPECT_FALSE(outcome_.answered);
    }
}

TEST_F(LyricDownloadTest, UnwritableLyricFolder) {
    AnswerServer server(Answer("Artist", "Title", "Album", "[00:05.00]text"));
    const QString song = dir_.filePath(QStringLiteral("missing/song.mp3"));
    const LyricDownload outcome =
        DownloadLyrics(song, 600, std::nullopt, host_, LocalService(server.port()));
    EXPECT_TRUE(outcome.answered);
    EXPECT_FALSE(outcome.written);
    EXPECT_FALSE(QDir(dir_.filePath(QStringLiteral("missing"))).exists());
}

TEST(LyricChecksumTest, CoversExactlyTheBytesFromTheFirstFrame) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.mp3"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, '\xAB') + QByteArray(kChecksumBytes, '\0'));
    file.close();

    const QString zeros = QStringLiteral("6cc3d8ecd5a9967c9227be8d17b988a6");  // md5sum
    EXPECT_EQ(LyricChecksum(path, 100), zeros);
    const QString earlier = LyricChecksum(path, 99);
    EXPECT_EQ(earlier.size(), 32);
    EXPECT_NE(earlier, zeros);
    EXPECT_EQ(earlier, earlier.toLower());
    EXPECT_EQ(LyricChecksum(path, 101), QString()) << "one byte short";
    EXPECT_EQ(LyricChecksum(path, std::nullopt), QString()) << "not a valid MP3";
    EXPECT_EQ(LyricChecksum(path, -1), QString());
    EXPECT_EQ(LyricChecksum(dir.filePath(QStringLiteral("none.mp3")), 0), QString());
    EXPECT_EQ(LyricChecksum(dir.path(), 0), QString()) << "a folder";
}

TEST(LyricDownloadPartsTest, FieldsAndLengths) {
    const QString answer = QStringLiteral(
        "<strTitle>first</strTitle><strTitle>second</strTitle>"
        "</strAlbum><strAlbum>x</strAlbum><strArtist> \t</strArtist><strLyric>open");
    EXPECT_EQ(AnswerField(answer, u"strTitle"), QStringLiteral("first"));
    EXPECT_EQ(AnswerField(answer, u"strAlbum"), std::nullopt) << "closing tag first";
    EXPECT_EQ(AnswerField(answer, u"strArtist"), std::nullopt) << "blank";
    EXPECT_EQ(AnswerField(answer, u"strLyric"), std::nullopt) << "never closed";
    EXPECT_EQ(UnescapeMarkup(QStringLiteral("&amp;lt;&lt;&amp;amp;")),
              QStringLiteral("&lt;<&amp;"));

    const struct {
        double seconds;
        int tenths;
    } lengths[] = {{60.0, 600}, {60.0999, 600}, {60.1, 601}, {12.3456, 123},
                   {0, 0},      {-1, 0},        {0.0999, 0}, {3600.5, 36005}};
    for (const auto& l : lengths) {
        SCOPED_TRACE(l.seconds);
        EXPECT_EQ(LengthInTenths(l.seconds), l.tenths);
    }
}

TEST(LyricDownloadPartsTest, RandomAnswersNeverBreakTheParser) {
    const QStringList tokens = {"<strLyric>", "</strLyric>", "<strArtist>", "</strArtist>",
                                "<strTitle>", "</strTitle>", "&lt;br&gt;",  "<br>",
                                "&amp;",      "[00:",        "[01:",        "59.",
                                "0",          "9",           ".",           "]",
                                "text",       "\r\n",        "가",          "&lt;",
                                " ",          "[99:99.99]"};
    std::mt19937 random(3);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(tokens.size()) - 1);
    RecordingHost host;
    for (int i = 0; i < 300; ++i) {
        QString answer;
        for (int n = 0; n < 60; ++n) {
            answer += tokens[pick(random)];
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
