#!/usr/bin/env bash
# Builds the benchmarks (preset "bench"), runs them, prints the figures and
# checks the budgets of the query path:
#   (a) the walk makes no heap allocation per entry once its text has grown;
#   (b) the walk's cost per entry stays flat from 100 to 100,000 entries;
#   (c) the ASCII-rule comparison is within 2x of strcasecmp on the same pairs;
#   (d) the program sets up its comparison rules once per process, and the
#       walk asks the platform for no code-page facts of its own.
# Exits 1 when a budget fails. Arguments go to the benchmark binary (for
# instance --benchmark_min_time=0.1 for a quicker, noisier run).
#
# Figures are CPU times, medians of three repetitions: the machine may be
# busy with other work. The stand-in's conversions (iconv) make the 932
# figures much slower than the platform's own would be; they are printed for
# comparison between revisions, not held to a budget.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
if ! command -v jq >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends jq
fi

build=build/bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" >/dev/null

results=$build/bench-results.json
echo "=== benchmarks, medians (all of it in $results)"
"$build/bench/dravlen_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$results" --benchmark_out_format=json "$@" |
  grep -E '^-+$|^Benchmark |_median |ERROR OCCURRED' || true

# value RUN FIELD: FIELD of RUN's median, empty when RUN is missing or failed.
value() {
  jq -r --arg run "$1" --arg field "$2" '
    [.benchmarks[] | select(.run_name == $run and .aggregate_name == "median"
                            and (.error_occurred | not))][0][$field] // empty' "$results"
}
# ns RUN: the median CPU time of one iteration in nanoseconds.
ns() {
  jq -r --arg run "$1" '
    [.benchmarks[] | select(.run_name == $run and .aggregate_name == "median"
                            and (.error_occurred | not))][0]
    | if . == null then empty
      else .cpu_time * ({"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[.time_unit]) end' "$results"
}
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }" 2>/dev/null || printf -; }
# nano RUN COUNTER: a per-item counter (seconds) in nanoseconds.
nano() {
  local seconds
  seconds=$(value "$1" "$2")
  [ -n "$seconds" ] && calc "$seconds * 1e9" 1
}

failures=0
verdict() {  # verdict OK TEXT...
  local ok=$1
  shift
  if [ "$ok" = 1 ]; then
    echo "PASS  $*"
  else
    echo "FAIL  $*"
    failures=$((failures + 1))
  fi
}
holds() { awk "BEGIN { exit !($1) }" 2>/dev/null; }

echo
echo "=== figures"
sizes=(1 100 10000 100000)
printf '%-34s %12s %12s %12s %12s\n' "QueryMounted walk, entries" "${sizes[@]}"
row() {  # row LABEL FIELD SCALE DIGITS
  printf '%-34s' "$1"
  for n in "${sizes[@]}"; do
    local v
    v=$(value "BM_QueryMounted/$n" "$2")
    if [ -n "$v" ]; then printf ' %12s' "$(calc "$v * $3" "$4")"; else printf ' %12s' "-"; fi
  done
  echo
}
row "  ns per entry" per_entry 1e9 1
row "  allocations per query" query_allocs 1 1
row "  allocations after the reply" walk_allocs 1 1
row "  allocations per entry (walk)" allocs_per_entry 1 6

echo
printf '%-34s %12s %12s %8s\n' "Comparison, ns per pair" "dravlen" "strcasecmp" "ratio"
for difference in case_only early late; do
  ours=$(nano "BM_CompareAnsiNoCase/ascii_$difference" per_compare)
  theirs=$(nano "BM_Strcasecmp/ascii_$difference" per_compare)
  ratio=""
  [ -n "$ours" ] && [ -n "$theirs" ] && ratio=$(calc "$ours / $theirs" 2)
  printf '%-34s %12s %12s %8s\n' "  ASCII rule (1252), $difference" "${ours:--}" "${theirs:--}" \
    "${ratio:--}"
done
for difference in case_only early late; do
  printf '%-34s %12s\n' "  multibyte rule (932), $difference" \
    "$(nano "BM_CompareAnsiNoCase/multibyte_$difference" per_compare)"
done
echo "  (average pair: $(calc "$(value BM_CompareAnsiNoCase/ascii_late path_bytes)" 0) bytes)"

echo
printf '%-34s %12s %12s\n' "ConvertToAnsiText, per path" "ns" "allocations"
for run in latin_1252 japanese_932; do
  printf '%-34s %12s %12s\n' "  $run" "$(nano "BM_ConvertToAnsiText/$run" per_conversion)" \
    "$(calc "$(value "BM_ConvertToAnsiText/$run" allocs_per_conversion)" 3)"
done

echo
printf '%-34s %12s\n' "InitComparisonCodePage" "us"
for page in 1252 932; do
  printf '%-34s %12s\n' "  $page" "$(calc "$(ns "BM_InitComparisonCodePage/$page") / 1e3" 1)"
done

echo
echo "=== budgets"
# (a) Allocations the walk makes beyond those of 100 entries, spread over
# the further entries: growing the text to a longer entry is the only
# allocation, and the 100-entry list is a prefix of the longer ones.
small=$(value BM_QueryMounted/100 walk_allocs)
large=$(value BM_QueryMounted/100000 walk_allocs)
marginal=""
[ -n "$small" ] && [ -n "$large" ] && marginal=$(calc "($large - $small) / (100000 - 100)" 6)
ok=0
holds "$marginal < 0.01" && ok=1
verdict $ok "(a) allocations per further entry: ${marginal:-missing} (walk: ${small:-?} for 100," \
  "${large:-?} for 100,000 entries; budget < 0.01)"

# (b) Cost per entry from 100 to 100,000 entries.
per_entry=()
for n in 100 10000 100000; do per_entry+=("$(nano "BM_QueryMounted/$n" per_entry)"); done
ok=0
spread=""
if [ -n "${per_entry[0]}" ] && [ -n "${per_entry[1]}" ] && [ -n "${per_entry[2]}" ]; then
  spread=$(printf '%s\n' "${per_entry[@]}" | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 }
    END { printf "%.2f", hi / lo }')
  holds "$spread <= 1.5" && ok=1
fi
verdict $ok "(b) ns per entry at 100 / 10,000 / 100,000 entries: ${per_entry[*]}; highest / lowest" \
  "${spread:-missing} (budget <= 1.5)"

# (c) The ASCII rule against strcasecmp.
for difference in case_only early late; do
  ours=$(nano "BM_CompareAnsiNoCase/ascii_$difference" per_compare)
  theirs=$(nano "BM_Strcasecmp/ascii_$difference" per_compare)
  ratio=""
  [ -n "$ours" ] && [ -n "$theirs" ] && ratio=$(calc "$ours / $theirs" 2)
  ok=0
  holds "$ratio <= 2" && ok=1
  verdict $ok "(c) ASCII rule, $difference: ${ours:-?} ns against strcasecmp ${theirs:-?} ns," \
    "ratio ${ratio:-missing} (budget <= 2)"
done

# (d) The native entry, over a fake component, under a single-byte and a
# double-byte system code page, with 1 and 10,000 entries. Set-up is once;
# the platform queries are the set-up's own, the same for any list length.
check=$build/bench/dravlen_entry_check
argument='C:\Users\alice\Documents\Work\not mounted.vol'
for lang in en_US.UTF-8 ja_JP.UTF-8; do
  declare -A seen=()
  for n in 1 10000; do
    status=0
    line=$(LANG=$lang LC_ALL='' LC_CTYPE='' DRAVLEN_CHECK_ENTRIES=$n "$check" "$argument") || status=$?
    echo "      LANG=$lang: $line, exit status $status"
    for pair in $line; do seen[$n.${pair%%=*}]=${pair#*=}; done
    seen[$n.status]=$status
  done
  ok=1
  for n in 1 10000; do
    [ "${seen[$n.status]}" = 0 ] && [ "${seen[$n.init_calls]:-}" = 1 ] &&
      [ "${seen[$n.conversions]:-}" = "$n" ] && [ "${seen[$n.comparisons]:-}" = "$n" ] || ok=0
  done
  [ "${seen[1.acp_queries]:-x}" = "${seen[10000.acp_queries]:-y}" ] &&
    [ "${seen[1.cpinfo_queries]:-x}" = "${seen[10000.cpinfo_queries]:-y}" ] || ok=0
  verdict $ok "(d) LANG=$lang: InitComparisonCodePage ${seen[10000.init_calls]:-?} time(s) per" \
    "process; GetACP ${seen[1.acp_queries]:-?} / ${seen[10000.acp_queries]:-?} and GetCPInfo" \
    "${seen[1.cpinfo_queries]:-?} / ${seen[10000.cpinfo_queries]:-?} calls for 1 / 10,000 entries"
  unset seen
done

echo
if [ "$failures" -gt 0 ]; then
  echo "$failures budget(s) failed"
  exit 1
fi
echo "all budgets met"
