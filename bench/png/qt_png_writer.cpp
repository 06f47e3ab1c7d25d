// Writes a picture as PNG the way a Qt program saves one (QImage::save,
// Qt's default quality, or the one given).
//   veilwright-qt-png-writer IN OUT.png [QUALITY]
#include <QImage>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s IN OUT.png [QUALITY]\n", argv[0]);
    return 2;
  }
  QImage image(QString::fromLocal8Bit(argv[1]));
  if (image.isNull()) return 1;
  return image.save(QString::fromLocal8Bit(argv[2]), "PNG", argc > 3 ? std::atoi(argv[3]) : -1) ? 0 : 1;
}
