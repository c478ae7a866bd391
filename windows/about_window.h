#pragma once

#include <QDialog>

#include "design.h"

namespace salvenor::ui {

// "Info Salvenor": title, version, company, description, author and legal notice of the program.
class AboutWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutWindow)

public:
    explicit AboutWindow(QWidget *parent = nullptr);

private:
    void fillFromVersionInformation();
    void fitAutoSizedLabel(const char *name);

    ControlMap m_controls;
};

} // namespace salvenor::ui
