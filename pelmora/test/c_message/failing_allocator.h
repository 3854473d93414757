// A malloc interposer for tests: the program's own malloc, calloc, realloc
// and free replace the C library's for every library in the process, so the
// rcutils default allocator can be made to fail on demand.
#ifndef PELMORA_TESTS__FAILING_ALLOCATOR_H_
#define PELMORA_TESTS__FAILING_ALLOCATOR_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C"
{
#endif

/// From now on let `successes` allocations succeed, then fail every one.
void failing_allocator_arm(size_t successes);
/// Back to normal; returns the number of allocations that failed.
size_t failing_allocator_disarm(void);
/// Allocations minus frees of non-null pointers since the last arm.
long failing_allocator_outstanding(void);

#ifdef __cplusplus
}
#endif

#endif  // PELMORA_TESTS__FAILING_ALLOCATOR_H_
