"""What a reader saw of a stream, for the Python peer's echo summary: the
rules of tools/dds/src/stream_stats.cpp, step for step (the C++ unit test
and tests/python/test_stream_stats.py hold both to the same cases)."""

import bisect

OK, WRONG, TIMED_OUT, LOST = 'ok', 'wrong', 'timed_out', 'lost'


class SequenceCheck:
    """Follows the indices generated samples carry and tells which never
    arrived, which came after a later one and which came twice. Holes are
    kept as ranges, so memory grows with their number only."""

    NEXT, AFTER_GAP, LATE, DUPLICATE = 'next', 'after_gap', 'late', 'duplicate'

    def __init__(self):
        self.end = 0          # one past the highest index seen
        self._starts = []     # sorted first indices of the holes
        self._ends = {}       # first index -> one past the last
        self._missing = 0
        self.late = 0
        self.duplicates = 0

    def _add_hole(self, first, last):
        bisect.insort(self._starts, first)
        self._ends[first] = last

    def note(self, index):
        if index == self.end:
            self.end += 1
            return self.NEXT
        if index > self.end:
            self._add_hole(self.end, index)
            self._missing += index - self.end
            self.end = index + 1
            return self.AFTER_GAP
        at = bisect.bisect_right(self._starts, index) - 1
        if at < 0 or self._ends[self._starts[at]] <= index:
            self.duplicates += 1
            return self.DUPLICATE
        first = self._starts.pop(at)
        last = self._ends.pop(first)
        if first < index:
            self._add_hole(first, index)
        if index + 1 < last:
            self._add_hole(index + 1, last)
        self._missing -= 1
        self.late += 1
        return self.LATE

    def missing(self, expected=0):
        """Holes below the highest index seen, plus the tail up to `expected`
        (the count the writer announced; 0 when unknown)."""
        return self._missing + max(expected - self.end, 0)


def missed_samples(holes, reported_lost):
    """A lost sample leaves a hole: the two describe the same losses."""
    return max(holes, reported_lost)


def summary_fields(counts, checked):
    text = ' received=%d' % counts['received']
    if checked:
        text += ' verified=%d wrong=%d' % (counts['verified'], counts['wrong'])
    text += ' dropped=%d missed=%d' % (counts['dropped'], counts['missed'])
    if checked:
        text += ' out_of_order=%d duplicates=%d' % (counts['out_of_order'], counts['duplicates'])
    return text


def echo_verdict(counts, timed_out, allow_loss):
    """Most serious first: a wrong, late or repeated sample; the timeout;
    loss unless allowed."""
    if counts['wrong'] or counts['out_of_order'] or counts['duplicates']:
        return WRONG
    if timed_out:
        return TIMED_OUT
    if not allow_loss and (counts['dropped'] or counts['missed']):
        return LOST
    return OK
