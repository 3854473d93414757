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
import re
import sys

from pelmora_harness.features_size import encoded_bytes

MIB = 1 << 20
# Budgets hold on messages of at least this many bytes.
BUDGET_BYTES = MIB

_NAME = re.compile(r'^(?P<base>.+?)/keypoints:(?P<k>\d+)(?:/real_time)?$')


def load_google(path):
    """{(benchmark base name, keypoints or None): {'ns': median real time,
    'bytes_per_second': ...}} from a Google Benchmark JSON file."""
    with open(path) as f:
        data = json.load(f)
    scale = {'ns': 1.0, 'us': 1e3, 'ms': 1e6, 's': 1e9}
    out = {}
    for b in data['benchmarks']:
        if b.get('run_type') == 'aggregate' and b.get('aggregate_name') != 'median':
            continue
        if b.get('error_occurred'):
            continue
        name = b.get('run_name', b['name'])
        match = _NAME.match(name)
        key = (match.group('base'), int(match.group('k'))) if match else (name.replace('/real_time', ''), None)
        out[key] = {'ns': b['real_time'] * scale[b.get('time_unit', 'ns')],
                    'bytes_per_second': b.get('bytes_per_second')}
    return out, data.get('context', {})


def load_python(path):
    with open(path) as f:
        data = json.load(f)
    out = {}
    for r in data['results']:
        out[(r['name'], r.get('keypoints', r.get('elements')))] = r
    return out, data


def ratio(table, subject, baseline, k):
    s, b = table.get((subject, k)), table.get((baseline, k))
    if not s or not b or b['ns'] <= 0:
        return None
    return s['ns'] / b['ns']


def throughput_ratio(table, subject, baseline, k):
    """Subject throughput over baseline throughput (same bytes per sample)."""
    r = ratio(table, baseline, subject, k)
    return r


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


def burst_cells(table, lang, k):
    """Throughput cells of the Features and octet Burst runs of `lang`."""
    cells = []
    for t in ('Features', 'Octets'):
        e = table.get(('DDS/%s/%s/Burst' % (lang, t), k))
        cells.append('—' if not e or not e['bytes_per_second'] else
                     '%.0f MB/s' % (e['bytes_per_second'] / 1e6))
    return cells


