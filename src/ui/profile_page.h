#pragma once

#include <QWidget>

#include "app/caption_catalogue.h"
#include "profile/submission_profile.h"

namespace farrow::ui {

// One page of the main window. A page shows some values of the profile in its controls and
// takes the caption lines of the catalogue that name them; a page without either keeps these
// defaults.
class ProfilePage : public QWidget {
    Q_OBJECT
public:
    explicit ProfilePage(const QString& name) { setObjectName(name); }

    // Puts this page's values of `profile` into its controls.
    virtual void load(const profile::SubmissionProfile&) {}
    // Writes what its controls hold into this page's values of `profile`; the rest is left.
    virtual void save(profile::SubmissionProfile&) const {}
    virtual void applyCaptions(const app::CaptionCatalogue&) {}
};

}  // namespace farrow::ui
