#!/usr/bin/env bash
# Download throughput and memory against the demo site with 20 ms latency per request.
#
#   bash bench/download/run.sh [BUILD_DIR]     (default: build)
#
# Prints chapters per second for the single-thread mode, the pooled mode 5/10 and aria2c -j 10
# fetching the same 500 chapter URLs (no parsing; medians of three runs), as ratios of the latency limit
# (10 threads / 20 ms = 500 chapters/s) and of aria2c; then the peak resident memory of a pooled
# download of 2,000 chapters (4 books of 500).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
site_bin=$build/demo-site/novel-demo-site
cli=$build/cli/novel-crawler-cli
for tool in "$site_bin" "$cli"; do
  [[ -x $tool ]] || { echo "missing $tool: build the project first" >&2; exit 1; }
done
command -v aria2c >/dev/null || { echo "aria2c missing (Debian package aria2)" >&2; exit 1; }

latency_ms=20
chapters=500
work=$(mktemp -d)
site_pid=
cleanup() {
  [[ -n $site_pid ]] && kill "$site_pid" 2>/dev/null && wait "$site_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$site_bin" --port 0 --quiet --latency "$latency_ms" --pages 1 --books 4 --chapters "$chapters" \
  --paragraphs 20 --paragraph-chars 100 --plain-titles >"$work/site.out" 2>/dev/null &
site_pid=$!
for _ in $(seq 100); do [[ -s $work/site.out ]] && break; sleep 0.05; done
origin=$(head -n1 "$work/site.out")
export NOVEL_SITE_ORIGIN=$origin
book_url="$origin/book/1/"

# Chapters per second from the command line's summary line.
cli_rate() { sed -n 's/.* \([0-9.]*\) chapters\/s.*/\1/p' "$1"; }

"$cli" download --url "$book_url" --dir "$work/single" --single 2>"$work/single.log"
single=$(cli_rate "$work/single.log")

# The median of three runs, the machine being shared.
median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

pooled_runs=()
for run in 1 2 3; do
  "$cli" download --url "$book_url" --dir "$work/pooled$run" --threads 5:10 2>"$work/pooled.log"
  pooled_runs+=("$(cli_rate "$work/pooled.log")")
done
pooled=$(median "${pooled_runs[@]}")

curl -sk "$book_url" | grep -o '<a href ="[^"]*"' | sed "s|<a href =\"|$origin|; s|\"\$||" >"$work/urls"
url_count=$(wc -l <"$work/urls")
aria_runs=()
for run in 1 2 3; do
  start=$(date +%s.%N)
  aria2c -j 10 --check-certificate=false -i "$work/urls" -d "$work/aria$run" --quiet=true
  end=$(date +%s.%N)
  aria_runs+=("$(awk -v n="$url_count" -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", n / (e - s) }')")
done
aria=$(median "${aria_runs[@]}")

echo "pooled runs: ${pooled_runs[*]}; aria2c runs: ${aria_runs[*]} (chapters/s; medians below)"
awk -v latency="$latency_ms" -v count="$url_count" -v single="$single" -v pooled="$pooled" -v aria="$aria" 'BEGIN {
  limit = 10 * 1000 / latency
  printf "latency %d ms, %d chapters, limit %.0f chapters/s\n", latency, count, limit
  printf "%-16s %7.1f chapters/s  %5.1f%% of limit  %5.2fx aria2c\n", "single thread", single, 100 * single / limit, single / aria
  printf "%-16s %7.1f chapters/s  %5.1f%% of limit  %5.2fx aria2c\n", "pooled 5/10", pooled, 100 * pooled / limit, pooled / aria
  printf "%-16s %7.1f chapters/s  %5.1f%% of limit  %5.2fx aria2c\n", "aria2c -j 10", aria, 100 * aria / limit, 1
}'

"$cli" crawl 0 --pages 1 >"$work/list.tsv"
"$cli" download --list "$work/list.tsv" --dir "$work/all" --threads 5:10 2>"$work/all.log"
written=$(sed -n 's/.* \([0-9]*\) chapters written.*/\1/p' "$work/all.log")
rss_kib=$(sed -n 's/.*peak RSS \([0-9]*\) KiB.*/\1/p' "$work/all.log")
awk -v written="$written" -v rate="$(cli_rate "$work/all.log")" -v rss="$rss_kib" 'BEGIN {
  printf "pooled 5/10, %d chapters of 4 books: %.1f chapters/s, peak RSS %.1f MB (goal < 64 MB)\n", written, rate, rss / 1024
}'
