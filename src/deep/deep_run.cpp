#include "deep/deep_run.h"

#include "deep/checklist_items.h"
#include "deep/page_catalogue.h"

namespace farrow::deep {

namespace {

// Puts the current profile path back to "NULL" however the run ends, exceptions included.
class DeepProfilePath final {
public:
    explicit DeepProfilePath(std::string& path) : path_(path) { path_ = kDeepProfilePath; }
    ~DeepProfilePath() { path_ = kNoProfilePath; }
    DeepProfilePath(const DeepProfilePath&) = delete;
    DeepProfilePath& operator=(const DeepProfilePath&) = delete;

private:
    std::string& path_;
};

}  // namespace

std::string runTitle(const PageEntry& page, const std::string& mainTitle) {
    return page.title.size() > 2 ? page.title : mainTitle;
}

DeepRunResult runDeepSubmission(const DeepRunParams& params, const std::vector<PageEntry>& pages,
                                std::string& currentProfilePath, const RunOnePage& runOnePage) {
    DeepRunResult result;
    result.profile = params.profile;
    const DeepProfilePath deep(currentProfilePath);
    for (const PageEntry& page : pages) {
        result.profile.url = page.url;
        result.profile.title = runTitle(page, params.profile.title);
        result.ending = runOnePage(result.profile);
        if (result.ending == PageRunOutcome::ValidationFailed) {
            break;
        }
        ++result.pagesRun;
        if (result.ending == PageRunOutcome::Aborted) {
            break;
        }
    }
    return result;
}

std::optional<std::vector<PageEntry>> choosePages(const DeepRunParams& params,
                                                  const base::Timing& timing,
                                                  DeepFrontend& frontend) {
    const std::string& url = params.profile.url;
    CatalogueResult catalogue;
    {
        std::unique_ptr<RetrievalView> view = frontend.openRetrievalView();
        catalogue = cataloguePages(url, params.profile.title, timing, view.get(), &frontend.pump());
        if (!catalogue.notes.empty()) {
            frontend.messenger().showMessage(catalogueNotesText(catalogue.notes),
                                             base::MessageIcon::Information);
        }
        if (catalogue.status != CatalogueStatus::Listed) {
            frontend.messenger().showMessage(catalogueMessage(catalogue.status, url),
                                             base::MessageIcon::Information);
            return std::nullopt;
        }
    }
    frontend.pump().pumpMessages();
    return frontend.choosePages(checklistItems(catalogue.pages));
}

std::optional<DeepRunResult> deepSubmission(const DeepRunParams& params, const base::Timing& timing,
                                            DeepFrontend& frontend, std::string& currentProfilePath,
                                            const RunOnePage& runOnePage) {
    const std::optional<std::vector<PageEntry>> chosen = choosePages(params, timing, frontend);
    if (!chosen) {
        return std::nullopt;
    }
    return runDeepSubmission(params, *chosen, currentProfilePath, runOnePage);
}

}  // namespace farrow::deep
