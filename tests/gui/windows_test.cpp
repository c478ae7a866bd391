#include <cmath>
#include <memory>

#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <QTableView>
#include <QTest>
#include <QTextCharFormat>
#include <QTimer>
#include <QToolButton>

#include "gui_helpers.h"
#include "windows/about_window.h"
#include "windows/design.h"
#include "windows/figure_label.h"
#include "windows/fonts.h"
#include "windows/line_widget.h"
#include "windows/month_calendar.h"
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
    void splashClosedBeforeItRunsStaysClosed();
    void splashDesign();
    void splashShowsItsPictureFromTheCorner();

    void aboutShowsTheVersionInformation();
    void aboutClosesByOkEnterAndEsc_data();
    void aboutClosesByOkEnterAndEsc();

    void tipWindows_data();
    void tipWindows();
    void tipWindowsCloseByOkEnterAndEsc_data();
    void tipWindowsCloseByOkEnterAndEsc();
    void smallWindowsOpenCentredOnTheScreen();
    void aboutSeparatorIsEtched();
    void aboutCompanyLineStaysInside();
    void calendarShowsItsFocus();
    void calendarDesign();
    void designPaletteIsFusionsLightPalette();
    void designTableBuildsWhatItSays();
    void figuresTakeTheRoomTheyNeed_data();
    void figuresTakeTheRoomTheyNeed();
    void figuresSayTheirUnit();
    void calendarTextsFitAtAnySize_data();
    void calendarTextsFitAtAnySize();
    void framesHaveAnEtchedBorderBrokenByTheirCaption_data();
    void framesHaveAnEtchedBorderBrokenByTheirCaption();
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

// The colour of the window's face, as the about window paints it.
QRgb faceOf(const QImage &image)
{
    return image.pixel(2, 2);
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
    QCOMPARE(SplashWindow{}.closeTimer()->interval(), 3000);
    SplashWindow splash{nullptr, std::chrono::milliseconds{400}};
    QCOMPARE(splash.closeTimer()->objectName(), QStringLiteral("Timer1"));
    QVERIFY(splash.closeTimer()->isActive());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.run(), int(QDialog::Accepted));
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
    // It closes once: the timer does not go on closing the closed splash.
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.closeTimer()->isActive());
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

void WindowsTest::splashClosedBeforeItRunsStaysClosed()
{
    // Its time ran out while the main window was being built: run() returns at once and never
    // shows the splash again, whose timer would not close it a second time.
    SplashWindow splash{nullptr, std::chrono::milliseconds{20}};
    QSignalSpy finished{&splash, &QDialog::finished};
    QVERIFY(finished.wait(5000));
    bool shownAgain = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &splash, [&] {
        shownAgain = splash.isVisible();
        splash.done(-1);
    });
    watchdog.start(2000);
    QCOMPARE(splash.run(), int(QDialog::Accepted));
    QVERIFY(!shownAgain);
    QVERIFY(!splash.isVisible());
    QCOMPARE(finished.count(), 1);
}

void WindowsTest::splashDesign()
{
    SplashWindow splash;
    QCOMPARE(splash.objectName(), QStringLiteral("frmSplash"));
    QCOMPARE(splash.size(), QSize(521, 316));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowTitle().isEmpty());
}

void WindowsTest::splashShowsItsPictureFromTheCorner()
{
    // The picture stands at the window's top left corner, on white where it ends.
    SplashWindow splash;
    QImage shown{splash.size(), QImage::Format_RGB32};
    splash.render(&shown);
    QImage picture = QImage{QStringLiteral(":/images/splash.png")}.convertToFormat(QImage::Format_RGB32);
    QVERIFY(!picture.isNull());
    QImage expected{splash.size(), QImage::Format_RGB32};
    expected.fill(Qt::white);
    {
        QPainter painter{&expected};
        painter.drawImage(0, 0, picture);
    }
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            differing += shown.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
    }
    QCOMPARE(differing, 0);
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
        QCOMPARE(labelText(about, "lblAutor"), QStringLiteral("Autor: Team Salvenor"));
        QVERIFY(labelText(about, "lblMail").endsWith(QStringLiteral(".example")));
        QCOMPARE(about.size(), QSize(391, 289));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
        auto *ok = about.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(about.findChildren<LineWidget *>(QStringLiteral("Line1")).size(), 2);
    }
}

