"""The fields of Features as the Python tests, fuzzer and benchmark name
them, taken from the message class's own field list."""

from pelmora.msg import Features

_FIELD_TYPES = Features.get_fields_and_field_types()

FIELDS = tuple(_FIELD_TYPES)
SCALAR_FIELDS = tuple(f for f in FIELDS if _FIELD_TYPES[f] == 'uint32')
UINT32_FIELDS = tuple(f for f in FIELDS if _FIELD_TYPES[f] == 'sequence<uint32>')
FLOAT_FIELDS = tuple(f for f in FIELDS if _FIELD_TYPES[f] == 'sequence<float>')
SEQUENCE_FIELDS = tuple(f for f in FIELDS if f not in SCALAR_FIELDS)
