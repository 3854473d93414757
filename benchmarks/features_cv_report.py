#!/usr/bin/python3
"""Ratios of pelmora_bench_features_cv's JSON output.

    features_cv_report.py FEATURES_CV.json

For every keypoint count: to_message's and from_message's median time over
the median time of memcpy of the same bytes, all from the same run.
"""
import json
import sys

NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def medians(path):
    with open(path) as f:
        data = json.load(f)
    out = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        base, keypoints = b["run_name"].rsplit("/keypoints:", 1)
        out[(base, int(keypoints))] = (b["real_time"] * NS[b.get("time_unit", "ns")], int(b["bytes"]))
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    t = medians(sys.argv[1])
    print("| keypoints | bytes | memcpy µs | to_message µs | from_message µs | to_message/memcpy | from_message/memcpy |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    for k in sorted({k for _, k in t}):
        memcpy, size = t[("FeaturesCv/Memcpy", k)]
        to_message = t[("FeaturesCv/ToMessage", k)][0]
        from_message = t[("FeaturesCv/FromMessage", k)][0]
        print("| %d | %d | %.1f | %.1f | %.1f | %.2f | %.2f |" % (
            k, size, memcpy / 1e3, to_message / 1e3, from_message / 1e3,
            to_message / memcpy, from_message / memcpy))


if __name__ == "__main__":
    main()