class Report:
    def __init__(self, c, cpp, python, dds, python_tuned=None, dds_udp=None):
        self.c, self.c_context = c
        self.cpp, self.cpp_context = cpp
        self.py, self.py_context = python
        self.dds = dds[0] if dds else {}
        # The Python run repeated with glibc tuned to keep freed memory and
        # to map large blocks with huge pages, if there was one.
        self.py_tuned = python_tuned[0] if python_tuned else {}
        self.keypoints = sorted({k for (_, k) in list(self.c) + list(self.cpp) if k is not None})
        # Fast-DDS over UDP between two hosts: its own sizes, and where it ran.
        self.udp, udp_context = dds_udp if dds_udp else ({}, {})
        self.udp_setting = udp_context.get('udp_setting', 'UDP')
        self.udp_keypoints = sorted({k for (_, k) in self.udp if k is not None})

    def udp_ratio(self, lang, k):
        """Features throughput over octet-sequence throughput over UDP."""
        return throughput_ratio(self.udp, 'DDS/%s/Features/Burst' % lang, 'DDS/%s/Octets/Burst' % lang, k)

    # -- per-size ratios ---------------------------------------------------------

    def columns(self):
        """(header, function of keypoints -> ratio) for the ratio table."""
        cols = [
            ('C encode', lambda k: ratio(self.c, 'C/Encode', 'C/Memcpy', k)),
            ('C decode', lambda k: ratio(self.c, 'C/Decode', 'C/Memcpy', k)),
            ('C++ encode', lambda k: ratio(self.cpp, 'Cpp/Encode', 'Cpp/Memcpy', k)),
            ('C++ decode', lambda k: ratio(self.cpp, 'Cpp/Decode', 'Cpp/Memcpy', k)),
            ('C++ decode, new message', lambda k: ratio(self.cpp, 'Cpp/DecodeFresh', 'Cpp/Memcpy', k)),
            ('Py from_py', lambda k: self.py_ratio('Py/FromPy', k)),
            ('Py to_py', lambda k: self.py_ratio('Py/ToPy', k)),
        ]
        if self.py_tuned:
            cols += [
                ('Py from_py, tuned malloc', lambda k: self.py_ratio('Py/FromPy', k, self.py_tuned)),
                ('Py to_py, tuned malloc', lambda k: self.py_ratio('Py/ToPy', k, self.py_tuned)),
            ]
        if self.dds:
            cols += [
                ('DDS C Features/Octets', lambda k: throughput_ratio(
                    self.dds, 'DDS/C/Features/Burst', 'DDS/C/Octets/Burst', k)),
                ('DDS C++ Features/Octets', lambda k: throughput_ratio(
                    self.dds, 'DDS/Cpp/Features/Burst', 'DDS/Cpp/Octets/Burst', k)),
            ]
        return cols

    def py_ratio(self, name, k, table=None):
        table = self.py if table is None else table
        s, b = table.get((name, k)), table.get(('Py/BytesCopy', k))
        if not s or not b:
            return None
        return s['median_ns'] / b['median_ns']

    def ratio_table(self):
        cols = self.columns()
        lines = ['| keypoints | bytes | ' + ' | '.join(h for h, _ in cols) + ' |',
                 '|---:|---:|' + '---:|' * len(cols)]
        for k in self.keypoints:
            lines.append('| %d | %s | ' % (k, fmt_bytes(encoded_bytes(k)))
                         + ' | '.join(fmt_ratio(f(k)) for _, f in cols) + ' |')
        return '\n'.join(lines)

    # -- budgets ------------------------------------------------------------------

    def budget_rows(self):
        big = [k for k in self.keypoints if encoded_bytes(k) >= BUDGET_BYTES]
        sizes = ', '.join(fmt_bytes(encoded_bytes(k)) for k in big)

        def worst(f, higher_is_worse=True):
            values = [(f(k), k) for k in big if f(k) is not None]
            if not values:
                return None, None
            return (max if higher_is_worse else min)(values)

        rows = []

        def add(label, limit_text, f, ok, higher_is_worse=True):
            value, k = worst(f, higher_is_worse)
            verdict = '—' if value is None else ('met' if ok(value) else 'MISSED')
            where = '' if k is None else ' (at %s)' % fmt_bytes(encoded_bytes(k))
            all_values = ', '.join(fmt_ratio(f(k)) for k in big)
            rows.append((label, limit_text, fmt_ratio(value) + where, all_values, verdict))

        cols = dict(self.columns())
        add('C encode / memcpy', '≤ 1.3', cols['C encode'], lambda v: v <= 1.3)
        add('C decode / memcpy', '≤ 2', cols['C decode'], lambda v: v <= 2.0)
        add('C++ encode / memcpy', '≤ 1.3', cols['C++ encode'], lambda v: v <= 1.3)
        add('C++ decode / memcpy', '≤ 2', cols['C++ decode'], lambda v: v <= 2.0)
        add('Python convert_from_py / bytes()', '≤ 2', cols['Py from_py'], lambda v: v <= 2.0)
        add('Python convert_to_py / bytes()', '≤ 3', cols['Py to_py'], lambda v: v <= 3.0)
        if self.py_tuned:
            add('Python convert_from_py / bytes(), tuned malloc', '≤ 2',
                cols['Py from_py, tuned malloc'], lambda v: v <= 2.0)
            add('Python convert_to_py / bytes(), tuned malloc', '≤ 3',
                cols['Py to_py, tuned malloc'], lambda v: v <= 3.0)
        if self.dds:
            add('Fast-DDS C Features / octets (throughput)', '≥ 0.9',
                cols['DDS C Features/Octets'], lambda v: v >= 0.9, higher_is_worse=False)
            add('Fast-DDS C++ Features / octets (throughput)', '≥ 0.9',
                cols['DDS C++ Features/Octets'], lambda v: v >= 0.9, higher_is_worse=False)
        udp_big = [k for k in self.udp_keypoints if encoded_bytes(k) >= BUDGET_BYTES]
        for lang, name in (('C', 'C'), ('Cpp', 'C++')):
            values = [(self.udp_ratio(lang, k), k) for k in udp_big if self.udp_ratio(lang, k) is not None]
            if not values:
                continue
            value, k = min(values)
            rows.append(('Fast-DDS over UDP %s Features / octets (throughput)' % name, '≥ 0.9',
                         '%s (at %s)' % (fmt_ratio(value), fmt_bytes(encoded_bytes(k))),
                         ', '.join(fmt_ratio(v) for v, _ in sorted(values, key=lambda x: x[1])),
                         'met' if value >= 0.9 else 'MISSED'))
        for label, table, key in (('C encode+decode, empty message', self.c, 'C/EmptyRoundTrip'),
                                  ('C++ encode+decode, empty message', self.cpp, 'Cpp/EmptyRoundTrip')):
            entry = table.get((key, None))
            ns = entry['ns'] if entry else None
            rows.append((label, '< 200 ns', fmt_ns(ns), '', '—' if ns is None else
                         ('met' if ns < 200 else 'MISSED')))
        return rows, sizes

    def budget_table(self):
        rows, sizes = self.budget_rows()
        lines = ['Budgets, on the messages of 1 MiB and more (%s); the worst size is quoted.' % sizes,
                 '',
                 '| budget | limit | measured (worst) | all sizes ≥ 1 MiB | verdict |',
                 '|---|---|---|---|---|']
        lines += ['| %s |' % ' | '.join(row) for row in rows]
        return '\n'.join(lines)

    def size_table(self):
        lines = ['| keypoints | C get_serialized_size | C++ get_serialized_size |', '|---:|---:|---:|']
        for k in self.keypoints:
            c = self.c.get(('C/SerializedSize', k))
            cpp = self.cpp.get(('Cpp/SerializedSize', k))
            lines.append('| %d | %s | %s |' % (k, fmt_ns(c and c['ns']), fmt_ns(cpp and cpp['ns'])))
        return '\n'.join(lines)

    def python_table(self):
        """Median time and page faults per call of the Python benchmarks."""
        runs = [('', self.py)] + ([(', tuned malloc', self.py_tuned)] if self.py_tuned else [])
        names = (('Py/BytesCopy', 'bytes() copies'), ('Py/FromPy', 'from_py'), ('Py/ToPy', 'to_py'))
        header = ['keypoints', 'bytes']
        for suffix, _ in runs:
            header += ['%s%s' % (label, suffix) for _, label in names]
        lines = ['| ' + ' | '.join(header) + ' |', '|' + '---:|' * len(header)]
        for k in self.keypoints:
            cells = [str(k), fmt_bytes(encoded_bytes(k))]
            for _, table in runs:
                for name, _ in names:
                    e = table.get((name, k))
                    cells.append('—' if not e else '%s, %.0f faults' % (
                        fmt_ns(e['median_ns']), e.get('page_faults_per_call', float('nan'))))
            lines.append('| ' + ' | '.join(cells) + ' |')
        return '\n'.join(lines)

    def assignment_table(self):
        rows = sorted((n, k, r) for (n, k), r in self.py.items() if n.startswith('Py/Assign/'))
        if not rows:
            return ''
        lines = ['| assigned value | field | elements | median time |', '|---|---|---:|---:|']
        for name, k, r in rows:
            _, _, kind, field = name.split('/')
            lines.append('| %s | %s | %d | %s |' % (kind, field, k, fmt_ns(r['median_ns'])))
        return '\n'.join(lines)

    def dds_table(self):
        if not self.dds:
            return ''
        lines = ['| keypoints | bytes | C Features | C octets | C++ Features | C++ octets |'
                 ' latency C Features | latency C octets | latency C++ Features | latency C++ octets |',
                 '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|']
        ks = sorted({k for (_, k) in self.dds if k is not None})
        for k in ks:
            cells = []
            for lang in ('C', 'Cpp'):
                cells += burst_cells(self.dds, lang, k)
            for lang in ('C', 'Cpp'):
                for t in ('Features', 'Octets'):
                    e = self.dds.get(('DDS/%s/%s/LockStep' % (lang, t), k))
                    cells.append(fmt_ns(e and e['ns']))
            lines.append('| %d | %s | %s |' % (k, fmt_bytes(encoded_bytes(k)), ' | '.join(cells)))
        return '\n'.join(lines)

    def udp_table(self):
        if not self.udp:
            return ''
        lines = ['| keypoints | bytes | C Features | C octets | C ratio | C++ Features | C++ octets |'
                 ' C++ ratio |', '|---:|---:|---:|---:|---:|---:|---:|---:|']
        for k in self.udp_keypoints:
            cells = []
            for lang in ('C', 'Cpp'):
                cells += burst_cells(self.udp, lang, k)
                cells.append(fmt_ratio(self.udp_ratio(lang, k)))
            lines.append('| %d | %s | %s |' % (k, fmt_bytes(encoded_bytes(k)), ' | '.join(cells)))
        return '\n'.join(lines)

    # -- plot ---------------------------------------------------------------------

    def plot(self, path, title):
        import matplotlib
        matplotlib.use('Agg')
        import matplotlib.pyplot as plt

        def series(table, name):
            xs, ys = [], []
            for k in self.keypoints:
                e = table.get((name, k))
                if e and k > 0:
                    xs.append(encoded_bytes(k))
                    ys.append(encoded_bytes(k) / e['ns'] * 1e3)  # bytes/ns -> MB/s
            return xs, ys

        def py_series(name, table=None):
            table = self.py if table is None else table
            xs, ys = [], []
            for k in self.keypoints:
                e = table.get((name, k))
                if e and k > 0:
                    xs.append(encoded_bytes(k))
                    ys.append(encoded_bytes(k) / e['median_ns'] * 1e3)
            return xs, ys

        panels = 1 + bool(self.dds) + bool(self.udp)
        fig, axes = plt.subplots(1, panels, figsize=(7 * panels, 5.2), squeeze=False)
        ax = axes[0][0]
        lines = [
            (series(self.c, 'C/Memcpy'), 'memcpy (baseline)', 'k', '-'),
            (series(self.c, 'C/Encode'), 'C encode', 'tab:blue', '-'),
            (series(self.c, 'C/Decode'), 'C decode', 'tab:blue', '--'),
            (series(self.cpp, 'Cpp/Encode'), 'C++ encode', 'tab:orange', '-'),
            (series(self.cpp, 'Cpp/Decode'), 'C++ decode', 'tab:orange', '--'),
            (py_series('Py/BytesCopy'), 'Python bytes() copies (baseline)', 'tab:gray', ':'),
            (py_series('Py/FromPy'), 'Python convert_from_py', 'tab:green', '-'),
            (py_series('Py/ToPy'), 'Python convert_to_py', 'tab:green', '--'),
            (py_series('Py/ToPy', self.py_tuned), 'Python convert_to_py, tuned malloc',
             'tab:olive', '-.'),
        ]
        for (xs, ys), label, color, style in lines:
            if xs:
                ax.plot(xs, ys, style, color=color, marker='o', markersize=3, label=label)
        ax.set_xscale('log')
        ax.set_yscale('log')
        ax.set_xlabel('message size (CDR bytes)')
        ax.set_ylabel('throughput (MB/s)')
        ax.set_title('Encode / decode / convert (median)')
        ax.axvline(BUDGET_BYTES, color='tab:red', linewidth=0.8, alpha=0.5, label='1 MiB: budgets apply above')
        ax.grid(True, which='both', alpha=0.3)
        ax.legend(fontsize=8)

        panel = 1
        for table, panel_title in ((self.dds, 'Fast-DDS, shared memory (median)'),
                                   (self.udp, 'Fast-DDS over UDP, %s (median)' % self.udp_setting)):
            if not table:
                continue
            ax = axes[0][panel]
            panel += 1
            for lang, color in (('C', 'tab:blue'), ('Cpp', 'tab:orange')):
                for t, style in (('Features', '-'), ('Octets', ':')):
                    xs, ys = [], []
                    for k in sorted({k for (_, k) in table if k}):
                        e = table.get(('DDS/%s/%s/Burst' % (lang, t), k))
                        if e and e['bytes_per_second']:
                            xs.append(encoded_bytes(k))
                            ys.append(e['bytes_per_second'] / 1e6)
                    if xs:
                        label = '%s %s' % ('C++' if lang == 'Cpp' else 'C',
                                           'Features' if t == 'Features' else 'octet sequence')
                        ax.plot(xs, ys, style, color=color, marker='o', markersize=3, label=label)
            ax.set_xscale('log')
            ax.set_yscale('log')
            ax.set_xlabel('message size (CDR bytes)')
            ax.set_ylabel('throughput (MB/s)')
            ax.set_title(panel_title, fontsize=9)
            ax.grid(True, which='both', alpha=0.3)
            ax.legend(fontsize=8)

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
