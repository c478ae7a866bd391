#include "count_selector.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>

namespace salvenor::ui {

namespace {

// What a screen reader learns of a count selector: its name says the category ("Anzahl
// Erwachsene"), its text the count, which Orca reads from the text of a combo box that has no
// entry ("Anzahl Erwachsene combo box, 2"). Qt's own combo box on Linux gives the count as its
// name and no text, so Orca says the caption and never the count. The caption label is no
// labelling relation here: a reader would take it instead of the name, and a two-line caption
// ("Anzahl Erwachsene" / "80% Schwerbehindert") only with its first line.
class CountSelectorAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit CountSelectorAccessible(CountSelector *selector)
        : QAccessibleWidget(selector, QAccessible::ComboBox)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return selector()->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = selector()->view()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }

    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto all = QAccessibleWidget::relations(match);
        all.erase(std::remove_if(all.begin(), all.end(),
                      [](const auto &relation) { return (relation.second & QAccessible::Label) != 0; }),
            all.end());
        return all;
    }

    // The list that opens, as with Qt's own combo box.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(selector()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child != nullptr && child->object() == selector()->view() ? 0 : -1;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString &actionName) override
    {
        if (actionName == showMenuAction() || actionName == pressAction())
            selector()->showPopup();
    }
    QStringList keyBindingsForAction(const QString & /*actionName*/) const override { return {}; }

    // The text is the count shown, read only.
    QString text(int startOffset, int endOffset) const override
    {
        return selector()->currentText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(selector()->currentText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override { }
    void selection(int /*selectionIndex*/, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*startOffset*/, int /*endOffset*/) override { }
    void removeSelection(int /*selectionIndex*/) override { }
    void setSelection(int /*selectionIndex*/, int /*startOffset*/, int /*endOffset*/) override { }
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint & /*point*/) const override { return -1; }
    void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override { }
    QString attributes(int /*offset*/, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    CountSelector *selector() const { return static_cast<CountSelector *>(widget()); }
};

QAccessibleInterface *countSelectorAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String(CountSelector::staticMetaObject.className()) && object->isWidgetType())
        return new CountSelectorAccessible(static_cast<CountSelector *>(object));
    return nullptr;
}

} // namespace

CountSelector::CountSelector(QWidget *parent)
    : QComboBox(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(countSelectorAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
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
    const bool continues = !m_typed.isEmpty() && m_sinceLastDigit.isValid()
        && m_sinceLastDigit.elapsed() <= QApplication::keyboardInputInterval();
    const bool listOpen = view()->isVisible();
    if (!continues)
        m_indexBeforeTyping = listOpen ? view()->currentIndex().row() : currentIndex();
    constexpr qsizetype kLongestNumber = 9; // longer ones are above every list anyway
    if (!continues)
        m_typed = text;
    else if (m_typed.size() < kLongestNumber)
        m_typed += text;
    m_sinceLastDigit.start();
    bool isNumber = false;
    const int typed = m_typed.toInt(&isNumber);
    // Above the last item: as if the number had never been typed. The digits that follow at once
    // still belong to it ("300" is not "30" and then "0").
    const int found = isNumber ? findText(QString::number(typed)) : -1;
    const int index = found >= 0 ? found : m_indexBeforeTyping;
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
    // Letters, other characters and control characters (Backspace, Delete, Ctrl+A) pick nothing.
    // Qt's combo box would search its closed list for them, and a screen reader would hear of
    // that list's item as if the list had opened. Space opens the list; Return, Enter and Esc go
    // on to the window.
    const int key = event->key();
    const bool comboBoxKey
        = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
    if (!event->text().isEmpty() && !comboBoxKey) {
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
