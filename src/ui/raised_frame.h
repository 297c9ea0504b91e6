#pragma once

class QFrame;
class QWidget;

namespace farrow::ui {

// The caption-less windows draw their own raised border: a frame filling `window`, into which
// the window lays out its contents.
QFrame* addRaisedFrame(QWidget* window);

}  // namespace farrow::ui
