#!/bin/sh
# The whole-installation benchmark: a generated product of 1,000 files and
# about 100 MB installed, alternating, by INSTALL.EXE /B from its diskette set
# copied to C:\SETUP, by an NSIS installer of the same files (/S) in the same
# Wine prefix, and by unzip of a zip of them natively; medians of RUNS rounds,
# their ratios, the setup process's peak memory, the cost per file at 250,
# 1,000 and 4,000 files of the same total size, and diskset build against
# makensis, and for the small files the requests each installer's main thread
# makes to the Wine server. Results go to OUT/results.txt as well.
#   scripts/bench.sh HOSTDIR WIN64DIR OUT [RUNS]
# Needs nsis, zip, unzip and time (scripts/install-deps.sh bench). Runs on a
# private Xvfb display when DISPLAY is unset; leaves no Wine process or Xvfb
# behind.
set -eu
host_dir=$(cd "$1" && pwd)
win_dir=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)
runs=${4:-5}
diskset="$host_dir/tools/diskset/diskset"
generator="$host_dir/bench/bench_product"
setup="$win_dir/src/app/INSTALL.EXE"
replay="$win_dir/bench/profile_writes.exe"
results="$out/results.txt"
# An installer that shows a message in spite of its silent switch waits for
# ever; it is stopped after this many seconds and the benchmark fails.
limit=900

fail() {
    echo "bench: $*" >&2
    exit 1
}
for tool in makensis zip unzip /usr/bin/time wine wineserver x86_64-w64-mingw32-strip; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps.sh bench)"
done
for file in "$diskset" "$generator" "$setup" "$replay"; do
    [ -e "$file" ] || fail "$file is missing"
done
# The build tree's prefix is made on its first use.
if [ ! -f "$win_dir/wineprefix/.pelto-ready" ]; then
    "$win_dir/wine-run" cmd /c exit </dev/null >/dev/null 2>&1 || fail "no Wine prefix in $win_dir"
    WINEPREFIX="$win_dir/wineprefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$win_dir/wineprefix" wineserver -w 2>/dev/null || true
fi

. "$(dirname "$0")/wine-session.sh"

# A private copy of the build tree's prefix, on the same file system as the
# native unzip's target; its wineserver stays up between runs, so that every
# run, of either installer, starts Wine the same way.
prefix="$out/wineprefix"
rm -rf "$prefix" "$out/aside"
cp -a "$win_dir/wineprefix/." "$prefix/"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
drive_c="$prefix/drive_c"
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || fail "Wine does not start in $prefix"

# The setup program as it ships: without debugging information.
x86_64-w64-mingw32-strip -o "$out/INSTALL.EXE" "$setup"
# strip takes the run-from-swap flags away, which diskset build requires.
python3 "$(dirname "$0")/pe-swaprun.py" "$out/INSTALL.EXE" >/dev/null || fail "cannot set the run-from-swap flags"

