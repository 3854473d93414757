"""The harness that tests, benchmarks and the demo run their peers with.

pelmora_testing installs it in its Python folder (pelmora_testing_PYTHON_DIR
in CMake, share/pelmora_testing/python below the prefix); drivers find it
through PYTHONPATH, which CTest gives the tests that use it."""
