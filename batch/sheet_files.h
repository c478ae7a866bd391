#pragma once

#include <memory>
#include <string>

#include <QDate>
#include <QString>

#include "batch/booking_list.h"
#include "print/sheet_data.h"

class QGuiApplication;

namespace salvenor::batch {

// The calculation sheet of a calculated row, as the window would print it on `today`.
print::SheetData sheetOf(const CalculatedRow &row, QDate today);

// Writes each calculated row's sheet as DIR/<row number>.pdf through the print layout, on Qt's
// offscreen platform: no display is needed.
class SheetFiles final
{
public:
    SheetFiles(const std::string &folder, int &argc, char **argv);
    ~SheetFiles();
    SheetFiles(const SheetFiles &) = delete;
    SheetFiles &operator=(const SheetFiles &) = delete;

    // The folder exists (it is made where missing) and can be written to.
    bool ready() const { return m_ready; }
    bool write(const CalculatedRow &row) const;

private:
    std::unique_ptr<QGuiApplication> m_application;
    QString m_folder;
    QDate m_today;
    bool m_ready = false;
};

} // namespace salvenor::batch
