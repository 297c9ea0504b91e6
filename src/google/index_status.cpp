#include "google/index_status.h"

namespace farrow::google {

std::string text(InspectionOutcome outcome) {
    switch (outcome) {
        case InspectionOutcome::Inspected:
            return "inspected";
        case InspectionOutcome::Refused:
            return "refused";
        case InspectionOutcome::QuotaSpent:
            return "quota spent";
        case InspectionOutcome::Failed:
            return "failed";
    }
    return {};
}

std::string token(InspectionOutcome outcome) {
    switch (outcome) {
        case InspectionOutcome::Inspected:
            return "inspected";
        case InspectionOutcome::Refused:
            return "refused";
        case InspectionOutcome::QuotaSpent:
            return "quota-spent";
        case InspectionOutcome::Failed:
            return "failed";
    }
    return {};
}

bool readInspection(const nlohmann::json& answer, IndexStatus& into) {
    if (!answer.is_object() || !answer.contains("inspectionResult") ||
        !answer["inspectionResult"].is_object()) {
        return false;
    }
    const nlohmann::json& result = answer["inspectionResult"];
    const auto status = result.find("indexStatusResult");
    if (status == result.end() || !status->is_object()) {
        return false;
    }
    const auto field = [&status](const char* name) {
        const auto it = status->find(name);
        return it != status->end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    into.verdict = field("verdict");
    into.coverageState = field("coverageState");
    into.indexingState = field("indexingState");
    into.robotsTxtState = field("robotsTxtState");
    into.pageFetchState = field("pageFetchState");
    into.lastCrawlTime = field("lastCrawlTime");
    into.googleCanonical = field("googleCanonical");
    into.userCanonical = field("userCanonical");
    return true;
}

}  // namespace farrow::google
