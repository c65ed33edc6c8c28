#!/usr/bin/env bash
# lumek settings: presets written to a file print back in save order; bad usage exits 2.
set -u
lumek=$1
data=$2
dir=$(mktemp -d)
source "$(dirname "$0")/clean_tmpdir.sh"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for preset in iphone phone; do
    "$lumek" settings --init "$preset" --settings "$dir/$preset.ini" || fail "--init $preset"
    "$lumek" settings --print --settings "$dir/$preset.ini" > "$dir/$preset.out" || fail "--print $preset"
    diff -u "$data/${preset}_preset.txt" "$dir/$preset.out" || fail "$preset file prints differently"
    "$lumek" settings --print --preset "$preset" > "$dir/$preset.direct" || fail "--preset $preset"
    diff -u "$data/${preset}_preset.txt" "$dir/$preset.direct" || fail "$preset preset prints differently"
done

# A missing file is created from the iPhone preset, which the first-run question defaults to.
"$lumek" settings --print --quiet --settings "$dir/new.ini" > "$dir/new.out" || fail "--print new"
diff -u "$data/iphone_preset.txt" "$dir/new.out" || fail "new file prints differently"
[ -f "$dir/new.ini" ] || fail "missing file was not created"

"$lumek" settings --init tablet --settings "$dir/x.ini" 2>/dev/null
[ $? -eq 2 ] || fail "unknown preset should exit 2"
"$lumek" settings --print --bogus 2>/dev/null
[ $? -eq 2 ] || fail "unknown option should exit 2"
"$lumek" settings --init phone --settings "$dir/no/such/folder/x.ini" 2>/dev/null
[ $? -eq 1 ] || fail "unwritable file should exit 1"
expect_clean_tmpdirs
echo PASS
