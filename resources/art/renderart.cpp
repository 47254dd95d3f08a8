// Renders the program's images from the SVG sources beside this file and
// rewrites resources.qrc to list them.
//
//   renderart <art directory> <resources directory> [<convert>]
//
// images.txt names every image: which source, at what size, in which palette.
// A palette fills the {name} placeholders of a source with colours, which is
// how one drawing gives the Green, the Blue and the hover ("-active") images.
// Animations are drawn frame by frame and assembled into a GIF by
// ImageMagick's convert (Qt writes no GIF), given as the third argument.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

struct Image
{
    QString output;
    QString source;
    QSize size;
    QString palette;
    int line = 0;
    int frames = 0; // an animation when more than 0
    int delay = 0;
};

int fail(const QString &message)
{
    std::fprintf(stderr, "renderart: %s\n", qPrintable(message));
    return 1;
}

QString fill(QString svg, const QHash<QString, QString> &colours)
{
    for (auto it = colours.cbegin(); it != colours.cend(); ++it)
        svg.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), it.value());
    return svg;
}

// The drawing rendered at the image's size; an error text on failure.
QString render(const QString &svg, const Image &image, QImage *out)
{
    const QRegularExpressionMatch left = QRegularExpression(QStringLiteral("\\{[A-Za-z]+\\}")).match(svg);
    if (left.hasMatch())
        return QStringLiteral("line %1: palette %2 lacks %3").arg(image.line).arg(image.palette, left.captured());
    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid())
        return QStringLiteral("line %1: %2 is not valid SVG").arg(image.line).arg(image.source);
    *out = QImage(image.size, QImage::Format_ARGB32_Premultiplied);
    out->fill(Qt::transparent);
    QPainter painter(out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter);
    painter.end();
    return QString();
}

