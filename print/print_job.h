#pragma once

#include <functional>

#include "print/sheet_data.h"

class QPrinter;
class QWidget;

namespace salvenor::print {

using SheetReader = std::function<SheetData()>;

// Prints `copies` copies of the sheet: one document of one page each, or, on a file printer,
// one file with one page per copy. The printer is set to one copy per document, so that no
// printer multiplies the copies once more.
void printCopies(QPrinter &printer, int copies, const SheetReader &read);

// The print button: the print dialog owned by `owner`, then the copies chosen there. Cancel
// prints nothing and shows nothing.
void printWithDialog(QWidget *owner, const SheetReader &read);

} // namespace salvenor::print
