// Draws each SVG given on the command line into OUT_DIR/NAME-SIZE.png at the
// sizes the program ships. Run by render_icons.sh; not part of the build.
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: render_icons OUT_DIR FILE.svg...\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const QString svg = QString::fromLocal8Bit(argv[i]);
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
      std::fprintf(stderr, "render_icons: cannot read %s\n", argv[i]);
      return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64}) {
      QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      renderer.render(&painter);
      painter.end();
      const QString file = QString("%1/%2-%3.png").arg(out, QFileInfo(svg).baseName()).arg(size);
      if (!image.save(file)) {
        std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
  }
  return 0;
}
