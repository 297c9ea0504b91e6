#include "keywords/keyword_check.h"

#include "platform/program_start.h"

namespace farrow::keywords {

namespace {

constexpr const char* kInternetExplorer = "Internet Explorer";
constexpr const char* kNetscapeNavigator = "Netscape Navigator";

}  // namespace

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
                target = record.fields[sites::kSearchUrl] + check.keyword;
            }
        }
    }
    const std::string commandLine = *browser + " " + target;
    if (commandLine.size() > kMaxCommandLine) {
        messenger.showMessage(
            "The browser's command line would be longer than 4095 characters; the browser was "
            "not started.",
            base::MessageIcon::Exclamation);
        return CheckOutcome::TooLong;
    }
    // The browser gets the words after its own path, split at blanks, as a spawn with one
    // command line passes them: a keyword with blanks arrives as several words.
    const std::vector<std::string> arguments = platform::splitCommandLine(target);
    return starter.start(*browser, arguments) ? CheckOutcome::Started : CheckOutcome::StartFailed;
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
