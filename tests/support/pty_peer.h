#pragma once
// A scripted peer on a real pseudo-terminal: the program under test opens path() with its own
// serial code; the test answers on the master side, byte by byte and with chosen pauses.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PtyPeer {
  public:
    // One piece of a reply: bytes sent after a pause [ms].
    struct Chunk {
        std::string bytes;
        int delayMs = 0;
    };
    // Builds the reply to one request (the request without its CR; "***" comes as itself).
    using Responder = std::function<std::vector<Chunk>(const std::string& request)>;

    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return path_; }
    // Writes bytes to the program at once.
    void send(const std::string& bytes);
    // Collects what the program wrote, waiting until `quietMs` pass without a byte.
    std::string receive(int quietMs = 50);
    // Answers every request on a thread until stop() or destruction; starts a new request log.
    void serve(Responder r);
    void stop();
    // Closes the master side: the program sees a hang-up.
    void hangup();
    // Requests seen by serve(), in order.
    std::vector<std::string> requests() const;

  private:
    void loop(Responder r);
    int master_ = -1, slave_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mu_;
    std::vector<std::string> requests_;
};
