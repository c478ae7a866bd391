#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include "gui_helpers.h"
#include "windows/about_window.h"
#include "windows/design.h"
#include "windows/line_widget.h"
#include "windows/splash_window.h"
#include "windows/tip_window.h"

using namespace salvenor::ui;

class WindowsTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void splashClosesOnACharacterKey();
    void splashIgnoresKeysWithoutACharacter();
    void splashClosesOnAClick();
    void splashClosesByItsTimer();
    void splashClosedWhileShowingDoesNotHang();
    void splashDesign();

    void aboutShowsTheVersionInformation();
    void aboutClosesByOkEnterAndEsc_data();
    void aboutClosesByOkEnterAndEsc();

    void tipWindows_data();
    void tipWindows();
    void tipWindowsCloseByOkEnterAndEsc_data();
    void tipWindowsCloseByOkEnterAndEsc();
};

namespace {

enum class Closing { Click, Enter, Escape };

// Shows the dialog modally and closes it by the chosen means from inside its event loop.
int execAndClose(QDialog &dialog, Closing closing)
{
    QTimer::singleShot(0, &dialog, [&dialog, closing] {
        auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        switch (closing) {
        case Closing::Click:
            QTest::mouseClick(ok, Qt::LeftButton);
            break;
        case Closing::Enter:
            QTest::keyClick(&dialog, Qt::Key_Return);
            break;
        case Closing::Escape:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    watchdog.start(5000);
    return dialog.exec();
}

QString labelText(const QWidget &window, const char *name)
{
    const auto *label = window.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

} // namespace

void WindowsTest::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    salvenor::test::silenceOffscreenSizeHintWarnings();
}

void WindowsTest::splashClosesOnACharacterKey()
{
    SplashWindow splash;
    QTimer::singleShot(0, &splash, [&splash] {
        // The splash takes the focus itself, so that the key reaches it.
        QTRY_COMPARE(QApplication::focusWidget(), &splash);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.run(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() < 2000);
}

void WindowsTest::splashIgnoresKeysWithoutACharacter()
{
    SplashWindow splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::keyClick(&splash, Qt::Key_Shift);
    QTest::keyClick(&splash, Qt::Key_F5);
    QVERIFY(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_Space);
    QVERIFY(!splash.isVisible());
}

void WindowsTest::splashClosesOnAClick()
{
    SplashWindow splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint{100, 100});
    QVERIFY(!splash.isVisible());
    QCOMPARE(splash.result(), int(QDialog::Accepted));
}

void WindowsTest::splashClosesByItsTimer()
{
    SplashWindow splash;
    QCOMPARE(splash.closeTimer()->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(splash.closeTimer()->interval(), 3000);
    QVERIFY(splash.closeTimer()->isActive());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.run(), int(QDialog::Accepted));
    QVERIFY2(clock.elapsed() >= 2500, qPrintable(QString::number(clock.elapsed())));
}

void WindowsTest::splashClosedWhileShowingDoesNotHang()
{
    SplashWindow splash;
    QCoreApplication::postEvent(
        &splash, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.run(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() < 2000);
}

void WindowsTest::splashDesign()
{
    SplashWindow splash;
    QCOMPARE(splash.objectName(), QStringLiteral("frmSplash"));
    QCOMPARE(splash.size(), QSize(521, 316));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowTitle().isEmpty());
}

void WindowsTest::aboutShowsTheVersionInformation()
{
    // Every opening starts from the design and shows the filled texts, never the design captions.
    for (int opening = 0; opening < 2; ++opening) {
        AboutWindow about;
        QCOMPARE(about.objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(about.windowTitle(), QStringLiteral("Info Salvenor"));
        QCOMPARE(labelText(about, "lblVersion"), QStringLiteral("Version 6.0.0"));
        QCOMPARE(labelText(about, "lblTitle"), QStringLiteral("Salvenor 2016"));
        QCOMPARE(labelText(about, "lblCompany"), QStringLiteral("Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH"));
        QVERIFY(labelText(about, "lblDescription")
                    .startsWith(QStringLiteral("Programm zur Berechnung von Kurbeiträgen laut Kurbeitragssatzung")));
        QVERIFY(labelText(about, "lblDescription").endsWith(QStringLiteral("dienen nur zur Information.")));
        QVERIFY(labelText(about, "lblDisclaimer").contains(QStringLiteral("Wirtschaftsbetriebe")));
        QVERIFY(labelText(about, "lblAutor").startsWith(QStringLiteral("Autor")));
        QVERIFY(labelText(about, "lblMail").endsWith(QStringLiteral(".example")));
        QCOMPARE(about.size(), QSize(391, 289));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
        auto *ok = about.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(about.findChildren<LineWidget *>(QStringLiteral("Line1")).size(), 2);
        // Every text stands whole inside the window.
        for (QLabel *label : about.findChildren<QLabel *>()) {
            const QRect inWindow{label->mapTo(&about, QPoint{0, 0}), label->size()};
            QVERIFY2(about.rect().contains(inWindow), qPrintable(label->objectName()));
            if (!label->wordWrap() && !label->text().isEmpty())
                QVERIFY2(QFontMetrics{label->font()}.horizontalAdvance(label->text()) <= label->width(),
                    qPrintable(label->objectName()));
            else if (label->wordWrap())
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
        }
    }
}

void WindowsTest::aboutClosesByOkEnterAndEsc_data()
{
    QTest::addColumn<Closing>("closing");
    QTest::newRow("OK clicked") << Closing::Click;
    QTest::newRow("Enter") << Closing::Enter;
    QTest::newRow("Esc") << Closing::Escape;
}

void WindowsTest::aboutClosesByOkEnterAndEsc()
{
    QFETCH(Closing, closing);
    AboutWindow about;
    QVERIFY(execAndClose(about, closing) != -1);
    QVERIFY(!about.isVisible());
}

void WindowsTest::tipWindows_data()
{
    QTest::addColumn<TipKind>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("sizable");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("Kurbeitrag") << TipKind::AnAbreise << "frmTipAnAb" << true << QSize(359, 198)
                                << "Hinweis zur Kurbeitragsberechnung:"
                                << QStringList{"Der Kurbeitrag wird nach der Zahl der Übernachtungen bemessen."};
    QTest::newRow("Kinder") << TipKind::Kind << "frmTipKind" << false << QSize(361, 200)
                            << "Hinweise zum Kinderkurbeitrag:"
                            << QStringList{
                                   "In einer Familie mit 2 oder mehreren Kindern ist nur das 1. Kind der Familie "
                                   "kurbeitragspflichtig. Zur Familie gehören Kinder und Jugendliche bis 17 "
                                   "Jahren und auf Nachweis Schüler, Studenten und Azubis bis 26 Jahren, wenn "
                                   "sie in Schul- oder Berufsausbildung stehen und dem Haushalt der Eltern "
                                   "angehören."};
    QTest::newRow("Schwerbehinderung")
        << TipKind::Schwer << "frmTipSchwer" << false << QSize(361, 200) << "Hinweise zur Schwerbehinderung:"
        << QStringList{"Für Schwerbehinderte, deren Grad der Behinderung mindestens 80% beträgt, wird der Kurbeitrag "
                       "auf 85 v.H. ermäßigt.",
               "Personen mit einem gültigen Schwerbehinderten- ausweis von 100%, sowie Personen die laut "
               "amtlichen Ausweis auf ständige Begleitung angewiesen sind, werden ganz vom Kurbeitrag befreit, "
               "ebenso die jeweilige Begleitperson."};
}

void WindowsTest::tipWindows()
{
    QFETCH(TipKind, kind);
    QFETCH(QString, name);
    QFETCH(bool, sizable);
    QFETCH(QSize, size);
    QFETCH(QString, heading);
    QFETCH(QStringList, texts);

    TipWindow tip{kind};
    tip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tip));
    QCOMPARE(tip.objectName(), name);
    QCOMPARE(tip.windowTitle(), QStringLiteral("Informationen"));
    QCOMPARE(tip.size(), size);
    QCOMPARE(labelText(tip, "Label1"), heading);
    QCOMPARE(labelText(tip, "lblTipText"), texts.at(0));
    if (texts.size() > 1) {
        QCOMPARE(labelText(tip, "lblTipText1"), texts.at(1));
        // The reduction stands above the exemption.
        QVERIFY(tip.findChild<QLabel *>(QStringLiteral("lblTipText"))->y()
            < tip.findChild<QLabel *>(QStringLiteral("lblTipText1"))->y());
    }
    for (QLabel *label : tip.findChildren<QLabel *>()) {
        if (label->wordWrap())
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
        else if (!label->text().isEmpty())
            QVERIFY2(QFontMetrics{label->font()}.horizontalAdvance(label->text()) <= label->width(),
                qPrintable(label->objectName()));
    }

    auto *ok = tip.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QCOMPARE(ok->geometry(), rectFromTwips(4080, 2470, 1215, 375));
    QVERIFY(ok->isDefault());
    QCOMPARE(sizable, tip.minimumSize() != tip.maximumSize());
    if (sizable) {
        tip.resize(size + QSize{80, 60});
        QCOMPARE(tip.size(), size + QSize(80, 60));
        QCOMPARE(ok->geometry(), rectFromTwips(4080, 2470, 1215, 375)); // controls keep their places
    }
}

void WindowsTest::tipWindowsCloseByOkEnterAndEsc_data()
{
    QTest::addColumn<TipKind>("kind");
    QTest::addColumn<Closing>("closing");
    QTest::newRow("Kurbeitrag, OK") << TipKind::AnAbreise << Closing::Click;
    QTest::newRow("Kinder, Enter") << TipKind::Kind << Closing::Enter;
    QTest::newRow("Schwerbehinderung, Esc") << TipKind::Schwer << Closing::Escape;
    QTest::newRow("Kurbeitrag, Esc") << TipKind::AnAbreise << Closing::Escape;
}

void WindowsTest::tipWindowsCloseByOkEnterAndEsc()
{
    QFETCH(TipKind, kind);
    QFETCH(Closing, closing);
    TipWindow tip{kind};
    QVERIFY(execAndClose(tip, closing) != -1);
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
