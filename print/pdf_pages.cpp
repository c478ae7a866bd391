#include "pdf_pages.h"

#include <stdexcept>
#include <vector>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace salvenor::print {

struct PdfPages::Document
{
    QPDF pdf;
    std::vector<QPDFPageObjectHelper> pages; // out of the page tree, each put back while it is written
    QPDFObjectHandle information;
};

PdfPages::PdfPages(const char *bytes, std::size_t size)
    : m_document(std::make_unique<Document>())
{
    QPDF &pdf = m_document->pdf;
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(false);
    pdf.processMemoryFile("sheets", bytes, size); // read where they are, not copied
    QPDFPageDocumentHelper tree{pdf};
    m_document->pages = tree.getAllPages();
    for (const QPDFPageObjectHelper &page : m_document->pages)
        tree.removePage(page);
    m_document->information = pdf.getTrailer().getKey("/Info");
    if (pdf.anyWarnings() || !m_document->information.isIndirect() || !m_document->information.isDictionary())
        throw std::runtime_error("qpdf finds fault with the document");
}

PdfPages::~PdfPages() = default;

std::size_t PdfPages::count() const
{
    return m_document->pages.size();
}

std::string PdfPages::pageAlone(std::size_t index, const std::string &title)
{
    // The document written with that page alone in its page tree: of its objects, only those the
    // page uses are written. No copy of the page or its fonts into another document is needed.
    QPDF &pdf = m_document->pdf;
    const QPDFPageObjectHelper &page = m_document->pages.at(index);
    m_document->information.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
    QPDFPageDocumentHelper tree{pdf};
    tree.addPage(page, false);
    try {
        // Should a page not have left the tree after a fault, no file gets two.
        if (pdf.getAllPages().size() != 1)
            throw std::logic_error("the page tree holds more than the page");
        QPDFWriter writer{pdf};
        writer.setOutputMemory();
        writer.setCompressStreams(false); // compressed already
        writer.setDecodeLevel(qpdf_dl_none);
        // The file's /ID from its own bytes: sheets written in the same second get different ones.
        writer.setDeterministicID(true);
        writer.write();
        if (pdf.anyWarnings())
            throw std::runtime_error("qpdf finds fault with a page");
        tree.removePage(page);
        const std::shared_ptr<Buffer> written = writer.getBufferSharedPointer();
        return {reinterpret_cast<const char *>(written->getBuffer()), written->getSize()};
    } catch (const std::exception &) {
        tree.removePage(page);
        throw;
    }
}

} // namespace salvenor::print
