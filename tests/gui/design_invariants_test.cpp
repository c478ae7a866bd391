#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include <QCalendarWidget>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTest>

#include "app/main_window.h"
#include "category_rows.h"
#include "gui_helpers.h"
#include "windows/about_window.h"
#include "windows/design.h"
#include "windows/fonts.h"
#include "windows/splash_window.h"
#include "windows/tip_window.h"

using namespace salvenor::ui;

// What must hold for any design of the program's windows, whatever its numbers: every control lies
// inside its parent and inside the window, no two controls of one parent cover each other unless
// the design puts one on the other on purpose, and every text fits its control. A row added to
// the main window that does not fit, or a caption that outgrows its box, fails here by name.
class DesignInvariantsTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void controlsLieInsideTheirParentAndTheWindow_data();
    void controlsLieInsideTheirParentAndTheWindow();
    void siblingControlsDoNotOverlap_data();
    void siblingControlsDoNotOverlap();
    void everyTextFitsItsControl_data();
    void everyTextFitsItsControl();
    void theDesignFacesAreNeverNarrowed_data();
    void theDesignFacesAreNeverNarrowed();
    void narrowingTakesTheWidestFaceThatFits_data();
    void narrowingTakesTheWidestFaceThatFits();
    void splashPictureLiesInsideTheWindow();

    void aBadDesignTableFailsNamingTheControl_data();
    void aBadDesignTableFailsNamingTheControl();
};

namespace {

// A window under test and the widget its design's positions are measured from.
struct WindowUnderTest
{
    std::unique_ptr<QWidget> window;
    QWidget *designRoot;
};

using WindowFactory = std::function<WindowUnderTest()>;

WindowUnderTest mainWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->load({QDate{2016, 3, 14}});
    auto *root = window->findChild<QWidget *>(QStringLiteral("clientArea"));
    return {std::move(window), root};
}

// The main window at its widest figures: the longest stay the calendars take and every count at
// its most. The figures then grow beyond their boxes into the room beside them.
WindowUnderTest mainWindowWithWidestFigures()
{
    WindowUnderTest under = mainWindow();
    auto *window = static_cast<MainWindow *>(under.window.get());
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return under;
    salvenor::test::clickDay(window->control<QCalendarWidget>(QStringLiteral("Anreise")), QDate{2001, 1, 1});
    salvenor::test::clickDay(window->control<QCalendarWidget>(QStringLiteral("Abreise")), QDate{2030, 12, 31});
    for (const salvenor::test::CategoryRow &row : salvenor::test::categoryRows()) {
        salvenor::test::pickWithKeys(
            window->control<QComboBox>(QString::fromLatin1(row.selector)), salvenor::rulesOf(row.category).maxCount);
    }
    return under;
}

// A small window's controls stand in the widget that holds its OK button.
template<typename Window, typename... Args> WindowFactory smallWindow(Args... args)
{
    return [args...] {
        auto window = std::make_unique<Window>(args..., nullptr);
        QWidget *root = window->template findChild<QPushButton *>(QStringLiteral("cmdOK"))->parentWidget();
        return WindowUnderTest{std::move(window), root};
    };
}

// Every window of the design; `widestFigures` adds the main window at its widest figures.
void addWindows(bool widestFigures = true)
{
    QTest::addColumn<WindowFactory>("factory");
    QTest::newRow("frmMain") << WindowFactory{mainWindow};
    if (widestFigures)
        QTest::newRow("frmMain, widest figures") << WindowFactory{mainWindowWithWidestFigures};
    QTest::newRow("frmAbout") << smallWindow<AboutWindow>();
    QTest::newRow("frmTipAnAb") << smallWindow<TipWindow>(TipKind::AnAbreise);
    QTest::newRow("frmTipKind") << smallWindow<TipWindow>(TipKind::Kind);
    QTest::newRow("frmTipSchwer") << smallWindow<TipWindow>(TipKind::Schwer);
}

// The design's controls below `container`: its named children, and theirs where a child holds
// controls of its own (a frame, a picture box). Compound widgets (calendars, selectors, the status
// bar) are one control each; Qt's own parts of them are not the design's.
std::vector<QWidget *> controlsIn(QWidget *container)
{
    std::vector<QWidget *> controls;
    for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || child->objectName().isEmpty() || child->objectName().startsWith(QLatin1String("qt_")))
            continue;
        controls.push_back(child);
    }
    return controls;
}

bool holdsControls(QWidget *control)
{
    return qobject_cast<QGroupBox *>(control) != nullptr
        || (qobject_cast<QLabel *>(control) != nullptr && !controlsIn(control).empty());
}

