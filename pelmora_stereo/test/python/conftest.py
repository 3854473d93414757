"""The fixtures the Python tests of several packages share (cv2, stereo_data)."""

pytest_plugins = ('pelmora_fixtures',)
