#include "google/search_console_job.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "crawl/robots_rules.h"
#include "crawl/web_fetch.h"
#include "indexnow/key_scope.h"
#include "indexnow/url_gathering.h"

namespace farrow::google {

namespace {

// robots.txt is read up to this many bytes for its Sitemap: lines.
constexpr std::size_t kRobotsBytes = 512 * 1024;

bool stopAsked(const SearchConsoleFrontend& frontend) {
    const std::atomic<bool>* stop = frontend.stopFlag();
    return stop != nullptr && stop->load();
}

SetupFailure failureOf(const ApiAnswer& answer, const std::string& what) {
    switch (answer.outcome) {
        case CallOutcome::Cancelled:
            return {SetupProblem::Stopped, "stopped"};
        case CallOutcome::Unreachable:
        case CallOutcome::ServerFailed:
            return {SetupProblem::Unreachable,
                    what + ": " + text(answer.outcome) +
                        (answer.message.empty() ? "" : ": " + answer.message)};
        case CallOutcome::PermissionDenied:
            return {SetupProblem::NoPermission, what + ": " + answer.message};
        default:
            break;
    }
    return {SetupProblem::BadAnswer,
            what + ": " + text(answer.outcome) +
                (answer.status != 0 ? " (status " + std::to_string(answer.status) + ")" : "") +
                (answer.message.empty() ? "" : ": " + answer.message)};
}

long long countOf(const nlohmann::json& object, const char* name) {
    const auto it = object.find(name);
    if (it == object.end()) {
        return 0;
    }
    if (it->is_number_integer()) {
        return it->get<long long>();
    }
    if (it->is_string()) {
        // The service sends its 64-bit counts as JSON strings.
        try {
            return std::stoll(it->get<std::string>());
        } catch (const std::exception&) {
            return 0;
        }
    }
    return 0;
}

std::string stringOf(const nlohmann::json& object, const char* name) {
    const auto it = object.find(name);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// The account, its tokens and the client of one job.
struct Session {
    TokenClient tokens;
    SearchConsoleClient client;

    Session(ServiceAccount account, const ApiSettings& api, const base::Timing& timing,
            const base::Clock& clock)
        : tokens(std::move(account), api, timing, clock), client(tokens, api, timing) {}
};

ApiSettings withStop(ApiSettings api, const SearchConsoleFrontend& frontend) {
    api.cancel = frontend.stopFlag();
    return api;
}

// Reads the key, gets a token and finds the property; empty (with `check.failure`) when any
// step fails.
std::unique_ptr<Session> openSession(const SearchConsoleJob::Params& params,
                                     const base::Timing& timing, const base::Clock& clock,
                                     SearchConsoleFrontend& frontend,
                                     SearchConsoleJob::Check& check) {
    frontend.step(SearchConsoleStep::Token);
    LoadedAccount loaded = readServiceAccount(params.credentialsFile);
    if (!loaded.account) {
        check.failure = {loaded.error.code == base::ErrorCode::NotFound
                             ? SetupProblem::NoCredentials
                             : SetupProblem::BadCredentials,
                         loaded.error.reason};
        return nullptr;
    }
    if (!loaded.warning.empty()) {
        frontend.warning(loaded.warning);
    }
    check.clientEmail = loaded.account->clientEmail;
    auto session = std::make_unique<Session>(std::move(*loaded.account),
                                             withStop(params.api, frontend), timing, clock);
    if (const ApiAnswer t = session->tokens.token(); !t.done()) {
        check.failure = t.outcome == CallOutcome::Unauthenticated
                            ? SetupFailure{SetupProblem::TokenRefused, t.message}
                            : failureOf(t, "the token endpoint");
        return nullptr;
    }
    frontend.step(SearchConsoleStep::Properties);
    const ApiAnswer sites = session->client.sites();
    if (!sites.done()) {
        check.failure = failureOf(sites, "the list of properties");
        return nullptr;
    }
    const auto properties = propertiesOf(sites.body);
    if (!properties) {
        check.failure = {SetupProblem::BadAnswer, "the list of properties has another shape"};
        return nullptr;
    }
    check.properties = *properties;
    const std::string addUser = "add " + check.clientEmail + " as a user of the property";
    if (!params.property.empty()) {
        check.propertyGiven = true;
        for (const Property& p : check.properties) {
            if (p.siteUrl == params.property) {
                check.property = p;
            }
        }
        if (!check.property) {
            check.failure = {SetupProblem::NoProperty, "the account is no user of the property " +
                                                           params.property + ": " + addUser +
                                                           " in Search Console"};
            return nullptr;
        }
    } else {
        check.property = coveringProperty(check.properties, params.siteUrl);
        if (!check.property) {
            check.failure = {SetupProblem::NoProperty,
                             "no property of the account covers " + params.siteUrl + ": " +
                                 addUser +
                                 " that covers the site in Search Console (or give "
                                 "--property)"};
            return nullptr;
        }
    }
    if (!mayRead(check.property->permission)) {
        check.failure = {SetupProblem::NoPermission, check.property->siteUrl + ": the account " +
                                                         text(check.property->permission) +
                                                         "; verify the property, or " + addUser +
                                                         " with full or restricted permission"};
        return nullptr;
    }
    return session;
}

std::optional<SearchConsoleLedger> openLedger(const std::string& file, bool mayMake,
                                              std::optional<SetupFailure>& failure) {
    if (!mayMake && !std::filesystem::exists(file)) {
        return std::nullopt;
    }
    SearchConsoleLedger::Opened opened = SearchConsoleLedger::open(file);
    if (!opened.ledger) {
        failure = {SetupProblem::Ledger, opened.error.reason};
    }
    return std::move(opened.ledger);
}

// The sitemaps robots.txt names, else the one at the root.
std::vector<std::string> defaultSitemaps(const std::string& siteUrl, const base::Timing& timing,
                                         const std::string& caFile,
                                         const std::atomic<bool>* cancel) {
    const auto parts = indexnow::urlParts(siteUrl);
    if (!parts) {
        return {};
    }
    const std::string origin = parts->scheme + "://" + parts->host;
    platform::WebRequest ask;
    ask.url = origin + "/robots.txt";
    ask.maxBodyBytes = kRobotsBytes;
    ask.connectTimeout = timing.siteCrawlConnectTimeout;
    ask.stallTimeout = timing.siteCrawlStallTimeout;
    ask.deadline = timing.siteCrawlPageDeadline;
    ask.cancel = cancel;
    const platform::WebResponse answer = crawl::webPageFetch(caFile)(ask);
    if (!answer.failed() && answer.status == 200) {
        const crawl::RobotsRules rules =
            crawl::RobotsRules::parse(answer.body, crawl::kRobotsToken);
        if (!rules.sitemaps().empty()) {
            return rules.sitemaps();
        }
    }
    return {origin + "/sitemap.xml"};
}

// The gathering's notes and the crawl's progress go to the job's frontend; the job says once
// that it gathers.
class GatheringEvents final : public indexnow::UrlGatheringObserver {
public:
    explicit GatheringEvents(SearchConsoleFrontend& frontend) : frontend_(frontend) {}

    void reading(indexnow::UrlSourceKind) override {}
    void note(const indexnow::SourceNote& note) override { frontend_.note(note); }
    const std::atomic<bool>* stopFlag() const override { return frontend_.stopFlag(); }
    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        frontend_.pageDone(page, fetched, waiting);
    }

private:
    SearchConsoleFrontend& frontend_;
};

// The URLs to inspect from the sources named, in their order, without duplicates; empty with
// `result.check.failure` or `result.stopped` set when the job ends here.
std::optional<std::vector<std::string>> gather(const SearchConsoleJob::Params& p,
                                               const base::Timing& timing, const base::Clock& clock,
                                               SearchConsoleFrontend& frontend,
                                               SearchConsoleJob::Inspection& result) {
    frontend.step(SearchConsoleStep::Gathering);
    GatheringEvents events(frontend);
    indexnow::GatheredUrls gathered =
        indexnow::gatherUrls({p.siteUrl, p.siteTitle, p.deepChecklist, p.crawl, p.sitemap, p.list,
                              p.listInput, p.api.caFile, p.ledgerFile, p.dryRun, std::nullopt},
                             timing, clock, events);
    result.leftOut = std::move(gathered.leftOut);
    if (gathered.stopped || stopAsked(frontend)) {
        result.stopped = true;
        return std::nullopt;
    }
    if (gathered.failure) {
        result.check.failure = {gathered.failure->stage == indexnow::GatheringFailure::Stage::Ledger
                                    ? SetupProblem::Ledger
                                    : SetupProblem::Source,
                                gathered.failure->error.reason};
        return std::nullopt;
    }
    std::vector<std::string> urls;
    std::set<std::string> seen;
    for (indexnow::CandidateUrl& u : gathered.urls) {
        if (seen.insert(u.url).second) {
            urls.push_back(std::move(u.url));
        } else {
            result.leftOut.push_back({std::move(u.url), indexnow::LeftOutReason::Duplicate});
        }
    }
    return urls;
}

}  // namespace

std::string text(const SetupFailure& failure) {
    switch (failure.problem) {
        case SetupProblem::NoCredentials:
            return failure.detail +
                   " (give --credentials FILE, set GOOGLE_APPLICATION_CREDENTIALS, or put the "
                   "service account's key file in the workspace as google-credentials.json)";
        case SetupProblem::BadCredentials:
            return failure.detail;
        case SetupProblem::TokenRefused:
            return "the token endpoint refused the service account's key: " + failure.detail;
        case SetupProblem::Ledger:
            return "the ledger: " + failure.detail;
        case SetupProblem::Unreachable:
        case SetupProblem::BadAnswer:
        case SetupProblem::NoProperty:
        case SetupProblem::NoPermission:
        case SetupProblem::Source:
        case SetupProblem::Stopped:
            break;
    }
    return failure.detail;
}

std::string token(SetupProblem problem) {
    switch (problem) {
        case SetupProblem::NoCredentials:
            return "no-credentials";
        case SetupProblem::BadCredentials:
            return "bad-credentials";
        case SetupProblem::TokenRefused:
            return "token-refused";
        case SetupProblem::Unreachable:
            return "unreachable";
        case SetupProblem::BadAnswer:
            return "bad-answer";
        case SetupProblem::NoProperty:
            return "no-property";
        case SetupProblem::NoPermission:
            return "no-permission";
        case SetupProblem::Source:
            return "source";
        case SetupProblem::Ledger:
            return "ledger";
        case SetupProblem::Stopped:
            return "stopped";
    }
    return {};
}

std::optional<std::vector<SitemapState>> sitemapStatesOf(const nlohmann::json& answer) {
    if (!answer.is_object()) {
        return std::nullopt;
    }
    std::vector<SitemapState> states;
    const auto list = answer.find("sitemap");
    if (list == answer.end()) {
        return states;
    }
    if (!list->is_array()) {
        return std::nullopt;
    }
    for (const nlohmann::json& entry : *list) {
        if (!entry.is_object()) {
            return std::nullopt;
        }
        SitemapState s;
        s.path = stringOf(entry, "path");
        s.lastSubmitted = stringOf(entry, "lastSubmitted");
        s.lastDownloaded = stringOf(entry, "lastDownloaded");
        s.isPending = entry.value("isPending", false);
        s.isSitemapsIndex = entry.value("isSitemapsIndex", false);
        s.errors = countOf(entry, "errors");
        s.warnings = countOf(entry, "warnings");
        // "indexed" of the contents is no longer filled in by the service: only what was
        // submitted is summed.
        if (const auto contents = entry.find("contents");
            contents != entry.end() && contents->is_array()) {
            for (const nlohmann::json& c : *contents) {
                if (c.is_object()) {
                    s.submitted += countOf(c, "submitted");
                }
            }
        }
        states.push_back(std::move(s));
    }
    return states;
}

InspectionTally tally(const std::vector<IndexStatus>& inspections) {
    InspectionTally t;
    for (const IndexStatus& i : inspections) {
        if (i.outcome != InspectionOutcome::Inspected) {
            continue;
        }
        if (i.indexed()) {
            ++t.indexed;
        } else {
            ++t.notIndexed;
            ++t.notIndexedBy[i.coverageState.empty() ? "-" : i.coverageState];
        }
    }
    return t;
}

std::vector<std::string> inspectionOrder(const std::vector<std::string>& urls,
                                         const std::map<std::string, UrlRecord>& records) {
    struct Ranked {
        int group;
        base::TimePoint inspected;
        const std::string* url;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(urls.size());
    for (const std::string& url : urls) {
        const auto it = records.find(url);
        const UrlRecord record = it != records.end() ? it->second : UrlRecord{};
        int group = 3;
        if (!record.inspected) {
            group = 0;
        } else if (record.announced && *record.announced > *record.inspected) {
            group = 1;
        } else if (!record.indexed) {
            group = 2;
        }
        ranked.push_back({group, record.inspected.value_or(base::TimePoint{}), &url});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.group != b.group) {
            return a.group < b.group;
        }
        return a.group == 3 && a.inspected < b.inspected;
    });
    std::vector<std::string> ordered;
    ordered.reserve(ranked.size());
    for (const Ranked& r : ranked) {
        ordered.push_back(*r.url);
    }
    return ordered;
}

