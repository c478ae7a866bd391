#pragma once

#include <QFont>
#include <QPainter>

#include "print/print_surface.h"

class QPrinter;

namespace salvenor::print {

// The print surface on a QPrinter: millimetres from the top-left corner of the printable area,
// "Arial" drawn with Liberation Sans (same metrics). One object prints one document; with
// `pagesInOneDocument` (a file printer) endDocument starts a new page instead, and finish()
// closes the document after the last copy.
class QtPrintSurface final : public PrintSurface
{
public:
    explicit QtPrintSurface(QPrinter &printer, bool pagesInOneDocument = false);
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

private:
    void begin();
    void checkPrinter() const;
    double toDeviceX(double millimetres) const;
    double toDeviceY(double millimetres) const;

    QPrinter &m_printer;
    QPainter m_painter;
    QFont m_font;
    double m_currentY = 0;
    bool m_pagesInOneDocument;
    bool m_pageStarted = false;
};

} // namespace salvenor::print