void WindowsTest::aboutClosesByOkEnterAndEsc_data()
{
    QTest::addColumn<Closing>("closing");
    QTest::addColumn<int>("result");
    QTest::newRow("OK clicked") << Closing::Click << int(QDialog::Accepted);
    QTest::newRow("Enter") << Closing::Enter << int(QDialog::Accepted);
    QTest::newRow("Esc") << Closing::Escape << int(QDialog::Rejected);
}

void WindowsTest::aboutClosesByOkEnterAndEsc()
{
    QFETCH(Closing, closing);
    QFETCH(int, result);
    AboutWindow about;
    // -1 would be the watchdog's: the dialog did not close by itself.
    QCOMPARE(execAndClose(about, closing), result);
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

    auto *ok = tip.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QCOMPARE(ok->geometry(), rectFromTwips(4080, 2470, 1215, 375));
    QVERIFY(ok->isDefault());
    QCOMPARE(sizable, tip.minimumSize() != tip.maximumSize());
    if (sizable) {
        tip.resize(size + QSize{80, 60});
        QCOMPARE(tip.size(), size + QSize(80, 60));
        QCOMPARE(ok->geometry(), rectFromTwips(4080, 2470, 1215, 375)); // controls keep their places
        tip.resize(120, 40);
        QCOMPARE(tip.size(), size); // never smaller than its design
    }
}

void WindowsTest::tipWindowsCloseByOkEnterAndEsc_data()
{
    QTest::addColumn<TipKind>("kind");
    QTest::addColumn<Closing>("closing");
    QTest::addColumn<int>("result");
    QTest::newRow("Kurbeitrag, OK") << TipKind::AnAbreise << Closing::Click << int(QDialog::Accepted);
    QTest::newRow("Kinder, Enter") << TipKind::Kind << Closing::Enter << int(QDialog::Accepted);
    QTest::newRow("Schwerbehinderung, Esc") << TipKind::Schwer << Closing::Escape << int(QDialog::Rejected);
    QTest::newRow("Kurbeitrag, Esc") << TipKind::AnAbreise << Closing::Escape << int(QDialog::Rejected);
}

void WindowsTest::tipWindowsCloseByOkEnterAndEsc()
{
    QFETCH(TipKind, kind);
    QFETCH(Closing, closing);
    QFETCH(int, result);
    TipWindow tip{kind};
    QCOMPARE(execAndClose(tip, closing), result);
}

void WindowsTest::smallWindowsOpenCentredOnTheScreen()
{
    QWidget owner;
    owner.resize(654, 513);
    owner.move(0, 0);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const QPoint screenCentre = owner.screen()->availableGeometry().center();
    const auto check = [&](QDialog &dialog) {
        QPoint centre;
        bool modal = false;
        QTimer::singleShot(0, &dialog, [&] {
            centre = dialog.frameGeometry().center();
            modal = QApplication::activeModalWidget() == &dialog;
            dialog.accept();
        });
        dialog.exec();
        QVERIFY(modal);
        QVERIFY2((centre - screenCentre).manhattanLength() <= 4,
            qPrintable(QStringLiteral("%1 centred at %2,%3").arg(dialog.objectName()).arg(centre.x()).arg(centre.y())));
        QVERIFY(dialog.parentWidget() == &owner);
    };
    AboutWindow about{&owner};
    check(about);
    for (TipKind kind : {TipKind::AnAbreise, TipKind::Kind, TipKind::Schwer}) {
        TipWindow tip{kind, &owner};
        check(tip);
    }
}

