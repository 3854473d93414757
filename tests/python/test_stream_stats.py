"""The Python peer's account of a stream follows the C++ one: the same cases
as tests/integration/test_stream_stats.cpp."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools', 'dds'))

import pelmora_dds_py as peer  # noqa: E402
from pelmora_dds_py import SequenceCheck  # noqa: E402


def after(indices):
    check = SequenceCheck()
    for index in indices:
        check.note(index)
    return check


def test_in_order_stream_has_no_hole_and_the_tail_counts_against_the_announced_count():
    check = after([0, 1, 2, 3])
    assert (check.missing(), check.missing(4), check.missing(10), check.missing(2)) == (0, 0, 6, 0)


def test_gaps_at_the_start_in_the_middle_and_of_one_sample_are_counted():
    check = SequenceCheck()
    assert [check.note(i) for i in (3, 4, 6, 100)] == [
        SequenceCheck.AFTER_GAP, SequenceCheck.NEXT, SequenceCheck.AFTER_GAP, SequenceCheck.AFTER_GAP]
    assert check.missing() == 3 + 1 + 93


def test_late_samples_fill_their_hole_at_its_start_middle_and_end():
    check = after([0, 10])
    assert [check.note(i) for i in (1, 9, 5)] == [SequenceCheck.LATE] * 3
    assert (check.missing(), check.late) == (6, 3)
    assert [check.note(i) for i in (2, 3, 4, 6, 7, 8)] == [SequenceCheck.LATE] * 6
    assert (check.missing(), check.duplicates) == (0, 0)


def test_a_sample_seen_before_is_a_duplicate_whether_in_or_around_a_hole():
    check = after([0, 1, 5])
    assert [check.note(i) for i in (1, 5, 0, 3, 3)] == [SequenceCheck.DUPLICATE] * 3 + [
        SequenceCheck.LATE, SequenceCheck.DUPLICATE]
    assert (check.missing(), check.duplicates) == (2, 4)


def counts(**changed):
    base = dict(received=0, verified=0, wrong=0, dropped=0, missed=0, out_of_order=0, duplicates=0)
    base.update(changed)
    return base


def test_the_verdict_puts_wrong_samples_before_timeouts_and_timeouts_before_loss():
    verdict = peer.echo_verdict
    assert verdict(counts(), False, False) == peer.OK
    assert verdict(counts(dropped=1), False, False) == peer.LOST
    assert verdict(counts(dropped=1), False, True) == peer.OK
    assert verdict(counts(dropped=1), True, True) == peer.TIMED_OUT
    assert verdict(counts(missed=2), False, False) == peer.LOST
    for fault in ('wrong', 'out_of_order', 'duplicates'):
        assert verdict(counts(**{fault: 1}), True, True) == peer.WRONG
    assert peer.missed_samples(7, 7) == 7 and peer.missed_samples(0, 3) == 3


def test_the_summary_names_every_count_and_the_order_ones_only_when_checked():
    c = counts(received=5, verified=4, wrong=1, dropped=2, missed=3, out_of_order=6, duplicates=7)
    assert peer.summary_fields(c, True) == (
        ' received=5 verified=4 wrong=1 dropped=2 missed=3 out_of_order=6 duplicates=7')
    assert peer.summary_fields(c, False) == ' received=5 dropped=2 missed=3'
