#include <gtest/gtest.h>

#include <set>
#include <vector>

#include <QString>

#include "print/sheet_layout.h"
#include "sheet_examples.h"

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

TEST(SheetLayout, PrintsEveryItemInOrderWithItsFontAndPlace)
{
    RecordingSurface surface;
    printSheet(surface, test::sevenNightsSheet());
    const auto &items = surface.items;
    ASSERT_EQ(items.size(), 47u); // 46 items and the end of the document

    const auto expectText = [&](std::size_t index, const QString &text, double x, double y, double size, bool bold) {
        const auto &item = items.at(index);
        EXPECT_EQ(item.kind, QStringLiteral("text")) << index;
        EXPECT_EQ(item.text, text) << index;
        EXPECT_DOUBLE_EQ(item.x, x) << index << " " << text.toStdString();
        EXPECT_DOUBLE_EQ(item.y, y) << index << " " << text.toStdString();
        EXPECT_EQ(item.size, size) << index;
        EXPECT_EQ(item.bold, bold) << index;
    };
    const auto centred = [](const QString &text) { return (190 - 2.0 * static_cast<double>(text.size())) / 2; };
    const auto right = [](const QString &text) { return 190 - 40 - 2.0 * static_cast<double>(text.size()); };
    const auto expectLine = [&](std::size_t index, double x1, double y1, double x2, double y2) {
        const auto &item = items.at(index);
        EXPECT_EQ(item.kind, QStringLiteral("line")) << index;
        EXPECT_DOUBLE_EQ(item.x, x1);
        EXPECT_DOUBLE_EQ(item.y, y1);
        EXPECT_DOUBLE_EQ(item.x2, x2);
        EXPECT_DOUBLE_EQ(item.y2, y2);
    };

    expectText(0, QStringLiteral("Nordseeinsel Quarnum"), 13, 0, 12, true);
    expectText(1, QStringLiteral("14.03.2016"), 160, 0, 12, true);
    expectLine(2, 3, 8, 193, 8);
    const QString title = QStringLiteral("Kurbeitragsberechnung");
    expectText(3, title, centred(title), 33, 12, true);
    const QString stay = QStringLiteral("Anreisetag = Mo. 14.03.2016 Abreisetag = Mo. 21.03.2016");
    expectText(4, stay, centred(stay), 40, 8, false);
    const QString nights = QStringLiteral("Das entspricht einem Aufenthalt von 7 Übernachtungen.");
    expectText(5, nights, centred(nights), 44, 8, false);

    const QString names[] = {" Erwachsene(r) ", " Erwachsene(r) 80% Schwerb.", " Student, Schüler, Azubi",
        " Kind(er) ab 12 J.", " Kind(er) ab 12 J. 80% Schwerb.", " Nicht Fam.ang. Kind(er) ab 12 J."};
    const QString counts[] = {"2", "0", "0", "2", "0", "0"};
    const QString amounts[] = {"x 3,20 €", "x 0,00 €", "x 0,00 €", "x 0,80 €", "x 0,00 €", "x 0,00 €"};
    const QString sums[] = {"44,80 €", "0,00 €", "0,00 €", "5,60 €", "0,00 €", "0,00 €"};
    for (std::size_t row = 0; row < 6; ++row) {
        const double y = 63 + 10 * static_cast<double>(row);
        const std::size_t first = 6 + 5 * row;
        expectText(first, counts[row] + names[row], 36, y, 10, false);
        expectText(first + 1, QStringLiteral("x 7 Nächte"), 93, y, 10, false);
        expectText(first + 2, amounts[row], 118, y, 10, false);
        expectText(first + 3, QStringLiteral("="), 137, y, 10, false);
        expectText(first + 4, sums[row], right(sums[row]), y, 10, false);
    }
    expectLine(36, 36, 120, 158, 120);
    expectText(37, QStringLiteral("zu zahlender Kurbeitrag"), 36, 125, 10, true);
    expectText(38, QStringLiteral("="), 137, 125, 10, true);
    expectText(39, QStringLiteral("50,40 €"), right(QStringLiteral("50,40 €")), 125, 10, true);
    expectLine(40, 137, 130, 158, 130);
    expectLine(41, 137, 131, 158, 131);
    expectLine(42, 3, 163, 193, 163);
    const QString footer1 = QStringLiteral("Die Berechnung wurde mit dem Salvenor 2016 durchgeführt.");
    const QString footer2 = QStringLiteral("Kurbeitragskasse der Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH");
    const QString footer3 = QStringLiteral("Service-Telefon: (0 49 99) 555-0123");
    expectText(43, footer1, centred(footer1), 168, 8, false);
    expectText(44, footer2, centred(footer2), 172, 8, false);
    expectText(45, footer3, centred(footer3), 176, 8, false);
    EXPECT_EQ(items.back().kind, QStringLiteral("end"));
}

