#include "imgfile/file_access.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <vector>

namespace codaxe {

namespace {

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The superuser passes every permission check, but a file or folder that nobody may write was still made
// read-only on purpose, and a save must not quietly replace it.
bool may_write(const std::string& path, const struct stat& st) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;
  return ::geteuid() != 0 || (st.st_mode & 0222) != 0;
}

bool write_all(int fd, const unsigned char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

// A short name, so that a target whose own name is as long as the file system allows still has a
// temporary beside it; created with the mode a plain create would give (umask and default ACLs applied).
int create_temporary(const std::string& folder, std::string& name) {
  static std::atomic<unsigned> counter{0};
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  std::uint64_t seed =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (std::uint64_t(::getpid()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL + counter++;
    std::string suffix;
    std::uint64_t bits = seed >> 16;
    for (int i = 0; i < 6; ++i, bits /= 36) suffix += "abcdefghijklmnopqrstuvwxyz0123456789"[bits % 36];
    name = base + ".cdx" + suffix;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes the finished file over the target itself, keeping its inode and so every other name it has.
bool overwrite_in_place(int memory, const std::string& target) {
  struct stat st;
  if (::fstat(memory, &st) != 0) return false;
  const int out = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (out < 0) return false;
  const off_t size = st.st_size;
  // Reserving the space first keeps a full disk from cutting the file short half-way through.
  const int reserved = ::posix_fallocate(out, 0, size);
  bool ok = reserved == 0 || reserved == EOPNOTSUPP || reserved == EINVAL;
  std::vector<unsigned char> chunk(1 << 20);
  for (off_t at = 0; ok && at < size;) {
    const ssize_t got = ::pread(memory, chunk.data(), chunk.size(), at);
    if (got < 0 && errno == EINTR) continue;
    ok = got > 0 && ::lseek(out, at, SEEK_SET) == at &&
         write_all(out, chunk.data(), static_cast<std::size_t>(got));
    at += got;
  }
  ok = ok && ::ftruncate(out, size) == 0;
  return ::close(out) == 0 && ok;
}

}  // namespace

int open_regular_file(const std::string& path, OpenFailure* why) {
  *why = OpenFailure::None;
  // Non-blocking, so that a pipe named like an image cannot hang the open; fstat then turns it away.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    *why = OpenFailure::Missing;
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *why = OpenFailure::NotRegular;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::string follow_links(const std::string& path) {
  std::string at = path;
  // As many hops as the kernel allows; a loop ends here and fails at the open.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::vector<char> link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1);
    const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return at;
    std::string to(link.data(), static_cast<std::size_t>(n));
    at = to.front() == '/' ? to : folder_of(at) + "/" + to;
  }
  return at;
}

SaveAside::~SaveAside() {
  discard();
}

int SaveAside::begin(const std::string& name) {
  discard();
  target_ = follow_links(name);
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return -1;
  if (exists && (!S_ISREG(st.st_mode) || !may_write(target_, st))) return -1;

  if (exists && st.st_nlink > 1) {
    memory_ = ::memfd_create("codaxe-save", MFD_CLOEXEC);
    const int fd = memory_ < 0 ? -1 : ::fcntl(memory_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
      discard();
      return -1;
    }
    active_ = true;
    return fd;
  }

  // The temporary file lives in the target's folder so that the final rename stays on one file system.
  const std::string folder = folder_of(target_);
  struct stat fst;
  if (::stat(folder.c_str(), &fst) != 0 || !may_write(folder, fst)) return -1;
  const int fd = create_temporary(folder, temporary_);
  if (fd < 0) {
    temporary_.clear();
    return -1;
  }
  if (exists) {
    // Owner and group as far as we are allowed (the group alone when the owner is someone else), then the
    // mode, since a change of owner clears the set-id bits.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
      // Not ours to give away: the file becomes the saver's, as any editor's save would make it.
    }
    ::fchmod(fd, st.st_mode & 07777);
  }
  active_ = true;
  return fd;
}

bool SaveAside::commit(bool ok) {
  if (!active_) return false;
  bool done = false;
  if (ok) {
    done = memory_ >= 0 ? overwrite_in_place(memory_, target_)
                        : ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (done) temporary_.clear();
  }
  discard();
  return done;
}

void SaveAside::discard() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  if (memory_ >= 0) ::close(memory_);
  memory_ = -1;
  active_ = false;
}

}  // namespace codaxe
