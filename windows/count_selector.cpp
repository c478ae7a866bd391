#include "count_selector.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

namespace salvenor::ui {

CountSelector::CountSelector(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    // The open list searches typed text on its own, from the current item on: digits go here.
    view()->installEventFilter(this);
    view()->setAccessibleName(QStringLiteral("Auswahl der Anzahl"));
}

bool CountSelector::takeDigit(const QKeyEvent *event)
{
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isDigit() || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        m_typed.clear(); // any other key ends the number being typed
        return false;
    }
    const bool continues = !m_typed.isEmpty() && m_typed.size() < 2 && m_sinceLastDigit.isValid()
        && m_sinceLastDigit.elapsed() <= QApplication::keyboardInputInterval();
    const bool listOpen = view()->isVisible();
    if (!continues)
        m_indexBeforeTyping = listOpen ? view()->currentIndex().row() : currentIndex();
    m_typed = continues ? m_typed + text : text;
    m_sinceLastDigit.start();
    int index = findText(QString::number(m_typed.toInt()));
    if (index < 0) {
        // Above the last item: as if the number had never been typed.
        index = m_indexBeforeTyping;
        m_typed.clear();
    }
    if (index < 0)
        return true;
    if (listOpen) {
        view()->setCurrentIndex(model()->index(index, modelColumn()));
        return true;
    }
    setCurrentIndex(index);
    emit activated(index);
    return true;
}

void CountSelector::keyPressEvent(QKeyEvent *event)
{
    if (takeDigit(event)) {
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && event->key() != Qt::Key_Space) {
        // Letters and other characters pick nothing.
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool CountSelector::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (takeDigit(key))
            return true;
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && key->key() != Qt::Key_Space)
            return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace salvenor::ui
