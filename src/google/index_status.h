#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "base/clock.h"

namespace farrow::google {

// How the inspection of one URL ended.
enum class InspectionOutcome {
    Inspected,
    // 403: the URL lies outside the property, or the account may not read it.
    Refused,
    // 429: the property's quota is spent; this run inspects no more.
    QuotaSpent,
    // No usable answer (the service failed, could not be reached, or answered nonsense).
    Failed,
};

std::string text(InspectionOutcome outcome);
std::string token(InspectionOutcome outcome);

// What the index holds of one URL; a field the answer lacked is empty.
struct IndexStatus {
    std::string url;
    std::string property;
    base::TimePoint when{};
    InspectionOutcome outcome = InspectionOutcome::Inspected;
    std::string verdict;
    std::string coverageState;
    std::string indexingState;
    std::string robotsTxtState;
    std::string pageFetchState;
    std::string lastCrawlTime;
    std::string googleCanonical;
    std::string userCanonical;
    // The service's reason when it was not inspected.
    std::string detail;

    // The verdict says the URL is in the index.
    bool indexed() const { return verdict == "PASS"; }
};

// The fields of an inspection answer ({"inspectionResult":{"indexStatusResult":{...}}}); false
// when the answer has no index status at all.
bool readInspection(const nlohmann::json& answer, IndexStatus& into);

}  // namespace farrow::google
