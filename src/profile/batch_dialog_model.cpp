#include "profile/batch_dialog_model.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "platform/file_system.h"
#include "profile/batch_session_file.h"
#include "profile/profile_file.h"

namespace farrow::profile {

namespace {

// A dot that starts the file name (".flb") is part of the name, not an extension.
bool hasExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    return dot != std::string::npos && dot > nameStart;
}

}  // namespace

FileChooserOptions batchChooserOptions() {
    return {kBatchFilterText, kBatchExtension};
}

BatchDialogModel::BatchDialogModel(BatchList& list, ProfileDialogs& dialogs,
                                   base::Messenger& messenger, std::string runFilePath)
    : list_(list),
      dialogs_(dialogs),
      messenger_(messenger),
      runFilePath_(std::move(runFilePath)),
      workspace_(std::filesystem::path(runFilePath_).parent_path().string()) {}

BatchAction BatchDialogModel::addProfile() {
    const std::optional<std::string> path = dialogs_.chooseOpenFile(profileChooserOptions());
    if (!path || path->empty()) {
        return BatchAction::Cancelled;
    }
    // The session and run files hold one path per line: a path with a line break would split
    // into two entries there.
    if (path->find_first_of("\r\n") != std::string::npos) {
        messenger_.showMessage("The profile \"" + *path +
                                   "\" cannot be added to a batch: its path holds a line break.",
                               base::MessageIcon::Exclamation);
        return BatchAction::Failed;
    }
    BatchEntry entry{*path, fileNamePart(*path)};
    shown_.add(entry.name);
    list_.add(std::move(entry));
    return BatchAction::Done;
}

void BatchDialogModel::removeName(const std::string& name) {
    shown_.remove(name);
    list_.removeName(name);
}

BatchAction BatchDialogModel::saveSession() {
    const FileChooserOptions options = batchChooserOptions();
    std::optional<std::string> path = dialogs_.chooseSaveFile(options);
    if (!path || path->empty()) {
        return BatchAction::Cancelled;
    }
    if (!hasExtension(*path)) {
        *path += "." + options.defaultExtension;
    }
    if (platform::fileExists(*path) && !dialogs_.confirmOverwrite(*path)) {
        return BatchAction::Cancelled;
    }
    if (const std::optional<FileError> error = writeTextFile(
            *path,
            formatBatchSession(entriesForSession(listedEntries(list_, shown_), workspace_)))) {
        messenger_.showMessage(
            "Could not write the batch session \"" + *path + "\": " + error->reason,
            base::MessageIcon::Exclamation);
        return BatchAction::Failed;
    }
    return BatchAction::Done;
}

BatchAction BatchDialogModel::loadSession() {
    const std::optional<std::string> path = dialogs_.chooseOpenFile(batchChooserOptions());
    if (!path || path->empty()) {
        return BatchAction::Cancelled;
    }
    SessionRead read = readBatchSession(*path, workspace_);
    if (read.error) {
        messenger_.showMessage(
            "Could not read the batch session \"" + *path + "\": " + read.error->reason,
            base::MessageIcon::Exclamation);
        return BatchAction::Failed;
    }
    shown_.clear();
    for (const BatchEntry& e : read.entries) {
        shown_.add(e.name);
    }
    list_.replace(std::move(read.entries));
    return BatchAction::Done;
}

BatchAction BatchDialogModel::goAhead() {
    if (const std::optional<FileError> error =
            writeTextFile(runFilePath_, formatBatchRunFile(batchRunPaths(list_, shown_)))) {
        messenger_.showMessage(
            "Could not write the batch run file \"" + runFilePath_ + "\": " + error->reason,
            base::MessageIcon::Exclamation);
        return BatchAction::Failed;
    }
    return BatchAction::Done;
}

}  // namespace farrow::profile
