#include "keywords/keyword_check.h"

#include <cctype>

#include "base/text.h"
#include "platform/program_start.h"

namespace farrow::keywords {

namespace {

constexpr const char* kInternetExplorer = "Internet Explorer";
constexpr const char* kNetscapeNavigator = "Netscape Navigator";

// "scheme:" at the start: letters, then letters, digits, "+", "-" or ".".
bool hasScheme(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(target[0]))) {
        return false;
    }
    for (char c : target.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string browserTarget(std::string_view target, bool webAddress) {
    std::string out;
    if (webAddress || hasScheme(target)) {
        for (char c : target) {
            const auto code = static_cast<unsigned char>(c);
            if (code <= ' ' || code == 0x7f) {
                out += base::format("%%%02X", code);
            } else {
                out += c;
            }
        }
    } else {
        out = target;
    }
    if (out.starts_with('-')) {
        out.insert(0, "./");
    }
    return out;
}

std::string queryValue(std::string_view keyword) {
    std::string out;
    for (char c : keyword) {
        const auto code = static_cast<unsigned char>(c);
        if (code > 0x7f || c == '&' || c == '#' || c == '+' || c == '%' || c == '=') {
            out += base::format("%%%02X", code);
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> findBrowser(const std::string& browserChoice,
                                       const BrowserEnvironment& environment) {
    std::string program;
    if (browserChoice == kInternetExplorer) {
        program = "xdg-open";
    } else if (browserChoice == kNetscapeNavigator) {
        program = "firefox";
    } else {
        return std::nullopt;
    }
    if (!environment.browserVariable.empty()) {
        program = environment.browserVariable;
    }
    return platform::findProgram(program, environment.searchPath);
}

CheckOutcome checkKeyword(const KeywordCheck& check, const sites::SiteTable& table,
                          const BrowserEnvironment& environment, platform::ProgramStarter& starter,
                          base::Messenger& messenger) {
    const std::optional<std::string> browser = findBrowser(check.browserChoice, environment);
    if (!browser) {
        messenger.showMessage("Could Not Find " + check.browserChoice, base::MessageIcon::None);
        return CheckOutcome::NoBrowser;
    }
    std::string target;
    if (!check.browserDocument.empty()) {
        target = check.browserDocument;
    } else {
        if (!check.selectedEngine) {
            messenger.showMessage("You Must Select to check against...",
                                  base::MessageIcon::Information);
            return CheckOutcome::NoEngine;
        }
        // Several records of one name: the last one decides.
        for (const sites::SiteRecord& record : table) {
            if (record.name() == *check.selectedEngine) {
                target = record.fields[sites::kSearchUrl] + queryValue(check.keyword);
            }
        }
    }
    target = browserTarget(target, check.browserDocument.empty());
    const std::string commandLine = *browser + " " + target;
    if (commandLine.size() > kMaxCommandLine) {
        messenger.showMessage(
            "The browser's command line would be longer than 4095 characters; the browser was "
            "not started.",
            base::MessageIcon::Exclamation);
        return CheckOutcome::TooLong;
    }
    // The target is one argument, whatever it holds: a log under a folder with a blank, a
    // keyword of two words.
    if (!starter.start(*browser, {target})) {
        // A browser that cannot start or refuses the page at once is as good as none.
        messenger.showMessage("Could Not Find " + check.browserChoice, base::MessageIcon::None);
        return CheckOutcome::StartFailed;
    }
    return CheckOutcome::Started;
}

CheckOutcome showDocument(const std::string& browserChoice, const std::string& document,
                          const BrowserEnvironment& environment, platform::ProgramStarter& starter,
                          base::Messenger& messenger) {
    KeywordCheck check;
    check.browserChoice = browserChoice;
    check.browserDocument = document;
    static const sites::SiteTable kNoSites;
    return checkKeyword(check, kNoSites, environment, starter, messenger);
}

}  // namespace farrow::keywords
