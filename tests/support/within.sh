# Sourced by the test scripts.
# within SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds (true) or
# SECONDS of real time have passed (false, after one last try). Real time, not a count of
# sleeps: on a loaded machine each sleep and each try take longer than they say.
within() {
    local end=$((SECONDS + $1))
    shift
    while ! "$@"; do
        [ "$SECONDS" -gt "$end" ] && return 1
        sleep 0.1
    done
}
