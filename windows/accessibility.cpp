#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLocale>
#include <QVariant>

namespace salvenor::ui {

namespace {

constexpr const char *kHiddenProperty = "salvenorHiddenFromAssistiveTechnology";

// Not there for a screen reader: no name, invisible, never focused.
class HiddenAccessible final : public QAccessibleWidget
{
public:
    explicit HiddenAccessible(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::NoRole)
    { }
    QAccessible::State state() const override
    {
        QAccessible::State hidden = QAccessibleWidget::state();
        hidden.invisible = true;
        hidden.focusable = false;
        return hidden;
    }
    QString text(QAccessible::Text /*t*/) const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int /*index*/) const override { return nullptr; }
};

QAccessibleInterface *hiddenOrNone(const QString & /*className*/, QObject *object)
{
    if (object != nullptr && object->isWidgetType() && object->property(kHiddenProperty).toBool())
        return new HiddenAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

QAccessibleInterface *announcerAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String(Announcer::staticMetaObject.className()) && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

void hideFromAssistiveTechnology(QWidget *widget)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(hiddenOrNone);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    widget->setProperty(kHiddenProperty, true);
    // An interface made while the widget was built (an event of its text) is dropped, so that the
    // next question makes the hidden one.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget);
    if (made != nullptr && dynamic_cast<HiddenAccessible *>(made) == nullptr)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

QString spokenDate(QDate date)
{
    return QLocale{QLocale::German, QLocale::Germany}.toString(date, QStringLiteral("dddd, d. MMMM yyyy"));
}

Announcer::Announcer(QWidget *parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(announcerAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("announcer"));
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Announcer::announce(const QString &message, const QString &detail)
{
    setAccessibleName(message);
    setAccessibleDescription(detail);
    // Readers speak a notification when it is shown; it never takes room on the screen.
    QAccessibleEvent shown{this, QAccessible::ObjectShow};
    QAccessible::updateAccessibility(&shown);
    emit announced(message, detail);
}

} // namespace salvenor::ui
