#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/scripted_send.h"

namespace farrow::test {

// A small mail server on 127.0.0.1 at a free port, serving one connection at a time on a
// thread of its own. It answers each command by its verb from a script and keeps every byte it
// receives, the command lines and the messages (with dot-stuffing undone).
class ScriptedSmtpServer final {
public:
    // Script answers that are not texts to send.
    static constexpr const char* kClose = "<close>";    // close the connection instead
    static constexpr const char* kSilent = "<silent>";  // never answer
    // Answers may hold pause marks (see `pauseMark`).

    ScriptedSmtpServer();
    ~ScriptedSmtpServer();
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    // The greeting (or a script answer); set before a client connects.
    void setGreeting(std::string greeting);
    // The answer to a command verb ("HELO", "MAIL", "RCPT", "DATA", "QUIT") or, for ".", to
    // the end of a message; set before a client connects.
    void setReply(const std::string& verb, std::string reply);

    int port() const { return port_; }
    // "127.0.0.1:PORT", as the program's mail setting.
    std::string address() const;

    std::string received() const;
    std::vector<std::string> commands() const;
    std::vector<std::string> messages() const;

private:
    void serve();
    void converse(int client);
    std::string replyTo(const std::string& verb) const;

    int listenFd_ = -1;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::string greeting_ = "220 test.invalid ready\r\n";
    std::map<std::string, std::string> replies_;
    std::string received_;
    std::vector<std::string> commands_;
    std::vector<std::string> messages_;
    std::thread thread_;
};

}  // namespace farrow::test
