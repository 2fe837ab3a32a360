// Files, directories and byte-range locks as the storage engine sees them.
// PosixEnv is the real file system; FaultEnv wraps another Env and fails the Nth write-side
// operation (or every one from the Nth on, as a crash would) so tests can prove nothing is lost.
#pragma once

#include <cstdint>
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

// Wraps another Env and fails write-side operations on request. Every write, sync, temp-file
// creation, rename, removal and directory sync counts as one step, numbered from 1.
class FaultEnv final : public Env {
  public:
    explicit FaultEnv(Env& inner) : inner_(inner) {}

    // Step `n` fails (0 = none). With `crash`, every step from n on fails too, as when the machine
    // stops there: nothing after that point reaches the disk.
    void fail_at(int n, bool crash) {
        fail_at_ = n;
        crash_ = crash;
        steps_ = 0;
    }
    int steps() const { return steps_; }
    bool failed() const { return fail_at_ > 0 && steps_ >= fail_at_; }

    // Counts a step and says whether it must fail (used by the files it opens).
    bool step();

    Status open(const std::string& path, OpenFor mode, std::unique_ptr<File>* out) override;
    Status create_temp(const std::string& near, std::unique_ptr<File>* out,
                       std::string* temp_path) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status rename_new(const std::string& from, const std::string& to, bool* existed) override;
    Status remove(const std::string& path) override;
    Status sync_dir(const std::string& dir) override;
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

  private:
    Env& inner_;
    int fail_at_ = 0;
    bool crash_ = false;
    int steps_ = 0;
};

}  // namespace vorn::store
