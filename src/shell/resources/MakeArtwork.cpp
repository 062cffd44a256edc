// Draws the program's own pictures: the splash, the about logo, the flasher
// picture and the program's icon in three sizes. Run once with a folder; the PNGs are kept as
// resources.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cstdio>

namespace {

// Four LED colours used across the pictures.
const std::array<QColor, 4> kLedColours = {QColor(0xFF, 0x40, 0x40), QColor(0x40, 0xE0, 0x60),
                                           QColor(0x40, 0x90, 0xFF), QColor(0xFF, 0xC8, 0x30)};

// A 5x7 dot font for the five letters of the device's name.
const char* Glyph(char letter) {
  switch (letter) {
    case 'N':
      return "10001110011010110011100011000110001";
    case 'I':
      return "11111001000010000100001000010011111";
    case 'M':
      return "10001110111010110101100011000110001";
    case 'B':
      return "11110100011000111110100011000111110";
    case 'O':
      return "01110100011000110001100011000101110";
    default:
      return "00000000000000000000000000000000000";
  }
}

// An LED matrix of dots with `word` lit, each dot `pitch` pixels apart.
void DrawDotMatrix(QPainter& p, QPointF origin, double pitch, const char* word, QColor lit,
                   QColor unlit) {
  const int columns = 32;
  const int rows = 8;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      bool on = false;
      const int letter = (column - 1) / 6;
      const int x = (column - 1) % 6;
      if (column >= 1 && letter < 5 && x < 5 && row < 7) {
        on = Glyph(word[letter])[row * 5 + x] == '1';
      }
      const QPointF centre = origin + QPointF(column * pitch, row * pitch);
      if (on) {
        QRadialGradient glow(centre, pitch * 0.7);
        glow.setColorAt(0.0, lit.lighter(150));
        glow.setColorAt(0.5, lit);
        glow.setColorAt(1.0, Qt::transparent);
        p.setBrush(glow);
        p.setPen(Qt::NoPen);
        p.drawEllipse(centre, pitch * 0.7, pitch * 0.7);
      } else {
        p.setBrush(unlit);
        p.setPen(Qt::NoPen);
        p.drawEllipse(centre, pitch * 0.3, pitch * 0.3);
      }
    }
  }
}

void DrawLeds(QPainter& p, QPointF first, double step, double radius) {
  for (std::size_t i = 0; i < kLedColours.size(); ++i) {
    const QPointF centre = first + QPointF(step * static_cast<double>(i), 0);
    QRadialGradient shine(centre - QPointF(radius / 3, radius / 3), radius * 1.2);
    shine.setColorAt(0.0, Qt::white);
    shine.setColorAt(0.35, kLedColours[i]);
    shine.setColorAt(1.0, kLedColours[i].darker(170));
    p.setBrush(shine);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.drawEllipse(centre, radius, radius);
  }
}

QImage Splash() {
  QImage image(420, 230, QImage::Format_ARGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 230);
  sky.setColorAt(0.0, QColor(0x14, 0x24, 0x4A));
  sky.setColorAt(1.0, QColor(0x06, 0x0C, 0x1C));
  p.fillRect(image.rect(), sky);
  p.setPen(QPen(QColor(0x2E, 0x4A, 0x80), 2));
  p.setBrush(QColor(0x0A, 0x12, 0x26));
  p.drawRoundedRect(QRectF(20, 22, 380, 108), 10, 10);
  DrawDotMatrix(p, QPointF(39, 40), 11.5, "NIMBO", QColor(0x50, 0xC8, 0xFF),
                QColor(0x1C, 0x2A, 0x48));
  QFont title(QStringLiteral("DejaVu Sans"), 22, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(0xE8, 0xF0, 0xFF));
  p.drawText(QRectF(0, 140, 420, 40), Qt::AlignCenter, QStringLiteral("NIMBO Control"));
  DrawLeds(p, QPointF(165, 200), 30, 8);
  return image;
}

