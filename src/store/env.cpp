// POSIX files with open-file-description locks, and the fault-injecting wrapper.
#include "store/env.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace vorn::store {
namespace {

Status errno_status(const std::string& what, const std::string& path, int err) {
    std::string msg = what + " " + path + ": " + std::strerror(err);
    if (err == ENOENT) return Status::not_found(msg);
    return Status::io_error(msg);
}

class PosixFile final : public File {
  public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }
    const std::string& path() const override { return path_; }

    Status read(uint64_t offset, char* buf, size_t n, size_t* got) override {
        size_t done = 0;
        while (done < n) {
            ssize_t r = ::pread(fd_, buf + done, n - done, static_cast<off_t>(offset + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                return errno_status("falha ao ler", path_, errno);
            }
            if (r == 0) break;
            done += static_cast<size_t>(r);
        }
        *got = done;
        return Status::ok();
    }

    Status write(uint64_t offset, std::string_view data) override {
        size_t done = 0;
        while (done < data.size()) {
            ssize_t r = ::pwrite(fd_, data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                return errno_status("falha ao gravar", path_, errno);
            }
            done += static_cast<size_t>(r);
        }
        return Status::ok();
    }

    Status size(uint64_t* out) override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return errno_status("falha ao examinar", path_, errno);
        *out = static_cast<uint64_t>(st.st_size);
        return Status::ok();
    }

    Status truncate(uint64_t size) override {
        while (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            if (errno != EINTR) return errno_status("falha ao gravar", path_, errno);
        return Status::ok();
    }

    Status sync() override {
        if (::fdatasync(fd_) != 0) return errno_status("falha ao gravar", path_, errno);
        return Status::ok();
    }

    Status identity(uint64_t* dev, uint64_t* ino) override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return errno_status("falha ao examinar", path_, errno);
        *dev = st.st_dev;
        *ino = st.st_ino;
        return Status::ok();
    }

    Status try_lock(uint64_t start, uint64_t len, LockType type) override {
        return set_lock(F_OFD_SETLK, start, len, type == LockType::kRead ? F_RDLCK : F_WRLCK);
    }
    Status wait_lock(uint64_t start, uint64_t len, LockType type) override {
        return set_lock(F_OFD_SETLKW, start, len, type == LockType::kRead ? F_RDLCK : F_WRLCK);
    }
    Status unlock(uint64_t start, uint64_t len) override {
        return set_lock(F_OFD_SETLK, start, len, F_UNLCK);
    }
    Status locked_elsewhere(uint64_t start, uint64_t len, LockType type, bool* held) override {
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = type == LockType::kRead ? F_RDLCK : F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(start);
        fl.l_len = static_cast<off_t>(len);
        while (::fcntl(fd_, F_OFD_GETLK, &fl) != 0)
            if (errno != EINTR) return errno_status("falha ao examinar bloqueio de", path_, errno);
        *held = fl.l_type != F_UNLCK;
        return Status::ok();
    }

  private:
    Status set_lock(int cmd, uint64_t start, uint64_t len, short type) {
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(start);
        fl.l_len = static_cast<off_t>(len);
        fl.l_pid = 0;  // required for open-file-description locks
        for (;;) {
            if (::fcntl(fd_, cmd, &fl) == 0) return Status::ok();
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EACCES)
                return Status::locked(path_ + " bloqueado por outro usuário");
            return errno_status("falha ao bloquear", path_, errno);
        }
    }

    int fd_;
    std::string path_;
};

}  // namespace

Status sync_each_file(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return errno_status("falha ao ler a pasta", dir, errno);
    Status s;
    while (struct dirent* e = ::readdir(d)) {
        const std::string path = dir + "/" + e->d_name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;  // gone since it was listed, or not ours to read
        const int r = ::fsync(fd);
        const int err = errno;
        ::close(fd);
        if (r != 0 && s) s = errno_status("falha ao gravar", path, err);
    }
    ::closedir(d);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // a share may refuse it on a folder; its renames are synchronous
        ::close(fd);
    }
    return s;
}

namespace {

// File systems whose syncfs does not reach the server: NFS, SMB/CIFS (both dialects), FUSE.
bool network_file_system(long type) {
    switch (static_cast<unsigned long>(type)) {
        case 0x6969UL:      // NFS
        case 0x517BUL:      // SMB
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x65735546UL:  // FUSE
            return true;
        default:
            return false;
    }
}

class PosixEnv final : public Env {
  public:
    Status open(const std::string& path, OpenFor mode, std::unique_ptr<File>* out) override {
        int flags = (mode == OpenFor::kRead ? O_RDONLY : O_RDWR) | O_CLOEXEC;
        int fd = ::open(path.c_str(), flags);
        if (fd < 0) return errno_status("falha ao abrir", path, errno);
        *out = std::make_unique<PosixFile>(fd, path);
        return Status::ok();
    }

