#include <memory>

#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "gui_helpers.h"
#include "print/print_job.h"
#include "sheet_examples.h"

using namespace salvenor::print;
using namespace salvenor::ui;

class PrintTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sheetStandsAtItsMillimetres();
    void copiesToAFileBecomePages();
    void cancelPrintsNothing();
    void noPrinterAndUnwritableFilesFailQuietly();
    void mainWindowProvidesWhatItShows();

private:
    QTemporaryDir m_dir;
};

namespace {

constexpr double kMillimetresPerPoint = 25.4 / 72;

struct Word
{
    QString text;
    double xMin, yMin, xMax, yMax; // millimetres from the page's top-left corner
    int page;
};

// The words of a PDF with their boxes, read back by pdftotext -bbox.
std::vector<Word> wordsOf(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return {};
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    std::vector<Word> words;
    int page = 0;
    static const QRegularExpression word{QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>|<page )re")};
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        words.push_back({match.captured(5), match.captured(1).toDouble() * kMillimetresPerPoint,
            match.captured(2).toDouble() * kMillimetresPerPoint, match.captured(3).toDouble() * kMillimetresPerPoint,
            match.captured(4).toDouble() * kMillimetresPerPoint, page});
    }
    return words;
}

const Word *findWord(const std::vector<Word> &words, const QString &text, int page = 1, int occurrence = 0)
{
    for (const Word &word : words) {
        if (word.text == text && word.page == page && occurrence-- == 0)
            return &word;
    }
    return nullptr;
}

} // namespace

void PrintTest::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    salvenor::test::silenceOffscreenSizeHintWarnings();
    QVERIFY(m_dir.isValid());
}

void PrintTest::sheetStandsAtItsMillimetres()
{
    const QString pdf = m_dir.filePath(QStringLiteral("sheet.pdf"));
    QPrinter printer{QPrinter::HighResolution};
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printCopies(printer, 1, [] { return salvenor::test::sevenNightsSheet(QStringLiteral("1.234,50")); });

    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    const double left = area.left();
    const double top = area.top();
    const double width = area.width();
    const auto words = wordsOf(pdf);
    QVERIFY2(!words.empty(), "pdftotext found no words");
    constexpr double tolerance = 0.8;

    const Word *island = findWord(words, QStringLiteral("Nordseeinsel"));
    QVERIFY(island);
    QVERIFY(qAbs(island->xMin - (left + 13)) < tolerance);
    // Items at y = 0 stand fully on the page, their line box starting at the printable area's top.
    QVERIFY2(island->yMin >= top - 0.01 && island->yMin < top + 2, qPrintable(QString::number(island->yMin - top)));
    const Word *date = findWord(words, QStringLiteral("14.03.2016"));
    QVERIFY(date);
    QVERIFY(qAbs(date->xMin - (left + 160)) < tolerance);

    const Word *title = findWord(words, QStringLiteral("Kurbeitragsberechnung"));
    QVERIFY(title);
    QVERIFY2(qAbs((title->xMin + title->xMax) / 2 - (left + width / 2)) < tolerance,
        qPrintable(QString::number((title->xMin + title->xMax) / 2 - (left + width / 2))));
    QVERIFY(title->yMin > top + 32 && title->yMin < top + 35);

    const Word *adults = findWord(words, QStringLiteral("Erwachsene(r)"));
    QVERIFY(adults);
    QVERIFY(adults->yMin > top + 62 && adults->yMin < top + 65);
    const Word *amount = findWord(words, QStringLiteral("3,20"));
    QVERIFY(amount);
    const Word *childAmount = findWord(words, QStringLiteral("0,80"));
    QVERIFY(childAmount);

    // The sums and the total end 40 mm before the printable area's right edge.
    const double rightEdge = left + width - 40;
    int euros = 0;
    for (const Word &word : words) {
        if (word.text == QStringLiteral("€") && word.xMin > left + 140) {
            ++euros;
            QVERIFY2(qAbs(word.xMax - rightEdge) < tolerance, qPrintable(QString::number(word.xMax - rightEdge)));
        }
    }
    QCOMPARE(euros, 7);
    QVERIFY(findWord(words, QStringLiteral("1.234,50")));
    const Word *phone = findWord(words, QStringLiteral("555-0123"));
    QVERIFY(phone);
    QVERIFY(phone->yMin > top + 174 && phone->yMin < top + 180);
}

