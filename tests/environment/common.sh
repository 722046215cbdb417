# Shared by the environment scripts: a scratch folder and a tally of checked cases.
# Each script sources this with the interpreter's path as its first argument.
set -u
poliz=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
passed=0

# expect NAME STATUS ERRFILE WANTED_STATUS WANTED_ERR: compares a finished run.
expect() {
    local name=$1 status=$2 err=$3 wanted_status=$4 wanted_err=$5
    if [ "$status" != "$wanted_status" ] || [ "$(cat "$err")" != "$wanted_err" ]; then
        echo "FAIL $name: status $status (expected $wanted_status), stderr: $(head -c 300 "$err")"
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
}

# fail NAME TEXT: a case that failed for another reason.
fail() {
    echo "FAIL $1: $2"
    failed=$((failed + 1))
}

finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}
