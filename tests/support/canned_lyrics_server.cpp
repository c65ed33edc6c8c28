// A lyrics service stand-in for the command-line tests: answers every POST to the service path
// with the bytes of one file, appends each request body to a log, and prints its 127.0.0.1 port
// on stdout once it listens. Ends after a minute at the latest, so a failed test leaves nothing
// running.
//
// canned_lyrics_server ANSWER_FILE LOG_FILE

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr auto kLifetime = std::chrono::seconds(60);

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: canned_lyrics_server ANSWER_FILE LOG_FILE\n");
        return 2;
    }
    std::ifstream answerFile(argv[1], std::ios::binary);
    if (!answerFile) {
        std::fprintf(stderr, "%s: can't be read\n", argv[1]);
        return 1;
    }
    const std::string answer((std::istreambuf_iterator<char>(answerFile)),
                             std::istreambuf_iterator<char>());
    const std::string logPath = argv[2];
    std::mutex logMutex;

    httplib::Server server;
    server.Post("/alsongwebservice/service1.asmx",
                [&](const httplib::Request& request, httplib::Response& response) {
                    {
                        const std::lock_guard lock(logMutex);
                        std::ofstream log(logPath, std::ios::binary | std::ios::app);
                        log << request.body << '\n';
                    }
                    response.set_content(answer, "application/soap+xml; charset=utf-8");
                });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "can't listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);

    std::thread([] {
        std::this_thread::sleep_for(kLifetime);
        std::_Exit(3);
    }).detach();
    server.listen_after_bind();
    return 0;
}
