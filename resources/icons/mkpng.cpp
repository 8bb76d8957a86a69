// Build-time tool: writes an icon drawn as XPM as a PNG file, the format the
// desktop's hicolor icon theme takes at fixed sizes.
//   mkpng INPUT.xpm OUTPUT.png

#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkpng INPUT.xpm OUTPUT.png\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]), "XPM");
    if (image.isNull()) {
        std::fprintf(stderr, "mkpng: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "mkpng: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