void WindowsTest::aboutSeparatorIsEtched()
{
    AboutWindow about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QImage image = about.grab().toImage();
    const qreal scale = about.devicePixelRatioF();
    // Line1 stands at y = 3120 twips: grey on its first row, white on its second, nothing beside.
    const int top = static_cast<int>(208 * scale);
    const int x = image.width() / 2;
    const QRgb face = faceOf(image);
    QCOMPARE(QColor{image.pixel(x, top - 1)}, QColor{face});
    const int lastWhiteRow = static_cast<int>(210 * scale) - 1;
    QCOMPARE(QColor{image.pixel(x, top)}, QColor(128, 128, 128));
    QCOMPARE(QColor{image.pixel(x, lastWhiteRow)}, QColor{Qt::white});
    QCOMPARE(QColor{image.pixel(x, lastWhiteRow + 1)}, QColor{face});
    // The grey line starts one pixel further left than the white one.
    QCOMPARE(QColor{image.pixel(static_cast<int>(std::ceil(15 * scale)), top)}, QColor(128, 128, 128));
    QCOMPARE(QColor{image.pixel(static_cast<int>(std::ceil(15 * scale)), lastWhiteRow)}, QColor{face});
}

void WindowsTest::aboutCompanyLineStaysInside()
{
    // Also run at scale factors 1.5 and 2 (QT_SCALE_FACTOR, see the test list).
    AboutWindow about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QImage image = about.grab().toImage();
    const QRgb face = faceOf(image);
    auto *company = about.findChild<QLabel *>(QStringLiteral("lblCompany"));
    const qreal scale = about.devicePixelRatioF();
    int rightmostInk = -1;
    for (int y = static_cast<int>(company->y() * scale);
         y < static_cast<int>((company->y() + company->height()) * scale); ++y) {
        for (int x = image.width() - 1; x > rightmostInk; --x) {
            if (image.pixel(x, y) != face) {
                rightmostInk = x;
                break;
            }
        }
    }
    QVERIFY(rightmostInk > 0);
    // The last letter keeps clear of the window's edge.
    QVERIFY2(rightmostInk < image.width() - static_cast<int>(2 * scale),
        qPrintable(QStringLiteral("ink at %1 of %2").arg(rightmostInk).arg(image.width())));
    // Too long for its design place, it moved left just enough to end four pixels before the edge.
    QCOMPARE(company->geometry().right() + 1, about.width() - 4);
    // The icon on its grey ground.
    const QRect iconBox = about.findChild<QLabel *>(QStringLiteral("picIcon"))->geometry();
    QCOMPARE(QColor{image.pixel(QPoint{iconBox.right() - 1, iconBox.bottom() - 1} * scale)}, QColor(192, 192, 192));
}

void WindowsTest::calendarShowsItsFocus()
{
    QWidget window;
    window.resize(300, 220);
    MonthCalendar calendar{&window};
    calendar.setGeometry(rectFromTwips(240, 360, 2595, 2370));
    QPushButton elsewhere{QStringLiteral("OK"), &window};
    elsewhere.move(0, 190);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView *days = salvenor::test::calendarView(&calendar);

    // A ring of pixels one pixel inside the day table's edge, in the calendar's grab: inside a
    // frame two pixels wide at any scale, whichever way the scaled edge is rounded.
    const auto ring = [&] {
        const QImage image = calendar.grab().toImage();
        const qreal scale = calendar.devicePixelRatioF();
        const QRect table
            = QRect{days->mapTo(&calendar, QPoint{0, 0}) * scale, days->size() * scale}.adjusted(1, 1, -1, -1);
        QList<QRgb> pixels;
        for (int x = table.left(); x <= table.right(); ++x)
            pixels << image.pixel(x, table.top()) << image.pixel(x, table.bottom());
        for (int y = table.top(); y <= table.bottom(); ++y)
            pixels << image.pixel(table.left(), y) << image.pixel(table.right(), y);
        return pixels;
    };
    const QRgb highlight = days->palette().color(QPalette::Highlight).rgb();
    const auto countOf = [](const QList<QRgb> &pixels, QRgb colour) { return pixels.count(colour); };

    days->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(days->hasFocus());
    const QList<QRgb> focused = ring();
    QCOMPARE(countOf(focused, highlight), focused.size());

    elsewhere.setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!days->hasFocus());
    const QList<QRgb> unfocused = ring();
    QCOMPARE(countOf(unfocused, highlight), 0);
    QCOMPARE(countOf(unfocused, days->palette().color(QPalette::Base).rgb()), unfocused.size());
}

