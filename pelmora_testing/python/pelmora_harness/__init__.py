"""The harness that tests, benchmarks and the demo run their peers with.

Nothing here is installed or built; drivers find it through PYTHONPATH
(tools/harness), which CTest gives the tests that use it."""
