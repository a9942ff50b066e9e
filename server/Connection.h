#pragma once

#include "exchange/FrameReader.h"
#include "server/Metrics.h"

#include <cstdint>
#include <openssl/types.h>
#include <span>
#include <string>
#include <sys/types.h>

namespace server {

class StatementService;
class TurnLog;
class UnsentBudget;

// One viewer's connection on an event loop: its socket, plain or TLS, the requests read from it and
// the answers not yet sent. Its state says what it waits for; the loop that owns it watches its
// socket for that, gives it further turns when it asks for them, and drops it when it is late.
class Connection
{
public:
    enum class State {
        // TLS only: the handshake is not complete.
        Handshaking,
        // Every whole request that arrived is answered; more are read while the unsent answers
        // leave room for theirs.
        Reading,
        // Whole requests wait for another turn, or for the answers before them to go out; nothing
        // is read meanwhile.
        Answering,
        // The client has sent all it will and every request of it is answered: the answers go
        // out, then the connection closes.
        Draining,
        Closed
    };

    // What the connections of one event loop share with it.
    struct Context
    {
        StatementService& service;
        Metrics& metrics;
        UnsentBudget& budget;
        // The loop's number, by which the budget tells whose readers to drop.
        int loop = 0;
        TurnLog& log;
        // Where reads land before the reader takes them: one connection reads at a time.
        std::span<char> readBuffer;
    };

    // Takes over `fd` and, on the TLS port, `ssl`, set to accept on it. `id` names the connection
    // to the budget, unique among the open ones.
    Connection(Context& context, int fd, SSL* ssl, std::string peer, uintptr_t id, int64_t nowMs);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    State state() const { return m_state; }
    int fd() const { return m_fd; }
    const std::string& peer() const { return m_peer; }
    // The events of its socket it waits for (EPOLLIN, EPOLLOUT).
    uint32_t events() const;
    // Whole requests wait for a turn of their own, and the unsent answers leave room for theirs.
    bool wantsTurn() const { return m_state == State::Answering && roomToAnswer(); }

    // Each of these takes the connection as far as it can and leaves its state for the loop.
    void handshake();
    void read();
    // Answers the requests that wait, as many as a turn allows, and sends what it can.
    void progress();
    // Drops it when it is late at `nowMs`: its handshake or request is not whole within the
    // request deadline, or nothing went either way for the idle timeout.
    void expire(int64_t nowMs, int requestTimeoutMs, int idleTimeoutMs);
    // Closes it, counting and logging why.
    void drop(Metrics::Close why, const char* text);
    // Closes it without a word: the client is gone, or has every answer it asked for.
    void close();

private:
    enum class Answered { All, SomeLeft, BadFrame };
    // What a read or a write did, beside a count of bytes.
    static constexpr ssize_t nothingYet = -1;
    static constexpr ssize_t failed = -2;

    Answered answerWaiting();
    // False when the socket failed.
    bool send();
    ssize_t receive(bool& ended);
    ssize_t transmit();
    void reportUnsent();
    void failHandshake(Metrics::HandshakeFailure why);

    size_t pending() const { return m_out.size() - m_outStart; }
    bool roomToAnswer() const;
    bool reading() const { return m_state == State::Reading && roomToAnswer(); }

    Context& m_context;
    int m_fd = -1;
    // Null on the plain port.
    SSL* m_ssl = nullptr;
    const std::string m_peer;
    const uintptr_t m_id;
    State m_state = State::Reading;
    // What the handshake waits for: the client's bytes, or room to send its own.
    bool m_handshakeWantsWrite = false;
    // The client has sent its last byte; set while whole requests may still wait.
    bool m_clientEnded = false;
    exchange::FrameReader m_reader;
    std::string m_out;
    size_t m_outStart = 0;
    int64_t m_lastActivityMs = 0;
    // When the first byte of a request not yet whole arrived; -1 for none.
    int64_t m_requestStartMs = -1;
    // Since when answers wait unsent; -1 while all is sent.
    int64_t m_unsentSinceMs = -1;
    // The unsent bytes and their age as last counted for the process, and whether the budget
    // knows the connection, which it must then forget when the connection closes.
    size_t m_reportedBytes = 0;
    int64_t m_reportedSinceMs = -1;
    bool m_inBudget = false;
};

} // namespace server