void WindowsTest::framesHaveAnEtchedBorderBrokenByTheirCaption_data()
{
    QTest::addColumn<QByteArray>("caption");
    QTest::newRow("with caption") << QByteArray{"Anreise:"};
    QTest::newRow("without caption") << QByteArray{};
}

void WindowsTest::framesHaveAnEtchedBorderBrokenByTheirCaption()
{
    QFETCH(QByteArray, caption);
    QWidget window;
    const ControlSpec specs[] = {{.name = "Frame1",
        .kind = ControlKind::Frame,
        .parent = "",
        .left = 150,
        .top = 150,
        .width = 2400,
        .height = 1200,
        .text = caption.constData(),
        .font = FontRole::Frame}};
    const ControlMap controls = buildControls(&window, specs);
    auto *frame = qobject_cast<QGroupBox *>(controls.value(QStringLiteral("Frame1")));
    QVERIFY(frame != nullptr);
    // Drawn in device-independent pixels, whatever the screen's scale.
    QImage image{frame->size(), QImage::Format_RGB32};
    frame->render(&image);
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    const QColor grey{128, 128, 128};
    const QColor white{Qt::white};
    const QColor face{image.pixel(image.width() / 2, image.height() / 2)};
    QVERIFY(face != grey && face != white);
    const auto at = [&image](int x, int y) { return QColor{image.pixel(x, y)}; };

    // The caption where the style places it; the border keeps two pixels clear of it on either
    // side, and runs through its middle.
    QRect label;
    int top = 0;
    if (!caption.isEmpty()) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        label = frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        top = QFontMetrics{frame->font()}.height() / 2;
    }

    // Grey outside, white one pixel inside it, then the face; the grey ends one pixel short of
    // the right and bottom edges, where the white runs.
    const int middleY = (top + bottom) / 2;
    const int middleX = image.width() / 2;
    const int firstLeftRow = label.isValid() ? label.bottom() + 1 : top;
    const QList<std::pair<QPoint, QColor>> expected{{{0, middleY}, grey}, {{1, middleY}, white},
        {{2, middleY}, face}, // left
        {{right - 1, middleY}, grey}, {{right, middleY}, white}, {{right - 2, middleY}, face}, // right
        {{middleX, bottom - 1}, grey}, {{middleX, bottom}, white}, {{middleX, bottom - 2}, face}, // bottom
        {{right - 4, top}, grey}, {{right - 4, top + 1}, white}, {{right - 4, top + 2}, face}, // top
        {{0, firstLeftRow}, grey}, {{right, top}, face}, {{0, bottom}, face}, {{right, bottom}, white}, // corners
        {{right - 1, bottom - 1}, grey}, {{right - 1, bottom}, white}, {{1, firstLeftRow + 1}, white}};
    for (const auto &[point, colour] : expected) {
        QVERIFY2(at(point.x(), point.y()) == colour,
            qPrintable(QStringLiteral("%1,%2 is %3, not %4")
                           .arg(point.x())
                           .arg(point.y())
                           .arg(at(point.x(), point.y()).name(), colour.name())));
    }
    if (top > 0) {
        QCOMPARE(at(right - 4, top - 1), face);
        QCOMPARE(at(0, firstLeftRow - 1), face); // the caption's rows
    }

    // Where the caption stands, the top border is broken; elsewhere it runs whole. (A pixel of the
    // caption's text may happen to have the border's grey.)
    QList<int> gap;
    for (int x = 0; x < right - 1; ++x) {
        if (at(x, top) != grey)
            gap << x;
    }
    if (!label.isValid()) {
        QVERIFY2(gap.isEmpty(), qPrintable(QStringLiteral("%1 pixels of the top border missing").arg(gap.size())));
        return;
    }
    QVERIFY(!gap.isEmpty());
    QCOMPARE(gap.first(), std::max(0, label.left() - 2));
    QCOMPARE(gap.last(), label.right() + 2);
}

