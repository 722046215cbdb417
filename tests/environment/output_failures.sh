#!/usr/bin/env bash
# Standard output that refuses what is written (a full device, a closed descriptor, a broken
# pipe with the signal ignored) ends the run with one message and status 5, also for poliz-show.
# Usage: output_failures.sh POLIZ POLIZ-SHOW
. "$(dirname "$0")/common.sh"
show=$2
lost="Error: cannot write to standard output!"
[ -w /dev/full ] || { echo "SKIP: no /dev/full"; exit 77; }

printf 'program { write("hi"); }' >"$tmp/hi.ppp"
printf 'program { int a; write("before"); a = 1 / 0; }' >"$tmp/fails.ppp"
printf 'program { while (1) write("y"); }' >"$tmp/yes.ppp"

"$poliz" "$tmp/hi.ppp" >/dev/full 2>"$tmp/err"
expect "full device" $? "$tmp/err" 5 "$lost"
"$poliz" "$tmp/hi.ppp" >&- 2>"$tmp/err"
expect "closed standard output" $? "$tmp/err" 5 "$lost"
# Output lost ahead of a runtime error is the failure that counts.
"$poliz" "$tmp/fails.ppp" >/dev/full 2>"$tmp/err"
expect "full device, then a runtime error" $? "$tmp/err" 5 "$lost"
"$show" "$tmp/hi.ppp" >/dev/full 2>"$tmp/err"
expect "poliz-show listing on a full device" $? "$tmp/err" 5 "$lost"
"$show" --trace "$tmp/hi.ppp" >&- 2>"$tmp/err"
expect "poliz-show trace to a closed output" $? "$tmp/err" 5 "$lost"

# Endless output into a reader that leaves: the first failed write ends the run, and what the
# reader took is what was written first.
(
    trap '' PIPE
    timeout 60 "$poliz" "$tmp/yes.ppp" 2>"$tmp/err" | head -c 20 >"$tmp/out"
    echo "${PIPESTATUS[0]}" >"$tmp/status"
)
expect "broken pipe, signal ignored" "$(cat "$tmp/status")" "$tmp/err" 5 "$lost"
[ "$(cat "$tmp/out")" = "$(printf '\nTotal congratulations! Your program has compiled successfully!\nyyyyyy' | head -c 20)" ] ||
    fail "broken pipe, signal ignored" "the reader got $(cat "$tmp/out")"

finish