void forEachContainer(QWidget *container, const std::function<void(QWidget *, const std::vector<QWidget *> &)> &visit)
{
    const std::vector<QWidget *> controls = controlsIn(container);
    visit(container, controls);
    for (QWidget *control : controls) {
        if (holdsControls(control))
            forEachContainer(control, visit);
    }
}

QString describe(const QRect &rect)
{
    return QStringLiteral("(%1, %2) %3 × %4 px").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QString nameOf(const QWidget *widget)
{
    return widget->objectName().isEmpty() ? QStringLiteral("the client area") : widget->objectName();
}

// Controls that the design places on one another on purpose, by window.
struct IntendedOverlap
{
    const char *window;
    const char *first;
    const char *second;
};

// clang-format off
constexpr IntendedOverlap kIntendedOverlaps[] = {
    // The euro sign's box runs under the print button beside it; the sign itself stands clear.
    {.window = "frmMain", .first = "Label21", .second = "cmdPrint"},
    // The disability hint's button stands on the information frame, as a control of the window.
    {.window = "frmMain", .first = "Frame_Informationen", .second = "cmdSchwer"},
    // One etched separator: the grey line over the white one.
    {.window = "frmAbout", .first = "Line1", .second = "Line1"},
};
// clang-format on

bool isIntended(const QString &window, const QWidget *a, const QWidget *b)
{
    return std::ranges::any_of(kIntendedOverlaps, [&](const IntendedOverlap &overlap) {
        const bool forward
            = a->objectName() == QLatin1String(overlap.first) && b->objectName() == QLatin1String(overlap.second);
        const bool backward
            = a->objectName() == QLatin1String(overlap.second) && b->objectName() == QLatin1String(overlap.first);
        return window == QLatin1String(overlap.window) && (forward || backward);
    });
}

bool designFacesMissing()
{
    return QFontInfo{baseFont()}.family() != QLatin1String("Liberation Sans");
}

// The room the control gives its text, and the text's own extent in the control's font.
struct TextFit
{
    QString text;
    QSize needed;
    QRect room;
};

// How far down the label's text reaches, drawn as the label draws it in a box of its width and
// ample height: the last row with ink, in pixels from the top.
int inkHeight(const QLabel &label)
{
    QLabel probe;
    probe.setFont(label.font());
    probe.setAlignment(label.alignment());
    probe.setWordWrap(label.wordWrap());
    probe.setMargin(label.margin());
    probe.setIndent(label.indent());
    probe.setText(label.text());
    probe.resize(label.width(), 4 * label.height() + 100);
    QImage image{probe.size(), QImage::Format_ARGB32_Premultiplied};
    image.fill(Qt::transparent);
    probe.render(&image, QPoint{}, QRegion{}, QWidget::RenderFlags{});
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return y + 1;
        }
    }
    return 0;
}

std::vector<TextFit> textsOf(QWidget *control)
{
    std::vector<TextFit> texts;
    const QFontMetrics metrics{control->font()};
    if (auto *label = qobject_cast<QLabel *>(control); label != nullptr && !label->text().isEmpty()) {
        int widest = 0;
        if (!label->wordWrap()) {
            for (const QString &line : label->text().split(QLatin1Char('\n')))
                widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        texts.push_back({label->text(), QSize{widest, inkHeight(*label)}, label->contentsRect()});
    } else if (auto *button = qobject_cast<QPushButton *>(control); button != nullptr && !button->text().isEmpty()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        texts.push_back({button->text(), QSize{metrics.horizontalAdvance(button->text()), metrics.height()}, room});
    } else if (auto *frame = qobject_cast<QGroupBox *>(control); frame != nullptr && !frame->title().isEmpty()) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect caption
            = frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        // The caption's box as the style lays it out must not be clipped by the frame.
        texts.push_back({frame->title(), caption.size(), caption.intersected(frame->rect())});
    } else if (auto *selector = qobject_cast<QComboBox *>(control)) {
        QStyleOptionComboBox option;
        option.initFrom(selector);
        option.editable = selector->isEditable();
        const QRect field
            = selector->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, selector);
        for (int i = 0; i < selector->count(); ++i)
            texts.push_back({selector->itemText(i), QSize{metrics.horizontalAdvance(selector->itemText(i)), 1}, field});
    }
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(WindowFactory)
Q_DECLARE_METATYPE(std::vector<ControlSpec>)

void DesignInvariantsTest::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    salvenor::test::silenceOffscreenSizeHintWarnings();
}

void DesignInvariantsTest::controlsLieInsideTheirParentAndTheWindow_data()
{
    addWindows();
}

