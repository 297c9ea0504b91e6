#include <CLI/CLI.hpp>

#include <memory>

#include "cli/command_line.h"
#include "optimizer/mirror_copies.h"
#include "optimizer/page_optimizer.h"
#include "platform/file_system.h"

namespace farrow::cli {

namespace {

// The page optimizer without its dialogs: the copies are written and each one is reported.
ExitCode mirrorPage(const std::string& page, std::ostream& out, std::ostream& err) {
    if (!platform::fileExists(page)) {
        err << optimizer::pageMissingMessage(page) << '\n';
        return kExitFailed;
    }
    bool allThere = true;
    for (const optimizer::MirrorCopy& copy : optimizer::writeMirrorCopies(page)) {
        out << copy.path << ": ";
        switch (copy.outcome) {
            case optimizer::CopyOutcome::Written:
                out << "written\n";
                break;
            case optimizer::CopyOutcome::Kept:
                out << "kept (exists)\n";
                break;
            case optimizer::CopyOutcome::Skipped:
                out << "skipped: " << copy.reason << '\n';
                allThere = false;
                break;
        }
    }
    return allThere ? kExitOk : kExitFailed;
}

}  // namespace

void addMirrorCommand(CLI::App& app, CommandContext& context) {
    auto page = std::make_shared<std::string>();
    CLI::App* mirror = app.add_subcommand(
        "mirror", "write five numbered copies of an HTML page beside it (page01.htm ...)");
    mirror->add_option("PAGE", *page, "the HTML page to mirror")->required();
    mirror->callback(
        [page, &context] { context.exitCode = mirrorPage(*page, context.out, context.err); });
}

}  // namespace farrow::cli
