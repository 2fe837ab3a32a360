// The fault-injecting file layer: what a killed program and a stopped machine leave in the files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "store/env.h"
#include "store_test_util.h"

namespace vorn::store {
namespace {

using testing::slurp;
using testing::spit;
using testing::TempDir;

std::unique_ptr<File> open_rw(Env& env, const std::string& path) {
    std::unique_ptr<File> f;
    EXPECT_TRUE(env.open(path, OpenFor::kReadWrite, &f).is_ok());
    return f;
}

// A file synced as "0123456789", then overwritten in the middle, extended and cut short again,
// none of which is synced; then one more step that crashes as `how` says.
std::string after_crash(Crash how, bool torn = false, uint32_t seed = 0) {
    TempDir dir;
    const std::string path = dir.file("F.DAT");
    spit(path, "");
    FaultEnv env(Env::posix());
    if (torn) env.tear_unsynced(seed);
    auto f = open_rw(env, path);
    EXPECT_OK(f->write(0, "0123456789"));
    EXPECT_OK(f->sync());
    EXPECT_OK(f->write(2, "abcd"));
    EXPECT_OK(f->write(10, "XYZXYZ"));
    EXPECT_OK(f->truncate(14));
    env.fail_at(1, how);
    EXPECT_FALSE(f->write(0, "!").is_ok());
    if (how != Crash::kNone) {
        EXPECT_FALSE(f->sync().is_ok());  // nothing more reaches the disk
    }
    return slurp(path);
}

TEST(FaultEnv, AKilledProgramKeepsEveryWriteAndAStoppedMachineOnlyWhatWasSynced) {
    EXPECT_EQ(after_crash(Crash::kProgram), "01abcd6789XYZX");
    EXPECT_EQ(after_crash(Crash::kNone), "01abcd6789XYZX");  // and synced after the failure
    EXPECT_EQ(after_crash(Crash::kMachine), "0123456789");
}

TEST(FaultEnv, TornWritesKeepPiecesOfTheUnsyncedOnes) {
    std::set<std::string> seen;
    for (uint32_t seed = 0; seed < 40; ++seed) {
        std::string got = after_crash(Crash::kMachine, true, seed);
        // The synced bytes stay unless an unsynced write covered them.
        ASSERT_GE(got.size(), 10u) << got;
        EXPECT_EQ(got.substr(0, 2), "01");
        EXPECT_EQ(got.substr(6, 4), "6789");
        seen.insert(got);
    }
    // Some crashes keep a part, some the whole, some nothing.
    EXPECT_TRUE(seen.count("0123456789"));
    EXPECT_GE(seen.size(), 4u);
    bool half = false;
    for (const auto& g : seen) half = half || g.substr(2, 4) == "ab45";
    EXPECT_TRUE(half);
}

// A file written under a temporary name, closed and renamed without a sync loses its contents
// at a crash, whatever its name by then; one synced keeps them.
TEST(FaultEnv, UnsyncedDataFollowsTheFileThroughCloseAndRename) {
    for (bool synced : {false, true}) {
        TempDir dir;
        FaultEnv env(Env::posix());
        std::unique_ptr<File> tmp;
        std::string tmp_path;
        ASSERT_OK(env.create_temp(dir.file("T.DBF"), &tmp, &tmp_path));
        ASSERT_OK(tmp->write(0, "contents"));
        if (synced) ASSERT_OK(tmp->sync());
        tmp.reset();
        ASSERT_OK(env.rename(tmp_path, dir.file("T.DBF")));
        env.fail_at(1, Crash::kMachine);
        EXPECT_FALSE(env.sync_dir(dir.path()).is_ok());
        EXPECT_EQ(slurp(dir.file("T.DBF")), synced ? "contents" : "") << synced;
    }
}

TEST(FaultEnv, SyncingTheFileSystemKeepsEveryFileAndSyncsAreCounted) {
    TempDir dir;
    spit(dir.file("A"), "");
    spit(dir.file("B"), "");
    FaultEnv env(Env::posix());
    auto a = open_rw(env, dir.file("A"));
    auto b = open_rw(env, dir.file("B"));
    ASSERT_OK(a->write(0, "aaa"));
    ASSERT_OK(b->write(0, "bbb"));
    ASSERT_OK(env.sync_filesystem(dir.path()));
    ASSERT_OK(b->write(0, "c"));
    int slept = 0;
    env.on_sync([&] { ++slept; });
    ASSERT_OK(a->sync());
    EXPECT_EQ(env.syncs(), 2);
    EXPECT_EQ(slept, 1);
    env.fail_at(1, Crash::kMachine);
    EXPECT_FALSE(a->write(0, "x").is_ok());
    EXPECT_EQ(slurp(dir.file("A")), "aaa");
    EXPECT_EQ(slurp(dir.file("B")), "bbb");
}

// The share's way of syncing a folder: every file in it, skipping what is not a file, and a
// missing folder said as such rather than taken as synced.
TEST(SyncEachFile, SyncsTheFilesOfAFolderAndTellsAMissingOne) {
    TempDir dir;
    spit(dir.file("A.DBF"), "a");
    spit(dir.file("A.CDX"), "b");
    ASSERT_EQ(::mkdir(dir.file("TMP").c_str(), 0755), 0);
    EXPECT_OK(sync_each_file(dir.path()));
    EXPECT_EQ(sync_each_file(dir.file("NONE")).code(), Status::Code::kNotFound);
}

}  // namespace
}  // namespace vorn::store
