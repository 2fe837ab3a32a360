// Files, directories and byte-range locks as the storage engine sees them.
// PosixEnv is the real file system; FaultEnv wraps another Env and fails the Nth write-side
// operation (or every one from the Nth on, as a crash would) so tests can prove nothing is lost;
// a machine that stops also loses what was written since each file's last sync.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace vorn::store {

enum class LockType { kRead, kWrite };

// One open file description. Its locks belong to it, not to the process: closing another handle
// of the same file never drops them, and two handles in one process conflict like two processes.
class File {
  public:
    virtual ~File() = default;
    virtual const std::string& path() const = 0;

    // Reads up to n bytes at offset; *got < n only at the end of the file.
    [[nodiscard]] virtual Status read(uint64_t offset, char* buf, size_t n, size_t* got) = 0;
    [[nodiscard]] virtual Status write(uint64_t offset, std::string_view data) = 0;
    [[nodiscard]] virtual Status size(uint64_t* out) = 0;
    // Cuts the file to `size` bytes (or extends it with zeros).
    [[nodiscard]] virtual Status truncate(uint64_t size) = 0;
    [[nodiscard]] virtual Status sync() = 0;
    // Device and inode, to tell whether a path still names this file.
    [[nodiscard]] virtual Status identity(uint64_t* dev, uint64_t* ino) = 0;

    // Locks bytes [start, start + len). try_lock answers at once (Code::kLocked on conflict);
    // wait_lock waits for the lock; unlock releases exactly a range taken before.
    [[nodiscard]] virtual Status try_lock(uint64_t start, uint64_t len, LockType type) = 0;
    [[nodiscard]] virtual Status wait_lock(uint64_t start, uint64_t len, LockType type) = 0;
    [[nodiscard]] virtual Status unlock(uint64_t start, uint64_t len) = 0;
    // Whether another open file description holds a lock over some of [start, start + len) that
    // conflicts with one of `type`; answers at once and takes nothing.
    [[nodiscard]] virtual Status locked_elsewhere(uint64_t start, uint64_t len, LockType type,
                                                  bool* held) = 0;
};

// Whether a file written whole is forced to the disk before it takes its name (kSynced), or left
// for the caller to make durable later with one sync_filesystem over many files (kDeferred).
enum class Durability { kSynced, kDeferred };

// Forces every file directly in `dir`, then the folder's names, to the disk one by one: what a
// file-system sync amounts to on a network share, whose server makes a file durable only when
// that file is synced.
[[nodiscard]] Status sync_each_file(const std::string& dir);

enum class OpenFor {
    kRead,       // existing file, read only
    kReadWrite,  // existing file, read and write
};

class Env {
  public:
    virtual ~Env() = default;

    // Opens an existing file. A missing file gives Code::kNotFound.
    [[nodiscard]] virtual Status open(const std::string& path, OpenFor mode,
                                      std::unique_ptr<File>* out) = 0;
    // Creates a new empty file with a unique name in the directory of `near`, for writing a
    // replacement beside it. *temp_path receives its name.
    [[nodiscard]] virtual Status create_temp(const std::string& near, std::unique_ptr<File>* out,
                                             std::string* temp_path) = 0;
    // Renames `from` to `to`, replacing `to` when it exists.
    [[nodiscard]] virtual Status rename(const std::string& from, const std::string& to) = 0;
    // Renames `from` to `to` only when `to` does not exist; otherwise leaves both alone and sets
    // *existed (Status stays ok).
    [[nodiscard]] virtual Status rename_new(const std::string& from, const std::string& to,
                                            bool* existed) = 0;
    [[nodiscard]] virtual Status remove(const std::string& path) = 0;
    // Makes renames and removals in the directory durable.
    [[nodiscard]] virtual Status sync_dir(const std::string& dir) = 0;
    // Forces everything written on the file system that holds `dir` (files' data and names) to
    // the disk with one call: cheaper than a sync per file when many were written at once.
    [[nodiscard]] virtual Status sync_filesystem(const std::string& dir) = 0;
    // Names in a directory (no "." or "..").
    [[nodiscard]] virtual Status list(const std::string& dir, std::vector<std::string>* names) = 0;
    [[nodiscard]] virtual Status file_size(const std::string& path, uint64_t* size) = 0;
    [[nodiscard]] virtual Status identity(const std::string& path, uint64_t* dev,
                                          uint64_t* ino) = 0;
    virtual bool exists(const std::string& path) = 0;
    virtual bool is_directory(const std::string& path) = 0;

