#include "tip_window.h"

#include <vector>

#include <QLabel>
#include <QPushButton>

#include "application_icon.h"
#include "fonts.h"
#include "placement.h"

namespace salvenor::ui {

namespace {

using K = ControlKind;

struct TipDesign
{
    const char *windowName;
    bool sizable;
    int clientWidth;
    int clientHeight;
    int pictureWidth;
    int pictureHeight;
    const char *heading;
    std::vector<ControlSpec> texts;
};

ControlSpec tipText(const char *name, int left, int top, int width, int height, const char *text)
{
    return {name, K::Label, "Picture1", left, top, width, height, text, Align::Left, false, false, FontRole::Base, "",
        true};
}

TipDesign designOf(TipKind kind)
{
    switch (kind) {
    case TipKind::Kind:
        return {"frmTipKind", false, 5415, 3000, 3855, 2715, "Hinweise zum Kinderkurbeitrag:",
            {tipText("lblTipText", 120, 840, 3495, 1635,
                "In einer Familie mit 2 oder mehreren Kindern ist nur das 1. Kind der Familie "
                "kurbeitragspflichtig. Zur Familie gehören Kinder und Jugendliche bis 17 Jahren und auf "
                "Nachweis Schüler, Studenten und Azubis bis 26 Jahren, wenn sie in Schul- oder "
                "Berufsausbildung stehen und dem Haushalt der Eltern angehören.")}};
    case TipKind::Schwer:
        return {"frmTipSchwer", false, 5415, 3000, 3855, 2715, "Hinweise zur Schwerbehinderung:",
            {tipText("lblTipText", 120, 720, 3405, 675,
                 "Für Schwerbehinderte, deren Grad der Behinderung mindestens 80% beträgt, wird der "
                 "Kurbeitrag auf 85 v.H. ermäßigt."),
                tipText("lblTipText1", 120, 1440, 3645, 1035,
                    "Personen mit einem gültigen Schwerbehinderten- ausweis von 100%, sowie Personen die laut "
                    "amtlichen Ausweis auf ständige Begleitung angewiesen sind, werden ganz vom Kurbeitrag "
                    "befreit, ebenso die jeweilige Begleitperson.")}};
    case TipKind::AnAbreise:
        break;
    }
    return {"frmTipAnAb", true, 5385, 2970, 3735, 2715, "Hinweis zur Kurbeitragsberechnung:",
        {tipText(
            "lblTipText", 180, 960, 3255, 1515, "Der Kurbeitrag wird nach der Zahl der Übernachtungen bemessen.")}};
}

} // namespace

TipWindow::TipWindow(TipKind kind, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    const TipDesign design = designOf(kind);
    setObjectName(QString::fromLatin1(design.windowName));
    setPalette(designPalette());
    setWindowTitle(QStringLiteral("Informationen"));
    setWindowIcon(applicationIcon());
    setOwnFont(this, baseFont());
    const QSize client{twipsToPixels(design.clientWidth), twipsToPixels(design.clientHeight)};
    if (design.sizable)
        resize(client); // controls keep their places while the border is dragged
    else
        setFixedSize(client);

    std::vector<ControlSpec> specs{
        {"Picture1", K::Picture, "", 120, 120, design.pictureWidth, design.pictureHeight},
        {"Label1", K::Label, "Picture1", 540, 180, 2655, 255, design.heading},
    };
    specs.insert(specs.end(), design.texts.begin(), design.texts.end());
    specs.push_back({"cmdOK", K::Button, "", 4080, 2470, 1215, 375, "OK"});
    m_controls = buildControls(this, specs);

    auto *picture = qobject_cast<QLabel *>(m_controls.value(QStringLiteral("Picture1")));
    picture->setFrameShape(QFrame::Box);
    picture->setPixmap(QPixmap{QStringLiteral(":/images/hint-icon-32.png")});
    picture->setMargin(1);
    setBackgroundColour(picture, Qt::white);
    for (QLabel *label : picture->findChildren<QLabel *>())
        setBackgroundColour(label, Qt::white);

    makeOkButton(this, qobject_cast<QPushButton *>(m_controls.value(QStringLiteral("cmdOK"))));
    // On the screen's centre, not over the main window.
    centreOnScreen(this);
}

} // namespace salvenor::ui