QImage AboutLogo() {
  QImage image(360, 120, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The lower band (from y 84) stays clear: the version line stands there.
  QLinearGradient band(0, 0, 360, 0);
  band.setColorAt(0.0, QColor(0x14, 0x24, 0x4A));
  band.setColorAt(1.0, QColor(0x2E, 0x58, 0x9E));
  QPainterPath shape;
  shape.addRoundedRect(QRectF(4, 6, 352, 72), 8, 8);
  p.fillPath(shape, band);
  DrawDotMatrix(p, QPointF(16, 14), 7.6, "NIMBO", QColor(0x50, 0xC8, 0xFF),
                QColor(0x22, 0x36, 0x5E));
  QFont title(QStringLiteral("DejaVu Sans"), 15, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(0xE8, 0xF0, 0xFF));
  p.drawText(QRectF(262, 14, 90, 30), Qt::AlignCenter, QStringLiteral("Control"));
  DrawLeds(p, QPointF(274, 58), 22, 6);
  return image;
}

QImage Flasher() {
  QImage image(96, 96, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A memory chip with its pins and a downward arrow: firmware going in.
  p.setPen(QPen(QColor(0x90, 0x90, 0x98), 3));
  for (int i = 0; i < 5; ++i) {
    const int y = 34 + i * 11;
    p.drawLine(14, y, 24, y);
    p.drawLine(72, y, 82, y);
  }
  p.setPen(QPen(QColor(0x20, 0x20, 0x28), 1));
  p.setBrush(QColor(0x30, 0x34, 0x40));
  p.drawRoundedRect(QRectF(24, 28, 48, 60), 4, 4);
  p.setBrush(QColor(0x60, 0x66, 0x78));
  p.drawEllipse(QPointF(32, 36), 3, 3);
  QPainterPath arrow;
  arrow.moveTo(40, 2);
  arrow.lineTo(56, 2);
  arrow.lineTo(56, 22);
  arrow.lineTo(66, 22);
  arrow.lineTo(48, 42);
  arrow.lineTo(30, 22);
  arrow.lineTo(40, 22);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(0x10, 0x50, 0x20), 1));
  p.setBrush(QColor(0x40, 0xC0, 0x60));
  p.drawPath(arrow);
  return image;
}

// The program's icon: a dark rounded tile with a lit 5x5 "N" over the four
// LED colours, legible from 48 pixels up.
QImage AppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double unit = size / 48.0;
  QLinearGradient tile(0, 0, 0, size);
  tile.setColorAt(0.0, QColor(0x1E, 0x34, 0x66));
  tile.setColorAt(1.0, QColor(0x08, 0x10, 0x24));
  p.setPen(QPen(QColor(0x3A, 0x5C, 0x9C), unit));
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(2 * unit, 2 * unit, 44 * unit, 44 * unit), 8 * unit, 8 * unit);
  static constexpr const char* kLetter =
      "10001110011010110011"
      "10001";
  for (int row = 0; row < 5; ++row) {
    for (int column = 0; column < 5; ++column) {
      const QPointF centre((11 + column * 6.5) * unit, (9 + row * 6) * unit);
      const bool lit = kLetter[row * 5 + column] == '1';
      p.setPen(Qt::NoPen);
      if (lit) {
        QRadialGradient glow(centre, 3.2 * unit);
        glow.setColorAt(0.0, QColor(0xC8, 0xF0, 0xFF));
        glow.setColorAt(0.55, QColor(0x50, 0xC8, 0xFF));
        glow.setColorAt(1.0, Qt::transparent);
        p.setBrush(glow);
        p.drawEllipse(centre, 3.2 * unit, 3.2 * unit);
      } else {
        p.setBrush(QColor(0x26, 0x3A, 0x64));
        p.drawEllipse(centre, 1.3 * unit, 1.3 * unit);
      }
    }
  }
  DrawLeds(p, QPointF(12.5 * unit, 39 * unit), 7.7 * unit, 2.6 * unit);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: nimbo-make-artwork FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const bool ok = Splash().save(folder + QStringLiteral("/splash.png")) &&
                  AboutLogo().save(folder + QStringLiteral("/about-logo.png")) &&
                  Flasher().save(folder + QStringLiteral("/flasher.png")) &&
                  AppIcon(48).save(folder + QStringLiteral("/icon-48.png")) &&
                  AppIcon(128).save(folder + QStringLiteral("/icon-128.png")) &&
                  AppIcon(256).save(folder + QStringLiteral("/icon-256.png"));
  return ok ? 0 : 1;
}