    Status create_temp(const std::string& near, std::unique_ptr<File>* out,
                       std::string* temp_path) override {
        static std::atomic<unsigned> counter{0};
        struct stat near_st;
        bool has_near = ::stat(near.c_str(), &near_st) == 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
            std::string name = near + "." + std::to_string(::getpid()) + "-" +
                               std::to_string(counter++) + "-" +
                               std::to_string(static_cast<unsigned>(tick) % 100000) + ".tmp";
            int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST) continue;
                return errno_status("falha ao criar", name, errno);
            }
            // The replacement keeps the permissions the office gave the file it replaces.
            if (has_near) (void)::fchmod(fd, near_st.st_mode & 07777);
            *out = std::make_unique<PosixFile>(fd, name);
            *temp_path = name;
            return Status::ok();
        }
        return Status::io_error("falha ao criar arquivo temporário junto a " + near);
    }

    Status rename(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0)
            return errno_status("falha ao renomear", from, errno);
        return Status::ok();
    }

    Status rename_new(const std::string& from, const std::string& to, bool* existed) override {
        *existed = false;
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return Status::ok();
        if (errno == EEXIST) {
            *existed = true;
            return Status::ok();
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            return errno_status("falha ao renomear", from, errno);
        // File systems without RENAME_NOREPLACE: a hard link fails when the name exists.
        if (::link(from.c_str(), to.c_str()) != 0) {
            if (errno == EEXIST) {
                *existed = true;
                return Status::ok();
            }
            return errno_status("falha ao renomear", from, errno);
        }
        ::unlink(from.c_str());
        return Status::ok();
    }

    Status remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0) return errno_status("falha ao apagar", path, errno);
        return Status::ok();
    }

    Status sync_dir(const std::string& dir) override {
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno_status("falha ao abrir", dir, errno);
        int r = ::fsync(fd);
        int err = errno;
        ::close(fd);
        // Some network file systems refuse fsync on a directory; their renames are synchronous.
        if (r != 0 && err != EINVAL && err != ENOTSUP)
            return errno_status("falha ao gravar", dir, err);
        return Status::ok();
    }

    Status sync_filesystem(const std::string& dir) override {
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno_status("falha ao abrir", dir, errno);
        struct statfs fs {};
        const bool network = ::fstatfs(fd, &fs) == 0 && network_file_system(fs.f_type);
        int r = network ? 0 : ::syncfs(fd);
        int err = errno;
        ::close(fd);
        if (r != 0) return errno_status("falha ao gravar", dir, err);
        // A share's client writes its pages back on syncfs but asks the server for durability
        // only on a file's own fsync: there each file of the folder is synced.
        return network ? sync_each_file(dir) : Status::ok();
    }

    Status list(const std::string& dir, std::vector<std::string>* names) override {
        names->clear();
        DIR* d = ::opendir(dir.c_str());
        if (!d) return errno_status("falha ao ler a pasta", dir, errno);
        while (struct dirent* e = ::readdir(d)) {
            std::string_view n = e->d_name;
            if (n == "." || n == "..") continue;
            names->emplace_back(n);
        }
        ::closedir(d);
        return Status::ok();
    }

    Status file_size(const std::string& path, uint64_t* size) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return errno_status("falha ao examinar", path, errno);
        *size = static_cast<uint64_t>(st.st_size);
        return Status::ok();
    }

    Status identity(const std::string& path, uint64_t* dev, uint64_t* ino) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return errno_status("falha ao examinar", path, errno);
        *dev = st.st_dev;
        *ino = st.st_ino;
        return Status::ok();
    }

    bool exists(const std::string& path) override {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }

    bool is_directory(const std::string& path) override {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
};

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

Env& Env::posix() {
    static PosixEnv env;
    return env;
}

std::string dir_of(std::string_view path) {
    size_t p = path.rfind('/');
    if (p == std::string_view::npos) return ".";
    if (p == 0) return "/";
    return std::string(path.substr(0, p));
}