void PrintTest::copiesToAFileBecomePages()
{
    const QString pdf = m_dir.filePath(QStringLiteral("copies.pdf"));
    QPrinter printer{QPrinter::HighResolution};
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setCopyCount(3); // as the print dialog hands it back
    printCopies(
        printer, printer.copyCount(), [] { return salvenor::test::sevenNightsSheet(QStringLiteral("1.234,50")); });

    const auto words = wordsOf(pdf);
    for (int page = 1; page <= 3; ++page)
        QVERIFY2(findWord(words, QStringLiteral("Nordseeinsel"), page), qPrintable(QString::number(page)));
    QVERIFY(!findWord(words, QStringLiteral("Nordseeinsel"), 4));
}

void PrintTest::noPrinterAndUnwritableFilesFailQuietly()
{
    // Every copy is still tried (the sheet is read for each), nothing throws, and a good printer
    // afterwards prints as before.
    int reads = 0;
    const auto read = [&reads] {
        ++reads;
        return salvenor::test::sevenNightsSheet();
    };
    QPrinter missing{QPrinter::HighResolution};
    missing.setPrinterName(QStringLiteral("no-such-printer"));
    printCopies(missing, 2, read);
    QCOMPARE(reads, 2);

    QPrinter unwritable{QPrinter::HighResolution};
    unwritable.setOutputFormat(QPrinter::PdfFormat);
    unwritable.setOutputFileName(m_dir.filePath(QStringLiteral("no-such-folder/sheet.pdf")));
    printCopies(unwritable, 3, read);
    QCOMPARE(reads, 5);

    const QString good = m_dir.filePath(QStringLiteral("after-failures.pdf"));
    QPrinter afterwards{QPrinter::HighResolution};
    afterwards.setOutputFormat(QPrinter::PdfFormat);
    afterwards.setOutputFileName(good);
    printCopies(afterwards, 1, read);
    QVERIFY(findWord(wordsOf(good), QStringLiteral("Nordseeinsel"), 1));
}

void PrintTest::cancelPrintsNothing()
{
    MainWindow window;
    window.load({QDate{2016, 3, 14}});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QString dialogName;
    // The dialog is set to print into a file, then cancelled: the file must never appear.
    const QString file = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    salvenor::test::whenWindowShows<QPrintDialog>([&dialogName, &window, &file](QPrintDialog *dialog) {
        dialogName = dialog->objectName();
        QVERIFY(dialog->parentWidget() == &window);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(file);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    const QString before = window.control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
    QTest::mouseClick(window.control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QCOMPARE(dialogName, QStringLiteral("dlgCommonDialog"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    // Nothing goes out: no copies under way, no progress window.
    QVERIFY(!window.isPrinting());
    QVERIFY(window.findChild<QDialog *>(QStringLiteral("dlgDruckfortschritt")) == nullptr);
    QVERIFY(QApplication::topLevelWidgets().count(&window) == 1);
    QCOMPARE(window.control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text(), before);
    QTest::qWait(300); // time for a copy that went out after all to reach the file
    QVERIFY(!QFile::exists(file));
}

void PrintTest::mainWindowProvidesWhatItShows()
{
    MainWindow window;
    window.load({QDate{2016, 3, 14}});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *departure = window.control<QCalendarWidget>(QStringLiteral("Abreise"));
    salvenor::test::clickDay(departure, QDate{2016, 3, 21});
    salvenor::test::pickWithKeys(window.control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    salvenor::test::pickWithKeys(window.control<QComboBox>(QStringLiteral("Anz_Kind")), 2);

    const SheetData data = window.sheetData();
    QCOMPARE(data.arrival, QDate(2016, 3, 14));
    QCOMPARE(data.departure, QDate(2016, 3, 21));
    QCOMPARE(data.arrivalDayText, QStringLiteral("Mo. 14.03.2016"));
    QCOMPARE(data.departureDayText, QStringLiteral("Mo. 21.03.2016"));
    QCOMPARE(data.lines[0].countText, QStringLiteral("2"));
    QCOMPARE(data.lines[0].sumText, QStringLiteral("32,20"));
    QVERIFY(!data.lines[0].perCategory);
    QCOMPARE(data.lines[3].sumText, QStringLiteral("2,80"));
    QVERIFY(data.lines[3].perCategory);
    QVERIFY(data.lines[4].perCategory);
    QCOMPARE(data.totalText, QStringLiteral("35,00"));
    QVERIFY(data.servicePhone.contains(QStringLiteral("555")));
}

QTEST_MAIN(PrintTest)
#include "print_test.moc"
