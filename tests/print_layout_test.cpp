#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include "core/booking.h"
#include "core/categories.h"
#include "gui/small_file_system.h"
#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"
#include "print/sheet_pdf.h"
#include "sheet_examples.h"

// A failing comparison of texts shows them as text.
void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace salvenor::print {
namespace {

// A print surface that records what it is asked to do. Text is 2 mm per character, a line is
// half the point size high; chosen calls fail.
class RecordingSurface final : public PrintSurface
{
public:
    struct Item
    {
        QString kind; // "text", "line", "end"
        QString text;
        double x = 0;
        double y = 0;
        double x2 = 0;
        double y2 = 0;
        double size = 0;
        bool bold = false;
    };

    explicit RecordingSurface(std::set<int> failingCalls = {})
        : m_failing(std::move(failingCalls))
    { }

    double printableWidth() override
    {
        call();
        return 190;
    }
    void setFont(const QString &face, double pointSize, bool bold) override
    {
        call();
        EXPECT_EQ(face, QStringLiteral("Arial"));
        m_size = pointSize;
        m_bold = bold;
    }
    double textWidth(const QString &text) override
    {
        call();
        return 2.0 * static_cast<double>(text.size());
    }
    double lineHeight() override
    {
        call();
        return m_size / 2;
    }
    void printText(const QString &text, double x, double y) override
    {
        call();
        items.push_back({QStringLiteral("text"), text, x, y, 0, 0, m_size, m_bold});
        m_currentY = y + m_size / 2;
    }
    double currentY() const override { return m_currentY; }
    void drawLine(double x1, double y1, double x2, double y2) override
    {
        call();
        items.push_back({QStringLiteral("line"), {}, x1, y1, x2, y2, 0, false});
    }
    void endDocument() override
    {
        call();
        items.push_back({QStringLiteral("end"), {}, 0, 0, 0, 0, 0, false});
    }

    const Item *find(const QString &text) const
    {
        for (const Item &item : items) {
            if (item.text == text)
                return &item;
        }
        return nullptr;
    }
    std::vector<Item> textsAt(double y) const
    {
        std::vector<Item> found;
        for (const Item &item : items) {
            if (item.kind == QLatin1String("text") && item.y == y)
                found.push_back(item);
        }
        return found;
    }

    std::vector<Item> items;
    int calls = 0;

private:
    void call()
    {
        if (m_failing.count(calls++) != 0)
            throw PrintStepError("chosen to fail");
    }

    std::set<int> m_failing;
    double m_size = 12;
    bool m_bold = true;
    double m_currentY = 0;
};

struct ExpectedText
{
    QString text;
    double x;
    double y;
    double size;
    bool bold;
};

struct ExpectedLine
{
    double x1;
    double y1;
    double x2;
    double y2;
};

double centred(const QString &text)
{
    return (190 - 2.0 * static_cast<double>(text.size())) / 2;
}

double rightAligned(const QString &text)
{
    return 190 - 40 - 2.0 * static_cast<double>(text.size());
}

TEST(SheetLayout, PrintsEveryItemWithItsFontAndPlace)
{
    RecordingSurface surface;
    printSheet(surface, test::sevenNightsSheet());

    // The category lines stand 10 mm apart from 63 mm; the rule 7 mm below the last, the total 5 mm
    // below the rule (with six categories: 120 and 125 mm).
    const double lastLineTop = 63 + 10 * static_cast<double>(kCategoryCount - 1);
    const double ruleTop = lastLineTop + 7;
    const double totalTop = ruleTop + 5;
    const QString title = QStringLiteral("Kurbeitragsberechnung");
    const QString stay = QStringLiteral("Anreisetag = Mo. 14.03.2016 Abreisetag = Mo. 21.03.2016");
    const QString nights = QStringLiteral("Das entspricht einem Aufenthalt von 7 Übernachtungen.");
    const QString total = QStringLiteral("50,40 €");
    const QString footer1 = QStringLiteral("Die Berechnung wurde mit dem Salvenor 2016 durchgeführt.");
    const QString footer2 = QStringLiteral("Kurbeitragskasse der Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH");
    const QString footer3 = QStringLiteral("Service-Telefon: (0 49 99) 555-0123");
    std::vector<ExpectedText> texts{
        {.text = QStringLiteral("Nordseeinsel Quarnum"), .x = 13, .y = 0, .size = 12, .bold = true},
        {.text = QStringLiteral("14.03.2016"), .x = 160, .y = 0, .size = 12, .bold = true},
        {.text = title, .x = centred(title), .y = 33, .size = 12, .bold = true},
        {.text = stay, .x = centred(stay), .y = 40, .size = 8, .bold = false},
        {.text = nights, .x = centred(nights), .y = 44, .size = 8, .bold = false},
        {.text = QStringLiteral("zu zahlender Kurbeitrag"), .x = 36, .y = totalTop, .size = 10, .bold = true},
        {.text = QStringLiteral("="), .x = 137, .y = totalTop, .size = 10, .bold = true},
        {.text = total, .x = rightAligned(total), .y = totalTop, .size = 10, .bold = true},
        {.text = footer1, .x = centred(footer1), .y = 168, .size = 8, .bold = false},
        {.text = footer2, .x = centred(footer2), .y = 172, .size = 8, .bold = false},
        {.text = footer3, .x = centred(footer3), .y = 176, .size = 8, .bold = false},
    };
    // The two lines with persons, as the sheet's design has them; every other category's line
    // shows its count 0 and 0,00.
    struct CategoryLine
    {
        QString name;
        QString amount;
        QString sum;
    };
    const auto lineOf = [](const CategoryRules &category) {
        if (category.category == PersonCategory::Erwachsene)
            return CategoryLine{
                QStringLiteral("2 Erwachsene(r) "), QStringLiteral("x 3,20 €"), QStringLiteral("44,80 €")};
        if (category.category == PersonCategory::Kind)
            return CategoryLine{
                QStringLiteral("2 Kind(er) ab 12 J."), QStringLiteral("x 0,80 €"), QStringLiteral("5,60 €")};
        return CategoryLine{
            QStringLiteral("0") + QString::fromUtf8(category.printedName.data(), std::ssize(category.printedName)),
            QStringLiteral("x 0,00 €"), QStringLiteral("0,00 €")};
    };
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        const CategoryLine line = lineOf(kCategories.at(i));
        const double y = 63 + 10 * static_cast<double>(i);
        texts.push_back({.text = line.name, .x = 36, .y = y, .size = 10, .bold = false});
        texts.push_back({.text = QStringLiteral("x 7 Nächte"), .x = 93, .y = y, .size = 10, .bold = false});
        texts.push_back({.text = line.amount, .x = 118, .y = y, .size = 10, .bold = false});
        texts.push_back({.text = QStringLiteral("="), .x = 137, .y = y, .size = 10, .bold = false});
        texts.push_back({.text = line.sum, .x = rightAligned(line.sum), .y = y, .size = 10, .bold = false});
    }
    const ExpectedLine rules[] = {
        {.x1 = 3, .y1 = 8, .x2 = 193, .y2 = 8},
        {.x1 = 36, .y1 = ruleTop, .x2 = 158, .y2 = ruleTop},
        {.x1 = 137, .y1 = totalTop + 5, .x2 = 158, .y2 = totalTop + 5},
        {.x1 = 137, .y1 = totalTop + 6, .x2 = 158, .y2 = totalTop + 6},
        {.x1 = 3, .y1 = 163, .x2 = 193, .y2 = 163},
    };

    for (const ExpectedText &expected : texts) {
        const auto printed = surface.textsAt(expected.y);
        const auto match = std::find_if(printed.begin(), printed.end(),
            [&](const RecordingSurface::Item &item) { return item.text == expected.text; });
        ASSERT_NE(match, printed.end()) << expected.text.toStdString() << " at " << expected.y;
        EXPECT_DOUBLE_EQ(match->x, expected.x) << expected.text.toStdString();
        EXPECT_EQ(match->size, expected.size) << expected.text.toStdString();
        EXPECT_EQ(match->bold, expected.bold) << expected.text.toStdString();
    }
    for (const ExpectedLine &expected : rules) {
        const auto match = std::find_if(surface.items.begin(), surface.items.end(), [&](const auto &item) {
            return item.kind == QLatin1String("line") && item.x == expected.x1 && item.y == expected.y1
                && item.x2 == expected.x2 && item.y2 == expected.y2;
        });
        EXPECT_NE(match, surface.items.end()) << "line at " << expected.y1;
    }
    // Nothing else is printed, and the document ends last.
    EXPECT_EQ(surface.items.size(), texts.size() + std::size(rules) + 1);
    EXPECT_EQ(surface.items.back().kind, QStringLiteral("end"));
}

TEST(SheetLayout, PrintsSumsWithThousandsPoints)
{
    SheetData data = test::sevenNightsSheet();
    data.lines[0] = {.count = 3, .sum = 123450_ct, .perCategory = false};
    data.total = 124010_ct;
    RecordingSurface surface;
    printSheet(surface, data);
    EXPECT_TRUE(surface.find(QStringLiteral("1.234,50 €")));
    EXPECT_TRUE(surface.find(QStringLiteral("1.240,10 €")));
    // 1234.5 / 7 / 3 = 58.785714...
    EXPECT_TRUE(surface.find(QStringLiteral("Ø 58,79 €")));
}

TEST(SheetLayout, NoNightsSkipsTheFamilyChildrensAmounts)
{
    SheetData data = test::sevenNightsSheet();
    data.departure = data.arrival;
    for (SheetCategoryLine &line : data.lines)
        line.sum = 0_ct;
    RecordingSurface surface;
    printSheet(surface, data);
    RecordingSurface withNights;
    printSheet(withNights, test::sevenNightsSheet());
    // The family's children's amount items are skipped, nothing else.
    const auto perCategory = std::count_if(
        kCategories.begin(), kCategories.end(), [](const CategoryRules &category) { return category.oneChildRule; });
    EXPECT_EQ(surface.items.size(), withNights.items.size() - static_cast<std::size_t>(perCategory));
    for (const CategoryRules &category : kCategories) {
        const auto texts = surface.textsAt(categoryLineTop(category.category));
        const auto has = [&texts](const QString &text) {
            return std::any_of(texts.begin(), texts.end(), [&](const auto &item) { return item.text == text; });
        };
        ASSERT_EQ(texts.size(), category.oneChildRule ? 4u : 5u) << category.key;
        EXPECT_TRUE(has(QStringLiteral("x 0 Nächte"))) << category.key;
        EXPECT_EQ(has(QStringLiteral("x 0,00 €")), !category.oneChildRule) << category.key;
    }
}

// A guest who multiplies the line out finds its sum, or is told that the amount is an average
// and what made the sum. The stays lie in the years whose tariffs are settled.
TEST(SheetOfABooking, SaysWhereTheAmountPerNightIsAnAverage)
{
    struct Row
    {
        const char *why;
        PersonCategory category;
        int count;
        Date arrival;
        Date departure;
        const char *amount;
        const char *note;
    };
    using PC = PersonCategory;
    const Row rows[] = {
        {"one rate", PC::Erwachsene, 2, makeDate(14, 3, 2016), makeDate(18, 3, 2016), "x 2,30 €", ""},
        // 3 nights at 0,80 € and 1 at 0,40 € make 2,80 €, 4 x 0,70 €: still no rate of the bylaw.
        {"two rates that multiply out", PC::Student, 1, makeDate(29, 10, 2016), makeDate(2, 11, 2016), "Ø 0,70 €",
            "3 Nächte zu 0,80 € + 1 Nacht zu 0,40 €"},
        {"two rates", PC::Student, 1, makeDate(28, 10, 2016), makeDate(3, 11, 2016), "Ø 0,67 €",
            "4 Nächte zu 0,80 € + 2 Nächte zu 0,40 €"},
        {"one rate in two years, capped", PC::Erwachsene, 1, makeDate(1, 11, 2014), makeDate(12, 1, 2015), "Ø 1,24 €",
            "72 Nächte zu 2,10 €, höchstens 89,60 € je Person"},
        {"capped to an amount that multiplies out", PC::Erwachsene, 1, makeDate(1, 11, 2014), makeDate(10, 1, 2015),
            "Ø 1,28 €", "70 Nächte zu 2,10 €, höchstens 89,60 € je Person"},
        {"one rate over two parts", PC::Erwachsene, 3, makeDate(30, 12, 2014), makeDate(2, 1, 2015), "x 2,10 €", ""},
        // The family's children: one child's sum, at one rate per night of the category.
        {"one child of the family pays", PC::Kind, 3, makeDate(10, 7, 2016), makeDate(20, 7, 2016), "x 0,80 €",
            "nur ein Kind der Familie zahlt"},
        {"two tariffs", PC::Erw_Schwer, 1, makeDate(28, 12, 2015), makeDate(2, 1, 2016), "Ø 1,82 €",
            "4 Nächte zu 1,79 € + 1 Nacht zu 1,96 €"},
        {"capped", PC::Erw_Schwer, 1, makeDate(1, 7, 2016), makeDate(30, 7, 2016), "Ø 2,88 €",
            "29 Nächte zu 2,98 €, höchstens 83,44 € je Person"},
        // The year-turn rule: the cap, and the new year's nights but the first (22,40 + 50 x 0,40).
        {"the year-turn cap", PC::Student, 1, makeDate(20, 12, 2015), makeDate(20, 2, 2016), "Ø 0,68 €",
            "Höchstbetrag 22,40 € für das alte Jahr + 50 Nächte im neuen Jahr zu 0,40 €"},
        {"the year-turn cap and one child of the family", PC::Kind, 2, makeDate(1, 11, 2015), makeDate(10, 1, 2016),
            "Ø 0,37 €",
            "Höchstbetrag 22,40 € für das alte Jahr + 9 Nächte im neuen Jahr zu 0,40 €, nur ein Kind der Familie "
            "zahlt"},
    };
    for (const Row &row : rows) {
        Booking booking{.arrival = row.arrival, .departure = row.departure, .counts = {}};
        booking.counts.at(indexOf(row.category)) = row.count;
        const SheetData data = sheetDataOf(makeDate(14, 3, 2016), booking, calculateBooking(booking));
        const SheetCategoryLine &line = data.lines.at(indexOf(row.category));
        const int nights = static_cast<int>(data.arrival.daysTo(data.departure));
        const QString &note = data.rateNotes.at(indexOf(row.category));
        EXPECT_EQ(
            amountPerNight(line, nights, data.averagedAmounts.at(indexOf(row.category))), QString::fromUtf8(row.amount))
            << row.why;
        EXPECT_EQ(note, QString::fromUtf8(row.note)) << row.why;
        RecordingSurface surface;
        printSheet(surface, data);
        const auto below = surface.textsAt(categoryLineTop(row.category) + 4.1);
        if (note.isEmpty()) {
            EXPECT_TRUE(below.empty()) << row.why;
            continue;
        }
        ASSERT_EQ(below.size(), 1u) << row.why;
        EXPECT_EQ(below.front().text, note) << row.why;
        EXPECT_EQ(below.front().x, 36) << row.why;
        EXPECT_EQ(below.front().size, 6) << row.why;
        EXPECT_FALSE(below.front().bold) << row.why;
    }
}

// The note's figures give the line's sum, per person (per category for the family's children),
// for every category at counts 1, 2 and its maximum, over stays of 1 to 120 nights from every
// tenth day of 2015 and 2016, the year ends among them.
TEST(SheetOfABooking, TheNoteAddsUpToTheSum)
{
    static const QRegularExpression part{
        QStringLiteral(R"((\d+) (?:Nacht|Nächte)(?: im neuen Jahr)? zu (\d+),(\d\d) €)")};
    static const QRegularExpression cap{QStringLiteral(R"((Höchstbetrag|höchstens) (\d+),(\d\d) €)")};
    const auto cents = [](const QRegularExpressionMatch &match, int euros) {
        return match.captured(euros).toLongLong() * 100 + match.captured(euros + 1).toLongLong();
    };
    int notes = 0;
    for (Date arrival = makeDate(1, 1, 2015); arrival < makeDate(31, 12, 2016); arrival = addDays(arrival, 10)) {
        for (const int nights : {1, 5, 30, 45, 61, 75, 120}) {
            for (const CategoryRules &category : kCategories) {
                for (const int count : {1, 2, category.maxCount}) {
                    Booking booking{.arrival = arrival, .departure = addDays(arrival, nights), .counts = {}};
                    booking.counts.at(indexOf(category.category)) = count;
                    const SheetData data = sheetDataOf(makeDate(14, 3, 2016), booking, calculateBooking(booking));
                    const std::size_t index = indexOf(category.category);
                    if (!data.averagedAmounts.at(index))
                        continue;
                    ++notes;
                    const QString &note = data.rateNotes.at(index);
                    long long total = 0;
                    for (auto it = part.globalMatch(note); it.hasNext();) {
                        const auto match = it.next();
                        total += match.captured(1).toLongLong() * cents(match, 2);
                    }
                    if (const auto limit = cap.match(note); limit.hasMatch()) {
                        total = limit.captured(1) == QStringLiteral("Höchstbetrag") ? total + cents(limit, 2)
                                                                                    : std::min(total, cents(limit, 2));
                    }
                    const SheetCategoryLine &line = data.lines.at(index);
                    EXPECT_EQ(total * (line.perCategory ? 1 : count), line.sum.cents())
                        << note.toStdString() << " for " << category.key << " x" << count << " "
                        << dateText(booking.arrival) << "-" << dateText(booking.departure);
                }
            }
        }
    }
    EXPECT_GT(notes, 1000);
}

TEST(AmountPerNight, FollowsTheLinesRule)
{
    struct Row
    {
        const char *why;
        SheetCategoryLine line;
        int nights;
        const char *printed;
    };
    const Row rows[] = {
        {"per person", {.count = 2, .sum = 4480_ct, .perCategory = false}, 7, "x 3,20 €"},
        {"one person", {.count = 1, .sum = 2240_ct, .perCategory = false}, 7, "x 3,20 €"},
        {"the family's children: the whole category", {.count = 2, .sum = 560_ct, .perCategory = true}, 7, "x 0,80 €"},
        {"nobody", {.count = 0, .sum = 0_ct, .perCategory = false}, 7, "x 0,00 €"},
        {"no children of the family", {.count = 0, .sum = 0_ct, .perCategory = true}, 7, "x 0,00 €"},
        {"nobody and no nights", {.count = 0, .sum = 0_ct, .perCategory = false}, 0, "x 0,00 €"},
        // Capped: 0,75 € a night would make 67,50 €, so the amount is an average.
        {"a month", {.count = 3, .sum = 6720_ct, .perCategory = false}, 30, "Ø 0,75 €"},
        {"the family's children, capped", {.count = 2, .sum = 2240_ct, .perCategory = true}, 30, "Ø 0,75 €"},
        // 24.75 / 6 = 4.125 rounds half away from zero.
        {"half a cent", {.count = 1, .sum = 2475_ct, .perCategory = false}, 6, "Ø 4,13 €"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(amountPerNight(row.line, row.nights), QString::fromUtf8(row.printed)) << row.why;
    EXPECT_THROW(amountPerNight({.count = 0, .sum = 0_ct, .perCategory = true}, 0), std::exception);
}

// Records the sheet's items with their boxes, measured in the real faces by the program's own
// print surface on the program's own PDF page (A4 with the margins a printer commonly reports).
// The design's fixed rules run from 3 to 193 mm, so the sheet needs a printable width of 193 mm
// or more.
class MeasuringSurface final : public PrintSurface
{
public:
    struct Box
    {
        QString what;
        QRectF area; // a line's area has no height
    };

    MeasuringSurface()
        : m_writer(&m_pdf)
        , m_metrics((setUpPdfWriter(m_writer, pdfPageLayout(), 1200), m_writer))
    { }

    QRectF printableArea() const
    {
        return QRectF{QPointF{0, 0}, m_writer.pageLayout().paintRect(QPageLayout::Millimeter).size()};
    }
    double printableWidth() override { return m_metrics.printableWidth(); }
    void setFont(const QString &face, double pointSize, bool bold) override
    {
        m_metrics.setFont(face, pointSize, bold);
    }
    double textWidth(const QString &text) override { return m_metrics.textWidth(text); }
    double lineHeight() override { return m_metrics.lineHeight(); }
    void printText(const QString &text, double x, double y) override
    {
        boxes.push_back({QStringLiteral("\"%1\"").arg(text), QRectF{x, y, textWidth(text), lineHeight()}});
        m_currentY = y + lineHeight();
    }
    double currentY() const override { return m_currentY; }
    void drawLine(double x1, double y1, double x2, double y2) override
    {
        boxes.push_back({QStringLiteral("the line at y = %1 mm").arg(y1), QRectF{QPointF{x1, y1}, QPointF{x2, y2}}});
    }
    void endDocument() override { }

    std::vector<Box> boxes;

private:
    QBuffer m_pdf;
    QPdfWriter m_writer;
    QtPrintSurface m_metrics; // measures only: nothing is drawn on it
    double m_currentY = 0;
};

QString describe(const QRectF &area)
{
    return QStringLiteral("x %1–%2 mm, y %3–%4 mm")
        .arg(area.left(), 0, 'f', 1)
        .arg(area.right(), 0, 'f', 1)
        .arg(area.top(), 0, 'f', 1)
        .arg(area.bottom(), 0, 'f', 1);
}

// Two items cover each other: boxes that share an area, a line through a text's box, or two
// lines on one another. Boxes that only touch do not.
bool overlap(const QRectF &a, const QRectF &b)
{
    const bool acrossX = a.left() < b.right() && b.left() < a.right();
    const auto acrossY = [](const QRectF &line, const QRectF &box) {
        return box.height() > 0 ? line.top() > box.top() && line.top() < box.bottom() : line.top() == box.top();
    };
    if (a.height() == 0)
        return acrossX && acrossY(a, b);
    if (b.height() == 0)
        return acrossX && acrossY(b, a);
    return a.intersects(b);
}

// A sheet with the widest texts the window can give: every count at its maximum and large sums.
SheetData widestSheet()
{
    SheetData data = test::sevenNightsSheet(9999999_ct);
    data.departure = data.arrival.addDays(999);
    for (const CategoryRules &category : kCategories) {
        SheetCategoryLine &line = data.lines.at(indexOf(category.category));
        line.count = category.maxCount;
        line.sum = 999999_ct;
    }
    return data;
}

// Every category at its maximum over a stay across a year end whose sums are capped: each line
// has its small note of how the sum came about.
SheetData everyLineExplained()
{
    Booking booking{.arrival = makeDate(1, 11, 2015), .departure = makeDate(10, 1, 2016), .counts = {}};
    for (const CategoryRules &category : kCategories)
        booking.counts.at(indexOf(category.category)) = category.maxCount;
    return sheetDataOf(makeDate(14, 3, 2016), booking, calculateBooking(booking));
}

class SheetDesign : public testing::TestWithParam<std::pair<const char *, SheetData (*)()>>
{
public:
    static void SetUpTestSuite()
    {
        if (QGuiApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "print_layout_test";
            static char *argv[] = {name, nullptr};
            static QGuiApplication application{argc, argv};
        }
    }
};

TEST_P(SheetDesign, EveryItemLiesInsideThePrintableArea)
{
    MeasuringSurface surface;
    printSheet(surface, GetParam().second());
    const QRectF page = surface.printableArea();
    ASSERT_FALSE(surface.boxes.empty());
    for (const MeasuringSurface::Box &box : surface.boxes) {
        EXPECT_TRUE(page.contains(box.area.topLeft()) && page.contains(box.area.bottomRight()))
            << box.what.toStdString() << " at " << describe(box.area).toStdString()
            << " lies outside the printable area, " << describe(page).toStdString();
    }
}

TEST_P(SheetDesign, NoTwoItemsOverlap)
{
    MeasuringSurface surface;
    printSheet(surface, GetParam().second());
    const std::vector<MeasuringSurface::Box> &boxes = surface.boxes;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            EXPECT_FALSE(overlap(boxes[i].area, boxes[j].area))
                << boxes[i].what.toStdString() << " at " << describe(boxes[i].area).toStdString() << " and "
                << boxes[j].what.toStdString() << " at " << describe(boxes[j].area).toStdString() << " overlap";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, SheetDesign,
    testing::Values(std::pair{"SevenNights", +[] { return test::sevenNightsSheet(); }},
        std::pair{"Widest", &widestSheet}, std::pair{"EveryLineExplained", &everyLineExplained}),
    [](const testing::TestParamInfo<SheetDesign::ParamType> &sheet) { return std::string{sheet.param.first}; });

// The sheet as a PDF file of its own (the batch tool's sheets): one whole page, and false where
// the file cannot be written. What counts as whole: the header and, at the end, the end-of-file
// mark; a document cut short, or anything else, does not.
TEST(SheetPdf, WritesOneWholePageOrSaysItCouldNot)
{
    SheetDesign::SetUpTestSuite(); // the faces need an application
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
    ASSERT_TRUE(writeSheetPdf(file, test::sevenNightsSheet()));
    QFile written{file};
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray pdf = written.readAll();
    EXPECT_TRUE(isWholePdf(pdf));
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);
    EXPECT_FALSE(writeSheetPdf(dir.filePath(QStringLiteral("no-such-folder/sheet.pdf")), test::sevenNightsSheet()));

    ASSERT_GT(pdf.size(), 4096);
    EXPECT_FALSE(isWholePdf(pdf.left(pdf.size() / 2))) << "cut short";
    EXPECT_FALSE(isWholePdf(pdf.mid(1))) << "without its header";
    EXPECT_FALSE(isWholePdf(pdf + QByteArray(4096, '\0'))) << "followed by something else";
    EXPECT_FALSE(isWholePdf({}));
}

TEST(SheetPdf, AFullDiskIsReportedNotWritten)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    SheetDesign::SetUpTestSuite();
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString mountPoint = dir.filePath(QStringLiteral("small"));
    const test::SmallFileSystem small{mountPoint, QStringLiteral("64k")};
    if (!small.mounted())
        GTEST_SKIP() << "this machine does not let the test mount a file system";
    QFile filler{mountPoint + QStringLiteral("/filler")};
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(qsizetype{64} * 1024, 'x'));
    filler.close();
    // The writer takes the page without a word; the empty file it leaves is no sheet.
    EXPECT_FALSE(writeSheetPdf(mountPoint + QStringLiteral("/sheet.pdf"), test::sevenNightsSheet()));
}

TEST(SheetLayout, AFailingStepIsSkippedAndTheRestPrints)
{
    RecordingSurface reference;
    printSheet(reference, test::sevenNightsSheet());
    const int calls = reference.calls;
    ASSERT_GT(calls, 46);
    for (int failing = 0; failing < calls; ++failing) {
        RecordingSurface surface{{failing}};
        printSheet(surface, test::sevenNightsSheet());
        // At most one item is lost, and the document always ends unless its own step failed.
        EXPECT_GE(surface.items.size(), reference.items.size() - 1) << failing;
        if (failing != calls - 1) {
            EXPECT_EQ(surface.items.back().kind, QStringLiteral("end")) << failing;
        }
    }
    RecordingSurface everything{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}};
    printSheet(everything, test::sevenNightsSheet());
    EXPECT_TRUE(everything.find(QStringLiteral("Service-Telefon: (0 49 99) 555-0123")));
}

} // namespace
} // namespace salvenor::print
