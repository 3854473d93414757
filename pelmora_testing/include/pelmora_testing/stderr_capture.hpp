// Capture of what the code under test writes to the standard error stream.
#ifndef PELMORA_TESTS__STDERR_CAPTURE_HPP_
#define PELMORA_TESTS__STDERR_CAPTURE_HPP_

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace pelmora_tests
{

/// Everything written to file descriptor 2 between construction and text().
///
/// Mechanism: file descriptor 2 is pointed (dup2) at an in-memory file and
/// pointed back by text() or the destructor. Every writer lands there,
/// whichever FILE or library it writes through, and nothing is allocated
/// while the capture runs: the C library's stderr stream is unbuffered, so a
/// write goes straight to the descriptor. That keeps the capture usable under
/// a failing allocator, where a stream growing in memory could not grow. The
/// in-memory file is made once per process and emptied by each capture, so
/// the decoder checks can capture around every one of thousands of calls.
/// One capture at a time, on one thread.
class StderrCapture
{
public:
  StderrCapture()
  : saved_(dup(2))
  {
    if (saved_ < 0 || ftruncate(sink(), 0) != 0 || lseek(sink(), 0, SEEK_SET) != 0) {
      std::abort();
    }
    std::fflush(stderr);
    dup2(sink(), 2);
  }

  ~StderrCapture() {restore();}

  StderrCapture(const StderrCapture &) = delete;
  StderrCapture & operator=(const StderrCapture &) = delete;

  /// Ends the capture (if still running) and returns what it caught.
  std::string text()
  {
    restore();
    std::string text;
    char block[4096];
    for (off_t offset = 0;; ) {
      const ssize_t count = pread(sink(), block, sizeof(block), offset);
      if (count <= 0) {
        return text;
      }
      text.append(block, static_cast<size_t>(count));
      offset += count;
    }
  }

private:
  static int sink()
  {
    static const int file = memfd_create("pelmora-stderr-capture", MFD_CLOEXEC);
    if (file < 0) {
      std::abort();
    }
    return file;
  }

  void restore()
  {
    if (saved_ >= 0) {
      std::fflush(stderr);
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
    }
  }

  int saved_;
};

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__STDERR_CAPTURE_HPP_
