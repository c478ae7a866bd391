#include "about_window.h"

#include <algorithm>

#include <QLabel>
#include <QPushButton>

#include "accessibility.h"
#include "application_icon.h"
#include "fonts.h"
#include "line_widget.h"
#include "placement.h"
#include "resources/product_info.h"
#include "resources/version_info.h"

namespace salvenor::ui {

namespace {

using K = ControlKind;

constexpr int kClientWidth = 5865;
constexpr int kClientHeight = 4335;

// clang-format off
constexpr ControlSpec kDesign[] = {
    {.name = "picIcon", .kind = K::Picture, .parent = "", .left = 240, .top = 240, .width = 540, .height = 540},
    {.name = "lblTitle", .kind = K::Label, .parent = "", .left = 2625, .top = 120, .width = 885, .height = 195, .text = "Anwendung", .align = Align::Centre, .autoSize = true},
    {.name = "lblVersion", .kind = K::Label, .parent = "", .left = 2760, .top = 360, .width = 555, .height = 195, .text = "Version", .align = Align::Centre, .autoSize = true},
    {.name = "lblCompany", .kind = K::Label, .parent = "", .left = 2880, .top = 600, .width = 405, .height = 195, .text = "Firma", .align = Align::Centre, .autoSize = true},
    {.name = "lblDescription", .kind = K::Label, .parent = "", .left = 1560, .top = 1200, .width = 3135, .height = 1170, .text = "Anwendungsbeschreibung", .align = Align::Centre, .wordWrap = true},
    {.name = "lblAutor", .kind = K::Label, .parent = "", .left = 2925, .top = 2520, .width = 405, .height = 195, .text = "Autor", .align = Align::Centre, .autoSize = true},
    {.name = "lblMail", .kind = K::Label, .parent = "", .left = 2400, .top = 2760, .width = 1455, .height = 195, .align = Align::Centre, .autoSize = true},
    {.name = "Line1", .kind = K::SolidLine, .parent = "", .left = 225, .top = 3120, .width = 5432, .height = 15, .index = 1},
    {.name = "Line1", .kind = K::SolidLine, .parent = "", .left = 240, .top = 3120, .width = 5417, .height = 30, .index = 0},
    {.name = "lblDisclaimer", .kind = K::Label, .parent = "", .left = 255, .top = 3360, .width = 3870, .height = 825, .text = "Warnung: ...", .align = Align::Centre, .wordWrap = true},
    {.name = "cmdOK", .kind = K::Button, .parent = "", .left = 4245, .top = 3840, .width = 1467, .height = 345, .text = "OK"},
};
// clang-format on

} // namespace

AboutWindow::AboutWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setPalette(designPalette());
    setWindowTitle(QStringLiteral("Info Salvenor"));
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setOwnFont(this, baseFont());

    auto *client = new QWidget(this);
    client->setGeometry(rect());
    m_controls = buildControls(client, kDesign);

    auto *icon = requireControl<QLabel>(m_controls, QStringLiteral("picIcon"));
    setBackgroundColour(icon, QColor{192, 192, 192});
    icon->setPixmap(QPixmap{QStringLiteral(":/images/app-icon-32.png")});
    // The program's icon beside its name says nothing a reader has not heard.
    hideFromAssistiveTechnology(icon);
    setWindowIcon(applicationIcon());

    // The two lines form one etched separator: the grey one (index 1, the design's first) one
    // pixel wide over the white one (index 0) two pixels wide, so that white shows under grey.
    auto *grey = requireControl<LineWidget>(m_controls, controlKey("Line1", 1));
    auto *white = requireControl<LineWidget>(m_controls, controlKey("Line1", 0));
    grey->setLineColor(QColor{128, 128, 128});
    grey->setLineWidth(1);
    white->setLineColor(Qt::white);
    white->setLineWidth(2);
    grey->raise();

    for (const char *name : {"lblDescription", "lblDisclaimer"})
        setTextColour(requireControl<QLabel>(m_controls, QString::fromLatin1(name)), Qt::black);
    requireControl<QLabel>(m_controls, QStringLiteral("lblMail"))->setText(QString::fromUtf8(kMailAddress));
    fitAutoSizedLabel("lblMail");

    makeOkButton(this, requireControl<QPushButton>(m_controls, QStringLiteral("cmdOK")));

    fillFromVersionInformation();
    // On the screen's centre, not over the main window.
    centreOnScreen(this);
}

void AboutWindow::fillFromVersionInformation()
{
    const auto label
        = [this](const char *name) { return requireControl<QLabel>(m_controls, QString::fromLatin1(name)); };
    label("lblVersion")
        ->setText(QStringLiteral("Version %1.%2.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kRevision));
    label("lblTitle")->setText(QString::fromUtf8(version::kTitle));
    label("lblCompany")->setText(QString::fromUtf8(version::kCompanyName));
    label("lblDescription")->setText(QString::fromUtf8(version::kFileDescription));
    label("lblDisclaimer")->setText(QString::fromUtf8(version::kLegalNotice));
    label("lblAutor")->setText(QString::fromUtf8(version::kComments));
    for (const char *name : {"lblVersion", "lblTitle", "lblCompany", "lblAutor"})
        fitAutoSizedLabel(name);
}

void AboutWindow::fitAutoSizedLabel(const char *name)
{
    // An auto-sized label takes the size of its text and keeps its left edge; where the text
    // would run past the window's right edge, it moves left just enough to stay whole.
    auto *label = requireControl<QLabel>(m_controls, QString::fromLatin1(name));
    label->resize(label->sizeHint());
    // A few pixels of room: at fractional scale factors the glyphs may reach past the box.
    constexpr int kRoom = 4;
    const int overflow = label->geometry().right() + 1 + kRoom - width();
    if (overflow > 0)
        label->move(std::max(0, label->x() - overflow), label->y());
}

} // namespace salvenor::ui
