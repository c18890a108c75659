#include "ui/keyboard_picture.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QSet>
#include <array>

#include "ui/app_icon.h"

namespace tastarion::ui {
namespace {

const QRgb black = qRgb(0, 0, 0);
const QRgb white = qRgb(255, 255, 255);

// Notes of the white keys 0..24, as a musician counts them from G1.
constexpr std::array<int, 25> white_notes{43, 45, 47, 48, 50, 52, 53, 55, 57, 59, 60, 62, 64,
                                          65, 67, 69, 71, 72, 74, 76, 77, 79, 81, 83, 84};

QRect label_cell(int x) {
  return QRect(x, 100, 12, 12);
}

bool in_label_cell(int x, int y) {
  return label_cell(82).contains(x, y) || label_cell(417).contains(x, y);
}

// What the bare picture must show at a pixel, worked out from the key rectangles alone.
QRgb expected_pixel(int x, int y) {
  if (y < 49 || y > 125) return black;
  const int w = x / 24;
  const int in_key = x % 24;
  for (int b : {w - 1, w}) {
    if (b < 0 || b > 24 || !has_black_key(b)) continue;
    if (x >= 24 * b + 14 && x < 24 * b + 32 && y < 98) return black;
  }
  return in_key == 23 ? black : white;
}

// The pixels where two images differ, as their bounding box.
QRect changed_area(const QImage& before, const QImage& after) {
  QRect area;
  for (int y = 0; y < before.height(); ++y) {
    for (int x = 0; x < before.width(); ++x) {
      if (before.pixel(x, y) != after.pixel(x, y)) area |= QRect(x, y, 1, 1);
    }
  }
  return area;
}

TEST(KeyboardPicture, KeyPositionsFollowTheKeyboard) {
  for (int w = 0; w < 25; ++w) {
    const int note = white_notes[w];
    EXPECT_EQ(key_positions[note - 43], w) << note;
    EXPECT_EQ(mark_rect(note), white_mark_rect(w));
    EXPECT_TRUE(white_key_rect(w).contains(mark_rect(note)));
    if (has_black_key(w)) {
      EXPECT_EQ(key_positions[note + 1 - 43], 0x40 + w) << note + 1;
      EXPECT_TRUE(black_key_rect(w).contains(mark_rect(note + 1)));
    }
  }
  int black_keys = 0;
  for (int b = 0; b < 25; ++b) black_keys += has_black_key(b);
  EXPECT_EQ(black_keys, 18);
  EXPECT_EQ(key_positions.back(), 0x58);  // note 85, C#5
}

TEST(KeyboardPicture, TabledRectangles) {
  // Right and bottom exclusive in the table: 24w+23 and 126 for a white key.
  EXPECT_EQ(white_key_rect(1), QRect(QPoint(24, 49), QPoint(46, 125)));
  EXPECT_EQ(black_key_rect(0), QRect(QPoint(14, 49), QPoint(31, 97)));
  EXPECT_EQ(white_mark_rect(0), QRect(QPoint(6, 114), QPoint(15, 124)));
  EXPECT_EQ(black_mark_rect(24), QRect(QPoint(594, 84), QPoint(603, 93)));
  EXPECT_EQ(mark_rect(84), QRect(QPoint(582, 114), QPoint(591, 124)));
  for (int note : {0, 42, 86, 255}) EXPECT_TRUE(mark_rect(note).isEmpty()) << note;
}

TEST(KeyboardPicture, BarePictureIsExact) {
  KeyboardPicture picture;
  const QImage& image = picture.image();
  ASSERT_EQ(image.size(), QSize(624, 126));
  int mismatches = 0;
  for (int y = 0; y < 126; ++y) {
    for (int x = 0; x < 624; ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (in_label_cell(x, y)) {
        // Unsmoothed text: ink and ground only.
        EXPECT_TRUE(pixel == black || pixel == white) << x << "," << y;
      } else if (pixel != expected_pixel(x, y) && ++mismatches < 10) {
        ADD_FAILURE() << "pixel " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  // Spot checks that the model above cannot share a mistake with the code.
  EXPECT_EQ(image.pixel(23, 120), black);  // line between white keys 0 and 1
  EXPECT_EQ(image.pixel(24, 120), white);  // white key 1
  EXPECT_EQ(image.pixel(623, 80), black);  // right of the last white key
  EXPECT_EQ(image.pixel(13, 60), white);   // just left of the first black key
  EXPECT_EQ(image.pixel(14, 60), black);
  EXPECT_EQ(image.pixel(31, 97), black);  // the black key's last pixel
  EXPECT_EQ(image.pixel(31, 98), white);
  EXPECT_EQ(image.pixel(59, 60), white);   // between B and C: no black key at b = 2
  EXPECT_EQ(image.pixel(300, 48), black);  // the strip under the controls
  EXPECT_EQ(image.pixel(300, 49), white);
}

TEST(KeyboardPicture, LabelsStandOnTheirKeys) {
  KeyboardPicture picture;
  for (int x : {82, 417}) {
    int ink = 0;
    for (int dy = 0; dy < 12; ++dy) {
      for (int dx = 0; dx < 12; ++dx) ink += picture.image().pixel(x + dx, 100 + dy) == black;
    }
    EXPECT_GE(ink, 8) << "label at " << x;
  }
  const QFont font = make_keyboard_font();
  EXPECT_EQ(font.pixelSize(), 12);
  EXPECT_EQ(font.styleHint(), QFont::Monospace);
  EXPECT_EQ(font.family(), QString::fromUtf8("ＭＳ ゴシック"));
}

TEST(KeyboardPicture, MarksOfTheEndNotesDrawAndErase) {
  struct Case {
    int note;
    QRect bounds;
    QRgb dot;
  };
  const Case cases[] = {
      {43, QRect(QPoint(6, 114), QPoint(15, 124)), black},
      {84, QRect(QPoint(582, 114), QPoint(591, 124)), black},
      {85, QRect(QPoint(594, 84), QPoint(603, 93)), white},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    KeyboardPicture picture;
    const QImage bare = picture.image();
    EXPECT_EQ(picture.draw_mark(true, c.note), c.bounds);
    // A filled ellipse that touches its box on all four sides and nothing outside it.
    EXPECT_EQ(changed_area(bare, picture.image()), c.bounds);
    EXPECT_EQ(picture.image().pixel(c.bounds.center()), c.dot);
    EXPECT_NE(picture.image().pixel(c.bounds.topLeft()), c.dot);  // a round dot
    int left_column = 0;
    for (int y = c.bounds.top(); y <= c.bounds.bottom(); ++y)
      left_column += picture.image().pixel(c.bounds.left(), y) == c.dot;
    EXPECT_GE(left_column, 3);

    EXPECT_EQ(picture.draw_mark(false, c.note), c.bounds);
    EXPECT_EQ(picture.image(), bare);
  }
}

TEST(KeyboardPicture, EveryMarkErasesToTheBarePicture) {
  KeyboardPicture picture;
  const QImage bare = picture.image();
  // Erasing a mark that is not shown changes nothing.
  for (int note = 43; note <= 85; ++note) picture.draw_mark(false, note);
  EXPECT_EQ(picture.image(), bare);
  for (int note = 43; note <= 85; ++note) {
    KeyboardPicture single;
    single.draw_mark(true, note);
    EXPECT_TRUE(mark_rect(note).contains(changed_area(bare, single.image()))) << note;
    picture.draw_mark(true, note);
  }
  EXPECT_NE(picture.image(), bare);
  for (int note = 43; note <= 85; ++note) picture.draw_mark(false, note);
  EXPECT_EQ(picture.image(), bare);
  // A repaint shows the bare picture, marks gone.
  picture.draw_mark(true, 60);
  picture.draw_keyboard();
  EXPECT_EQ(picture.image(), bare);
}

TEST(KeyboardPicture, NotesWithoutKeysDrawNothing) {
  KeyboardPicture picture;
  const QImage bare = picture.image();
  for (int note : {0, 42, 86, 127, 255}) {
    EXPECT_TRUE(picture.draw_mark(true, note).isEmpty()) << note;
  }
  EXPECT_EQ(picture.image(), bare);
}

// How many colour changes between neighbouring pixels of `area` fall where a picture
// stretched from single pixels to 2x2 blocks has none: after an even column or row.
int odd_edges(const QImage& image, const QRect& area) {
  int edges = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (x % 2 == 1 && image.pixel(x, y) != image.pixel(x - 1, y)) ++edges;
      if (y % 2 == 1 && image.pixel(x, y) != image.pixel(x, y - 1)) ++edges;
    }
  }
  return edges;
}

TEST(KeyboardPicture, AtScaleTwoEdgesAreOneDevicePixel) {
  KeyboardPicture picture(make_keyboard_font(), 2);
  const QImage& image = picture.image();
  ASSERT_EQ(image.size(), QSize(1248, 252));
  EXPECT_EQ(image.devicePixelRatio(), 2);
  // The keys keep their places: every device pixel outside the labels shows the client
  // pixel it belongs to, and the lines between keys are one client pixel wide.
  int mismatches = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (in_label_cell(x / 2, y / 2)) {
        EXPECT_TRUE(pixel == black || pixel == white) << x << "," << y;
      } else if (pixel != expected_pixel(x / 2, y / 2) && ++mismatches < 10) {
        ADD_FAILURE() << "device pixel " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  // The labels are drawn at the finer grid, not as doubled pixels of the 12-pixel font.
  for (int x : {82, 417}) {
    EXPECT_GT(odd_edges(image, QRect(2 * x, 200, 24, 24)), 4) << "label at " << x;
  }
  // So are the marks: a round dot of 20x22 device pixels whose outline steps by one.
  for (int note : {43, 85}) {
    SCOPED_TRACE(note);
    const QImage bare = image;
    const QRect client = picture.draw_mark(true, note);
    EXPECT_EQ(client, mark_rect(note));
    const QRect device(2 * client.x(), 2 * client.y(), 2 * client.width(), 2 * client.height());
    EXPECT_EQ(changed_area(bare, picture.image()), device);
    EXPECT_GT(odd_edges(picture.image(), device.adjusted(-1, -1, 1, 1)), 4);
    picture.draw_mark(false, note);
    EXPECT_EQ(picture.image(), bare);
  }
}

// A window moved to a screen of another ratio shows the keys held down still.
TEST(KeyboardPicture, ANewRatioRedrawsThePictureWithItsMarks) {
  KeyboardPicture picture;
  const QImage bare = picture.image();
  picture.draw_mark(true, 60);
  const QImage marked = picture.image();
  picture.set_device_pixel_ratio(2);
  EXPECT_EQ(picture.image().size(), QSize(1248, 252));
  KeyboardPicture sharp_marked(make_keyboard_font(), 2);
  sharp_marked.draw_mark(true, 60);
  EXPECT_EQ(picture.image(), sharp_marked.image());
  picture.set_device_pixel_ratio(1);
  EXPECT_EQ(picture.image(), marked);
  picture.draw_mark(false, 60);
  EXPECT_EQ(picture.image(), bare);
  // At a fractional ratio too, every mark erases to the bare picture.
  KeyboardPicture fractional(make_keyboard_font(), 1.5);
  EXPECT_EQ(fractional.image().size(), QSize(936, 189));
  const QImage fractional_bare = fractional.image();
  for (int note = 43; note <= 85; ++note) fractional.draw_mark(true, note);
  EXPECT_NE(fractional.image(), fractional_bare);
  for (int note = 43; note <= 85; ++note) fractional.draw_mark(false, note);
  EXPECT_EQ(fractional.image(), fractional_bare);
  // Painting copies device pixels one to one onto a device of the same ratio.
  KeyboardPicture sharp(make_keyboard_font(), 2);
  sharp.draw_mark(true, 43);
  QImage screen(1248, 252, QImage::Format_RGB32);
  screen.setDevicePixelRatio(2);
  screen.fill(Qt::red);
  QPainter painter(&screen);
  sharp.paint(painter, QRect(0, 0, 624, 126));
  painter.end();
  EXPECT_EQ(screen, sharp.image());
}

// The mouse finds the key a player sees under the pointer: every pixel of the
// bare picture that is a key's colour belongs to the note of that key.
TEST(KeyboardPicture, NoteAtFindsTheKeySeenUnderThePointer) {
  EXPECT_EQ(note_at(QPoint(80, 110)), 48);  // C2, below the black keys
  EXPECT_EQ(note_at(QPoint(88, 60)), 49);   // C#2 lies over C2 and D2
  EXPECT_EQ(note_at(QPoint(100, 60)), 49);
  EXPECT_EQ(note_at(QPoint(100, 110)), 50);  // D2 below it
  EXPECT_EQ(note_at(QPoint(71, 110)), 0);    // the line between two white keys
  EXPECT_EQ(note_at(QPoint(610, 110)), 0);   // the last white key has no note
  EXPECT_EQ(note_at(QPoint(595, 60)), 85);   // C#5
  EXPECT_EQ(note_at(QPoint(80, 30)), 0);     // the strip
  for (int w = 0; w < 25; ++w) {
    EXPECT_EQ(note_at(QPoint(24 * w + 3, 120)), white_notes[w]) << w;
  }
}

TEST(AppIcon, DarkBandWithLettersOverKeys) {
  const QImage icon = app_icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(icon.size(), QSize(32, 32));
  QSet<QRgb> colours;
  int light_in_band = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      colours.insert(icon.pixel(x, y));
      if (y < 11 && qGray(icon.pixel(x, y)) > 160) ++light_in_band;
    }
  }
  EXPECT_LE(colours.size(), 16);
  EXPECT_LT(qGray(icon.pixel(0, 0)), 64);  // the band is dark
  EXPECT_GE(light_in_band, 40);            // "Vemola" in light letters
  // Low in the key row: white keys parted by lines; higher up, black keys between them.
  EXPECT_EQ(icon.pixel(1, 28), white);
  EXPECT_LT(qGray(icon.pixel(3, 28)), 200);
  EXPECT_EQ(icon.pixel(3, 16), black);
}

}  // namespace
}  // namespace tastarion::ui
