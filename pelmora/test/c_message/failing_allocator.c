#include "failing_allocator.h"

#include <stdbool.h>

// glibc's own entry points, reached without going through the interposers.
extern void * __libc_malloc(size_t size);
extern void * __libc_calloc(size_t count, size_t size);
extern void * __libc_realloc(void * pointer, size_t size);
extern void __libc_free(void * pointer);

static bool armed;
static size_t remaining;
static size_t failures;
static long outstanding;

void failing_allocator_arm(size_t successes)
{
  remaining = successes;
  failures = 0;
  outstanding = 0;
  armed = true;
}

size_t failing_allocator_disarm(void)
{
  armed = false;
  return failures;
}

long failing_allocator_outstanding(void)
{
  return outstanding;
}

// True when the next allocation must fail.
static bool should_fail(void)
{
  if (!armed) {
    return false;
  }
  if (remaining == 0) {
    ++failures;
    return true;
  }
  --remaining;
  return false;
}

static void * counted(void * pointer)
{
  if (armed && pointer) {
    ++outstanding;
  }
  return pointer;
}

#define INTERPOSED __attribute__((visibility("default")))

INTERPOSED void * malloc(size_t size)
{
  return should_fail() ? NULL : counted(__libc_malloc(size));
}

INTERPOSED void * calloc(size_t count, size_t size)
{
  return should_fail() ? NULL : counted(__libc_calloc(count, size));
}

INTERPOSED void * realloc(void * pointer, size_t size)
{
  if (should_fail()) {
    return NULL;
  }
  void * moved = __libc_realloc(pointer, size);
  // A realloc of null is an allocation; of a live block it moves it.
  return pointer ? moved : counted(moved);
}

INTERPOSED void free(void * pointer)
{
  if (armed && pointer) {
    --outstanding;
  }
  __libc_free(pointer);
}
