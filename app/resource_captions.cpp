#include "resource_captions.h"

#include <limits>
#include <optional>

#include <QAction>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVariant>
#include <QWidget>

#include "resources/string_table.h"
#include "windows/fonts.h"

namespace salvenor::ui {

namespace {

// The whole text as a 16-bit integer; nothing for an empty or non-numeric text.
std::optional<int> integerOf(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return value;
}

// The number at the start of the text, or 0 where there is none.
int numericValueOf(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    if (end < trimmed.size() && (trimmed[end] == u'-' || trimmed[end] == u'+'))
        ++end;
    while (end < trimmed.size() && trimmed[end].isDigit())
        ++end;
    bool ok = false;
    const int value = trimmed.left(end).toInt(&ok);
    return ok ? value : 0;
}

std::optional<QString> stringOf(std::optional<int> id)
{
    if (!id)
        return std::nullopt;
    const auto entry = stringTableEntry(*id);
    if (!entry)
        return std::nullopt;
    return QString::fromUtf8(entry->data(), static_cast<qsizetype>(entry->size()));
}

QString tagOf(const QObject *object)
{
    return object->property("Tag").toString();
}

// A menu and its items (submenus are menus of their own and are visited on their own).
void applyToMenu(QMenu *menu)
{
    if (const auto caption = stringOf(integerOf(menu->title())))
        menu->setTitle(*caption);
    for (QAction *action : menu->actions()) {
        if (action->menu() == nullptr) {
            if (const auto caption = stringOf(integerOf(action->text())))
                action->setText(*caption);
        }
    }
}

void applyToControl(QWidget *control)
{
    if (auto *label = qobject_cast<QLabel *>(control)) {
        if (const auto caption = stringOf(integerOf(tagOf(label))))
            label->setText(*caption);
    } else if (auto *tabs = qobject_cast<QTabBar *>(control)) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (const auto caption = stringOf(integerOf(tabs->tabData(i).toString())))
                tabs->setTabText(i, *caption);
            if (const auto tip = stringOf(integerOf(tabs->tabToolTip(i))))
                tabs->setTabToolTip(i, *tip);
        }
    } else if (auto *toolbar = qobject_cast<QToolBar *>(control)) {
        for (QAction *button : toolbar->actions()) {
            if (const auto tip = stringOf(integerOf(button->toolTip())))
                button->setToolTip(*tip);
        }
    } else if (auto *list = qobject_cast<QTreeWidget *>(control)) {
        QTreeWidgetItem *header = list->headerItem();
        for (int column = 0; header != nullptr && column < header->columnCount(); ++column) {
            if (const auto text = stringOf(integerOf(header->data(column, Qt::UserRole).toString())))
                header->setText(column, *text);
        }
    } else {
        if (const int id = numericValueOf(tagOf(control)); id > 0) {
            if (const auto caption = stringOf(id); caption && control->metaObject()->indexOfProperty("text") >= 0)
                control->setProperty("text", *caption);
        }
        if (const int id = numericValueOf(control->toolTip()); id > 0) {
            if (const auto tip = stringOf(id))
                control->setToolTip(*tip);
        }
    }
}

} // namespace

void ApplyResourceCaptions(QWidget *window)
{
    if (window == nullptr)
        return;
    if (const auto caption = stringOf(integerOf(tagOf(window))))
        window->setWindowTitle(*caption);

    // The window's font, with face and size from the string table where it has them (it has
    // neither entry 20 nor 21, so the base font stays).
    QFont font = baseFont();
    if (const auto face = stringOf(20))
        font.setFamily(*face);
    if (const auto size = stringOf(21); size && integerOf(*size))
        font.setPointSize(*integerOf(*size));

    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
            continue; // parts of Qt's compound widgets, not controls of the design
        if (auto *menu = qobject_cast<QMenu *>(control)) {
            applyToMenu(menu);
            continue;
        }
        if (qobject_cast<QMenuBar *>(control))
            continue;
        setOwnFont(control, font);
        applyToControl(control);
    }
}

} // namespace salvenor::ui
