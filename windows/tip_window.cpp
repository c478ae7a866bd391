#include "tip_window.h"

#include <vector>

#include <QLabel>
#include <QPushButton>

#include "accessibility.h"
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

// The hint on the children's contribution (cmdKinderKB).
TipDesign childrenHint()
{
    return {.windowName = "frmTipKind",
        .sizable = false,
        .clientWidth = 5415,
        .clientHeight = 3000,
        .pictureWidth = 3855,
        .pictureHeight = 2715,
        .heading = "Hinweise zum Kinderkurbeitrag:",
        .texts = {{.name = "lblTipText",
            .kind = K::Label,
            .parent = "Picture1",
            .left = 120,
            .top = 840,
            .width = 3495,
            .height = 1635,
            .text = "In einer Familie mit 2 oder mehreren Kindern ist nur das 1. Kind der Familie "
                    "kurbeitragspflichtig. Zur Familie gehören Kinder und Jugendliche bis 17 Jahren und auf "
                    "Nachweis Schüler, Studenten und Azubis bis 26 Jahren, wenn sie in Schul- oder "
                    "Berufsausbildung stehen und dem Haushalt der Eltern angehören.",
            .wordWrap = true}}};
}

// The hint on severe disability (cmdSchwer).
TipDesign disabilityHint()
{
    return {.windowName = "frmTipSchwer",
        .sizable = false,
        .clientWidth = 5415,
        .clientHeight = 3000,
        .pictureWidth = 3855,
        .pictureHeight = 2715,
        .heading = "Hinweise zur Schwerbehinderung:",
        .texts = {{.name = "lblTipText",
                      .kind = K::Label,
                      .parent = "Picture1",
                      .left = 120,
                      .top = 720,
                      .width = 3405,
                      .height = 675,
                      .text = "Für Schwerbehinderte, deren Grad der Behinderung mindestens 80% beträgt, wird der "
                              "Kurbeitrag auf 85 v.H. ermäßigt.",
                      .wordWrap = true},
            {.name = "lblTipText1",
                .kind = K::Label,
                .parent = "Picture1",
                .left = 120,
                .top = 1440,
                .width = 3645,
                .height = 1035,
                .text = "Personen mit einem gültigen Schwerbehinderten- ausweis von 100%, sowie Personen die "
                        "laut amtlichen Ausweis auf ständige Begleitung angewiesen sind, werden ganz vom "
                        "Kurbeitrag befreit, ebenso die jeweilige Begleitperson.",
                .wordWrap = true}}};
}

// The hint on the contribution per night (cmdAnAbreise); it alone may be resized.
TipDesign stayHint()
{
    return {.windowName = "frmTipAnAb",
        .sizable = true,
        .clientWidth = 5385,
        .clientHeight = 2970,
        .pictureWidth = 3735,
        .pictureHeight = 2715,
        .heading = "Hinweis zur Kurbeitragsberechnung:",
        .texts = {{.name = "lblTipText",
            .kind = K::Label,
            .parent = "Picture1",
            .left = 180,
            .top = 960,
            .width = 3255,
            .height = 1515,
            .text = "Der Kurbeitrag wird nach der Zahl der Übernachtungen bemessen.",
            .wordWrap = true}}};
}

TipDesign designOf(TipKind kind)
{
    switch (kind) {
    case TipKind::Kind:
        return childrenHint();
    case TipKind::Schwer:
        return disabilityHint();
    case TipKind::AnAbreise:
        break;
    }
    return stayHint();
}

} // namespace

TipWindow::TipWindow(TipKind kind, QWidget *parent)
    // A dialog, so that the window manager knows it belongs to the window that opened it
    // (WM_TRANSIENT_FOR): it stays above that window and goes with it.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    const TipDesign design = designOf(kind);
    setObjectName(QString::fromLatin1(design.windowName));
    setPalette(designPalette());
    setWindowTitle(QStringLiteral("Informationen"));
    setWindowIcon(applicationIcon());
    setOwnFont(this, baseFont());
    const QSize client{twipsToPixels(design.clientWidth), twipsToPixels(design.clientHeight)};
    if (design.sizable) {
        // Controls keep their places while the border is dragged; smaller than its design the
        // window would cut its text and OK button off.
        resize(client);
        setMinimumSize(client);
    } else
        setFixedSize(client);

    std::vector<ControlSpec> specs{
        {.name = "Picture1",
            .kind = K::Picture,
            .parent = "",
            .left = 120,
            .top = 120,
            .width = design.pictureWidth,
            .height = design.pictureHeight},
        {.name = "Label1",
            .kind = K::Label,
            .parent = "Picture1",
            .left = 540,
            .top = 180,
            .width = 2655,
            .height = 255,
            .text = design.heading},
    };
    specs.insert(specs.end(), design.texts.begin(), design.texts.end());
    specs.push_back({.name = "cmdOK",
        .kind = K::Button,
        .parent = "",
        .left = 4080,
        .top = 2470,
        .width = 1215,
        .height = 375,
        .text = "OK"});
    m_controls = buildControls(this, specs);
    narrowLabelsToFit(this);

    auto *picture = requireControl<QLabel>(m_controls, QStringLiteral("Picture1"));
    picture->setFrameShape(QFrame::Box);
    picture->setPixmap(QPixmap{QStringLiteral(":/images/hint-icon-32.png")});
    picture->setMargin(1);
    // The box carries the hint: a reader calls it by its heading (without the closing colon);
    // the texts in it are read on their own.
    picture->setAccessibleName(QString::fromUtf8(design.heading).chopped(1));
    setBackgroundColour(picture, Qt::white);
    for (QLabel *label : picture->findChildren<QLabel *>())
        setBackgroundColour(label, Qt::white);

    makeOkButton(this, requireControl<QPushButton>(m_controls, QStringLiteral("cmdOK")));
    // On the screen's centre, not over the main window.
    centreOnScreen(this);
}

} // namespace salvenor::ui
