#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <sstream>

#include "base/version.h"

namespace farrow::cli {

namespace {

constexpr const char* kDescription =
    "Works on the files of the current directory, as the desktop program does.";

std::shared_ptr<CLI::Formatter> formatter() {
    auto f = std::make_shared<CLI::Formatter>();
    f->label("Usage", "usage");
    f->label("SUBCOMMAND", "COMMAND");
    f->label("SUBCOMMANDS", "COMMANDS");
    f->column_width(24);
    return f;
}

// Lists the subcommands of `command` and of theirs under "Commands".
void nameCommandGroups(CLI::App& command) {
    for (CLI::App* sub : command.get_subcommands([](CLI::App*) { return true; })) {
        sub->group("Commands");
        nameCommandGroups(*sub);
    }
}

// The first word that is no command where one is expected, or nullptr; `parent` is left at the
// command it was expected under, and `path` names the commands above that one.
const std::string* unknownCommand(const std::vector<std::string>& args, CLI::App*& parent,
                                  std::string& path) {
    for (const std::string& word : args) {
        const auto subs = parent->get_subcommands([](CLI::App*) { return true; });
        if (subs.empty() || word.starts_with("-")) {
            return nullptr;
        }
        auto it = std::find_if(subs.begin(), subs.end(),
                               [&](CLI::App* sub) { return sub->get_name() == word; });
        if (it == subs.end()) {
            return &word;
        }
        path += (path.empty() ? "" : " ") + parent->get_name();
        parent = *it;
    }
    return nullptr;
}

// What each command's exit codes mean, named in its help.
struct CommandExits {
    const char* path;
    std::vector<ExitMeaning> meanings;
    // It stops on the first SIGINT or SIGTERM and ends on the second.
    bool stops = false;
    // A line after the codes.
    const char* note = "";
};

const std::vector<CommandExits>& commandExits() {
    static const std::vector<CommandExits> table = {
        {"sites decode", {{kExitFailed, "the file could not be read"}}},
        {"sites encode",
         {{kExitFailed,
           "the file could not be read, or a character of it cannot be stored:\n"
           "nothing was printed"}}},
        {"sites dump", {{kExitFailed, "there is no sites.enc, or it could not be read"}}},
        {"update", {{kExitFailed, "the sites database could not be checked or read"}}},
        {"profile check", {{kExitFailed, "the profile could not be read, or a check failed"}}},
        {"build", {{kExitFailed, "the profile could not be read, or no site would get a request"}}},
        {"mirror", {{kExitFailed, "the page is missing, or a copy was skipped"}}},
        {"submit",
         {{kExitFailed,
           "nothing was submitted: the profile could not be read, its check\n"
           "failed, or there was no connection"},
          {kExitSomeFailed, "a site failed or was terminated, or the run was stopped"}},
         true},
        {"deep",
         {{kExitFailed,
           "nothing was submitted: the start page gave no pages, or no page's\n"
           "run could start"},
          {kExitSomeFailed, "a page's run had a failed or terminated site, or was stopped"}},
         true},
        {"batch",
         {{kExitOk, "every profile ran and every site took it"},
          {kExitFailed,
           "nothing was submitted: an empty session, or no profile could be read\n"
           "or run"},
          {kExitSomeFailed,
           "a profile was skipped (it could not be read, its check failed, a deep\n"
           "profile's start page gave no pages) or not run after a stop, or a run had\n"
           "a failed or terminated site or was stopped"}},
         true,
         "The summary names the profiles skipped and those not run.\n"},
        {"indexnow key", {{kExitFailed, "the key could not be made or saved"}}},
        {"indexnow verify", {{kExitFailed, "the key file is not as the engines need it"}}},
        {"indexnow submit",
         {{kExitOk, "every URL that was to be sent was accepted (or none was left to send)"},
          {kExitFailed,
           "no engine could be reached, or the set-up is wrong (no key, an\n"
           "unreadable profile or list)"},
          {kExitUsage, "bad usage, a key or an endpoint that cannot be used"},
          {kExitSomeFailed, "an engine refused some URLs, or some could not be delivered"}},
         true},
        {"indexnow history", {{kExitFailed, "the ledger could not be read"}}},
        {"google check",
         {{kExitFailed,
           "the set-up is wrong: no or unreadable credentials, the token refused,\n"
           "no property covers the site, or no permission"}}},
        {"google sitemap submit",
         {{kExitFailed, "the set-up is wrong (see google check)"},
          {kExitSomeFailed, "a sitemap was refused or the sitemaps could not be read"}}},
        {"google sitemap status",
         {{kExitFailed, "the set-up is wrong (see google check)"},
          {kExitSomeFailed, "the sitemaps could not be read"}}},
        {"google inspect",
         {{kExitFailed, "the set-up is wrong (see google check)"},
          {kExitSomeFailed,
           "some URLs could not be inspected, or the quota or a stop ended the run\n"
           "before every URL was inspected"}},
         true},
        {"google history", {{kExitFailed, "the ledger could not be read"}}},
        {"crawl",
         {{kExitOk, "the crawl ended by itself, at a bound, or was stopped"},
          {kExitFailed, "the start page could not be read, or the output could not be written"}},
         true},
        {"audit",
         {{kExitOk, "no finding reached --fail-on"},
          {kExitFailed, "the start page could not be read, or the audit could not be written"},
          {kExitSomeFailed,
           "a finding reached --fail-on, or the audit was stopped (what was read\n"
           "is written)"}},
         true},
    };
    return table;
}

// The meanings every command shares, in order, with a command's own in their places.
std::vector<ExitMeaning> exitMeanings(const std::vector<ExitMeaning>& own) {
    std::vector<ExitMeaning> all = {{kExitOk, "done"},
                                    {kExitFailed, "failed (the reason on stderr)"},
                                    {kExitUsage, "bad usage"}};
    for (const ExitMeaning& meaning : own) {
        auto it = std::find_if(all.begin(), all.end(),
                               [&](const ExitMeaning& m) { return m.first == meaning.first; });
        if (it != all.end()) {
            it->second = meaning.second;
        } else {
            all.push_back(meaning);
        }
    }
    return all;
}

// Names the exit codes in the help of every command of the table.
void describeExitCodes(CLI::App& app) {
    for (const CommandExits& command : commandExits()) {
        CLI::App* sub = &app;
        std::istringstream words(command.path);
        for (std::string word; words >> word;) {
            sub = sub->get_subcommand(word);
        }
        sub->footer(exitCodeHelp(exitMeanings(command.meanings), command.stops) + command.note);
    }
}

}  // namespace

void addSwitchWords(CLI::App& command, std::vector<std::string>& words,
                    const std::vector<std::string>& accepted) {
    command.add_option("SWITCHES", words, "switch words: " + CLI::detail::join(accepted, " "))
        ->check(CLI::IsMember(accepted));
}

ExitCode runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const CommandSettings& settings) {
    CLI::App app(kDescription, "farrowctl");
    app.formatter(formatter());
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("farrowctl ") + base::kVersion,
                         "print the version and exit");
    CommandContext context(out, err, settings);
    addSitesCommands(app, context);
    addUpdateCommand(app, context);
    addProfileCommands(app, context);
    addBuildCommand(app, context);
    addMirrorCommand(app, context);
    addSubmitCommand(app, context);
    addDeepCommand(app, context);
    addBatchCommand(app, context);
    addIndexNowCommands(app, context);
    addCrawlCommand(app, context);
    addAuditCommand(app, context);
    addGoogleCommands(app, context);

    nameCommandGroups(app);
    describeExitCodes(app);

    CLI::App* parent = &app;
    std::string path;
    if (const std::string* word = unknownCommand(args, parent, path)) {
        context.err << "farrowctl: unknown command \"" << *word << "\"\n\n" << parent->help(path);
        return context.finish(kExitUsage);
    }
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForVersion& version) {
        context.out << version.what() << '\n';
        return context.finish(kExitOk);
    } catch (const CLI::CallForHelp&) {
        context.out << app.help();
        return context.finish(kExitOk);
    } catch (const CLI::ParseError& e) {
        // The help of the command that was being read, so that the usage is right beside the
        // complaint.
        context.err << "farrowctl: " << e.what() << "\n\n" << app.help();
        return context.finish(kExitUsage);
    }
    return context.finish(context.exitCode);
}

}  // namespace farrow::cli
