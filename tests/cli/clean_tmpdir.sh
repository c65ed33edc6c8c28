# Sourced by the CLI tests once $lumek and $dir are set: from then on "$lumek" runs the program
# with $TMPDIR a new folder of its own (and no XDG_RUNTIME_DIR, as on servers), which must be
# empty when it ends. expect_clean_tmpdirs fails the test when a run left something there.
lumek_program=$lumek
lumek=run_lumek_clean
run_lumek_clean() {
    local tmp status
    tmp=$(mktemp -d "$dir/tmpdir.XXXXXX") || return 99
    env -u XDG_RUNTIME_DIR TMPDIR="$tmp" "$lumek_program" "$@"
    status=$?
    if [ -n "$(ls -A "$tmp")" ]; then
        # Also from a subshell ($(...)), so the note goes into a file.
        echo "lumek $1 left: $(ls -A "$tmp" | paste -sd' ')" >> "$dir/tmpdir-leftovers"
    fi
    rm -rf "$tmp"
    return $status
}
expect_clean_tmpdirs() {
    [ ! -e "$dir/tmpdir-leftovers" ] || { echo "FAIL: $(cat "$dir/tmpdir-leftovers")"; exit 1; }
}
