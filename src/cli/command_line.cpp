#include "cli/command_line.h"

#include <functional>
#include <map>

namespace farrow::cli {

namespace {

constexpr const char* kUsage =
    "usage: farrowctl COMMAND [ARGS]\n"
    "\n"
    "Works on the files of the current directory, as the desktop program does.\n"
    "\n"
    "  sites decode FILE    print each line of an encoded sites file as plain text\n"
    "  sites encode FILE    print each plain line of FILE encoded for sites.enc\n"
    "  sites dump           print every site record read from sites.enc, then the count\n"
    "  update [/VUZODURI]   check the database server for a newer sites.enc\n"
    "  profile check FILE   print each failing check of a profile (.fl2); exit 1 if any failed\n"
    "  build FILE           print the request each selected site of a profile would get, one\n"
    "                       JSON object per line, without sending anything\n";

}  // namespace

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const std::string& databaseServer) {
    using Command =
        std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;
    const std::map<std::string, Command> commands = {
        {"sites", sitesCommand},
        {"update", [&](const std::vector<std::string>& a, std::ostream& o,
                       std::ostream& e) { return updateCommand(a, o, e, databaseServer); }},
        {"profile", profileCommand},
        {"build", buildCommand},
    };
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    auto it = commands.find(args[0]);
    if (it == commands.end()) {
        err << "farrowctl: unknown command \"" << args[0] << "\"\n\n" << kUsage;
        return kExitUsage;
    }
    int rc = it->second(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (rc == kExitUsage) {
        err << kUsage;
    }
    return rc;
}

}  // namespace farrow::cli
