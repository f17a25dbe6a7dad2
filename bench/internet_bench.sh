#!/usr/bin/env bash
# The Internet check against a web server of the bench's own on the loopback
# interface: quillorn-slowserver answers every request after 50 ms on
# 127.0.0.1 to 127.0.0.100. Times `quillorn-cli scan --json` on three sites
# written here, with the default 64 requests under way at once and with one at
# a time, and counts the requests the server saw in each run and the findings
# reported. Where the wizard bench was built, also the wizard's search of the
# first site, with how long its window went without handling events.
#
#   bash bench/internet_bench.sh [BUILD_DIR]     BUILD_DIR defaults to build/release
#
# Environment: BENCH_REPS    runs of each scan (default 3 with 64 connections,
#                            1 with one connection: those take about 50 s)
#              BENCH_TIMEOUT seconds allowed for one run (default 300)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/bench_lib.sh
source "$repo/bench/bench_lib.sh"

build="${1:-$repo/build/release}"
reps_many="${BENCH_REPS:-3}"
reps_one="${BENCH_REPS:-1}"
limit="${BENCH_TIMEOUT:-300}"
hosts=100
links_per_page=50

CLI="$build/cli/quillorn-cli"
SERVER="$build/bench/quillorn-slowserver"
WIZARD="$build/bench/quillorn-wizard-bench"
for program in "$CLI" "$SERVER"; do
  if [[ ! -x "$program" ]]; then
    echo "bench: $program is missing; build it first:" >&2
    echo "  cmake --preset release && cmake --build --preset release" >&2
    echo "or name another build folder as the first argument." >&2
    exit 2
  fi
done
bench_need_time

# Every request goes straight to the loopback server, never through a proxy.
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY ftp_proxy FTP_PROXY all_proxy ALL_PROXY
export no_proxy='*' NO_PROXY='*'

