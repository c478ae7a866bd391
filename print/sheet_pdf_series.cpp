#include "sheet_pdf_series.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <zlib.h>

#include <QBuffer>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QPdfWriter>
#include <QSet>
#include <QtGlobal>

#include "core/date.h"
#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"
#include "print/sheet_pdf.h"

namespace salvenor::print {

namespace {

// The glyphs a page draws, by the name of their font in the page's resources ("/F7").
using GlyphsByFont = QHash<QByteArray, QSet<quint16>>;

QByteArray inflated(QByteArrayView deflated)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    QByteArray result;
    std::array<char, 16384> block{};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(block.data());
        stream.avail_out = block.size();
        status = inflate(&stream, Z_NO_FLUSH);
        result.append(block.data(), static_cast<qsizetype>(block.size() - stream.avail_out));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? result : QByteArray{};
}

bool isPdfSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isPdfDelimiter(char c)
{
    return isPdfSpace(c) || c == '/' || c == '[' || c == ']' || c == '<' || c == '>' || c == '(' || c == ')' || c == '{'
        || c == '}' || c == '%';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Calls onGlyph(font, glyph) for every glyph a page's content draws, and stops where it returns
// false. Qt draws the text of embedded fonts as hex strings of two-byte glyph numbers after the
// font's "Tf"; false for content that holds anything else a glyph could hide in (a literal string).
// Reads the hex string that begins at `at` ("<0012 0034>"), glyph by glyph; leaves `at` on its
// closing ">". False where it holds anything but glyph numbers, or where onGlyph says stop.
template<typename OnGlyph> bool readGlyphString(const char *&at, const char *end, QByteArrayView font, OnGlyph &onGlyph)
{
    unsigned glyph = 0;
    int digits = 0;
    for (++at; at < end && *at != '>'; ++at) {
        if (isPdfSpace(*at))
            continue;
        const int digit = hexValue(*at);
        if (digit < 0)
            return false;
        glyph = glyph * 16 + static_cast<unsigned>(digit);
        if (++digits % 4 == 0) {
            if (!onGlyph(font, static_cast<quint16>(glyph)))
                return false;
            glyph = 0;
        }
    }
    return digits % 4 == 0;
}

template<typename OnGlyph> bool forEachGlyph(QByteArrayView content, OnGlyph &&onGlyph)
{
    QByteArrayView font;
    QByteArrayView lastName;
    const char *at = content.data();
    const char *const end = at + content.size();
    while (at < end) {
        if (*at == '%') {
            while (at < end && *at != '\n')
                ++at;
        } else if (*at == '/') {
            const char *const name = at++;
            while (at < end && !isPdfDelimiter(*at))
                ++at;
            lastName = QByteArrayView{name, at};
            continue;
        } else if (*at == '(') {
            return false;
        } else if (*at == '<' && at + 1 < end && at[1] == '<') {
            at += 2;
            continue;
        } else if (*at == '<') {
            if (!readGlyphString(at, end, font, onGlyph))
                return false;
        } else if (*at == 'T' && at + 1 < end && at[1] == 'f' && (at + 2 == end || isPdfDelimiter(at[2]))
            && (at == content.data() || isPdfSpace(at[-1]))) {
            font = lastName;
        }
        ++at;
    }
    return true;
}

// The number of the object that `key` refers to in a dictionary ("/Contents 9 0 R"; a one-element
// array "[ 6 0 R ]" too); 0 where there is none.
int referenceAfter(QByteArrayView dictionary, QByteArrayView key)
{
    qsizetype at = dictionary.indexOf(key);
    if (at < 0)
        return 0;
    at += key.size();
    if (at < dictionary.size() && !isPdfDelimiter(dictionary[at]))
        return 0; // a longer key ("/Pages" for "/Page")
    while (at < dictionary.size() && (isPdfSpace(dictionary[at]) || dictionary[at] == '['))
        ++at;
    int number = 0;
    const qsizetype digits = at;
    while (at < dictionary.size() && dictionary[at] >= '0' && dictionary[at] <= '9' && number < 100'000'000)
        number = number * 10 + (dictionary[at++] - '0');
    return at > digits && dictionary.sliced(at).startsWith(" 0 R") ? number : 0;
}

// The text with its references ("9 0 R") cut to "R": the shape of a dictionary, whatever the
// numbers of the objects it names.
QByteArray withoutReferences(QByteArrayView text)
{
    QByteArray shape;
    shape.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = at;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end > at && (at == 0 || isPdfDelimiter(text[at - 1])) && text.sliced(end).startsWith(" 0 R")) {
            shape += 'R';
            at = end + 4;
        } else {
            shape += text[at];
            ++at;
        }
    }
    return shape;
}

