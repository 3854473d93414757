#!/usr/bin/python3
"""Ratios of pelmora_bench_features_cv's JSON output.

    features_cv_report.py FEATURES_CV.json

For every keypoint count measured: to_message's and from_message's median
time over the median time of copying the message's eight sequences into
new std::vector<char>; view()'s median time against the C++ decoder's and
against view() of the empty message. All from the same run.
"""
import sys

from google_medians import load_google


def counts(t, subject):
    return sorted(k for name, k in t if name == subject)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    t, _ = load_google(sys.argv[1])
    print("| keypoints | bytes | copy µs | to_message µs | from_message µs | to_message/copy | from_message/copy |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    for k in counts(t, "FeaturesCv/VectorCopy"):
        copy = t[("FeaturesCv/VectorCopy", k)]
        to_message = t[("FeaturesCv/ToMessage", k)]["ns"]
        from_message = t[("FeaturesCv/FromMessage", k)]["ns"]
        print("| %d | %d | %.1f | %.1f | %.1f | %.2f | %.2f |" % (
            k, copy["bytes"], copy["ns"] / 1e3, to_message / 1e3, from_message / 1e3,
            to_message / copy["ns"], from_message / copy["ns"]))
    views = counts(t, "FeaturesCv/View")
    print()
    print("| keypoints | sample bytes | view() ns | C++ decode ns | decode/view | view/view of the smallest |")
    print("|---:|---:|---:|---:|---:|---:|")
    for k in views:
        view = t[("FeaturesCv/View", k)]
        decode = t[("FeaturesCv/CppDecode", k)]["ns"]
        print("| %d | %d | %.1f | %.1f | %.1f | %.2f |" % (
            k, view["bytes"], view["ns"], decode, decode / view["ns"],
            view["ns"] / t[("FeaturesCv/View", views[0])]["ns"]))


if __name__ == "__main__":
    main()