void WindowsTest::calendarDesign()
{
    QWidget window;
    window.resize(300, 220);
    MonthCalendar calendar{&window};
    calendar.setGeometry(rectFromTwips(240, 360, 2595, 2370));
    calendar.setSelectedDate(QDate{2016, 3, 14});
    calendar.setCurrentPage(2016, 3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Small arrows, so that the month and the year have room between them.
    for (const char *name : {"qt_calendar_prevmonth", "qt_calendar_nextmonth"}) {
        auto *button = calendar.findChild<QToolButton *>(QString::fromLatin1(name));
        QCOMPARE(button->width(), 18);
        QCOMPARE(button->iconSize(), QSize(12, 12));
    }
    // The month bar and the chosen day are white on the design's dark blue.
    const QColor blue{0, 90, 156};
    const QImage image = calendar.grab().toImage();
    const qreal scale = calendar.devicePixelRatioF();
    QTableView *days = salvenor::test::calendarView(&calendar);
    const QRect cell{days->viewport()->mapTo(&calendar, QPoint{0, 0})
            + days->visualRect(salvenor::test::dayCell(&calendar, QDate{2016, 3, 14})).topLeft(),
        days->visualRect(salvenor::test::dayCell(&calendar, QDate{2016, 3, 14})).size()};
    const auto mostFrequentIn = [&](const QRect &area) {
        QHash<QRgb, int> counts;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                ++counts[image.pixel(QPoint{x, y} * scale)];
        }
        return QColor{std::max_element(counts.cbegin(), counts.cend()).key()};
    };
    // Fusion shades the blue a little, by the window's and the table's state (Fusion's own blue
    // is 48, 140, 198).
    const auto nearBlue = [&blue](const QColor &colour) {
        return std::abs(colour.red() - blue.red()) + std::abs(colour.green() - blue.green())
            + std::abs(colour.blue() - blue.blue())
            <= 16;
    };
    QCOMPARE(calendar.palette().color(QPalette::Highlight), blue);
    QCOMPARE(calendar.palette().color(QPalette::HighlightedText), QColor{Qt::white});
    QVERIFY2(nearBlue(mostFrequentIn(cell)), qPrintable(mostFrequentIn(cell).name()));
    auto *bar = calendar.findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar"));
    const QColor barColour = mostFrequentIn(QRect{bar->mapTo(&calendar, QPoint{0, 0}), bar->size()});
    QVERIFY2(nearBlue(barColour), qPrintable(barColour.name()));
}

void WindowsTest::calendarTextsFitAtAnySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("the design's") << rectFromTwips(240, 360, 2595, 2370).size();
    QTest::newRow("short and wide") << QSize{320, 95};
    QTest::newRow("narrow and tall") << QSize{140, 260};
    QTest::newRow("small") << QSize{130, 120};
    QTest::newRow("roomy") << QSize{420, 360};
}

void WindowsTest::calendarTextsFitAtAnySize()
{
    // The texts shrink until they fit, and keep the base size where it fits: day numbers and
    // day names whole in their cells, month and year whole between the arrows.
    QFETCH(QSize, size);
    QWidget window;
    window.resize(size + QSize{20, 20});
    MonthCalendar calendar{&window};
    calendar.setGeometry(QRect{QPoint{10, 10}, size});
    calendar.setCurrentPage(2030, 9); // the widest month name with the last year
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTableView *view = salvenor::test::calendarView(&calendar);
    const QStringList elided = salvenor::test::elidedCalendarTexts(&calendar);
    QVERIFY2(elided.isEmpty(), qPrintable(elided.join(QStringLiteral(", "))));
    const QFontMetrics dayMetrics{view->font()};
    QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        QVERIFY2(dayMetrics.height() <= view->rowHeight(row),
            qPrintable(
                QStringLiteral("row %1: %2 px for %3").arg(row).arg(view->rowHeight(row)).arg(dayMetrics.height())));
    auto *month = calendar.findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
    auto *year = calendar.findChild<QToolButton *>(QStringLiteral("qt_calendar_yearbutton"));
    QCOMPARE(month->text(), QStringLiteral("September"));
    QVERIFY(month->width() >= month->sizeHint().width());
    QVERIFY(year->width() >= year->sizeHint().width());
    const auto *previous = calendar.findChild<QWidget *>(QStringLiteral("qt_calendar_prevmonth"));
    const auto *next = calendar.findChild<QWidget *>(QStringLiteral("qt_calendar_nextmonth"));
    QVERIFY(previous->geometry().right() < month->geometry().left());
    QVERIFY(year->geometry().right() < next->geometry().left());

    if (size.width() >= 400)
        QCOMPARE(view->font().pointSizeF(), baseFont().pointSizeF());
    else if (size.height() < 150 || size.width() < 150)
        QVERIFY(view->font().pointSizeF() < baseFont().pointSizeF());
}

