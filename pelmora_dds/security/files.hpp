// Writing keystore files so that a peer reading them meanwhile sees the old
// file or the new one, never half of one.
#ifndef PELMORA_DDS__SECURITY__FILES_HPP_
#define PELMORA_DDS__SECURITY__FILES_HPP_

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace pelmora_dds::security
{

/// Writes `contents` to `path` with permission bits `mode` (the umask does
/// not widen or narrow them), replacing any file there. Throws KeystoreError.
void write_file(const std::filesystem::path & path, const std::string & contents, mode_t mode);

/// Makes `link` a symbolic link to `target` by the relative path from the
/// link's folder, replacing any link or file there. Both paths must be
/// spelled from the same base. Throws KeystoreError.
void link_relative(const std::filesystem::path & link, const std::filesystem::path & target);

/// Makes `path` and its missing parents; `path` gets `mode` when it is
/// made here, an existing folder is left as it is. Throws KeystoreError.
void make_directory(const std::filesystem::path & path, mode_t mode);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__FILES_HPP_
