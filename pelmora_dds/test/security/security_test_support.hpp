// Helpers of the security tests: a scratch folder removed on every exit
// path, and the openssl command run without a shell.
#ifndef PELMORA_TESTS__SECURITY_TEST_SUPPORT_HPP_
#define PELMORA_TESTS__SECURITY_TEST_SUPPORT_HPP_

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelmora_tests
{

class ScratchFolder
{
public:
  ScratchFolder()
  {
    const char * base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/pelmora-security-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a scratch folder");
    }
    path_ = pattern;
  }
  ~ScratchFolder()
  {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder & operator=(const ScratchFolder &) = delete;
  const std::filesystem::path & path() const {return path_;}

private:
  std::filesystem::path path_;
};

struct CommandResult
{
  int status = -1;     ///< exit status, -1 when it did not exit normally
  std::string output;  ///< standard output
  std::string errors;  ///< standard error
};

/// Runs `argv` (looked up on PATH, no shell) and collects both streams.
inline CommandResult run_command(const std::vector<std::string> & argv)
{
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {out[0], out[1], err[0], err[1]}) {
      close(fd);
    }
    std::vector<char *> args;
    for (const std::string & a : argv) {
      args.push_back(const_cast<char *>(a.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  CommandResult result;
  // Both pipes are drained together, so a child filling one never blocks.
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string * sinks[2] = {&result.output, &result.errors};
  int open_streams = 2;
  while (open_streams > 0 && poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) {
        continue;
      }
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_streams;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string read_text(const std::filesystem::path & path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// `text` without carriage returns: S/MIME hands signed text back with CRLF.
inline std::string without_cr(std::string text)
{
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__SECURITY_TEST_SUPPORT_HPP_
