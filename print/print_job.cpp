#include "print_job.h"

#include <QPrintDialog>
#include <QPrinter>

#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"

namespace salvenor::print {

void printCopies(QPrinter &printer, int copies, const SheetReader &read)
{
    if (copies < 1)
        return;
    printer.setCopyCount(1);
    if (!printer.outputFileName().isEmpty()) {
        // Copies to one file would overwrite each other: they become the pages of that file.
        QtPrintSurface surface{printer, true};
        for (int copy = 0; copy < copies; ++copy)
            printSheet(surface, read());
        surface.finish();
        return;
    }
    for (int copy = 0; copy < copies; ++copy) {
        QtPrintSurface surface{printer};
        printSheet(surface, read());
    }
}

void printWithDialog(QWidget *owner, const SheetReader &read)
{
    QPrinter printer{QPrinter::HighResolution};
    QPrintDialog dialog{&printer, owner};
    dialog.setObjectName(QStringLiteral("dlgCommonDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printCopies(printer, printer.copyCount(), read);
}

} // namespace salvenor::print
