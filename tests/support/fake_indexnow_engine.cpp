#include "support/fake_indexnow_engine.h"

#include <nlohmann/json.hpp>

namespace farrow::test {

FakeIndexNowEngine::FakeIndexNowEngine(std::vector<Answer> answers,
                                       const TestCertificate* certificate)
    : server_(certificate ? std::make_unique<LoopbackHttpServer>(*certificate)
                          : std::make_unique<LoopbackHttpServer>()),
      answers_(std::move(answers)) {
    auto handle = [this](const httplib::Request& req, httplib::Response& res) {
        Seen s;
        s.method = req.method;
        s.contentType = req.get_header_value("Content-Type");
        s.body = req.body;
        s.url = req.get_param_value("url");
        s.key = req.get_param_value("key");
        s.keyLocation = req.get_param_value("keyLocation");
        if (req.method == "POST") {
            const auto json = nlohmann::json::parse(req.body, nullptr, false);
            if (json.is_object() && json.contains("urlList") && json["urlList"].is_array()) {
                s.urlCount = static_cast<long>(json["urlList"].size());
            }
        }
        std::unique_lock lock(mutex_);
        seen_.push_back(std::move(s));
        const std::size_t n = seen_.size();
        if (holdFrom_ != 0 && n >= holdFrom_) {
            released_.wait(lock, [this] { return releasedAll_; });
        }
        const Answer& a = answers_[std::min(n, answers_.size()) - 1];
        res.status = a.status;
        for (const auto& [name, value] : a.headers) {
            res.set_header(name, value);
        }
        if (!a.body.empty()) {
            res.set_content(a.body, "text/html");
        }
    };
    server_->routes().Get("/indexnow", handle);
    server_->routes().Post("/indexnow", handle);
    server_->start();
}

FakeIndexNowEngine::~FakeIndexNowEngine() {
    release();
    server_->stop();
}

std::vector<FakeIndexNowEngine::Seen> FakeIndexNowEngine::seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

std::size_t FakeIndexNowEngine::count() const {
    std::lock_guard lock(mutex_);
    return seen_.size();
}

void FakeIndexNowEngine::holdFrom(std::size_t n) {
    std::lock_guard lock(mutex_);
    holdFrom_ = n;
    releasedAll_ = false;
}

void FakeIndexNowEngine::release() {
    {
        std::lock_guard lock(mutex_);
        releasedAll_ = true;
    }
    released_.notify_all();
}

}  // namespace farrow::test
