#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <array>
#include <bitset>
#include <cstdint>

#include "engine/key_map.h"

namespace tastarion::ui {

// The client area the picture covers; the control strip lies over its top.
inline constexpr int picture_width = 624;
inline constexpr int picture_height = 126;
inline constexpr int white_key_count = 26;

// Indexed by note - 43 for the notes 43..85. Below 0x40: the index of a white key;
// 0x40 and above: a black key, whose low bits are the index of the white key to its left.
extern const std::array<uint8_t, kKeyboardNoteCount> key_positions;

// Whether a black key stands to the right of white key b (0..24).
bool has_black_key(int b);

// Rectangles in client pixels. QRect(x, y, width, height) is used throughout, so
// right() and bottom() are the last pixels inside.
QRect white_key_rect(int w);
QRect black_key_rect(int b);
QRect white_mark_rect(int w);
QRect black_mark_rect(int b);
// The mark of a note (low 8 bits), or an empty rectangle outside 43..85.
QRect mark_rect(uint8_t note);

// The note of the key at `point` (client pixels), black keys lying over the white
// ones; 0 where no key with a note is (the gaps, the last white key, the strip).
uint8_t note_at(const QPoint& point);
// How far down the key at `point` it lies: 0 on its back row of pixels,
// kFullDepth on its front edge (the bottom of the picture); kFullDepth where
// no key is.
inline constexpr int kFullDepth = 100;
int depth_at(const QPoint& point);

// The label font; the system's fixed-pitch font stands in when the family is missing.
QFont make_keyboard_font();

// The picture of the whole client area, kept as an image so that marks can be drawn
// at once and the window only copies what changed. Window thread only.
//
// The image holds device pixels: at a device pixel ratio of 2 every client pixel is
// four of them, and lines, labels and marks are drawn at that resolution rather than
// stretched. At ratio 1 the two are the same.
class KeyboardPicture {
 public:
  explicit KeyboardPicture(const QFont& font = make_keyboard_font(), qreal device_pixel_ratio = 1);

  // Paints the bare picture over everything, marks included.
  void draw_keyboard();
  // Draws (on) or erases the mark of a note; returns the rectangle touched in client
  // pixels, empty when the note has no key.
  QRect draw_mark(bool on, uint8_t note);

  // A new ratio (the window moved to another screen) redraws the picture at
  // that resolution, with the marks it showed.
  void set_device_pixel_ratio(qreal ratio);
  // Copies `area` (client pixels) of the picture through `painter`.
  void paint(QPainter& painter, const QRect& area) const;

  const QImage& image() const { return image_; }

 private:
  QImage image_;
  QFont font_;
  // The notes marked, indexed by note - kLowestNote: the image is only pixels.
  std::bitset<kKeyboardNoteCount> marked_;
};

}  // namespace tastarion::ui
