#pragma once

#include <array>
#include <span>
#include <string>

#include "core/categories.h"
#include "windows/design.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenuBar;
class QPushButton;
class QStatusBar;

namespace salvenor::ui {

class FigureLabel;
class LineWidget;
class MonthCalendar;

// The title keeps the design's blanks.
inline constexpr const char *kWindowTitle = "Salvenor 2016  - Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH ";

// The client area of the main window, in twips: the design's width; the height ends with the
// status bar, which stands below the calculation frame and its rows, one a category.
inline constexpr int kMainClientWidth = 9810;
int mainClientHeight();

// Every control of the main window with its design position, in creation order.
std::span<const ControlSpec> mainWindowDesign();

// The names of one category's row: the selector, nights and sum take the category's key, the
// others are the design's own.
struct CategoryRowNames
{
    std::string caption; // the row's first caption line, the selector's label
    std::string selector; // "Anz_" + key
    std::string times; // the "x" between count and nights
    std::string nights; // "Tage_" + key
    std::string nightsWord; // "Nächte ="
    std::string sum; // "Summe_" + key
    std::string euro; // the "€" after the sum
};
const CategoryRowNames &rowNames(PersonCategory category);

// The main window's controls as their own types, found once by name.
struct MainWindowControls
{
    struct CategoryRow
    {
        QLabel *caption;
        QComboBox *selector;
        QLabel *times;
        FigureLabel *nights;
        QLabel *nightsWord;
        FigureLabel *sum;
    };
    std::array<CategoryRow, kCategoryCount> rows;
    QGroupBox *arrivalFrame;
    MonthCalendar *arrivalCalendar;
    QLabel *arrivalDay;
    QGroupBox *departureFrame;
    MonthCalendar *departureCalendar;
    QLabel *departureDay;
    QGroupBox *calculationFrame;
    QLabel *logo;
    QLabel *servicePhone;
    QGroupBox *informationFrame;
    QPushButton *stayTip;
    QPushButton *childrenTip;
    QLabel *webLine;
    QLabel *todayLine;
    QPushButton *disabilityTip;
    QGroupBox *totalFrame;
    FigureLabel *total;
    QLabel *totalEuro;
    QPushButton *print;
    QStatusBar *statusBar;
};

// Throws MissingControl, naming the control, where the map lacks one or holds another type.
MainWindowControls resolveMainWindowControls(const ControlMap &controls);

// The menu bar's entries; their captions are string ids that ApplyResourceCaptions resolves.
struct MainMenuActions
{
    QAction *exit;
    QAction *statusBar;
    QAction *about;
};
MainMenuActions createMainMenus(QMenuBar *menuBar);

// What the controls show before any calculation, shared with the start-up benchmark's yardstick:
// the logo and the print icon; each selector's counts, 0 to the category's maximum; the service
// line and the web line; and, once the string table's captions are in (they set the window's
// font on every control), the fonts of the frames, the day texts and the total.
void showPictures(const MainWindowControls &controls);
void offerCounts(const MainWindowControls &controls);
void writeFixedTexts(const MainWindowControls &controls);
void applyStartUpFonts(const MainWindowControls &controls);

} // namespace salvenor::ui
