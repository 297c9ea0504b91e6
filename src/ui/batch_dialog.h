#pragma once

#include <QDialog>
#include <string>

#include "base/messenger.h"
#include "profile/batch_dialog_model.h"
#include "profile/batch_list.h"
#include "profile/profile_dialogs.h"

class QListWidget;

namespace farrow::ui {

// The batch dialog: the profiles of the batch by name, and the six buttons. It ends accepted
// only through "Go Ahead", once the batch run file is written.
class BatchDialog final : public QDialog {
    Q_OBJECT

public:
    explicit BatchDialog(profile::BatchDialogModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    profile::BatchDialogModel& model_;
    QListWidget* list_;
};

// What the window's "Batch Submission" button opens: true when "Go Ahead" wrote `runFilePath`,
// false when the dialog was cancelled (nothing is written then). `list` keeps its entries
// across openings.
bool openBatchDialog(QWidget* parent, profile::BatchList& list, profile::ProfileDialogs& dialogs,
                     base::Messenger& messenger, const std::string& runFilePath);

}  // namespace farrow::ui
