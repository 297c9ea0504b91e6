#pragma once

#include <string>

#include "base/messenger.h"
#include "base/workspace.h"
#include "profile/batch_list.h"
#include "profile/profile_dialogs.h"

namespace farrow::profile {

// How one of the batch dialog's operations ended.
enum class BatchAction {
    Done,
    // A chooser was closed or overwriting declined; nothing changed.
    Cancelled,
    // A file could not be written or read, or a path cannot be kept; the user was told and
    // nothing changed.
    Failed,
};

FileChooserOptions batchChooserOptions();

// What the batch dialog does, without the dialog: the window shows `shown()` and calls one
// operation per button. The list box starts empty at each opening while `list` keeps what earlier
// openings added.
class BatchDialogModel final {
public:
    BatchDialogModel(BatchList& list, ProfileDialogs& dialogs, base::Messenger& messenger,
                     std::string runFilePath);

    const BatchNames& shown() const { return shown_; }
    const std::string& runFilePath() const { return runFilePath_; }

    // "Add Profile to List": a chosen profile file joins the list.
    BatchAction addProfile();
    // "Remove From List": the shown name and every entry of that name.
    void removeName(const std::string& name);
    // "Save Batch Session": what the list shows, to a chosen ".flb" file. Entries of an earlier
    // opening whose names are not shown again are neither run nor saved.
    BatchAction saveSession();
    // "Load Batch Session": a chosen ".flb" file replaces the whole list.
    BatchAction loadSession();
    // "Go Ahead": writes the batch run file; `Done` ends the dialog with OK. A run file that
    // cannot be written is reported and the dialog stays open, so no batch runs on a stale file.
    BatchAction goAhead();

private:
    BatchList& list_;
    ProfileDialogs& dialogs_;
    base::Messenger& messenger_;
    std::string runFilePath_;
    // The workspace's batch run file lies in the workspace, whose folder a saved session's paths
    // are written relative to and a loaded one's taken from.
    base::Workspace workspace_;
    BatchNames shown_;
};

}  // namespace farrow::profile