// "7 0 obj\n": the object's number and where its body begins; 0 where no object begins at `at`.
int objectAt(QByteArrayView pdf, qsizetype at, qsizetype &body)
{
    int number = 0;
    qsizetype end = at;
    while (end < pdf.size() && pdf[end] >= '0' && pdf[end] <= '9' && number < 100'000'000)
        number = number * 10 + (pdf[end++] - '0');
    if (end == at || !pdf.sliced(end).startsWith(" 0 obj\n"))
        return 0;
    body = end + 7;
    return number;
}

constexpr QByteArrayView kEndObject{"endobj\n"};
constexpr QByteArrayView kStreamStart{">>\nstream\n"};
constexpr QByteArrayView kStreamEnd{"\nendstream\nendobj\n"};

// The objects Qt writes for a page when it ends it: the page, its resources and annotations, then
// its content stream, then the stream's length.
struct WrittenPage
{
    QByteArray page;
    QByteArray resources;
    QByteArray annotations;
    QByteArray contentDictionary;
    QByteArrayView content; // deflated, in the written bytes
};

bool readWrittenPage(QByteArrayView written, WrittenPage &page)
{
    QHash<int, QByteArrayView> bodies;
    qsizetype at = 0;
    while (at < written.size() && written[at] == '%') { // the header, before the first page
        const qsizetype line = written.indexOf('\n', at);
        if (line < 0)
            return false;
        at = line + 1;
    }
    int contentNumber = 0;
    qsizetype contentStart = 0;
    while (contentNumber == 0) {
        qsizetype body = 0;
        const int number = objectAt(written, at, body);
        if (number == 0)
            return false;
        const qsizetype end = written.indexOf(kEndObject, body);
        const qsizetype stream = written.indexOf(kStreamStart, body);
        if (stream >= 0 && (end < 0 || stream < end)) {
            contentNumber = number;
            page.contentDictionary = written.sliced(body, stream + 2 - body).toByteArray();
            contentStart = stream + kStreamStart.size();
        } else if (end >= 0) {
            bodies.insert(number, written.sliced(body, end - body));
            at = end + kEndObject.size();
        } else {
            return false;
        }
    }
    // The stream's length follows it, as the last object: the one place where the stream ends.
    const int lengthNumber = referenceAfter(page.contentDictionary, "/Length");
    const QByteArray lengthStart = kStreamEnd.toByteArray() + QByteArray::number(lengthNumber) + " 0 obj\n";
    const qsizetype streamEnd = written.lastIndexOf(lengthStart);
    if (lengthNumber == 0 || streamEnd < contentStart)
        return false;
    page.content = written.sliced(contentStart, streamEnd - contentStart);
    if (written.sliced(streamEnd + lengthStart.size()) != QByteArray::number(page.content.size()) + "\nendobj\n")
        return false;
    for (const auto &object : bodies) {
        if (referenceAfter(object, "/Contents") == contentNumber && object.contains("/Type /Page\n"))
            page.page = object.toByteArray();
    }
    page.resources = bodies.value(referenceAfter(page.page, "/Resources")).toByteArray();
    page.annotations = bodies.value(referenceAfter(page.page, "/Annots")).toByteArray();
    return !page.page.isEmpty() && !page.resources.isEmpty();
}

// The characters of a sheet's changing texts in bold (its date and total): figures and amounts.
// Each glyph more in the primer makes every sheet's file larger.
QString changingBoldCharacters()
{
    return QStringLiteral("0123456789 .,€");
}

// The characters of its changing texts in the regular weight: figures, amounts, the nights' and
// the amounts' "x", and the days of the stay with their weekdays.
QString changingRegularCharacters()
{
    QString characters = changingBoldCharacters() + QLatin1Char('x');
    const Date monday = makeDate(4, 1, 2016);
    for (int day = 0; day < 7; ++day)
        characters += QString::fromStdString(dayText(addDays(monday, day)));
    return characters;
}

// A sheet with every line the layout prints: each category with a person and a sum.
SheetData primerSheet()
{
    SheetFacts facts{.today = makeDate(4, 1, 2016),
        .arrival = makeDate(4, 1, 2016),
        .departure = makeDate(11, 1, 2016),
        .counts = {},
        .sums = {},
        .total = 1234567_ct};
    facts.counts.fill(1);
    facts.sums.fill(100_ct);
    return sheetDataOf(facts);
}