work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-bench.XXXXXX")"
server_pid=""
# Stops the server (when it still runs) and removes the temporary folder.
cleanup() {
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server outlives every run the bench can make, and not much more.
lifetime=$(((3 * (reps_many + reps_one) + 2) * limit + 60))
counts="$work/requests"
timeout -k 5 "$((lifetime + 10))" "$SERVER" --delay-ms 50 --hosts "$hosts" --lifetime-s "$lifetime" \
  --requests-file "$counts" >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
port=""
for ((i = 0; i < 100 && ${#port} == 0; i++)); do
  sleep 0.1
  port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$work/server.out")
  kill -0 "$server_pid" 2>/dev/null || break
done
if [[ -z "$port" ]]; then
  echo "bench: quillorn-slowserver did not start:" >&2
  cat "$work/server.err" >&2
  exit 1
fi

# A port of 127.0.0.1 that refuses connections: the first low one nothing listens on.
refused=""
for q in $(seq 1 200); do
  if ((q != port)) && ! timeout 2 bash -c "exec 3<>/dev/tcp/127.0.0.1/$q" 2>/dev/null; then
    refused=$q
    break
  fi
done
if [[ -z "$refused" ]]; then
  echo "bench: found no refusing port on 127.0.0.1" >&2
  exit 1
fi

# Sets URL to the address of link $2 (counted over the whole site) of site $1:
# a) 1,000 distinct URLs over the 100 hosts; b) 50 distinct URLs, each linked
# 20 times; c) 200 distinct URLs, every tenth on the refusing port.
site_url() {
  local i="$2"
  case "$1" in
    a) URL="http://127.0.0.$((i % hosts + 1)):$port/p$i.html" ;;
    b) URL="http://127.0.0.$((i % 50 + 1)):$port/p$((i % 50)).html" ;;
    c) if ((i % 10 == 9)); then
      URL="http://127.0.0.1:$refused/gone$i.html"
    else
      URL="http://127.0.0.$((i % hosts + 1)):$port/p$i.html"
    fi ;;
  esac
}

# Writes site $1 of $2 pages, $links_per_page links each, into $work/site-$1.
write_site() {
  local name="$1" pages="$2" dir="$work/site-$1" p l i
  mkdir -p "$dir"
  for ((p = 0; p < pages; p++)); do
    {
      printf '<!DOCTYPE html>\n<html><head><title>Page %d</title></head><body>\n' "$p"
      for ((l = 0; l < links_per_page; l++)); do
        i=$((p * links_per_page + l))
        site_url "$name" "$i"
        printf '<p><a href="%s">link %d</a></p>\n' "$URL" "$i"
      done
      printf '</body></html>\n'
    } >"$dir/page$p.html"
  done
}

declare -A pages=([a]=20 [b]=20 [c]=4) distinct=([a]=1000 [b]=50 [c]=200) expected=([a]=0 [b]=0 [c]=20)
for name in a b c; do write_site "$name" "${pages[$name]}"; done

# Sets SERVED to the number of requests the server has answered so far.
served() { SERVED=$(<"$counts"); }

rows=()
for name in a b c; do
  for connections in 64 1; do
    reps=$reps_many
    ((connections == 1)) && reps=$reps_one
    walls=() requests=() findings=""
    for ((r = 1; r <= reps; r++)); do
      echo "bench: site $name, $connections connection(s), run $r of $reps" >&2
      served
      before=$SERVED
      BENCH_STDOUT="$work/report.json" BENCH_STDERR="$work/stderr" bench_run "$limit" \
        "$CLI" scan --json --internet-connections "$connections" "$work/site-$name"
      if ((RUN_RC > 1)); then
        echo "bench: quillorn-cli scan exited with $RUN_RC on site $name (124: time-out)" >&2
        tail -n 5 "$work/stderr" >&2
        exit 1
      fi
      served
      walls+=("$RUN_WALL") requests+=("$((SERVED - before))")
      findings=$(sed -n 's/.*"summary": *"Done (\([0-9]*\).*/\1/p' "$work/report.json" | head -n 1)
    done
    if [[ $(printf '%s\n' "${requests[@]}" | sort -u | wc -l) -ne 1 ]]; then
      echo "bench: note: site $name, $connections connection(s): the runs made ${requests[*]} requests" >&2
    fi
    rows+=("$(printf '%-4s %6d %8d %11d %4d %8s %9s %8s %8d' "$name" "$((pages[$name] * links_per_page))" \
      "${distinct[$name]}" "$connections" "$reps" "$(bench_median "${walls[@]}")" "${requests[-1]}" \
      "${findings:-?}" "${expected[$name]}")")
  done
done

wizard_rows=()
if [[ -x "$WIZARD" ]]; then
  for connections in 64 1; do
    echo "bench: wizard, site a, $connections connection(s)" >&2
    served
    before=$SERVED
    BENCH_STDOUT="$work/wizard.txt" bench_run "$limit" "$WIZARD" --internet "$work/site-a" "$connections"
    bench_check_rc "quillorn-wizard-bench" 0
    served
    wizard_rows+=("$(cat "$work/wizard.txt") requests $((SERVED - before))")
  done
fi

kill "$server_pid"
wait "$server_pid" || true
server_pid=""
total=$(sed -n 's/^requests //p' "$work/server.out")

echo
echo "quillorn-cli scan --json --internet-connections N against quillorn-slowserver (50 ms a request, $hosts hosts);"
echo "wall_s: median of the runs; requests: the server's count for the last run; $(nproc) CPUs"
echo "sites: a) 1,000 distinct URLs; b) 50 distinct URLs, 20 links to each; c) 200 URLs, 20 on a refusing port"
printf '%-4s %6s %8s %11s %4s %8s %9s %8s %8s\n' site links distinct connections runs wall_s requests findings expected
for row in "${rows[@]}"; do echo "$row"; done
if ((${#wizard_rows[@]} > 0)); then
  echo
  echo "quillorn-wizard-bench --internet SITE_A N (search on page 4; gaps: longest without an event-loop round / a repaint of the status list)"
  printf '%11s %8s %16s %17s %7s %9s %8s\n' connections search_s max_loop_gap_ms max_paint_gap_ms paints requests findings
  for line in "${wizard_rows[@]}"; do
    printf '%11s %8s %16s %17s %7s %9s %8s\n' "$(sed -n 's/^connections \([0-9]*\) .*/\1/p' <<<"$line")" \
      "$(bench_field search_s "$line")" "$(bench_field max_loop_gap_ms "$line")" \
      "$(bench_field max_paint_gap_ms "$line")" "$(bench_field paints "$line")" "${line##* }" \
      "$(bench_field findings "$line")"
  done
else
  echo "(no $WIZARD: the wizard's search was not timed; it needs QUILLORN_GUI=ON)"
fi
echo "the server answered ${total:-?} requests in all"
