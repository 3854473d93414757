"""Descriptions of the field types of pelmora's messages, for machines
without the ROS 2 IDL parser (rosidl_parser.definition): classes of the same
names and attributes for the two kinds of type that the messages use."""

__all__ = ['BasicType', 'UnboundedSequence']


class _Description:
    """Equal to another description of the same class and attributes."""

    __slots__ = ()

    def __eq__(self, other):
        return type(self) is type(other) and all(
            getattr(self, name) == getattr(other, name) for name in self.__slots__)

    __hash__ = None  # mutable, like the parser's

    def __repr__(self):
        return '%s(%s)' % (type(self).__name__,
                           ', '.join(repr(getattr(self, name)) for name in self.__slots__))


class BasicType(_Description):
    """A primitive type, by its IDL name: 'uint32', 'float', ..."""

    __slots__ = ('typename',)

    def __init__(self, typename):
        self.typename = typename


class UnboundedSequence(_Description):
    """A sequence of value_type without a size limit."""

    __slots__ = ('value_type',)

    def __init__(self, value_type):
        self.value_type = value_type

    def has_maximum_size(self):
        return False
