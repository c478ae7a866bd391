// Prints the main window's client area (below the menu bar) and the centre of its print button in
// it, in pixels at the design's own size (15 twips a pixel), as the design table builds them, so
// that the end-to-end scripts compare with the design instead of restating its pixels:
//   client 654 513
//   print 625 457
#include <cstdio>
#include <exception>
#include <string_view>

#include "app/main_window_design.h"
#include "windows/design.h"

using namespace salvenor::ui;

namespace {

const ControlSpec &specNamed(std::string_view name)
{
    for (const ControlSpec &spec : mainWindowDesign()) {
        if (name == spec.name)
            return spec;
    }
    throw InvalidDesign{"no control " + std::string{name}};
}

} // namespace

int main()
{
    try {
        const ControlSpec &frame = specNamed("Frame_Gesamt_Summe");
        const ControlSpec &print = specNamed("cmdPrint");
        std::printf("client %d %d\n", twipsToPixels(kMainClientWidth), twipsToPixels(mainClientHeight()));
        std::printf("print %d %d\n", twipsToPixels(frame.left + print.left + print.width / 2),
            twipsToPixels(frame.top + print.top + print.height / 2));
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "window_design: %s\n", error.what());
        return 1;
    }
}
