#pragma once

#include <QRect>
#include <QWidget>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ui/keyboard_picture.h"

namespace tastarion::ui {

// The keyboard picture as a widget: it paints the picture with its guide
// marks, plays with the left mouse button and opens the popup menu on the
// right one. It knows nothing of the instrument; its owner connects the
// signals to whatever plays. The keys of the PC keyboard are not its business:
// a click hands the keyboard focus to its focus proxy, the owner that plays them.
class KeyboardWidget final : public QWidget {
  Q_OBJECT

 public:
  explicit KeyboardWidget(QWidget* parent = nullptr);

  // Draws (on) or erases the mark of a note. Any thread: the changes are
  // collected and drawn together once the window thread's event loop comes
  // round, in the order asked for.
  void draw_mark(bool on, uint8_t note);
  // Every mark erased; any thread, in order with draw_mark.
  void erase_marks();

 signals:
  // The left button went down on the picture; `note` is the key under the
  // pointer, 0 for none (a gap, the strip's place), and `depth` how far down
  // the key (depth_at).
  void notePressed(uint8_t note, int depth);
  // The pointer slid with the left button held; as for notePressed.
  void noteMoved(uint8_t note, int depth);
  // The left button went up.
  void noteReleased();
  // The popup menu's "Help" and "Exit".
  void helpAsked();
  void exitAsked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // A mark to draw or erase, or every mark erased.
  struct MarkChange {
    bool on = false;
    uint8_t note = 0;
    bool erase_all = false;
  };
  void queue_change(MarkChange change);
  // Window thread: draws what came since the last turn and asks for one repaint.
  void draw_queued_changes();
  void run_popup_menu(const QPoint& at);

  KeyboardPicture picture_;
  std::mutex changes_lock_;
  std::vector<MarkChange> changes_;
  // True while a call of draw_queued_changes waits in the event queue.
  bool drawing_queued_ = false;
};

}  // namespace tastarion::ui
