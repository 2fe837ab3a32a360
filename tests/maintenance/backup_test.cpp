// Backup and restore of a data folder with the real archiver (and a failing fake one): the
// round trip byte for byte, a failed backup that keeps the old archive, a restore cut short at
// every step and finished afterwards, another terminal's table, one file per table whatever its
// case, the archive copy removed but never the backup, and hostile folder names.
#include "maintenance/backup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "builder.h"
#include "shell/commands.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "tax/folder.h"

namespace vorn::maintenance {
namespace {

namespace fs = std::filesystem;
using store::Env;

struct Dir {
    fs::path path;
    explicit Dir(const std::string& name) {
        path = fs::temp_directory_path() /
               ("vorn-bk-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++)) / name;
        fs::create_directories(path);
    }
    ~Dir() { fs::remove_all(path.parent_path()); }
    std::string str() const { return path.string(); }
    static int& counter() {
        static int n = 0;
        return n;
    }
};

std::string bytes_of(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream all;
    all << f.rdbuf();
    return all.str();
}

// Name → contents of the declaration tables (DBFs) of a folder.
std::map<std::string, std::string> tables(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == ".DBF")
            out[e.path().filename().string()] = bytes_of(e.path());
    return out;
}

void seed(const std::string& folder, std::vector<const char*> names) {
    std::vector<tax::Declaration> ds;
    const char* cpfs[] = {"11144477735", "52998224725", "39053344705"};
    for (size_t k = 0; k < names.size(); ++k) {
        tax::testing::Builder b(cpfs[k]);
        b.d.registry.set("NOMECONTR", names[k]);
        b.company("60000.00", "5000.00", "6000.00", "5000.00");
        ds.push_back(b.d);
    }
    ManualClock clock(DateTime{Date(2026, 4, 1), 0});
    ASSERT_TRUE(tax::write_folder(Env::posix(), folder, ds, &clock).is_ok());
}

RestoreOptions at_noon(int stop = -1) {
    RestoreOptions o;
    o.now = DateTime{Date(2026, 5, 2), 12 * 3600};
    o.stop_after_moves = stop;
    return o;
}

TEST(Backup, RoundTripByteForByteWithIndexesLeftToRebuildAndTheOldTablesKept) {
    // Blanks, quotes and a command substitution in the paths reach the archiver as plain text.
    Dir data("dados 'do' \"escritorio\" $(touch pwned)"), medium("pen drive $(id)");
    seed(data.str(), {"ANA", "BIA"});
    // An index beside the registry: the restore removes it so that the next opening rebuilds it.
    std::ofstream(data.path / "IMP0926.CDX") << "stale";
    const auto before = tables(data.path);
    Archiver a{SystemProcesses::instance()};
    BackupResult b;
    ASSERT_TRUE(backup_folder(Env::posix(), a, data.str(), medium.str(), &b).is_ok());
    EXPECT_EQ(b.archive, (medium.path / "IR_ZIP26.zip").string());
    EXPECT_EQ(b.files, static_cast<int>(before.size()));
    EXPECT_FALSE(fs::exists(data.path.parent_path() / "pwned"));
    EXPECT_FALSE(fs::exists(medium.path / "IR_ZIP26.TMP"));  // the staging copies are gone

    // The folder changes after the backup (another client), then the backup comes back.
    seed(data.str(), {"ANA", "BIA", "CARLA"});
    const auto changed = tables(data.path);
    ASSERT_NE(changed, before);
    RestoreResult r;
    ASSERT_TRUE(restore_folder(Env::posix(), a, medium.str(), data.str(), at_noon(), &r).is_ok());
    EXPECT_EQ(tables(data.path), before);
    EXPECT_FALSE(fs::exists(data.path / "IMP0926.CDX"));
    EXPECT_FALSE(fs::exists(data.path / "RESTAURA.JNL"));
    EXPECT_FALSE(fs::exists(data.path / "RESTAURA.TMP"));
    EXPECT_EQ(r.safety, (data.path / "SEGURANCA-20260502-120000").string());
    EXPECT_EQ(tables(r.safety), changed);                   // what was replaced is kept
    EXPECT_TRUE(fs::exists(medium.path / "IR_ZIP26.zip"));  // the backup itself stays

    // The restored registry opens (its indexes rebuilt) and holds the two clients.
    tax::FolderReader folder;
    ASSERT_TRUE(tax::FolderReader::read(Env::posix(), data.str(), "", &folder).is_ok());
    EXPECT_EQ(folder.cpfs().size(), 2u);
}

TEST(Backup, AFailingArchiverKeepsTheOldArchiveAndSaysSo) {
    Dir data("dados"), medium("pen"), bin("bin");
    seed(data.str(), {"ANA"});
    Archiver real{SystemProcesses::instance()};
    BackupResult b;
    ASSERT_TRUE(backup_folder(Env::posix(), real, data.str(), medium.str(), &b).is_ok());
    const std::string old = bytes_of(medium.path / "IR_ZIP26.zip");

    // A full medium: the archiver writes part of an archive and exits 2.
    const std::string fake = (bin.path / "7z").string();
    std::ofstream(fake) << "#!/bin/sh\n[ \"$1\" = a ] && printf partial > \"$2\"\nexit 2\n";
    fs::permissions(fake, fs::perms::owner_all);
    seed(data.str(), {"ANA", "BIA"});
    Archiver broken{SystemProcesses::instance(), fake};
    Status s = backup_folder(Env::posix(), broken, data.str(), medium.str(), &b);
    EXPECT_FALSE(s.is_ok());
    EXPECT_NE(s.message().find("falhou"), std::string::npos) << s.message();
    EXPECT_EQ(bytes_of(medium.path / "IR_ZIP26.zip"), old);
    EXPECT_FALSE(fs::exists(medium.path / "IR_ZIP26.novo.zip"));

    // The batch command reports the failure with a non-zero status.
    ::setenv("VORN_ARCHIVER", fake.c_str(), 1);
    std::string folder_arg = data.str(), to_arg = medium.str();
    char* argv[] = {const_cast<char*>("backup"), const_cast<char*>("--folder"), folder_arg.data(),
                    const_cast<char*>("--to"), to_arg.data()};
    EXPECT_EQ(run_backup_command(5, argv), 1);
    ::unsetenv("VORN_ARCHIVER");
    EXPECT_EQ(run_backup_command(5, argv), 0);
    EXPECT_NE(bytes_of(medium.path / "IR_ZIP26.zip"), old);

    // An archive that does not hold the tables is refused before the folder is touched.
    Dir empty("vazio");
    std::ofstream(empty.path / "nada.txt") << "x";
    ASSERT_EQ(
        std::system(("cd '" + empty.str() + "' && 7z a IR_ZIP26.zip nada.txt >/dev/null").c_str()),
        0);
    const auto live = tables(data.path);
    RestoreResult r;
    s = restore_folder(Env::posix(), real, empty.str(), data.str(), at_noon(), &r);
    EXPECT_EQ(s.code(), Status::Code::kCorrupt);
    EXPECT_EQ(tables(data.path), live);
    EXPECT_FALSE(fs::exists(data.path / "RESTAURA.TMP"));
}

TEST(Backup, ARestoreCutShortAtAnyStepIsFinishedWithEveryNewTable) {
    Dir data("dados"), medium("pen");
    seed(data.str(), {"ANA"});
    Archiver a{SystemProcesses::instance()};
    BackupResult b;
    ASSERT_TRUE(backup_folder(Env::posix(), a, data.str(), medium.str(), &b).is_ok());
    const auto saved = tables(data.path);
    seed(data.str(), {"ANA", "BIA"});
    const auto newer = tables(data.path);

    int steps = 0;
    for (int stop = 1;; ++stop) {
        // Back to the newer folder, then a restore stopped after `stop` file moves.
        for (const auto& e : fs::directory_iterator(data.path)) fs::remove_all(e.path());
        for (const auto& [name, bytes] : newer) std::ofstream(data.path / name) << bytes;
        RestoreResult r;
        Status s = restore_folder(Env::posix(), a, medium.str(), data.str(), at_noon(stop), &r);
        if (s) break;  // fewer moves than `stop`: the restore ran to its end
        ++steps;
        ASSERT_TRUE(fs::exists(data.path / "RESTAURA.JNL")) << stop;
        bool finished = false;
        ASSERT_TRUE(finish_restore(Env::posix(), data.str(), &finished).is_ok()) << stop;
        EXPECT_TRUE(finished);
        EXPECT_EQ(tables(data.path), saved) << "stopped after " << stop << " moves";
        EXPECT_FALSE(fs::exists(data.path / "RESTAURA.JNL"));
        EXPECT_EQ(tables(data.path / "SEGURANCA-20260502-120000"), newer) << stop;
    }
    EXPECT_GE(steps, 2 * static_cast<int>(saved.size()) - 1);
}

TEST(Backup, ATableInUseElsewhereRefusesTheRestoreAndOneFilePerTableRemains) {
    Dir data("dados"), medium("pen");
    seed(data.str(), {"ANA"});
    Archiver a{SystemProcesses::instance()};
    BackupResult b;
    ASSERT_TRUE(backup_folder(Env::posix(), a, data.str(), medium.str(), &b).is_ok());
    const auto saved = tables(data.path);

    // A Windows archive extracted by hand left a lower-case twin of table 2.
    fs::copy_file(data.path / "IMP0226.DBF", data.path / "imp0226.dbf");
    std::unique_ptr<store::Table> other;
    ASSERT_TRUE(store::Table::open(Env::posix(), (data.path / "IMP0726.DBF").string(),
                                   store::OpenOptions{}, &other)
                    .is_ok());
    RestoreResult r;
    Status s = restore_folder(Env::posix(), a, medium.str(), data.str(), at_noon(), &r);
    EXPECT_EQ(s.code(), Status::Code::kLocked);
    EXPECT_EQ(r.busy, "IMP0726.DBF");
    EXPECT_TRUE(fs::exists(data.path / "imp0226.dbf"));
    EXPECT_FALSE(fs::exists(data.path / "RESTAURA.TMP"));
    ASSERT_TRUE(other->close().is_ok());

    // Given up by the other terminal: one IMP02 remains, the twin goes to the safety folder.
    ASSERT_TRUE(restore_folder(Env::posix(), a, medium.str(), data.str(), at_noon(), &r).is_ok());
    EXPECT_FALSE(fs::exists(data.path / "imp0226.dbf"));
    EXPECT_EQ(tables(data.path), saved);
    EXPECT_TRUE(fs::exists(fs::path(r.safety) / "imp0226.dbf"));
}

TEST(Backup, TheArchiveCopiedIntoTheFolderIsRemovedButNeverTheBackupItself) {
    // The backup lies in the folder it restores: the archive copy made first is the one removed.
    Dir data("dados");
    seed(data.str(), {"ANA"});
    Archiver a{SystemProcesses::instance()};
    BackupResult b;
    ASSERT_TRUE(backup_folder(Env::posix(), a, data.str(), data.str(), &b).is_ok());
    RestoreOptions o = at_noon();
    o.copy_archive_first = true;
    RestoreResult r;
    ASSERT_TRUE(restore_folder(Env::posix(), a, data.str(), data.str(), o, &r).is_ok());
    EXPECT_TRUE(fs::exists(data.path / "IR_ZIP26.zip"));

    // The direct copy and its restore take the same way.
    Dir copy("copia");
    CopyResult c;
    ASSERT_TRUE(copy_folder(Env::posix(), data.str(), copy.str(), &c).is_ok());
    EXPECT_EQ(tables(copy.path), tables(data.path));
    const auto saved = tables(data.path);
    seed(data.str(), {"ANA", "BIA"});
    ASSERT_TRUE(restore_copy(Env::posix(), copy.str(), data.str(), at_noon(), &r).is_ok());
    EXPECT_EQ(tables(data.path), saved);
}

TEST(Backup, ADirectCopyShortOfRoomAsksForAnotherMediumOrStopsWithTheCopiedTablesWhole) {
    Dir data("dados");
    seed(data.str(), {"ANA", "BIA"});
    // The medium holds two tables; the first change of medium gives room for all.
    uint64_t room = 0;
    std::vector<std::pair<uint64_t, uint64_t>> asked;
    bool change = true;
    int copied = 0;
    CopySpace space{[&](const std::string&) { return room; },
                    [&](uint64_t need, uint64_t free) {
                        asked.emplace_back(need, free);
                        if (change) room = UINT64_MAX;
                        return change;
                    }};
    {
        Dir copy("copia");
        CopyResult c;
        room = 1;
        ASSERT_TRUE(copy_folder(Env::posix(), data.str(), copy.str(), &c, &space).is_ok());
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].second, 1u);
        EXPECT_GT(asked[0].first, 1u);  // the first table's size
        EXPECT_EQ(tables(copy.path), tables(data.path));
        copied = static_cast<int>(c.tables.size());
    }
    // Abandoned at the third table: two stand complete, nothing half-written.
    Dir copy("copia2");
    asked.clear();
    change = false;
    int seen = 0;
    space.available = [&](const std::string&) { return ++seen <= 2 ? UINT64_MAX : 0; };
    CopyResult c;
    Status s = copy_folder(Env::posix(), data.str(), copy.str(), &c, &space);
    EXPECT_EQ(s.code(), Status::Code::kCancelled);
    EXPECT_EQ(s.message(), "Cópia encerrada sem terminar.");
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(c.tables.size(), 2u);
    EXPECT_GT(copied, 2);
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(copy.path)) {
        EXPECT_EQ(e.path().extension(), ".DBF") << e.path();
        ++files;
    }
    EXPECT_EQ(files, 2u);
}

