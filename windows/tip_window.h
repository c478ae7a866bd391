#pragma once

#include <QDialog>

#include "design.h"

namespace salvenor::ui {

// The three hint windows that quote rules of the contribution bylaw.
enum class TipKind { AnAbreise, Kind, Schwer };

class TipWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TipWindow)

public:
    TipWindow(TipKind kind, QWidget *parent = nullptr);

private:
    ControlMap m_controls;
};

} // namespace salvenor::ui
