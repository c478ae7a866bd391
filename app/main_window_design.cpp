#include "main_window_design.h"

#include <array>
#include <vector>

namespace salvenor::ui {

namespace {

using K = ControlKind;

// clang-format off
constexpr ControlSpec kTopLevel[] = {
    // name                   kind              parent                 left  top   width height text
    {"Frame_Anreise",         K::Frame,         "",                    120,  120,  3015, 3495, " Anreise ", Align::Left, false, false, FontRole::Frame},
    {"Anreise",               K::Calendar,      "Frame_Anreise",       240,  360,  2595, 2370},
    {"Anreisetag",            K::Frame,         "Frame_Anreise",       240,  2760, 2535, 615,  "Anreise am:"},
    {"Anreisedatum",          K::Label,         "Anreisetag",          360,  240,  1815, 255,  "", Align::Centre, false, true, FontRole::Emphasis},
    {"Frame_Abreise",         K::Frame,         "",                    3360, 120,  3015, 3495, " Abreise ", Align::Left, false, false, FontRole::Frame},
    {"Abreise",               K::Calendar,      "Frame_Abreise",       240,  360,  2595, 2370},
    {"Abreisetag",            K::Frame,         "Frame_Abreise",       240,  2760, 2535, 615,  "Abreise am:"},
    {"Abreisedatum",          K::Label,         "Abreisetag",          240,  240,  2055, 255,  "", Align::Centre, false, true, FontRole::Emphasis},
    {"Berechnung",            K::Frame,         "",                    120,  3840, 6255, 3495, " Kurbeitragsberechnung ", Align::Left, false, false, FontRole::Frame},
    {"Logo_KV",               K::Picture,       "",                    6600, 240,  3075, 1335},
    {"lblServiceTelefon",     K::Label,         "",                    6600, 1680, 3135, 495,  "", Align::Centre, false, true, FontRole::Emphasis},
    {"Frame_Informationen",   K::Frame,         "",                    6600, 2280, 3075, 3855, " Informationen", Align::Left, false, false, FontRole::Frame},
    {"cmdAnAbreise",          K::Button,        "Frame_Informationen", 240,  360,  2655, 495,  "Kurbeitrag", Align::Left, false, false, FontRole::Base, "Info"},
    {"cmdKinderKB",           K::Button,        "Frame_Informationen", 240,  1080, 2655, 495,  "Kinderkurbeitrag", Align::Left, false, false, FontRole::Base, "Info"},
    {"lblInfowww",            K::Label,         "Frame_Informationen", 240,  2760, 2655, 375,  "", Align::Centre, false, false, FontRole::Base, "", true},
    {"lblHeute",              K::Label,         "Frame_Informationen", 240,  3240, 2655, 495,  "", Align::Centre},
    {"cmdSchwer",             K::Button,        "",                    6840, 4080, 2655, 495,  "Schwerbehinderung", Align::Left, false, false, FontRole::Base, "Info"},
    {"Frame_Gesamt_Summe",    K::Frame,         "",                    6600, 6240, 3075, 1095, "zu zahlender Kurbeitrag:", Align::Left, false, false, FontRole::Frame},
    {"End_Summe_Gesamt",      K::FigureLabel,   "Frame_Gesamt_Summe",  450,  360,  1575, 495,  "0,00", Align::Right, false, true, FontRole::Result},
    {"Label21",               K::Label,         "Frame_Gesamt_Summe",  2135, 360,  615,  495,  "€", Align::Left, false, true, FontRole::Result},
    {"cmdPrint",              K::Button,        "Frame_Gesamt_Summe",  2400, 360,  495,  495,  "", Align::Left, false, false, FontRole::Base, "Ergebnis ausdrucken"},
    {"sbStatusBar",           K::StatusBar,     "",                    0,    7425, 9810, 270},
};

// One row of the calculation frame per person category, in the categories' order.
struct RowSpec
{
    const char *caption1; const char *caption1Text; int caption1Top; int caption1Width;
    const char *caption2; const char *caption2Text; int caption2Top; int caption2Width;
    const char *line; int lineLeft; int lineTop;
    const char *selector; int selectorTop;
    const char *times; int timesTop;
    const char *nights; int nightsTop;
    const char *nightsWord; int nightsWordTop;
    const char *sum; int sumTop;
    const char *euro; int euroTop;
};

constexpr RowSpec kRows[] = {
    {"Label_Erwachsene", "Anzahl Erwachsene", 315, 1410, nullptr, nullptr, 0, 0,
     "Line1", 1920, 420, "Anz_Erwachsene", 280, "Label1", 300, "Tage_Erwachsene", 315, "Label8", 300, "Summe_Erwachsene", 315, "Label14", 315},
    {"Label_Erw_Schwerb1", "Anzahl Erwachsene", 720, 1410, "Label_Erw_Schwerb2", "80% Schwerbehindert", 960, 1545,
     "Line2", 2040, 960, "Anz_Erw_Schwer", 820, "Label2", 840, "Tage_Erw_Schwer", 855, "Label9", 855, "Summe_Erw_Schwer", 855, "Label15", 855},
    {"Label_Student1", "Studenten, Schüler und Azubis", 1320, 2190, "Label_Student2", "bis einschließlich 26 jahre", 1560, 1800,
     "Line3", 2280, 1560, "Anz_Student", 1380, "Label3", 1400, "Tage_Student", 1415, "Label10", 1410, "Summe_Student", 1415, "Label16", 1415},
    {"Label_Kind1", "Kinder ab 12 Jahre", 1920, 1335, nullptr, nullptr, 0, 0,
     "Line4", 1920, 2025, "Anz_Kind", 1885, "Label4", 1905, "Tage_Kind", 1920, "Label11", 1920, "Summe_Kind", 1920, "Label17", 1920},
    {"Label_Kind4", "Kinder ab 12 Jahre", 2280, 1335, "Label6", "80% Schwerbehindert", 2520, 1545,
     "Line6", 2040, 2545, "Anz_Kind_Schwer", 2405, "Label7", 2425, "Tage_Kind_Schwer", 2440, "Label12", 2445, "Summe_Kind_Schwer", 2440, "Label18", 2440},
    {"Label_Kind2", "Nicht Familienangehörige", 2880, 1785, "Label_Kind3", "Kinder ab 12 Jahre", 3120, 1335,
     "Line5", 1800, 3120, "Anz_Kind_Fremd", 2980, "Label5", 3000, "Tage_Kind_Fremd", 3015, "Label13", 3015, "Summe_Kind_Fremd", 3015, "Label19", 3015},
};

// The columns every row shares.
constexpr int kCaptionLeft = 360, kCaptionHeight = 195, kLineRight = 2760;
constexpr int kSelectorLeft = 2880, kSelectorWidth = 615, kSelectorHeight = 315;
constexpr int kTimesLeft = 3615, kTimesWidth = 75, kTimesHeight = 195;
constexpr int kNightsLeft = 3840, kNightsWidth = 255, kNightsHeight = 255;
constexpr int kNightsWordLeft = 4200, kNightsWordWidth = 660, kNightsWordHeight = 195;
constexpr int kSumLeft = 5030, kSumWidth = 615, kSumHeight = 255;
constexpr int kEuroLeft = 5750, kEuroWidth = 90, kEuroHeight = 195;
// clang-format on

std::vector<ControlSpec> assemble()
{
    std::vector<ControlSpec> specs(std::begin(kTopLevel), std::end(kTopLevel));
    const auto add = [&specs](ControlSpec spec) { specs.push_back(spec); };
    for (const RowSpec &row : kRows) {
        add({row.caption1, K::Label, "Berechnung", kCaptionLeft, row.caption1Top, row.caption1Width, kCaptionHeight,
            row.caption1Text, Align::Left, true});
        if (row.caption2 != nullptr)
            add({row.caption2, K::Label, "Berechnung", kCaptionLeft, row.caption2Top, row.caption2Width, kCaptionHeight,
                row.caption2Text, Align::Left, true});
        add({row.line, K::DottedLine, "Berechnung", row.lineLeft, row.lineTop, kLineRight - row.lineLeft, 15});
        add({row.selector, K::CountSelector, "Berechnung", kSelectorLeft, row.selectorTop, kSelectorWidth,
            kSelectorHeight});
        add({row.times, K::Label, "Berechnung", kTimesLeft, row.timesTop, kTimesWidth, kTimesHeight, "x", Align::Left,
            true});
        add({row.nights, K::FigureLabel, "Berechnung", kNightsLeft, row.nightsTop, kNightsWidth, kNightsHeight, "0",
            Align::Centre});
        add({row.nightsWord, K::Label, "Berechnung", kNightsWordLeft, row.nightsWordTop, kNightsWordWidth,
            kNightsWordHeight, "Nächte =", Align::Left, true});
        add({row.sum, K::FigureLabel, "Berechnung", kSumLeft, row.sumTop, kSumWidth, kSumHeight, "0,00", Align::Right});
        add({row.euro, K::Label, "Berechnung", kEuroLeft, row.euroTop, kEuroWidth, kEuroHeight, "€", Align::Left,
            true});
    }
    return specs;
}

} // namespace

std::span<const ControlSpec> mainWindowDesign()
{
    static const std::vector<ControlSpec> specs = assemble();
    return specs;
}

} // namespace salvenor::ui