// The primer page: the changing characters in both weights of the sheet's face (a font's subset
// is the same at every size), then a whole sheet for the fixed texts as the layout shapes them.
void drawPrimer(QtPrintSurface &surface)
{
    surface.setFont(QStringLiteral("Arial"), 10, true);
    surface.printText(changingBoldCharacters(), 0, 0);
    surface.setFont(QStringLiteral("Arial"), 10, false);
    surface.printText(changingRegularCharacters(), 0, 10);
    printSheet(surface, primerSheet());
}

// A PDF date as Qt writes it: D:YYYYMMDDHHmmSS and the offset from UTC (Z, or +HH'mm').
QByteArray pdfDate(const QDateTime &time)
{
    QByteArray text = "D:" + time.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    const int offset = time.offsetFromUtc();
    if (offset == 0)
        return text + 'Z';
    const int minutes = std::abs(offset) / 60;
    return text + (offset < 0 ? '-' : '+') + QByteArray::number(minutes / 60).rightJustified(2, '0') + '\''
        + QByteArray::number(minutes % 60).rightJustified(2, '0') + '\'';
}

// A text string of the document's information: UTF-16 with its byte order mark, in hex.
QByteArray pdfText(const QString &text)
{
    QByteArray utf16 = "\xFE\xFF";
    for (const QChar character : text) {
        utf16 += static_cast<char>(character.unicode() >> 8);
        utf16 += static_cast<char>(character.unicode() & 0xFF);
    }
    return '<' + utf16.toHex().toUpper() + '>';
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    // A new file only: never through a symbolic link, never over a file that is there.
    const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0)
        return false;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count
            = ::write(file, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        written += count;
    }
    const bool closed = ::close(file) == 0;
    return written == bytes.size() && closed;
}

// Whether the PDF file is whole: its cross-reference table stands where its end says. Qt's PDF
// writer does not report failed writes (a full disk), which cut the file or leave a gap in it.
bool isWholePdfFile(const QString &path)
{
    QFile file{path};
    if (!file.open(QIODevice::ReadOnly) || file.size() < 64)
        return false;
    const qint64 size = file.size();
    file.seek(size - 64);
    const QByteArray tail = file.read(64);
    const qsizetype start = tail.lastIndexOf("startxref");
    if (start < 0 || !tail.trimmed().endsWith("%%EOF"))
        return false;
    bool number = false;
    const qint64 table = tail.mid(start + 9).replace("%%EOF", "").trimmed().toLongLong(&number);
    return number && table > 0 && table < size && file.seek(table) && file.read(4) == "xref";
}

} // namespace

// The primer as a document of its own, ended by Qt: its fonts, page and everything else, object
// by object, for each sheet's file, which takes its content and information in their places.
struct SheetPdfSeries::Primer
{
    struct Object
    {
        int number;
        QByteArray bytes; // "N 0 obj\n...endobj\n"
    };

    QByteArray header; // before the first object
    std::vector<Object> objects; // in the order of the file
    int tableSize = 0; // the cross-reference table's, with object 0
    QByteArray trailer;
    int information = 0;
    int content = 0;
    int contentLength = 0;
    QByteArray contentStart; // the content object up to its stream
    QByteArray deflatedContent; // to recognise the primer page in the long document
    QByteArray pageShape;
    QByteArray resources;
    QByteArray annotations;
    QByteArray contentDictionaryShape;
    GlyphsByFont glyphs;

    bool read(const QByteArray &pdf);
    // The header, trailer and objects of the whole file; `bodies` holds each object's body by number.
    bool readObjects(const QByteArray &pdf, QHash<int, QByteArray> &bodies);
    // Whether the page Qt wrote in the long document can stand in this document's place: the same
    // kind of page and content, the same resources, and only the primer's glyphs.
    bool serves(const WrittenPage &page) const;
    // This document with the page's content and the title in their places.
    QByteArray withPage(QByteArrayView content, const QString &title) const;
};

