#pragma once

#include <stdexcept>

#include <QString>

namespace salvenor::print {

// A failing printing step; the sheet skips the step and goes on with the next one.
class PrintStepError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What the calculation sheet needs of a printer: millimetres from the top-left corner of the
// printable area, one font at a time, and text placed by the top edge of its line box. Every
// operation throws PrintStepError (or another std::exception) when it fails.
class PrintSurface
{
public:
    virtual ~PrintSurface() = default;

    virtual double printableWidth() = 0;
    virtual void setFont(const QString &face, double pointSize, bool bold) = 0;
    virtual double textWidth(const QString &text) = 0;
    virtual double lineHeight() = 0;
    // Draws the text with the top edge of its line at y; afterwards the current position is
    // x = 0 and one line height further down.
    virtual void printText(const QString &text, double x, double y) = 0;
    virtual double currentY() const = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
    // Finishes the page and hands the one-page document over.
    virtual void endDocument() = 0;

protected:
    PrintSurface() = default;
    PrintSurface(const PrintSurface &) = default;
    PrintSurface &operator=(const PrintSurface &) = default;
};

} // namespace salvenor::print