: >"$results"
say() {
    echo "$*" | tee -a "$results"
}
now() {
    date +%s.%N
}
elapsed() {
    echo "$1 $(now)" | awk '{ printf "%.3f", $2 - $1 }'
}
median() {
    tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
ratio() {
    echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'
}
percent() {
    echo "$1 $2" | awk '{ printf "%.1f%%", 100 * $1 / $2 }'
}
# "met" or "missed" for the ratio $1 / $2 against the bound $3.
goal() {
    echo "$1 $2 $3" | awk '{ r = $1 / $2; printf "%.2f, %s", r, (r <= $3 ? "met" : "MISSED") }'
}
# The peak resident memory (kB) and the processor time (user and system,
# seconds) of the process /usr/bin/time ran last. Wine's loader runs the
# Windows program in the process it starts, so these are INSTALL.EXE's own;
# the time the wineserver spends answering it is not counted.
peak() {
    tail -n 1 "$out/time.txt" | cut -d' ' -f1
}
cpu() {
    tail -n 1 "$out/time.txt" | awk '{ printf "%.2f", $2 + $3 }'
}
count_files() {
    find "$1" -type f | wc -l
}

# Makes product $1 ($2 files, $3 MB): its files, diskette set, zip and NSIS
# installer; times diskset build and makensis $4 times each, alternating.
make_product() {
    dir="$out/$1"
    mkdir -p "$dir"
    "$generator" "$dir" "$2" "$3" >"$dir/product.txt" || fail "bench_product failed for $1"
    say "$1: $(cat "$dir/product.txt")"
    build_times="" nsis_times=""
    i=0
    while [ $i -lt "$4" ]; do
        rm -rf "$dir/set"
        t=$(now)
        "$diskset" build "$dir/bench.layout" "$dir/set" --setup "$out/INSTALL.EXE" >"$dir/diskset.log" 2>&1 \
            || { cat "$dir/diskset.log" >&2; fail "diskset build failed for $1"; }
        build_times="$build_times $(elapsed "$t")"
        t=$(now)
        (cd "$dir" && makensis -V1 bench.nsi >"$dir/makensis.log" 2>&1) \
            || { cat "$dir/makensis.log" >&2; fail "makensis failed for $1"; }
        nsis_times="$nsis_times $(elapsed "$t")"
        i=$((i + 1))
    done
    rm -f "$dir/bench.zip"
    (cd "$dir/files" && zip -q -r "$dir/bench.zip" .)
    disks=$(ls -d "$dir/set"/DISK* | wc -l)
    archives=$(grep -c '=archive|' "$dir/bench.layout")
    set_bytes=$(du -sb "$dir/set" | cut -f1)
    nsis_bytes=$(stat -c %s "$dir/bench-nsis.exe")
    zip_bytes=$(stat -c %s "$dir/bench.zip")
    say "$1: $disks diskettes, $archives archives, set $set_bytes bytes, NSIS installer $nsis_bytes bytes, zip $zip_bytes bytes"
    build=$(echo "$build_times" | median)
    makensis=$(echo "$nsis_times" | median)
    say "$1: diskset build $build s, makensis $makensis s (medians of $4); diskset / makensis at most 0.60: $(goal "$build" "$makensis" 0.60)"

    rm -rf "$drive_c/SETUP"
    mkdir -p "$drive_c/SETUP"
    cp -a "$dir/set"/DISK* "$drive_c/SETUP/"
    cp "$dir/bench-nsis.exe" "$drive_c/SETUP/"
}

# Runs a Windows program of the prefix under /usr/bin/time; `took` is its
# seconds. $1 names it should it fail.
timed_wine() {
    what=$1
    shift
    sync
    t=$(now)
    status=0
    /usr/bin/time -f "%M %U %S" -o "$out/time.txt" timeout "$limit" $norandom wine "$@" </dev/null >/dev/null 2>&1 || status=$?
    took=$(elapsed "$t")
    [ $status -eq 0 ] || fail "$what ended with exit code $status"
}

# What an earlier run installed is moved aside, not deleted, until the
# product's rounds are over: ext4 without a journal (as on this machine) passes
# over the inodes freed in the last minutes whenever it creates a file, so a
# folder of thousands deleted just before a run slowed every file the next
# installer created, and more so with every round.
set_aside() {
    if [ -e "$1" ]; then
        mkdir -p "$out/aside"
        mv "$1" "$out/aside/$(date +%s%N)"
    fi
}

# One run of each installer; each appends its seconds, peak memory and
# processor time to its lists and checks what it installed.
run_setup() {
    set_aside "$drive_c/PBENCH"
    rm -f "$drive_c/windows/pelto.log"
    timed_wine "INSTALL.EXE /B" 'C:\SETUP\DISK01\INSTALL.EXE' /B
    [ "$(count_files "$drive_c/PBENCH")" -eq "$1" ] || fail "INSTALL.EXE installed $(count_files "$drive_c/PBENCH") of $1 files"
    setup_times="$setup_times $took"
    setup_peaks="$setup_peaks $(peak)"
    setup_cpus="$setup_cpus $(cpu)"
}
run_nsis() {
    set_aside "$drive_c/NBENCH"
    timed_wine "the NSIS installer" 'C:\SETUP\bench-nsis.exe' /S
    # Its own uninstaller is one file more.
    [ "$(count_files "$drive_c/NBENCH")" -eq $(($1 + 1)) ] || fail "the NSIS installer installed $(count_files "$drive_c/NBENCH") files"
    nsis_times="$nsis_times $took"
    nsis_peaks="$nsis_peaks $(peak)"
    nsis_cpus="$nsis_cpus $(cpu)"
}
run_unzip() {
    set_aside "$out/unzipped"
    mkdir "$out/unzipped"
    sync
    t=$(now)
    /usr/bin/time -f "%M %U %S" -o "$out/time.txt" unzip -o -q "$out/$2/bench.zip" -d "$out/unzipped" || fail "unzip failed"
    took=$(elapsed "$t")
    unzip_cpus="$unzip_cpus $(cpu)"
    [ "$(count_files "$out/unzipped")" -eq "$1" ] || fail "unzip gave $(count_files "$out/unzipped") files"
    unzip_times="$unzip_times $took"
}

# The bench prefix's wineserver stopped, and every Wine process of it.
stop_server() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

# Requests to the Wine server from the main thread of the Windows program
# `wine "$@"` runs: the server is started again, printing each request it
# answers (-d1), for this one run. What a run costs under Wine follows the
# round trips to the server more than the program's own work, and unlike the
# seconds their count is the same from run to run to within a few dozen.
# The program's main thread is the one whose first request names the Linux
# process started here (init_first_thread); its requests are its lines
# "TID: name(" (the answers are "TID: name() = ...", events "TID: *name*").
count_requests() {
    stop_server
    trace="$out/server-trace.txt"
    wineserver -f -d1 -p 2>"$trace" &
    server=$!
    # It says it is starting once its socket listens; a program started
    # before would start a server of its own.
    i=0
    until grep -q '^wineserver: starting' "$trace"; do
        i=$((i + 1))
        [ $i -lt 100 ] && kill -0 "$server" 2>/dev/null || fail "the tracing wineserver does not start"
        sleep 0.1
    done
    wine cmd /c exit >/dev/null 2>&1 || fail "Wine does not start with the tracing wineserver"
    status=0
    # Wine's loader runs the program in the process it is started as.
    timeout "$limit" sh -c 'echo $$ >"$0" && exec "$@"' "$out/pid.txt" $norandom wine "$@" </dev/null >/dev/null 2>&1 || status=$?
    stop_server
    wait "$server" 2>/dev/null || true
    [ $status -eq 0 ] || fail "$1 ended with exit code $status while its requests were counted"
    requests=$(awk -v pid="$(cat "$out/pid.txt")" '
        tid == "" && index($0, " init_first_thread( unix_pid=" pid ",") { tid = $1 }
        tid != "" && $1 == tid && $2 ~ /^[a-z_0-9]+\(/ && $0 !~ /\) = / { n++ }
        END { print n + 0 }' "$trace")
    rm -f "$trace" "$out/pid.txt"
    [ "$requests" -gt 0 ] || fail "no request of $1 was seen"
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1 || fail "Wine does not start in $prefix"
}

# Installs product $1 ($2 files) $3 times with each installer, in turn.
measure() {
    setup_times="" setup_peaks="" nsis_times="" nsis_peaks="" unzip_times="" setup_cpus="" nsis_cpus="" unzip_cpus=""
    i=0
    while [ $i -lt "$3" ]; do
        run_setup "$2"
        run_unzip "$2" "$1"
        run_nsis "$2"
        i=$((i + 1))
    done
    # The installed files are the product's, byte for byte.
    diff -r "$out/$1/files" "$drive_c/PBENCH" >/dev/null || fail "INSTALL.EXE installed other bytes than $1 holds"
    setup=$(echo "$setup_times" | median)
    nsis=$(echo "$nsis_times" | median)
    unzip=$(echo "$unzip_times" | median)
    say "$1: INSTALL.EXE /B $setup s, NSIS /S $nsis s, unzip $unzip s (medians of $3)"
    say "$1:   runs: INSTALL.EXE$setup_times; NSIS$nsis_times; unzip$unzip_times"
    say "$1:   processor time of the process: INSTALL.EXE $(echo "$setup_cpus" | median) s, NSIS $(echo "$nsis_cpus" | median) s, unzip $(echo "$unzip_cpus" | median) s"
    say "$1:   setup / NSIS $(ratio "$setup" "$nsis"), setup / unzip $(ratio "$setup" "$unzip")"
    say "$1:   peak memory (max RSS): INSTALL.EXE $(echo "$setup_peaks" | median | awk '{ printf "%d", $1 }') kB, NSIS $(echo "$nsis_peaks" | median | awk '{ printf "%d", $1 }') kB"
    say "$1:   per file: INSTALL.EXE $(echo "$setup $2" | awk '{ printf "%.2f", 1000 * $1 / $2 }') ms, NSIS $(echo "$nsis $2" | awk '{ printf "%.2f", 1000 * $1 / $2 }') ms, unzip $(echo "$unzip $2" | awk '{ printf "%.2f", 1000 * $1 / $2 }') ms"
    # The install log's per-file lines from the log the last run left,
    # replayed alone: through the copy step's writer, with as many versions
    # as a run from a set on disk writes (one as each archive begins, one
    # before the program items, the last), and one profile-API call per line
    # as they were once written.
    log_times="" line_times=""
    i=0
    while [ $i -lt "$3" ]; do
        line=$(wine "$replay" 'C:\windows\pelto.log' 'C:\windows\pelto-replay.log' $((archives + 2)) </dev/null 2>/dev/null | tr -d '\r') \
            || fail "profile_writes failed"
        set -- "$1" "$2" "$3" $line
        log_lines=$4
        log_times="$log_times $5"
        line_times="$line_times $6"
        i=$((i + 1))
    done
    log=$(echo "$log_times" | median)
    by_line=$(echo "$line_times" | median)
    say "$1:   install log: its $log_lines file lines through the writer $log s, $(percent "$log" "$setup") of INSTALL.EXE's time (goal: below 5%); one call per line would take $by_line s"
    say "$1:   goals: setup / NSIS at most 0.70: $(goal "$setup" "$nsis" 0.70)"
    eval "setup_$1=$setup nsis_$1=$nsis"
    rm -rf "$out/aside"
}

say "Whole installation, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version), makensis $(makensis -VERSION), $(unzip -v | head -n 1 | cut -d' ' -f1-2)"
make_product p1000 1000 100 2
measure p1000 1000 "$runs"
say "p1000:   goals: setup / unzip at most 2.50: $(goal "$setup_p1000" "$unzip" 2.50)"
rm -rf "$out/p1000/set"
# Same total size, other file counts: the cost that grows with the files.
few=$(( (runs + 1) / 2 ))
for files in 250 4000; do
    make_product "p$files" "$files" 100 1
    measure "p$files" "$files" "$few"
    rm -rf "$out/p$files/set"
done
say "cost per added file (4,000 against 250 files, same 100 MB): INSTALL.EXE $(echo "$setup_p4000 $setup_p250" | awk '{ printf "%.2f", 1000 * ($1 - $2) / 3750 }') ms, NSIS $(echo "$nsis_p4000 $nsis_p250" | awk '{ printf "%.2f", 1000 * ($1 - $2) / 3750 }') ms"
# A quarter of the payload in as many files: the peak should not follow it.
make_product p1000s 1000 25 1
measure p1000s 1000 "$few"
# Once more each, counted: the small files, where the round trips weigh most.
set_aside "$drive_c/PBENCH"
rm -f "$drive_c/windows/pelto.log"
count_requests 'C:\SETUP\DISK01\INSTALL.EXE' /B
setup_requests=$requests
set_aside "$drive_c/NBENCH"
count_requests 'C:\SETUP\bench-nsis.exe' /S
say "p1000s:   requests to the Wine server from the main thread of one run: INSTALL.EXE $setup_requests, NSIS $requests"
rm -rf "$out/p1000s/set" "$out/unzipped" "$out/aside" "$drive_c/PBENCH" "$drive_c/NBENCH"
echo "Results in $results"
