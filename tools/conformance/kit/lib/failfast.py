"""When one implementation is no longer worth running: its command cannot be started, it ran out
of time or crashed on several programs in a row, or its time budget is spent. The programs left
are then "not run", with the reason, instead of failing one by one."""
import threading
import time

import process


class Supervisor:
    """Shared by the threads that run one implementation's programs."""

    def __init__(self, stop_after=3, budget=None):
        self.stop_after, self.budget = stop_after, budget
        self.deadline = time.monotonic() + budget if budget is not None else None
        self.strikes = 0
        self.stopped = None  # the reason, once the rest are not run
        self.lock = threading.Lock()

    def reason_to_skip(self):
        with self.lock:
            if self.stopped is None and self.deadline is not None and time.monotonic() >= self.deadline:
                self.stopped = f"the time budget of {process.seconds_text(self.budget)} was used up"
            return self.stopped

    def record(self, result):
        with self.lock:
            if result.start_error is not None:
                self.stopped = self.stopped or f"the command could not be started ({result.start_error})"
            elif result.timed_out or result.crashed or result.over_limit:
                self.strikes += 1
                if self.stop_after and self.strikes >= self.stop_after and self.stopped is None:
                    self.stopped = f"{self.strikes} programs in a row ran out of time, crashed or wrote too much"
            else:
                self.strikes = 0