SearchConsoleJob::Check SearchConsoleJob::check(const Params& params, const base::Timing& timing,
                                                const base::Clock& clock,
                                                SearchConsoleFrontend& frontend) {
    Check check;
    openSession(params, timing, clock, frontend, check);
    return check;
}

SearchConsoleJob::Sitemaps SearchConsoleJob::sitemaps(const Params& params, bool submit,
                                                      const base::Timing& timing,
                                                      const base::Clock& clock,
                                                      SearchConsoleFrontend& frontend) {
    Sitemaps result;
    const std::unique_ptr<Session> session =
        openSession(params, timing, clock, frontend, result.check);
    if (!session) {
        return result;
    }
    const std::string& property = result.check.property->siteUrl;
    if (submit) {
        std::optional<SearchConsoleLedger> ledger =
            openLedger(params.ledgerFile, true, result.check.failure);
        if (!ledger) {
            return result;
        }
        const std::vector<std::string> feeds =
            params.sitemaps.empty()
                ? defaultSitemaps(params.siteUrl, timing, params.api.caFile, frontend.stopFlag())
                : params.sitemaps;
        frontend.step(SearchConsoleStep::Submitting);
        for (const std::string& feed : feeds) {
            if (stopAsked(frontend)) {
                result.check.failure = {SetupProblem::Stopped, "stopped"};
                return result;
            }
            const ApiAnswer answer = session->client.submitSitemap(property, feed);
            if (answer.outcome == CallOutcome::Cancelled) {
                result.check.failure = {SetupProblem::Stopped, "stopped"};
                return result;
            }
            SitemapSubmission s{feed, property, clock.now(), answer.status,
                                answer.done()                                 ? "submitted"
                                : answer.status >= 400 && answer.status < 500 ? "refused"
                                                                              : "failed"};
            if (!answer.done()) {
                ++result.refused;
            }
            if (const base::Error e = ledger->recordSubmission(s)) {
                result.ledgerError = e.reason;
            }
            frontend.submitted(s, answer.done()            ? std::string()
                                  : answer.message.empty() ? text(answer.outcome)
                                                           : answer.message);
            result.submissions.push_back(std::move(s));
            if (!result.ledgerError.empty()) {
                return result;
            }
        }
    }
    frontend.step(SearchConsoleStep::ReadingSitemaps);
    const ApiAnswer list = session->client.sitemaps(property);
    if (!list.done()) {
        result.readError = text(failureOf(list, "the property's sitemaps"));
        return result;
    }
    if (auto states = sitemapStatesOf(list.body)) {
        result.states = std::move(*states);
    } else {
        result.readError = "the property's sitemaps: the answer has another shape";
    }
    return result;
}

