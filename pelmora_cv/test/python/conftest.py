"""The fixtures the Python tests of several packages share (cv2, native)."""

pytest_plugins = ('pelmora_fixtures',)
