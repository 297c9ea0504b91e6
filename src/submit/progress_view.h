#pragma once

#include <string>

namespace farrow::submit {

// The progress dialog of a run. The controller sets every text (already formatted: "0/%d" and
// "%4d" for the total, "%4.0f" for good and failed, "%04.2f" or "0" for the fail rate) and
// polls the two push-like check buttons. Called only on the thread that runs the controller.
class ProgressView {
public:
    virtual ~ProgressView() = default;

    // "Submitting: " + the profile's URL.
    virtual void setCaption(const std::string& text) = 0;
    // The "Last Site in Queue:" field.
    virtual void setLastSite(const std::string& text) = 0;
    // The "Overall:" bar runs from 0 to `maximum` (the number of sites + 1).
    virtual void setBarRange(int maximum) = 0;
    // One step per finished site.
    virtual void setBarPosition(int position) = 0;
    virtual void setTotal(const std::string& text) = 0;
    virtual void setGood(const std::string& text) = 0;
    virtual void setFailure(const std::string& text) = 0;
    virtual void setFailRate(const std::string& text) = 0;

    virtual void show() = 0;
    // Repaint now (the texts above may be buffered until then).
    virtual void refresh() = 0;

    // The check state of ABORT and of Pause: true while the button is down.
    virtual bool abortDown() const = 0;
    virtual bool pauseDown() const = 0;
};

}  // namespace farrow::submit
