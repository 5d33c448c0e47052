#!/bin/sh
# Runs fuzz targets of a fuzz build tree, one after the other.
#   scripts/run-fuzz.sh BUILD_DIR SECONDS [TARGET...]
# TARGET is archive, fields, layout or image (all four when none is given); each
# runs for SECONDS, or for FUZZ_RUNS executions when that is set in the
# environment. Each target's corpus grows in BUILD_DIR/fuzz-corpus/TARGET
# (seeded from fuzz/corpus/TARGET); a crashing input is kept in
# BUILD_DIR/fuzz-artifacts and the exit status is non-zero. libFuzzer's final
# statistics (executions, coverage) are printed for each target.
set -eu
build_dir=$1
seconds=${2:-60}
shift 2 2>/dev/null || shift $#
targets=${*:-archive fields layout image}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
artifacts="$build_dir/fuzz-artifacts"
# Scratch files of the targets go to memory where there is a tmpfs for it.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
if [ -n "${FUZZ_RUNS:-}" ]; then
    limit="-runs=$FUZZ_RUNS"
    what="$FUZZ_RUNS executions"
else
    limit="-max_total_time=$seconds"
    what="$seconds seconds"
fi
for target in $targets; do
    case $target in
    archive) max_len=65536 ;;
    fields) max_len=256 ;;
    layout) max_len=8192 ;;
    image) max_len=163840 ;;  # a 160 KB diskette: every field of the format, few bytes of data
    *) echo "run-fuzz.sh: unknown target '$target' (archive, fields, layout or image)" >&2; exit 2 ;;
    esac
    corpus="$build_dir/fuzz-corpus/$target"
    mkdir -p "$corpus" "$artifacts" "$work/$target"
    echo "Fuzzing $target for $what (corpus $corpus)"
    TMPDIR="$work/$target" "$build_dir/fuzz/${target}_fuzz" $limit -rss_limit_mb=1024 -max_len=$max_len \
        -timeout=20 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        "$corpus" "$source_dir/fuzz/corpus/$target"
done
