"""Message classes of the pelmora package."""

from pelmora.msg._features import Features  # noqa: F401

__all__ = ['Features']
