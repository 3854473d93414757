// Marks what libpelmora_cv exports; the library is built with hidden
// visibility, so nothing else leaves it.
#ifndef PELMORA_CV__VISIBILITY_CONTROL_HPP_
#define PELMORA_CV__VISIBILITY_CONTROL_HPP_

#define PELMORA_CV_PUBLIC __attribute__((visibility("default")))

#endif  // PELMORA_CV__VISIBILITY_CONTROL_HPP_
