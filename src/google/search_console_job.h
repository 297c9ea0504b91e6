#pragma once

#include <atomic>
#include <cstddef>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/timing.h"
#include "crawl/site_crawl.h"
#include "google/index_status.h"
#include "google/property_choice.h"
#include "google/search_console_client.h"
#include "google/search_console_ledger.h"
#include "indexnow/url_source.h"

namespace farrow::google {

// Why a job could not work with the Search Console at all.
enum class SetupProblem {
    // No key file where one was looked for, or one that cannot be used.
    NoCredentials,
    BadCredentials,
    // The token endpoint refused the key; its error_description says why.
    TokenRefused,
    Unreachable,
    // The service answered something else than it should.
    BadAnswer,
    NoProperty,
    NoPermission,
    // A source of URLs could not be read.
    Source,
    Ledger,
    Stopped,
};

struct SetupFailure {
    SetupProblem problem = SetupProblem::BadAnswer;
    // The reason of the layer that saw it, or what to do.
    std::string detail;
};

std::string text(const SetupFailure& failure);
std::string token(SetupProblem problem);

// One sitemap of the property as the service reports it; counts summed over its contents.
struct SitemapState {
    std::string path;
    std::string lastSubmitted;
    std::string lastDownloaded;
    bool isPending = false;
    bool isSitemapsIndex = false;
    long long errors = 0;
    long long warnings = 0;
    long long submitted = 0;
};

// The sitemaps of a sitemaps answer ({"sitemap":[...]}); nullopt for another shape.
std::optional<std::vector<SitemapState>> sitemapStatesOf(const nlohmann::json& answer);

// What a job is busy with.
enum class SearchConsoleStep {
    Token,
    Properties,
    Gathering,
    Submitting,
    ReadingSitemaps,
    Inspecting
};

// How a job reaches its user; called on the thread that runs the job, in order.
class SearchConsoleFrontend : public crawl::CrawlProgress {
public:
    virtual void step(SearchConsoleStep step) = 0;
    // Something the user should mend that does not stop the job (a key file others may read).
    virtual void warning(const std::string& text) = 0;
    virtual void note(const indexnow::SourceNote& note) = 0;
    virtual void submitted(const SitemapSubmission& submission, const std::string& detail) = 0;
    // The inspections begin: `planned` URLs are to be inspected, one `inspected` call each
    // unless the run ends early.
    virtual void inspecting(std::size_t planned) = 0;
    virtual void inspected(const IndexStatus& inspection) = 0;
    virtual const std::atomic<bool>* stopFlag() const = 0;
};

struct SearchConsoleJob {
    struct Params {
        std::string credentialsFile;
        // Empty: the account's property that covers `siteUrl`.
        std::string property;
        std::string siteUrl;
        std::string siteTitle;
        ApiSettings api;
        std::string ledgerFile;
        // Sitemaps to submit; empty: those robots.txt names, else SCHEME://HOST/sitemap.xml.
        std::vector<std::string> sitemaps;
        // The URLs to inspect come from each source named; from `siteUrl` when none is.
        bool deepChecklist = false;
        bool crawl = false;
        std::string sitemap;
        std::string list;
        std::istream* listInput = nullptr;
        // At most this many inspections this run.
        std::optional<std::size_t> max;
        // Lists what would be inspected; nothing is sent, no token fetched.
        bool dryRun = false;
    };

    struct Check {
        std::optional<SetupFailure> failure;
        std::string clientEmail;
        std::vector<Property> properties;
        // The property used and whether it was given rather than chosen.
        std::optional<Property> property;
        bool propertyGiven = false;
    };

    struct Sitemaps {
        Check check;
        std::vector<SitemapSubmission> submissions;
        std::vector<SitemapState> states;
        // Submissions the service refused, or a read of the sitemaps that failed.
        std::size_t refused = 0;
        std::string readError;
        std::string ledgerError;
    };

    struct Inspection {
        Check check;
        // In the order they were (or, for a dry run, would be) inspected.
        std::vector<std::string> planned;
        std::vector<IndexStatus> inspections;
        // Planned URLs not inspected: the quota, --max, a stop, a refusal or a failure.
        std::size_t notInspected = 0;
        // The service's quota (429) or the daily budget ended the run.
        bool quotaEnded = false;
        bool stopped = false;
        std::vector<indexnow::LeftOutUrl> leftOut;
        std::string ledgerError;
    };

    // Gets a token, lists the properties and finds the one to use.
    static Check check(const Params& params, const base::Timing& timing, const base::Clock& clock,
                       SearchConsoleFrontend& frontend);
    // Submits each sitemap (when `submit`), then reads the property's sitemaps.
    static Sitemaps sitemaps(const Params& params, bool submit, const base::Timing& timing,
                             const base::Clock& clock, SearchConsoleFrontend& frontend);
    static Inspection inspect(const Params& params, const base::Timing& timing,
                              const base::Clock& clock, SearchConsoleFrontend& frontend);
};

// The URLs a run inspected, counted: those in the index, and those not by coverage state (a
// state the answer lacked is "-"); URLs not inspected are not counted.
struct InspectionTally {
    std::size_t indexed = 0;
    std::size_t notIndexed = 0;
    std::map<std::string, std::size_t> notIndexedBy;
};

InspectionTally tally(const std::vector<IndexStatus>& inspections);

// The URLs in the order they are inspected: never inspected, announced since their last
// inspection, not indexed at their last inspection, then the longest ago; within a group, in
// the order given.
std::vector<std::string> inspectionOrder(const std::vector<std::string>& urls,
                                         const std::map<std::string, UrlRecord>& records);

}  // namespace farrow::google