// Frames into a temporary folder, then one GIF (binary transparency, so the
// edges are cut at half opacity) written by convert.
QString assembleAnimation(const QString &svg, const Image &image, const QString &convert, const QString &path)
{
    if (convert.isEmpty() || !QFileInfo(convert).isExecutable())
        return QStringLiteral("line %1: animations need ImageMagick's convert (Debian's imagemagick)").arg(image.line);
    QTemporaryDir frames;
    QStringList args{QStringLiteral("-delay"), QString::number(image.delay), QStringLiteral("-dispose"),
                     QStringLiteral("background"), QStringLiteral("-loop"), QStringLiteral("0")};
    for (int i = 0; i < image.frames; ++i) {
        QImage frame;
        const QString angle = QString::number(360.0 * i / image.frames);
        const QString error = render(QString(svg).replace(QStringLiteral("{angle}"), angle), image, &frame);
        if (!error.isEmpty())
            return error;
        const QString name = frames.filePath(QStringLiteral("frame%1.png").arg(i, 3, 10, QLatin1Char('0')));
        if (!frame.save(name, "PNG"))
            return QStringLiteral("cannot write %1").arg(name);
        args.append(name);
    }
    args << QStringLiteral("-channel") << QStringLiteral("A") << QStringLiteral("-threshold")
         << QStringLiteral("50%") << QStringLiteral("+channel") << path;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(convert, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("line %1: %2 failed").arg(image.line).arg(convert);
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 4)
        return fail(QStringLiteral("usage: renderart <art dir> <resources dir> [<convert>]"));
    const QDir artDir(args.at(1));
    const QDir resourcesDir(args.at(2));
    const QString convert = args.value(3);

    QFile manifest(artDir.filePath(QStringLiteral("images.txt")));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read %1").arg(manifest.fileName()));

    QHash<QString, QHash<QString, QString>> palettes;
    QList<Image> images;
    QStringList files; // listed as they are, not rendered
    QStringList aliases;
    QTextStream in(&manifest);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (f.at(0) == QLatin1String("palette") && f.size() >= 2) {
            QHash<QString, QString> &p = palettes[f.at(1)];
            for (int i = 2; i < f.size(); ++i) {
                if (f.at(i) == QLatin1String("like") && i + 1 < f.size()) {
                    if (!palettes.contains(f.at(i + 1)))
                        return fail(QStringLiteral("line %1: unknown palette %2").arg(lineNo).arg(f.at(i + 1)));
                    const auto base = palettes.value(f.at(i + 1));
                    for (auto it = base.cbegin(); it != base.cend(); ++it)
                        p.insert(it.key(), it.value());
                    ++i;
                    continue;
                }
                const int eq = f.at(i).indexOf(QLatin1Char('='));
                if (eq <= 0)
                    return fail(QStringLiteral("line %1: bad colour %2").arg(lineNo).arg(f.at(i)));
                p.insert(f.at(i).left(eq), f.at(i).mid(eq + 1));
            }
        } else if (f.at(0) == QLatin1String("image") && f.size() == 5) {
            const QStringList wh = f.at(3).split(QLatin1Char('x'));
            Image image{f.at(1), f.at(2), QSize(wh.value(0).toInt(), wh.value(1).toInt()), f.at(4), lineNo};
            if (image.size.isEmpty())
                return fail(QStringLiteral("line %1: bad size %2").arg(lineNo).arg(f.at(3)));
            images.append(image);
        } else if (f.at(0) == QLatin1String("animation") && f.size() == 7) {
            const QStringList wh = f.at(3).split(QLatin1Char('x'));
            Image image{f.at(1), f.at(2), QSize(wh.value(0).toInt(), wh.value(1).toInt()), f.at(4), lineNo,
                        f.at(5).toInt(), f.at(6).toInt()};
            if (image.size.isEmpty() || image.frames < 1 || image.delay < 1)
                return fail(QStringLiteral("line %1: bad animation \"%2\"").arg(lineNo).arg(line));
            images.append(image);
        } else if (f.at(0) == QLatin1String("file") && f.size() == 2) {
            files.append(f.at(1));
        } else if (f.at(0) == QLatin1String("alias") && f.size() == 3) {
            aliases.append(QStringLiteral("    <file alias=\"%1\">%2</file>").arg(f.at(1), f.at(2)));
        } else {
            return fail(QStringLiteral("line %1: cannot read \"%2\"").arg(lineNo).arg(line));
        }
    }

    QStringList entries = files;
    for (const Image &image : std::as_const(images)) {
        if (!palettes.contains(image.palette))
            return fail(QStringLiteral("line %1: unknown palette %2").arg(image.line).arg(image.palette));
        QFile source(artDir.filePath(image.source));
        if (!source.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("line %1: cannot read %2").arg(image.line).arg(source.fileName()));
        const QString svg = fill(QString::fromUtf8(source.readAll()), palettes.value(image.palette));
        if (image.frames > 0) {
            const QString name = image.output + QStringLiteral(".gif");
            const QString path = resourcesDir.filePath(name);
            const QString error = assembleAnimation(svg, image, convert, path);
            if (!error.isEmpty())
                return fail(error);
            entries.append(name);
            continue;
        }
        QImage out;
        const QString error = render(svg, image, &out);
        if (!error.isEmpty())
            return fail(error);

        const QString name = image.output + QStringLiteral(".png");
        const QString path = resourcesDir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !out.save(&file, "PNG") || !file.commit())
            return fail(QStringLiteral("cannot write %1").arg(path));
        entries.append(name);
    }

    entries.sort();
    entries.removeDuplicates();
    QSaveFile qrc(resourcesDir.filePath(QStringLiteral("resources.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot write resources.qrc"));
    QTextStream out(&qrc);
    out << "<!DOCTYPE RCC>\n<!-- Written by resources/art/renderart from images.txt; edit that instead. -->\n"
        << "<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n"
        << "    <file>default.css</file>\n    <file>BlueStyle.css</file>\n";
    for (const QString &entry : std::as_const(entries))
        out << "    <file>" << entry << "</file>\n";
    for (const QString &alias : std::as_const(aliases))
        out << alias << '\n';
    out << "</qresource>\n</RCC>\n";
    out.flush();
    if (!qrc.commit())
        return fail(QStringLiteral("cannot write resources.qrc"));
    std::printf("renderart: %lld images rendered\n", static_cast<long long>(images.size()));
    return 0;
}
