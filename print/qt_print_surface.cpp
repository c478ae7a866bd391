#include "qt_print_surface.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPen>

#include "resources/faces.h"

namespace salvenor::print {

namespace {

constexpr double kMillimetresPerInch = 25.4;

} // namespace

QtPrintSurface::QtPrintSurface(QPagedPaintDevice &device, bool pagesInOneDocument)
    : m_device(device)
    , m_pagesInOneDocument(pagesInOneDocument)
{
    m_font = designFont(QStringLiteral("Arial"), 12, true);
}

QtPrintSurface::~QtPrintSurface()
{
    if (m_painter.isActive())
        m_painter.end();
}

void QtPrintSurface::begin()
{
    if (m_painter.isActive()) {
        if (!m_pageStarted) {
            if (!m_device.newPage())
                throw PrintStepError("the printer refused a new page");
            m_pageStarted = true;
        }
        return;
    }
    if (!m_painter.begin(&m_device))
        throw PrintStepError("the printer cannot be opened");
    m_painter.setFont(m_font);
    m_pageStarted = true;
}

double QtPrintSurface::toDeviceX(double millimetres) const
{
    return millimetres * m_device.logicalDpiX() / kMillimetresPerInch;
}

double QtPrintSurface::toDeviceY(double millimetres) const
{
    return millimetres * m_device.logicalDpiY() / kMillimetresPerInch;
}

double QtPrintSurface::printableWidth()
{
    return m_device.pageLayout().paintRect(QPageLayout::Millimeter).width();
}

void QtPrintSurface::setFont(const QString &face, double pointSize, bool bold)
{
    m_font = designFont(face, pointSize, bold);
    if (m_painter.isActive())
        m_painter.setFont(m_font);
}

double QtPrintSurface::textWidth(const QString &text)
{
    const QFontMetricsF metrics{m_font, &m_device};
    return metrics.horizontalAdvance(text) * kMillimetresPerInch / m_device.logicalDpiX();
}

double QtPrintSurface::lineHeight()
{
    const QFontMetricsF metrics{m_font, &m_device};
    return metrics.height() * kMillimetresPerInch / m_device.logicalDpiY();
}

void QtPrintSurface::printText(const QString &text, double x, double y)
{
    begin();
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    // y is the top edge of the line; QPainter places text by its baseline.
    const QFontMetricsF metrics{m_font, &m_device};
    m_painter.drawText(QPointF{toDeviceX(x), toDeviceY(y) + metrics.ascent()}, text);
    m_currentY = y + lineHeight();
}

void QtPrintSurface::drawLine(double x1, double y1, double x2, double y2)
{
    begin();
    QPen pen{Qt::black};
    pen.setWidth(0); // the thinnest line the device draws
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF{toDeviceX(x1), toDeviceY(y1)}, QPointF{toDeviceX(x2), toDeviceY(y2)});
}

void QtPrintSurface::endDocument()
{
    begin(); // an empty sheet is still a page
    m_pageStarted = false;
    if (m_pagesInOneDocument) {
        ++m_finishedPages;
        return;
    }
    if (!m_painter.end())
        throw PrintStepError("the printer did not take the document");
    ++m_finishedPages;
}

void QtPrintSurface::newPage()
{
    if (!m_painter.isActive() || m_pageStarted)
        return;
    if (!m_device.newPage())
        throw PrintStepError("the printer refused a new page");
    m_pageStarted = true;
}

void QtPrintSurface::finish()
{
    if (m_painter.isActive())
        m_painter.end();
}

} // namespace salvenor::print
