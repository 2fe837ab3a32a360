// Locks between processes (fork): shared and exclusive opening, record and table locks at the
// FoxPro offsets, the lock waits of REC_LOCK and ADD_REC, and concurrent writers losing nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/workareas.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::open_table;
using testing::TempDir;
using testing::test_clock;

// A child process running `body`, with a pipe each way to step through a scenario.
class Child {
  public:
    explicit Child(const std::function<int(Child&)>& body) {
        if (::pipe(to_child_) != 0 || ::pipe(to_parent_) != 0) std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(to_child_[1]);
            ::close(to_parent_[0]);
            int rc = 1;
            try {
                rc = body(*this);
            } catch (...) {
                rc = 2;
            }
            ::_exit(rc);
        }
        ::close(to_child_[0]);
        ::close(to_parent_[1]);
    }
    ~Child() {
        if (pid_ > 0 && !waited_) (void)wait();
    }
    // Child side.
    void tell_parent() { (void)!::write(to_parent_[1], "x", 1); }
    void wait_parent() {
        char c;
        (void)!::read(to_child_[0], &c, 1);
    }
    // Parent side.
    void tell_child() { (void)!::write(to_child_[1], "x", 1); }
    bool wait_child() {
        char c;
        return ::read(to_parent_[0], &c, 1) == 1;
    }
    int wait() {
        int st = 0;
        ::waitpid(pid_, &st, 0);
        waited_ = true;
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }

  private:
    int to_child_[2], to_parent_[2];
    pid_t pid_ = -1;
    bool waited_ = false;
};

