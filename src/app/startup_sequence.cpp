#include "app/startup_sequence.h"

#include <thread>

#include "base/startup_status.h"
#include "base/text.h"
#include "logs/site_record_dump.h"
#include "platform/file_system.h"
#include "sites/sites_file_reader.h"

namespace farrow::app {

namespace {

// Waits for `status.done`, handing each posted stage to `onMessage` and pumping the windows.
template <typename OnMessage>
void pollUntilDone(base::StartupStatus& status, base::MessagePump* pump, base::Millis poll,
                   OnMessage onMessage) {
    while (status.done.load(std::memory_order_acquire) == 0) {
        if (pump) {
            pump->pumpMessages();
        }
        if (status.changed.load(std::memory_order_acquire) != 0) {
            onMessage(status.takeMessage());
        }
        std::this_thread::sleep_for(poll);
    }
    if (status.changed.load(std::memory_order_acquire) != 0) {
        onMessage(status.takeMessage());
    }
}

// The start-up check thread: runs the database download (unless switched off) and forwards its
// stages. Only status records cross between the threads.
// `result` is written by the downloader and read once it has joined.
void startupCheck(base::StartupStatus& status, const AppState& state, base::Messenger& messenger,
                  std::optional<sites::DatabaseDownloadResult>& result) {
    status.postMessage("Checking Site List File");

    base::StartupStatus download;
    std::thread downloader;
    if (state.switches.skipDatabaseDownload) {
        download.finish(true);
    } else {
        downloader = std::thread([&] {
            result = sites::downloadSitesDatabase(
                {.server = state.databaseServer, .localPath = state.workspace.sitesFile()},
                download, messenger, state.timing);
        });
    }
    std::this_thread::sleep_for(state.timing.threadSettle);
    pollUntilDone(download, nullptr, state.timing.startupPoll,
                  [&](std::string text) { status.postMessage(std::move(text)); });
    if (downloader.joinable()) {
        downloader.join();
    }
    if (download.succeeded.load() != 1) {
        messenger.showMessage("Sites Database Problem.", base::MessageIcon::Stop);
        status.finish(false);
        return;
    }
    status.postMessage("Reading Sites Database File....");
    std::this_thread::sleep_for(state.timing.startupFinish);
    status.finish(true);
}

}  // namespace

void loadBranding(AppState& state, base::Messenger& messenger) {
    state.branding = readBranding(messenger, state.workspace.brandingFile());
    state.adultOnlyEdition = isAdultOnlyEdition(state.branding);
}

StartupOutcome runStartupSequence(AppState& state, const std::vector<std::string>& argv,
                                  StartupFrontend& frontend) {
    StartupOutcome outcome;
    base::Messenger& messenger = frontend.messenger();

    state.switches = parseSwitches(argv);
    state.statusText = "Initializing";
    state.smartMatchTable = keywords::SmartMatchTable::standard();

    state.logsDir = state.workspace.logsDir();
    state.errorsDir = state.workspace.errorsDir();
    platform::makeDirectory(state.logsDir);
    platform::makeDirectory(state.errorsDir);
    SettingsLoad settings = loadUserSettings(messenger, state.workspace.settingsFile());
    state.userSettings = settings.settings;
    outcome.settingsFileExisted = settings.fileExisted;

    platform::removeFile(platform::joinPath(state.logsDir, logs::kSiteLogFile));

    std::unique_ptr<base::InitView> initView = frontend.createInitView();
    if (!initView) {
        messenger.showMessage("Could not create Initialization Dialog",
                              base::MessageIcon::Exclamation);
    }

    const bool checkNow = frontend.askCheckForUpdates();
    if (initView) {
        initView->show();
    }
    if (checkNow) {
        base::StartupStatus status;
        std::thread checker([&] { startupCheck(status, state, messenger, outcome.download); });
        std::this_thread::sleep_for(state.timing.threadSettle);
        pollUntilDone(status, &frontend.pump(), state.timing.startupPoll,
                      [&](const std::string& text) {
                          if (initView) {
                              initView->setStage(text);
                          }
                          frontend.refreshMainWindow();
                      });
        checker.join();
        if (status.succeeded.load() != 1) {
            outcome.ok = false;
            return outcome;
        }
    }

    if (initView) {
        initView->setStage("Reading Sites File from Disk");
    }
    readSites(state, initView.get(), messenger);
    return outcome;
}

void readSites(AppState& state, base::InitView* initView, base::Messenger& messenger) {
    sites::SitesReadOptions options;
    options.adultOnlyEdition = state.adultOnlyEdition;
    if (initView) {
        options.onOpened = [initView] { initView->showLoaded(); };
        options.onCount = [initView](int kept) {
            initView->setLoadedCount(base::format("%d Sites", kept));
        };
    }
    if (state.switches.siteLog) {
        options.onRecord = [&state](const sites::SiteRecord& record) {
            logs::dumpSiteRecord(state.logsDir, record, record.isComplex);
        };
    }
    sites::SitesLoad load = sites::readSitesFile(state.workspace, options, messenger);
    state.siteCount = load.siteCount;
    state.siteTable = std::move(load.table);
    for (const std::string& name : load.available.entries()) {
        state.lists.available.add(name);
    }
    for (const std::string& name : load.keywordCheck.entries()) {
        state.lists.keywordCheck.add(name);
    }
}

void finishStartup(AppState& state) {
    state.currentProfilePath = "NULL";
    state.statusText = "READY";
}

}  // namespace farrow::app
