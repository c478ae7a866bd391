#pragma once

#include <QDate>
#include <QString>
#include <QWidget>

namespace salvenor::ui {

// Hides a widget from assistive technology: a decoration, or a text its neighbour already says
// ("€" beside a sum that reads "18,40 €").
void hideFromAssistiveTechnology(QWidget *widget);

// A date as a screen reader says it: "Montag, 14. März 2016".
QString spokenDate(QDate date);

// Says a short message through the screen reader without moving the focus: an invisible
// notification that AT-SPI readers (Orca) speak as it is shown, as they speak a status bar's
// notifications. The message is its accessible name, the detail its description.
class Announcer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Announcer)

public:
    explicit Announcer(QWidget *parent = nullptr);

    void announce(const QString &message, const QString &detail = {});

signals:
    void announced(const QString &message, const QString &detail);
};

} // namespace salvenor::ui
