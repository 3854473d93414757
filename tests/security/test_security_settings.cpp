// How the ROS 2 security variables and the enclave option decide whether a
// participant runs secured, and what a refusal says.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "security/keystore.hpp"
#include "security/settings.hpp"
#include "security_test_support.hpp"

namespace
{

namespace fs = std::filesystem;
using pelmora_dds::security::Resolution;
using pelmora_dds::security::resolve;
using pelmora_dds::security::SecurityEnvironment;

bool contains(const std::string & text, const std::string & part)
{
  return text.find(part) != std::string::npos;
}

class SecuritySettings : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    scratch_ = new pelmora_tests::ScratchFolder();
    pelmora_dds::security::create_keystore(keystore(), 0);
    pelmora_dds::security::create_enclave(keystore(), {"/", 0, {}, {}});
    pelmora_dds::security::create_enclave(keystore(), {"/robot/talker", 0, {"features"}, {}});
    // An enclave whose key was lost.
    pelmora_dds::security::create_enclave(keystore(), {"/keyless", 0, {}, {}});
    fs::remove(keystore() / "enclaves/keyless/key.pem");
  }
  static void TearDownTestSuite() {delete scratch_;}
  static fs::path keystore() {return scratch_->path() / "keystore";}

  static SecurityEnvironment enabled(const std::string & strategy = "Enforce")
  {
    return SecurityEnvironment{"true", strategy, keystore().string(), ""};
  }

  static pelmora_tests::ScratchFolder * scratch_;
};
pelmora_tests::ScratchFolder * SecuritySettings::scratch_ = nullptr;

TEST_F(SecuritySettings, OnlyTheExactWordTrueEnablesSecurity)
{
  for (const char * enable : {"", "TRUE", "True", "1", "yes", "true "}) {
    SecurityEnvironment environment = enabled();
    environment.enable = enable;
    const Resolution r = resolve(environment, "");
    ASSERT_TRUE(r.settings.has_value()) << enable;
    EXPECT_FALSE(r.settings->enabled) << enable;
    EXPECT_EQ(r.message, "") << enable;
  }
  const Resolution r = resolve(enabled(), "");
  ASSERT_TRUE(r.settings.has_value()) << r.message;
  EXPECT_TRUE(r.settings->enabled);
}

TEST_F(SecuritySettings, AnEnclaveWithoutEnabledSecuritySaysItIsNotUsed)
{
  const Resolution r = resolve(SecurityEnvironment{"", "Enforce", keystore().string(), ""}, "/robot/talker");
  ASSERT_TRUE(r.settings.has_value());
  EXPECT_FALSE(r.settings->enabled);
  EXPECT_TRUE(contains(r.message, "/robot/talker")) << r.message;
  EXPECT_TRUE(contains(r.message, "ROS_SECURITY_ENABLE")) << r.message;
}

TEST_F(SecuritySettings, OverrideBeatsTheOptionWhichBeatsTheRootEnclave)
{
  EXPECT_EQ(resolve(enabled(), "").settings->enclave, "/");
  EXPECT_EQ(resolve(enabled(), "/robot/talker").settings->enclave, "/robot/talker");
  SecurityEnvironment environment = enabled();
  environment.enclave_override = "/robot/talker";
  EXPECT_EQ(resolve(environment, "/elsewhere").settings->enclave, "/robot/talker");
}

TEST_F(SecuritySettings, FilesAreTheEnclavesAbsolutePathsInSecurityOrder)
{
  const Resolution r = resolve(enabled(), "/robot/talker");
  ASSERT_TRUE(r.settings.has_value()) << r.message;
  const fs::path folder = fs::absolute(keystore()) / "enclaves/robot/talker";
  const auto & f = r.settings->files;
  EXPECT_EQ(f.identity_ca, (folder / "identity_ca.cert.pem").string());
  EXPECT_EQ(f.certificate, (folder / "cert.pem").string());
  EXPECT_EQ(f.private_key, (folder / "key.pem").string());
  EXPECT_EQ(f.permissions_ca, (folder / "permissions_ca.cert.pem").string());
  EXPECT_EQ(f.governance, (folder / "governance.p7s").string());
  EXPECT_EQ(f.permissions, (folder / "permissions.p7s").string());
}

TEST_F(SecuritySettings, EnforceRefusesNamingExactlyWhatIsMissing)
{
  const Resolution keyless = resolve(enabled(), "/keyless");
  EXPECT_FALSE(keyless.settings.has_value());
  EXPECT_TRUE(contains(keyless.message, "key.pem")) << keyless.message;
  EXPECT_FALSE(contains(keyless.message, "cert.pem")) << keyless.message;
  EXPECT_TRUE(contains(keyless.message, "Enforce")) << keyless.message;

  const Resolution unknown = resolve(enabled(), "/nobody");
  EXPECT_FALSE(unknown.settings.has_value());
  EXPECT_TRUE(contains(unknown.message, "/nobody")) << unknown.message;

  SecurityEnvironment no_keystore = enabled();
  no_keystore.keystore = "";
  const Resolution r = resolve(no_keystore, "");
  EXPECT_FALSE(r.settings.has_value());
  EXPECT_TRUE(contains(r.message, "ROS_SECURITY_KEYSTORE")) << r.message;
}

// A link whose target is gone (an enclave folder copied without its
// keystore) is a missing file, not a present one.
TEST_F(SecuritySettings, DanglingLinksCountAsMissing)
{
  pelmora_tests::ScratchFolder copy;
  fs::create_directories(copy.path() / "enclaves");
  fs::copy(keystore() / "enclaves/robot", copy.path() / "enclaves/robot",
    fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const Resolution r = resolve(SecurityEnvironment{"true", "Enforce", copy.path().string(), ""}, "/robot/talker");
  EXPECT_FALSE(r.settings.has_value());
  EXPECT_TRUE(contains(r.message, "identity_ca.cert.pem, permissions_ca.cert.pem, governance.p7s"))
    << r.message;
}

TEST_F(SecuritySettings, AnyOtherStrategyRunsUnsecuredWithAWarning)
{
  for (const char * strategy : {"Permissive", "", "enforce", "ENFORCE"}) {
    const Resolution r = resolve(enabled(strategy), "/keyless");
    ASSERT_TRUE(r.settings.has_value()) << strategy;
    EXPECT_FALSE(r.settings->enabled) << strategy;
    EXPECT_TRUE(contains(r.message, "WITHOUT security")) << strategy << ": " << r.message;
  }
}

TEST_F(SecuritySettings, InvalidEnclaveNamesAreRefusedWhateverTheStrategy)
{
  EXPECT_FALSE(resolve(enabled("Permissive"), "robot").settings.has_value());
  SecurityEnvironment environment = enabled("Permissive");
  environment.enclave_override = "/a//b";
  const Resolution r = resolve(environment, "/robot/talker");
  EXPECT_FALSE(r.settings.has_value());
  EXPECT_TRUE(contains(r.message, "ROS_SECURITY_ENCLAVE_OVERRIDE")) << r.message;
}

}  // namespace
