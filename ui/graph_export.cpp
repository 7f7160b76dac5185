#include "ui/graph_export.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QString>

#include <new>

#if KORVAX_HAVE_SVG
#include <QSvgGenerator>
#endif

#include "ui/graph_widget.h"
#include "ui/runtime_internal.h"
#include "ui/userint.h"

namespace
{

enum class Kind
{
    None,
    Png,
    Svg,
    Pdf,
};

Kind KindOf(const QString &path)
{
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".png")))
        return Kind::Png;
    if (lower.endsWith(QLatin1String(".svg")))
        return Kind::Svg;
    if (lower.endsWith(QLatin1String(".pdf")))
        return Kind::Pdf;
    return Kind::None;
}

// The image into `bytes`: the graph drawn at width x height by QCustomPlot
// itself (toPixmap / toPainter), as savePng and savePdf draw it.
bool Render(uigraph::GraphWidget *graph, Kind kind, int width, int height, QByteArray *bytes)
{
    QBuffer buffer(bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return false;
    switch (kind) {
    case Kind::Png: {
        const QPixmap pixmap = graph->toPixmap(width, height, 1.0);
        if (pixmap.isNull())
            return false;
        return pixmap.toImage().save(&buffer, "PNG");
    }
    case Kind::Pdf: {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Korvax Demo"));
        writer.setResolution(72); // one point a pixel: the page is the graph's size
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(width, height), QPageSize::Point), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0)));
        QCPPainter painter;
        if (!painter.begin(&writer))
            return false;
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        graph->toPainter(&painter, width, height);
        return painter.end();
    }
    case Kind::Svg: {
#if KORVAX_HAVE_SVG
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(width, height));
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setResolution(96); // the CSS pixel: viewers show it at width x height
        generator.setTitle(QStringLiteral("Korvax Demo graph"));
        QCPPainter painter;
        if (!painter.begin(&generator))
            return false;
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        graph->toPainter(&painter, width, height);
        return painter.end();
#else
        return false;
#endif
    }
    case Kind::None:
        break;
    }
    return false;
}

} // namespace

int GraphExportSvgAvailable(void)
{
    return KORVAX_HAVE_SVG != 0;
}

int ExportGraphImage(int panel, int control, const char *path, int width, int height)
{
    QWidget *w = uirt::controlWidget(panel, control);
    if (!w)
        return GetPanelParent(panel) < 0 ? UIE_BAD_PANEL : UIE_BAD_CONTROL;
    uigraph::GraphWidget *graph = uigraph::asGraph(w);
    if (!graph)
        return UIE_BAD_CONTROL;
    if (!path || !*path || width < 16 || height < 16 || width > kGraphExportMaxSide ||
        height > kGraphExportMaxSide)
        return UIE_BAD_VALUE;
    const QString name = QString::fromLocal8Bit(path);
    const Kind kind = KindOf(name);
    if (kind == Kind::None)
        return UIE_BAD_VALUE;
    if (kind == Kind::Svg && !GraphExportSvgAvailable())
        return UIE_BAD_TYPE;
    // A FIFO, a device or a folder is never written through.
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return UIE_IO_ERROR;

    QByteArray bytes;
    try {
        graph->refresh(true); // what was plotted but not yet drawn is in the image
        if (!Render(graph, kind, width, height, &bytes) || bytes.isEmpty())
            return UIE_IO_ERROR;
    } catch (const std::bad_alloc &) {
        return UIE_OUT_OF_MEMORY;
    }
    // Written beside the target and renamed over it once complete.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return UIE_IO_ERROR;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return UIE_IO_ERROR;
    }
    return file.commit() ? 0 : UIE_IO_ERROR;
}

const char *GraphExportErrorText(int status)
{
    switch (status) {
    case 0:
        return "done";
    case UIE_BAD_PANEL:
    case UIE_BAD_CONTROL:
        return "there is no such graph";
    case UIE_BAD_VALUE:
        return "the size must be 16 to 10000 pixels a side and the name end in .png, .svg or .pdf";
    case UIE_BAD_TYPE:
        return "SVG is not available in this build";
    case UIE_OUT_OF_MEMORY:
        return "not enough memory for the image";
    default:
        return "the file cannot be written";
    }
}
