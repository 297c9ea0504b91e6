#include "submit/transport.h"

#include "submit/http_exchange.h"
#include "submit/mail_exchange.h"

namespace farrow::submit {

namespace {

constexpr const char* kMailSubject = "Site Submission Request";

class ExchangeTransport final : public Transport {
public:
    TransportOutcome send(const SiteRequest& request, const TransportSettings& settings) override {
        TransportOutcome out;
        base::Timing timing = settings.timing;
        if (settings.exchangeLimit.count() > 0) {
            timing.exchangeLimit = settings.exchangeLimit;
        }
        if (request.method == "MAILTO") {
            MailExchange mail;
            resetMail(mail);
            mail.subject = kMailSubject;
            mail.body = request.payload;
            mail.recipient = mailRecipient(request.targetUrl);
            mail.sender = settings.userEmail;
            mail.server = settings.mailSetting;
            mail.ok = 1;
            sendMail(mail, timing);
            out.ok = mail.ok == 1;
            out.errorText = std::move(mail.error.reason);
            return out;
        }
        HttpExchange exchange;
        resetExchange(exchange);
        exchange.url = request.targetUrl;
        exchange.method = request.method;
        exchange.data = request.payload;
        sendExchange(exchange, timing);
        out.ok = exchange.ok;
        out.errorText = std::move(exchange.errorText);
        out.status = exchange.status;
        out.responseCode = exchange.responseCode;
        out.reply = std::move(exchange.reply);
        return out;
    }
};

}  // namespace

std::shared_ptr<Transport> makeExchangeTransport() {
    return std::make_shared<ExchangeTransport>();
}

std::string mailRecipient(const std::string& targetUrl) {
    std::string recipient = targetUrl;
    if (recipient.rfind("SMTP:", 0) == 0) {
        recipient.erase(0, 5);
    }
    if (!recipient.empty() && recipient.front() == ':') {
        recipient.erase(0, 1);
    }
    return recipient;
}

}  // namespace farrow::submit