TEST(Backup, TheOffSiteCopyReceivesTheArchivePathAsOneArgumentAndItsFailureIsNamed) {
    Dir data("dados  $(touch x) 'q'");
    seed(data.str(), {"ANA"});
    Archiver a{SystemProcesses::instance()};
    BackupResult b;
    ASSERT_TRUE(backup_folder(Env::posix(), a, data.str(), data.str(), &b).is_ok());
    // A real program: the copy lands where it sends it, the path passed whole.
    Dir remote("remoto");
    const std::string script = remote.str() + "/envia";
    std::ofstream(script) << "#!/bin/sh\ncp \"$1\" '" << remote.str() << "/'\n";
    fs::permissions(script, fs::perms::owner_all);
    ASSERT_TRUE(send_off_site(SystemProcesses::instance(), script, b.archive).is_ok());
    EXPECT_TRUE(fs::exists(remote.path / "IR_ZIP26.zip"));
    // A failing one: named with the archive, which stays.
    FakeProcesses fake;
    fake.result = Status::io_error("envia saiu com 3");
    Status s = send_off_site(fake, "/opt/envia", b.archive);
    EXPECT_EQ(s.code(), Status::Code::kIoError);
    EXPECT_EQ(s.message(), "A cópia externa de " + b.archive + " falhou: envia saiu com 3");
    ASSERT_EQ(fake.started.size(), 1u);
    EXPECT_EQ(fake.started[0], (std::vector<std::string>{"/opt/envia", b.archive}));
    EXPECT_TRUE(fs::exists(b.archive));
}

}  // namespace
}  // namespace vorn::maintenance
