// The key-script contract of the headless mode and the keyboard of the Screen on top of it.
#include "ui/headless.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "harness.h"

namespace vorn::ui {
namespace {

using testing::Harness;

TEST(KeyScript, EveryKeyNameOfTheContract) {
    const char* names[] = {"ENTER",     "ESC",    "TAB",       "SHIFT+TAB",  "UP",      "DOWN",
                           "LEFT",      "RIGHT",  "HOME",      "END",        "PGUP",    "PGDN",
                           "INS",       "DEL",    "BACKSPACE", "F1",         "F12",     "ALT+X",
                           "ALT+7",     "ALT+F4", "CTRL+C",    "CTRL+ENTER", "CTRL+F3", "SHIFT+F1",
                           "SHIFT+F12", "ALT++"};
    for (const char* n : names) {
        auto k = parse_key_name(n);
        ASSERT_TRUE(k) << n;
        EXPECT_EQ(key_name(*k), n);
    }
    EXPECT_EQ(parse_key_name("alt+x"), Key::alt('X'));
    EXPECT_EQ(parse_key_name("Ctrl+y"), Key::ctrl('Y'));
    for (const char* bad :
         {"F13", "F0", "CTRL+1", "SHIFT+A", "ALT+", "ALT+XY", "CTRL++", "ALT+-", "ENTRE", "META+X"})
        EXPECT_FALSE(parse_key_name(bad)) << bad;
}

TEST(KeyScript, StepsCommentsAndErrorsWithTheirLine) {
    KeyScript s = parse_key_script("# comment\n\ntext ab \r\nsnap\n  advance 90\nALT+F4\n");
    ASSERT_TRUE(s.ok());
    ASSERT_EQ(s.steps.size(), 6u);
    EXPECT_EQ(s.steps[0].key, Key::chr('a'));
    EXPECT_EQ(s.steps[2].key, Key::chr(' '));  // the blank after "ab" is typed
    EXPECT_EQ(s.steps[2].line, 3);
    EXPECT_EQ(s.steps[3].kind, ScriptStep::Kind::kSnap);
    EXPECT_EQ(s.steps[4].seconds, 90);
    EXPECT_EQ(s.steps[5].key, Key::f(4, kAlt));
    EXPECT_EQ(parse_key_script("text ção").steps.size(), 3u);

    KeyScript bad = parse_key_script("ENTER\n# fine\nPAGEDOWN\nESC\n");
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.error_line, 3);
    EXPECT_NE(bad.error.find("PAGEDOWN"), std::string::npos);
    EXPECT_EQ(parse_key_script("advance soon").error_line, 1);
    EXPECT_EQ(parse_key_script("snap\nsnapshot").error_line, 2);
}

TEST(HeadlessBackend, SnapsKeysAndTheEndOfTheScript) {
    Harness h("snap\ntext x\nsnap\n");
    h.screen.write(0, 0, "primeira", 7);
    EXPECT_EQ(h.screen.wait_key(), Key::chr('x'));
    h.screen.write(1, 0, "segunda", 7);
    EXPECT_THROW(h.screen.wait_key(), ScriptEnded);
    std::string out = h.snaps.str();
    // Three screens: before the key, the second snap (taken when the program waits again) and
    // the final one when the script ran out.
    std::vector<std::string> lines = [&] {
        std::vector<std::string> v;
        size_t at = 0;
        while (at < out.size()) {
            size_t nl = out.find('\n', at);
            v.push_back(out.substr(at, nl - at));
            at = nl + 1;
        }
        return v;
    }();
    ASSERT_EQ(lines.size(), 3u * 26);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i % 26 == 25)
            EXPECT_EQ(lines[i], "----");
        else
            EXPECT_EQ(char_count(lines[i]), 80u) << i;
    }
    EXPECT_EQ(trim(lines[0]), "primeira");
    EXPECT_EQ(trim(lines[26 + 1]), "segunda");
    EXPECT_EQ(lines.front(), lines[26]);
    EXPECT_EQ(lines[27], lines[52 + 1]);
}

TEST(HeadlessBackend, AdvanceMovesTheClockForTimedWaits) {
    Harness h("advance 60\nadvance 30\nENTER\n");
    EXPECT_EQ(h.screen.wait_key_for(5), std::nullopt);  // time passed: the caller polls its work
    EXPECT_EQ(h.clock.now().seconds, 9 * 3600 + 60);
    EXPECT_EQ(h.screen.wait_key(), Key::of(KeyCode::kEnter));  // a plain wait goes through advances
    EXPECT_EQ(h.clock.now().seconds, 9 * 3600 + 90);
    EXPECT_THROW(h.screen.wait_key_for(1), ScriptEnded);
}

TEST(HeadlessBackend, PollsNeverTakeKeysAndPausesKeepThem) {
    Harness h("ESC\ntext a\nadvance 10\nENTER\n");
    EXPECT_EQ(h.screen.poll_key(), std::nullopt);
    EXPECT_FALSE(h.screen.esc_pressed());
    h.screen.pause(2.5);  // time passes and the Esc typed meanwhile is kept
    EXPECT_EQ(h.clock.now().seconds, 9 * 3600 + 2);
    EXPECT_TRUE(h.screen.esc_pressed());
    EXPECT_FALSE(h.screen.esc_pressed());
    h.screen.pause(0.5);
    EXPECT_EQ(h.clock.now().seconds, 9 * 3600 + 3);  // the halves add up
    h.screen.pause(1);                               // an advance is left for the next real wait
    EXPECT_EQ(h.screen.wait_key(), Key::chr('a'));
    EXPECT_EQ(h.screen.wait_key_for(1), std::nullopt);
    EXPECT_EQ(h.screen.wait_key(), Key::of(KeyCode::kEnter));
    h.screen.pause(1);  // the end of the script does not end a pause
}

TEST(HotKeys, RunWhereTheyAreBoundAndNotInsideThemselves) {
    Harness h("F2\nF2\n");
    Screen& s = h.screen;
    int runs = 0, nested = 0;
    s.bind(Key::f(2), [&] {
        ++runs;
        if (s.run_hot_key(Key::f(2))) ++nested;
    });
    EXPECT_TRUE(s.is_bound(Key::f(2)));
    EXPECT_TRUE(s.run_hot_key(s.wait_key()));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(nested, 0);
    s.unbind(Key::f(2));
    EXPECT_FALSE(s.run_hot_key(s.wait_key()));
    // The toolkit's own set-up binds Insert to pasting; the run's keys move it to Alt+V.
    EXPECT_TRUE(s.is_bound(Key::of(KeyCode::kIns)));
    s.bind_clipboard_keys();
    EXPECT_FALSE(s.is_bound(Key::of(KeyCode::kIns)));
    EXPECT_TRUE(s.is_bound(Key::alt('V')));
    EXPECT_TRUE(s.is_bound(Key::ctrl('C')));
}

}  // namespace
}  // namespace vorn::ui