    // The process-wide real file system.
    static Env& posix();
};

// Directory part of a path ("." when there is none) and the last component.
std::string dir_of(std::string_view path);
std::string base_of(std::string_view path);
// dir + "/" + name (name alone when dir is empty).
std::string join_path(std::string_view dir, std::string_view name);

// Folders copied from Windows offices hold names in any case: finds `name` in `dir` without
// regard to ASCII case. Returns the path of the existing entry, or dir/name as spelled when there
// is none (the name to create it under).
std::string find_file(Env& env, std::string_view dir, std::string_view name);
// The same for a full path: only its last component is matched without regard to case.
std::string find_file(Env& env, std::string_view path);

// How the steps from a failing one on fail.
enum class Crash {
    kNone,     // only that step fails; the program goes on
    kProgram,  // the program is killed there: what it wrote before stays in the files
    kMachine,  // the machine stops there: what was written since a file's last sync is lost
};

// Wraps another Env and fails write-side operations on request. Every write, truncation, sync,
// temp-file creation, rename, removal and directory sync counts as one step, numbered from 1.
//
// Every write and truncation through it is remembered with the bytes it overwrote until the
// file (its inode, under whatever name) is synced. When a machine crash strikes, the files are
// put back as they were at their last sync, or, with tearing on, a part of the unsynced writes
// is kept (some whole, some only their first half, in an order a seed chooses), as a disk that
// writes back its cache out of order would leave them. Files written through another Env
// meanwhile are not followed.
class FaultEnv final : public Env {
  public:
    explicit FaultEnv(Env& inner);
    ~FaultEnv() override;

    // Step `n` fails (0 = none). With `crash`, every step from n on fails too, as when the
    // machine stops there.
    void fail_at(int n, bool crash) { fail_at(n, crash ? Crash::kMachine : Crash::kNone); }
    void fail_at(int n, Crash how) {
        fail_at_ = n;
        crash_ = how;
        steps_ = 0;
    }
    // A machine crash keeps a torn part of the unsynced writes instead of none; `seed` varies
    // which.
    void tear_unsynced(uint32_t seed) {
        tear_ = true;
        seed_ = seed;
    }
    int steps() const { return steps_; }
    bool failed() const { return fail_at_ > 0 && steps_ >= fail_at_; }
    // Syncs asked for so far, of files and of directories, failed ones included.
    int syncs() const { return syncs_; }
    // Called before every sync is passed on (a benchmark makes syncs slow with it).
    void on_sync(std::function<void()> f) { on_sync_ = std::move(f); }

    // Counts a step and says whether it must fail (used by the files it opens).
    bool step();

    Status open(const std::string& path, OpenFor mode, std::unique_ptr<File>* out) override;
    Status create_temp(const std::string& near, std::unique_ptr<File>* out,
                       std::string* temp_path) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status rename_new(const std::string& from, const std::string& to, bool* existed) override;
    Status remove(const std::string& path) override;
    Status sync_dir(const std::string& dir) override;
    Status sync_filesystem(const std::string& dir) override;
    Status list(const std::string& dir, std::vector<std::string>* names) override {
        return inner_.list(dir, names);
    }
    Status file_size(const std::string& path, uint64_t* size) override {
        return inner_.file_size(path, size);
    }
    Status identity(const std::string& path, uint64_t* dev, uint64_t* ino) override {
        return inner_.identity(path, dev, ino);
    }
    bool exists(const std::string& path) override { return inner_.exists(path); }
    bool is_directory(const std::string& path) override { return inner_.is_directory(path); }

    // What is written to one inode since its last sync (internal to the files it opens).
    struct Unsynced;

  private:
    friend class FaultFile;
    Status wrap(std::unique_ptr<File> inner, bool writable, std::unique_ptr<File>* out);
    bool count_sync();
    void lose_unsynced();

    Env& inner_;
    int fail_at_ = 0;
    Crash crash_ = Crash::kNone;
    int steps_ = 0;
    int syncs_ = 0;
    bool tear_ = false;
    uint32_t seed_ = 0;
    std::function<void()> on_sync_;
    std::vector<std::shared_ptr<Unsynced>> files_;
};

}  // namespace vorn::store
