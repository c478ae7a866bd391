#include "sheet_files.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include "core/contribution.h"
#include "print/sheet_pdf.h"
#include "resources/product_info.h"

namespace salvenor::batch {

namespace {

// Qt's warnings about the environment (no runtime folder, no session) are no concern of a list's
// user; errors still come through.
void onlySeriousMessages(QtMsgType type, const QMessageLogContext & /*context*/, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

QDate toQDate(Date date)
{
    return QDate{yearOf(date), static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day()))};
}

} // namespace

print::SheetData sheetOf(const CalculatedRow &row, QDate today)
{
    print::SheetData sheet;
    sheet.today = today;
    sheet.arrival = toQDate(row.booking.arrival);
    sheet.departure = toQDate(row.booking.departure);
    sheet.arrivalDayText = QString::fromStdString(dayText(row.booking.arrival));
    sheet.departureDayText = QString::fromStdString(dayText(row.booking.departure));
    for (const CategoryRules &category : kCategories) {
        const std::size_t index = indexOf(category.category);
        sheet.lines.at(index) = {.countText = QString::number(row.booking.counts.at(index)),
            .sumText = QString::fromStdString(formatMoney(row.result.sums.at(index))),
            .perCategory = category.oneChildRule};
    }
    sheet.totalText = QString::fromStdString(formatMoney(row.result.total));
    sheet.servicePhone = QString::fromUtf8(kServicePhone);
    return sheet;
}

SheetFiles::SheetFiles(const std::string &folder, int &argc, char **argv)
    : m_folder(QString::fromStdString(folder))
{
    // Fonts and PDF drawing need a GUI application, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(onlySeriousMessages);
    m_application = std::make_unique<QGuiApplication>(argc, argv);
    m_today = QDate::currentDate();
    QDir{}.mkpath(m_folder);
    const QFileInfo info{m_folder};
    m_ready = info.isDir() && info.isWritable();
}

SheetFiles::~SheetFiles() = default;

bool SheetFiles::write(const CalculatedRow &row) const
{
    const QString file = QDir{m_folder}.filePath(QString::number(row.number) + QStringLiteral(".pdf"));
    return print::writeSheetPdf(file, sheetOf(row, m_today));
}

} // namespace salvenor::batch