void WindowsTest::designPaletteIsFusionsLightPalette()
{
    // Qt's own light Fusion colours, every role of every group; and each of them set, so that a
    // dark desktop's palette, resolved against it, shows through nowhere.
    const std::unique_ptr<QStyle> fusionStyle{QStyleFactory::create(QStringLiteral("Fusion"))};
    const QPalette fusion = fusionStyle->standardPalette();
    QPalette dark;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            dark.setColor(group, static_cast<QPalette::ColorRole>(role), QColor{20, 20, 24});
    }
    const QPalette design = designPalette();
    const QPalette resolved = design.resolve(dark);
    QStringList differing;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto colourRole = static_cast<QPalette::ColorRole>(role);
            if (design.color(group, colourRole) != fusion.color(group, colourRole)
                || resolved.color(group, colourRole) != fusion.color(group, colourRole))
                differing << QStringLiteral("group %1 role %2: %3, resolved %4, Fusion %5")
                                 .arg(group)
                                 .arg(role)
                                 .arg(design.color(group, colourRole).name(QColor::HexArgb),
                                     resolved.color(group, colourRole).name(QColor::HexArgb),
                                     fusion.color(group, colourRole).name(QColor::HexArgb));
        }
    }
    QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QLatin1Char('\n'))));
}

