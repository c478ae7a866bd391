#include "main_window_design.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>

#include "resources/product_info.h"
#include "windows/figure_label.h"
#include "windows/fonts.h"
#include "windows/month_calendar.h"

namespace salvenor::ui {

namespace {

using K = ControlKind;

// clang-format off
// The places and the design's names of one category's row in the calculation frame, in the
// categories' order; the captions' texts are the category table's. Positions in twips from the
// frame's corner; the columns are shared below.
struct DesignedRow
{
    struct Placed
    {
        const char *name;
        int top;
    };
    Placed caption;
    Placed secondCaption = {nullptr, 0}; // where the design has a second caption line
    Placed leader;
    int leaderLeft;
    int selectorTop;
    Placed times;
    int nightsTop;
    Placed nightsWord;
    int sumTop;
    Placed euro;
};

constexpr DesignedRow kDesignedRows[] = {
    {.caption = {"Label_Erwachsene", 315},
     .leader = {"Line1", 420}, .leaderLeft = 1920, .selectorTop = 280,
     .times = {"Label1", 300}, .nightsTop = 315, .nightsWord = {"Label8", 300}, .sumTop = 315, .euro = {"Label14", 315}},
    {.caption = {"Label_Erw_Schwerb1", 720}, .secondCaption = {"Label_Erw_Schwerb2", 960},
     .leader = {"Line2", 960}, .leaderLeft = 2040, .selectorTop = 820,
     .times = {"Label2", 840}, .nightsTop = 855, .nightsWord = {"Label9", 855}, .sumTop = 855, .euro = {"Label15", 855}},
    {.caption = {"Label_Student1", 1320}, .secondCaption = {"Label_Student2", 1560},
     .leader = {"Line3", 1560}, .leaderLeft = 2280, .selectorTop = 1380,
     .times = {"Label3", 1400}, .nightsTop = 1415, .nightsWord = {"Label10", 1410}, .sumTop = 1415, .euro = {"Label16", 1415}},
    {.caption = {"Label_Kind1", 1920},
     .leader = {"Line4", 2025}, .leaderLeft = 1920, .selectorTop = 1885,
     .times = {"Label4", 1905}, .nightsTop = 1920, .nightsWord = {"Label11", 1920}, .sumTop = 1920, .euro = {"Label17", 1920}},
    {.caption = {"Label_Kind4", 2280}, .secondCaption = {"Label6", 2520},
     .leader = {"Line6", 2545}, .leaderLeft = 2040, .selectorTop = 2405,
     .times = {"Label7", 2425}, .nightsTop = 2440, .nightsWord = {"Label12", 2445}, .sumTop = 2440, .euro = {"Label18", 2440}},
    {.caption = {"Label_Kind2", 2880}, .secondCaption = {"Label_Kind3", 3120},
     .leader = {"Line5", 3120}, .leaderLeft = 1800, .selectorTop = 2980,
     .times = {"Label5", 3000}, .nightsTop = 3015, .nightsWord = {"Label13", 3015}, .sumTop = 3015, .euro = {"Label19", 3015}},
};

// The columns every row shares.
constexpr int kCaptionLeft = 360, kCaptionHeight = 195, kLineRight = 2760, kLineHeight = 15;
constexpr int kSelectorLeft = 2880, kSelectorWidth = 615, kSelectorHeight = 315;
constexpr int kTimesLeft = 3615, kTimesWidth = 75, kTimesHeight = 195;
constexpr int kNightsLeft = 3840, kNightsWidth = 255, kNightsHeight = 255;
constexpr int kNightsWordLeft = 4200, kNightsWordWidth = 660, kNightsWordHeight = 195;
constexpr int kSumLeft = 5030, kSumWidth = 615, kSumHeight = 255;
constexpr int kEuroLeft = 5750, kEuroWidth = 90, kEuroHeight = 195;
// clang-format on

// A second caption line stands this far below the first where the design does not place it; a
// leader runs along a single caption line this far below its top (along a second line, at its
// top), from a gap after the caption, whose width is estimated by its characters.
constexpr int kSecondCaptionBelowFirst = 240;
constexpr int kLeaderBelowSingleCaption = 105;
constexpr int kCaptionCharacterWidth = 90;
constexpr int kLeaderGap = 120;

// Where a leader after a caption line of `text` begins, at the latest a short way before the
// selector's column.
int leaderLeftAfter(std::string_view text)
{
    int characters = 0;
    for (const char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0; // UTF-8 lead bytes
    return std::min(kCaptionLeft + characters * kCaptionCharacterWidth + kLeaderGap, kLineRight - 2 * kLeaderGap);
}
// A category beyond the design's rows stands this far below the row before it.
constexpr int kRowPitch = 600;
// The calculation frame ends a fixed margin below its last row, and the status bar a fixed gap
// below the frame; the window's client area ends with the status bar.
constexpr int kCalculationFrameTop = 3840;
constexpr int kCalculationFrameBottomMargin = 180;
constexpr int kStatusBarBelowCalculationFrame = 90;
constexpr int kStatusBarHeight = 270;

// One category's row as built: the design's places and names, or for a category beyond the
// design's rows the last designed row's places, kRowPitch lower for each row after it, and names
// made of its key.
struct RowSpec
{
    struct Placed
    {
        std::string name;
        int top = 0;
    };
    const CategoryRules *category;
    Placed caption;
    Placed secondCaption; // empty name where the category has one caption line
    Placed leader;
    int leaderLeft;
    int selectorTop;
    Placed times;
    int nightsTop;
    Placed nightsWord;
    int sumTop;
    Placed euro;
};

RowSpec rowSpecAt(std::size_t index)
{
    const CategoryRules &category = kCategories.at(index);
    const std::size_t designed = std::min(index, std::size(kDesignedRows) - 1);
    const DesignedRow &design = kDesignedRows[designed];
    const int shift = kRowPitch * static_cast<int>(index - designed);
    const bool own = index == designed;
    const std::string key{category.key};
    const auto placed = [&](const DesignedRow::Placed &place, const char *suffix) {
        return RowSpec::Placed{
            .name = own ? std::string{place.name} : "Label_" + key + suffix, .top = place.top + shift};
    };
    RowSpec row{.category = &category,
        .caption = placed(design.caption, ""),
        .secondCaption = {},
        .leader = {.name = own ? std::string{design.leader.name} : "Line_" + key, .top = design.leader.top + shift},
        .leaderLeft = design.leaderLeft,
        .selectorTop = design.selectorTop + shift,
        .times = placed(design.times, "_x"),
        .nightsTop = design.nightsTop + shift,
        .nightsWord = placed(design.nightsWord, "_Naechte"),
        .sumTop = design.sumTop + shift,
        .euro = placed(design.euro, "_Euro")};
    if (!category.captionSecondLine.empty()) {
        row.secondCaption = own && design.secondCaption.name != nullptr
            ? placed(design.secondCaption, "")
            : RowSpec::Placed{.name = "Label_" + key + "_2", .top = row.caption.top + kSecondCaptionBelowFirst};
    }
    if (!own) {
        // The leader runs along the row's last caption line.
        const bool twoLines = !row.secondCaption.name.empty();
        row.leader.top = twoLines ? row.secondCaption.top : row.caption.top + kLeaderBelowSingleCaption;
        row.leaderLeft = leaderLeftAfter(twoLines ? category.captionSecondLine : category.caption);
    }
    return row;
}

const std::vector<RowSpec> &rowSpecs()
{
    static const std::vector<RowSpec> rows = [] {
        std::vector<RowSpec> all;
        for (std::size_t i = 0; i < kCategoryCount; ++i)
            all.push_back(rowSpecAt(i));
        return all;
    }();
    return rows;
}

// A row's lowest edge, in twips from the calculation frame's corner.
int bottomOfRow(const RowSpec &row)
{
    const int bottoms[] = {row.caption.top + kCaptionHeight,
        row.secondCaption.name.empty() ? 0 : row.secondCaption.top + kCaptionHeight, row.leader.top + kLineHeight,
        row.selectorTop + kSelectorHeight, row.times.top + kTimesHeight, row.nightsTop + kNightsHeight,
        row.nightsWord.top + kNightsWordHeight, row.sumTop + kSumHeight, row.euro.top + kEuroHeight};
    return *std::max_element(std::begin(bottoms), std::end(bottoms));
}

int calculationFrameHeight()
{
    return bottomOfRow(rowSpecs().back()) + kCalculationFrameBottomMargin;
}

int statusBarTop()
{
    return kCalculationFrameTop + calculationFrameHeight() + kStatusBarBelowCalculationFrame;
}

// clang-format off
constexpr ControlSpec kTopLevel[] = {
    {.name = "Frame_Anreise", .kind = K::Frame, .parent = "", .left = 120, .top = 120, .width = 3015, .height = 3495, .text = " Anreise ", .font = FontRole::Frame},
    {.name = "Anreise", .kind = K::Calendar, .parent = "Frame_Anreise", .left = 240, .top = 360, .width = 2595, .height = 2370},
    {.name = "Anreisetag", .kind = K::Frame, .parent = "Frame_Anreise", .left = 240, .top = 2760, .width = 2535, .height = 615, .text = "Anreise am:"},
    {.name = "Anreisedatum", .kind = K::Label, .parent = "Anreisetag", .left = 360, .top = 240, .width = 1815, .height = 255, .align = Align::Centre, .darkRed = true, .font = FontRole::Emphasis},
    {.name = "Frame_Abreise", .kind = K::Frame, .parent = "", .left = 3360, .top = 120, .width = 3015, .height = 3495, .text = " Abreise ", .font = FontRole::Frame},
    {.name = "Abreise", .kind = K::Calendar, .parent = "Frame_Abreise", .left = 240, .top = 360, .width = 2595, .height = 2370},
    {.name = "Abreisetag", .kind = K::Frame, .parent = "Frame_Abreise", .left = 240, .top = 2760, .width = 2535, .height = 615, .text = "Abreise am:"},
    {.name = "Abreisedatum", .kind = K::Label, .parent = "Abreisetag", .left = 240, .top = 240, .width = 2055, .height = 255, .align = Align::Centre, .darkRed = true, .font = FontRole::Emphasis},
    {.name = "Berechnung", .kind = K::Frame, .parent = "", .left = 120, .top = kCalculationFrameTop, .width = 6255, .height = 0, .text = " Kurbeitragsberechnung ", .font = FontRole::Frame},
    {.name = "Logo_KV", .kind = K::Picture, .parent = "", .left = 6600, .top = 240, .width = 3075, .height = 1335},
    {.name = "lblServiceTelefon", .kind = K::Label, .parent = "", .left = 6600, .top = 1680, .width = 3135, .height = 495, .align = Align::Centre, .darkRed = true, .font = FontRole::Emphasis},
    {.name = "Frame_Informationen", .kind = K::Frame, .parent = "", .left = 6600, .top = 2280, .width = 3075, .height = 3855, .text = " Informationen", .font = FontRole::Frame},
    {.name = "cmdAnAbreise", .kind = K::Button, .parent = "Frame_Informationen", .left = 240, .top = 360, .width = 2655, .height = 495, .text = "Kurbeitrag", .toolTip = "Info"},
    {.name = "cmdKinderKB", .kind = K::Button, .parent = "Frame_Informationen", .left = 240, .top = 1080, .width = 2655, .height = 495, .text = "Kinderkurbeitrag", .toolTip = "Info"},
    {.name = "lblInfowww", .kind = K::Label, .parent = "Frame_Informationen", .left = 240, .top = 2760, .width = 2655, .height = 375, .align = Align::Centre, .wordWrap = true},
    {.name = "lblHeute", .kind = K::Label, .parent = "Frame_Informationen", .left = 240, .top = 3240, .width = 2655, .height = 495, .align = Align::Centre},
    {.name = "cmdSchwer", .kind = K::Button, .parent = "", .left = 6840, .top = 4080, .width = 2655, .height = 495, .text = "Schwerbehinderung", .toolTip = "Info"},
    {.name = "Frame_Gesamt_Summe", .kind = K::Frame, .parent = "", .left = 6600, .top = 6240, .width = 3075, .height = 1095, .text = "zu zahlender Kurbeitrag:", .font = FontRole::Frame},
    {.name = "End_Summe_Gesamt", .kind = K::FigureLabel, .parent = "Frame_Gesamt_Summe", .left = 450, .top = 360, .width = 1575, .height = 495, .text = "0,00", .align = Align::Right, .darkRed = true, .font = FontRole::Result},
    {.name = "Label21", .kind = K::Label, .parent = "Frame_Gesamt_Summe", .left = 2135, .top = 360, .width = 615, .height = 495, .text = "€", .darkRed = true, .font = FontRole::Result},
    {.name = "cmdPrint", .kind = K::Button, .parent = "Frame_Gesamt_Summe", .left = 2400, .top = 360, .width = 495, .height = 495, .toolTip = "Ergebnis ausdrucken"},
    {.name = "sbStatusBar", .kind = K::StatusBar, .parent = "", .left = 0, .top = 0, .width = kMainClientWidth, .height = kStatusBarHeight},
};
// clang-format on

void addCaption(std::vector<ControlSpec> &specs, const RowSpec::Placed &caption, std::string_view text)
{
    specs.push_back({.name = caption.name.c_str(),
        .kind = K::Label,
        .parent = "Berechnung",
        .left = kCaptionLeft,
        .top = caption.top,
        .width = 0, // sized to its text
        .height = kCaptionHeight,
        .text = text.data(),
        .autoSize = true});
}

void addRow(std::vector<ControlSpec> &specs, const RowSpec &row)
{
    const CategoryRowNames &names = rowNames(row.category->category);
    addCaption(specs, row.caption, row.category->caption);
    if (!row.secondCaption.name.empty())
        addCaption(specs, row.secondCaption, row.category->captionSecondLine);
    // clang-format off
    const ControlSpec controls[] = {
        {.name = row.leader.name.c_str(), .kind = K::DottedLine, .parent = "Berechnung", .left = row.leaderLeft, .top = row.leader.top, .width = kLineRight - row.leaderLeft, .height = kLineHeight},
        {.name = names.selector.c_str(), .kind = K::CountSelector, .parent = "Berechnung", .left = kSelectorLeft, .top = row.selectorTop, .width = kSelectorWidth, .height = kSelectorHeight},
        {.name = row.times.name.c_str(), .kind = K::Label, .parent = "Berechnung", .left = kTimesLeft, .top = row.times.top, .width = kTimesWidth, .height = kTimesHeight, .text = "x", .autoSize = true},
        {.name = names.nights.c_str(), .kind = K::FigureLabel, .parent = "Berechnung", .left = kNightsLeft, .top = row.nightsTop, .width = kNightsWidth, .height = kNightsHeight, .text = "0", .align = Align::Centre},
        {.name = row.nightsWord.name.c_str(), .kind = K::Label, .parent = "Berechnung", .left = kNightsWordLeft, .top = row.nightsWord.top, .width = kNightsWordWidth, .height = kNightsWordHeight, .text = "Nächte =", .autoSize = true},
        {.name = names.sum.c_str(), .kind = K::FigureLabel, .parent = "Berechnung", .left = kSumLeft, .top = row.sumTop, .width = kSumWidth, .height = kSumHeight, .text = "0,00", .align = Align::Right},
        {.name = row.euro.name.c_str(), .kind = K::Label, .parent = "Berechnung", .left = kEuroLeft, .top = row.euro.top, .width = kEuroWidth, .height = kEuroHeight, .text = "€", .autoSize = true},
    };
    // clang-format on
    specs.insert(specs.end(), std::begin(controls), std::end(controls));
}

std::vector<ControlSpec> assemble()
{
    std::vector<ControlSpec> specs(std::begin(kTopLevel), std::end(kTopLevel));
    for (ControlSpec &spec : specs) {
        if (std::string_view{spec.name} == "Berechnung")
            spec.height = calculationFrameHeight();
        else if (std::string_view{spec.name} == "sbStatusBar")
            spec.top = statusBarTop();
    }
    for (const RowSpec &row : rowSpecs())
        addRow(specs, row);
    return specs;
}

std::array<CategoryRowNames, kCategoryCount> allRowNames()
{
    std::array<CategoryRowNames, kCategoryCount> all;
    for (const CategoryRules &category : kCategories) {
        const RowSpec &row = rowSpecs().at(indexOf(category.category));
        const std::string key{category.key};
        all.at(indexOf(category.category)) = {.caption = row.caption.name,
            .selector = "Anz_" + key,
            .times = row.times.name,
            .nights = "Tage_" + key,
            .nightsWord = row.nightsWord.name,
            .sum = "Summe_" + key,
            .euro = row.euro.name};
    }
    return all;
}

} // namespace

int mainClientHeight()
{
    return statusBarTop() + kStatusBarHeight;
}

std::span<const ControlSpec> mainWindowDesign()
{
    static const std::vector<ControlSpec> specs = assemble();
    return specs;
}

const CategoryRowNames &rowNames(PersonCategory category)
{
    static const std::array<CategoryRowNames, kCategoryCount> names = allRowNames();
    return names.at(indexOf(category));
}

MainWindowControls resolveMainWindowControls(const ControlMap &controls)
{
    const auto find = [&controls]<typename T>(T *&member, const auto &name) {
        member = requireControl<T>(controls, QString::fromUtf8(name));
    };
    MainWindowControls c{};
    for (const CategoryRules &category : kCategories) {
        const CategoryRowNames &names = rowNames(category.category);
        MainWindowControls::CategoryRow &row = c.rows.at(indexOf(category.category));
        find(row.caption, names.caption.c_str());
        find(row.selector, names.selector.c_str());
        find(row.times, names.times.c_str());
        find(row.nights, names.nights.c_str());
        find(row.nightsWord, names.nightsWord.c_str());
        find(row.sum, names.sum.c_str());
    }
    find(c.arrivalFrame, "Frame_Anreise");
    find(c.arrivalCalendar, "Anreise");
    find(c.arrivalDay, "Anreisedatum");
    find(c.departureFrame, "Frame_Abreise");
    find(c.departureCalendar, "Abreise");
    find(c.departureDay, "Abreisedatum");
    find(c.calculationFrame, "Berechnung");
    find(c.logo, "Logo_KV");
    find(c.servicePhone, "lblServiceTelefon");
    find(c.informationFrame, "Frame_Informationen");
    find(c.stayTip, "cmdAnAbreise");
    find(c.childrenTip, "cmdKinderKB");
    find(c.webLine, "lblInfowww");
    find(c.todayLine, "lblHeute");
    find(c.disabilityTip, "cmdSchwer");
    find(c.totalFrame, "Frame_Gesamt_Summe");
    find(c.total, "End_Summe_Gesamt");
    find(c.totalEuro, "Label21");
    find(c.print, "cmdPrint");
    find(c.statusBar, "sbStatusBar");
    return c;
}

MainMenuActions createMainMenus(QMenuBar *menuBar)
{
    MainMenuActions actions{};
    menuBar->setAccessibleName(QStringLiteral("Menüleiste"));
    QMenu *file = menuBar->addMenu(QStringLiteral("1000"));
    file->setObjectName(QStringLiteral("mnuFile"));
    actions.exit = file->addAction(QStringLiteral("1012"));
    actions.exit->setObjectName(QStringLiteral("mnuFileExit"));

    QMenu *view = menuBar->addMenu(QStringLiteral("1019"));
    view->setObjectName(QStringLiteral("mnuView"));
    actions.statusBar = view->addAction(QStringLiteral("1021"));
    actions.statusBar->setObjectName(QStringLiteral("mnuViewStatusBar"));
    actions.statusBar->setCheckable(true);
    actions.statusBar->setChecked(true);

    QMenu *help = menuBar->addMenu(QStringLiteral("1025"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    actions.about = help->addAction(QStringLiteral("Info zum Salvenor"));
    actions.about->setObjectName(QStringLiteral("mnuHelpAbout"));
    return actions;
}

void showPictures(const MainWindowControls &controls)
{
    controls.logo->setPixmap(QPixmap{QStringLiteral(":/images/logo.png")});
    controls.print->setIcon(QIcon{QStringLiteral(":/images/print.png")});
    controls.print->setIconSize(QSize{16, 16});
}

void offerCounts(const MainWindowControls &controls)
{
    for (const CategoryRules &rules : kCategories) {
        QComboBox *selector = controls.rows.at(indexOf(rules.category)).selector;
        for (int count = 0; count <= rules.maxCount; ++count)
            selector->addItem(QString::number(count));
        selector->setMaxVisibleItems(12);
    }
}

void writeFixedTexts(const MainWindowControls &controls)
{
    controls.servicePhone->setText(QStringLiteral("Service-Telefon\n") + QString::fromUtf8(kServicePhone));
    controls.webLine->setText(QStringLiteral("Weitere Infos auf ") + QString::fromUtf8(kWebAddress));
}

void applyStartUpFonts(const MainWindowControls &controls)
{
    const std::pair<QWidget *, QFont> fonts[] = {
        {controls.servicePhone, emphasisFont()},
        {controls.arrivalFrame, frameFont()},
        {controls.departureFrame, frameFont()},
        {controls.calculationFrame, frameFont()},
        {controls.arrivalDay, emphasisFont()},
        {controls.departureDay, emphasisFont()},
        {controls.total, resultFont()},
        {controls.totalEuro, resultFont()},
        {controls.totalFrame, frameFont()},
        {controls.informationFrame, frameFont()},
    };
    for (const auto &[widget, font] : fonts)
        setOwnFont(widget, font);
}

} // namespace salvenor::ui