void DesignInvariantsTest::controlsLieInsideTheirParentAndTheWindow()
{
    QFETCH(WindowFactory, factory);
    const WindowUnderTest under = factory();
    under.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(under.window.get()));

    QStringList faults;
    const QRect windowArea = under.designRoot->rect();
    forEachContainer(under.designRoot, [&](QWidget *parent, const std::vector<QWidget *> &controls) {
        for (QWidget *control : controls) {
            if (!parent->rect().contains(control->geometry())) {
                faults << QStringLiteral("%1 at %2 lies outside its parent %3, %4")
                              .arg(control->objectName(), describe(control->geometry()), nameOf(parent),
                                  describe(parent->rect()));
            }
            const QRect inWindow{control->mapTo(under.designRoot, QPoint{0, 0}), control->size()};
            if (!windowArea.contains(inWindow)) {
                faults << QStringLiteral("%1 at %2 lies outside the window's client area, %3")
                              .arg(control->objectName(), describe(inWindow), describe(windowArea));
            }
        }
    });
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

void DesignInvariantsTest::siblingControlsDoNotOverlap_data()
{
    addWindows();
}

void DesignInvariantsTest::siblingControlsDoNotOverlap()
{
    QFETCH(WindowFactory, factory);
    const WindowUnderTest under = factory();
    under.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(under.window.get()));

    QStringList faults;
    const QString window = under.window->objectName();
    forEachContainer(under.designRoot, [&](QWidget *parent, const std::vector<QWidget *> &controls) {
        for (std::size_t i = 0; i < controls.size(); ++i) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                const QRect common = controls[i]->geometry().intersected(controls[j]->geometry());
                if (common.isEmpty() || isIntended(window, controls[i], controls[j]))
                    continue;
                faults << QStringLiteral("%1 at %2 and %3 at %4 overlap in %5 (both in %6)")
                              .arg(controls[i]->objectName(), describe(controls[i]->geometry()),
                                  controls[j]->objectName(), describe(controls[j]->geometry()), describe(common),
                                  nameOf(parent));
            }
        }
    });
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

void DesignInvariantsTest::everyTextFitsItsControl_data()
{
    addWindows();
}

void DesignInvariantsTest::everyTextFitsItsControl()
{
    QFETCH(WindowFactory, factory);
    const WindowUnderTest under = factory();
    under.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(under.window.get()));

    QStringList faults;
    const QString window = under.window->objectName();
    int checked = 0;
    forEachContainer(under.designRoot, [&](QWidget *, const std::vector<QWidget *> &controls) {
        for (QWidget *control : controls) {
            for (const TextFit &fit : textsOf(control)) {
                ++checked;
                if (fit.needed.width() > fit.room.width() || fit.needed.height() > fit.room.height()) {
                    faults << QStringLiteral(
                        "the text \"%1\" of %2 needs %3 × %4 px in the font \"%5\", its room is %6")
                                  .arg(fit.text, control->objectName())
                                  .arg(fit.needed.width())
                                  .arg(fit.needed.height())
                                  .arg(control->fontInfo().family(), describe(fit.room));
                }
            }
        }
    });
    QVERIFY2(checked > 0, "no text was checked");
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

void DesignInvariantsTest::theDesignFacesAreNeverNarrowed_data()
{
    // Figures too wide for their boxes take a narrower face, by design.
    addWindows(false);
}

void DesignInvariantsTest::theDesignFacesAreNeverNarrowed()
{
    // Texts are set narrower only where a wider face stands in; in the design's faces every text
    // keeps its width.
    if (designFacesMissing())
        QSKIP("the design's faces are missing here");
    QFETCH(WindowFactory, factory);
    const WindowUnderTest under = factory();
    under.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(under.window.get()));
    QStringList narrowed;
    for (const QLabel *label : under.window->findChildren<QLabel *>()) {
        const int stretch = label->font().stretch();
        if (stretch != QFont::AnyStretch && stretch != QFont::Unstretched)
            narrowed << QStringLiteral("%1 at %2 %").arg(label->objectName()).arg(stretch);
    }
    QVERIFY2(narrowed.isEmpty(), qPrintable(narrowed.join(QStringLiteral(", "))));
}

void DesignInvariantsTest::narrowingTakesTheWidestFaceThatFits_data()
{
    QTest::addColumn<bool>("wrapped");
    QTest::addColumn<double>("room"); // the box, as a share of what the text takes at full width
    QTest::newRow("one line, a tenth too long") << false << 0.9;
    QTest::newRow("one line, too long even at three quarters") << false << 0.5;
    QTest::newRow("wrapped, nearly a line too few") << true << 0.0;
}

