#!/usr/bin/python3
"""Turns one run of pelmora's benchmarks into the ratio table, the budget
check, docs/benchmarks.md and docs/throughput.png.

    report.py --c C.json --cpp CPP.json --python PY.json [--dds DDS.json]
              [--dds-udp UDP.json] [--machine MACHINE.txt] [--markdown OUT.md]
              [--plot OUT.png]

The C, C++ and DDS files (shared memory, and UDP between two hosts from
bench_udp.py) are Google Benchmark JSON written with
--benchmark_repetitions and --benchmark_report_aggregates_only; the Python
file is bench_python.py's. Every ratio divides two medians of the same run.
Prints the tables; exits 0 whatever the figures are (budgets are reported,
not enforced).
"""

import argparse
import json
import sys
from functools import partial

from google_medians import load_google
from pelmora_harness.features_size import encoded_bytes

MIB = 1 << 20
# Budgets hold on messages of at least this many bytes.
BUDGET_BYTES = MIB

# (budget, its column of Report.columns(), limit, whether the ratio must stay
# at or below the limit rather than at or above it). A budget whose column
# the run did not fill (no tuned Python run, no DDS run) is left out.
BUDGETS = [
    ('C encode / memcpy', 'C encode', 1.3, True),
    ('C decode / memcpy', 'C decode', 2, True),
    ('C++ encode / memcpy', 'C++ encode', 1.3, True),
    ('C++ decode / memcpy', 'C++ decode', 2, True),
    ('Python convert_from_py / bytes()', 'Py from_py', 2, True),
    ('Python convert_to_py / bytes()', 'Py to_py', 3, True),
    ('Python convert_from_py / bytes(), tuned malloc', 'Py from_py, tuned malloc', 2, True),
    ('Python convert_to_py / bytes(), tuned malloc', 'Py to_py, tuned malloc', 3, True),
    ('Fast-DDS C Features / octets (throughput)', 'DDS C Features/Octets', 0.9, False),
    ('Fast-DDS C++ Features / octets (throughput)', 'DDS C++ Features/Octets', 0.9, False),
]
UDP_BUDGET = 0.9
EMPTY_ROUND_TRIP_BUDGET_NS = 200

LANGUAGES = (('C', 'C'), ('Cpp', 'C++'))  # (name in the benchmarks, label)
DDS_TYPES = ('Features', 'Octets')


def load_python(path):
    with open(path) as f:
        data = json.load(f)
    out = {}
    for r in data['results']:
        out[(r['name'], r.get('keypoints', r.get('elements')))] = r
    return out, data


def ratio(table, subject, baseline, k, time='ns'):
    """Median time of `subject` over that of `baseline` at `k` keypoints, the
    times read from the entries' `time` field."""
    s, b = table.get((subject, k)), table.get((baseline, k))
    if not s or not b or b[time] <= 0:
        return None
    return s[time] / b[time]


def features_over_octets(table, lang, k):
    """Features throughput over octet-sequence throughput of the DDS Burst
    runs of `lang` (same bytes per sample)."""
    return ratio(table, 'DDS/%s/Octets/Burst' % lang, 'DDS/%s/Features/Burst' % lang, k)


def fmt_ratio(value):
    return '—' if value is None else '%.2f' % value


def fmt_ns(ns):
    if ns is None:
        return '—'
    for unit, scale in (('s', 1e9), ('ms', 1e6), ('µs', 1e3)):
        if ns >= scale:
            return '%.3g %s' % (ns / scale, unit)
    return '%.3g ns' % ns


def fmt_bytes(n):
    for unit, scale in (('MB', 1e6), ('kB', 1e3)):
        if n >= scale:
            return '%.3g %s' % (n / scale, unit)
    return '%d B' % n


def time_cell(table, name, k):
    e = table.get((name, k))
    return fmt_ns(e and e['ns'])