TEST(SheetLayout, ReadsSumsWithThousandsPointsAndPrintsThemUnchanged)
{
    SheetData data = test::sevenNightsSheet();
    data.lines[0] = {QStringLiteral("3"), QStringLiteral("1.234,50"), false};
    data.totalText = QStringLiteral("1.240,10");
    RecordingSurface surface;
    printSheet(surface, data);
    EXPECT_TRUE(surface.find(QStringLiteral("1.234,50 €")));
    EXPECT_TRUE(surface.find(QStringLiteral("1.240,10 €")));
    // 1234.5 / 7 / 3 = 58.785714...
    EXPECT_TRUE(surface.find(QStringLiteral("x 58,79 €")));
}

TEST(SheetLayout, NoNightsSkipsTheFamilyChildrensAmounts)
{
    SheetData data = test::sevenNightsSheet();
    data.departure = data.arrival;
    for (SheetCategoryLine &line : data.lines)
        line.sumText = QStringLiteral("0,00");
    RecordingSurface surface;
    printSheet(surface, data);
    EXPECT_EQ(surface.items.size(), 45u); // two amount items skipped
    for (std::size_t row = 0; row < 6; ++row) {
        const auto texts = surface.textsAt(63 + 10 * static_cast<double>(row));
        const bool family = row == 3 || row == 4;
        ASSERT_EQ(texts.size(), family ? 4u : 5u) << row;
        EXPECT_EQ(texts.at(1).text, QStringLiteral("x 0 Nächte"));
        if (!family) {
            EXPECT_EQ(texts.at(2).text, QStringLiteral("x 0,00 €"));
        }
    }
}

TEST(AmountPerNight, FollowsTheLinesRule)
{
    EXPECT_EQ(amountPerNight({QStringLiteral("2"), QStringLiteral("44,80"), false}, 7), QStringLiteral("x 3,20 €"));
    EXPECT_EQ(amountPerNight({QStringLiteral("2"), QStringLiteral("5,60"), true}, 7), QStringLiteral("x 0,80 €"));
    EXPECT_EQ(amountPerNight({QStringLiteral("0"), QStringLiteral("0,00"), false}, 7), QStringLiteral("x 0,00 €"));
    EXPECT_EQ(amountPerNight({QStringLiteral("0"), QStringLiteral("0,00"), true}, 7), QStringLiteral("x 0,00 €"));
    EXPECT_EQ(amountPerNight({QStringLiteral("0"), QStringLiteral("0,00"), false}, 0), QStringLiteral("x 0,00 €"));
    EXPECT_EQ(amountPerNight({QStringLiteral("3"), QStringLiteral("67,20"), false}, 30), QStringLiteral("x 0,75 €"));
    // 24.75 / 6 = 4.125 rounds half away from zero.
    EXPECT_EQ(amountPerNight({QStringLiteral("1"), QStringLiteral("24,75"), false}, 6), QStringLiteral("x 4,13 €"));
    EXPECT_THROW(amountPerNight({QStringLiteral("0"), QStringLiteral("0,00"), true}, 0), std::exception);
    EXPECT_THROW(amountPerNight({QStringLiteral("2"), QStringLiteral("abc"), false}, 7), std::exception);
    EXPECT_THROW(amountPerNight({QStringLiteral("x"), QStringLiteral("4,00"), false}, 7), std::exception);
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

TEST(SheetLayout, ThreeCopiesAreThreeIdenticalDocuments)
{
    RecordingSurface first;
    printSheet(first, test::sevenNightsSheet());
    for (int copy = 0; copy < 3; ++copy) {
        RecordingSurface again;
        printSheet(again, test::sevenNightsSheet());
        ASSERT_EQ(again.items.size(), first.items.size());
        for (std::size_t i = 0; i < first.items.size(); ++i)
            EXPECT_EQ(again.items[i].text, first.items[i].text);
    }
}

} // namespace
} // namespace salvenor::print
