#!/bin/sh
# Runs the archive fuzz target of a fuzz build tree for a given time.
#   scripts/run-fuzz.sh BUILD_DIR SECONDS
# The corpus grows in BUILD_DIR/fuzz-corpus (seeded from tests/fuzz/corpus);
# a crashing input is kept in BUILD_DIR/fuzz-artifacts and the exit status is
# non-zero.
set -eu
build_dir=$1
seconds=${2:-60}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
fuzzer="$build_dir/tests/fuzz/archive_fuzz"
corpus="$build_dir/fuzz-corpus"
artifacts="$build_dir/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
echo "Fuzzing the archive walk for $seconds seconds (corpus $corpus)"
TMPDIR="$work" "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=65536 -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$source_dir/tests/fuzz/corpus"
