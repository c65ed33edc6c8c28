#!/usr/bin/env bash
# lumek --help and --version print to stdout and exit 0, unknown options exit 2; the man page,
# the bash completion and the install agree with the commands the help lists.
set -u
lumek=$1
version=$2
docs=$3
build=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# run ARGS...: sets status, out and err.
run() {
    "$lumek" "$@" > "$dir/out" 2> "$dir/err"
    status=$?
    out=$(cat "$dir/out")
    err=$(cat "$dir/err")
}
sorted() { tr ' ' '\n' | grep . | sort -u | paste -sd' '; }

for help in --help -h; do
    run $help
    [ $status -eq 0 ] && [ -z "$err" ] || fail "lumek $help: status $status, stderr '$err'"
    [[ $out == "usage: lumek COMMAND"* ]] || fail "lumek $help prints '$out'"
done
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z]*\) .*/\1/p' "$dir/out" | paste -sd' ')
[ "$(echo $commands | wc -w)" -eq 8 ] || fail "help lists the commands '$commands'"

run --version
[ $status -eq 0 ] && [ "$out" = "lumek $version" ] && [ -z "$err" ] \
    || fail "--version: status $status, '$out'"
run --bogus
[ $status -eq 2 ] && [[ $err == *"unknown option --bogus"* ]] && [ -z "$out" ] \
    || fail "--bogus: status $status, '$err'"

source "$docs/lumek.bash-completion"
complete_words() {  # complete_words WORD...: the completions of the last word
    COMP_WORDS=(lumek "$@")
    COMP_CWORD=$#
    _lumek
    echo "${COMPREPLY[*]}" | sorted
}
[ "$(complete_words '')" = "$(echo $commands --help --version | sorted)" ] \
    || fail "completion offers '$(complete_words '')'"
man=$(sed 's/\\-/-/g' "$docs/lumek.1")
[[ $man == *".TH LUMEK 1 "*"\"lumek $version\""* ]] || fail "man page is not of version $version"

for command in $commands; do
    run $command --help
    [ $status -eq 0 ] && [ -z "$err" ] || fail "$command --help: status $status, '$err'"
    [[ $out == "usage: lumek $command "* ]] || fail "$command --help prints '$out'"
    options=$(grep -o -- '--\?[a-z][a-z-]*' "$dir/out" | grep '^-' | sorted)
    # Every option the help names is offered, and nothing else.
    [ "$(complete_words "$command" -)" = "$(echo $options --help | sorted)" ] \
        || fail "$command completes '$(complete_words "$command" -)', help names '$options'"
    grep -qx ".B $command" "$docs/lumek.1" || fail "man page lacks the command $command"
    for option in $options; do
        grep -q -- "$option\b" <<< "$man" || fail "man page lacks $option of $command"
    done
    run $command song.mp3 --help
    [ $status -eq 0 ] || fail "$command song.mp3 --help: status $status"
    run $command --bogus
    [ $status -eq 2 ] && [[ $err == *"unknown option --bogus"* ]] \
        || fail "$command --bogus: status $status, '$err'"
done
[ "$(complete_words make --preset '')" = "iphone phone" ] || fail "--preset values"

if command -v groff > /dev/null; then
    warnings=$(groff -man -ww -z "$docs/lumek.1" 2>&1)
    [ -z "$warnings" ] || fail "man page: $warnings"
fi
cmake --install "$build" --prefix "$dir/prefix" > /dev/null || fail "cmake --install"
for file in bin/lumek share/man/man1/lumek.1 share/bash-completion/completions/lumek; do
    [ -f "$dir/prefix/$file" ] || fail "install lacks $file"
done
echo PASS
