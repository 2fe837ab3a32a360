// Screen toolkit figures: the start-up the toolkit adds (terminal set-up, the main window with
// menu bar and status bar, the first full draw) and what a redraw writes to the terminal when
// nothing, one cell or every cell changed. Runs on a pseudo-terminal of 25 × 80.
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/desktop.h"
#include "ui/screen.h"
#include "ui/terminal.h"
#include "ui/windows.h"

namespace {

using Clock = std::chrono::steady_clock;
using vorn::ui::Cell;
using vorn::ui::Grid;

double ms_since(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// A pseudo-terminal whose output is drained and counted.
struct Pty {
    int master = -1, slave = -1;
    FILE *in = nullptr, *out = nullptr;
    std::atomic<long> bytes{0};
    std::thread reader;
    Pty() {
        winsize ws{};
        ws.ws_row = 25;
        ws.ws_col = 80;
        openpty(&master, &slave, nullptr, nullptr, &ws);
        in = fdopen(slave, "r");
        out = fdopen(dup(slave), "w");
        reader = std::thread([this] {
            char buf[8192];
            ssize_t n;
            while ((n = ::read(master, buf, sizeof buf)) > 0) bytes += n;
        });
    }
    ~Pty() {
        fclose(in);
        fclose(out);
        ::close(master);
        reader.join();
    }
    long settle() {  // bytes written so far, once the reader caught up
        long last = -1;
        while (last != bytes.load()) {
            last = bytes.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return last;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void main_window(vorn::ui::Screen& s) {
    s.windows().ENCHETELA(" ", s.palette().COR_ENCH_C);
    vorn::ui::LMenu m;
    m.SubMenu("&Declaração");
    m.MenuItem("&Terminar (Alt T)", [] {});
    m.EndMenu();
    m.Create(s);
    vorn::ui::LSBDRAW(s, {std::string(250, ' ')});
}

}  // namespace

int main() {
    vorn::SystemClock clock;
    const int runs = 30;

    // Start-up: terminal set-up, the toolkit's objects, the main window, the first full draw.
    std::vector<double> startup, toolkit_only;
    for (int i = 0; i < runs; ++i) {
        Pty pty;
        auto t0 = Clock::now();
        vorn::ui::TerminalBackend term({pty.in, pty.out, "xterm-256color"});
        auto t1 = Clock::now();
        vorn::ui::Screen screen(term, clock);
        main_window(screen);
        screen.refresh();
        startup.push_back(ms_since(t0));
        toolkit_only.push_back(ms_since(t1));
    }
    std::printf(
        "start-up (terminal set-up + main window + first full draw): median %.2f ms, max %.2f ms\n",
        median(startup), *std::max_element(startup.begin(), startup.end()));
    std::printf(
        "  of which the toolkit (screen, windows, menu bar, status bar, draw): median %.2f ms\n",
        median(toolkit_only));

    // Redraws.
    Pty pty;
    vorn::ui::TerminalBackend term({pty.in, pty.out, "xterm-256color"});
    Grid a, b;
    for (int r = 0; r < vorn::ui::kRows; ++r)
        for (int c = 0; c < vorn::ui::kCols; ++c) {
            a.at(r, c) = {U'░', 0x17};
            b.at(r, c) = {static_cast<char32_t>(U'A' + (r + c) % 26),
                          static_cast<uint8_t>(0x1F + (c % 3))};
        }
    term.present(a, {});
    long base = pty.settle();

    auto measure = [&](const char* what, auto change, int n) {
        long cells0 = term.cells_written();
        long bytes0 = pty.settle();
        std::vector<double> t;
        for (int i = 0; i < n; ++i) {
            const Grid& g = change(i);
            auto t0 = Clock::now();
            term.present(g, {});
            t.push_back(ms_since(t0));
        }
        long bytes = pty.settle() - bytes0;
        std::printf("%-34s %7.3f ms median, %6.1f cells and %8.1f bytes per redraw\n", what,
                    median(t), static_cast<double>(term.cells_written() - cells0) / n,
                    static_cast<double>(bytes) / n);
    };
    std::printf("first full draw: %ld bytes\n", base);
    measure(
        "redraw, nothing changed:", [&](int) -> const Grid& { return a; }, 200);
    Grid one = a;
    measure(
        "redraw, one cell changed:",
        [&](int i) -> const Grid& {
            one.at(12, 40) = {i % 2 ? U'X' : U'Y', 0x1F};
            return one;
        },
        200);
    measure(
        "redraw, every cell changed:", [&](int i) -> const Grid& { return i % 2 ? a : b; }, 50);
    return 0;
}
