// How logic talks to the person at the terminal: notices, questions, the status line and Esc.
// The screen toolkit implements it on the terminal; ScriptedOperator answers from a prepared list
// and records what was said, so storage and computations run and are tested without a screen.
#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vorn {

enum class NoticeKind { kInformation, kWarning, kError, kAttention };

class Operator {
  public:
    virtual ~Operator() = default;
    // A message box the operator acknowledges.
    virtual void notice(NoticeKind kind, std::string_view title, std::string_view text) = 0;
    // A yes/no question; true for yes.
    virtual bool yes_no(std::string_view title, std::string_view text, bool default_yes = true) = 0;
    // Chooses among buttons; returns the 0-based index, or -1 when the operator pressed Esc.
    virtual int choose(std::string_view title, std::string_view text,
                       const std::vector<std::string>& buttons, int default_button = 0) = 0;
    // Part 1 of the status bar (empty clears it).
    virtual void status(std::string_view text) = 0;
    // A progress notice that stays up until progress_done ("Verificando o Arquivo ...").
    virtual void progress(std::string_view text) = 0;
    virtual void progress_done() = 0;
    // True when Esc was pressed since the last call (consumes it).
    virtual bool esc_pressed() = 0;
    // Waits while a lock is retried; fakes may return at once.
    virtual void pause(double seconds) = 0;
};

// Says nothing and answers every question with its default: for work that runs a computation
// only for its figures (a check in batch, a document computing its gains again on copies).
class SilentOperator final : public Operator {
  public:
    void notice(NoticeKind, std::string_view, std::string_view) override {}
    bool yes_no(std::string_view, std::string_view, bool default_yes) override {
        return default_yes;
    }
    int choose(std::string_view, std::string_view, const std::vector<std::string>&,
               int default_button) override {
        return default_button;
    }
    void status(std::string_view) override {}
    void progress(std::string_view) override {}
    void progress_done() override {}
    bool esc_pressed() override { return false; }
    void pause(double) override {}
};

// Test and batch implementation: answers from queues, records every message.
class ScriptedOperator : public Operator {
  public:
    struct Said {
        std::string what;  // "notice", "yes_no", "choose", "status", "progress"
        std::string title;
        std::string text;
    };
    std::vector<Said> said;
    std::deque<bool> yes_no_answers;  // default answer when empty
    std::deque<int> choose_answers;   // default button when empty
    std::deque<bool> esc_answers;     // false when empty
    double paused_seconds = 0;
    bool sleep_for_real = false;  // pause() really waits (lock tests between processes)

    void notice(NoticeKind, std::string_view title, std::string_view text) override {
        said.push_back({"notice", std::string(title), std::string(text)});
    }
    bool yes_no(std::string_view title, std::string_view text, bool default_yes) override {
        said.push_back({"yes_no", std::string(title), std::string(text)});
        if (yes_no_answers.empty()) return default_yes;
        bool a = yes_no_answers.front();
        yes_no_answers.pop_front();
        return a;
    }
    int choose(std::string_view title, std::string_view text, const std::vector<std::string>&,
               int default_button) override {
        said.push_back({"choose", std::string(title), std::string(text)});
        if (choose_answers.empty()) return default_button;
        int a = choose_answers.front();
        choose_answers.pop_front();
        return a;
    }
    void status(std::string_view text) override {
        said.push_back({"status", "", std::string(text)});
    }
    void progress(std::string_view text) override {
        said.push_back({"progress", "", std::string(text)});
    }
    void progress_done() override {}
    bool esc_pressed() override {
        if (esc_answers.empty()) return false;
        bool a = esc_answers.front();
        esc_answers.pop_front();
        return a;
    }
    void pause(double seconds) override {
        paused_seconds += seconds;
        if (sleep_for_real) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }

    // True when some message of the given kind contains the text.
    bool saw(std::string_view what, std::string_view text) const {
        for (const auto& s : said)
            if (s.what == what && s.text.find(text) != std::string::npos) return true;
        return false;
    }
};

}  // namespace vorn
