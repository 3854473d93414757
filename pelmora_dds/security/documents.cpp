#include "security/documents.hpp"

#include <sstream>

namespace pelmora_dds::security
{

namespace
{

// Topic names and enclave names are checked before they get here and hold
// no character XML would need escaped.
void write_topics(std::ostream & out, const char * element, const std::vector<std::string> & topics)
{
  if (topics.empty()) {
    return;
  }
  out << "        <" << element << ">\n          <topics>\n";
  for (const std::string & topic : topics) {
    out << "            <topic>" << topic << "</topic>\n";
  }
  out << "          </topics>\n        </" << element << ">\n";
}

void write_allow_rule(
  std::ostream & out, uint32_t domain, const std::vector<std::string> & publish,
  const std::vector<std::string> & subscribe)
{
  out << "      <allow_rule>\n"
      << "        <domains>\n          <id>" << domain << "</id>\n        </domains>\n";
  write_topics(out, "publish", publish);
  write_topics(out, "subscribe", subscribe);
  out << "      </allow_rule>\n";
}

}  // namespace

std::string governance_document(uint32_t domain)
{
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<dds xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
    "     xsi:noNamespaceSchemaLocation="
    "\"http://www.omg.org/spec/DDS-SECURITY/20170901/omg_shared_ca_governance.xsd\">\n"
    "  <domain_access_rules>\n"
    "    <domain_rule>\n"
    "      <domains>\n"
    "        <id>" << domain << "</id>\n"
    "      </domains>\n"
    "      <allow_unauthenticated_participants>false</allow_unauthenticated_participants>\n"
    "      <enable_join_access_control>true</enable_join_access_control>\n"
    "      <discovery_protection_kind>ENCRYPT</discovery_protection_kind>\n"
    "      <liveliness_protection_kind>ENCRYPT</liveliness_protection_kind>\n"
    "      <rtps_protection_kind>SIGN</rtps_protection_kind>\n"
    "      <topic_access_rules>\n"
    "        <topic_rule>\n"
    "          <topic_expression>*</topic_expression>\n"
    "          <enable_discovery_protection>true</enable_discovery_protection>\n"
    "          <enable_liveliness_protection>true</enable_liveliness_protection>\n"
    "          <enable_read_access_control>true</enable_read_access_control>\n"
    "          <enable_write_access_control>true</enable_write_access_control>\n"
    "          <metadata_protection_kind>ENCRYPT</metadata_protection_kind>\n"
    "          <data_protection_kind>ENCRYPT</data_protection_kind>\n"
    "        </topic_rule>\n"
    "      </topic_access_rules>\n"
    "    </domain_rule>\n"
    "  </domain_access_rules>\n"
    "</dds>\n";
  return out.str();
}

std::string permissions_document(const Grant & grant)
{
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<dds xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
    "     xsi:noNamespaceSchemaLocation="
    "\"http://www.omg.org/spec/DDS-SECURITY/20170901/omg_shared_ca_permissions.xsd\">\n"
    "  <permissions>\n"
    "    <grant name=\"" << grant.enclave << "\">\n"
    "      <subject_name>CN=" << grant.enclave << "</subject_name>\n"
    "      <validity>\n"
    "        <not_before>" << iso8601(grant.validity.not_before) << "</not_before>\n"
    "        <not_after>" << iso8601(grant.validity.not_after) << "</not_after>\n"
    "      </validity>\n";
  write_allow_rule(out, grant.domain, grant.publish, grant.subscribe);
  // ROS 2 nodes announce their graph on this topic; without it a ROS node
  // run in this enclave could not start.
  write_allow_rule(out, grant.domain, {"ros_discovery_info"}, {"ros_discovery_info"});
  out << "      <default>DENY</default>\n"
    "    </grant>\n"
    "  </permissions>\n"
    "</dds>\n";
  return out.str();
}

std::string iso8601(std::time_t when)
{
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  return text;
}

}  // namespace pelmora_dds::security