std::string base_of(std::string_view path) {
    size_t p = path.rfind('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string join_path(std::string_view dir, std::string_view name) {
    if (dir.empty()) return std::string(name);
    std::string out(dir);
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

std::string find_file(Env& env, std::string_view dir, std::string_view name) {
    std::string exact = join_path(dir, name);
    if (env.exists(exact)) return exact;
    std::vector<std::string> names;
    if (env.list(dir.empty() ? std::string(".") : std::string(dir), &names))
        for (const auto& n : names)
            if (same_ignoring_case(n, name)) return join_path(dir, n);
    return exact;
}

std::string find_file(Env& env, std::string_view path) {
    size_t p = path.rfind('/');
    if (p == std::string_view::npos) return find_file(env, "", path);
    return find_file(env, path.substr(0, p == 0 ? 1 : p), path.substr(p + 1));
}

// ---------------------------------------------------------------------------------------------
// FaultEnv

struct FaultEnv::Unsynced {
    // One write or truncation not yet synced, with what it replaced.
    struct Change {
        bool truncation = false;
        uint64_t offset = 0;  // where the write began, or the size cut to
        std::string before;   // the bytes it overwrote or cut off
        std::string after;    // the bytes written
        uint64_t size_before = 0;
    };
    uint64_t dev = 0, ino = 0;
    // A description of the file's own, without locks, that outlives the program's handles: a
    // crash restores the file through it even after it was closed, renamed or removed.
    std::unique_ptr<File> keeper;
    std::vector<Change> changes;
};

namespace {

Status read_range(File& f, uint64_t offset, uint64_t end, std::string* out) {
    out->clear();
    if (end <= offset) return Status::ok();
    out->resize(end - offset);
    size_t got = 0;
    Status s = f.read(offset, out->data(), out->size(), &got);
    out->resize(got);
    return s;
}

}  // namespace

// A file opened through FaultEnv: its writes, truncations and syncs are steps, and what it
// changes is remembered until a sync.
class FaultFile final : public File {
  public:
    FaultFile(FaultEnv& env, std::unique_ptr<File> inner, std::shared_ptr<FaultEnv::Unsynced> u)
        : env_(env), inner_(std::move(inner)), u_(std::move(u)) {}
    const std::string& path() const override { return inner_->path(); }
    Status read(uint64_t offset, char* buf, size_t n, size_t* got) override {
        return inner_->read(offset, buf, n, got);
    }
    Status write(uint64_t offset, std::string_view data) override {
        if (env_.step()) return Status::io_error("falha simulada ao gravar " + path());
        FaultEnv::Unsynced::Change c;
        Status s = inner_->size(&c.size_before);
        if (s)
            s = read_range(*inner_, offset, std::min(offset + data.size(), c.size_before),
                           &c.before);
        if (s) s = inner_->write(offset, data);
        if (!s) return s;
        c.offset = offset;
        c.after = std::string(data);
        u_->changes.push_back(std::move(c));
        return Status::ok();
    }
    Status truncate(uint64_t size) override {
        if (env_.step()) return Status::io_error("falha simulada ao gravar " + path());
        FaultEnv::Unsynced::Change c;
        c.truncation = true;
        c.offset = size;
        Status s = inner_->size(&c.size_before);
        if (s) s = read_range(*inner_, size, c.size_before, &c.before);
        if (s) s = inner_->truncate(size);
        if (!s) return s;
        u_->changes.push_back(std::move(c));
        return Status::ok();
    }
    Status size(uint64_t* out) override { return inner_->size(out); }
    Status sync() override {
        if (env_.count_sync()) return Status::io_error("falha simulada ao gravar " + path());
        Status s = inner_->sync();
        if (s) u_->changes.clear();
        return s;
    }
    Status identity(uint64_t* dev, uint64_t* ino) override { return inner_->identity(dev, ino); }
    Status try_lock(uint64_t start, uint64_t len, LockType type) override {
        return inner_->try_lock(start, len, type);
    }
    Status wait_lock(uint64_t start, uint64_t len, LockType type) override {
        return inner_->wait_lock(start, len, type);
    }
    Status unlock(uint64_t start, uint64_t len) override { return inner_->unlock(start, len); }
    Status locked_elsewhere(uint64_t start, uint64_t len, LockType type, bool* held) override {
        return inner_->locked_elsewhere(start, len, type, held);
    }

  private:
    FaultEnv& env_;
    std::unique_ptr<File> inner_;
    std::shared_ptr<FaultEnv::Unsynced> u_;
};

FaultEnv::FaultEnv(Env& inner) : inner_(inner) {}
FaultEnv::~FaultEnv() = default;

bool FaultEnv::step() {
    ++steps_;
    if (fail_at_ <= 0) return false;
    if (crash_ == Crash::kNone) return steps_ == fail_at_;
    if (steps_ == fail_at_ && crash_ == Crash::kMachine) lose_unsynced();
    return steps_ >= fail_at_;
}

bool FaultEnv::count_sync() {
    ++syncs_;
    if (on_sync_) on_sync_();
    return step();
}

void FaultEnv::lose_unsynced() {
    uint32_t draw = seed_ * 2654435761u + 1;
    for (auto& u : files_) {
        if (u->changes.empty()) continue;
        if (!u->keeper) throw std::logic_error("unsynced writes to a file opened read-only");
        File& f = *u->keeper;
        auto must = [&](Status s) {
            if (!s) throw std::runtime_error("crash simulation: " + s.message());
        };
        // Back to the state of the last sync ...
        for (auto c = u->changes.rbegin(); c != u->changes.rend(); ++c) {
            if (!c->before.empty()) must(f.write(c->offset, c->before));
            must(f.truncate(c->size_before));
        }
        if (!tear_) {
            u->changes.clear();
            continue;
        }
        // ... then some of the writes since, whole or their first half.
        for (const auto& c : u->changes) {
            draw = draw * 1103515245u + 12345u;
            const uint32_t pick = (draw >> 16) % 3;
            if (pick == 2) continue;
            if (c.truncation) {
                must(f.truncate(c.offset));
            } else {
                std::string_view part = c.after;
                if (pick == 1) part = part.substr(0, (part.size() + 1) / 2);
                must(f.write(c.offset, part));
            }
        }
        u->changes.clear();
    }
}

Status FaultEnv::wrap(std::unique_ptr<File> inner, bool writable, std::unique_ptr<File>* out) {
    uint64_t dev = 0, ino = 0;
    Status s = inner->identity(&dev, &ino);
    if (!s) return s;
    std::shared_ptr<Unsynced> u;
    for (const auto& f : files_)
        if (f->dev == dev && f->ino == ino) u = f;
    if (!u) {
        u = std::make_shared<Unsynced>();
        u->dev = dev;
        u->ino = ino;
        files_.push_back(u);
    }
    if (writable && !u->keeper) {
        s = inner_.open(inner->path(), OpenFor::kReadWrite, &u->keeper);
        uint64_t d = 0, i = 0;
        if (s) s = u->keeper->identity(&d, &i);
        if (s && (d != dev || i != ino)) s = Status::io_error(inner->path() + " trocado");
        if (!s) {
            u->keeper.reset();
            return s;
        }
    }
    *out = std::make_unique<FaultFile>(*this, std::move(inner), std::move(u));
    return Status::ok();
}

Status FaultEnv::open(const std::string& path, OpenFor mode, std::unique_ptr<File>* out) {
    std::unique_ptr<File> inner;
    Status s = inner_.open(path, mode, &inner);
    if (!s) return s;
    return wrap(std::move(inner), mode == OpenFor::kReadWrite, out);
}

Status FaultEnv::create_temp(const std::string& near, std::unique_ptr<File>* out,
                             std::string* temp_path) {
    if (step()) return Status::io_error("falha simulada ao criar junto a " + near);
    std::unique_ptr<File> inner;
    Status s = inner_.create_temp(near, &inner, temp_path);
    if (!s) return s;
    return wrap(std::move(inner), true, out);
}

Status FaultEnv::rename(const std::string& from, const std::string& to) {
    if (step()) return Status::io_error("falha simulada ao renomear " + from);
    return inner_.rename(from, to);
}

Status FaultEnv::rename_new(const std::string& from, const std::string& to, bool* existed) {
    if (step()) return Status::io_error("falha simulada ao renomear " + from);
    return inner_.rename_new(from, to, existed);
}

Status FaultEnv::remove(const std::string& path) {
    if (step()) return Status::io_error("falha simulada ao apagar " + path);
    return inner_.remove(path);
}

Status FaultEnv::sync_dir(const std::string& dir) {
    if (count_sync()) return Status::io_error("falha simulada ao gravar " + dir);
    return inner_.sync_dir(dir);
}

Status FaultEnv::sync_filesystem(const std::string& dir) {
    if (count_sync()) return Status::io_error("falha simulada ao gravar " + dir);
    Status s = inner_.sync_filesystem(dir);
    // The files followed here are taken to live on that one file system.
    if (s)
        for (auto& u : files_) u->changes.clear();
    return s;
}

}  // namespace vorn::store
