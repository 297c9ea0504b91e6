#include "ui/raised_frame.h"

#include <QFrame>
#include <QGridLayout>

namespace farrow::ui {

QFrame* addRaisedFrame(QWidget* window) {
    auto* frame = new QFrame(window);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    auto* outer = new QGridLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    return frame;
}

}  // namespace farrow::ui
