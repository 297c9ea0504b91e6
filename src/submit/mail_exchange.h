#pragma once

#include <string>

#include "base/timing.h"
#include "platform/transfer_error.h"

namespace farrow::submit {

// One e-mail submission and whether the mail server took it.
struct MailExchange {
    std::string subject;
    std::string body;
    // Put between the angle brackets of RCPT TO, as given.
    std::string recipient;
    // Put between the angle brackets of MAIL FROM and on the From line.
    std::string sender;
    // The mail server: a host name or address, optionally followed by ":port" (25 otherwise).
    std::string server;
    // 1 when the whole conversation went through, 0 otherwise.
    int ok = 0;
    // Why the mail did not go through: the system's reason, or the server's reply that ended
    // the conversation. Empty while `ok` is 1.
    platform::TransferError error;
};

// Sets `ok` to 0 and forgets the last error.
void resetMail(MailExchange& mail);

// Delivers the mail in one plain SMTP conversation on a connection of its own and sets `ok`
// and `error`. The conversation, connecting included, ends after `timing.mailTimeout` (or the
// exchange limit, when that is shorter).
void sendMail(MailExchange& mail, const base::Timing& timing);

// The text sent after DATA, up to and including the end-of-message line. Every body line that
// starts with "." gets a second one, so that no body line can end the message early.
std::string composeMailMessage(const MailExchange& mail);

}  // namespace farrow::submit
