#include "ui/keyboard_picture.h"

#include <QPainter>
#include <cmath>
#include <utility>

#include "engine/key_map.h"

namespace tastarion::ui {

namespace {

constexpr int white_step = 24;
constexpr uint8_t black_flag = 0x40;

struct Label {
  int x;
  int y;
  const char* text;
};
// The notes of the PC keys C (C2) and Y (C4).
constexpr std::array<Label, 2> labels{{{82, 100, "C"}, {417, 100, "Y"}}};
// Height of the label font's text cell.
constexpr int label_cell_height = 12;

// The device pixels that client rectangle `box` covers at `ratio`.
QRect to_device(const QRect& box, qreal ratio) {
  const int left = qRound(box.x() * ratio);
  const int top = qRound(box.y() * ratio);
  return QRect(left, top, qRound((box.x() + box.width()) * ratio) - left,
               qRound((box.y() + box.height()) * ratio) - top);
}

QImage blank_image(qreal ratio) {
  QImage image(to_device(QRect(0, 0, picture_width, picture_height), ratio).size(),
               QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  return image;
}

// Fills the ellipse inscribed in `box` (device pixels) the way a plain rasteriser does:
// every pixel whose centre lies inside. Done by hand so the dot is the same on every Qt
// version and style.
void fill_ellipse(QImage& image, const QRect& box, QRgb colour) {
  const double a = box.width() / 2.0;
  const double b = box.height() / 2.0;
  const double cx = box.x() + a;
  const double cy = box.y() + b;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    const double dy = (y + 0.5 - cy) / b;
    const double reach = 1.0 - dy * dy;
    if (reach < 0) continue;
    const double half = a * std::sqrt(reach);
    const int from = static_cast<int>(std::ceil(cx - half - 0.5));
    const int to = static_cast<int>(std::floor(cx + half - 0.5));
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = std::max(from, box.left()); x <= std::min(to, box.right()); ++x) {
      line[x] = colour;
    }
  }
}

}  // namespace

const std::array<uint8_t, kKeyboardNoteCount> key_positions{
    0x00, 0x40, 0x01, 0x41, 0x02, 0x03, 0x43, 0x04, 0x44, 0x05, 0x06, 0x46, 0x07, 0x47, 0x08,
    0x48, 0x09, 0x0A, 0x4A, 0x0B, 0x4B, 0x0C, 0x0D, 0x4D, 0x0E, 0x4E, 0x0F, 0x4F, 0x10, 0x11,
    0x51, 0x12, 0x52, 0x13, 0x14, 0x54, 0x15, 0x55, 0x16, 0x56, 0x17, 0x18, 0x58};

bool has_black_key(int b) {
  // No black key between B and C or between E and F.
  switch (b) {
    case 2:
    case 5:
    case 9:
    case 12:
    case 16:
    case 19:
    case 23:
      return false;
    default:
      return b >= 0 && b <= 24;
  }
}

QRect white_key_rect(int w) {
  return QRect(white_step * w, 49, 23, 77);
}
QRect black_key_rect(int b) {
  return QRect(white_step * b + 14, 49, 18, 49);
}
QRect white_mark_rect(int w) {
  return QRect(white_step * w + 6, 114, 10, 11);
}
QRect black_mark_rect(int b) {
  return QRect(white_step * b + 18, 84, 10, 10);
}

QRect mark_rect(uint8_t note) {
  if (!on_keyboard(note)) return {};
  const uint8_t v = key_positions[note - kLowestNote];
  return v < black_flag ? white_mark_rect(v) : black_mark_rect(v - black_flag);
}

namespace {
// The note of the key at `point` and that key's rectangle, or 0 and none.
std::pair<uint8_t, QRect> key_at(const QPoint& point) {
  for (bool black : {true, false}) {
    for (int note = kLowestNote; note < kLowestNote + kKeyboardNoteCount; ++note) {
      const uint8_t v = key_positions[note - kLowestNote];
      if ((v >= black_flag) != black) continue;
      const QRect key = black ? black_key_rect(v - black_flag) : white_key_rect(v);
      if (key.contains(point)) return {static_cast<uint8_t>(note), key};
    }
  }
  return {0, QRect()};
}
}  // namespace

uint8_t note_at(const QPoint& point) {
  return key_at(point).first;
}

int depth_at(const QPoint& point) {
  const auto [note, key] = key_at(point);
  if (note == 0 || key.height() < 2) return kFullDepth;
  return (point.y() - key.top()) * kFullDepth / (key.height() - 1);
}

QFont make_keyboard_font() {
  QFont font(QString::fromUtf8("ＭＳ ゴシック"));
  font.setPixelSize(label_cell_height);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::Monospace, QFont::NoAntialias);
  font.setFixedPitch(true);
  return font;
}

KeyboardPicture::KeyboardPicture(const QFont& font, qreal device_pixel_ratio)
    : image_(blank_image(device_pixel_ratio)), font_(font) {
  draw_keyboard();
}

void KeyboardPicture::set_device_pixel_ratio(qreal ratio) {
  if (qFuzzyCompare(ratio, image_.devicePixelRatio())) return;
  const std::bitset<kKeyboardNoteCount> marked = marked_;
  image_ = blank_image(ratio);
  draw_keyboard();
  for (int i = 0; i < kKeyboardNoteCount; ++i) {
    if (marked[i]) draw_mark(true, static_cast<uint8_t>(kLowestNote + i));
  }
}

void KeyboardPicture::paint(QPainter& painter, const QRect& area) const {
  painter.drawImage(area, image_, to_device(area, image_.devicePixelRatio()));
}

void KeyboardPicture::draw_keyboard() {
  marked_.reset();
  image_.fill(Qt::black);
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  for (int w = 0; w < white_key_count; ++w) painter.fillRect(white_key_rect(w), Qt::white);

  painter.setFont(font_);
  painter.setPen(Qt::black);
  painter.setBackground(Qt::white);
  painter.setBackgroundMode(Qt::OpaqueMode);
  for (const Label& label : labels) {
    const QString text = QString::fromLatin1(label.text);
    const QRect cell(label.x, label.y, painter.fontMetrics().horizontalAdvance(text),
                     label_cell_height);
    painter.save();
    painter.setClipRect(cell);
    painter.fillRect(cell, Qt::white);
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    painter.restore();
  }

  for (int b = 0; b < white_key_count - 1; ++b) {
    if (has_black_key(b)) painter.fillRect(black_key_rect(b), Qt::black);
  }
}

QRect KeyboardPicture::draw_mark(bool on, uint8_t note) {
  const QRect box = mark_rect(note);
  if (box.isEmpty()) return box;
  marked_[note - kLowestNote] = on;
  const bool white_key = key_positions[note - kLowestNote] < black_flag;
  // Black dot on a white key, white on a black one; erasing paints the key's own colour.
  const bool black_dot = white_key == on;
  fill_ellipse(image_, to_device(box, image_.devicePixelRatio()),
               black_dot ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
  return box;
}

}  // namespace tastarion::ui
