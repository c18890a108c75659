#include "ui/keyboard_widget.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace tastarion::ui {

KeyboardWidget::KeyboardWidget(QWidget* parent) : QWidget(parent) {
  setFixedSize(picture_width, picture_height);
  // A click gives the keys to the focus proxy, or to the widget where it has none.
  setFocusPolicy(Qt::ClickFocus);
  // The picture covers every pixel; nothing needs clearing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  // What a screen reader says of the picture, which shows but does not tell.
  setAccessibleName(tr("Keyboard"));
  setAccessibleDescription(
      tr("A piano keyboard of 43 keys, G1 to C#5, played with the PC keyboard or the left "
         "mouse button. F1 lists the keys; the right mouse button opens a menu."));
}

void KeyboardWidget::draw_mark(bool on, uint8_t note) {
  queue_change({on, note});
}

void KeyboardWidget::erase_marks() {
  queue_change({.erase_all = true});
}

// The timer thread must never wait for the window thread: it only adds to the
// list, and the first change of a turn asks for the one call that draws them all.
void KeyboardWidget::queue_change(MarkChange change) {
  {
    const std::lock_guard lock(changes_lock_);
    // Marks drawn before an erase would be wiped by it.
    if (change.erase_all) changes_.clear();
    changes_.push_back(change);
    if (std::exchange(drawing_queued_, true)) return;
  }
  QMetaObject::invokeMethod(this, &KeyboardWidget::draw_queued_changes, Qt::QueuedConnection);
}

void KeyboardWidget::draw_queued_changes() {
  std::vector<MarkChange> changes;
  {
    const std::lock_guard lock(changes_lock_);
    changes.swap(changes_);
    drawing_queued_ = false;
  }
  QRect touched;
  for (const MarkChange& change : changes) {
    if (change.erase_all) {
      picture_.draw_keyboard();
      touched = rect();
    } else {
      touched |= picture_.draw_mark(change.on, change.note);
    }
  }
  if (!touched.isEmpty()) update(touched);
}

void KeyboardWidget::run_popup_menu(const QPoint& at) {
  QMenu menu(this);
  QAction* help = menu.addAction(tr("Help"));
  QAction* exit = menu.addAction(tr("Exit"));
  QAction* chosen = menu.exec(mapToGlobal(at));
  if (chosen == help) emit helpAsked();
  if (chosen == exit) emit exitAsked();
}

void KeyboardWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    run_popup_menu(event->position().toPoint());
    return;
  }
  if (event->button() == Qt::LeftButton) {
    const QPoint at = event->position().toPoint();
    emit notePressed(note_at(at), depth_at(at));
    return;
  }
  QWidget::mousePressEvent(event);
}

// Without mouse tracking, moves come only while a button is held.
void KeyboardWidget::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons().testFlag(Qt::LeftButton)) {
    const QPoint at = event->position().toPoint();
    emit noteMoved(note_at(at), depth_at(at));
  }
}

void KeyboardWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit noteReleased();
}

void KeyboardWidget::paintEvent(QPaintEvent* event) {
  // The window may have moved to a screen of another pixel ratio.
  picture_.set_device_pixel_ratio(devicePixelRatioF());
  QPainter painter(this);
  picture_.paint(painter, event->rect());
}

}  // namespace tastarion::ui
