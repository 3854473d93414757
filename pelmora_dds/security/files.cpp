#include "security/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "security/credentials.hpp"

namespace pelmora_dds::security
{

namespace fs = std::filesystem;

namespace
{

[[noreturn]] void fail_errno(const std::string & what, const fs::path & path)
{
  throw KeystoreError(what + " " + path.string() + ": " + std::strerror(errno));
}

// The name a new file takes before it is renamed over `path`.
fs::path temporary_beside(const fs::path & path)
{
  return path.string() + ".tmp-" + std::to_string(getpid());
}

void rename_over(const fs::path & from, const fs::path & to)
{
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    const int saved = errno;
    unlink(from.c_str());
    errno = saved;
    fail_errno("cannot replace", to);
  }
}

}  // namespace

void write_file(const fs::path & path, const std::string & contents, mode_t mode)
{
  const fs::path temporary = temporary_beside(path);
  unlink(temporary.c_str());  // a leftover of a killed run
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    fail_errno("cannot create", temporary);
  }
  const char * data = contents.data();
  size_t left = contents.size();
  bool ok = fchmod(fd, mode) == 0;
  while (ok && left > 0) {
    const ssize_t written = write(fd, data, left);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    ok = written > 0;
    if (ok) {
      data += written;
      left -= static_cast<size_t>(written);
    }
  }
  const int saved = errno;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(temporary.c_str());
    errno = saved;
    fail_errno("cannot write", path);
  }
  rename_over(temporary, path);
}

void link_relative(const fs::path & link, const fs::path & target)
{
  const fs::path relative = target.lexically_relative(link.parent_path());
  const fs::path temporary = temporary_beside(link);
  unlink(temporary.c_str());
  if (symlink(relative.c_str(), temporary.c_str()) != 0) {
    fail_errno("cannot link", link);
  }
  rename_over(temporary, link);
}

void make_directory(const fs::path & path, mode_t mode)
{
  std::error_code error;
  if (path.has_parent_path()) {
    fs::create_directories(path.parent_path(), error);
  }
  if (error) {
    throw KeystoreError("cannot create the folder " + path.parent_path().string() + ": " + error.message());
  }
  // mkdir applies the umask; chmod then sets exactly `mode` on the new folder.
  if (mkdir(path.c_str(), mode) == 0) {
    if (chmod(path.c_str(), mode) != 0) {
      fail_errno("cannot set the permissions of", path);
    }
  } else if (errno != EEXIST || !fs::is_directory(path)) {
    fail_errno("cannot create the folder", path);
  }
}

}  // namespace pelmora_dds::security
