#pragma once

#include <QFont>
#include <QPainter>

#include "print/print_surface.h"

class QPagedPaintDevice;

namespace salvenor::print {

// The print surface on a paged device (a QPdfWriter): millimetres from the top-left corner of the
// printable area, "Arial" drawn with Liberation Sans (same metrics). One object prints one
// document; with `pagesInOneDocument` (a file) endDocument starts a new page instead, and
// finish() closes the document after the last copy. May be used outside the GUI thread.
class QtPrintSurface final : public PrintSurface
{
public:
    explicit QtPrintSurface(QPagedPaintDevice &device, bool pagesInOneDocument = false);
    ~QtPrintSurface() override;
    Q_DISABLE_COPY_MOVE(QtPrintSurface)

    double printableWidth() override;
    void setFont(const QString &face, double pointSize, bool bold) override;
    double textWidth(const QString &text) override;
    double lineHeight() override;
    void printText(const QString &text, double x, double y) override;
    double currentY() const override { return m_currentY; }
    void drawLine(double x1, double y1, double x2, double y2) override;
    void endDocument() override;

    // Ends the document that endDocument left open for further pages.
    void finish();
    // With `pagesInOneDocument`: ends the page at once rather than with the next drawing, so that
    // it reaches the device now; the next drawing goes onto the new page.
    void newPage();
    // The pages that reached the device and were ended.
    int finishedPages() const { return m_finishedPages; }

private:
    void begin();
    double toDeviceX(double millimetres) const;
    double toDeviceY(double millimetres) const;

    QPagedPaintDevice &m_device;
    QPainter m_painter;
    QFont m_font;
    double m_currentY = 0;
    bool m_pagesInOneDocument;
    bool m_pageStarted = false;
    int m_finishedPages = 0;
};

} // namespace salvenor::print
