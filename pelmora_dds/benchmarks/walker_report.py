#!/usr/bin/python3
"""Ratio table of pelmora_bench_walker's JSON output.

    walker_report.py WALKER.json

For every message size: the CDR type support's and the walker's median time
over memcpy of the same bytes, and walker over CDR type support, for encode
and decode, C and C++. All medians come from the same run. The budget line
checks walker/CDR <= 2 on messages of 1 MiB and more.
"""
import sys

from pelmora_harness.features_size import encoded_bytes
from google_medians import load_google

MIB = 1 << 20
BUDGET = 2.0


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    t, _ = load_google(sys.argv[1])
    columns = [(op, lang) for lang in ("C", "Cpp") for op in ("Encode", "Decode")]
    print("| bytes | " + " | ".join("%s %s: CDR/memcpy, walker/memcpy, walker/CDR" % (lang, op.lower())
                                   for op, lang in columns) + " |")
    print("|---:|" + "---|" * len(columns))
    worst = 0.0
    for k in sorted({k for _, k in t}):
        size = encoded_bytes(k)
        memcpy = t[("Walker/Memcpy", k)]["ns"]
        cells = []
        for op, lang in columns:
            cdr = t[("Walker/Cdr%s%s" % (op, lang), k)]["ns"]
            walk = t[("Walker/Walk%s%s" % (op, lang), k)]["ns"]
            cells.append("%.2f, %.2f, **%.2f**" % (cdr / memcpy, walk / memcpy, walk / cdr))
            if size >= MIB:
                worst = max(worst, walk / cdr)
        print("| %d | %s |" % (size, " | ".join(cells)))
    print()
    print("Budget walker/CDR <= %.1f on messages >= 1 MiB: worst %.2f, %s"
          % (BUDGET, worst, "met" if worst <= BUDGET else "NOT met"))


if __name__ == "__main__":
    main()