void WindowsTest::designTableBuildsWhatItSays()
{
    using K = ControlKind;
    const ControlSpec specs[] = {
        {.name = "Frame1",
            .kind = K::Frame,
            .parent = "",
            .left = 150,
            .top = 150,
            .width = 3000,
            .height = 1500,
            .text = " Anreise: ",
            .font = FontRole::Frame},
        {.name = "lblLeft",
            .kind = K::Label,
            .parent = "Frame1",
            .left = 120,
            .top = 240,
            .width = 900,
            .height = 195,
            .text = "links"},
        {.name = "lblRight",
            .kind = K::Label,
            .parent = "Frame1",
            .left = 120,
            .top = 480,
            .width = 900,
            .height = 195,
            .text = "rechts",
            .align = Align::Right,
            .darkRed = true,
            .toolTip = "Hinweis"},
        {.name = "lblCentre",
            .kind = K::Label,
            .parent = "Frame1",
            .left = 120,
            .top = 720,
            .width = 900,
            .height = 400,
            .text = "in der Mitte",
            .align = Align::Centre,
            .wordWrap = true},
        {.name = "lblAuto",
            .kind = K::Label,
            .parent = "",
            .left = 150,
            .top = 1800,
            .width = 3000,
            .height = 600,
            .text = "kurz",
            .autoSize = true},
        // Each end of a line is rounded to pixels on its own: 71 to 170, one pixel shorter than
        // its width alone would give.
        {.name = "Line1",
            .kind = K::DottedLine,
            .parent = "Frame1",
            .left = 1058,
            .top = 300,
            .width = 1499,
            .height = 15,
            .index = 0},
        {.name = "Line1",
            .kind = K::SolidLine,
            .parent = "Frame1",
            .left = 1058,
            .top = 600,
            .width = 1499,
            .height = 30,
            .index = 1},
        {.name = "cmdOK",
            .kind = K::Button,
            .parent = "",
            .left = 3300,
            .top = 150,
            .width = 1215,
            .height = 375,
            .text = "OK"},
        {.name = "Picture1", .kind = K::Picture, .parent = "", .left = 3300, .top = 600, .width = 600, .height = 600},
        {.name = "sbStatusBar",
            .kind = K::StatusBar,
            .parent = "",
            .left = 0,
            .top = 2600,
            .width = 4800,
            .height = 300},
    };
    QWidget window;
    const ControlMap controls = buildControls(&window, specs);
    QCOMPARE(controls.size(), static_cast<qsizetype>(std::size(specs)));

    auto *frame = requireControl<QGroupBox>(controls, QStringLiteral("Frame1"));
    QCOMPARE(frame->parentWidget(), &window);
    QCOMPARE(frame->geometry(), rectFromTwips(150, 150, 3000, 1500));
    QCOMPARE(frame->title(), QStringLiteral(" Anreise: "));
    QCOMPARE(frame->accessibleName(), QStringLiteral("Anreise")); // without the blanks and the colon
    QCOMPARE(frame->font(), fontFor(FontRole::Frame));

    const auto label
        = [&controls](const char *name) { return requireControl<QLabel>(controls, QString::fromLatin1(name)); };
    QCOMPARE(label("lblLeft")->parentWidget(), frame);
    QCOMPARE(label("lblLeft")->geometry(), rectFromTwips(120, 240, 900, 195));
    QCOMPARE(label("lblLeft")->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(label("lblRight")->alignment(), Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(label("lblCentre")->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    QVERIFY(label("lblCentre")->wordWrap());
    QVERIFY(!label("lblLeft")->wordWrap());
    QCOMPARE(label("lblRight")->palette().color(QPalette::WindowText), kDarkRed);
    QVERIFY(label("lblLeft")->palette().color(QPalette::WindowText) != kDarkRed);
    QCOMPARE(label("lblRight")->toolTip(), QStringLiteral("Hinweis"));
    QVERIFY(label("lblLeft")->toolTip().isEmpty());
    QCOMPARE(label("lblLeft")->font(), fontFor(FontRole::Base));
    // An auto-sized label takes its text's size at its design place.
    QCOMPARE(
        label("lblAuto")->geometry(), QRect(rectFromTwips(150, 1800, 0, 0).topLeft(), label("lblAuto")->sizeHint()));
    QCOMPARE(label("Picture1")->alignment(), Qt::AlignLeft | Qt::AlignTop);

    for (const int index : {0, 1}) {
        auto *line = requireControl<LineWidget>(controls, controlKey("Line1", index));
        QCOMPARE(line->parentWidget(), frame);
        QCOMPARE(line->geometry(), QRect(71, index == 0 ? 20 : 40, 99, 1));
    }
    QVERIFY(requireControl<QPushButton>(controls, QStringLiteral("cmdOK"))->autoDefault());
    QVERIFY(!requireControl<QStatusBar>(controls, QStringLiteral("sbStatusBar"))->isSizeGripEnabled());
}

void WindowsTest::figuresTakeTheRoomTheyNeed_data()
{
    // A box of 40 pixels at x = 100 with free room from 60 to 200.
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<QString>("expected"); // "design", "grown", "room"
    QTest::newRow("fits, left") << int(Qt::AlignLeft) << "18,40"
                                << "design";
    QTest::newRow("wider, left: grows to the right") << int(Qt::AlignLeft) << "18.888.888,40"
                                                     << "grown";
    QTest::newRow("wider, centred: grows both ways") << int(Qt::AlignHCenter) << "18.888.888,40"
                                                     << "grown";
    QTest::newRow("wider, right: grows to the left") << int(Qt::AlignRight) << "18.888.888,40"
                                                     << "grown";
    QTest::newRow("too wide, left") << int(Qt::AlignLeft) << QString(40, u'8') << "room";
    QTest::newRow("too wide, centred") << int(Qt::AlignHCenter) << QString(40, u'8') << "room";
    QTest::newRow("too wide, right") << int(Qt::AlignRight) << QString(40, u'8') << "room";
    QTest::newRow("too wide at any size") << int(Qt::AlignLeft) << QString(200, u'8') << "room";
}

void WindowsTest::figuresTakeTheRoomTheyNeed()
{
    QFETCH(int, alignment);
    QFETCH(QString, figure);
    QFETCH(QString, expected);
    QWidget window;
    window.resize(300, 60);
    FigureLabel label{&window};
    setOwnFont(&label, baseFont());
    label.setAlignment(Qt::Alignment(alignment) | Qt::AlignTop);
    const QRect design{100, 10, 40, 20};
    const int roomLeft = 60;
    const int roomRight = 200;
    label.setDesign(design, roomLeft, roomRight);
    label.setFigure(figure);

    const QFontMetrics designMetrics{baseFont()};
    // The text's advance and one pixel for the last glyph's overhang.
    const int needed = designMetrics.horizontalAdvance(figure) + 1;
    const QRect box = label.geometry();
    QCOMPARE(box.top(), design.top());
    QCOMPARE(box.height(), design.height());
    if (expected == QLatin1String("design")) {
        QCOMPARE(box, design);
        QCOMPARE(label.font(), baseFont());
    } else if (expected == QLatin1String("grown")) {
        QVERIFY(needed > design.width() && needed <= roomRight - roomLeft);
        QCOMPARE(label.font(), baseFont());
        QCOMPARE(box.width(), needed);
        if (alignment == Qt::AlignLeft)
            QCOMPARE(box.left(), design.left());
        else if (alignment == Qt::AlignRight)
            QCOMPARE(box.right(), design.right());
        else
            QCOMPARE(box.left(), design.left() - (needed - design.width()) / 2);
    } else {
        // The narrow face, as large as fits the room (in half points), or its smallest size.
        QCOMPARE(label.font().family(), QString::fromLatin1(salvenor::kNarrowFace));
        const QFontMetrics metrics{label.font()};
        int room = roomRight - roomLeft;
        if (alignment == Qt::AlignLeft) {
            room = roomRight - design.left();
            QCOMPARE(box.left(), design.left());
        } else if (alignment == Qt::AlignRight) {
            room = design.right() + 1 - roomLeft;
            QCOMPARE(box.right(), design.right());
        } else {
            // Centred on its box as far as the room allows.
            QCOMPARE(box.left(),
                std::clamp(design.left() - (box.width() - design.width()) / 2, roomLeft, roomRight - box.width()));
        }
        // The whole figure stands in the room on the side it grows to, unless even the smallest size
        // is too wide.
        if (metrics.horizontalAdvance(figure) + 1 <= room)
            QCOMPARE(box.width(), std::max(design.width(), metrics.horizontalAdvance(figure) + 1));
        else
            QCOMPARE(box.width(), room);
        QFont larger = label.font();
        larger.setPointSizeF(label.font().pointSizeF() + 0.5);
        QVERIFY(QFontMetrics{larger}.horizontalAdvance(figure) + 1 > room);
        if (metrics.horizontalAdvance(figure) + 1 > room)
            QCOMPARE(label.font().pointSizeF(), 3.75); // the smallest size: half points down to just under 4
    }
    // Back to a figure that fits: the design's box and face.
    label.setFigure(QStringLiteral("1"));
    QCOMPARE(label.geometry(), design);
    QCOMPARE(label.font(), baseFont());
    // A new font becomes the figure's design font.
    QFont larger = baseFont();
    larger.setPointSizeF(10);
    setOwnFont(&label, larger);
    QCOMPARE(label.font(), larger);
    QCOMPARE(label.geometry(), design);
    label.setFigure(QString(40, u'8'));
    QVERIFY(label.font() != larger);
    label.setFigure(QStringLiteral("1"));
    QCOMPARE(label.font(), larger);
}

void WindowsTest::figuresSayTheirUnit()
{
    FigureLabel label;
    label.setFigure(QStringLiteral("4"));
    QVERIFY(label.accessibleName().isEmpty()); // no unit: the figure alone
    label.setUnit(QStringLiteral("Nacht"), QStringLiteral("Nächte"));
    QCOMPARE(label.accessibleName(), QStringLiteral("4 Nächte"));
    label.setFigure(QStringLiteral("1"));
    QCOMPARE(label.accessibleName(), QStringLiteral("1 Nacht"));
    label.setFigure(QStringLiteral("0"));
    QCOMPARE(label.accessibleName(), QStringLiteral("0 Nächte"));
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
