// Renders the user manual (Markdown with screenshots) as a PDF file. Run at build time:
//   talven-manual-pdf MANUAL.md OUTPUT.pdf
// Images are found relative to the Markdown file; an image wider than the page is scaled down.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <cstdio>

namespace {

constexpr double kMaxImageWidth = 620.0;  // the text width of an A4 page at 96 dots per inch

int Fail(const QString& message) {
    std::fprintf(stderr, "talven-manual-pdf: %s\n", message.toLocal8Bit().constData());
    return 1;
}

/// Shrinks images wider than the page; reports images that cannot be read.
bool FitImages(QTextDocument& document, const QString& baseDir) {
    bool allFound = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QString path = QFileInfo(baseDir + "/" + format.name()).absoluteFilePath();
            const QImage image(path);
            if (image.isNull()) {
                std::fprintf(stderr, "talven-manual-pdf: cannot read image %s\n", path.toLocal8Bit().constData());
                allFound = false;
                continue;
            }
            document.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            if (image.width() > kMaxImageWidth) {
                format.setWidth(kMaxImageWidth);
                format.setHeight(image.height() * kMaxImageWidth / image.width());
            } else {
                format.setWidth(image.width());
                format.setHeight(image.height());
            }
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    return allFound;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3)
        return Fail("usage: talven-manual-pdf MANUAL.md OUTPUT.pdf");
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
        return Fail("cannot read " + input + ": " + file.errorString());
    const QString markdown = QString::fromUtf8(file.readAll());

    QTextDocument document;
    QFont font("DejaVu Sans");
    font.setPointSizeF(10.0);
    document.setDefaultFont(font);
    document.setMarkdown(markdown);
    const bool imagesFound = FitImages(document, QFileInfo(input).absolutePath());

    // Written beside the output and renamed into place, so a failed run leaves no half file.
    const QString partial = output + ".part";
    {
        QPdfWriter writer(partial);
        writer.setTitle("TALVEN User Manual");
        writer.setCreator("TALVEN");
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter));
        document.print(&writer);
    }
    if (!imagesFound) {
        QFile::remove(partial);
        return Fail("the manual refers to images that are missing");
    }
    QFile::remove(output);
    if (!QFile::rename(partial, output))
        return Fail("cannot write " + output);
    return 0;
}
