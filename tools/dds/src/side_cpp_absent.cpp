// Built instead of side_cpp.cpp when the C++ message libraries are not part
// of the build.
#include "sides.hpp"

namespace pelmora_dds
{

const Side * cpp_side()
{
  return nullptr;
}

}  // namespace pelmora_dds