// An operator whose lock waits are short, so concurrency tests run quickly.
class BriefOperator final : public ScriptedOperator {
  public:
    void pause(double seconds) override {
        paused_seconds += seconds;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

std::shared_ptr<const Layout> counter_layout() {
    return std::make_shared<const Layout>(parse_fields("ID N6.0, WHO C1, CNT N8.0, NOTE C20"));
}

std::string make_table(const TempDir& dir, int rows = 1) {
    std::vector<Record> r;
    for (int i = 0; i < rows; ++i) {
        Record rec(counter_layout());
        rec.set("ID", Decimal(i));
        rec.set("WHO", "-");
        r.push_back(rec);
    }
    std::string path = dir.file("COUNTER.DBF");
    EXPECT_OK(Table::create(Env::posix(), path, *counter_layout(), r, &test_clock(), false));
    return path;
}

// Whether some handle holds a lock on bytes [at, at + len) of the file, seen from a plain
// descriptor. A file it cannot open or probe throws: that is no answer about the lock.
bool byte_locked(const std::string& path, uint64_t at, uint64_t len = 1) {
    int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(at);
    fl.l_len = static_cast<off_t>(len);
    int rc = ::fcntl(fd, F_OFD_GETLK, &fl);
    int err = errno;
    ::close(fd);
    if (rc != 0) throw std::runtime_error("cannot probe " + path + ": " + std::strerror(err));
    return fl.l_type != F_UNLCK;
}

TEST(Locks, TheLockProbeFailsOnAFileItCannotOpen) {
    TempDir dir;
    EXPECT_THROW(byte_locked(dir.file("NONE.DBF"), 0x7FFFFFFF), std::runtime_error);
    std::string path = make_table(dir);
    EXPECT_FALSE(byte_locked(path, 0x7FFFFFFF));
}

TEST(Locks, TwoTerminalsAppendingAndReplacingLoseNothing) {
    TempDir dir;
    std::string path = make_table(dir);
    constexpr int kEach = 200;
    auto terminal = [&](const char* who) {
        return [&, who](Child&) {
            BriefOperator op;
            WorkAreas w(Env::posix(), op, test_clock());
            if (!ABREARQ(w, 1, false, path)) return 3;
            Table& t = w.current();
            Field id = t.field("ID"), whof = t.field("WHO"), cnt = t.field("CNT");
            for (int i = 0; i < kEach; ++i) {
                if (!ADD_REC(w, 0)) return 4;
                if (!t.replace(id, Decimal(i)) || !t.replace(whof, who)) return 5;
                if (!t.unlock()) return 6;
                // The shared counter in record 1: shown, then locked (which reads it again),
                // added to and written.
                if (!t.go_to(1)) return 7;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (!REC_LOCK(w, 1000)) return 8;
                if (!t.replace(cnt, t.num(cnt) + Decimal(1))) return 9;
                if (!t.unlock()) return 10;
            }
            return 0;
        };
    };
    Child a(terminal("A")), b(terminal("B"));
    ASSERT_EQ(a.wait(), 0);
    ASSERT_EQ(b.wait(), 0);

    auto t = open_table(path);
    uint32_t n = 0;
    ASSERT_OK(t->record_count(&n));
    EXPECT_EQ(n, 1u + 2 * kEach);
    EXPECT_EQ(t->num(t->field("CNT")), Decimal(2 * kEach));
    std::set<std::pair<std::string, long long>> seen;
    for (Status s = t->skip(); s && !t->eof(); s = t->skip())
        EXPECT_TRUE(seen.insert({t->str("WHO"), t->num("ID").whole()}).second);
    EXPECT_EQ(seen.size(), 2u * kEach);
    ASSERT_OK(t->close());
    std::string bytes = testing::slurp(path);
    EXPECT_EQ(bytes.size(), t->header_length() + (1 + 2 * kEach) * t->record_length() + 1);
    EXPECT_EQ(static_cast<uint8_t>(bytes[4]) | (static_cast<uint8_t>(bytes[5]) << 8),
              1 + 2 * kEach);
}

TEST(Locks, ExclusiveOpenFailsWhileAnotherProcessHasTheTableOpen) {
    TempDir dir;
    std::string path = make_table(dir);
    Child c([&](Child& me) {
        std::unique_ptr<Table> t;
        if (!Table::open(Env::posix(), path, {}, &t)) return 3;
        me.tell_parent();
        me.wait_parent();
        if (!t->close()) return 4;
        me.tell_parent();
        me.wait_parent();
        // Now the parent has it exclusively: even a shared open is refused.
        std::unique_ptr<Table> u;
        return Table::open(Env::posix(), path, {}, &u).code() == Status::Code::kLocked ? 0 : 5;
    });
    ASSERT_TRUE(c.wait_child());
    std::unique_ptr<Table> t;
    EXPECT_EQ(Table::open(Env::posix(), path, {true}, &t).code(), Status::Code::kLocked);
    ScriptedOperator op;
    WorkAreas w(Env::posix(), op, test_clock());
    EXPECT_FALSE(ABREARQ(w, 1, true, path));
    EXPECT_TRUE(op.said.empty());  // in use: the caller reports it
    // A second shared opening is fine.
    ASSERT_OK(Table::open(Env::posix(), path, {}, &t));
    ASSERT_OK(t->close());
    c.tell_child();
    ASSERT_TRUE(c.wait_child());
    ASSERT_OK(Table::open(Env::posix(), path, {true}, &t));
    c.tell_child();
    EXPECT_EQ(c.wait(), 0);
}

TEST(Locks, RecLockGivesUpAfterFiveSecondsAndNothingIsWritten) {
    TempDir dir;
    std::string path = make_table(dir, 3);
    Child c([&](Child& me) {
        std::unique_ptr<Table> t;
        if (!Table::open(Env::posix(), path, {}, &t) || !t->lock_record(2)) return 3;
        me.tell_parent();
        me.wait_parent();
        return 0;
    });
    ASSERT_TRUE(c.wait_child());
    std::string before = testing::slurp(path);
    ScriptedOperator op;
    op.sleep_for_real = true;
    WorkAreas w(Env::posix(), op, test_clock());
    ASSERT_TRUE(ABREARQ(w, 7, false, path));
    Table& t = w.current();
    ASSERT_OK(t.go_to(2));
    EXPECT_FALSE(REC_LOCK(w, 5));
    EXPECT_DOUBLE_EQ(op.paused_seconds, 5.0);
    EXPECT_TRUE(op.saw("status", "Aguardando registro ficar disponivel no arquivo COUNTER"));
    EXPECT_TRUE(op.saw("notice", "ATENÇÃO! Registro não ficou disponível. Dado nÃo será gravado."));
    EXPECT_EQ(op.said.back().what, "notice");
    EXPECT_THROW((void)t.replace(t.field("NOTE"), "x"), std::logic_error);  // no lock, no write

    // Esc during the wait gives up at once.
    op.said.clear();
    op.paused_seconds = 0;
    op.esc_answers = {true};
    EXPECT_FALSE(REC_LOCK(w, 5));
    EXPECT_DOUBLE_EQ(op.paused_seconds, 0.0);
    EXPECT_TRUE(op.saw("notice", "Dado nÃo será gravado."));

    // Another record is free; a table lock is not.
    ASSERT_OK(t.go_to(1));
    EXPECT_TRUE(REC_LOCK(w, 5));
    ASSERT_OK(t.unlock());
    op.said.clear();
    op.paused_seconds = 0;
    op.sleep_for_real = false;
    EXPECT_FALSE(FIL_LOCK(w, 2));
    EXPECT_DOUBLE_EQ(op.paused_seconds, 2.0);
    EXPECT_TRUE(op.saw("status", "Aguardando arquivo ficar disponivel"));
    EXPECT_TRUE(op.saw("notice", "ATENÇÃO! Registro não ficou disponÍvel. Dado não será gravado."));
    c.tell_child();
    ASSERT_EQ(c.wait(), 0);
    w.close_all();
    EXPECT_EQ(testing::slurp(path), before);
}

TEST(Locks, AppendWaitsWhileAnotherTerminalHoldsTheTable) {
    TempDir dir;
    std::string path = make_table(dir);
    Child c([&](Child& me) {
        std::unique_ptr<Table> t;
        if (!Table::open(Env::posix(), path, {}, &t) || !t->lock_table()) return 3;
        me.tell_parent();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return t->unlock().is_ok() ? 0 : 4;
    });
    ASSERT_TRUE(c.wait_child());
    BriefOperator op;
    WorkAreas w(Env::posix(), op, test_clock());
    ASSERT_TRUE(ABREARQ(w, 3, false, path));
    EXPECT_TRUE(ADD_REC(w, 0));  // 0: waits as long as it takes
    EXPECT_TRUE(op.saw("status", "Aguardando registro ficar disponível"));
    EXPECT_EQ(op.said.back().text, "");  // the status bar is cleared
    EXPECT_EQ(w.current().recno(), 2u);
    EXPECT_EQ(c.wait(), 0);
}

TEST(Locks, LocksSitAtTheFoxProOffsetsAndSurviveClosingAnotherHandle) {
    TempDir dir;
    std::string path = make_table(dir, 3);
    auto a = open_table(path);
    const uint64_t h = a->header_length(), l = a->record_length();
    {
        auto b = open_table(path);
        EXPECT_TRUE(byte_locked(path, 0x7FFFFFFF));  // read lock of shared use
        ASSERT_OK(a->lock_record(2));
        ASSERT_OK(b->close());  // another handle of the same file in this process
    }
    // Another process sees it at 0x40000000 + the record's offset (no structural index).
    Child probe([&](Child&) { return byte_locked(path, 0x40000000 + h + l) ? 0 : 3; });
    EXPECT_EQ(probe.wait(), 0);
    EXPECT_FALSE(byte_locked(path, 0x40000000 + h));
    ASSERT_OK(a->lock_table());
    EXPECT_TRUE(byte_locked(path, 0x40000001));
    EXPECT_TRUE(byte_locked(path, 0x7FFFFFFD));
    ASSERT_OK(a->unlock());
    EXPECT_FALSE(byte_locked(path, 0x40000001, 0x3FFFFFFD));
    ASSERT_OK(a->close());

    // With the structural-index flag: Visual FoxPro's record n at 0x7FFFFFFE - n.
    auto x = open_table(path, true);
    ASSERT_OK(x->set_structural_index_flag(true));
    ASSERT_OK(x->close());
    a = open_table(path);
    ASSERT_OK(a->go_to(3));
    ASSERT_OK(a->lock_record());
    EXPECT_TRUE(byte_locked(path, 0x7FFFFFFE - 3));
    // A classic process-owned lock, as other xBase runtimes take, is respected both ways.
    Child other([&](Child& me) {
        int fd = ::open(path.c_str(), O_RDWR);
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = 0x7FFFFFFE - 3;
        fl.l_len = 1;
        int busy = ::fcntl(fd, F_SETLK, &fl) == 0 ? 3 : 0;
        fl.l_start = 0x7FFFFFFE - 1;
        if (::fcntl(fd, F_SETLK, &fl) != 0) return 4;
        me.tell_parent();
        me.wait_parent();
        return busy;
    });
    ASSERT_TRUE(other.wait_child());
    EXPECT_EQ(a->lock_record(1, true).code(), Status::Code::kLocked);
    other.tell_child();
    EXPECT_EQ(other.wait(), 0);
    ASSERT_OK(a->lock_record(1, true));
}

}  // namespace
}  // namespace vorn::store