void DesignInvariantsTest::narrowingTakesTheWidestFaceThatFits()
{
    QFETCH(bool, wrapped);
    QFETCH(double, room);
    // Top-aligned as the design's labels are, so that the ink ends where the last line does.
    const auto labelIn = [&](int stretch, QSize box) {
        QFont font = baseFont();
        font.setStretch(stretch);
        auto label = std::make_unique<QLabel>();
        setOwnFont(label.get(), font);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(wrapped);
        label->setText(QStringLiteral("Personen mit einem gültigen Schwerbehindertenausweis von 100 % werden ganz "
                                      "vom Kurbeitrag befreit, ebenso die jeweilige Begleitperson."));
        label->resize(box);
        return label;
    };
    const auto fits = [&](const QLabel &label) {
        if (wrapped)
            return inkHeight(label) <= label.height();
        return QFontMetrics{label.font()}.horizontalAdvance(label.text()) <= label.width();
    };
    QSize box{200, 20};
    if (wrapped) {
        // Nearly a line more than the lines the text takes at three quarters of its width, in a box
        // as wide as needed for that to be fewer lines than at full width.
        for (box.setWidth(150); box.width() < 600; box.rwidth() += 10) {
            box.setHeight(inkHeight(*labelIn(75, box)) + QFontMetrics{baseFont()}.lineSpacing() - 2);
            if (!fits(*labelIn(QFont::Unstretched, box)))
                break;
        }
        QVERIFY2(box.width() < 600, "the text never takes fewer lines at three quarters");
    } else {
        const auto full = labelIn(QFont::Unstretched, box);
        box.setWidth(static_cast<int>(QFontMetrics{full->font()}.horizontalAdvance(full->text()) * room));
    }

    const auto label = labelIn(QFont::Unstretched, box);
    narrowToFit(label.get(), box.width(), box.height());
    const int stretch = label->font().stretch();
    if (!fits(*labelIn(75, box))) {
        // Narrower than three quarters would be harder to read than a cut text.
        QCOMPARE(stretch, 75);
        return;
    }
    QVERIFY2(fits(*label), qPrintable(QStringLiteral("cut at %1 %").arg(stretch)));
    QVERIFY2(
        !fits(*labelIn(stretch + 1, box)), qPrintable(QStringLiteral("%1 % is narrower than needed").arg(stretch)));
}

void DesignInvariantsTest::splashPictureLiesInsideTheWindow()
{
    // The splash has no controls: its picture is drawn from the client area's corner.
    SplashWindow splash{nullptr, std::chrono::hours{1}};
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QImage picture{QStringLiteral(":/images/splash.png")};
    QVERIFY(!picture.isNull());
    const bool inside = QRect{QPoint{0, 0}, splash.size()}.contains(QRect{QPoint{0, 0}, picture.size()});
    QVERIFY2(inside,
        qPrintable(QStringLiteral("the picture (%1 × %2 px) is larger than the window (%3 × %4 px)")
                       .arg(picture.width())
                       .arg(picture.height())
                       .arg(splash.width())
                       .arg(splash.height())));
}

void DesignInvariantsTest::aBadDesignTableFailsNamingTheControl_data()
{
    QTest::addColumn<std::vector<ControlSpec>>("design");
    QTest::addColumn<QString>("message");

    using K = ControlKind;
    const ControlSpec frame{
        .name = "Frame1", .kind = K::Frame, .parent = "", .left = 0, .top = 0, .width = 900, .height = 900};
    const ControlSpec label{
        .name = "Label1", .kind = K::Label, .parent = "Frame1", .left = 60, .top = 60, .width = 300, .height = 195};
    ControlSpec misspeltParent = label;
    misspeltParent.parent = "Frame2";
    ControlSpec parentLater = label;
    ControlSpec arrayMember{.name = "Line1",
        .kind = K::SolidLine,
        .parent = "",
        .left = 0,
        .top = 0,
        .width = 300,
        .height = 15,
        .index = 0};

    QTest::newRow("unknown parent")
        << std::vector<ControlSpec>{frame, misspeltParent}
        << QStringLiteral("the design's control Label1 lies in Frame2, which is no earlier control of the design");
    QTest::newRow("parent listed after the control")
        << std::vector<ControlSpec>{parentLater, frame}
        << QStringLiteral("the design's control Label1 lies in Frame1, which is no earlier control of the design");
    QTest::newRow("name given twice") << std::vector<ControlSpec>{frame, label, label}
                                      << QStringLiteral("the design names two controls Label1");
    QTest::newRow("array member given twice") << std::vector<ControlSpec>{arrayMember, arrayMember}
                                              << QStringLiteral("the design names two controls Line1(0)");
}

void DesignInvariantsTest::aBadDesignTableFailsNamingTheControl()
{
    QFETCH(std::vector<ControlSpec>, design);
    QFETCH(QString, message);
    QWidget client;
    try {
        buildControls(&client, design);
        QFAIL("the design was built");
    } catch (const InvalidDesign &invalid) {
        QCOMPARE(QString::fromUtf8(invalid.what()), message);
    }
}

int main(int argc, char *argv[])
{
    QApplication app{argc, argv};
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    DesignInvariantsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "design_invariants_test.moc"
