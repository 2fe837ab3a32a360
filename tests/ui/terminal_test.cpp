// The ncurses back end on a pseudo-terminal: what terminals send becomes the right keys, and only
// the cells that changed are written.
#include "ui/terminal.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

namespace vorn::ui {
namespace {

// A pseudo-terminal of the given size; whatever the back end writes is collected.
class Pty {
  public:
    Pty(int rows, int cols) {
        winsize ws{};
        ws.ws_row = static_cast<unsigned short>(rows);
        ws.ws_col = static_cast<unsigned short>(cols);
        if (openpty(&master_, &slave_, nullptr, nullptr, &ws) != 0)
            throw std::runtime_error("openpty");
        in_ = fdopen(slave_, "r");
        out_ = fdopen(dup(slave_), "w");
        reader_ = std::thread([this] {
            char buf[4096];
            for (;;) {
                ssize_t n = ::read(master_, buf, sizeof buf);
                if (n <= 0) break;
                std::lock_guard<std::mutex> lock(mu_);
                output_.append(buf, static_cast<size_t>(n));
            }
        });
    }
    ~Pty() {
        if (in_) fclose(in_);
        if (out_) fclose(out_);
        ::close(master_);  // ends the reader
        reader_.join();
    }
    TerminalBackend::Options options() const { return {in_, out_, "xterm-256color"}; }
    void type(const std::string& s) {
        ASSERT_EQ(::write(master_, s.data(), s.size()), static_cast<ssize_t>(s.size()));
    }
    void resize(int rows, int cols) {
        winsize ws{};
        ws.ws_row = static_cast<unsigned short>(rows);
        ws.ws_col = static_cast<unsigned short>(cols);
        ioctl(master_, TIOCSWINSZ, &ws);
    }
    // Waits a moment for the reader, then takes what arrived.
    std::string take() {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard<std::mutex> lock(mu_);
        return std::exchange(output_, {});
    }

  private:
    int master_ = -1, slave_ = -1;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
    std::thread reader_;
    std::mutex mu_;
    std::string output_;
};

TEST(TerminalBackend, TranslatesWhatTerminalsSend) {
    Pty pty(25, 80);
    TerminalBackend t(pty.options());
    struct Case {
        const char* sent;
        Key key;
    } cases[] = {
        {"\033OP", Key::f(1)},
        {"\033[24~", Key::f(12)},
        {"\033[1;2P", Key::f(1, kShift)},
        {"\033[15;5~", Key::f(5, kCtrl)},
        {"\033[1;3P", Key::f(1, kAlt)},
        {"\033x", Key::alt('X')},
        {"\0337", Key::alt('7')},
        {"\003", Key::ctrl('C')},
        {"\r", Key::of(KeyCode::kEnter)},
        {"\n", Key::of(KeyCode::kEnter, kCtrl)},
        {"\033[27;5;13~", Key::of(KeyCode::kEnter, kCtrl)},
        {"\t", Key::of(KeyCode::kTab)},
        {"\033[Z", Key::of(KeyCode::kTab, kShift)},
        {"\177", Key::of(KeyCode::kBackspace)},
        {"\033[A", Key::of(KeyCode::kUp)},
        {"\033[5~", Key::of(KeyCode::kPgUp)},
        {"\033[2~", Key::of(KeyCode::kIns)},
        {"\033[3~", Key::of(KeyCode::kDel)},
        {"\033[H", Key::of(KeyCode::kHome)},
        {"ç", Key::chr(U'ç')},
        {"\033", Key::of(KeyCode::kEsc)},
        {"\033[<0;5;3M\033[<0;5;3m", Key::click(2, 4)},
    };
    for (const auto& c : cases) {
        pty.type(c.sent);
        auto k = t.read(Wait::kTimed, 2.0);
        ASSERT_TRUE(k) << key_name(c.key);
        EXPECT_EQ(*k, c.key) << key_name(c.key) << " got " << key_name(*k);
    }
    EXPECT_EQ(t.read(Wait::kPoll, 0), std::nullopt);
    EXPECT_EQ(t.read(Wait::kTimed, 0.05), std::nullopt);
}

TEST(TerminalBackend, WritesOnlyTheCellsThatChanged) {
    Pty pty(25, 80);
    TerminalBackend t(pty.options());
    Grid g;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) g.at(r, c) = {U'─', static_cast<uint8_t>(0x1F)};
    t.present(g, {});
    EXPECT_EQ(t.cells_written(), kRows * kCols);
    std::string full = pty.take();
    EXPECT_NE(full.find("─"), std::string::npos);  // UTF-8 box drawing
    t.present(g, {});
    EXPECT_EQ(t.cells_written(), kRows * kCols);
    g.at(10, 10) = {U'A', 0x1F};
    g.at(10, 11) = {U'B', 0x4E};
    t.present(g, {10, 12, true, false});
    EXPECT_EQ(t.cells_written(), kRows * kCols + 2);
    std::string small = pty.take();
    EXPECT_NE(small.find('A'), std::string::npos);
    EXPECT_LT(small.size() * 20, full.size());
}

// An outside program gets the terminal out of screen mode; afterwards every cell is drawn again,
// since the program wrote over them.
TEST(TerminalBackend, LendsTheTerminalAndDrawsEverythingAgainAfter) {
    Pty pty(25, 80);
    TerminalBackend t(pty.options());
    Grid g;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) g.at(r, c) = {U'x', static_cast<uint8_t>(0x1F)};
    t.present(g, {});
    (void)pty.take();
    t.suspend();
    const std::string left = pty.take();
    EXPECT_NE(left.find("\x1b[?1049l"), std::string::npos) << "leaves the alternate screen";
    t.resume();
    EXPECT_EQ(t.cells_written(), 2 * kRows * kCols);
    EXPECT_NE(pty.take().find("xxxxxxxx"), std::string::npos);
}

TEST(TerminalBackend, TheTooSmallMessageReadsWholeDownToFortyColumns) {
    for (int cols : {79, 60, 40}) {
        Pty pty(24, cols);
        TerminalBackend t(pty.options());
        t.present(Grid{}, {});
        ASSERT_TRUE(t.too_small());
        std::string shown = pty.take();
        for (const char* word : {"janela", "terminal", "precisa", "colunas", "linhas",
                                 "(agora:", "Aumente", "continuar."})
            EXPECT_NE(shown.find(word), std::string::npos) << cols << " columns: " << word;
        EXPECT_NE(shown.find(std::to_string(cols) + " x 24)."), std::string::npos) << cols;
    }
}

TEST(TerminalBackend, SaysSoWhenTheTerminalIsTooSmall) {
    Pty pty(20, 70);
    TerminalBackend t(pty.options());
    Grid g;
    g.at(0, 0) = {U'X', 7};
    t.present(g, {});
    EXPECT_TRUE(t.too_small());
    EXPECT_NE(pty.take().find("80 colunas e 25 linhas"), std::string::npos);
    EXPECT_EQ(t.cells_written(), 0);
    // Enlarged: the next resize event draws the grid.
    pty.resize(30, 100);
    std::raise(SIGWINCH);
    pty.type("\r");
    auto k = t.read(Wait::kTimed, 2.0);
    EXPECT_EQ(k, Key::of(KeyCode::kEnter));
    EXPECT_FALSE(t.too_small());
    EXPECT_GE(t.cells_written(), kRows * kCols);  // drawn whole once it fits
}

}  // namespace
}  // namespace vorn::ui
