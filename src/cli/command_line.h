#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace farrow::cli {

// Exit codes of farrowctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs one farrowctl command; `args` excludes the program name. `databaseServer` is the server
// "update" asks ("host" or "host:port").
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const std::string& databaseServer);

// The commands, one group per file.
int sitesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int updateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::string& databaseServer);
int profileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int buildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace farrow::cli
