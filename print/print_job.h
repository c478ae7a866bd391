#pragma once

#include <chrono>
#include <functional>

#include "print/sheet_data.h"

class QPrinter;
class QWidget;

namespace salvenor::print {

class PrintRun;

using SheetReader = std::function<SheetData()>;

// Prints `copies` copies of the sheet at once, on the calling thread: one document of one page
// each, or, on a file printer, one file with one page per copy. The printer is set to one copy
// per document, so that no printer multiplies the copies once more.
void printCopies(QPrinter &printer, int copies, const SheetReader &read);

struct PrintTimeouts
{
    // How long the print service may take to list its printers before the print dialog.
    std::chrono::milliseconds lookup{5000};
    // How long it may take to accept one copy.
    std::chrono::milliseconds answer{30000};
};

// The print button. Asks the print service for its printers off the GUI thread; when it stays
// silent, says so and offers to save the sheet as a PDF file. Otherwise the print dialog owned
// by `owner`; Cancel prints nothing and shows nothing. The sheet is read once the dialog has
// closed, and its copies go out in the background while a progress window counts them and
// offers to cancel; a copy the printer did not take is reported, never passed over. Returns
// the run under way (owned by `owner`, deleted when done), or null when nothing is printed.
PrintRun *printWithDialog(QWidget *owner, const SheetReader &read, const PrintTimeouts &timeouts = {});

} // namespace salvenor::print
