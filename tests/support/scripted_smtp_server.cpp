#include "support/scripted_smtp_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cctype>

#include "support/scripted_send.h"

namespace farrow::test {

namespace {

std::string verbOf(const std::string& line) {
    std::string verb = line.substr(0, line.find(' '));
    verb = verb.substr(0, verb.find(':'));
    for (char& c : verb) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return verb;
}

}  // namespace

ScriptedSmtpServer::ScriptedSmtpServer()
    : replies_{{"HELO", "250 hello\r\n"},        {"MAIL", "250 sender ok\r\n"},
               {"RCPT", "250 recipient ok\r\n"}, {"DATA", "354 go ahead\r\n"},
               {".", "250 queued\r\n"},          {"QUIT", "221 bye\r\n"}} {
    listenFd_ = listenOnLoopback(port_);
    thread_ = std::thread([this] { serve(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
    stopping_ = true;
    thread_.join();
    ::close(listenFd_);
}

void ScriptedSmtpServer::setGreeting(std::string greeting) {
    std::lock_guard lock(mutex_);
    greeting_ = std::move(greeting);
}

void ScriptedSmtpServer::setReply(const std::string& verb, std::string reply) {
    std::lock_guard lock(mutex_);
    replies_[verb] = std::move(reply);
}

std::string ScriptedSmtpServer::address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string ScriptedSmtpServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::string> ScriptedSmtpServer::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<std::string> ScriptedSmtpServer::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::string ScriptedSmtpServer::replyTo(const std::string& verb) const {
    std::lock_guard lock(mutex_);
    auto it = replies_.find(verb);
    return it == replies_.end() ? "500 unknown command\r\n" : it->second;
}

void ScriptedSmtpServer::serve() {
    while (waitReadable(listenFd_, stopping_)) {
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            converse(client);
            ::close(client);
        }
    }
}

void ScriptedSmtpServer::converse(int client) {
    std::string greeting;
    {
        std::lock_guard lock(mutex_);
        greeting = greeting_;
    }
    if (greeting == kClose) {
        return;
    }
    if (greeting != kSilent) {
        sendScripted(client, greeting);
    }
    std::string pending;
    bool inMessage = false;
    std::string message;
    char buffer[4096];
    while (waitReadable(client, stopping_)) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        {
            std::lock_guard lock(mutex_);
            received_.append(buffer, static_cast<std::size_t>(n));
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find("\r\n")) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            std::string reply;
            if (inMessage) {
                if (line != ".") {
                    // A leading dot was doubled by the sender; take one away.
                    message += (line.starts_with(".") ? line.substr(1) : line) + "\r\n";
                    continue;
                }
                inMessage = false;
                {
                    std::lock_guard lock(mutex_);
                    messages_.push_back(message);
                }
                message.clear();
                reply = replyTo(".");
            } else {
                const std::string verb = verbOf(line);
                {
                    std::lock_guard lock(mutex_);
                    commands_.push_back(line);
                }
                reply = replyTo(verb);
                inMessage = verb == "DATA" && reply.starts_with("354");
            }
            if (reply == kClose) {
                return;
            }
            if (reply != kSilent) {
                sendScripted(client, reply);
            }
        }
    }
}

}  // namespace farrow::test
