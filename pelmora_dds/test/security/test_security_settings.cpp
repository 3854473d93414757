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

// What resolving gives for `environment` and the enclave asked for.
struct Outcome
{
  Resolution resolution;
  pelmora_dds::SecuritySettings settings;
  bool refused() const {return resolution.refused;}
  const std::string & message() const {return resolution.message;}
};

Outcome resolved(const SecurityEnvironment & environment, const std::string & enclave)
{
  Outcome outcome;
  outcome.settings.enclave = enclave;
  outcome.resolution = resolve(environment, &outcome.settings);
  return outcome;
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
    const Outcome o = resolved(environment, "");
    EXPECT_FALSE(o.refused()) << enable;
    EXPECT_FALSE(o.settings.enabled) << enable;
    EXPECT_EQ(o.message(), "") << enable;
  }
  const Outcome o = resolved(enabled(), "");
  EXPECT_FALSE(o.refused()) << o.message();
  EXPECT_TRUE(o.settings.enabled);
}

TEST_F(SecuritySettings, AnEnclaveWithoutEnabledSecuritySaysItIsNotUsed)
{
  const Outcome o = resolved(SecurityEnvironment{"", "Enforce", keystore().string(), ""}, "/robot/talker");
  EXPECT_FALSE(o.refused());
  EXPECT_FALSE(o.settings.enabled);
  EXPECT_TRUE(contains(o.message(), "/robot/talker")) << o.message();
  EXPECT_TRUE(contains(o.message(), "ROS_SECURITY_ENABLE")) << o.message();
}

TEST_F(SecuritySettings, OverrideBeatsTheOptionWhichBeatsTheRootEnclave)
{
  EXPECT_EQ(resolved(enabled(), "").settings.enclave_used, "/");
  EXPECT_EQ(resolved(enabled(), "/robot/talker").settings.enclave_used, "/robot/talker");
  SecurityEnvironment environment = enabled();
  environment.enclave_override = "/robot/talker";
  const Outcome o = resolved(environment, "/elsewhere");
  EXPECT_EQ(o.settings.enclave_used, "/robot/talker");
  EXPECT_EQ(o.settings.enclave, "/elsewhere");
}

TEST_F(SecuritySettings, FilesAreTheEnclavesAbsolutePathsInSecurityOrder)
{
  const Outcome o = resolved(enabled(), "/robot/talker");
  ASSERT_FALSE(o.refused()) << o.message();
  const fs::path folder = fs::absolute(keystore()) / "enclaves/robot/talker";
  const auto & f = o.settings.files;
  EXPECT_EQ(f.identity_ca, (folder / "identity_ca.cert.pem").string());
  EXPECT_EQ(f.certificate, (folder / "cert.pem").string());
  EXPECT_EQ(f.private_key, (folder / "key.pem").string());
  EXPECT_EQ(f.permissions_ca, (folder / "permissions_ca.cert.pem").string());
  EXPECT_EQ(f.governance, (folder / "governance.p7s").string());
  EXPECT_EQ(f.permissions, (folder / "permissions.p7s").string());
}

TEST_F(SecuritySettings, EnforceRefusesNamingExactlyWhatIsMissing)
{
  const Outcome keyless = resolved(enabled(), "/keyless");
  EXPECT_TRUE(keyless.refused());
  EXPECT_FALSE(keyless.settings.enabled);
  EXPECT_TRUE(contains(keyless.message(), "key.pem")) << keyless.message();
  EXPECT_FALSE(contains(keyless.message(), "cert.pem")) << keyless.message();
  EXPECT_TRUE(contains(keyless.message(), "Enforce")) << keyless.message();

  const Outcome unknown = resolved(enabled(), "/nobody");
  EXPECT_TRUE(unknown.refused());
  EXPECT_TRUE(contains(unknown.message(), "/nobody")) << unknown.message();

  SecurityEnvironment no_keystore = enabled();
  no_keystore.keystore = "";
  const Outcome o = resolved(no_keystore, "");
  EXPECT_TRUE(o.refused());
  EXPECT_TRUE(contains(o.message(), "ROS_SECURITY_KEYSTORE")) << o.message();
}

// A link whose target is gone (an enclave folder copied without its
// keystore) is a missing file, not a present one.
TEST_F(SecuritySettings, DanglingLinksCountAsMissing)
{
  pelmora_tests::ScratchFolder copy;
  fs::create_directories(copy.path() / "enclaves");
  fs::copy(keystore() / "enclaves/robot", copy.path() / "enclaves/robot",
    fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const Outcome o = resolved(SecurityEnvironment{"true", "Enforce", copy.path().string(), ""}, "/robot/talker");
  EXPECT_TRUE(o.refused());
  EXPECT_TRUE(contains(o.message(), "identity_ca.cert.pem, permissions_ca.cert.pem, governance.p7s"))
    << o.message();
}

TEST_F(SecuritySettings, AnyOtherStrategyRunsUnsecuredWithAWarning)
{
  for (const char * strategy : {"Permissive", "", "enforce", "ENFORCE"}) {
    const Outcome o = resolved(enabled(strategy), "/keyless");
    EXPECT_FALSE(o.refused()) << strategy;
    EXPECT_FALSE(o.settings.enabled) << strategy;
    EXPECT_TRUE(o.settings.files.certificate.empty()) << strategy;
    EXPECT_TRUE(contains(o.message(), "WITHOUT security")) << strategy << ": " << o.message();
  }
}

TEST_F(SecuritySettings, InvalidEnclaveNamesAreRefusedWhateverTheStrategy)
{
  EXPECT_TRUE(resolved(enabled("Permissive"), "robot").refused());
  SecurityEnvironment environment = enabled("Permissive");
  environment.enclave_override = "/a//b";
  const Outcome o = resolved(environment, "/robot/talker");
  EXPECT_TRUE(o.refused());
  EXPECT_TRUE(contains(o.message(), "ROS_SECURITY_ENCLAVE_OVERRIDE")) << o.message();
}

}  // namespace
