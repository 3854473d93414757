"""The benchmark report: which figures it divides, which sizes the budgets
look at, how it reads Google Benchmark's and the Python script's output, and
that it writes the markdown and the plot from a real (smoke) run."""

import importlib.util
import json
import os
from pathlib import Path

import pytest
from features_size import keypoints_size

MIB = 1 << 20


def load_report_module():
    path = os.environ['PELMORA_BENCH_REPORT']  # pelmora_testing's report.py
    spec = importlib.util.spec_from_file_location('pelmora_bench_report', path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


report = load_report_module()


def google_file(tmp_path, name, entries, time_unit='ns'):
    """A Google Benchmark JSON file written with repetitions and aggregates
    only: for each (run name, {aggregate: time}) a mean, median and stddev."""
    benchmarks = []
    for run_name, times in entries:
        for aggregate, value in times.items():
            benchmarks.append({
                'name': '%s_%s' % (run_name, aggregate), 'run_name': run_name,
                'run_type': 'aggregate', 'aggregate_name': aggregate,
                'real_time': value, 'cpu_time': value, 'time_unit': time_unit,
                'iterations': 10})
    path = tmp_path / name
    path.write_text(json.dumps({'context': {}, 'benchmarks': benchmarks}))
    return str(path)


def python_file(tmp_path, entries):
    results = [{'name': n, 'keypoints': k, 'bytes': keypoints_size(k), 'median_ns': t,
                'samples_ns': [t], 'loops': 1} for n, k, t in entries]
    path = tmp_path / 'python.json'
    path.write_text(json.dumps({'results': results}))
    return str(path)


BIG = 17477    # 1 MiB and more: budgets apply
SMALL = 16     # below 1 MiB: reported, not judged


def c_entries(encode_big, decode_big, empty=150.0, encode_small=50.0):
    return [
        ('C/Memcpy/keypoints:%d' % SMALL, {'mean': 10.0, 'median': 1.0, 'stddev': 0.1}),
        ('C/Encode/keypoints:%d' % SMALL, {'mean': 1.0, 'median': encode_small, 'stddev': 0.1}),
        ('C/Decode/keypoints:%d' % SMALL, {'median': 2.0}),
        ('C/Memcpy/keypoints:%d' % BIG, {'median': 1000.0}),
        ('C/Encode/keypoints:%d' % BIG, {'median': encode_big}),
        ('C/Decode/keypoints:%d' % BIG, {'median': decode_big}),
        ('C/SerializedSize/keypoints:%d' % BIG, {'median': 3.0}),
        ('C/EmptyRoundTrip', {'median': empty}),
    ]


def cpp_entries():
    return [('Cpp/' + e[0][2:], e[1]) for e in c_entries(1000.0, 1000.0)]


def make_report(tmp_path, c=None, python=None, dds=None, udp=None):
    c_path = google_file(tmp_path, 'c.json', c if c is not None else c_entries(1200.0, 1900.0))
    cpp_path = google_file(tmp_path, 'cpp.json', cpp_entries())
    py_path = python_file(tmp_path, python if python is not None else [
        ('Py/BytesCopy', BIG, 100.0), ('Py/FromPy', BIG, 150.0), ('Py/ToPy', BIG, 250.0)])
    dds_data = report.load_google(google_file(tmp_path, 'dds.json', dds, 'us')) if dds else None
    udp_data = report.load_google(google_file(tmp_path, 'udp.json', udp, 'us')) if udp else None
    return report.Report(report.load_google(c_path), report.load_google(cpp_path),
                         report.load_python(py_path), dds_data, dds_udp=udp_data)


def verdicts(rep):
    rows, _ = rep.budget_rows()
    return {row[0]: (row[2], row[4]) for row in rows}


def test_ratio_divides_medians_not_means(tmp_path):
    rep = make_report(tmp_path)
    columns = dict(rep.columns())
    assert columns['C encode'](SMALL) == pytest.approx(50.0)
    assert columns['C encode'](BIG) == pytest.approx(1.2)
    assert columns['C decode'](BIG) == pytest.approx(1.9)


def test_budgets_judge_only_messages_of_a_mebibyte_or_more(tmp_path):
    rep = make_report(tmp_path)  # encode is 50x memcpy at 16 keypoints
    assert verdicts(rep)['C encode / memcpy'] == ('1.20 (at 1.05 MB)', 'met')
    _, sizes = rep.budget_rows()
    assert sizes == '1.05 MB'


def test_budget_missed_above_its_limit(tmp_path):
    rep = make_report(tmp_path, c=c_entries(encode_big=1301.0, decode_big=2001.0))
    v = verdicts(rep)
    assert v['C encode / memcpy'][1] == 'MISSED'
    assert v['C decode / memcpy'][1] == 'MISSED'


def test_empty_round_trip_budget_is_strictly_below_200_ns(tmp_path):
    assert verdicts(make_report(tmp_path, c=c_entries(1000.0, 1000.0, empty=199.0)))[
        'C encode+decode, empty message'] == ('199 ns', 'met')
    assert verdicts(make_report(tmp_path, c=c_entries(1000.0, 1000.0, empty=200.0)))[
        'C encode+decode, empty message'][1] == 'MISSED'


def test_python_ratios_use_the_byte_copies_of_the_same_size(tmp_path):
    rep = make_report(tmp_path, python=[
        ('Py/BytesCopy', BIG, 100.0), ('Py/FromPy', BIG, 201.0), ('Py/ToPy', BIG, 299.0),
        ('Py/BytesCopy', SMALL, 1.0), ('Py/FromPy', SMALL, 50.0), ('Py/ToPy', SMALL, 50.0)])
    v = verdicts(rep)
    assert v['Python convert_from_py / bytes()'] == ('2.01 (at 1.05 MB)', 'MISSED')
    assert v['Python convert_to_py / bytes()'] == ('2.99 (at 1.05 MB)', 'met')


def test_dds_ratio_is_features_throughput_over_octets_throughput(tmp_path):
    # Same bytes per sample: Features taking 1.25x the octets' time is 0.8x
    # their throughput, below the 0.9 floor; the C++ pair is faster than its
    # baseline, which shows as a ratio above 1.
    dds = [
        ('DDS/C/Features/Burst/keypoints:%d/real_time' % BIG, {'median': 125.0}),
        ('DDS/C/Octets/Burst/keypoints:%d/real_time' % BIG, {'median': 100.0}),
        ('DDS/Cpp/Features/Burst/keypoints:%d/real_time' % BIG, {'median': 80.0}),
        ('DDS/Cpp/Octets/Burst/keypoints:%d/real_time' % BIG, {'median': 100.0}),
    ]
    v = verdicts(make_report(tmp_path, dds=dds))
    assert v['Fast-DDS C Features / octets (throughput)'] == ('0.80 (at 1.05 MB)', 'MISSED')
    assert v['Fast-DDS C++ Features / octets (throughput)'] == ('1.25 (at 1.05 MB)', 'met')


def test_udp_budget_takes_the_worst_of_its_own_sizes_from_a_mebibyte(tmp_path):
    # UDP runs its own sizes (1 MB = 17476 and 4 MB = 69905 keypoints); the
    # 1 kB run is far below the floor but is not judged.
    def entries(lang, k, features, octets):
        return [('DDS/%s/Features/Burst/keypoints:%d/real_time' % (lang, k), {'median': features}),
                ('DDS/%s/Octets/Burst/keypoints:%d/real_time' % (lang, k), {'median': octets})]
    udp = (entries('C', 16, 300.0, 100.0) + entries('C', 17476, 100.0, 95.0) +
           entries('C', 69905, 100.0, 100.0) + entries('Cpp', 69905, 90.0, 100.0))
    rep = make_report(tmp_path, udp=udp)
    v = verdicts(rep)
    assert v['Fast-DDS over UDP C Features / octets (throughput)'] == ('0.95 (at 1.05 MB)', 'met')
    assert v['Fast-DDS over UDP C++ Features / octets (throughput)'] == ('1.11 (at 4.19 MB)', 'met')
    assert '| 16 | 1 kB |' in rep.udp_table() and '| 0.33 |' in rep.udp_table()


def test_failed_benchmarks_give_no_figure(tmp_path):
    path = tmp_path / 'c.json'
    path.write_text(json.dumps({'benchmarks': [
        {'name': 'C/Encode/keypoints:%d' % BIG, 'run_name': 'C/Encode/keypoints:%d' % BIG,
         'run_type': 'iteration', 'error_occurred': True, 'error_message': 'cdr_serialize failed',
         'real_time': 0, 'time_unit': 'ns'}]}))
    table, _ = report.load_google(str(path))
    assert table == {}


def test_report_of_the_smoke_runs_writes_markdown_and_plot(tmp_path):
    smoke = os.environ.get('PELMORA_BENCH_SMOKE_DIR')
    if not smoke:
        pytest.skip('run through ctest, after the smoke runs')
    smoke = Path(smoke)
    args = ['--c', str(smoke / 'pelmora_bench_c.json'), '--cpp', str(smoke / 'pelmora_bench_cpp.json'),
            '--python', str(smoke / 'python.json'),
            '--markdown', str(tmp_path / 'benchmarks.md'), '--plot', str(tmp_path / 'throughput.png')]
    if (smoke / 'pelmora_bench_dds.json').exists():
        args += ['--dds', str(smoke / 'pelmora_bench_dds.json')]
    if (smoke / 'pelmora_bench_udp.json').exists():
        args += ['--dds-udp', str(smoke / 'pelmora_bench_udp.json')]
    assert report.main(args) == 0
    markdown = (tmp_path / 'benchmarks.md').read_text()
    assert '![throughput](throughput.png)' in markdown
    assert '| 16 | 1 kB |' in markdown  # a row of the ratio table
    assert (tmp_path / 'throughput.png').read_bytes()[:8] == b'\x89PNG\r\n\x1a\n'
