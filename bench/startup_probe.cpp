// Starts a program on the X display and times it by the X server's own map events:
//   startup_probe [--key] PROGRAM
// prints "first_map_ms=<launch to first window mapped>", with --key also
// "key_to_map_ms=<a key press on that window to the next window mapped>", and "peak_rss_kb".
// X map notifications arrive as they happen, so no polling interval limits the resolution.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits for the next top-level window to be mapped (any but `except`); returns it or 0.
Window waitForMap(Display *display, Window except, double timeoutMs, Clock::time_point start)
{
    while (millisecondsSince(start) < timeoutMs) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.window != except)
                return event.xmap.window;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return 0;
}

long peakResidentKb(pid_t pid)
{
    std::ifstream status{"/proc/" + std::to_string(pid) + "/status"};
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool pressKey = argc > 2 && std::strcmp(argv[1], "--key") == 0;
    char *program = argv[pressKey ? 2 : 1];
    if (program == nullptr) {
        std::fprintf(stderr, "usage: startup_probe [--key] PROGRAM\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    char *childArgv[] = {program, nullptr};
    pid_t pid = 0;
    const Clock::time_point launched = Clock::now();
    if (posix_spawn(&pid, program, nullptr, nullptr, childArgv, environ) != 0) {
        std::perror("posix_spawn");
        return 2;
    }
    const Window first = waitForMap(display, 0, 20000, launched);
    int status = 1;
    if (first != 0) {
        std::printf("first_map_ms=%.2f\n", millisecondsSince(launched));
        status = 0;
        if (pressKey) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const KeyCode key = XKeysymToKeycode(display, XK_a);
            const Clock::time_point pressed = Clock::now();
            XTestFakeKeyEvent(display, key, True, CurrentTime);
            XTestFakeKeyEvent(display, key, False, CurrentTime);
            XFlush(display);
            if (waitForMap(display, first, 5000, pressed) != 0)
                std::printf("key_to_map_ms=%.2f\n", millisecondsSince(pressed));
            else
                status = 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::printf("peak_rss_kb=%ld\n", peakResidentKb(pid));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return status;
}