def markdown_table(header, rows, separator=None):
    """A markdown table of `header` and `rows` (lists of cells); `separator`
    holds each column's separator cell, right-aligned ones by default."""
    separator = separator or ['---:'] * len(header)
    lines = ['| ' + ' | '.join(header) + ' |', '|' + ''.join(cell + '|' for cell in separator)]
    return '\n'.join(lines + ['| ' + ' | '.join(row) + ' |' for row in rows])


def sizes_of(table):
    """The keypoint counts that `table` has a sized figure of."""
    return sorted({k for (_, k) in table if k is not None})


def burst_mb_per_s(table, lang, dds_type, k):
    """Throughput of a DDS Burst run in MB/s, None without a figure."""
    e = table.get(('DDS/%s/%s/Burst' % (lang, dds_type), k))
    return e['bytes_per_second'] / 1e6 if e and e['bytes_per_second'] else None


def points(keypoints, mb_per_s):
    """(message sizes, MB/s) of the non-empty messages that have a figure."""
    xs, ys = [], []
    for k in keypoints:
        y = mb_per_s(k) if k > 0 else None
        if y is not None:
            xs.append(encoded_bytes(k))
            ys.append(y)
    return xs, ys


def throughput_axes(ax, title, **title_options):
    """Log-log axes of throughput over message size, titled, with a legend."""
    ax.set_xscale('log')
    ax.set_yscale('log')
    ax.set_xlabel('message size (CDR bytes)')
    ax.set_ylabel('throughput (MB/s)')
    ax.set_title(title, **title_options)
    ax.grid(True, which='both', alpha=0.3)
    ax.legend(fontsize=8)


def burst_cells(table, lang, k):
    """Throughput cells of the Features and octet Burst runs of `lang`."""
    cells = []
    for t in DDS_TYPES:
        mb_per_s = burst_mb_per_s(table, lang, t, k)
        cells.append('—' if mb_per_s is None else '%.0f MB/s' % mb_per_s)
    return cells


