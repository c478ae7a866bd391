#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace salvenor::print {

// A PDF document in memory whose pages qpdf writes each as a document of its own: the page and
// the objects it uses (its fonts among them) unchanged, their streams as they were compressed,
// with the document's information. The document is read strictly: any fault qpdf finds in it is
// an exception (std::exception), never a repair. Kept apart from Qt, and built as C++17: clang 14
// cannot read qpdf 11.3's headers as C++20.
class PdfPages final
{
public:
    // Reads the document, whose bytes stay where they are, unchanged, as long as this object.
    PdfPages(const char *bytes, std::size_t size);
    ~PdfPages();
    PdfPages(const PdfPages &) = delete;
    PdfPages &operator=(const PdfPages &) = delete;
    PdfPages(PdfPages &&) = delete;
    PdfPages &operator=(PdfPages &&) = delete;

    std::size_t count() const;
    // The page as a PDF document of its own, its information titled `title` (UTF-8).
    std::string pageAlone(std::size_t index, const std::string &title);

private:
    struct Document;
    std::unique_ptr<Document> m_document;
};

} // namespace salvenor::print
