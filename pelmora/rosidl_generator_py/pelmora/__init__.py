"""pelmora: the Features interface message for ROS 2.

pelmora.msg.Features is the message class. The extension modules
pelmora.pelmora_s__rosidl_typesupport_c, ..._fastrtps_c and
..._introspection_c hold the capsules that ROS 2 client libraries use to move
a Features object into the C record and back.
"""