class Report:
    def __init__(self, c, cpp, python, dds, python_tuned=None, dds_udp=None):
        self.c, self.cpp, self.py = c[0], cpp[0], python[0]
        self.dds = dds[0] if dds else {}
        # The Python run repeated with glibc tuned to keep freed memory and
        # to map large blocks with huge pages, if there was one.
        self.py_tuned = python_tuned[0] if python_tuned else {}
        self.keypoints = sorted({k for (_, k) in list(self.c) + list(self.cpp) if k is not None})
        # Fast-DDS over UDP between two hosts: its own sizes, and where it ran.
        self.udp, udp_context = dds_udp if dds_udp else ({}, {})
        self.udp_setting = udp_context.get('udp_setting', 'UDP')
        self.udp_keypoints = sizes_of(self.udp)

    def udp_ratio(self, lang, k):
        """Features throughput over octet-sequence throughput over UDP."""
        return features_over_octets(self.udp, lang, k)

    def python_runs(self):
        """(suffix of the column headers, results) of each Python run."""
        return [('', self.py)] + ([(', tuned malloc', self.py_tuned)] if self.py_tuned else [])

    # -- per-size ratios ---------------------------------------------------------

    def columns(self):
        """(header, function of keypoints -> ratio) for the ratio table."""
        cols = [
            ('C encode', partial(ratio, self.c, 'C/Encode', 'C/Memcpy')),
            ('C decode', partial(ratio, self.c, 'C/Decode', 'C/Memcpy')),
            ('C++ encode', partial(ratio, self.cpp, 'Cpp/Encode', 'Cpp/Memcpy')),
            ('C++ decode', partial(ratio, self.cpp, 'Cpp/Decode', 'Cpp/Memcpy')),
            ('C++ decode, new message', partial(ratio, self.cpp, 'Cpp/DecodeFresh', 'Cpp/Memcpy')),
        ]
        for suffix, table in self.python_runs():
            cols += [(header + suffix, partial(ratio, table, name, 'Py/BytesCopy', time='median_ns'))
                     for header, name in (('Py from_py', 'Py/FromPy'), ('Py to_py', 'Py/ToPy'))]
        if self.dds:
            cols += [('DDS %s Features/Octets' % label, partial(features_over_octets, self.dds, lang))
                     for lang, label in LANGUAGES]
        return cols

    def ratio_table(self):
        cols = self.columns()
        rows = [[str(k), fmt_bytes(encoded_bytes(k))] + [fmt_ratio(f(k)) for _, f in cols]
                for k in self.keypoints]
        return markdown_table(['keypoints', 'bytes'] + [h for h, _ in cols], rows)

    # -- budgets ------------------------------------------------------------------

    def budget_rows(self):
        big = [k for k in self.keypoints if encoded_bytes(k) >= BUDGET_BYTES]
        sizes = ', '.join(fmt_bytes(encoded_bytes(k)) for k in big)
        rows = []

        def add(label, limit, at_most, f, judged):
            """The row of ratio `f` over the sizes `judged`, quoting the worst."""
            values = [(f(k), k) for k in judged if f(k) is not None]
            value, k = (max if at_most else min)(values) if values else (None, None)
            met = value is not None and (value <= limit if at_most else value >= limit)
            verdict = '—' if value is None else ('met' if met else 'MISSED')
            where = '' if k is None else ' (at %s)' % fmt_bytes(encoded_bytes(k))
            rows.append((label, '%s %g' % ('≤' if at_most else '≥', limit), fmt_ratio(value) + where,
                         ', '.join(fmt_ratio(f(k)) for k in judged), verdict))

        cols = dict(self.columns())
        for label, column, limit, at_most in BUDGETS:
            if column in cols:
                add(label, limit, at_most, cols[column], big)
        # Over UDP only the sizes that have a figure are judged and listed.
        udp_big = [k for k in self.udp_keypoints if encoded_bytes(k) >= BUDGET_BYTES]
        for lang, name in LANGUAGES:
            f = partial(self.udp_ratio, lang)
            judged = [k for k in udp_big if f(k) is not None]
            if judged:
                add('Fast-DDS over UDP %s Features / octets (throughput)' % name, UDP_BUDGET, False,
                    f, judged)
        for label, table, key in (('C encode+decode, empty message', self.c, 'C/EmptyRoundTrip'),
                                  ('C++ encode+decode, empty message', self.cpp, 'Cpp/EmptyRoundTrip')):
            entry = table.get((key, None))
            ns = entry['ns'] if entry else None
            verdict = '—' if ns is None else ('met' if ns < EMPTY_ROUND_TRIP_BUDGET_NS else 'MISSED')
            rows.append((label, '< %d ns' % EMPTY_ROUND_TRIP_BUDGET_NS, fmt_ns(ns), '', verdict))
        return rows, sizes

    def budget_table(self):
        rows, sizes = self.budget_rows()
        return ('Budgets, on the messages of 1 MiB and more (%s); the worst size is quoted.\n\n' % sizes
                + markdown_table(['budget', 'limit', 'measured (worst)', 'all sizes ≥ 1 MiB', 'verdict'],
                                 rows, ['---'] * 5))

    def size_table(self):
        rows = [[str(k), time_cell(self.c, 'C/SerializedSize', k),
                 time_cell(self.cpp, 'Cpp/SerializedSize', k)] for k in self.keypoints]
        return markdown_table(['keypoints', 'C get_serialized_size', 'C++ get_serialized_size'], rows)

    def python_table(self):
        """Median time and page faults per call of the Python benchmarks."""
        runs = self.python_runs()
        names = (('Py/BytesCopy', 'bytes() copies'), ('Py/FromPy', 'from_py'), ('Py/ToPy', 'to_py'))
        header = ['keypoints', 'bytes']
        for suffix, _ in runs:
            header += ['%s%s' % (label, suffix) for _, label in names]
        rows = []
        for k in self.keypoints:
            cells = [str(k), fmt_bytes(encoded_bytes(k))]
            for _, table in runs:
                for name, _ in names:
                    e = table.get((name, k))
                    cells.append('—' if not e else '%s, %.0f faults' % (
                        fmt_ns(e['median_ns']), e.get('page_faults_per_call', float('nan'))))
            rows.append(cells)
        return markdown_table(header, rows)

    def assignment_table(self):
        rows = []
        for name, k, r in sorted((n, k, r) for (n, k), r in self.py.items() if n.startswith('Py/Assign/')):
            _, _, kind, field = name.split('/')
            rows.append([kind, field, str(k), fmt_ns(r['median_ns'])])
        if not rows:
            return ''
        return markdown_table(['assigned value', 'field', 'elements', 'median time'], rows,
                              ['---', '---', '---:', '---:'])

    def dds_table(self):
        if not self.dds:
            return ''
        rows = []
        for k in sizes_of(self.dds):
            cells = [str(k), fmt_bytes(encoded_bytes(k))]
            for lang, _ in LANGUAGES:
                cells += burst_cells(self.dds, lang, k)
            for lang, _ in LANGUAGES:
                cells += [time_cell(self.dds, 'DDS/%s/%s/LockStep' % (lang, t), k) for t in DDS_TYPES]
            rows.append(cells)
        return markdown_table(['keypoints', 'bytes', 'C Features', 'C octets', 'C++ Features', 'C++ octets',
                               'latency C Features', 'latency C octets', 'latency C++ Features',
                               'latency C++ octets'], rows)

    def udp_table(self):
        if not self.udp:
            return ''
        rows = []
        for k in self.udp_keypoints:
            cells = [str(k), fmt_bytes(encoded_bytes(k))]
            for lang, _ in LANGUAGES:
                cells += burst_cells(self.udp, lang, k) + [fmt_ratio(self.udp_ratio(lang, k))]
            rows.append(cells)
        return markdown_table(['keypoints', 'bytes', 'C Features', 'C octets', 'C ratio', 'C++ Features',
                               'C++ octets', 'C++ ratio'], rows)

    # -- plot ---------------------------------------------------------------------

    def plot(self, path, title):
        import matplotlib
        matplotlib.use('Agg')
        import matplotlib.pyplot as plt

        def series(table, name, time='ns'):
            def mb_per_s(k):
                e = table.get((name, k))
                return encoded_bytes(k) / e[time] * 1e3 if e else None  # bytes/ns -> MB/s
            return points(self.keypoints, mb_per_s)

        panels = 1 + bool(self.dds) + bool(self.udp)
        fig, axes = plt.subplots(1, panels, figsize=(7 * panels, 5.2), squeeze=False)
        ax = axes[0][0]
        lines = [
            (series(self.c, 'C/Memcpy'), 'memcpy (baseline)', 'k', '-'),
            (series(self.c, 'C/Encode'), 'C encode', 'tab:blue', '-'),
            (series(self.c, 'C/Decode'), 'C decode', 'tab:blue', '--'),
            (series(self.cpp, 'Cpp/Encode'), 'C++ encode', 'tab:orange', '-'),
            (series(self.cpp, 'Cpp/Decode'), 'C++ decode', 'tab:orange', '--'),
            (series(self.py, 'Py/BytesCopy', 'median_ns'), 'Python bytes() copies (baseline)',
             'tab:gray', ':'),
            (series(self.py, 'Py/FromPy', 'median_ns'), 'Python convert_from_py', 'tab:green', '-'),
            (series(self.py, 'Py/ToPy', 'median_ns'), 'Python convert_to_py', 'tab:green', '--'),
            (series(self.py_tuned, 'Py/ToPy', 'median_ns'), 'Python convert_to_py, tuned malloc',
             'tab:olive', '-.'),
        ]
        for (xs, ys), label, color, style in lines:
            if xs:
                ax.plot(xs, ys, style, color=color, marker='o', markersize=3, label=label)
        ax.axvline(BUDGET_BYTES, color='tab:red', linewidth=0.8, alpha=0.5,
                   label='1 MiB: budgets apply above')
        throughput_axes(ax, 'Encode / decode / convert (median)')

        panel = 1
        for table, panel_title in ((self.dds, 'Fast-DDS, shared memory (median)'),
                                   (self.udp, 'Fast-DDS over UDP, %s (median)' % self.udp_setting)):
            if not table:
                continue
            ax = axes[0][panel]
            panel += 1
            for (lang, label), color in zip(LANGUAGES, ('tab:blue', 'tab:orange')):
                for t, style, kind in (('Features', '-', 'Features'), ('Octets', ':', 'octet sequence')):
                    xs, ys = points(sizes_of(table), partial(burst_mb_per_s, table, lang, t))
                    if xs:
                        ax.plot(xs, ys, style, color=color, marker='o', markersize=3,
                                label='%s %s' % (label, kind))
            throughput_axes(ax, panel_title, fontsize=9)

        fig.suptitle(title, fontsize=9)
        fig.tight_layout()
        fig.savefig(path, dpi=110)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--c', required=True)
    parser.add_argument('--cpp', required=True)
    parser.add_argument('--python', required=True)
    parser.add_argument('--python-tuned', help="bench_python.py's output under a tuned glibc malloc")
    parser.add_argument('--dds')
    parser.add_argument('--dds-udp', help="bench_udp.py's output")
    parser.add_argument('--machine', help='text file describing the machine')
    parser.add_argument('--command', default='scripts/bench.sh')
    parser.add_argument('--notes', help='markdown appended to the report (the analysis of the figures)')
    parser.add_argument('--markdown')
    parser.add_argument('--plot')
    args = parser.parse_args(argv)

    report = Report(load_google(args.c), load_google(args.cpp), load_python(args.python),
                    load_google(args.dds) if args.dds else None,
                    load_python(args.python_tuned) if args.python_tuned else None,
                    load_google(args.dds_udp) if args.dds_udp else None)
    machine = open(args.machine).read().strip() if args.machine else ''

    sections = [
        ('Median ratios against the same run\'s baselines (memcpy of the same bytes for C and C++; '
         'bytes() copies of the eight sequences for Python; for DDS, Features throughput over '
         'octet-sequence throughput, so higher is better there and lower everywhere else)',
         report.ratio_table()),
        ('Budgets', report.budget_table()),
        ('Size function, median time per call (constant whatever the message holds)',
         report.size_table()),
        ('Python: median time and minor page faults per call', report.python_table()),
        ('Python: assigning a million elements to a sequence field', report.assignment_table()),
        ('Fast-DDS: throughput (bursts of 4 samples) and one-way latency (one sample at a time)',
         report.dds_table()),
        ('Fast-DDS over UDP between two hosts (%s): throughput of bursts of 4 samples, each '
         'burst ending when the reader has taken it, and Features over octets'
         % report.udp_setting, report.udp_table()),
    ]
    text = '\n\n'.join('### %s\n\n%s' % (title, body) for title, body in sections if body)
    print(text)

    if args.markdown:
        with open(args.markdown, 'w') as out:
            out.write('# Benchmarks\n\n')
            out.write('Produced by `%s`; every figure is a median over repetitions, and every ratio '
                      'divides two medians measured in the same run.\n\n' % args.command)
            out.write('![throughput](throughput.png)\n\n')
            out.write(text + '\n')
            if args.notes:
                with open(args.notes) as notes:
                    out.write('\n' + notes.read().strip() + '\n')
            if machine:
                out.write('\n### Machine\n\n```\n%s\n```\n' % machine)
    if args.plot:
        first_line = machine.splitlines()[0] if machine else ''
        report.plot(args.plot, first_line)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
