#include "security/settings.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "security/keystore.hpp"
#include "security/names.hpp"

namespace pelmora_dds::security
{

namespace fs = std::filesystem;

namespace
{

std::string variable(const char * name)
{
  const char * value = std::getenv(name);
  return value == nullptr ? "" : value;
}

bool readable_file(const fs::path & path)
{
  std::error_code error;
  return fs::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

// What is missing for `enclave` in the keystore, or empty when nothing is;
// fills `files` with the enclave's paths.
std::string missing_files(const std::string & keystore, const std::string & enclave, SecurityFiles * files)
{
  if (keystore.empty()) {
    return "ROS_SECURITY_KEYSTORE is not set";
  }
  const fs::path folder = enclave_directory(fs::absolute(keystore), enclave);
  std::string * const slots[] = {
    &files->identity_ca, &files->certificate, &files->private_key,
    &files->permissions_ca, &files->governance, &files->permissions};
  static_assert(std::size(slots) == kEnclaveFiles.size());
  std::string missing;
  for (size_t i = 0; i < kEnclaveFiles.size(); ++i) {
    *slots[i] = (folder / kEnclaveFiles[i]).string();
    if (!readable_file(*slots[i])) {
      missing += std::string(missing.empty() ? "" : ", ") + kEnclaveFiles[i];
    }
  }
  if (missing.empty()) {
    return "";
  }
  return "enclave " + enclave + " has no readable " + missing + " in " + folder.string();
}

}  // namespace

SecurityEnvironment SecurityEnvironment::from_process()
{
  return SecurityEnvironment{
    variable("ROS_SECURITY_ENABLE"), variable("ROS_SECURITY_STRATEGY"),
    variable("ROS_SECURITY_KEYSTORE"), variable("ROS_SECURITY_ENCLAVE_OVERRIDE")};
}

Resolution resolve(const SecurityEnvironment & environment, SecuritySettings * settings)
{
  settings->enabled = false;
  settings->enclave_used.clear();
  settings->files = SecurityFiles{};
  if (environment.enable != "true") {
    if (settings->enclave.empty()) {
      return Resolution{};
    }
    return Resolution{false, "enclave " + settings->enclave +
      " not used: ROS_SECURITY_ENABLE is not \"true\", running without security"};
  }
  const bool overridden = !environment.enclave_override.empty();
  const std::string enclave = overridden ? environment.enclave_override :
    settings->enclave.empty() ? "/" : settings->enclave;
  const std::string problem = enclave_name_problem(enclave);
  if (!problem.empty()) {
    return Resolution{true,
      "enclave \"" + enclave + "\"" + (overridden ? " of ROS_SECURITY_ENCLAVE_OVERRIDE" : "") +
      " is not an enclave name: " + problem};
  }
  SecurityFiles files;
  const std::string missing = missing_files(environment.keystore, enclave, &files);
  if (missing.empty()) {
    settings->enabled = true;
    settings->enclave_used = enclave;
    settings->files = files;
    return Resolution{};
  }
  if (environment.strategy == "Enforce") {
    return Resolution{true,
      "security is enforced (ROS_SECURITY_STRATEGY=Enforce) but " + missing + "; not starting"};
  }
  return Resolution{false,
    missing + "; running WITHOUT security (set ROS_SECURITY_STRATEGY=Enforce to refuse instead)"};
}

}  // namespace pelmora_dds::security