SearchConsoleJob::Inspection SearchConsoleJob::inspect(const Params& params,
                                                       const base::Timing& timing,
                                                       const base::Clock& clock,
                                                       SearchConsoleFrontend& frontend) {
    Inspection result;
    std::optional<std::vector<std::string>> urls = gather(params, timing, clock, frontend, result);
    if (!urls) {
        return result;
    }
    std::unique_ptr<Session> session;
    if (params.dryRun) {
        result.check.propertyGiven = !params.property.empty();
        result.check.property =
            Property{params.property.empty() ? urlPrefixOf(params.siteUrl) : params.property,
                     Permission::Unknown};
    } else {
        session = openSession(params, timing, clock, frontend, result.check);
        if (!session) {
            return result;
        }
    }
    const std::string property = result.check.property->siteUrl;
    std::optional<SearchConsoleLedger> ledger =
        openLedger(params.ledgerFile, !params.dryRun, result.check.failure);
    if (result.check.failure) {
        return result;
    }
    std::vector<std::string> ordered = *urls;
    std::size_t budget = timing.googleDailyInspections;
    if (ledger) {
        ordered = inspectionOrder(*urls, ledger->records(*urls));
        const std::size_t spent =
            ledger->inspectionsSince(property, clock.now() - timing.googleQuotaWindow);
        budget = spent >= budget ? 0 : budget - spent;
    }
    std::size_t limit = std::min(budget, ordered.size());
    if (params.max) {
        limit = std::min(limit, *params.max);
    }
    result.quotaEnded = budget < ordered.size() && (!params.max || budget < *params.max);
    result.planned.assign(ordered.begin(), ordered.begin() + static_cast<long>(limit));
    result.notInspected = ordered.size();
    if (params.dryRun) {
        return result;
    }

    frontend.step(SearchConsoleStep::Inspecting);
    frontend.inspecting(result.planned.size());
    bool first = true;
    for (const std::string& url : result.planned) {
        if (stopAsked(frontend) ||
            (!first && !pause(timing.googleInspectPace, frontend.stopFlag()))) {
            result.stopped = true;
            break;
        }
        first = false;
        const ApiAnswer answer = session->client.inspect(property, url);
        if (answer.outcome == CallOutcome::Cancelled) {
            result.stopped = true;
            break;
        }
        IndexStatus inspection;
        inspection.url = url;
        inspection.property = property;
        inspection.when = clock.now();
        if (answer.done()) {
            if (!readInspection(answer.body, inspection)) {
                inspection.outcome = InspectionOutcome::Failed;
                inspection.detail = "the answer holds no index status";
            }
        } else {
            inspection.outcome =
                answer.outcome == CallOutcome::PermissionDenied ? InspectionOutcome::Refused
                : answer.outcome == CallOutcome::QuotaSpent     ? InspectionOutcome::QuotaSpent
                                                                : InspectionOutcome::Failed;
            inspection.detail = answer.message.empty() ? text(answer.outcome) : answer.message;
        }
        if (inspection.outcome == InspectionOutcome::Inspected) {
            --result.notInspected;
        }
        if (const base::Error e = ledger->recordInspection(inspection)) {
            result.ledgerError = e.reason;
        }
        frontend.inspected(inspection);
        const bool quota = inspection.outcome == InspectionOutcome::QuotaSpent;
        result.inspections.push_back(std::move(inspection));
        if (quota) {
            result.quotaEnded = true;
            break;
        }
        if (!result.ledgerError.empty()) {
            break;
        }
    }
    return result;
}

}  // namespace farrow::google
