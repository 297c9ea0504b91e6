#pragma once

#include <string>
#include <vector>

#include "base/switches.h"

namespace farrow::app {

// Compares each argument after the program name, whole and case-sensitively, with the switch
// texts; anything else is ignored.
base::Switches parseSwitches(const std::vector<std::string>& argv);

}  // namespace farrow::app