bool SheetPdfSeries::Primer::readObjects(const QByteArray &pdf, QHash<int, QByteArray> &bodies)
{
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    if (startxref < 0)
        return false;
    const qsizetype table = pdf.mid(startxref + 10, 24).split('\n').front().trimmed().toLongLong();
    if (table <= 0 || table >= startxref || !pdf.sliced(table).startsWith("xref\n0 "))
        return false;
    const qsizetype trailerAt = pdf.indexOf("trailer\n", table);
    if (trailerAt < 0 || trailerAt > startxref)
        return false;
    trailer = pdf.sliced(trailerAt + 8, startxref - trailerAt - 8).trimmed();
    const QList<QByteArray> lines = pdf.sliced(table, trailerAt - table).split('\n');
    tableSize = lines.size() > 1 ? lines.at(1).split(' ').value(1).toInt() : 0;
    if (tableSize < 2 || lines.size() < tableSize + 2)
        return false;
    std::vector<std::pair<qsizetype, int>> starts; // offset, number
    for (int number = 1; number < tableSize; ++number) {
        const QByteArray &entry = lines.at(number + 2);
        if (entry.contains(" n"))
            starts.emplace_back(entry.left(10).toLongLong(), number);
    }
    std::sort(starts.begin(), starts.end());
    if (starts.empty())
        return false;
    header = pdf.left(starts.front().first);
    for (std::size_t index = 0; index < starts.size(); ++index) {
        const qsizetype from = starts[index].first;
        const qsizetype to = index + 1 < starts.size() ? starts[index + 1].first : table;
        if (from <= 0 || to <= from || to > table)
            return false;
        const QByteArray bytes = pdf.sliced(from, to - from);
        qsizetype body = 0;
        if (objectAt(bytes, 0, body) != starts[index].second || !bytes.endsWith(kEndObject))
            return false;
        objects.push_back({starts[index].second, bytes});
        bodies.insert(starts[index].second, bytes.sliced(body, bytes.size() - body - kEndObject.size()));
    }
    return true;
}

bool SheetPdfSeries::Primer::read(const QByteArray &pdf)
{
    QHash<int, QByteArray> bodies;
    if (!readObjects(pdf, bodies))
        return false;
    information = referenceAfter(trailer, "/Info");
    const int pages = referenceAfter(bodies.value(referenceAfter(trailer, "/Root")), "/Pages");
    const QByteArray page = bodies.value(referenceAfter(bodies.value(pages), "/Kids"));
    content = referenceAfter(page, "/Contents");
    pageShape = withoutReferences(page);
    resources = bodies.value(referenceAfter(page, "/Resources"));
    annotations = bodies.value(referenceAfter(page, "/Annots"));
    const QByteArray contentBody = bodies.value(content);
    const qsizetype stream = contentBody.indexOf(kStreamStart);
    contentLength = referenceAfter(contentBody.left(stream), "/Length");
    if (information == 0 || content == 0 || stream < 0 || contentLength == 0 || resources.isEmpty())
        return false;
    contentDictionaryShape = withoutReferences(contentBody.left(stream + 2));
    contentStart = QByteArray::number(content) + " 0 obj\n" + contentBody.left(stream + kStreamStart.size());
    bool number = false;
    const qsizetype deflatedSize = bodies.value(contentLength).trimmed().toLongLong(&number);
    deflatedContent = contentBody.sliced(stream + kStreamStart.size());
    if (!number || !deflatedContent.endsWith("\nendstream\n") || deflatedContent.size() != deflatedSize + 11)
        return false;
    deflatedContent.chop(11);
    return forEachGlyph(inflated(deflatedContent), [this](QByteArrayView font, quint16 glyph) {
        glyphs[font.toByteArray()].insert(glyph);
        return !font.isEmpty();
    });
}

bool SheetPdfSeries::Primer::serves(const WrittenPage &page) const
{
    if (withoutReferences(page.page) != pageShape || page.resources != resources || page.annotations != annotations
        || withoutReferences(page.contentDictionary) != contentDictionaryShape)
        return false;
    const QSet<quint16> *fontGlyphs = nullptr;
    QByteArrayView fontName;
    return forEachGlyph(inflated(page.content), [&](QByteArrayView font, quint16 glyph) {
        if (fontGlyphs == nullptr || font != fontName) {
            const auto found = glyphs.constFind(font.toByteArray());
            fontGlyphs = found == glyphs.cend() ? nullptr : &*found;
            fontName = font;
        }
        return fontGlyphs != nullptr && fontGlyphs->contains(glyph);
    });
}

