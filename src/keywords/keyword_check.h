#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/messenger.h"
#include "platform/program_start.h"
#include "sites/site_table.h"

namespace farrow::keywords {

// The longest command line the browser is started with; a longer one is refused.
inline constexpr std::size_t kMaxCommandLine = 4095;

// What the program reads from its environment to find the browser; filled in each program's
// main.
struct BrowserEnvironment {
    // $BROWSER, empty when not set.
    std::string browserVariable;
    // $PATH.
    std::string searchPath;
};

// The browser program for the user's choice: "Internet Explorer" is the desktop's default
// browser (xdg-open), "Netscape Navigator" is firefox; $BROWSER, when set, stands for either.
// Empty when the choice is neither or the program is not on the search path.
std::optional<std::string> findBrowser(const std::string& browserChoice,
                                       const BrowserEnvironment& environment);

// The one argument the browser is given for `target`: in a web address (a keyword check's, or a
// document that starts with a scheme) blanks and control characters are percent-encoded, and a
// target that would begin with "-" gets "./" in front, so that it cannot pass for an option.
std::string browserTarget(std::string_view target, bool webAddress);

// The keyword as the value of a query: "&", "#", "+", "%" and "=" and every byte above 127 are
// percent-encoded, so that the engine searches for exactly what was typed and not for the part
// before an "&". Blanks are left to `browserTarget`.
std::string queryValue(std::string_view keyword);

// The state of the keywords page when "Check" is pressed, or a document to show.
struct KeywordCheck {
    std::string browserChoice;
    // Not empty: open this document instead of a search; the rest below is ignored.
    std::string browserDocument;
    // The keyword-check list's selected engine, empty when none is selected.
    std::optional<std::string> selectedEngine;
    // The keyword field as typed.
    std::string keyword;
};

enum class CheckOutcome { Started, NoBrowser, NoEngine, TooLong, StartFailed };

// "Check": starts the browser on the selected engine's search address with the keyword joined
// to it, or on `browserDocument`, as one argument (see `browserTarget`). Tells the user when no
// browser is found or it ends with an error at once ("Could Not Find " + the choice), no engine
// is selected ("You Must Select to check against..."), or the command line would be longer than
// `kMaxCommandLine`.
CheckOutcome checkKeyword(const KeywordCheck& check, const sites::SiteTable& table,
                          const BrowserEnvironment& environment, platform::ProgramStarter& starter,
                          base::Messenger& messenger);

// Shows a file (an error log) in the browser: `checkKeyword` with `browserDocument` set.
CheckOutcome showDocument(const std::string& browserChoice, const std::string& document,
                          const BrowserEnvironment& environment, platform::ProgramStarter& starter,
                          base::Messenger& messenger);

}  // namespace farrow::keywords
