// Key scripts and the in-memory back end that plays them.
#include "ui/headless.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <thread>

#include "base/text.h"

namespace vorn::ui {

KeyScript parse_key_script(std::string_view text) {
    KeyScript script;
    int line_no = 0;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = std::min(text.find('\n', pos), text.size());
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        auto fail = [&](std::string msg) {
            script.error_line = line_no;
            script.error = std::move(msg);
            return script;
        };
        if (t == "text" || t.compare(0, 5, "text ") == 0) {
            // Everything after "text " is typed, trailing blanks included.
            std::string chars = t == "text" ? "" : line.substr(line.find("text ") + 5);
            for (char32_t c : to_u32(chars))
                script.steps.push_back({ScriptStep::Kind::kKey, Key::chr(c), 0, line_no});
        } else if (t == "snap") {
            script.steps.push_back({ScriptStep::Kind::kSnap, {}, 0, line_no});
        } else if (t.compare(0, 8, "advance ") == 0) {
            std::string n = trim(t.substr(8));
            bool digits = !n.empty() && n.size() <= 9;
            for (char c : n) digits = digits && std::isdigit(static_cast<unsigned char>(c));
            if (!digits) return fail("número de segundos inválido: \"" + t + "\"");
            script.steps.push_back({ScriptStep::Kind::kAdvance, {}, std::stol(n), line_no});
        } else if (auto key = parse_key_name(t)) {
            script.steps.push_back({ScriptStep::Kind::kKey, *key, 0, line_no});
        } else {
            return fail("nome de tecla desconhecido: \"" + t + "\"");
        }
    }
    return script;
}

HeadlessBackend::HeadlessBackend(std::vector<ScriptStep> steps, ManualClock& clock,
                                 std::ostream& out)
    : steps_(std::move(steps)), clock_(clock), out_(out) {}

void HeadlessBackend::present(const Grid& grid, const CursorState& cursor) {
    grid_ = grid;
    cursor_ = cursor;
}

void HeadlessBackend::snap() {
    out_ << grid_.text() << "----\n";
    out_.flush();
}

std::optional<Key> HeadlessBackend::read(Wait wait, double seconds) {
    if (wait == Wait::kPoll) return std::nullopt;
    if (wait == Wait::kIdle && seconds > 0) {
        idle_carry_ += seconds;
        double whole = std::floor(idle_carry_);
        idle_carry_ -= whole;
        clock_.advance(static_cast<long>(whole));
        // An idle wait is a lock retry: what it waits for is another process, which runs in real
        // time, so the wait is a real one too. Without it a terminal whose script still has keys
        // would give up on a lock at once.
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
    while (next_ < steps_.size()) {
        const ScriptStep& step = steps_[next_];
        switch (step.kind) {
            case ScriptStep::Kind::kSnap:
                ++next_;
                snap();
                break;
            case ScriptStep::Kind::kAdvance:
                if (wait == Wait::kIdle) return std::nullopt;
                ++next_;
                clock_.advance(step.seconds);
                if (wait == Wait::kTimed) return std::nullopt;
                break;
            case ScriptStep::Kind::kKey:
                ++next_;
                return step.key;
        }
    }
    if (wait == Wait::kIdle) return std::nullopt;
    snap();
    throw ScriptEnded{};
}

void HeadlessBackend::beep(int, int) {
    ++beeps_;
}

}  // namespace vorn::ui