QByteArray SheetPdfSeries::Primer::withPage(QByteArrayView pageContent, const QString &title) const
{
    QByteArray pdf;
    constexpr qsizetype kObjectsBesideTheContent = qsizetype{32} * 1024;
    pdf.reserve(header.size() + pageContent.size() + kObjectsBesideTheContent);
    pdf += header;
    std::vector<qsizetype> offsets(static_cast<std::size_t>(tableSize), -1);
    for (const Object &object : objects) {
        offsets[static_cast<std::size_t>(object.number)] = pdf.size();
        if (object.number == information) {
            pdf += QByteArray::number(object.number) + " 0 obj\n<<\n/Title " + pdfText(title) + "\n/Creator "
                + pdfText(QString::fromLatin1(kSheetCreator)) + "\n/Producer "
                + pdfText(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())) + "\n/CreationDate ("
                + pdfDate(QDateTime::currentDateTime()) + ")\n>>\nendobj\n";
        } else if (object.number == content) {
            pdf += contentStart;
            pdf += pageContent;
            pdf += kStreamEnd;
        } else if (object.number == contentLength) {
            pdf += QByteArray::number(object.number) + " 0 obj\n" + QByteArray::number(pageContent.size())
                + "\nendobj\n";
        } else {
            pdf += object.bytes;
        }
    }
    const qsizetype table = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(tableSize) + "\n0000000000 65535 f \n";
    for (std::size_t number = 1; number < offsets.size(); ++number) {
        pdf += offsets[number] < 0 ? QByteArray{"0000000000 65535 f \n"}
                                   : QByteArray::number(offsets[number]).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n" + trailer + "\nstartxref\n" + QByteArray::number(table) + "\n%%EOF\n";
    return pdf;
}

// The sheets drawn page after page into memory, behind the primer page.
struct SheetPdfSeries::LongDocument
{
    QByteArray written; // since the last page was taken
    QBuffer buffer{&written};
    std::unique_ptr<QPdfWriter> writer;
    std::unique_ptr<QtPrintSurface> surface;
    int pages = 0;

    LongDocument()
    {
        buffer.open(QIODevice::WriteOnly);
        writer = std::make_unique<QPdfWriter>(&buffer);
        setUpPdfWriter(*writer, pdfPageLayout(), 1200);
        surface = std::make_unique<QtPrintSurface>(*writer, true);
    }
    ~LongDocument() { surface.reset(); } // ends the document: Qt writes its fonts once more, into memory
    LongDocument(const LongDocument &) = delete;
    LongDocument &operator=(const LongDocument &) = delete;
    LongDocument(LongDocument &&) = delete;
    LongDocument &operator=(LongDocument &&) = delete;

    // Ends the page drawn last and hands over what Qt wrote for it.
    bool takePage(WrittenPage &page, QByteArray &bytes)
    {
        surface->newPage();
        ++pages;
        bytes.swap(written);
        buffer.seek(0);
        return readWrittenPage(bytes, page);
    }
};

SheetPdfSeries::SheetPdfSeries(int pagesPerDocument)
    : m_pagesPerDocument(pagesPerDocument)
{ }

SheetPdfSeries::~SheetPdfSeries() = default;

bool SheetPdfSeries::startLongDocument()
{
    m_document.reset();
    try {
        auto document = std::make_unique<LongDocument>();
        drawPrimer(*document->surface);
        WrittenPage page;
        QByteArray bytes;
        // The primer page as Qt wrote it alone: the same fonts, glyphs and resources.
        if (!document->takePage(page, bytes) || page.content != m_primer->deflatedContent
            || page.resources != m_primer->resources)
            return false;
        m_document = std::move(document);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

QByteArray SheetPdfSeries::pageOfItsOwn(const SheetData &sheet, const QString &title)
{
    if (!m_primerTried) {
        m_primerTried = true;
        QByteArray pdf;
        try {
            QBuffer buffer{&pdf};
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer{&buffer};
            setUpPdfWriter(writer, pdfPageLayout(), 1200);
            QtPrintSurface surface{writer, true};
            drawPrimer(surface);
            surface.finish();
        } catch (const std::exception &) {
            pdf.clear();
        }
        m_primer = std::make_unique<Primer>();
        if (!m_primer->read(pdf))
            m_primer.reset();
    }
    if (!m_primer)
        return {};
    if ((!m_document || m_document->pages >= m_pagesPerDocument) && !startLongDocument()) {
        m_primer.reset(); // Qt draws the primer differently now: every sheet alone
        return {};
    }

    WrittenPage page;
    QByteArray bytes;
    try {
        printSheet(*m_document->surface, sheet);
        if (!m_document->takePage(page, bytes)) {
            m_document.reset(); // out of step with its pages
            return {};
        }
    } catch (const std::exception &) {
        m_document.reset();
        return {};
    }
    return m_primer->serves(page) ? m_primer->withPage(page.content, title) : QByteArray{};
}

bool SheetPdfSeries::write(const QString &file, const SheetData &sheet, const QString &title)
{
    const QByteArray pdf = pageOfItsOwn(sheet, title);
    if (!pdf.isEmpty())
        return writeFile(file, pdf);
    ++m_sheetsWrittenAlone;
    return writeSheetPdf(file, sheet, title) && isWholePdfFile(file);
}

} // namespace salvenor::print
